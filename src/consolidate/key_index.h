// An index answering "which texts hold KEY followed by SUFFIX, KEY standing
// whole" (FindWholeName) for every key at once, so a pass reads its texts
// once instead of scanning them all for every name.
//
// For each place where the suffix occurs in a text, every key of at most
// kMaxKeySize bytes that ends there and stands whole (StandsWholeAfter at
// its start) is indexed. That covers exactly the matches FindWholeName finds
// for such keys; a longer key is answered by scanning. A text that would
// give too many keys (a hostile run of "((((" ...) is kept aside and scanned
// for every look-up, so the answers stay exact either way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lex/keyword_tables.h"

namespace kv {

inline constexpr size_t kMaxKeySize = 64;

class KeyIndex {
 public:
  explicit KeyIndex(std::string suffix) : suffix_(std::move(suffix)) {}

  // Adds a text under `item`; items are added in ascending order.
  void Add(std::string_view text, uint32_t item);
  // For callers with keys of their own making: one key of `item`, or the
  // item kept aside (scanned at every look-up).
  void AddKey(std::string_view key, uint32_t item);
  void SetAside(uint32_t item) { aside_.push_back(item); }

  // The items whose text holds key + suffix with the key standing whole,
  // each once, ascending. `scan(item, key)` answers for a text kept aside or
  // for a key too long to be indexed: it is called with every item when the
  // key is longer than kMaxKeySize, else with the kept-aside items only.
  template <typename Scan>
  std::vector<uint32_t> Find(std::string_view key, uint32_t item_count, Scan&& scan) const;

  // The first item only (or -1).
  template <typename Scan>
  int64_t FindFirst(std::string_view key, uint32_t item_count, Scan&& scan) const;

 private:
  std::vector<uint32_t> Indexed(std::string_view key) const;

  std::string suffix_;
  std::unordered_map<std::string, std::vector<uint32_t>, TransparentHash, std::equal_to<>> keys_;
  std::vector<uint32_t> aside_;
};

// How many keys a text may give before it is kept aside.
size_t KeyBudget(std::string_view text);

// Keys of a text: calls fn(key) for every text of 1 to kMaxKeySize bytes
// that stands whole and is followed by `suffix`. Returns false, having
// called fn for nothing more, once `budget` keys have been given.
template <typename Fn>
bool ForEachWholeKey(std::string_view text, std::string_view suffix, size_t budget, Fn&& fn);

}  // namespace kv

#include <algorithm>

#include "lex/name_match.h"

namespace kv {

template <typename Fn>
bool ForEachWholeKey(std::string_view text, std::string_view suffix, size_t budget, Fn&& fn) {
  if (suffix.empty()) return true;
  for (size_t end = text.find(suffix); end != std::string_view::npos; end = text.find(suffix, end + 1)) {
    for (size_t start = end > kMaxKeySize ? end - kMaxKeySize : 0; start < end; ++start) {
      if (!StandsWholeAfter(text, start)) continue;
      if (budget-- == 0) return false;
      fn(text.substr(start, end - start));
    }
  }
  return true;
}

template <typename Scan>
std::vector<uint32_t> KeyIndex::Find(std::string_view key, uint32_t item_count, Scan&& scan) const {
  std::vector<uint32_t> items;
  if (key.empty()) return items;
  if (key.size() > kMaxKeySize) {
    for (uint32_t i = 0; i < item_count; ++i) {
      if (scan(i, key)) items.push_back(i);
    }
    return items;
  }
  items = Indexed(key);
  bool added = false;
  for (uint32_t i : aside_) {
    if (scan(i, key)) {
      items.push_back(i);
      added = true;
    }
  }
  if (added) {
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
  }
  return items;
}

template <typename Scan>
int64_t KeyIndex::FindFirst(std::string_view key, uint32_t item_count, Scan&& scan) const {
  std::vector<uint32_t> items = Find(key, item_count, scan);
  return items.empty() ? int64_t{-1} : static_cast<int64_t>(items.front());
}

}  // namespace kv
