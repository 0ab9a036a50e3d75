#include "prepro/condition_eval.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

class ConditionTest : public ::testing::Test {
 protected:
  void Define(const std::string& entry) { ASSERT_TRUE(table_.Append(entry)); }
  ConditionResult Eval(std::string_view text, size_t max_tokens = 1000) {
    return EvaluateCondition(text, table_, max_tokens);
  }
  bool True(std::string_view text) {
    ConditionResult r = Eval(text);
    EXPECT_EQ(r.status, ConditionStatus::kOk) << text;
    return r.value;
  }
  ConditionStatus StatusOf(std::string_view text) {
    ConditionResult r = Eval(text);
    EXPECT_FALSE(r.value) << text;
    return r.status;
  }

  DefineTable table_;
};

TEST_F(ConditionTest, NonZeroIsTrue) {
  EXPECT_TRUE(True("1\n"));
  EXPECT_TRUE(True("2\n"));
  EXPECT_FALSE(True("0\n"));
  EXPECT_TRUE(True("-1"));
}

TEST_F(ConditionTest, DefinedFormsFollowTheTable) {
  Define("FOO\t1\t");
  Define("EMPTY\t");
  EXPECT_TRUE(True("defined(FOO)"));
  EXPECT_TRUE(True("defined FOO"));
  EXPECT_TRUE(True("defined ( EMPTY )"));
  EXPECT_FALSE(True("!defined(FOO)"));
  EXPECT_TRUE(True("!defined(BAR)"));
  EXPECT_FALSE(True("defined(BAR)"));
  EXPECT_FALSE(True("defined(FOO) && 0"));
  EXPECT_TRUE(True("defined(BAR) || defined FOO"));
}

TEST_F(ConditionTest, NamesTakeTheirValuesAndUndefinedNamesAreZero) {
  Define("ONE\t1\t");
  Define("ZERO\t0\t");
  EXPECT_TRUE(True("ONE"));
  EXPECT_FALSE(True("ZERO"));
  EXPECT_FALSE(True("UNDEFINED"));
  EXPECT_TRUE(True("!UNDEFINED"));
  EXPECT_TRUE(True("UNDEFINED == 0"));
}

TEST_F(ConditionTest, ValuesAreLookedUpAgainAndRecordedFormsRead) {
  Define("A\tB\t");
  Define("B\tC\t");
  Define("C\t5\t");
  Define("PRODUCT\t4\t*\t2\t");         // recorded unfolded: no parentheses
  Define("FOLDED\t8.0000000000\t");     // recorded by the folding
  Define("LONGVAL\t10\tL\t");           // the tokenizer split 10L
  Define("CH\t'A\t");                   // the tokenizer dropped the closing quote
  EXPECT_TRUE(True("A == 5"));
  EXPECT_TRUE(True("PRODUCT == 8"));
  EXPECT_TRUE(True("FOLDED == 8"));
  EXPECT_TRUE(True("LONGVAL == 10"));
  EXPECT_TRUE(True("CH == 65"));
}

TEST_F(ConditionTest, SelfReferenceEndsAsZero) {
  Define("SELF\tSELF\t");
  Define("PING\tPONG\t");
  Define("PONG\tPING\t");
  EXPECT_FALSE(True("SELF"));
  EXPECT_FALSE(True("PING"));
  EXPECT_TRUE(True("SELF + 1 == 1"));
}

TEST_F(ConditionTest, LiteralsInEveryBase) {
  Define("VER\t0x10\t");
  EXPECT_TRUE(True("VER >= 3"));
  EXPECT_TRUE(True("0x10 == 16"));
  EXPECT_TRUE(True("0X1F == 31"));
  EXPECT_TRUE(True("010 == 8"));
  EXPECT_TRUE(True("0 == 0x0"));
  EXPECT_TRUE(True("10UL == 10 && 0x1Fu == 31 && 5ll == 5 && 7LLU == 7"));
  EXPECT_TRUE(True("'A' == 65 && '\\n' == 10 && '\\x41' == 65 && '\\101' == 65 && '\\'' == 39"));
  EXPECT_TRUE(True("'\\377' < 0"));  // plain char is signed
  EXPECT_EQ(StatusOf("08"), ConditionStatus::kSyntaxError);
  EXPECT_EQ(StatusOf("10UU"), ConditionStatus::kSyntaxError);
  EXPECT_EQ(StatusOf("99999999999999999999999"), ConditionStatus::kSyntaxError);
}

