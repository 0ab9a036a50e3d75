#include "platform/paths.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include "support/test_folder.h"

namespace kv {
namespace {

using testing::ScratchFolder;
using testing::WriteFile;

TEST(PathsTest, SplitPathIsShiftJisAware) {
  PathParts p = SplitPath("./src\\sub/main.c");
  EXPECT_EQ(p.folder, "./src\\sub/");
  EXPECT_EQ(p.name, "main.c");
  EXPECT_EQ(p.base, "main");
  EXPECT_EQ(p.extension, ".c");
  // 0x95 0x5C is one character whose second byte looks like "\".
  PathParts sj = SplitPath("dir/\x95\x5C.h");
  EXPECT_EQ(sj.name, "\x95\x5C.h");
  EXPECT_EQ(sj.base, "\x95\x5C");
  PathParts none = SplitPath("Makefile");
  EXPECT_EQ(none.base, "Makefile");
  EXPECT_EQ(none.extension, "");
  EXPECT_EQ(SplitPath("a.b.c").extension, ".c");
}

TEST(PathsTest, JoinAndTrailingSeparators) {
  EXPECT_EQ(JoinPath("a", "b"), "a/b");
  EXPECT_EQ(JoinPath("a/", "b"), "a/b");
  EXPECT_EQ(JoinPath("a\\", "b"), "a\\b");
  EXPECT_EQ(DropTrailingSeparator("a/"), "a");
  EXPECT_EQ(DropTrailingSeparator("a\\"), "a");
  EXPECT_EQ(DropTrailingSeparator("/"), "/");
}

TEST(PathsTest, NamesAreUtf8OnDisk) {
  ScratchFolder scratch;
  std::string name = ToCp932("プリプロ展開ソフト");
  ASSERT_TRUE(MakeFolder(name));
  EXPECT_TRUE(testing::Exists("プリプロ展開ソフト"));
  EXPECT_TRUE(IsDirectory(name));
  EXPECT_EQ(FromDiskName("プリプロ展開ソフト"), name);
}

TEST(PathsTest, ResolvesIgnoringCaseAndBackslashes) {
  ScratchFolder scratch;
  WriteFile("Inc/Sub/Foo.H", "x");
  EXPECT_EQ(ResolveDiskPath("inc\\sub\\foo.h"), "Inc/Sub/Foo.H");
  EXPECT_EQ(ResolveDiskPath("./INC/sub/FOO.h"), "./Inc/Sub/Foo.H");
  EXPECT_TRUE(IsRegularFile("inc/SUB/foo.h"));
  EXPECT_FALSE(PathExists("inc/sub/bar.h"));
  EXPECT_EQ(ResolveDiskPath("inc/sub/bar.h"), "inc/sub/bar.h");
  // A new file goes into the folder as found, under the name as written.
  EXPECT_EQ(ResolveDiskPathForWrite("inc/SUB/New.txt"), "Inc/Sub/New.txt");
  EXPECT_EQ(ResolveDiskPathForWrite("Inc/Sub/Foo.H"), "Inc/Sub/Foo.H");
}

TEST(PathsTest, FileOperations) {
  ScratchFolder scratch;
  WriteFile("a.txt", "abc");
  EXPECT_TRUE(CopyFile("A.TXT", "b.txt"));
  EXPECT_EQ(testing::ReadFile("b.txt"), "abc");
  EXPECT_TRUE(RenameFile("b.txt", "c.txt"));
  EXPECT_TRUE(DeleteFile("c.txt"));
  EXPECT_FALSE(DeleteFile("c.txt"));
  EXPECT_FALSE(CopyFile("missing", "d"));
  EXPECT_TRUE(MakeFolder("dir/"));
  EXPECT_TRUE(MakeFolder("dir"));
}

}  // namespace
}  // namespace kv
