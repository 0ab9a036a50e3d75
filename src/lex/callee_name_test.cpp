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

// Only words become type names, and of the keywords only those naming a
// type; number suffixes are the letters u and l.
TEST(CalleeName, TypeNameCandidatesAndSuffixes) {
  for (const char* word : {"u8", "MYTYPE", "bool", "double", "\x8a\xd6"}) EXPECT_TRUE(IsTypeNameCandidate(word)) << word;
  for (const char* word : {"extern", "return", "sizeof", "?", ":", "|=", "1x", "\"s", ""})
    EXPECT_FALSE(IsTypeNameCandidate(word)) << word;
  for (const char* suffix : {"u", "UL", "ull", "LL"}) EXPECT_TRUE(IsNumberSuffix(suffix)) << suffix;
  for (const char* word : {"f", "ux", "", "ULLL"}) EXPECT_FALSE(IsNumberSuffix(word)) << word;
}

TEST(CalleeName, LiteralsAreQuotedTokens) {
  EXPECT_TRUE(IsLiteralToken("\"text"));
  EXPECT_TRUE(IsLiteralToken("'c'"));
  EXPECT_FALSE(IsLiteralToken("name"));
  EXPECT_FALSE(IsLiteralToken(""));
}

}  // namespace
}  // namespace kv
