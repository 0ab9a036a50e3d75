// Benchmark of the design-document run: seeds FunctionList4 records and
// SOURCE files for N functions spread over source files, runs the document
// command on them and prints the wall time and the peak memory.
//
//   kv_xlsdoc_bench FUNCTIONS [FUNCTIONS_PER_FILE] [BODY_LINES]
//
// Runs in a fresh folder below /tmp (removed afterwards). Functions are named
// so that the record walk alternates between the source files, the order
// that makes the run reopen a different workbook for every record.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "run/analysis_log.h"
#include "run/run_context.h"
#include "platform/encoding.h"
#include "platform/text_file.h"
#include "platform/user_interface.h"
#include "xlsdoc/design_document_command.h"

namespace {

namespace fs = std::filesystem;

void Seed(int functions, int per_file, int body_lines) {
  fs::create_directories("vcwk012345/FunctionList4");
  fs::create_directories("vcwk012345/SOURCE");
  fs::create_directories("out");
  const int files = (functions + per_file - 1) / per_file;
  for (int i = 0; i < functions; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "fn%06d_%s", i, i % 3 == 0 ? "update_state" : "compute");
    const int file = i % files;
    std::string record;
    record += SJ("[フォルダ名]") + "\nSRC\n\n" + SJ("[ファイル名]") + "\nmodule" + std::to_string(file) +
              ".c\n\n";
    record += SJ("[関数名称]") + "\n" + name + "\n\n" + SJ("[関数型]") + "\nstatic\tint\n\n";
    record += SJ("[引数定義]") + "\nint\tcount\t\nunsigned\tchar\t*\tbuf\t\nlong\tlimit\t\n\n";
    record += SJ("[テンポラリ変数]") + "\nint\ti\nchar\tname[16]\n\n";
    record += SJ("[コール関数]") + "\nhelper_a(count)\nhelper_b(buf)\nmemcpy(name,buf,16)\n\n";
    record += SJ("[コール関数（定義あり）]") + "\nint helper_a(int n)\nvoid helper_b(unsigned char * p)\n\n";
    record += SJ("[コール関数（定義なし）]") + "\nmemcpy(name,buf,16)\n\n";
    record += SJ("[マクロ関数]") + "\nNONE\n\n" + SJ("[参照変数]") + "\ncount\nbuf\n\n";
    record += SJ("[定義値]") + "\nNONE\n\n" + SJ("[書込み変数]") + "\ng_total\n\n";
    record += SJ("[戻り値]") + "\ncount\n\n" + SJ("[変数アクセス情報]") + "\ncount [R]\ng_total [w]\n\n";
    record += SJ("[コール元]") + "\nNONE_CALLER\n";
    kv::TextWriter out(std::string("vcwk012345/FunctionList4/") + name, kv::WriteMode::kTruncate);
    out.Write(record);
    kv::TextWriter source(std::string("vcwk012345/SOURCE/") + name, kv::WriteMode::kTruncate);
    source.Write(std::string("[SOURCE]\nstaticint") + name + "(intcount,unsignedchar*buf,longlimit){\n");
    for (int line = 0; line < body_lines; ++line)
      source.Write("    g_total = g_total + helper_a(count) * " + std::to_string(line) + "; /* step */\n");
    source.Write("}");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kv_xlsdoc_bench FUNCTIONS [FUNCTIONS_PER_FILE] [BODY_LINES]\n");
    return 2;
  }
  const int functions = std::atoi(argv[1]);
  const int per_file = argc > 2 ? std::atoi(argv[2]) : 50;
  const int body_lines = argc > 3 ? std::atoi(argv[3]) : 25;
  char folder_template[] = "/tmp/kv-xlsdoc-bench-XXXXXX";
  if (mkdtemp(folder_template) == nullptr) return 1;
  const fs::path folder = folder_template;
  fs::current_path(folder);
  const auto seed_start = std::chrono::steady_clock::now();
  Seed(functions, per_file, body_lines);
  std::fprintf(stderr, "seeded in %.2f s\n",
               std::chrono::duration<double>(std::chrono::steady_clock::now() - seed_start).count());

  kv::Session session;
  kv::RecordingUi ui;
  kv::AnalysisLog log;
  kv::RunOptions options;
  options.output_folder = "out";
  kv::RunContext ctx(session, ui, log, options);
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  const bool completed = kv::RunDesignDocumentCommand(ctx, {}, nullptr);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  uintmax_t bytes = 0;
  int workbooks = 0;
  for (const auto& e : fs::recursive_directory_iterator("out"))
    if (e.is_regular_file()) {
      bytes += e.file_size();
      ++workbooks;
    }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto user = [](const rusage& u) { return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6; };
  auto sys = [](const rusage& u) { return u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6; };
  std::printf("functions=%d per_file=%d body_lines=%d completed=%d seconds=%.2f user_seconds=%.2f sys_seconds=%.2f peak_rss_mib=%.1f workbooks=%d "
              "output_mib=%.1f\n",
              functions, per_file, body_lines, completed ? 1 : 0, seconds, user(usage) - user(before), sys(usage) - sys(before), usage.ru_maxrss / 1024.0, workbooks,
              bytes / 1048576.0);
  fs::current_path("/");
  fs::remove_all(folder);
  return completed ? 0 : 1;
}
