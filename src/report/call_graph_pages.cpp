#include "report/call_graph_pages.h"

#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "run/folder_utils.h"
#include "run/work_folder.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/storage_failure.h"
#include "platform/text_file.h"
#include "report/call_graph.h"
#include "report/call_records.h"
#include "report/graph_svg.h"

namespace kv {
namespace graph_jobs {

enum JobState : unsigned char { kPending = 0, kWritten = 1, kFailed = 2 };

// What the workers share: the next job to take, the stop request, the first
// refusal of the system a worker met (its errno, whether it was a read, and
// its file, written by the worker that set it) and one state byte per job
// (each written by the one worker that took the job).
struct SharedJobs {
  std::atomic<int> next{0};
  std::atomic<int> stop{0};
  std::atomic<int> failure{0};
  bool failure_reading = false;
  char failure_path[1024] = {};
  unsigned char* states = nullptr;
};
static_assert(std::atomic<int>::is_always_lock_free, "the job counter is shared between processes");

// Anonymous shared memory, so that forked workers see the same counter.
class SharedMemory {
 public:
  explicit SharedMemory(size_t bytes) : bytes_(bytes) {
    void* at = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    data_ = at == MAP_FAILED ? nullptr : at;
  }
  ~SharedMemory() {
    if (data_ != nullptr) munmap(data_, bytes_);
  }
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;
  void* data() const { return data_; }

