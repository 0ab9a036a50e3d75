#include "platform/html_text.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

TEST(HtmlText, EscapesTheThreeMarkupCharacters) {
  EXPECT_EQ(HtmlText("for(i=0; i<LEN-1; i++)"), "for(i=0; i&lt;LEN-1; i++)");
  EXPECT_EQ(HtmlText("/* <name@host> */"), "/* &lt;name@host&gt; */");
  EXPECT_EQ(HtmlText("a && b"), "a &amp;&amp; b");
  EXPECT_EQ(HtmlText("p->next"), "p-&gt;next");
  EXPECT_EQ(HtmlText("&lt;"), "&amp;lt;");  // an entity in the source shows as written
  EXPECT_EQ(HtmlText("<"), "&lt;");
  EXPECT_EQ(HtmlText(""), "");
  EXPECT_EQ(HtmlText("plain'\"text"), "plain'\"text");
}

TEST(HtmlText, LeavesShiftJisCharactersWhole) {
  const std::string text = SJ("// 表示<ソ>");  // 表 and ソ end in the byte 0x5C
  EXPECT_EQ(HtmlText(text), SJ("// 表示&lt;ソ&gt;"));
}

}  // namespace
}  // namespace kv
