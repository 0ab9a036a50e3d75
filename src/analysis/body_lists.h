// The lists one function body fills, and the list operations that fill them:
// SetValList (temporaries), SetFuncList (calls), SetRValList (reads),
// SetWValList (writes), SetRetValList (returned values). Reads, writes and
// returns also go to the AccessList with their mark; calls, reads and writes
// also go to the PieceList, the pieces of the current statement's SOURCE2
// line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/token_list.h"
#include "run/analysis_log.h"

namespace kv {

// One section's entries, in source order, repeats kept. An entry is the text
// without its line end; the record writer adds it.
class EntryList {
 public:
  // Empties the list for the next function; `capacity` counts place 0, which
  // stays empty, so capacity - 1 entries fit.
  void Reset(size_t capacity) {
    entries_.clear();
    capacity_ = capacity;
    overflow_reported_ = false;
  }
  bool full() const { return entries_.size() + 1 >= capacity_; }
  void Add(std::string text) { entries_.push_back(std::move(text)); }
  const std::vector<std::string>& entries() const { return entries_; }
  size_t count() const { return entries_.size(); }
  // True the first time a refused entry is reported for this function.
  bool TakeOverflowReport() { return !overflow_reported_ && (overflow_reported_ = true); }

 private:
  std::vector<std::string> entries_;
  size_t capacity_ = 0;
  bool overflow_reported_ = false;
};

class BodyLists {
 public:
  static constexpr size_t kAccessCapacity = 5000;
  static constexpr size_t kPieceCapacity = 1000;
  static constexpr size_t kReadWarnAt = 5000;   // SetRValList's "UNITY VAL 配列OVER"
  static constexpr size_t kWriteWarnAt = 1999;  // SetWValList's and SetRetValList's

  explicit BodyLists(AnalysisLog& log) : log_(log) {}

  // Start of a function: every list emptied, capacities from MemoryFactor.
  void Reset(int memory_factor);

  // SetValList: tokens a to b each followed by a tab, then tokens c to d
  // joined ("int\tx", "unsigned\tchar\tbuf[10]"); `first_prefix` goes
  // before the first type token ("struct " for a local struct's member).
  void SetValList(const TokenList& t, int a, int b, int c, int d, std::string_view first_prefix = {});
  // SetFuncList: tokens a to b joined ("func(a,b)"); also a piece.
  void SetFuncList(const TokenList& t, int a, int b);
  // SetRValList / SetWValList / SetRetValList: tokens a to b joined; also an
  // access entry with " [R]", " [w]" or " [RET]"; reads and writes are
  // pieces too.
  void SetRValList(const TokenList& t, int a, int b);
  void SetWValList(const TokenList& t, int a, int b);
  void SetRetValList(const TokenList& t, int a, int b);

  // A token of kind 16, 24, 25, 5 or 6 as the statement's next piece.
  void AddPiece(std::string_view piece) {
    if (pieces_.size() < kPieceCapacity) pieces_.emplace_back(piece);
  }
  // The pieces joined (the SOURCE2 line), then emptied; "" when there were none.
  std::string TakePieceLine();

  const EntryList& temporaries() const { return temporaries_; }
  const EntryList& calls() const { return calls_; }
  const EntryList& reads() const { return reads_; }
  const EntryList& writes() const { return writes_; }
  const EntryList& returns() const { return returns_; }
  const std::vector<std::string>& access() const { return access_; }

 private:
  // Adds to `list` unless it is full (reported once per function).
  bool AddEntry(EntryList& list, std::string text, std::string_view operation);
  void AddAccess(const std::string& text, std::string_view mark, std::string_view operation, size_t warn_at);
  void RecordMarked(EntryList& list, const TokenList& t, int a, int b, std::string_view mark,
                    std::string_view operation, size_t warn_at, bool piece, std::string_view exception_text);

  AnalysisLog& log_;
  EntryList temporaries_, calls_, reads_, writes_, returns_;
  std::vector<std::string> access_;  // AccessList
  std::vector<std::string> pieces_;  // PieceList
};

}  // namespace kv
