// For the whole-run tests: a source folder through every stage in the current
// (scratch) folder, as `kavenor analyze` runs it, the launch question answered
// Cancel. The session, interface and log stay for the commands a test runs
// afterwards on the work folder.
#pragma once

#include <string>
#include <utility>

#include "app/analyze_command.h"

namespace kv::testing {

struct AnalyzeTestRun {
  AnalyzeTestRun(std::string source, std::string output) {
    options.source_folder = std::move(source);
    options.output_folder = std::move(output);
    // The call-graph pictures have their own tests (src/report); the
    // whole-run goldens hold the text report.
    options.call_graphs = 0;
    ui.QueueAnswer(false);
  }

  // kRefused when a folder check failed; otherwise how the run ended.
  AnalyzeResult::Status Run() {
    AnalyzeCommand command(session, ui, log, options);
    if (!command.Prepare()) return AnalyzeResult::Status::kRefused;
    command.RunWorker();
    return command.Finish().status;
  }

  Session session;
  RecordingUi ui;
  AnalysisLog log;
  RunOptions options;
};

}  // namespace kv::testing
