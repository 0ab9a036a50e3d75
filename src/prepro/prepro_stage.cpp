// PREPRO: every source file of the project through the directive processor,
// each with its own definition file. For a file with base name B:
//   DEF/B_DEF_C.dat (B_DEF_H.dat for a header): the lines of ./DefList.txt,
//       then the records in the order they were first written;
//   DEF3/B_DEF_C.dat: the define table after the whole file, later
//       rewrites of earlier entries included (for files sharing a base
//       name, run/definition_file_names.h says which file keeps B_DEF_C.dat);
//   the preprocessed copy in the mirror of the source tree below
//       DEF/<source folder name>, and the copies of included files in DEF/TMP.
// The define table starts empty for every file: definitions never carry over
// from one source file to the next (only DefList.txt is shared).
#include <memory>
#include <optional>
#include <vector>

#include "run/definition_file_names.h"
#include "run/definition_index.h"
#include "run/work_folder.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "prepro/define_table.h"
#include "prepro/directive_processor.h"
#include "prepro/header_index.h"
#include "prepro/output_files.h"
#include "prepro/prepro_stages.h"
#include "prepro/source_cache.h"
#include "prepro/source_walk.h"

namespace kv {
namespace {

class PreproWalk : public SourceWalkVisitor {
 public:
  explicit PreproWalk(RunContext& ctx) : ctx_(ctx), processor_(ctx, table_, headers_, sources_, outputs_) {
    // Header_List.txt is complete once HEADER LIST has run: read it once.
    headers_.Load(work::Path(work::kHeaderList));
    LineReader external;
    if (external.Open(work::kDefList)) {
      has_external_ = true;
      std::string line;
      while (external.ReadLineNoEol(line)) external_.push_back(line);
    }
    mirror_root_ = ctx.mirror_root.empty() ? JoinPath(work::Path(work::kDef), ctx.source_folder_name) : ctx.mirror_root;
    mirror_ = mirror_root_;
  }

  void Finish() {
    processor_.FlushIncludeCopies();
    WriteMovedTables();
  }

  void EnterFolder(const std::string& name) override {
    saved_mirrors_.push_back(mirror_);
    mirror_ = JoinPath(mirror_, name);
    MakeFolder(mirror_);
  }

  void LeaveFolder() override {
    mirror_ = saved_mirrors_.back();
    saved_mirrors_.pop_back();
  }

  void File(const std::string& path, const std::string& name) override {
    const PathParts parts = SplitPath(name);
    if (!IsSourceExtension(parts.extension)) return;
    ++ctx_.progress.counter;
    table_.Clear();
    PreprocessOne(path, parts);
  }

 private:
  void PreprocessOne(const std::string& path, const PathParts& parts) {
    const bool header = parts.extension.find(".h") != std::string::npos ||
                        parts.extension.find(".H") != std::string::npos;
    const std::string file_name = parts.base + (header ? "_DEF_H.dat" : "_DEF_C.dat");

    TextWriter definitions;
    if (!definitions.Open(outputs_.Prepare(work::Path(work::kDef), file_name), WriteMode::kTruncate))
      ctx_.Message(SJ("ファイル開けず"));
    processor_.BeginTopLevelFile(parts.base, mirror_, &definitions);
    if (has_external_) LoadExternal(definitions);
    processor_.PreprocessFile(path, true);
    definitions.Close();

    const std::string final_path = outputs_.Prepare(work::Path(work::kDef3), FinalName(parts.name, file_name));
    TextWriter final_definitions;
    if (!final_definitions.Open(final_path, WriteMode::kTruncate)) {
      ctx_.Message(final_path + SJ("ファイル開けず"));
      return;
    }
    for (const std::string& entry : table_.entries()) final_definitions.WriteLine(entry);
  }

  // The DEF3 name of this file's table: its plain name, after an earlier
  // file's table of that name has moved aside.
  std::string FinalName(const std::string& name, const std::string& plain) {
    const std::string path = PathBelow(mirror_root_, JoinPath(mirror_, name));
    std::optional<DefinitionFileNamer::Move> move;
    const std::string final_name = namer_.Place(path, plain, &move);
    if (move) {
      const std::string folder = work::Path(work::kDef3);
      const std::string from = outputs_.Prepare(folder, move->from);
      if (RenameFile(from, JoinPath(folder, move->to)))
        moved_.push_back(move->path + "\t" + move->to);
      else
        processor_.PreproLogAt(from, "DEF3 RENAME", move->to);
    }
    if (final_name != plain) moved_.push_back(path + "\t" + final_name);
    return final_name;
  }

  void WriteMovedTables() {
    if (moved_.empty()) return;
    TextWriter list;
    if (!list.Open(work::Path(work::kDefFilePaths), WriteMode::kTruncate)) {
      ctx_.Message(std::string(work::kDefFilePaths) + SJ("ファイル開けず"));
      return;
    }
    for (const std::string& line : moved_) list.WriteLine(line);
  }

  // DefList.txt at the head of the definition file and of the table.
  void LoadExternal(TextWriter& definitions) {
    size_t refused = 0;
    size_t first_refused = 0;  // its line in DefList.txt
    for (size_t i = 0; i < external_.size(); ++i) {
      if (!table_.Append(external_[i])) {
        if (refused++ == 0) first_refused = i + 1;
        continue;
      }
      definitions.WriteLine(external_[i]);
    }
    if (refused > 0)
      processor_.PreproLogAt(std::string(work::kDefList) + ":" + std::to_string(first_refused), "Array 10000 Over",
                             "DefList.txt " + std::to_string(refused) + " lines refused");
  }

  RunContext& ctx_;
  DefineTable table_;
  HeaderIndex headers_;
  SourceCache sources_{ctx_.options.source_encoding};
  OutputFiles outputs_;
  DirectiveProcessor processor_;
  bool has_external_ = false;
  std::vector<std::string> external_;
  std::string mirror_root_;
  std::string mirror_;
  std::vector<std::string> saved_mirrors_;
  DefinitionFileNamer namer_;
  std::vector<std::string> moved_;  // DefFile_Paths.txt lines
};

}  // namespace

StageOutcome RunPreproStage(RunContext& ctx) {
  auto walk = std::make_unique<PreproWalk>(ctx);
  WalkSourceFolder(ctx, ctx.options.source_folder, "*.*", *walk);
  walk->Finish();
  return StageOutcome::kContinue;
}

}  // namespace kv
