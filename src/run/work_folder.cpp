#include "run/work_folder.h"

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

}  // namespace kv::work
