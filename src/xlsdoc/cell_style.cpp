#include "xlsdoc/cell_style.h"

#include <functional>

namespace kv::xls {
namespace {

constexpr std::array<std::string_view, kBorderLineCount> kLineNames = {
    "",       "thin",          "medium",     "dashed",           "dotted",      "thick",        "double",
    "hair",   "mediumDashed",  "dashDot",    "mediumDashDot",    "dashDotDot",  "mediumDashDotDot",
    "slantDashDot"};

constexpr std::array<uint32_t, 56> kPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,  //  1- 8
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,  //  9-16
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,  // 17-24
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,  // 25-32
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,  // 33-40
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,  // 41-48
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,  // 49-56
};

}  // namespace

std::string_view BorderLineName(BorderLine line) {
  size_t i = static_cast<size_t>(line);
  return i < kLineNames.size() ? kLineNames[i] : std::string_view();
}

BorderLine BorderLineFromName(std::string_view name) {
  for (size_t i = 1; i < kLineNames.size(); ++i)
    if (kLineNames[i] == name) return static_cast<BorderLine>(i);
  return BorderLine::kNone;
}

std::optional<BorderLine> BorderLineFromLineStyle(int line_style) {
  switch (line_style) {
    case 1: return BorderLine::kThin;
    case 7: return BorderLine::kMedium;
    case -4115: return BorderLine::kDashed;
    case -4118: return BorderLine::kDotted;
    case -4119: return BorderLine::kDouble;
    case 4: return BorderLine::kDashDot;
    case 5: return BorderLine::kDashDotDot;
    case 13: return BorderLine::kSlantDashDot;
    case -4142: return BorderLine::kNone;
    default: return std::nullopt;
  }
}

int EdgeFromBordersIndex(int index) {
  switch (index) {
    case 7: return kEdgeLeft;
    case 8: return kEdgeTop;
    case 9: return kEdgeBottom;
    case 10: return kEdgeRight;
    default: return -1;
  }
}

std::optional<uint32_t> PaletteColour(int colour_index) {
  if (colour_index < 1 || colour_index > static_cast<int>(kPalette.size())) return std::nullopt;
  return kPalette[static_cast<size_t>(colour_index - 1)];
}

size_t StyleHash::operator()(const Style& s) const {
  size_t h = std::hash<uint32_t>()(s.fill);
  h = h * 31 + std::hash<uint32_t>()(s.font_size_centi);
  h = h * 31 + (s.bold ? 1 : 0);
  h = h * 31 + (s.wrap ? 1 : 0) + (s.top ? 2 : 0);
  for (BorderLine e : s.edges) h = h * 17 + static_cast<size_t>(e);
  return h;
}

StyleTable::StyleTable() {
  styles_.push_back(Style{});  // kInheritStyle: never handed out by Intern
  without_top_.push_back(kInheritStyle);
  Intern(Style{});  // kPlainStyle
}

uint32_t StyleTable::Intern(const Style& style) {
  auto it = ids_.find(style);
  if (it != ids_.end()) return it->second;
  uint32_t id = static_cast<uint32_t>(styles_.size());
  styles_.push_back(style);
  ids_.emplace(style, id);
  without_top_.push_back(UINT32_MAX);
  return id;
}

uint32_t StyleTable::WithoutTopEdge(uint32_t id) {
  if (id == kInheritStyle || id >= styles_.size()) return id;
  if (without_top_[id] != UINT32_MAX) return without_top_[id];
  Style s = styles_[id];
  s.edges[kEdgeTop] = BorderLine::kNone;
  uint32_t result = Intern(s);
  without_top_[id] = result;
  return result;
}

}  // namespace kv::xls
