// Text files as the Windows C runtime's text mode wrote and read them: every
// "\n" written is stored as CR LF, and a CR LF read comes back as "\n".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

class FileWriteQueue;

enum class WriteMode {
  kTruncate,   // create, or empty an existing file
  kAppend,     // create when missing, keep contents, write at the end
  kOverwrite,  // create when missing, keep contents, write from the start
};

// Why a file of the work folder could not be read.
enum class ReadProblem {
  kNone,
  kMissing,     // no such file
  kNotRegular,  // a symlink, device, pipe or folder stands there
  kTooLarge,    // larger than the program ever writes
  kFailed,      // the read itself failed
};

// Whether opening a file for writing may go through a symlink at its name.
// The log and the files of a result are opened kNoFollow: a link planted
// there fails the open instead of redirecting the write.
enum class LastLink { kFollow, kNoFollow };

// Every failure to open, write or close the file is also noted as the
// process's storage failure (see storage_failure.h) when it is a refusal.
class TextWriter {
 public:
  TextWriter() = default;
  TextWriter(std::string_view path, WriteMode mode, LastLink link = LastLink::kFollow) { Open(path, mode, link); }
  ~TextWriter() { Close(); }
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // `path` is an internal (CP932) path: its folder is found ignoring case,
  // the file name is taken as written (see ResolveDiskPathForWrite).
  bool Open(std::string_view path, WriteMode mode, LastLink link = LastLink::kFollow);
  // Takes a descriptor opened for writing (a file created through a folder
  // descriptor); `path` names it in failures.
  void Adopt(int fd, std::string_view path);
  // With a queue the file is kept in memory and handed to the queue on Close
  // (nothing touches the disk before; Open always succeeds). Without one, as
  // Open above.
  bool Open(std::string_view path, WriteMode mode, FileWriteQueue* queue);
  bool is_open() const { return fd_ >= 0 || queued_open_; }

  // Writes text, each "\n" as CR LF. Writing to a closed writer does nothing.
  void Write(std::string_view text);
  void WriteLine(std::string_view text) {
    Write(text);
    Write("\n");
  }
  // Flushes and closes; false when a write failed.
  bool Close();

 private:
  void Flush();

  int fd_ = -1;
  bool failed_ = false;
  std::string path_;
  FileWriteQueue* queue_ = nullptr;
  bool queued_open_ = false;
  std::string queued_path_;
  WriteMode queued_mode_ = WriteMode::kTruncate;
  std::string buffer_;
};

// Writes all `size` bytes to `fd`, going on after a short write or EINTR;
// false (errno set) on the first error.
bool WriteAll(int fd, const char* data, size_t size);

// Reads a whole text file into memory (CR LF -> LF) and hands it out line by
// line. Files are opened read-only; later writes by others are not seen.
// A file that is missing or not a regular file does not open; one that
// exists but cannot be read (no permission, no descriptor left, a read
// error) does not open either and is noted as a storage failure.
// How a work-folder file is looked up: a missing name again ignoring case
// (which lists its folder), or under its exact name only.
enum class WorkName { kAnyCase, kExact };

class LineReader {
 public:
  LineReader() = default;
  explicit LineReader(std::string_view path) { Open(path); }

  // `path` is an internal path, looked up ignoring case when needed.
  bool Open(std::string_view path);
  // A file of the work folder, read as ReadWorkFileBytes reads it.
  ReadProblem OpenWorkFile(std::string_view path, WorkName lookup = WorkName::kAnyCase);
  // Takes text already in memory (for tests and in-memory passes).
  void OpenText(std::string text);
  bool is_open() const { return open_; }
  void Close();

  // As fgets with a buffer of `buffer_size` bytes: at most buffer_size - 1
  // bytes, up to and including the first "\n"; a longer line comes back in
  // pieces. Text after a NUL byte inside the piece is cut off, as a C string
  // would see it. False at the end of the file.
  bool ReadLine(std::string& line, size_t buffer_size);
  // A whole line of any length, without its "\n". False at the end.
  bool ReadLineNoEol(std::string& line);

  bool AtEnd() const { return pos_ >= text_.size(); }
  void Rewind() { pos_ = 0; }
  size_t position() const { return pos_; }
  void Seek(size_t pos) { pos_ = pos < text_.size() ? pos : text_.size(); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  size_t pos_ = 0;
  bool open_ = false;
};

// The raw bytes of a regular file; false when it cannot be read (devices,
// pipes and folders are never read: a name pointing at /dev/zero must not
// fill the memory). Any failure other than a missing file or a file of
// another kind is noted as a storage failure.
bool ReadFileBytes(std::string_view path, std::string& bytes);

// The log text for a problem ("NOT A REGULAR FILE", ...).
const char* ReadProblemText(ReadProblem problem);

// Whether a source file could be opened for reading, without reading it:
// kNone, or the problem with the errno of the failed open in `error`. No
// permission is the file's own problem (the caller leaves it out); the
// system's refusals (no descriptor left, an I/O error) are noted as a
// storage failure as well.
ReadProblem ProbeReadableFile(std::string_view path, int& error);

// Work-folder files are the program's own records: at most this many bytes.
inline constexpr size_t kMaxWorkFileBytes = size_t{512} << 20;

// The bytes of a work-folder file: a regular file only, the last component
// never followed as a symlink, at most `max_bytes` bytes. A failure to read
// an existing file is noted as a storage failure.
ReadProblem ReadWorkFileBytes(std::string_view path, std::string& bytes, size_t max_bytes = kMaxWorkFileBytes,
                              WorkName lookup = WorkName::kAnyCase);

// Windows text-mode translation of raw bytes: CR LF -> LF.
std::string StripCarriageReturns(std::string_view bytes);
void StripCarriageReturnsInPlace(std::string& text);

}  // namespace kv
