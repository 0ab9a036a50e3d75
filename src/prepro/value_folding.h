// Folding of #define values into numbers.
//
// This is not an expression evaluator: it is a token-list rewriter that works
// left to right, driven by closing parentheses, with three fixed operator
// passes. Its results have a fixed text form that users read in the
// definition files and pages: arithmetic with "%.10f" (so "( 4 * 2 )" is
// recorded as 8.0000000000), integer conversions with "%d". A value without
// parentheses is not folded ("4 * 2" stays three tokens).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lex/keyword_tables.h"
#include "prepro/define_table.h"

namespace kv {

// CastTypeTable: the fixed-width type names whose casts give "%d" integers.
extern const std::vector<std::string_view> kCastTypeTable;

// A value token as a number: "0x.." with the integer conversion, "0." as
// zero, anything else with the decimal conversion (text that is not a number
// counts 0).
double TokenToNumber(std::string_view token);

// "%.10f" and "%d".
std::string FormatFixed10(double value);
std::string FormatInt(long long value);

// ApplyOperator: + - * / in double arithmetic; | & ^ on the operands
// truncated to 32-bit integers, << >> on the left operand as an unsigned
// 32-bit integer shifted by the right masked to 0-31 (the integer results as
// their unsigned 32-bit value); any other operator gives the right operand.
double ApplyOperator(std::string_view left, std::string_view right, std::string_view op);

// FormatCast: a hexadecimal value is first made decimal with "%d"; a type of
// CastTypeTable gives the value as a "%d" integer (true), any other type the
// value as "%.10f" (false).
bool FormatCast(std::string_view type, std::string_view value, std::string& out);

// FoldValue: folds the value tokens of a definition in place (the line end
// is not part of `tokens`). Groups are folded at each ")" from the left:
//   ( X )            -> X, and a cast directly before it is applied;
//   ( TYPE ) number  -> FormatCast(TYPE, number);
//   ( TYPE * )       -> removed (pointer cast);
//   ( ~ number )     -> the complement, "%d";
//   anything else    -> passes "* /", then "+ - | & ^", then "<< >>", each
//                       left to right, every "number op number" replaced by
//                       ApplyOperator in "%.10f"; then the group is looked at
//                       again, so a group that became one token loses its
//                       parentheses.
// Only numbers are operands: a group that keeps a name, a unary sign or an
// unreduced inner group keeps what could not be folded, with its
// parentheses. A division by zero is not folded (logged). The backward search
// for "(" and each pass give up after 65536 steps with a log entry.
void FoldValue(std::vector<std::string>& tokens, const TypeNameTable& types, const PreproLogFn& log);

// FoldEntry: FoldValue on the value part of a define-table entry; the entry
// rebuilt as name, tab, tokens each followed by a tab.
std::string FoldEntry(std::string_view entry, const TypeNameTable& types, const PreproLogFn& log);

}  // namespace kv
