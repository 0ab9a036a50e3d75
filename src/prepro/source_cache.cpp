#include "prepro/source_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/paths.h"
#include "platform/storage_failure.h"
#include "platform/text_file.h"

namespace kv {
namespace {

// A source file's bytes. A file the walk found readable that cannot be
// read now, or a read that fails half-way, is the system's failure: it is
// noted (the run then ends naming it) rather than taken as a short file.
bool ReadRegularFile(const std::string& disk_path, std::string& bytes) {
  int fd = ::open(disk_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno != ENOENT && errno != ENOTDIR) NoteReadFailure(errno, FromDiskName(disk_path));
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    NoteReadFailure(errno, FromDiskName(disk_path));
    ::close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  bytes.clear();
  bytes.reserve(static_cast<size_t>(st.st_size));
  char chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      NoteReadFailure(errno, FromDiskName(disk_path));
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace

bool StatPath(std::string_view path, PathFacts& facts) {
  struct stat st;
  if (::stat(ResolveDiskPath(path).c_str(), &st) != 0) return false;
  facts.id = {st.st_dev, st.st_ino};
  facts.is_directory = S_ISDIR(st.st_mode);
  facts.is_regular = S_ISREG(st.st_mode);
  return true;
}

SourceCache::PathEntry& SourceCache::Facts(const std::string& path) {
  auto [it, inserted] = paths_.try_emplace(path);
  PathEntry& entry = it->second;
  if (!inserted) return entry;
  PathFacts facts;
  entry.exists = StatPath(path, facts);
  return entry;
}

bool SourceCache::Exists(const std::string& path) { return Facts(path).exists; }

const SourceFile* SourceCache::Get(const std::string& path) {
  PathEntry& entry = Facts(path);
  if (entry.looked_up || !entry.exists) return entry.file;
  entry.looked_up = true;
  // Only regular files: an include naming a folder, a FIFO or a device is
  // not read.
  std::string disk = ResolveDiskPath(path);
  struct stat st;
  if (::stat(disk.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  FileId id{st.st_dev, st.st_ino};
  auto found = files_.find(id);
  if (found != files_.end()) {
    entry.file = found->second.get();
    return entry.file;
  }
  std::string bytes;
  if (!ReadRegularFile(disk, bytes)) return nullptr;
  ++reads_;
  auto file = std::make_unique<SourceFile>();
  file->id = id;
  SourceText source = SourceToCp932(bytes, encoding_);
  file->text = StripCarriageReturns(source.text);
  file->stand_ins = source.stand_ins;
  file->bom_removed = source.bom_in_cp932;
  entry.file = file.get();
  files_.emplace(id, std::move(file));
  return entry.file;
}

bool SourceLineReader::ReadLine(std::string& line, size_t buffer_size) {
  line.clear();
  if (pos_ >= text_.size() || buffer_size < 2) return false;
  size_t take = std::min(text_.size() - pos_, buffer_size - 1);
  const char* start = text_.data() + pos_;
  if (const void* nl = std::memchr(start, '\n', take)) take = static_cast<size_t>(static_cast<const char*>(nl) - start) + 1;
  pos_ += take;
  ended_line_ = start[take - 1] == '\n';
  if (const void* nul = std::memchr(start, '\0', take)) take = static_cast<size_t>(static_cast<const char*>(nul) - start);
  line.assign(start, take);
  return true;
}

}  // namespace kv
