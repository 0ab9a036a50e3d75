// The fixed pages of the HTML report set: the title bar, the three lists,
// the definition pages, the call-tree index head, the frameset and its
// placeholder page. Every page is Shift-JIS and starts with the bare charset
// tag so that browsers show it right; their links are made for the layout of
// the result folder (HTML, FunctionList4 and RAM side by side).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "run/run_context.h"
#include "run/stage.h"
#include "platform/text_file.h"

namespace kv {

class RecordStore;
struct CodeIndex;


// Creates (or empties) a file for writing. False when the file does not open.
// With a queue, the file is written in the background (see FileWriteQueue).
bool CreateFile(TextWriter& file, std::string_view path, FileWriteQueue* queue = nullptr);
// CreateFile, then the charset tag.
bool CreatePage(TextWriter& page, std::string_view path, FileWriteQueue* queue = nullptr);

// A name from a record or a list that would not make a safe file name: one
// log finding, and nothing is written for it.
bool CheckFileName(RunContext& ctx, std::string_view where, std::string_view name);

// A name or file name as one piece of a link's address: the bytes that
// would end the attribute, start a fragment or query, or be read as an
// escape (controls, blank, " ' # % < > ?) as %XX; the rest as it is (the
// page's charset carries Shift-JIS names, as in the Part's own links).
std::string HrefText(std::string_view name);

// HTML/top.html. False when it cannot be created (the message is shown).
bool WriteTopPage(RunContext& ctx);
// A prototype without a record gets a "Not Found Function" record and
// source page (registered in `records`), so that its link never breaks.
void AddPrototypeRecords(RunContext& ctx, RecordStore& records);
// The records as HTML/Funclist.html lists them: each once, by the name the
// record gives (ASCII case ignored), then by file.
std::vector<int> FunctionListOrder(RecordStore& records);
// Names compared as the lists sort them: ASCII case ignored, then bytes.
bool NameLess(const std::string& a, const std::string& b);
// HTML/Funclist.html, after AddPrototypeRecords.
void WriteFunctionListPage(RunContext& ctx, RecordStore& records, const CodeIndex& code);
// HTML/ValList.html.
void WriteVariableListPage(RunContext& ctx, const CodeIndex& code);
// HTML/DefList.html and the pages of HTML/DEF. kStopRun when stopped.
StageOutcome WriteDefinitionPages(RunContext& ctx);
// The label of a definition file: main_DEF_C.dat gives main_C.
std::string DefinitionLabel(std::string_view file_name);
// HTML/CallTree/CallTree_index.html with its two head lines.
void WriteCallTreeIndexHead(RunContext& ctx);
// index.html and brimsole.html; false when a page cannot be created.
bool WriteIndexPage(RunContext& ctx);
bool WriteBrimsolePage(RunContext& ctx);

}  // namespace kv
