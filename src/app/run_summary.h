// The few lines the command line prints at the end of every analyze: how
// many source files were read, how many functions got a record, how many
// findings the log holds (and where the log is), and where the results went.
#pragma once

#include <string>

#include "app/log_findings.h"
#include "run/run_context.h"

namespace kv {

struct RunSummary {
  int files_read = 0;          // source files the header list found (ProgressDivisor)
  int functions_recorded = 0;  // records in func_als (0 once a stopped run removed the work folder)
  long log_findings = 0;       // log lines other than the START/END banners
  std::vector<FindingKind> finding_kinds;  // the same lines by kind
  std::string log_path;        // CP932, as the run wrote it
  std::string result_folder;   // CP932; empty when nothing was copied
};

RunSummary SummarizeRun(const RunContext& ctx, const std::string& result_folder);

// A log line of LogBanner's form: a word, " : " and "YY.MM.DD hh:mm:ss".
bool IsBannerLine(std::string_view line);

// The summary as UTF-8 lines, disk paths made absolute: the findings by
// kind with one example each, and how to read the CP932 log. `outcome` says
// how the run ended when there is no result folder.
std::string FormatRunSummary(const RunSummary& summary, std::string_view outcome);

}  // namespace kv
