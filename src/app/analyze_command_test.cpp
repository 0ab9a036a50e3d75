#include "app/analyze_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/progress_line.h"
#include "run/work_folder.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::Exists;
using testing::ReadSjisText;
using testing::ScratchFolder;
using testing::WriteFile;
using Kind = RecordingUi::Kind;

std::vector<std::string> LogWords(const std::string& log) {
  std::vector<std::string> words;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    size_t sep = line.find(" : ");
    words.push_back(sep == std::string::npos ? line : line.substr(0, sep));
  }
  return words;
}

std::vector<std::string> Utf8(const std::vector<std::string>& texts) {
  std::vector<std::string> out;
  for (const std::string& t : texts) out.push_back(ToUtf8(t));
  return out;
}

std::vector<std::string> ResultFolders() {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator("out")) out.push_back(e.path().filename().string());
  return out;
}

class AnalyzeCommandTest : public ::testing::Test {
 protected:
  AnalyzeCommandTest() {
    WriteFile("proj/main.c", "int main(void) { return 0; }\n");
    std::filesystem::create_directory("out");
  }

  RunOptions Options(const std::string& source = "proj", const std::string& output = "out") {
    RunOptions o;
    o.source_folder = source;
    o.output_folder = output;
    return o;
  }

  ScratchFolder scratch_;
  Session session_;
  RecordingUi ui_;
  AnalysisLog log_;
};

TEST_F(AnalyzeCommandTest, CompletedRunWritesBannersInOrderAndCopiesResults) {
  ui_.QueueAnswer(false);  // "解析完了 結果を起動します" -> Cancel
  AnalyzeCommand command(session_, ui_, log_, Options());
  ASSERT_TRUE(command.Prepare());
  EXPECT_TRUE(Exists("vcwk012345/DEF/proj"));
  EXPECT_TRUE(command.RunWorker());
  AnalyzeResult result = command.Finish();
  ASSERT_EQ(result.status, AnalyzeResult::Status::kCompleted);

  std::vector<std::string> expected = {"ANALYSYS START    "};
  for (const StageFrame& s : AnalysisStages()) {
    expected.push_back(std::string(s.start_word));
    expected.push_back(std::string(s.end_word));
  }
  expected.push_back("ANALYSYS END        ");
  EXPECT_EQ(LogWords(ReadSjisText("AnalyzeLog.txt")), expected);
  EXPECT_EQ(expected[7], "FLIE ALS START      ");

  std::vector<std::string> statuses = Utf8(ui_.Texts(Kind::kStatus));
  ASSERT_GE(statuses.size(), 4u);
  EXPECT_EQ(statuses.front(), "実行準備中");
  EXPECT_EQ(statuses[1], "ヘッダ・プリプロ解析中");
  EXPECT_EQ(statuses.back(), "解析終了");
  EXPECT_EQ(ui_.Texts(Kind::kDetail).back(), "----------------------");
  EXPECT_EQ(Utf8(ui_.Texts(Kind::kQuestion)), std::vector<std::string>{"解析完了 結果を起動します"});
  EXPECT_TRUE(ui_.Texts(Kind::kOpen).empty());
  EXPECT_EQ(session_.progress.Position(), 1000);
  EXPECT_EQ(session_.progress.run_completed.load(), 1);
  ASSERT_EQ(ResultFolders().size(), 1u);
  // The work folder stays for the later commands.
  EXPECT_TRUE(Exists("vcwk012345"));
}

TEST_F(AnalyzeCommandTest, SourceThatIsAFileIsRefusedAfterTheWorkFolderIsRebuilt) {
  WriteFile("vcwk012345/stale.txt", "old");
  WriteFile("AnalyzeLog.txt", "old log\r\n");
  WriteFile("file.c", "x");
  AnalyzeCommand command(session_, ui_, log_, Options("file.c"));
  EXPECT_FALSE(command.Prepare());
  EXPECT_EQ(ui_.MessagesUtf8(), std::vector<std::string>{"[終了] ディレクトリを指定してください"});
  EXPECT_FALSE(Exists("vcwk012345/stale.txt"));
  for (const char* f : {"vcwk012345/DEF", "vcwk012345/DEF/TMP", "vcwk012345/DEF2", "vcwk012345/DEF3"})
    EXPECT_TRUE(Exists(f)) << f;
  EXPECT_EQ(LogWords(ReadSjisText("AnalyzeLog.txt")), std::vector<std::string>{"ANALYSYS START    "});
}

