// The shell's silent folder operations and the prototype-line splitter.
// None of them shows a message; callers report failures.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Deletes a folder and all it holds; 1 when it did, 0 otherwise (also for an
// empty path or a folder that does not exist). One trailing separator is
// ignored. No symlink is followed: one inside is removed as a link, one at
// the path itself is left alone (0).
int DeleteFolderTree(std::string_view folder);

// Removes a folder tree entry by entry, as DeleteFolderTree; nonzero when
// the folder itself was finally removed, 0 when it was missing or something
// in it could not go.
int RemoveFolderTree(std::string_view folder);

// Copies folder `source` into folder `destination` (the copy is named like
// the source's last component; `destination` is created when missing and
// existing files are replaced). 0 without copying when the source does not
// exist or names the same folder as the destination, ignoring case. (The
// commands copy their results with ResultFolder, which never writes into an
// existing entry or through a symlink.)
int CopyFolderInto(std::string_view source, std::string_view destination);

// SplitPrototype: a FuncList_Body.txt line (the declaration's tokens joined
// by tabs) cut into type, name and arguments (from the "(" to the end).
struct Prototype {
  std::string type;
  std::string name;
  std::string arguments;
};
Prototype SplitPrototype(std::string_view line);

}  // namespace kv
