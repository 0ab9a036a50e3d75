#include "run/folder_utils.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/paths.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::Exists;
using testing::ScratchFolder;
using testing::WriteFile;

TEST(FolderUtilsTest, DeleteFolderTree) {
  ScratchFolder scratch;
  WriteFile("w/a/b.txt", "x");
  EXPECT_EQ(DeleteFolderTree("w/"), 1);
  EXPECT_FALSE(Exists("w"));
  EXPECT_EQ(DeleteFolderTree("w"), 0);
  EXPECT_EQ(DeleteFolderTree(""), 0);
}

TEST(FolderUtilsTest, RemoveFolderTree) {
  ScratchFolder scratch;
  EXPECT_EQ(RemoveFolderTree("missing"), 0);
  MakeFolder("empty");
  EXPECT_NE(RemoveFolderTree("empty\\"), 0);
  EXPECT_FALSE(Exists("empty"));
  WriteFile("full/x/y/z.txt", "z");
  WriteFile("full/top.txt", "t");
  EXPECT_NE(RemoveFolderTree("full/"), 0);
  EXPECT_FALSE(Exists("full"));
}

// A symlink inside the tree is removed as a link; its target is never
// entered. A symlink at the path itself is left alone.
TEST(FolderUtilsTest, RemovalNeverFollowsASymlink) {
  ScratchFolder scratch;
  WriteFile("victim/keep.txt", "keep");
  WriteFile("tree/sub/a.txt", "a");
  std::filesystem::create_directory_symlink("../../victim", "tree/sub/link");
  std::filesystem::create_symlink("../victim/keep.txt", "tree/file_link");
  EXPECT_NE(RemoveFolderTree("tree"), 0);
  EXPECT_FALSE(Exists("tree"));
  EXPECT_EQ(testing::ReadFile("victim/keep.txt"), "keep");

  std::filesystem::create_directory_symlink("victim", "planted");
  EXPECT_EQ(RemoveFolderTree("planted"), 0);
  EXPECT_EQ(DeleteFolderTree("planted"), 0);
  EXPECT_EQ(testing::ReadFile("victim/keep.txt"), "keep");
}

TEST(FolderUtilsTest, CopyFolderInto) {
  ScratchFolder scratch;
  WriteFile("src/sub/a.txt", "a");
  MakeFolder("out");
  EXPECT_EQ(CopyFolderInto("src/", "out\\"), 1);
  EXPECT_EQ(testing::ReadFile("out/src/sub/a.txt"), "a");
  // Into a destination that does not exist yet.
  EXPECT_EQ(CopyFolderInto("src", "new/deeper"), 1);
  EXPECT_TRUE(Exists("new/deeper/src/sub/a.txt"));
  // Onto itself, in any letter case: nothing happens.
  EXPECT_EQ(CopyFolderInto("src", "SRC/"), 0);
  EXPECT_EQ(CopyFolderInto("missing", "out"), 0);
  EXPECT_FALSE(Exists("src/src"));
}

TEST(SplitPrototypeTest, Forms) {
  Prototype p = SplitPrototype("static\tint\tfoo\t(\tvoid\t)\t");
  EXPECT_EQ(p.type, "static\tint");
  EXPECT_EQ(p.name, "foo");
  EXPECT_EQ(p.arguments, "(\tvoid\t)\t");
  Prototype bare = SplitPrototype("main\t(\t)\t");
  EXPECT_EQ(bare.type, "");
  EXPECT_EQ(bare.name, "main");
  Prototype blank = SplitPrototype("unsigned int f (x)");
  EXPECT_EQ(blank.type, "unsigned int");
  EXPECT_EQ(blank.name, "f");
  EXPECT_EQ(SplitPrototype("noparen").name, "noparen");
  EXPECT_EQ(SplitPrototype("(x)").name, "");
}

}  // namespace
}  // namespace kv
