#include "lex/keyword_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

TEST(NameListTest, FindOrAddAndAddIfAbsent) {
  NameList list(4);  // three names and the sentinel
  EXPECT_EQ(list.FindOrAdd("a"), 0);
  EXPECT_EQ(list.FindOrAdd("b"), 1);
  EXPECT_EQ(list.FindOrAdd("a"), 0);
  EXPECT_EQ(list.AddIfAbsent("b"), 1);
  EXPECT_EQ(list.AddIfAbsent("c"), 0);
  EXPECT_EQ(list.Count(), 3);
  // Full: refused, nothing written past the end.
  EXPECT_EQ(list.FindOrAdd("d"), NameList::kFull);
  EXPECT_EQ(list.AddIfAbsent("d"), NameList::kFull);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.FindOrAdd("c"), 2);
  list.Truncate(1);
  EXPECT_EQ(list.Find("b"), -1);
  EXPECT_EQ(list.FindOrAdd("d"), 1);
}

TEST(TypeNameTableTest, GrowsPastTheOldFixedSizeWithoutRefusing) {
  TypeNameTable types;
  types.Reset();
  std::vector<std::string> refused;
  types.on_full = [&](std::string_view name) { refused.emplace_back(name); };
  for (int i = types.Count(); i < 6000; ++i) ASSERT_GE(types.FindOrAdd("T" + std::to_string(i)), 0);
  EXPECT_EQ(types.Count(), 6000);
  EXPECT_EQ(types.FindOrAdd("Extra"), 6000);
  EXPECT_TRUE(types.Contains("Extra"));
  EXPECT_TRUE(types.Contains("T2499"));
  EXPECT_TRUE(refused.empty());
  EXPECT_EQ(types.FindOrAdd("int"), 5);
}

TEST(SplitTypeAndNameTest, Forms) {
  std::string type, name;
  SplitTypeAndName("static\tint\tcounter\t;", type, name);
  EXPECT_EQ(type, "static\tint");
  EXPECT_EQ(name, "counter");
  SplitTypeAndName("unsigned\tchar\tbuf\t[\t10\t]\t;", type, name);
  EXPECT_EQ(type, "unsigned\tchar");
  EXPECT_EQ(name, "buf");
  SplitTypeAndName("int\tcount\t", type, name);
  EXPECT_EQ(type, "int");
  EXPECT_EQ(name, "count");
  SplitTypeAndName("char\t*\tp\t", type, name);
  EXPECT_EQ(type, "char\t*");
  EXPECT_EQ(name, "p");
  SplitTypeAndName("void", type, name);
  EXPECT_EQ(type, "void");
  EXPECT_EQ(name, "void");
  SplitTypeAndName("struct\ttag\tvar\t;", type, name);
  EXPECT_EQ(type, "struct");
  EXPECT_EQ(name, "var");
  // A local declaration keeps no stray bracket in its name.
  SplitTypeAndName("unsigned\tchar\tbuf[10]", type, name);
  EXPECT_EQ(type, "unsigned\tchar");
  EXPECT_EQ(name, "buf");
  SplitTypeAndName("lonely", type, name);
  EXPECT_EQ(type, "");
  EXPECT_EQ(name, "lonely");
}

}  // namespace
}  // namespace kv
