// A project whose names are defined in several files, as a tree that builds
// several targets has them: a static helper and a static variable per file,
// an _exit per target folder, a static inline stub in a header beside the
// real function. Each definition keeps its own record, list and page; each
// call and access goes where the linker would take it.
#include <gtest/gtest.h>

#include "app/analyze_test_run.h"
#include "report/report_commands.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "run/run_context.h"
#include "support/golden.h"
#include "support/test_folder.h"

namespace kv {
namespace {

class SameNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::CopyTree(testing::GoldenCase("same_names") + "/input", ".");
    testing::WriteFile("out/.keep", "");
    ASSERT_EQ(run_.Run(), AnalyzeResult::Status::kCompleted);
  }

  testing::ScratchFolder scratch_;
  testing::AnalyzeTestRun run_{"same", "out"};
};

// The records, callers, tree, links and access lists byte for byte: the
// caller in a/ reaches a/'s _exit, the one in b/ b/'s, main (as near to
// both) the first; the mouse reaches the header's stub.
TEST_F(SameNamesTest, EachDefinitionHasItsRecordAndEachCallItsTarget) {
  for (const std::string& difference : testing::CompareWithGolden(testing::GoldenCase("same_names/expected")))
    ADD_FAILURE() << difference;
  const std::string log = testing::ReadSjisText("AnalyzeLog.txt");
  for (const char* finding : {"a/board.c : 0 : helper : 同名関数 定義ごとの記録 helper@a_board.c\n",
                              "hgpk.h : 0 : hgpk_init : 同名関数 定義ごとの記録 hgpk_init@hgpk.h\n",
                              "b/board.c : 0 : count : 同名変数 定義ごとの記録 count@b_board.c\n",
                              "main.c : 0 : _exit : 同名関数 2定義から最も近い記録 _exit@a_board.c\n"})
    EXPECT_NE(log.find(finding), std::string::npos) << finding << log;
  EXPECT_EQ(log.find("b/stop.c : 0 : _exit : 同名関数 2定義から最も近い記録 _exit@a_board.c"), std::string::npos);
  // The plain name's page lists the definitions: a ◆ that none of them
  // answers (each static in another file) lands there, not on a missing page.
  const std::string choice = testing::ReadSjisText("vcwk012345/HTML/helper.html");
  EXPECT_NE(choice.find("<A href= helper@a_board.c.html>helper@a_board.c</A>"), std::string::npos) << choice;
  EXPECT_NE(choice.find("<A href= helper@b_board.c.html>helper@b_board.c</A>"), std::string::npos) << choice;
}

// The commands take a record name; a plain name several files define is
// refused with the records to choose from.
TEST_F(SameNamesTest, CommandsTakeTheRecordNameAndListThePlainOnesRecords) {
  RunContext ctx(run_.session, run_.ui, run_.log, run_.options);
  std::string written;
  ASSERT_TRUE(RunVariableCommand(ctx, "count@b_board.c", NameSource::kEdit, &written));
  const std::string list = testing::ReadSjisText(ToDiskPath(written) + "/Ram_count@b_board.c.txt");
  EXPECT_NE(list.find("start_b\n\tcount [w]\n"), std::string::npos) << list;
  EXPECT_EQ(list.find("start_a"), std::string::npos) << list;
  EXPECT_NE(list.find("アクセス数 2 アクセス"), std::string::npos) << list;

  ASSERT_TRUE(RunFunctionTreeCommand(ctx, "_exit@b_board.c", NameSource::kEdit, &written));
  EXPECT_EQ(testing::ReadSjisText(ToDiskPath(written) + "/call_tree__exit@b_board.c.txt"), "--_exit@b_board.c\n");

  const size_t before = run_.ui.MessagesUtf8().size();
  EXPECT_FALSE(RunFunctionTreeCommand(ctx, "helper", NameSource::kEdit, &written));
  EXPECT_FALSE(RunVariableCommand(ctx, "count", NameSource::kEdit, &written));
  const std::vector<std::string> messages = run_.ui.MessagesUtf8();
  ASSERT_EQ(messages.size(), before + 2);
  EXPECT_NE(messages[before].find("helper@a_board.c  (a/board.c)\nhelper@b_board.c  (b/board.c)"), std::string::npos)
      << messages[before];
  EXPECT_NE(messages[before + 1].find("count@a_board.c  (a/board.c)\ncount@b_board.c  (b/board.c)"), std::string::npos)
      << messages[before + 1];
}

}  // namespace
}  // namespace kv
