#include "consolidate/func_als4.h"

#include "run/work_folder.h"
#include "consolidate/consolidate_stages.h"
#include "consolidate/distinct_entries.h"
#include "consolidate/record_tags.h"
#include "consolidate/record_walk.h"
#include "platform/encoding.h"
#include "platform/text_file.h"

namespace kv {
namespace {

bool StartsDistinctSection(const std::string& line) {
  return line == record_tag::Reads() || line == record_tag::Writes() || line == record_tag::Calls() ||
         line == record_tag::Returns() || line == record_tag::DefinedCalls();
}

}  // namespace

void OptimiseRecord(RunContext& ctx, LineReader& in, TextWriter& out) {
  std::string line;
  DistinctEntries distinct;
  while (in.ReadLineNoEol(line)) {
    out.WriteLine(line);
    if (!StartsDistinctSection(line)) continue;
    distinct.Clear();
    while (in.ReadLineNoEol(line) && !line.empty()) {
      // One log line for an entry whose scan ran past the guard (not one per
      // further comparison: a section that large would flood the log).
      if (distinct.Add(line) > kDuplicateCheckLimit) ctx.log.Finding(SJ("重複チェック"), 0, line, "-");
    }
    for (const std::string& entry : distinct.entries()) out.WriteLine(entry);
    out.WriteLine("");
  }
}

StageOutcome RunFuncAls4Stage(RunContext& ctx) {
  return RewriteRecords(ctx, work::Path(work::kFuncAls3), work::Path(work::kFunctionList4),
                        SJ("ファイル開けずSTEP3_5"),
                        [&ctx](const std::string&, LineReader& in, TextWriter& out) { OptimiseRecord(ctx, in, out); });
}

}  // namespace kv
