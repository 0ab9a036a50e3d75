// ClassifyToken and its declaration twin: the kind number of a token.
#pragma once

#include <string_view>

#include "lex/keyword_tables.h"
#include "lex/token_kind.h"

namespace kv {

TokenKind ClassifyToken(std::string_view token, const TypeNameTable& types);

// As ClassifyToken, without the "->" and "//" tests, and with the base types
// (kind 26) tested between the qualifiers and the type names.
TokenKind ClassifyDeclToken(std::string_view token, const TypeNameTable& types);

}  // namespace kv
