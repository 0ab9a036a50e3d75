// The template workbook of a design-document run: three formatted sheets
// (CoverSheet, ModuleSheet, FunctionSheet) saved as ORIGINAL.xlsx in the run
// folder. Output workbooks are opened from it and every function gets a copy
// of its third sheet (function_sheet.h).
#pragma once

#include <string>
#include <vector>

#include "run/run_context.h"
#include "xlsdoc/spreadsheet.h"

namespace kv {

inline constexpr char kTemplateFileName[] = "ORIGINAL.xlsx";

// Excel colour indices of the layout.
inline constexpr int kCaptionColour = 34;  // CCFFFF
inline constexpr int kDataColour = 2;      // FFFFFF

// Where the template's sheets are.
inline constexpr int kCoverSheet = 1;
inline constexpr int kModuleSheet = 2;
inline constexpr int kFunctionSheet = 3;

enum class DocStep { kDone, kStopped };

// The template sheets' names.
const std::string& CoverSheetName();     // "表紙"
const std::string& ModuleSheetName();    // "モジュール定義"
const std::string& FunctionSheetTemplateName();  // "関数雛形"

// The module-definition sheet's tables: each starts at its header row; the
// merged areas of its data rows run from column `first` to `last`.
struct ColumnSpan {
  int first;
  int last;
};
// The data-row areas of the table whose header row is `header_row` in the
// template (5, 8, 14, 17, 23, 29, 36, 40, 44); empty for any other row.
std::vector<ColumnSpan> ModuleDataAreas(int header_row);

// Builds the template and saves it as `folder`/ORIGINAL.xlsx (an older file
// of that name is deleted first). StopFlag is polled before each merged area
// and each outline; kStopped leaves the workbook open for the caller's Quit.
// Automation errors propagate.
DocStep BuildDocumentTemplate(RunContext& ctx, xls::Application& app, const std::string& folder);

}  // namespace kv
