#include "prepro/define_table.h"

#include <algorithm>
#include <iterator>

#include "lex/classify.h"
#include "lex/tokenizer.h"

namespace kv {

std::string_view EntryName(std::string_view entry) {
  size_t tab = entry.find('\t');
  return tab == std::string_view::npos ? std::string_view() : entry.substr(0, tab);
}

std::vector<std::string> EntryValueTokens(std::string_view entry) {
  std::vector<std::string> tokens;
  size_t tab = entry.find('\t');
  if (tab == std::string_view::npos) return tokens;
  size_t pos = tab + 1;
  while (pos < entry.size()) {
    size_t next = entry.find('\t', pos);
    if (next == std::string_view::npos) {
      tokens.emplace_back(entry.substr(pos));
      break;
    }
    tokens.emplace_back(entry.substr(pos, next - pos));
    pos = next + 1;
  }
  return tokens;
}

std::string BuildEntry(std::string_view name, const std::vector<std::string>& tokens) {
  std::string entry(name);
  entry += '\t';
  for (const std::string& token : tokens) {
    entry += token;
    entry += '\t';
  }
  return entry;
}

void DefineTable::Clear() {
  entries_.clear();
  by_name_.clear();
  by_value_token_.clear();
}

bool DefineTable::Append(std::string entry) {
  if (full()) return false;
  int index = count();
  entries_.push_back(std::move(entry));
  std::string_view name = EntryName(entries_.back());
  if (!name.empty()) {
    auto it = by_name_.find(name);
    if (it == by_name_.end()) it = by_name_.emplace(std::string(name), std::vector<int>()).first;
    it->second.push_back(index);
  }
  IndexValueTokens(index);
  return true;
}

namespace {

std::vector<std::string> DistinctValueTokens(std::string_view entry) {
  std::vector<std::string> tokens = EntryValueTokens(entry);
  std::sort(tokens.begin(), tokens.end());
  tokens.erase(std::unique(tokens.begin(), tokens.end()), tokens.end());
  return tokens;
}

}  // namespace

// Back-substitution rewrites the same entries over and over (a name defined
// again and again, each time resolving every earlier use), so the token index
// is kept exact here rather than left to grow with stale indexes.
void DefineTable::Replace(int index, std::string entry) {
  std::string& slot = entries_[static_cast<size_t>(index)];
  std::vector<std::string> before = DistinctValueTokens(slot);
  slot = std::move(entry);
  std::vector<std::string> after = DistinctValueTokens(slot);
  std::vector<std::string> changed;
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(changed));
  for (const std::string& token : changed) UnindexValueToken(token, index);
  changed.clear();
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(changed));
  for (std::string& token : changed) IndexValueToken(std::move(token), index);
}

void DefineTable::IndexValueTokens(int index) {
  for (std::string& token : EntryValueTokens(entries_[static_cast<size_t>(index)]))
    IndexValueToken(std::move(token), index);
}

// Each list stays sorted and free of repeats: appended entries come in
// increasing order, replaced ones are put in their place.
void DefineTable::IndexValueToken(std::string token, int index) {
  std::vector<int>& list = by_value_token_[std::move(token)];
  if (list.empty() || list.back() < index) {
    list.push_back(index);
    return;
  }
  auto pos = std::lower_bound(list.begin(), list.end(), index);
  if (*pos != index) list.insert(pos, index);
}

void DefineTable::UnindexValueToken(const std::string& token, int index) {
  auto it = by_value_token_.find(token);
  if (it == by_value_token_.end()) return;
  std::vector<int>& list = it->second;
  auto pos = std::lower_bound(list.begin(), list.end(), index);
  if (pos != list.end() && *pos == index) list.erase(pos);
  if (list.empty()) by_value_token_.erase(it);
}

int DefineTable::Find(std::string_view name) const {
  const std::vector<int>* list = EntriesNamed(name);
  return list == nullptr ? -1 : list->front();
}

const std::vector<int>* DefineTable::EntriesNamed(std::string_view name) const {
  if (name.empty()) return nullptr;
  auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : &it->second;
}

std::vector<int> DefineTable::EntriesUsing(std::string_view token) const {
  std::vector<int> out;
  auto it = by_value_token_.find(token);
  if (it != by_value_token_.end()) out = it->second;
  return out;
}

int SearchDefineFile(const DefineTable& table, std::string_view name, const TypeNameTable& types,
                     std::string& value, const PreproLogFn& log) {
  value.clear();
  if (const std::vector<int>* list = table.EntriesNamed(name)) {
    LineTokenizer tokenizer;
    for (int index : *list) {
      std::string_view entry = table.entry(index);
      tokenizer.Assign(entry.substr(name.size() + 1));
      std::string_view first = tokenizer.Next();
      if (IsLineEnd(first)) return kDefineEmpty;
      TokenKind kind = ClassifyToken(first, types);
      if (kind == kKindNumber || kind == kKindHexNumber) {
        value.assign(first);
        return kDefineNumber;
      }
      if (kind == kKindIdentifier) {
        value.assign(first);
        return kDefineIdentifier;
      }
      if (first == "*") {
        std::string star(first);
        std::string_view next = tokenizer.Next();
        TokenKind next_kind = ClassifyToken(next, types);
        if (next_kind == kKindNumber || next_kind == kKindHexNumber) {
          value = star + std::string(next);
          return kDefineNumber;
        }
      }
    }
  }
  if (table.full() && log) log("Array 10000 Over", "SearchDefineFile");
  return kDefineNotFound;
}

}  // namespace kv
