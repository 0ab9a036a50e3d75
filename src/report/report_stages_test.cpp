#include "report/report_stages.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "run/run_context.h"
#include "platform/encoding.h"
#include "report/report_commands.h"
#include "support/golden.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::CompareWithGolden;
using testing::CopyTree;
using testing::Exists;
using testing::GoldenCase;
using testing::ReadSjisText;
using testing::ScratchFolder;
using testing::WriteSjisText;
using Kind = RecordingUi::Kind;

namespace fs = std::filesystem;

// A seeded work folder (tests/golden/report_stage/input): six records —
// main calls init and run, run calls log; isr calls printf (no record) and
// rec, which calls itself — the prototype list with helper (no record), the
// variable list, three definition files and the source pages.
class ReportTest : public ::testing::Test {
 protected:
  ReportTest() {
    CopyTree(GoldenCase("report_stage") + "/input", ".");
    fs::create_directory("out");
    options_.source_folder = ToCp932("C:\\proj\\エンジン制御\\");
    options_.output_folder = "out";
  }

  StageOutcome RunStage() {
    RunContext ctx(session_, ui_, log_, options_);
    StageOutcome outcome = PrepareReportStage(ctx);
    if (outcome != StageOutcome::kContinue) return outcome;
    return RunReportStage(ctx);
  }

  RunContext Context() { return RunContext(session_, ui_, log_, options_); }

  // The one folder a command made in out/.
  std::string CommandFolder() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator("out")) names.push_back(entry.path().string());
    EXPECT_EQ(names.size(), 1u);
    return names.empty() ? std::string() : names[0];
  }

  std::vector<std::string> Messages() { return ui_.MessagesUtf8(); }

  ScratchFolder scratch_;
  Session session_;
  RecordingUi ui_;
  AnalysisLog log_;
  RunOptions options_;
};

void ExpectGolden(const std::string& expected, const std::string& actual = ".") {
  for (const std::string& difference : CompareWithGolden(expected, actual)) ADD_FAILURE() << difference;
}

TEST_F(ReportTest, StageWritesTheReportSet) {
  ASSERT_EQ(RunStage(), StageOutcome::kContinue);
  EXPECT_TRUE(Messages().empty());
  ExpectGolden(GoldenCase("report_stage") + "/expected");
  // Within the budget nothing is logged about the trees.
  EXPECT_FALSE(Exists("AnalyzeLog.txt"));
}

// A static variable's page lists the functions of its own file only (cnt
// is accessed by run of main.c and rec of isr.c).
TEST_F(ReportTest, StaticVariablePagesListTheirOwnFilesFunctions) {
  WriteSjisText("vcwk012345/F_main.c", "static\tint\tcnt\t;\n");
  ASSERT_EQ(RunStage(), StageOutcome::kContinue);
  const std::string text = ReadSjisText("vcwk012345/RAM/cnt");
  EXPECT_EQ(text.find("rec"), std::string::npos) << text;
  EXPECT_NE(text.find("run\n\t2 アクセス"), std::string::npos) << text;
}

TEST_F(ReportTest, BriefFormBeyondTheBudget) {
  options_.tree_line_budget = 10;
  ASSERT_EQ(RunStage(), StageOutcome::kContinue);
  ExpectGolden(GoldenCase("report_brief") + "/expected");
  // main's tree is 4 lines, isr's 1 + 1 + 25 + 1: 32 in all.
  EXPECT_NE(ReadSjisText("AnalyzeLog.txt").find("WriteCallTree : 0 : コールツリー簡略形式で出力 展開時の行数 32 : 上限 10"),
            std::string::npos)
      << ReadSjisText("AnalyzeLog.txt");
}

TEST_F(ReportTest, TreeCommandWritesItsFolder) {
  ASSERT_EQ(RunStage(), StageOutcome::kContinue);
  RunContext ctx = Context();
  ASSERT_TRUE(RunFunctionTreeCommand(ctx, "isr", NameSource::kEdit));
  EXPECT_EQ(Messages(), std::vector<std::string>{"[終了] コールツリー作成完了"});
  const std::string folder = CommandFolder();
  EXPECT_TRUE(folder.ends_with("_isr"));
  ExpectGolden(GoldenCase("report_tree_command") + "/expected", folder);
  // The same folder stays in the work folder, and the copy is opened.
  EXPECT_TRUE(Exists("vcwk012345/HTML/CallTree/" + fs::path(folder).filename().string() + "/index.html"));
  EXPECT_EQ(ui_.Texts(Kind::kOpen), std::vector<std::string>{folder + "/index.html"});
}

TEST_F(ReportTest, VariableCommandWritesItsFolder) {
  ASSERT_EQ(RunStage(), StageOutcome::kContinue);
  RunContext ctx = Context();
  ASSERT_TRUE(RunVariableCommand(ctx, "cnt", NameSource::kEdit));
  EXPECT_EQ(Messages(), std::vector<std::string>{"[終了] cnt変数分析終了"});
  const std::string folder = CommandFolder();
  EXPECT_TRUE(folder.ends_with("_cnt"));
  ExpectGolden(GoldenCase("report_variable_command") + "/expected", folder);
  EXPECT_TRUE(Exists("vcwk012345/RAM_D/" + fs::path(folder).filename().string() + "/Ram_cnt.txt"));
}

