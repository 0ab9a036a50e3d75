// One command at a time per current directory. Every command that reads or
// rebuilds the work folder (analyze, tree, variable, docs, the window's run)
// holds an exclusive flock on ./vcwk012345.lock for its whole duration. The
// lock belongs to the open file: it ends with the process, so a crashed or
// killed run never leaves a stale lock behind, and the lock file itself is
// never removed (removing it would let two runs lock two different files).
#pragma once

#include <string>

namespace kv {

inline constexpr const char* kRunLockPath = "./vcwk012345.lock";

class RunLock {
 public:
  RunLock() = default;
  ~RunLock() { Release(); }
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // Takes the lock without waiting. False when another command holds it or
  // the lock file cannot be opened (a planted symlink is never followed);
  // error() then says which.
  bool TryAcquire(const char* path = kRunLockPath);
  void Release();
  bool held() const { return fd_ >= 0; }
  // errno of the failed attempt: EWOULDBLOCK when another command holds it.
  int error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

}  // namespace kv

namespace kv {

class RunContext;

// The start of every command on the work folder: takes `lock` (when another
// command holds it, says so and returns false: nothing of the work folder or
// the log has been touched) and forgets a disk refusal of an earlier command
// of this process.
bool BeginWorkFolderCommand(RunContext& ctx, RunLock& lock);

}  // namespace kv
