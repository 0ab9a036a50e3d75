#include "report/call_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

#include "platform/encoding.h"
#include "report/report_pages.h"
#include "report/variable_pages.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::ReadSjisText;
using testing::ScratchFolder;
using testing::WriteSjisText;

TEST(SplitCallEntryTest, DefinedAndUndefinedForms) {
  CallEntry defined = SplitCallEntry("static int foo (int a)");
  EXPECT_EQ(defined.type, "static int");
  EXPECT_EQ(defined.name, "foo");
  EXPECT_EQ(defined.arguments, "(int a)");
  // Without a blank before the name, the tab splits.
  EXPECT_EQ(SplitCallEntry("int\tbar (void)").name, "bar");
  CallEntry plain = SplitCallEntry("log(cnt,1)");
  EXPECT_EQ(plain.type, "NoDefine");
  EXPECT_EQ(plain.name, "log");
  EXPECT_EQ(plain.arguments, "(cnt,1)");
  EXPECT_EQ(SplitCallEntry("noparen").name, "noparen");
}

// The variable pages and the variable command see no access of a
// function's own parameter or local.
TEST(ParseCallRecordTest, AccessesOfParametersAndLocalsAreLeftOut) {
  CallRecord record = ParseCallRecord(ToCp932(
      "[引数定義]\nint\tn\t\n\n[テンポラリ変数]\nint\trv\n\n[変数アクセス情報]\nrv [w]\nn [R]\ng.x [R]\nn2 [R]\n\n"));
  EXPECT_EQ(record.accesses, (std::vector<std::string>{"g.x [R]", "n2 [R]"}));
  EXPECT_EQ(ParseCallRecord(ToCp932("[ファイル名]\nmain.c\n\n[関数名称]\nf\n")).file, "main.c");
  EXPECT_TRUE(record.accesses_closed);
}

TEST(ParseCallRecordTest, SectionsAsTheReadersTakeThem) {
  CallRecord record = ParseCallRecord(ToCp932(
      "[コール関数]\nf(x)\n NO_CALL_FUNCTION \ng()\n\n[コール関数（定義あり）]\nint h (void)\n\n"
      "[参照変数]\nNONE\n\n[書込み変数]\nw\n\n[変数アクセス情報]\nw [w]\n"
      "[コール元]\n\n"));
  EXPECT_EQ(record.callees, std::vector<std::string>{"f"});
  EXPECT_TRUE(record.reads.empty());
  EXPECT_EQ(record.writes, std::vector<std::string>{"w"});
  // The access section runs on to the empty line: the tag line in between
  // is taken as an access line.
  EXPECT_EQ(record.accesses, (std::vector<std::string>{"w [w]", ToCp932("[コール元]")}));
  EXPECT_TRUE(record.accesses_closed);
  EXPECT_FALSE(record.is_root);
  EXPECT_FALSE(ParseCallRecord(ToCp932("[変数アクセス情報]\na [R]\n")).accesses_closed);

  EXPECT_TRUE(ParseCallRecord(ToCp932("[コール元]\nNONE_CALLER\n")).is_root);
  EXPECT_TRUE(ParseCallRecord(ToCp932("[コール元]\n\n")).is_root);
  EXPECT_FALSE(ParseCallRecord(ToCp932("[コール元]\nmain\n\n")).is_root);
  EXPECT_FALSE(ParseCallRecord(ToCp932("[コール元]\n")).is_root);
  EXPECT_FALSE(ParseCallRecord("Not Found Function").is_root);
  EXPECT_TRUE(ParseCallRecord(ToCp932("[変数アクセス情報]\nNONE\n")).accesses_closed);
}

TEST(TreeLineNameTest, StripsLeadMarksAndBriefMarker) {
  int depth = -1;
  EXPECT_EQ(TreeLineName("\t|\t|--log", &depth), "log");
  EXPECT_EQ(depth, 2);
  EXPECT_EQ(TreeLineName("--main", &depth), "main");
  EXPECT_EQ(depth, 0);
  EXPECT_EQ(TreeLineName("\t|--printf[non]"), "printf[non]");
  EXPECT_EQ(TreeLineName("\t|--rec[...]"), "rec");
  EXPECT_EQ(VariablePageTreeName("\t|\t|--printf[non]"), "printf");
  EXPECT_EQ(VariablePageTreeName("\t|--rec[...]"), "rec");
}

