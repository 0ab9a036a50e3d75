// How runs end when things go wrong: a result folder that cannot be written,
// planted symlinks, Ctrl-C at any point, two commands in one directory,
// damaged work-folder records, a full disk. The binary itself is run, and a
// test acts at an exact point of a run through the status gate
// (KAVENOR_STATUS_GATE_FD): after each status line the program waits for one
// byte, so nothing here depends on the machine's speed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "run/previous_work_folder.h"
#include "support/golden.h"
#include "support/test_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using kv::testing::Exists;
using kv::testing::ReadFile;
using kv::testing::ScratchFolder;
using kv::testing::WriteFile;

// One run of the binary: output (standard output and error together) read
// line by line; with a gate, the program waits after each status line until
// Release() or Open().
class Child {
 public:
  explicit Child(const std::vector<std::string>& args, bool gated = true) {
    // A release written after the program ended must fail, not end the test.
    ::signal(SIGPIPE, SIG_IGN);
    int out[2], gate[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(gate, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    posix_spawn_file_actions_adddup2(&actions, gate[0], 3);
    std::vector<std::string> env_text;
    for (char** e = environ; *e != nullptr; ++e) env_text.emplace_back(*e);
    if (gated) env_text.push_back("KAVENOR_STATUS_GATE_FD=3");
    std::vector<char*> envp;
    for (std::string& e : env_text) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argv_text{KAVENOR_BINARY};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, KAVENOR_BINARY, &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(gate[0]);
    out_ = out[0];
    gate_ = gate[1];
    if (!gated) Open();
  }
  ~Child() {
    Open();
    if (pid_ > 0) Wait();
    if (out_ >= 0) ::close(out_);
  }

  // The next output line (without "\n"); false at the end of the output.
  bool NextLine(std::string& line) {
    line.clear();
    for (;;) {
      size_t nl = pending_.find('\n');
      if (nl != std::string::npos) {
        line = pending_.substr(0, nl);
        pending_.erase(0, nl + 1);
        all_ += line + "\n";
        return true;
      }
      char buffer[4096];
      ssize_t n = ::read(out_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (pending_.empty()) return false;
        line.swap(pending_);
        all_ += line + "\n";
        return true;
      }
      pending_.append(buffer, static_cast<size_t>(n));
    }
  }

  // Reads up to the `count`-th status line (messages "[...]" are not status
  // lines); the program then waits at the gate. False when the output ended.
  bool ReachStatus(int count) {
    std::string line;
    while (statuses_ < count) {
      if (!NextLine(line)) return false;
      if (IsStatus(line)) {
        ++statuses_;
        if (statuses_ < count) Release();
      }
    }
    return true;
  }

  void Release() {
    if (gate_ >= 0) (void)!::write(gate_, "g", 1);
  }
  // No more waiting at the gate.
  void Open() {
    if (gate_ >= 0) ::close(gate_);
    gate_ = -1;
  }
  // Sends a signal. For SIGINT, also waits until the program's handler has
  // run (it stops catching SIGINT then: a second Ctrl-C ends the program),
  // whichever of its threads took it; only then may the run go on.
  void Signal(int sig) {
    ::kill(pid_, sig);
    if (sig != SIGINT) return;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (CatchesSigint() && std::chrono::steady_clock::now() < give_up) ::usleep(200);
  }

  // Reads the rest of the output and the exit status (-1 for a signal).
  int Wait() {
    Open();
    std::string line;
    while (NextLine(line)) {
    }
    int raw = 0;
    while (::waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  const std::string& output() const { return all_; }

 private:
  bool CatchesSigint() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("SigCgt:", 0) != 0) continue;
      const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
      return (caught & (1ull << (SIGINT - 1))) != 0;
    }
    return false;
  }

  // Status lines are the program's own texts; messages start with "[", the
  // closing lines with "kavenor", "Report:" or "Summary:", and the lines
  // under a message or the summary are indented.
  static bool IsStatus(const std::string& line) {
    return !line.empty() && line[0] != '[' && line[0] != ' ' && line.rfind("kavenor", 0) != 0 &&
           line.rfind("Report:", 0) != 0 && line.rfind("Documents:", 0) != 0 && line.rfind("Summary:", 0) != 0;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int gate_ = -1;
  std::string pending_;
  std::string all_;
  int statuses_ = 0;
};

int RunKavenor(const std::vector<std::string>& args, std::string* output = nullptr) {
  Child child(args, false);
  int status = child.Wait();
  if (output != nullptr) *output = child.output();
  return status;
}

void SampleProject() { kv::testing::CopyTree(kv::testing::SourceRoot() + "/samples/engine_ctl", "engine_ctl"); }

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The folders set aside for deletion, left in the current directory.
std::vector<std::string> SetAsideLeft() {
  std::vector<std::string> left;
  for (const std::string& name : Entries("."))
    if (name.rfind(kv::kSetAsidePrefix, 0) == 0) left.push_back(name);
  return left;
}

// A small tmpfs at `folder` for the length of a test; the test is skipped
// (visibly) where mounting is not allowed.
class SmallDisk {
 public:
  SmallDisk(const std::string& folder, const std::string& size) : folder_(folder) {
    fs::create_directories(folder);
    std::string options = "size=" + size + ",mode=0777";
    mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted_) why_ = std::string("cannot mount a tmpfs here (") + std::strerror(errno) + "): run as root";
    if (mounted_) absolute_ = fs::absolute(folder).string();
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(absolute_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const std::string& why() const { return why_; }

 private:
  std::string folder_;
  std::string absolute_;
  bool mounted_ = false;
  std::string why_;
};

// Row 1: a file where OUTPUT_DIR should be is refused before the analysis.
TEST(FaultTest, AFileAsOutputFolderFailsTheRun) {
  ScratchFolder scratch;
  SampleProject();
  WriteFile("out", "not a folder");
  std::string output;
  EXPECT_EQ(RunKavenor({"analyze", "engine_ctl", "out"}, &output), 1);
  EXPECT_FALSE(Contains(output, "Report:")) << output;
  EXPECT_EQ(CountOf(output, "[終了]"), 1) << output;
  EXPECT_TRUE(Contains(output, "[終了] 出力フォルダではなくファイルです: out")) << output;
  EXPECT_FALSE(Exists("vcwk012345"));
}

// Row 1: the output folder's disk fills during the result copy: the partial
// folder is removed and the run fails with one closing message.
TEST(FaultTest, AFullOutputDiskRemovesThePartialResultFolder) {
  ScratchFolder scratch;
  SampleProject();
  SmallDisk disk("out", "48k");
  if (!disk.mounted()) GTEST_SKIP() << disk.why();
  std::string output;
  EXPECT_EQ(RunKavenor({"analyze", "engine_ctl", "out"}, &output), 1);
  EXPECT_FALSE(Contains(output, "Report:")) << output;
  EXPECT_TRUE(Contains(output, "結果フォルダを書き込めません")) << output;
  EXPECT_TRUE(Contains(output, "No space left on device")) << output;
  EXPECT_TRUE(Contains(output, "途中まで書いた結果フォルダは削除しました")) << output;
  EXPECT_EQ(Entries("out"), std::vector<std::string>{});
}

// Row 9: the current directory's disk fills during the run: the same end as
// a stop, with the failure named.
TEST(FaultTest, AFullWorkDiskEndsLikeAStop) {
  ScratchFolder scratch;
  SampleProject();
  fs::create_directory("out");
  SmallDisk disk("cwd", "96k");
  if (!disk.mounted()) GTEST_SKIP() << disk.why();
  fs::current_path("cwd");
  std::string output;
  const int status = RunKavenor({"analyze", "../engine_ctl", "../out"}, &output);
  fs::current_path("..");
  EXPECT_EQ(status, 1) << output;
  EXPECT_TRUE(Contains(output, "実行中断")) << output;
  // The first write refused names the file: a work file or the log.
  EXPECT_TRUE(Contains(output, "に書き込めません (No space left on device): ")) << output;
  EXPECT_FALSE(Exists("cwd/vcwk012345"));
  EXPECT_EQ(Entries("out"), std::vector<std::string>{});
}

// Row 2: the coming result-folder names are taken by planted symlinks (as a
// run finishing in the same second would take them): the run takes the next
// free name and writes nothing through the links.
TEST(FaultTest, ATakenResultNameGetsASuffixAndNoLinkIsFollowed) {
  ScratchFolder scratch;
  SampleProject();
  fs::create_directories("out");
  fs::create_directories("elsewhere");
  // The names of the next minutes: the run ends within them.
  const std::time_t now = std::time(nullptr);
  for (int second = -2; second < 600; ++second) {
    std::time_t t = now + second;
    std::tm local{};
    localtime_r(&t, &local);
    char name[128];
    std::strftime(name, sizeof name, "%Y年%m月%d日%H時%M分%S秒", &local);
    fs::create_directory_symlink("../elsewhere", fs::path("out") / name);
  }
  std::string output;
  ASSERT_EQ(RunKavenor({"analyze", "engine_ctl", "out"}, &output), 0) << output;
  EXPECT_TRUE(Contains(output, "_2/index.html")) << output;
  EXPECT_EQ(Entries("elsewhere"), std::vector<std::string>{});
}

// Row 3: Ctrl-C at 20 seeded points of a run over the sample project (the
// first one while the previous work folder is being set aside): each run
// ends with exit 1 and "実行中断", no work folder, no result folder, nothing
// set aside left behind.
TEST(FaultTest, CtrlCAtAnyPointStopsTheRun) {
  ScratchFolder scratch;
  SampleProject();
  fs::create_directory("out");
  // How many status lines a whole run shows.
  int statuses = 0;
  {
    Child child({"analyze", "engine_ctl", "out"});
    while (child.ReachStatus(statuses + 1)) {
      ++statuses;
      child.Release();
    }
    ASSERT_EQ(child.Wait(), 0) << child.output();
  }
  ASSERT_GT(statuses, 20);
  for (const std::string& name : Entries("out")) fs::remove_all(fs::path("out") / name);

  const unsigned seed = 13;
  std::mt19937 random(seed);
  std::vector<int> points{1};  // "実行準備中": the previous work folder is set aside
  while (points.size() < 20) {
    int point = std::uniform_int_distribution<int>(2, statuses)(random);
    if (std::find(points.begin(), points.end(), point) == points.end()) points.push_back(point);
  }
  for (int point : points) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", SIGINT after status line " + std::to_string(point));
    WriteFile("vcwk012345/DEF/old.txt", "the previous run's work folder\n");
    Child child({"analyze", "engine_ctl", "out"});
    ASSERT_TRUE(child.ReachStatus(point)) << child.output();
    child.Signal(SIGINT);
    EXPECT_EQ(child.Wait(), 1) << child.output();
    EXPECT_TRUE(Contains(child.output(), "\n実行中断\n")) << child.output();
    EXPECT_FALSE(Contains(child.output(), "Report:")) << child.output();
    EXPECT_FALSE(Exists("vcwk012345"));
    EXPECT_EQ(Entries("out"), std::vector<std::string>{});
    EXPECT_EQ(SetAsideLeft(), std::vector<std::string>{});
  }
}

// Row 4: while one command runs in a directory, every other command there is
// refused at once, and the first run ends as if alone.
TEST(FaultTest, OneCommandAtATimePerDirectory) {
  ScratchFolder scratch;
  SampleProject();
  fs::create_directory("out");
  ASSERT_EQ(RunKavenor({"analyze", "engine_ctl", "out"}), 0);
  for (const std::string& name : Entries("out")) fs::remove_all(fs::path("out") / name);

  Child first({"analyze", "engine_ctl", "out"});
  ASSERT_TRUE(first.ReachStatus(12));
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"analyze", "engine_ctl", "out"}, {"tree", "main", "out"}, {"variable", "g_rpm", "out"}, {"docs", "out"}}) {
    std::string output;
    EXPECT_EQ(RunKavenor(args, &output), 1) << args[0];
    EXPECT_TRUE(Contains(output, "別のコマンドが実行中です")) << output;
    EXPECT_FALSE(Contains(output, "Summary:")) << output;  // no numbers of the run that holds the lock
  }
  EXPECT_EQ(first.Wait(), 0) << first.output();
  EXPECT_TRUE(Contains(first.output(), "Report:"));
  EXPECT_EQ(Entries("out").size(), 1u);
  EXPECT_TRUE(Exists("vcwk012345/FunctionList4"));
}

