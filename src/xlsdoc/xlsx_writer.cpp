// WriteXlsx: the workbook model through libxlsxwriter.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <xlsxwriter.h>

#include "xlsdoc/workbook_model.h"

namespace kv::xls {
namespace {

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool IsEscapeAt(std::string_view text, size_t i) {
  if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_') return false;
  return IsHex(text[i + 2]) && IsHex(text[i + 3]) && IsHex(text[i + 4]) && IsHex(text[i + 5]);
}

// libxlsxwriter wants black as its own constant: 0 means "no colour".
lxw_color_t LxwColour(uint32_t rgb) { return rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : rgb; }

// The row height for the largest font of a row's texts: the spreadsheet
// grows a row to fit a large font; 15 points is the standard height.
double RowHeightFor(uint32_t font_size_centi) {
  double height = font_size_centi / 100.0 * 1.3125;
  return height < 15.0 ? 15.0 : height;
}

class XlsxWriter {
 public:
  XlsxWriter(const WorkbookModel& book, const StyleTable& styles) : book_(book), styles_(styles) {}

  bool Write(const std::string& path, std::string& error) {
    lxw_workbook_options options{};
    // Not the row-by-row mode: it keeps a 16384-column array per sheet, more
    // than the cells of a sheet of this component take.
    options.constant_memory = LXW_FALSE;
    options.tmpdir = nullptr;
    options.use_zip64 = LXW_TRUE;
    workbook_ = workbook_new_opt(path.c_str(), &options);
    if (workbook_ == nullptr) {
      error = "cannot create the workbook";
      return false;
    }
    formats_.assign(styles_.size(), nullptr);
    std::vector<lxw_worksheet*> sheets;
    for (const auto& sheet : book_.sheets) {
      lxw_worksheet* ws = workbook_add_worksheet(workbook_, sheet->name().c_str());
      if (ws == nullptr) {
        error = "sheet name not accepted: " + sheet->name();
        workbook_close(workbook_);
        return false;
      }
      sheets.push_back(ws);
      WriteSheet(*sheet, ws);
    }
    if (book_.active < sheets.size()) worksheet_activate(sheets[book_.active]);
    lxw_error result = workbook_close(workbook_);
    if (result != LXW_NO_ERROR) {
      error = lxw_strerror(result);
      return false;
    }
    return true;
  }

 private:
  lxw_format* Format(uint32_t id) {
    if (id == kInheritStyle || id >= formats_.size()) return nullptr;
    if (formats_[id] != nullptr) return formats_[id];
    const Style& s = styles_.Get(id);
    lxw_format* f = workbook_add_format(workbook_);
    if (s.fill != kNoFill) {
      format_set_pattern(f, LXW_PATTERN_SOLID);
      format_set_bg_color(f, LxwColour(s.fill));
    }
    if (s.bold) format_set_bold(f);
    if (s.wrap) format_set_text_wrap(f);
    if (s.top) format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
    if (s.font_size_centi != kDefaultFontSizeCenti) format_set_font_size(f, s.font_size_centi / 100.0);
    format_set_left(f, static_cast<uint8_t>(s.edges[kEdgeLeft]));
    format_set_top(f, static_cast<uint8_t>(s.edges[kEdgeTop]));
    format_set_bottom(f, static_cast<uint8_t>(s.edges[kEdgeBottom]));
    format_set_right(f, static_cast<uint8_t>(s.edges[kEdgeRight]));
    formats_[id] = f;
    return f;
  }

  void WriteColumns(const SheetModel& sheet, lxw_worksheet* ws) {
    const uint32_t default_style = sheet.default_style();
    const double default_width = sheet.default_column_width();
    const bool default_plain = default_style == kPlainStyle && default_width == kStandardColumnWidth;
    lxw_format* format = default_style == kPlainStyle ? nullptr : Format(default_style);
    uint32_t next = 1;  // first column not yet written
    const auto& widths = sheet.column_widths();
    for (size_t i = 0; i < widths.size();) {
      uint32_t first = widths[i].first;
      double width = widths[i].second;
      size_t j = i + 1;
      while (j < widths.size() && widths[j].first == widths[j - 1].first + 1 && widths[j].second == width) ++j;
      uint32_t last = widths[j - 1].first;
      if (first > next && !default_plain) worksheet_set_column(ws, next - 1, first - 2, default_width, format);
      worksheet_set_column(ws, first - 1, last - 1, width, format);
      next = last + 1;
      i = j;
    }
    if (next <= kMaxColumns && !default_plain)
      worksheet_set_column(ws, next - 1, kMaxColumns - 1, default_width, format);
    // A span that reaches the last column makes libxlsxwriter keep a format
    // pointer for each of the 16384 columns (128 KiB a sheet, for every
    // sheet until the workbook is closed). It reads that array only for a
    // cell written without a format, which this writer never does (every
    // cell gets its format, the plain one included), and only below
    // col_formats_max; so the array is given back here.
    free(ws->col_formats);
    ws->col_formats = nullptr;
    ws->col_formats_max = 0;
  }

