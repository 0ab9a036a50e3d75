// Which token before a "(" names a called function. Only a C identifier
// does: "/" of (max / (end - start)), "]" of tbl[i](x) or ")" of (*fp)(x)
// are no callee. Keywords are no identifiers, and the operators written
// like calls (sizeof, _Alignof, typeof, _Generic, offsetof and their GNU
// spellings) stay operators: their arguments are still read, but no call,
// no link and no placeholder page are recorded for them.
#pragma once

#include <string_view>

namespace kv {

bool IsCalleeName(std::string_view token);

// A string or character literal ("..." or '...'): a value, never a variable.
bool IsLiteralToken(std::string_view token);

// The letters a number's suffix is made of (u, l in either case): 10UL is
// read as 10 and UL.
bool IsNumberSuffix(std::string_view token);

// A word that can name a type: letters, digits and "_" (or Shift-JIS
// characters), not starting with a digit. Operators, punctuation, numbers
// and literals never are ("?" and ":" of a conditional, "|=").
bool IsWordToken(std::string_view token);

// A word that may be registered as a type name: a word token that is no C
// keyword, or a keyword that names a type (extern, return, sizeof never
// become type names).
bool IsTypeNameCandidate(std::string_view token);

}  // namespace kv
