#include "report/code_view.h"

#include <gtest/gtest.h>

#include "run/run_context.h"
#include "platform/encoding.h"
#include "report/call_records.h"
#include "report/link_check.h"
#include "report/report_pages.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::ReadSjisText;
using testing::ScratchFolder;
using testing::WriteSjisText;

std::string Render(std::string_view utf8, bool& in_comment) {
  return ToUtf8(RenderCodeLineForTest(ToCp932(utf8), in_comment));
}

TEST(CodeViewLine, CommentsLiteralsAndDirectivesAreStyledAndEscaped) {
  bool in_comment = false;
  EXPECT_EQ(Render("\tif (a < b && c > 0) x = 'q'; // 比較", in_comment),
            "<span id=L1>\tif (a &lt; b &amp;&amp; c &gt; 0) x = <u>'q'</u>; <i>// 比較</i></span>\n");
  EXPECT_EQ(Render("#  define  N  \"a\\\"b\"", in_comment),
            "<span id=L1><b>#  define</b>  N  <u>\"a\\\"b\"</u></span>\n");
  // A Shift-JIS character whose second byte is a backslash does not escape
  // the closing quote; a "/*" inside a literal opens no comment.
  EXPECT_EQ(Render("s = \"表\"; t = \"/*\";", in_comment),
            "<span id=L1>s = <u>\"表\"</u>; t = <u>\"/*\"</u>;</span>\n");
  EXPECT_FALSE(in_comment);
}

TEST(CodeViewLine, BlockCommentGoesOnOverLines) {
  bool in_comment = false;
  EXPECT_EQ(Render("x = 1; /* 始まり", in_comment), "<span id=L1>x = 1; <i>/* 始まり</i></span>\n");
  EXPECT_TRUE(in_comment);
  EXPECT_EQ(Render("  \"まだ\" { コメント", in_comment), "<span id=L1><i>  \"まだ\" { コメント</i></span>\n");
  EXPECT_EQ(Render("終わり */ y = 2;", in_comment), "<span id=L1><i>終わり */</i> y = 2;</span>\n");
  EXPECT_FALSE(in_comment);
  EXPECT_EQ(Render("", in_comment), "<span id=L1></span>\n");
}

// A work folder with a copy of three files and the records that name them.
class CodeViewTest : public ::testing::Test {
 protected:
  CodeViewTest() {
    options_.source_folder = "proj";
    WriteSjisText("vcwk012345/DEF/proj/app/main.c",
                  "#define LIMIT 3\n"
                  "extern int shared;\n"
                  "static int count;\n"
                  "struct pos { int x; } here;\n"
                  "void helper(void);\n"
                  "\n"
                  "static void\n"
                  "helper(void)\n"
                  "{\n"
                  "    int shared_copy = shared;\n"
                  "    here.x = count;\n"
                  "}\n"
                  "\n"
                  "int main(argc)\n"
                  "int argc;\n"
                  "{\n"
                  "    helper();\n"
                  "    return LIMIT + count;\n"
                  "}\n");
    WriteSjisText("vcwk012345/DEF/proj/isr.c",
                  "int shared = 0;\n"
                  "ISR(TIMER0_OVF_vect, ISR_NAKED)\n"
                  "{\n"
                  "    shared++;\n"
                  "}\n"
                  "ISR(INT0_vect) { helper(); }\n");
    WriteSjisText("vcwk012345/ValList.txt", "static\tint\tcount\t;\nint\tshared\t;\nstruct\tpos\there\t;\n");
    Record("helper", "helper", "main.c", "APP");
    Record("main", "main", "main.c", "APP");
    Record("ISR(TIMER0_OVF_vect,ISR_NAKED)", "ISR(TIMER0_OVF_vect,ISR_NAKED)", "isr.c", "PROJ");
    Record("ISR(INT0_vect)", "ISR(INT0_vect)", "isr.c", "PROJ");
    WriteSjisText("vcwk012345/FunctionList4/puts", "Not Found Function");
  }

  void Record(const std::string& file, const std::string& name, const std::string& source, const std::string& folder) {
    WriteSjisText("vcwk012345/FunctionList4/" + file, "[フォルダ名]\n" + folder + "\n\n[ファイル名]\n" + source +
                                                          "\n\n[関数名称]\n" + name + "\n\n[コール関数]\nNONE\n\n");
  }

  CodeIndex Write(RecordStore& records) {
    RunContext ctx(session_, ui_, log_, options_);
    return WriteCodeView(ctx, records);
  }

  std::string Place(RecordStore& records, const CodeIndex& index, const std::string& name) {
    const int id = records.Lookup(name);
    return id < 0 ? "no record" : index.functions[static_cast<size_t>(id)].Address();
  }

  ScratchFolder scratch_;
  Session session_;
  RecordingUi ui_;
  AnalysisLog log_;
  RunOptions options_;
};

