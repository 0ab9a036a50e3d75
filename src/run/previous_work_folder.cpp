#include "run/previous_work_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/tree_removal.h"

extern char** environ;

namespace kv {
namespace {

// The folders of the current directory named like a set-aside work folder
// (symlinks of that name are left alone: nothing is deleted through them).
std::vector<std::string> FindSetAside() {
  std::vector<std::string> found;
  DIR* dir = ::opendir(".");
  if (dir == nullptr) return found;
  while (dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (!IsSetAsideName(name)) continue;
    struct stat st;
    std::string path = "./" + std::string(name);
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) found.push_back(path);
  }
  ::closedir(dir);
  return found;
}

}  // namespace

bool IsSetAsideName(std::string_view name) {
  const std::string_view prefix = kSetAsidePrefix;
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return false;
  for (char c : name.substr(prefix.size()))
    if (c < '0' || c > '9') return false;
  return true;
}

PreviousWorkFolder::Placement PreviousWorkFolder::ChosenPlacement() {
  const char* chosen = std::getenv("KAVENOR_OLD_WORK_REMOVAL");
  if (chosen != nullptr && std::strcmp(chosen, "now") == 0) return Placement::kAtOnce;
  if (chosen != nullptr && std::strcmp(chosen, "end") == 0) return Placement::kAtEnd;
  return Placement::kAfterRun;
}

bool PreviousWorkFolder::SetAside(const std::string& work_folder) {
  folders_ = FindSetAside();
  struct stat st;
  if (::lstat(work_folder.c_str(), &st) != 0) return true;
  for (int n = 1; n < 10000; ++n) {
    std::string aside = "./" + std::string(kSetAsidePrefix) + std::to_string(n);
    if (::renameat2(AT_FDCWD, work_folder.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
      folders_.push_back(aside);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// Each folder removed through descriptors, never following a symlink; the
// cancel flag is tested before every entry.
void PreviousWorkFolder::Remove() {
  const int here = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (const std::string& folder : folders_) {
    if (here < 0) {
      leftovers_.push_back({folder, folder, errno});
      continue;
    }
    TreeRemoval removal;
    const std::string name = folder.substr(2);  // without "./"
    if (RemoveTreeAt(here, name, folder, removal, &cancel_)) continue;
    if (removal.cancelled)
      unfinished_.push_back(folder);
    else
      leftovers_.push_back({folder, removal.failed_path, removal.error});
  }
  if (here >= 0) ::close(here);
}

void PreviousWorkFolder::StartRemoval() {
  if (started_ || folders_.empty()) return;
  started_ = true;
  remover_ = std::thread([this] {
    Remove();
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    done_changed_.notify_all();
  });
}

bool PreviousWorkFolder::Wait() {
  if (finished_ || folders_.empty()) return leftovers_.empty();
  if (!started_) {
    started_ = true;
    Remove();
  } else if (remover_.joinable()) {
    remover_.join();
  }
  finished_ = true;
  return leftovers_.empty();
}

std::vector<PreviousWorkFolder::Leftover> PreviousWorkFolder::Release(std::chrono::milliseconds grace) {
  if (finished_ || folders_.empty()) return {};
  StartRemoval();
  {
    std::unique_lock<std::mutex> lock(mutex_);
    done_changed_.wait_for(lock, grace, [this] { return done_; });
  }
  cancel_ = true;  // the thread stops before its next entry
  if (remover_.joinable()) remover_.join();
  finished_ = true;
  if (!unfinished_.empty()) HandOver();
  return leftovers_;
}

// The rest of the deletion in a process of its own that outlives this one:
// a shell that starts "rm -rf" in the background and ends at once (so no
// child of ours is left to reap), in a session of its own (a Ctrl-C at the
// terminal does not reach it), without our terminal. rm removes symlinks
// without following them. When it cannot be started, the next run deletes
// the folders.
void PreviousWorkFolder::HandOver() {
  std::vector<std::string> args{"sh", "-c", "rm -rf -- \"$@\" </dev/null >/dev/null 2>&1 &", "sh"};
  args.insert(args.end(), unfinished_.begin(), unfinished_.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGHUP);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, "sh", &actions, &attributes, argv.data(), environ) == 0) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
}

}  // namespace kv
