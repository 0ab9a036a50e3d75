#include "report/link_check.h"

#include <gtest/gtest.h>

#include "support/test_folder.h"

namespace kv {
namespace {

using V = std::vector<std::string>;

TEST(LinkCheck, TakesHrefAndSrcOfTagsAndTheFramesOfScriptLinks) {
  EXPECT_EQ(PageLinks("<A href= ..\\f.html target='view'>f</A><frame name='top' src= '.\\HTML\\top.html'>"),
            (V{"..\\f.html", ".\\HTML\\top.html"}));
  EXPECT_EQ(PageLinks("<A href=\"javaScript:mysetFrame( '../FunctionList4/f','f.html')\">f</A>"),
            (V{"../FunctionList4/f", "f.html"}));
  EXPECT_EQ(PageLinks("<BODY bgcolor=#CCFFFF>a &lt; b href=x.html <font color='#0000ff'>"), V{});
  EXPECT_EQ(PageLinks("<a HREF=x.html><img SRC=\"y.png\"><a href=z.html>"), (V{"x.html", "y.png", "z.html"}));
  // A script's own text builds links at run time: only its src counts.
  EXPECT_EQ(PageLinks("<script src='i.js'></script><SCRIPT>h += '<a href=\"' + n + '.html\">';</SCRIPT><a href=w.html>"),
            (V{"i.js", "w.html"}));
}

TEST(LinkCheck, ReportsTargetsThatAreNoFile) {
  testing::ScratchFolder scratch;
  testing::WriteFile("r/index.html", "<frame src='.\\HTML\\top.html'><frame src='.\\missing.html'>");
  testing::WriteFile("r/HTML/top.html", "<A href= .\\f.html>f</A><A href= ..\\index.html>i</A>"
                                         "<A href= F.html>case</A><A href=http://example.org/>web</A>"
                                         "<A href=#here>here</A>");
  testing::WriteFile("r/HTML/f.html", "<A href= sub\\>folder</A>");
  testing::WriteFile("r/HTML/sub/.keep", "");
  testing::WriteFile("r/skip/x.html", "<A href=nothing.html>x</A>");
  EXPECT_EQ(CheckLinks("r").broken.size(), 3u);
  LinkCheck check = CheckLinks("r", {"skip"});
  EXPECT_EQ(check.pages, 3);
  EXPECT_EQ(check.links, 7);  // "#here" counts; a page without ids is not checked for it
  ASSERT_EQ(check.broken.size(), 2u);
  EXPECT_EQ(check.broken[0].target + check.broken[1].target, check.broken[0].page == "index.html"
                                                                  ? ".\\missing.htmlF.html"
                                                                  : "F.html.\\missing.html");
}

}  // namespace
}  // namespace kv