TEST_F(AnalyzeCommandTest, MissingFoldersAreRefused) {
  {
    AnalyzeCommand command(session_, ui_, log_, Options("nowhere"));
    EXPECT_FALSE(command.Prepare());
  }
  {
    AnalyzeCommand command(session_, ui_, log_, Options("proj", "no-output"));
    EXPECT_FALSE(command.Prepare());
  }
  EXPECT_EQ(ui_.MessagesUtf8(), (std::vector<std::string>{"[終了] プロジェクトフォルダが見つかりません",
                                                          "[終了] 出力フォルダを指定してください"}));
  EXPECT_TRUE(Exists("vcwk012345/DEF3"));
  EXPECT_FALSE(Exists("vcwk012345/DEF/proj"));
}

TEST_F(AnalyzeCommandTest, StopDuringAStageRemovesTheWorkFolderAndCopiesNothing) {
  Progress& progress = session_.progress;
  ui_.on_status = [&](const std::string& text) {
    if (text == SJ("プログラム定義解析中")) progress.stop_flag = 1;
  };
  AnalyzeCommand command(session_, ui_, log_, Options());
  ASSERT_TRUE(command.Prepare());
  EXPECT_FALSE(command.RunWorker());
  EXPECT_EQ(command.Finish().status, AnalyzeResult::Status::kStopped);
  EXPECT_FALSE(Exists("vcwk012345"));
  EXPECT_TRUE(ResultFolders().empty());
  std::vector<std::string> statuses = Utf8(ui_.Texts(Kind::kStatus));
  EXPECT_EQ(statuses.back(), "実行中断");
  EXPECT_EQ(ui_.Texts(Kind::kDetail).back(), "----");
  std::vector<std::string> words = LogWords(ReadSjisText("AnalyzeLog.txt"));
  EXPECT_EQ(words.back(), "DEFINE ALS END      ");
  EXPECT_TRUE(ui_.MessagesUtf8().empty());
}

// Stages that fill the work folder with one of everything the copy takes.
StageOutcome FillWorkFolder(RunContext& ctx) {
  for (const char* f : {"HTML/a.html", "FunctionList4/main", "RAM/g", "DEF3/main_DEF_C.dat", "DEF/proj/main.c",
                        "index.html", "brimsole.html", "FILEINFO/FileFuncInfo.txt", "RAM_ALL/g",
                        "FuncList_ProtType.txt", "FuncList_Body.txt", "Typedef.txt", "ValList.txt", "ValList2.txt",
                        "HTML/CallTree/call_tree.txt", "HTML/CallTree/call_tree_ram.txt"})
    WriteFile(std::string("vcwk012345/") + f, f);
  WriteFile("vcwk012345/FuncList_Body.txt", "int\tmain\t(\tvoid\t)\t\r\nstatic\tvoid\tsub\t(\t)\t\r\n");
  WriteFile("vcwk012345/ValList2.txt", "g\r\n*p\r\ncount\r\n@1END\r\n\r\nafter\r\n");
  return StageOutcome::kContinue;
}

StageOutcome Nothing(RunContext&) { return StageOutcome::kContinue; }
StageOutcome EndWorker(RunContext&) { return StageOutcome::kEndWorker; }

std::vector<StageFrame> StagesWith(StageFunction first, StageFunction rest) {
  std::vector<StageFrame> stages = AnalysisStages();
  for (StageFrame& s : stages) {
    s.prologue = nullptr;
    s.body = rest;
  }
  stages[0].body = first;
  return stages;
}

