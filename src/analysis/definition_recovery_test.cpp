// The definitions the file-level scan misses and the pass after it records,
// one small project per cause, each checked for the records it must write
// and the calls they must hold; and the calls of initialisers and of
// statements controlled without braces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/analysis_test_support.h"

namespace kv {
namespace {

using testing::AnalysisRun;
using testing::Exists;

using testing::RecordSection;

std::string Section(const std::string& record, const std::string& tag) { return RecordSection(record, tag); }

std::string Calls(AnalysisRun& run, const std::string& function) {
  return Section(run.Text("func_als/" + function), "[コール関数]");
}

struct Case {
  const char* cause;
  const char* source;
  std::vector<std::string> functions;  // each must have its record
  const char* function;                // ... and this one the calls below
  const char* calls;
};

TEST(DefinitionRecoveryTest, EveryCauseOfAMissGetsItsRecordAndCalls) {
  const Case cases[] = {
      {"inline words", "static inline int twice(int a) { return work(a); }\n"
                       "__inline__ void spin(void) { relax(); }\n"
                       "_Noreturn void halt(void) { for (;;) wait(); }\n",
       {"twice", "spin", "halt"}, "twice", "work(a)"},
      {"attribute between type and name",
       "static int __init board_init(void) { return setup(0); }\n"
       "void __interrupt __far timer_isr(void) { tick(); }\n",
       {"board_init", "timer_isr"}, "timer_isr", "tick()"},
      {"struct return type swallowing later definitions",
       "struct dev *find_dev(int id) { return lookup(id); }\n"
       "int after_struct(void) { return count(); }\n",
       {"find_dev", "after_struct"}, "find_dev", "lookup(id)"},
      {"attribute before the type", "static INLINE_ATTR int clamp(int v) { return limit(v); }\n"
                                    "INTERRUPT void on_irq(void) { ack(); }\n",
       {"clamp", "on_irq"}, "clamp", "limit(v)"},
      {"return type from outside the tree", "static ssize_t get_len(int fd) { return length(fd); }\n"
                                            "irqreturn_t handler(int irq, void *data) { return handled(irq); }\n",
       {"get_len", "handler"}, "handler", "handled(irq)"},
      {"struct tag without a body", "struct device;\nint probe(int x) { return attach(x); }\n",
       {"probe"}, "probe", "attach(x)"},
      {"definition wrapped in a macro", "ISR(TIMER0_OVF_vect) { ticks++; update(ticks); }\n",
       {"ISR(TIMER0_OVF_vect)"}, "ISR(TIMER0_OVF_vect)", "update(ticks)"},
      {"K&R parameters and implicit int", "int add(a, b) int a; int b; { return sum(a, b); }\n"
                                          "main() { start(); }\n",
       {"add", "main"}, "add", "sum(a,b)"},
      {"name equal to a struct tag", "struct stat { int size; };\n"
                                     "int stat(const char *p, struct stat *s) { return query(p); }\n",
       {"stat"}, "stat", "query(p)"},
      {"attribute macro with arguments", "static void ATTR((printf,1,2)) report(const char *f, ...) { emit(f); }\n",
       {"report"}, "report", "emit(f)"},
      {"function-pointer return type", "int (*get_handler(void))(int) { return pick(0); }\n",
       {"get_handler"}, "get_handler", "pick(0)"},
  };
  for (const Case& c : cases) {
    AnalysisRun run;
    run.AddSource("cause.c", c.source);
    run.RunFileAls();
    for (const std::string& f : c.functions) EXPECT_TRUE(Exists("vcwk012345/func_als/" + f)) << c.cause << ": " << f;
    EXPECT_EQ(Calls(run, c.function), c.calls) << c.cause;
  }
}

TEST(DefinitionRecoveryTest, AnAttributeNameIsNeverAFunction) {
  AnalysisRun run;
  run.AddSource("attr.c",
                "static int ATTRIBUTE_FORMAT((printf, 3, 4))\nmy_snprintf(char *s, int n, const char *f, ...)\n{\n"
                "    return format(s, n, f);\n}\n"
                "static __printf(2, 3) void say(int l, const char *f, ...) { print(f); }\n"
                "static ATTR(x) int clamp(int v) { return v; }\n"
                "static DEFINE_PER_CPU(struct ctx, cpu_ctx) = {\n    .lock = 0,\n};\n"
                "int after(int a = 0) { return 0; }\n");
  run.RunFileAls();
  EXPECT_FALSE(Exists("vcwk012345/func_als/ATTRIBUTE_FORMAT"));
  EXPECT_FALSE(Exists("vcwk012345/func_als/__printf"));
  EXPECT_FALSE(Exists("vcwk012345/func_als/ATTR"));
  EXPECT_EQ(Calls(run, "my_snprintf"), "format(s,n,f)");
  EXPECT_EQ(Section(run.Text("func_als/my_snprintf"), "[引数定義]"), "char\t*\ts\t\nint\tn\t\nconst\tchar\t*\tf\t");
  EXPECT_EQ(Calls(run, "say"), "print(f)");
  EXPECT_TRUE(Exists("vcwk012345/func_als/clamp"));
  EXPECT_FALSE(Exists("vcwk012345/func_als/DEFINE_PER_CPU"));
  EXPECT_TRUE(Exists("vcwk012345/func_als/after"));
}

// The pass writes after the scan's own entries, registers no type names,
// and leaves a name the scan recorded in the file alone.
TEST(DefinitionRecoveryTest, RecoveredDefinitionsFollowTheScansOwnAndRegisterNoTypes) {
  AnalysisRun run;
  run.AddSource("order.c",
                "static int __init early(void)\n{\n    q = (local_t *)r;\n    return 0;\n}\n"
                "int plain(int a)\n{\n    return a;\n}\n"
                "static int __init plain(void) { return 1; }\n");
  run.RunFileAls();
  EXPECT_EQ(run.Text("FuncList_Body.txt"), "int\tplain\t(\tint\ta\t)\t\nstatic\tint\t__init\tearly\t(\tvoid\t)\t\n");
  EXPECT_EQ(run.Text("FILEINFO/INF_order.c"),
            "[FILENAME]\norder.c\n[FUNCNAME]\nplain\n[LINE COUNT]\n1\n[LINE COUNT V]\n1\n[COMMNET]\n0\n"
            "[FUNCNAME]\nearly\n[LINE COUNT]\n2\n[LINE COUNT V]\n2\n[COMMNET]\n0\n");
  EXPECT_EQ(Section(run.Text("func_als/plain"), "[引数定義]"), "int\ta\t");
  EXPECT_EQ(Section(run.Text("func_als/early"), "[書込み変数]"), "q");
  EXPECT_FALSE(run.ctx.types().Contains("local_t"));
  EXPECT_FALSE(run.ctx.types().Contains("__init"));
}

TEST(DefinitionRecoveryTest, InitialisersAreRightHandSides) {
  AnalysisRun run;
  run.AddSource("init.c",
                "int f(int x)\n{\n"
                "    int y = get(x), z = w + v;\n"
                "    struct pt p = { .x = a, .y = make(b) };\n"
                "    unknown_t u = (unknown_t)conv(x);\n"
                "    return y;\n}\n");
  run.RunFileAls();
  const std::string record = run.Text("func_als/f");
  EXPECT_EQ(Section(record, "[コール関数]"), "get(x)\nmake(b)\nconv(x)");
  EXPECT_EQ(Section(record, "[参照変数]"), "x\nw\nv\na\nb\nx");
  EXPECT_EQ(Section(record, "[テンポラリ変数]"), "int\ty\nint\tz\nstruct\tpt\tp\nunknown_t\tu");
}

// struct info *info registers the tag "info" as a type name; a statement
// that opens with the variable is still an expression.
TEST(DefinitionRecoveryTest, ATypeNameUsedAsAVariableOpensAnExpression) {
  AnalysisRun run;
  run.AddSource("same.c",
                "static void start(struct info *info, int size)\n{\n"
                "    info->ops->begin(info, size);\n"
                "    info->count = size;\n"
                "    info->count++;\n"
                "    info->info = make(size);\n"
                "    info x;\n}\n");
  run.RunFileAls();
  const std::string record = run.Text("func_als/start");
  EXPECT_EQ(Section(record, "[コール関数]"), "info->ops->begin(info,size)\nmake(size)");
  EXPECT_EQ(Section(record, "[書込み変数]"), "info->count\ninfo->count\ninfo->info");
  EXPECT_EQ(Section(record, "[テンポラリ変数]"), "info\tx");
}

TEST(DefinitionRecoveryTest, StatementsControlledWithoutBracesAreAnalysed) {
  AnalysisRun run;
  run.AddSource("ctl.c",
                "void f(int x)\n{\n"
                "    if (x) stop(x);\n"
                "    else go(x);\n"
                "    while (busy()) wait(1);\n"
                "    for (i = 0; i < n; i++) put(i);\n"
                "    if (a)\n        if (b) c = d;\n"
                "    for (;;) ;\n"
                "    if (unlikely(!(s & (A | B)))) {\n        warn(s);\n    }\n"
                "    done();\n}\n");
  run.RunFileAls();
  const std::string record = run.Text("func_als/f");
  EXPECT_EQ(Section(record, "[コール関数]"), "stop(x)\ngo(x)\nbusy()\nwait(1)\nput(i)\nunlikely(!(s&(A|B)))\nwarn(s)\ndone()");
  EXPECT_EQ(Section(record, "[書込み変数]"), "i\ni\nc");
}

}  // namespace
}  // namespace kv
