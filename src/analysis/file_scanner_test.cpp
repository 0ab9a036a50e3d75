#include "analysis/file_scanner.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/analysis_stages.h"
#include "analysis/analysis_test_support.h"
#include "platform/encoding.h"

namespace kv {
namespace {

using testing::AnalysisRun;
using testing::Exists;
using testing::ReadSjisText;
using testing::WriteFile;

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

size_t Count(const std::string& text, const std::string& piece) {
  size_t n = 0;
  for (size_t p = text.find(piece); p != std::string::npos; p = text.find(piece, p + 1)) ++n;
  return n;
}

TEST(FileScannerTest, FolderNameIsTheParentFolderUpperCased) {
  EXPECT_EQ(FolderNameOf("./vcwk012345/DEF/proj/sub/a.c"), "SUB");
  EXPECT_EQ(FolderNameOf("./vcwk012345/DEF/engine_ctl/main.c"), "ENGINE_CTL");
  // The second byte of a Shift-JIS character is no letter to upper-case.
  EXPECT_EQ(FolderNameOf("./x/\x83\x61" "b/a.c"), "\x83\x61" "B");
  EXPECT_EQ(FolderNameOf("a.c"), "");
}

TEST(FileScannerTest, ParametersPastThirtyAreRefusedAndReported) {
  AnalysisRun run;
  std::string params;
  for (int i = 1; i <= 32; ++i) params += (i > 1 ? ", int p" : "int p") + std::to_string(i);
  run.AddSource("many.c", "int many(" + params + ")\n{\n    return p32;\n}\nint after(void) { return 1; }\n");
  run.RunFileAls();
  std::string record = run.Text("func_als/many");
  EXPECT_NE(record.find("int\tp30\t\n\n[テンポラリ変数]"), std::string::npos);
  EXPECT_EQ(record.find("p31\t"), std::string::npos);
  EXPECT_EQ(Count(ReadSjisText("AnalyzeLog.txt"), "引数30個超過"), 1u);
  EXPECT_TRUE(Exists("vcwk012345/func_als/after"));
}

TEST(FileScannerTest, StatementPastThreeThousandTokensIsReportedOnceAndTheScanGoesOn) {
  AnalysisRun run;
  run.AddSource("big.c", "const struct table t = {\n" + Repeat("    1, 2, 3, 4, 5, 6, 7, 8, 9, 10,\n", 200) +
                             "};\nint after(void)\n{\n    return 0;\n}\n");
  run.RunFileAls();
  EXPECT_EQ(run.ui.MessagesUtf8(), std::vector<std::string>{"[終了] メモリオーバー"});
  std::string log = ReadSjisText("AnalyzeLog.txt");
  EXPECT_EQ(Count(log, "メモリオーバーWordAlsFuncltion113"), 1u) << log;
  EXPECT_TRUE(Exists("vcwk012345/func_als/after"));
  EXPECT_EQ(run.Text("FuncList_Body.txt"), "int\tafter\t(\tvoid\t)\t\n");
}

TEST(FileScannerTest, LargerMemoryFactorHoldsLongerStatements) {
  AnalysisRun run("proj", 2);
  run.AddSource("big.c", "const struct table t = {\n" + Repeat("    1, 2, 3, 4, 5, 6, 7, 8, 9, 10,\n", 200) + "};\n");
  run.RunFileAls();
  // Still reported past 3000 tokens, without a write past the list.
  EXPECT_EQ(run.ui.MessagesUtf8().size(), 1u);
}

TEST(FileScannerTest, SameFileNameInTwoFoldersReplacesTheEarlierFiles) {
  AnalysisRun run;
  run.AddSource("a/util.c", "int first_a;\nint first_b;\nint first_c;\nvoid fa(void) { }\n");
  run.AddSource("b/util.c", "int second;\n");
  run.RunFileAls();
  EXPECT_EQ(run.Text("F_util.c"), "int\tsecond\t;\n");
  EXPECT_EQ(run.Text("FILEINFO/INF_util.c"), "[FILENAME]\nutil.c\n");
  EXPECT_NE(ReadSjisText("AnalyzeLog.txt")
                .find("同名ファイル F_/INF_置換 ./vcwk012345/DEF/proj/a/util.c -> ./vcwk012345/DEF/proj/b/util.c"),
            std::string::npos);
  // The run-wide lists keep both files' lines.
  EXPECT_EQ(run.Text("ValList.txt"), "int\tfirst_a\t;\nint\tfirst_b\t;\nint\tfirst_c\t;\nint\tsecond\t;\n");
}

TEST(FileScannerTest, StopFlagEndsTheWalkBeforeTheNextEntry) {
  AnalysisRun run;
  run.AddSource("a.c", "int a;\n");
  run.AddSource("b.c", "int b;\n");
  run.ui.on_detail = [&run](const std::string&) { run.ctx.progress.stop_flag = 1; };
  EXPECT_EQ(RunFileAlsStage(run.ctx), StageOutcome::kContinue);  // the driver tests the flag after the stage
  EXPECT_EQ(run.Text("ValList.txt"), "int\ta\t;\n");
  EXPECT_FALSE(Exists("vcwk012345/F_b.c"));
}

TEST(FileScannerTest, LogPositionCarriesFileLineAndState) {
  AnalysisRun run;
  run.AddSource("pos.c", "int x;\n\nint y;\n");
  run.RunFileAls();
  EXPECT_EQ(run.ctx.position.current_file, "pos");
  EXPECT_EQ(run.ctx.position.line_counter, 3);
  EXPECT_EQ(run.ctx.position.current_line, "int y;\n");
  EXPECT_EQ(run.ctx.position.current_state, "2");
}

// ValList.txt holds declarations at file level only: not the locals of a
// body the scan read as file-level text before the pass after it found the
// definition, and not the members of a struct body whose tag is known.
TEST(FileScannerTest, OnlyFileLevelDeclarationsAreVariables) {
  AnalysisRun run;
  run.AddSource("a.c",
                "struct model;\n"
                "static inline int twice(int a)\n{\n    int rv;\n    unsigned char buf[4];\n"
                "    rv = a * 2;\n    return rv;\n}\n"
                "int g;\n"
                "static const struct model {\n    unsigned char id;\n    const char *name;\n} models[2];\n"
                "int helper(int);\n"
                "extern const struct info_struct {\n    const char *name[4];\n    unsigned int size;\n} info[2];\n"
                "static long count[4];\n"
                "u8 *unknown_typed;\nvoid after_it() { }\n"
                "static char warn[] __initdata =\n\tKERN_WARNING \"can't test '%s'\\n\";\n");
  run.RunDefineAls();
  run.RunFileAls();
  // The statement before ends at its ";": the header holds only its own words.
  EXPECT_NE(run.Text("FuncList_Body.txt").find("\nvoid\tafter_it\t(\t)\t\n"), std::string::npos);
  EXPECT_TRUE(Exists("vcwk012345/func_als/twice"));
  // An initialiser's literal on a line of its own declares no variable.
  EXPECT_EQ(run.Text("ValList.txt"), "int\tg\t;\nstatic\tlong\tcount\t[\t4\t]\t;\n");
  const std::string file_level = "int\tg\t;\nint\thelper\t(\tint\t)\t;\nstatic\tlong\tcount\t[\t4\t]\t;\n";
  EXPECT_EQ(run.Text("F_a.c").compare(0, file_level.size(), file_level), 0) << run.Text("F_a.c");
  EXPECT_EQ(run.Text("FuncList_ProtType.txt"), "int\thelper\t(\tint\t)\t;\n");
}

// A definition's header holds its own words: not the invocation on the
// line before it (whose expansion ended that statement), and the "*" of
// a return type whose name the project does not know.
TEST(FileScannerTest, HeadersHoldTheirOwnWordsOnly) {
  AnalysisRun run;
  run.AddSource("a.c",
                "SEC(\"kprobe/x\")\nint prog(int ctx)\n{\n    return 0;\n}\n"
                "BDI_SHOW(read_ahead_kb, K(bdi->ra_pages))\n"
                "static long store(struct device *dev)\n{\n    return 0;\n}\n"
                "kprobe_opcode_t *__weak adjust(unsigned long addr)\n{\n    return 0;\n}\n"
                "DECLARE_BITMAP(bits, 8);\nu8 *unknown_typed;\nEXPORT_SYMBOL(prog);\n");
  run.RunDefineAls();
  run.RunFileAls();
  EXPECT_EQ(run.Text("FuncList_Body.txt"),
            "int\tprog\t(\tint\tctx\t)\t\n"
            "static\tlong\tstore\t(\tstruct\tdevice\t*\tdev\t)\t\n"
            "kprobe_opcode_t\t*\t__weak\tadjust\t(\tunsigned\tlong\taddr\t)\t\n");
  EXPECT_EQ(run.Text("ValList.txt"), "");
  EXPECT_EQ(run.Text("FuncList_ProtType.txt"), "");
}

// Hostile inputs: binary bytes, a 100 kB line, an unclosed comment, invalid
// Shift-JIS, a body that never closes. Every stage finishes; the "失敗!"
// message comes at most once per file and stage.
TEST(FileScannerTest, HostileInputsNeverStopTheRun) {
  AnalysisRun run;
  std::string binary;
  for (int i = 0; i < 20000; ++i) binary += static_cast<char>((i * 7919) % 256);
  WriteFile("vcwk012345/DEF/proj/binary.c", binary);
  run.AddSource("long.c", "int f(void) { x = " + Repeat("a + ", 25000) + "b; }\nint g(void) { return 1; }\n");
  run.AddSource("open.c", "/* never closed\nint h(void) { return 1; }\n");
  WriteFile("vcwk012345/DEF/proj/sjis.c", "int s(void)\n{\n    x = \x81\x20;\n    y = \x82\x21;\n}\n");
  run.AddSource("unclosed.c", "int u(void)\n{\n    if (x) {\n        y = 1;\n");
  run.RunAll();
  EXPECT_TRUE(Exists("vcwk012345/func_als/s"));
  EXPECT_TRUE(Exists("vcwk012345/SOURCE3/s"));
  std::string unclosed = run.Text("func_als/u");
  const std::string tail = "[変数アクセス情報]\nx [R]\ny [w]\n\n";
  ASSERT_GE(unclosed.size(), tail.size());
  EXPECT_EQ(unclosed.substr(unclosed.size() - tail.size()), tail) << unclosed;
  EXPECT_EQ(run.Text("SOURCE/u").back(), '}');
  // One "失敗!" per stage for sjis.c (DEFINE ALS, FILE ALS, SPEC LIST for s),
  // and those of the binary file.
  size_t failures = 0;
  for (const std::string& m : run.ui.MessagesUtf8()) failures += m == "[終了] 失敗!";
  EXPECT_LE(failures, 6u);
  EXPECT_GE(failures, 3u);
}

}  // namespace
}  // namespace kv
