// Calls as the project defines them, through a whole run of small projects:
// every call the body holds is recorded with its whole text, member calls
// keep their base and call nothing of the project, each callee is filed
// under 定義あり, 定義なし or マクロ by what the project defines, and a
// file-level macro invocation is no prototype.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/analyze_test_run.h"
#include "platform/encoding.h"
#include "support/test_folder.h"

namespace kv {
namespace {

class ProjectCallsTest : public ::testing::Test {
 protected:
  // Writes `files` (name, UTF-8 text) as the project "proj" and runs it.
  void Run(std::initializer_list<std::pair<const char*, const char*>> files) {
    for (const auto& [name, text] : files) testing::WriteFile(std::string("proj/") + name, ToCp932(text));
    testing::WriteFile("out/.keep", "");
    testing::AnalyzeTestRun run("proj", "out");
    ASSERT_EQ(run.Run(), AnalyzeResult::Status::kCompleted);
  }
  std::string Record(const std::string& function) const {
    return Utf8OfCp932(testing::ReadFile("vcwk012345/FunctionList4/" + function));
  }
  // The section `tag` of a final record, its entries one per line.
  std::string Section(const std::string& function, const std::string& tag) const {
    const std::string record = Record(function);
    size_t at = record.find(tag + "\n");
    if (at == std::string::npos) return "(no " + tag + ")";
    at += tag.size() + 1;
    return record.substr(at, record.find("\n\n", at) - at);
  }
  // The text of a work-folder file, line ends as "\n".
  static std::string Utf8OfCp932(const std::string& bytes) {
    std::string text;
    if (!TryToUtf8(bytes, text)) text = bytes;
    std::erase(text, '\r');
    return text;
  }
  testing::ScratchFolder scratch_;
};

// The causes of missed calls: the statement after a loop-macro header
// (braced or not), a callee whose name is also a struct tag, a call after
// an operator in an argument or condition, in a subscript, and in either
// side of an assignment through a call's result or a pointer.
TEST_F(ProjectCallsTest, EveryCallIsRecorded) {
  Run({{"a.c",
        "struct input_event { int type; };\n"
        "void f(struct dev *dev, int *val, struct list *head)\n{\n"
        "    list_for_each_entry(pos, head, list) {\n        walk(pos);\n    }\n"
        "    for_each_possible_cpu(cpu)\n        total += per_cpu(cpu);\n"
        "    input_event(dev, 1, 2);\n"
        "    mod_timer(&t, jiffies + msecs_to_jiffies(10));\n"
        "    if (!a || strcmp(s, t)) stop();\n"
        "    set_bit(keybit[BIT_WORD(n)], bits);\n"
        "    skb_shinfo(to)->n = min_t(int, a, b);\n"
        "    *val = compute(x);\n"
        "    put('0' + ((m >> 28) & 0xF));\n"
        "}\n"}});
  EXPECT_EQ(Section("f", "[コール関数]"),
            "list_for_each_entry(pos,head,list)\nwalk(pos)\nfor_each_possible_cpu(cpu)\nper_cpu(cpu)\n"
            "input_event(dev,1,2)\nmsecs_to_jiffies(10)\nmod_timer(&t,jiffies+msecs_to_jiffies(10))\n"
            "strcmp(s,t)\nstop()\nBIT_WORD(n)\nset_bit(keybit[BIT_WORD(n)],bits)\nskb_shinfo(to)\nmin_t(int,a,b)\n"
            "compute(x)\nput('0'+((m>>28)&0xF))");
}

// A member call keeps its base, is filed as no function of the project and
// neither links to nor counts as a caller of a function of the member's name.
TEST_F(ProjectCallsTest, MemberCallsKeepTheirBase) {
  Run({{"a.c",
        "int init(int a)\n{\n    return a;\n}\n"
        "void f(struct dev *x)\n{\n    x->ops->init(1);\n    r = x->ops->init(2) + p.init(3);\n}\n"}});
  EXPECT_EQ(Section("f", "[コール関数]"), "x->ops->init(1)\nx->ops->init(2)\np.init(3)");
  EXPECT_EQ(Section("f", "[コール関数（定義あり）]"), "NONE");
  EXPECT_EQ(Section("f", "[コール関数（定義なし）]"), "x->ops->init(1)\nx->ops->init(2)\np.init(3)");
  EXPECT_NE(Record("init").find("[コール元]\nNONE_CALLER"), std::string::npos);
  const std::string page = Utf8OfCp932(testing::ReadFile("vcwk012345/HTML/f.html"));
  EXPECT_EQ(page.find("init.html"), std::string::npos) << page;
}

// 定義あり for every function the project defines (its prototype's text,
// else its header's), マクロ for a macro of the file or its includes (the
// name and the first token of its body), 定義なし only for the rest.
TEST_F(ProjectCallsTest, CallsAreFiledByWhatTheProjectDefines) {
  Run({{"m.h", "#define TWICE(v) ((v) * 2)\n#define LOG(fmt, ...) printk(fmt)\n#define my_alloc kmalloc\n"
               "int shared(int);\n"},
       {"a.c",
        "#include \"m.h\"\n"
        "static int helper(int x)\n{\n    return x;\n}\n"
        "int shared(int y)\n{\n    return y;\n}\n"
        "int f(int n)\n{\n    helper(n);\n    shared(n);\n    r = TWICE(n);\n    LOG(\"x\");\n"
        "    my_alloc(n);\n    outside(n);\n    return 0;\n}\n"}});
  EXPECT_EQ(Section("f", "[コール関数（定義あり）]"), "static int helper ( int x ) \nint shared ( int ) ");
  EXPECT_EQ(Section("f", "[コール関数（定義なし）]"), "outside(n)");
  EXPECT_EQ(Section("f", "[マクロ関数]"), "TWICE\t(\nLOG\tprintk\nmy_alloc\tkmalloc");
  EXPECT_EQ(Section("f", "[コール関数]"),
            "helper(n)\nshared(n)\nTWICE(n)\nprintk(\"x\")\nkmalloc(n)\noutside(n)");
}

// File-level macro invocations and statements are no prototypes: no
// FuncList_ProtType.txt line, no placeholder record or page, no entry in
// 関数一覧; a real prototype without a definition keeps its placeholder.
TEST_F(ProjectCallsTest, MacroInvocationsAreNoPrototypes) {
  Run({{"a.c",
        "static DEFINE_MUTEX(lock);\nLIST_HEAD(list);\nstatic DEVICE_ATTR(mode, 0644, show, store);\n"
        "module_init(start);\nint declared_only(int);\nstatic inline DEFINE_HELPER(times, long);\n"
        "__sfr16 __at (0x8C8A) TMR0;\n__sfr __at (IO_BASE+0x00) CNTLA0;\nconst char FMT_NAME(symbol)[] = \"%pS\";\n"
        "MODULE_PARM_DESC(level, \"initial level\"\n    RANGE(LO, HI));\n"
        "int start(void)\n{\n    return declared_only(1);\n}\n"}});
  EXPECT_EQ(testing::ReadFile("vcwk012345/FuncList_ProtType.txt"), "int\tdeclared_only\t(\tint\t)\t;\r\n");
  for (const char* name : {"DEFINE_MUTEX", "LIST_HEAD", "DEVICE_ATTR", "module_init", "RANGE", "DEFINE_HELPER", "__at", "FMT_NAME"}) {
    EXPECT_FALSE(std::filesystem::exists(std::string("vcwk012345/FunctionList4/") + name)) << name;
    EXPECT_FALSE(std::filesystem::exists(std::string("vcwk012345/HTML/") + name + ".html")) << name;
  }
  EXPECT_EQ(Record("declared_only"), "Not Found Function");
  const std::string list = Utf8OfCp932(testing::ReadFile("vcwk012345/HTML/Funclist.html"));
  EXPECT_NE(list.find(">declared_only</A>"), std::string::npos);
  EXPECT_EQ(list.find("DEFINE_MUTEX"), std::string::npos);
}

}  // namespace
}  // namespace kv
