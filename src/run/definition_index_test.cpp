#include "run/definition_index.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

std::vector<std::string> Records(std::vector<std::pair<std::string, std::string>> name_and_path) {
  std::vector<Definition> group;
  for (auto& [name, path] : name_and_path) group.push_back({'F', "", name, path, false, 0});
  DefinitionIndex::NameRecords(group);
  std::vector<std::string> out;
  for (const Definition& d : group) out.push_back(d.record);
  return out;
}

using V = std::vector<std::string>;

// One definition keeps its name; several take as many trailing parts of
// their paths as tell them apart; what still collides (ignoring case) is
// numbered; no character a file name on either system refuses survives.
TEST(DefinitionIndexTest, RecordNamesCarryTheFileAndAreUnique) {
  EXPECT_EQ(Records({{"main", "src/main.c"}}), V{"main"});
  EXPECT_EQ(Records({{"helper", "a/x.c"}, {"helper", "b/y.c"}}), (V{"helper@x.c", "helper@y.c"}));
  EXPECT_EQ(Records({{"_exit", "arm/syscalls.c"}, {"_exit", "mips/syscalls.c"}, {"_exit", "arm/_exit.c"}}),
            (V{"_exit@arm_syscalls.c", "_exit@mips_syscalls.c", "_exit@_exit.c"}));
  EXPECT_EQ(Records({{"f", "x/a/s.c"}, {"f", "y/a/s.c"}}), (V{"f@x_a_s.c", "f@y_a_s.c"}));
  EXPECT_EQ(Records({{"Reset", "a.c"}, {"reset", "a.c"}, {"RESET", "A.c"}}),
            (V{"Reset@a.c", "reset@a.c-2", "RESET@A.c-3"}));
  EXPECT_EQ(Records({{"f", "we:ird?.c"}, {"f", "b.c"}}), (V{"f@we_ird_.c", "f@b.c"}));
  // 表 in Shift-JIS ends in the byte of "\\": a character, not a separator.
  EXPECT_EQ(Records({{"f", "\x95\x5C/a.c"}, {"f", "b/a.c"}}), (V{"f@\x95\x5C_a.c", "f@b_a.c"}));
}

class ResolveTest : public ::testing::Test {
 protected:
  void Define(const std::string& name, const std::string& path, bool is_static = false) {
    index_.Add({'F', name + "@" + path, name, path, is_static, 0});
  }
  std::string Target(const std::string& name, const std::string& from) const {
    const DefinitionIndex::Choice choice = index_.Resolve('F', name, from);
    return choice.definition == nullptr ? "-" : choice.definition->path;
  }
  DefinitionIndex index_;
};

// The own file first, then a static one in a header the file includes
// (through other headers too), then the one non-static definition; a static
// one in another .c file never.
TEST_F(ResolveTest, OwnFileThenIncludedStaticThenTheNonStaticOne) {
  Define("init", "drv/hgpk.h", true);
  Define("init", "drv/hgpk.c");
  Define("init", "drv/other.c", true);
  index_.AddInclude("drv/mouse.c", "\"psmouse.h\"");
  index_.AddInclude("drv/psmouse.h", "<drv/hgpk.h>");
  EXPECT_EQ(Target("init", "drv/other.c"), "drv/other.c");
  EXPECT_EQ(Target("init", "drv/mouse.c"), "drv/hgpk.h");
  EXPECT_EQ(Target("init", "net/core.c"), "drv/hgpk.c");
  EXPECT_FALSE(index_.Resolve('F', "init", "net/core.c").nearest);
  EXPECT_EQ(Target("missing", "net/core.c"), "-");
}

// Several non-static definitions (one per target): the one sharing the most
// folders with the caller's file, ties to the first in walk order; only
// static ones elsewhere: none.
TEST_F(ResolveTest, AmongSeveralNonStaticTheNearestFolder) {
  Define("_exit", "arm/a/syscalls.c");
  Define("_exit", "arm/b/syscalls.c");
  Define("_exit", "mips/syscalls.c");
  Define("helper", "x.c", true);
  Define("helper", "y.c", true);
  EXPECT_EQ(Target("_exit", "arm/b/crt0.c"), "arm/b/syscalls.c");
  EXPECT_EQ(Target("_exit", "arm/c/crt0.c"), "arm/a/syscalls.c");
  EXPECT_EQ(Target("_exit", "mips/x/crt0.c"), "mips/syscalls.c");
  EXPECT_EQ(Target("_exit", "main.c"), "arm/a/syscalls.c");
  const DefinitionIndex::Choice choice = index_.Resolve('F', "_exit", "main.c");
  EXPECT_TRUE(choice.nearest);
  EXPECT_EQ(choice.candidates, 3u);
  EXPECT_EQ(Target("helper", "z.c"), "-");
  EXPECT_EQ(index_.ResolveRecord('F', "helper", "z.c"), "helper");
  EXPECT_EQ(index_.ResolveRecord('F', "helper", "y.c"), "helper@y.c");
}

TEST(DefinitionIndexTest, PathsBelowTheMirrorAndSharedFolders) {
  EXPECT_EQ(PathBelow("./vcwk012345/DEF/proj", "./vcwk012345/DEF/proj/a/b.c"), "a/b.c");
  EXPECT_EQ(PathBelow("./vcwk012345/DEF/proj", "./vcwk012345/DEF/project/b.c"), "./vcwk012345/DEF/project/b.c");
  EXPECT_EQ(SharedFolders("a/b/c.c", "a/b/d.c"), 2u);
  EXPECT_EQ(SharedFolders("a/b/c.c", "a/c.c"), 1u);
  EXPECT_EQ(SharedFolders("x.c", "x.c"), 0u);
}

}  // namespace
}  // namespace kv
