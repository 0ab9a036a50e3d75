#include "prepro/prepro_stages.h"

namespace kv {

StageOutcome RunHeaderListStage(RunContext&) { return StageOutcome::kContinue; }
StageOutcome RunPreproStage(RunContext&) { return StageOutcome::kContinue; }

}  // namespace kv
