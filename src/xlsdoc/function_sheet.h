// One function's sheet: a copy of the template's FunctionSheet added to the
// open workbook and filled from the function's FunctionList4 record and its
// SOURCE body text.
#pragma once

#include <string>

#include "run/run_context.h"
#include "platform/text_file.h"
#include "xlsdoc/document_template.h"
#include "xlsdoc/spreadsheet.h"

namespace kv {

// Adds and fills the sheet of record `record_name` (also the name of its
// SOURCE file) in the active workbook. The record is read from its start.
// StopFlag is polled before the sheet is copied and before each record line.
DocStep AddFunctionSheet(RunContext& ctx, xls::Application& app, LineReader& record, const std::string& record_name);

// The sheet name for function `name` (CP932) as the k-th function sheet of
// its workbook: the name cut to 26 characters, then "(k)". A name that a
// sheet name may not hold is made valid: []:*?/\ and control characters
// become "_", a leading or trailing "'" too, and the name is cut further
// when "(k)" would pass 31 characters. `attempt` 1, 2... gives alternatives
// ("_" added before "(k)") for a name that is already taken.
std::string FunctionSheetName(const std::string& name, int k, int attempt = 0);

}  // namespace kv
