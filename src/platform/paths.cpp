#include "platform/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/encoding.h"
#include "platform/storage_failure.h"

namespace kv {
namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool AsciiEqualIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool DiskExists(const std::string& disk) {
  struct stat st;
  return ::stat(disk.c_str(), &st) == 0;
}

}  // namespace

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

size_t FindLastSeparator(std::string_view path) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLead(c) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (IsSeparator(static_cast<char>(c))) last = i;
  }
  return last;
}

std::string JoinPath(std::string_view path, std::string_view name) {
  std::string out(path);
  if (!out.empty() && FindLastSeparator(out) != out.size() - 1) out.push_back('/');
  out.append(name);
  return out;
}

PathParts SplitPath(std::string_view path) {
  PathParts parts;
  size_t sep = FindLastSeparator(path);
  size_t name_start = sep == std::string_view::npos ? 0 : sep + 1;
  parts.folder.assign(path.substr(0, name_start));
  parts.name.assign(path.substr(name_start));
  size_t dot = parts.name.rfind('.');
  if (dot == std::string::npos) {
    parts.base = parts.name;
  } else {
    parts.base = parts.name.substr(0, dot);
    parts.extension = parts.name.substr(dot);
  }
  return parts;
}

std::string DropTrailingSeparator(std::string_view path) {
  if (path.size() > 1 && FindLastSeparator(path) == path.size() - 1) path.remove_suffix(1);
  return std::string(path);
}

std::string ToDiskPath(std::string_view path) {
  std::string utf8;
  if (!TryToUtf8(path, utf8)) utf8.assign(path);
  // Turn every separator "\" into "/"; in the UTF-8 form a 0x5C byte is
  // always a backslash character.
  for (char& c : utf8)
    if (c == '\\') c = '/';
  return utf8;
}

std::string FromDiskName(std::string_view utf8) {
  std::string out;
  if (!TryToCp932(utf8, out)) out.assign(utf8);
  return out;
}

std::string ResolveDiskPath(std::string_view path) {
  std::string disk = ToDiskPath(path);
  if (disk.empty() || DiskExists(disk)) return disk;
  // Walk the components; each one that does not exist is looked up in its
  // parent ignoring ASCII case.
  std::string resolved;
  size_t pos = 0;
  if (disk[0] == '/') {
    resolved = "/";
    pos = 1;
  }
  while (pos <= disk.size()) {
    size_t next = disk.find('/', pos);
    if (next == std::string::npos) next = disk.size();
    std::string component = disk.substr(pos, next - pos);
    pos = next + 1;
    if (component.empty()) continue;
    std::string candidate = resolved + component;
    if (component != "." && component != ".." && !DiskExists(candidate)) {
      std::string parent = resolved.empty() ? "." : resolved;
      DIR* dir = ::opendir(parent.c_str());
      if (dir == nullptr) {
        // A folder that cannot be listed hides what it holds: unless it is
        // simply not there, the lookup's answer would be wrong.
        if (IsRefusal(errno)) NoteReadFailure(errno, parent);
        return disk;
      }
      bool found = false;
      errno = 0;
      while (dirent* entry = ::readdir(dir)) {
        if (AsciiEqualIgnoreCase(entry->d_name, component)) {
          candidate = resolved + entry->d_name;
          found = true;
          break;
        }
      }
      if (!found && errno != 0) NoteReadFailure(errno, parent);
      ::closedir(dir);
      if (!found) return disk;
    }
    resolved = candidate;
    if (pos <= disk.size()) resolved.push_back('/');
  }
  if (resolved.size() > 1 && resolved.back() == '/' && disk.back() != '/') resolved.pop_back();
  return resolved;
}

std::string ResolveDiskPathForWrite(std::string_view path) {
  std::string disk = ToDiskPath(path);
  if (disk.empty() || DiskExists(disk)) return disk;
  size_t slash = disk.rfind('/');
  if (slash == std::string::npos) return disk;
  std::string folder = disk.substr(0, slash);
  if (folder.empty() || DiskExists(folder)) return disk;
  return ResolveDiskPath(folder) + disk.substr(slash);
}

bool PathExists(std::string_view path) { return DiskExists(ResolveDiskPath(path)); }

bool IsDirectory(std::string_view path) {
  struct stat st;
  return ::stat(ResolveDiskPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(std::string_view path) {
  struct stat st;
  return ::stat(ResolveDiskPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeFolder(std::string_view path) {
  std::string disk = ToDiskPath(DropTrailingSeparator(path));
  if (::mkdir(disk.c_str(), 0777) == 0) return true;
  NoteWriteFailure(errno, path);
  struct stat st;
  return ::stat(disk.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(std::string_view path) {
  if (::unlink(ResolveDiskPath(path).c_str()) == 0) return true;
  NoteWriteFailure(errno, path);
  return false;
}

bool RenameFile(std::string_view from, std::string_view to) {
  if (std::rename(ResolveDiskPath(from).c_str(), ToDiskPath(to).c_str()) == 0) return true;
  NoteWriteFailure(errno, to);
  return false;
}

bool CopyFile(std::string_view from, std::string_view to) {
  std::error_code ec;
  std::filesystem::copy_file(ResolveDiskPath(from), ToDiskPath(to),
                             std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) NoteWriteFailure(ec.value(), to);
  return !ec;
}

}  // namespace kv
