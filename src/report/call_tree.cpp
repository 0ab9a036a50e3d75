#include "report/call_tree.h"

#include <limits>

#include "platform/encoding.h"
#include "platform/html_text.h"

namespace kv {

CallEntry SplitCallEntry(std::string_view entry) {
  CallEntry out;
  size_t defined = entry.find(" (");
  if (defined != std::string_view::npos) {
    std::string_view head = entry.substr(0, defined);
    size_t split = head.rfind(' ');
    if (split == std::string_view::npos) split = head.rfind('\t');
    if (split == std::string_view::npos) {
      out.name = head;
    } else {
      out.type = head.substr(0, split);
      out.name = head.substr(split + 1);
    }
    out.arguments = entry.substr(defined + 1);
    return out;
  }
  size_t open = entry.find('(');
  out.type = "NoDefine";
  out.name = entry.substr(0, open);
  if (open != std::string_view::npos) out.arguments = entry.substr(open);
  return out;
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  const uint64_t max = std::numeric_limits<uint64_t>::max();
  return a > max - b ? max : a + b;
}

uint64_t CallTreeWalker::ExpandedLines(std::string_view name) { return Lines(store_.Lookup(name), 0); }

// Mirrors WalkAt in the written form: one line for the function; for a
// function with callees either the depth-limit line (at the limit) or the
// callees' trees one level deeper.
uint64_t CallTreeWalker::Lines(int id, int depth) {
  if (id < 0) return 1;
  if (sizes_.size() < static_cast<size_t>(store_.size())) sizes_.resize(store_.size(), DepthSizes{});
  if (sizes_[id][depth] != kUnknown) return sizes_[id][depth];
  const CallRecord& record = store_.Get(id);
  uint64_t lines = 1;
  if (!record.callee_ids.empty()) {
    if (depth + 1 > kTreeDepthLimit) {
      lines = 2;
    } else {
      for (int callee : record.callee_ids) lines = SaturatingAdd(lines, Lines(callee, depth + 1));
    }
  }
  sizes_[id][depth] = lines;
  return lines;
}

void CallTreeWalker::Walk(std::string_view name, TreeOutput& out) { WalkAt(store_.Lookup(name), name, 0, out); }

// WriteCallTree: the function's line group, then each callee one level
// deeper; a callee past the depth limit gives the depth-limit line and ends
// this function's callees.
void CallTreeWalker::WalkAt(int id, std::string_view name, int depth, TreeOutput& out) {
  if (id < 0) {
    out.Function(depth, name, nullptr, false);
    return;
  }
  const CallRecord& record = store_.Get(id);
  // A function without callees has nothing to list: it is written plainly.
  const bool track = brief_ && !record.callees.empty();
  if (track) {
    if (listed_.size() < static_cast<size_t>(store_.size())) listed_.resize(store_.size(), false);
    if (listed_[id]) {
      out.Function(depth, name, &record, true);
      return;
    }
    // Marked before the callees, so that a recursion back into this
    // function is written as a brief line.
    listed_[id] = true;
  }
  out.Function(depth, name, &record, false);
  for (size_t i = 0; i < record.callees.size(); ++i) {
    if (depth + 1 > kTreeDepthLimit) {
      out.IndentOver();
      // Its callees were not listed: a later, shallower meeting expands it.
      if (track) listed_[id] = false;
      return;
    }
    WalkAt(record.callee_ids[i], store_.ShownCallee(record.callee_ids[i], record.callees[i]), depth + 1, out);
  }
}

uint64_t ChooseTreeForm(RunContext& ctx, CallTreeWalker& walker, const std::vector<std::string>& roots) {
  uint64_t total = 0;
  for (const std::string& root : roots) total = SaturatingAdd(total, walker.ExpandedLines(root));
  const uint64_t budget = ctx.options.tree_line_budget;
  walker.set_brief(total > budget);
  if (walker.brief()) {
    std::string size = std::to_string(total);
    if (total == std::numeric_limits<uint64_t>::max()) size = SJ("最大値以上");
    ctx.log.Finding("WriteCallTree", 0, SJ("コールツリー簡略形式で出力 展開時の行数 ") + size,
                    SJ("上限 ") + std::to_string(budget));
  }
  return total;
}

std::string TextIndent(int depth) {
  std::string out;
  out.reserve(2 * static_cast<size_t>(depth));
  for (int i = 0; i < depth; ++i) out += "\t|";
  return out;
}

std::string HtmlIndent(int depth) {
  const std::string& step = SJ("　　　|");
  std::string out;
  out.reserve(step.size() * static_cast<size_t>(depth + 1));
  for (int i = 0; i <= depth; ++i) out += step;
  return out;
}

namespace {

// Fifteen tabs: the fixed lead of the R and W lines of call_tree_ram.txt.
constexpr std::string_view kColumnTabs = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";

void WriteTextLine(TextWriter& out, int depth, std::string_view name, const CallRecord* record, bool brief) {
  out.Write(TextIndent(depth));
  out.Write("--");
  out.Write(name);
  if (record == nullptr) out.Write("[non]");
  if (brief) out.Write(kBriefMarker);
  out.Write("\n");
}

}  // namespace

void StageTreeFiles::Function(int depth, std::string_view name, const CallRecord* record, bool brief) {
  WriteTextLine(text_, depth, name, record, brief);
  if (lines_ != nullptr && seen_.emplace(name).second) {
    // The line as written: the lead, "--", the name and its suffix.
    std::string line = TextIndent(depth) + "--" + std::string(name);
    if (record == nullptr) line += "[non]";
    lines_->push_back({VariablePageTreeName(line), line.find("\t|") == std::string::npos});
  }
  WriteTextLine(ram_, depth, name, record, brief);
  if (html_ != nullptr) {
    html_->Write("<font size='2'>");
    html_->Write(HtmlIndent(depth));
    html_->Write("--</font>");
    if (record == nullptr) {
      html_->Write("<font size='2'>");
      WriteHtmlText(*html_, name);
      html_->Write("[non]</font><BR>\n");
    } else {
      html_->Write("<A href= ..\\");
      html_->Write(record->file_name.empty() ? std::string(name) : record->file_name);
      html_->Write(".html target='view'>");
      WriteHtmlText(*html_, name);
      html_->Write("</A>");
      if (brief) html_->Write(kBriefMarker);
      html_->Write("<BR>\n");
    }
  }
  if (record == nullptr) return;
  for (const std::string& entry : record->reads) {
    ram_.Write(kColumnTabs);
    ram_.Write("R\t");
    ram_.Write(entry);
    ram_.Write("\n");
  }
  for (const std::string& entry : record->writes) {
    ram_.Write(kColumnTabs);
    ram_.Write("W\t");
    ram_.Write(entry);
    ram_.Write("\n");
  }
}

void StageTreeFiles::IndentOver() {
  text_.Write("*IndentOver\n");
  ram_.Write("*IndentOver\n");
}

void CommandTreeFiles::Function(int depth, std::string_view name, const CallRecord* record, bool brief) {
  WriteTextLine(text_, depth, name, record, brief);
  html_.Write("<font size='2'>");
  html_.Write(HtmlIndent(depth));
  html_.Write("--");
  if (record == nullptr) {
    WriteHtmlText(html_, name);
    html_.Write("[non]</font><BR>\n");
    return;
  }
  html_.Write("</font><A href= ..\\");
  html_.Write(name);
  html_.Write(".html target='_blank'>");
  WriteHtmlText(html_, name);
  html_.Write("</A>");
  if (brief) html_.Write(kBriefMarker);
  html_.Write("<BR>\n");
}

// The text has no line end: the next line follows it directly.
void CommandTreeFiles::IndentOver() {
  text_.Write(SJ("*インデントオーバー"));
  html_.Write(SJ("*インデントオーバー"));
}

std::string VariablePageTreeName(std::string_view line) {
  std::string name;
  name.reserve(line.size());
  for (char c : line)
    if (c != '\t' && c != '|') name.push_back(c);
  for (std::string_view piece : {std::string_view("[non]"), std::string_view("--"), kBriefMarker})
    for (size_t pos = name.find(piece); pos != std::string::npos; pos = name.find(piece, pos)) name.erase(pos, piece.size());
  return name;
}

std::string TreeLineName(std::string_view line, int* depth) {
  std::string name;
  name.reserve(line.size());
  int removed = 0;
  for (size_t i = 0; i < line.size();) {
    if (line.compare(i, 2, "\t|") == 0) {
      ++removed;
      i += 2;
    } else {
      name.push_back(line[i++]);
    }
  }
  for (size_t pos = name.find("--"); pos != std::string::npos; pos = name.find("--", pos)) name.erase(pos, 2);
  size_t marker = name.find(kBriefMarker);
  if (marker != std::string::npos) name.erase(marker, kBriefMarker.size());
  if (depth != nullptr) *depth = removed;
  return name;
}

}  // namespace kv
