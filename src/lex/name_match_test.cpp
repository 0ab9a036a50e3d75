#include "lex/name_match.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(NameMatchTest, NameMustStandWhole) {
  EXPECT_FALSE(ContainsWholeName("reset(x)", "set", "("));
  EXPECT_TRUE(ContainsWholeName("x=set(1)", "set", "("));
  EXPECT_TRUE(ContainsWholeName("set(1)", "set", "("));
  EXPECT_FALSE(ContainsWholeName("textdomain(PACKAGE)", "main", "("));
  EXPECT_FALSE(ContainsWholeName("g_cnt [R]", "cnt", " ["));
  EXPECT_FALSE(ContainsWholeName("st.cnt [R]", "cnt", " ["));
  EXPECT_FALSE(ContainsWholeName("p->cnt [w]", "cnt", " ["));
  EXPECT_TRUE(ContainsWholeName("cnt [w]", "cnt", " ["));
  EXPECT_TRUE(ContainsWholeName("a-cnt [w]", "cnt", " ["));
  // Without a suffix the character after the name is tested as well.
  EXPECT_FALSE(ContainsWholeName("int\tcounter", "count"));
  EXPECT_TRUE(ContainsWholeName("int\tcount", "count"));
  EXPECT_TRUE(ContainsWholeName("int\tcount[4]", "count"));
  // A later whole occurrence is found after an earlier partial one.
  EXPECT_EQ(FindWholeName("reset(1);set(2)", "set", "("), 9u);
  EXPECT_EQ(FindWholeName("abc", "", ""), std::string_view::npos);
  EXPECT_EQ(FindWholeName("se", "set", "("), std::string_view::npos);
}

TEST(NameMatchTest, StandsWholeAfterTestsOnlyTheCharacterBefore) {
  EXPECT_TRUE(StandsWholeAfter("cnt", 0));
  EXPECT_TRUE(StandsWholeAfter("a+cnt", 2));
  EXPECT_TRUE(StandsWholeAfter("a>cnt", 2));
  EXPECT_TRUE(StandsWholeAfter("\tcnt", 1));
  EXPECT_FALSE(StandsWholeAfter("g_cnt", 2));
  EXPECT_FALSE(StandsWholeAfter("s.cnt", 2));
  EXPECT_FALSE(StandsWholeAfter("p->cnt", 3));
  EXPECT_FALSE(StandsWholeAfter("x", 2));
}

}  // namespace
}  // namespace kv
