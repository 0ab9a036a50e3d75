#include "consolidate/value_list.h"

#include "run/work_folder.h"
#include "consolidate/consolidate_stages.h"
#include "consolidate/record_tags.h"
#include "consolidate/record_walk.h"
#include "platform/encoding.h"
#include "platform/text_file.h"

namespace kv {

void WrittenVariables::Add(std::string_view name) {
  if (list_.FindOrAdd(name) != NameList::kFull) return;
  NameList larger(list_.capacity() * 2);
  for (const std::string& n : list_.names()) larger.FindOrAdd(n);
  larger.FindOrAdd(name);
  list_ = std::move(larger);
}

// A section ends at its empty line, "NONE" or the end of the record; the
// line that ended it is not looked at again.
void WrittenVariables::AddRecord(LineReader& in) {
  std::string line;
  while (in.ReadLineNoEol(line)) {
    if (line != record_tag::Writes()) continue;
    while (in.ReadLineNoEol(line) && !line.empty() && line != record_tag::kNone) Add(line);
  }
}

StageOutcome RunValueListStage(RunContext& ctx) {
  WrittenVariables written(ctx.memory_factor());
  ctx.ShowStatus(SJ("変数抽出・整合中"));
  const std::string folder = work::Path(work::kFunctionList4);
  const std::vector<std::string> names = ListRecords(ctx, folder, SJ("ファイル開けず STEP4"));
  LineReader in;
  for (const std::string& name : names) {
    if (ctx.StopRequested()) return StageOutcome::kStopRun;
    ctx.ShowDetail(name);
    if (in.Open(RecordPath(folder, name))) written.AddRecord(in);
  }
  TextWriter out(work::Path(work::kValList2), WriteMode::kTruncate);
  for (const std::string& name : written.list().names()) out.WriteLine(name);
  out.WriteLine(kListSentinel);
  out.WriteLine("");
  out.Close();
  ctx.ShowStatus(SJ("変数抽出・整合終了"));
  return StageOutcome::kContinue;
}

}  // namespace kv
