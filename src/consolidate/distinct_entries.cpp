#include "consolidate/distinct_entries.h"

namespace kv {

size_t DistinctEntries::Add(std::string_view entry) {
  auto it = index_.find(entry);
  if (it != index_.end()) return it->second + 1;
  const size_t comparisons = entries_.size() + 1;
  index_.emplace(std::string(entry), entries_.size());
  entries_.emplace_back(entry);
  return comparisons;
}

void DistinctEntries::Clear() {
  entries_.clear();
  index_.clear();
}

}  // namespace kv