// Row 4: a run killed outright leaves no lock behind; the next run also
// removes what the killed run had set aside.
TEST(FaultTest, AKilledRunLeavesNoStaleLock) {
  ScratchFolder scratch;
  SampleProject();
  fs::create_directory("out");
  WriteFile("vcwk012345/DEF/old.txt", "previous\n");
  WriteFile("vcwk012345.old.3/DEF/left.txt", "set aside by a run that crashed\n");
  {
    Child killed({"analyze", "engine_ctl", "out"});
    ASSERT_TRUE(killed.ReachStatus(1));
    killed.Signal(SIGKILL);
    EXPECT_EQ(killed.Wait(), -1);
  }
  EXPECT_TRUE(Exists("vcwk012345/DEF/old.txt"));
  std::string output;
  EXPECT_EQ(RunKavenor({"analyze", "engine_ctl", "out"}, &output), 0) << output;
  EXPECT_EQ(SetAsideLeft(), std::vector<std::string>{});
}

// Row 5: records replaced by symlinks to /dev/zero: each command says so,
// logs it, and fails, with bounded memory.
TEST(FaultTest, DamagedRecordsGiveAMessageAndALogLine) {
  ScratchFolder scratch;
  SampleProject();
  fs::create_directory("out");
  ASSERT_EQ(RunKavenor({"analyze", "engine_ctl", "out"}), 0);
  for (const std::string& name : Entries("vcwk012345/FunctionList4")) {
    fs::path record = fs::path("vcwk012345/FunctionList4") / name;
    fs::remove(record);
    fs::create_symlink("/dev/zero", record);
  }
  std::string output;
  EXPECT_EQ(RunKavenor({"tree", "main", "out"}, &output), 1);
  EXPECT_TRUE(Contains(output, "作業フォルダの記録が読めません")) << output;
  EXPECT_EQ(RunKavenor({"variable", "g_rpm", "out"}, &output), 1);
  EXPECT_TRUE(Contains(output, "作業フォルダの記録が読めません")) << output;
  EXPECT_EQ(RunKavenor({"docs", "out"}, &output), 1);
  EXPECT_TRUE(Contains(output, "読めない記録があり設計書は不完全です")) << output;
  EXPECT_FALSE(Contains(output, "bad_alloc")) << output;
  const std::string log = ReadFile("AnalyzeLog.txt");
  EXPECT_TRUE(Contains(log, "NOT A REGULAR FILE")) << log;
}

