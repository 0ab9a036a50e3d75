#include "consolidate/record_walk.h"

#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace kv {

std::vector<std::string> ListRecords(RunContext& ctx, std::string_view folder, std::string_view message,
                                     bool* found) {
  DirListing listing = ListDirectory(folder, "*.*");
  if (found != nullptr) *found = listing.found;
  if (!listing.found) {
    ctx.log.Note(RecordPath(folder, "*.*"), "FILE NOT OPEN\n");
    if (!message.empty()) ctx.Message(std::string(message));
  }
  std::vector<std::string> names;
  names.reserve(listing.entries.size());
  for (DirEntry& entry : listing.entries) {
    if (!entry.is_dir) names.push_back(std::move(entry.name));
  }
  return names;
}

std::string RecordPath(std::string_view folder, std::string_view name) { return JoinPath(folder, name); }

StageOutcome RewriteRecords(RunContext& ctx, std::string_view input, std::string_view output,
                            std::string_view message, const RecordRewrite& rewrite) {
  MakeFolder(output);
  const std::vector<std::string> names = ListRecords(ctx, input, message);
  LineReader in;
  for (const std::string& name : names) {
    if (ctx.StopRequested()) return StageOutcome::kStopRun;
    ctx.ShowDetail(name);
    if (!in.Open(RecordPath(input, name))) continue;
    // The output folder is new for every run: writing from the start of a
    // fresh file, never onto an older record's tail.
    TextWriter out;
    out.Open(RecordPath(output, name), WriteMode::kTruncate, ctx.deferred_files);
    rewrite(name, in, out);
    out.Close();
    in.Close();
  }
  return StageOutcome::kContinue;
}


bool IsPlainIdentifier(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (!IsIdentifierChar(c)) return false;
  }
  return true;
}

}  // namespace kv
