// The source files of one PREPRO stage, each read from disk once: a header
// included by a hundred files, and preprocessed on its own as well, is read
// a single time. Files are known by their identity on disk, so a name
// written in another letter case or with "\" finds the same text.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/encoding.h"

namespace kv {

struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileId& other) const { return device == other.device && inode == other.inode; }
};

struct FileIdHash {
  size_t operator()(const FileId& id) const {
    return std::hash<unsigned long long>{}(static_cast<unsigned long long>(id.inode) * 1000003ull ^
                                           static_cast<unsigned long long>(id.device));
  }
};

// What stat says of an internal path (found ignoring case): false when it
// does not exist.
struct PathFacts {
  FileId id;
  bool is_directory = false;
  bool is_regular = false;
};
bool StatPath(std::string_view path, PathFacts& facts);

struct SourceFile {
  FileId id;
  std::string text;  // CP932, CR LF already turned into LF
  size_t stand_ins = 0;  // characters CP932 cannot hold, now "〓"
  bool bom_removed = false;  // a UTF-8 byte-order mark dropped from a file read as CP932
};

// The one place where the project's sources are read: each file is taken
// in its own encoding and handed on as CP932.
class SourceCache {
 public:
  explicit SourceCache(SourceEncoding encoding = SourceEncoding::kAuto) : encoding_(encoding) {}

  // The file at an internal path; nullptr when it is not a regular file
  // that can be read. The pointer stays valid for the cache's life.
  const SourceFile* Get(const std::string& path);
  // True when something (file or folder) exists at the path.
  bool Exists(const std::string& path);

  // Files read from disk so far.
  size_t reads() const { return reads_; }

 private:
  struct PathEntry {
    bool exists = false;
    const SourceFile* file = nullptr;  // regular files that could be read
    bool looked_up = false;            // Get has been tried for this path
  };
  PathEntry& Facts(const std::string& path);

  std::unordered_map<std::string, PathEntry> paths_;
  std::unordered_map<FileId, std::unique_ptr<SourceFile>, FileIdHash> files_;
  size_t reads_ = 0;
  SourceEncoding encoding_;
};

// The lines of a text held in memory, read as fgets reads with a buffer of
// `buffer_size` bytes: at most buffer_size - 1 bytes up to and including the
// newline (a longer line comes in pieces), cut at a NUL byte.
class SourceLineReader {
 public:
  void Assign(std::string_view text) {
    text_ = text;
    pos_ = 0;
  }
  bool ReadLine(std::string& line, size_t buffer_size);
  // True when the piece last read ended its line (its newline was read, even
  // where a NUL byte cut the text returned).
  bool ended_line() const { return ended_line_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  bool ended_line_ = false;
};

}  // namespace kv
