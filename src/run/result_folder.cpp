#include "run/result_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/paths.h"
#include "platform/storage_failure.h"
#include "platform/text_file.h"
#include "platform/tree_removal.h"

namespace kv {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Copies the bytes of one open file into a file created new in `to_dir`;
// 0 or the errno of the failure.
int CopyBytes(int from, int to_dir, const char* name) {
  Fd to(::openat(to_dir, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (to.get() < 0) return errno;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;
    if (!WriteAll(to.get(), buffer, static_cast<size_t>(n))) return errno;
  }
  return ::close(to.release()) == 0 ? 0 : errno;
}

}  // namespace

ResultFolder::~ResultFolder() {
  if (fd_ >= 0) ::close(fd_);
  if (parent_fd_ >= 0) ::close(parent_fd_);
}

bool ResultFolder::Create(const std::string& parent, const std::string& name) {
  std::string parent_disk = ResolveDiskPath(DropTrailingSeparator(parent));
  if (parent_disk.empty()) parent_disk = ".";
  Fd parent_fd(::open(parent_disk.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (parent_fd.get() < 0) {
    Fail(errno, parent_disk);
    return false;
  }
  const std::string disk_name = ToDiskPath(name);
  for (int attempt = 1; attempt < 1000; ++attempt) {
    std::string suffix = attempt == 1 ? "" : "_" + std::to_string(attempt);
    std::string candidate = disk_name + suffix;
    if (::mkdirat(parent_fd.get(), candidate.c_str(), 0777) != 0) {
      if (errno == EEXIST) continue;
      Fail(errno, parent_disk + "/" + candidate);
      return false;
    }
    fd_ = ::openat(parent_fd.get(), candidate.c_str(), kFolderFlags);
    disk_path_ = parent_disk + "/" + candidate;
    disk_name_ = candidate;
    name_ = name + suffix;
    path_ = JoinPath(parent, name_);
    if (fd_ < 0) {
      // Made but not opened: the empty folder goes again at once.
      Fail(errno, disk_path_);
      ::unlinkat(parent_fd.get(), candidate.c_str(), AT_REMOVEDIR);
      disk_path_.clear();
      return false;
    }
    parent_fd_ = parent_fd.release();
    return true;
  }
  Fail(EEXIST, parent_disk + "/" + disk_name);
  return false;
}

// A source of the copy that exists but cannot be read: the copy cannot be
// complete, which fails it like a refused write (the caller names it).
CopyResult ResultFolder::FailReading(int error, const std::string& what) {
  NoteReadFailure(error, FromDiskName(what));
  return Fail(error, what);
}

CopyResult ResultFolder::Fail(int error, const std::string& what) {
  if (error_ == 0) {
    error_ = error == 0 ? EIO : error;
    failed_path_ = what;
  }
  return CopyResult::kWriteFailed;
}

// Opens a folder below the result folder, component by component, never
// through a symlink; -1 (errno set) when that fails.
int ResultFolder::OpenSubFolder(const std::string& rest) {
  int fd = ::dup(fd_);
  size_t start = 0;
  while (fd >= 0 && start < rest.size()) {
    size_t end = rest.find('/', start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    int next = ::openat(fd, part.c_str(), kFolderFlags);
    int saved = errno;
    ::close(fd);
    fd = next;
    errno = saved;
  }
  return fd;
}

CopyResult ResultFolder::MakeFolder(std::string_view relative) {
  if (fd_ < 0) return Fail(EBADF, disk_path_);
  std::string disk = ToDiskPath(relative);
  size_t slash = disk.rfind('/');
  Fd parent(OpenSubFolder(slash == std::string::npos ? std::string() : disk.substr(0, slash)));
  if (parent.get() < 0) return Fail(errno, disk_path_ + "/" + disk);
  std::string name = slash == std::string::npos ? disk : disk.substr(slash + 1);
  if (::mkdirat(parent.get(), name.c_str(), 0777) != 0) return Fail(errno, disk_path_ + "/" + disk);
  return CopyResult::kDone;
}

int ResultFolder::CreateFile(std::string_view relative) {
  if (fd_ < 0) {
    Fail(EBADF, disk_path_);
    return -1;
  }
  std::string disk = ToDiskPath(relative);
  size_t slash = disk.rfind('/');
  Fd folder(OpenSubFolder(slash == std::string::npos ? std::string() : disk.substr(0, slash)));
  if (folder.get() < 0) {
    Fail(errno, disk_path_ + "/" + disk);
    return -1;
  }
  std::string name = slash == std::string::npos ? disk : disk.substr(slash + 1);
  int fd = ::openat(folder.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) Fail(errno, disk_path_ + "/" + disk);
  return fd;
}

// A source folder that could not be opened: missing (nothing to copy) or a
// failure named like any other read.
CopyResult ResultFolder::SourceNotOpened(int error, const std::string& source_disk) {
  if (error == ENOENT || error == ENOTDIR) return CopyResult::kSourceMissing;
  return FailReading(error, source_disk);
}

CopyResult ResultFolder::CopyContentsOf(const std::string& source, const StopTest& stop) {
  if (fd_ < 0) return Fail(EBADF, disk_path_);
  std::string source_disk = ResolveDiskPath(DropTrailingSeparator(source));
  Fd from(::open(source_disk.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (from.get() < 0) return SourceNotOpened(errno, source_disk);
  return CopyTree(from.get(), fd_, disk_path_, stop);
}

CopyResult ResultFolder::CopyFolderInto(const std::string& source, std::string_view into, const StopTest& stop) {
  if (fd_ < 0) return Fail(EBADF, disk_path_);
  std::string source_disk = ResolveDiskPath(DropTrailingSeparator(source));
  Fd from(::open(source_disk.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (from.get() < 0) return SourceNotOpened(errno, source_disk);
  std::string where = disk_path_ + (into.empty() ? "" : "/" + ToDiskPath(into));
  Fd to_parent(OpenSubFolder(ToDiskPath(into)));
  if (to_parent.get() < 0) return Fail(errno, where);
  std::string name = std::filesystem::path(source_disk).filename().string();
  if (::mkdirat(to_parent.get(), name.c_str(), 0777) != 0) return Fail(errno, where + "/" + name);
  Fd to(::openat(to_parent.get(), name.c_str(), kFolderFlags));
  if (to.get() < 0) return Fail(errno, where + "/" + name);
  return CopyTree(from.get(), to.get(), where + "/" + name, stop);
}

CopyResult ResultFolder::CopyTree(int from_fd, int to_fd, const std::string& where, const StopTest& stop) {
  std::vector<DirEntry> entries;
  if (!ReadFolderEntries(from_fd, entries)) return FailReading(errno, where);
  for (const DirEntry& entry : entries) {
    const std::string& name = entry.name;
    if (stop && stop()) return CopyResult::kStopped;
    // A file the listing calls regular is linked without a look of its own
    // (a result of a large project holds hundreds of thousands); when that
    // fails, the steps below find out why.
    if (entry.is_file && ::linkat(from_fd, name.c_str(), to_fd, name.c_str(), 0) == 0) continue;
    struct stat st;
    if (::fstatat(from_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;
      return FailReading(errno, name);
    }
    if (S_ISDIR(st.st_mode)) {
      Fd sub_from(::openat(from_fd, name.c_str(), kFolderFlags));
      if (sub_from.get() < 0) {
        if (errno == ENOENT || errno == ELOOP || errno == ENOTDIR) continue;
        return FailReading(errno, name);
      }
      if (::mkdirat(to_fd, name.c_str(), 0777) != 0) return Fail(errno, where + "/" + name);
      Fd sub_to(::openat(to_fd, name.c_str(), kFolderFlags));
      if (sub_to.get() < 0) return Fail(errno, where + "/" + name);
      CopyResult result = CopyTree(sub_from.get(), sub_to.get(), where + "/" + name, stop);
      if (result != CopyResult::kDone) return result;
      continue;
    }
    if (!S_ISREG(st.st_mode)) continue;
    if (::linkat(from_fd, name.c_str(), to_fd, name.c_str(), 0) == 0) continue;
    if (errno != EXDEV && errno != EPERM && errno != EMLINK && errno != EACCES) return Fail(errno, where + "/" + name);
    CopyResult result = CopyEntry(from_fd, name.c_str(), to_fd, where);
    if (result != CopyResult::kDone) return result;
  }
  return CopyResult::kDone;
}

CopyResult ResultFolder::CopyEntry(int from_dir, const char* name, int to_dir, const std::string& where) {
  Fd from(::openat(from_dir, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (from.get() < 0) {
    if (errno == ENOENT || errno == ELOOP) return CopyResult::kSourceMissing;
    return FailReading(errno, name);
  }
  int error = CopyBytes(from.get(), to_dir, name);
  return error == 0 ? CopyResult::kDone : Fail(error, where + "/" + name);
}

CopyResult ResultFolder::CopyFile(const std::string& source, std::string_view relative) {
  if (fd_ < 0) return Fail(EBADF, disk_path_);
  const std::string source_disk = ResolveDiskPath(source);
  Fd from(::open(source_disk.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (from.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP) return CopyResult::kSourceMissing;
    return FailReading(errno, source_disk);
  }
  struct stat st;
  if (::fstat(from.get(), &st) != 0) return FailReading(errno, source_disk);
  if (!S_ISREG(st.st_mode)) return CopyResult::kSourceMissing;
  std::string disk = ToDiskPath(relative);
  size_t slash = disk.rfind('/');
  Fd to_dir(OpenSubFolder(slash == std::string::npos ? std::string() : disk.substr(0, slash)));
  if (to_dir.get() < 0) return Fail(errno, disk_path_ + "/" + disk);
  std::string name = slash == std::string::npos ? disk : disk.substr(slash + 1);
  int error = CopyBytes(from.get(), to_dir.get(), name.c_str());
  return error == 0 ? CopyResult::kDone : Fail(error, disk_path_ + "/" + disk);
}

bool ResultFolder::Remove() {
  if (disk_path_.empty()) return true;
  if (fd_ < 0 || parent_fd_ < 0) return false;
  TreeRemoval removal;
  const bool emptied = RemoveFolderContents(fd_, disk_path_, removal);
  // The name is removed only while it is still this folder: one renamed
  // away and replaced meanwhile is emptied where it is now, and whatever
  // took its name stays.
  bool removed = false;
  struct stat ours, named;
  if (emptied && ::fstat(fd_, &ours) == 0 &&
      ::fstatat(parent_fd_, disk_name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && ours.st_dev == named.st_dev &&
      ours.st_ino == named.st_ino)
    removed = ::unlinkat(parent_fd_, disk_name_.c_str(), AT_REMOVEDIR) == 0;
  ::close(fd_);
  ::close(parent_fd_);
  fd_ = -1;
  parent_fd_ = -1;
  if (removed) disk_path_.clear();
  return removed;
}

}  // namespace kv
