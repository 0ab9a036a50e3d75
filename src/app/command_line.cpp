#include "app/command_line.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/analyze_command.h"
#include "app/progress_line.h"
#include "app/run_summary.h"
#include "report/report_commands.h"
#include "run/definition_index.h"
#include "xlsdoc/design_document_command.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace kv {
namespace {

const char kMainHelp[] =
    "kavenor - reads the C sources of a project and writes its design documentation\n"
    "\n"
    "usage: kavenor COMMAND [OPTIONS] ARGUMENTS\n"
    "\n"
    "commands:\n"
    "  analyze [--keep-locals] [--memory N] [--tree-lines N] [--graphs | --no-graphs]\n"
    "          [--source-encoding E] [--open] SOURCE_DIR OUTPUT_DIR\n"
    "      analyze the project in SOURCE_DIR; results go to a time-stamped folder\n"
    "      inside OUTPUT_DIR, the work folder ./vcwk012345 stays for the commands below\n"
    "  tree [--tree-lines N] [--open] FUNCTION OUTPUT_DIR\n"
    "                                         call tree rooted at one function\n"
    "  variable [--open] VARIABLE OUTPUT_DIR  access analysis of one variable\n"
    "  docs [--show] OUTPUT_DIR               spreadsheet design documents\n"
    "  gui                                    the desktop window\n"
    "  log [LOG_FILE]                         print ./AnalyzeLog.txt (CP932) as UTF-8\n"
    "\n"
    "Every command works in the current directory (work folder ./vcwk012345,\n"
    "log ./AnalyzeLog.txt). Ctrl-C stops a running command.\n"
    "Exit status: 0 completed, 1 refused, failed or stopped, 2 usage error.\n"
    "'kavenor COMMAND --help' describes a command; 'kavenor --version' prints\n"
    "the version.\n";

const char kAnalyzeHelp[] =
    "usage: kavenor analyze [--keep-locals] [--memory N] [--tree-lines N] [--graphs | --no-graphs]\n"
    "                       [--source-encoding E] [--open] SOURCE_DIR OUTPUT_DIR\n"
    "\n"
    "Analyzes the C project in SOURCE_DIR (files ending in .c, .h or .cpp) in the\n"
    "work folder ./vcwk012345, then copies the results into a new folder named\n"
    "after the local time inside OUTPUT_DIR and prints where the report is.\n"
    "\n"
    "options:\n"
    "  --keep-locals  keep local variables in the read/write lists\n"
    "                 (\"[R/W解析] ローカル変数を含める\")\n"
    "  --memory N     list capacity factor 1..4 for large projects (default 1)\n"
    "  --tree-lines N call-tree lines (all roots together) written in full; larger\n"
    "                 trees are written in brief form, each function expanded once\n"
    "                 (default 1000000)\n"
    "  --graphs       draw a call-graph picture (SVG) for every function, linked\n"
    "                 from its source page (default: when the project has at most\n"
    "                 5000 function records)\n"
    "  --no-graphs    draw none\n"
    "  --source-encoding E\n"
    "                 how the sources are read: auto (default: a file that is valid\n"
    "                 UTF-8 and not plain ASCII is UTF-8, any other CP932), cp932 or\n"
    "                 utf-8; UTF-8 is converted to CP932, a character CP932 cannot\n"
    "                 hold becomes \"〓\" (counted in AnalyzeLog.txt)\n"
    "  --open         answer OK to \"解析完了 結果を起動します\": open the report\n"
    "                 with xdg-open (without it the report is not opened)\n"
    "  -h, --help     this text\n"
    "\n"
    "./DefList.txt, when present, supplies external #define records.\n";

const char kTreeHelp[] =
    "usage: kavenor tree [--tree-lines N] [--open] FUNCTION OUTPUT_DIR\n"
    "\n"
    "Writes the call tree rooted at FUNCTION (from the last analysis in the\n"
    "current directory) and copies it into OUTPUT_DIR. A function several files\n"
    "define is named by its record (helper@util.c); its plain name lists them.\n"
    "  --open          open the tree's index.html with xdg-open\n"
    "  --tree-lines N  lines written in full; a larger tree is written in brief\n"
    "                  form, each function expanded once (default 1000000)\n";

const char kVariableHelp[] =
    "usage: kavenor variable [--open] VARIABLE OUTPUT_DIR\n"
    "\n"
    "Lists every function that accesses VARIABLE (a file-level variable of the\n"
    "last analysis in the current directory), marks the accesses in the call\n"
    "tree and copies the result into OUTPUT_DIR. A variable several files\n"
    "define is named by its record (count@timer.c); its plain name lists them.\n"
    "  --open  open the result's index.html with xdg-open\n";

const char kDocsHelp[] =
    "usage: kavenor docs [--show] OUTPUT_DIR\n"
    "\n"
    "Writes the spreadsheet design documents (.xlsx) of the last analysis into a\n"
    "new folder \"自動設計書\" + time stamp inside OUTPUT_DIR.\n"
    "  --show  print each workbook as it is written (\"EXCEL出力状況 表示\")\n";

const char kLogHelp[] =
    "usage: kavenor log [LOG_FILE]\n"
    "\n"
    "Prints the analysis log (./AnalyzeLog.txt unless LOG_FILE is given), a\n"
    "CP932 text with CR LF line ends, as UTF-8 lines on standard output.\n";

const char kGuiHelp[] =
    "usage: kavenor gui [QT_OPTIONS]\n"
    "\n"
    "Opens the desktop window (it needs a display). Options after \"gui\" go to\n"
    "Qt, for example \"-platform offscreen\".\n";

struct ParsedArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;  // "--memory" -> "2", flags -> ""
  bool help = false;
  std::string error;
};

