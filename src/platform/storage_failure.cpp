#include "platform/storage_failure.h"

#include <atomic>
#include <cerrno>
#include <mutex>

namespace kv {
namespace {

// Written by whichever thread (stage or file-writing lane) first meets the
// refusal; the errno is read by the stop tests without the lock.
std::atomic<int> g_storage_failure{0};
std::mutex g_details_mutex;
StorageFailureInfo g_details;

void Note(int error, std::string_view path, bool reading) {
  int none = 0;
  if (!g_storage_failure.compare_exchange_strong(none, error)) return;
  std::lock_guard<std::mutex> lock(g_details_mutex);
  g_details.error = error;
  g_details.reading = reading;
  g_details.path.assign(path);
}

}  // namespace

bool IsRefusal(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EIO:
    case EROFS:
    case EACCES:
    case EPERM:
    case EMFILE:
    case ENFILE:
    case ENOMEM:
    case EFBIG:
    case ELOOP:  // a symlink where the program opens without following one
    case EBADF:
      return true;
    default:
      return false;
  }
}

void NoteWriteFailure(int error, std::string_view path) {
  if (IsRefusal(error)) Note(error, path, false);
}

void NoteReadFailure(int error, std::string_view path) { Note(error == 0 ? EIO : error, path, true); }

void NoteStorageFailure(const StorageFailureInfo& failure) {
  if (failure.error != 0) Note(failure.error, failure.path, failure.reading);
}

int StorageFailure() { return g_storage_failure.load(); }

StorageFailureInfo StorageFailureDetails() {
  std::lock_guard<std::mutex> lock(g_details_mutex);
  StorageFailureInfo info = g_details;
  info.error = g_storage_failure.load();
  return info;
}

void ClearStorageFailure() {
  std::lock_guard<std::mutex> lock(g_details_mutex);
  g_details = StorageFailureInfo{};
  g_storage_failure.store(0);
}

}  // namespace kv
