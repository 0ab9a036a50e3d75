// #if and #elif conditions as C preprocessor constant expressions.
//
// `defined NAME` and `defined ( NAME )` are true when the define table has
// the name (as #ifdef decides); every other name is replaced by its value
// from the define table, looked up again while the value holds names (a name
// is not expanded inside its own value, and the depth is limited), and
// counts 0 when it is not defined. Numbers are integer literals in decimal,
// hexadecimal and octal with their suffixes, character constants, and the
// "%.10f" numbers the value folding writes (8.0000000000 reads as 8). The
// operators are C's with C's precedence, associativity, short-circuits and
// signed/unsigned arithmetic. A division by zero or a malformed condition
// makes the condition false; the status says why, for the log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "prepro/define_table.h"

namespace kv {

// A preprocessor number: 64-bit, signed unless a "u" suffix or the usual
// arithmetic conversions made it unsigned.
struct ConditionValue {
  uint64_t bits = 0;
  bool is_unsigned = false;

  static ConditionValue Signed(int64_t v) { return {static_cast<uint64_t>(v), false}; }
  bool IsTrue() const { return bits != 0; }
};

enum class ConditionStatus {
  kOk,
  kSyntaxError,    // not a constant expression (also an empty condition)
  kZeroDivide,     // "/" or "%" by zero where it is evaluated
  kTokenOver,      // more condition tokens than the token list holds
  kNestOver,       // parentheses, operators or macro values nested too deep
  kExpansionOver,  // macro values grew past the expansion limit
};

// The status as the log detail shows it ("Zero Divide", ...).
std::string_view ConditionStatusText(ConditionStatus status);

struct ConditionResult {
  bool value = false;  // false whenever status is not kOk
  ConditionStatus status = ConditionStatus::kOk;
};

// The condition text: what follows #if or #elif, continuation lines already
// joined; comments are skipped. `max_tokens` is the capacity of the
// condition token list.
ConditionResult EvaluateCondition(std::string_view condition, const DefineTable& table, size_t max_tokens);

// #elif takes the same evaluation as #if: 1 or 0.
inline int ElifCondition(std::string_view condition, const DefineTable& table, size_t max_tokens) {
  return EvaluateCondition(condition, table, max_tokens).value ? 1 : 0;
}

// CompareOperands: 1 or 0 for == != < <= > >= && ||, compared as unsigned
// when either side is unsigned; 0 for any other operator.
int CompareOperands(ConditionValue left, ConditionValue right, std::string_view op);

}  // namespace kv
