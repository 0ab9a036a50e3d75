// The analyse command around the worker: the checks and the work-folder
// rebuild before it (window thread), the driver (worker thread), and the
// result copy, the name lists and the closing question after it.
#pragma once

#include <string>
#include <vector>

#include "app/analysis_driver.h"
#include "run/previous_work_folder.h"
#include "run/result_folder.h"
#include "run/run_context.h"
#include "run/run_lock.h"

namespace kv {

struct AnalyzeResult {
  enum class Status {
    kRefused,     // a folder check failed; nothing ran
    kStopped,     // StopFlag was set: nothing copied
    kIncomplete,  // the worker ended without completing (a run-ending failure)
    kCompleted,   // results copied into result_folder
    kWriteFailed,  // the system refused a file of the run (a write or a read):
                   // what was written is removed, the message says why
  };
  Status status = Status::kRefused;
  std::string result_folder;                // CP932 path
  std::vector<std::string> function_names;  // for the function combo box
  std::vector<std::string> variable_names;  // for the variable combo box
};

class AnalyzeCommand {
 public:
  AnalyzeCommand(Session& session, UserInterface& ui, AnalysisLog& log, RunOptions options);

  // Window thread: the two folders checked (see CheckAnalyzeFolders), the
  // work-folder lock taken (another command in this directory refuses the
  // run), a missing output folder created, counters cleared, the previous
  // work folder set aside and the work folder rebuilt, log restarted with its
  // start banner. False when a check, the lock or the output folder failed
  // (its message has been shown; nothing else was touched). StopFlag
  // is not cleared here: a stop pressed while the folder is set aside must
  // end the run; the front end clears it before a run.
  bool Prepare();

  // Worker thread: the fourteen stages. True when the run completed.
  bool RunWorker(const std::vector<StageFrame>& stages = AnalysisStages());

  // Window thread, once the progress display has closed: for a completed run
  // the result copy, the name lists, "解析終了" and the question
  // "解析完了 結果を起動します" (OK opens index.html of the result folder).
  // A result folder that cannot be written completely is removed and the run
  // ends kWriteFailed with one message; a stop during the copy removes it and
  // the work folder. The name lists are read only when asked for: the
  // command line shows no combo box, and on a large project reading every
  // record again costs half a second.
  AnalyzeResult Finish(bool read_name_lists = true);

  RunContext& context() { return ctx_; }

 private:
  CopyResult CopyResults(ResultFolder& folder);
  // The end of a run stopped after the worker: "実行中断", work folder gone.
  void EndStopped();
  // Work folder gone and one message naming the system's refusal.
  void EndWriteFailure();
  // The end of a run stopped during or after the result copy: as a stop, or
  // as a refusal of the system when that is what stopped it.
  AnalyzeResult::Status EndInterrupted();
  // The previous work folder's deletion handed over; the folders that could
  // not be removed are named.
  void ReleasePrevious();

  RunContext ctx_;
  RunLock lock_;
  PreviousWorkFolder previous_;
  PreviousWorkFolder::Placement removal_ = PreviousWorkFolder::ChosenPlacement();
};

// The names the main window lists after a run: function names of
// FuncList_Body.txt, and the lines of ValList2.txt up to "@1END" without "*".
std::vector<std::string> ReadFunctionNames();
std::vector<std::string> ReadVariableNames();

}  // namespace kv
