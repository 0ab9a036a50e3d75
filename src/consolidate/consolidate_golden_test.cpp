// Golden tests: a seeded work folder taken through every consolidation pass,
// each pass's files compared with tests/golden/consolidate_chain/expected.
#include <gtest/gtest.h>

#include <filesystem>

#include "consolidate/consolidate_stages.h"
#include "consolidate/consolidate_test_support.h"

namespace kv {
namespace {

using testing::GoldenDifferences;
using testing::ScratchFolder;
using testing::SeedFromGolden;
using testing::StageHarness;

constexpr const char* kCase = "consolidate_chain";

class ConsolidateChainTest : public ::testing::Test {
 protected:
  ConsolidateChainTest() { SeedFromGolden(kCase); }
  ScratchFolder scratch_;
};

TEST_F(ConsolidateChainTest, EveryPassWritesItsFiles) {
  StageHarness run;
  RunContext& ctx = run.ctx();
  ASSERT_EQ(RunFuncAls15Stage(ctx), StageOutcome::kContinue);
  EXPECT_EQ(GoldenDifferences(kCase, "1_func_als15"), "");
  ASSERT_EQ(RunFuncAls2Stage(ctx), StageOutcome::kContinue);
  EXPECT_EQ(GoldenDifferences(kCase, "2_func_als2"), "");
  // The log gets one finding: gen.c has no definition file, and the records
  // after it are still processed.
  ASSERT_EQ(RunFuncAls3Stage(ctx), StageOutcome::kContinue);
  EXPECT_EQ(GoldenDifferences(kCase, "3_func_als3"), "");
  ASSERT_EQ(RunFuncAls4Stage(ctx), StageOutcome::kContinue);
  EXPECT_EQ(GoldenDifferences(kCase, "4_func_als4"), "");
  ASSERT_EQ(RunCallListStage(ctx), StageOutcome::kContinue);
  EXPECT_EQ(GoldenDifferences(kCase, "5_call_list"), "");
  ASSERT_EQ(RunValueListStage(ctx), StageOutcome::kContinue);
  EXPECT_EQ(GoldenDifferences(kCase, "6_value_list"), "");
  ASSERT_EQ(RunRamAcsListStage(ctx), StageOutcome::kContinue);
  EXPECT_EQ(GoldenDifferences(kCase, "7_ram_acs_list"), "");
  ASSERT_EQ(PrepareFuncInfoStage(ctx), StageOutcome::kContinue);
  ASSERT_EQ(RunFuncInfoStage(ctx), StageOutcome::kContinue);
  EXPECT_EQ(GoldenDifferences(kCase, "8_func_info"), "");
  EXPECT_TRUE(std::filesystem::is_directory("vcwk012345/SOURCE5"));
  EXPECT_TRUE(run.Messages().empty()) << run.Messages().front();
}

TEST_F(ConsolidateChainTest, KeepLocalsKeepsArgumentsTemporariesAndMembers) {
  StageHarness run(/*keep_locals=*/true);
  ASSERT_EQ(RunFuncAls15Stage(run.ctx()), StageOutcome::kContinue);
  ASSERT_EQ(RunFuncAls2Stage(run.ctx()), StageOutcome::kContinue);
  ASSERT_EQ(RunFuncAls3Stage(run.ctx()), StageOutcome::kContinue);
  EXPECT_EQ(GoldenDifferences(kCase, "3_func_als3_keep_locals"), "");
}

}  // namespace
}  // namespace kv
