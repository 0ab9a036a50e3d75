// The AnalysisDriver: the fourteen stages of a run, one after another on the
// worker thread, each in the same frame (progress base, status texts, START
// and END banners, stop test).
#pragma once

#include <string>
#include <vector>

#include "run/run_context.h"
#include "run/stage.h"

namespace kv {

struct StageFrame {
  const char* start_text;  // UTF-8; shown with ShowStatus
  const char* start_word;  // 20-character banner words
  const char* end_word;
  const char* end_text;
  int base;                   // ProgressBase while the stage runs
  bool banner_before_status;  // FUNC ALS4 and VALUE LIST write START first
  StageFunction prologue;     // work done before the start text (may be null)
  StageFunction body;
};

// The fourteen stages in their fixed order.
const std::vector<StageFrame>& AnalysisStages();

// Runs the stages; returns true when the run completed (RunCompleted set).
// A stopped or failed run is cleaned up here ("実行中断", work folder
// removed), except after kEndWorker, which leaves everything as it is.
bool RunAnalysisDriver(RunContext& ctx, const std::vector<StageFrame>& stages);

}  // namespace kv
