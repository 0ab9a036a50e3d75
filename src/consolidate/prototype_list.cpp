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

// The lines of a list file, without their line ends; false (and no lines)
// when it cannot be read.
bool ReadLines(std::string_view path, std::vector<std::string>& lines) {
  LineReader in;
  if (!in.Open(path)) return false;
  std::string line;
  while (in.ReadLineNoEol(line)) lines.push_back(line);
  return true;
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
  std::vector<std::string> lines;
  const bool ok = ReadLines(path, lines);
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
  std::vector<std::string> lines;
  const bool ok = ReadLines(path, lines);
  Assign(std::move(lines));
  return ok;
}

void DefinitionHeaders::Assign(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  name_paren_ = KeyIndex("\t(");
  for (uint32_t i = 0; i < lines_.size(); ++i) name_paren_.Add(lines_[i], i);
}

namespace {

// Where the function's own name stands in a header line: followed by a tab
// and "(", outside every parenthesis (rcu_get_root( inside another
// function's __releases(...) does not count); npos when nowhere.
size_t NameInHeader(std::string_view header, std::string_view function) {
  for (size_t pos = FindWholeName(header, function, "\t("); pos != std::string_view::npos;
       pos = FindWholeName(header, function, "\t(", pos + 1)) {
    const std::string_view before = header.substr(0, pos);
    if (std::count(before.begin(), before.end(), '(') == std::count(before.begin(), before.end(), ')')) return pos;
  }
  return std::string_view::npos;
}

// The header's text before the name less what a macro invocation left in
// front of the declaration when nothing ended it (NOKPROBE_SYMBOL(f) static
// void): leading NAME ( … ) groups, as long as a type follows them.
std::string WithoutLeadingInvocations(std::string_view type) {
  std::vector<std::string_view> fields;
  for (size_t start = 0; start <= type.size();) {
    const size_t tab = type.find('\t', start);
    const size_t end = tab == std::string_view::npos ? type.size() : tab;
    fields.push_back(type.substr(start, end - start));
    start = end + 1;
  }
  size_t first = 0;
  while (first + 1 < fields.size() && fields[first + 1] == "(" && !fields[first].empty() &&
         IsIdentifierChar(fields[first][0])) {
    int depth = 0;
    size_t close = first + 1;
    for (; close < fields.size(); ++close) {
      if (fields[close] == "(") ++depth;
      if (fields[close] == ")" && --depth == 0) break;
    }
    if (close + 1 >= fields.size()) break;
    first = close + 1;
  }
  std::string out;
  for (size_t i = first; i < fields.size(); ++i) {
    if (i > first) out += '\t';
    out += fields[i];
  }
  return out;
}

}  // namespace

const std::string* DefinitionHeaders::Header(std::string_view function, int nth) const {
  const std::vector<uint32_t> found =
      name_paren_.Find(function, static_cast<uint32_t>(lines_.size()), [&](uint32_t i, std::string_view key) {
        return ContainsWholeName(lines_[i], key, "\t(");
      });
  if (nth >= 0) {
    for (uint32_t i : found)
      if (NameInHeader(lines_[i], function) != std::string_view::npos && nth-- == 0) return &lines_[i];
    return nullptr;
  }
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    if (NameInHeader(lines_[*it], function) != std::string_view::npos) return &lines_[*it];
  }
  return nullptr;
}

std::optional<std::string> DefinitionHeaders::ReturnType(std::string_view function, int nth) const {
  const std::string* header = Header(function, nth);
  if (header == nullptr) return std::nullopt;
  const size_t pos = NameInHeader(*header, function);
  if (pos == std::string::npos || pos == 0) return std::nullopt;
  return WithoutLeadingInvocations(std::string_view(*header).substr(0, pos - 1));
}

}  // namespace kv
