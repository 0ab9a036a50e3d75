// The kavenor binary itself: help texts, usage errors and exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/test_folder.h"

namespace {

struct RunResult {
  int status;
  std::string output;
};

// Runs the binary with `args`; `prefix` goes before it (an env command).
RunResult Kavenor(const std::string& args, const std::string& prefix = "") {
  std::string command = prefix + std::string(KAVENOR_BINARY) + " " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  RunResult run{-1, {}};
  if (pipe == nullptr) return run;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.output.append(buffer.data(), n);
  int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

std::string CurrentPath() { return std::filesystem::current_path().string(); }

TEST(CommandLineTest, HelpAndUsage) {
  RunResult help = Kavenor("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("analyze [--keep-locals] [--memory N] [--tree-lines N] [--graphs | --no-graphs]\n"
                             "          [--source-encoding E] [--open] SOURCE_DIR OUTPUT_DIR"),
            std::string::npos);
  // The help names the commands as they are typed.
  EXPECT_EQ(help.output.find("analyse"), std::string::npos);
  RunResult version = Kavenor("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output.rfind("kavenor 1.", 0), 0u) << version.output;
  RunResult analyze_help = Kavenor("analyze --help");
  EXPECT_EQ(analyze_help.status, 0);
  EXPECT_NE(analyze_help.output.find("--keep-locals"), std::string::npos);
  EXPECT_NE(analyze_help.output.find("--source-encoding"), std::string::npos);
  EXPECT_EQ(Kavenor("analyze --source-encoding latin1 a b").status, 2);
  EXPECT_EQ(Kavenor("").status, 2);
  EXPECT_EQ(Kavenor("frobnicate").status, 2);
  EXPECT_EQ(Kavenor("analyze onlyone").status, 2);
  EXPECT_EQ(Kavenor("analyze --memory 5 a b").status, 2);
  EXPECT_EQ(Kavenor("analyze --bogus a b").status, 2);
}

TEST(CommandLineTest, TreeLinesOption) {
  kv::testing::ScratchFolder scratch;
  EXPECT_EQ(Kavenor("analyze --tree-lines x a b").status, 2);
  EXPECT_EQ(Kavenor("analyze --tree-lines -1 a b").status, 2);
  EXPECT_EQ(Kavenor("variable --tree-lines 5 v .").status, 2);
  EXPECT_EQ(Kavenor("docs --tree-lines 5 .").status, 2);
  RunResult tree = Kavenor("tree --tree-lines 0 main .");
  EXPECT_EQ(tree.status, 1);
  EXPECT_NE(tree.output.find("[終了] 解析結果がありません"), std::string::npos) << tree.output;
}

TEST(CommandLineTest, AnalyzeRefusalAndCompletion) {
  kv::testing::ScratchFolder scratch;
  RunResult missing = Kavenor("analyze nowhere .");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("[終了] プロジェクトフォルダが見つかりません"), std::string::npos);
  kv::testing::WriteFile("proj/a.c", "int a;\n");
  kv::testing::WriteFile("out/.keep", "");
  RunResult done = Kavenor("analyze --memory=2 proj out");
  EXPECT_EQ(done.status, 0) << done.output;
  EXPECT_NE(done.output.find("/out/"), std::string::npos) << done.output;
  // Without --open the report is not opened, and the end says so plainly.
  EXPECT_NE(done.output.find("解析完了 結果を起動します -> not opened: --open was not given"), std::string::npos)
      << done.output;
  EXPECT_EQ(done.output.find("Cancel"), std::string::npos) << done.output;
}

// The end of every analyze: a summary with the log's path and the result
// folder; a "失敗!" is followed by the file and line it concerns.
TEST(CommandLineTest, AnalyzeSummaryAndFailureContext) {
  kv::testing::ScratchFolder scratch;
  kv::testing::WriteFile("proj/a.c", "int a;\nint f(void)\n{\n    x = 1; y\x81\x20z = 2;\n    return x;\n}\n");
  kv::testing::WriteFile("out/.keep", "");
  RunResult done = Kavenor("analyze proj out");
  EXPECT_EQ(done.status, 0) << done.output;
  const size_t failure = done.output.find("[終了] 失敗!\n");
  ASSERT_NE(failure, std::string::npos) << done.output;
  EXPECT_EQ(done.output.find("    at proj/a.c:4 (NextToken, 1 invalid Shift-JIS characters)\n"),
            failure + std::string("[終了] 失敗!\n").size())
      << done.output;
  EXPECT_NE(done.output.find("Summary:\n  source files read:   1\n  functions recorded:  1\n  findings in the log: "),
            std::string::npos)
      << done.output;
  EXPECT_NE(done.output.find("/AnalyzeLog.txt)\n"), std::string::npos) << done.output;
  EXPECT_NE(done.output.find("prints it here\n  result folder:       " + CurrentPath() + "/out/"), std::string::npos)
      << done.output;

  // A refused run prints its message and no summary: the numbers here are
  // the previous run's.
  RunResult refused = Kavenor("analyze nowhere out");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.output,
            "[終了] プロジェクトフォルダが見つかりません: nowhere\n"
            "kavenor: analysis refused; nothing was changed\n");
}

