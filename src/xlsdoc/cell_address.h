// Cell addresses of the spreadsheet component: 1-based rows and columns,
// A1-style texts ("D12", "AA3", "$B$2"), and rectangular areas.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv::xls {

// The grid of an .xlsx worksheet.
inline constexpr uint32_t kMaxRows = 1048576;
inline constexpr uint32_t kMaxColumns = 16384;

struct CellRef {
  uint32_t row = 1;     // 1..kMaxRows
  uint32_t column = 1;  // 1..kMaxColumns
  bool operator==(const CellRef&) const = default;
};

// A rectangle of cells, corners included; always first <= last.
struct CellArea {
  uint32_t first_row = 1;
  uint32_t first_column = 1;
  uint32_t last_row = 1;
  uint32_t last_column = 1;

  static CellArea Of(CellRef a, CellRef b);
  static CellArea Single(uint32_t row, uint32_t column) { return {row, column, row, column}; }
  static CellArea WholeSheet() { return {1, 1, kMaxRows, kMaxColumns}; }

  uint32_t rows() const { return last_row - first_row + 1; }
  uint32_t columns() const { return last_column - first_column + 1; }
  uint64_t cell_count() const { return uint64_t{rows()} * columns(); }
  bool is_single() const { return first_row == last_row && first_column == last_column; }
  bool is_whole_sheet() const { return first_row == 1 && first_column == 1 && last_row == kMaxRows && last_column == kMaxColumns; }
  bool Contains(uint32_t row, uint32_t column) const {
    return row >= first_row && row <= last_row && column >= first_column && column <= last_column;
  }
  bool Intersects(const CellArea& o) const {
    return first_row <= o.last_row && o.first_row <= last_row && first_column <= o.last_column &&
           o.first_column <= last_column;
  }
  bool operator==(const CellArea&) const = default;
};

// "A" for 1, "Z" for 26, "AA" for 27 ... ; empty outside 1..kMaxColumns.
std::string ColumnLetters(uint32_t column);

// "D12" -> row 12, column 4. Letters are taken in either case, "$" signs are
// ignored; nothing may follow the row number. Empty when the text is not a
// cell inside the grid.
std::optional<CellRef> ParseCellRef(std::string_view text);

// "D12:K12" or a single cell "D12".
std::optional<CellArea> ParseArea(std::string_view text);

std::string FormatCellRef(CellRef ref);
std::string FormatArea(const CellArea& area);  // "D12" for one cell, else "D12:K12"

}  // namespace kv::xls
