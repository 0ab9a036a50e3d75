// The design-document command: spreadsheet design documents from the
// per-function records of the last analysis run.
#pragma once

#include <string>

#include "run/run_context.h"

namespace kv {

// The progress display of the document run ("実行中" / "EXCEL 仕様書作成中" /
// "実行中断"), shown by the front end while the generation runs; its button
// sets StopFlag. Open is called before the generation and Close after it, in
// every case.
class DocumentProgress {
 public:
  virtual ~DocumentProgress() = default;
  virtual void Open() = 0;
  virtual void Close() = 0;
  // With "EXCEL出力状況 表示" set, called after each function sheet is saved:
  // the workbook's file (CP932 path) and the sheet just written (CP932).
  virtual void SheetShown(const std::string& workbook, const std::string& sheet) {}
};

struct DesignDocumentOptions {
  bool show_progress = false;  // "EXCEL出力状況 表示"
};

// Writes the documents into a new folder "自動設計書" + "%Y%m%d%H%M%S" of
// ctx.options.output_folder: one workbook per source file (main.c ->
// main_c.xlsx), holding the template's three sheets and one sheet per
// function of that file. Without a `progress` (the command line), the
// sheets shown are printed on standard output. True when the run completed;
// then `written_to`, when given, receives the documents' folder.
bool RunDesignDocumentCommand(RunContext& ctx, const DesignDocumentOptions& options, DocumentProgress* progress,
                              std::string* written_to = nullptr);

}  // namespace kv
