#include "xlsdoc/cell_address.h"

#include <gtest/gtest.h>

namespace kv::xls {
namespace {

TEST(CellAddressTest, ColumnLetters) {
  EXPECT_EQ(ColumnLetters(1), "A");
  EXPECT_EQ(ColumnLetters(23), "W");
  EXPECT_EQ(ColumnLetters(26), "Z");
  EXPECT_EQ(ColumnLetters(27), "AA");
  EXPECT_EQ(ColumnLetters(702), "ZZ");
  EXPECT_EQ(ColumnLetters(703), "AAA");
  EXPECT_EQ(ColumnLetters(kMaxColumns), "XFD");
  EXPECT_EQ(ColumnLetters(0), "");
  EXPECT_EQ(ColumnLetters(kMaxColumns + 1), "");
}

TEST(CellAddressTest, ParsesCellsInsideTheGrid) {
  EXPECT_EQ(ParseCellRef("D12"), (CellRef{12, 4}));
  EXPECT_EQ(ParseCellRef("w40"), (CellRef{40, 23}));
  EXPECT_EQ(ParseCellRef("$AA$3"), (CellRef{3, 27}));
  EXPECT_EQ(ParseCellRef("XFD1048576"), (CellRef{kMaxRows, kMaxColumns}));
  for (const char* bad : {"", "D", "12", "D0", "XFE1", "A1048577", "A1B", "D12 ", "AAAA1", "A99999999999"})
    EXPECT_FALSE(ParseCellRef(bad)) << bad;
}

TEST(CellAddressTest, AreasAreNormalised) {
  EXPECT_EQ(ParseArea("D12:K12"), (CellArea{12, 4, 12, 11}));
  EXPECT_EQ(ParseArea("K13:D12"), (CellArea{12, 4, 13, 11}));
  EXPECT_EQ(ParseArea("C5"), (CellArea{5, 3, 5, 3}));
  EXPECT_FALSE(ParseArea("C5:"));
  EXPECT_EQ(FormatArea(CellArea{30, 1, 40, 3}), "A30:C40");
  EXPECT_EQ(FormatArea(CellArea::Single(5, 3)), "C5");
  EXPECT_TRUE(CellArea::WholeSheet().is_whole_sheet());
  EXPECT_TRUE((CellArea{1, 1, 3, 3}).Intersects(CellArea{3, 3, 5, 5}));
  EXPECT_FALSE((CellArea{1, 1, 3, 3}).Intersects(CellArea{4, 1, 5, 5}));
}

}  // namespace
}  // namespace kv::xls
