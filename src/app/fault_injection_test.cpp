// Every command against one failing system call. The program runs with
// tests/support/fault_shim.cpp preloaded: the Nth call of one class (write,
// open, mkdir, link, rename, unlink, close, read) fails with ENOSPC, EIO,
// EMFILE or EACCES. Whatever fails, each trial must end one of two ways:
//
//   - exit 0, with OUTPUT_DIR holding exactly what a clean run writes;
//   - exit 1, the failure named (its strerror text in a message), no
//     "Report:"/"Documents:" line, nothing left in OUTPUT_DIR, and for tree
//     and variable no folder of theirs left in the work folder.
//
// Two failures cannot be named by their errno and are named otherwise: a
// write lost in a temporary file the spreadsheet library has already
// unlinked (the message names the workbook), and a source file or a folder
// below the project that the walk finds unreadable (left out with a SKIP
// finding naming it, and the run goes on: a property of the project, not of
// the machine).
//
// A clean run with the shim counting gives the number of calls of each
// class. In CI a deterministic sample of N per class is tried, spread over
// that count so that every stage is hit, the errno rotating. The benchmark
// script bench/fault-sweep.sh sets KAVENOR_FAULT_SWEEP=every-n (every N, the
// errno rotating) or =all (every N with every errno) and
// KAVENOR_FAULT_REPORT=FILE (one line per violation, and a tally per class).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <minizip/unzip.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/run_summary.h"
#include "support/golden.h"
#include "support/test_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr const char* kClasses[] = {"write", "open", "mkdir", "link", "rename", "unlink", "close", "read"};
constexpr const char* kErrnoNames[] = {"ENOSPC", "EIO", "EMFILE", "EACCES"};
constexpr int kErrnos[] = {ENOSPC, EIO, EMFILE, EACCES};
// Trials per class in the CI sample (the first and the last call among
// them). The sanitizer build, several times slower, tries fewer: it is there
// for the memory errors of the failure paths, which the first, middle and
// last calls of each class reach.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kSampledPerClass = 3;
#else
constexpr int kSampledPerClass = 5;
#endif
constexpr int kTrialSeconds = 300;

struct Fault {
  std::string klass;  // empty: count only
  long nth = 0;
  int errno_index = 0;
};

struct Run {
  int status = 0;  // exit status; -1 killed by a signal, -2 did not end in time
  std::string output;
  std::string fault_log;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The program run with the shim: standard output and error together.
Run RunProgram(const std::vector<std::string>& args, const Fault& fault, const std::string& log_path) {
  fs::remove(log_path);
  std::vector<std::string> env;
  std::string asan = "ASAN_OPTIONS=verify_asan_link_order=0";
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    if (entry.rfind("ASAN_OPTIONS=", 0) == 0) {
      asan = entry + ":verify_asan_link_order=0";
      continue;
    }
    if (entry.rfind("KV_FAULT_", 0) == 0 || entry.rfind("LD_PRELOAD=", 0) == 0 ||
        entry.rfind("KAVENOR_STATUS_GATE_FD=", 0) == 0)
      continue;
    env.push_back(entry);
  }
  env.push_back(asan);
  env.push_back(std::string("LD_PRELOAD=") + KAVENOR_FAULT_SHIM);
  env.push_back("KV_FAULT_LOG=" + log_path);
  env.push_back("KV_FAULT_CLASS=" + (fault.klass.empty() ? std::string("none") : fault.klass));
  env.push_back("KV_FAULT_NTH=" + std::to_string(fault.nth));
  env.push_back(std::string("KV_FAULT_ERRNO=") + kErrnoNames[fault.errno_index]);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_text{KAVENOR_BINARY};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  Run run;
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    run.status = -3;
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, KAVENOR_BINARY, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(out[0]);
    run.status = -3;
    return run;
  }
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(kTrialSeconds);
  bool timed_out = false;
  for (;;) {
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, 1000) > 0) {
      char buffer[4096];
      ssize_t n = ::read(out[0], buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      run.output.append(buffer, static_cast<size_t>(n));
    }
    if (std::chrono::steady_clock::now() > give_up) {
      timed_out = true;
      ::kill(pid, SIGKILL);
      break;
    }
  }
  ::close(out[0]);
  int raw = 0;
  while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
  run.status = timed_out ? -2 : WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.fault_log = ReadAll(log_path);
  return run;
}

