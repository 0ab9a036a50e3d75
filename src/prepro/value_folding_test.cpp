#include "prepro/value_folding.h"

#include <gtest/gtest.h>

#include "lex/tokenizer.h"

namespace kv {
namespace {

class FoldTest : public ::testing::Test {
 protected:
  // The value as NextToken cuts it, folded, joined by blanks.
  std::string Fold(std::string_view value) {
    LineTokenizer tokenizer(value);
    std::vector<std::string> tokens;
    for (std::string_view t = tokenizer.Next(); !IsLineEnd(t); t = tokenizer.Next()) tokens.emplace_back(t);
    FoldValue(tokens, types_, log_);
    std::string out;
    for (const std::string& t : tokens) out += (out.empty() ? "" : " ") + t;
    return out;
  }

  TypeNameTable types_;  // the start-up names: UCHAR, ULONG, ... but not u2
  std::vector<std::string> logged_;
  PreproLogFn log_ = [this](std::string_view text, std::string_view detail) {
    logged_.push_back(std::string(text) + " : " + std::string(detail));
  };
};

TEST_F(FoldTest, ParenthesisedArithmeticGetsTenDecimals) {
  EXPECT_EQ(Fold("( 4 * 2 )"), "8.0000000000");
  EXPECT_EQ(Fold("( 1 + 2 * 3 )"), "7.0000000000");
  EXPECT_EQ(Fold("( 1 << 4 )"), "16.0000000000");
  EXPECT_EQ(Fold("( 10 / 4 )"), "2.5000000000");
  EXPECT_EQ(Fold("( ( 1 - 5 ) * 2 )"), "-8.0000000000");
  EXPECT_EQ(Fold("( 0x0F | 0x30 )"), "63.0000000000");
  EXPECT_EQ(Fold("( 0x0F ^ 0x03 )"), "12.0000000000");
  EXPECT_EQ(Fold("( -1 | 0 )"), "( - 1.0000000000 )");  // a unary minus is not folded
  EXPECT_EQ(Fold("( 1 - 2 | 0 )"), "4294967295.0000000000");
}

TEST_F(FoldTest, WithoutParenthesesNothingFolds) {
  EXPECT_EQ(Fold("4 * 2"), "4 * 2");
  EXPECT_EQ(Fold("10"), "10");
  EXPECT_EQ(Fold("( 10 )"), "10");
  EXPECT_EQ(Fold("0x10"), "0x10");
}

// One precedence level for + - | & ^, taken left to right; shifts last.
TEST_F(FoldTest, PassesKeepTheirFixedOrder) {
  EXPECT_EQ(Fold("( 2 | 1 + 1 )"), "4.0000000000");
  EXPECT_EQ(Fold("( 1 + 2 << 1 )"), "6.0000000000");
  EXPECT_EQ(Fold("( 8 / 2 / 2 )"), "2.0000000000");
}

TEST_F(FoldTest, CastsFollowTheTypeNameTable) {
  EXPECT_EQ(Fold("( UCHAR ) 300"), "300.0000000000");
  EXPECT_EQ(Fold("( UCHAR ) ( 4 * 2 )"), "8.0000000000");
  EXPECT_EQ(Fold("( u2 ) 300"), "u2 300");  // not a type name in a fresh process
  types_.FindOrAdd("u2");
  types_.FindOrAdd("F4");
  EXPECT_EQ(Fold("( u2 ) 300"), "300");
  EXPECT_EQ(Fold("( F4 ) 1.5"), "1");
  EXPECT_EQ(Fold("( u2 ) 0x10"), "16");
  EXPECT_EQ(Fold("( UCHAR * ) 5"), "5");
  EXPECT_EQ(Fold("( u2 ) + 1"), "( u2 ) + 1");
}

TEST_F(FoldTest, ComplementUsesIntegerForm) { EXPECT_EQ(Fold("( ~ 5 )"), "-6"); }

TEST_F(FoldTest, WhatCannotFoldKeepsItsParentheses) {
  EXPECT_EQ(Fold("( - 5 )"), "( - 5 )");
  EXPECT_EQ(Fold("( EMPTY + 1 )"), "( EMPTY + 1 )");
  EXPECT_EQ(Fold("( ( - 5 ) * 2 )"), "( ( - 5 ) * 2 )");
  EXPECT_EQ(Fold("( 1 + - 2 )"), "( 1 + - 2 )");
  EXPECT_EQ(Fold("( 1 % 2 )"), "( 1 % 2 )");
  EXPECT_EQ(Fold("( )"), "( )");
  EXPECT_EQ(Fold(") 1 + 2 ("), ") 1 + 2 (");
  EXPECT_TRUE(logged_.empty());
}

TEST_F(FoldTest, DivisionByZeroIsNotFoldedAndLogged) {
  EXPECT_EQ(Fold("( 1 / 0 )"), "( 1 / 0 )");
  ASSERT_EQ(logged_.size(), 1u);
  EXPECT_EQ(logged_[0], "Zero Divide : FoldValue");
}

TEST_F(FoldTest, ApplyOperatorAndFormatCast) {
  EXPECT_DOUBLE_EQ(ApplyOperator("0x10", "2", "*"), 32.0);
  EXPECT_DOUBLE_EQ(ApplyOperator("0.", "7", "+"), 7.0);
  EXPECT_DOUBLE_EQ(ApplyOperator("1", "33", "<<"), 2.0);  // shift count masked to 0-31
  EXPECT_DOUBLE_EQ(ApplyOperator("1", "9", "%"), 9.0);    // other operators give the right operand
  std::string out;
  EXPECT_TRUE(FormatCast("S2", "0x20", out));
  EXPECT_EQ(out, "32");
  EXPECT_FALSE(FormatCast("MYTYPE", "3", out));
  EXPECT_EQ(out, "3.0000000000");
}

TEST_F(FoldTest, FoldEntryRebuildsTheEntry) {
  EXPECT_EQ(FoldEntry("NEXT\t(\t4\t+\t1\t)\t", types_, log_), "NEXT\t5.0000000000\t");
  EXPECT_EQ(FoldEntry("FLAG\t", types_, log_), "FLAG\t");
}

}  // namespace
}  // namespace kv
