// A project whose comments take every recognised form (and one without
// comments) through the analysis and the design documents: the description
// files and the final records byte for byte, then the cells of the
// workbooks as the component's reader gives them back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/analyze_test_run.h"
#include "platform/shell.h"
#include "support/golden.h"
#include "support/test_folder.h"
#include "xlsdoc/design_document_command.h"
#include "xlsdoc/xlsdoc_test_util.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using xls::testing::ReadBook;

class DescribedProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::CopyTree(testing::GoldenCase("described_project") + "/input", ".");
    testing::WriteFile("out/.keep", "");
    testing::AnalyzeTestRun run("described", "out");
    ASSERT_EQ(run.Run(), AnalyzeResult::Status::kCompleted);
  }

  // The documents of the analysis; the one run folder's workbook `name`.
  std::unique_ptr<ReadBook> Documents(const std::string& name) {
    if (folder_.empty()) {
      dates_.push_back(ToUtf8(FormatLocalTime("%Y/%m/%d")));
      xls::testing::TestRun docs("out");
      if (!RunDesignDocumentCommand(*docs.ctx, {}, nullptr)) {
        ADD_FAILURE() << "docs failed";
        return std::make_unique<ReadBook>();
      }
      for (const auto& entry : fs::directory_iterator("out"))
        if (entry.path().filename().string().starts_with("自動設計書")) folder_ = entry.path().string();
      dates_.push_back(ToUtf8(FormatLocalTime("%Y/%m/%d")));
    }
    return xls::testing::ReadWorkbook(FromDiskName(folder_) + "/" + name);
  }

  static const xls::SheetModel& Sheet(const ReadBook& book, const std::string& name) {
    for (const auto& sheet : book.book.sheets)
      if (sheet->name() == name) return *sheet;
    ADD_FAILURE() << "no sheet " << name;
    static const xls::SheetModel none;
    return none;
  }

  // The row of `caption` in column A.
  static uint32_t Row(const xls::SheetModel& sheet, const std::string& caption) {
    for (uint32_t row = 1; row < 500; ++row)
      if (sheet.Value(row, 1) == caption) return row;
    ADD_FAILURE() << "no caption " << caption;
    return 0;
  }

  static std::string At(const xls::SheetModel& sheet, uint32_t row, const std::string& column) {
    return sheet.Value(row, xls::ParseCellRef(column + "1")->column);
  }

  testing::ScratchFolder scratch_;
  std::string folder_;
  std::vector<std::string> dates_;  // before and after the documents were written
};

TEST_F(DescribedProjectTest, DescriptionFilesAndRecordsAreGolden) {
  for (const std::string& difference : testing::CompareWithGolden(testing::GoldenCase("described_project/expected")))
    ADD_FAILURE() << difference;
  // Functions the comments say nothing about keep the records they had.
  for (const char* quiet : {"no_comment", "bare_add"})
    EXPECT_EQ(testing::ReadSjisText(std::string("vcwk012345/FunctionList4/") + quiet).find("[関数説明]"),
              std::string::npos)
        << quiet;
}

TEST_F(DescribedProjectTest, LabelledBlocksFillTheFunctionSheet) {
  auto book = Documents("lamp_c.xlsx");
  const xls::SheetModel& off = Sheet(*book, "lamp_off(1)");
  EXPECT_EQ(off.Value(7, 4), "ランプを消灯する");                  // ■関数概要
  EXPECT_EQ(off.Value(8, 4), "状態を消灯にし、出力を下げる。");    // ■処理内容
  EXPECT_EQ(off.Value(12, 4), "no");
  EXPECT_EQ(off.Value(12, 12), "unsigned char");
  EXPECT_EQ(off.Value(12, 16), "ランプ番号（0～3）");               // 説明
  // ■戻り値: the record's values with the comment's texts, then the values
  // only the comment names, each with the return type.
  const uint32_t returns = Row(off, "■戻り値") + 1;
  EXPECT_EQ(At(off, returns, "D"), "1");
  EXPECT_EQ(At(off, returns, "L"), "int");
  EXPECT_EQ(At(off, returns + 1, "D"), "0");
  EXPECT_EQ(At(off, returns + 1, "P"), "正常");
  EXPECT_EQ(At(off, returns + 2, "D"), "-1");
  EXPECT_EQ(At(off, returns + 2, "P"), "番号異常");
  EXPECT_EQ(At(off, Row(off, "■備考"), "D"), "割込み禁止中に呼ばないこと");
  // The 型 column fits "unsigned char" on every function sheet.
  EXPECT_GE(off.ColumnWidth(12), 14.0);
  EXPECT_EQ(Sheet(*book, "lamp_on(2)").ColumnWidth(12), off.ColumnWidth(12));

  // A definition without a comment takes its prototype's (lamp.h, doxygen).
  const xls::SheetModel& on = Sheet(*book, "lamp_on(2)");
  EXPECT_EQ(on.Value(7, 4), "ランプを点灯する");
  EXPECT_EQ(on.Value(12, 16), "ランプ番号");
  // Temporaries' comments on their lines.
  const xls::SheetModel& update = Sheet(*book, "lamp_update(3)");
  const uint32_t temporaries = Row(update, "■テンポラリ変数") + 1;
  EXPECT_EQ(At(update, temporaries, "D"), "no");
  EXPECT_EQ(At(update, temporaries, "P"), "ランプ番号");
  EXPECT_EQ(At(update, temporaries + 1, "D"), "level");
  EXPECT_EQ(At(update, temporaries + 1, "P"), "出力レベル");
  // ■戻り値 of a void function without values: "-" and its type.
  const uint32_t void_returns = Row(update, "■戻り値") + 1;
  EXPECT_EQ(At(update, void_returns, "D"), "-");
  EXPECT_EQ(At(update, void_returns, "L"), "void");
}

