// Benchmark of the per-file analysis: DEFINE ALS, FILE ALS and SPEC LIST over
// a corpus standing (as a symbolic link) for the preprocessed copy of a scratch
// work folder.
//
//   kv_analysis_bench CORPUS_DIR [MEMORY_FACTOR]
//
// Prints one line: corpus, files, lines, functions, the seconds of each stage
// and of the three together, and the process's peak resident memory. The
// corpus is counted before the clock starts; the scratch folder is removed
// after it stops.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/analysis_stages.h"
#include "run/analysis_log.h"
#include "run/run_context.h"
#include "run/work_folder.h"
#include "platform/paths.h"
#include "platform/user_interface.h"
#include "prepro/prepro_stages.h"

namespace fs = std::filesystem;

namespace {

// Counts messages instead of printing them (the large corpus reports
// hundreds of "メモリオーバー" statements).
class QuietUi : public kv::UserInterface {
 public:
  void Message(const std::string&, const std::string&) override { ++messages; }
  bool Ask(const std::string&, const std::string&) override { return true; }
  void ShowStatus(const std::string&) override {}
  void ShowDetail(const std::string&) override {}
  bool Open(const std::string&) override { return false; }
  long messages = 0;
};

double Seconds(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

long CountLines(const fs::path& root, long* files) {
  long lines = 0;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file() || e.path().filename().string()[0] == '.') continue;
    ++*files;
    std::ifstream in(e.path(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) ++lines;
  }
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR [MEMORY_FACTOR]\n", argv[0]);
    return 2;
  }
  const fs::path corpus = fs::absolute(argv[1]);
  const int memory_factor = argc > 2 ? std::atoi(argv[2]) : 1;
  char scratch_template[] = "/tmp/kv-analysis-bench-XXXXXX";
  if (::mkdtemp(scratch_template) == nullptr) return 1;
  const fs::path scratch = scratch_template;
  fs::current_path(scratch);

  const std::string name = corpus.filename().string();
  for (const char* f : {"vcwk012345/DEF", "vcwk012345/DEF3", "vcwk012345/FILEINFO"}) fs::create_directories(f);
  // The stages only read the preprocessed copy: the corpus itself stands for it.
  fs::create_directory_symlink(corpus, fs::path("vcwk012345/DEF") / name);
  long files = 0;
  const long lines = CountLines(corpus, &files);

  kv::Session session;
  QuietUi ui;
  kv::AnalysisLog log;
  kv::RunContext ctx(session, ui, log, kv::RunOptions{"", "", false, memory_factor});
  ctx.source_folder_name = name;
  ctx.mirror_root = kv::JoinPath(kv::work::Path(kv::work::kDef), name);
  session.type_names.Reset();

  auto start = std::chrono::steady_clock::now();
  kv::RunDefineAlsStage(ctx);
  const double define_als = Seconds(start);
  auto t = std::chrono::steady_clock::now();
  kv::RunFileAlsStage(ctx);
  const double file_als = Seconds(t);
  t = std::chrono::steady_clock::now();
  kv::RunSpecListStage(ctx);
  const double spec_list = Seconds(t);
  const double total = Seconds(start);

  long functions = 0;
  for (const auto& e : fs::directory_iterator("vcwk012345/func_als")) functions += e.is_regular_file();
  struct rusage usage;
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("%s files=%ld lines=%ld functions=%ld types=%d messages=%ld define_als=%.3f file_als=%.3f "
              "spec_list=%.3f total=%.3f peak_rss_mib=%.1f\n",
              name.c_str(), files, lines, functions, session.type_names.Count(), ui.messages, define_als, file_als,
              spec_list, total, usage.ru_maxrss / 1024.0);
  fs::current_path("/");
  if (std::getenv("KEEP_SCRATCH") == nullptr) fs::remove_all(scratch);
  else std::fprintf(stderr, "kept %s\n", scratch.c_str());
  return 0;
}
