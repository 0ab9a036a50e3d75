#include "platform/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_write_queue.h"
#include "platform/paths.h"
#include "platform/storage_failure.h"

namespace kv {
namespace {

constexpr size_t kFlushSize = 64 * 1024;

}  // namespace

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool TextWriter::Open(std::string_view path, WriteMode mode, FileWriteQueue* queue) {
  if (queue == nullptr) return Open(path, mode);
  Close();
  failed_ = false;
  queue_ = queue;
  queued_open_ = true;
  queued_path_.assign(path);
  queued_mode_ = mode;
  return true;
}

bool TextWriter::Open(std::string_view path, WriteMode mode, LastLink link) {
  Close();
  failed_ = false;
  path_.assign(path);
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
  if (mode == WriteMode::kTruncate) flags |= O_TRUNC;
  if (mode == WriteMode::kAppend) flags |= O_APPEND;
  if (link == LastLink::kNoFollow) flags |= O_NOFOLLOW;
  // The path as written first: the common case costs one system call; the
  // folder is looked up ignoring case only when it is not there as written.
  fd_ = ::open(ToDiskPath(path).c_str(), flags, 0666);
  if (fd_ < 0 && errno == ENOENT) fd_ = ::open(ResolveDiskPathForWrite(path).c_str(), flags, 0666);
  if (fd_ < 0) NoteWriteFailure(errno, path);
  return fd_ >= 0;
}

void TextWriter::Adopt(int fd, std::string_view path) {
  Close();
  failed_ = false;
  path_.assign(path);
  fd_ = fd;
}

void TextWriter::Write(std::string_view text) {
  if (!is_open()) return;
  // The runs between line ends are copied whole (memchr finds the ends).
  const char* run = text.data();
  const char* const end = run + text.size();
  while (run < end) {
    const auto* line_end = static_cast<const char*>(std::memchr(run, '\n', static_cast<size_t>(end - run)));
    if (line_end == nullptr) {
      buffer_.append(run, static_cast<size_t>(end - run));
      break;
    }
    buffer_.append(run, static_cast<size_t>(line_end - run));
    buffer_.append("\r\n", 2);
    run = line_end + 1;
  }
  if (!queued_open_ && buffer_.size() >= kFlushSize) Flush();
}

void TextWriter::Flush() {
  if (fd_ < 0 || buffer_.empty()) return;
  if (!WriteAll(fd_, buffer_.data(), buffer_.size())) {
    failed_ = true;
    NoteWriteFailure(errno, path_);
  }
  buffer_.clear();
}

bool TextWriter::Close() {
  if (queued_open_) {
    queued_open_ = false;
    queue_->Submit(std::move(queued_path_), queued_mode_, std::move(buffer_));
    buffer_.clear();
    queued_path_.clear();
    return true;
  }
  if (fd_ < 0) return !failed_;
  Flush();
  if (::close(fd_) != 0) {
    failed_ = true;
    NoteWriteFailure(errno, path_);
  }
  fd_ = -1;
  return !failed_;
}

void StripCarriageReturnsInPlace(std::string& text) {
  // Work files are written with CR LF on every line: move the runs between
  // the pairs down whole rather than byte by byte.
  size_t to = text.find("\r\n");
  if (to == std::string::npos) return;
  size_t from = to;
  while (from < text.size()) {
    ++from;  // past the "\r" of a pair; its "\n" starts the next run
    size_t end = text.find("\r\n", from);
    if (end == std::string::npos) end = text.size();
    // The run moves down (to < from): a forward copy is safe.
    std::copy(text.begin() + static_cast<std::ptrdiff_t>(from), text.begin() + static_cast<std::ptrdiff_t>(end),
              text.begin() + static_cast<std::ptrdiff_t>(to));
    to += end - from;
    from = end;
  }
  text.resize(to);
}

std::string StripCarriageReturns(std::string_view bytes) {
  // Most files have no "\r" at all: copy the runs between them whole.
  std::string out;
  out.reserve(bytes.size());
  size_t from = 0;
  for (size_t cr = bytes.find('\r'); cr != std::string_view::npos; cr = bytes.find('\r', cr + 1)) {
    if (cr + 1 >= bytes.size() || bytes[cr + 1] != '\n') continue;
    out.append(bytes.substr(from, cr - from));
    from = cr + 1;
  }
  out.append(bytes.substr(from));
  return out;
}

namespace {

// Opens a file for reading without blocking on a pipe; -1 with errno set.
int OpenForRead(std::string_view path, int extra_flags, WorkName lookup = WorkName::kAnyCase) {
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | extra_flags;
  int fd = ::open(ToDiskPath(path).c_str(), flags);
  if (fd < 0 && errno == ENOENT && lookup == WorkName::kAnyCase) fd = ::open(ResolveDiskPath(path).c_str(), flags);
  return fd;
}

// Whether a failed open for reading is the file's absence (or the name
// standing for something else), which callers expect and handle.
bool IsAbsence(int error) {
  return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == ENXIO || error == EISDIR;
}

// Reads an open regular file of at most max_bytes; a failed read is noted.
ReadProblem ReadOpenFile(int fd, std::string_view path, std::string& bytes, size_t max_bytes) {
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    NoteReadFailure(errno, path);
    return ReadProblem::kFailed;
  }
  if (!S_ISREG(st.st_mode)) return ReadProblem::kNotRegular;
  if (static_cast<unsigned long long>(st.st_size) > max_bytes) return ReadProblem::kTooLarge;
  // Read straight into the string, sized one byte past the file. A file
  // that gave the size it stated is read: no second read() asks for the end
  // (the run reads hundreds of thousands of files; one that grows meanwhile
  // is taken as it was when its size was looked at). A size of 0 says
  // nothing (such files are read to their end).
  const size_t stated = static_cast<size_t>(st.st_size);
  bytes.assign(stated > 0 ? stated + 1 : 65536, '\0');
  size_t used = 0;
  for (;;) {
    if (stated > 0 && used == stated) break;
    if (used == bytes.size()) bytes.resize(bytes.size() * 2);
    ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      NoteReadFailure(errno, path);
      bytes.resize(used);
      return ReadProblem::kFailed;
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
    // A file that grows while it is read is held to the same bound.
    if (used > max_bytes) {
      bytes.resize(used);
      return ReadProblem::kTooLarge;
    }
  }
  bytes.resize(used);
  return ReadProblem::kNone;
}

}  // namespace

