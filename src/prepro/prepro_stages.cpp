#include "prepro/prepro_stages.h"

namespace kv {

StageOutcome RunDefineAlsStage(RunContext&) { return StageOutcome::kContinue; }

}  // namespace kv