// Options may stand anywhere; "--" ends them. `with_value` lists the options
// that take a value ("--memory N" or "--memory=N").
ParsedArgs Parse(int argc, char** argv, int first, const std::vector<std::string>& flags,
                 const std::vector<std::string>& with_value) {
  ParsedArgs out;
  bool options_done = false;
  for (int i = first; i < argc; ++i) {
    std::string arg = argv[i];
    if (options_done || arg.size() < 2 || arg[0] != '-') {
      out.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      out.help = true;
      continue;
    }
    std::string name = arg, value;
    size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    bool is_flag = std::find(flags.begin(), flags.end(), name) != flags.end();
    bool takes_value = std::find(with_value.begin(), with_value.end(), name) != with_value.end();
    if (is_flag && eq == std::string::npos) {
      out.options[name] = "";
    } else if (takes_value) {
      if (eq == std::string::npos) {
        if (i + 1 >= argc) {
          out.error = name + " needs a value";
          return out;
        }
        value = argv[++i];
      }
      out.options[name] = value;
    } else {
      out.error = "unknown option " + arg;
      return out;
    }
  }
  return out;
}

int UsageError(const char* help, const std::string& error) {
  if (!error.empty()) std::fprintf(stderr, "kavenor: %s\n\n", error.c_str());
  std::fputs(help, stderr);
  return 2;
}

std::string AbsoluteDiskPath(const std::string& path) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(ToDiskPath(path), ec);
  return ec ? ToDiskPath(path) : absolute.lexically_normal().string();
}

// --tree-lines N: a line count of 0 or more.
bool ParseTreeLines(ParsedArgs& args, RunOptions& options) {
  if (!args.options.count("--tree-lines")) return true;
  const std::string& text = args.options["--tree-lines"];
  char* end = nullptr;
  errno = 0;
  unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (text.empty() || text[0] == '-' || *end != '\0' || errno == ERANGE) return false;
  options.tree_line_budget = value;
  return true;
}

// KAVENOR_STATUS_GATE_FD: see ConsoleUi::Options::status_gate_fd.
int StatusGateFd() {
  const char* text = std::getenv("KAVENOR_STATUS_GATE_FD");
  if (text == nullptr || *text == '\0') return -1;
  char* end = nullptr;
  long fd = std::strtol(text, &end, 10);
  return *end == '\0' && fd >= 0 && fd < 1024 ? static_cast<int>(fd) : -1;
}