TEST_F(AnalyzeCommandTest, ResultCopyTakesAllEighteenEntries) {
  AnalyzeCommand command(session_, ui_, log_, Options());
  ASSERT_TRUE(command.Prepare());
  ASSERT_TRUE(command.RunWorker(StagesWith(FillWorkFolder, Nothing)));
  AnalyzeResult result = command.Finish();
  ASSERT_EQ(result.status, AnalyzeResult::Status::kCompleted);
  EXPECT_TRUE(ui_.MessagesUtf8().empty()) << ui_.MessagesUtf8().front();
  std::string root = ToDiskPath(result.result_folder);
  for (const char* f : {"HTML/a.html", "FunctionList4/main", "RAM/g", "DEFINE/DEF3/main_DEF_C.dat",
                        "プリプロ展開ソフト/proj/main.c", "index.html", "brimsole.html", "FileFuncInfo.txt",
                        "RAM_ALL/g", "FunctionList_ProtType.txt", "FunctionList_Body.txt", "TypeDefine.txt",
                        "RamDefine.txt", "DetectRamAll.txt", "CallTree.txt", "CallTree_RAM_ACCESS.txt",
                        "AnalyzeLog.txt", "[解析テンポラリ]/vcwk012345/ValList.txt"})
    EXPECT_TRUE(Exists(root + "/" + f)) << f;
  EXPECT_EQ(result.function_names, (std::vector<std::string>{"main", "sub"}));
  EXPECT_EQ(result.variable_names, (std::vector<std::string>{"g", "count"}));
  // The result folder is named after the local time.
  EXPECT_NE(ToUtf8(result.result_folder).find("年"), std::string::npos);
}

TEST_F(AnalyzeCommandTest, CopyFailuresAreReportedInOrderAndTheCopyGoesOn) {
  AnalyzeCommand command(session_, ui_, log_, Options());
  ASSERT_TRUE(command.Prepare());
  ASSERT_TRUE(command.RunWorker(StagesWith(Nothing, Nothing)));
  ASSERT_EQ(command.Finish().status, AnalyzeResult::Status::kCompleted);
  std::vector<std::string> m = ui_.MessagesUtf8();
  ASSERT_EQ(m.size(), 14u);
  EXPECT_EQ(m[0], "[終了] コピー失敗");
  EXPECT_EQ(m[1], "[終了] 関数解析結果コピー失敗");
  EXPECT_EQ(m[2], "[終了] RAM解析結果コピー失敗");
  EXPECT_EQ(m[8], "[終了] [FunctionList_Body.txt]コピー失敗");
  EXPECT_EQ(m[11], "[終了] [RamAll.txt]コピー失敗");
  EXPECT_EQ(m[13], "[終了] コピー失敗");
}

TEST_F(AnalyzeCommandTest, EndedWorkerLeavesEverythingAndCompletesNothing) {
  AnalyzeCommand command(session_, ui_, log_, Options());
  ASSERT_TRUE(command.Prepare());
  EXPECT_FALSE(command.RunWorker(StagesWith(EndWorker, Nothing)));
  EXPECT_EQ(command.Finish().status, AnalyzeResult::Status::kIncomplete);
  EXPECT_TRUE(Exists("vcwk012345"));
  EXPECT_TRUE(ResultFolders().empty());
}

TEST_F(AnalyzeCommandTest, OkOpensTheReportAndReportsAFailedOpen) {
  ui_.QueueAnswer(true);
  ui_.set_open_result(false);
  AnalyzeCommand command(session_, ui_, log_, Options());
  ASSERT_TRUE(command.Prepare());
  ASSERT_TRUE(command.RunWorker(StagesWith(FillWorkFolder, Nothing)));
  AnalyzeResult result = command.Finish();
  std::vector<std::string> opened = ui_.Texts(Kind::kOpen);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], JoinPath(result.result_folder, "index.html"));
  EXPECT_EQ(ui_.MessagesUtf8(), std::vector<std::string>{"[終了] コールツリーindex起動失敗"});
}

TEST(ProgressTest, PositionAndElapsedText) {
  Progress p;
  p.base = 100;
  EXPECT_EQ(p.Position(), 100);  // divisor still 0
  p.divisor = 3;
  p.counter = 2;
  EXPECT_EQ(p.Position(), 100);
  p.counter = 3;
  EXPECT_EQ(p.Position(), 110);
  EXPECT_EQ(ElapsedText(0), "経過時間 00：00");
  EXPECT_EQ(ElapsedText(19), "経過時間 00：09");
  EXPECT_EQ(ElapsedText(2 * 61), "経過時間 01：01");
  EXPECT_EQ(ElapsedText(2 * 6001), "経過時間 100：01");
}

}  // namespace
}  // namespace kv
