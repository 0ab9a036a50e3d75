// HEADER LIST and PREPRO on small projects written by the tests: what the
// stages count, which files they write, and how they end on hostile input.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/encoding.h"
#include "prepro/directive_processor.h"
#include "prepro/prepro_test_run.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::Exists;
using testing::PreproTestRun;
using testing::ReadFile;
using testing::ReadSjisText;
using testing::ScratchFolder;
using testing::WriteFile;

std::string Def(const std::string& name) { return "vcwk012345/DEF/" + name; }
std::string Def3(const std::string& name) { return "vcwk012345/DEF3/" + name; }
std::string Copy(const std::string& name) { return "vcwk012345/DEF/proj/" + name; }
std::string Log() { return ReadSjisText("AnalyzeLog.txt"); }

class PreproStageTest : public ::testing::Test {
 protected:
  ScratchFolder scratch_;
};

TEST_F(PreproStageTest, CountsSourceFilesAndNamesDefinitionFiles) {
  WriteFile("proj/a.c", "int a;\n");
  WriteFile("proj/b.CPP", "int b;\n");
  WriteFile("proj/c.Cpp", "int c;\n");
  WriteFile("proj/d.h", "#define D 1\n");
  WriteFile("proj/e.txt", "#define E 1\n");
  PreproTestRun run;
  run.Run();
  EXPECT_EQ(run.ctx->progress.divisor.load(), 3);
  EXPECT_EQ(run.ctx->progress.counter.load(), 3);
  EXPECT_EQ(ReadSjisText(Def("Header_List.txt")), "d.h\tproj/d.h\n");
  EXPECT_TRUE(Exists(Def("a_DEF_C.dat")));
  EXPECT_TRUE(Exists(Def("b_DEF_C.dat")));
  EXPECT_FALSE(Exists(Def("c_DEF_C.dat")));
  EXPECT_EQ(ReadFile(Def3("d_DEF_H.dat")), "D\t1\t\r\n");
  EXPECT_FALSE(Exists(Copy("c.Cpp")));
  EXPECT_FALSE(Exists(Copy("e.txt")));
}

TEST_F(PreproStageTest, EmptyProjectWritesNothing) {
  std::filesystem::create_directory("proj");
  PreproTestRun run;
  run.Run();
  EXPECT_EQ(ReadFile(Def("Header_List.txt")), "");
  EXPECT_EQ(run.ctx->progress.divisor.load(), 0);
  EXPECT_FALSE(Exists(Def3("a_DEF_C.dat")));
}

TEST_F(PreproStageTest, SameBaseNameLaterFileReplacesEarlier) {
  WriteFile("proj/x/util.c", "#define FROM_X 1\n#define LONGER_X 2\n");
  WriteFile("proj/y/util.c", "#define FROM_Y 1\n");
  PreproTestRun run;
  run.Run();
  EXPECT_EQ(ReadFile(Def("util_DEF_C.dat")), "FROM_Y\t1\t\r\n");
  EXPECT_EQ(ReadFile(Def3("util_DEF_C.dat")), "FROM_Y\t1\t\r\n");
  EXPECT_TRUE(Exists(Copy("x/util.c")));
  EXPECT_TRUE(Exists(Copy("y/util.c")));
}

TEST_F(PreproStageTest, DefinitionsDoNotCarryOverBetweenFiles) {
  WriteFile("proj/a.c", "#define ONLY_A 1\n");
  WriteFile("proj/b.c", "#ifdef ONLY_A\nint seen;\n#endif\n#ifdef LATER\nint early;\n#endif\n#define LATER 1\n");
  PreproTestRun run;
  run.Run();
  EXPECT_EQ(ReadSjisText(Copy("b.c")), "#define LATER 1\n");
}

TEST_F(PreproStageTest, ConditionChainsKeepExactlyOneBranch) {
  WriteFile("proj/a.c",
            "#define ZERO 0\n"
            "#define TWO 2\n"
            "#if 2\nint if_two;\n#endif\n"
            "#if ZERO\nint no;\n#elif ZERO\nint no_elif;\n#elif TWO == 2\nint elif_two;\n#elif 1\nint second;\n#else\nint no_else;\n#endif\n"
            "#if !defined(ZERO)\nint no2;\n#endif\n"
            "#if !defined(NOPE)\nint not_defined;\n#endif\n"
            "#if defined(ZERO) && 0\nint no3;\n#endif\n"
            "#ifdef ZERO\nint ifdef;\n#elif 1\nint no4;\n#endif\n"
            "#if 0\n#if 1\nint no5;\n#else\nint no6;\n#endif\n#endif\n"
            "#if TWO > \\\n   1\nint continued;\n#endif\n");
  PreproTestRun run;
  run.Run();
  EXPECT_EQ(ReadSjisText(Copy("a.c")),
            "#define ZERO 0\n#define TWO 2\n"
            "int if_two;\nint elif_two;\nint not_defined;\nint ifdef;\nint continued;\n");
}

