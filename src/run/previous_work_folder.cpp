#include "run/previous_work_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

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
    if (name.substr(0, std::strlen(kSetAsidePrefix)) != kSetAsidePrefix) continue;
    struct stat st;
    std::string path = "./" + std::string(name);
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) found.push_back(path);
  }
  ::closedir(dir);
  return found;
}

bool RemoveAll(const std::vector<std::string>& folders) {
  bool ok = true;
  for (const std::string& folder : folders) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (ec) ok = false;
  }
  return ok;
}

}  // namespace

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

void PreviousWorkFolder::StartRemoval() {
  if (started_ || folders_.empty()) return;
  started_ = true;
  remover_ = std::thread([this] { all_removed_ = RemoveAll(folders_); });
}

bool PreviousWorkFolder::Wait() {
  if (finished_ || folders_.empty()) return all_removed_;
  if (!started_) {
    started_ = true;
    all_removed_ = RemoveAll(folders_);
  } else if (remover_.joinable()) {
    remover_.join();
  }
  finished_ = true;
  return all_removed_;
}

}  // namespace kv
