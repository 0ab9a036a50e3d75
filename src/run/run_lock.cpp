#include "run/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/encoding.h"
#include "platform/storage_failure.h"
#include "run/run_context.h"

namespace kv {

bool RunLock::TryAcquire(const char* path) {
  Release();
  error_ = 0;
  int fd = ::open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    error_ = errno;
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void RunLock::Release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the only descriptor ends the flock
  fd_ = -1;
}

}  // namespace kv

namespace kv {

bool BeginWorkFolderCommand(RunContext& ctx, RunLock& lock) {
  if (!lock.held() && !lock.TryAcquire()) {
    if (lock.error() == EWOULDBLOCK)
      ctx.Message(SJ("このフォルダでは別のコマンドが実行中です（作業フォルダ ./vcwk012345 使用中）。終了してから実行してください"));
    else
      ctx.Message(SJ("作業フォルダのロックファイルを開けません: ") + kRunLockPath + " (" + std::strerror(lock.error()) + ")");
    return false;
  }
  ClearStorageFailure();
  return true;
}

}  // namespace kv
