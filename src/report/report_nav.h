// What lets a reader move through the report: the record pages shown in the
// record frame (HTML/REC/<record>.html, callers and callees as links), the
// links added to each function's source page (its place in the code view,
// its picture, its address in the report, and the script that shows its
// record beside it), the folding call tree and the pictures' legend.
//
// Frames in step: every link to a function opens its source page in the
// wide frame, and the source page shows the function's record in the record
// frame. So a ◆ link, a picture's node, a call-tree name, a search result or
// a caller in the record all show the record and the page together.
//
// Addresses: index.html#<record> opens the report on a function (the
// frameset's script reads the fragment).
#pragma once

#include <string>
#include <vector>

#include "run/run_context.h"

namespace kv {

class RecordStore;
struct CodeIndex;
struct CodeLine;

inline constexpr std::string_view kRecordPageFolder = "HTML/REC";

// HTML/REC/<record>.html for every record. The folder is made anew when
// the pages are begun; a page is written from the record's text when a
// reader of the records has it at hand (the code view reads each record
// once), and Finish reads the records whose page is still missing.
class RecordPages {
 public:
  RecordPages(RunContext& ctx, RecordStore& records);
  void Write(int id, const std::string& text, const CodeLine& at);
  void Finish(const CodeIndex& code);

 private:
  RunContext& ctx_;
  RecordStore& records_;
  std::string folder_;
  bool ready_ = false;
  std::vector<bool> written_;  // per record id
};

// Every record page, each record read here.
void WriteRecordPages(RunContext& ctx, RecordStore& records, const CodeIndex& code);

// The additions to every function's source page (not to placeholders):
// after the page's first line, its code-view place, its picture when
// HTML/GRAPH holds one and its address; at its end, the script that shows
// its record. Runs after the pictures are drawn.
void AddSourcePageLinks(RunContext& ctx, RecordStore& records, const CodeIndex& code);

// HTML/CallTree/full_tree.html and full_tree.js: every root, each callee
// shown when its caller is opened.
void WriteFoldingTree(RunContext& ctx, RecordStore& records, const std::vector<std::string>& roots);

// HTML/GRAPH/legend.html, when the folder holds pictures.
void WriteGraphLegend(RunContext& ctx);

// The script of index.html that opens the frames on index.html#<record>.
std::string DeepLinkScript();

}  // namespace kv
