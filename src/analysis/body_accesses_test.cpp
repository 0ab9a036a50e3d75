// Reads and writes are variables: a member access keeps its base, an
// expression is split into the variables it reads, literals and number
// suffixes are values, asm holds no C, and a return value is kept as
// written. One small project per way an entry used to be untrue.
#include <gtest/gtest.h>

#include <string>

#include "analysis/analysis_test_support.h"

namespace kv {
namespace {

using testing::AnalysisRun;

std::string Section(AnalysisRun& run, const std::string& function, const std::string& tag) {
  return testing::RecordSection(run.Text("func_als/" + function), tag);
}

// info and state are tags, and also the names of file-level variables.
TEST(BodyAccessesTest, MemberAccessesKeepTheirBase) {
  AnalysisRun run;
  run.AddSource("a.c",
                "struct info { int a; };\nstruct state { int n; };\n"
                "struct info *info;\nstruct state state;\n"
                "void f(void)\n{\n    y = info->a + state.n;\n    if (info->a > state.n) z = 1;\n"
                "    state.n = info->a;\n    g(info->a, state.n);\n}\n");
  run.RunDefineAls();
  run.RunFileAls();
  EXPECT_EQ(Section(run, "f", "[参照変数]"), "info->a\nstate.n\ninfo->a\nstate.n\ninfo->a\ninfo->a\nstate.n");
  EXPECT_EQ(Section(run, "f", "[書込み変数]"), "y\nz\nstate.n");
}

TEST(BodyAccessesTest, ExpressionsAreSplitIntoTheirVariables) {
  AnalysisRun run;
  run.AddSource("a.c",
                "void f(int val, int iap)\n{\n"
                "    show(val >> 4, iap ? \"IAP\" : \"FW\", x + 1, -y, !z, &w, *p);\n"
                "    r = a < b ? c : d % e;\n"
                "    if (m % n == (o ^ q)) s = 1;\n"
                "    t = u = v;\n"
                "    k = i++;\n"
                "    buf[len++] = ch;\n"
                "    acc ^= mask;\n"
                "    acc *= 2;\n"
                "    for (i = j = 0; i < lim + 1; i = next(i)) { }\n"
                "    switch (st->idx++) { default: break; }\n"
                "    cnt = sizeof tbl / sizeof tbl[0];\n"
                "    scan(line, \"%\"FMT\"%c\", &v);\n"
                "    if (sizeof hdr.magic > lim) { }\n"
                "    o = container_of(ref, struct owner, refcount.link);\n"
                "    e = list_entry(pos, typeof(*e), node) + sizeof_field(struct owner, id);\n"
                "    use = (zp - 1)->until > lim;\n"
                "    extern ext_fn();\n"
                "}\n");
  run.RunFileAls();
  EXPECT_EQ(Section(run, "f", "[参照変数]"),
            "val\niap\nx\ny\nz\nw\np\na\nb\nc\nd\ne\nm\nn\no\nq\nv\nch\nmask\ni\nlim\ni\ntbl\ntbl[0]\n"
            "line\nFMT\nv\nhdr.magic\nlim\nref\npos\ne\nzp\nlim");
  EXPECT_FALSE(run.ctx.types().Contains("extern"));
  EXPECT_EQ(Section(run, "f", "[書込み変数]"), "r\ns\nt\nu\nk\ni\nlen\nbuf[len++]\nacc\nacc\ni\nj\ni\nst->idx\ncnt\no\ne\nuse");
  EXPECT_EQ(Section(run, "f", "[コール関数]"),
            "show(val>>4,iap?\"IAP\":\"FW\",x+1,-y,!z,&w,*p)\nnext(i)\nscan(line,\"%\"FMT\"%c\",&v)\n"
            "container_of(ref,structowner,refcount.link)\nlist_entry(pos,typeof(*e),node)\nsizeof_field(structowner,id)");
}

// A cast to a struct pointer in a loop's condition is a type, not a read
// of "struct bb".
TEST(BodyAccessesTest, StructCastsInLoopConditionsAreNoReads) {
  AnalysisRun run;
  run.AddSource("a.c",
                "struct bb { struct bb *next; };\nstatic struct bb *head;\n"
                "void f(void)\n{\n    struct bb *p;\n"
                "    for (p = head; p != (struct bb *) 0; p = p->next) n++;\n"
                "    for (p = head; (struct bb *) 0 != p; p = p->next) n++;\n}\n");
  run.RunDefineAls();
  run.RunFileAls();
  const std::string reads = Section(run, "f", "[参照変数]");
  EXPECT_EQ(reads.find("struct"), std::string::npos) << reads;
  EXPECT_NE(reads.find("head"), std::string::npos) << reads;
}

TEST(BodyAccessesTest, LiteralsAndNumberSuffixesAreNoVariables) {
  AnalysisRun run;
  run.AddSource("a.c",
                "void f(void)\n{\n    y = 0ul + x * 10UL;\n    put(\"text\", 'c', 1u, 2LL);\n"
                "    if (z == 3UL) w = 0xFFul;\n}\n");
  run.RunFileAls();
  EXPECT_EQ(Section(run, "f", "[参照変数]"), "x\nz");
  EXPECT_EQ(Section(run, "f", "[書込み変数]"), "y\nw");
}

// asm text is neither declarations nor accesses; a call in the C
// expression of an operand is still a call.
TEST(BodyAccessesTest, AsmStatementsAndBlocksAreSkipped) {
  AnalysisRun run;
  run.AddSource("a.c",
                "void f(void)\n{\n    __asm__ __volatile__ (\"wdr\\n\" : : \"r\" (x), \"I\" (IO_ADDR(SPL)));\n"
                "    asm(\"nop\");\n"
                "    __asm\n        mov a, #0x01 ; it's loaded\n        mov r0, a\n    __endasm;\n"
                "    y = 1;\n}\n");
  run.RunFileAls();
  EXPECT_EQ(Section(run, "f", "[テンポラリ変数]"), "NONE");
  EXPECT_EQ(Section(run, "f", "[参照変数]"), "NONE");
  EXPECT_EQ(Section(run, "f", "[書込み変数]"), "y");
  EXPECT_EQ(Section(run, "f", "[コール関数]"), "IO_ADDR(SPL)");  // a call in an operand is a call
  EXPECT_FALSE(run.ctx.types().Contains("__asm__"));
  EXPECT_FALSE(run.ctx.types().Contains("mov"));
}

// The returned expression as written; a parenthesised one without its
// parentheses, as before.
TEST(BodyAccessesTest, ReturnValuesKeepTheirSign) {
  AnalysisRun run;
  run.AddSource("a.c",
                "int f(int x)\n{\n    if (x == 1) return -ENOMEM;\n    if (x == 2) return -1;\n"
                "    if (x == 3) return (-EINVAL);\n    if (x == 4) return !x;\n"
                "    if (x == 5) return (int)-2;\n    return (x);\n}\n");
  run.RunFileAls();
  EXPECT_EQ(Section(run, "f", "[戻り値]"), "-ENOMEM\n-1\n-EINVAL\n!x\n-2\nx");
}

// A string continued with a backslash at a line's end is one literal: its
// second line is no code, and the call around it closes where C closes it.
// Calls after a parenthesised return value and inside a dereferenced
// assignment target are recorded too.
TEST(BodyAccessesTest, StringContinuedOnTheNextLineIsOneLiteral) {
  AnalysisRun run;
  run.AddSource("a.c",
                "int f(int n)\n{\n    if (n)\n        warning(\"goes past; \\\nwill not; \\\nwork\");\n"
                "    x = 1;\n    return ((m << 8) + t) * (64 / cycles());\n}\n"
                "void g(void *h)\n{\n    *(((void **)getend(h)) - 1) = h;\n}\n");
  run.RunFileAls();
  EXPECT_EQ(Section(run, "f", "[コール関数]"), "warning(\"goes past; \\will not; \\work\")\ncycles()");
  EXPECT_EQ(Section(run, "f", "[書込み変数]"), "x");
  EXPECT_EQ(Section(run, "g", "[コール関数]"), "getend(h)");
  EXPECT_EQ(run.Text("SOURCE/f"),
            "[SOURCE]\nint f ( int n ) {\n if (n)\n warning(\"goes past; \\\nwill not; \\\nwork\");\n x = 1;\n"
            " return ((m << 8) + t) * (64 / cycles());\n}");
}

}  // namespace
}  // namespace kv
