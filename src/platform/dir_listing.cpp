#include "platform/dir_listing.h"

#include <dirent.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "platform/paths.h"
#include "platform/storage_failure.h"

namespace kv {
namespace {

unsigned char Upper(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c; }

bool MatchFrom(std::string_view p, std::string_view s) {
  // Iterative wildcard matching with backtracking on the last "*".
  size_t pi = 0, si = 0, star = std::string_view::npos, mark = 0;
  while (si < s.size()) {
    if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = si;
    } else if (pi < p.size() &&
               (p[pi] == '?' || Upper(static_cast<unsigned char>(p[pi])) ==
                                    Upper(static_cast<unsigned char>(s[si])))) {
      ++pi;
      ++si;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      si = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace

bool MatchPattern(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  // "x.*" also matches "x" (no extension), as on Windows.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos &&
      MatchFrom(pattern.substr(0, pattern.size() - 2), name))
    return true;
  return MatchFrom(pattern, name);
}

bool NtfsNameLess(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = Upper(static_cast<unsigned char>(a[i]));
    unsigned char y = Upper(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

DirListing ListDirectory(std::string_view folder, std::string_view pattern, Unlistable unlistable) {
  DirListing listing;
  std::string disk = ResolveDiskPath(folder);
  if (disk.empty()) disk = ".";
  DIR* dir = ::opendir(disk.c_str());
  if (dir == nullptr) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) return listing;
    listing.error = error;
    const bool left_out = error == EACCES || error == EPERM || error == ELOOP;
    if (!(left_out && unlistable == Unlistable::kLeaveOut)) NoteReadFailure(error, folder);
    return listing;
  }
  struct Raw {
    std::string disk_name;
    bool is_dir;
  };
  std::vector<Raw> raw;
  for (;;) {
    errno = 0;
    dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      if (errno != 0) {
        listing.error = errno;
        NoteReadFailure(errno, folder);
      }
      break;
    }
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!MatchPattern(pattern, name)) continue;
    bool is_dir = false;
    if (entry->d_type == DT_DIR) {
      is_dir = true;
    } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat st;
      std::string full = disk + "/" + std::string(name);
      is_dir = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    raw.push_back({std::string(name), is_dir});
  }
  ::closedir(dir);
  std::sort(raw.begin(), raw.end(),
            [](const Raw& a, const Raw& b) { return NtfsNameLess(a.disk_name, b.disk_name); });
  listing.found = MatchPattern(pattern, ".") || !raw.empty();
  listing.entries.reserve(raw.size());
  for (Raw& r : raw) listing.entries.push_back({FromDiskName(r.disk_name), r.is_dir});
  return listing;
}

bool ReadFolderEntries(int folder_fd, std::vector<DirEntry>& entries) {
  int fd = ::dup(folder_fd);
  if (fd < 0) return false;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return false;
  }
  ::rewinddir(dir);  // the duplicate shares the offset of an earlier listing
  for (;;) {
    errno = 0;
    dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    entries.push_back({std::string(name), entry->d_type == DT_DIR, entry->d_type == DT_REG});
  }
  const int error = errno;
  ::closedir(dir);
  errno = error;
  return error == 0;
}

}  // namespace kv
