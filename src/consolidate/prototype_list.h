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

  // The first line that declares the function (its name followed by a tab
  // and the "(" of its parameter list; a line that merely holds the name,
  // as an argument of something else, does not): the text before the name
  // less its last character (the tab before the name).
  std::optional<std::string> ReturnType(std::string_view function) const;

  // The first line whose text before its first "(" holds a tab followed by
  // the call's name (the character after the name not a letter, digit or
  // "_"); nullptr when there is none.
  const std::string* Declaration(std::string_view call_name) const;

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  uint32_t count() const { return static_cast<uint32_t>(lines_.size()); }

  std::vector<std::string> lines_;
  KeyIndex name_paren_{"\t("};  // name + tab + "(" anywhere in a line
  KeyIndex head_name_{""};    // tab + name before the first "(" (own keys)
};

// FuncList_Body.txt held in memory: the header line of every definition
// (its tokens before the "{", each followed by a tab), in the order the
// bodies were analysed.
class DefinitionHeaders {
 public:
  bool Load(std::string_view path);
  void Assign(std::vector<std::string> lines);

  // The header of the function's definition: the last line that holds the
  // name followed by a tab and "(" (a later definition of a name replaces
  // the earlier one's record); nullptr when the project defines no function
  // of that name.
  // With `nth` 0 or more: the nth such line (the nth definition of a name
  // several files define, in walk order).
  const std::string* Header(std::string_view function, int nth = -1) const;
  // The text before the name in that header less the tab before the name;
  // nullopt when there is no header or nothing stands before the name.
  std::optional<std::string> ReturnType(std::string_view function, int nth = -1) const;

 private:
  std::vector<std::string> lines_;
  KeyIndex name_paren_{"\t("};
};

// The text before the first "(" (the whole text when there is none).
std::string_view TextBeforeParen(std::string_view text);

// The prototype as a defined call lists it: every tab a blank, every ";"
// removed.
std::string DeclarationText(std::string_view prototype);

}  // namespace kv
