#include "xlsdoc/document_template.h"

#include <gtest/gtest.h>

#include "support/golden.h"
#include "support/test_folder.h"
#include "xlsdoc/xlsdoc_test_util.h"

namespace kv {
namespace {

using kv::testing::ScratchFolder;
using xls::BorderLine;
using xls::testing::ReadWorkbook;
using xls::testing::TestRun;

class DocumentTemplateTest : public ::testing::Test {
 protected:
  std::unique_ptr<xls::testing::ReadBook> Build() {
    xls::Application app;
    EXPECT_EQ(BuildDocumentTemplate(*run_.ctx, app, "."), DocStep::kDone);
    app.Quit();
    return ReadWorkbook("ORIGINAL.xlsx");
  }

  ScratchFolder scratch_;
  TestRun run_;
};

TEST_F(DocumentTemplateTest, MatchesGolden) {
  auto read = Build();
  xls::testing::WriteDump("dump/ORIGINAL.txt", xls::DumpWorkbook(read->book, read->styles));
  EXPECT_EQ(kv::testing::CompareWithGolden(kv::testing::GoldenCase("xlsdoc_template") + "/expected"),
            std::vector<std::string>{});
}

TEST_F(DocumentTemplateTest, CoverSheet) {
  auto read = Build();
  ASSERT_EQ(read->book.sheets.size(), 3u);
  const xls::SheetModel& cover = read->Sheet(0);
  EXPECT_EQ(cover.name(), "表紙");  // the sheets are named for what they are
  EXPECT_EQ(cover.merges().size(), 31u);
  EXPECT_TRUE(read->Merged(cover, "A7:C8"));
  EXPECT_TRUE(read->Merged(cover, "X3:Y6"));
  EXPECT_EQ(read->StyleAt(cover, "A7").fill, 0xCCFFFFu);
  EXPECT_EQ(read->StyleAt(cover, "D7").fill, 0xFFFFFFu);
  EXPECT_EQ(read->StyleAt(cover, "AZ99").fill, 0xFFFFFFu);  // the whole sheet's background
  EXPECT_EQ(cover.ColumnWidth(1), 4.0);
  EXPECT_EQ(cover.ColumnWidth(200), 4.0);
  // Outline A7:Y21 over the areas' thin edges.
  EXPECT_EQ(read->StyleAt(cover, "A7").edges[xls::kEdgeLeft], BorderLine::kMedium);
  EXPECT_EQ(read->StyleAt(cover, "A8").edges[xls::kEdgeBottom], BorderLine::kThin);
  EXPECT_EQ(read->StyleAt(cover, "Y21").edges[xls::kEdgeRight], BorderLine::kMedium);
  EXPECT_EQ(read->StyleAt(cover, "D9").edges[xls::kEdgeLeft], BorderLine::kThin);
  EXPECT_EQ(read->Value(cover, "B2"), std::string("モジュール仕様書"));
  EXPECT_TRUE(read->StyleAt(cover, "B2").bold);
  EXPECT_EQ(read->StyleAt(cover, "B2").font_size_centi, 1600u);
  EXPECT_EQ(read->Value(cover, "V1"), " ");
  EXPECT_FALSE(read->StyleAt(cover, "T2").bold);
  EXPECT_EQ(read->Value(cover, "X30"), std::string("担当"));
}

TEST_F(DocumentTemplateTest, ModuleSheet) {
  auto read = Build();
  const xls::SheetModel& module = read->Sheet(1);
  EXPECT_EQ(module.name(), "モジュール定義");
  EXPECT_TRUE(read->Merged(module, "B5:D7"));
  EXPECT_TRUE(read->Merged(module, "E5:M5"));
  EXPECT_TRUE(read->Merged(module, "N7:X7"));
  // define: data rows as the header (E:L, M:O, P:Z), so that values and
  // descriptions stand under 値 and 説明.
  for (const char* area : {"M29:O29", "M30:O30", "P31:Z31", "E31:L31"})
    EXPECT_TRUE(read->Merged(module, area)) << area;
  EXPECT_TRUE(read->Merged(module, "M45:O45"));  // external constants: data M:O
  EXPECT_EQ(read->StyleAt(module, "Y5").fill, 0xCCFFFFu);
  EXPECT_EQ(read->StyleAt(module, "Y6").fill, 0xFFFFFFu);
  EXPECT_EQ(read->StyleAt(module, "Y6").edges[xls::kEdgeRight], BorderLine::kThin);
  EXPECT_EQ(read->Value(module, "B29"), "define");
  EXPECT_FALSE(read->StyleAt(module, "B29").bold);
  EXPECT_TRUE(read->StyleAt(module, "B5").bold);
  EXPECT_EQ(read->StyleAt(module, "B5").font_size_centi, 900u);
  EXPECT_EQ(read->Value(module, "B35"), std::string("■外部変数"));
  EXPECT_EQ(read->Value(module, "E44"), std::string("定義名"));
  EXPECT_EQ(read->StyleAt(module, "A7").edges[xls::kEdgeLeft], BorderLine::kNone);  // no outlines here
}

TEST_F(DocumentTemplateTest, FunctionSheet) {
  auto read = Build();
  const xls::SheetModel& sheet = read->Sheet(2);
  EXPECT_EQ(sheet.name(), "関数雛形");
  EXPECT_EQ(read->book.active, 2u);
  for (const char* area : {"A1:C1", "D1:R1", "S1:W1", "A5:B6", "D5:W5", "D6:W6", "A11:C13", "D12:K12", "P13:W13",
                           "A20:C22", "D21:L21", "M22:W22", "A23:C26", "D23:W26", "A30:C40"})
    EXPECT_TRUE(read->Merged(sheet, area)) << area;
  for (const xls::CellArea& m : sheet.merges()) EXPECT_FALSE(m.Contains(30, 4)) << xls::FormatArea(m);
  // D30:W40: framed and coloured, each row its own.
  EXPECT_EQ(read->StyleAt(sheet, "D35").fill, 0xFFFFFFu);
  EXPECT_EQ(read->StyleAt(sheet, "D35").edges[xls::kEdgeLeft], BorderLine::kThin);
  EXPECT_EQ(read->StyleAt(sheet, "E35").edges[xls::kEdgeLeft], BorderLine::kNone);
  EXPECT_EQ(read->StyleAt(sheet, "W35").edges[xls::kEdgeRight], BorderLine::kMedium);
  EXPECT_EQ(read->StyleAt(sheet, "D30").edges[xls::kEdgeTop], BorderLine::kMedium);
  EXPECT_EQ(read->StyleAt(sheet, "D31").edges[xls::kEdgeTop], BorderLine::kNone);
  EXPECT_EQ(read->StyleAt(sheet, "K40").edges[xls::kEdgeBottom], BorderLine::kMedium);
  EXPECT_EQ(read->StyleAt(sheet, "A28").edges, (std::array<BorderLine, 4>{}));
  EXPECT_EQ(read->Value(sheet, "A3"), std::string("モジュール詳細仕様書"));
  EXPECT_EQ(read->Value(sheet, "A11"), std::string("■引数"));
  EXPECT_EQ(read->Value(sheet, "A30"), std::string("■制御仕様"));
  EXPECT_EQ(read->Value(sheet, "C6"), std::string("名称"));
  EXPECT_TRUE(read->StyleAt(sheet, "C6").bold);
  EXPECT_EQ(read->Value(sheet, "P17"), std::string("説明"));
  EXPECT_FALSE(read->StyleAt(sheet, "P17").bold);
  EXPECT_EQ(read->Value(sheet, "M20"), std::string("説明"));
  EXPECT_EQ(read->StyleAt(sheet, "L11").fill, 0xCCFFFFu);
  EXPECT_EQ(read->StyleAt(sheet, "L12").fill, 0xFFFFFFu);
}

TEST_F(DocumentTemplateTest, AnOldTemplateIsReplaced) {
  kv::testing::WriteFile("ORIGINAL.xlsx", "left over from a run in the same second");
  auto read = Build();
  EXPECT_EQ(read->book.sheets.size(), 3u);
}

TEST_F(DocumentTemplateTest, StopsBeforeAMergedArea) {
  xls::Application app;
  run_.session.progress.stop_flag = 1;
  EXPECT_EQ(BuildDocumentTemplate(*run_.ctx, app, "."), DocStep::kStopped);
  app.Quit();
  EXPECT_FALSE(kv::testing::Exists("ORIGINAL.xlsx"));
}

}  // namespace
}  // namespace kv
