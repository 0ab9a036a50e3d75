// Removing a folder tree through descriptors. Every folder is opened
// relative to its parent's descriptor without following a symlink, and every
// entry is removed relative to its folder's descriptor, so a symlink met
// anywhere (planted before, or swapped in while the removal runs) is removed
// as the link it is: nothing outside the tree is ever entered or deleted.
#pragma once

#include <atomic>
#include <string>

namespace kv {

struct TreeRemoval {
  int error = 0;            // errno of the first entry that could not go
  std::string failed_path;  // that entry, as a disk path below `shown`
  bool cancelled = false;   // `cancel` was seen set; entries are left
  long removed = 0;         // entries removed
};

// Removes every entry of the open folder `folder_fd`; `shown` is its disk
// path for the failure. An entry that is already gone (another process
// removing the same tree) is not a failure. `cancel`, when given, is tested
// before each entry. True when the folder is empty afterwards.
bool RemoveFolderContents(int folder_fd, const std::string& shown, TreeRemoval& result,
                          const std::atomic<bool>* cancel = nullptr);

// Removes the folder `name` of the open folder `parent_fd` with all it holds.
// A symlink at `name` is not followed: it is removed only when `name` is
// not a folder of its own. True when `name` is gone.
bool RemoveTreeAt(int parent_fd, const std::string& name, const std::string& shown, TreeRemoval& result,
                  const std::atomic<bool>* cancel = nullptr);

}  // namespace kv
