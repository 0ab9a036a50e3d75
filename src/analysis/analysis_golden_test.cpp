// Golden tests of DEFINE ALS, FILE ALS and SPEC LIST: small projects and the
// exact bytes of every file the three stages write.
#include <gtest/gtest.h>

#include "analysis/analysis_test_support.h"
#include "support/golden.h"

namespace kv {
namespace {

using testing::AnalysisRun;
using testing::GoldenCase;
using testing::SourceRoot;

void ExpectNoDifferences(const std::vector<std::string>& differences) {
  for (const std::string& d : differences) ADD_FAILURE() << d;
}

TEST(AnalysisGoldenTest, SampleProject) {
  AnalysisRun run("engine_ctl");
  run.AddSourceTree(SourceRoot() + "/samples/engine_ctl");
  run.RunAll();
  ExpectNoDifferences(run.CompareWithCase("analysis_sample"));
}

}  // namespace
}  // namespace kv
