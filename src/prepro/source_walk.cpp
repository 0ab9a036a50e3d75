#include "prepro/source_walk.h"

#include <vector>

#include "run/work_folder.h"
#include "platform/dir_listing.h"
#include "platform/paths.h"
#include "prepro/source_cache.h"

namespace kv {

bool IsSourceExtension(std::string_view extension) {
  return extension == ".c" || extension == ".C" || extension == ".cpp" || extension == ".CPP" || extension == ".h" ||
         extension == ".H";
}

bool IsHeaderExtension(std::string_view extension) { return extension == ".h" || extension == ".H"; }

namespace {

class Walker {
 public:
  Walker(RunContext& ctx, std::string_view pattern, SourceWalkVisitor& visitor)
      : ctx_(ctx), pattern_(pattern), visitor_(visitor) {
    PathFacts work;
    if (StatPath(work::kRoot, work) && work.is_directory) work_folder_ = work.id;
    has_work_folder_ = work.is_directory;
  }

  void Walk(const std::string& folder) {
    PathFacts facts;
    const bool known = StatPath(folder, facts);
    if (known) ancestors_.push_back(facts.id);
    DirListing listing = ListDirectory(folder, pattern_);
    for (const DirEntry& entry : listing.entries) {
      if (ctx_.StopRequested()) break;
      std::string path = JoinPath(folder, entry.name);
      if (!work::IsSafeComponent(entry.name)) {
        ctx_.log.Finding(path, 0, "SearchFile", "UNSAFE NAME SKIP");
        continue;
      }
      if (entry.is_dir) {
        if (!Enterable(path)) continue;
        visitor_.EnterFolder(entry.name);
        Walk(path);
        visitor_.LeaveFolder();
        continue;
      }
      ctx_.ShowDetail(entry.name);
      visitor_.File(path, entry.name);
    }
    if (known) ancestors_.pop_back();
  }

 private:
  bool Enterable(const std::string& path) {
    PathFacts facts;
    if (!StatPath(path, facts)) return true;
    if (has_work_folder_ && facts.id == work_folder_) return false;
    for (const FileId& id : ancestors_) {
      if (id == facts.id) {
        ctx_.log.Finding(path, 0, "SearchFile", "FOLDER LOOP SKIP");
        return false;
      }
    }
    return true;
  }

  RunContext& ctx_;
  std::string_view pattern_;
  SourceWalkVisitor& visitor_;
  FileId work_folder_;
  bool has_work_folder_ = false;
  std::vector<FileId> ancestors_;
};

}  // namespace

int WalkSourceFolder(RunContext& ctx, const std::string& folder, std::string_view pattern, SourceWalkVisitor& visitor) {
  Walker(ctx, pattern, visitor).Walk(folder);
  return 0;
}

int WalkSourceFiles(RunContext& ctx, const std::string& folder, std::string_view pattern,
                    const SourceFileFunction& file) {
  struct FileVisitor : SourceWalkVisitor {
    explicit FileVisitor(const SourceFileFunction& f) : function(f) {}
    void File(const std::string& path, const std::string& name) override { function(path, name); }
    const SourceFileFunction& function;
  } visitor(file);
  return WalkSourceFolder(ctx, folder, pattern, visitor);
}

}  // namespace kv
