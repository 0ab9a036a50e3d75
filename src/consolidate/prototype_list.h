// FuncList_ProtType.txt held in memory for FUNC ALS3, with the two look-ups
// the pass makes per record answered from indexes over its identifiers.
//
// Both look-ups take the first prototype line that matches, the name
// standing whole (FindWholeName): the return type of `dd` never comes from
// the prototype of `add`. Both are answered from key indexes (key_index.h),
// member calls such as p->fn included, with the same answers a scan of the
// lines gives.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "consolidate/key_index.h"

namespace kv {

class PrototypeList {
 public:
  // Reads the list; false (and an empty list) when it cannot be read.
  bool Load(std::string_view path);
  // Lines as read, without their line ends.
  void Assign(std::vector<std::string> lines);

  // The first line that holds the function name followed by a tab: the text
  // before the name less its last character (the tab before the name).
  std::optional<std::string> ReturnType(std::string_view function) const;

  // The first line whose text before its first "(" holds a tab followed by
  // the call's name (the character after the name not a letter, digit or
  // "_"); nullptr when there is none.
  const std::string* Declaration(std::string_view call_name) const;

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  uint32_t count() const { return static_cast<uint32_t>(lines_.size()); }

  std::vector<std::string> lines_;
  KeyIndex name_tab_{"\t"};  // name + tab anywhere in a line
  KeyIndex head_name_{""};    // tab + name before the first "(" (own keys)
};

// The text before the first "(" (the whole text when there is none).
std::string_view TextBeforeParen(std::string_view text);

// The prototype as a defined call lists it: every tab a blank, every ";"
// removed.
std::string DeclarationText(std::string_view prototype);

}  // namespace kv
