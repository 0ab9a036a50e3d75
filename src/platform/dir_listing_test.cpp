#include "platform/dir_listing.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::ScratchFolder;
using testing::WriteFile;

std::vector<std::string> Names(const DirListing& l) {
  std::vector<std::string> out;
  for (const DirEntry& e : l.entries) out.push_back(e.name);
  return out;
}

TEST(DirListingTest, NtfsOrder) {
  ScratchFolder scratch;
  for (const char* n : {"b", "A", "a_b", "ab", "B2", "_x", "a"}) WriteFile(std::string("d/") + n, "");
  DirListing l = ListDirectory("d", "*.*");
  EXPECT_TRUE(l.found);
  // Upper-cased compare: "A" = "a" (then byte order: "A" < "a"), "AB" < "A_B".
  EXPECT_EQ(Names(l), (std::vector<std::string>{"A", "a", "ab", "a_b", "b", "B2", "_x"}));
}

TEST(DirListingTest, FoundFollowsFindFirstFile) {
  ScratchFolder scratch;
  MakeFolder("empty");
  EXPECT_TRUE(ListDirectory("empty", "*.*").found);   // "." matches
  EXPECT_FALSE(ListDirectory("empty", "*.c").found);
  EXPECT_FALSE(ListDirectory("missing", "*.*").found);
  WriteFile("src/x.C", "");
  WriteFile("src/y.cpp", "");
  MakeFolder("src/sub");
  DirListing l = ListDirectory("src", "*.c");
  EXPECT_TRUE(l.found);
  EXPECT_EQ(Names(l), std::vector<std::string>{"x.C"});
  DirListing all = ListDirectory("SRC", "*.*");
  ASSERT_EQ(all.entries.size(), 3u);
  EXPECT_TRUE(all.entries[0].is_dir);  // "sub"
}

TEST(DirListingTest, Patterns) {
  EXPECT_TRUE(MatchPattern("*.*", "Makefile"));
  EXPECT_TRUE(MatchPattern("*.c", "INF_main.C"));
  EXPECT_FALSE(MatchPattern("*.c", "INF_main.cpp"));
  EXPECT_TRUE(MatchPattern("*.dat", "main_DEF_C.DAT"));
  EXPECT_TRUE(MatchPattern("a?c", "abc"));
  EXPECT_FALSE(MatchPattern("a?c", "ac"));
  EXPECT_TRUE(MatchPattern("x*y*z", "xaaybbz"));
  EXPECT_FALSE(MatchPattern("*.c", "."));
}

}  // namespace
}  // namespace kv