// The refusals as a user meets them: exit 1, one message naming the folder,
// the previous work folder and log as they were.
TEST(CommandLineTest, AnalyzeRefusalsLeaveThePreviousRunAlone) {
  kv::testing::ScratchFolder scratch;
  kv::testing::WriteFile("proj/a.c", "int f(void) { return 0; }\n");
  kv::testing::WriteFile("empty/readme.txt", "no sources\n");
  kv::testing::WriteFile("out/.keep", "");
  kv::testing::WriteFile("a-file", "x");
  ASSERT_EQ(Kavenor("analyze proj out").status, 0);
  const std::string record = kv::testing::ReadFile("vcwk012345/FunctionList4/f");
  const std::string log = kv::testing::ReadFile("AnalyzeLog.txt");
  ASSERT_FALSE(record.empty());
  struct Case {
    const char* args;
    const char* message;
  };
  for (const Case& c : {Case{"empty out", "[終了] プロジェクトフォルダにCのソースファイル(.c .h .cpp)がありません: empty"},
                        Case{"proj missing/out", "[終了] 出力フォルダがありません: missing/out"},
                        Case{"proj a-file", "[終了] 出力フォルダではなくファイルです: a-file"}}) {
    RunResult refused = Kavenor(std::string("analyze ") + c.args);
    EXPECT_EQ(refused.status, 1) << c.args;
    EXPECT_EQ(refused.output, std::string(c.message) + "\nkavenor: analysis refused; nothing was changed\n");
    EXPECT_EQ(kv::testing::ReadFile("vcwk012345/FunctionList4/f"), record);
    EXPECT_EQ(kv::testing::ReadFile("AnalyzeLog.txt"), log);
  }
  // A missing OUTPUT_DIR in an existing folder is made, and the run goes on.
  RunResult created = Kavenor("analyze proj out/first");
  EXPECT_EQ(created.status, 0) << created.output;
  EXPECT_TRUE(std::filesystem::is_directory("out/first"));
}

// A project of headers alone is a project; the one message it gets says
// where nothing was found.
TEST(CommandLineTest, HeaderOnlyProjectIsAnalysed) {
  kv::testing::ScratchFolder scratch;
  kv::testing::WriteFile("proj/inc/only.h", "#define ONLY 1\nstatic int twice(int x) { return 2 * x; }\n");
  RunResult done = Kavenor("analyze proj out");
  EXPECT_EQ(done.status, 0) << done.output;
  EXPECT_NE(done.output.find("[終了] ファイル開けず STEP5\n    at ./vcwk012345/FILEINFO/*.c (FUNC INFO)\n"),
            std::string::npos)
      << done.output;
}

