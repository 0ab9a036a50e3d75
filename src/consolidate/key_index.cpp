#include "consolidate/key_index.h"

namespace kv {

// Keys one text may give before it is kept aside: far above what program
// text gives (one or two per suffix), far below a hostile line's count.
size_t KeyBudget(std::string_view text) { return 2 * text.size() + 256; }

void KeyIndex::Add(std::string_view text, uint32_t item) {
  std::vector<std::string_view> keys;
  const bool indexed = ForEachWholeKey(text, suffix_, KeyBudget(text), [&](std::string_view key) { keys.push_back(key); });
  if (!indexed) {
    SetAside(item);
    return;
  }
  for (std::string_view key : keys) AddKey(key, item);
}

void KeyIndex::AddKey(std::string_view key, uint32_t item) {
  auto it = keys_.find(key);
  if (it == keys_.end()) it = keys_.emplace(std::string(key), std::vector<uint32_t>()).first;
  if (it->second.empty() || it->second.back() != item) it->second.push_back(item);
}

std::vector<uint32_t> KeyIndex::Indexed(std::string_view key) const {
  auto it = keys_.find(key);
  return it == keys_.end() ? std::vector<uint32_t>() : it->second;
}

}  // namespace kv
