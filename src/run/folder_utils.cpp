#include "run/folder_utils.h"

#include <filesystem>
#include <system_error>

#include "platform/dir_listing.h"
#include "platform/paths.h"

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

int DeleteFolderTree(std::string_view folder) {
  if (folder.empty()) return 0;
  std::string disk = ResolveDiskPath(DropTrailingSeparator(folder));
  std::error_code ec;
  if (!fs::is_directory(disk, ec)) return 0;
  fs::remove_all(disk, ec);
  return ec ? 0 : 1;
}

int RemoveFolderTree(std::string_view folder) {
  std::string path = DropTrailingSeparator(folder);
  DirListing listing = ListDirectory(path, "*.*");
  if (!listing.found) return 0;
  for (const DirEntry& entry : listing.entries) {
    std::string child = JoinPath(path, entry.name);
    if (entry.is_dir) {
      RemoveFolderTree(child);
    } else {
      DeleteFile(child);
    }
  }
  std::error_code ec;
  return fs::remove(ResolveDiskPath(path), ec) && !ec ? 1 : 0;
}

namespace {

// Recreates the folders of `from` below `to` and links every file, copying
// the ones that cannot be linked (another file system, no permission).
bool LinkTree(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to, ec);
  if (ec) return false;
  bool ok = true;
  for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path target = to / it->path().filename();
    if (it->is_directory(ec)) {
      ok = LinkTree(it->path(), target) && ok;
      continue;
    }
    fs::create_hard_link(it->path(), target, ec);
    if (ec == std::errc::file_exists) {
      ec.clear();
      fs::remove(target, ec);
      fs::create_hard_link(it->path(), target, ec);
    }
    if (ec) {
      ec.clear();
      fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing, ec);
      if (ec) ok = false;
    }
    ec.clear();
  }
  return ok && !ec;
}

}  // namespace

int CopyFolderInto(std::string_view source, std::string_view destination, FolderCopy how) {
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
  if (how == FolderCopy::kLinkFiles) return LinkTree(src_disk, target) ? 1 : 0;
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
