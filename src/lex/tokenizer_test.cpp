#include "lex/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

std::vector<std::string> Tokens(std::string_view line, bool indented = false) {
  LineTokenizer t(line);
  std::vector<std::string> out;
  for (int guard = 0; guard < 1000; ++guard) {
    uint32_t indent = 0;
    std::string_view tok = indented ? t.NextIndented(&indent) : t.Next();
    if (tok.empty()) break;
    out.emplace_back(tok);
  }
  return out;
}

using V = std::vector<std::string>;

TEST(TokenizerTest, CompoundAssignmentSplitsOnlyInPlainForm) {
  EXPECT_EQ(Tokens("a+=b"), (V{"a", "+", "=", "b"}));
  EXPECT_EQ(Tokens("a+=b", true), (V{"a", "+=", "b"}));
  EXPECT_EQ(Tokens("x<<=1 y>>=2", false), (V{"x", "<<", "=", "1", "y", ">>", "=", "2"}));
  EXPECT_EQ(Tokens("x<<=1 y>>=2", true), (V{"x", "<<=", "1", "y", ">>=", "2"}));
  EXPECT_EQ(Tokens("a&=b|=c-=d", true), (V{"a", "&=", "b", "|=", "c", "-=", "d"}));
  EXPECT_EQ(Tokens("a*=b/=c", true), (V{"a", "*", "=", "b", "/", "=", "c"}));
  EXPECT_EQ(Tokens("a==b!=c&&d||e->f--", false), (V{"a", "==", "b", "!=", "c", "&&", "d", "||", "e", "->", "f", "--"}));
  EXPECT_EQ(Tokens("a<=b>=c<d", false), (V{"a", "<=", "b", ">=", "c", "<", "d"}));
}

TEST(TokenizerTest, QuotedLiterals) {
  EXPECT_EQ(Tokens("x = \"ab\";\n"), (V{"x", "=", "\"ab", ";", "\n"}));
  EXPECT_EQ(Tokens("x = \"ab\";\n", true), (V{"x", "=", "\"ab\"", ";", "\n"}));
  // An empty literal: the opening quote alone, or both quotes in the indented form.
  EXPECT_EQ(Tokens("s=\"\";"), (V{"s", "=", "\"", ";"}));
  EXPECT_EQ(Tokens("s=\"\";", true), (V{"s", "=", "\"\"", ";"}));
  // A backslash takes the character after it: escaped quotes and
  // backslashes stay inside the literal.
  EXPECT_EQ(Tokens("'\\'' x"), (V{"'\\'", "x"}));
  EXPECT_EQ(Tokens("c='\\\\'; d", true), (V{"c", "=", "'\\\\'", ";", "d"}));
  EXPECT_EQ(Tokens("put(s, \"\\\"\\\\\");\n", true), (V{"put", "(", "s", ",", "\"\\\"\\\\\"", ")", ";", "\n"}));
  // A Shift-JIS character whose second byte is a backslash escapes nothing.
  EXPECT_EQ(Tokens("\"\x95\x5C\" x", true), (V{"\"\x95\x5C\"", "x"}));
  // An unclosed literal ends before the newline, which stays the line's
  // last token.
  EXPECT_EQ(Tokens("p(\"abc\n"), (V{"p", "(", "\"abc", "\n"}));
  EXPECT_EQ(Tokens("p(\"abc\n", true), (V{"p", "(", "\"abc", "\n"}));
  EXPECT_EQ(Tokens("don't stop\n", true), (V{"don", "'t stop", "\n"}));
}

// The lines of a file through one tokenizer, each token with its part.
std::vector<std::string> FileTokens(const std::vector<std::string>& lines) {
  LineTokenizer t;
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    t.AssignNextLine(line);
    for (std::string_view tok = t.Next(); !IsLineEnd(tok); tok = t.Next())
      out.push_back((t.last_in_comment() ? "C:" : "") + std::string(tok));
  }
  return out;
}

