#include "consolidate/ram_acs_list.h"

#include <algorithm>

#include "run/definition_index.h"
#include "run/work_folder.h"
#include "consolidate/consolidate_stages.h"
#include "consolidate/file_level_variables.h"
#include "consolidate/local_declarations.h"
#include "consolidate/record_tags.h"
#include "consolidate/record_walk.h"
#include "lex/name_match.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace kv {
namespace {

std::string_view KeySuffix(std::string_view line) {
  return line.find('.') != std::string_view::npos ? std::string_view(".") : std::string_view(" [");
}

// RAM_ALL/<variable>: the heading, an empty line, then per record that
// accesses the variable its name, its matching lines behind four blanks and
// an empty line (a record of another file reaches no static variable). A name that cannot be a file name (it would leave RAM_ALL)
// is logged and passed over.
// A variable several files define has one file per definition, named by its
// record, with the accesses of the functions whose file reaches that one
// (see DefinitionIndex::Resolve).
bool WriteAccessFile(RunContext& ctx, const AccessIndex& index, const FileLevelVariables& variables,
                     const DefinitionIndex& definitions, const Definition* own, const std::string& declaration,
                     const std::string& variable) {
  const bool several = own != nullptr && definitions.Several('V', own->name);
  const std::string& file_name = several ? own->record : variable;
  if (!work::IsSafeComponent(file_name)) {
    ctx.log.Finding("RAM ACS LIST", 0, declaration, "FILE NAME REFUSED");
    return false;
  }
  TextWriter out;
  out.Open(JoinPath(work::Path(work::kRamAll), file_name), WriteMode::kTruncate, ctx.deferred_files);
  out.WriteLine(SJ("変数アクセス箇所一覧"));
  out.WriteLine("");
  std::vector<AccessIndex::Match> matches = index.Matches(variable);
  std::erase_if(matches, [&](const AccessIndex::Match& m) {
    if (several) return definitions.ResolveFromRecord('V', own->name, index.name(m.record)) != own->record;
    return !variables.Reaches(variable, index.file(m.record));
  });
  for (size_t i = 0; i < matches.size(); ++i) {
    const bool first_of_record = i == 0 || matches[i - 1].record != matches[i].record;
    const bool last_of_record = i + 1 == matches.size() || matches[i + 1].record != matches[i].record;
    if (first_of_record) out.WriteLine(index.name(matches[i].record));
    out.WriteLine("    " + index.line(matches[i]));
    if (last_of_record) out.WriteLine("");
  }
  return true;
}

}  // namespace

bool AccessLineMatches(std::string_view line, std::string_view variable) {
  return ContainsWholeName(line, variable, KeySuffix(line));
}

void AccessIndex::AddRecord(std::string name, std::vector<std::string> access_lines, std::string file) {
  const size_t record = records_.size();
  for (size_t i = 0; i < access_lines.size(); ++i) {
    const std::string_view line = access_lines[i];
    const auto item = static_cast<uint32_t>(lines_.size());
    lines_.push_back({record, i});
    (line.find('.') != std::string_view::npos ? dot_lines_ : other_lines_).Add(line, item);
  }
  records_.push_back({std::move(name), std::move(access_lines), std::move(file)});
}

std::vector<AccessIndex::Match> AccessIndex::Matches(std::string_view variable) const {
  const auto count = static_cast<uint32_t>(lines_.size());
  auto scan = [this](uint32_t item, std::string_view key) { return AccessLineMatches(line(lines_[item]), key); };
  std::vector<uint32_t> items = dot_lines_.Find(variable, count, scan);
  std::vector<uint32_t> others = other_lines_.Find(variable, count, scan);
  items.insert(items.end(), others.begin(), others.end());
  std::sort(items.begin(), items.end());
  items.erase(std::unique(items.begin(), items.end()), items.end());
  std::vector<Match> matches;
  matches.reserve(items.size());
  for (uint32_t item : items) matches.push_back(lines_[item]);
  return matches;
}

std::vector<std::string> ReadAccessLines(LineReader& in, std::string* file) {
  std::vector<std::string> lines;
  LocalDeclarations locals;
  std::string line;
  while (in.ReadLineNoEol(line)) {
    if (line == record_tag::Accesses()) break;
    if (line == record_tag::FileName()) {
      if (in.ReadLineNoEol(line) && file != nullptr) *file = line;
      continue;
    }
    if (line != record_tag::Arguments() && line != record_tag::Temporaries()) continue;
    while (in.ReadLineNoEol(line) && !line.empty()) locals.Add(line);
  }
  while (in.ReadLineNoEol(line) && !line.empty()) {
    if (!locals.Declares(line)) lines.push_back(line);
  }
  return lines;
}

StageOutcome RunRamAcsListStage(RunContext& ctx) {
  MakeFolder(work::Path(work::kRamAll));
  LineReader declarations;
  if (!declarations.Open(work::Path(work::kValList))) {
    ctx.ShowStatus(SJ("RAMアクセス解析完了"));
    return StageOutcome::kContinue;
  }
  std::string declaration;
  bool indexed = false;
  AccessIndex index;
  FileLevelVariables variables;
  variables.Load(work::kRoot);
  const std::string folder = work::Path(work::kFunctionList4);
  DefinitionIndex definitions;
  definitions.Load();
  for (size_t line = 0; declarations.ReadLineNoEol(declaration); ++line) {
    if (!indexed) {
      // The final records, read once for all variables (the original read
      // them once per variable and reported a missing folder each time).
      indexed = true;
      const std::vector<std::string> names = ListRecords(ctx, folder, SJ("ファイルOPEN失敗"));
      LineReader in;
      for (const std::string& name : names) {
        if (ctx.StopRequested()) return StageOutcome::kStopRun;
        if (!in.Open(RecordPath(folder, name))) {
          ctx.Message(" ");
          continue;
        }
        std::string file;
        std::vector<std::string> lines = ReadAccessLines(in, &file);
        index.AddRecord(name, std::move(lines), std::move(file));
      }
    }
    std::string type;
    std::string variable;
    SplitTypeAndName(declaration, type, variable);
    ctx.ShowDetail(variable);
    if (ctx.StopRequested()) return StageOutcome::kStopRun;
    WriteAccessFile(ctx, index, variables, definitions, definitions.Variable(line), declaration, variable);
  }
  ctx.ShowStatus(SJ("RAMアクセス解析完了"));
  return StageOutcome::kContinue;
}

}  // namespace kv
