#include "prepro/define_table.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

class DefineTableTest : public ::testing::Test {
 protected:
  int Search(std::string_view name, std::string& value) {
    return SearchDefineFile(table_, name, types_, value, [this](std::string_view t, std::string_view d) {
      logged_.push_back(std::string(t) + " : " + std::string(d));
    });
  }

  DefineTable table_;
  TypeNameTable types_;
  std::vector<std::string> logged_;
};

TEST_F(DefineTableTest, SearchGivesTheKindOfTheFirstValue) {
  table_.Append("NUM\t10\t");
  table_.Append("HEX\t0x1F\t");
  table_.Append("NAME\tOTHER\t+\t1\t");
  table_.Append("EMPTY\t");
  table_.Append("STAR\t*\t5\t");
  std::string v;
  EXPECT_EQ(Search("NUM", v), kDefineNumber);
  EXPECT_EQ(v, "10");
  EXPECT_EQ(Search("HEX", v), kDefineNumber);
  EXPECT_EQ(v, "0x1F");
  EXPECT_EQ(Search("NAME", v), kDefineIdentifier);
  EXPECT_EQ(v, "OTHER");
  EXPECT_EQ(Search("EMPTY", v), kDefineEmpty);
  EXPECT_EQ(v, "");
  EXPECT_EQ(Search("STAR", v), kDefineNumber);
  EXPECT_EQ(v, "*5");
  EXPECT_EQ(Search("NU", v), kDefineNotFound);
  EXPECT_TRUE(logged_.empty());
}

TEST_F(DefineTableTest, EntriesWithOtherFirstTokensArePassedOver) {
  table_.Append("X\t(\t1\t)\t");
  table_.Append("X\tUCHAR\t");  // a type name
  table_.Append("X\t7\t");
  std::string v;
  EXPECT_EQ(Search("X", v), kDefineNumber);
  EXPECT_EQ(v, "7");
  EXPECT_EQ(table_.Find("X"), 0);
}

TEST_F(DefineTableTest, FullTableRefusesAndLogsUnknownNames) {
  for (int i = 0; i < kDefineTableCapacity; ++i) ASSERT_TRUE(table_.Append("N" + std::to_string(i) + "\t1\t"));
  EXPECT_TRUE(table_.full());
  EXPECT_FALSE(table_.Append("MORE\t1\t"));
  EXPECT_EQ(table_.count(), kDefineTableCapacity);
  std::string v;
  EXPECT_EQ(Search("N9999", v), kDefineNumber);
  EXPECT_TRUE(logged_.empty());
  EXPECT_EQ(Search("MORE", v), kDefineNotFound);
  ASSERT_EQ(logged_.size(), 1u);
  EXPECT_EQ(logged_[0], "Array 10000 Over : SearchDefineFile");
}

TEST_F(DefineTableTest, EntriesUsingMatchesWholeTokensOnly) {
  table_.Append("A\tBASE\t+\t1\t");
  table_.Append("B\tBASE2\t");
  table_.Append("C\t(\tBASE\t*\tBASE\t)\t");
  EXPECT_EQ(table_.EntriesUsing("BASE"), (std::vector<int>{0, 2}));
  table_.Replace(0, "A\t4\t+\t1\t");
  EXPECT_EQ(table_.EntriesUsing("BASE"), (std::vector<int>{2}));
  // Rewritten back and forth many times: each entry once, in table order.
  for (int round = 0; round < 50; ++round) {
    table_.Replace(2, "C\t2\t");
    table_.Replace(0, "A\tBASE\t");
    table_.Replace(2, "C\tBASE\t*\tBASE\t");
    table_.Replace(0, "A\tBASE\t+\tBASE\t");
  }
  EXPECT_EQ(table_.EntriesUsing("BASE"), (std::vector<int>{0, 2}));
  EXPECT_EQ(table_.EntriesUsing("2"), (std::vector<int>{}));
  EXPECT_EQ(table_.EntriesUsing("+"), (std::vector<int>{0}));
}

TEST(DefineEntryTest, SplitAndBuild) {
  EXPECT_EQ(EntryName("MAX\t10\t"), "MAX");
  EXPECT_EQ(EntryName("NOTAB"), "");
  EXPECT_EQ(EntryValueTokens("MAX\t(\t1\t)\t"), (std::vector<std::string>{"(", "1", ")"}));
  EXPECT_TRUE(EntryValueTokens("FLAG\t").empty());
  EXPECT_EQ(BuildEntry("MAX", {"10"}), "MAX\t10\t");
  EXPECT_EQ(BuildEntry("FLAG", {}), "FLAG\t");
}

}  // namespace
}  // namespace kv
