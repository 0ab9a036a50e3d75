// The kavenor binary itself: help texts, usage errors and exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
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

TEST(CommandLineTest, HelpAndUsage) {
  RunResult help = Kavenor("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("analyze [--keep-locals] [--memory N] [--open] SOURCE_DIR OUTPUT_DIR"), std::string::npos);
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
  EXPECT_NE(done.output.find("解析完了 結果を起動します -> Cancel"), std::string::npos);
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

}  // namespace
