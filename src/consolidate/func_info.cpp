#include "consolidate/func_info.h"

#include <array>

#include "run/work_folder.h"
#include "consolidate/consolidate_stages.h"
#include "consolidate/record_walk.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace kv {

void WriteFileFunctionInfo(LineReader& in, TextWriter& out) {
  std::string line;
  while (in.ReadLineNoEol(line)) {
    if (line == "[FILENAME]") {
      std::string name;
      in.ReadLineNoEol(name);
      out.WriteLine(SJ("[ファイル名] ") + name);
    } else if (line == "[FUNCNAME]") {
      // The name, then "[LINE COUNT]", count, "[LINE COUNT V]", count,
      // "[COMMNET]", count.
      std::array<std::string, 7> group;
      for (std::string& g : group) in.ReadLineNoEol(g);
      out.WriteLine("  " + group[0] + "\t\t" + group[2] + "\t" + group[4] + "\t" + group[6]);
    }
  }
  out.WriteLine("");
}

// The header line is written before the stage's start text; later blocks
// are appended to it.
StageOutcome PrepareFuncInfoStage(RunContext& ctx) {
  TextWriter out(work::Path(work::kFileFuncInfo), WriteMode::kTruncate);
  if (!out.is_open()) ctx.Message(SJ("AllFincInfo作成失敗"));
  out.WriteLine(SJ("\t[関数名]\t\t[行数]\t[有効行数]\t[コメント数]"));
  return StageOutcome::kContinue;
}

// Only the INF files of sources ending in ".c" are listed ("*.c", any
// letter case); those of headers and of ".cpp" sources are not.
StageOutcome RunFuncInfoStage(RunContext& ctx) {
  const std::string folder = work::Path(work::kFileInfo);
  const DirListing listing = ListDirectory(folder, "*.c");
  // A project of headers alone has no INF file of a ".c" source: the
  // message says where nothing was found.
  if (!listing.found) ctx.MessageAbout(SJ("ファイル開けず STEP5"), folder + "/*.c", 0, "FUNC INFO");
  MakeFolder(work::Path(work::kSource5));
  LineReader in;
  for (const DirEntry& entry : listing.entries) {
    if (entry.is_dir) continue;
    if (ctx.StopRequested()) return StageOutcome::kStopRun;
    ctx.ShowDetail(entry.name);
    TextWriter out(work::Path(work::kFileFuncInfo), WriteMode::kAppend);
    if (!out.is_open()) ctx.Message(SJ("AllFincInfo作成失敗"));
    if (in.Open(RecordPath(folder, entry.name))) WriteFileFunctionInfo(in, out);
  }
  return StageOutcome::kContinue;
}

}  // namespace kv