// A plain name several files define is no choice: tree and variable list
// its records with their files and end as a usage error; the record name is
// taken.
TEST(CommandLineTest, APlainNameWithSeveralDefinitionsListsThem) {
  kv::testing::ScratchFolder scratch;
  kv::testing::WriteFile("proj/a/x.c", "static int count;\nstatic int helper(void) { count = 1; return 1; }\n");
  kv::testing::WriteFile("proj/b/x.c", "static int count;\nstatic int helper(void) { count = 2; return 2; }\n");
  kv::testing::WriteFile("out/.keep", "");
  ASSERT_EQ(Kavenor("analyze proj out").status, 0);
  RunResult tree = Kavenor("tree helper out");
  EXPECT_EQ(tree.status, 2);
  EXPECT_EQ(tree.output,
            "kavenor: helper is defined in 2 places; name one of its records:\n"
            "  helper@a_x.c\ta/x.c\n  helper@b_x.c\tb/x.c\n");
  RunResult variable = Kavenor("variable count out");
  EXPECT_EQ(variable.status, 2);
  EXPECT_NE(variable.output.find("  count@b_x.c\tb/x.c\n"), std::string::npos) << variable.output;
  EXPECT_EQ(Kavenor("tree helper@b_x.c out").status, 0);
  EXPECT_EQ(Kavenor("variable count@a_x.c out").status, 0);
}

// The findings by kind, one example each, every preprocessor finding at its
// file and line; `kavenor log` prints the CP932 log as UTF-8.
TEST(CommandLineTest, SummaryCountsFindingsByKind) {
  kv::testing::ScratchFolder scratch;
  kv::testing::WriteFile("proj/a.c", "int a;\n#if 1 +\n#endif\nint f(void) { return 0; }\n");
  kv::testing::WriteFile("proj/b.c", "int f(void) { return 1; }\n#ifdef NEVER_CLOSED\n");
  kv::testing::WriteFile("proj/u.c", "/* \xF0\x9F\x99\x82 */\nint u;\n");
  kv::testing::WriteFile("out/.keep", "");
  RunResult done = Kavenor("analyze proj out");
  EXPECT_EQ(done.status, 0) << done.output;
  const std::string kinds =
      "  findings in the log: 5 (" + CurrentPath() + "/AnalyzeLog.txt)\n"
      "       2 functions defined more than once (one record per definition)\n"
      "           e.g. a.c : 0 : f : ";
  EXPECT_NE(done.output.find(kinds), std::string::npos) << done.output;
  for (const char* part : {"       1 files with characters CP932 cannot hold (replaced by 〓)\n"
                           "           e.g. proj/u.c : 1 : 〓 : CP932にない文字を〓に置換\n",
                           "       1 #if/#elif conditions that could not be evaluated (taken as false)\n"
                           "           e.g. プリプロ解析 proj/a.c:2: #if 1 + : EvaluateCondition Syntax Error\n",
                           "       1 comments or #if blocks still open at the end of a file\n"
                           "           e.g. プリプロ解析 proj/b.c:2: #ifdef : Endif Missing\n"
                           "    the log is CP932 text: 'kavenor log' prints it here\n  result folder:"})
    EXPECT_NE(done.output.find(part), std::string::npos) << part << "\n" << done.output;
  // Each status line once, also where a stage and its frame both show it.
  for (const char* status : {"\n変数抽出・整合中\n", "\n制御仕様作成中\n", "\nRAMアクセス解析完了\n"}) {
    const size_t first = done.output.find(status);
    EXPECT_NE(first, std::string::npos) << status;
    EXPECT_EQ(done.output.find(status, first + 1), std::string::npos) << status << done.output;
  }

  RunResult log = Kavenor("log");
  EXPECT_EQ(log.status, 0);
  EXPECT_EQ(log.output.rfind("ANALYSYS START     : ", 0), 0u) << log.output;
  EXPECT_NE(log.output.find("\nプリプロ解析 proj/a.c:2: #if 1 + : EvaluateCondition Syntax Error\n"), std::string::npos)
      << log.output;
  EXPECT_EQ(log.output.find('\r'), std::string::npos);
  EXPECT_EQ(Kavenor("log missing.txt").status, 1);
}

