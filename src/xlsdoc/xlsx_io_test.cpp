// Saving a workbook model as .xlsx and reading it back.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_folder.h"
#include "xlsdoc/workbook_dump.h"
#include "xlsdoc/workbook_model.h"

namespace kv::xls {
namespace {

using testing::ScratchFolder;

class XlsxIoTest : public ::testing::Test {
 protected:
  uint32_t Intern(uint32_t fill, bool bold, uint32_t size_centi, std::array<BorderLine, 4> edges) {
    Style s;
    s.fill = fill;
    s.bold = bold;
    s.font_size_centi = size_centi;
    s.edges = edges;
    return styles_.Intern(s);
  }

  WorkbookModel Sample() {
    WorkbookModel book;
    auto cover = std::make_shared<SheetModel>("Sheet1");
    uint32_t white = Intern(0xFFFFFF, false, 1100, {});
    cover->set_default_style(white);
    cover->SetAllColumnWidths(4.0);
    cover->SetColumnWidths(3, 4, 12.5);
    cover->SetColumnWidths(10, 10, 0.5);
    uint32_t caption = Intern(0xCCFFFF, true, 900,
                              {BorderLine::kThin, BorderLine::kMedium, BorderLine::kThin, BorderLine::kDashDot});
    cover->ChangeStyles(CellArea{7, 1, 8, 3}, [&](uint32_t) { return caption; });
    cover->Merge(CellArea{7, 1, 8, 3});
    cover->SetValue(7, 1, "\xE3\x83\x89\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xB3");  // ドメイン
    cover->SetValue(1, 22, " ");                                               // one blank
    cover->SetValue(2, 2, "  lead and trail  ");
    cover->SetValue(3, 2, "ctl\x01\x1F tab\there_x0041_ & <b>");
    cover->SetStyle(4, 5, Intern(0x000000, false, 1600, {}));  // black, no text
    cover->SetValue(4, 5, "");
    cover->SetStyle(5, 5, Intern(kNoFill, false, 1100, {}));   // plain on white sheet
    // A text in lines, wrapped from the top of its area.
    Style wrapped;
    wrapped.wrap = true;
    wrapped.top = true;
    cover->SetStyle(9, 4, styles_.Intern(wrapped));
    cover->SetValue(9, 4, "one\ntwo\nthree");
    cover->Merge(CellArea{9, 4, 9, 20});
    cover->set_zoom(85);
    auto second = std::make_shared<SheetModel>("main_c_function_name_26ch(12)");
    second->SetValue(100, 26, "far");
    book.sheets = {cover, second};
    book.active = 1;
    return book;
  }

  ScratchFolder scratch_;
  StyleTable styles_;
};

TEST_F(XlsxIoTest, RoundTripKeepsEverything) {
  WorkbookModel book = Sample();
  std::string error;
  ASSERT_TRUE(WriteXlsx("a.xlsx", book, styles_, error)) << error;
  EXPECT_FALSE(std::filesystem::exists("a.xlsx.part"));

  StyleTable other_table;
  WorkbookModel read;
  ASSERT_TRUE(ReadXlsx("a.xlsx", other_table, read, error)) << error;
  EXPECT_EQ(DumpWorkbook(read, other_table), DumpWorkbook(book, styles_));
  EXPECT_EQ(read.sheets[0]->Value(3, 2), "ctl\x01\x1F tab\there_x0041_ & <b>");
  EXPECT_EQ(read.sheets[0]->Value(1, 22), " ");
  EXPECT_EQ(read.sheets[0]->ColumnWidth(10), 0.5);
  const Style& wrapped = other_table.Get(read.sheets[0]->StyleAt(9, 4));
  EXPECT_TRUE(wrapped.wrap);
  EXPECT_TRUE(wrapped.top);
  EXPECT_EQ(read.sheets[0]->Value(9, 4), "one\ntwo\nthree");
  EXPECT_EQ(read.active, 1u);

  // Save, open, save: the second file reads back the same.
  ASSERT_TRUE(WriteXlsx("b.xlsx", read, other_table, error)) << error;
  WorkbookModel again;
  ASSERT_TRUE(ReadXlsx("b.xlsx", other_table, again, error)) << error;
  EXPECT_EQ(DumpWorkbook(again, other_table), DumpWorkbook(book, styles_));
}

TEST_F(XlsxIoTest, FillsAreWrittenAsRgb) {
  WorkbookModel book = Sample();
  std::string error;
  ASSERT_TRUE(WriteXlsx("a.xlsx", book, styles_, error)) << error;
  ASSERT_EQ(std::system("unzip -p a.xlsx xl/styles.xml > styles.xml"), 0);
  std::string xml = testing::ReadFile("styles.xml");
  EXPECT_NE(xml.find("<fgColor rgb=\"FFCCFFFF\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<fgColor rgb=\"FF000000\"/>"), std::string::npos);
  EXPECT_EQ(xml.find("indexed=\"34\""), std::string::npos);
}

TEST_F(XlsxIoTest, BadInputFailsCleanly) {
  StyleTable table;
  WorkbookModel read;
  std::string error;
  EXPECT_FALSE(ReadXlsx("missing.xlsx", table, read, error));
  testing::WriteFile("junk.xlsx", std::string(5000, '\x50'));
  EXPECT_FALSE(ReadXlsx("junk.xlsx", table, read, error));
  testing::WriteFile("empty.xlsx", "");
  EXPECT_FALSE(ReadXlsx("empty.xlsx", table, read, error));

  WorkbookModel book = Sample();
  book.sheets[1]->set_name("bad:name");
  EXPECT_FALSE(WriteXlsx("c.xlsx", book, styles_, error));
  EXPECT_FALSE(std::filesystem::exists("c.xlsx"));
  EXPECT_FALSE(std::filesystem::exists("c.xlsx.part"));
  EXPECT_FALSE(WriteXlsx("no/such/folder/d.xlsx", Sample(), styles_, error));
}

TEST(CellTextEscapeTest, EscapesRoundTrip) {
  for (std::string text : std::vector<std::string>{"plain", "_x0041_", "__x0041__", "a\rb", std::string("nul\0in", 6), "_x12_", "\x7F"}) {
    EXPECT_EQ(UnescapeCellText(EscapeCellText(text)), text);
  }
  EXPECT_EQ(EscapeCellText("a\x01"), "a_x0001_");
  EXPECT_EQ(EscapeCellText("_x0041_"), "_x005F_x0041_");
}

TEST(ColumnWidthTest, StoredWidthsComeBack) {
  EXPECT_EQ(ColumnWidthFromStored(4.7109375), 4.0);
  EXPECT_EQ(ColumnWidthFromStored(9.140625), 8.43);
  EXPECT_EQ(ColumnWidthFromStored(0.85546875), 0.5);
  EXPECT_EQ(ColumnWidthFromStored(1.7109375), 1.0);
}

}  // namespace
}  // namespace kv::xls
