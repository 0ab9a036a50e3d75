// Helpers of the xlsdoc tests: a run context with a recording UI, workbooks
// read back with the component's own reader, and golden dumps.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "run/analysis_log.h"
#include "run/run_context.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "platform/user_interface.h"
#include "xlsdoc/workbook_dump.h"
#include "xlsdoc/workbook_model.h"

namespace kv::xls::testing {

struct TestRun {
  Session session;
  RecordingUi ui;
  AnalysisLog log{"./AnalyzeLog.txt"};
  std::unique_ptr<RunContext> ctx;

  explicit TestRun(const std::string& output_folder = "out") {
    RunOptions options;
    options.output_folder = output_folder;
    ctx = std::make_unique<RunContext>(session, ui, log, options);
  }
};

struct ReadBook {
  StyleTable styles;
  WorkbookModel book;

  const SheetModel& Sheet(size_t index) const { return *book.sheets.at(index); }
  const Style& StyleAt(const SheetModel& sheet, const std::string& cell) const {
    auto ref = ParseCellRef(cell);
    return styles.Get(sheet.StyleAt(ref->row, ref->column));
  }
  std::string Value(const SheetModel& sheet, const std::string& cell) const {
    auto ref = ParseCellRef(cell);
    return sheet.Value(ref->row, ref->column);
  }
  bool Merged(const SheetModel& sheet, const std::string& area) const {
    auto a = ParseArea(area);
    for (const CellArea& m : sheet.merges())
      if (m == *a) return true;
    return false;
  }
};

// Reads a workbook the component saved (an internal path).
inline std::unique_ptr<ReadBook> ReadWorkbook(const std::string& path) {
  auto read = std::make_unique<ReadBook>();
  std::string error;
  EXPECT_TRUE(ReadXlsx(ResolveDiskPath(path), read->styles, read->book, error)) << path << ": " << error;
  return read;
}

// A dump written as the golden files are kept: CP932 with CR LF.
inline void WriteDump(const std::string& path, const std::string& utf8) {
  MakeFolder("dump");
  TextWriter out(path, WriteMode::kTruncate);
  out.Write(ToCp932(utf8));
}

}  // namespace kv::xls::testing
