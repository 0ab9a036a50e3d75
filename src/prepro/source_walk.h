// The walk of the source folder that the HEADER LIST and PREPRO stages share:
// every entry of the folder and its sub-folders for the pattern, in the order
// the file system lists them, the stop flag tested before each entry.
//
// Folders not entered: the work folder ./vcwk012345 when it lies inside the
// source folder (a user analysing "."), the output folder when it lies inside
// (its result folders hold copies of the sources; when it is the source
// folder itself, the result folders in it are skipped), a folder that is
// already one of its own ancestors (a link loop), a folder that cannot be
// read, and an entry whose name cannot be used as a path component. Source
// files that cannot be opened (no permission, a path too long, a name with no
// form to open it by, not a regular file) are left out too. Each path left
// out, the work folder apart, gets one log line saying why.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "run/run_context.h"

namespace kv {

// ".c", ".C", ".cpp", ".CPP", ".h", ".H", exactly as written.
bool IsSourceExtension(std::string_view extension);
// ".h" or ".H".
bool IsHeaderExtension(std::string_view extension);

// True when the walk of `folder` would meet at least one file with a source
// extension. Read-only (nothing is logged): the analyse command asks before
// it touches anything. Folders the walk does not enter are not searched
// either (the work folder, `output_folder` when it lies inside, link loops);
// the search ends at the first source file.
bool HoldsSourceFile(const std::string& folder, const std::string& output_folder);

class SourceWalkVisitor {
 public:
  virtual ~SourceWalkVisitor() = default;
  virtual void EnterFolder(const std::string& name) {}
  virtual void LeaveFolder() {}
  // A file: its path (folder joined with the name) and its name. The walk
  // has shown the name in the detail status line.
  virtual void File(const std::string& path, const std::string& name) = 0;
};

// Walks `folder`; 0 when the walk finished or was stopped.
int WalkSourceFolder(RunContext& ctx, const std::string& folder, std::string_view pattern, SourceWalkVisitor& visitor);

// The same walk with one function for every file (path, name).
using SourceFileFunction = std::function<void(const std::string& path, const std::string& name)>;
int WalkSourceFiles(RunContext& ctx, const std::string& folder, std::string_view pattern,
                    const SourceFileFunction& file);

}  // namespace kv
