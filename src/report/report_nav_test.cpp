#include "report/report_nav.h"

#include <gtest/gtest.h>

#include "run/run_context.h"
#include "platform/encoding.h"
#include "report/call_records.h"
#include "report/code_view.h"
#include "report/report_pages.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::ReadSjisText;
using testing::ScratchFolder;
using testing::WriteSjisText;

void Record(const std::string& file, const std::string& name, const std::string& source,
            const std::string& calls = "NONE", const std::string& callers = "NONE_CALLER") {
  WriteSjisText("vcwk012345/FunctionList4/" + file, "[ファイル名]\n" + source + "\n\n[関数名称]\n" + name +
                                                        "\n\n[コール関数]\n" + calls + "\n\n[参照変数]\nNONE\n\n[コール元]\n" +
                                                        callers + "\n\n");
}

TEST(FunctionListOrderTest, ByShownNameIgnoringCaseThenFile) {
  ScratchFolder scratch;
  Record("zeta", "zeta", "z.c");
  Record("Alpha", "Alpha", "a.c");
  Record("alpha@b.c", "alpha", "b.c");  // a record named apart from its function
  Record("ISR(TIMER0_OVF_vect)", "ISR(TIMER0_OVF_vect)", "isr.c");
  Record("beta", "beta", "a.c");
  WriteSjisText("vcwk012345/FunctionList4/Gamma", "Not Found Function");
  RecordStore records("./vcwk012345/FunctionList4");
  std::vector<std::string> order;
  for (int id : FunctionListOrder(records)) order.push_back(records.name(id));
  EXPECT_EQ(order, (std::vector<std::string>{"Alpha", "alpha@b.c", "beta", "Gamma", "ISR(TIMER0_OVF_vect)", "zeta"}));
  EXPECT_TRUE(NameLess("abc", "ABD"));
  EXPECT_TRUE(NameLess("ABC", "abc"));  // equal ignoring case: bytes decide
  EXPECT_FALSE(NameLess("abc", "ABC"));
}

class RecordPageTest : public ::testing::Test {
 protected:
  RecordPageTest() {
    Record("main", "main", "main.c", "init()\nputs(s)", "NONE_CALLER");
    Record("init", "init", "main.c", "NONE", "main");
    WriteSjisText("vcwk012345/HTML/main.html", "<BODY bgcolor=#CCFFFF><font size='2'>int　main");
    WriteSjisText("vcwk012345/HTML/puts.html", "Not Found Function");
  }
  ScratchFolder scratch_;
  Session session_;
  RecordingUi ui_;
  AnalysisLog log_;
  RunOptions options_;
};

TEST_F(RecordPageTest, CallersAndCalleesWithARecordAreLinks) {
  RecordStore records("./vcwk012345/FunctionList4");
  RunContext ctx(session_, ui_, log_, options_);
  CodeIndex code;
  code.functions.resize(static_cast<size_t>(records.size()));
  WriteRecordPages(ctx, records, code);
  const std::string main_page = ReadSjisText("vcwk012345/HTML/REC/main.html");
  EXPECT_NE(main_page.find("<a href=\"../init.html\" target=view>init()</a>\n"), std::string::npos) << main_page;
  EXPECT_NE(main_page.find("\nputs(s)\n"), std::string::npos) << main_page;  // no record: plain text
  EXPECT_NE(main_page.find("<a href=\"../../index.html#main\" target=_top>"), std::string::npos) << main_page;
  const std::string init_page = ReadSjisText("vcwk012345/HTML/REC/init.html");
  EXPECT_NE(init_page.find("<b>[コール元]</b>\n<a href=\"../main.html\" target=view>main</a>\n"), std::string::npos) << init_page;
}

TEST_F(RecordPageTest, SourcePagesShowTheirRecordAndPlaceholdersSayThereIsNone) {
  RecordStore records("./vcwk012345/FunctionList4");
  RunContext ctx(session_, ui_, log_, options_);
  CodeIndex code;
  code.functions.resize(static_cast<size_t>(records.size()));
  code.functions[static_cast<size_t>(records.Lookup("main"))] = CodeLine{"main.c.html", 7};
  AddSourcePageLinks(ctx, records, code);
  EXPECT_EQ(ReadSjisText("vcwk012345/HTML/main.html"),
            "<BODY bgcolor=#CCFFFF><font size='2'><div style='font:12px sans-serif;margin:2px 0 6px'>"
            "<A href='CODE/main.c.html#L7'>main.c:7</A>　<A href='../index.html#main' target='_top'>[リンク]</A></div>"
            "int　main<script>try{if(parent!==self&&parent.mid)parent.mid.location.replace('REC/main.html')}catch(e){}"
            "</script>\n");
  EXPECT_EQ(ReadSjisText("vcwk012345/HTML/puts.html"),
            "Not Found Function<script>try{if(parent!==self&&parent.mid)parent.mid.location.replace('REC/(none).html')}"
            "catch(e){}</script>\n");
}

}  // namespace
}  // namespace kv
