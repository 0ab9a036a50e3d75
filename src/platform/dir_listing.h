// Directory searches as the Windows find-first/find-next pair gave them, in
// the order an NTFS volume returns names: by name with ASCII letters compared
// upper-cased, then byte order. Never raw readdir order, so results do not
// depend on the machine.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct DirEntry {
  std::string name;  // CP932, as the program uses names
  bool is_dir = false;
  // ReadFolderEntries only: the listing's type says a regular file (false
  // when it does not know).
  bool is_file = false;
};

struct DirListing {
  // What find-first reported: the folder exists and the pattern matched at
  // least one name, "." and ".." included ("*.*" always finds "." in an
  // existing folder; "*.c" does not).
  bool found = false;
  // Matching entries without "." and "..", in NTFS order.
  std::vector<DirEntry> entries;
  // errno of a folder that exists but could not be listed; 0 otherwise.
  int error = 0;
};

// The entries of an open folder as readdir gives them ("." and ".." left
// out; names as on disk, is_dir and is_file as the listing's type says,
// false when it does not know). The descriptor is duplicated, so the caller's stays
// open. False with errno set when the folder cannot be listed completely.
bool ReadFolderEntries(int folder_fd, std::vector<DirEntry>& entries);

// What a folder that exists but cannot be opened for listing means: for the
// program's own folders a failure of the run (noted as the storage
// failure, see storage_failure.h); for a folder of the project a folder to
// leave out when it is a permission (or symlink-loop) problem, which the
// caller names. A listing cut short by a read error is always a failure.
enum class Unlistable { kFailure, kLeaveOut };

// Wildcard match ignoring ASCII case: "*" any run, "?" one character; "*.*"
// matches every name, with or without a dot.
bool MatchPattern(std::string_view pattern, std::string_view name);

// Lists `folder` (an internal path) for `pattern`.
DirListing ListDirectory(std::string_view folder, std::string_view pattern,
                         Unlistable unlistable = Unlistable::kFailure);

// True when a < b in NTFS listing order (names as UTF-8 disk names).
bool NtfsNameLess(std::string_view a, std::string_view b);

}  // namespace kv
