#include "prepro/output_files.h"

#include <fcntl.h>
#include <unistd.h>

#include "lex/tokenizer.h"
#include "platform/dir_listing.h"
#include "platform/paths.h"

namespace kv {

OutputFiles::Names& OutputFiles::Folder(const std::string& folder) {
  auto [it, inserted] = folders_.try_emplace(folder);
  if (inserted) {
    for (const DirEntry& entry : ListDirectory(folder, "*.*").entries)
      it->second.try_emplace(LowerAsciiName(entry.name), entry.name);
  }
  return it->second;
}

std::string OutputFiles::Prepare(const std::string& folder, const std::string& name) {
  Names& names = Folder(folder);
  auto [it, inserted] = names.try_emplace(LowerAsciiName(name), name);
  std::string path = JoinPath(folder, it->second);
  if (inserted) {
    int fd = ::open(ToDiskPath(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
    } else {
      names.erase(it);  // not there: the writer's open fails and is reported
    }
  }
  return path;
}

}  // namespace kv
