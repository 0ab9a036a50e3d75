#include "consolidate/func_als3.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "consolidate/consolidate_stages.h"
#include "consolidate/consolidate_test_support.h"
#include "consolidate/definition_files.h"

namespace kv {
namespace {

using testing::ReadSjisText;
using testing::ScratchFolder;
using testing::StageHarness;
using testing::WriteSjisText;

TEST(EmptyBracketsTest, EmptiesEveryOutermostPair) {
  const std::pair<std::string, std::string> cases[] = {
      {"buf[i+1]", "buf[]"}, {"m[x][y]", "m[][]"}, {"a[b[i]].c", "a[].c"}, {"a[]", "a[]"}};
  for (const auto& [in, want] : cases) {
    std::string text = in;
    EXPECT_TRUE(EmptyBrackets(text)) << in;
    EXPECT_EQ(text, want);
  }
  std::string open = "a[i";
  EXPECT_FALSE(EmptyBrackets(open));
  EXPECT_EQ(open, "a[i");
  std::string stray = "a]b[c]";
  EXPECT_FALSE(EmptyBrackets(stray));
}

TEST(EmptyBracketsTest, AccessLinesKeepTheirMark) {
  const std::pair<std::string, std::string> cases[] = {
      {"buf[i] [R]", "buf[] [R]"}, {"a[b[i]] [w]", "a[] [w]"}, {"x [RET]", "x [RET]"}, {"t[1].v[k] [R]", "t[].v[] [R]"}};
  for (const auto& [in, want] : cases) {
    std::string line = in;
    EmptyAccessBrackets(line);
    EXPECT_EQ(line, want);
  }
}

// An entry is based on a local when the variable it starts with is one a
// declaration line declares; type words and member lines declare nothing.
TEST(LocalDeclarationsTest, EntriesBasedOnAParameterOrLocal) {
  LocalDeclarations locals;
  for (const char* line : {"int\tcounter", "char\t*\tp\t", "unsigned\tchar\tbuf[4]", "struct\ttag\t*\ts",
                           "int\t(\t*\tfp)(int)", "struct int\tm", "void"})
    locals.Add(line);
  for (const char* entry : {"counter", "p", "*p", "p->next", "buf", "buf[]", "buf[i] [R]", "s.f", "(*fp)", "fp"})
    EXPECT_TRUE(locals.Declares(entry)) << entry;
  for (const char* entry : {"count", "har", "char", "tag", "m", "void", "g_p", "1", "\"p"})
    EXPECT_FALSE(locals.Declares(entry)) << entry;
  EXPECT_EQ(DeclaredName("int\tcount\t"), "count");
  EXPECT_EQ(DeclaredName("struct int\ta"), "");
  EXPECT_EQ(EntryBase("-x [RET]"), "x");
  EXPECT_EQ(EntryBase("0x10"), "");
}

TEST(ReplaceWholeNameTest, ReplacesOnlyWholeOccurrences) {
  EXPECT_EQ(ReplaceWholeName("MIN(MINVAL,MIN(a,b))", "MIN", "min_u8"), "min_u8(MINVAL,min_u8(a,b))");
  EXPECT_EQ(ReplaceWholeName("f(x)", "", "y"), "f(x)");
}

// Every definition of the file is a macro of its name, in the records'
// form (a tab between the name and each value token) and in DefList.txt's
// (MAX(a,b) then a tab and the body); the body is the first token after a
// parameter list, or the first value token of a macro without one.
TEST(DefinitionFileTest, EveryDefinitionIsAMacroOfItsName) {
  DefinitionFile file(
      "A\t1\t\nMAX(a,b)\t((a)>(b))\nMIN(a,b)\tmin_u8\nTWICE\t(\tv\t)\t(\t(\tv\t)\t*\t2\t)\t\n"
      "LOG\t(\tfmt\t,\t.\t.\t.\t)\tprintk\t(\tfmt\t)\t\nalloc\tkmalloc\t\nMASK\t(\tA\t|\tB\t)\t\n"
      "EMPTY\t\n\nLATE\t2\t\n");
  const std::pair<const char*, const char*> macros[] = {
      {"MAX", "("}, {"MIN", "min_u8"}, {"TWICE", "("}, {"LOG", "printk"}, {"alloc", "kmalloc"},
      {"MASK", "("}, {"EMPTY", ""}, {"A", "1"}};
  for (const auto& [name, body] : macros) {
    const std::optional<DefinitionFile::Macro> m = file.FindMacro(name);
    ASSERT_TRUE(m.has_value()) << name;
    EXPECT_EQ(m->body, body) << name;
  }
  EXPECT_FALSE(file.FindMacro("v"));     // a parameter, no macro
  EXPECT_FALSE(file.FindMacro("LATE"));  // after the first empty line
  EXPECT_FALSE(file.FindMacro("min_u8"));
  EXPECT_TRUE(file.Defines("A"));
  EXPECT_FALSE(file.Defines("LATE"));
  DefinitionFile unclosed("G(a\tbody\n");
  EXPECT_EQ(unclosed.FindMacro("G")->body, "(");
}

TEST(DefinitionFileTest, CacheReadsEachFileOnce) {
  ScratchFolder scratch;
  WriteSjisText("a_DEF_C.dat", "A\t1\t\n");
  DefinitionFileCache cache;
  bool fresh = false;
  const DefinitionFile* a = cache.Get("a_DEF_C.dat", &fresh);
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(fresh);
  EXPECT_EQ(cache.Get("a_DEF_C.dat", &fresh), a);
  EXPECT_FALSE(fresh);
  EXPECT_EQ(cache.Get("missing_DEF_C.dat", &fresh), nullptr);
  EXPECT_EQ(cache.Get("missing_DEF_C.dat", &fresh), nullptr);
  EXPECT_FALSE(fresh);
}

class FuncAls3StageTest : public ::testing::Test {
 protected:
  std::string Run(bool keep_locals = false) {
    StageHarness run(keep_locals);
    EXPECT_EQ(RunFuncAls3Stage(run.ctx()), StageOutcome::kContinue);
    messages_ = run.Messages();
    return ReadSjisText("vcwk012345/func_als3/f");
  }
  ScratchFolder scratch_;
  std::vector<std::string> messages_;
};

TEST_F(FuncAls3StageTest, WithoutPrototypeListCallsAreLookedUpAsMacrosOnly) {
  WriteSjisText("vcwk012345/func_als2/f",
                "[ファイル名]\nm.c\n\n[関数名称]\nf\n\n[コール関数]\nSQ(v)\ng(v)\n\n");
  WriteSjisText("vcwk012345/DEF3/m_DEF_C.dat", "SQ(x)\tsq_impl\n");
  EXPECT_EQ(Run(),
            "[ファイル名]\nm.c\n\n[関数名称]\nf\n\n\n[コール関数]\nsq_impl(v)\ng(v)\n\n"
            "[コール関数（定義あり）]\nNONE\n\n[コール関数（定義なし）]\ng(v)\n\n[マクロ関数]\nSQ\tsq_impl\n\n");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(FuncAls3StageTest, MissingDefinitionFileIsLoggedOnceAndTheRecordGoesOn) {
  WriteSjisText("vcwk012345/func_als2/f",
                "[ファイル名]\nlib.h\n\n[参照変数]\na\nb\n\n[コール関数]\nx(a)\n\n[変数アクセス情報]\na[i] [R]\nNONE\n\n");
  EXPECT_EQ(Run(),
            "[ファイル名]\nlib.h\n\n[参照変数]\na\nb\n\n[定義値]\nNONE\n\n[コール関数]\nx(a)\n\n"
            "[コール関数（定義あり）]\nNONE\n\n[コール関数（定義なし）]\nx(a)\n\n[マクロ関数]\nNONE\n\n"
            "[変数アクセス情報]\na[] [R]\n\n\n");
  EXPECT_EQ(ReadSjisText("AnalyzeLog.txt"), "DEFFILE NOT OPEN : 0 : ./vcwk012345/DEF3/lib_DEF_H.dat : f\n");
}

TEST_F(FuncAls3StageTest, MemberAccessesAreCutAndLocalsDroppedUnlessKept) {
  WriteSjisText("vcwk012345/func_als2/f",
                "[ファイル名]\nm.c\n\n[引数定義]\nstruct\tS\t*\tp\t\n\n[参照変数]\np->count\nq->n\n->x\n\n"
                "[書込み変数]\np->v\n\n");
  WriteSjisText("vcwk012345/DEF3/m_DEF_C.dat", "N\t1\t\n");
  EXPECT_EQ(Run(), "[ファイル名]\nm.c\n\n[引数定義]\nstruct\tS\t*\tp\t\n\n[参照変数]\nq\n\n[定義値]\nNONE\n\n"
                   "[書込み変数]\nNONE\n\n");
  EXPECT_EQ(Run(true), "[ファイル名]\nm.c\n\n[引数定義]\nstruct\tS\t*\tp\t\n\n[参照変数]\np->count\nq->n\n->x\n\n"
                       "[定義値]\nNONE\n\n[書込み変数]\np->v\n\n");
}

// Every entry based on a parameter or local goes, whatever follows its
// base; a file-level variable of a similar name stays.
TEST_F(FuncAls3StageTest, EntriesBasedOnLocalsAreDropped) {
  WriteSjisText("vcwk012345/func_als2/f",
                "[ファイル名]\nm.c\n\n[引数定義]\nchar\t*\tp\t\n\n[テンポラリ変数]\nstruct\ttag\ts\n"
                "unsigned\tchar\tbuf[4]\n\n[参照変数]\n*p\ns.f\nbuf[i]\ntag\np_count\nbuf\n\n"
                "[書込み変数]\nbuf[]\n(*p).x\ng\n\n");
  WriteSjisText("vcwk012345/DEF3/m_DEF_C.dat", "N\t1\t\n");
  const std::string out = Run();
  EXPECT_NE(out.find("[参照変数]\ntag\np_count\n\n[定義値]\nNONE\n\n[書込み変数]\ng\n\n"), std::string::npos) << out;
}

// Only a macro's own name is a defined value: the words of its parameter
// list and value are not (TWICE(v) leaves the file-level v a variable).
TEST_F(FuncAls3StageTest, DefinedValuesAreMacroNamesOnly) {
  WriteSjisText("vcwk012345/func_als2/f",
                "[ファイル名]\nm.c\n\n[参照変数]\nv\nTWICE\nMAXVAL\nMIN\nlimit\n\n");
  WriteSjisText("vcwk012345/DEF3/m_DEF_C.dat",
                "MIN(a,b)\tmin_impl\nTWICE\t(\tv\t)\t(\t(\tv\t)\t*\t2\t)\t\nMAXVAL\t100\t\nLIMIT\tlimit\t\n");
  EXPECT_EQ(Run(), "[ファイル名]\nm.c\n\n[参照変数]\nv\nlimit\n\n[定義値]\nTWICE\nMAXVAL\nMIN\n\n");
}

// The return type is the function's own: from its definition's header
// (the last definition of the name, whose record survives), else from a
// prototype of it; never from a line that merely holds the name.
TEST_F(FuncAls3StageTest, ReturnTypeComesFromTheFunctionsOwnHeader) {
  WriteSjisText("vcwk012345/FuncList_ProtType.txt",
                "static\tSIMPLE_DEV_PM_OPS\t(\tpm\t,\tsuspend\t,\tresume\t)\t;\n"
                "int\tresume\t(\tstruct\tdevice\t*\t)\t;\nlong\tonly_declared\t(\tvoid\t)\t;\n");
  WriteSjisText("vcwk012345/FuncList_Body.txt",
                "void\tsuspend\t(\tint\tx\t)\t\nstatic\tint\t__init\tsuspend\t(\tvoid\t)\t\nmain\t(\t)\t\n"
                "struct\tnode\t*\troot\t(\tvoid\t)\t\n"
                "static\tvoid\treport\t(\tint\tf\t)\t__releases\t(\troot\t(\t)\t->\tlock\t)\t\n"
                "NOKPROBE_SYMBOL\t(\tf\t)\tstatic\tinline\tvoid\ttrace\t(\tvoid\t)\t\n");
  const char* const cases[][2] = {
      {"suspend", "[関数型]\nstatic\tint\t__init\n"},
      {"resume", "[関数型]\nint\n"},
      {"only_declared", "[関数型]\nlong\n"},
      {"main", ""},
      {"pm", ""},
      {"root", "[関数型]\nstruct\tnode\t*\n"},
      {"trace", "[関数型]\nstatic\tinline\tvoid\n"},
  };
  for (const auto& [name, type] : cases) {
    WriteSjisText("vcwk012345/func_als2/f", "[関数名称]\n" + std::string(name) + "\n\n[引数定義]\nvoid\n\n");
    EXPECT_EQ(Run(), "[関数名称]\n" + std::string(name) + "\n\n" + type + "\n[引数定義]\nvoid\n\n") << name;
    std::filesystem::remove_all("vcwk012345/func_als3");
  }
}

// A function-like macro the file's own definitions miss (a header included
// with <...> is not followed) is a macro call still, when another file of
// the project defines it; an object-like one elsewhere is not.
TEST_F(FuncAls3StageTest, FunctionLikeMacrosOfTheWholeProjectAreMacroCalls) {
  WriteSjisText("vcwk012345/func_als2/f", "[ファイル名]\nm.c\n\n[コール関数]\nQINSERT(q,e)\nalias(x)\nlocal(y)\n\n");
  WriteSjisText("vcwk012345/DEF3/m_DEF_C.dat", "N\t1\t\n");
  WriteSjisText("vcwk012345/DEF3/queue_DEF_H.dat",
                "QINSERT\t(\thead\t,\telm\t)\tdo\t{\t}\twhile\t(\t0\t)\t\nalias\tother\t\n");
  EXPECT_EQ(Run(),
            "[ファイル名]\nm.c\n\n[コール関数]\nQINSERT(q,e)\nalias(x)\nlocal(y)\n\n[コール関数（定義あり）]\nNONE\n\n"
            "[コール関数（定義なし）]\nalias(x)\nlocal(y)\n\n[マクロ関数]\nQINSERT\tdo\n\n");
}

// What a macro call passes where the macro's body names a member (after
// "." or "->", pasted with "##") is no variable: it leaves the read and
// write lists.
TEST_F(FuncAls3StageTest, MemberNamesPassedToMacrosAreNoVariables) {
  WriteSjisText("vcwk012345/func_als2/f",
                "[ファイル名]\nm.c\n\n[コール関数]\nDO(tzh_magic)\nTR(dev,dev_t)\nUSE(count)\n\n"
                "[参照変数]\ntzh_magic\ndev\ndev_t\ncount\n\n[書込み変数]\ndev\ntotal\n\n");
  WriteSjisText("vcwk012345/DEF3/m_DEF_C.dat",
                "DO\t(\tfield\t)\tfwrite\t(\ttzh\t.\tfield\t,\tsizeof\ttzh\t.\tfield\t)\t\n"
                "TR\t(\tfield\t,\ttype\t)\tbuf\t->\tst_\t#\t#\tfield\t=\t(\ttype\t)\tnsim\t->\tfield\t\n"
                "USE\t(\tx\t)\tuse\t(\tx\t.\tn\t,\tx\t)\t\n");
  const std::string out = Run();
  EXPECT_NE(out.find("[参照変数]\ndev_t\ncount\n\n[定義値]\nNONE\n\n[書込み変数]\ntotal\n\n"), std::string::npos) << out;
  EXPECT_NE(out.find("[マクロ関数]\nDO\tfwrite\nTR\tbuf\nUSE\tuse\n"), std::string::npos) << out;
}

// A member's name passed to a macro the project does not define
// (list_for_each_entry(pos, head, link)) is no variable when the bodies
// use it as a member, it comes last, an argument before it is a struct of
// the function passed whole, and no variable of that name is in reach.
TEST_F(FuncAls3StageTest, MemberDesignatorsBesideAStructArgumentAreNoVariables) {
  WriteSjisText("vcwk012345/MemberNames.txt", "count\njiffies\nlink\nlock\nnode\nwatch_timer\n");
  WriteSjisText("vcwk012345/FuncList_Records.txt",
                "F\tf\tf\tm.c\t0\nV\tcount\tcount\tm.c\t0\nV\tlock\tlock\tother.c\t1\n");
  WriteSjisText("vcwk012345/func_als2/f",
                "[ファイル名]\nm.c\n\n[引数定義]\nstruct\ttimer_list\t*\tt\t\n\n"
                "[テンポラリ変数]\nstruct\tmsg\t*\tpos\nunsigned\tlong\tto\nint\tnode\n\n"
                "[コール関数]\nlist_for_each_entry(pos,head,link)\nfrom_timer(pos, t, watch_timer)\n"
                "time_after(jiffies,to)\ntime_before(pos->end,jiffies)\nwalk(pos,count)\nvisit(pos,node)\n"
                "ACCESS_PRIVATE(t,lock)\n\n"
                "[参照変数]\nhead\nlink\nwatch_timer\njiffies\ncount\nnode\nlock\n\n");
  WriteSjisText("vcwk012345/DEF3/m_DEF_C.dat", "N\t1\t\n");
  const std::string out = Run(true);
  EXPECT_NE(out.find("[参照変数]\nhead\njiffies\ncount\nnode\n\n"), std::string::npos) << out;
}

TEST_F(FuncAls3StageTest, RunawayMacroLineIsLoggedOncePerCall) {
  WriteSjisText("vcwk012345/func_als2/f", "[ファイル名]\nm.c\n\n[コール関数]\nM(a)\nM(b)\n\n");
  std::string line = "M(";
  for (int i = 0; i < 40000; ++i) line += "a,";
  WriteSjisText("vcwk012345/DEF3/m_DEF_C.dat", line + "z)\tbody\n");
  const std::string out = Run();
  EXPECT_NE(out.find("[マクロ関数]\nM\tbody\nM\tbody\n"), std::string::npos);
  EXPECT_EQ(ReadSjisText("AnalyzeLog.txt"),
            "[コール関数]-Macro FUnc CHK : 0 : M(a) : -\n[コール関数]-Macro FUnc CHK : 0 : M(b) : -\n");
}

}  // namespace
}  // namespace kv
