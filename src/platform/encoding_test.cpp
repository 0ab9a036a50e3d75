#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(EncodingTest, RoundTripsJapanese) {
  std::string sjis = ToCp932("解析中");
  EXPECT_EQ(sjis, "\x89\xf0\x90\xcd\x92\x86");
  EXPECT_EQ(ToUtf8(sjis), "解析中");
  EXPECT_EQ(SJ("終了"), "\x8f\x49\x97\xb9");
  // Full-width space U+3000 and the wave dash CP932 maps from U+FF5E.
  EXPECT_EQ(ToCp932("\u3000"), "\x81\x40");
}

TEST(EncodingTest, InvalidInputIsReplacedOrRefused) {
  EXPECT_EQ(ToUtf8("a\x81"), "a?");
  std::string out = "keep";
  EXPECT_FALSE(TryToUtf8("\x81\x20", out));
  EXPECT_EQ(out, "keep");
  EXPECT_FALSE(TryToCp932("\xF0\x9F\x98\x80", out));  // an emoji has no CP932 form
  EXPECT_TRUE(TryToCp932("plain", out));
  EXPECT_EQ(out, "plain");
}

}  // namespace
}  // namespace kv
