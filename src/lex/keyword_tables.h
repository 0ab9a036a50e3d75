// The keyword tables every stage consults, and the growing lists.
//
// A list of names ends at a sentinel entry: "@END" for the fixed tables,
// "@1END" for the lists that grow. NameList keeps that model (entries in
// order, a capacity that counts the sentinel) with a hash index beside it, so
// a lookup gives the same answer as the linear scan without its cost.
#pragma once

#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kv {

inline constexpr std::string_view kFixedSentinel = "@END";
inline constexpr std::string_view kListSentinel = "@1END";

// The fixed tables, entries in order (sentinel not included).
extern const std::vector<std::string_view> kQualifierTable;
extern const std::vector<std::string_view> kBaseTypeTable;
extern const std::vector<std::string_view> kStatementKeywordTable;
extern const std::vector<std::string_view> kArithmeticOperatorTable;
extern const std::vector<std::string_view> kComparisonOperatorTable;

bool InTable(const std::vector<std::string_view>& table, std::string_view token);

struct TransparentHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// A sentinel-ended list that grows: find, find-or-add, count. `capacity`
// counts the sentinel, so it holds capacity - 1 names. Adding to a full list
// is refused (the result says so) instead of writing past its end.
class NameList {
 public:
  static constexpr int kFull = -1;

  explicit NameList(size_t capacity) : capacity_(capacity) {}
  NameList(size_t capacity, std::initializer_list<std::string_view> names);

  // Index of `name`, or -1.
  int Find(std::string_view name) const;
  // FindOrAdd: index of the name, appending it when absent; kFull when the
  // list has no room for it.
  int FindOrAdd(std::string_view name);
  // AddIfAbsent: 1 when the name is listed; otherwise appends it and returns
  // 0 (kFull when there is no room).
  int AddIfAbsent(std::string_view name);
  // CountEntries: names before the sentinel.
  int Count() const { return static_cast<int>(names_.size()); }
  const std::vector<std::string>& names() const { return names_; }
  size_t capacity() const { return capacity_; }
  void Clear();
  // Keeps the first `count` names (the sentinel moves up).
  void Truncate(size_t count);

 private:
  size_t capacity_;
  std::vector<std::string> names_;
  std::unordered_map<std::string, int, TransparentHash, std::equal_to<>> index_;
};

// The process-wide type-name table: start-up contents, ResetTypeNames before
// each run's definition stage, and names added by the analysis stages.
class TypeNameTable {
 public:
  // The table grows as the project needs: memory is its only bound (a
  // fixed size refused names of large projects and lost their functions).
  static constexpr size_t kCapacity = std::numeric_limits<size_t>::max();

  TypeNameTable();

  // Overwrites the first seven entries with the six base names and the
  // sentinel: what stood after them is no longer part of the table.
  void Reset();
  bool Contains(std::string_view name) const { return list_.Find(name) >= 0; }
  // FindOrAddTypeName: the name's index; NameList::kFull when the table is
  // full (the name is refused and `on_full` is told).
  int FindOrAdd(std::string_view name);
  int Count() const { return list_.Count(); }
  const std::vector<std::string>& names() const { return list_.names(); }

  // Told the name each time a name is refused because the table is full.
  std::function<void(std::string_view)> on_full;

 private:
  NameList list_;
};

// SplitTypeAndName: a tab-separated declaration text (type tokens, the name,
// optionally brackets and ";") cut into its type and its name.
void SplitTypeAndName(std::string_view declaration, std::string& type, std::string& name);

}  // namespace kv