TEST_F(ConditionTest, OperatorsFollowCPrecedence) {
  Define("A\t0\t");
  Define("B\t2\t");
  EXPECT_TRUE(True("1 + 2 * 3 == 7"));
  EXPECT_TRUE(True("A || B == 2"));          // || binds after ==
  EXPECT_TRUE(True("1 << 2 + 1 == 8"));
  EXPECT_TRUE(True("(7 & 3 | 8) == 11"));
  EXPECT_TRUE(True("(6 ^ 3) == 5"));
  EXPECT_TRUE(True("10 - 4 - 3 == 3"));      // left to right
  EXPECT_TRUE(True("-7 / 2 == -3 && -7 % 2 == -1"));
  EXPECT_TRUE(True("~0 == -1 && !0 && +1"));
  EXPECT_TRUE(True("(1 ? 2 : 3) == 2"));
  EXPECT_TRUE(True("(0 ? 1 : 0 ? 3 : 4) == 4"));  // ?: groups to the right
  EXPECT_TRUE(True("1 < 2 == 1"));
  EXPECT_TRUE(True("-1 >> 1 == -1 && 1 << 62 > 0"));
}

TEST_F(ConditionTest, UnsignedOperandsCompareUnsigned) {
  EXPECT_TRUE(True("-1 < 0"));
  EXPECT_FALSE(True("-1 < 0u"));
  EXPECT_TRUE(True("0xFFFFFFFFFFFFFFFF > 0"));
}

TEST_F(ConditionTest, DivisionByZeroIsFalseUnlessNotEvaluated) {
  EXPECT_EQ(StatusOf("1 / 0"), ConditionStatus::kZeroDivide);
  EXPECT_EQ(StatusOf("1 % UNDEFINED"), ConditionStatus::kZeroDivide);
  EXPECT_FALSE(True("0 && 1 / 0"));
  EXPECT_TRUE(True("1 || 1 / 0"));
  EXPECT_TRUE(True("1 ? 1 : 1 / 0"));
}

TEST_F(ConditionTest, MalformedConditionsAreFalse) {
  for (std::string_view text : {"", "\n", "1 +", "(1", "1)", "1 2", "\"str\"", "defined", "defined(", "defined()",
                                "A = 1", "1 ? 2", "#", "1 \\ 2", "$x"}) {
    EXPECT_EQ(StatusOf(text), ConditionStatus::kSyntaxError) << text;
  }
}

TEST_F(ConditionTest, CommentsAreSkipped) {
  EXPECT_TRUE(True("1 /* c */ && /* d */ 1 // tail"));
  EXPECT_TRUE(True("1 /* unclosed"));
}

TEST_F(ConditionTest, LimitsEndTheEvaluationQuickly) {
  EXPECT_EQ(Eval("1 + 1 + 1", 3).status, ConditionStatus::kTokenOver);
  const size_t room = 100000;
  EXPECT_EQ(Eval(std::string(5000, '(') + "1" + std::string(5000, ')'), room).status, ConditionStatus::kNestOver);
  EXPECT_EQ(Eval(std::string(5000, '!') + "1", room).status, ConditionStatus::kNestOver);
  std::string chain;
  for (int i = 0; i < 2000; ++i) chain += "1 ? ";
  EXPECT_EQ(Eval(chain + "1", room).status, ConditionStatus::kNestOver);

  // Each name doubles the one before: far past any limit when expanded.
  Define("E\t");
  Define("D0\tE\tE\tE\tE\t");
  for (int i = 1; i < 40; ++i)
    Define("D" + std::to_string(i) + "\tD" + std::to_string(i - 1) + "\tD" + std::to_string(i - 1) + "\t");
  EXPECT_EQ(StatusOf("D39"), ConditionStatus::kExpansionOver);
}

TEST(CompareOperandsTest, ComparesSignedOrUnsigned) {
  ConditionValue minus_one = ConditionValue::Signed(-1);
  ConditionValue zero = ConditionValue::Signed(0);
  ConditionValue zero_u{0, true};
  EXPECT_EQ(CompareOperands(minus_one, zero, "<"), 1);
  EXPECT_EQ(CompareOperands(minus_one, zero_u, "<"), 0);
  EXPECT_EQ(CompareOperands(minus_one, zero, "||"), 1);
  EXPECT_EQ(CompareOperands(minus_one, zero, "&&"), 0);
  EXPECT_EQ(CompareOperands(zero, zero, "+"), 0);
}

}  // namespace
}  // namespace kv
