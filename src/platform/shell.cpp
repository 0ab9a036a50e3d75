#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <vector>

#include "platform/paths.h"

extern char** environ;

namespace kv {

bool OpenWithDesktop(std::string_view path) {
  std::string disk = ResolveDiskPath(path);
  char arg0[] = "xdg-open";
  std::vector<char> arg1(disk.begin(), disk.end());
  arg1.push_back('\0');
  char* argv[] = {arg0, arg1.data(), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string FormatLocalTime(const std::string& format) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[256];
  size_t n = std::strftime(buffer, sizeof buffer, format.c_str(), &local);
  return std::string(buffer, n);
}

std::string CurrentDirectory() {
  char buffer[4096];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return ".";
  return FromDiskName(buffer);
}

}  // namespace kv
