// The per-file analysis stages: FILE ALS (declarations and function bodies)
// and SPEC LIST (the control description of every function).
#pragma once

#include "run/stage.h"

namespace kv {

StageOutcome RunFileAlsStage(RunContext& ctx);
StageOutcome RunSpecListStage(RunContext& ctx);

}  // namespace kv
