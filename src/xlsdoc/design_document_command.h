// The design-document command: spreadsheet design documents from the
// per-function records of the last analysis run.
#pragma once

#include "app/run_context.h"

namespace kv {

// The progress display of the document run ("実行中" / "EXCEL 仕様書作成中" /
// "実行中断"), shown by the front end while the generation runs; its button
// sets StopFlag.
class DocumentProgress {
 public:
  virtual ~DocumentProgress() = default;
  virtual void Open() = 0;
  virtual void Close() = 0;
};

struct DesignDocumentOptions {
  bool show_progress = false;  // "EXCEL出力状況 表示"
};

// Writes the documents into a new folder of ctx.options.output_folder.
// True when the run completed.
bool RunDesignDocumentCommand(RunContext& ctx, const DesignDocumentOptions& options, DocumentProgress* progress);

}  // namespace kv
