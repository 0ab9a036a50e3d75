#include "analysis/function_body.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "analysis/analysis_test_support.h"
#include "platform/encoding.h"

namespace kv {
namespace {

using testing::AnalysisRun;
using testing::Exists;
using testing::ReadSjisText;

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

// The lines of one section of a record.
std::vector<std::string> Section(const std::string& record, const std::string& tag) {
  std::vector<std::string> out;
  size_t p = record.find(tag + "\n");
  if (p == std::string::npos) return out;
  p += tag.size() + 1;
  for (;;) {
    size_t end = record.find('\n', p);
    if (end == std::string::npos || end == p) break;
    out.push_back(record.substr(p, end - p));
    p = end + 1;
  }
  return out;
}

using V = std::vector<std::string>;

TEST(FunctionBodyTest, UpperCaseLeavesShiftJisTrailBytes) {
  EXPECT_EQ(UpperCaseSjis("abc_1"), "ABC_1");
  EXPECT_EQ(UpperCaseSjis("\x83\x61" "a"), "\x83\x61" "A");
}

TEST(FunctionBodyTest, RegistryMatchesNamesIgnoringCase) {
  FunctionFileRegistry files;
  bool created = false;
  EXPECT_EQ(files.PageName("Foo", &created), "Foo");
  EXPECT_TRUE(created);
  EXPECT_EQ(files.PageName("FOO", &created), "Foo");  // a link to FOO names the file Foo.html
  EXPECT_FALSE(created);
  FunctionFileRegistry::Claim first = files.ClaimFunction("foo", "a.c");
  EXPECT_EQ(first.file_name, "Foo");  // the placeholder's spelling is the file on disk
  // A second definition writes beside the first until the walk has ended.
  FunctionFileRegistry::Claim second = files.ClaimFunction("FOO", "b.c");
  EXPECT_EQ(second.file_name, "Foo@2");
  EXPECT_EQ(files.PageName("foo", &created), "Foo");
  EXPECT_FALSE(created);
}

// Two static functions of one name: each keeps files of its own, named
// after its file, and the log names each record.
TEST(FunctionBodyTest, FunctionsOfTheSameNameInTwoFilesGetARecordEach) {
  AnalysisRun run;
  run.AddSource("a.c", "static int helper(int a)\n{\n    /* long */\n" + Repeat("    total = total + a;\n", 30) +
                           "    return total;\n}\nint run_a(void)\n{\n    return helper(1);\n}\n");
  run.AddSource("b.c", "static int helper(void)\n{\n    return 2;\n}\nint run_b(void)\n{\n    return helper();\n}\n");
  run.RunFileAls();
  EXPECT_FALSE(Exists("vcwk012345/func_als/helper"));
  EXPECT_EQ(Section(run.Text("func_als/helper@a.c"), "[ファイル名]"), V{"a.c"});
  EXPECT_EQ(Section(run.Text("func_als/helper@a.c"), "[関数名称]"), V{"helper"});
  EXPECT_EQ(run.Text("func_als/helper@b.c"),
            "[フォルダ名]\nPROJ\n\n[ファイル名]\nb.c\n\n[関数名称]\nhelper\n\n[引数定義]\nvoid\n\n"
            "[テンポラリ変数]\nNONE\n\n[コール関数]\nNONE\n\n[参照変数]\nNONE\n\n[書込み変数]\nNONE\n\n"
            "[戻り値]\n2\n\n[変数アクセス情報]\n2 [RET]\n\n");
  EXPECT_EQ(run.Text("SOURCE/helper@b.c"), "[SOURCE]\nstatic int helper ( void ) {\n return 2;\n}");
  EXPECT_NE(run.Text("SOURCE/helper@a.c").find("total = total + a;"), std::string::npos);
  EXPECT_TRUE(Exists("vcwk012345/SOURCE2/helper@a.c"));
  EXPECT_EQ(run.Text("HTML/helper@b.c.html"),
            "<meta charset=\"Shift_JIS\"><BODY bgcolor=#CCFFFF><font size='2'>static　int　helper　(　void　)　{　<BR><BR>　　　　return　2;<BR>}");
  // Each caller's ◆ goes to its own file's helper.
  EXPECT_NE(run.Text("HTML/run_a.html").find("<A href= helper@a.c.html>"), std::string::npos);
  EXPECT_NE(run.Text("HTML/run_b.html").find("<A href= helper@b.c.html>"), std::string::npos);
  EXPECT_EQ(run.Text("FuncList_Records.txt"),
            "F\thelper@a.c\thelper\ta.c\t1\nF\trun_a\trun_a\ta.c\t0\n"
            "F\thelper@b.c\thelper\tb.c\t1\nF\trun_b\trun_b\tb.c\t0\n");
  std::string log = ReadSjisText("AnalyzeLog.txt");
  EXPECT_EQ(log, "a.c : 0 : helper : 同名関数 定義ごとの記録 helper@a.c\n"
                 "b.c : 0 : helper : 同名関数 定義ごとの記録 helper@b.c\n");
}

// Names that differ in letter case alone would share a file on a disk that
// ignores case: they too get a record each.
TEST(FunctionBodyTest, NamesDifferingInCaseGetARecordEach) {
  AnalysisRun run;
  run.AddSource("a.c", "void Reset(void)\n{\n    x = 1;\n    y = 2;\n}\nvoid reset(void)\n{\n}\n");
  run.RunFileAls();
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator("vcwk012345/func_als")) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (V{"Reset@a.c", "reset@a.c-2"}));
  EXPECT_EQ(Section(run.Text("func_als/reset@a.c-2"), "[関数名称]"), V{"reset"});
  EXPECT_EQ(Section(run.Text("func_als/reset@a.c-2"), "[書込み変数]"), V{"NONE"});
  EXPECT_EQ(Section(run.Text("func_als/Reset@a.c"), "[書込み変数]"), (V{"x", "y"}));
}

