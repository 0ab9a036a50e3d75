// CALL LIST: for every final record, the records whose call entries call
// it, appended as "[コール元]".
//
// A record S calls N when one of its call entries (in func_als2, up to the
// empty line or "NONE") holds N followed by "(", N standing whole: a call of
// reset( is no call of set, and textdomain( is no call of main. Every
// func_als2 record is read once; an index from each name that stands before
// a "(" to the records that call it answers each final record.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "consolidate/key_index.h"

namespace kv {

class LineReader;

class CallerIndex {
 public:
  // Adds a record with its call entries; records are kept in the order added.
  void AddRecord(std::string name, std::vector<std::string> call_entries);

  // The records that call `callee`, each once, in the order added.
  std::vector<size_t> Callers(std::string_view callee) const;
  const std::string& name(size_t record) const { return records_[record].name; }
  size_t size() const { return records_.size(); }

 private:
  struct Record {
    std::string name;
    std::vector<std::string> calls;
  };
  std::vector<Record> records_;
  KeyIndex callers_{"("};  // items: records
};

// The entries of the first "[コール関数]" section of a record, up to the
// empty line or "NONE".
std::vector<std::string> ReadCallEntries(LineReader& in);

}  // namespace kv
