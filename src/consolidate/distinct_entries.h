// The first-kept list of distinct entries of one record section, used by
// FUNC ALS2 and FUNC ALS4.
//
// The list was an array ended by the sentinel "eeed", each entry compared
// with the listed ones in order. A hash index gives the same answers and
// also the number of comparisons that scan would have made (FUNC ALS4's
// runaway guard counts them). The sentinel is not stored, so an entry that
// reads "eeed" (a variable may be named so) is kept like any other.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lex/keyword_tables.h"

namespace kv {

class DistinctEntries {
 public:
  // Adds `entry` unless an equal entry is listed. Returns the comparisons
  // the in-order scan makes: the position of the equal entry plus one, or,
  // for a new entry, the listed entries plus the sentinel.
  size_t Add(std::string_view entry);
  const std::vector<std::string>& entries() const { return entries_; }
  void Clear();

 private:
  std::vector<std::string> entries_;
  std::unordered_map<std::string, size_t, TransparentHash, std::equal_to<>> index_;
};

}  // namespace kv
