// One worksheet of the spreadsheet component, in memory: cell texts, cell
// formats, merged areas, column widths, name and zoom.
//
// Rows are stored densely from row 1 to the last row that holds anything;
// each row keeps its texts (usually a few) and a vector of format ids per
// column. Format vectors are shared between rows and between copies of a
// sheet and copied when one of them changes, so that a copied sheet (the
// document run copies one template sheet per function) costs little more
// than what is written into it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xlsdoc/cell_address.h"
#include "xlsdoc/cell_style.h"

namespace kv::xls {

// The column width a sheet has before anything sets one (the spreadsheet's
// standard width, in characters).
inline constexpr double kStandardColumnWidth = 8.43;
// Longest cell text, in characters as .xlsx stores them (a control character
// counts as its seven-character escape); longer texts are cut.
inline constexpr size_t kMaxCellTextChars = 32767;

struct SheetRow {
  // Format id per column (index column - 1); kInheritStyle, and every column
  // past the end, take the sheet's default format. May be null.
  std::shared_ptr<std::vector<uint32_t>> styles;
  // (column, UTF-8 text), sorted by column; never an empty text.
  std::vector<std::pair<uint32_t, std::string>> values;

  bool empty() const;
};

class SheetModel {
 public:
  explicit SheetModel(std::string name = {}) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }  // UTF-8
  void set_name(std::string name) { name_ = std::move(name); }
  int zoom() const { return zoom_; }
  void set_zoom(int zoom) { zoom_ = zoom; }

  // Cell texts (UTF-8). An empty text clears the cell's value.
  const std::string& Value(uint32_t row, uint32_t column) const;
  void SetValue(uint32_t row, uint32_t column, std::string_view utf8);

  // The format that applies to a cell: its own, or the sheet's default.
  uint32_t StyleAt(uint32_t row, uint32_t column) const;
  uint32_t default_style() const { return default_style_; }
  // Replaces the format of every cell of `area` by change(format); the
  // area must be bounded (callers refuse whole rows, columns or sheets).
  void ChangeStyles(const CellArea& area, const std::function<uint32_t(uint32_t)>& change);
  // The same for every cell of the sheet, the cells not yet used included.
  void ChangeAllStyles(const std::function<uint32_t(uint32_t)>& change);
  // Sets a cell's own format directly (the reader).
  void SetStyle(uint32_t row, uint32_t column, uint32_t style);
  void set_default_style(uint32_t style) { default_style_ = style; }

  // Column widths in characters.
  double ColumnWidth(uint32_t column) const;
  double default_column_width() const { return default_width_; }
  void SetColumnWidths(uint32_t first, uint32_t last, double width);
  void SetAllColumnWidths(double width);
  // (column, width) for columns whose width differs from the default, sorted.
  const std::vector<std::pair<uint32_t, double>>& column_widths() const { return widths_; }

  // Merged areas, in the order they were made. Merging removes the merged
  // areas the new one overlaps and clears every text of the area but the
  // top-left one; a single cell is never merged. Unmerging removes every
  // merged area that intersects `area`.
  const std::vector<CellArea>& merges() const { return merges_; }
  void Merge(const CellArea& area);
  void Unmerge(const CellArea& area);
  // Adds a merged area as a saved file lists it, leaving texts alone.
  void RestoreMerge(const CellArea& area) {
    merges_.push_back(area);
    approx_bytes_ = 0;
  }
  // The merged area holding a cell, or null.
  const CellArea* MergeAt(uint32_t row, uint32_t column) const;

  // Inserts `count` whole rows before `row`: texts, formats and merged areas
  // from `row` on move down; a merged area that starts above `row` and
  // reaches it grows. The new rows take the formats of the row above them,
  // except its top edges (a frame's top line stays on the row that starts
  // the frame). False, with nothing changed, when something would be pushed
  // off the grid.
  bool InsertRows(uint32_t row, uint32_t count, StyleTable& styles);

  // Rows 1..stored_rows() may hold something; later rows are empty.
  uint32_t stored_rows() const { return static_cast<uint32_t>(rows_.size()); }
  const SheetRow* RowAt(uint32_t row) const;

  // Rough memory use (for the component's cache budget); remembered until
  // the sheet changes.
  size_t ApproxBytes() const;

 private:
  SheetRow& MutableRow(uint32_t row);
  std::vector<uint32_t>& MutableStyles(SheetRow& row, uint32_t columns);

  std::string name_;
  int zoom_ = 100;
  uint32_t default_style_ = kPlainStyle;
  double default_width_ = kStandardColumnWidth;
  std::vector<std::pair<uint32_t, double>> widths_;
  std::vector<SheetRow> rows_;
  std::vector<CellArea> merges_;
  mutable size_t approx_bytes_ = 0;  // 0: not known
};

// A column width as the sheet keeps it: whole pixels of the default font
// (7 pixels a character plus 5 of padding; below one character, 12 pixels a
// character), to 1/100 character. 4.0 stays 4.0; 12.5 becomes 12.57.
double SnapColumnWidth(double width);

// The lines a wrapped text takes in an area `width` characters wide: each
// of its lines at least one, a line longer than the width more (a character
// outside ASCII counts two).
size_t WrappedLineCount(std::string_view utf8, double width);

// The first `max_chars` characters of a UTF-8 text (whole characters).
std::string CutUtf8(std::string_view utf8, size_t max_chars);
size_t Utf8Length(std::string_view utf8);

}  // namespace kv::xls