// Ctrl-C is caught from the program's first instruction on (see
// InstallStopHandler); until a command has its stop flag, a Ctrl-C is kept
// here and handed over when the flag is bound.
std::atomic<int> g_interrupted{0};
std::atomic<std::atomic<int>*> g_stop_flag{nullptr};

extern "C" void OnInterrupt(int) {
  g_interrupted.store(1);
  if (std::atomic<int>* flag = g_stop_flag.load()) flag->store(1);
  // A second Ctrl-C ends the program at once.
  std::signal(SIGINT, SIG_DFL);
}

// The command's stop flag, for as long as the command runs.
class StopFlagBinding {
 public:
  explicit StopFlagBinding(std::atomic<int>& stop_flag) {
    g_stop_flag.store(&stop_flag);
    if (g_interrupted.load() != 0) stop_flag.store(1);
  }
  ~StopFlagBinding() { g_stop_flag.store(nullptr); }
  StopFlagBinding(const StopFlagBinding&) = delete;
  StopFlagBinding& operator=(const StopFlagBinding&) = delete;
};

int RunAnalyze(int argc, char** argv) {
  ParsedArgs args = Parse(argc, argv, 2, {"--keep-locals", "--open", "--graphs", "--no-graphs"},
                          {"--memory", "--tree-lines", "--source-encoding"});
  if (args.help) {
    std::fputs(kAnalyzeHelp, stdout);
    return 0;
  }
  if (!args.error.empty()) return UsageError(kAnalyzeHelp, args.error);
  if (args.positional.size() != 2) return UsageError(kAnalyzeHelp, "SOURCE_DIR and OUTPUT_DIR are needed");
  int memory = 1;
  if (args.options.count("--memory")) {
    const std::string& text = args.options["--memory"];
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 1 || value > 4)
      return UsageError(kAnalyzeHelp, "--memory takes a number from 1 to 4");
    memory = static_cast<int>(value);
  }
  bool open = args.options.count("--open") > 0;

  const bool tty = ::isatty(STDERR_FILENO) == 1;
  Session session;
  ConsoleUi ui({.answer_questions = open,
                .allow_open = open,
                .status_lines = !tty,
                .cancel_text = "not opened: --open was not given (the report's path follows)",
                .status_gate_fd = StatusGateFd()});
  AnalysisLog log;
  RunOptions options;
  options.source_folder = FromDiskName(args.positional[0]);
  options.output_folder = FromDiskName(args.positional[1]);
  options.keep_locals = args.options.count("--keep-locals") > 0;
  options.memory_factor = memory;
  if (!ParseTreeLines(args, options)) return UsageError(kAnalyzeHelp, "--tree-lines takes a line count");
  if (args.options.count("--graphs") && args.options.count("--no-graphs"))
    return UsageError(kAnalyzeHelp, "--graphs and --no-graphs exclude each other");
  if (args.options.count("--graphs")) options.call_graphs = 1;
  if (args.options.count("--no-graphs")) options.call_graphs = 0;
  // For the benchmarks: the processes that lay the pictures out.
  if (const char* workers = std::getenv("KAVENOR_GRAPH_WORKERS")) options.graph_workers = std::atoi(workers);
  if (args.options.count("--source-encoding") &&
      !ParseSourceEncoding(args.options["--source-encoding"], options.source_encoding))
    return UsageError(kAnalyzeHelp, "--source-encoding takes auto, cp932 or utf-8");
  AnalyzeCommand command(session, ui, log, options);
  StopFlagBinding stop_binding(session.progress.stop_flag);

  if (!command.Prepare()) {
    // No summary: nothing ran, and the log and work folder here may be
    // another run's.
    std::fprintf(stderr, "kavenor: analysis refused; nothing was changed\n");
    return 1;
  }

  std::mutex mutex;
  std::condition_variable closed;
  bool worker_done = false;
  std::thread worker([&] {
    command.RunWorker();
    std::lock_guard<std::mutex> lock(mutex);
    worker_done = true;
    closed.notify_all();
  });
  long ticks = 0;
  const auto width = [] { return TerminalColumns(STDERR_FILENO); };
  if (tty) ui.SetProgressLine(ProgressLineText(0, SJ("解析開始"), 0, width()));
  {
    std::unique_lock<std::mutex> lock(mutex);
    while (!closed.wait_for(lock, std::chrono::milliseconds(500), [&] { return worker_done; })) {
      ++ticks;
      if (tty)
        ui.SetProgressLine(ProgressLineText(session.progress.Position(), session.progress.StatusCopy(), ticks, width()));
    }
  }
  worker.join();
  if (tty) ui.SetProgressLine("");

  AnalyzeResult result = command.Finish(/*read_name_lists=*/false);
  const bool completed = result.status == AnalyzeResult::Status::kCompleted;
  std::string_view outcome = "the run did not complete";
  if (result.status == AnalyzeResult::Status::kStopped) outcome = "stopped; the work folder was removed";
  // kWriteFailed: the system refused a file of the run (work folder, result
  // folder, a source or the log); the message above names it.
  if (result.status == AnalyzeResult::Status::kWriteFailed) outcome = "a file could not be written or read";
  // A result folder that could not be written completely is gone: name none.
  std::fputs(FormatRunSummary(SummarizeRun(command.context(), completed ? result.result_folder : std::string()),
                              outcome)
                 .c_str(),
             stdout);
  std::fflush(stdout);
  switch (result.status) {
    case AnalyzeResult::Status::kCompleted:
      std::printf("Report: %s\n", AbsoluteDiskPath(JoinPath(result.result_folder, "index.html")).c_str());
      std::fflush(stdout);
      return 0;
    case AnalyzeResult::Status::kStopped:
      std::fprintf(stderr, "kavenor: analysis stopped (実行中断)\n");
      return 1;
    case AnalyzeResult::Status::kWriteFailed:
      std::fprintf(stderr, "kavenor: analysis failed: a file could not be written or read (see the message above)\n");
      return 1;
    default:
      std::fprintf(stderr, "kavenor: analysis did not complete; see ./AnalyzeLog.txt\n");
      return 1;
  }
}