// The names a command is about to take, over the next minutes: the local
// time in `format` with `prefix` before and `suffix` after.
std::vector<std::string> ComingNames(const std::string& prefix, const char* format, const std::string& suffix) {
  std::vector<std::string> names;
  const std::time_t now = std::time(nullptr);
  for (int second = -2; second < 300; ++second) {
    std::time_t t = now + second;
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, format, &local);
    names.push_back(prefix + stamp + suffix);
  }
  return names;
}

// An analysed sample in ./engine_ctl with an empty ./out, for the commands
// that work on the last analysis.
void AnalysedSample() {
  SampleProject();
  fs::create_directory("out");
  ASSERT_EQ(RunKavenor({"analyze", "engine_ctl", "out"}), 0);
  for (const std::string& name : Entries("out")) fs::remove_all(fs::path("out") / name);
}

// Every entry below a folder, by path, sorted.
std::vector<std::string> FilesBelow(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) names.push_back(entry.path().string());
  std::sort(names.begin(), names.end());
  return names;
}

// tree, variable and docs take a new folder every time: the names of the
// coming minutes are taken by planted symlinks (in the output folder and in
// the work folder) and by folders a run in the same second would have made
// there. Each command takes the next free name; nothing is written through
// a link or into another run's folder.
TEST(FaultTest, ResultCommandsNeverWriteIntoATakenName) {
  ScratchFolder scratch;
  AnalysedSample();
  fs::create_directories("elsewhere");
  WriteFile("elsewhere/keep.txt", "keep");
  fs::create_directories("vcwk012345/RAM_D");
  struct Case {
    std::vector<std::string> args;
    std::string prefix;
    const char* format;
    std::string suffix, work_parent, result;
  };
  const std::vector<Case> cases = {
      {{"tree", "main", "out"}, "", "%m%d%H%M%S", "_main", "vcwk012345/HTML/CallTree", "Report:"},
      {{"variable", "g_rpm", "out"}, "", "%m%d%H%M%S", "_g_rpm", "vcwk012345/RAM_D", "Report:"},
      {{"docs", "out"}, "自動設計書", "%Y%m%d%H%M%S", "", "", "Documents:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    int n = 0;
    for (const std::string& name : ComingNames(c.prefix, c.format, c.suffix)) {
      // Every other name a symlink, the others a folder of another run.
      if (n++ % 2 == 0) {
        fs::create_directory_symlink(fs::absolute("elsewhere"), fs::path("out") / name);
        if (!c.work_parent.empty()) fs::create_directory_symlink(fs::absolute("elsewhere"), fs::path(c.work_parent) / name);
      } else {
        WriteFile("out/" + name + "/main_c.xlsx", "another run's");
        if (!c.work_parent.empty()) WriteFile(c.work_parent + "/" + name + "/index.html", "another run's");
      }
    }
    const std::vector<std::string> before = FilesBelow("out");
    std::string output;
    ASSERT_EQ(RunKavenor(c.args, &output), 0) << output;
    EXPECT_TRUE(Contains(output, c.result)) << output;
    EXPECT_TRUE(Contains(output, "_2")) << output;
    EXPECT_EQ(Entries("elsewhere"), std::vector<std::string>{"keep.txt"});
    for (const std::string& name : FilesBelow("out")) {
      if (Contains(name, "_2")) continue;
      EXPECT_TRUE(std::binary_search(before.begin(), before.end(), name)) << name;
    }
    for (const std::string& name : Entries("out")) {
      if (fs::is_symlink(fs::path("out") / name)) continue;
      if (Contains(name, "_2")) continue;
      EXPECT_EQ(ReadFile("out/" + name + "/main_c.xlsx"), "another run's") << name;
    }
    for (const std::string& name : Entries("out")) fs::remove_all(fs::path("out") / name);
  }
}

// Ctrl-C at every status line of tree, variable and docs (docs up to its
// last save): exit 1, "実行中断", nothing left in the output folder, and a
// symlink planted inside the documents' folder meanwhile is removed as a
// link, its target untouched.
TEST(FaultTest, CtrlCAtEveryStepOfTheResultCommands) {
  ScratchFolder scratch;
  AnalysedSample();
  fs::create_directories("victim");
  WriteFile("victim/keep.txt", "keep");
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"tree", "main", "out"}, {"variable", "g_rpm", "out"}, {"docs", "out"}}) {
    int statuses = 0;
    {
      Child child(args);
      while (child.ReachStatus(statuses + 1)) {
        ++statuses;
        child.Release();
      }
      ASSERT_EQ(child.Wait(), 0) << child.output();
    }
    for (const std::string& name : Entries("out")) fs::remove_all(fs::path("out") / name);
    for (int point = 1; point <= statuses; ++point) {
      SCOPED_TRACE(args[0] + ": SIGINT after status line " + std::to_string(point));
      Child child(args);
      ASSERT_TRUE(child.ReachStatus(point)) << child.output();
      for (const std::string& name : Entries("out"))
        fs::create_directory_symlink(fs::absolute("victim"), fs::path("out") / name / "planted");
      child.Signal(SIGINT);
      EXPECT_EQ(child.Wait(), 1) << child.output();
      EXPECT_TRUE(Contains(child.output(), "実行中断")) << child.output();
      EXPECT_EQ(Entries("out"), std::vector<std::string>{});
      EXPECT_EQ(ReadFile("victim/keep.txt"), "keep");
    }
  }
}

