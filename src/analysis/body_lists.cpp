#include "analysis/body_lists.h"

#include <exception>

#include "platform/encoding.h"

namespace kv {

void BodyLists::Reset(int memory_factor) {
  const size_t factor = static_cast<size_t>(memory_factor < 1 ? 1 : memory_factor);
  temporaries_.Reset(factor * 3000);
  calls_.Reset(factor * 3000);
  reads_.Reset(factor * 5000);
  writes_.Reset(factor * 5000);
  returns_.Reset(factor * 3000);
  access_.clear();
  pieces_.clear();
}

std::string BodyLists::TakePieceLine() {
  std::string line;
  for (const std::string& p : pieces_) line += p;
  pieces_.clear();
  return line;
}

bool BodyLists::AddEntry(EntryList& list, std::string text, std::string_view operation) {
  if (list.full()) {
    if (list.TakeOverflowReport()) log_.Finding(operation, 0, SJ("UNITY VAL 配列OVER"), "-");
    return false;
  }
  list.Add(std::move(text));
  return true;
}

void BodyLists::AddAccess(const std::string& text, std::string_view mark, std::string_view operation,
                          size_t warn_at) {
  // The warning is written for every entry recorded past the mark, as the
  // list operations always did; the AccessList itself stops at its capacity.
  if (access_.size() >= warn_at) log_.Finding(operation, 0, SJ("UNITY VAL 配列OVER"), "-");
  if (access_.size() >= kAccessCapacity) return;
  std::string entry = text;
  entry += mark;
  access_.push_back(std::move(entry));
}

void BodyLists::SetValList(const TokenList& t, int a, int b, int c, int d, std::string_view first_prefix) {
  try {
    std::string text(first_prefix);
    t.AppendRange(text, a, b, "\t", true);
    t.AppendRange(text, c, d, {}, false);
    AddEntry(temporaries_, std::move(text), "SetValList");
  } catch (const std::exception&) {
    log_.Finding("SetValList", 0, SJ("例外発生080"), "-");
  }
}

void BodyLists::SetFuncList(const TokenList& t, int a, int b) {
  try {
    std::string text = t.Join(a, b);
    if (AddEntry(calls_, text, "SetFuncList")) AddPiece(text);
  } catch (const std::exception&) {
    log_.Finding("SetFuncList", 0, SJ("例外発生090"), "-");
  }
}

void BodyLists::RecordMarked(EntryList& list, const TokenList& t, int a, int b, std::string_view mark,
                             std::string_view operation, size_t warn_at, bool piece,
                             std::string_view exception_text) {
  try {
    std::string text = t.Join(a, b);
    if (!AddEntry(list, text, operation)) return;
    AddAccess(text, mark, operation, warn_at);
    if (piece) AddPiece(text);
  } catch (const std::exception&) {
    log_.Finding(operation, 0, exception_text, "-");
  }
}

void BodyLists::SetRValList(const TokenList& t, int a, int b) {
  RecordMarked(reads_, t, a, b, " [R]", "SetRValList", kReadWarnAt, true, SJ("例外発生100"));
}

void BodyLists::SetWValList(const TokenList& t, int a, int b) {
  RecordMarked(writes_, t, a, b, " [w]", "SetWValList", kWriteWarnAt, true, SJ("例外発生110"));
}

void BodyLists::SetRetValList(const TokenList& t, int a, int b) {
  RecordMarked(returns_, t, a, b, " [RET]", "SetRetValList", kWriteWarnAt, false, SJ("例外発生120"));
}

}  // namespace kv