bool ReadFileBytes(std::string_view path, std::string& bytes) {
  int fd = OpenForRead(path, 0);
  if (fd < 0) {
    if (!IsAbsence(errno)) NoteReadFailure(errno, path);
    return false;
  }
  ReadProblem problem = ReadOpenFile(fd, path, bytes, static_cast<size_t>(-1));
  ::close(fd);
  return problem == ReadProblem::kNone;
}

ReadProblem ReadWorkFileBytes(std::string_view path, std::string& bytes, size_t max_bytes, WorkName lookup) {
  int fd = OpenForRead(path, O_NOFOLLOW, lookup);
  if (fd < 0) {
    if (errno == ELOOP) return ReadProblem::kNotRegular;
    if (IsAbsence(errno)) return ReadProblem::kMissing;
    NoteReadFailure(errno, path);
    return ReadProblem::kFailed;
  }
  ReadProblem problem = ReadOpenFile(fd, path, bytes, max_bytes);
  ::close(fd);
  if (problem != ReadProblem::kNone) bytes.clear();
  return problem;
}

ReadProblem ProbeReadableFile(std::string_view path, int& error) {
  error = 0;
  int fd = OpenForRead(path, 0);
  if (fd < 0) {
    error = errno;
    if (error == ENOENT) return ReadProblem::kMissing;
    // No permission and a symlink loop belong to the project, not to the
    // machine: the file is left out and named by the caller.
    if (IsRefusal(error) && error != EACCES && error != EPERM && error != ELOOP) NoteReadFailure(error, path);
    return ReadProblem::kFailed;
  }
  struct stat st;
  ReadProblem problem = ReadProblem::kNone;
  if (::fstat(fd, &st) != 0) {
    error = errno;
    NoteReadFailure(error, path);
    problem = ReadProblem::kFailed;
  } else if (!S_ISREG(st.st_mode)) {
    problem = ReadProblem::kNotRegular;
  }
  ::close(fd);
  return problem;
}

const char* ReadProblemText(ReadProblem problem) {
  switch (problem) {
    case ReadProblem::kNone: return "OK";
    case ReadProblem::kMissing: return "FILE NOT FOUND";
    case ReadProblem::kNotRegular: return "NOT A REGULAR FILE";
    case ReadProblem::kTooLarge: return "FILE TOO LARGE";
    case ReadProblem::kFailed: return "READ FAILED";
  }
  return "READ FAILED";
}

bool LineReader::Open(std::string_view path) {
  Close();
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return false;
  StripCarriageReturnsInPlace(bytes);
  text_ = std::move(bytes);
  open_ = true;
  return true;
}

ReadProblem LineReader::OpenWorkFile(std::string_view path, WorkName lookup) {
  Close();
  std::string bytes;
  ReadProblem problem = ReadWorkFileBytes(path, bytes, kMaxWorkFileBytes, lookup);
  if (problem != ReadProblem::kNone) return problem;
  StripCarriageReturnsInPlace(bytes);
  text_ = std::move(bytes);
  open_ = true;
  return ReadProblem::kNone;
}

void LineReader::OpenText(std::string text) {
  text_ = std::move(text);
  pos_ = 0;
  open_ = true;
}

void LineReader::Close() {
  text_.clear();
  pos_ = 0;
  open_ = false;
}

bool LineReader::ReadLine(std::string& line, size_t buffer_size) {
  line.clear();
  if (!open_ || pos_ >= text_.size() || buffer_size < 2) return false;
  size_t limit = buffer_size - 1;
  size_t available = text_.size() - pos_;
  size_t take = available < limit ? available : limit;
  const char* start = text_.data() + pos_;
  const void* nl = std::memchr(start, '\n', take);
  if (nl != nullptr) take = static_cast<size_t>(static_cast<const char*>(nl) - start) + 1;
  pos_ += take;
  const void* nul = std::memchr(start, '\0', take);
  if (nul != nullptr) take = static_cast<size_t>(static_cast<const char*>(nul) - start);
  line.assign(start, take);
  return true;
}

bool LineReader::ReadLineNoEol(std::string& line) {
  line.clear();
  if (!open_ || pos_ >= text_.size()) return false;
  size_t nl = text_.find('\n', pos_);
  size_t end = nl == std::string::npos ? text_.size() : nl;
  line.assign(text_, pos_, end - pos_);
  pos_ = nl == std::string::npos ? text_.size() : nl + 1;
  return true;
}

}  // namespace kv
