// The DEF3 definition file of each source file.
//
// A source file's final define table is DEF3/<base>_DEF_C.dat
// (<base>_DEF_H.dat for a header), the base being the file name less
// everything from its last ".". Several source files of one base name and
// kind in different folders (x/util.c, y/util.c; util.c and util.cpp) would
// share that name, the later one's table replacing the earlier one's, and
// the records of the earlier file would be checked against another file's
// macros. So the file processed last keeps the plain name, and each earlier
// one's table moves, when the next file of its name arrives, to
//   <base>@<its folders joined with "_"><suffix>   (util@x_DEF_C.dat)
// or "<base>@" alone for a file at the top of the project; "-2", "-3" are
// added to the qualifier when that name is taken (ignoring ASCII case, as
// the work folder's disk may) or would not make a file name.
//
// DefFile_Paths.txt in the work folder lists each moved table, one line
// per source file: its path below the project folder, a tab, the file name
// in DEF3. A source file not listed has its table under the plain name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace kv {

// The plain DEF3 file name of a source file name (util.c gives
// util_DEF_C.dat, util.h util_DEF_H.dat): empty when it would not be a safe
// file name.
std::string PlainDefinitionFileName(std::string_view source_file);

// Names the tables as PREPRO writes them, one source file at a time.
class DefinitionFileNamer {
 public:
  struct Move {
    std::string path;  // the earlier source file, below the project folder
    std::string from;  // its table's current name (the plain name)
    std::string to;    // the name it moves to
  };
  // The name for the table of the source file at `path` (below the project
  // folder) whose plain name is `plain`. When an earlier file's table holds
  // that name, the move to make first.
  std::string Place(const std::string& path, const std::string& plain, std::optional<Move>* move);

 private:
  std::string Qualified(std::string_view path, std::string_view plain);

  struct Holder {
    std::string path;   // the source file whose table has the plain name
    std::string plain;  // that name as its file spells it
  };
  std::unordered_map<std::string, Holder> plain_holders_;  // by folded plain name
  std::unordered_set<std::string> taken_;                       // folded names of moved tables
};

// The list as FUNC ALS3 reads it.
class DefinitionFilePaths {
 public:
  // Reads DefFile_Paths.txt; a missing list means no table moved.
  void Load();
  void Add(std::string path, std::string name) { moved_[std::move(path)] = std::move(name); }
  // The DEF3 file name of the source file at `path` (below the project
  // folder) named `source_file`: its moved name, else the plain one. Empty
  // when the name would not be a safe file name.
  std::string NameFor(std::string_view path, std::string_view source_file) const;

 private:
  std::unordered_map<std::string, std::string> moved_;
};

}  // namespace kv
