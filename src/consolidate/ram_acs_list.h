// RAM ACS LIST: for every file-level variable of ValList.txt, the file
// RAM_ALL/<variable> listing each final record that accesses it and the
// access lines.
//
// An access line holding "." matches when it holds the name followed by
// "."; any other line when it holds the name followed by " [". Either way
// the name stands whole (g_cnt [R] and st.cnt are no accesses of cnt). The
// final records are read once; an index from each name that stands before
// one of the two keys to the lines that hold it answers every variable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "consolidate/key_index.h"

namespace kv {

class LineReader;

// The match rule for one access line.
bool AccessLineMatches(std::string_view line, std::string_view variable);

class AccessIndex {
 public:
  struct Match {
    size_t record;
    size_t line;
  };

  // Adds a record with its access lines and its source file; records are
  // kept in the order added.
  void AddRecord(std::string name, std::vector<std::string> access_lines, std::string file = {});

  // The lines that access `variable`, by record, then line, in order.
  std::vector<Match> Matches(std::string_view variable) const;
  const std::string& name(size_t record) const { return records_[record].name; }
  const std::string& file(size_t record) const { return records_[record].file; }
  const std::string& line(const Match& m) const { return records_[m.record].lines[m.line]; }

 private:
  struct Record {
    std::string name;
    std::vector<std::string> lines;
    std::string file;  // the line after "[ファイル名]"
  };
  std::vector<Record> records_;
  std::vector<Match> lines_;  // every access line, in order
  // Items: indexes into lines_. Lines holding "." are keyed before ".",
  // the others before " [".
  KeyIndex dot_lines_{"."};
  KeyIndex other_lines_{" ["};
};

// The lines after a record's first "[変数アクセス情報]" line, up to the
// empty line, less those based on one of the record's parameters or
// locals: a function's own variable of a name is no access of the
// file-level variable of that name.
// `file` gets the record's source file name when it is not null.
std::vector<std::string> ReadAccessLines(LineReader& in, std::string* file = nullptr);

}  // namespace kv
