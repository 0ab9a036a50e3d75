#include "xlsdoc/design_document_command.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "platform/shell.h"
#include "support/golden.h"
#include "support/test_folder.h"
#include "xlsdoc/xlsdoc_test_util.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using kv::testing::CopyTree;
using kv::testing::Exists;
using kv::testing::GoldenCase;
using kv::testing::ScratchFolder;
using kv::testing::WriteFile;
using kv::testing::WriteSjisText;
using xls::BorderLine;
using xls::testing::ReadBook;
using xls::testing::ReadWorkbook;
using xls::testing::TestRun;
using Kind = RecordingUi::Kind;

class CountingProgress : public DocumentProgress {
 public:
  void Open() override { ++opened; }
  void Close() override { ++closed; }
  void SheetShown(const std::string& workbook, const std::string& sheet) override {
    shown.push_back(ToUtf8(SplitPath(workbook).name) + " " + ToUtf8(sheet));
  }
  int opened = 0;
  int closed = 0;
  std::vector<std::string> shown;
};

std::vector<std::string> Utf8(const std::vector<std::string>& texts) {
  std::vector<std::string> out;
  for (const std::string& t : texts) out.push_back(ToUtf8(t));
  return out;
}

// The run folders inside "out" (UTF-8 names).
std::vector<std::string> RunFolders() {
  std::vector<std::string> out;
  if (!fs::exists("out")) return out;
  for (const auto& e : fs::directory_iterator("out")) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

class DesignDocumentTest : public ::testing::Test {
 protected:
  DesignDocumentTest() { fs::create_directory("out"); }

  void SeedGoldenRecords() { CopyTree(GoldenCase("xlsdoc_run") + "/vcwk012345", "vcwk012345"); }

  bool Run(bool show = false) {
    DesignDocumentOptions options;
    options.show_progress = show;
    return RunDesignDocumentCommand(*run_.ctx, options, &progress_);
  }

  // The one run folder, as an internal path.
  std::string RunFolder() {
    auto folders = RunFolders();
    EXPECT_EQ(folders.size(), 1u);
    return folders.empty() ? "" : "out/" + FromDiskName(folders[0]);
  }

  std::unique_ptr<ReadBook> Book(const std::string& name) { return ReadWorkbook(JoinPath(RunFolder(), name)); }

  static const xls::SheetModel* SheetNamed(const ReadBook& read, const std::string& name) {
    for (const auto& sheet : read.book.sheets)
      if (sheet->name() == name) return sheet.get();
    ADD_FAILURE() << "no sheet " << name;
    return nullptr;
  }

  ScratchFolder scratch_;
  TestRun run_;
  CountingProgress progress_;
};

TEST_F(DesignDocumentTest, RefusesAMissingOutputFolder) {
  SeedGoldenRecords();
  TestRun other("no_such_folder");
  EXPECT_FALSE(RunDesignDocumentCommand(*other.ctx, {}, &progress_));
  EXPECT_EQ(other.ui.MessagesUtf8(), std::vector<std::string>{"[終了] 出力フォルダを指定してください"});
  EXPECT_FALSE(Exists("no_such_folder"));
  EXPECT_EQ(progress_.opened, 0);
}

TEST_F(DesignDocumentTest, RefusesWithoutAnalysisResults) {
  EXPECT_FALSE(Run());
  EXPECT_EQ(run_.ui.MessagesUtf8(), std::vector<std::string>{"[終了] ソフト解析結果なし、先に解析を実行してくださ"});
  EXPECT_TRUE(RunFolders().empty());
}

TEST_F(DesignDocumentTest, CancelAtTheConfirmationCreatesNothing) {
  SeedGoldenRecords();
  run_.ui.QueueAnswer(false);
  EXPECT_FALSE(Run());
  EXPECT_EQ(Utf8(run_.ui.Texts(Kind::kQuestion)), std::vector<std::string>{"EXL設計書作成開始します"});
  EXPECT_TRUE(RunFolders().empty());
  EXPECT_EQ(progress_.opened, 0);
}

TEST_F(DesignDocumentTest, WritesOneWorkbookPerSourceFile) {
  SeedGoldenRecords();
  ASSERT_TRUE(Run());
  EXPECT_EQ(progress_.opened, 1);
  EXPECT_EQ(progress_.closed, 1);
  EXPECT_EQ(run_.session.progress.run_completed.load(), 1);
  EXPECT_EQ(Utf8(run_.ui.Texts(Kind::kStatus)),
            (std::vector<std::string>{"EXCEL雛形作成開始", "EXCEL雛形作成終了", "リバース設計書作成", "リバース設計書作成終了"}));
  // The records without a SOURCE file, then the completion message.
  EXPECT_EQ(run_.ui.MessagesUtf8(), (std::vector<std::string>{"[終了] 制御仕様ファイル開けず",
                                                              "[終了] 制御仕様ファイル開けず", "[Kavenor] 設計書完了"}));
  auto folders = RunFolders();
  ASSERT_EQ(folders.size(), 1u);
  EXPECT_TRUE(folders[0].starts_with("自動設計書"));
  // The year leads the stamp, as in the report's folder name.
  EXPECT_EQ(folders[0].size(), std::string("自動設計書").size() + 14);
  EXPECT_EQ(folders[0].substr(std::string("自動設計書").size(), 4), FormatLocalTime("%Y"));
  EXPECT_EQ(FilesIn("out/" + folders[0]), (std::vector<std::string>{"main_c.xlsx", "orphan.xlsx", "util_c.xlsx"}));

  // Golden dumps of the function sheets (the template sheets are the
  // xlsdoc_template golden's).
  std::string listing;
  for (const std::string& file : FilesIn("out/" + folders[0])) {
    auto read = Book(file);
    listing += file + ":";
    for (const auto& sheet : read->book.sheets) listing += " [" + sheet->name() + "]";
    listing += "\n";
    xls::WorkbookModel functions;
    functions.sheets.assign(read->book.sheets.begin() + 3, read->book.sheets.end());
    functions.active = read->book.active - 3;
    xls::testing::WriteDump("dump/" + SplitPath(file).base + ".txt", xls::DumpWorkbook(functions, read->styles));
  }
  xls::testing::WriteDump("dump/run_folder.txt", listing);
  EXPECT_EQ(kv::testing::CompareWithGolden(GoldenCase("xlsdoc_run") + "/expected"), std::vector<std::string>{});
}

TEST_F(DesignDocumentTest, ThreeArgumentsFillRowsTwelveToFourteen) {
  SeedGoldenRecords();
  ASSERT_TRUE(Run());
  auto read = Book("main_c.xlsx");
  const xls::SheetModel* foo = SheetNamed(*read, "foo(3)");
  ASSERT_NE(foo, nullptr);
  EXPECT_EQ(read->Value(*foo, "A1"), "PROJ");
  EXPECT_TRUE(read->StyleAt(*foo, "A1").bold);
  EXPECT_EQ(read->Value(*foo, "S1"), "main.c");
  EXPECT_TRUE(read->StyleAt(*foo, "S1").bold);
  EXPECT_EQ(read->Value(*foo, "D5"), "static int");
  EXPECT_EQ(read->Value(*foo, "D6"), "foo");

  const char* names[] = {"count", "buf", "limit"};
  const char* types[] = {"int", "unsigned char *", "long"};
  for (int i = 0; i < 3; ++i) {
    const std::string row = std::to_string(12 + i);
    EXPECT_EQ(read->Value(*foo, "D" + row), names[i]);
    EXPECT_EQ(read->Value(*foo, "L" + row), types[i]);
    EXPECT_TRUE(read->Merged(*foo, "D" + row + ":K" + row)) << row;
    EXPECT_TRUE(read->Merged(*foo, "P" + row + ":W" + row)) << row;
    EXPECT_EQ(read->StyleAt(*foo, "D" + row).fill, 0xFFFFFFu);
    EXPECT_EQ(read->StyleAt(*foo, "D" + row).edges[xls::kEdgeLeft], BorderLine::kThin);
  }
  // The template's empty second row is now row 15; the caption area grew;
  // every caption below moved down by two.
  EXPECT_EQ(read->Value(*foo, "D15"), "");
  EXPECT_TRUE(read->Merged(*foo, "D15:K15"));
  EXPECT_TRUE(read->Merged(*foo, "A11:C15"));
  EXPECT_EQ(read->Value(*foo, "A16"), "■戻り値");
  EXPECT_TRUE(read->Merged(*foo, "A16:C18"));
  EXPECT_EQ(read->Value(*foo, "A19"), "■テンポラリ変数");

  // Temporaries: i in row 20, name in an inserted row 21 that is not merged.
  EXPECT_EQ(read->Value(*foo, "D20"), "i");
  EXPECT_EQ(read->Value(*foo, "D21"), "name");
  EXPECT_EQ(read->Value(*foo, "L21"), "char");
  EXPECT_FALSE(read->Merged(*foo, "D21:K21"));
  EXPECT_EQ(foo->MergeAt(21, 4), nullptr);
  EXPECT_EQ(read->Value(*foo, "D22"), "");  // the template's second row

  // Both call lists under "■外部関数": the defined call, then the others.
  EXPECT_EQ(read->Value(*foo, "A23"), "■外部関数");
  EXPECT_EQ(read->Value(*foo, "D24"), "int bar(int n)");
  EXPECT_EQ(read->Value(*foo, "D25"), "log_line(buf)");
  EXPECT_EQ(read->Value(*foo, "D26"), "missing_fn()");
  EXPECT_EQ(read->Value(*foo, "M24"), "");
  EXPECT_EQ(read->Value(*foo, "D27"), "");
  EXPECT_TRUE(read->Merged(*foo, "A23:C27"));
  EXPECT_EQ(read->Value(*foo, "A28"), "■備考");

  // The body text: one empty row, then the header line and each line.
  EXPECT_EQ(read->Value(*foo, "A35"), "■制御仕様");
  EXPECT_EQ(read->Value(*foo, "D36"), "");
  EXPECT_EQ(read->Value(*foo, "D37"), "staticintfoo(intcount,unsignedchar*buf,longlimit){");
  EXPECT_EQ(read->Value(*foo, "D38"), "    int i;");
  EXPECT_EQ(read->Value(*foo, "D41"), "        bar(count); /* 呼出し */");
  EXPECT_EQ(read->Value(*foo, "D46"), "}");
  for (int row = 36; row <= 46; ++row) {
    EXPECT_EQ(foo->MergeAt(static_cast<uint32_t>(row), 4), nullptr) << row;
    EXPECT_EQ(read->StyleAt(*foo, "D" + std::to_string(row)).edges[xls::kEdgeTop], BorderLine::kNone) << row;
    EXPECT_EQ(read->StyleAt(*foo, "W" + std::to_string(row)).edges[xls::kEdgeRight], BorderLine::kMedium) << row;
  }
  // The frame's last row (template row 40) closes the area.
  EXPECT_EQ(read->StyleAt(*foo, "D56").edges[xls::kEdgeBottom], BorderLine::kMedium);
  EXPECT_TRUE(read->Merged(*foo, "A35:C56"));
}

TEST_F(DesignDocumentTest, AVoidFunctionShowsDashes) {
  SeedGoldenRecords();
  ASSERT_TRUE(Run());
  auto read = Book("main_c.xlsx");
  const xls::SheetModel* init = SheetNamed(*read, "init(4)");
  ASSERT_NE(init, nullptr);
  EXPECT_EQ(read->Value(*init, "D5"), "void");
  for (const char* cell : {"D12", "L12", "M12", "N12", "O12", "P12", "D18", "L18", "M18", "N18", "O18", "P18"})
    EXPECT_EQ(read->Value(*init, cell), "-") << cell;
  EXPECT_EQ(read->Value(*init, "D13"), "");
  EXPECT_EQ(read->Value(*init, "A14"), "■戻り値");  // the table keeps its two rows
  // No defined calls: "None" and "-"; no other calls: "-" and "-" below.
  EXPECT_EQ(read->Value(*init, "D21"), "None");
  EXPECT_EQ(read->Value(*init, "M21"), "-");
  EXPECT_EQ(read->Value(*init, "D22"), "-");
  EXPECT_EQ(read->Value(*init, "M22"), "-");
  EXPECT_EQ(read->Value(*init, "D23"), "");
  EXPECT_EQ(read->Value(*init, "A24"), "■備考");
  EXPECT_EQ(read->Value(*init, "D33"), "voidinit(void){");
  EXPECT_EQ(read->Value(*init, "D34"), "}");
}

// The description sections at a record's end: texts in their areas (which
// grow by rows for long ones), 説明 cells wrapped when longer than P:W, and a
// text that reads like a tag is only a text.
TEST_F(DesignDocumentTest, DescriptionSectionsFillTheirCells) {
  const std::string long_text(40, 'x');
  WriteSjisText("vcwk012345/FunctionList4/f",
                "[フォルダ名]\nP\n\n[ファイル名]\nf.c\n\n[関数名称]\nf\n\n[関数型]\nstatic\tint\n\n[引数定義]\n"
                "int\ta\t\n\n[テンポラリ変数]\nNONE\n\n[コール関数（定義あり）]\nNONE\n\n[コール関数（定義なし）]\nNONE\n\n"
                "[戻り値]\n0\n\n[コール元]\nNONE_CALLER\n\n[関数説明]\n要約\n\n[処理説明]\n一\n二\n三\n四\n五\n\n"
                "[戻り値説明]\n0\tok\n\n[引数説明]\na\t" + long_text + "\n\n[テンポラリ変数説明]\nNONE\n\n[備考]\n[引数定義]\nint\tb\t\n\n");
  ASSERT_TRUE(Run());
  auto read = Book("f_c.xlsx");
  const xls::SheetModel* f = SheetNamed(*read, "f(1)");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(read->Value(*f, "D7"), "要約");
  EXPECT_EQ(read->Value(*f, "D8"), "一\n二\n三\n四\n五");
  EXPECT_TRUE(read->StyleAt(*f, "D8").wrap);
  EXPECT_TRUE(read->StyleAt(*f, "D8").top);
  EXPECT_TRUE(read->Merged(*f, "D8:W12"));  // two rows more for five lines
  EXPECT_TRUE(read->Merged(*f, "A8:C12"));
  EXPECT_EQ(read->Value(*f, "A13"), "■引数");
  EXPECT_EQ(read->Value(*f, "D14"), "a");
  EXPECT_EQ(read->Value(*f, "P14"), long_text);
  EXPECT_TRUE(read->StyleAt(*f, "P14").wrap);  // wider than P:W
  EXPECT_EQ(read->Value(*f, "D15"), "");       // the notes' "[引数定義]" added no argument
  EXPECT_EQ(read->Value(*f, "A16"), "■戻り値");
  EXPECT_EQ(read->Value(*f, "D17"), "0");
  EXPECT_EQ(read->Value(*f, "L17"), "int");
  EXPECT_EQ(read->Value(*f, "P17"), "ok");
  EXPECT_FALSE(read->StyleAt(*f, "P17").wrap);
  uint32_t notes = 18;
  while (notes < 60 && f->Value(notes, 1) != "■備考") ++notes;
  EXPECT_EQ(f->Value(notes, 4), "[引数定義]\nint\tb\t");
}

TEST_F(DesignDocumentTest, SheetNamesAndSkippedRecords) {
  SeedGoldenRecords();
  ASSERT_TRUE(Run());
  auto main_c = Book("main_c.xlsx");
  std::vector<std::string> names;
  for (const auto& sheet : main_c->book.sheets) names.push_back(sheet->name());
  EXPECT_EQ(names, (std::vector<std::string>{"表紙", "モジュール定義", "関数雛形", "abcdefghij_klmnopqrst_uvwx(1)",
                                             "abcdefghij_klmnopqrst_uvwx(2)", "foo(3)", "init(4)"}));
  const xls::SheetModel* cut = SheetNamed(*main_c, "abcdefghij_klmnopqrst_uvwx(2)");
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(main_c->Value(*cut, "D6"), "abcdefghij_klmnopqrst_uvwxy");  // the full name in D6
  // Without a SOURCE file the control area stays as the template has it.
  EXPECT_EQ(main_c->Value(*cut, "A31"), "■制御仕様");  // below the two call rows
  EXPECT_EQ(main_c->Value(*cut, "D32"), "");
  EXPECT_EQ(main_c->StyleAt(*cut, "D32").edges[xls::kEdgeLeft], BorderLine::kThin);
  EXPECT_EQ(main_c->book.active, 6u);

  auto util_c = Book("util_c.xlsx");
  ASSERT_EQ(util_c->book.sheets.size(), 4u);
  EXPECT_EQ(util_c->Sheet(3).name(), "helper(1)");
  EXPECT_EQ(util_c->Value(util_c->Sheet(3), "A1"), "PROJ/LIB");
  auto orphan = Book("orphan.xlsx");
  ASSERT_EQ(orphan->book.sheets.size(), 4u);
  EXPECT_EQ(orphan->Sheet(3).name(), "orphan(1)");
}

TEST_F(DesignDocumentTest, ShowPrintsEachSheetAsItIsSaved) {
  SeedGoldenRecords();
  ASSERT_TRUE(Run(true));
  EXPECT_EQ(progress_.shown,
            (std::vector<std::string>{"main_c.xlsx abcdefghij_klmnopqrst_uvwx(1)", "main_c.xlsx abcdefghij_klmnopqrst_uvwx(2)",
                                      "main_c.xlsx foo(3)", "util_c.xlsx helper(1)", "main_c.xlsx init(4)",
                                      "orphan.xlsx orphan(1)"}));
}

TEST_F(DesignDocumentTest, StopDuringTheTemplateRemovesTheRunFolder) {
  SeedGoldenRecords();
  run_.ui.on_status = [this](const std::string& text) {
    if (text == SJ("EXCEL雛形作成開始")) run_.session.progress.stop_flag = 1;
  };
  EXPECT_FALSE(Run());
  EXPECT_TRUE(RunFolders().empty());
  EXPECT_EQ(Utf8(run_.ui.Texts(Kind::kMessage)), std::vector<std::string>{});
  EXPECT_EQ(progress_.closed, 1);
}

TEST_F(DesignDocumentTest, StopDuringTheRecordsRemovesTheRunFolder) {
  SeedGoldenRecords();
  run_.ui.on_detail = [this](const std::string& text) {
    if (text == "helper") run_.session.progress.stop_flag = 1;
  };
  EXPECT_FALSE(Run());
  EXPECT_TRUE(RunFolders().empty());
  for (const std::string& m : run_.ui.MessagesUtf8()) EXPECT_EQ(m.find("設計書完了"), std::string::npos);
  EXPECT_EQ(progress_.closed, 1);
}

// A stop that comes while the last workbook is saved is honoured: the run
// folder goes, no "設計書完了".
TEST_F(DesignDocumentTest, AStopDuringTheLastSaveStillStopsTheRun) {
  SeedGoldenRecords();
  struct StopAtLastSheet : CountingProgress {
    explicit StopAtLastSheet(Progress& p) : progress(p) {}
    void SheetShown(const std::string& workbook, const std::string& sheet) override {
      if (ToUtf8(sheet) == "orphan(1)") progress.stop_flag = 1;
    }
    Progress& progress;
  } stopping(run_.session.progress);
  DesignDocumentOptions options;
  options.show_progress = true;
  EXPECT_FALSE(RunDesignDocumentCommand(*run_.ctx, options, &stopping));
  EXPECT_TRUE(RunFolders().empty());
  for (const std::string& m : run_.ui.MessagesUtf8()) EXPECT_EQ(m.find("設計書完了"), std::string::npos);
  EXPECT_EQ(Utf8(run_.ui.Texts(Kind::kStatus)).back(), "実行中断");
}

// A record replaced by a symlink to /dev/zero: "ファイル開けず", a log line,
// and the run does not report completion.
TEST_F(DesignDocumentTest, ADamagedRecordIsNamedAndTheRunIsIncomplete) {
  SeedGoldenRecords();
  fs::remove("vcwk012345/FunctionList4/helper");
  fs::create_symlink("/dev/zero", "vcwk012345/FunctionList4/helper");
  EXPECT_FALSE(Run());
  const auto messages = run_.ui.MessagesUtf8();
  EXPECT_NE(std::find(messages.begin(), messages.end(), "[終了] ファイル開けず"), messages.end());
  for (const std::string& m : messages) EXPECT_EQ(m.find("設計書完了"), std::string::npos);
  EXPECT_NE(testing::ReadFile("AnalyzeLog.txt").find("helper : 0 : "), std::string::npos);
  EXPECT_NE(testing::ReadFile("AnalyzeLog.txt").find("NOT A REGULAR FILE"), std::string::npos);
}

TEST_F(DesignDocumentTest, AnEmptyRecordFolderCompletesWithoutWorkbooks) {
  fs::create_directories("vcwk012345/FunctionList4");
  ASSERT_TRUE(Run());
  EXPECT_EQ(run_.ui.MessagesUtf8(), std::vector<std::string>{"[Kavenor] 設計書完了"});
  EXPECT_TRUE(FilesIn("out/" + RunFolders().at(0)).empty());
}

TEST_F(DesignDocumentTest, AnAutomationErrorEndsTheRunInOrder) {
  SeedGoldenRecords();
  // The run folder of this second (and the next few) already holds a folder
  // where the template must go: saving it fails.
  std::time_t now = std::time(nullptr);
  for (int i = 0; i < 5; ++i) {
    std::time_t t = now + i;
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[24];
    std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &local);
    fs::create_directories("out/自動設計書" + std::string(stamp) + "/ORIGINAL.xlsx/x");
  }
  EXPECT_FALSE(Run());
  auto messages = run_.ui.MessagesUtf8();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].starts_with("[終了] EXCEL操作エラー 4 (save failed)")) << messages[0];
  EXPECT_EQ(progress_.opened, 1);
  EXPECT_EQ(progress_.closed, 1);
  EXPECT_EQ(run_.session.progress.run_completed.load(), 0);
}