// "count <class> <calls>" lines of a counting run.
std::map<std::string, long> CallCounts(const std::string& fault_log) {
  std::map<std::string, long> counts;
  std::istringstream in(fault_log);
  std::string word, klass;
  long calls = 0;
  while (in >> word) {
    if (word == "count" && in >> klass >> calls) counts[klass] = calls;
  }
  return counts;
}

// "fired <class> <n> <call> <target>": the call that failed and its file.
struct Fired {
  bool fired = false;
  std::string call;
  std::string target;
};
Fired FiredCall(const std::string& fault_log) {
  Fired f;
  std::istringstream in(fault_log);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("fired ", 0) != 0) continue;
    std::istringstream words(line);
    std::string word, klass, n;
    words >> word >> klass >> n >> f.call;
    std::getline(words, f.target);
    if (!f.target.empty() && f.target[0] == ' ') f.target.erase(0, 1);
    f.fired = true;
  }
  return f;
}

// The members of a zip file with their bytes, as text; the workbook's
// creation time (docProps/core.xml) left out.
std::string ZipMembers(const fs::path& path) {
  unzFile zip = unzOpen64(path.c_str());
  if (zip == nullptr) return "<not a zip file>";
  std::string out;
  for (int at = unzGoToFirstFile(zip); at == UNZ_OK; at = unzGoToNextFile(zip)) {
    char name[512];
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) return out + "<bad entry>";
    out += std::string("member ") + name + "\n";
    if (std::strcmp(name, "docProps/core.xml") == 0) continue;
    if (unzOpenCurrentFile(zip) != UNZ_OK) return out + "<cannot open member>";
    char buffer[65536];
    int n;
    while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
    if (n < 0 || unzCloseCurrentFile(zip) != UNZ_OK) out += "<damaged member>";
  }
  unzClose(zip);
  return out;
}

// The log with its banner times masked.
std::string MaskedLog(const std::string& bytes) {
  std::string out;
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    std::string bare = line;
    if (!bare.empty() && bare.back() == '\r') bare.pop_back();
    if (kv::IsBannerLine(bare)) bare.replace(bare.size() - 17, 17, "YY.MM.DD hh:mm:ss");
    out += bare + "\n";
  }
  return out;
}

// Every entry below `folder` (no symlink followed), relative path -> what it
// holds. The entries of `folder` itself are renamed "#1", "#2", ... in order:
// their names carry the time of the run.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const fs::path& folder, bool rename_top = true) {
  Snapshot shot;
  std::error_code ec;
  std::vector<fs::path> top;
  for (const auto& entry : fs::directory_iterator(folder, ec)) top.push_back(entry.path());
  std::sort(top.begin(), top.end());
  for (size_t i = 0; i < top.size(); ++i) {
    const std::string shown = rename_top ? "#" + std::to_string(i + 1) : top[i].filename().string();
    auto record = [&](const fs::path& path, const std::string& name) {
      const auto status = fs::symlink_status(path, ec);
      if (fs::is_symlink(status)) {
        shot[name] = "<symlink>";
      } else if (fs::is_directory(status)) {
        shot[name] = "<folder>";
      } else if (path.extension() == ".xlsx") {
        shot[name] = ZipMembers(path);
      } else if (path.filename() == "AnalyzeLog.txt") {
        shot[name] = MaskedLog(ReadAll(path));
      } else {
        shot[name] = ReadAll(path);
      }
    };
    record(top[i], shown);
    if (!fs::is_directory(fs::symlink_status(top[i], ec))) continue;
    for (auto it = fs::recursive_directory_iterator(top[i], ec); it != fs::recursive_directory_iterator(); it.increment(ec))
      record(it->path(), shown + "/" + fs::relative(it->path(), top[i], ec).string());
  }
  return shot;
}

// The entries of a folder tree by name only.
std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); it != fs::recursive_directory_iterator(); it.increment(ec))
    names.insert(fs::relative(it->path(), folder, ec).string());
  return names;
}

std::string FirstDifference(const Snapshot& expected, const Snapshot& actual) {
  for (const auto& [name, bytes] : expected) {
    auto it = actual.find(name);
    if (it == actual.end()) return "missing " + name;
    if (it->second != bytes) return "differs " + name;
  }
  for (const auto& [name, bytes] : actual)
    if (!expected.count(name)) return "extra " + name;
  return {};
}

