// CALL LIST, VALUE LIST, RAM ACS LIST and FUNC INFO on small seeded work
// folders, and the frame every pass shares (stop flag, missing input).
#include <gtest/gtest.h>

#include <filesystem>

#include "consolidate/consolidate_stages.h"
#include "consolidate/consolidate_test_support.h"
#include "consolidate/ram_acs_list.h"
#include "platform/encoding.h"

namespace kv {
namespace {

using testing::Exists;
using testing::ReadSjisText;
using testing::ScratchFolder;
using testing::StageHarness;
using testing::WriteSjisText;

std::string Calls(const std::string& entries) { return "[関数名称]\nx\n\n[コール関数]\n" + entries + "\n\n[参照変数]\nNONE\n\n"; }

class ListsTest : public ::testing::Test {
 protected:
  ScratchFolder scratch_;
};

TEST_F(ListsTest, CallersAreListedOnceInListingOrder) {
  for (const char* f : {"set", "reset", "main", "lone"}) WriteSjisText(std::string("vcwk012345/FunctionList4/") + f, "[関数名称]\n" + std::string(f) + "\n\n");
  WriteSjisText("vcwk012345/func_als2/main", Calls("set(1)\nset(2)\nx=set(3)\ntextdomain(P)\nmain(0)"));
  WriteSjisText("vcwk012345/func_als2/reset", Calls("NONE\nset(9)"));  // "NONE" ends the section
  WriteSjisText("vcwk012345/func_als2/lone", Calls("reset(0)\nobj.set(1)\np->set(2)"));
  StageHarness run;
  ASSERT_EQ(RunCallListStage(run.ctx()), StageOutcome::kContinue);
  EXPECT_EQ(ReadSjisText("vcwk012345/FunctionList4/set"), "[関数名称]\nset\n\n[コール元]\nmain\n\n");
  EXPECT_EQ(ReadSjisText("vcwk012345/FunctionList4/reset"), "[関数名称]\nreset\n\n[コール元]\nlone\n\n");
  EXPECT_EQ(ReadSjisText("vcwk012345/FunctionList4/main"), "[関数名称]\nmain\n\n[コール元]\nmain\n\n");
  EXPECT_EQ(ReadSjisText("vcwk012345/FunctionList4/lone"), "[関数名称]\nlone\n\n[コール元]\nNONE_CALLER\n");
  EXPECT_TRUE(run.Messages().empty());
}

TEST_F(ListsTest, MissingFoldersAreReportedOncePerPass) {
  WriteSjisText("vcwk012345/FunctionList4/a", "x\n");
  WriteSjisText("vcwk012345/FunctionList4/b", "x\n");
  StageHarness run;
  ASSERT_EQ(RunCallListStage(run.ctx()), StageOutcome::kContinue);
  EXPECT_EQ(run.Messages(), std::vector<std::string>{"[終了] func_als2 開けず STEP3-7"});
  EXPECT_EQ(ReadSjisText("vcwk012345/FunctionList4/a"), "x\n[コール元]\nNONE_CALLER\n");

  std::filesystem::remove_all("vcwk012345");
  std::filesystem::create_directory("vcwk012345");
  StageHarness empty;
  ASSERT_EQ(RunFuncAls2Stage(empty.ctx()), StageOutcome::kContinue);
  ASSERT_EQ(RunCallListStage(empty.ctx()), StageOutcome::kContinue);
  ASSERT_EQ(RunValueListStage(empty.ctx()), StageOutcome::kContinue);
  EXPECT_EQ(empty.Messages(), (std::vector<std::string>{"[終了] ファイル開けず STEP2", "[終了] FunctionList4 開けず STEP3-7",
                                                        "[終了] ファイル開けず STEP4"}));
  EXPECT_EQ(ReadSjisText("AnalyzeLog.txt"),
            "プログラム解析 ./vcwk012345/func_als1_5/*.* : FILE NOT OPEN\n"
            "プログラム解析 ./vcwk012345/FunctionList4/*.* : FILE NOT OPEN\n"
            "プログラム解析 ./vcwk012345/FunctionList4/*.* : FILE NOT OPEN\n");
  EXPECT_EQ(ReadSjisText("vcwk012345/ValList2.txt"), "@1END\n\n");
}

TEST_F(ListsTest, StopFlagEndsEveryPassBeforeItsNextRecord) {
  WriteSjisText("vcwk012345/func_als/a", "x\n");
  for (const char* folder : {"func_als1_5", "func_als2", "func_als3", "FunctionList4"})
    WriteSjisText(std::string("vcwk012345/") + folder + "/a", "x\n");
  WriteSjisText("vcwk012345/ValList.txt", "int\tv\t;\n");
  WriteSjisText("vcwk012345/FILEINFO/INF_a.c", "[FILENAME]\na.c\n");
  StageHarness run;
  run.ctx().progress.stop_flag = 1;
  for (auto stage : {RunFuncAls15Stage, RunFuncAls2Stage, RunFuncAls3Stage, RunFuncAls4Stage, RunCallListStage,
                     RunValueListStage, RunRamAcsListStage, RunFuncInfoStage})
    EXPECT_EQ(stage(run.ctx()), StageOutcome::kStopRun);
  EXPECT_FALSE(Exists("vcwk012345/ValList2.txt"));
}

TEST_F(ListsTest, WrittenVariablesGrowPastTheirCapacity) {
  std::string record = "[書込み変数]\n";
  for (int i = 0; i < 6000; ++i) record += "v" + std::to_string(i % 5500) + "\n";
  WriteSjisText("vcwk012345/FunctionList4/a", record + "\n[参照変数]\nr\n\n");
  WriteSjisText("vcwk012345/FunctionList4/b", "[書込み変数]\n*p\nv0\nNONE\nafter\n\n");
  StageHarness run(false, /*memory_factor=*/1);
  ASSERT_EQ(RunValueListStage(run.ctx()), StageOutcome::kContinue);
  std::string expected;
  for (int i = 0; i < 5500; ++i) expected += "v" + std::to_string(i) + "\n";
  EXPECT_EQ(ReadSjisText("vcwk012345/ValList2.txt"), expected + "*p\n@1END\n\n");
}

TEST(AccessLineMatchesTest, TheKeyDependsOnADotAnywhereInTheLine) {
  EXPECT_TRUE(AccessLineMatches("cnt [R]", "cnt"));
  EXPECT_TRUE(AccessLineMatches("cnt.x [w]", "cnt"));
  EXPECT_TRUE(AccessLineMatches("(cnt [RET]", "cnt"));
  EXPECT_FALSE(AccessLineMatches("g_cnt [R]", "cnt"));
  EXPECT_FALSE(AccessLineMatches("st.cnt [R]", "cnt"));
  EXPECT_FALSE(AccessLineMatches("p->cnt [R]", "cnt"));
  EXPECT_FALSE(AccessLineMatches("cnt [R] s.x", "cnt"));  // a "." elsewhere: only cnt. would do
  EXPECT_FALSE(AccessLineMatches("cnt[] [R]", "cnt"));
}

TEST_F(ListsTest, AccessFilesAreWrittenOnlyForSafeNames) {
  WriteSjisText("vcwk012345/ValList.txt", "static\tint\tcnt\t;\nint\t..\t;\nint\ta/b\t;\nint\tidle\t;\n");
  WriteSjisText("vcwk012345/FunctionList4/f", "[変数アクセス情報]\ncnt [R]\ng_cnt [w]\ncnt.x [w]\n\n[コール元]\nNONE_CALLER\n");
  WriteSjisText("vcwk012345/FunctionList4/g", "[変数アクセス情報]\nst.cnt [R]\n\n");
  StageHarness run;
  ASSERT_EQ(RunRamAcsListStage(run.ctx()), StageOutcome::kContinue);
  EXPECT_EQ(ReadSjisText("vcwk012345/RAM_ALL/cnt"), "変数アクセス箇所一覧\n\nf\n    cnt [R]\n    cnt.x [w]\n\n");
  EXPECT_EQ(ReadSjisText("vcwk012345/RAM_ALL/idle"), "変数アクセス箇所一覧\n\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("vcwk012345/RAM_ALL"), {}), 2);
  EXPECT_FALSE(Exists("vcwk012345/a"));
  EXPECT_EQ(ReadSjisText("AnalyzeLog.txt"),
            "RAM ACS LIST : 0 : int\t..\t; : FILE NAME REFUSED\nRAM ACS LIST : 0 : int\ta/b\t; : FILE NAME REFUSED\n");
}

// A function whose own parameter or local has the variable's name does not
// access the file-level variable; one without such a declaration does.
TEST_F(ListsTest, AccessesOfAFunctionsOwnVariablesAreNoAccessesOfTheFileLevelOne) {
  WriteSjisText("vcwk012345/ValList.txt", "static\tint\trv\t;\nint\tcnt\t;\n");
  WriteSjisText("vcwk012345/FunctionList4/local",
                "[引数定義]\nint\tcnt\t\n\n[テンポラリ変数]\nint\trv\n\n"
                "[変数アクセス情報]\nrv [w]\ncnt [R]\ncnt.x [R]\n*cnt [w]\n\n");
  WriteSjisText("vcwk012345/FunctionList4/global",
                "[引数定義]\nvoid\n\n[テンポラリ変数]\nstruct int\trv\n\n[変数アクセス情報]\nrv [R]\ncnt [w]\n\n");
  StageHarness run;
  ASSERT_EQ(RunRamAcsListStage(run.ctx()), StageOutcome::kContinue);
  EXPECT_EQ(ReadSjisText("vcwk012345/RAM_ALL/rv"), "変数アクセス箇所一覧\n\nglobal\n    rv [R]\n\n");
  EXPECT_EQ(ReadSjisText("vcwk012345/RAM_ALL/cnt"), "変数アクセス箇所一覧\n\nglobal\n    cnt [w]\n\n");
}

// A static variable is its own file's: a function of another file that
// uses the name is no access of it. A variable some file declares without
// static is the whole program's.
TEST_F(ListsTest, StaticVariablesAreAccessedFromTheirOwnFileOnly) {
  WriteSjisText("vcwk012345/ValList.txt", "static\tint\tcnt\t;\nint\ttotal\t;\n");
  WriteSjisText("vcwk012345/F_a.c", "static\tint\tcnt\t;\nint\tf\t(\tvoid\t)\t;\n");
  WriteSjisText("vcwk012345/F_c.c", "int\ttotal\t;\n");
  WriteSjisText("vcwk012345/F_d.c", "static\tlong\ttotal\t;\n");
  for (const char* f : {"f", "g"}) {
    const std::string file = std::string(f) == "f" ? "a.c" : "b.c";
    WriteSjisText(std::string("vcwk012345/FunctionList4/") + f,
                  "[ファイル名]\n" + file + "\n\n[変数アクセス情報]\ncnt [R]\ntotal [w]\n\n");
  }
  StageHarness run;
  ASSERT_EQ(RunRamAcsListStage(run.ctx()), StageOutcome::kContinue);
  EXPECT_EQ(ReadSjisText("vcwk012345/RAM_ALL/cnt"), "変数アクセス箇所一覧\n\nf\n    cnt [R]\n\n");
  EXPECT_EQ(ReadSjisText("vcwk012345/RAM_ALL/total"),
            "変数アクセス箇所一覧\n\nf\n    total [w]\n\ng\n    total [w]\n\n");
}

TEST_F(ListsTest, FunctionInfoOfAHeaderOnlyProjectIsItsHeaderLine) {
  WriteSjisText("vcwk012345/FILEINFO/INF_a.h", "[FILENAME]\na.h\n");
  StageHarness run;
  ASSERT_EQ(PrepareFuncInfoStage(run.ctx()), StageOutcome::kContinue);
  ASSERT_EQ(RunFuncInfoStage(run.ctx()), StageOutcome::kContinue);
  EXPECT_EQ(ReadSjisText("vcwk012345/FILEINFO/FileFuncInfo.txt"), "\t[関数名]\t\t[行数]\t[有効行数]\t[コメント数]\n");
  EXPECT_EQ(run.Messages(), std::vector<std::string>{"[終了] ファイル開けず STEP5"});
  EXPECT_TRUE(std::filesystem::is_directory("vcwk012345/SOURCE5"));
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// Binary bytes, invalid Shift-JIS and 100 kB lines pass through every pass
// without a crash, a hang or a file outside the work folder.
TEST_F(ListsTest, HostileRecordsPassThroughEveryPass) {
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise.push_back(static_cast<char>((i * 131 + 7) % 256));
  std::string long_line(100000, '[');
  long_line += "x->y";
  std::string record = ToCp932("[ファイル名]\n../../evil.c\n\n[関数名称]\nf\n\n[参照変数]\n") + long_line + "\n" +
                       noise + "\na[i\x81\n\n" + ToCp932("[コール関数]\n") + std::string(50000, '(') +
                       "\n\x81(x)\n\n" + ToCp932("[変数アクセス情報]\n") + long_line + " [R]\n\n";
  testing::WriteFile("vcwk012345/func_als/f", record);
  testing::WriteFile("vcwk012345/func_als/g", noise);
  testing::WriteFile("vcwk012345/ValList.txt", "int\tx\t;\r\n" + noise + "\r\n");
  testing::WriteFile("vcwk012345/FILEINFO/INF_f.c", "[FUNCNAME]\n" + noise);
  StageHarness run;
  for (auto stage : {RunFuncAls15Stage, RunFuncAls2Stage, RunFuncAls3Stage, RunFuncAls4Stage, RunCallListStage,
                     RunValueListStage, RunRamAcsListStage, PrepareFuncInfoStage, RunFuncInfoStage})
    EXPECT_EQ(stage(run.ctx()), StageOutcome::kContinue);
  EXPECT_TRUE(Exists("vcwk012345/FunctionList4/f"));
  EXPECT_TRUE(Exists("vcwk012345/RAM_ALL/x"));
  // The invalid byte of the read section is reported once for the record.
  EXPECT_EQ(run.Messages(), std::vector<std::string>{"[終了] 失敗!"});
}

}  // namespace
}  // namespace kv
