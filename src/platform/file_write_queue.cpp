#include "platform/file_write_queue.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string_view>

#include "platform/paths.h"
#include "platform/storage_failure.h"
#include "platform/text_file.h"

namespace kv {

FileWriteQueue::FileWriteQueue(int threads, size_t max_pending_bytes)
    : lanes_(threads < 1 ? 1 : static_cast<size_t>(threads)), max_pending_(max_pending_bytes) {
  for (Lane& lane : lanes_) lane.thread = std::thread([this, &lane] { Run(lane); });
}

FileWriteQueue::~FileWriteQueue() {
  Drain();
  {
    std::lock_guard<std::mutex> lock(state_mutex_);
    stopping_ = true;
  }
  for (Lane& lane : lanes_) {
    {
      std::lock_guard<std::mutex> lock(lane.mutex);
    }
    lane.wake.notify_all();
  }
  for (Lane& lane : lanes_) lane.thread.join();
}

void FileWriteQueue::Submit(std::string path, WriteMode mode, std::string bytes) {
  if (Abandoned()) return;
  const size_t size = bytes.size();
  {
    std::unique_lock<std::mutex> lock(state_mutex_);
    auto room = [&] { return pending_bytes_ == 0 || pending_bytes_ + size <= max_pending_; };
    if (!room()) {
      // The threads may be sleeping on jobs short of a batch: they are woken
      // (outside this lock: a thread holds its lane's lock when it takes it).
      lock.unlock();
      WakeAll();
      lock.lock();
      ++waiting_submits_;
      state_changed_.wait(lock, room);
      --waiting_submits_;
    }
    pending_bytes_ += size;
    ++pending_jobs_;
  }
  // One lane per folder: creating files in one folder serialises on the
  // folder's lock, so two threads there only spin; different folders (the
  // four of the body analysis) do go in parallel. Same folder, same lane:
  // files of one path are written in the order submitted.
  const size_t separator = FindLastSeparator(path);
  const std::string_view folder =
      separator == std::string::npos ? std::string_view() : std::string_view(path).substr(0, separator);
  Lane& lane = lanes_[std::hash<std::string_view>{}(folder) % lanes_.size()];
  size_t waiting = 0;
  {
    std::lock_guard<std::mutex> lock(lane.mutex);
    lane.jobs.push_back(Job{std::move(path), mode, std::move(bytes)});
    waiting = lane.jobs.size();
  }
  // A lane's thread is woken for a batch of files, not for each one: waking
  // a sleeping thread is a system call on both sides, and a run hands
  // hundreds of thousands of files over. Drain wakes it for the rest; a file
  // handed over while a Drain waits wakes it at once (the flag is read after
  // the job is in place, WakeAll notifies under the lane's lock: one of the
  // two sees the other).
  if (waiting >= kWakeBatch || draining_.load() > 0) lane.wake.notify_one();
}

// Only a lane with files waiting: an idle thread stays asleep (as it did
// when every file woke it), also at the moment a stage starts its picture
// helpers with fork().
void FileWriteQueue::WakeAll() {
  for (Lane& lane : lanes_) {
    std::lock_guard<std::mutex> lock(lane.mutex);
    if (!lane.jobs.empty()) lane.wake.notify_one();
  }
}

std::vector<std::string> FileWriteQueue::Drain() {
  ++draining_;
  WakeAll();
  std::unique_lock<std::mutex> lock(state_mutex_);
  state_changed_.wait(lock, [&] { return pending_jobs_ == 0; });
  --draining_;
  std::vector<std::string> failed;
  failed.swap(failed_);
  return failed;
}

void FileWriteQueue::Run(Lane& lane) {
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(lane.mutex);
      lane.wake.wait(lock, [&] {
        if (!lane.jobs.empty()) return true;
        std::lock_guard<std::mutex> state(state_mutex_);
        return stopping_;
      });
      if (lane.jobs.empty()) return;
      job = std::move(lane.jobs.front());
      lane.jobs.pop_front();
    }
    // An abandoned run's files are dropped unwritten: the run removes its
    // work folder anyway, and the stop must not wait for the disk.
    bool ok = Abandoned() || WriteFile(job);
    std::lock_guard<std::mutex> lock(state_mutex_);
    if (!ok) failed_.push_back(job.path);
    pending_bytes_ -= job.bytes.size();
    --pending_jobs_;
    // Drain waits for the last file; a Submit may wait for room.
    if (pending_jobs_ == 0 || waiting_submits_ > 0) state_changed_.notify_all();
  }
}

bool FileWriteQueue::WriteFile(const Job& job) {
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
  if (job.mode == WriteMode::kTruncate) flags |= O_TRUNC;
  if (job.mode == WriteMode::kAppend) flags |= O_APPEND;
  int fd = ::open(ToDiskPath(job.path).c_str(), flags, 0666);
  if (fd < 0 && errno == ENOENT) fd = ::open(ResolveDiskPathForWrite(job.path).c_str(), flags, 0666);
  if (fd < 0) {
    NoteWriteFailure(errno, job.path);
    return false;
  }
  const char* data = job.bytes.data();
  size_t left = job.bytes.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  if (!ok) NoteWriteFailure(errno, job.path);
  if (::close(fd) != 0) {
    NoteWriteFailure(errno, job.path);
    return false;
  }
  return ok;
}

}  // namespace kv
