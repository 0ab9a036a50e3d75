// Cell formats of the spreadsheet component: fill colour, font weight and
// size, and the line of each of the four edges. Formats are interned in a
// StyleTable; cells carry only the small id.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kv::xls {

// Edge lines, in the order of the .xlsx border styles ("thin", "medium"...).
enum class BorderLine : uint8_t {
  kNone,
  kThin,
  kMedium,
  kDashed,
  kDotted,
  kThick,
  kDouble,
  kHair,
  kMediumDashed,
  kDashDot,
  kMediumDashDot,
  kDashDotDot,
  kMediumDashDotDot,
  kSlantDashDot,
};
inline constexpr int kBorderLineCount = 14;

// The .xlsx name of a line ("" for kNone) and back (kNone for an unknown name).
std::string_view BorderLineName(BorderLine line);
BorderLine BorderLineFromName(std::string_view name);

// The automation interface's LineStyle values: 1 continuous (a thin line),
// -4115 dash, -4118 dot, -4119 double, 4 dash-dot, 5 dash-dot-dot,
// 13 slanted dash-dot, -4142 none, and 7, which the document template uses for
// its outline frames and which this component draws as a medium line so that
// a frame stands out from the thin lines of the areas inside it. Empty for
// any other value.
std::optional<BorderLine> BorderLineFromLineStyle(int line_style);

// The four edges in the order of the Borders collection's indices 7..10.
enum Edge : int { kEdgeLeft = 0, kEdgeTop = 1, kEdgeBottom = 2, kEdgeRight = 3 };
inline constexpr int kEdgeCount = 4;
// Borders.Item index (7 left, 8 top, 9 bottom, 10 right) -> edge; -1 otherwise.
int EdgeFromBordersIndex(int index);

// The spreadsheet's default 56-colour palette: ColorIndex 1..56 -> 0xRRGGBB
// (34 is CCFFFF, 2 is FFFFFF). Empty outside 1..56.
std::optional<uint32_t> PaletteColour(int colour_index);

// ColorIndex values that mean "no fill".
inline constexpr int kColorIndexNone = -4142;
inline constexpr int kColorIndexAutomatic = -4105;

inline constexpr uint32_t kNoFill = 0xFFFFFFFFu;
inline constexpr uint32_t kDefaultFontSizeCenti = 1100;  // 11 pt

// VerticalAlignment values of the automation interface.
inline constexpr int kAlignTop = -4160;
inline constexpr int kAlignBottom = -4107;  // the spreadsheet's default

struct Style {
  uint32_t fill = kNoFill;                    // 0xRRGGBB or kNoFill
  bool bold = false;
  bool wrap = false;  // the text breaks into lines (at its line feeds and where the cell ends)
  bool top = false;   // aligned to the top of the cell (else the bottom)
  uint32_t font_size_centi = kDefaultFontSizeCenti;  // points × 100
  std::array<BorderLine, kEdgeCount> edges{};  // left, top, bottom, right

  bool operator==(const Style&) const = default;
};

struct StyleHash {
  size_t operator()(const Style& s) const;
};

// Interned formats. Id 0 is reserved: in a row it means "the sheet's
// default format"; Get(0) gives the plain format. Intern never returns 0;
// the plain format Style{} is id kPlainStyle.
inline constexpr uint32_t kInheritStyle = 0;
inline constexpr uint32_t kPlainStyle = 1;

class StyleTable {
 public:
  StyleTable();

  uint32_t Intern(const Style& style);
  const Style& Get(uint32_t id) const { return styles_[id < styles_.size() ? id : 0]; }
  size_t size() const { return styles_.size(); }

  // The same format without its top edge (what a row inserted below a row
  // of this format takes; see SheetModel::InsertRows).
  uint32_t WithoutTopEdge(uint32_t id);

 private:
  std::vector<Style> styles_;
  std::unordered_map<Style, uint32_t, StyleHash> ids_;
  std::vector<uint32_t> without_top_;  // cache; UINT32_MAX = not yet known
};

}  // namespace kv::xls