// tree, variable and docs say where they wrote; a name that is no
// file-level variable is refused with exit status 1.
TEST(CommandLineTest, ResultCommandsSayWhereTheyWrote) {
  kv::testing::ScratchFolder scratch;
  kv::testing::WriteFile("proj/a.c", "int g_count;\nvoid f(void)\n{\n    g_count = 1;\n}\n");
  kv::testing::WriteFile("out/.keep", "");
  ASSERT_EQ(Kavenor("analyze proj out").status, 0);
  RunResult tree = Kavenor("tree f out");
  EXPECT_EQ(tree.status, 0) << tree.output;
  EXPECT_NE(tree.output.find("Report: " + CurrentPath() + "/out/"), std::string::npos) << tree.output;
  EXPECT_NE(tree.output.find("_f/index.html\n"), std::string::npos) << tree.output;
  RunResult variable = Kavenor("variable g_count out");
  EXPECT_EQ(variable.status, 0) << variable.output;
  EXPECT_NE(variable.output.find("_g_count/index.html\n"), std::string::npos) << variable.output;
  RunResult docs = Kavenor("docs out");
  EXPECT_EQ(docs.status, 0) << docs.output;
  EXPECT_NE(docs.output.find("Documents: " + CurrentPath() + "/out/自動設計書"), std::string::npos) << docs.output;
  RunResult not_a_variable = Kavenor("variable f out");
  EXPECT_EQ(not_a_variable.status, 1);
  EXPECT_NE(not_a_variable.output.find("[終了] 該当変数が存在しません"), std::string::npos) << not_a_variable.output;
}

// Without a display the commands still work, and "gui" says why it cannot
// open its window instead of aborting.
TEST(CommandLineTest, WorksWithoutADisplay) {
  kv::testing::ScratchFolder scratch;
  kv::testing::WriteFile("proj/a.c", "int a;\n");
  kv::testing::WriteFile("out/.keep", "");
  const std::string no_display = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
  RunResult gui = Kavenor("gui", no_display);
  EXPECT_EQ(gui.status, 1) << gui.output;
  EXPECT_NE(gui.output.find("kavenor: "), std::string::npos) << gui.output;
  EXPECT_EQ(Kavenor("gui --help", no_display).status, 0);
  RunResult done = Kavenor("analyze proj out", no_display);
  EXPECT_EQ(done.status, 0) << done.output;
}

TEST(CommandLineTest, GraphOptions) {
  kv::testing::ScratchFolder scratch;
  kv::testing::WriteFile("proj/a.c", "void f(void) {}\nvoid g(void) { f(); }\n");
  kv::testing::WriteFile("out/.keep", "");
  EXPECT_EQ(Kavenor("analyze --graphs --no-graphs proj out").status, 2);
  RunResult without = Kavenor("analyze --no-graphs proj out");
  EXPECT_EQ(without.status, 0) << without.output;
  EXPECT_FALSE(kv::testing::Exists("vcwk012345/HTML/GRAPH/g.svg"));
  // Two records: pictures by default.
  RunResult with = Kavenor("analyze proj out");
  EXPECT_EQ(with.status, 0) << with.output;
  EXPECT_NE(kv::testing::ReadFile("vcwk012345/HTML/GRAPH/g.svg").find("../f.html"), std::string::npos);
  EXPECT_NE(kv::testing::ReadFile("vcwk012345/HTML/g.html").find("GRAPH/g.svg"), std::string::npos);
}

}  // namespace
