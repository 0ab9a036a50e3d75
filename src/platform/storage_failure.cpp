#include "platform/storage_failure.h"

#include <atomic>
#include <cerrno>

namespace kv {
namespace {

// Written by whichever thread (stage or file-writing lane) first meets the
// refusal; read by the stop tests.
std::atomic<int> g_storage_failure{0};

}  // namespace

void NoteWriteFailure(int error) {
  if (error != ENOSPC && error != EDQUOT && error != EIO && error != EROFS) return;
  int none = 0;
  g_storage_failure.compare_exchange_strong(none, error);
}

int StorageFailure() { return g_storage_failure.load(); }

void ClearStorageFailure() { g_storage_failure.store(0); }

}  // namespace kv
