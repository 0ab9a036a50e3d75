// The template workbook of a design-document run: three formatted sheets
// (CoverSheet, ModuleSheet, FunctionSheet) saved as ORIGINAL.xlsx in the run
// folder. Output workbooks are opened from it and every function gets a copy
// of its third sheet (function_sheet.h).
#pragma once

#include <string>

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

// Builds the template and saves it as `folder`/ORIGINAL.xlsx (an older file
// of that name is deleted first). StopFlag is polled before each merged area
// and each outline; kStopped leaves the workbook open for the caller's Quit.
// Automation errors propagate.
DocStep BuildDocumentTemplate(RunContext& ctx, xls::Application& app, const std::string& folder);

}  // namespace kv
