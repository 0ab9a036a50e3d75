// The token kinds ClassifyToken gives. The numbers are shared by every stage
// and appear in their state tables, so they are plain ints.
#pragma once

namespace kv {

enum TokenKind : int {
  kKindQualifier = 1,        // static const volatile unsigned signed
  kKindTypeName = 2,         // an entry of the type-name table
  kKindNumber = 3,           // starts with a digit
  kKindHexNumber = 4,        // "0x" and a hex digit, longer than two
  kKindComparison = 5,       // == || && != <= >= < > >> << >>= <<=
  kKindOperator = 6,         // & | + - / * ! ~ ^
  kKindIdentifier = 7,       // anything not matched otherwise
  kKindOpenParen = 8,
  kKindCloseParen = 9,
  kKindOpenBrace = 10,
  kKindCloseBrace = 11,
  kKindOpenBracket = 12,
  kKindCloseBracket = 13,
  kKindSemicolon = 14,
  kKindHash = 15,
  kKindAssignment = 16,      // = += -= *= /=
  kKindCommentOpen = 17,     // "/*" not closed in this token
  kKindCommentClose = 18,    // "*/" without "/*"
  kKindComment = 19,         // "//..." or a closed "/* */"
  kKindStatementKeyword = 20,
  kKindBackslash = 21,
  kKindDot = 22,
  kKindComma = 23,
  kKindIncrement = 24,
  kKindDecrement = 25,
  kKindBaseType = 26,        // ClassifyDeclToken only
  kKindArrow = 27,
  kKindCommentText = 28,     // a word inside a block comment begun on an earlier line
  kKindEmpty = 99,
};

}  // namespace kv
