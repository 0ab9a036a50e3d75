#include "consolidate/call_list.h"

#include <unordered_set>

#include "run/definition_index.h"
#include "run/work_folder.h"
#include "consolidate/consolidate_stages.h"
#include "consolidate/record_descriptions.h"
#include "consolidate/record_tags.h"
#include "consolidate/record_walk.h"
#include "lex/name_match.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/text_file.h"

namespace kv {

void CallerIndex::AddRecord(std::string name, std::vector<std::string> call_entries) {
  const auto index = static_cast<uint32_t>(records_.size());
  for (const std::string& entry : call_entries) callers_.Add(entry, index);
  records_.push_back({std::move(name), std::move(call_entries)});
}

std::vector<size_t> CallerIndex::Callers(std::string_view callee) const {
  const std::vector<uint32_t> found =
      callers_.Find(callee, static_cast<uint32_t>(records_.size()), [&](uint32_t i, std::string_view key) {
        for (const std::string& entry : records_[i].calls) {
          if (ContainsWholeName(entry, key, "(")) return true;
        }
        return false;
      });
  return std::vector<size_t>(found.begin(), found.end());
}

std::vector<std::string> ReadCallEntries(LineReader& in) {
  std::vector<std::string> entries;
  std::string line;
  while (in.ReadLineNoEol(line)) {
    if (line == record_tag::Calls()) break;
  }
  while (in.ReadLineNoEol(line) && !line.empty() && line != record_tag::kNone) entries.push_back(line);
  return entries;
}

namespace {

// The callers of the record `name`. A name with several definitions (one
// per file or target) is called from each caller's file as it links: the
// caller is listed under the definition its file reaches, and a choice
// among several non-static ones is logged once per file and name.
std::vector<size_t> CallersOf(RunContext& ctx, const DefinitionIndex& definitions, const CallerIndex& index,
                              const std::string& name, std::unordered_set<std::string>& told) {
  const Definition* own = definitions.ByRecord(name);
  if (own == nullptr || !definitions.Several('F', own->name)) return index.Callers(name);
  std::vector<size_t> callers = index.Callers(own->name);
  std::erase_if(callers, [&](size_t caller) {
    const Definition* from = definitions.ByRecord(index.name(caller));
    const std::string_view path = from != nullptr ? std::string_view(from->path) : std::string_view();
    const DefinitionIndex::Choice choice = definitions.Resolve('F', own->name, path);
    if (choice.definition != own) return true;
    if (choice.nearest && told.insert(std::string(path) + '\t' + own->name).second)
      ctx.log.Finding(path, 0, own->name,
                      SJ("同名関数 ") + std::to_string(choice.candidates) + SJ("定義から最も近い記録 ") + name);
    return false;
  });
  return callers;
}

}  // namespace

StageOutcome RunCallListStage(RunContext& ctx) {
  const std::string final_folder = work::Path(work::kFunctionList4);
  const std::string searched_folder = work::Path(work::kFuncAls2);
  const std::vector<std::string> finals = ListRecords(ctx, final_folder, SJ("FunctionList4 開けず STEP3-7"));
  if (finals.empty()) return StageOutcome::kContinue;

  // The searched records, read once. (Their folder missing was reported once
  // per final record; once per pass says the same.)
  CallerIndex index;
  const DirListing searched = ListDirectory(searched_folder, "*.*");
  if (!searched.found) ctx.Message(SJ("func_als2 開けず STEP3-7"));
  LineReader in;
  for (const DirEntry& entry : searched.entries) {
    if (entry.is_dir) continue;
    std::vector<std::string> calls;
    if (in.Open(RecordPath(searched_folder, entry.name))) calls = ReadCallEntries(in);
    index.AddRecord(entry.name, std::move(calls));
  }

  DefinitionIndex definitions;
  definitions.Load();
  const DescriptionIndex descriptions(work::Path(work::kComment));
  std::unordered_set<std::string> told;  // (caller's file, name) choices already logged
  std::string bytes;
  for (const std::string& name : finals) {
    if (ctx.StopRequested()) return StageOutcome::kStopRun;
    ctx.ShowDetail(name);
    const std::vector<size_t> callers = CallersOf(ctx, definitions, index, name, told);
    std::string added = record_tag::Callers() + "\n";
    if (callers.empty()) added += "NONE_CALLER\n";
    for (size_t caller : callers) added += index.name(caller) + "\n";
    if (!callers.empty()) added += "\n";
    // Then what the comments say, after every section the other passes know
    // (a record missing here is the callers' section alone; one that cannot
    // be read gets no description).
    const std::string path = RecordPath(final_folder, name);
    bytes.clear();
    const ReadProblem problem = ReadWorkFileBytes(path, bytes);
    if (problem == ReadProblem::kNone || problem == ReadProblem::kMissing) {
      StripCarriageReturnsInPlace(bytes);
      bytes += added;
      added += RecordDescriptionSections(descriptions, bytes);
    }
    TextWriter out(path, WriteMode::kAppend);
    out.Write(added);
  }
  if (ctx.StopRequested()) return StageOutcome::kStopRun;
  return StageOutcome::kContinue;
}

}  // namespace kv
