#include "lex/name_match.h"

namespace kv {

bool IsIdentifierChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool StandsWholeAfter(std::string_view text, size_t pos) {
  if (pos == 0 || pos > text.size()) return pos == 0;
  char before = text[pos - 1];
  if (IsIdentifierChar(before) || before == '.') return false;
  return !(before == '>' && pos > 1 && text[pos - 2] == '-');
}

size_t FindWholeName(std::string_view text, std::string_view name, std::string_view suffix, size_t from) {
  if (name.empty()) return std::string_view::npos;
  const size_t key_size = name.size() + suffix.size();
  for (size_t pos = text.find(name, from); pos != std::string_view::npos; pos = text.find(name, pos + 1)) {
    if (text.size() - pos < key_size) return std::string_view::npos;
    if (text.substr(pos + name.size(), suffix.size()) != suffix) continue;
    if (!StandsWholeAfter(text, pos)) continue;
    if (suffix.empty() && pos + name.size() < text.size() && IsIdentifierChar(text[pos + name.size()])) continue;
    return pos;
  }
  return std::string_view::npos;
}

}  // namespace kv
