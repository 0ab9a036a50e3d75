#include "report/variable_pages.h"

#include <unordered_set>

#include "run/work_folder.h"
#include "lex/keyword_tables.h"
#include "lex/name_match.h"
#include "platform/encoding.h"
#include "platform/html_text.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "consolidate/file_level_variables.h"
#include "report/call_records.h"
#include "report/call_tree.h"
#include "report/report_pages.h"

namespace kv {
namespace {

bool IsIdentifier(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!IsIdentifierChar(c)) return false;
  return true;
}

// The three count lines of RAM/<variable>: total, reads, writes.
void WriteCounts(TextWriter& out, long total, long reads, long writes) {
  out.Write("\t" + std::to_string(total) + SJ(" アクセス") + "\n");
  out.Write("\t(R) " + std::to_string(reads) + SJ(" アクセス") + "\n");
  out.Write("\t(W) " + std::to_string(writes) + SJ(" アクセス") + "\n");
}

}  // namespace

bool VariablePageLineMatches(std::string_view line, std::string_view variable) {
  std::string_view suffix = line.find('.') != std::string_view::npos ? "." : " ";
  return FindWholeName(line, variable, suffix) != std::string_view::npos;
}


std::vector<TreeLine> TreeAccessIndex::ReadTree(std::string_view tree_text) {
  std::vector<TreeLine> tree;
  size_t pos = 0;
  while (pos < tree_text.size()) {
    size_t end = tree_text.find('\n', pos);
    if (end == std::string_view::npos) end = tree_text.size();
    std::string_view line = tree_text.substr(pos, end - pos);
    pos = end + 1;
    if (line.find("*IndentOver") != std::string_view::npos) continue;
    tree.push_back({VariablePageTreeName(line), line.find("\t|") == std::string_view::npos});
  }
  return tree;
}

TreeAccessIndex::TreeAccessIndex(const std::vector<TreeLine>& tree, RecordStore& records) {
  std::unordered_set<std::string> seen;
  for (const TreeLine& line : tree) {
    if (!seen.insert(line.name).second) continue;
    Function function;
    function.name = line.name;
    function.root = line.root;
    int id = records.Lookup(line.name);
    if (id >= 0) {
      function.accesses = &records.Get(id).accesses;
      function.file = records.Get(id).file;
    }
    functions_.push_back(std::move(function));
  }
  // Every maximal run of identifier characters of every access line: a name
  // that stands whole in a line is such a run.
  for (size_t f = 0; f < functions_.size(); ++f) {
    if (functions_[f].accesses == nullptr) continue;
    const std::vector<std::string>& lines = *functions_[f].accesses;
    for (size_t l = 0; l < lines.size(); ++l) {
      const std::string& text = lines[l];
      for (size_t i = 0; i < text.size();) {
        if (!IsIdentifierChar(text[i])) {
          ++i;
          continue;
        }
        size_t start = i;
        while (i < text.size() && IsIdentifierChar(text[i])) ++i;
        std::vector<Place>& places = places_[text.substr(start, i - start)];
        Place place{static_cast<int>(f), static_cast<int>(l)};
        if (places.empty() || places.back().function != place.function || places.back().line != place.line)
          places.push_back(place);
      }
    }
  }
}

std::vector<TreeAccessIndex::Place> TreeAccessIndex::Matches(std::string_view variable) const {
  std::vector<Place> out;
  auto test = [&](const Place& place) {
    if (VariablePageLineMatches((*functions_[place.function].accesses)[place.line], variable)) out.push_back(place);
  };
  if (IsIdentifier(variable)) {
    auto found = places_.find(std::string(variable));
    if (found != places_.end())
      for (const Place& place : found->second) test(place);
    return out;
  }
  // A name that is not one identifier (never from a plain declaration): look
  // at every line.
  for (size_t f = 0; f < functions_.size(); ++f) {
    if (functions_[f].accesses == nullptr) continue;
    for (size_t l = 0; l < functions_[f].accesses->size(); ++l)
      test(Place{static_cast<int>(f), static_cast<int>(l)});
  }
  return out;
}