TEST_F(PreproStageTest, MalformedConditionIsFalseAndLogged) {
  WriteFile("proj/a.c", "#if 1 / 0\nint a;\n#else\nint b;\n#endif\n#if (1\nint c;\n#endif\n");
  PreproTestRun run;
  run.Run();
  EXPECT_EQ(ReadSjisText(Copy("a.c")), "int b;\n");
  EXPECT_EQ(Log(),
            "プリプロ解析 proj/a.c:1: #if 1 / 0 : EvaluateCondition Zero Divide\n"
            "プリプロ解析 proj/a.c:6: #if (1 : EvaluateCondition Syntax Error\n");
}

TEST_F(PreproStageTest, IncludeCyclesEndWithALogLine) {
  WriteFile("proj/a.h", "#include \"b.h\"\n#define IN_A 1\n");
  WriteFile("proj/b.h", "#include \"A.H\"\n#define IN_B 1\n");
  WriteFile("proj/self.c", "#include \"self.c\"\nint self;\n");
  PreproTestRun run;
  run.Run();
  EXPECT_EQ(ReadSjisText(Def("a_DEF_H.dat")), "IN_B\t1\t\nIN_A\t1\t\n");
  EXPECT_EQ(ReadSjisText(Copy("self.c")), "#include \"self.c\"\nint self;\n");
  EXPECT_EQ(Log(),
            "プリプロ解析 proj/b.h:1: #include \"A.H\" : Include Cycle Skip proj/A.H\n"
            "プリプロ解析 proj/A.H:1: #include \"b.h\" : Include Cycle Skip proj/b.h\n"
            "プリプロ解析 proj/self.c:1: #include \"self.c\" : Include Cycle Skip proj/self.c\n");
}

// Unguarded headers included over and over (each level twice makes it
// exponential) are cut off by the lines one top-level file may read: 50
// reads of a 100,001-line header fit in 5,000,000 lines, the 51st include is
// skipped with one log line, and the later ones silently.
TEST_F(PreproStageTest, IncludeVolumeEndsWithALogLine) {
  std::string big;
  for (int i = 0; i < 100000; ++i) big += "int a;\n";
  WriteFile("proj/big.h", big + "#define BIG 1\n");
  std::string source;
  for (int i = 0; i < 60; ++i) source += "#include \"big.h\"\n";
  WriteFile("proj/x.c", source);
  PreproTestRun run;
  run.Run();
  std::string records;
  for (int i = 0; i < 50; ++i) records += "BIG\t1\t\n";
  EXPECT_EQ(ReadSjisText(Def("x_DEF_C.dat")), records);
  EXPECT_EQ(ReadSjisText(Copy("x.c")), source);
  EXPECT_EQ(Log(), "プリプロ解析 proj/x.c:51: #include \"big.h\" : Include Line Over proj/big.h\n");
}

TEST_F(PreproStageTest, IncludeNamesWithBackslashAndOtherCaseAreFound) {
  WriteFile("proj/main.c", "#include \"SUB\\Inc.H\"\n#include \"deep\\\\Other.h\"\n");
  WriteFile("proj/sub/inc.h", "#define FROM_SUB 1\n");
  WriteFile("proj/lib/deep/other.h", "#define FROM_LIST 2\n");
  PreproTestRun run;
  run.Run();
  EXPECT_EQ(ReadSjisText(Def("main_DEF_C.dat")), "FROM_SUB\t1\t\nFROM_LIST\t2\t\n");
  EXPECT_TRUE(Exists("vcwk012345/DEF/TMP/Inc.H"));  // the copy is named as the include wrote it
}

TEST_F(PreproStageTest, TableRefusesTheRecordPast10000) {
  std::string external;
  for (int i = 0; i < 10000; ++i) external += "EXT" + std::to_string(i) + "\t" + std::to_string(i) + "\t\n";
  WriteFile("DefList.txt", external);
  WriteFile("proj/a.c", "#define MORE 1\n#ifdef EXT9999\nint last_external;\n#endif\n");
  PreproTestRun run;
  run.Run();
  std::string def = ReadSjisText(Def("a_DEF_C.dat"));
  EXPECT_EQ(def, external);
  EXPECT_EQ(ReadSjisText(Def3("a_DEF_C.dat")), external);
  EXPECT_EQ(ReadSjisText(Copy("a.c")), "#define MORE 1\nint last_external;\n");
  EXPECT_EQ(Log(), "プリプロ解析 proj/a.c:1: Array 10000 Over : DefineDirective MORE\n");
}

