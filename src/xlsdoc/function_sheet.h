// One function's sheet: a copy of the template's FunctionSheet added to the
// open workbook and filled from the function's FunctionList4 record and its
// SOURCE body text.
#pragma once

#include <string>

#include "run/run_context.h"
#include "run/source_descriptions.h"
#include "platform/text_file.h"
#include "xlsdoc/document_template.h"
#include "xlsdoc/spreadsheet.h"

namespace kv {

// Adds and fills the sheet of record `record_name` (also the name of its
// SOURCE file) in the active workbook. The record is read from its start;
// its description sections (after "[コール元]") fill ■関数概要, ■処理内容,
// ■戻り値, ■備考 and the 説明 of the argument and temporary tables.
// `function`, when the function's description file has it, gives the body
// lines their indentation under ■制御仕様. StopFlag is polled before the
// sheet is copied and before each record line.
DocStep AddFunctionSheet(RunContext& ctx, xls::Application& app, LineReader& record, const std::string& record_name,
                         const DescribedFunction* function = nullptr);

// The width a column needs for `text` (CP932: a byte a column, so a
// two-byte character two), at least the template's 4.
double ColumnWidthFor(std::string_view text);

// The sheet name for function `name` (CP932) as the k-th function sheet of
// its workbook: the name cut to 26 characters, then "(k)". A name that a
// sheet name may not hold is made valid: []:*?/\ and control characters
// become "_", a leading or trailing "'" too, and the name is cut further
// when "(k)" would pass 31 characters. `attempt` 1, 2... gives alternatives
// ("_" added before "(k)") for a name that is already taken.
std::string FunctionSheetName(const std::string& name, int k, int attempt = 0);

}  // namespace kv
