// The call-graph pictures of an analysis run: HTML/GRAPH/<function>.svg for
// every record with a body, and on each such function's source page one
// link to its picture, after the page's content.
//
// The pictures are independent, so they are laid out by several processes
// at once (graphviz cannot lay out two graphs at once in one process): the
// stage forks graph_workers - 1 helpers that share a job counter with it in
// shared memory and write their pictures themselves. A picture depends only
// on the records, so the bytes are the same with any number of workers. A
// helper that dies takes only its current picture with it (logged).
#pragma once

#include <string_view>

#include "run/run_context.h"
#include "run/stage.h"

namespace kv {

class RecordStore;

// The folder of the pictures, in the work folder.
inline constexpr std::string_view kGraphFolder = "HTML/GRAPH";

// Whether the run draws pictures for a project of `record_count` records.
bool CallGraphsWanted(const RunOptions& options, int record_count);

// kStopRun when stopped; otherwise kContinue (a picture that fails is logged).
StageOutcome WriteCallGraphs(RunContext& ctx, RecordStore& records);

}  // namespace kv
