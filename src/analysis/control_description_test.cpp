#include "analysis/control_description.h"

#include <gtest/gtest.h>

#include "analysis/analysis_stages.h"
#include "analysis/analysis_test_support.h"
#include "platform/encoding.h"

namespace kv {
namespace {

using testing::AnalysisRun;
using testing::Exists;
using testing::ReadSjisText;
using testing::WriteFile;

std::string Utf8Tag(ControlDescriptionExtractor& e, const std::string& tag, int depth) {
  return ToUtf8(e.SetDesignTAG(ToCp932(tag), depth));
}

TEST(ControlDescriptionTest, SetDesignTagNumbersBranchesByDepthAndElseIfCount) {
  AnalysisRun run;
  ControlDescriptionExtractor e(run.ctx);
  EXPECT_EQ(Utf8Tag(e, "[条件 IF] ", 0), "\t[条件分岐1] ");
  EXPECT_EQ(Utf8Tag(e, "[条件 ELIF] ", 0), "\t[条件分岐1-1] ");
  EXPECT_EQ(Utf8Tag(e, "[条件 ELIF] ", 0), "\t[条件分岐1-2] ");
  EXPECT_EQ(e.elif_counter(), 2);
  EXPECT_EQ(Utf8Tag(e, "[条件 ELSE] ", 0), "\t[上記以外]");
  EXPECT_EQ(e.elif_counter(), 0);
  EXPECT_EQ(Utf8Tag(e, "[条件 IF] ", 2), "\t\t\t[条件分岐3] ");
  EXPECT_EQ(Utf8Tag(e, "[処理] ", 1), "\t\t[処理] ");
  // The number table has texts for depths 0 to 19 only; tabs have no limit.
  EXPECT_EQ(Utf8Tag(e, "[条件 IF] ", 19), std::string(20, '\t') + "[条件分岐20] ");
  EXPECT_EQ(Utf8Tag(e, "[条件 IF] ", 20), std::string(21, '\t') + "[条件分岐] ");
  for (int i = 0; i < 20; ++i) e.SetDesignTAG(ToCp932("[条件 ELIF] "), 0);
  EXPECT_EQ(Utf8Tag(e, "[条件 ELIF] ", 0), "\t[条件分岐1-] ");
}

TEST(ControlDescriptionTest, MissingInputOrOutputGives255) {
  AnalysisRun run;
  ControlDescriptionExtractor e(run.ctx);
  EXPECT_EQ(e.Extract("./vcwk012345/SOURCE/none", "none"), 255);
  WriteFile("vcwk012345/SOURCE/f", "[SOURCE]\r\nf\r\n x = 1;\r\n}");
  EXPECT_EQ(e.Extract("./vcwk012345/SOURCE/f", "f"), 255);  // SOURCE3 does not exist yet
  EXPECT_FALSE(Exists("vcwk012345/SOURCE3/f"));
}

TEST(ControlDescriptionTest, LongHeaderLineIsDroppedWhole) {
  AnalysisRun run;
  WriteFile("vcwk012345/SOURCE/f", "[SOURCE]\r\nvoid f ( " + std::string(5000, 'a') + " ) {\r\n x = 1;\r\n}");
  EXPECT_EQ(RunSpecListStage(run.ctx), StageOutcome::kContinue);
  EXPECT_EQ(ReadSjisText("vcwk012345/SOURCE3/f"), "\t[処理] 　x　=　1　\n");
}

TEST(ControlDescriptionTest, StatementPastThreeThousandTokensRestartsItsIndex) {
  AnalysisRun run;
  std::string body;
  for (int i = 0; i < 1700; ++i) body += " + a\r\n";
  WriteFile("vcwk012345/SOURCE/f", "[SOURCE]\r\nvoid f ( ) {\r\n x = a\r\n" + body + " ;\r\n y = 1;\r\n}");
  RunSpecListStage(run.ctx);
  std::string log = ReadSjisText("AnalyzeLog.txt");
  EXPECT_NE(log.find("f : 1500 : "), std::string::npos) << log;
  EXPECT_NE(log.find(" : メモリオーバーWordAlsFuncltion_Als310\n"), std::string::npos) << log;
  std::string steps = ReadSjisText("vcwk012345/SOURCE3/f");
  EXPECT_NE(steps.find("\t[処理] 　y　=　1　\n"), std::string::npos);
}

TEST(ControlDescriptionTest, StageStopsBeforeTheNextFile) {
  AnalysisRun run;
  WriteFile("vcwk012345/SOURCE/a", "[SOURCE]\r\na\r\n x = 1;\r\n}");
  WriteFile("vcwk012345/SOURCE/b", "[SOURCE]\r\nb\r\n x = 1;\r\n}");
  run.ui.on_detail = [&run](const std::string&) { run.ctx.progress.stop_flag = 1; };
  EXPECT_EQ(RunSpecListStage(run.ctx), StageOutcome::kStopRun);
  EXPECT_TRUE(Exists("vcwk012345/SOURCE3/a"));
  EXPECT_FALSE(Exists("vcwk012345/SOURCE3/b"));
}

TEST(ControlDescriptionTest, StatementsWithoutLines) {
  AnalysisRun run;
  WriteFile("vcwk012345/SOURCE/f",
            "[SOURCE]\r\nvoid f ( ) {\r\n int i;\r\n /* a\r\n b = c; */\r\n #define X \\\r\n   1\r\n"
            " do {\r\n i++;\r\n } while (i < 3);\r\n else y = 2;\r\n continue;\r\n}");
  RunSpecListStage(run.ctx);
  EXPECT_EQ(ReadSjisText("vcwk012345/SOURCE3/f"),
            "\t\t[処理] 　i　++　\n"
            "\t[繰返し] 　i　<　3　\n");
}

}  // namespace
}  // namespace kv
