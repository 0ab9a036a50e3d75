#include "prepro/header_index.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(HeaderIndexTest, MatchesWholeNamesAtAFolderBoundary) {
  HeaderIndex index;
  index.LoadText(
      "data.h\tproj/lib/data.h\n"
      "a.h\tproj/x/a.h\n"
      "a.h\tproj/sub/a.h\n"
      "Mixed.H\tproj/Inc/Mixed.H\n");
  std::string path;
  ASSERT_TRUE(index.LookupHeader("a.h", path));
  EXPECT_EQ(path, "proj/x/a.h");  // the first listed
  ASSERT_TRUE(index.LookupHeader("sub/a.h", path));
  EXPECT_EQ(path, "proj/sub/a.h");
  ASSERT_TRUE(index.LookupHeader("SUB\\A.H", path));
  EXPECT_EQ(path, "proj/sub/a.h");
  ASSERT_TRUE(index.LookupHeader("mixed.h", path));
  EXPECT_EQ(path, "proj/Inc/Mixed.H");
  ASSERT_TRUE(index.LookupHeader("../inc/mixed.h", path));
  EXPECT_EQ(path, "proj/Inc/Mixed.H");
  ASSERT_TRUE(index.LookupHeader("./data.h", path));
  EXPECT_EQ(path, "proj/lib/data.h");
  EXPECT_FALSE(index.LookupHeader("ta.h", path));
  EXPECT_FALSE(index.LookupHeader("other/a.h", path));
  EXPECT_FALSE(index.LookupHeader("<", path));
  EXPECT_FALSE(index.LookupHeader("", path));
}

TEST(HeaderIndexTest, ShiftJisNamesKeepTheirSecondByte) {
  // "ソ" is 0x83 0x5C: its second byte is not a separator.
  const std::string so = "\x83\x5C";
  HeaderIndex index;
  index.LoadText(so + ".h\tproj/" + so + ".h\n");
  std::string path;
  ASSERT_TRUE(index.LookupHeader(so + ".h", path));
  EXPECT_EQ(path, "proj/" + so + ".h");
  EXPECT_EQ(NormalizePathForMatch("A\\" + so + "B"), "a/" + so + "b");
}

TEST(IncludePathTest, FolderOfTheIncludingFileAndTheNameWithoutQuotes) {
  EXPECT_EQ(IncludePath("\"a.h", "proj/sub/main.c"), "proj/sub/a.h");
  EXPECT_EQ(IncludePath("\"x\\y.h\"", "main.c"), "x\\y.h");
  EXPECT_EQ(IncludePath("<", "proj/main.c"), "proj/<");
}

}  // namespace
}  // namespace kv
