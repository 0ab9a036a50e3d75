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

// Each kind: its count, its label and its first line, cut to one screen
// line.
std::string FormatFindingKinds(const std::vector<FindingKind>& kinds) {
  constexpr size_t kExampleBytes = 150;
  std::string out;
  for (const FindingKind& kind : kinds) {
    std::string count = std::to_string(kind.count);
    if (count.size() < 6) count.insert(0, 6 - count.size(), ' ');
    std::string example = ToUtf8(kind.example);
    if (example.size() > kExampleBytes) {
      size_t cut = kExampleBytes;
      while (cut > 0 && (static_cast<unsigned char>(example[cut]) & 0xC0) == 0x80) --cut;
      example.resize(cut);
      example += " ...";
    }
    out += "  " + count + " " + kind.label + "\n";
    out += "           e.g. " + example + "\n";
  }
  return out;
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
  FindingTally tally;
  std::string line;
  while (log.ReadLineNoEol(line)) tally.Add(line);
  summary.log_findings = tally.total();
  summary.finding_kinds = tally.Kinds();
  summary.result_folder = result_folder;
  return summary;
}

std::string FormatRunSummary(const RunSummary& summary, std::string_view outcome) {
  std::string out = "Summary:\n";
  out += "  source files read:   " + std::to_string(summary.files_read) + "\n";
  out += "  functions recorded:  " + std::to_string(summary.functions_recorded) + "\n";
  out += "  findings in the log: " + std::to_string(summary.log_findings) + " (" +
         AbsoluteDiskPath(summary.log_path) + ")\n";
  out += FormatFindingKinds(summary.finding_kinds);
  if (summary.log_findings > 0) out += "    the log is CP932 text: 'kavenor log' prints it here\n";
  out += "  result folder:       ";
  out += summary.result_folder.empty() ? std::string("none (") + std::string(outcome) + ")"
                                       : AbsoluteDiskPath(summary.result_folder);
  out += "\n";
  return out;
}

}  // namespace kv