// A plain name that several files define names no one record: its records
// are listed (with their files) for the user to choose, and the command is
// a usage error (2). 0 for any other name.
int ListDefinitionsOfAPlainName(char kind, const std::string& name) {
  DefinitionIndex index;
  if (!index.Load() || !index.Several(kind, name)) return 0;
  const std::vector<const Definition*> found = index.Definitions(kind, name);
  for (const Definition& d : index.entries())
    if (d.kind == kind && d.record == name) return 0;
  std::vector<std::pair<std::string, std::string>> records;  // record, path
  for (const Definition* d : found)
    if (std::find(records.begin(), records.end(), std::make_pair(d->record, d->path)) == records.end())
      records.emplace_back(d->record, d->path);
  std::fprintf(stderr, "kavenor: %s is defined in %zu places; name one of its records:\n", ToUtf8(name).c_str(),
               records.size());
  for (const auto& [record, path] : records) std::fprintf(stderr, "  %s\t%s\n", ToUtf8(record).c_str(), ToUtf8(path).c_str());
  return 2;
}

// The three commands that work on the last analysis in the current
// directory share this frame: one name or none, the output folder, Ctrl-C as
// the stop button, exit 0 only when the command completed.
int RunResultCommand(int argc, char** argv, const char* help, bool takes_name) {
  ParsedArgs args = Parse(argc, argv, 2, {"--open", "--show"}, {"--tree-lines"});
  if (args.help) {
    std::fputs(help, stdout);
    return 0;
  }
  if (!args.error.empty()) return UsageError(help, args.error);
  size_t wanted = takes_name ? 2 : 1;
  if (args.positional.size() != wanted) return UsageError(help, takes_name ? "a name and OUTPUT_DIR are needed" : "OUTPUT_DIR is needed");
  std::string command = argv[1];
  if ((command == "docs" && args.options.count("--open")) || (command != "docs" && args.options.count("--show")) ||
      (command != "tree" && args.options.count("--tree-lines")))
    return UsageError(help, "unknown option");

  if (command != "docs") {
    const int ambiguous = ListDefinitionsOfAPlainName(command == "tree" ? 'F' : 'V', FromDiskName(args.positional[0]));
    if (ambiguous != 0) return ambiguous;
  }

  Session session;
  ConsoleUi ui({.answer_questions = true,
                .allow_open = args.options.count("--open") > 0,
                .status_lines = true,
                .cancel_text = {},
                .status_gate_fd = StatusGateFd()});
  AnalysisLog log;
  RunOptions options;
  options.output_folder = FromDiskName(args.positional.back());
  if (!ParseTreeLines(args, options)) return UsageError(help, "--tree-lines takes a line count");
  RunContext ctx(session, ui, log, options);
  StopFlagBinding stop_binding(session.progress.stop_flag);
  bool completed = false;
  std::string written_to;
  if (command == "tree") {
    completed = RunFunctionTreeCommand(ctx, FromDiskName(args.positional[0]), NameSource::kEdit, &written_to);
  } else if (command == "variable") {
    completed = RunVariableCommand(ctx, FromDiskName(args.positional[0]), NameSource::kEdit, &written_to);
  } else {
    DesignDocumentOptions doc;
    doc.show_progress = args.options.count("--show") > 0;
    completed = RunDesignDocumentCommand(ctx, doc, nullptr, &written_to);
  }
  if (!completed) return 1;
  // Where the result went: its index.html (tree, variable) or its folder.
  std::string shown = AbsoluteDiskPath(written_to);
  if (command != "docs") shown = AbsoluteDiskPath(JoinPath(written_to, "index.html"));
  std::printf("%s: %s\n", command == "docs" ? "Documents" : "Report", shown.c_str());
  std::fflush(stdout);
  return 0;
}

