#include "consolidate/consolidate_stages.h"

namespace kv {

StageOutcome RunFuncAls15Stage(RunContext&) { return StageOutcome::kContinue; }
StageOutcome RunFuncAls2Stage(RunContext&) { return StageOutcome::kContinue; }
StageOutcome RunFuncAls3Stage(RunContext&) { return StageOutcome::kContinue; }
StageOutcome RunFuncAls4Stage(RunContext&) { return StageOutcome::kContinue; }
StageOutcome RunCallListStage(RunContext&) { return StageOutcome::kContinue; }
StageOutcome RunValueListStage(RunContext&) { return StageOutcome::kContinue; }
StageOutcome RunRamAcsListStage(RunContext&) { return StageOutcome::kContinue; }
StageOutcome PrepareFuncInfoStage(RunContext&) { return StageOutcome::kContinue; }
StageOutcome RunFuncInfoStage(RunContext&) { return StageOutcome::kContinue; }

}  // namespace kv
