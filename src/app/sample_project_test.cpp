// The bundled sample project through every stage: the final records, lists,
// trees and pages as they must come out, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/analyze_test_run.h"
#include "report/link_check.h"
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

  // Every link of the report in the result folder points at a file of it.
  std::vector<std::filesystem::path> results;
  for (const auto& entry : std::filesystem::directory_iterator("out"))
    if (entry.is_directory()) results.push_back(entry.path());
  ASSERT_EQ(results.size(), 1u);
  const LinkCheck links = CheckLinks(results[0].string(), {std::string(kWorkFolderBackup)});
  EXPECT_GT(links.pages, 20);
  EXPECT_GT(links.links, 60);
  for (const BrokenLink& link : links.broken) ADD_FAILURE() << link.page << " -> " << link.target;
}

}  // namespace
}  // namespace kv