// Every "#define Y Y" resolves the earlier uses of Y into Y again; thousands
// of them must still leave each entry as back-substitution makes it, and a
// later real value must reach every one.
TEST_F(PreproStageTest, RepeatedSelfDefinitionsStillBackSubstitute) {
  WriteFile("DefList.txt", "B\tY\n");
  std::string source = "#define A Y + 1\n";
  for (int i = 0; i < 3000; ++i) source += "#define Y Y\n";
  WriteFile("proj/a.c", source + "#define Y 5\n");
  PreproTestRun run;
  run.Run();
  std::string table = ReadSjisText(Def3("a_DEF_C.dat"));
  std::string expected = "B\t5\t\nA\t5\t+\t1\t\n";
  for (int i = 0; i < 3000; ++i) expected += "Y\t5\t\n";
  EXPECT_EQ(table, expected + "Y\t5\t\n");
}

TEST_F(PreproStageTest, DefineValuesDropCommentsAndJoinContinuations) {
  WriteFile("proj/a.c",
            "#define LINE_COMMENT 7 // seven\n"
            "#define SPLIT ( 2 \\\n  * 3 ) /* six */\n"
            "#define STR \"a b\"\n"
            "#define SUFFIXES 1u 2UL 3L\n");
  PreproTestRun run;
  run.Run();
  EXPECT_EQ(ReadSjisText(Def("a_DEF_C.dat")),
            "LINE_COMMENT\t7\t\n"
            "SPLIT\t6.0000000000\t\n"
            "STR\t\"a b\t\n"
            "SUFFIXES\t1\tu\t2\t3\tL\t\n");
  EXPECT_EQ(ReadSjisText(Copy("a.c")),
            "#define LINE_COMMENT 7 // seven\n#define SPLIT ( 2 \\\n  * 3 ) /* six */\n"
            "#define STR \"a b\"\n#define SUFFIXES 1u 2UL 3L\n");
}

TEST_F(PreproStageTest, HostileFilesFinish) {
  std::string long_line(100000, 'x');
  long_line[50000] = '#';
  WriteFile("proj/long.c", "int a;\n" + long_line + "\n#define AFTER_LONG 1\n");
  WriteFile("proj/noeol.c", "int a;\n#define LAST 1");
  WriteFile("proj/open_if.c", "#if 1\nint kept;\n#ifdef X\n");
  WriteFile("proj/cont.c", "#define CONT 1 \\\n");
  WriteFile("proj/comment.c", "#define OPEN 1 /* never closed\n");
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 131 + 7) % 256));
  WriteFile("proj/binary.c", binary);
  WriteFile("proj/sjis.c", "/* \x81\x20 */ int \x81\x20 a;\n#define J \x83\x5C\n\xE0");
  PreproTestRun run;
  run.Run();
  EXPECT_EQ(run.ctx->progress.counter.load(), 7);
  EXPECT_EQ(ReadSjisText(Def("long_DEF_C.dat")), "AFTER_LONG\t1\t\n");
  EXPECT_EQ(ReadFile(Copy("long.c")).size(), std::string("int a;\r\n").size() + long_line.size() + 2 +
                                                  std::string("#define AFTER_LONG 1\r\n").size());
  EXPECT_EQ(ReadFile(Def("noeol_DEF_C.dat")), "LAST\t1\t\r\n");
  EXPECT_EQ(ReadFile(Copy("noeol.c")), "int a;\r\n#define LAST 1");
  EXPECT_EQ(ReadSjisText(Copy("open_if.c")), "int kept;\n");
  EXPECT_EQ(ReadFile(Def("cont_DEF_C.dat")), "CONT\t1\t\r\n");
  EXPECT_EQ(ReadFile(Def("comment_DEF_C.dat")), "OPEN\t1\t\r\n");
  EXPECT_TRUE(Exists(Def3("binary_DEF_C.dat")));
  EXPECT_EQ(ReadFile(Def("sjis_DEF_C.dat")), "J\t\x83\x5C\t\r\n");

  std::string log = Log();
  EXPECT_NE(log.find("プリプロ解析 proj/open_if.c:1: #if : Endif Missing\n"), std::string::npos) << log;
  EXPECT_NE(log.find("プリプロ解析 proj/cont.c:1: #define CONT 1 \\ : cont\n"), std::string::npos) << log;
  EXPECT_NE(log.find("プリプロ解析 proj/comment.c:1: #define OPEN 1 /* never closed : comment\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("プリプロ解析 proj/comment.c:1: /* : Comment Not Closed\n"), std::string::npos) << log;
  EXPECT_NE(log.find("proj/sjis.c : 2 : 失敗! : NextToken\n"), std::string::npos) << log;
  // One "失敗!" per file with invalid Shift-JIS, not one per byte.
  int failures = 0;
  for (const std::string& m : run.ui.MessagesUtf8()) failures += m == "[終了] 失敗!" ? 1 : 0;
  EXPECT_EQ(failures, 2);  // binary.c and sjis.c
}

// Every finding names the file and line it concerns: in an included file,
// that file's line; a condition over several lines, its first line; a line
// longer than the read buffer or cut by a NUL byte counts once; an unclosed
// block or comment, where it began.
TEST_F(PreproStageTest, FindingsNameTheirFileAndLine) {
  WriteFile("proj/inc.h", "int x;\n#if 1 +\n#endif\n");
  WriteFile("proj/main.c",
            "/* a comment\n"
            "   over two lines */\n" +
            std::string(5000, 'x') + std::string(1, '\0') + "x\n" +
            "#include \"inc.h\"\n"
            "#if 1 / \\\n"
            "  0\n"
            "#endif\n"
            "#ifndef GUARD\n"
            "#ifdef X\n"
            "#endif\n"
            "/* open\n");
  PreproTestRun run;
  run.Run();
  EXPECT_EQ(Log(),
            "プリプロ解析 proj/inc.h:2: #if 1 + : EvaluateCondition Syntax Error\n"
            "プリプロ解析 proj/inc.h:2: #if 1 + : EvaluateCondition Syntax Error\n"
            "プリプロ解析 proj/main.c:5: #if 1 / \\ : EvaluateCondition Zero Divide\n"
            "プリプロ解析 proj/main.c:11: /* : Comment Not Closed\n"
            "プリプロ解析 proj/main.c:8: #ifndef : Endif Missing\n");
}