 private:
  size_t bytes_;
  void* data_ = nullptr;
};

bool WaitForHelpers(std::vector<pid_t>& helpers, const std::function<size_t()>& progress,
                    std::chrono::milliseconds stall) {
  using Clock = std::chrono::steady_clock;
  if (helpers.empty()) return false;
  size_t seen = progress();
  Clock::time_point changed = Clock::now();
  bool killed = false;
  while (!helpers.empty()) {
    for (size_t i = 0; i < helpers.size();) {
      int status = 0;
      const pid_t ended = waitpid(helpers[i], &status, WNOHANG);
      if (ended == 0 || (ended < 0 && errno == EINTR)) {
        ++i;
        continue;
      }
      helpers.erase(helpers.begin() + static_cast<std::ptrdiff_t>(i));  // ended, or not ours to wait for
    }
    if (helpers.empty()) break;
    const size_t now_done = progress();
    if (now_done != seen) {
      seen = now_done;
      changed = Clock::now();
    } else if (Clock::now() - changed >= stall) {
      for (pid_t pid : helpers) {
        kill(pid, SIGKILL);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
      }
      helpers.clear();
      killed = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return killed;
}

}  // namespace graph_jobs

namespace {

// A picture takes well under a second; a helper that finishes none for this
// long while the others have run out of work is stuck.
constexpr std::chrono::milliseconds kHelperStall{60000};

using graph_jobs::kFailed;
using graph_jobs::kPending;
using graph_jobs::kWritten;
using graph_jobs::SharedJobs;
using graph_jobs::SharedMemory;

std::string GraphPath(const std::string& name) { return work::Path(std::string(kGraphFolder) + "/" + name + ".svg"); }

bool WriteGraph(const CallGraphIndex& index, int id) {
  try {
    std::string svg;
    if (!RenderCallGraphSvg(BuildCallGraph(index, id), svg)) return false;
    TextWriter file;
    if (!file.Open(GraphPath(index.name(id)), WriteMode::kTruncate)) return false;
    file.Write(svg);
    return file.Close();
  } catch (const std::exception&) {  // out of memory: this picture fails, the run goes on
    return false;
  }
}

// Takes jobs until none is left or a stop is asked for. `stop_requested`
// is polled between pictures (the parent's run flag; forked workers read
// only the shared one).
template <typename StopCheck>
void RunJobs(const CallGraphIndex& index, const std::vector<int>& jobs, SharedJobs& shared, StopCheck stop_requested) {
  for (;;) {
    if (stop_requested()) shared.stop.store(1);
    if (shared.stop.load() != 0) return;
    const int job = shared.next.fetch_add(1);
    if (job >= static_cast<int>(jobs.size())) return;
    shared.states[job] = WriteGraph(index, jobs[job]) ? kWritten : kFailed;
    if (StorageFailure() == 0) continue;
    // The system refused a file: every picture after it would be lost as
    // well. The run ends, naming it (a helper's own record of the failure
    // dies with it, so it is handed to the parent here).
    const StorageFailureInfo failure = StorageFailureDetails();
    int none = 0;
    if (shared.failure.compare_exchange_strong(none, failure.error)) {
      shared.failure_reading = failure.reading;
      std::snprintf(shared.failure_path, sizeof shared.failure_path, "%s", failure.path.c_str());
    }
    shared.stop.store(1);
    return;
  }
}

int WorkerCount(const RunOptions& options, size_t jobs) {
  int workers = options.graph_workers;
  if (workers <= 0) workers = static_cast<int>(std::thread::hardware_concurrency());
  if (workers <= 0) workers = 1;
  if (static_cast<size_t>(workers) > jobs) workers = static_cast<int>(jobs);
  return workers < 1 ? 1 : workers;
}

}  // namespace

bool CallGraphsWanted(const RunOptions& options, int record_count) {
  if (options.call_graphs >= 0) return options.call_graphs > 0;
  return record_count <= kCallGraphRecordLimit;
}

CallGraphWriter::CallGraphWriter(RunContext& ctx) : ctx_(ctx), started_(std::chrono::steady_clock::now()) {
  Prepare();
  StartHelpers();
}

void CallGraphWriter::Prepare() {
  const std::string folder = work::Path(kGraphFolder);
  RemoveFolderTree(folder);
  records_ = std::make_unique<RecordStore>(work::Path(work::kFunctionList4));
  if (!records_->folder_found() || !CallGraphsWanted(ctx_.options, records_->size())) return;
  if (!MakeFolder(folder)) {  // e.g. a file of that name in a damaged work folder
    ctx_.log.Note(folder, "FILE CREATE FAIL\n");
    return;
  }
  index_ = std::make_unique<CallGraphIndex>(*records_);
  for (int id = 0; id < index_->size(); ++id)
    if (index_->has_body(id) && work::IsSafeComponent(index_->name(id))) jobs_.push_back(id);
  if (jobs_.empty()) return;

  memory_ = std::make_unique<SharedMemory>(sizeof(SharedJobs) + jobs_.size());
  workers_ = WorkerCount(ctx_.options, jobs_.size());
  if (memory_->data() != nullptr) {
    shared_ = new (memory_->data()) SharedJobs;
    shared_->states = static_cast<unsigned char*>(memory_->data()) + sizeof(SharedJobs);
  } else {
    local_states_.assign(jobs_.size(), kPending);
    local_ = std::make_unique<SharedJobs>();
    local_->states = local_states_.data();
    shared_ = local_.get();
    workers_ = 1;
  }
}

CallGraphWriter::~CallGraphWriter() {
  if (shared_ != nullptr) shared_->stop.store(1);
  ReapHelpers();
}

// Forks workers - 1 helpers. Whatever a helper needs that takes a lock of the
// C library (this thread's text converters, graphviz's plugins) is made here
// first: another thread of this process (the file writers, the window) may
// hold such a lock at the moment of the fork, and in the helper it would never
// be released. A fork that fails leaves the work to the others.
void CallGraphWriter::StartHelpers() {
  if (workers_ < 2) return;
  ToUtf8("a");
  ToCp932("a");
  PrepareGraphLayout();
  const pid_t parent = getpid();
  for (int i = 1; i < workers_; ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      // A helper never outlives the run that made it (the parent killed
      // before this line is caught by the second test).
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(1);
      // Nothing of the parent's (its threads, buffers, exit handlers, the
      // rest of the stage) may run here: every way out is _exit.
      try {
        RunJobs(*index_, jobs_, *shared_, [] { return false; });
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
    if (pid > 0) helpers_.push_back(pid);
  }
}

bool CallGraphWriter::ReapHelpers() {
  return graph_jobs::WaitForHelpers(helpers_, [this] { return PicturesDone(); }, kHelperStall);
}

size_t CallGraphWriter::PicturesDone() const {
  size_t done = 0;
  if (shared_ == nullptr) return done;
  for (size_t i = 0; i < jobs_.size(); ++i) done += shared_->states[i] != kPending;
  return done;
}

StageOutcome CallGraphWriter::Finish() {
  if (shared_ == nullptr) return StageOutcome::kContinue;
  RunJobs(*index_, jobs_, *shared_, [this] { return ctx_.StopRequested(); });
  if (ReapHelpers() && shared_->stop.load() == 0) {
    // The pictures the killed helpers had taken are drawn here.
    ctx_.log.Finding("CallGraph", 0, "-", "HELPER STALLED KILLED");
    const size_t taken = std::min(static_cast<size_t>(std::max(shared_->next.load(), 0)), jobs_.size());
    for (size_t i = 0; i < taken && !ctx_.StopRequested(); ++i)
      if (shared_->states[i] == kPending) shared_->states[i] = WriteGraph(*index_, jobs_[i]) ? kWritten : kFailed;
  }
  if (const int error = shared_->failure.load()) {
    StorageFailureInfo failure;
    failure.error = error;
    failure.reading = shared_->failure_reading;
    failure.path = shared_->failure_path;
    NoteStorageFailure(failure);
  }
  if (shared_->stop.load() != 0 || ctx_.StopRequested()) return StageOutcome::kStopRun;

  int written = 0;
  for (size_t i = 0; i < jobs_.size(); ++i) {
    if (shared_->states[i] == kWritten) {
      ++written;
      continue;
    }
    ctx_.log.Finding("CallGraph", 0, index_->name(jobs_[i]), SJ("コールグラフ作成失敗"));
  }
  // KAVENOR_STAGE_TIMES=1 (see the driver): the pictures' time, from the
  // start of the helpers to the last picture.
  if (std::getenv("KAVENOR_STAGE_TIMES") != nullptr)
    std::fprintf(stderr, "graph-time %d pictures, %d workers, %8.3f s\n", written, workers_,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count());
  return StageOutcome::kContinue;
}

StageOutcome StartCallGraphs(RunContext& ctx) {
  if (ctx.background_graphs == nullptr) ctx.background_graphs = std::make_unique<CallGraphWriter>(ctx);
  return StageOutcome::kContinue;
}

StageOutcome FinishCallGraphs(RunContext& ctx) {
  StartCallGraphs(ctx);
  auto* writer = dynamic_cast<CallGraphWriter*>(ctx.background_graphs.get());
  const StageOutcome outcome = writer != nullptr ? writer->Finish() : StageOutcome::kContinue;
  ctx.background_graphs.reset();
  return outcome;
}

}  // namespace kv
