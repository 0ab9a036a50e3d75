// Lists the function definitions FILE ALS records, one per line, as
// "<path relative to the tree>\t<name>", for bench/recall.sh.
//
//   kv_definition_list PREPROCESSED_TREE
//
// The tree (the preprocessed copy an analyze run wrote) stands, as a
// symbolic link, for the preprocessed copy of a scratch work folder; DEFINE
// ALS runs first, as in a run, then each file is scanned and the names its
// INF file lists are printed (the INF file is rewritten for every file, so
// it holds that file's definitions alone, even where two files share a
// name).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "analysis/analysis_stages.h"
#include "analysis/file_scanner.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "platform/user_interface.h"
#include "prepro/prepro_stages.h"
#include "prepro/source_walk.h"
#include "run/analysis_log.h"
#include "run/run_context.h"
#include "run/work_folder.h"

namespace fs = std::filesystem;

namespace {

class QuietUi : public kv::UserInterface {
 public:
  void Message(const std::string&, const std::string&) override {}
  bool Ask(const std::string&, const std::string&) override { return true; }
  void ShowStatus(const std::string&) override {}
  void ShowDetail(const std::string&) override {}
  bool Open(const std::string&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PREPROCESSED_TREE\n", argv[0]);
    return 2;
  }
  const fs::path tree = fs::absolute(argv[1]);
  char scratch_template[] = "/tmp/kv-definition-list-XXXXXX";
  if (::mkdtemp(scratch_template) == nullptr) return 1;
  const fs::path scratch = scratch_template;
  fs::current_path(scratch);
  const std::string name = tree.filename().string();
  for (const char* f : {"vcwk012345/DEF", "vcwk012345/DEF3", "vcwk012345/FILEINFO"}) fs::create_directories(f);
  fs::create_directory_symlink(tree, fs::path("vcwk012345/DEF") / name);

  kv::Session session;
  QuietUi ui;
  kv::AnalysisLog log;
  kv::RunContext ctx(session, ui, log, kv::RunOptions{"", "", false, 1});
  ctx.source_folder_name = name;
  ctx.mirror_root = kv::JoinPath(kv::work::Path(kv::work::kDef), name);
  session.type_names.Reset();
  kv::RunDefineAlsStage(ctx);

  kv::FileScanner scanner(ctx);
  const std::string prefix = ctx.mirror_root + "/";
  kv::WalkSourceFiles(ctx, ctx.mirror_root, "*.*", [&](const std::string& path, const std::string& file) {
    kv::PathParts parts = kv::SplitPath(file);
    ctx.position.current_file = parts.base;
    if (!kv::IsSourceExtension(parts.extension)) return;
    scanner.ScanFile(path);
    kv::LineReader inf(kv::work::Path(std::string(kv::work::kFileInfo) + "/INF_" + parts.name));
    const std::string relative = path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
    std::string line;
    bool name_next = false;
    while (inf.ReadLineNoEol(line)) {
      if (name_next) std::printf("%s\t%s\n", relative.c_str(), line.c_str());
      name_next = line == "[FUNCNAME]";
    }
  });
  fs::current_path("/");
  fs::remove_all(scratch);
  return 0;
}
