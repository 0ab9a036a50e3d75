#include "run/member_names.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(MemberNamesTest, NamesAfterArrowOrDotOnly) {
  MemberNames names;
  for (const char* entry : {"list_del(&msg->link)", "s.f", "a->b->c", "x = 1.5f", "printk(\"a.b->c\")",
                            "dev->ops ->init(a)", "0x1.8p3", "'.'"})
    names.NoteEntry(entry);
  for (const char* member : {"link", "f", "b", "c", "ops", "init"}) EXPECT_TRUE(names.Contains(member)) << member;
  for (const char* other : {"msg", "list_del", "s", "a", "x", "5f", "p3", "dev", "printk"})
    EXPECT_FALSE(names.Contains(other)) << other;
  EXPECT_EQ(names.size(), 6u);
}

}  // namespace
}  // namespace kv
