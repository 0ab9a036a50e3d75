// The analyse command around the worker: the checks and the work-folder
// rebuild before it (window thread), the driver (worker thread), and the
// result copy, the name lists and the closing question after it.
#pragma once

#include <string>
#include <vector>

#include "app/analysis_driver.h"
#include "run/run_context.h"

namespace kv {

struct AnalyzeResult {
  enum class Status {
    kRefused,     // a folder check failed; nothing ran
    kStopped,     // StopFlag was set: nothing copied
    kIncomplete,  // the worker ended without completing (a run-ending failure)
    kCompleted,   // results copied into result_folder
  };
  Status status = Status::kRefused;
  std::string result_folder;                // CP932 path
  std::vector<std::string> function_names;  // for the function combo box
  std::vector<std::string> variable_names;  // for the variable combo box
};

class AnalyzeCommand {
 public:
  AnalyzeCommand(Session& session, UserInterface& ui, AnalysisLog& log, RunOptions options);

  // Window thread: counters cleared, work folder deleted and rebuilt, log
  // restarted with its start banner, then the two folders checked. False
  // when a check failed (its message has been shown).
  bool Prepare();

  // Worker thread: the fourteen stages. True when the run completed.
  bool RunWorker(const std::vector<StageFrame>& stages = AnalysisStages());

  // Window thread, once the progress display has closed: for a completed run
  // the result copy, the name lists, "解析終了" and the question
  // "解析完了 結果を起動します" (OK opens index.html of the result folder).
  AnalyzeResult Finish();

  RunContext& context() { return ctx_; }

 private:
  void CopyResults(const std::string& result_folder);

  RunContext ctx_;
};

// The names the main window lists after a run: function names of
// FuncList_Body.txt, and the lines of ValList2.txt up to "@1END" without "*".
std::vector<std::string> ReadFunctionNames();
std::vector<std::string> ReadVariableNames();

}  // namespace kv