// The N tried for a class with `calls` calls in a clean run.
std::vector<long> ChosenN(long calls, bool every) {
  std::vector<long> chosen;
  if (calls <= 0) return chosen;
  if (every || calls <= kSampledPerClass) {
    for (long n = 1; n <= calls; ++n) chosen.push_back(n);
    return chosen;
  }
  for (int k = 0; k < kSampledPerClass; ++k) chosen.push_back(1 + (calls - 1) * k / (kSampledPerClass - 1));
  return chosen;
}

// One command's trials in a scratch folder: the project in ./engine_ctl,
// the command run in ./run with OUTPUT_DIR ./run/out.
class FaultTrials {
 public:
  explicit FaultTrials(std::string command) : command_(std::move(command)) {
    kv::testing::CopyTree(kv::testing::SourceRoot() + "/samples/engine_ctl", "engine_ctl");
    fs::create_directories("run/out");
    root_ = fs::current_path();
    if (command_ == "analyze") {
      args_ = {"analyze", "../engine_ctl", "out"};
      return;
    }
    if (command_ == "tree") args_ = {"tree", "main", "out"};
    if (command_ == "variable") args_ = {"variable", "g_rpm", "out"};
    if (command_ == "docs") args_ = {"docs", "out"};
    // The analysis the command works on, kept aside to start every trial
    // from the same work folder and log.
    fs::current_path("run");
    Run analysed = RunProgram({"analyze", "../engine_ctl", "out"}, Fault{}, (root_ / "fault.log").string());
    fs::current_path(root_);
    EXPECT_EQ(analysed.status, 0) << analysed.output;
    fs::create_directories("pristine");
    fs::copy("run/vcwk012345", "pristine/vcwk012345", fs::copy_options::recursive);
    fs::copy_file("run/AnalyzeLog.txt", "pristine/AnalyzeLog.txt");
    work_names_ = Names("pristine/vcwk012345");
  }

  // A clean run with the shim counting: its output and the calls per class.
  void Measure() {
    Run clean = Trial(Fault{});
    ASSERT_EQ(clean.status, 0) << clean.output;
    clean_ = TakeSnapshot(root_ / "run/out");
    counts_ = CallCounts(clean.fault_log);
    // The same again must give the same bytes, or the comparison means nothing.
    Run again = Trial(Fault{});
    ASSERT_EQ(again.status, 0) << again.output;
    ASSERT_EQ(FirstDifference(clean_, TakeSnapshot(root_ / "run/out")), "");
  }

  // Every chosen trial; the texts of the violations.
  std::vector<std::string> RunAll() {
    const char* sweep = std::getenv("KAVENOR_FAULT_SWEEP");
    const std::string mode = sweep != nullptr ? sweep : "sample";
    const char* only = std::getenv("KAVENOR_FAULT_CLASSES");
    std::vector<std::string> violations;
    int rotation = 0;
    for (const char* klass : kClasses) {
      if (only != nullptr && !Contains(std::string(",") + only + ",", std::string(",") + klass + ",")) continue;
      int class_trials = 0, class_violations = 0;
      left_out_ = 0;
      for (long n : ChosenN(counts_[klass], mode != "sample")) {
        std::vector<int> errnos;
        if (mode == "all") {
          errnos = {0, 1, 2, 3};
        } else {
          errnos = {rotation++ % 4};
        }
        for (int e : errnos) {
          const Fault fault{klass, n, e};
          std::string why = Judge(fault, Trial(fault));
          ++class_trials;
          if (why.empty()) continue;
          ++class_violations;
          violations.push_back(command_ + " " + klass + " N=" + std::to_string(n) + " " + kErrnoNames[e] + ": " + why);
          Report(violations.back());
        }
      }
      Report("tally " + command_ + " " + klass + " calls=" + std::to_string(counts_[klass]) + " trials=" +
             std::to_string(class_trials) + " violations=" + std::to_string(class_violations) +
             " left_out_with_finding=" + std::to_string(left_out_));
    }
    return violations;
  }

  const std::map<std::string, long>& counts() const { return counts_; }

