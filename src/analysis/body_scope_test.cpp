// Parameters and locals as C scopes them: a name a function declares is a
// variable inside it, whatever the project-wide type-name table holds, and
// every declaration form of a local is a temporary. One small project per
// way a parameter or local used to go missing.
#include <gtest/gtest.h>

#include <string>

#include "analysis/analysis_test_support.h"

namespace kv {
namespace {

using testing::AnalysisRun;
using testing::FunctionSection;

// The tags smi_info and info and the typedef len_t are type names for the
// whole run; a parameter or local of those names is still recorded, and its
// member accesses keep it as their base.
TEST(BodyScopeTest, NamesThatAreAlsoTypeNamesAreParametersAndLocals) {
  AnalysisRun run;
  run.AddSource("types.h", "struct smi_info { int a; };\nstruct info { int a, b; };\ntypedef int len_t;\n");
  run.AddSource("a.c",
                "void start_check_enables(struct smi_info *smi_info)\n{\n"
                "    smi_info->a = 1;\n}\n"
                "int fa(struct info *info, int len)\n{\n    total = info->a + info->b + len;\n    return 0;\n}\n"
                "int fb(struct info *p, int len)\n{\n    total = p->a + p->b + len;\n    return 0;\n}\n"
                "void lengths(void)\n{\n    unsigned len_t;\n    poll_t info = 0;\n    u64 t1, t2[N], t3;\n    len_t = size;\n"
                "    static char msg[] __initdata = \"x\";\n    int tid __maybe_unused;\n"
                "    struct fw *fw __free(release) = get();\n    register u64 last = 0;\n    register n2;\n}\n");
  run.RunDefineAls();
  run.RunFileAls();
  EXPECT_EQ(FunctionSection(run, "start_check_enables", "[引数定義]"), "smi_info\t*\tsmi_info\t");
  EXPECT_EQ(FunctionSection(run, "start_check_enables", "[書込み変数]"), "smi_info->a");
  // fa and fb differ only in the parameter's name.
  EXPECT_EQ(FunctionSection(run, "fa", "[引数定義]"), "info\t*\tinfo\t\nint\tlen\t");
  EXPECT_EQ(FunctionSection(run, "fa", "[参照変数]"), "info->a\ninfo->b\nlen");
  EXPECT_EQ(FunctionSection(run, "fb", "[参照変数]"), "p->a\np->b\nlen");
  EXPECT_EQ(FunctionSection(run, "lengths", "[テンポラリ変数]"), "unsigned\tlen_t\npoll_t\tinfo\nu64\tt1\nu64\tt2[N]\nu64\tt3\nstatic\tchar\tmsg[]\nint\ttid\n"
            "struct\tfw\t*\tfw\nregister\tu64\tlast\nregister\tn2");
  EXPECT_EQ(FunctionSection(run, "lengths", "[コール関数]"), "__free(release)\nget()");
  EXPECT_EQ(FunctionSection(run, "lengths", "[書込み変数]"), "len_t");
  EXPECT_EQ(FunctionSection(run, "lengths", "[参照変数]"), "size\nrelease");
}

// A type word before the name, never a keyword: unnamed and keyword-only
// parameters name nothing. A word before a "*" qualifies the pointer.
TEST(BodyScopeTest, ParameterListsWithoutATypeNamedName) {
  AnalysisRun run;
  run.AddSource("a.c",
                "typedef int u8;\n"
                "int g(unsigned int, u8);\n"
                "int h(u8 n, unsigned long v, const u8 *u8p, void __user *to)\n{\n    return n;\n}\n"
                "int k(int (*detect)(struct dev *, bool), void (*cb)(void *data), bool probe, const u64 in[8],\n"
                "      unsigned char u8[], void (*u8f)(int), int getfrag(void *from, int len), int last)\n{\n"
                "    return probe;\n}\n");
  run.RunDefineAls();
  run.RunFileAls();
  EXPECT_EQ(FunctionSection(run, "h", "[引数定義]"), "u8\tn\t\nunsigned\tlong\tv\t\nconst\tu8\t*\tu8p\t\nvoid\t__user\t*\tto\t");
  // The name of a function-pointer parameter is inside its first
  // parentheses; the words of its own parameter list are not the function's.
  EXPECT_EQ(FunctionSection(run, "k", "[引数定義]"), "int\t(\t*\tdetect\t\nvoid\t(\t*\tcb\t\nbool\tprobe\t\nconst\tu64\tin\t\nunsigned\tchar\tu8\t\n"
            "void\t(\t*\tu8f\t\nint\tgetfrag\t\nint\tlast\t");
}

// struct, union and enum declarations of every form are temporaries, as
// are the variable a local struct body declares (its members are not) and
// the declarations of a for.
TEST(BodyScopeTest, AggregateDeclarationsAreTemporaries) {
  AnalysisRun run;
  run.AddSource("a.c",
                "struct tag { int x; };\nunion un { int i; };\n"
                "void f(int n)\n{\n"
                "    struct tag plain;\n"
                "    struct tag *p = get(n);\n"
                "    union un u = { 0 };\n"
                "    const struct tag *cp;\n"
                "    static struct tag keep;\n"
                "    struct tag arr[N], *q;\n"
                "    struct { int m; } anon;\n"
                "    struct tag;\n"
                "    for (unsigned char i = 0, *c = 0; i < n; i++) { }\n"
                "    p->x = plain.x + cp->x + keep.x + arr[n].x + q->x + anon.m + u.i;\n"
                "}\n");
  run.RunDefineAls();
  run.RunFileAls();
  EXPECT_EQ(FunctionSection(run, "f", "[テンポラリ変数]"),
            "struct\ttag\tplain\nstruct\ttag\t*\tp\nunion\tun\tu\nconst\tstruct\ttag\t*\tcp\n"
            "static\tstruct\ttag\tkeep\nstruct\ttag\tarr[N]\nstruct\ttag\tq\nstruct int\tm\nstruct\tanon\n"
            "unsigned\tchar\ti\nunsigned\tchar\tc");
  EXPECT_EQ(FunctionSection(run, "f", "[コール関数]"), "get(n)");
  EXPECT_EQ(FunctionSection(run, "f", "[書込み変数]"), "i\nc\ni\np->x");
}

}  // namespace
}  // namespace kv
