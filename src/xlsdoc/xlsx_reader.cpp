// ReadXlsx: the parts of an .xlsx file that WriteXlsx writes, back into the
// workbook model (minizip for the package, pugixml for its XML parts).
#include <cmath>
#include <cstdlib>
#include <map>

#include <minizip/unzip.h>
#include <pugixml.hpp>

#include "xlsdoc/workbook_model.h"

namespace kv::xls {
namespace {

// A part larger than this is not one this component wrote.
constexpr uint64_t kMaxPartBytes = uint64_t{1} << 30;

class Package {
 public:
  explicit Package(const std::string& path) : zip_(unzOpen64(path.c_str())) {}
  ~Package() {
    if (zip_ != nullptr) unzClose(zip_);
  }
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  bool is_open() const { return zip_ != nullptr; }

  // The bytes of one part; false when it is missing or unreadable.
  bool Read(const std::string& name, std::string& bytes) {
    if (unzLocateFile(zip_, name.c_str(), 1) != UNZ_OK) return false;
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    if (info.uncompressed_size > kMaxPartBytes) return false;
    if (unzOpenCurrentFile(zip_) != UNZ_OK) return false;
    bytes.assign(static_cast<size_t>(info.uncompressed_size), '\0');
    size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
      unsigned chunk = static_cast<unsigned>(std::min<size_t>(bytes.size() - done, 1u << 24));
      int n = unzReadCurrentFile(zip_, bytes.data() + done, chunk);
      if (n <= 0) {
        ok = false;
        break;
      }
      done += static_cast<size_t>(n);
    }
    if (unzCloseCurrentFile(zip_) != UNZ_OK) ok = false;  // also the CRC check
    return ok;
  }

 private:
  unzFile zip_;
};

bool ParseXml(const std::string& bytes, pugi::xml_document& doc) {
  // parse_ws_pcdata keeps a cell text made of blanks only.
  return doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata);
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// The text of an <si> or <is> element: its <t>, or the <t> of each run.
std::string ElementText(const pugi::xml_node& node) {
  if (pugi::xml_node t = node.child("t")) return t.text().get();
  std::string text;
  for (pugi::xml_node r : node.children("r")) text += r.child("t").text().get();
  return text;
}

uint32_t ParseRgb(const pugi::xml_node& colour) {
  if (pugi::xml_attribute rgb = colour.attribute("rgb")) {
    return static_cast<uint32_t>(std::strtoul(rgb.value(), nullptr, 16) & 0xFFFFFF);
  }
  if (pugi::xml_attribute indexed = colour.attribute("indexed")) {
    // .xlsx indexed colours 8..63 are the palette's ColorIndex 1..56.
    if (auto rgb = PaletteColour(indexed.as_int() - 7)) return *rgb;
  }
  return kNoFill;
}

bool FlagSet(const pugi::xml_node& node) {
  if (!node) return false;
  pugi::xml_attribute val = node.attribute("val");
  if (!val) return true;
  std::string v = val.value();
  return v != "0" && v != "false";
}

class XlsxReader {
 public:
  XlsxReader(Package& package, StyleTable& styles) : package_(package), styles_(styles) {}

  bool Read(WorkbookModel& book, std::string& error) {
    std::string bytes;
    pugi::xml_document workbook, rels;
    if (!package_.Read("xl/workbook.xml", bytes) || !ParseXml(bytes, workbook)) return Fail(error, "no workbook part");
    if (!package_.Read("xl/_rels/workbook.xml.rels", bytes) || !ParseXml(bytes, rels))
      return Fail(error, "no workbook relationships");
    if (!ReadStyles(error) || !ReadSharedStrings(error)) return false;

    std::map<std::string, std::string> targets;
    for (pugi::xml_node r : rels.child("Relationships").children("Relationship"))
      targets[r.attribute("Id").value()] = r.attribute("Target").value();

    pugi::xml_node wb = workbook.child("workbook");
    for (pugi::xml_node s : wb.child("sheets").children("sheet")) {
      auto target = targets.find(s.attribute("r:id").value());
      if (target == targets.end()) return Fail(error, "sheet without a part");
      std::string part = target->second;
      part = part.starts_with("/") ? part.substr(1) : "xl/" + part;
      auto sheet = std::make_shared<SheetModel>(s.attribute("name").value());
      if (!ReadSheet(part, *sheet, error)) return false;
      book.sheets.push_back(std::move(sheet));
    }
    if (book.sheets.empty()) return Fail(error, "no sheets");
    size_t active = wb.child("bookViews").child("workbookView").attribute("activeTab").as_uint(0);
    book.active = active < book.sheets.size() ? active : 0;
    return true;
  }

