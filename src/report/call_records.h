// The consolidated function records of FunctionList4, as the reports read
// them: the read and written variables, the callees, the access lines and
// whether anybody calls the function.
//
// A report stage or command reads each record at most once (the tree walks
// meet the same function again and again, the variable pages look at every
// function once per variable); RecordStore lists the folder once and keeps
// every record it has read.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lex/keyword_tables.h"
#include "run/definition_index.h"

namespace kv {

struct CallRecord {
  // "[関数名称]", "[ファイル名]" and "[フォルダ名]": the name as the source
  // writes it (a wrapper's with its arguments, ISR(TIMER0_OVF_vect)), which
  // need not be the record's file name, and where it is defined. Empty in a
  // "Not Found Function" record.
  std::string name;
  std::string file;
  std::string folder;
  std::vector<std::string> reads;     // "[参照変数]" entries, up to "" or "NONE"
  std::vector<std::string> writes;    // "[書込み変数]" entries
  std::vector<std::string> callees;   // callee names of "[コール関数]" (SplitCallEntry)
  // "[変数アクセス情報]" lines, up to "" or "NONE", less those of the
  // function's own parameters and locals.
  std::vector<std::string> accesses;
  // The access section ended at an empty line or "NONE", not at the end of
  // the record (the variable command closes a function's group only then).
  bool accesses_closed = false;
  // "[コール元]" followed by "NONE_CALLER" or an empty line: a root.
  bool is_root = false;
  // Callee record ids, resolved by RecordStore (-1: no record).
  std::vector<int> callee_ids;
  // The record's file name (set by RecordStore): the spelling of the
  // function's pages on disk, which a call may write in another letter case
  // (SEQ_printf for seq_printf); links name the page by it.
  std::string file_name;
};

// Parses the text of one record (lines ending in "\n").
CallRecord ParseCallRecord(std::string_view text);

class RecordStore {
 public:
  // Lists `folder` (an internal path) once with "*.*"; reads the run's
  // list of definitions (FuncList_Records.txt) when there is one.
  explicit RecordStore(std::string folder);

  // The folder search found something ("." counts, as FindFirstFile's did):
  // false only when the folder is missing.
  bool folder_found() const { return found_; }
  const std::string& folder() const { return folder_; }
  // Record ids in listing order (files only).
  int size() const { return static_cast<int>(names_.size()); }
  const std::string& name(int id) const { return names_[id]; }

  // The record of a function, as opening folder + "\" + name found it: the
  // exact name first, else the name ignoring ASCII case. -1 when none.
  int Lookup(std::string_view name) const;
  // The record a call of `callee` from the record `from` reaches: a name
  // with several definitions as the caller's file links it.
  int LookupCallee(int from, std::string_view callee) const;
  // The record is one of several definitions of its name: lists show its
  // record name (which carries the file), not the bare name.
  bool Qualified(int id) const;
  // The name a list shows for the callee record `id` called as `called`.
  std::string_view ShownCallee(int id, std::string_view called) const {
    return id >= 0 && Qualified(id) ? std::string_view(names_[id]) : called;
  }
  const DefinitionIndex& definitions() const { return definitions_; }
  // The parsed record, read on first use, callee ids resolved.
  const CallRecord& Get(int id);
  // As Get; when this call is the one that reads the record, and it could be
  // read, `text` is its text (carriage returns stripped) and `read` true.
  const CallRecord& Get(int id, std::string& text, bool& read);
  // Registers a record file written after the listing (same folder).
  int Add(const std::string& file_name);

  // Records that stood there but could not be read (a symlink, a device, a
  // file larger than any record): read as empty, listed here with the why.
  struct Damaged {
    std::string path;
    const char* why;
  };
  const std::vector<Damaged>& damaged() const { return damaged_; }

 private:
  const CallRecord& Load(int id, std::string* text, bool* read);

  std::vector<Damaged> damaged_;
  DefinitionIndex definitions_;
  std::string folder_;
  bool found_ = false;
  std::vector<std::string> names_;
  std::deque<CallRecord> records_;  // references stay valid while records are added
  std::vector<bool> loaded_;
  std::unordered_map<std::string, int, TransparentHash, std::equal_to<>> exact_;
  std::unordered_map<std::string, int, TransparentHash, std::equal_to<>> folded_;
};

}  // namespace kv
