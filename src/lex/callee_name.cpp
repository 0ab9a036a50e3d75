#include "lex/callee_name.h"

#include <algorithm>
#include <array>

namespace kv {
namespace {

// C keywords (C23 included) and the compiler keywords met in embedded and
// GNU code that are followed by "(" without being calls (__at (0x80) of a
// small-device compiler places a variable). offsetof is a
// macro, but the macro of an operator: it names a member, not a function.
// Sorted (byte order) for the binary search.
constexpr std::array<std::string_view, 77> kNotCallees = {
    "_Alignas",     "_Alignof",      "_Atomic",     "_BitInt",       "_Bool",
    "_Complex",     "_Decimal128",   "_Decimal32",  "_Decimal64",    "_Generic",
    "_Imaginary",   "_Noreturn",     "_Pragma",     "_Static_assert", "_Thread_local",
    "__alignof",    "__alignof__",   "__asm",       "__asm__",       "__at",          "__attribute",
    "__attribute__", "__builtin_offsetof", "__builtin_types_compatible_p", "__builtin_va_arg", "__declspec",
    "__extension__", "__typeof",     "__typeof__",  "__typeof_unqual__", "alignas",
    "alignof",      "asm",           "auto",        "bool",          "break",
    "case",         "char",          "const",       "constexpr",     "continue",
    "default",      "do",            "double",      "else",          "enum",
    "extern",       "false",         "float",       "for",           "goto",
    "if",           "inline",        "int",         "long",          "nullptr",
    "offsetof",     "register",      "restrict",    "return",        "short",
    "signed",       "sizeof",        "static",      "static_assert", "struct",
    "switch",       "thread_local",  "true",        "typedef",       "typeof",
    "typeof_unqual", "union",        "unsigned",    "void",          "volatile",
    "while",
};

bool IsIdentifierStart(char c) { return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsIdentifierChar(char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }

}  // namespace

bool IsCalleeName(std::string_view token) {
  if (token.empty() || !IsIdentifierStart(token[0])) return false;
  if (!std::all_of(token.begin(), token.end(), IsIdentifierChar)) return false;
  return !std::binary_search(kNotCallees.begin(), kNotCallees.end(), token);
}

bool IsLiteralToken(std::string_view token) { return !token.empty() && (token[0] == '"' || token[0] == '\''); }

bool IsWordToken(std::string_view token) {
  if (token.empty() || (token[0] >= '0' && token[0] <= '9')) return false;
  return std::all_of(token.begin(), token.end(),
                     [](char c) { return IsIdentifierChar(c) || static_cast<unsigned char>(c) >= 0x80; });
}

bool IsTypeNameCandidate(std::string_view token) {
  if (!IsWordToken(token)) return false;
  if (!std::binary_search(kNotCallees.begin(), kNotCallees.end(), token)) return true;
  // Keywords that name types are type names all the same.
  static constexpr std::string_view kTypeKeywords[] = {"_Bool", "_Complex", "bool", "char", "double",
                                                       "float", "int", "long", "short", "signed",
                                                       "unsigned", "void"};
  return std::find(std::begin(kTypeKeywords), std::end(kTypeKeywords), token) != std::end(kTypeKeywords);
}

bool IsNumberSuffix(std::string_view token) {
  return !token.empty() && token.size() <= 3 &&
         token.find_first_not_of("uUlL") == std::string_view::npos;
}

}  // namespace kv
