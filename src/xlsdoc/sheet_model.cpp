#include "xlsdoc/sheet_model.h"

#include <algorithm>
#include <cmath>

namespace kv::xls {
namespace {

const std::string kEmptyText;

bool IsContinuationByte(unsigned char c) { return (c & 0xC0) == 0x80; }

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// The length a text has once stored in .xlsx, where a control character or
// a literal "_xHHHH_" takes a seven-character escape; the text is cut where
// that length would pass kMaxCellTextChars.
std::string CutCellText(std::string_view utf8) {
  size_t stored = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (IsContinuationByte(c)) continue;
    size_t units = 1;
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) units = 7;
    if (c == '_' && i + 7 <= utf8.size() && utf8[i + 1] == 'x' && utf8[i + 6] == '_' && IsHex(utf8[i + 2]) &&
        IsHex(utf8[i + 3]) && IsHex(utf8[i + 4]) && IsHex(utf8[i + 5]))
      units = 7;
    if (c >= 0xF0) units = 2;  // outside the BMP: two UTF-16 units
    if (stored + units > kMaxCellTextChars) return std::string(utf8.substr(0, i));
    stored += units;
  }
  return std::string(utf8);
}

}  // namespace

double SnapColumnWidth(double width) {
  if (!(width > 0.0)) return 0.0;
  double pixels = width < 1.0 ? std::floor(width * 12.0 + 0.5) : std::floor(width * 7.0 + 0.5) + 5.0;
  double snapped = pixels >= 12.0 ? (pixels - 5.0) / 7.0 : pixels / 12.0;
  return std::round(snapped * 100.0) / 100.0;
}

std::string CutUtf8(std::string_view utf8, size_t max_chars) {
  size_t chars = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (IsContinuationByte(static_cast<unsigned char>(utf8[i]))) continue;
    if (chars == max_chars) return std::string(utf8.substr(0, i));
    ++chars;
  }
  return std::string(utf8);
}

size_t Utf8Length(std::string_view utf8) {
  size_t chars = 0;
  for (char c : utf8)
    if (!IsContinuationByte(static_cast<unsigned char>(c))) ++chars;
  return chars;
}

bool SheetRow::empty() const {
  if (!values.empty()) return false;
  if (!styles) return true;
  return std::all_of(styles->begin(), styles->end(), [](uint32_t s) { return s == kInheritStyle; });
}

const std::string& SheetModel::Value(uint32_t row, uint32_t column) const {
  const SheetRow* r = RowAt(row);
  if (r == nullptr) return kEmptyText;
  for (const auto& [c, text] : r->values)
    if (c == column) return text;
  return kEmptyText;
}

void SheetModel::SetValue(uint32_t row, uint32_t column, std::string_view utf8) {
  if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) return;
  if (utf8.empty() && RowAt(row) == nullptr) return;
  SheetRow& r = MutableRow(row);
  auto it = std::lower_bound(r.values.begin(), r.values.end(), column,
                             [](const auto& entry, uint32_t c) { return entry.first < c; });
  const bool present = it != r.values.end() && it->first == column;
  if (utf8.empty()) {
    if (present) r.values.erase(it);
    return;
  }
  std::string text = utf8.size() > kMaxCellTextChars ? CutCellText(utf8) : std::string(utf8);
  if (present)
    it->second = std::move(text);
  else
    r.values.emplace(it, column, std::move(text));
}

uint32_t SheetModel::StyleAt(uint32_t row, uint32_t column) const {
  const SheetRow* r = RowAt(row);
  if (r == nullptr || !r->styles || column < 1 || column > r->styles->size()) return default_style_;
  uint32_t id = (*r->styles)[column - 1];
  return id == kInheritStyle ? default_style_ : id;
}

void SheetModel::ChangeStyles(const CellArea& area, const std::function<uint32_t(uint32_t)>& change) {
  for (uint32_t row = area.first_row; row <= area.last_row; ++row) {
    std::vector<uint32_t>& styles = MutableStyles(MutableRow(row), area.last_column);
    for (uint32_t column = area.first_column; column <= area.last_column; ++column) {
      uint32_t& id = styles[column - 1];
      id = change(id == kInheritStyle ? default_style_ : id);
    }
  }
}

void SheetModel::ChangeAllStyles(const std::function<uint32_t(uint32_t)>& change) {
  default_style_ = change(default_style_);
  for (SheetRow& row : rows_) {
    if (!row.styles) continue;
    bool any = std::any_of(row.styles->begin(), row.styles->end(), [](uint32_t s) { return s != kInheritStyle; });
    if (!any) continue;
    std::vector<uint32_t>& styles = MutableStyles(row, 0);
    for (uint32_t& id : styles)
      if (id != kInheritStyle) id = change(id);
  }
}

void SheetModel::SetStyle(uint32_t row, uint32_t column, uint32_t style) {
  if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) return;
  MutableStyles(MutableRow(row), column)[column - 1] = style;
}

double SheetModel::ColumnWidth(uint32_t column) const {
  auto it = std::lower_bound(widths_.begin(), widths_.end(), column,
                             [](const auto& entry, uint32_t c) { return entry.first < c; });
  if (it != widths_.end() && it->first == column) return it->second;
  return default_width_;
}

void SheetModel::SetColumnWidths(uint32_t first, uint32_t last, double width) {
  width = SnapColumnWidth(width);
  if (first < 1) first = 1;
  if (last > kMaxColumns) last = kMaxColumns;
  if (first == 1 && last == kMaxColumns) {
    SetAllColumnWidths(width);
    return;
  }
  std::vector<std::pair<uint32_t, double>> kept;
  kept.reserve(widths_.size() + (last - first + 1));
  for (const auto& entry : widths_)
    if (entry.first < first || entry.first > last) kept.push_back(entry);
  if (width != default_width_)
    for (uint32_t c = first; c <= last; ++c) kept.emplace_back(c, width);
  std::sort(kept.begin(), kept.end());
  widths_ = std::move(kept);
}