 private:
  static bool Fail(std::string& error, const std::string& why) {
    error = why;
    return false;
  }

  bool ReadStyles(std::string& error) {
    std::string bytes;
    pugi::xml_document doc;
    if (!package_.Read("xl/styles.xml", bytes) || !ParseXml(bytes, doc)) return Fail(error, "no styles part");
    pugi::xml_node sheet = doc.child("styleSheet");
    struct FontPart {
      bool bold = false;
      uint32_t size_centi = kDefaultFontSizeCenti;
    };
    std::vector<FontPart> fonts;
    for (pugi::xml_node f : sheet.child("fonts").children("font")) {
      FontPart font;
      font.bold = FlagSet(f.child("b"));
      if (pugi::xml_node sz = f.child("sz"))
        font.size_centi = static_cast<uint32_t>(std::lround(sz.attribute("val").as_double(11.0) * 100));
      fonts.push_back(font);
    }
    std::vector<uint32_t> fills;
    for (pugi::xml_node f : sheet.child("fills").children("fill")) {
      pugi::xml_node pattern = f.child("patternFill");
      std::string type = pattern.attribute("patternType").value();
      fills.push_back(type == "solid" ? ParseRgb(pattern.child("fgColor")) : kNoFill);
    }
    std::vector<std::array<BorderLine, kEdgeCount>> borders;
    for (pugi::xml_node b : sheet.child("borders").children("border")) {
      std::array<BorderLine, kEdgeCount> edges{};
      edges[kEdgeLeft] = BorderLineFromName(b.child("left").attribute("style").value());
      edges[kEdgeTop] = BorderLineFromName(b.child("top").attribute("style").value());
      edges[kEdgeBottom] = BorderLineFromName(b.child("bottom").attribute("style").value());
      edges[kEdgeRight] = BorderLineFromName(b.child("right").attribute("style").value());
      borders.push_back(edges);
    }
    for (pugi::xml_node xf : sheet.child("cellXfs").children("xf")) {
      Style style;
      size_t font = xf.attribute("fontId").as_uint(0), fill = xf.attribute("fillId").as_uint(0),
             border = xf.attribute("borderId").as_uint(0);
      if (font < fonts.size()) {
        style.bold = fonts[font].bold;
        style.font_size_centi = fonts[font].size_centi;
      }
      if (fill < fills.size()) style.fill = fills[fill];
      if (border < borders.size()) style.edges = borders[border];
      if (pugi::xml_node alignment = xf.child("alignment")) {
        style.wrap = alignment.attribute("wrapText").as_bool(false);
        style.top = std::string_view(alignment.attribute("vertical").value()) == "top";
      }
      formats_.push_back(styles_.Intern(style));
    }
    return true;
  }

  bool ReadSharedStrings(std::string& error) {
    std::string bytes;
    if (!package_.Read("xl/sharedStrings.xml", bytes)) return true;  // a workbook without texts
    pugi::xml_document doc;
    if (!ParseXml(bytes, doc)) return Fail(error, "shared strings unreadable");
    for (pugi::xml_node si : doc.child("sst").children("si")) strings_.push_back(UnescapeCellText(ElementText(si)));
    return true;
  }

  uint32_t FormatId(const pugi::xml_attribute& s) const {
    size_t index = s.as_uint(0);
    return index < formats_.size() ? formats_[index] : kPlainStyle;
  }

