// The bundled sample project through every stage: the final records, lists,
// trees and pages as they must come out, byte for byte.
#include <gtest/gtest.h>

#include "app/analyze_command.h"
#include "support/golden.h"
#include "support/test_folder.h"

namespace kv {
namespace {

TEST(SampleProjectTest, WholeRunWritesTheGoldenResults) {
  testing::ScratchFolder scratch;
  testing::CopyTree(testing::SourceRoot() + "/samples/engine_ctl", "engine_ctl");
  testing::WriteFile("out/.keep", "");
  Session session;
  RecordingUi ui;
  ui.QueueAnswer(false);
  AnalysisLog log;
  RunOptions options;
  options.source_folder = "engine_ctl";
  options.output_folder = "out";
  AnalyzeCommand command(session, ui, log, options);
  ASSERT_TRUE(command.Prepare());
  ASSERT_TRUE(command.RunWorker());
  ASSERT_EQ(command.Finish().status, AnalyzeResult::Status::kCompleted);
  EXPECT_TRUE(ui.MessagesUtf8().empty());
  for (const std::string& difference : testing::CompareWithGolden(testing::GoldenCase("sample_run/expected")))
    ADD_FAILURE() << difference;
}

}  // namespace
}  // namespace kv
