#include "consolidate/func_als2.h"

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
  return line == record_tag::Reads() || line == record_tag::Writes() || line == record_tag::Calls();
}

}  // namespace

// Entries are whole lines compared byte for byte; "NONE" is an entry like
// any other. A section ends at its empty line or at the end of the record,
// and is always written back with one closing empty line.
void RemoveRepeatedEntries(LineReader& in, TextWriter& out) {
  std::string line;
  DistinctEntries distinct;
  while (in.ReadLineNoEol(line)) {
    out.WriteLine(line);
    if (!StartsDistinctSection(line)) continue;
    distinct.Clear();
    while (in.ReadLineNoEol(line) && !line.empty()) distinct.Add(line);
    for (const std::string& entry : distinct.entries()) out.WriteLine(entry);
    out.WriteLine("");
  }
}

StageOutcome RunFuncAls2Stage(RunContext& ctx) {
  return RewriteRecords(ctx, work::Path(work::kFuncAls15), work::Path(work::kFuncAls2), SJ("ファイル開けず STEP2"),
                        [](const std::string&, LineReader& in, TextWriter& out) { RemoveRepeatedEntries(in, out); });
}

}  // namespace kv
