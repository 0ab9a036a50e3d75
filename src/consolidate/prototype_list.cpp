#include "consolidate/prototype_list.h"

#include <algorithm>

#include "lex/name_match.h"
#include "platform/text_file.h"

namespace kv {
namespace {

// Where "\t" + name stands in `head` with the character after the name not a
// letter, digit or "_" (the tab itself passes the test of the character
// before); npos when nowhere.
size_t FindTabName(std::string_view head, std::string_view name) {
  for (size_t pos = FindWholeName(head, name); pos != std::string_view::npos;
       pos = FindWholeName(head, name, {}, pos + 1)) {
    if (pos > 0 && head[pos - 1] == '\t') return pos;
  }
  return std::string_view::npos;
}

}  // namespace

std::string_view TextBeforeParen(std::string_view text) { return text.substr(0, text.find('(')); }

std::string DeclarationText(std::string_view prototype) {
  std::string out;
  out.reserve(prototype.size());
  for (char c : prototype) {
    if (c == ';') continue;
    out.push_back(c == '\t' ? ' ' : c);
  }
  return out;
}

bool PrototypeList::Load(std::string_view path) {
  LineReader in;
  std::vector<std::string> lines;
  const bool ok = in.Open(path);
  std::string line;
  while (ok && in.ReadLineNoEol(line)) lines.push_back(line);
  Assign(std::move(lines));
  return ok;
}

void PrototypeList::Assign(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  name_paren_ = KeyIndex("\t(");
  head_name_ = KeyIndex("");
  for (uint32_t i = 0; i < count(); ++i) {
    const std::string_view line = lines_[i];
    name_paren_.Add(line, i);
    // Keys of the head: after each tab, every text up to a character that is
    // not a letter, digit or "_" (or the end of the head).
    const std::string_view head = TextBeforeParen(line);
    std::vector<std::string_view> keys;
    size_t budget = KeyBudget(head);
    for (size_t tab = head.find('\t'); tab != std::string_view::npos && budget > 0; tab = head.find('\t', tab + 1)) {
      const size_t start = tab + 1;
      const size_t last = std::min(head.size(), start + kMaxKeySize);
      for (size_t end = start + 1; end <= last && budget > 0; ++end) {
        if (end < head.size() && IsIdentifierChar(head[end])) continue;
        keys.push_back(head.substr(start, end - start));
        --budget;
      }
    }
    if (budget == 0) {
      head_name_.SetAside(i);
      continue;
    }
    for (std::string_view key : keys) head_name_.AddKey(key, i);
  }
}

std::optional<std::string> PrototypeList::ReturnType(std::string_view function) const {
  const int64_t line = name_paren_.FindFirst(function, count(), [&](uint32_t i, std::string_view key) {
    return ContainsWholeName(lines_[i], key, "\t(");
  });
  if (line < 0) return std::nullopt;
  const size_t pos = FindWholeName(lines_[line], function, "\t(");
  std::string type = lines_[line].substr(0, pos);
  if (!type.empty()) type.pop_back();
  return type;
}

const std::string* PrototypeList::Declaration(std::string_view call_name) const {
  const int64_t line = head_name_.FindFirst(call_name, count(), [&](uint32_t i, std::string_view key) {
    return FindTabName(TextBeforeParen(lines_[i]), key) != std::string_view::npos;
  });
  return line < 0 ? nullptr : &lines_[line];
}

bool DefinitionHeaders::Load(std::string_view path) {
  LineReader in;
  std::vector<std::string> lines;
  const bool ok = in.Open(path);
  std::string line;
  while (ok && in.ReadLineNoEol(line)) lines.push_back(line);
  Assign(std::move(lines));
  return ok;
}

void DefinitionHeaders::Assign(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  name_paren_ = KeyIndex("\t(");
  for (uint32_t i = 0; i < lines_.size(); ++i) name_paren_.Add(lines_[i], i);
}

const std::string* DefinitionHeaders::Header(std::string_view function) const {
  const std::vector<uint32_t> found =
      name_paren_.Find(function, static_cast<uint32_t>(lines_.size()), [&](uint32_t i, std::string_view key) {
        return ContainsWholeName(lines_[i], key, "\t(");
      });
  return found.empty() ? nullptr : &lines_[found.back()];
}

std::optional<std::string> DefinitionHeaders::ReturnType(std::string_view function) const {
  const std::string* header = Header(function);
  if (header == nullptr) return std::nullopt;
  const size_t pos = FindWholeName(*header, function, "\t(");
  if (pos == std::string::npos || pos == 0) return std::nullopt;
  return header->substr(0, pos - 1);
}

}  // namespace kv
