// The per-file analysis stages: FILE ALS (declarations and function bodies)
// and SPEC LIST (control specifications).
#pragma once

#include "app/stage.h"

namespace kv {

StageOutcome RunFileAlsStage(RunContext& ctx);
StageOutcome RunSpecListStage(RunContext& ctx);

}  // namespace kv