TEST(FunctionBodyTest, PlaceholderPagesOnlyForPagesThatDoNotExist) {
  AnalysisRun run;
  run.AddSource("a.c",
                "void self(void)\n{\n    self();\n    later();\n    LATER();\n    ext(1);\n}\n"
                "void later(void)\n{\n    ext(2);\n}\n");
  run.RunFileAls();
  EXPECT_EQ(run.Text("HTML/ext.html"), "Not Found Function");
  EXPECT_NE(run.Text("HTML/self.html").find("self()<A href= self.html>◆</A>;"), std::string::npos);
  // later.html was a placeholder until later's own page replaced it.
  EXPECT_EQ(run.Text("HTML/later.html").substr(26, 6), "<BODY ");
  EXPECT_FALSE(Exists("vcwk012345/HTML/LATER.html"));
}

// A link names the page file as it is on disk, whatever the letter case of
// the call: LATER() links to later.html, the page the function later owns.
TEST(FunctionBodyTest, LinkOfACallInAnotherLetterCaseNamesTheExistingPage) {
  AnalysisRun run;
  run.AddSource("a.c", "void later(void)\n{\n    x = 1;\n}\nvoid f(void)\n{\n    LATER();\n}\n");
  run.RunFileAls();
  EXPECT_NE(run.Text("HTML/f.html").find("LATER()<A href= later.html>◆</A>"), std::string::npos);
  EXPECT_TRUE(Exists("vcwk012345/HTML/later.html"));
}

