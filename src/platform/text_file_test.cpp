#include "platform/text_file.h"

#include <gtest/gtest.h>

#include "support/test_folder.h"

namespace kv {
namespace {

using testing::ReadFile;
using testing::ScratchFolder;
using testing::WriteFile;

TEST(TextFileTest, WritesCrLfAndReadsItBack) {
  ScratchFolder scratch;
  {
    TextWriter out("a.txt", WriteMode::kTruncate);
    ASSERT_TRUE(out.is_open());
    out.WriteLine("one");
    out.Write("two\nthree");
  }
  EXPECT_EQ(ReadFile("a.txt"), "one\r\ntwo\r\nthree");
  LineReader in("a.txt");
  std::string line;
  ASSERT_TRUE(in.ReadLine(line, 2000));
  EXPECT_EQ(line, "one\n");
  ASSERT_TRUE(in.ReadLine(line, 2000));
  EXPECT_EQ(line, "two\n");
  ASSERT_TRUE(in.ReadLine(line, 2000));
  EXPECT_EQ(line, "three");
  EXPECT_FALSE(in.ReadLine(line, 2000));
}

TEST(TextFileTest, ModesTruncateAppendOverwrite) {
  ScratchFolder scratch;
  WriteFile("f", "0123456789");
  { TextWriter("f", WriteMode::kOverwrite).Write("ab"); }
  EXPECT_EQ(ReadFile("f"), "ab23456789");
  { TextWriter("f", WriteMode::kAppend).Write("\n"); }
  EXPECT_EQ(ReadFile("f"), "ab23456789\r\n");
  { TextWriter("f", WriteMode::kTruncate).Write("x"); }
  EXPECT_EQ(ReadFile("f"), "x");
  TextWriter missing("no/such/folder/f", WriteMode::kTruncate);
  EXPECT_FALSE(missing.is_open());
  missing.Write("ignored");
}

TEST(TextFileTest, LongLinesComeInPiecesLikeFgets) {
  ScratchFolder scratch;
  WriteFile("long", std::string(10, 'a') + "\r\nb\r\n");
  LineReader in("long");
  std::string line;
  ASSERT_TRUE(in.ReadLine(line, 5));
  EXPECT_EQ(line, "aaaa");
  ASSERT_TRUE(in.ReadLine(line, 5));
  EXPECT_EQ(line, "aaaa");
  ASSERT_TRUE(in.ReadLine(line, 5));
  EXPECT_EQ(line, "aa\n");
  ASSERT_TRUE(in.ReadLine(line, 5));
  EXPECT_EQ(line, "b\n");
  EXPECT_FALSE(in.ReadLine(line, 5));
}

TEST(TextFileTest, LoneCrStaysAndNulCutsThePiece) {
  ScratchFolder scratch;
  WriteFile("bin", std::string("a\rb\r\nc\0d\ne", 11));
  LineReader in("bin");
  std::string line;
  ASSERT_TRUE(in.ReadLine(line, 100));
  EXPECT_EQ(line, "a\rb\n");
  ASSERT_TRUE(in.ReadLine(line, 100));
  EXPECT_EQ(line, "c");
  ASSERT_TRUE(in.ReadLine(line, 100));
  EXPECT_EQ(line, "e");
  in.Rewind();
  ASSERT_TRUE(in.ReadLineNoEol(line));
  EXPECT_EQ(line, "a\rb");
}

TEST(TextFileTest, OnlyCrBeforeLfIsStripped) {
  EXPECT_EQ(StripCarriageReturns("a\r\nb\r\n"), "a\nb\n");
  EXPECT_EQ(StripCarriageReturns("a\rb\r"), "a\rb\r");
  EXPECT_EQ(StripCarriageReturns("\r\r\n\n"), "\r\n\n");
  EXPECT_EQ(StripCarriageReturns(""), "");
  EXPECT_EQ(StripCarriageReturns("plain"), "plain");
  for (std::string text : {"a\r\nb\r\n", "a\rb\r", "\r\r\n\n", "", "x\r\n\r\n\r"}) {
    const std::string copied = StripCarriageReturns(text);
    StripCarriageReturnsInPlace(text);
    EXPECT_EQ(text, copied);
  }
}

TEST(TextFileTest, MissingFileDoesNotOpen) {
  ScratchFolder scratch;
  LineReader in("nothing.txt");
  EXPECT_FALSE(in.is_open());
  std::string line;
  EXPECT_FALSE(in.ReadLine(line, 10));
}

}  // namespace
}  // namespace kv
