// Runs the report stage (the HTML report set and the call trees) on the work
// folder ./vcwk012345 of the current directory, as the analysis run does
// after RAM ACS LIST, and prints its time, the process's peak memory and the
// sizes of the trees.
//
//   report_bench [--tree-lines N] [--source TEXT]
//
// The work folder is usually seeded by bench/report_seed.py from a corpus.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "run/run_context.h"
#include "platform/encoding.h"
#include "platform/text_file.h"
#include "report/call_records.h"
#include "report/call_tree.h"
#include "report/report_stages.h"

namespace {

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

size_t CountLines(const char* path) {
  kv::LineReader in(path);
  size_t lines = 0;
  for (char c : in.text()) lines += c == '\n';
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  kv::RunOptions options;
  options.source_folder = "corpus";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--tree-lines") == 0) options.tree_line_budget = std::strtoull(argv[i + 1], nullptr, 10);
    if (std::strcmp(argv[i], "--source") == 0) options.source_folder = kv::ToCp932(argv[i + 1]);
  }
  kv::Session session;
  kv::RecordingUi ui;
  kv::AnalysisLog log;
  kv::RunContext ctx(session, ui, log, options);

  // The size the written form would have, computed as the stage does.
  uint64_t expanded = 0;
  size_t roots = 0, records = 0;
  {
    kv::RecordStore store("./vcwk012345/FunctionList4");
    kv::CallTreeWalker walker(store);
    records = static_cast<size_t>(store.size());
    for (int id = 0; id < store.size(); ++id) {
      if (!store.Get(id).is_root) continue;
      ++roots;
      expanded = kv::SaturatingAdd(expanded, walker.ExpandedLines(store.name(id)));
    }
  }

  auto start = std::chrono::steady_clock::now();
  kv::StageOutcome outcome = kv::PrepareReportStage(ctx);
  if (outcome == kv::StageOutcome::kContinue) outcome = kv::RunReportStage(ctx);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  for (const std::string& message : ui.MessagesUtf8()) std::fprintf(stderr, "%s\n", message.c_str());
  std::printf("outcome %d\nrecords %zu\nroots %zu\nexpanded_lines %llu\nbudget %llu\nbrief %s\n",
              static_cast<int>(outcome), records, roots, static_cast<unsigned long long>(expanded),
              static_cast<unsigned long long>(options.tree_line_budget), expanded > options.tree_line_budget ? "yes" : "no");
  std::printf("call_tree_lines %zu\ncall_tree_ram_lines %zu\nseconds %.3f\npeak_rss_mib %.1f\n",
              CountLines("./vcwk012345/HTML/CallTree/call_tree.txt"),
              CountLines("./vcwk012345/HTML/CallTree/call_tree_ram.txt"), seconds, PeakKiB() / 1024.0);
  return outcome == kv::StageOutcome::kContinue ? 0 : 1;
}
