#include "xlsdoc/function_sheet.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

TEST(FunctionSheetNameTest, CutsAt26CharactersBeforeTheNumber) {
  EXPECT_EQ(FunctionSheetName("foo", 3), "foo(3)");
  const std::string n26 = "abcdefghij_klmnopqrst_uvwx";
  EXPECT_EQ(FunctionSheetName(n26, 1), n26 + "(1)");
  EXPECT_EQ(FunctionSheetName(n26 + "y", 2), n26 + "(2)");
  EXPECT_EQ(FunctionSheetName(n26 + "yz0123456789", 999), n26 + "(999)");
  // A fourth digit would pass 31 characters: the name gives way.
  EXPECT_EQ(FunctionSheetName(n26, 1000), n26.substr(0, 25) + "(1000)");
  EXPECT_EQ(FunctionSheetName("", 4), "(4)");
}

TEST(FunctionSheetNameTest, CountsCharactersNotBytes) {
  std::string name;
  for (int i = 0; i < 30; ++i) name += "関";
  std::string expected;
  for (int i = 0; i < 26; ++i) expected += "関";
  EXPECT_EQ(FunctionSheetName(ToCp932(name), 1), ToCp932(expected + "(1)"));
}

TEST(FunctionSheetNameTest, MakesAnyNameValid) {
  EXPECT_EQ(FunctionSheetName("a[1]:b*c?d/e\\f", 1), "a_1__b_c_d_e_f(1)");
  EXPECT_EQ(FunctionSheetName("'quoted'", 1), "_quoted_(1)");
  EXPECT_EQ(FunctionSheetName("tab\there\x01", 1), "tab_here_(1)");
  EXPECT_EQ(FunctionSheetName("\xFF\xFE", 1), "__(1)");  // not CP932
  EXPECT_EQ(FunctionSheetName("foo", 3, 2), "foo__(3)");
}

}  // namespace
}  // namespace kv
