// Finished files written by background threads.
//
// Creating a small file costs this file system far more than producing its
// text, and the cost spreads over both cores when two threads create files.
// A stage that writes one file per function hands each finished file to the
// queue and goes on; the driver waits for the queue (Drain) at the end of the
// stage, so the next stage sees every file. Files of the same folder are
// written by the same thread in the order submitted, so a page written twice
// ends with its second text.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kv {

enum class WriteMode;

class FileWriteQueue {
 public:
  explicit FileWriteQueue(int threads = 2, size_t max_pending_bytes = 64u << 20);
  ~FileWriteQueue();
  FileWriteQueue(const FileWriteQueue&) = delete;
  FileWriteQueue& operator=(const FileWriteQueue&) = delete;

  // `path` is an internal path; `bytes` are written exactly (CR LF already in
  // place). Blocks while more than max_pending_bytes wait to be written.
  void Submit(std::string path, WriteMode mode, std::string bytes);

  // Waits until every submitted file is written; returns the paths that could
  // not be written since the last Drain.
  std::vector<std::string> Drain();

  // While *flag is nonzero (a stopped run), submitted and waiting files are
  // dropped instead of written. The flag must outlive the queue.
  void AbandonWhen(const std::atomic<int>* flag) { abandon_flag_ = flag; }

 private:
  struct Job {
    std::string path;
    WriteMode mode;
    std::string bytes;
  };
  struct Lane {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;
    bool busy = false;
    std::thread thread;
  };

  // Files a lane gathers before its thread is woken.
  static constexpr size_t kWakeBatch = 32;

  void Run(Lane& lane);
  void WakeAll();
  bool Abandoned() const { return abandon_flag_ != nullptr && abandon_flag_->load() != 0; }
  static bool WriteFile(const Job& job);

  std::vector<Lane> lanes_;
  const size_t max_pending_;
  std::mutex state_mutex_;
  std::condition_variable state_changed_;
  size_t pending_bytes_ = 0;
  size_t pending_jobs_ = 0;
  size_t waiting_submits_ = 0;  // Submits waiting for room
  std::atomic<int> draining_{0};  // Drains waiting
  bool stopping_ = false;
  std::vector<std::string> failed_;
  const std::atomic<int>* abandon_flag_ = nullptr;
};

}  // namespace kv