// Only identifiers are callees: operators written like calls, the token
// before a parenthesised operand and the "]" or ")" before an argument list
// give no call, no link and no placeholder page; their operands are still
// read. String and character literals are never variables.
TEST(FunctionBodyTest, OperatorsAndLiteralsAreNeitherCallsNorVariables) {
  AnalysisRun run;
  run.AddSource("a.c",
                "void f(int max)\n{\n"
                "    n = sizeof(buf) / sizeof(buf[0]);\n"
                "    q = (max / (end - start));\n"
                "    a = _Alignof(long) + alignof(int) + __alignof__(x);\n"
                "    o = offsetof(struct s, m) + __builtin_offsetof(struct s, m);\n"
                "    if (sizeof(t) > 2) { t = 0; }\n"
                "    app_log(\"カウント更新\");\n"
                "    put('c', total);\n"
                "    tbl[i](x);\n"
                "    return sizeof(int);\n"
                "}\n");
  run.RunFileAls();
  const std::string record = run.Text("func_als/f");
  EXPECT_EQ(Section(record, "[コール関数]"), (V{"app_log(\"カウント更新\")", "put('c',total)"}));
  const V reads = Section(record, "[参照変数]");
  for (const std::string& read : reads) {
    EXPECT_NE(read[0], '"') << read;
    EXPECT_NE(read[0], '\'') << read;
  }
  EXPECT_NE(std::find(reads.begin(), reads.end(), "total"), reads.end());
  EXPECT_NE(std::find(reads.begin(), reads.end(), "buf"), reads.end());
  const std::string page = run.Text("HTML/f.html");
  EXPECT_EQ(Count(page, "◆"), 2u);
  for (const char* name : {"sizeof", "_Alignof", "alignof", "__alignof__", "offsetof", "__builtin_offsetof", "/", "]"})
    EXPECT_FALSE(Exists(std::string("vcwk012345/HTML/") + name + ".html")) << name;
  EXPECT_TRUE(Exists("vcwk012345/HTML/app_log.html"));
}

// The page shows the code as written: "&", "<" and ">" of code and
// comments are entities.
TEST(FunctionBodyTest, PageTextIsEscaped) {
  AnalysisRun run;
  run.AddSource("a.c",
                "int sum(int *buf) /* by <name@host> */\n{\n"
                "    for (i = 0; i < LEN - 1; i++) { s = s & (buf[i] >> 1); }\n"
                "    /* a<b */\n"
                "    return s;\n}\n");
  run.RunFileAls();
  const std::string page = run.Text("HTML/sum.html");
  EXPECT_NE(page.find("i　&lt;　LEN"), std::string::npos) << page;
  EXPECT_NE(page.find("s　&amp;"), std::string::npos) << page;
  EXPECT_NE(page.find("&gt;&gt;"), std::string::npos) << page;
  EXPECT_NE(page.find("/* a&lt;b */"), std::string::npos) << page;
  EXPECT_EQ(page.find("<name@host>"), std::string::npos) << page;
  EXPECT_EQ(page.find("a<b"), std::string::npos) << page;
}

TEST(FunctionBodyTest, NameThatCannotBeAFileNameIsAnalysedWithoutFiles) {
  AnalysisRun run;
  run.AddSource("a.c", "int \"../../evil\"(void)\n{\n    x = 1;\n}\nint good(void)\n{\n    return 1;\n}\n");
  run.RunFileAls();
  EXPECT_TRUE(Exists("vcwk012345/func_als/good"));
  EXPECT_FALSE(Exists("evil"));
  EXPECT_FALSE(Exists("vcwk012345/evil"));
  std::vector<std::string> records;
  for (const auto& e : std::filesystem::directory_iterator("vcwk012345/func_als")) records.push_back(e.path().filename());
  EXPECT_EQ(records, V{"good"});
  EXPECT_NE(ReadSjisText("AnalyzeLog.txt").find("\"../../evil\" : ファイル名に使えない関数名 出力せず"),
            std::string::npos);
  // The body was read: "good" was found after it, and its INF counts follow.
  EXPECT_EQ(run.Text("FILEINFO/INF_a.c"),
            "[FILENAME]\na.c\n[FUNCNAME]\n\"../../evil\"\n[LINE COUNT]\n1\n[LINE COUNT V]\n1\n[COMMNET]\n0\n"
            "[FUNCNAME]\ngood\n[LINE COUNT]\n1\n[LINE COUNT V]\n1\n[COMMNET]\n0\n");
}

