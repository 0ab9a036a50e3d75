// A whole workbook of the spreadsheet component in memory, and its .xlsx
// form: WriteXlsx saves it with libxlsxwriter, ReadXlsx opens a file that
// WriteXlsx saved (the parts that file has: sheets, shared strings, cell
// formats, column widths, merged areas, zoom and the active sheet).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "xlsdoc/cell_style.h"
#include "xlsdoc/sheet_model.h"

namespace kv::xls {

struct WorkbookModel {
  // Sheets may be shared with other workbooks; a holder copies a sheet
  // before it changes one that someone else also holds.
  std::vector<std::shared_ptr<SheetModel>> sheets;
  size_t active = 0;  // index into sheets
};

// Writes `book` to `disk_path` (UTF-8) through a temporary file beside it,
// so that a failed write leaves any earlier file in place. The temporary
// file is created new, without following a symlink, through a descriptor of
// the folder, and it replaces the file only when every part of it reads
// back whole. libxlsxwriter's own temporary files (one per part) go to
// `temp_folder` (a disk path; empty: TMPDIR or /tmp), and a failure of any
// of their reads or writes fails the save. False with a reason in `error`
// on failure.
bool WriteXlsx(const std::string& disk_path, const WorkbookModel& book, const StyleTable& styles, std::string& error,
               const std::string& temp_folder = {});

// Whether a written .xlsx file reads back whole: every member of the
// package with a good checksum, every XML part well-formed. False with the
// damaged part in `error`.
bool CheckXlsxWhole(const std::string& disk_path, std::string& error);

// Reads an .xlsx file; formats are interned into `styles`. False with a
// reason in `error` when the file is missing or not a workbook this
// component can read.
bool ReadXlsx(const std::string& disk_path, StyleTable& styles, WorkbookModel& book, std::string& error);

// Cell texts as stored in .xlsx: control characters (other than tab and
// line feed) and a literal "_xHHHH_" are written as "_xHHHH_" escapes.
std::string EscapeCellText(std::string_view utf8);
std::string UnescapeCellText(std::string_view stored);

// The width a column was given, from the width stored in .xlsx (libxlsxwriter
// pads widths to whole pixels of the default font), to 1/100 character.
double ColumnWidthFromStored(double stored);

}  // namespace kv::xls
