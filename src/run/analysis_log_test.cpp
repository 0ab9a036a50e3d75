#include "run/analysis_log.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/encoding.h"
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

}  // namespace
}  // namespace kv