TEST_F(DesignDocumentTest, UnsafeNamesAreLoggedAndSkipped) {
  WriteSjisText("vcwk012345/FunctionList4/evil", "[ファイル名]\n../../x.c\n\n[関数名称]\nevil\n");
  WriteSjisText("vcwk012345/FunctionList4/back\\slash", "[ファイル名]\nb.c\n\n[関数名称]\nb\n");
  WriteSjisText("vcwk012345/FunctionList4/fine", "[ファイル名]\nfine.c\n\n[関数名称]\nfine\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(FilesIn("out/" + RunFolders().at(0)), std::vector<std::string>{"fine_c.xlsx"});
  std::string log = kv::testing::ReadSjisText("AnalyzeLog.txt");
  EXPECT_NE(log.find("back\\slash"), std::string::npos) << log;
  EXPECT_NE(log.find("__/__/x_c"), std::string::npos) << log;
}

TEST_F(DesignDocumentTest, ASourceFileNamedOriginalLeavesTheTemplateAlone) {
  WriteSjisText("vcwk012345/FunctionList4/a", "[ファイル名]\noriginal\n\n[関数名称]\na\n");
  WriteSjisText("vcwk012345/FunctionList4/b", "[ファイル名]\nother.c\n\n[関数名称]\nb\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(FilesIn("out/" + RunFolders().at(0)), (std::vector<std::string>{"original_.xlsx", "other_c.xlsx"}));
  EXPECT_EQ(Book("other_c.xlsx")->book.sheets.size(), 4u);
}

TEST_F(DesignDocumentTest, HostileRecordsDoNotStopTheRun) {
  std::string huge(100000, 'x');
  WriteFile("vcwk012345/FunctionList4/junk", ToCp932("[ファイル名]\nj.c\n\n[関数名称]\n") + huge + "\xFF\x81\r\n\r\n" +
                                                 ToCp932("[引数定義]\n") + huge + "\t\r\n\xFE\xFE\t[\r\n\r\n" +
                                                 ToCp932("[テンポラリ変数]\n\n[コール関数（定義あり）]\n"));
  WriteFile("vcwk012345/SOURCE/junk", "[SOURCE]\r\n" + huge + huge + "\r\n" + std::string("\0\x01\x02", 3) + "\r\n}");
  WriteFile("vcwk012345/FunctionList4/binary", std::string("\0\xFF\x80\x81[\n\r\n", 8));
  ASSERT_TRUE(Run());
  auto read = Book("j_c.xlsx");
  ASSERT_EQ(read->book.sheets.size(), 4u);
  const xls::SheetModel& sheet = read->Sheet(3);
  EXPECT_EQ(sheet.name(), std::string(26, 'x') + "(1)");
  EXPECT_EQ(xls::Utf8Length(read->Value(sheet, "D6")), xls::kMaxCellTextChars);
  EXPECT_EQ(read->Value(sheet, "D13"), "[");
  uint32_t caption = 1;
  while (caption < 100 && sheet.Value(caption, 1) != "■制御仕様") ++caption;
  EXPECT_EQ(xls::Utf8Length(sheet.Value(caption + 2, 4)), xls::kMaxCellTextChars);
  EXPECT_EQ(sheet.Value(caption + 3, 4), std::string("\0\x01\x02", 3));
  EXPECT_EQ(sheet.Value(caption + 4, 4), "}");
}

}  // namespace
}  // namespace kv
