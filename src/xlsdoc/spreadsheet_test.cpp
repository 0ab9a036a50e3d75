// The component's object model: what the document code relies on.
#include "xlsdoc/spreadsheet.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/encoding.h"
#include "support/test_folder.h"
#include "xlsdoc/workbook_dump.h"
#include "xlsdoc/workbook_model.h"

namespace kv::xls {
namespace {

using testing::ScratchFolder;

std::string Dump(const std::string& path) {
  StyleTable styles;
  WorkbookModel book;
  std::string error;
  if (!ReadXlsx(path, styles, book, error)) return "unreadable: " + error;
  return DumpWorkbook(book, styles);
}

WorkbookModel Read(const std::string& path, StyleTable& styles) {
  WorkbookModel book;
  std::string error;
  EXPECT_TRUE(ReadXlsx(path, styles, book, error)) << error;
  return book;
}

class SpreadsheetTest : public ::testing::Test {
 protected:
  ScratchFolder scratch_;
};

TEST_F(SpreadsheetTest, CopiedSheetsAreNamedAndActivated) {
  Application app;
  Workbook book = app.Workbooks().Add(kSingleWorksheetTemplate);
  for (int i = 0; i < 2; ++i) {
    int n = app.Worksheets().Count();
    app.Worksheets().Item(1).Copy(app.Worksheets().Item(n));
  }
  ASSERT_EQ(app.Worksheets().Count(), 3);
  EXPECT_EQ(app.Worksheets().Item(1).Name(), "Sheet1");
  EXPECT_EQ(app.Worksheets().Item(2).Name(), "Sheet1 (2)");
  EXPECT_EQ(app.Worksheets().Item(3).Name(), "Sheet1 (3)");
  EXPECT_EQ(app.ActiveSheet().Name(), "Sheet1 (3)");
  app.Worksheets().Item(3).Copy(app.Worksheets().Item(3));
  EXPECT_EQ(app.ActiveSheet().Name(), "Sheet1 (4)");
  app.Worksheets().Item(2).Select();
  EXPECT_EQ(app.ActiveSheet().Name(), "Sheet1 (2)");
}

TEST_F(SpreadsheetTest, SheetNamesMustBeValidAndUnique) {
  Application app;
  app.Workbooks().Add(kSingleWorksheetTemplate);
  Worksheet sheet = app.ActiveSheet();
  app.Worksheets().Item(1).Copy(sheet);
  for (std::string bad : std::vector<std::string>{"", "a[1]", "a:b", "a/b", "a\\b", "a*", "a?", "'quoted'", std::string(32, 'x'), "sheet1"})
    EXPECT_THROW(app.ActiveSheet().SetName(bad), AutomationError) << bad;
  app.ActiveSheet().SetName(std::string(31, 'x'));
  sheet.SetName(SJ("関数(1)"));
  EXPECT_EQ(sheet.Name(), SJ("関数(1)"));
}

TEST_F(SpreadsheetTest, RangesWriteFormatsMergesAndTexts) {
  Application app;
  Workbook book = app.Workbooks().Add(kSingleWorksheetTemplate);
  Worksheet sheet = app.ActiveSheet();
  sheet.Cells().SetColumnWidth(4.0);
  sheet.Cells().Interior().SetColorIndex(2);
  CellRange area = sheet.Range("A7", "C8");
  for (int edge = 7; edge <= 10; ++edge) area.Borders().Item(edge).SetLineStyle(1);
  area.Interior().SetColorIndex(34);
  area.SetMergeCells(true);
  sheet.Cells().Item(7, 1).SetValue2(SJ("ドメイン"));
  sheet.Cells().Item(7, 1).Font().SetBold(true);
  sheet.Cells().Item(7, 1).Font().SetSize(11);
  app.ActiveWindow().SetZoom(100);
  EXPECT_EQ(sheet.Range("A7", "").Value2(), SJ("ドメイン"));
  EXPECT_EQ(sheet.Range("B7", "B7").Item(1, 1).Value2(), "");
  book.SaveAs("t.xlsx");
  book.Close();
  app.Quit();

  StyleTable styles;
  WorkbookModel saved = Read("t.xlsx", styles);
  const SheetModel& s = *saved.sheets[0];
  EXPECT_EQ(s.merges(), (std::vector<CellArea>{{7, 1, 8, 3}}));
  EXPECT_EQ(s.Value(7, 1), "\xE3\x83\x89\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xB3");
  EXPECT_EQ(styles.Get(s.StyleAt(7, 1)).fill, 0xCCFFFFu);
  EXPECT_TRUE(styles.Get(s.StyleAt(7, 1)).bold);
  EXPECT_EQ(styles.Get(s.StyleAt(9, 1)).fill, 0xFFFFFFu);
  EXPECT_EQ(styles.Get(s.StyleAt(300, 300)).fill, 0xFFFFFFu);
  EXPECT_EQ(s.ColumnWidth(50), 4.0);
  // Edges: A7 left and top, C8 bottom and right, B8 bottom only.
  const Style& a7 = styles.Get(s.StyleAt(7, 1));
  EXPECT_EQ(a7.edges[kEdgeLeft], BorderLine::kThin);
  EXPECT_EQ(a7.edges[kEdgeTop], BorderLine::kThin);
  EXPECT_EQ(a7.edges[kEdgeRight], BorderLine::kNone);
  const Style& b8 = styles.Get(s.StyleAt(8, 2));
  EXPECT_EQ(b8.edges[kEdgeBottom], BorderLine::kThin);
  EXPECT_EQ(b8.edges[kEdgeLeft], BorderLine::kNone);
  EXPECT_EQ(styles.Get(s.StyleAt(8, 3)).edges[kEdgeRight], BorderLine::kThin);
}

TEST_F(SpreadsheetTest, EntireRowInsertMovesEverythingBelow) {
  Application app;
  app.Workbooks().Add(kSingleWorksheetTemplate);
  Worksheet sheet = app.ActiveSheet();
  sheet.Range("A11", "C13").SetMergeCells(true);
  sheet.Range("A14", "C16").SetMergeCells(true);
  sheet.Cells().Item(14, 1).SetValue2("next");
  sheet.Cells().Item(13, 1).EntireRow().Insert();
  EXPECT_EQ(sheet.Cells().Item(15, 1).Value2(), "next");
  EXPECT_THROW(sheet.Range("A1", "B1").Insert(), AutomationError);
  EXPECT_THROW(sheet.Cells().Borders().Item(7).SetLineStyle(1), AutomationError);
}

TEST_F(SpreadsheetTest, FailedCallsRaiseAutomationErrors) {
  Application app;
  EXPECT_THROW(app.Worksheets(), AutomationError);
  EXPECT_THROW(app.Workbooks().Add(-4109), AutomationError);
  EXPECT_THROW(app.Workbooks().Open("missing.xlsx"), AutomationError);
  Workbook book = app.Workbooks().Add(kSingleWorksheetTemplate);
  Worksheet sheet = app.ActiveSheet();
  EXPECT_THROW(book.Save(), AutomationError);  // never saved: no file name
  EXPECT_THROW(sheet.Range("A0", "B2"), AutomationError);
  EXPECT_THROW(sheet.Range("A1", "").Interior().SetColorIndex(57), AutomationError);
  EXPECT_THROW(sheet.Range("A1", "").Borders().Item(11), AutomationError);
  EXPECT_THROW(sheet.Range("A1", "").Borders().Item(7).SetLineStyle(99), AutomationError);
  EXPECT_THROW(app.Worksheets().Item(2), AutomationError);
  EXPECT_THROW(app.ActiveWindow().SetZoom(5), AutomationError);
  try {
    book.SaveAs("no/such/folder/x.xlsx");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.failure(), AutomationFailure::kSaveFailed);
  }
  book.Close();
  EXPECT_THROW(sheet.Name(), AutomationError);
  EXPECT_THROW(book.Worksheets(), AutomationError);
  app.Quit();
  EXPECT_THROW(app.Workbooks(), AutomationError);
}

TEST_F(SpreadsheetTest, LaterSavesAreWrittenWhenTheApplicationQuits) {
  Application app;
  Workbook book = app.Workbooks().Add(kSingleWorksheetTemplate);
  book.SaveAs("w.xlsx");  // the first save writes
  book.Close();
  EXPECT_EQ(app.counters().files_written, 1);
  const std::string first = testing::ReadFile("w.xlsx");

  for (int i = 0; i < 5; ++i) {
    Workbook again = app.Workbooks().Open("w.xlsx");
    int n = app.Worksheets().Count();
    app.Worksheets().Item(1).Copy(app.Worksheets().Item(n));
    app.ActiveSheet().Cells().Item(1, 1).SetValue2("sheet " + std::to_string(i));
    again.Save();
    again.Close();
  }
  EXPECT_EQ(app.counters().files_written, 1);
  EXPECT_EQ(app.counters().files_read, 0);
  EXPECT_EQ(app.counters().cache_hits, 5);
  EXPECT_EQ(testing::ReadFile("w.xlsx"), first);

  app.Quit();
  StyleTable styles;
  WorkbookModel saved = Read("w.xlsx", styles);
  ASSERT_EQ(saved.sheets.size(), 6u);
  EXPECT_EQ(saved.sheets[5]->Value(1, 1), "sheet 4");
}

TEST_F(SpreadsheetTest, ClosingWithoutSavingKeepsTheSavedState) {
  Application app;
  Workbook book = app.Workbooks().Add(kSingleWorksheetTemplate);
  app.ActiveSheet().Cells().Item(1, 1).SetValue2("saved");
  book.SaveAs("w.xlsx");
  book.Close();
  Workbook again = app.Workbooks().Open("w.xlsx");
  app.ActiveSheet().Cells().Item(1, 1).SetValue2("changed");
  app.ActiveSheet().SetName("Other");
  again.Close();
  Workbook third = app.Workbooks().Open("w.xlsx");
  EXPECT_EQ(app.ActiveSheet().Cells().Item(1, 1).Value2(), "saved");
  EXPECT_EQ(app.ActiveSheet().Name(), "Sheet1");
  third.Close();
  app.Quit();
  EXPECT_NE(Dump("w.xlsx").find("\"saved\""), std::string::npos);
}

TEST_F(SpreadsheetTest, OverBudgetCopiesAreWrittenAndReadBack) {
  Application app(ComponentOptions{.cache_budget_bytes = 1});
  for (const char* name : {"a.xlsx", "b.xlsx"}) {
    Workbook book = app.Workbooks().Add(kSingleWorksheetTemplate);
    book.SaveAs(name);
    book.Close();
  }
  for (int i = 0; i < 3; ++i) {
    for (const char* name : {"a.xlsx", "b.xlsx"}) {
      Workbook book = app.Workbooks().Open(name);
      int n = app.Worksheets().Count();
      app.Worksheets().Item(1).Copy(app.Worksheets().Item(n));
      app.ActiveSheet().Cells().Item(2, 2).SetValue2(std::string(name) + std::to_string(i));
      book.Save();
      book.Close();
    }
  }
  app.Quit();
  EXPECT_GT(app.counters().evictions, 0);
  EXPECT_GT(app.counters().files_read, 0);
  for (const char* name : {"a.xlsx", "b.xlsx"}) {
    StyleTable styles;
    WorkbookModel saved = Read(name, styles);
    ASSERT_EQ(saved.sheets.size(), 4u) << name;
    EXPECT_EQ(saved.sheets[3]->Value(2, 2), std::string(name) + "2");
  }
}

TEST_F(SpreadsheetTest, AFileChangedOnDiskIsReadAgain) {
  Application app;
  Workbook book = app.Workbooks().Add(kSingleWorksheetTemplate);
  book.SaveAs("w.xlsx");
  book.Close();
  {
    Application other;
    Workbook b = other.Workbooks().Add(kSingleWorksheetTemplate);
    other.ActiveSheet().SetName("Elsewhere");
    b.SaveAs("tmp.xlsx");
    other.Quit();
  }
  std::filesystem::rename("tmp.xlsx", "w.xlsx");
  app.Workbooks().Open("w.xlsx");
  EXPECT_EQ(app.ActiveSheet().Name(), "Elsewhere");
  EXPECT_EQ(app.counters().files_read, 1);
}

TEST_F(SpreadsheetTest, VisibleApplicationShowsEachSave) {
  Application app;
  std::vector<std::string> shown;
  app.set_viewer([&](const std::string& file, const std::string& sheet) { shown.push_back(file + "|" + sheet); });
  Workbook book = app.Workbooks().Add(kSingleWorksheetTemplate);
  book.SaveAs("hidden.xlsx");
  app.SetVisible(true);
  book.SaveAs("shown.xlsx");
  EXPECT_EQ(shown, std::vector<std::string>{"shown.xlsx|Sheet1"});
}

TEST_F(SpreadsheetTest, ReleasingTheApplicationWritesWhatWasSaved) {
  {
    Application app;
    Workbook book = app.Workbooks().Add(kSingleWorksheetTemplate);
    book.SaveAs("w.xlsx");
    book.Close();
    Workbook again = app.Workbooks().Open("w.xlsx");
    app.ActiveSheet().Cells().Item(3, 3).SetValue2("late");
    again.Save();
  }
  EXPECT_NE(Dump("w.xlsx").find("\"late\""), std::string::npos);
}

}  // namespace
}  // namespace kv::xls