int RunLog(int argc, char** argv) {
  ParsedArgs args = Parse(argc, argv, 2, {}, {});
  if (args.help) {
    std::fputs(kLogHelp, stdout);
    return 0;
  }
  if (!args.error.empty()) return UsageError(kLogHelp, args.error);
  if (args.positional.size() > 1) return UsageError(kLogHelp, "one LOG_FILE at most");
  const std::string path = args.positional.empty() ? std::string("./AnalyzeLog.txt") : args.positional[0];
  LineReader in;
  if (!in.Open(FromDiskName(path))) {
    std::fprintf(stderr, "kavenor: cannot read %s (%s)\n", path.c_str(), std::strerror(errno));
    return 1;
  }
  std::string line;
  while (in.ReadLineNoEol(line)) {
    std::string text = ToUtf8(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

void InstallStopHandler() { std::signal(SIGINT, OnInterrupt); }

int RunCommandLine(int argc, char** argv, DesktopWindowEntry desktop_window) {
  if (argc < 2) return UsageError(kMainHelp, "a command is needed");
  std::string command = argv[1];
  if (command == "-h" || command == "--help" || command == "help") {
    std::fputs(kMainHelp, stdout);
    return 0;
  }
  if (command == "--version" || command == "version") {
    std::printf("kavenor %s\n", KAVENOR_VERSION);
    return 0;
  }
  if (command == "analyze") return RunAnalyze(argc, argv);
  if (command == "tree") return RunResultCommand(argc, argv, kTreeHelp, true);
  if (command == "variable") return RunResultCommand(argc, argv, kVariableHelp, true);
  if (command == "docs") return RunResultCommand(argc, argv, kDocsHelp, false);
  if (command == "log") return RunLog(argc, argv);
  if (command == "gui") {
    for (int i = 2; i < argc; ++i) {
      if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
        std::fputs(kGuiHelp, stdout);
        return 0;
      }
    }
    // The window has its own stop button; Ctrl-C at the terminal ends it as
    // any program (one pressed already ends it now).
    if (g_interrupted.load() != 0) return 1;
    std::signal(SIGINT, SIG_DFL);
    if (desktop_window != nullptr) return desktop_window(argc, argv);
    std::fputs(kGuiHelp, stderr);
    std::fprintf(stderr, "kavenor: this build has no desktop window\n");
    return 1;
  }
  return UsageError(kMainHelp, "unknown command " + command);
}

}  // namespace kv