TEST(TokenizerTest, BlockCommentsSpanLinesWhateverTheyHold) {
  // Quotes, braces and backslashes inside the comment are comment words.
  EXPECT_EQ(FileTokens({"a /* x\n", " * don't { \\\n", " \"} */ b;\n"}),
            (V{"a", "C:/* x", "C:*", "C:don't", "C:{", "C:\\", "C:\"}", "C:*/", "b", ";"}));
  // The closing "*/" is its own token even when glued to a word.
  EXPECT_EQ(FileTokens({"/*\n", "end*/x\n"}), (V{"C:/*", "C:end", "C:*/", "x"}));
  // A "/*" inside the comment opens nothing more; "//" in it ends nothing.
  EXPECT_EQ(FileTokens({"/* a\n", "/* // b */ c\n"}), (V{"C:/* a", "C:/*", "C://", "C:b", "C:*/", "c"}));
  // Comment markers inside literals are no comments.
  EXPECT_EQ(FileTokens({"s = \"/*\"; t = \"//\";\n", "u;\n"}),
            (V{"s", "=", "\"/*", ";", "t", "=", "\"//", ";", "u", ";"}));
}

TEST(TokenizerTest, CommentStateFollowsLinesNotTakenToTheirEnd) {
  LineTokenizer t;
  t.AssignNextLine("int a; /* begins here\n");
  EXPECT_EQ(t.Next(), "int");  // the rest of the line is never taken
  EXPECT_TRUE(t.BlockCommentOpenAtEnd());
  t.AssignNextLine("  int not_code;\n");
  EXPECT_EQ(t.Next(), "int");
  EXPECT_EQ(t.last_part(), TokenPart::kCommentText);
  t.Assign("x;\n");  // a plain Assign starts outside any comment
  EXPECT_EQ(t.Next(), "x");
  EXPECT_EQ(t.last_part(), TokenPart::kCode);
}

TEST(TokenizerTest, BlockCommentOpenAfterReadsLiteralsAndLineComments) {
  EXPECT_TRUE(BlockCommentOpenAfter("a /* b", false));
  EXPECT_FALSE(BlockCommentOpenAfter("a /* b */ c", false));
  EXPECT_FALSE(BlockCommentOpenAfter("x */ y", true));
  EXPECT_TRUE(BlockCommentOpenAfter("still inside", true));
  EXPECT_FALSE(BlockCommentOpenAfter("s = \"/*\";", false));
  EXPECT_FALSE(BlockCommentOpenAfter("c = '\\''; // /*", false));
  EXPECT_TRUE(BlockCommentOpenAfter("c = \"\\\\\"; /*", false));
  EXPECT_FALSE(BlockCommentOpenAfter("/*/", true));
}

TEST(TokenizerTest, NumbersAndSuffixes) {
  EXPECT_EQ(Tokens("10UL"), (V{"10", "UL"}));
  EXPECT_EQ(Tokens("0x1Fu"), (V{"0x1F", "u"}));
  EXPECT_EQ(Tokens("0X1F"), (V{"0", "X1F"}));
  EXPECT_EQ(Tokens("1.5e3 1.5f 2L"), (V{"1.5e3", "1.5f", "2", "L"}));
}

TEST(TokenizerTest, Comments) {
  EXPECT_EQ(Tokens("a /* c */ b\n"), (V{"a", "/* c */", "b", "\n"}));
  EXPECT_EQ(Tokens("a /* open\n"), (V{"a", "/* open", "\n"}));
  EXPECT_EQ(Tokens("x */ y\n"), (V{"x", "*/", "y", "\n"}));
  EXPECT_EQ(Tokens("a // rest */\n"), (V{"a", "// rest */", "\n"}));
  EXPECT_EQ(Tokens("/*/ x"), (V{"/*/ x"}));
  EXPECT_EQ(Tokens("a/b/=c"), (V{"a", "/", "b", "/", "=", "c"}));
}

