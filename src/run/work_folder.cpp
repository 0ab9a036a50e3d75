#include "run/work_folder.h"

#include <filesystem>
#include <system_error>

#include "platform/encoding.h"
#include "platform/paths.h"

namespace kv::work {

std::string Path(std::string_view relative) {
  std::string out(kRoot);
  out += '/';
  out += relative;
  return out;
}

bool IsSafeComponent(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find('\0') != std::string_view::npos) return false;
  if (name.find('/') != std::string_view::npos) return false;
  if (name.find("..") != std::string_view::npos) return false;
  // A "\" is a separator unless it is the second byte of a Shift-JIS character.
  return FindLastSeparator(name) == std::string_view::npos;
}

namespace {

// "vcwk012345" or "vcwk012345.old." + digits.
bool IsWorkFolderName(std::string_view name) {
  constexpr std::string_view kName = "vcwk012345";
  constexpr std::string_view kAside = "vcwk012345.old.";
  if (name == kName) return true;
  if (name.size() <= kAside.size() || name.substr(0, kAside.size()) != kAside) return false;
  for (char c : name.substr(kAside.size()))
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

bool IsInsideWorkFolder(std::string_view folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path here = fs::weakly_canonical(fs::current_path(ec), ec);
  if (ec) return false;
  const fs::path target = fs::weakly_canonical(fs::absolute(ResolveDiskPath(folder), ec), ec);
  if (ec) return false;
  const fs::path relative = target.lexically_relative(here);
  if (relative.empty() || *relative.begin() == "..") return false;
  return IsWorkFolderName(relative.begin()->string());
}

std::string OutputInsideWorkFolderText(std::string_view folder) {
  return SJ("出力フォルダが作業フォルダ ./vcwk012345 の中にあります。その外のフォルダを指定してください: ") +
         std::string(folder);
}

}  // namespace kv::work
