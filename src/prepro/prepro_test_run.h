// For the stage tests: a run context in the current (scratch) folder with
// the work folder as the analyse command prepares it, and the two stages.
#pragma once

#include <memory>
#include <string>

#include "run/run_context.h"
#include "run/work_folder.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "prepro/prepro_stages.h"

namespace kv::testing {

class PreproTestRun {
 public:
  explicit PreproTestRun(const std::string& source = "proj", int memory_factor = 1) {
    MakeFolder(work::kRoot);
    for (std::string_view folder : {work::kDef, work::kDefTmp, work::kDef2, work::kDef3})
      MakeFolder(work::Path(folder));
    RunOptions options;
    options.source_folder = source;
    options.output_folder = "out";
    options.memory_factor = memory_factor;
    ctx = std::make_unique<RunContext>(session, ui, log, options);
    ctx->source_folder_name = SplitPath(DropTrailingSeparator(source)).name;
    ctx->mirror_root = JoinPath(work::Path(work::kDef), ctx->source_folder_name);
    MakeFolder(ctx->mirror_root);
    TextWriter(work::Path(work::kHeaderList), WriteMode::kOverwrite);
  }

  // HEADER LIST, then PREPRO, each with the counter reset as the driver does.
  void Run() {
    ctx->progress.counter = 0;
    RunHeaderListStage(*ctx);
    ctx->progress.counter = 0;
    RunPreproStage(*ctx);
  }

  Session session;
  RecordingUi ui;
  AnalysisLog log;
  std::unique_ptr<RunContext> ctx;
};

}  // namespace kv::testing
