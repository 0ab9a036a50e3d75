#include "xlsdoc/workbook_dump.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace kv::xls {
namespace {

std::string Number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    if (c == '\t') {
      out += "\\t";
      continue;
    }
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out.push_back(c);
  }
  return out + "\"";
}

std::string ColumnSpan(uint32_t first, uint32_t last) {
  return first == last ? ColumnLetters(first) : ColumnLetters(first) + ":" + ColumnLetters(last);
}

class Dumper {
 public:
  explicit Dumper(const StyleTable& styles) : styles_(styles) {}

  std::string Run(const WorkbookModel& book) {
    std::string out;
    for (size_t i = 0; i < book.sheets.size(); ++i) DumpSheet(i, *book.sheets[i], i == book.active, out);
    out += "FORMATS\n";
    for (const auto& [label, text] : listed_) out += "  F" + std::to_string(label) + " " + text + "\n";
    return out;
  }

 private:
  int Label(uint32_t id) {
    const std::string text = DescribeStyle(styles_.Get(id));
    auto it = labels_.find(text);
    if (it != labels_.end()) return it->second;
    int label = static_cast<int>(labels_.size()) + 1;
    labels_.emplace(text, label);
    listed_.emplace_back(label, text);
    return label;
  }

  void DumpSheet(size_t index, const SheetModel& sheet, bool active, std::string& out) {
    out += "SHEET " + std::to_string(index + 1) + " " + Quoted(sheet.name()) + " zoom=" + std::to_string(sheet.zoom());
    out += active ? " active\n" : "\n";
    out += "  columns: width " + Number(sheet.default_column_width()) + " format F" +
           std::to_string(Label(sheet.default_style()));
    for (const auto& [column, width] : sheet.column_widths()) out += ", " + ColumnLetters(column) + "=" + Number(width);
    out += "\n";
    std::vector<CellArea> merges = sheet.merges();
    std::sort(merges.begin(), merges.end(), [](const CellArea& a, const CellArea& b) {
      return std::tie(a.first_row, a.first_column) < std::tie(b.first_row, b.first_column);
    });
    out += "  merges:";
    for (const CellArea& m : merges) out += " " + FormatArea(m);
    out += "\n";
    const uint32_t default_style = sheet.default_style();
    for (uint32_t r = 1; r <= sheet.stored_rows(); ++r) {
      const SheetRow* row = sheet.RowAt(r);
      std::string formats;
      const uint32_t columns = row->styles ? static_cast<uint32_t>(row->styles->size()) : 0;
      for (uint32_t c = 1; c <= columns;) {
        uint32_t id = sheet.StyleAt(r, c);
        uint32_t end = c;
        while (end + 1 <= columns && sheet.StyleAt(r, end + 1) == id) ++end;
        if (DescribeStyle(styles_.Get(id)) != DescribeStyle(styles_.Get(default_style)))
          formats += " " + ColumnSpan(c, end) + "=F" + std::to_string(Label(id));
        c = end + 1;
      }
      if (!formats.empty()) out += "  row " + std::to_string(r) + " formats" + formats + "\n";
      if (!row->values.empty()) {
        out += "  row " + std::to_string(r) + " values";
        for (const auto& [c, text] : row->values) out += " " + ColumnLetters(c) + "=" + Quoted(text);
        out += "\n";
      }
    }
  }

  const StyleTable& styles_;
  std::map<std::string, int> labels_;
  std::vector<std::pair<int, std::string>> listed_;
};

}  // namespace

std::string DescribeStyle(const Style& style) {
  std::string out;
  if (style.fill == kNoFill) {
    out += "fill=none";
  } else {
    char rgb[16];
    std::snprintf(rgb, sizeof rgb, "%06X", style.fill);
    out += std::string("fill=") + rgb;
  }
  out += style.bold ? " bold" : "";
  out += " size=" + Number(style.font_size_centi / 100.0);
  out += style.wrap ? " wrap" : "";
  out += style.top ? " top" : "";
  static const char* const kEdgeNames[kEdgeCount] = {"left", "top", "bottom", "right"};
  for (int e = 0; e < kEdgeCount; ++e) {
    if (style.edges[static_cast<size_t>(e)] == BorderLine::kNone) continue;
    out += std::string(" ") + kEdgeNames[e] + "=" + std::string(BorderLineName(style.edges[static_cast<size_t>(e)]));
  }
  return out;
}

std::string DumpWorkbook(const WorkbookModel& book, const StyleTable& styles) { return Dumper(styles).Run(book); }

}  // namespace kv::xls