TEST(FunctionBodyTest, BodyStatementPastThreeThousandTokensRestartsItsIndex) {
  AnalysisRun run;
  run.AddSource("a.c", "void f(void)\n{\n    x = a\n" + Repeat("        + a\n", 1600) + "        ;\n    y = b;\n}\n");
  run.RunFileAls();
  std::string log = ReadSjisText("AnalyzeLog.txt");
  EXPECT_EQ(Count(log, "メモリオーバー100"), 1u) << log;
  std::string record = run.Text("func_als/f");
  EXPECT_EQ(Section(record, "[書込み変数]"), (V{"x", "y"}));
  EXPECT_EQ(Section(record, "[参照変数]").back(), "b");
}

TEST(FunctionBodyTest, NestingDeeperThanTheIndentationTable) {
  AnalysisRun run;
  run.AddSource("a.c", "void deep(void)\n{\n" + Repeat("if (x) {\n", 25) + "y = 1;\n" + Repeat("}\n", 25) +
                           "z = 2;\n}\n");
  run.RunFileAls();
  std::string page = run.Text("HTML/deep.html");
  // Depth 10 is the last with an indentation (40 spaces); 11 and beyond have none.
  EXPECT_NE(page.find("<BR>" + Repeat("　", 40) + "if　(x)　{<BR>if"), std::string::npos);
  EXPECT_NE(page.find("<BR>y　=　1;<BR>"), std::string::npos);
  EXPECT_EQ(Section(run.Text("func_als/deep"), "[書込み変数]"), (V{"y", "z"}));
}

TEST(FunctionBodyTest, BodyThatReachesTheEndOfTheFileIsClosed) {
  AnalysisRun run;
  run.AddSource("a.c", "void open(void)\n{\n    x = 1;\n    /* a comment */\n");
  run.RunFileAls();
  EXPECT_EQ(Section(run.Text("func_als/open"), "[変数アクセス情報]"), V{"x [w]"});
  EXPECT_EQ(run.Text("SOURCE/open"), "[SOURCE]\nvoid open ( void ) {\n x = 1;\n /* a comment */\n}");
  EXPECT_EQ(run.Text("FILEINFO/INF_a.c"),
            "[FILENAME]\na.c\n[FUNCNAME]\nopen\n[LINE COUNT]\n1\n[LINE COUNT V]\n1\n[COMMNET]\n1\n");
}

TEST(FunctionBodyTest, AccessListStopsAtItsCapacity) {
  AnalysisRun run;
  run.AddSource("a.c", "void busy(void)\n{\n" + Repeat("    a = b;\n", 2600) + "}\n");
  run.RunFileAls();
  std::string record = run.Text("func_als/busy");
  EXPECT_EQ(Section(record, "[変数アクセス情報]").size(), 5000u);
  EXPECT_EQ(Section(record, "[書込み変数]").size(), 2600u);
  EXPECT_EQ(Section(record, "[参照変数]").size(), 2600u);
  std::string log = ReadSjisText("AnalyzeLog.txt");
  EXPECT_GT(Count(log, "SetWValList : 0 : UNITY VAL 配列OVER : -"), 0u);
  EXPECT_GT(Count(log, "SetRValList : 0 : UNITY VAL 配列OVER : -"), 0u);
}

TEST(FunctionBodyTest, OutputThatDoesNotOpenLeavesTheBodyToTheScanner) {
  AnalysisRun run;
  std::filesystem::create_directories("vcwk012345/func_als/f");  // a folder where the record should go
  run.AddSource("a.c", "void f(void)\n{\n    int inner;\n}\n");
  run.RunFileAls();
  // 255: nothing read; the scanner met the body's lines at file level, but
  // what a body declares is no file-level variable.
  EXPECT_EQ(run.Text("F_a.c"), "");
  EXPECT_EQ(run.Text("ValList.txt"), "");
  EXPECT_EQ(run.Text("FILEINFO/INF_a.c"), "[FILENAME]\na.c\n[FUNCNAME]\nf\n");
}

}  // namespace
}  // namespace kv
