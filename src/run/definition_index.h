// Where each function and file-level variable is defined, and which
// definition a use in a given file means.
//
// A name defined once keeps its record under its own name. A name defined
// in several files (one `_exit` per target, a `static` helper per file) gets
// one record per definition, named name + "@" + as many trailing parts of
// the definition's path as tell it from the others of its name, the folders
// joined to the file name with "_" (`_exit@arm_syscalls.c`), characters no
// file name may hold on Linux or Windows replaced by "_", and "-2", "-3"
// added when that still leaves two alike (ignoring letter case, as the
// records' disk may).
//
// A use of N in file X means, as the linker sees it: N defined in X itself;
// else a `static` N in a header X includes (directly or through other
// headers); else the one non-static N; among several non-static ones, the
// one whose path shares the most folders with X, ties to the first in walk
// order. A `static` N in another .c file is never meant.
//
// FILE ALS writes the list as FuncList_Records.txt, one line per entry in
// walk order (fields separated by tabs):
//   F record name path static   a function definition ("1": static)
//   V record name path static   a file-level variable
//   I path header               path has #include of header (as written)
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "lex/keyword_tables.h"

namespace kv {

struct Definition {
  char kind = 'F';     // 'F' function, 'V' variable
  std::string record;  // the record's file name
  std::string name;    // as the source writes it
  std::string path;    // below the project folder, "/" between folders
  bool is_static = false;
  size_t order = 0;    // walk order among all entries of its kind
};

class DefinitionIndex {
 public:
  // Reads FuncList_Records.txt; false (and an empty index) when missing.
  bool Load();
  void Add(Definition definition);
  void AddInclude(std::string path, std::string header);

  // Record names for every entry of `definitions` (a name's definitions in
  // walk order), by the rule above.
  static void NameRecords(std::vector<Definition>& definitions);

  const Definition* ByRecord(std::string_view record, char kind = 'F') const;
  // The i-th variable entry: the i-th line of ValList.txt.
  const Definition* Variable(size_t i) const;
  // The definitions of `name` of one kind: those spelt exactly so, else
  // those spelt so ignoring ASCII case. Walk order.
  std::vector<const Definition*> Definitions(char kind, std::string_view name) const;
  // Several definitions of `name` (ignoring case: they would share a file).
  bool Several(char kind, std::string_view name) const;

  struct Choice {
    const Definition* definition = nullptr;  // null: none of them links
    bool nearest = false;                    // chosen among several non-static
    size_t candidates = 0;                   // how many non-static there were
  };
  // The definition a use of `name` in the file `from_path` means; from a
  // file the index does not know, the non-static ones compete alone.
  Choice Resolve(char kind, std::string_view name, std::string_view from_path) const;
  // The record a use means: the chosen definition's record, else `name`.
  std::string ResolveRecord(char kind, std::string_view name, std::string_view from_path) const;
  // As ResolveRecord, for a use in the function whose record is `from_record`.
  std::string ResolveFromRecord(char kind, std::string_view name, std::string_view from_record) const;

  bool empty() const { return entries_.empty(); }
  const std::vector<Definition>& entries() const { return entries_; }

 private:
  bool Includes(std::string_view from_path, std::string_view header_path) const;

  std::vector<Definition> entries_;
  std::vector<size_t> variables_;  // the 'V' entries, in order
  std::unordered_map<std::string, size_t, TransparentHash, std::equal_to<>> by_record_;  // kind + record
  std::unordered_map<std::string, std::vector<size_t>, TransparentHash, std::equal_to<>> by_folded_;  // kind + folded name
  // The keys of by_folded_ with more than one definition: few, so that the
  // question asked of every call is answered from a small table.
  std::unordered_set<std::string, TransparentHash, std::equal_to<>> several_;
  std::unordered_map<std::string, std::vector<std::string>> includes_;  // path -> headers' file names
  std::unordered_map<std::string, std::vector<std::string>> paths_by_file_;  // folded file name -> paths
  // Per file, the folded names of the headers it reaches (filled on first
  // use; the index serves one thread at a time).
  mutable std::unordered_map<std::string, std::unordered_set<std::string>> reachable_;
};

// `path` (an internal path) below `root`, the project's mirror folder.
std::string PathBelow(std::string_view root, std::string_view path);

// The length of the folder part two paths share, in folders.
size_t SharedFolders(std::string_view a, std::string_view b);

}  // namespace kv