// A copy into a read-only output folder, or one that is a file: exit 1 with
// the failure named, no "Report:" line.
TEST(FaultTest, AFailedCopyFailsTheResultCommands) {
  ScratchFolder scratch;
  AnalysedSample();
  WriteFile("file", "not a folder");
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"tree", "main", "file"}, {"variable", "g_rpm", "file"}}) {
    SCOPED_TRACE(args[0]);
    std::string output;
    EXPECT_EQ(RunKavenor(args, &output), 1) << output;
    EXPECT_TRUE(Contains(output, "コピー失敗")) << output;
    EXPECT_TRUE(Contains(output, "Not a directory")) << output;
    EXPECT_FALSE(Contains(output, "Report:")) << output;
  }
}

// OUTPUT_DIR inside the work folder (or a folder set aside for deletion):
// every command refuses it before writing anything.
TEST(FaultTest, AnOutputFolderInsideTheWorkFolderIsRefused) {
  ScratchFolder scratch;
  AnalysedSample();
  fs::create_directories("vcwk012345.old.4/x");
  const std::vector<std::string> trees_before = Entries("vcwk012345/HTML/CallTree");
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"tree", "main", "./vcwk012345/HTML"}, {"variable", "g_rpm", "vcwk012345/../vcwk012345/RAM"},
           {"docs", "vcwk012345"}, {"docs", "vcwk012345.old.4/x"}, {"analyze", "engine_ctl", "vcwk012345"}}) {
    SCOPED_TRACE(args.back());
    std::string output;
    EXPECT_EQ(RunKavenor(args, &output), 1) << output;
    EXPECT_TRUE(Contains(output, "出力フォルダが作業フォルダ ./vcwk012345 の中にあります")) << output;
    if (args[0] == "analyze") continue;
    EXPECT_EQ(Entries("vcwk012345/HTML/CallTree"), trees_before);
    EXPECT_FALSE(Exists("vcwk012345/RAM_D"));
    EXPECT_TRUE(Entries("vcwk012345.old.4/x").empty());
  }
}

