// HEADER LIST: counts the project's source files for the progress display
// (ProgressDivisor) and lists every header in Header_List.txt, so that an
// #include whose file is not next to the including file can still be found.
#include "run/work_folder.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "prepro/prepro_stages.h"
#include "prepro/source_walk.h"

namespace kv {
namespace {

class HeaderListWalk : public SourceWalkVisitor {
 public:
  explicit HeaderListWalk(RunContext& ctx) : ctx_(ctx) {}

  void File(const std::string& path, const std::string& name) override {
    const std::string extension = SplitPath(name).extension;
    if (IsSourceExtension(extension)) ++ctx_.progress.divisor;
    if (!IsHeaderExtension(extension)) return;
    // One line per header: file name, tab, full path.
    TextWriter list(work::Path(work::kHeaderList), WriteMode::kAppend);
    if (!list.is_open()) {
      ctx_.Message(SJ("ヘッダリスト開けず"));
      return;
    }
    list.Write(name + "\t" + path + "\n");
  }

 private:
  RunContext& ctx_;
};

}  // namespace

StageOutcome RunHeaderListStage(RunContext& ctx) {
  HeaderListWalk walk(ctx);
  WalkSourceFolder(ctx, ctx.options.source_folder, "*.*", walk);
  return StageOutcome::kContinue;
}

}  // namespace kv
