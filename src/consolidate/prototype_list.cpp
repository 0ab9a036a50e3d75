#include "consolidate/prototype_list.h"

#include "consolidate/record_walk.h"
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
  name_tab_.clear();
  head_name_.clear();
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string_view line = lines_[i];
    // emplace keeps the first line, and in it the first place, of each name.
    ForEachWholeIdentifier(line, "\t", [&](std::string_view name, size_t pos) {
      name_tab_.emplace(std::string(name), NameAt{i, pos});
    });
    const std::string_view head = TextBeforeParen(line);
    ForEachWholeIdentifier(head, {}, [&](std::string_view name, size_t pos) {
      if (pos > 0 && head[pos - 1] == '\t') head_name_.emplace(std::string(name), i);
    });
  }
}

std::optional<std::string> PrototypeList::ReturnTypeAt(size_t line, size_t pos) const {
  std::string type = lines_[line].substr(0, pos);
  if (!type.empty()) type.pop_back();
  return type;
}

std::optional<std::string> PrototypeList::ReturnType(std::string_view function) const {
  if (IsPlainIdentifier(function)) {
    auto it = name_tab_.find(function);
    if (it == name_tab_.end()) return std::nullopt;
    return ReturnTypeAt(it->second.line, it->second.pos);
  }
  for (size_t i = 0; i < lines_.size(); ++i) {
    const size_t pos = FindWholeName(lines_[i], function, "\t");
    if (pos != std::string_view::npos) return ReturnTypeAt(i, pos);
  }
  return std::nullopt;
}

const std::string* PrototypeList::Declaration(std::string_view call_name) const {
  if (IsPlainIdentifier(call_name)) {
    auto it = head_name_.find(call_name);
    return it == head_name_.end() ? nullptr : &lines_[it->second];
  }
  for (const std::string& line : lines_) {
    if (FindTabName(TextBeforeParen(line), call_name) != std::string_view::npos) return &line;
  }
  return nullptr;
}

}  // namespace kv