TEST(VariablePageLineTest, WholeNamesOnly) {
  EXPECT_TRUE(VariablePageLineMatches("cnt [R]", "cnt"));
  EXPECT_TRUE(VariablePageLineMatches("cnt [w]", "cnt"));
  EXPECT_FALSE(VariablePageLineMatches("g_cnt [R]", "cnt"));
  EXPECT_FALSE(VariablePageLineMatches("st.cnt [R]", "cnt"));
  EXPECT_FALSE(VariablePageLineMatches("p->cnt [R]", "cnt"));
  EXPECT_FALSE(VariablePageLineMatches("cnt2 [R]", "cnt"));
  // A line with "." is tested with the name followed by ".".
  EXPECT_TRUE(VariablePageLineMatches("st.cnt [R]", "st"));
  EXPECT_FALSE(VariablePageLineMatches("st.cnt [R]", "cnt"));
  EXPECT_FALSE(VariablePageLineMatches("a.b + cnt [R]", "cnt"));
}

TEST(DefinitionLabelTest, DropsDefAndExtension) {
  EXPECT_EQ(DefinitionLabel("main_DEF_C.dat"), "main_C");
  EXPECT_EQ(DefinitionLabel("util_DEF_C.DAT"), "util_C");
  EXPECT_EQ(DefinitionLabel("x_DEF_H.dat"), "x_H");
}

// Records of a call graph written into FunctionList4 of a scratch folder.
class GraphTest : public ::testing::Test {
 protected:
  void WriteRecord(const std::string& name, const std::vector<std::string>& callees, bool root,
                   const std::vector<std::string>& accesses = {}) {
    std::string text = "[コール関数]\n";
    for (const std::string& c : callees) text += c + "(x)\n";
    if (callees.empty()) text += "NONE\n";
    text += "\n[参照変数]\nr_" + name + "\n\n[書込み変数]\nNONE\n\n[変数アクセス情報]\n";
    for (const std::string& a : accesses) text += a + "\n";
    text += "\n[コール元]\n";
    text += root ? "NONE_CALLER\n" : "caller\n\n";
    WriteSjisText("FunctionList4/" + name, text);
  }

  // Lines (text-tree lines) the written form gives for the roots.
  uint64_t ExpandedLines(const std::vector<std::string>& roots) {
    RecordStore store("FunctionList4");
    CallTreeWalker walker(store);
    uint64_t total = 0;
    for (const std::string& root : roots) total += walker.ExpandedLines(root);
    return total;
  }

  // call_tree.txt for the given roots, in the given form. The written form
  // is refused beyond a small size: a test must never fill the disk.
  std::string WriteTrees(const std::vector<std::string>& roots, bool brief) {
    if (!brief && ExpandedLines(roots) > 100'000) {
      ADD_FAILURE() << "tree too large for a test";
      return {};
    }
    RecordStore store("FunctionList4");
    CallTreeWalker walker(store);
    walker.set_brief(brief);
    std::vector<TreeLine> first_lines;
    {
      TextWriter text("call_tree.txt", WriteMode::kTruncate);
      TextWriter ram("call_tree_ram.txt", WriteMode::kTruncate);
      TextWriter html("call_tree.html", WriteMode::kTruncate);
      StageTreeFiles files(text, ram);
      files.set_html(&html);
      files.set_first_lines(&first_lines);
      for (const std::string& root : roots) walker.Walk(root, files);
    }
    // The first lines kept while writing are those the pages would read.
    TreeAccessIndex kept(first_lines, store);
    TreeAccessIndex read(TreeAccessIndex::ReadTree(StripCarriageReturns(testing::ReadFile("call_tree.txt"))), store);
    EXPECT_EQ(kept.functions().size(), read.functions().size());
    for (size_t i = 0; i < kept.functions().size() && i < read.functions().size(); ++i) {
      EXPECT_EQ(kept.functions()[i].name, read.functions()[i].name);
      EXPECT_EQ(kept.functions()[i].root, read.functions()[i].root);
    }
    return ReadSjisText("call_tree.txt");
  }

  static size_t CountLines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

  ScratchFolder scratch_;
};

TEST_F(GraphTest, FourLineTree) {
  WriteRecord("main", {"init", "run"}, true);
  WriteRecord("init", {}, false);
  WriteRecord("run", {"log"}, false);
  WriteRecord("log", {}, false);
  EXPECT_EQ(WriteTrees({"main"}, false), "--main\n\t|--init\n\t|--run\n\t|\t|--log\n");
  EXPECT_EQ(ReadSjisText("call_tree_ram.txt"),
            "--main\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tR\tr_main\n\t|--init\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tR\tr_init\n"
            "\t|--run\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tR\tr_run\n\t|\t|--log\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tR\tr_log\n");
}

TEST_F(GraphTest, CalleeFoundIgnoringCase) {
  WriteRecord("main", {"Init", "gone"}, true);
  WriteRecord("init", {}, false);
  EXPECT_EQ(WriteTrees({"main"}, false), "--main\n\t|--Init\n\t|--gone[non]\n");
  // The page link names the page as the disk spells it; the text keeps the
  // call's spelling.
  const std::string html = ReadSjisText("call_tree.html");
  EXPECT_NE(html.find("<A href= ..\\init.html target='view'>Init</A>"), std::string::npos) << html;
}

