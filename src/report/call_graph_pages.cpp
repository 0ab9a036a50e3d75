#include "report/call_graph_pages.h"

#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "run/folder_utils.h"
#include "run/work_folder.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "report/call_graph.h"
#include "report/call_records.h"
#include "report/graph_svg.h"

namespace kv {
namespace {

enum JobState : unsigned char { kPending = 0, kWritten = 1, kFailed = 2 };

// What the workers share: the next job to take, the stop request and one
// state byte per job (each written by the one worker that took the job).
struct SharedJobs {
  std::atomic<int> next{0};
  std::atomic<int> stop{0};
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
  }
}

int WorkerCount(const RunOptions& options, size_t jobs) {
  int workers = options.graph_workers;
  if (workers <= 0) workers = static_cast<int>(std::thread::hardware_concurrency());
  if (workers <= 0) workers = 1;
  if (static_cast<size_t>(workers) > jobs) workers = static_cast<int>(jobs);
  return workers < 1 ? 1 : workers;
}

// Lays out every job: this process and workers - 1 forked helpers. A fork
// that fails leaves the work to the others.
void RunAllJobs(RunContext& ctx, const CallGraphIndex& index, const std::vector<int>& jobs, SharedJobs& shared,
                int workers) {
  std::vector<pid_t> helpers;
  const pid_t parent = getpid();
  for (int i = 1; i < workers; ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      // A helper never outlives the run that made it (the parent killed
      // before this line is caught by the second test).
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(1);
      // Nothing of the parent's (its threads, buffers, exit handlers, the
      // rest of the stage) may run here: every way out is _exit.
      try {
        RunJobs(index, jobs, shared, [] { return false; });
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
    if (pid > 0) helpers.push_back(pid);
  }
  RunJobs(index, jobs, shared, [&ctx] { return ctx.StopRequested(); });
  for (pid_t pid : helpers) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

// One link after the content of the function's source page.
void LinkFromSourcePage(RunContext& ctx, const std::string& name) {
  const std::string page_path = JoinPath(work::Path(work::kHtml), name + ".html");
  if (!PathExists(page_path)) return;
  TextWriter page;
  if (!page.Open(page_path, WriteMode::kAppend, ctx.deferred_files)) return;
  page.Write("<BR><A href='GRAPH/" + name + ".svg'>" + SJ("[コールグラフ]") + "</A><BR>\n");
}

}  // namespace

bool CallGraphsWanted(const RunOptions& options, int record_count) {
  if (options.call_graphs >= 0) return options.call_graphs > 0;
  return record_count <= kCallGraphRecordLimit;
}

StageOutcome WriteCallGraphs(RunContext& ctx, RecordStore& records) {
  const std::string folder = work::Path(kGraphFolder);
  RemoveFolderTree(folder);
  if (!records.folder_found() || !CallGraphsWanted(ctx.options, records.size())) return StageOutcome::kContinue;
  const auto started = std::chrono::steady_clock::now();
  if (!MakeFolder(folder)) {  // e.g. a file of that name in a damaged work folder
    ctx.log.Note(folder, "FILE CREATE FAIL\n");
    return StageOutcome::kContinue;
  }
  CallGraphIndex index(records);
  std::vector<int> jobs;
  for (int id = 0; id < index.size(); ++id)
    if (index.has_body(id) && work::IsSafeComponent(index.name(id))) jobs.push_back(id);
  if (jobs.empty()) return StageOutcome::kContinue;

  SharedMemory memory(sizeof(SharedJobs) + jobs.size());
  std::vector<unsigned char> local_states;
  SharedJobs local;
  SharedJobs* shared = &local;
  int workers = WorkerCount(ctx.options, jobs.size());
  if (memory.data() != nullptr) {
    shared = new (memory.data()) SharedJobs;
    shared->states = static_cast<unsigned char*>(memory.data()) + sizeof(SharedJobs);
  } else {
    local_states.assign(jobs.size(), kPending);
    local.states = local_states.data();
    workers = 1;
  }
  RunAllJobs(ctx, index, jobs, *shared, workers);
  if (shared->stop.load() != 0 || ctx.StopRequested()) return StageOutcome::kStopRun;

  int written = 0;
  for (size_t i = 0; i < jobs.size(); ++i) {
    const std::string& name = index.name(jobs[i]);
    if (shared->states[i] != kWritten) {
      ctx.log.Finding("CallGraph", 0, name, SJ("コールグラフ作成失敗"));
      continue;
    }
    ++written;
    LinkFromSourcePage(ctx, name);
  }
  // KAVENOR_STAGE_TIMES=1 (see the driver): the pictures' share of the stage.
  if (std::getenv("KAVENOR_STAGE_TIMES") != nullptr)
    std::fprintf(stderr, "graph-time %d pictures, %d workers, %8.3f s\n", written, workers,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  return StageOutcome::kContinue;
}

}  // namespace kv
