#include "xlsdoc/sheet_model.h"

#include <gtest/gtest.h>

namespace kv::xls {
namespace {

class SheetModelTest : public ::testing::Test {
 protected:
  uint32_t Framed(uint32_t fill, BorderLine top) {
    Style s;
    s.fill = fill;
    s.edges = {BorderLine::kThin, top, BorderLine::kThin, BorderLine::kThin};
    return styles_.Intern(s);
  }

  StyleTable styles_;
  SheetModel sheet_{"S"};
};

TEST_F(SheetModelTest, InsertedRowMovesTextsFormatsAndMergesBelow) {
  const uint32_t caption = Framed(0xCCFFFF, BorderLine::kThin);
  const uint32_t data = Framed(0xFFFFFF, BorderLine::kMedium);
  sheet_.ChangeStyles(CellArea{11, 1, 13, 3}, [&](uint32_t) { return caption; });
  sheet_.ChangeStyles(CellArea{12, 4, 12, 11}, [&](uint32_t) { return data; });
  sheet_.Merge(CellArea{11, 1, 13, 3});   // spans the insertion row: grows
  sheet_.Merge(CellArea{12, 4, 12, 11});  // above it: stays
  sheet_.Merge(CellArea{14, 1, 16, 3});   // below: moves
  sheet_.SetValue(11, 1, "caption");
  sheet_.SetValue(14, 1, "next");
  sheet_.SetValue(12, 4, "first");

  ASSERT_TRUE(sheet_.InsertRows(13, 2, styles_));

  EXPECT_EQ(sheet_.merges(), (std::vector<CellArea>{{11, 1, 15, 3}, {12, 4, 12, 11}, {16, 1, 18, 3}}));
  EXPECT_EQ(sheet_.Value(16, 1), "next");
  EXPECT_EQ(sheet_.Value(14, 1), "");
  EXPECT_EQ(sheet_.Value(12, 4), "first");
  // The new rows take row 12's formats, without its top edge.
  Style expected = styles_.Get(data);
  expected.edges[kEdgeTop] = BorderLine::kNone;
  for (uint32_t r : {13u, 14u}) {
    EXPECT_EQ(styles_.Get(sheet_.StyleAt(r, 4)), expected) << r;
    EXPECT_EQ(styles_.Get(sheet_.StyleAt(r, 1)).fill, 0xCCFFFFu) << r;
  }
  // Row 15 is the old row 13.
  EXPECT_EQ(styles_.Get(sheet_.StyleAt(15, 1)).edges[kEdgeTop], BorderLine::kThin);
  EXPECT_EQ(sheet_.StyleAt(15, 4), sheet_.default_style());
}

TEST_F(SheetModelTest, InsertRefusesToPushContentOffTheGrid) {
  sheet_.SetValue(kMaxRows, 1, "last");
  EXPECT_FALSE(sheet_.InsertRows(5, 1, styles_));
  EXPECT_EQ(sheet_.Value(kMaxRows, 1), "last");
  sheet_.SetValue(kMaxRows, 1, "");
  EXPECT_TRUE(sheet_.InsertRows(5, 1, styles_));
  EXPECT_LE(sheet_.stored_rows(), kMaxRows);
}

TEST_F(SheetModelTest, MergeKeepsTheTopLeftTextAndReplacesOverlaps) {
  sheet_.SetValue(1, 1, "keep");
  sheet_.SetValue(2, 2, "lost");
  sheet_.Merge(CellArea{1, 1, 2, 2});
  EXPECT_EQ(sheet_.Value(1, 1), "keep");
  EXPECT_EQ(sheet_.Value(2, 2), "");
  sheet_.Merge(CellArea{2, 2, 3, 3});
  EXPECT_EQ(sheet_.merges(), (std::vector<CellArea>{{2, 2, 3, 3}}));
  sheet_.Merge(CellArea::Single(7, 7));  // a single cell is not merged
  sheet_.Unmerge(CellArea{3, 3, 3, 3});
  EXPECT_TRUE(sheet_.merges().empty());
}

TEST_F(SheetModelTest, CopiesShareFormatsUntilOneChanges) {
  const uint32_t white = Framed(0xFFFFFF, BorderLine::kNone);
  sheet_.ChangeStyles(CellArea{1, 1, 40, 23}, [&](uint32_t) { return white; });
  SheetModel copy = sheet_;
  copy.SetStyle(3, 3, kPlainStyle);
  EXPECT_EQ(copy.StyleAt(3, 3), kPlainStyle);
  EXPECT_EQ(sheet_.StyleAt(3, 3), white);
  EXPECT_EQ(copy.StyleAt(4, 3), white);
}

TEST_F(SheetModelTest, WholeSheetFormatReachesUnusedCells) {
  sheet_.SetStyle(2, 2, Framed(kNoFill, BorderLine::kThin));
  sheet_.ChangeAllStyles([&](uint32_t id) {
    Style s = styles_.Get(id);
    s.fill = 0xFFFFFF;
    return styles_.Intern(s);
  });
  EXPECT_EQ(styles_.Get(sheet_.StyleAt(500, 500)).fill, 0xFFFFFFu);
  EXPECT_EQ(styles_.Get(sheet_.StyleAt(2, 2)).fill, 0xFFFFFFu);
  EXPECT_EQ(styles_.Get(sheet_.StyleAt(2, 2)).edges[kEdgeTop], BorderLine::kThin);
}

TEST_F(SheetModelTest, LongTextsAreCutAtWholeCharacters) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "\xE3\x81\x82";  // あ
  sheet_.SetValue(1, 1, text + text);
  EXPECT_EQ(Utf8Length(sheet_.Value(1, 1)), kMaxCellTextChars);
  // Control characters count as their stored escapes.
  sheet_.SetValue(2, 1, std::string(40000, '\x01'));
  EXPECT_EQ(sheet_.Value(2, 1).size(), kMaxCellTextChars / 7);
  EXPECT_EQ(CutUtf8("ab\xE3\x81\x82" "c", 3), "ab\xE3\x81\x82");
}

TEST_F(SheetModelTest, ColumnWidths) {
  sheet_.SetAllColumnWidths(4.0);
  sheet_.SetColumnWidths(2, 3, 10.0);
  EXPECT_EQ(sheet_.ColumnWidth(1), 4.0);
  EXPECT_EQ(sheet_.ColumnWidth(3), 10.0);
  EXPECT_EQ(sheet_.column_widths().size(), 2u);
  sheet_.SetColumnWidths(4, 4, 12.5);
  EXPECT_EQ(sheet_.ColumnWidth(4), 12.57);  // whole pixels, as the file keeps it
  EXPECT_EQ(SnapColumnWidth(8.43), 8.43);
  EXPECT_EQ(SnapColumnWidth(0.5), 0.5);
  sheet_.SetColumnWidths(1, kMaxColumns, 5.0);
  EXPECT_TRUE(sheet_.column_widths().empty());
  EXPECT_EQ(sheet_.ColumnWidth(3), 5.0);
}

TEST(WrappedLineCountTest, LinesBreaksAndLongLines) {
  EXPECT_EQ(WrappedLineCount("", 10.0), 1u);
  EXPECT_EQ(WrappedLineCount("a\nb\n\nc", 10.0), 4u);
  EXPECT_EQ(WrappedLineCount(std::string(9, 'x'), 10.0), 1u);   // a character of padding
  EXPECT_EQ(WrappedLineCount(std::string(10, 'x'), 10.0), 2u);
  EXPECT_EQ(WrappedLineCount(std::string(27, 'x'), 10.0), 3u);
  // Characters outside ASCII are two wide: 5 of them fill 9 columns and more.
  EXPECT_EQ(WrappedLineCount("\xE3\x81\x82\xE3\x81\x82\xE3\x81\x82\xE3\x81\x82", 10.0), 1u);
  EXPECT_EQ(WrappedLineCount("\xE3\x81\x82\xE3\x81\x82\xE3\x81\x82\xE3\x81\x82\xE3\x81\x82", 10.0), 2u);
}

}  // namespace
}  // namespace kv::xls
