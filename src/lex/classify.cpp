#include "lex/classify.h"

namespace kv {
namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// The exact-match tests at the head of both classifiers (without "->").
TokenKind ClassifyPunctuation(std::string_view t) {
  if (t.size() == 1) {
    switch (t[0]) {
      case '(': return kKindOpenParen;
      case ')': return kKindCloseParen;
      case ';': return kKindSemicolon;
      case '{': return kKindOpenBrace;
      case '}': return kKindCloseBrace;
      case '[': return kKindOpenBracket;
      case ']': return kKindCloseBracket;
      case '=': return kKindAssignment;
      case '#': return kKindHash;
      case '\\': return kKindBackslash;
      case '.': return kKindDot;
      case ',': return kKindComma;
      default: return kKindEmpty;
    }
  }
  if (t == "+=" || t == "-=" || t == "*=" || t == "/=") return kKindAssignment;
  if (t == "++") return kKindIncrement;
  if (t == "--") return kKindDecrement;
  return kKindEmpty;
}

TokenKind ClassifyCommentAndWords(std::string_view t, const TypeNameTable& types, bool line_comment_test,
                                  bool base_types) {
  if (line_comment_test && t.find("//") != std::string_view::npos) return kKindComment;
  if (t.find("/*") != std::string_view::npos) {
    return t.size() > 2 && t.find("*/", 2) != std::string_view::npos ? kKindComment : kKindCommentOpen;
  }
  if (t.find("*/") != std::string_view::npos) return kKindCommentClose;
  if (InTable(kQualifierTable, t)) return kKindQualifier;
  if (base_types && InTable(kBaseTypeTable, t)) return kKindBaseType;
  if (types.Contains(t)) return kKindTypeName;
  if (t[0] >= '0' && t[0] <= '9') {
    if (t.size() > 2 && t[0] == '0' && t[1] == 'x' && IsHexDigit(t[2])) return kKindHexNumber;
    return kKindNumber;
  }
  if (InTable(kComparisonOperatorTable, t)) return kKindComparison;
  if (InTable(kArithmeticOperatorTable, t)) return kKindOperator;
  if (InTable(kStatementKeywordTable, t)) return kKindStatementKeyword;
  return kKindIdentifier;
}

bool IsCommentKind(TokenKind k) { return k == kKindCommentOpen || k == kKindCommentClose || k == kKindComment; }

TokenKind ClassifyByPart(const LineTokenizer& line, std::string_view token, const TypeNameTable& types, bool decl) {
  switch (line.last_part()) {
    case TokenPart::kCommentOpen: return kKindCommentOpen;
    case TokenPart::kCommentText: return kKindCommentText;
    case TokenPart::kCommentClose: return kKindCommentClose;
    case TokenPart::kComment: return kKindComment;
    case TokenPart::kLiteral:
    case TokenPart::kCode: break;
  }
  TokenKind k = decl ? ClassifyDeclToken(token, types) : ClassifyToken(token, types);
  if (line.last_part() == TokenPart::kLiteral && IsCommentKind(k)) return kKindIdentifier;
  return k;
}

}  // namespace

TokenKind ClassifyLineToken(const LineTokenizer& line, std::string_view token, const TypeNameTable& types) {
  return ClassifyByPart(line, token, types, false);
}

TokenKind ClassifyLineDeclToken(const LineTokenizer& line, std::string_view token, const TypeNameTable& types) {
  return ClassifyByPart(line, token, types, true);
}

TokenKind ClassifyToken(std::string_view token, const TypeNameTable& types) {
  if (token.empty()) return kKindEmpty;
  TokenKind k = ClassifyPunctuation(token);
  if (k != kKindEmpty) return k;
  if (token == "->") return kKindArrow;
  return ClassifyCommentAndWords(token, types, true, false);
}

TokenKind ClassifyDeclToken(std::string_view token, const TypeNameTable& types) {
  if (token.empty()) return kKindEmpty;
  TokenKind k = ClassifyPunctuation(token);
  if (k != kKindEmpty) return k;
  return ClassifyCommentAndWords(token, types, false, true);
}

}  // namespace kv