TEST_F(DescribedProjectTest, NestedSwitchKeepsItsIndentation) {
  auto book = Documents("lamp_c.xlsx");
  const xls::SheetModel& update = Sheet(*book, "lamp_update(3)");
  const uint32_t first = Row(update, "■制御仕様") + 2;  // after the empty row: the header line
  EXPECT_EQ(update.Value(first, 4), "void lamp_update ( void ) {");
  std::vector<std::string> body;
  for (uint32_t row = first + 1; !update.Value(row, 4).empty(); ++row) body.push_back(update.Value(row, 4));
  ASSERT_GE(body.size(), 24u);
  EXPECT_EQ(body[0], "    unsigned char no; /* ランプ番号 */");
  EXPECT_EQ(body[3], "    for (no = 0; no < LAMP_MAX; no++) {");
  EXPECT_EQ(body[4], "        switch (s_state[no]) {");
  EXPECT_EQ(body[5], "        case LAMP_BLINK:");
  EXPECT_EQ(body[6], "            switch (s_tick & 1) {");
  EXPECT_EQ(body[7], "            case 0:");
  EXPECT_EQ(body[8], "                level = 1;");
  EXPECT_EQ(body[12], "                break;");
  EXPECT_EQ(body[13], "            }");
  EXPECT_EQ(body.back(), "}");
}

TEST_F(DescribedProjectTest, CoverAndModuleSheetDescribeTheFile) {
  auto book = Documents("lamp_c.xlsx");
  ASSERT_GE(book->book.sheets.size(), 3u);
  const xls::SheetModel& cover = Sheet(*book, "表紙");
  EXPECT_EQ(cover.Value(7, 4), "DESCRIBED");        // ドメイン: the module's folder
  EXPECT_EQ(cover.Value(9, 4), "ランプ点灯制御");   // 処理概要 from 【概要】
  EXPECT_EQ(cover.Value(14, 4), "lamp.c");
  EXPECT_EQ(cover.Value(15, 4), "described/lamp.c");
  EXPECT_EQ(cover.Value(17, 4), "【作成者】     開発チーム");
  EXPECT_EQ(cover.Value(31, 3), "新規作成");
  EXPECT_EQ(cover.Value(31, 17), "lamp.c");
  EXPECT_NE(std::find(dates_.begin(), dates_.end(), cover.Value(31, 21)), dates_.end()) << cover.Value(31, 21);

  const xls::SheetModel& module = Sheet(*book, "モジュール定義");
  // Three public functions: a row is inserted in the table, the ones below move.
  EXPECT_EQ(module.Value(6, 5), "lamp_off");
  EXPECT_EQ(module.Value(6, 14), "ランプを消灯する");
  EXPECT_EQ(module.Value(7, 5), "lamp_update");
  EXPECT_EQ(module.Value(8, 5), "lamp_on");
  EXPECT_EQ(module.Value(8, 14), "ランプを点灯する");  // the record's (the prototype's comment)
  EXPECT_EQ(module.Value(9, 2), "内部関数");
  EXPECT_EQ(module.Value(10, 5), "");
  const auto area = [&module](const char* a) {
    for (const xls::CellArea& m : module.merges())
      if (m == *xls::ParseArea(a)) return true;
    return false;
  };
  EXPECT_TRUE(area("B5:D8"));   // the label grows with its table
  EXPECT_TRUE(area("N7:X7"));   // the inserted row has the table's areas
  // Variables, constants (the enumerators first, in file order), defines.
  EXPECT_EQ(module.Value(16, 5), "g_lamp_errors");
  EXPECT_EQ(module.Value(16, 14), "unsigned int");
  EXPECT_EQ(module.Value(16, 18), "異常回数");
  EXPECT_EQ(module.Value(19, 5), "s_state[LAMP_MAX]");
  EXPECT_EQ(module.Value(19, 14), "LAMP_STATE");
  EXPECT_EQ(module.Value(20, 5), "s_tick");
  EXPECT_EQ(module.Value(20, 18), "点滅用カウンタ");
  EXPECT_EQ(module.Value(25, 5), "LAMP_OFF");
  EXPECT_EQ(module.Value(25, 18), "消灯");
  EXPECT_EQ(module.Value(28, 5), "kLampPort");
  EXPECT_EQ(module.Value(28, 14), "const unsigned char");
  EXPECT_EQ(module.Value(33, 5), "LAMP_MAX");
  EXPECT_EQ(module.Value(33, 13), "4");
  EXPECT_EQ(module.Value(33, 16), "ランプ数");
  EXPECT_EQ(module.Value(34, 5), "BLINK_MS");
  EXPECT_EQ(module.Value(34, 13), "(250)");
  EXPECT_GE(module.ColumnWidth(14), 20.0);  // 型 fits "const unsigned char"
}