// A call graph whose expansion doubles at every level: 2^25 paths.
TEST_F(GraphTest, SizeIsComputedWithoutWalking) {
  WriteRecord("f0", {"f1", "f1"}, true);
  for (int i = 1; i < 40; ++i) WriteRecord("f" + std::to_string(i), {"f" + std::to_string(i + 1), "f" + std::to_string(i + 1)}, false);
  WriteRecord("f40", {}, false);
  RecordStore store("FunctionList4");
  CallTreeWalker walker(store);
  // Depths 0..25 hold 2^26 - 1 function lines; each of the 2^25 functions at
  // depth 25 adds its depth-limit line.
  EXPECT_EQ(walker.ExpandedLines("f0"), (uint64_t{1} << 26) - 1 + (uint64_t{1} << 25));
  std::string brief = WriteTrees({"f0"}, true);
  // f0; f1..f24 expanded once and once more with the marker; f25, at the
  // limit under both calls of f24, twice with its limit line.
  EXPECT_EQ(CountLines(brief), 1u + 2 * 24u + 2 * 2u);
}

// On random graphs the computed size is the written size, and the brief form
// is bounded by the calls and lists every function the full form lists. The
// graphs call forward (a DAG) plus a few recursions, so that the written
// form stays small enough to write.
TEST_F(GraphTest, RandomGraphs) {
  std::mt19937 random(7);
  int written = 0;
  for (int round = 0; round < 40; ++round) {
    std::filesystem::remove_all("FunctionList4");
    const int functions = 2 + static_cast<int>(random() % 8);
    int calls = 0;
    std::vector<std::string> roots;
    for (int f = 0; f < functions; ++f) {
      std::vector<std::string> callees;
      const int count = static_cast<int>(random() % 4);
      for (int c = 0; c < count; ++c) {
        // Forward calls, one in eight to the function itself or an earlier
        // one, and names past the last function have no record.
        int callee = random() % 8 == 0 ? static_cast<int>(random() % (f + 1))
                                       : f + 1 + static_cast<int>(random() % (functions - f + 1));
        callees.push_back("g" + std::to_string(callee));
      }
      calls += count;
      bool root = f == 0 || random() % 4 == 0;
      if (root) roots.push_back("g" + std::to_string(f));
      WriteRecord("g" + std::to_string(f), callees, root);
    }
    std::string brief = WriteTrees(roots, true);
    EXPECT_LE(CountLines(brief), roots.size() + 2 * static_cast<size_t>(calls)) << "round " << round;
    const uint64_t expected = ExpandedLines(roots);
    if (expected > 100'000) continue;
    ++written;
    std::string full = WriteTrees(roots, false);
    ASSERT_EQ(CountLines(full), expected) << "round " << round;
    auto names = [](const std::string& text) {
      std::set<std::string> out;
      size_t pos = 0;
      while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string name = TreeLineName(text.substr(pos, end - pos));
        if (name != "*IndentOver") out.insert(name);
        pos = end + 1;
      }
      return out;
    };
    EXPECT_EQ(names(brief), names(full)) << "round " << round;
  }
  EXPECT_GT(written, 20);
}

TEST_F(GraphTest, AccessIndexMatchesEveryLine) {
  WriteRecord("main", {"a", "b"}, true, {"cnt [R]", "g_cnt [w]", "st.cnt [R]", "cnt.x [R]", "x[] [R]"});
  WriteRecord("a", {"b"}, false, {"cnt [w]", "p->cnt [R]", "cnt [RET]"});
  WriteRecord("b", {}, false, {"cnt2 [R]"});
  WriteTrees({"main"}, false);
  RecordStore store("FunctionList4");
  TreeAccessIndex index(TreeAccessIndex::ReadTree(StripCarriageReturns(testing::ReadFile("call_tree.txt"))), store);
  ASSERT_EQ(index.functions().size(), 3u);
  EXPECT_TRUE(index.functions()[0].root);
  EXPECT_FALSE(index.functions()[1].root);
  for (const char* variable : {"cnt", "g_cnt", "st", "x", "cnt2", "p", "nothing"}) {
    std::vector<std::pair<int, int>> expected, actual;
    for (size_t f = 0; f < index.functions().size(); ++f)
      for (size_t l = 0; l < index.functions()[f].accesses->size(); ++l)
        if (VariablePageLineMatches((*index.functions()[f].accesses)[l], variable))
          expected.emplace_back(static_cast<int>(f), static_cast<int>(l));
    for (const auto& place : index.Matches(variable)) actual.emplace_back(place.function, place.line);
    EXPECT_EQ(actual, expected) << variable;
  }
  EXPECT_EQ(index.Matches("cnt").size(), 4u);  // cnt [R], cnt.x [R], cnt [w], cnt [RET]
}

}  // namespace
}  // namespace kv
