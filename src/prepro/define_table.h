// The define table: the definition records of the top-level file being
// preprocessed (the external DefList.txt lines first, then every #define met
// in the file and in everything it includes), in the order they were met.
//
// An entry is a record without its newline: the macro name, a tab, and each
// value token followed by a tab ("MAX\t10\t"). A name counts as defined when an
// entry begins with the name followed by a tab. The table answers the same
// questions as a scan from its first entry, through a name index, so a file
// with thousands of definitions does not cost a scan per lookup.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lex/keyword_tables.h"

namespace kv {

inline constexpr int kDefineTableCapacity = 10000;

// What the preprocessor's log lines carry: the text (usually the rest of a
// source line) and a detail (the operation, or the current base name).
using PreproLogFn = std::function<void(std::string_view text, std::string_view detail)>;

// SearchDefineFile results.
enum DefineSearchResult : int {
  kDefineNotFound = 0,
  kDefineNumber = 1,      // value: the number (or "*" joined to a number)
  kDefineIdentifier = 2,  // value: the identifier
  kDefineEmpty = 3,       // defined without value; value empty
};

// The name of an entry: the text before its first tab; empty when it has no
// tab (such a line never matches a name).
std::string_view EntryName(std::string_view entry);

// The value tokens of an entry as they were recorded: the tab-separated
// fields after the name, without the empty field the final tab leaves.
std::vector<std::string> EntryValueTokens(std::string_view entry);

// name, then each token followed by a tab.
std::string BuildEntry(std::string_view name, const std::vector<std::string>& tokens);

class DefineTable {
 public:
  void Clear();
  int count() const { return static_cast<int>(entries_.size()); }
  bool full() const { return count() >= kDefineTableCapacity; }
  const std::string& entry(int index) const { return entries_[static_cast<size_t>(index)]; }
  const std::vector<std::string>& entries() const { return entries_; }

  // Appends an entry; false (nothing stored) when the table holds 10000.
  bool Append(std::string entry);
  // Rewrites an entry's value (back-substitution); the name stays.
  void Replace(int index, std::string entry);

  // True when an entry begins with name + tab (the #ifdef test).
  bool Contains(std::string_view name) const { return Find(name) >= 0; }
  // Index of the first entry of `name`, -1 when none.
  int Find(std::string_view name) const;
  // Indexes of the entries of `name`, in table order.
  const std::vector<int>* EntriesNamed(std::string_view name) const;
  // Indexes, in table order, of the entries whose value holds `token` as a
  // whole token.
  std::vector<int> EntriesUsing(std::string_view token) const;

 private:
  using Index = std::unordered_map<std::string, std::vector<int>, TransparentHash, std::equal_to<>>;
  void IndexValueTokens(int index);
  void IndexValueToken(std::string token, int index);
  void UnindexValueToken(const std::string& token, int index);

  std::vector<std::string> entries_;
  Index by_name_;
  Index by_value_token_;  // token -> sorted indexes of the entries whose value holds it
};

// SearchDefineFile: the first entry of `name` whose first value token (as
// NextToken cuts the value) is a number, an identifier, "*" and a number, or
// nothing; entries with another first token are passed over. When the table
// is full and nothing was found, `log` records "Array 10000 Over".
int SearchDefineFile(const DefineTable& table, std::string_view name, const TypeNameTable& types,
                     std::string& value, const PreproLogFn& log);

}  // namespace kv
