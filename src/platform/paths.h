// Paths inside the program are CP932 texts, with "/" or "\" as separators,
// relative to the current directory ("./vcwk012345/DEF"). On disk, names are
// UTF-8: a path is converted when it reaches the file system, and a path that
// does not exist as written is looked up again component by component,
// ignoring case, as Windows would have found it.
#pragma once

#include <string>
#include <string_view>

namespace kv {

bool IsSeparator(char c);

// Index of the last "/" or "\" that is a separator (a "\" can also be the
// second byte of a Shift-JIS character, which is skipped); npos when none.
size_t FindLastSeparator(std::string_view path);

// path + "/" + name, without doubling a separator already at the end of path.
std::string JoinPath(std::string_view path, std::string_view name);

// The parts a path splitter gives: folder (with its last separator), file
// name, base name (file name without extension) and extension (from the last
// "." of the file name, the dot included; empty when there is none).
struct PathParts {
  std::string folder;
  std::string name;
  std::string base;
  std::string extension;
};
PathParts SplitPath(std::string_view path);

// Drops one trailing separator (but keeps a lone "/").
std::string DropTrailingSeparator(std::string_view path);

// The internal (CP932) path as a UTF-8 disk path, "\" turned into "/". A name
// that is not valid CP932 is used as its bytes.
std::string ToDiskPath(std::string_view path);

// A UTF-8 name from the disk or the command line as an internal CP932 text; a
// name without a CP932 form is kept as its bytes.
std::string FromDiskName(std::string_view utf8);

// The disk path of an existing file or folder: as written when it exists,
// otherwise each missing component is looked up ignoring ASCII case. Returns
// the as-written disk path when nothing matches.
std::string ResolveDiskPath(std::string_view path);

// The disk path to create or write a file at: the folder resolved as
// ResolveDiskPath resolves it, the file name exactly as written (the program
// writes the names it chose itself). Creating a new file never lists its folder, so writing many
// files into one folder stays linear.
std::string ResolveDiskPathForWrite(std::string_view path);

bool PathExists(std::string_view path);
bool IsDirectory(std::string_view path);
bool IsRegularFile(std::string_view path);
// The four below note a refusal of the system (no space, no permission, an
// I/O error...) as the process's storage failure; a missing file or an
// existing folder is only their result.
// Creates one folder; an existing folder is not an error. True when the
// folder exists afterwards.
bool MakeFolder(std::string_view path);
bool DeleteFile(std::string_view path);
bool RenameFile(std::string_view from, std::string_view to);
// Copies a file, replacing an existing destination.
bool CopyFile(std::string_view from, std::string_view to);

}  // namespace kv
