#include "prepro/source_walk.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "run/work_folder.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "lex/tokenizer.h"
#include "prepro/source_cache.h"

namespace kv {

bool IsSourceExtension(std::string_view extension) {
  return extension == ".c" || extension == ".C" || extension == ".cpp" || extension == ".CPP" || extension == ".h" ||
         extension == ".H";
}

bool IsHeaderExtension(std::string_view extension) { return extension == ".h" || extension == ".H"; }

namespace {

// A result folder's name: "%Y年%m月%d日%H時%M分%S秒" (CP932), with the "_N"
// a clash adds.
bool IsResultFolderName(const std::string& name) {
  static const std::string year = SJ("年"), month = SJ("月"), day = SJ("日"), hour = SJ("時"), minute = SJ("分"),
                           second = SJ("秒");
  size_t pos = 0;
  auto digits = [&](size_t count) {
    for (size_t i = 0; i < count; ++i, ++pos)
      if (pos >= name.size() || name[pos] < '0' || name[pos] > '9') return false;
    return true;
  };
  auto word = [&](const std::string& text) {
    if (name.compare(pos, text.size(), text) != 0) return false;
    pos += text.size();
    return true;
  };
  if (!(digits(4) && word(year) && digits(2) && word(month) && digits(2) && word(day) && digits(2) && word(hour) &&
        digits(2) && word(minute) && digits(2) && word(second)))
    return false;
  if (pos == name.size()) return true;
  if (name[pos++] != '_' || pos == name.size()) return false;
  return digits(name.size() - pos);
}

// Why a source file cannot be read, for its log line.
std::string UnreadableReason(ReadProblem problem, int error) {
  if (problem == ReadProblem::kNotRegular) return "NOT A REGULAR FILE SKIP";
  // Listed but not found under its name: the name has no form the program
  // can open (raw Shift-JIS bytes on a UTF-8 file system).
  if (problem == ReadProblem::kMissing) return "NAME NOT OPENABLE SKIP";
  return std::string("FILE NOT READABLE SKIP (") + std::strerror(error) + ")";
}

// The longest source file name (bytes on disk) the run can keep: the work
// folder holds files named after each source file with up to 15 bytes added
// ("INF_" + name, base + "_DEF_C.dat", the definition page's ".html"), and a
// name must fit NAME_MAX.
constexpr size_t kMaxSourceNameBytes = 255 - 16;

// ASCII letters upper-cased, Shift-JIS characters left whole: the names a
// Windows volume holds as one.
std::string FoldedName(std::string_view name) {
  std::string out(name);
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 0x80) {
      if (IsShiftJisLead(c)) ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 32);
    }
  }
  return out;
}

class Walker {
 public:
  Walker(RunContext& ctx, std::string_view root, std::string_view pattern, SourceWalkVisitor& visitor)
      : ctx_(ctx), pattern_(pattern), visitor_(visitor) {
    // The preprocessed copy in the work folder is the program's own: a
    // folder of it that cannot be listed fails the run. A folder of the
    // project that cannot be read is left out and named.
    unlistable_ = root.substr(0, work::kRoot.size()) == work::kRoot ? Unlistable::kFailure : Unlistable::kLeaveOut;
    PathFacts work;
    if (StatPath(work::kRoot, work) && work.is_directory) work_folder_ = work.id;
    has_work_folder_ = work.is_directory;
    PathFacts output;
    const std::string& output_folder = ctx.options.output_folder;
    has_output_folder_ = !output_folder.empty() && StatPath(output_folder, output) && output.is_directory;
    if (has_output_folder_) output_folder_ = output.id;
  }

  void Walk(const std::string& folder) {
    // The folder the walk was given is never left out: it is the project.
    const bool root = ancestors_.empty();
    PathFacts facts;
    const bool known = StatPath(folder, facts);
    if (known) ancestors_.push_back(facts.id);
    // The output folder is the source folder itself: its result folders are
    // the earlier runs' copies, never sources.
    const bool holds_results = known && has_output_folder_ && facts.id == output_folder_;
    DirListing listing = ListDirectory(folder, pattern_, root ? Unlistable::kFailure : unlistable_);
    if (!listing.found && MatchPattern(pattern_, ".")) {
      PathFacts exists;
      if (listing.error != 0)
        Skip(folder, std::string("FOLDER NOT READABLE SKIP (") + std::strerror(listing.error) + ")");
      else if (StatPath(folder, exists))
        Skip(folder, "FOLDER NOT READABLE SKIP");
    }
    std::string previous_folded;
    std::string previous_name;
    for (const DirEntry& entry : listing.entries) {
      if (ctx_.StopRequested()) break;
      std::string path = JoinPath(folder, entry.name);
      if (!work::IsSafeComponent(entry.name)) {
        Skip(path, "UNSAFE NAME SKIP");
        continue;
      }
      const bool source = !entry.is_dir && IsSourceExtension(SplitPath(entry.name).extension);
      if (entry.is_dir || source) {
        // The listing order puts names that differ only in case next to
        // each other. In the work folder (named as on Windows) they would
        // share one file: the first is kept, the others are named.
        std::string folded = FoldedName(entry.name);
        if (folded == previous_folded) {
          Skip(path, "NAME DIFFERS ONLY IN CASE SKIP (" + previous_name + ")");
          continue;
        }
        previous_folded = std::move(folded);
        previous_name = entry.name;
      }
      if (source && ToDiskPath(entry.name).size() > kMaxSourceNameBytes) {
        Skip(path, "NAME TOO LONG SKIP");
        continue;
      }
      if (entry.is_dir) {
        if (holds_results && IsResultFolderName(entry.name)) {
          Skip(path, "RESULT FOLDER SKIP");
          continue;
        }
        if (!Enterable(path)) continue;
        visitor_.EnterFolder(entry.name);
        Walk(path);
        visitor_.LeaveFolder();
        continue;
      }
      if (IsSourceExtension(SplitPath(entry.name).extension) && !Readable(path)) continue;
      ctx_.ShowDetail(entry.name);
      visitor_.File(path, entry.name);
    }
    if (known) ancestors_.pop_back();
  }