TEST_F(DescribedProjectTest, DoxygenAndPlainCommentsFillTheirCells) {
  auto radio = Documents("radio_c.xlsx");
  const xls::SheetModel& send = Sheet(*radio, "radio_send(2)");
  EXPECT_EQ(send.Value(7, 4), "データを送る");
  EXPECT_EQ(send.Value(8, 4), "バッファの内容を一バイトずつ送り、\n送れなかったときは再送する。");
  EXPECT_EQ(send.Value(12, 16), "送るデータ");
  EXPECT_EQ(send.Value(13, 16), "データの長さ");
  const uint32_t returns = Row(send, "■戻り値") + 1;
  EXPECT_EQ(At(send, returns, "D"), "-");
  EXPECT_EQ(At(send, returns, "P"), "送ったバイト数");
  EXPECT_EQ(At(send, returns + 1, "D"), "1");
  EXPECT_EQ(At(send, returns + 2, "D"), "i");
  EXPECT_EQ(At(send, returns + 3, "D"), "-1");
  EXPECT_EQ(At(send, returns + 3, "P"), "送信失敗");
  const uint32_t temporaries = Row(send, "■テンポラリ変数") + 1;
  EXPECT_EQ(At(send, temporaries + 1, "P"), "再送回数");  // "//" after the declaration
  EXPECT_EQ(At(send, Row(send, "■備考"), "D"), "送信中は受信しない");
  const xls::SheetModel& cover = Sheet(*radio, "表紙");
  EXPECT_EQ(cover.Value(9, 4), "無線モジュールの送受信");
  EXPECT_EQ(cover.Value(17, 4), "@author 開発チーム");

  auto plain = Documents("plain_c.xlsx");
  const xls::SheetModel& max = Sheet(*plain, "max_of(1)");
  EXPECT_EQ(max.Value(7, 4), "二つの値の大きい方を返す\n（同じときは a を返す）");
  EXPECT_EQ(max.Value(12, 16), "一つ目");
  EXPECT_EQ(max.Value(13, 16), "二つ目");
  EXPECT_EQ(Sheet(*plain, "表紙").Value(9, 4), "plain.c\n汎用の補助処理");
}

TEST_F(DescribedProjectTest, WithoutCommentsTheSheetsStayEmpty) {
  auto plain = Documents("plain_c.xlsx");
  const xls::SheetModel& quiet = Sheet(*plain, "no_comment(2)");
  EXPECT_EQ(quiet.Value(7, 4), "");
  EXPECT_EQ(quiet.Value(8, 4), "");
  EXPECT_EQ(quiet.Value(12, 16), "");
  EXPECT_EQ(At(quiet, Row(quiet, "■備考"), "D"), "");
  auto bare = Documents("bare_c.xlsx");
  const xls::SheetModel& cover = Sheet(*bare, "表紙");
  EXPECT_EQ(cover.Value(9, 4), "");
  EXPECT_EQ(cover.Value(14, 4), "bare.c");
  const xls::SheetModel& module = Sheet(*bare, "モジュール定義");
  EXPECT_EQ(module.Value(6, 5), "bare_add");
  EXPECT_EQ(module.Value(6, 14), "");
  EXPECT_EQ(module.Value(15, 5), "");
}

}  // namespace
}  // namespace kv
