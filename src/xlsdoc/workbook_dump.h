// A readable text form of a workbook, for tests and golden files: every
// sheet with its name, zoom, columns, merged areas, the formats of each row
// as runs of columns, and the texts; formats are numbered in the order they
// first appear and listed at the end.
#pragma once

#include <string>

#include "xlsdoc/cell_style.h"
#include "xlsdoc/workbook_model.h"

namespace kv::xls {

// UTF-8, lines ending in "\n".
std::string DumpWorkbook(const WorkbookModel& book, const StyleTable& styles);
std::string DescribeStyle(const Style& style);

}  // namespace kv::xls
