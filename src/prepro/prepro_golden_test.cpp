// The exact bytes HEADER LIST and PREPRO write for small projects.
#include <gtest/gtest.h>

#include "prepro/prepro_test_run.h"
#include "support/golden.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::CompareWithGolden;
using testing::CopyTree;
using testing::GoldenCase;
using testing::PreproTestRun;
using testing::ScratchFolder;

// main.c of prepro_basic: folded, cast, suffixed and back-substituted
// values (DEF against DEF3), a comment over two lines, nested
// #ifdef/#if/#elif/#else chains, an include next to the file, one found only
// through Header_List.txt (and not taken for myshared.h), and an include
// inside an #if block.
TEST(PreproGoldenTest, BasicProject) {
  ScratchFolder scratch;
  CopyTree(GoldenCase("prepro_basic") + "/input", ".");
  PreproTestRun run("proj");
  run.Run();
  EXPECT_EQ(CompareWithGolden(GoldenCase("prepro_basic") + "/expected"), std::vector<std::string>{});
  EXPECT_TRUE(run.ui.MessagesUtf8().empty());
}

// The sample project of the README: sensor/sensor.h includes types.h and
// config.h from the folder above, found through Header_List.txt.
TEST(PreproGoldenTest, SampleProject) {
  ScratchFolder scratch;
  CopyTree(testing::SourceRoot() + "/samples/engine_ctl", "engine_ctl");
  PreproTestRun run("engine_ctl");
  run.Run();
  EXPECT_EQ(CompareWithGolden(GoldenCase("prepro_sample") + "/expected"), std::vector<std::string>{});
  EXPECT_TRUE(run.ui.MessagesUtf8().empty());
}

// DefList.txt heads every definition file and every DEF3 dump, and its names
// count as defined.
TEST(PreproGoldenTest, ExternalDefinitions) {
  ScratchFolder scratch;
  CopyTree(GoldenCase("prepro_deflist") + "/input", ".");
  PreproTestRun run("proj");
  run.Run();
  EXPECT_EQ(CompareWithGolden(GoldenCase("prepro_deflist") + "/expected"), std::vector<std::string>{});
}

}  // namespace
}  // namespace kv