 private:
  // Restores the starting state and runs the command in ./run.
  Run Trial(const Fault& fault) {
    fs::current_path(root_);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("run", ec)) fs::remove_all(entry.path(), ec);
    fs::create_directories("run/out");
    if (command_ == "analyze") {
      // The previous run's work folder: set aside and deleted by the run.
      kv::testing::WriteFile("run/vcwk012345/DEF/old.txt", "the previous run's work folder\n");
    } else {
      fs::copy("pristine/vcwk012345", "run/vcwk012345", fs::copy_options::recursive);
      fs::copy_file("pristine/AnalyzeLog.txt", "run/AnalyzeLog.txt");
    }
    fs::current_path("run");
    Run run = RunProgram(args_, fault, (root_ / "fault.log").string());
    fs::current_path(root_);
    return run;
  }

  // Empty when the trial kept the rule; otherwise what broke it.
  std::string Judge(const Fault& fault, const Run& run) {
    const Fired fired = FiredCall(run.fault_log);
    const std::string tail = "\n--- output ---\n" + run.output + "--- fault ---\n" + run.fault_log;
    if (run.status == -2) return "did not end within " + std::to_string(kTrialSeconds) + " s" + tail;
    if (run.status == 0) {
      const std::string difference = FirstDifference(clean_, TakeSnapshot(root_ / "run/out"));
      if (difference.empty()) return {};
      if (fired.fired && LeftOutWithFinding(fault, fired)) {
        ++left_out_;
        return {};
      }
      return "exit 0 but the output " + difference + tail;
    }
    if (run.status != 1) return "exit status " + std::to_string(run.status) + tail;
    if (!fired.fired) return "failed without a fault" + tail;
    if (Contains(run.output, "Report:") || Contains(run.output, "Documents:")) return "exit 1 after a result line" + tail;
    const bool named = Contains(run.output, std::strerror(kErrnos[fault.errno_index])) ||
                       (Contains(fired.target, "(deleted)") && Contains(run.output, "[終了]"));
    if (!named) return "the failure is not named" + tail;
    if (!TakeSnapshot(root_ / "run/out").empty()) return "a partial result is left in OUTPUT_DIR" + tail;
    if ((command_ == "tree" || command_ == "variable") && !LeftNothingInWorkFolder())
      return "the command's folder is left in the work folder" + tail;
    return {};
  }

  // The work folder holds nothing new but empty folders of its layout
  // (RAM_D, made for the variable command's folders).
  bool LeftNothingInWorkFolder() const {
    std::error_code ec;
    for (const std::string& name : Names(root_ / "run/vcwk012345")) {
      if (work_names_.count(name)) continue;
      if (!fs::is_directory(root_ / "run/vcwk012345" / name, ec) || !fs::is_empty(root_ / "run/vcwk012345" / name, ec))
        return false;
    }
    return true;
  }

  // A source file that the walk's permission check cannot open, or a
  // folder below the project that cannot be listed, is left out and named
  // in the log; the run goes on.
  bool LeftOutWithFinding(const Fault& fault, const Fired& fired) const {
    if (fault.klass != "open" || kErrnos[fault.errno_index] != EACCES) return false;
    const std::string name = fs::path(fired.target).filename().string();
    const std::string log = ReadAll(root_ / "run/AnalyzeLog.txt");
    return !name.empty() && (Contains(log, name + " : 0 : SearchFile : FILE NOT READABLE SKIP (Permission denied)") ||
                             Contains(log, name + " : 0 : SearchFile : FOLDER NOT READABLE SKIP (Permission denied)"));
  }

  void Report(const std::string& line) {
    const char* report = std::getenv("KAVENOR_FAULT_REPORT");
    if (report == nullptr) return;
    std::ofstream out(report, std::ios::app);
    out << line << "\n";
  }

  std::string command_;
  std::vector<std::string> args_;
  fs::path root_;
  Snapshot clean_;
  std::map<std::string, long> counts_;
  std::set<std::string> work_names_;
  int left_out_ = 0;  // trials of the class that left a source file out, named
};

void RunTrials(const std::string& command) {
  kv::testing::ScratchFolder scratch;
  FaultTrials trials(command);
  trials.Measure();
  if (::testing::Test::HasFatalFailure()) return;
  const std::vector<std::string> violations = trials.RunAll();
  EXPECT_TRUE(violations.empty()) << violations.size() << " violations; the first:\n" << violations.front();
}

TEST(FaultInjectionTest, Analyze) { RunTrials("analyze"); }
TEST(FaultInjectionTest, Tree) { RunTrials("tree"); }
TEST(FaultInjectionTest, Variable) { RunTrials("variable"); }
TEST(FaultInjectionTest, Docs) { RunTrials("docs"); }

}  // namespace
