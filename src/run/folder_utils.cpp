#include "run/folder_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/paths.h"
#include "platform/tree_removal.h"

namespace fs = std::filesystem;

namespace kv {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (IsSeparator(x) && IsSeparator(y)) continue;
    if (x != y) return false;
  }
  return true;
}

}  // namespace

namespace {

// Removes the folder at an internal path with all it holds, through
// descriptors (see tree_removal.h). A symlink at the path itself is left
// alone, and so is anything that is not a folder.
bool RemoveFolderAt(std::string_view folder) {
  const std::string disk = ResolveDiskPath(DropTrailingSeparator(folder));
  const size_t slash = disk.rfind('/');
  const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : disk.substr(0, slash);
  const std::string name = slash == std::string::npos ? disk : disk.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return false;
  const int parent_fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent_fd < 0) return false;
  struct stat st;
  bool removed = false;
  if (::fstatat(parent_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
    TreeRemoval result;
    removed = RemoveTreeAt(parent_fd, name, disk, result);
  }
  ::close(parent_fd);
  return removed;
}

}  // namespace

int DeleteFolderTree(std::string_view folder) {
  if (folder.empty()) return 0;
  return RemoveFolderAt(folder) ? 1 : 0;
}

int RemoveFolderTree(std::string_view folder) { return RemoveFolderAt(folder) ? 1 : 0; }

int CopyFolderInto(std::string_view source, std::string_view destination) {
  std::string src = DropTrailingSeparator(source);
  std::string dst = DropTrailingSeparator(destination);
  if (!IsDirectory(src)) return 0;
  if (SameIgnoringCase(src, dst)) return 0;
  std::string src_disk = ResolveDiskPath(src);
  std::string dst_disk = ResolveDiskPath(dst);
  std::error_code ec;
  if (fs::equivalent(src_disk, dst_disk, ec)) return 0;
  fs::create_directories(dst_disk, ec);
  if (ec) return 0;
  fs::path target = fs::path(dst_disk) / fs::path(src_disk).filename();
  fs::copy(src_disk, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  return ec ? 0 : 1;
}

Prototype SplitPrototype(std::string_view line) {
  Prototype out;
  size_t paren = line.find('(');
  std::string_view head = line;
  if (paren != std::string_view::npos) {
    out.arguments.assign(line.substr(paren));
    head = line.substr(0, paren == 0 ? 0 : paren - 1);
  }
  size_t split = head.rfind(' ');
  if (split == std::string_view::npos) split = head.rfind('\t');
  if (split == std::string_view::npos) {
    out.name.assign(head);
  } else {
    out.type.assign(head.substr(0, split));
    out.name.assign(head.substr(split + 1));
  }
  return out;
}

}  // namespace kv