 private:
  // One log line per path left out, however many walks meet it.
  void Skip(const std::string& path, const std::string& why) {
    if (ctx_.walk_skips_logged.insert(path).second) ctx_.log.Finding(path, 0, "SearchFile", why);
  }

  bool Readable(const std::string& path) {
    int error = 0;
    const ReadProblem problem = ProbeReadableFile(path, error);
    if (problem == ReadProblem::kNone) return true;
    Skip(path, UnreadableReason(problem, error));
    return false;
  }

  bool Enterable(const std::string& path) {
    PathFacts facts;
    if (!StatPath(path, facts)) {
      Skip(path, std::string("FOLDER NOT READABLE SKIP (") + std::strerror(errno) + ")");
      return false;
    }
    if (has_work_folder_ && facts.id == work_folder_) return false;
    if (has_output_folder_ && facts.id == output_folder_) {
      Skip(path, "OUTPUT FOLDER SKIP");
      return false;
    }
    for (const FileId& id : ancestors_) {
      if (id == facts.id) {
        Skip(path, "FOLDER LOOP SKIP");
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
  FileId output_folder_;
  bool has_output_folder_ = false;
  std::vector<FileId> ancestors_;
  Unlistable unlistable_ = Unlistable::kLeaveOut;
};

// The read-only search of HoldsSourceFile, with the walk's exclusions.
struct SourceSearch {
  std::vector<FileId> excluded;  // the work folder, an output folder inside
  bool has_results_folder = false;  // the output folder is a searched folder:
  FileId results_folder;            // its result folders are skipped
  std::vector<FileId> ancestors;

  bool Below(const std::string& folder) {
    PathFacts facts;
    if (!StatPath(folder, facts) || !facts.is_directory) return false;
    for (const FileId& id : excluded)
      if (id == facts.id) return false;
    for (const FileId& id : ancestors)
      if (id == facts.id) return false;
    // A sub-folder of the project that cannot be read for want of
    // permission is one the walk leaves out; the project folder itself, and
    // other failures, are noted.
    const DirListing listing =
        ListDirectory(folder, "*.*", ancestors.empty() ? Unlistable::kFailure : Unlistable::kLeaveOut);
    for (const DirEntry& entry : listing.entries)
      if (!entry.is_dir && work::IsSafeComponent(entry.name) && IsSourceExtension(SplitPath(entry.name).extension))
        return true;
    const bool holds_results = has_results_folder && facts.id == results_folder;
    ancestors.push_back(facts.id);
    bool found = false;
    for (const DirEntry& entry : listing.entries) {
      if (found) break;
      if (!entry.is_dir || !work::IsSafeComponent(entry.name)) continue;
      if (holds_results && IsResultFolderName(entry.name)) continue;
      found = Below(JoinPath(folder, entry.name));
    }
    ancestors.pop_back();
    return found;
  }
};

}  // namespace

bool HoldsSourceFile(const std::string& folder, const std::string& output_folder) {
  SourceSearch search;
  PathFacts facts;
  if (StatPath(work::kRoot, facts) && facts.is_directory) search.excluded.push_back(facts.id);
  PathFacts source, output;
  if (!output_folder.empty() && StatPath(output_folder, output) && output.is_directory) {
    if (StatPath(folder, source) && source.id == output.id) {
      search.has_results_folder = true;
      search.results_folder = output.id;
    } else {
      search.excluded.push_back(output.id);
    }
  }
  return search.Below(folder);
}

int WalkSourceFolder(RunContext& ctx, const std::string& folder, std::string_view pattern, SourceWalkVisitor& visitor) {
  Walker(ctx, folder, pattern, visitor).Walk(folder);
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
