// The files PREPRO creates in the work folder (mirror copies, DEF and DEF3
// files, DEF/TMP copies). Names are matched ignoring case as the platform
// layer matches them, without listing a folder again for every new file:
// each folder is listed once, and the names created since are remembered.
#pragma once

#include <string>
#include <unordered_map>

#include "lex/tokenizer.h"

namespace kv {

class OutputFiles {
 public:
  // The path to open for writing `name` in `folder` (an existing folder
  // written exactly as created): the file already there under that name in
  // any letter case, or else a new empty file created under `name`.
  std::string Prepare(const std::string& folder, const std::string& name);

 private:
  using Names = std::unordered_map<std::string, std::string>;  // lower-cased -> as on disk
  Names& Folder(const std::string& folder);

  std::unordered_map<std::string, Names> folders_;
};

}  // namespace kv
