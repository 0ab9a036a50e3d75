// Call trees: a function, then, depth-first, every function it calls, each on
// its own line indented by its depth, down to depth 25.
//
// Written form: a callee is expanded again under every caller and a
// recursion is followed until the depth limit, so a tree grows with the
// number of call paths, which on real code is exponential in the depth. The
// walker therefore first computes how many lines that form would give
// (memoised per function and depth, before anything is written). Within the
// run's budget the trees are written exactly so; beyond it every tree of the
// run is written in brief form: a function whose callees were already listed
// earlier in the run gets its line followed by kBriefMarker and is not
// expanded again, which bounds the lines by the number of calls.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "run/run_context.h"
#include "platform/text_file.h"
#include "report/call_records.h"

namespace kv {

inline constexpr int kTreeDepthLimit = 25;
// Follows a function's name when its callees are listed earlier in the run
// (brief form only). Readers of the tree files strip it with the name.
inline constexpr std::string_view kBriefMarker = "[...]";

// SplitCallEntry: a "[コール関数]" entry cut into type, name and arguments.
// With " (" (a defined function's form) the name is the last word before it;
// otherwise the name is the text before the first "(" and the type
// "NoDefine".
struct CallEntry {
  std::string type;
  std::string name;
  std::string arguments;
};
CallEntry SplitCallEntry(std::string_view entry);

// Adds without overflow: line counts of the written form reach 10^14 and more.
uint64_t SaturatingAdd(uint64_t a, uint64_t b);

// Where a walk puts its lines.
class TreeOutput {
 public:
  virtual ~TreeOutput() = default;
  // One function at `depth` (TreeDepth). `record` is null when the function
  // has no record; `brief` when its callees are listed earlier in the run.
  virtual void Function(int depth, std::string_view name, const CallRecord* record, bool brief) = 0;
  // A callee below the depth limit.
  virtual void IndentOver() = 0;
};

// TreeDepth, the memoised sizes and, in brief form, the functions whose
// callees have been listed: the state of one stage run or one command.
class CallTreeWalker {
 public:
  explicit CallTreeWalker(RecordStore& store) : store_(store) {}

  // Lines (text-tree lines; the depth-limit text counts as one) the written
  // form gives for the tree of `name`, saturated at UINT64_MAX.
  uint64_t ExpandedLines(std::string_view name);

  void set_brief(bool brief) { brief_ = brief; }
  bool brief() const { return brief_; }

  // WriteCallTree from TreeDepth 0.
  void Walk(std::string_view name, TreeOutput& out);

 private:
  static constexpr uint64_t kUnknown = 0;  // a tree has at least one line
  using DepthSizes = std::array<uint64_t, kTreeDepthLimit + 1>;

  uint64_t Lines(int id, int depth);
  void WalkAt(int id, std::string_view name, int depth, TreeOutput& out);

  RecordStore& store_;
  std::vector<DepthSizes> sizes_;
  bool brief_ = false;
  std::vector<bool> listed_;
};

// Sets the walker's form for a run whose trees start at `roots`: the written
// form when its lines stay within ctx.options.tree_line_budget, otherwise the
// brief form with one log finding that gives the computed size. Returns that
// size.
uint64_t ChooseTreeForm(RunContext& ctx, CallTreeWalker& walker, const std::vector<std::string>& roots);

// "\t|" repeated `depth` times: the lead of a text-tree line.
std::string TextIndent(int depth);
// Three full-width spaces and "|", `depth` + 1 times: the lead of an HTML
// tree line.
std::string HtmlIndent(int depth);

// A line of the text tree as the variable pages take it: the function it
// names (VariablePageTreeName) and whether it is a root's line (no "\t|").
struct TreeLine {
  std::string name;
  bool root;
};

// The function a line of call_tree.txt names, as the variable pages take it:
// tabs and "|" removed, then "[non]", "--" and the brief marker.
std::string VariablePageTreeName(std::string_view line);

// The CALL TREE stage's files in HTML/CallTree: call_tree.txt and
// call_tree_ram.txt for the whole run, call_tree.html for the current root.
class StageTreeFiles : public TreeOutput {
 public:
  StageTreeFiles(TextWriter& text, TextWriter& ram) : text_(text), ram_(ram) {}
  void set_html(TextWriter* html) { html_ = html; }
  // Also keep the first line of every function as the variable pages read
  // it, so that they need not read call_tree.txt back.
  void set_first_lines(std::vector<TreeLine>* lines) { lines_ = lines; }

  void Function(int depth, std::string_view name, const CallRecord* record, bool brief) override;
  void IndentOver() override;

 private:
  TextWriter& text_;
  TextWriter& ram_;
  TextWriter* html_ = nullptr;
  std::vector<TreeLine>* lines_ = nullptr;
  std::unordered_set<std::string> seen_;
};

// The function-rooted tree's two files: "*インデントオーバー" without a line
// end in both, links that open a new window, no R/W file.
class CommandTreeFiles : public TreeOutput {
 public:
  CommandTreeFiles(TextWriter& text, TextWriter& html) : text_(text), html_(html) {}

  void Function(int depth, std::string_view name, const CallRecord* record, bool brief) override;
  void IndentOver() override;

 private:
  TextWriter& text_;
  TextWriter& html_;
};

// The function name of a text-tree line: the line without its lead ("\t|"
// pairs), "--" and the brief marker. `depth` receives the number of "\t|"
// removed. "[non]" stays (the variable command looks for "f[non]" and finds
// no record).
std::string TreeLineName(std::string_view line, int* depth = nullptr);

}  // namespace kv
