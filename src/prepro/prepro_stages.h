// The preprocessing stages of an analysis run: HEADER LIST, PREPRO and
// DEFINE ALS (typedef extraction).
#pragma once

#include "run/stage.h"

namespace kv {

StageOutcome RunHeaderListStage(RunContext& ctx);
StageOutcome RunPreproStage(RunContext& ctx);
StageOutcome RunDefineAlsStage(RunContext& ctx);

}  // namespace kv
