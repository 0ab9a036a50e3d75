#include "consolidate/file_level_variables.h"

#include "lex/keyword_tables.h"
#include "platform/dir_listing.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace kv {

void FileLevelVariables::Load(std::string_view root) {
  const DirListing listing = ListDirectory(root, "F_*");
  LineReader in;
  std::string line;
  for (const DirEntry& entry : listing.entries) {
    if (entry.is_dir || entry.name.size() <= 2 || !in.Open(JoinPath(root, entry.name))) continue;
    const std::string_view file = std::string_view(entry.name).substr(2);
    while (in.ReadLineNoEol(line)) Add(file, line);
  }
}

void FileLevelVariables::Add(std::string_view file, std::string_view declaration) {
  // A prototype holds its parameter list; a variable line never does.
  if (declaration.find('(') != std::string_view::npos) return;
  std::string type, name;
  SplitTypeAndName(declaration, type, name);
  if (name.empty()) return;
  Declarations& d = names_[name];
  const bool is_static = declaration.rfind("static\t", 0) == 0 ||
                         declaration.find("\tstatic\t") != std::string_view::npos;
  if (is_static) {
    d.static_in.emplace(file);
  } else {
    d.program_wide = true;
  }
}

bool FileLevelVariables::Reaches(std::string_view name, std::string_view file) const {
  auto it = names_.find(std::string(name));
  if (it == names_.end() || it->second.program_wide || it->second.static_in.empty()) return true;
  return it->second.static_in.count(std::string(file)) != 0;
}

}  // namespace kv
