#include "app/run_summary.h"

#include <filesystem>

#include "run/work_folder.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace kv {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string AbsoluteDiskPath(const std::string& path) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(ToDiskPath(path), ec);
  return ec ? ToDiskPath(path) : absolute.lexically_normal().string();
}

}  // namespace

bool IsBannerLine(std::string_view line) {
  // "YY.MM.DD hh:mm:ss" is 17 characters, after " : ".
  constexpr std::string_view kForm = "00.00.00 00:00:00";
  if (line.size() < kForm.size() + 3) return false;
  std::string_view stamp = line.substr(line.size() - kForm.size());
  if (line.substr(line.size() - kForm.size() - 3, 3) != " : ") return false;
  for (size_t i = 0; i < kForm.size(); ++i)
    if (kForm[i] == '0' ? !IsDigit(stamp[i]) : stamp[i] != kForm[i]) return false;
  return true;
}

RunSummary SummarizeRun(const RunContext& ctx, const std::string& result_folder) {
  RunSummary summary;
  summary.files_read = ctx.progress.divisor.load();
  DirListing records = ListDirectory(work::Path(work::kFuncAls), "*.*");
  for (const DirEntry& entry : records.entries)
    if (!entry.is_dir) ++summary.functions_recorded;
  summary.log_path = ctx.log.path();
  LineReader log(summary.log_path);
  std::string line;
  while (log.ReadLineNoEol(line))
    if (!line.empty() && !IsBannerLine(line)) ++summary.log_findings;
  summary.result_folder = result_folder;
  return summary;
}

std::string FormatRunSummary(const RunSummary& summary, std::string_view outcome) {
  std::string out = "Summary:\n";
  out += "  source files read:   " + std::to_string(summary.files_read) + "\n";
  out += "  functions recorded:  " + std::to_string(summary.functions_recorded) + "\n";
  out += "  findings in the log: " + std::to_string(summary.log_findings) + " (" +
         AbsoluteDiskPath(summary.log_path) + ")\n";
  out += "  result folder:       ";
  out += summary.result_folder.empty() ? std::string("none (") + std::string(outcome) + ")"
                                       : AbsoluteDiskPath(summary.result_folder);
  out += "\n";
  return out;
}

}  // namespace kv