TEST_F(ReportTest, CommandsRefuseWhatTheWindowRefused) {
  RunContext ctx = Context();
  EXPECT_FALSE(RunFunctionTreeCommand(ctx, "", NameSource::kEdit));
  EXPECT_FALSE(RunFunctionTreeCommand(ctx, "SELECT FUNCTION", NameSource::kCombo));
  EXPECT_FALSE(RunFunctionTreeCommand(ctx, "nothere", NameSource::kEdit));
  EXPECT_FALSE(RunVariableCommand(ctx, "", NameSource::kEdit));
  EXPECT_FALSE(RunVariableCommand(ctx, "SELECT RAM VALUE", NameSource::kCombo));
  fs::remove_all("vcwk012345/FunctionList4");
  EXPECT_FALSE(RunFunctionTreeCommand(ctx, "main", NameSource::kEdit));
  EXPECT_FALSE(RunVariableCommand(ctx, "cnt", NameSource::kEdit));
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "[終了] 入力してください",
                            "[終了] リストから選択してください",
                            "[終了] 該当関数が存在しません",
                            "[終了] 入力してください",
                            "[終了] リストから選択してください",
                            "[終了] 解析結果がありません",
                            "[終了] 解析結果がありません",
                        }));
  EXPECT_TRUE(fs::is_empty("out"));
}

TEST_F(ReportTest, NamesThatCannotBeFileNamesAreRefused) {
  ASSERT_EQ(RunStage(), StageOutcome::kContinue);
  RunContext ctx = Context();
  // No file-level variable has such a name: refused before any folder is made.
  EXPECT_FALSE(RunVariableCommand(ctx, "../../etc", NameSource::kEdit));
  EXPECT_TRUE(fs::is_empty("out"));
  EXPECT_FALSE(fs::exists("vcwk012345/RAM_D") && !fs::is_empty("vcwk012345/RAM_D"));
  EXPECT_EQ(Messages(), std::vector<std::string>{"[終了] 該当変数が存在しません"});
}

// A name that is no file-level variable (a function, a typo) says so and
// writes nothing; a variable of ValList.txt runs and says where it wrote.
TEST_F(ReportTest, VariableCommandRefusesNamesThatAreNoVariables) {
  ASSERT_EQ(RunStage(), StageOutcome::kContinue);
  RunContext ctx = Context();
  std::string written_to;
  EXPECT_FALSE(RunVariableCommand(ctx, "main", NameSource::kEdit, &written_to));
  EXPECT_TRUE(written_to.empty());
  EXPECT_TRUE(fs::is_empty("out"));
  EXPECT_EQ(Messages().back(), "[終了] 該当変数が存在しません");
  EXPECT_TRUE(RunVariableCommand(ctx, "g_cnt", NameSource::kEdit, &written_to));
  EXPECT_EQ(written_to.rfind("out/", 0), 0u) << written_to;
  EXPECT_TRUE(fs::exists(written_to + "/index.html"));
}

TEST_F(ReportTest, MissingTopPageEndsTheWorker) {
  fs::remove_all("vcwk012345/HTML");
  WriteSjisText("vcwk012345/HTML", "a file where the folder should be");
  EXPECT_EQ(RunStage(), StageOutcome::kEndWorker);
  EXPECT_EQ(Messages(), std::vector<std::string>{"[終了] TOP HTML 作成失敗"});
  EXPECT_EQ(ReadSjisText("AnalyzeLog.txt"), "プログラム解析 ./vcwk012345/HTML/top.html : FILE NOT OPEN\n");
}

TEST_F(ReportTest, MissingListsAreReportedAndTheRunGoesOn) {
  fs::remove("vcwk012345/FuncList_ProtType.txt");
  fs::remove("vcwk012345/ValList.txt");
  fs::remove_all("vcwk012345/DEF3");
  ASSERT_EQ(RunStage(), StageOutcome::kContinue);
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "[終了] 関数リスト存在せず",
                            "[終了] 関数リスト存在せず",
                            "[終了] DEFファイル開けず",
                            "[終了] RAMListが存在しません",
                        }));
  EXPECT_FALSE(Exists("vcwk012345/HTML/Funclist.html"));
  EXPECT_FALSE(Exists("vcwk012345/HTML/ValList.html"));
  EXPECT_TRUE(Exists("vcwk012345/HTML/CallTree/CallTree_main.html"));
}

TEST_F(ReportTest, NoRecordFolderEndsTheWorker) {
  fs::remove_all("vcwk012345/FunctionList4");
  EXPECT_EQ(RunStage(), StageOutcome::kEndWorker);
  EXPECT_EQ(Messages(), std::vector<std::string>{"[終了] 該当関数が存在しません"});
}

TEST_F(ReportTest, StopEndsTheRun) {
  ui_.on_detail = [this](const std::string&) { session_.progress.stop_flag = 1; };
  EXPECT_EQ(RunStage(), StageOutcome::kStopRun);
}

}  // namespace
}  // namespace kv
