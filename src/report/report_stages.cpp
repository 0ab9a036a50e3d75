#include "report/report_stages.h"

namespace kv {

StageOutcome PrepareReportStage(RunContext&) { return StageOutcome::kContinue; }
StageOutcome RunReportStage(RunContext&) { return StageOutcome::kContinue; }

}  // namespace kv
