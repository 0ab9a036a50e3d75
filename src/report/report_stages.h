// The report stage of an analysis run: the HTML report set and the call
// trees of every root function.
#pragma once

#include "run/stage.h"

namespace kv {

// Before the start text: HTML/CallTree removed and made again, HTML/top.html.
StageOutcome PrepareReportStage(RunContext& ctx);
StageOutcome RunReportStage(RunContext& ctx);

}  // namespace kv
