#include "xlsdoc/cell_address.h"

#include <algorithm>

namespace kv::xls {

CellArea CellArea::Of(CellRef a, CellRef b) {
  return {std::min(a.row, b.row), std::min(a.column, b.column), std::max(a.row, b.row), std::max(a.column, b.column)};
}

std::string ColumnLetters(uint32_t column) {
  std::string out;
  if (column < 1 || column > kMaxColumns) return out;
  while (column > 0) {
    uint32_t digit = (column - 1) % 26;
    out.insert(out.begin(), static_cast<char>('A' + digit));
    column = (column - 1) / 26;
  }
  return out;
}

std::optional<CellRef> ParseCellRef(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && text[i] == '$') ++i;
  uint64_t column = 0;
  size_t letters = 0;
  for (; i < text.size(); ++i, ++letters) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c < 'A' || c > 'Z') break;
    if (letters == 3) return std::nullopt;
    column = column * 26 + static_cast<uint64_t>(c - 'A' + 1);
  }
  if (letters == 0 || column > kMaxColumns) return std::nullopt;
  if (i < text.size() && text[i] == '$') ++i;
  uint64_t row = 0;
  size_t digits = 0;
  for (; i < text.size(); ++i, ++digits) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    if (digits == 7) return std::nullopt;
    row = row * 10 + static_cast<uint64_t>(c - '0');
  }
  if (digits == 0 || row < 1 || row > kMaxRows) return std::nullopt;
  return CellRef{static_cast<uint32_t>(row), static_cast<uint32_t>(column)};
}

std::optional<CellArea> ParseArea(std::string_view text) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    auto ref = ParseCellRef(text);
    if (!ref) return std::nullopt;
    return CellArea::Of(*ref, *ref);
  }
  auto a = ParseCellRef(text.substr(0, colon));
  auto b = ParseCellRef(text.substr(colon + 1));
  if (!a || !b) return std::nullopt;
  return CellArea::Of(*a, *b);
}

std::string FormatCellRef(CellRef ref) { return ColumnLetters(ref.column) + std::to_string(ref.row); }

std::string FormatArea(const CellArea& area) {
  std::string out = FormatCellRef({area.first_row, area.first_column});
  if (area.is_single()) return out;
  return out + ":" + FormatCellRef({area.last_row, area.last_column});
}

}  // namespace kv::xls
