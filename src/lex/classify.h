// ClassifyToken and its declaration twin: the kind number of a token.
#pragma once

#include <string_view>

#include "lex/keyword_tables.h"
#include "lex/token_kind.h"
#include "lex/tokenizer.h"

namespace kv {

TokenKind ClassifyToken(std::string_view token, const TypeNameTable& types);

// As ClassifyToken, without the "->" and "//" tests, and with the base types
// (kind 26) tested between the qualifiers and the type names.
TokenKind ClassifyDeclToken(std::string_view token, const TypeNameTable& types);

// The kind of the token just taken from `line`, knowing where it stood: a
// comment part by its place (an opening that goes on 17, its closing "*/"
// 18, a whole comment 19, a word of comment text 28), whatever its bytes
// hold; a literal never a comment kind (a "/*" between quotes opens
// nothing); anything else as ClassifyToken / ClassifyDeclToken.
TokenKind ClassifyLineToken(const LineTokenizer& line, std::string_view token, const TypeNameTable& types);
TokenKind ClassifyLineDeclToken(const LineTokenizer& line, std::string_view token, const TypeNameTable& types);

}  // namespace kv
