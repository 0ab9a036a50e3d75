#include "analysis/analysis_stages.h"

#include <exception>

#include "analysis/control_description.h"
#include "analysis/file_scanner.h"
#include "run/run_context.h"
#include "run/work_folder.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/paths.h"

namespace kv {

StageOutcome RunFileAlsStage(RunContext& ctx) {
  FileScanner scanner(ctx);
  try {
    scanner.Walk(ctx.mirror_root, "*.*");  // a stop ends the walk; the driver tests it after the stage
  } catch (const std::exception&) {
    ctx.log.Finding(ctx.position.current_file, 0, "SearchFile_WordAls", SJ("例外発生050"));
  }
  return StageOutcome::kContinue;
}

StageOutcome RunSpecListStage(RunContext& ctx) {
  MakeFolder(work::Path(work::kSource3));
  const std::string folder = work::Path(work::kSource);
  ControlDescriptionExtractor extractor(ctx);
  for (const DirEntry& entry : ListDirectory(folder, "*.*").entries) {
    if (entry.is_dir) continue;
    if (ctx.StopRequested()) return StageOutcome::kStopRun;
    ctx.ShowDetail(entry.name);
    extractor.Extract(JoinPath(folder, entry.name), entry.name);
  }
  return StageOutcome::kContinue;
}

}  // namespace kv
