#include "run/definition_file_names.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(DefinitionFileNamesTest, PlainNameIsTheBaseNameAndKind) {
  EXPECT_EQ(PlainDefinitionFileName("main.c"), "main_DEF_C.dat");
  EXPECT_EQ(PlainDefinitionFileName("util.h"), "util_DEF_H.dat");
  EXPECT_EQ(PlainDefinitionFileName("UTIL.H"), "UTIL_DEF_H.dat");
  EXPECT_EQ(PlainDefinitionFileName("a.b.cpp"), "a.b_DEF_C.dat");
  EXPECT_EQ(PlainDefinitionFileName("../evil.c"), "");
}

// The last file of a name keeps the plain name; each earlier one moves
// aside, named after its folders, when the next one arrives.
TEST(DefinitionFileNamesTest, EarlierFilesOfOneNameMoveAside) {
  DefinitionFileNamer namer;
  std::optional<DefinitionFileNamer::Move> move;
  EXPECT_EQ(namer.Place("syscalls.c", "syscalls_DEF_C.dat", &move), "syscalls_DEF_C.dat");
  EXPECT_FALSE(move);
  EXPECT_EQ(namer.Place("arm/syscalls.c", "syscalls_DEF_C.dat", &move), "syscalls_DEF_C.dat");
  ASSERT_TRUE(move);
  EXPECT_EQ(move->path, "syscalls.c");
  EXPECT_EQ(move->to, "syscalls@_DEF_C.dat");
  // Letter case does not tell two tables apart on every disk.
  EXPECT_EQ(namer.Place("m32c/sub/SYSCALLS.c", "SYSCALLS_DEF_C.dat", &move), "SYSCALLS_DEF_C.dat");
  ASSERT_TRUE(move);
  EXPECT_EQ(move->path, "arm/syscalls.c");
  EXPECT_EQ(move->from, "syscalls_DEF_C.dat");
  EXPECT_EQ(move->to, "syscalls@arm_DEF_C.dat");
  // Another kind, another name.
  EXPECT_EQ(namer.Place("arm/syscalls.h", "syscalls_DEF_H.dat", &move), "syscalls_DEF_H.dat");
  EXPECT_FALSE(move);
}

// Qualified names that meet (a_b/x.c and a/b/x.c; a source file named like
// a moved table) are numbered; none is ever handed out twice.
TEST(DefinitionFileNamesTest, QualifiedNamesNeverMeet) {
  DefinitionFileNamer namer;
  std::optional<DefinitionFileNamer::Move> move;
  namer.Place("a_b/x.c", "x_DEF_C.dat", &move);
  namer.Place("a/b/x.c", "x_DEF_C.dat", &move);
  ASSERT_TRUE(move);
  EXPECT_EQ(move->to, "x@a_b_DEF_C.dat");
  namer.Place("c/x.c", "x_DEF_C.dat", &move);
  ASSERT_TRUE(move);
  EXPECT_EQ(move->to, "x@a_b-2_DEF_C.dat");
  // A file whose own plain name is a moved table's keeps clear of it.
  EXPECT_EQ(namer.Place("d/x@a_b.c", "x@a_b_DEF_C.dat", &move), "x@a_b@d_DEF_C.dat");
  EXPECT_FALSE(move);
}

TEST(DefinitionFileNamesTest, FoldersTooDeepForOneNameAreNumbered) {
  DefinitionFileNamer namer;
  std::optional<DefinitionFileNamer::Move> move;
  const std::string deep = std::string(130, 'd') + "/" + std::string(130, 'e') + "/x.c";
  namer.Place(deep, "x_DEF_C.dat", &move);
  namer.Place("y/x.c", "x_DEF_C.dat", &move);
  ASSERT_TRUE(move);
  EXPECT_EQ(move->to, "x@1_DEF_C.dat");
  // A base itself too long on disk once it is UTF-8 there: the number alone.
  std::string wide;
  for (int i = 0; i < 90; ++i) wide += "\x82\xa0";  // Shift-JIS hiragana a: 3 bytes on disk
  const std::string plain = wide + "_DEF_C.dat";
  namer.Place("p/" + wide + ".c", plain, &move);
  namer.Place("q/" + wide + ".c", plain, &move);
  ASSERT_TRUE(move);
  EXPECT_EQ(move->to, "@1_DEF_C.dat");
}

TEST(DefinitionFileNamesTest, UnlistedPathsKeepThePlainName) {
  DefinitionFilePaths paths;
  paths.Add("arm/syscalls.c", "syscalls@arm_DEF_C.dat");
  EXPECT_EQ(paths.NameFor("arm/syscalls.c", "syscalls.c"), "syscalls@arm_DEF_C.dat");
  EXPECT_EQ(paths.NameFor("m32c/syscalls.c", "syscalls.c"), "syscalls_DEF_C.dat");
}

}  // namespace
}  // namespace kv