StageOutcome WriteVariablePages(RunContext& ctx, RecordStore& records,
                                const std::vector<TreeLine>& tree) {
  const std::string ram_folder = work::Path(work::kRam);
  const std::string page_folder = work::Path("HTML/RAM");
  MakeFolder(ram_folder);
  MakeFolder(page_folder);
  LineReader declarations;
  if (!declarations.Open(work::Path(work::kValList))) {
    ctx.Message(SJ("RAMListが存在しません"));
    return StageOutcome::kContinue;
  }
  const TreeAccessIndex index(tree, records);
  const auto& functions = index.functions();
  FileLevelVariables variables;  // a static variable is its own file's
  variables.Load(work::kRoot);

  // A variable several files define: one list and page per definition,
  // with the functions whose file reaches that definition.
  const DefinitionIndex& definitions = records.definitions();
  std::string line, type, variable;
  for (size_t at = 0; declarations.ReadLineNoEol(line); ++at) {
    if (ctx.StopRequested()) return StageOutcome::kStopRun;
    if (line.empty()) continue;
    SplitTypeAndName(line, type, variable);
    ctx.ShowDetail(variable);
    const Definition* own = definitions.Variable(at);
    const bool several = own != nullptr && definitions.Several('V', own->name);
    const std::string& file_name = several ? own->record : variable;
    auto reaches = [&](const TreeAccessIndex::Function& function) {
      if (!several) return variables.Reaches(variable, function.file);
      const int id = records.Lookup(function.name);
      return id >= 0 && definitions.ResolveFromRecord('V', own->name, records.name(id)) == own->record;
    };
    if (!CheckFileName(ctx, "RAM", file_name)) continue;
    TextWriter text;
    if (!CreateFile(text, JoinPath(ram_folder, file_name), ctx.deferred_files)) {
      ctx.Message(SJ("RAMListが存在しません"));
      continue;
    }
    TextWriter page;
    if (!CreatePage(page, JoinPath(page_folder, file_name + ".html"), ctx.deferred_files)) {
      ctx.Message(SJ("RAM HTML作成失敗"));
      continue;
    }
    page.Write("<BODY bgcolor=#CCFFFF><H5>");

    long total = 0, reads = 0, writes = 0;
    long function_total = 0, function_reads = 0;
    int current = -1;
    auto close_function = [&] {
      if (current < 0) return;
      page.Write("<BR>\n");
      text.Write(functions[current].name + "\n");
      WriteCounts(text, function_total, function_reads, function_total - function_reads);
    };
    for (const TreeAccessIndex::Place& place : index.Matches(variable)) {
      const TreeAccessIndex::Function& function = functions[place.function];
      if (!reaches(function)) continue;
      if (place.function != current) {
        close_function();
        current = place.function;
        function_total = function_reads = 0;
        if (function.root) page.Write(SJ("■基点関数<BR>\n"));
        // The page as the disk spells it (the tree may write the name in
        // another letter case).
        const int id = records.Lookup(function.name);
        const std::string& file = id >= 0 ? records.name(id) : function.name;
        page.Write("<A href= ..\\" + file + ".html>" + HtmlText(function.name) + "</A><BR>\n");
      }
      const std::string& access = (*function.accesses)[place.line];
      page.Write(SJ("　　　") + HtmlText(access) + "<BR>\n");
      ++total;
      ++function_total;
      if (access.find("[R]") != std::string::npos) {
        ++reads;
        ++function_reads;
      } else {
        ++writes;
      }
    }
    close_function();
    text.Write(SJ("\n総アクセス数\n"));
    WriteCounts(text, total, reads, writes);
  }
  return StageOutcome::kContinue;
}

}  // namespace kv