void SheetModel::SetAllColumnWidths(double width) {
  default_width_ = SnapColumnWidth(width);
  widths_.clear();
}

void SheetModel::Merge(const CellArea& area) {
  Unmerge(area);
  if (area.is_single()) return;
  for (uint32_t row = area.first_row; row <= area.last_row && row <= stored_rows(); ++row) {
    SheetRow& r = rows_[row - 1];
    std::erase_if(r.values, [&](const auto& entry) {
      return entry.first >= area.first_column && entry.first <= area.last_column &&
             !(row == area.first_row && entry.first == area.first_column);
    });
  }
  merges_.push_back(area);
  approx_bytes_ = 0;
}

void SheetModel::Unmerge(const CellArea& area) {
  approx_bytes_ = 0;
  std::erase_if(merges_, [&](const CellArea& m) { return m.Intersects(area); });
}

const CellArea* SheetModel::MergeAt(uint32_t row, uint32_t column) const {
  for (const CellArea& m : merges_)
    if (m.Contains(row, column)) return &m;
  return nullptr;
}

bool SheetModel::InsertRows(uint32_t row, uint32_t count, StyleTable& styles) {
  if (row < 1 || row > kMaxRows || count == 0 || count > kMaxRows) return false;
  // What would be pushed past the last row of the grid must be empty.
  const uint32_t keep_until = kMaxRows - count;  // rows after this one leave the grid
  for (uint32_t r = std::max(row, keep_until + 1); r <= stored_rows(); ++r)
    if (!rows_[r - 1].empty()) return false;
  for (const CellArea& m : merges_)
    if (m.last_row >= row && m.last_row > keep_until) return false;

  approx_bytes_ = 0;
  if (row - 1 < rows_.size()) {
    SheetRow inserted;
    if (row > 1 && rows_[row - 2].styles) {
      const auto& above = rows_[row - 2].styles;
      auto derived = std::make_shared<std::vector<uint32_t>>(*above);
      bool same = true;
      for (uint32_t& id : *derived) {
        uint32_t without_top = styles.WithoutTopEdge(id);
        same = same && without_top == id;
        id = without_top;
      }
      inserted.styles = same ? above : derived;
    }
    rows_.insert(rows_.begin() + (row - 1), count, inserted);
    if (rows_.size() > kMaxRows) rows_.resize(kMaxRows);
  } else if (row - 1 == rows_.size() && row > 1 && rows_[row - 2].styles) {
    // Inserting just below the last stored row still copies its formats.
    SheetRow inserted;
    auto derived = std::make_shared<std::vector<uint32_t>>(*rows_[row - 2].styles);
    for (uint32_t& id : *derived) id = styles.WithoutTopEdge(id);
    inserted.styles = derived;
    rows_.insert(rows_.end(), count, inserted);
  }
  for (CellArea& m : merges_) {
    if (m.first_row >= row) {
      m.first_row += count;
      m.last_row += count;
    } else if (m.last_row >= row) {
      m.last_row += count;
    }
  }
  return true;
}

const SheetRow* SheetModel::RowAt(uint32_t row) const {
  if (row < 1 || row > rows_.size()) return nullptr;
  return &rows_[row - 1];
}

size_t SheetModel::ApproxBytes() const {
  if (approx_bytes_ != 0) return approx_bytes_;
  size_t bytes = sizeof(SheetModel) + rows_.capacity() * sizeof(SheetRow) + merges_.capacity() * sizeof(CellArea) +
                 widths_.capacity() * sizeof(widths_[0]);
  for (const SheetRow& r : rows_) {
    bytes += r.values.capacity() * sizeof(r.values[0]);
    for (const auto& entry : r.values)
      if (entry.second.size() > 15) bytes += entry.second.capacity() + 1;
    if (r.styles) bytes += r.styles->capacity() * sizeof(uint32_t) / static_cast<size_t>(r.styles.use_count());
  }
  approx_bytes_ = bytes;
  return bytes;
}

SheetRow& SheetModel::MutableRow(uint32_t row) {
  approx_bytes_ = 0;
  if (rows_.size() < row) rows_.resize(row);
  return rows_[row - 1];
}

std::vector<uint32_t>& SheetModel::MutableStyles(SheetRow& row, uint32_t columns) {
  approx_bytes_ = 0;
  if (!row.styles) {
    row.styles = std::make_shared<std::vector<uint32_t>>();
  } else if (row.styles.use_count() > 1) {
    row.styles = std::make_shared<std::vector<uint32_t>>(*row.styles);
  }
  if (row.styles->size() < columns) row.styles->resize(columns, kInheritStyle);
  return *row.styles;
}

size_t WrappedLineCount(std::string_view utf8, double width) {
  const double room = width > 1.0 ? width - 1.0 : 1.0;  // the cell's padding
  size_t lines = 0;
  size_t start = 0;
  for (;;) {
    size_t end = utf8.find('\n', start);
    if (end == std::string_view::npos) end = utf8.size();
    double units = 0;
    for (size_t i = start; i < end; ++i) {
      const unsigned char c = static_cast<unsigned char>(utf8[i]);
      if (c < 0x80) units += 1;
      else if ((c & 0xC0) != 0x80) units += 2;
    }
    lines += units <= room ? 1 : static_cast<size_t>((units + room - 1) / room);
    if (end >= utf8.size()) break;
    start = end + 1;
  }
  return lines;
}

}  // namespace kv::xls