TEST(TokenizerTest, LineEndsAndBlanks) {
  LineTokenizer t("   \n");
  EXPECT_EQ(t.Next(), "\n");
  EXPECT_EQ(t.Next(), "");
  EXPECT_EQ(t.Next(), "");
  EXPECT_TRUE(IsLineEnd("\n"));
  EXPECT_TRUE(IsLineEnd(""));
  EXPECT_FALSE(IsLineEnd(" "));
}

TEST(TokenizerTest, RestHoldsWhatFollowsTheToken) {
  LineTokenizer t("#define  MAX 10\n");
  EXPECT_EQ(t.Next(), "#");
  EXPECT_EQ(t.Next(), "define");
  EXPECT_EQ(t.Rest(), "  MAX 10\n");
}

TEST(TokenizerTest, IndentationWidth) {
  uint32_t indent = 7;
  LineTokenizer tab("\tx");
  EXPECT_EQ(tab.NextIndented(&indent), "x");
  EXPECT_EQ(indent, 4u | 0x80000000u);
  LineTokenizer spaces("  x");
  EXPECT_EQ(spaces.NextIndented(&indent), "x");
  EXPECT_EQ(indent, 2u | 0x80000000u);
  indent = 7;
  LineTokenizer none("x");
  EXPECT_EQ(none.NextIndented(&indent), "x");
  EXPECT_EQ(indent, 7u);
  // A full-width space is not white space: it is a Shift-JIS token.
  LineTokenizer wide("\x81\x40x");
  indent = 7;
  EXPECT_EQ(wide.NextIndented(&indent), "\x81\x40");
  EXPECT_EQ(indent, 7u);
}

TEST(TokenizerTest, ShiftJisRuns) {
  // "日本" is 93 FA 96 7B: one run, then the identifier.
  EXPECT_EQ(Tokens("\x93\xFA\x96\x7B" "abc"), (V{"\x93\xFA\x96\x7B", "abc"}));
  // A trail byte 0x5C ("\") inside a character never splits it.
  EXPECT_EQ(Tokens("\x95\x5C" "x"), (V{"\x95\x5C", "x"}));
  LineTokenizer bad("\x81" "ab\x81\x20");
  EXPECT_EQ(bad.Next(), "\x81" "a");
  EXPECT_EQ(bad.invalid_sjis_count(), 0);
  EXPECT_EQ(bad.Next(), "b");
  EXPECT_EQ(bad.Next(), "\x81\x20");
  EXPECT_EQ(bad.invalid_sjis_count(), 1);
  // A lead byte at the very end of the line is a token of its own.
  LineTokenizer end("x\x82");
  EXPECT_EQ(end.Next(), "x");
  EXPECT_EQ(end.Next(), "\x82");
  EXPECT_EQ(end.invalid_sjis_count(), 1);
  EXPECT_EQ(end.Next(), "");
}

TEST(TokenizerTest, NulEndsTheLine) {
  LineTokenizer t(std::string_view("ab\0cd", 5));
  EXPECT_EQ(t.Next(), "ab");
  EXPECT_EQ(t.Next(), "");
}

TEST(TokenizerTest, HostileLinesFinish) {
  std::string huge(100000, 'a');
  huge += " \x81";
  EXPECT_EQ(Tokens(huge).size(), 2u);
  std::string bytes;
  for (int i = 1; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  EXPECT_FALSE(Tokens(bytes).empty());
  EXPECT_FALSE(Tokens(bytes, true).empty());
  // The same bytes inside a block comment, and cut short after a lead byte
  // or a backslash: every call takes something or ends the line.
  for (const std::string& line : {bytes, std::string("/* \x81"), std::string("'\\"), std::string("\"\x81\\")}) {
    for (bool in_comment : {false, true}) {
      LineTokenizer t;
      t.Assign(line, in_comment);
      int taken = 0;
      for (std::string_view tok = t.Next(); !tok.empty() && taken < 1000; tok = t.Next()) ++taken;
      EXPECT_LT(taken, 1000);
      EXPECT_LE(t.Rest().size(), line.size());
    }
  }
}

}  // namespace
}  // namespace kv
