// VALUE LIST: every variable any final record writes, once, in the order
// first met, as ValList2.txt (ended by "@1END" and an empty line).
#pragma once

#include <string_view>

#include "lex/keyword_tables.h"

namespace kv {

class LineReader;

// The written-variable list: a NameList of 5000 × MemoryFactor entries
// (sentinel included). Where the original stopped at its capacity, this one
// doubles it: a large project loses no variable whatever the slider says.
class WrittenVariables {
 public:
  explicit WrittenVariables(int memory_factor) : list_(static_cast<size_t>(5000) * memory_factor) {}

  void Add(std::string_view name);
  // Adds the entries of every "[書込み変数]" section of a record.
  void AddRecord(LineReader& in);
  const NameList& list() const { return list_; }

 private:
  NameList list_;
};

}  // namespace kv
