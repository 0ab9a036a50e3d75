#include "run/analysis_log.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <regex>

#include "platform/encoding.h"
#include "platform/storage_failure.h"
#include "run/run_context.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::ReadSjisText;
using testing::ScratchFolder;

TEST(AnalysisLogTest, LineForms) {
  ScratchFolder scratch;
  AnalysisLog log;
  log.Banner("ANALYSYS START    ");
  log.Banner("FUNC ALS2 START     ");
  log.Note("./vcwk012345/func_als/*.*", "FILE NOT OPEN\n");
  log.Finding("main", 12, "x = 1;", SJ("例外発生070"));
  std::string text = ReadSjisText("AnalyzeLog.txt");
  std::regex expected(
      "ANALYSYS START     : \\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d\n"
      "FUNC ALS2 START      : \\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d\n"
      "プログラム解析 \\./vcwk012345/func_als/\\*\\.\\* : FILE NOT OPEN\n"
      "main : 12 : x = 1; : 例外発生070\n");
  EXPECT_TRUE(std::regex_match(text, expected)) << text;
  // The " : " after a 20-character word starts in column 21.
  EXPECT_EQ(text.find(" : ", text.find('\n') + 1) - (text.find('\n') + 1), 20u);
  EXPECT_NE(testing::ReadFile("AnalyzeLog.txt").find("\r\n"), std::string::npos);
  log.Delete();
  EXPECT_FALSE(testing::Exists("AnalyzeLog.txt"));
}

// A symlink planted at the log's name is never written through: the write
// fails, and the failure is kept as the one that ends the command, named
// with the file.
TEST(AnalysisLogTest, NeverWritesThroughASymlink) {
  ScratchFolder scratch;
  ClearStorageFailure();
  testing::WriteFile("victim.txt", "keep");
  std::filesystem::create_symlink("victim.txt", "AnalyzeLog.txt");
  AnalysisLog log;
  log.Finding("a", 0, "b", "c");
  EXPECT_EQ(testing::ReadFile("victim.txt"), "keep");
  EXPECT_EQ(StorageFailure(), ELOOP);
  EXPECT_EQ(ToUtf8(StorageFailureMessage()),
            "ファイルに書き込めません (Too many levels of symbolic links): ./AnalyzeLog.txt");
  ClearStorageFailure();
}

// The first refusal is the one kept; answers a caller expects (a missing
// file) are none.
TEST(StorageFailureTest, TheFirstRefusalIsKept) {
  ClearStorageFailure();
  NoteWriteFailure(ENOENT, "./vcwk012345/a");
  EXPECT_EQ(StorageFailure(), 0);
  NoteWriteFailure(ENOSPC, "./vcwk012345/func_als/f");
  NoteReadFailure(EIO, "./src/main.c");
  EXPECT_EQ(StorageFailure(), ENOSPC);
  EXPECT_EQ(ToUtf8(StorageFailureMessage()),
            "作業フォルダに書き込めません (No space left on device): ./vcwk012345/func_als/f");
  ClearStorageFailure();
  NoteReadFailure(EIO, "./src/main.c");
  EXPECT_EQ(ToUtf8(StorageFailureMessage()), "ファイルを読めません (Input/output error): ./src/main.c");
  ClearStorageFailure();
}

}  // namespace
}  // namespace kv
