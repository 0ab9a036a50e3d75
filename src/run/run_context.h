// The values one run shares between its stages and the window: the stop
// flag, the progress counters, the options, the analysis position that log
// findings carry, and the process-wide type-name table.
//
// The window thread writes StopFlag; the worker writes the progress values
// and the status copy; each value has one writer.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "run/analysis_log.h"
#include "lex/keyword_tables.h"
#include "platform/encoding.h"
#include "platform/file_write_queue.h"
#include "platform/storage_failure.h"
#include "platform/user_interface.h"

namespace kv {

// See RunContext::background_graphs.
class BackgroundWork {
 public:
  virtual ~BackgroundWork() = default;
};

struct Progress {
  std::atomic<int> stop_flag{0};      // StopFlag
  std::atomic<int> run_completed{0};  // RunCompleted
  std::atomic<int> base{0};           // ProgressBase, 0..1000
  std::atomic<int> counter{0};        // ProgressCounter
  std::atomic<int> divisor{0};        // ProgressDivisor

  // ProgressBase + 10 × (ProgressCounter ÷ ProgressDivisor); the base alone
  // while the divisor is still 0.
  int Position() const;

  void SetStatusCopy(const std::string& text);
  std::string StatusCopy() const;

 private:
  mutable std::mutex status_mutex_;
  std::string status_copy_;
};

// What outlives a run: the window may start several runs in one process, and
// the type-name table keeps the previous run's names until the next reset.
struct Session {
  TypeNameTable type_names;
  Progress progress;
};

inline constexpr uint64_t kDefaultTreeLineBudget = 1'000'000;
inline constexpr int kCallGraphRecordLimit = 5000;

struct RunOptions {
  std::string source_folder;  // CP932, exactly as typed
  std::string output_folder;  // CP932, exactly as typed
  bool keep_locals = false;   // "[R/W解析] ローカル変数を含める"
  int memory_factor = 1;      // MemoryFactor, 1..4
  // Call-tree lines (all roots of a run together) written in full; beyond
  // it the trees are written in brief form (--tree-lines).
  uint64_t tree_line_budget = kDefaultTreeLineBudget;
  // Call-graph pictures: -1 while the project has at most
  // kCallGraphRecordLimit records (--graphs 1, --no-graphs 0).
  int call_graphs = -1;
  // Processes that lay the pictures out at once; 0: one per core.
  int graph_workers = 0;
  // How the project's sources are read (--source-encoding); the window
  // always reads them with kAuto.
  SourceEncoding source_encoding = SourceEncoding::kAuto;
};

// CurrentFile, CurrentLine, CurrentState and LineCounter: where the analysis
// stands, for the log findings of the analysis stages.
struct AnalysisPosition {
  std::string current_file;
  std::string current_line;
  std::string current_state;
  long line_counter = 0;
};

// The closing message for the storage failure kept for this process (see
// storage_failure.h): what was refused, the system's reason and the file,
// e.g. "作業フォルダに書き込めません (No space left on device): ./vcwk012345/func_als/main".
std::string StorageFailureMessage();

class RunContext {
 public:
  RunContext(Session& run_session, UserInterface& run_ui, AnalysisLog& run_log, RunOptions run_options)
      : session(run_session),
        ui(run_ui),
        log(run_log),
        progress(run_session.progress),
        options(std::move(run_options)) {}

  // ShowStatus also keeps the text as StatusCopy for the progress display.
  void ShowStatus(const std::string& text) {
    progress.SetStatusCopy(text);
    ui.ShowStatus(text);
  }
  void ShowDetail(const std::string& text) { ui.ShowDetail(text); }
  // A message box with the usual caption "終了".
  void Message(const std::string& text);
  // The same, followed where the interface shows it by what it concerns:
  // "FILE:LINE (STEP)", the line left out when `line` is 0.
  void MessageAbout(const std::string& text, std::string_view file, long line, std::string_view step);
  // The tokenizer's "失敗!" (invalid Shift-JIS) once for a file, with the
  // number of bad characters in the log, instead of one message per byte.
  void ReportInvalidShiftJis(std::string_view file, int count, std::string_view where);
  // A refused disk write (see StorageFailure) stops a run as the user would.
  bool StopRequested() const { return progress.stop_flag.load() == 1 || StorageFailure() != 0; }
  TypeNameTable& types() { return session.type_names; }
  int memory_factor() const { return options.memory_factor; }

  Session& session;
  UserInterface& ui;
  AnalysisLog& log;
  Progress& progress;
  RunOptions options;

  std::string source_folder_name;  // SourceFolderName
  std::string mirror_root;         // ./vcwk012345/DEF/<SourceFolderName>
  int builtin_type_name_count = 0;  // BuiltinTypeNameCount
  // During an analysis run: the queue that writes the per-function files in
  // the background; the driver drains it at the end of every stage. Null
  // outside a run (files are then written directly).
  FileWriteQueue* deferred_files = nullptr;
  AnalysisPosition position;
  // Paths the source walk has logged as left out: both walks of a run skip
  // them, the log names each once.
  std::set<std::string> walk_skips_logged;
  // Work one stage starts for a later stage of the same run, running in the
  // background meanwhile (the call-graph pictures: started once the final
  // records exist, finished by the report stage). Destroying it stops it and
  // waits for it; the driver does so before the work folder may be removed.
  std::unique_ptr<BackgroundWork> background_graphs;
};

}  // namespace kv
