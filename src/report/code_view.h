// The code view of the report: one page per file of the preprocessed copy,
// HTML/CODE/<path>.html, showing the text as it is (monospace, tabs and
// blanks kept) with a numbered line and an anchor "L<n>" per line. Function
// names, file-level variables and #define names link to the line that
// defines them (a function's own name at its definition opens its record
// and source page); comments and literals are styled.
//
// Page names flatten the file's path below the copy's root: "/" becomes
// "__" (sensor/sensor.c gives sensor__sensor.c.html), so that every page
// links to every other without climbing folders.
//
// The pages are written from two passes over each file: the first finds
// where things are defined, the second writes the page with the links.
// Where a name is defined is found from the text's shape, not by compiling:
// a function's definition is its name followed by "(" at file level and,
// after the closing parenthesis, by "{" (or by the declarations of an old
// style parameter list); a variable's is its first file-level mention in a
// statement that is neither extern nor typedef; a macro's is its #define
// line.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "run/run_context.h"

namespace kv {

class RecordStore;

inline constexpr std::string_view kCodeFolder = "HTML/CODE";

// A line of a code-view page.
struct CodeLine {
  std::string page;  // file name in HTML/CODE; empty: nowhere
  int line = 0;
  bool found() const { return !page.empty(); }
  // "CODE/<page>#L<line>", relative to HTML.
  std::string Address() const;
};

// What the pages found: where each record's function is defined and where
// each file-level variable is.
struct CodeIndex {
  // Per record id; not found for a record without a body or whose text
  // could not be placed.
  std::vector<CodeLine> functions;
  // Per variable name (ValList.txt): each file-level definition, in file
  // order, and the file it stands in (as the copy names it, e.g.
  // sensor/sensor.c).
  struct VariableSite {
    CodeLine where;
    std::string file;
  };
  std::unordered_map<std::string, std::vector<VariableSite>> variables;
};

// Token classes of one line, for tests: the line rendered without links.
// `in_comment` carries a block comment from line to line.
std::string RenderCodeLineForTest(std::string_view line, bool& in_comment);

// Called for each record the code view reads first (and could read), with
// its text and where its function is: the report's other users of the
// record's text need not read it again.
using RecordReadHook = std::function<void(int id, const std::string& text, const CodeLine& at)>;

// Writes every page of HTML/CODE (removed first) and its style sheet, and
// returns where things are. Without a copy of the sources nothing is
// written and nothing is found (and no record is read).
CodeIndex WriteCodeView(RunContext& ctx, RecordStore& records, const RecordReadHook& on_read = {});

}  // namespace kv
