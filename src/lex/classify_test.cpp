#include "lex/classify.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(ClassifyTest, KindsInTestOrder) {
  TypeNameTable types;
  struct Case {
    const char* token;
    TokenKind kind;
  } cases[] = {
      {"", kKindEmpty},       {"(", kKindOpenParen},     {")", kKindCloseParen},  {";", kKindSemicolon},
      {"{", kKindOpenBrace},  {"}", kKindCloseBrace},    {"[", kKindOpenBracket}, {"]", kKindCloseBracket},
      {"=", kKindAssignment}, {"+=", kKindAssignment},   {"/=", kKindAssignment}, {"++", kKindIncrement},
      {"--", kKindDecrement}, {"->", kKindArrow},        {"#", kKindHash},        {"\\", kKindBackslash},
      {".", kKindDot},        {",", kKindComma},         {"// x", kKindComment},  {"/* x */", kKindComment},
      {"/* x", kKindCommentOpen}, {"/*/", kKindCommentOpen}, {"x */", kKindCommentClose},
      {"static", kKindQualifier}, {"UCHAR", kKindTypeName}, {"12", kKindNumber}, {"0x1F", kKindHexNumber},
      {"0x", kKindNumber},    {"0XFF", kKindNumber},     {"0xg", kKindNumber},    {"<<=", kKindComparison},
      {"&&", kKindComparison}, {"~", kKindOperator},     {"^", kKindOperator},    {"while", kKindStatementKeyword},
      {"foo", kKindIdentifier}, {"%", kKindIdentifier},  {"\"http://x", kKindComment},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyToken(c.token, types), c.kind) << c.token;
}

// The C99/C11 and compiler words qualify like "static" and "const".
TEST(ClassifyTest, InlineNoreturnAndRestrictAreQualifiers) {
  TypeNameTable types;
  for (const char* word : {"inline", "__inline", "__inline__", "_Noreturn", "restrict", "__restrict", "__restrict__"})
    EXPECT_EQ(ClassifyToken(word, types), kKindQualifier) << word;
  EXPECT_EQ(ClassifyToken("extern", types), kKindIdentifier);  // left as it was: ValList.txt relies on it
}

TEST(ClassifyTest, DeclTwinDiffers) {
  TypeNameTable types;
  EXPECT_EQ(ClassifyToken("int", types), kKindTypeName);
  EXPECT_EQ(ClassifyDeclToken("int", types), kKindBaseType);
  EXPECT_EQ(ClassifyDeclToken("BOOL", types), kKindBaseType);
  EXPECT_EQ(ClassifyDeclToken("UCHAR", types), kKindTypeName);
  EXPECT_EQ(ClassifyDeclToken("->", types), kKindIdentifier);
  EXPECT_EQ(ClassifyDeclToken("// x", types), kKindIdentifier);
  EXPECT_EQ(ClassifyDeclToken("/* x */", types), kKindComment);
  EXPECT_EQ(ClassifyDeclToken("const", types), kKindQualifier);
}

TEST(ClassifyTest, ResetDropsStartUpNames) {
  TypeNameTable types;
  EXPECT_EQ(ClassifyToken("ResType", types), kKindTypeName);
  EXPECT_EQ(types.Count(), 15);
  types.Reset();
  EXPECT_EQ(types.Count(), 6);
  EXPECT_EQ(ClassifyToken("ResType", types), kKindIdentifier);
  EXPECT_EQ(ClassifyToken("UCHAR", types), kKindIdentifier);
  EXPECT_EQ(ClassifyToken("long", types), kKindTypeName);
  EXPECT_EQ(types.FindOrAdd("ResType"), 6);
  EXPECT_EQ(ClassifyToken("ResType", types), kKindTypeName);
}

}  // namespace
}  // namespace kv
