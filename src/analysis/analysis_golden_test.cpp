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

// Typedef.txt and the enumeration records appended to the file's
// definition file (after the record PREPRO wrote).
TEST(AnalysisGoldenTest, TypedefsAndEnumerations) {
  AnalysisRun run;
  run.AddInput(GoldenCase("analysis_typedef") + "/input");
  run.RunDefineAls();
  ExpectNoDifferences(run.CompareWithCase("analysis_typedef"));
}

// Prototype, variable and definition lines, the F_ and INF files.
TEST(AnalysisGoldenTest, DeclarationsAndDefinitions) {
  AnalysisRun run;
  run.AddInput(GoldenCase("analysis_decls") + "/input");
  run.RunAll();
  ExpectNoDifferences(run.CompareWithCase("analysis_decls"));
  EXPECT_TRUE(run.ctx.types().Contains("MYTYPE"));
  EXPECT_TRUE(run.ctx.types().Contains("tag"));
  EXPECT_TRUE(run.ctx.types().Contains("NAME"));
}

// Records, SOURCE, SOURCE2 and HTML pages of bodies exercising every
// statement form.
TEST(AnalysisGoldenTest, FunctionBodies) {
  AnalysisRun run;
  run.AddInput(GoldenCase("analysis_body") + "/input");
  run.RunAll();
  ExpectNoDifferences(run.CompareWithCase("analysis_body"));
}

// A project the file-level scan handles completely: the definitions found
// afterwards by shape add nothing, and every file keeps the bytes it had
// before that pass existed.
TEST(AnalysisGoldenTest, ProjectTheFirstScanHandlesKeepsItsBytes) {
  AnalysisRun run;
  run.AddInput(GoldenCase("analysis_first_scan") + "/input");
  run.RunAll();
  ExpectNoDifferences(run.CompareWithCase("analysis_first_scan"));
}

// Control descriptions: if / else if / else chains, nesting, switch with
// break, loops and returns.
TEST(AnalysisGoldenTest, ControlDescriptions) {
  AnalysisRun run;
  run.AddInput(GoldenCase("analysis_control") + "/input");
  run.RunAll();
  ExpectNoDifferences(run.CompareWithCase("analysis_control"));
}

}  // namespace
}  // namespace kv