TEST_F(CodeViewTest, FunctionsArePlacedAtTheirDefinitions) {
  RecordStore records("./vcwk012345/FunctionList4");
  const CodeIndex index = Write(records);
  // The definition, not the prototype before it; the name's own line of a
  // header spread over lines; an old-style parameter list.
  EXPECT_EQ(Place(records, index, "helper"), "CODE/app__main.c.html#L8");
  EXPECT_EQ(Place(records, index, "main"), "CODE/app__main.c.html#L14");
  // Wrappers are told apart by their arguments.
  EXPECT_EQ(Place(records, index, "ISR(TIMER0_OVF_vect,ISR_NAKED)"), "CODE/isr.c.html#L2");
  EXPECT_EQ(Place(records, index, "ISR(INT0_vect)"), "CODE/isr.c.html#L6");
  EXPECT_EQ(Place(records, index, "puts"), "CODE/#L0");  // no body: nowhere
  EXPECT_FALSE(index.functions[static_cast<size_t>(records.Lookup("puts"))].found());
}

TEST_F(CodeViewTest, VariablesAreFoundWhereDefinedNotWhereDeclared) {
  RecordStore records("./vcwk012345/FunctionList4");
  const CodeIndex index = Write(records);
  ASSERT_EQ(index.variables.count("shared"), 1u);
  ASSERT_EQ(index.variables.at("shared").size(), 1u);  // the extern line is no definition
  EXPECT_EQ(index.variables.at("shared")[0].where.Address(), "CODE/isr.c.html#L1");
  EXPECT_EQ(index.variables.at("shared")[0].file, "isr.c");
  EXPECT_EQ(index.variables.at("count")[0].where.Address(), "CODE/app__main.c.html#L3");
  EXPECT_EQ(index.variables.at("here")[0].where.Address(), "CODE/app__main.c.html#L4");
}

TEST_F(CodeViewTest, NamesLinkToTheirDefinitionsAndEveryLinkFindsItsLine) {
  RecordStore records("./vcwk012345/FunctionList4");
  Write(records);
  const std::string main_c = ReadSjisText("vcwk012345/HTML/CODE/app__main.c.html");
  // A call in the same file, a variable of another file, a macro, a static
  // of this file; a member of the same name as nothing is left alone.
  EXPECT_NE(main_c.find("<span id=L17>    <a href=\"#L8\">helper</a>();</span>"), std::string::npos) << main_c;
  EXPECT_NE(main_c.find("<a href=\"isr.c.html#L1\">shared</a>;</span>"), std::string::npos) << main_c;
  EXPECT_NE(main_c.find("return <a href=\"#L1\">LIMIT</a> + <a href=\"#L3\">count</a>;"), std::string::npos) << main_c;
  EXPECT_NE(main_c.find("<a href=\"#L4\">here</a>.x = "), std::string::npos) << main_c;
  // The definition's name opens the record and page, with its address.
  EXPECT_NE(main_c.find("<a href=\"../main.html\" class=d>main</a><a class=h href=\"../../index.html#main\" "
                        "target=_top></a>(argc)"),
            std::string::npos)
      << main_c;
  const std::string isr = ReadSjisText("vcwk012345/HTML/CODE/isr.c.html");
  EXPECT_NE(isr.find("{ <a href=\"app__main.c.html#L8\">helper</a>(); }"), std::string::npos) << isr;

  // Every link of the code view finds its file and its line (the pages of
  // records are not written here: those links are left out).
  const LinkCheck check = CheckLinks("vcwk012345/HTML/CODE");
  EXPECT_GT(check.links, 5);
  for (const BrokenLink& broken : check.broken)
    if (broken.target.rfind("../", 0) != 0) ADD_FAILURE() << broken.page << " -> " << broken.target;
}

TEST_F(CodeViewTest, NoCopyWritesNothing) {
  options_.source_folder = "elsewhere";
  RecordStore records("./vcwk012345/FunctionList4");
  const CodeIndex index = Write(records);
  EXPECT_TRUE(index.variables.empty());
  EXPECT_FALSE(testing::Exists("vcwk012345/HTML/CODE"));
}

TEST(HrefText, EscapesWhatWouldEndOrSplitAnAddress) {
  EXPECT_EQ(HrefText("brightness\"\tX #1%?<>'"), "brightness%22%09X%20%231%25%3F%3C%3E%27");
  EXPECT_EQ(HrefText(ToCp932("ISR(TIMER0_OVF_vect)表")), ToCp932("ISR(TIMER0_OVF_vect)表"));
}

TEST(LinkCheckFragments, AFragmentMustNameAnIdOfItsPage) {
  ScratchFolder scratch;
  testing::WriteFile("r/a.html", "<a href='b.html#L2'>x</a><a href='b.html#L9'>y</a><a href='#top'>z</a>"
                                 "<a href='index.html#main'>w</a><span id=top></span>");
  testing::WriteFile("r/b.html", "<span id=L1></span><span id=\"L2\"></span>");
  testing::WriteFile("r/index.html", "<frameset></frameset><a href='a%20b.html'>escaped</a>");
  testing::WriteFile("r/a b.html", "");
  const LinkCheck check = CheckLinks("r");
  EXPECT_EQ(check.links, 5);
  ASSERT_EQ(check.broken.size(), 1u);
  EXPECT_EQ(check.broken[0].target, "b.html#L9");
}

}  // namespace
}  // namespace kv
