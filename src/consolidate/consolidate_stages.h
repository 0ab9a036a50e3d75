// The cross-file passes over the per-function records.
#pragma once

#include "run/stage.h"

namespace kv {

StageOutcome RunFuncAls15Stage(RunContext& ctx);
StageOutcome RunFuncAls2Stage(RunContext& ctx);
StageOutcome RunFuncAls3Stage(RunContext& ctx);
StageOutcome RunFuncAls4Stage(RunContext& ctx);
StageOutcome RunCallListStage(RunContext& ctx);
StageOutcome RunValueListStage(RunContext& ctx);
StageOutcome RunRamAcsListStage(RunContext& ctx);
// FUNC INFO writes its table's header line before its start text.
StageOutcome PrepareFuncInfoStage(RunContext& ctx);
StageOutcome RunFuncInfoStage(RunContext& ctx);

}  // namespace kv
