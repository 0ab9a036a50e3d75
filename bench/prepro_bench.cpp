// Times the HEADER LIST and PREPRO stages on real C trees.
//
//   prepro_bench [--runs N] CORPUS_DIR...
//
// For each corpus: counts its .c/.h files and lines (not timed), then runs
// the two stages N times, each in a fresh scratch folder that becomes the
// current directory (the stages write ./vcwk012345 and ./AnalyzeLog.txt
// there), and prints the median wall seconds of each stage, the median CPU
// seconds (user + system) of PREPRO, and the peak memory. The scratch
// folders are removed only at the end: creating files right after deleting
// thousands costs ext4 extra time that belongs to no stage.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "run/run_context.h"
#include "run/work_folder.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "prepro/prepro_stages.h"

namespace fs = std::filesystem;

namespace {

class SilentUi : public kv::UserInterface {
 public:
  void Message(const std::string&, const std::string&) override { ++messages; }
  bool Ask(const std::string&, const std::string&) override { return true; }
  void ShowStatus(const std::string&) override {}
  void ShowDetail(const std::string&) override {}
  bool Open(const std::string&) override { return false; }
  int messages = 0;
};

struct Count {
  long files = 0;
  long lines = 0;
};

Count CountSources(const fs::path& root) {
  Count count;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::string ext = entry.path().extension().string();
    if (ext != ".c" && ext != ".h") continue;
    ++count.files;
    std::ifstream in(entry.path(), std::ios::binary);
    count.lines += std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
  }
  return count;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double CpuSeconds() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
  double header_list = 0;
  double prepro = 0;
  double prepro_cpu = 0;
  int messages = 0;
};

Timing RunOnce(const fs::path& corpus, const fs::path& scratch) {
  fs::create_directories(scratch);
  fs::current_path(scratch);
  kv::MakeFolder(kv::work::kRoot);
  for (std::string_view folder : {kv::work::kDef, kv::work::kDefTmp, kv::work::kDef2, kv::work::kDef3})
    kv::MakeFolder(kv::work::Path(folder));
  kv::Session session;
  SilentUi ui;
  kv::AnalysisLog log;
  kv::RunOptions options;
  options.source_folder = corpus.string();
  options.output_folder = ".";
  kv::RunContext ctx(session, ui, log, options);
  ctx.source_folder_name = corpus.filename().string();
  ctx.mirror_root = kv::JoinPath(kv::work::Path(kv::work::kDef), ctx.source_folder_name);
  kv::MakeFolder(ctx.mirror_root);
  kv::TextWriter(kv::work::Path(kv::work::kHeaderList), kv::WriteMode::kOverwrite);

  Timing t;
  auto start = std::chrono::steady_clock::now();
  kv::RunHeaderListStage(ctx);
  auto middle = std::chrono::steady_clock::now();
  double cpu = CpuSeconds();
  ctx.progress.counter = 0;
  kv::RunPreproStage(ctx);
  auto end = std::chrono::steady_clock::now();
  t.prepro_cpu = CpuSeconds() - cpu;
  t.header_list = Seconds(middle - start);
  t.prepro = Seconds(end - middle);
  t.messages = ui.messages;
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  std::vector<fs::path> corpora;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      corpora.push_back(fs::absolute(arg));
    }
  }
  if (corpora.empty()) {
    std::fprintf(stderr, "usage: prepro_bench [--runs N] CORPUS_DIR...\n");
    return 2;
  }
  const fs::path home = fs::current_path();
  const fs::path scratch = fs::temp_directory_path() / ("kavenor-prepro-bench-" + std::to_string(::getpid()));
  std::printf("%-10s %7s %9s %10s %10s %10s %12s %8s\n", "corpus", "files", "lines", "header_s", "prepro_s",
              "prepro_cpu", "lines/s", "messages");
  int serial = 0;
  for (const fs::path& corpus : corpora) {
    Count count = CountSources(corpus);
    std::vector<double> header, prepro, cpu;
    int messages = 0;
    for (int r = 0; r < runs; ++r) {
      Timing t = RunOnce(corpus, scratch / std::to_string(++serial));
      header.push_back(t.header_list);
      prepro.push_back(t.prepro);
      cpu.push_back(t.prepro_cpu);
      messages = t.messages;
    }
    fs::current_path(home);
    double p = Median(prepro);
    std::printf("%-10s %7ld %9ld %10.3f %10.3f %10.3f %12.0f %8d\n", corpus.filename().c_str(), count.files,
                count.lines, Median(header), p, Median(cpu), p > 0 ? count.lines / p : 0.0, messages);
    std::fflush(stdout);
  }
  fs::remove_all(scratch);
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak RSS %.1f MiB (%d runs each)\n", usage.ru_maxrss / 1024.0, runs);
  return 0;
}
