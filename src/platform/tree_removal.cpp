#include "platform/tree_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/dir_listing.h"

namespace kv {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

void Failed(TreeRemoval& result, int error, const std::string& path) {
  if (result.error != 0) return;
  result.error = error;
  result.failed_path = path;
}

bool RemoveEntry(int folder_fd, const DirEntry& entry, const std::string& shown, TreeRemoval& result,
                 const std::atomic<bool>* cancel) {
  const std::string path = shown + "/" + entry.name;
  if (!entry.is_dir) {
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
  std::vector<DirEntry> entries;
  if (!ReadFolderEntries(folder_fd, entries)) {
    Failed(result, errno, shown);
    return false;
  }
  bool all = true;
  for (const DirEntry& entry : entries) {
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
