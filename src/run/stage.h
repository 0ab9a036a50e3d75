// What a stage tells the driver when it returns.
#pragma once

namespace kv {

class RunContext;

enum class StageOutcome {
  kContinue,   // go on with the next stage
  kStopRun,    // go to the end of the run (stopped or failed): the work folder is removed
  kEndWorker,  // end the worker at once, without the end-of-run step
};

using StageFunction = StageOutcome (*)(RunContext&);

}  // namespace kv
