#include "analysis/analysis_stages.h"

namespace kv {

StageOutcome RunFileAlsStage(RunContext&) { return StageOutcome::kContinue; }
StageOutcome RunSpecListStage(RunContext&) { return StageOutcome::kContinue; }

}  // namespace kv
