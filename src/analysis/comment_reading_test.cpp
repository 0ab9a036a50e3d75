// Comments never change how code is read: small projects whose comments,
// literals and continuation lines once ended a body early or ate the next
// definition, through DEFINE ALS, FILE ALS and SPEC LIST. Each test looks at
// the records of the functions after the troublesome text.
#include <gtest/gtest.h>

#include "analysis/analysis_test_support.h"

namespace kv {
namespace {

using testing::AnalysisRun;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The record's section after `tag`, up to its empty line.
std::string Section(const std::string& record, const std::string& tag) {
  size_t at = record.find(tag + "\n");
  if (at == std::string::npos) return {};
  at += tag.size() + 1;
  size_t end = record.find("\n\n", at);
  return record.substr(at, end == std::string::npos ? std::string::npos : end - at + 1);
}

TEST(CommentReadingTest, QuotesAndBracesInsideBlockCommentsAreText) {
  AnalysisRun run;
  run.AddSource("a.c",
                "int g;\n"
                "void f(void)\n"
                "{\n"
                "\t/*\n"
                "\t * don't stop here; \"really\n"
                "\t * a { brace } and a \\ backslash {\n"
                "\t * 設定する。 → ok\n"
                "\t */\n"
                "\tg = 1;\n"
                "\tk();\n"
                "}\n"
                "void h(void)\n"
                "{\n"
                "\tm(); /* it's { */ n();\n"
                "}\n");
  run.RunAll();
  const std::string f = run.Text("func_als/f");
  EXPECT_EQ(Section(f, "[コール関数]"), "k()\n");
  EXPECT_EQ(Section(f, "[書込み変数]"), "g\n");
  const std::string h = run.Text("func_als/h");
  EXPECT_EQ(Section(h, "[コール関数]"), "m()\nn()\n");
  // The body's source page runs to its own closing brace.
  const std::string source = run.Text("SOURCE/f");
  EXPECT_TRUE(Has(source, " k();\n}")) << source;
  EXPECT_TRUE(Has(run.Text("FuncList_Body.txt"), "h"));
}

TEST(CommentReadingTest, LineCommentsAndCommentsOpenedMidStatement) {
  AnalysisRun run;
  run.AddSource("a.c",
                "void f(int a)\n"
                "{\n"
                "\tx = a + // isn't { counted\n"
                "\t    b;\n"
                "\tp(a, /* first\n"
                "\t       } second ' */ c);\n"
                "\tq();\n"
                "}\n"
                "void g(void)\n"
                "{\n"
                "\tr();\n"
                "}\n");
  run.RunAll();
  const std::string f = run.Text("func_als/f");
  EXPECT_EQ(Section(f, "[コール関数]"), "p(a,c)\nq()\n");
  EXPECT_EQ(Section(f, "[書込み変数]"), "x\n");
  EXPECT_EQ(Section(run.Text("func_als/g"), "[コール関数]"), "r()\n");
}

TEST(CommentReadingTest, EscapedQuotesEndLiteralsWhereCSays) {
  AnalysisRun run;
  run.AddSource("a.c",
                "#define Q(s) put(s, \"\\\"\\\\\")\n"
                "#define C '\\''\n"
                "void f(void)\n"
                "{\n"
                "\tput(\"say \\\"hi\\\" \\\\\", 1);\n"
                "\tc = '\\\\';\n"
                "\tk();\n"
                "}\n"
                "void g(void)\n"
                "{\n"
                "\tm();\n"
                "}\n");
  run.RunAll();
  const std::string f = run.Text("func_als/f");
  EXPECT_TRUE(Has(Section(f, "[コール関数]"), "k()\n")) << f;
  EXPECT_EQ(Section(f, "[書込み変数]"), "c\n");
  EXPECT_EQ(Section(run.Text("func_als/g"), "[コール関数]"), "m()\n");
}

TEST(CommentReadingTest, BlankLineAfterABackslashEndsTheDirective) {
  AnalysisRun run;
  run.AddSource("a.c",
                "#define LONG_ONE 1 + \\\n"
                "\n"
                "void f(void)\n"
                "{\n"
                "#define INNER 2 \\\n"
                "\n"
                "\tk();\n"
                "}\n"
                "void g(void)\n"
                "{\n"
                "\tm();\n"
                "}\n");
  run.RunAll();
  EXPECT_EQ(Section(run.Text("func_als/f"), "[コール関数]"), "k()\n");
  EXPECT_EQ(Section(run.Text("func_als/g"), "[コール関数]"), "m()\n");
}

TEST(CommentReadingTest, CommentLeftOpenEndsWithItsFile) {
  AnalysisRun run;
  run.AddSource("a.c",
                "void f(void)\n"
                "{\n"
                "\tk();\n"
                "}\n"
                "/* never closed\n"
                "void lost(void) { }\n");
  run.AddSource("b.c",
                "void g(void)\n"
                "{\n"
                "\tm();\n"
                "}\n");
  run.RunAll();
  EXPECT_EQ(Section(run.Text("func_als/g"), "[コール関数]"), "m()\n");
  EXPECT_EQ(run.Text("func_als/lost"), "");
}

TEST(CommentReadingTest, TypedefsAfterCommentsWithQuotesAreFound) {
  AnalysisRun run;
  run.AddSource("t.h",
                "/*\n"
                " * it's a header { with text\n"
                " */\n"
                "typedef unsigned char U8; // don't\n"
                "typedef struct { int a; /* } ' */ } REC;\n");
  run.RunDefineAls();
  EXPECT_TRUE(run.ctx.types().Contains("U8"));
  EXPECT_TRUE(run.ctx.types().Contains("REC"));
}

// The type-name table: names only from the ways declarations introduce
// them, never from a macro invocation's arguments or an enumerator's value.
TEST(TypeNameRegistrationTest, MacroInvocationArgumentsAreNoTypeNames) {
  AnalysisRun run;
  run.AddSource("a.c",
                "static DEFINE_LOCK(lock_a);\n"
                "static DEVICE_ATTR(val, 0644, show_val, NULL);\n"
                "MYTYPE g(PARAM_T p, void *q)\n"
                "{\n"
                "\tx = 1;\n"
                "\tk(x);\n"
                "}\n"
                "int proto(NAMED_T n);\n"
                "static void show(zone_t, char *, bool);\n"
                "static int put(const __be32 *data, unsigned count, void (*cb)(info_t), size_t n);\n"
                "const struct ops *ops_ptr;\n"
                "typedef struct known KNOWN_T;\n"
                "static bool\n"
                "is_alpha(char a)\n"
                "{\n"
                "\treturn a;\n"
                "}\n"
                "void h(void)\n"
                "{\n"
                "\tval = lock_a;\n"
                "\tshow_val(val);\n"
                "}\n");
  run.RunAll();
  const TypeNameTable& types = run.ctx.types();
  EXPECT_TRUE(types.Contains("MYTYPE"));
  EXPECT_TRUE(types.Contains("PARAM_T"));
  EXPECT_TRUE(types.Contains("NAMED_T"));
  EXPECT_TRUE(types.Contains("zone_t"));  // an unnamed prototype parameter
  EXPECT_TRUE(types.Contains("bool"));
  EXPECT_TRUE(types.Contains("__be32"));
  EXPECT_TRUE(types.Contains("KNOWN_T"));
  EXPECT_NE(run.Text("FuncList_Body.txt").find("is_alpha"), std::string::npos);
  for (const char* name : {"lock_a", "val", "show_val", "NULL", "x", "data", "count", "cb", "info_t", "ops_ptr"})
    EXPECT_FALSE(types.Contains(name)) << name;
  // So statements starting with those names are still read as statements.
  const std::string h = run.Text("func_als/h");
  EXPECT_EQ(Section(h, "[コール関数]"), "show_val(val)\n");
  EXPECT_EQ(Section(h, "[書込み変数]"), "val\n");
}

TEST(TypeNameRegistrationTest, EnumeratorValueExpressionsAreNoTypeNames) {
  AnalysisRun run;
  run.AddSource("e.h",
                "enum mode { M_A, M_B = (BASE + 1), M_C = F(i, j) };\n"
                "typedef enum { E_A = 1, E_B = SHIFT(data) } E_T;\n"
                "typedef struct fresh FRESH_T;\n"
                "static int g(void)\n"
                "{\n"
                "\treturn 0;\n"
                "}\n"
                "int after;\n"
                "void f(void)\n"
                "{\n"
                "\tk(dev, addr);\n"
                "}\n"
                "int y;\n");
  run.RunDefineAls();
  const TypeNameTable& types = run.ctx.types();
  EXPECT_TRUE(types.Contains("mode"));
  EXPECT_TRUE(types.Contains("E_T"));
  EXPECT_TRUE(types.Contains("FRESH_T"));  // a typedef of a tag not seen before
  for (const char* name : {"i", "j", "data", "dev", "addr", "f", "k", "y", "g", "after"})
    EXPECT_FALSE(types.Contains(name)) << name;
}

}  // namespace
}  // namespace kv
