// The two folders `analyze` is given, checked before anything is touched: a
// refused run leaves the work folder, the log and the output folder as they
// were, so a typo never costs the last analysis.
#pragma once

#include <string>

namespace kv {

struct FolderCheck {
  std::string refusal;         // CP932 message; empty when the run may start
  bool create_output = false;  // OUTPUT_DIR is missing but its parent exists
};

// SOURCE_DIR must be a readable folder holding at least one source file
// (.c, .h, .cpp); OUTPUT_DIR must be a folder the program may write into, or
// a missing folder whose parent exists (it is created once the run holds the
// work folder's lock). Read-only: nothing is created, logged or removed.
FolderCheck CheckAnalyzeFolders(const std::string& source, const std::string& output);

// Creates the missing OUTPUT_DIR; the refusal text when that fails.
std::string CreateOutputFolder(const std::string& output);

}  // namespace kv
