// A folder a command writes its result into, written so that nothing can
// redirect it: the folder is created new (never an existing entry: on a
// clash the name gets "_2", "_3", ...), every folder and file below it is
// created exclusively through descriptors of the folder itself, and no
// symlink is followed on the way, neither a planted one in the output folder
// nor one inside the new folder. A copy or write that cannot be completed
// reports it, so that the caller removes the partial folder (and only what
// it made) instead of announcing a result.
//
// The analyse command's result folder, the folders of the tree and variable
// commands (in the work folder and their copies in the output folder) and
// the design documents' folder are all made this way.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kv {

enum class CopyResult {
  kDone,
  kSourceMissing,  // nothing to copy (the run did not write it)
  kWriteFailed,    // the result folder could not be written; see error()
  kStopped,        // the stop test said so between two entries
};

class ResultFolder {
 public:
  using StopTest = std::function<bool()>;

  ResultFolder() = default;
  ~ResultFolder();
  ResultFolder(const ResultFolder&) = delete;
  ResultFolder& operator=(const ResultFolder&) = delete;

  // Creates `name` inside `parent` (internal CP932 paths), or name + "_2",
  // "_3", ... when the name is taken. False when no folder could be made.
  bool Create(const std::string& parent, const std::string& name);
  // The internal path of the folder made, and its last component.
  const std::string& path() const { return path_; }
  const std::string& name() const { return name_; }
  // The folder's descriptor (-1 before Create or after Remove).
  int fd() const { return fd_; }

  // A new file below the folder (`relative` may name a folder made before),
  // opened for writing; -1 when it cannot be made (see error()). The caller
  // owns the descriptor.
  int CreateFile(std::string_view relative);

  // A new sub-folder (`relative` may name a folder made before: "A/B").
  CopyResult MakeFolder(std::string_view relative);
  // Folder `source` (internal path) copied as `into`/<its last component>.
  // Files are hard links to the originals where the file system allows
  // (the program never changes a work-folder file in place after a run),
  // real copies otherwise. Only folders and regular files are copied.
  CopyResult CopyFolderInto(const std::string& source, std::string_view into, const StopTest& stop);
  // File `source` copied as `relative`.
  CopyResult CopyFile(const std::string& source, std::string_view relative);
  // Everything inside folder `source` copied into this folder itself.
  CopyResult CopyContentsOf(const std::string& source, const StopTest& stop);

  // errno of the first write failure, 0 when there was none.
  int error() const { return error_; }
  // What failed first, as a disk path (for the closing message).
  const std::string& failed_path() const { return failed_path_; }

  // Removes the folder and all it holds (symlinks removed, never followed).
  // The folder itself is removed by name only while that name is still the
  // folder this object made. True when it is gone.
  bool Remove();

 private:
  int OpenSubFolder(const std::string& disk_relative);
  CopyResult Fail(int error, const std::string& what);
  CopyResult FailReading(int error, const std::string& what);
  CopyResult SourceNotOpened(int error, const std::string& source_disk);
  CopyResult CopyTree(int from_fd, int to_fd, const std::string& where, const StopTest& stop);
  CopyResult CopyEntry(int from_dir, const char* name, int to_dir, const std::string& where);

  int fd_ = -1;
  int parent_fd_ = -1;
  std::string path_;
  std::string name_;
  std::string disk_name_;
  std::string disk_path_;
  int error_ = 0;
  std::string failed_path_;
};

}  // namespace kv