TEST_F(PreproStageTest, StopFlagEndsTheWalk) {
  WriteFile("proj/a.c", "int a;\n");
  WriteFile("proj/b.c", "int b;\n");
  PreproTestRun run;
  run.ui.on_detail = [&](const std::string& name) {
    if (name == "a.c") run.ctx->progress.stop_flag = 1;
  };
  run.Run();
  EXPECT_FALSE(Exists(Copy("a.c")));
  EXPECT_FALSE(Exists(Copy("b.c")));
  EXPECT_EQ(run.ctx->progress.divisor.load(), 1);
}

// The copies PREPRO writes into the work folder would otherwise be walked
// (and copied into themselves) when the source folder is the current one.
TEST_F(PreproStageTest, AnalysingTheCurrentFolderSkipsTheWorkFolder) {
  WriteFile("a.c", "#define A 1\n");
  WriteFile("inc.h", "int h;\n");
  PreproTestRun run(".");
  run.ctx->mirror_root = "./vcwk012345/DEF/here";
  MakeFolder(run.ctx->mirror_root);
  run.Run();
  EXPECT_EQ(run.ctx->progress.divisor.load(), 2);
  EXPECT_EQ(run.ctx->progress.counter.load(), 2);
  EXPECT_EQ(ReadSjisText(Def("Header_List.txt")), "inc.h\t./inc.h\n");
  EXPECT_TRUE(Exists("vcwk012345/DEF/here/a.c"));
  EXPECT_FALSE(Exists("vcwk012345/DEF/here/vcwk012345"));
}

// Every file is read once per stage, however often it is included.
TEST(DirectiveProcessorTest, ReadsEachFileOnce) {
  ScratchFolder scratch;
  WriteFile("proj/a.c", "#include \"common.h\"\n#include \"common.h\"\n");
  WriteFile("proj/b.c", "#include \"common.h\"\n");
  WriteFile("proj/common.h", "#define C 1\n");
  PreproTestRun run;
  DefineTable table;
  HeaderIndex headers;
  SourceCache sources;
  OutputFiles outputs;
  DirectiveProcessor processor(*run.ctx, table, headers, sources, outputs);
  processor.BeginTopLevelFile("a", run.ctx->mirror_root, nullptr);
  EXPECT_EQ(processor.PreprocessFile("proj/a.c", true), 0);
  processor.BeginTopLevelFile("b", run.ctx->mirror_root, nullptr);
  EXPECT_EQ(processor.PreprocessFile("proj/b.c", true), 0);
  processor.BeginTopLevelFile("common", run.ctx->mirror_root, nullptr);
  EXPECT_EQ(processor.PreprocessFile("proj/common.h", true), 0);
  EXPECT_EQ(sources.reads(), 3u);
  EXPECT_EQ(table.count(), 4);
  EXPECT_EQ(processor.PreprocessFile("proj/missing.c", true), 1);
}

}  // namespace
}  // namespace kv