  // The height a wrapped text needs in its cell, or in the one-row merged
  // area it heads (the spreadsheets do not grow a row for a merged area on
  // their own; an area of several rows is the writer's to size).
  double WrappedHeight(const SheetModel& sheet, uint32_t row, uint32_t column, const std::string& text, uint32_t id) {
    uint32_t last = column;
    if (const CellArea* merged = sheet.MergeAt(row, column)) {
      if (merged->first_row != merged->last_row) return 0;
      last = merged->last_column;
    }
    double width = 0;
    for (uint32_t c = column; c <= last; ++c) width += sheet.ColumnWidth(c);
    return static_cast<double>(WrappedLineCount(text, width)) * RowHeightFor(styles_.Get(id).font_size_centi);
  }

  void WriteSheet(const SheetModel& sheet, lxw_worksheet* ws) {
    WriteColumns(sheet, ws);
    for (const CellArea& m : sheet.merges()) {
      if (m.is_single()) continue;
      worksheet_merge_range(ws, m.first_row - 1, static_cast<lxw_col_t>(m.first_column - 1), m.last_row - 1,
                            static_cast<lxw_col_t>(m.last_column - 1), "", nullptr);
    }
    const uint32_t default_style = sheet.default_style();
    for (uint32_t r = 1; r <= sheet.stored_rows(); ++r) {
      const SheetRow* row = sheet.RowAt(r);
      const uint32_t style_columns = row->styles ? static_cast<uint32_t>(row->styles->size()) : 0;
      uint32_t largest_font = kDefaultFontSizeCenti;
      double wrapped_height = 0;  // for texts that break into lines
      size_t v = 0;
      const uint32_t value_columns = row->values.empty() ? 0 : row->values.back().first;
      const uint32_t columns = std::max(style_columns, value_columns);
      for (uint32_t c = 1; c <= columns; ++c) {
        uint32_t id = c <= style_columns ? (*row->styles)[c - 1] : kInheritStyle;
        if (id == kInheritStyle) id = default_style;
        const std::string* text = nullptr;
        if (v < row->values.size() && row->values[v].first == c) text = &row->values[v++].second;
        lxw_format* format = Format(id);
        if (text != nullptr) {
          worksheet_write_string(ws, r - 1, static_cast<lxw_col_t>(c - 1), EscapeCellText(*text).c_str(), format);
          largest_font = std::max(largest_font, styles_.Get(id).font_size_centi);
          if (styles_.Get(id).wrap) wrapped_height = std::max(wrapped_height, WrappedHeight(sheet, r, c, *text, id));
        } else if (id != default_style) {
          worksheet_write_blank(ws, r - 1, static_cast<lxw_col_t>(c - 1), format);
        }
      }
      const double height = std::max(largest_font > kDefaultFontSizeCenti ? RowHeightFor(largest_font) : 0.0,
                                     wrapped_height > RowHeightFor(kDefaultFontSizeCenti) ? wrapped_height : 0.0);
      if (height > 0) worksheet_set_row(ws, r - 1, height, nullptr);
    }
    if (sheet.zoom() != 100) worksheet_set_zoom(ws, static_cast<uint16_t>(sheet.zoom()));
    // Printed, a sheet is as wide as an A4 page and as long as it needs.
    worksheet_set_paper(ws, 9);
    worksheet_fit_to_pages(ws, 1, 0);
  }

  const WorkbookModel& book_;
  const StyleTable& styles_;
  lxw_workbook* workbook_ = nullptr;
  std::vector<lxw_format*> formats_;
};

}  // namespace

std::string EscapeCellText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "_x%04X_", c);
      out += escape;
    } else if (IsEscapeAt(utf8, i)) {
      out += "_x005F_";  // the "_" itself; the rest follows as plain text
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

bool WriteXlsx(const std::string& disk_path, const WorkbookModel& book, const StyleTable& styles, std::string& error) {
  namespace fs = std::filesystem;
  if (book.sheets.empty()) {
    error = "a workbook needs a sheet";
    return false;
  }
  const fs::path folder = fs::path(disk_path).parent_path();
  if (!folder.empty() && !fs::is_directory(folder)) {
    error = "no such folder";
    return false;
  }
  const std::string partial = disk_path + ".part";
  XlsxWriter writer(book, styles);
  std::error_code ec;
  if (!writer.Write(partial, error)) {
    fs::remove(partial, ec);
    return false;
  }
  fs::rename(partial, disk_path, ec);
  if (ec) {
    error = "cannot replace the file: " + ec.message();
    fs::remove(partial, ec);
    return false;
  }
  return true;
}

}  // namespace kv::xls
