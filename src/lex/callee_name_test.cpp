#include "lex/callee_name.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(CalleeName, OnlyIdentifiersThatAreNoKeywordsOrOperators) {
  for (const char* name : {"foo", "_start", "Init2", "DBG", "va_arg", "__builtin_memcpy", "sizeof_buf", "x"})
    EXPECT_TRUE(IsCalleeName(name)) << name;
  for (const char* name : {"sizeof", "_Alignof", "alignof", "__alignof__", "typeof", "__typeof__", "_Generic",
                           "__builtin_offsetof", "offsetof", "if", "while", "return", "switch", "__attribute__",
                           "asm", "void", "int"})
    EXPECT_FALSE(IsCalleeName(name)) << name;
  for (const char* token : {"/", "]", ")", "->", "2x", "\"f\"", "'c'", "", "a.b", "p->f", "\x8a\xd6\x90\x94"})
    EXPECT_FALSE(IsCalleeName(token)) << token;
}

TEST(CalleeName, LiteralsAreQuotedTokens) {
  EXPECT_TRUE(IsLiteralToken("\"text"));
  EXPECT_TRUE(IsLiteralToken("'c'"));
  EXPECT_FALSE(IsLiteralToken("name"));
  EXPECT_FALSE(IsLiteralToken(""));
}

}  // namespace
}  // namespace kv
