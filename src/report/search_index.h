// The search box of the report: a field in the menu frame (HTML/top.html)
// that finds functions, file-level variables and definitions by part of
// their name as the reader types, and a result page (HTML/Search.html)
// shown in the list frame whose links open the same pages as the lists.
//
// The names come from a static script, HTML/search_index.js, that the
// result page loads with a <script> element (no request an origin rule
// could refuse over file://). The script is pure ASCII: a name outside
// ASCII is written with \u escapes, so the browser reads it the same
// whatever charset it assumes for the file. The field hands the query to
// the result page in the fragment of its address ("Search.html#query"):
// frames of a file:// report may navigate each other but not read each
// other.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "run/run_context.h"

namespace kv {

class RecordStore;

struct SearchEntries {
  std::vector<std::string> functions;  // record names, sorted
  std::vector<std::string> variables;  // ValList.txt names, sorted, distinct
  // Definition names with the label of their definition page (main_C),
  // sorted by name, then label.
  std::vector<std::pair<std::string, std::string>> definitions;
};

// The names of a work folder, as the lists show them.
SearchEntries CollectSearchEntries(RunContext& ctx, RecordStore& records);

// A JavaScript string literal (with its quotes) of CP932 text: ASCII as is
// (quote and backslash escaped), the rest as \uXXXX. False when `cp932` is
// not valid Shift-JIS.
bool JsStringLiteral(std::string_view cp932, std::string& literal);

// The text of HTML/search_index.js.
std::string SearchIndexScript(const SearchEntries& entries);

// HTML/search_index.js and HTML/Search.html, and the field at the end of
// HTML/top.html. False when a file cannot be written.
bool WriteSearchPages(RunContext& ctx, RecordStore& records);

}  // namespace kv