// The log is never written through a symlink planted at its name: the
// command that would write it fails, naming why.
TEST(FaultTest, TheLogIsNotWrittenThroughASymlink) {
  ScratchFolder scratch;
  AnalysedSample();
  for (const std::string& name : Entries("vcwk012345/FunctionList4")) {
    fs::path record = fs::path("vcwk012345/FunctionList4") / name;
    fs::remove(record);
    fs::create_symlink("/dev/zero", record);
  }
  WriteFile("victim.txt", "keep");
  fs::remove("AnalyzeLog.txt");
  fs::create_symlink("victim.txt", "AnalyzeLog.txt");
  std::string output;
  EXPECT_EQ(RunKavenor({"tree", "main", "out"}, &output), 1);
  EXPECT_EQ(ReadFile("victim.txt"), "keep");
  EXPECT_TRUE(Contains(output, "Too many levels of symbolic links")) << output;
}

// Names a Windows volume could not hold apart (differing only in case) and
// names too long for the files the run makes from them: the file is left
// out with a finding naming it, never merged or lost silently.
TEST(FaultTest, CaseOnlyAndOverlongNamesAreNamed) {
  ScratchFolder scratch;
  SampleProject();
  fs::create_directory("out");
  WriteFile("engine_ctl/UPPER.C", "void upper_one(void)\n{\n}\n");
  WriteFile("engine_ctl/upper.c", "void upper_two(void)\n{\n}\n");
  const std::string long_name = std::string(250, 'n') + ".c";
  WriteFile("engine_ctl/" + long_name, "void long_one(void)\n{\n}\n");
  std::string output;
  ASSERT_EQ(RunKavenor({"analyze", "engine_ctl", "out"}, &output), 0) << output;
  const std::string log = ReadFile("AnalyzeLog.txt");
  EXPECT_EQ(CountOf(log, "engine_ctl/upper.c : 0 : SearchFile : NAME DIFFERS ONLY IN CASE SKIP (UPPER.C)"), 1) << log;
  EXPECT_EQ(CountOf(log, long_name + " : 0 : SearchFile : NAME TOO LONG SKIP"), 1) << log;
  EXPECT_TRUE(Exists("vcwk012345/func_als/upper_one"));
  EXPECT_FALSE(Exists("vcwk012345/func_als/upper_two"));
}

