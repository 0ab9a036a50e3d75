// The call-graph pictures of an analysis run: HTML/GRAPH/<function>.svg for
// every record with a body, and on each such function's source page one
// link to its picture, after the page's content.
//
// The pictures are independent, so they are laid out by several processes
// at once (graphviz cannot lay out two graphs at once in one process):
// graph_workers - 1 forked helpers share a job counter in shared memory with
// this process and write their pictures (and links) themselves. A picture
// needs only the final records and the source pages, both complete when FUNC
// ALS4 ends: the helpers start then (StartCallGraphs, before CALL LIST) and
// work while the later stages run, which neither read nor write what the
// pictures use; the report stage's end (FinishCallGraphs) makes this process
// take the jobs that are left and waits for the helpers. The bytes are the
// same with any number of workers. A helper that dies takes only its current
// picture with it (logged). A helper that stops making progress (stuck on a
// lock that another thread of this process held at the fork, copied locked
// into it) is killed after a while and its picture drawn here.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "run/run_context.h"
#include "run/stage.h"

namespace kv {

class CallGraphIndex;
class RecordStore;
namespace graph_jobs {
struct SharedJobs;
class SharedMemory;

// Waits until every process of `helpers` has ended. When `stall` passes
// without `progress()` changing (no picture finished by anyone), the helpers
// still running are taken to be stuck and killed. True when one was.
// `helpers` is empty afterwards.
bool WaitForHelpers(std::vector<pid_t>& helpers, const std::function<size_t()>& progress,
                    std::chrono::milliseconds stall);
}  // namespace graph_jobs

// The folder of the pictures, in the work folder.
inline constexpr std::string_view kGraphFolder = "HTML/GRAPH";

// Whether the run draws pictures for a project of `record_count` records.
bool CallGraphsWanted(const RunOptions& options, int record_count);

class CallGraphWriter : public BackgroundWork {
 public:
  // Removes the pictures of an earlier run and, when the run draws pictures,
  // reads the final records and starts the helpers.
  explicit CallGraphWriter(RunContext& ctx);
  // A writer left without Finish() (a stopped stage) stops its helpers after
  // their current picture and waits for them.
  ~CallGraphWriter() override;
  CallGraphWriter(const CallGraphWriter&) = delete;
  CallGraphWriter& operator=(const CallGraphWriter&) = delete;

  // kStopRun when stopped; otherwise kContinue (a picture that fails is
  // logged, in record order).
  StageOutcome Finish();

 private:
  void Prepare();
  void StartHelpers();
  // True when a stuck helper was killed (its picture is left to Finish).
  bool ReapHelpers();
  size_t PicturesDone() const;

  RunContext& ctx_;
  std::chrono::steady_clock::time_point started_;
  std::unique_ptr<RecordStore> records_;
  std::unique_ptr<CallGraphIndex> index_;
  std::vector<int> jobs_;
  std::unique_ptr<graph_jobs::SharedMemory> memory_;
  std::unique_ptr<graph_jobs::SharedJobs> local_;  // when no shared memory could be had
  std::vector<unsigned char> local_states_;
  graph_jobs::SharedJobs* shared_ = nullptr;
  int workers_ = 1;
  std::vector<pid_t> helpers_;
};

// Makes the run's writer (ctx.background_graphs) unless it exists: the
// prologue of the stage after FUNC ALS4. Always kContinue.
StageOutcome StartCallGraphs(RunContext& ctx);

// The end of the report stage: the run's writer (made now if none was)
// finished and dropped.
StageOutcome FinishCallGraphs(RunContext& ctx);

}  // namespace kv
