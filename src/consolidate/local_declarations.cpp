#include "consolidate/local_declarations.h"

#include "lex/name_match.h"

namespace kv {
namespace {

bool IsNameStart(char c) { return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string_view LeadingName(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && std::string_view("*&(!-~+ ").find(text[start]) != std::string_view::npos) ++start;
  if (start >= text.size() || !IsNameStart(text[start])) return {};
  size_t end = start;
  while (end < text.size() && IsIdentifierChar(text[end])) ++end;
  return text.substr(start, end - start);
}

}  // namespace

std::string_view DeclaredName(std::string_view declaration) {
  if (declaration == "void" || declaration == "NONE") return {};
  if (declaration.rfind("struct ", 0) == 0 || declaration.rfind("union ", 0) == 0) return {};
  while (!declaration.empty() && declaration.back() == '\t') declaration.remove_suffix(1);
  const size_t tab = declaration.rfind('\t');
  return LeadingName(tab == std::string_view::npos ? declaration : declaration.substr(tab + 1));
}

std::string_view EntryBase(std::string_view entry) { return LeadingName(entry); }

void LocalDeclarations::Add(std::string_view declaration) {
  const std::string_view name = DeclaredName(declaration);
  if (name.empty()) return;
  names_.emplace(name);
  // The type's fields before the name: struct or union among them.
  const std::string_view type = declaration.substr(0, declaration.rfind(name));
  if (FindWholeName(type, "struct") != std::string_view::npos || FindWholeName(type, "union") != std::string_view::npos)
    aggregates_.emplace(name);
}

bool LocalDeclarations::DeclaresAggregate(std::string_view entry) const {
  const std::string_view base = EntryBase(entry);
  return !base.empty() && aggregates_.count(std::string(base)) != 0;
}

bool LocalDeclarations::Declares(std::string_view entry) const {
  const std::string_view base = EntryBase(entry);
  return !base.empty() && names_.count(std::string(base)) != 0;
}

}  // namespace kv
