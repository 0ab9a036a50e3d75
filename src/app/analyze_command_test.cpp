#include "app/analyze_command.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// Every entry below the current folder with its kind, size and time of last
// change: equal snapshots mean nothing was created, removed or written.
std::vector<std::string> Snapshot() {
  std::vector<std::string> entries;
  for (const auto& e : std::filesystem::recursive_directory_iterator(".")) {
    struct stat st {};
    ::lstat(e.path().c_str(), &st);
    entries.push_back(e.path().string() + " " + std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " " +
                      std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec));
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// A refused run touches nothing: the previous run's work folder and log stay
// as they were (the later commands still read them), no lock file, no
// output folder is made; one message says which folder and why.
TEST_F(AnalyzeCommandTest, RefusalsComeBeforeAnythingIsTouched) {
  WriteFile("vcwk012345/FunctionList4/main", "[関数名称]\r\nmain\r\n");
  WriteFile("AnalyzeLog.txt", "ANALYSYS START     : 24.01.01 00:00:00\r\n");
  WriteFile("file.c", "int x;\n");
  WriteFile("notes/readme.txt", "no sources here\n");
  WriteFile("notes/sub/more.txt", "nor here\n");
  std::filesystem::create_directory("empty");
  WriteFile("out.txt", "a file\n");
  struct Case {
    std::string source, output, message;
  };
  const std::vector<Case> cases = {
      {"", "out", "[終了] プロジェクトフォルダが見つかりません"},
      {"nowhere", "out", "[終了] プロジェクトフォルダが見つかりません: nowhere"},
      {"file.c", "out", "[終了] ディレクトリを指定してください: file.c はファイルです"},
      {"empty", "out", "[終了] プロジェクトフォルダにCのソースファイル(.c .h .cpp)がありません: empty"},
      {"notes", "out", "[終了] プロジェクトフォルダにCのソースファイル(.c .h .cpp)がありません: notes"},
      // The work folder itself is no project.
      {"vcwk012345", "out", "[終了] プロジェクトフォルダにCのソースファイル(.c .h .cpp)がありません: vcwk012345"},
      {"proj", "", "[終了] 出力フォルダを指定してください"},
      {"proj", "no/such/out", "[終了] 出力フォルダがありません: no/such/out"},
      {"proj", "out.txt", "[終了] 出力フォルダではなくファイルです: out.txt"},
  };
  const std::vector<std::string> before = Snapshot();
  for (const Case& c : cases) {
    RecordingUi ui;
    AnalyzeCommand command(session_, ui, log_, Options(c.source, c.output));
    EXPECT_FALSE(command.Prepare()) << c.source << " " << c.output;
    EXPECT_EQ(ui.MessagesUtf8(), std::vector<std::string>{c.message});
    // Nothing on the status lines either: the window keeps what it showed.
    EXPECT_TRUE(ui.Texts(Kind::kStatus).empty());
    EXPECT_EQ(Snapshot(), before) << c.message;
  }
}

TEST_F(AnalyzeCommandTest, AnotherCommandsLockRefusesTheRunBeforeAnythingIsTouched) {
  WriteFile("vcwk012345/FunctionList4/main", "main\r\n");
  RunLock other;
  ASSERT_TRUE(other.TryAcquire());
  const std::vector<std::string> before = Snapshot();
  AnalyzeCommand command(session_, ui_, log_, Options("proj", "new-out"));
  EXPECT_FALSE(command.Prepare());
  ASSERT_EQ(ui_.MessagesUtf8().size(), 1u);
  EXPECT_NE(ui_.MessagesUtf8()[0].find("別のコマンドが実行中です"), std::string::npos);
  EXPECT_EQ(Snapshot(), before);  // the missing output folder was not made either
}

// An OUTPUT_DIR the program may not write into: a read-only file system for
// root (whom permissions do not stop), a folder without write permission for
// anyone else.
TEST_F(AnalyzeCommandTest, AnOutputFolderThatCannotBeWrittenIsRefused) {
  namespace fs = std::filesystem;
  fs::create_directory("locked");
  const std::string absolute = fs::absolute("locked").string();
  const bool root = ::geteuid() == 0;
  if (root && ::mount("tmpfs", absolute.c_str(), "tmpfs", MS_RDONLY, "size=16k") != 0)
    GTEST_SKIP() << "running as root where no read-only file system can be mounted";
  if (!root) fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec);
  const std::vector<std::string> before = Snapshot();
  AnalyzeCommand command(session_, ui_, log_, Options("proj", "locked"));
  EXPECT_FALSE(command.Prepare());
  EXPECT_EQ(ui_.MessagesUtf8(), std::vector<std::string>{std::string("[終了] 出力フォルダに書き込めません: locked (") +
                                                         (root ? "Read-only file system" : "Permission denied") + ")"});
  EXPECT_EQ(Snapshot(), before);
  if (root) ::umount2(absolute.c_str(), MNT_DETACH);
  if (!root) fs::permissions("locked", fs::perms::owner_all);
}

// A missing OUTPUT_DIR whose parent exists is made; a project whose only
// source is a header deep down is a project.
TEST_F(AnalyzeCommandTest, MissingOutputFolderIsCreatedInAnExistingParent) {
  WriteFile("deep/a/b/only.H", "#define ONLY 1\n");
  AnalyzeCommand command(session_, ui_, log_, Options("deep", "out/new"));
  ASSERT_TRUE(command.Prepare()) << ui_.MessagesUtf8().front();
  EXPECT_TRUE(std::filesystem::is_directory("out/new"));
  EXPECT_TRUE(ui_.MessagesUtf8().empty());
  EXPECT_TRUE(Exists("vcwk012345/DEF/deep"));
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
  // The window lists the functions with a body as the report's list does:
  // by name ignoring case; a prototype's placeholder is left out.
  testing::WriteSjisText("vcwk012345/FunctionList4/Sub", "[関数名称]\nSub\n\n");
  testing::WriteSjisText("vcwk012345/FunctionList4/main", "[関数名称]\nmain\n\n");
  testing::WriteSjisText("vcwk012345/FunctionList4/puts", "Not Found Function");
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
  EXPECT_EQ(result.function_names, (std::vector<std::string>{"main", "Sub"}));
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