// Row 6: each source file the walk leaves out gets one log line naming it
// and why; the run goes on.
TEST(FaultTest, FilesLeftOutOfTheWalkAreNamed) {
  ScratchFolder scratch;
  SampleProject();
  fs::create_directory("out");
  WriteFile("engine_ctl/\x83\x5c.c", "int so;\n");  // "ソ.c" in raw Shift-JIS
  ASSERT_EQ(::mkfifo("engine_ctl/pipe.c", 0666), 0);
  fs::create_symlink("/dev/zero", "engine_ctl/zero.c");
  // A folder chain deeper than PATH_MAX, made one step at a time.
  const std::string step(200, 'd');
  int depth_fd = ::open("engine_ctl", O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < 25 && depth_fd >= 0; ++i) {
    ::mkdirat(depth_fd, step.c_str(), 0777);
    int next = ::openat(depth_fd, step.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(depth_fd);
    depth_fd = next;
  }
  ASSERT_GE(depth_fd, 0);
  int file = ::openat(depth_fd, "deep.c", O_WRONLY | O_CREAT, 0666);
  ::close(file);
  ::close(depth_fd);

  std::string output;
  EXPECT_EQ(RunKavenor({"analyze", "engine_ctl", "out"}, &output), 0) << output;
  const std::string log = ReadFile("AnalyzeLog.txt");
  EXPECT_EQ(CountOf(log, "\x83\x5c.c : 0 : SearchFile : NAME NOT OPENABLE SKIP"), 1) << log;
  EXPECT_EQ(CountOf(log, "pipe.c : 0 : SearchFile : NOT A REGULAR FILE SKIP"), 1) << log;
  EXPECT_EQ(CountOf(log, "zero.c : 0 : SearchFile : NOT A REGULAR FILE SKIP"), 1) << log;
  EXPECT_EQ(CountOf(log, "File name too long"), 1) << log;
  // The deep chain is removed by hand: too deep for a plain recursive delete.
  int fd = ::open("engine_ctl", O_RDONLY | O_DIRECTORY);
  std::vector<int> chain{fd};
  for (int i = 0; i < 25; ++i) chain.push_back(::openat(chain.back(), step.c_str(), O_RDONLY | O_DIRECTORY));
  ::unlinkat(chain.back(), "deep.c", 0);
  for (int i = 25; i > 0; --i) {
    ::close(chain[i]);
    ::unlinkat(chain[i - 1], step.c_str(), AT_REMOVEDIR);
  }
  ::close(fd);
}

// Row 7: OUTPUT_DIR inside SOURCE_DIR, or equal to it: the second run does
// not analyse the first run's result copies.
TEST(FaultTest, ResultsInsideTheSourceFolderAreNotAnalysed) {
  for (const std::string output_folder : {"engine_ctl/out", "engine_ctl"}) {
    SCOPED_TRACE(output_folder);
    ScratchFolder scratch;
    SampleProject();
    fs::create_directories(output_folder);
    std::string output;
    ASSERT_EQ(RunKavenor({"analyze", "engine_ctl", output_folder}, &output), 0) << output;
    const std::string first = ReadFile("vcwk012345/FuncList_Body.txt");
    ASSERT_EQ(RunKavenor({"analyze", "engine_ctl", output_folder}, &output), 0) << output;
    EXPECT_EQ(ReadFile("vcwk012345/FuncList_Body.txt"), first);
    const std::string log = ReadFile("AnalyzeLog.txt");
    EXPECT_EQ(CountOf(log, output_folder == "engine_ctl" ? "RESULT FOLDER SKIP" : "OUTPUT FOLDER SKIP"), 1) << log;
  }
}

}  // namespace
