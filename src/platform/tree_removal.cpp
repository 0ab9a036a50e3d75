#include "platform/tree_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace kv {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

void Failed(TreeRemoval& result, int error, const std::string& path) {
  if (result.error != 0) return;
  result.error = error;
  result.failed_path = path;
}

struct Entry {
  std::string name;
  bool folder;  // as the listing says; unknown types are tried as files first
};

// The entries of an open folder ("." and ".." left out); false with errno
// set when it cannot be listed completely.
bool ListEntries(int folder_fd, std::vector<Entry>& entries) {
  int fd = ::dup(folder_fd);
  if (fd < 0) return false;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return false;
  }
  ::rewinddir(dir);
  for (;;) {
    errno = 0;
    dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    entries.push_back({std::string(name), entry->d_type == DT_DIR});
  }
  const int error = errno;
  ::closedir(dir);
  errno = error;
  return error == 0;
}

bool RemoveEntry(int folder_fd, const Entry& entry, const std::string& shown, TreeRemoval& result,
                 const std::atomic<bool>* cancel) {
  const std::string path = shown + "/" + entry.name;
  if (!entry.folder) {
    if (::unlinkat(folder_fd, entry.name.c_str(), 0) == 0 || errno == ENOENT) {
      ++result.removed;
      return true;
    }
    if (errno != EISDIR && errno != EPERM) {
      Failed(result, errno, path);
      return false;
    }
  }
  return RemoveTreeAt(folder_fd, entry.name, path, result, cancel);
}

}  // namespace

bool RemoveFolderContents(int folder_fd, const std::string& shown, TreeRemoval& result,
                          const std::atomic<bool>* cancel) {
  std::vector<Entry> entries;
  if (!ListEntries(folder_fd, entries)) {
    Failed(result, errno, shown);
    return false;
  }
  bool all = true;
  for (const Entry& entry : entries) {
    if (cancel != nullptr && cancel->load()) {
      result.cancelled = true;
      return false;
    }
    if (!RemoveEntry(folder_fd, entry, shown, result, cancel)) all = false;
    if (result.cancelled) return false;
  }
  return all;
}

bool RemoveTreeAt(int parent_fd, const std::string& name, const std::string& shown, TreeRemoval& result,
                  const std::atomic<bool>* cancel) {
  const int fd = ::openat(parent_fd, name.c_str(), kFolderFlags);
  if (fd < 0) {
    if (errno == ENOENT) return true;
    if (errno != ELOOP && errno != ENOTDIR) {
      Failed(result, errno, shown);
      return false;
    }
    // Not a folder of its own (a symlink, or a file): removed as an entry.
    if (::unlinkat(parent_fd, name.c_str(), 0) == 0 || errno == ENOENT) {
      ++result.removed;
      return true;
    }
    Failed(result, errno, shown);
    return false;
  }
  const bool emptied = RemoveFolderContents(fd, shown, result, cancel);
  ::close(fd);
  if (!emptied) return false;
  if (::unlinkat(parent_fd, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT) {
    ++result.removed;
    return true;
  }
  Failed(result, errno, shown);
  return false;
}

}  // namespace kv
