// The bundled sample project through every stage: the final records, lists,
// trees and pages as they must come out, byte for byte.
#include <gtest/gtest.h>

#include "app/analyze_test_run.h"
#include "support/golden.h"
#include "support/test_folder.h"

namespace kv {
namespace {

TEST(SampleProjectTest, WholeRunWritesTheGoldenResults) {
  testing::ScratchFolder scratch;
  testing::CopyTree(testing::SourceRoot() + "/samples/engine_ctl", "engine_ctl");
  testing::WriteFile("out/.keep", "");
  testing::AnalyzeTestRun run("engine_ctl", "out");
  ASSERT_EQ(run.Run(), AnalyzeResult::Status::kCompleted);
  EXPECT_TRUE(run.ui.MessagesUtf8().empty());
  for (const std::string& difference : testing::CompareWithGolden(testing::GoldenCase("sample_run/expected")))
    ADD_FAILURE() << difference;
}

}  // namespace
}  // namespace kv
