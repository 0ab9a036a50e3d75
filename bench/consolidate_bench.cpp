// Seconds per consolidation pass on generated work folders of growing size.
//
//   consolidate_bench [--rerun] [RECORDS...]   (default 1000 2000 ... 32000)
//
// --rerun keeps the outputs between runs, so every output file already
// exists when a pass writes it: what is left is the passes' own work, without
// the cost of creating files in a fresh folder.
//
// Each size gets a fresh folder under $TMPDIR; the passes run in their order
// three times over it, each time into fresh output folders as in a real run,
// and the median of each pass is printed: elapsed seconds and the CPU
// seconds (user + system) of the process, with the growth of both against
// the previous (half as large) size. On a shared machine the CPU time is the
// steadier measure; the elapsed time includes waiting for the disk.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "run/analysis_log.h"
#include "run/run_context.h"
#include "consolidate/consolidate_stages.h"
#include "consolidate/synthetic_project.h"
#include "platform/user_interface.h"

namespace fs = std::filesystem;

namespace {

// Keeps nothing: the passes' status and detail lines are not the point here.
class QuietUi : public kv::UserInterface {
 public:
  void Message(const std::string& text, const std::string&) override { ++messages; }
  bool Ask(const std::string&, const std::string&) override { return true; }
  void ShowStatus(const std::string&) override {}
  void ShowDetail(const std::string&) override {}
  bool Open(const std::string&) override { return false; }
  int messages = 0;
};

struct Pass {
  const char* name;
  kv::StageOutcome (*prologue)(kv::RunContext&);
  kv::StageOutcome (*body)(kv::RunContext&);
};

const Pass kPasses[] = {
    {"FUNC ALS1.5", nullptr, kv::RunFuncAls15Stage},  {"FUNC ALS2", nullptr, kv::RunFuncAls2Stage},
    {"FUNC ALS3", nullptr, kv::RunFuncAls3Stage},     {"FUNC ALS4", nullptr, kv::RunFuncAls4Stage},
    {"CALL LIST", nullptr, kv::RunCallListStage},     {"VALUE LIST", nullptr, kv::RunValueListStage},
    {"RAM ACS LIST", nullptr, kv::RunRamAcsListStage}, {"FUNC INFO", kv::PrepareFuncInfoStage, kv::RunFuncInfoStage},
};
constexpr int kRuns = 3;

double CpuSeconds() {
  rusage usage;
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// What the passes write, removed before each run: a run writes into a fresh
// work folder, where creating each file costs what it costs there.
void RemoveOutputs() {
  for (const char* p : {"vcwk012345/func_als1_5", "vcwk012345/func_als2", "vcwk012345/func_als3",
                        "vcwk012345/FunctionList4", "vcwk012345/RAM_ALL", "vcwk012345/ValList2.txt",
                        "vcwk012345/FILEINFO/FileFuncInfo.txt", "vcwk012345/SOURCE5", "AnalyzeLog.txt"})
    fs::remove_all(p);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<size_t> sizes;
  bool rerun = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--rerun") rerun = true;
    else sizes.push_back(std::strtoul(argv[i], nullptr, 10));
  }
  if (sizes.empty()) sizes = {1000, 2000, 4000, 8000, 16000, 32000};

  const fs::path start = fs::current_path();
  std::map<std::string, double> previous, previous_cpu;
  std::printf("%-8s %-13s %9s %7s %9s %7s\n", "records", "pass", "elapsed", "growth", "cpu", "growth");
  for (size_t records : sizes) {
    const fs::path folder = fs::temp_directory_path() / ("kavenor-bench-" + std::to_string(::getpid()) + "-" +
                                                         std::to_string(records));
    fs::create_directories(folder);
    fs::current_path(folder);
    kv::synthetic::ProjectShape shape;
    shape.records = records;
    kv::synthetic::WriteProject(shape);

    kv::Session session;
    QuietUi ui;
    kv::AnalysisLog log;
    kv::RunContext ctx(session, ui, log, kv::RunOptions{});
    std::map<std::string, std::vector<double>> times, cpu_times;
    for (int run = 0; run < kRuns; ++run) {
      if (!rerun || run == 0) RemoveOutputs();
      for (const Pass& pass : kPasses) {
        const auto t0 = std::chrono::steady_clock::now();
        const double cpu0 = CpuSeconds();
        if (pass.prologue != nullptr) pass.prologue(ctx);
        pass.body(ctx);
        cpu_times[pass.name].push_back(CpuSeconds() - cpu0);
        times[pass.name].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
      }
    }
    double total = 0, total_cpu = 0;
    auto growth = [](double now, double before) {
      return before > 0 ? std::to_string(now / before).substr(0, 4) + "x" : std::string("-");
    };
    for (const Pass& pass : kPasses) {
      const double median = Median(times[pass.name]);
      const double cpu = Median(cpu_times[pass.name]);
      total += median;
      total_cpu += cpu;
      std::printf("%-8zu %-13s %9.3f %7s %9.3f %7s\n", records, pass.name, median,
                  growth(median, previous[pass.name]).c_str(), cpu, growth(cpu, previous_cpu[pass.name]).c_str());
      previous[pass.name] = median;
      previous_cpu[pass.name] = cpu;
    }
    std::printf("%-8zu %-13s %9.3f %7s %9.3f\n", records, "all passes", total, "", total_cpu);
    size_t ram_files = 0;
    for (const auto& e : fs::directory_iterator("vcwk012345/RAM_ALL")) ram_files += e.is_regular_file();
    std::printf("%-8zu (%zu RAM_ALL files, %d messages)\n\n", records, ram_files, ui.messages);
    std::fflush(stdout);
    fs::current_path(start);
    fs::remove_all(folder);
  }
  return 0;
}