  bool ReadSheet(const std::string& part, SheetModel& sheet, std::string& error) {
    std::string bytes;
    pugi::xml_document doc;
    if (!package_.Read(part, bytes) || !ParseXml(bytes, doc)) return Fail(error, "sheet part unreadable: " + part);
    pugi::xml_node ws = doc.child("worksheet");

    // Columns: the span that reaches the last column carries the defaults.
    for (pugi::xml_node col : ws.child("cols").children("col")) {
      uint32_t max = col.attribute("max").as_uint(0);
      if (max < kMaxColumns) continue;
      if (col.attribute("width")) sheet.SetAllColumnWidths(ColumnWidthFromStored(col.attribute("width").as_double()));
      if (col.attribute("style")) sheet.set_default_style(FormatId(col.attribute("style")));
    }
    for (pugi::xml_node col : ws.child("cols").children("col")) {
      uint32_t min = col.attribute("min").as_uint(0), max = col.attribute("max").as_uint(0);
      if (min < 1 || max < min || max >= kMaxColumns || !col.attribute("width")) continue;
      double width = ColumnWidthFromStored(col.attribute("width").as_double());
      if (width != sheet.default_column_width()) sheet.SetColumnWidths(min, max, width);
    }
    if (pugi::xml_node view = ws.child("sheetViews").child("sheetView")) {
      int zoom = view.attribute("zoomScale").as_int(100);
      sheet.set_zoom(zoom >= 10 && zoom <= 400 ? zoom : 100);
    }
    for (pugi::xml_node row : ws.child("sheetData").children("row")) {
      for (pugi::xml_node c : row.children("c")) {
        auto ref = ParseCellRef(c.attribute("r").value());
        if (!ref) return Fail(error, "cell without a valid address in " + part);
        // A cell's own format replaces its column's, also the plain one (xf 0).
        sheet.SetStyle(ref->row, ref->column, FormatId(c.attribute("s")));
        std::string type = c.attribute("t").value();
        std::string text;
        if (type == "s") {
          size_t index = c.child("v").text().as_uint(UINT32_MAX);
          if (index < strings_.size()) text = strings_[index];
        } else if (type == "inlineStr") {
          text = UnescapeCellText(ElementText(c.child("is")));
        } else {
          text = c.child("v").text().get();
        }
        if (!text.empty()) sheet.SetValue(ref->row, ref->column, text);
      }
    }
    for (pugi::xml_node m : ws.child("mergeCells").children("mergeCell")) {
      auto area = ParseArea(m.attribute("ref").value());
      if (area && !area->is_single()) sheet.RestoreMerge(*area);
    }
    return true;
  }

  Package& package_;
  StyleTable& styles_;
  std::vector<uint32_t> formats_;  // cellXfs index -> style id
  std::vector<std::string> strings_;
};

}  // namespace

std::string UnescapeCellText(std::string_view stored) {
  std::string out;
  out.reserve(stored.size());
  for (size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '_' && i + 7 <= stored.size() && stored[i + 1] == 'x' && stored[i + 6] == '_' &&
        IsHex(stored[i + 2]) && IsHex(stored[i + 3]) && IsHex(stored[i + 4]) && IsHex(stored[i + 5])) {
      unsigned code = static_cast<unsigned>(std::strtoul(std::string(stored.substr(i + 2, 4)).c_str(), nullptr, 16));
      if (code < 0xD800 || code > 0xDFFF) {
        AppendUtf8(out, code);
        i += 6;
        continue;
      }
    }
    out.push_back(stored[i]);
  }
  return out;
}

double ColumnWidthFromStored(double stored) {
  double pixels = std::round(stored * 7.0);
  double width = pixels >= 12.0 ? (pixels - 5.0) / 7.0 : pixels / 12.0;
  return std::round(width * 100.0) / 100.0;
}

bool ReadXlsx(const std::string& disk_path, StyleTable& styles, WorkbookModel& book, std::string& error) {
  Package package(disk_path);
  if (!package.is_open()) {
    error = "not a readable workbook file";
    return false;
  }
  WorkbookModel read;
  XlsxReader reader(package, styles);
  if (!reader.Read(read, error)) return false;
  book = std::move(read);
  return true;
}

}  // namespace kv::xls
