#include "app/analyze_command.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "app/analyze_folders.h"
#include "run/definition_index.h"
#include "run/folder_utils.h"
#include "run/work_folder.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/storage_failure.h"
#include "platform/text_file.h"
#include "report/call_records.h"
#include "report/report_pages.h"

namespace kv {
namespace {

// The last component of the source folder. A trailing separator is ignored,
// and "." or ".." stand for the folder they name, so that the preprocessed
// copy never lands in DEF itself.
std::string LastComponent(const std::string& folder) {
  std::string path = DropTrailingSeparator(folder);
  std::string name = SplitPath(path).name;
  if (name.empty() || name == "." || name == "..") {
    std::error_code ec;
    auto canonical = std::filesystem::weakly_canonical(ResolveDiskPath(path), ec);
    if (!ec) name = FromDiskName(canonical.filename().string());
  }
  return name;
}

}  // namespace

AnalyzeCommand::AnalyzeCommand(Session& session, UserInterface& ui, AnalysisLog& log, RunOptions options)
    : ctx_(session, ui, log, std::move(options)) {}

bool AnalyzeCommand::Prepare() {
  // Every refusal comes before the work folder, the log or the output folder
  // is touched (the lock file is made only for a run that may start).
  const FolderCheck check = CheckAnalyzeFolders(ctx_.options.source_folder, ctx_.options.output_folder);
  if (!check.refusal.empty()) {
    ctx_.Message(check.refusal);
    return false;
  }
  if (!BeginWorkFolderCommand(ctx_, lock_)) return false;
  if (check.create_output) {
    const std::string refusal = CreateOutputFolder(ctx_.options.output_folder);
    if (!refusal.empty()) {
      ctx_.Message(refusal);
      return false;
    }
  }
  Progress& progress = ctx_.progress;
  progress.run_completed = 0;
  progress.divisor = 0;
  progress.counter = 0;
  progress.base = 0;
  ctx_.position = AnalysisPosition{};

  ctx_.ShowStatus(SJ("実行準備中"));
  ctx_.ShowDetail(SJ("テンポラリファイル削除"));
  // One rename instead of deleting a large tree here; when the folder cannot
  // be renamed (a foreign entry of that name) it is deleted in place.
  if (!previous_.SetAside(ToDiskPath(work::kRoot)) && DeleteFolderTree(work::kRoot) == 0 && PathExists(work::kRoot)) {
    // Neither set aside nor deleted: a run on top of it would copy its files out as this run's.
    ctx_.Message(SJ("前回の作業フォルダを削除できません: ") + std::string(work::kRoot));
    return false;
  }
  if (removal_ == PreviousWorkFolder::Placement::kAtOnce) previous_.StartRemoval();
  ctx_.log.Delete();
  for (std::string_view folder : {work::kDef, work::kDefTmp, work::kDef2, work::kDef3}) {
    if (folder == work::kDef) MakeFolder(work::kRoot);
    MakeFolder(work::Path(folder));
  }
  ctx_.log.Banner("ANALYSYS START    ");

  ctx_.source_folder_name = LastComponent(ctx_.options.source_folder);
  ctx_.mirror_root = JoinPath(work::Path(work::kDef), ctx_.source_folder_name);
  MakeFolder(ctx_.mirror_root);

  if (ctx_.options.memory_factor < 1) ctx_.options.memory_factor = 1;
  if (ctx_.options.memory_factor > 4) ctx_.options.memory_factor = 4;
  progress.base = 0;
  progress.counter = 0;
  return true;
}

bool AnalyzeCommand::RunWorker(const std::vector<StageFrame>& stages) { return RunAnalysisDriver(ctx_, stages); }

AnalyzeResult AnalyzeCommand::Finish(bool read_name_lists) {
  // However the run ends, the previous work folder's deletion is not waited
  // for (see PreviousWorkFolder::Release).
  struct ReleaseAtEnd {
    AnalyzeCommand& command;
    ~ReleaseAtEnd() { command.ReleasePrevious(); }
  } release_at_end{*this};
  AnalyzeResult result;
  if (StorageFailure() != 0) {
    EndWriteFailure();
    result.status = AnalyzeResult::Status::kWriteFailed;
    return result;
  }
  if (ctx_.progress.stop_flag.load() == 1) {
    // A stop that came after the worker's last stop test: the driver has
    // not cleaned up.
    if (ctx_.progress.run_completed.load() == 1) EndStopped();
    result.status = AnalyzeResult::Status::kStopped;
    return result;
  }
  if (ctx_.progress.run_completed.load() != 1) {
    result.status = AnalyzeResult::Status::kIncomplete;
    return result;
  }
  if (removal_ == PreviousWorkFolder::Placement::kAfterRun) previous_.StartRemoval();
  ctx_.log.Banner("ANALYSYS END        ");
  ResultFolder folder;
  if (!folder.Create(ctx_.options.output_folder, FormatLocalTime(SJ("%Y年%m月%d日%H時%M分%S秒")))) {
    ctx_.Message(SJ("結果フォルダを作成できません: ") + FromDiskName(folder.failed_path()) + " (" +
                 std::strerror(folder.error()) + ")");
    result.status = AnalyzeResult::Status::kWriteFailed;
    return result;
  }
  result.result_folder = folder.path();
  const CopyResult copied = CopyResults(folder);
  if (copied == CopyResult::kWriteFailed) {
    std::string text = SJ("結果フォルダを書き込めません: ") + FromDiskName(folder.failed_path()) + " (" +
                       std::strerror(folder.error()) + ")";
    if (folder.Remove())
      text += SJ(" 途中まで書いた結果フォルダは削除しました");
    else
      text += SJ(" 途中まで書いた結果フォルダを削除できません: ") + folder.path();
    ctx_.Message(text);
    result.status = AnalyzeResult::Status::kWriteFailed;
    return result;
  }
  if (copied == CopyResult::kStopped || ctx_.StopRequested()) {
    folder.Remove();
    result.status = EndInterrupted();
    return result;
  }

  if (read_name_lists) {
    result.function_names = ReadFunctionNames();
    result.variable_names = ReadVariableNames();
  }
  result.status = AnalyzeResult::Status::kCompleted;

  ctx_.ShowStatus(SJ("解析終了"));
  ctx_.ShowDetail("----------------------");
  if (ctx_.ui.Ask(SJ("解析完了 結果を起動します"), SJ("終了"))) {
    if (!ctx_.ui.Open(JoinPath(result.result_folder, "index.html"))) ctx_.Message(SJ("コールツリーindex起動失敗"));
  }
  if (removal_ == PreviousWorkFolder::Placement::kAtEnd) previous_.Wait();
  // The last moment a stop is honoured: after it the command has completed.
  if (ctx_.StopRequested()) {
    folder.Remove();
    result = AnalyzeResult{};
    result.status = EndInterrupted();
  }
  return result;
}

void AnalyzeCommand::EndStopped() {
  ctx_.ShowStatus(SJ("実行中断"));
  ctx_.ShowDetail("----");
  ctx_.progress.SetStatusCopy(SJ("実行中断 作業フォルダ削除中"));
  if (PathExists(work::kRoot) && RemoveFolderTree(work::kRoot) == 0) ctx_.Message(SJ("TMPファイル削除失敗"));
}

AnalyzeResult::Status AnalyzeCommand::EndInterrupted() {
  if (StorageFailure() != 0) {
    EndWriteFailure();
    return AnalyzeResult::Status::kWriteFailed;
  }
  EndStopped();
  return AnalyzeResult::Status::kStopped;
}

void AnalyzeCommand::ReleasePrevious() {
  for (const PreviousWorkFolder::Leftover& left : previous_.Release())
    ctx_.Message(SJ("以前の作業フォルダを削除できません: ") + left.folder + " (" + std::strerror(left.error) + ")");
}

void AnalyzeCommand::EndWriteFailure() {
  std::string message = StorageFailureMessage();
  // The driver has already ended a run it saw stopped; a refusal at its very
  // end (or one that ended the worker at once) is ended here.
  if (PathExists(work::kRoot)) {
    ctx_.ShowStatus(SJ("実行中断"));
    ctx_.ShowDetail("----");
    if (RemoveFolderTree(work::kRoot) == 0) message += SJ(" TMPファイル削除失敗");
  }
  ctx_.Message(message);
}

// The 18 copies of a completed run, in order. A copy whose source the run
// did not write shows its message and the sequence goes on; the first copy
// the result folder refuses shows its message and ends the sequence (the
// caller removes the folder: a partial result is no result).
CopyResult AnalyzeCommand::CopyResults(ResultFolder& folder) {
  const std::string work_root = JoinPath(CurrentDirectory(), "vcwk012345");
  auto from_work = [&](std::string_view relative) { return JoinPath(work_root, relative); };
  auto stop = [this] { return ctx_.StopRequested(); };
  CopyResult last = CopyResult::kDone;
  // False when the sequence must end.
  auto step = [&](CopyResult result, const std::string& message) {
    last = result;
    if (result == CopyResult::kSourceMissing || result == CopyResult::kWriteFailed) ctx_.Message(message);
    if (result == CopyResult::kSourceMissing) last = CopyResult::kDone;
    return last == CopyResult::kDone && !ctx_.StopRequested();
  };
  // The folders' files are linked, not copied (see ResultFolder): the
  // program never changes a work-folder file in place after the run, and the
  // next run deletes the work folder, which leaves the result folder's files
  // as they are.
  auto copy_folder = [&](const std::string& source, std::string_view into, const std::string& message) {
    return step(folder.CopyFolderInto(source, into, stop), message);
  };
  auto copy_file = [&](const std::string& source, std::string_view name, const std::string& message) {
    return step(folder.CopyFile(source, name), message);
  };
  auto make_folder = [&](std::string_view name, const std::string& message) {
    return step(folder.MakeFolder(name), message);
  };
  const std::string& failed = SJ("コピー失敗");
  const std::string& expanded = SJ("プリプロ展開ソフト");
  const std::string& temporary = SJ("[解析テンポラリ]");
  const std::string& temporary_failed = "[" + SJ("解析テンポラリ") + "]" + failed;

  (void)(copy_folder(from_work("HTML"), "", failed) &&
         copy_folder(from_work("FunctionList4"), "", SJ("関数解析結果コピー失敗")) &&
         copy_folder(from_work("RAM"), "", SJ("RAM解析結果コピー失敗")) &&
         make_folder("DEFINE", SJ("DEFINEコピー失敗")) &&
         copy_folder(from_work("DEF3"), "DEFINE", SJ("DEFINEコピー失敗")) &&
         make_folder(expanded, SJ("展開ソフトコピー失敗")) &&
         copy_folder(JoinPath(from_work("DEF"), ctx_.source_folder_name), expanded, SJ("展開ソフトコピー失敗")) &&
         copy_file(from_work("index.html"), "index.html", failed) &&
         copy_file(from_work("brimsole.html"), "brimsole.html", failed) &&
         copy_file(from_work("FILEINFO/FileFuncInfo.txt"), "FileFuncInfo.txt", failed) &&
         copy_folder(from_work("RAM_ALL"), "", SJ("RAM解析結果コピー失敗")) &&
         copy_file(from_work("FuncList_ProtType.txt"), "FunctionList_ProtType.txt",
                   "[FunctionList_ProtType.txt]" + failed) &&
         copy_file(from_work("FuncList_Body.txt"), "FunctionList_Body.txt", "[FunctionList_Body.txt]" + failed) &&
         copy_file(from_work("Typedef.txt"), "TypeDefine.txt", "[TypeDefine.txt]" + failed) &&
         copy_file(from_work("ValList.txt"), "RamDefine.txt", "[RamDefine.txt]" + failed) &&
         copy_file(from_work("ValList2.txt"), "DetectRamAll.txt", "[RamAll.txt]" + failed) &&
         copy_file(from_work("HTML/CallTree/call_tree.txt"), "CallTree.txt", failed) &&
         copy_file(from_work("HTML/CallTree/call_tree_ram.txt"), "CallTree_RAM_ACCESS.txt", failed) &&
         copy_file(JoinPath(CurrentDirectory(), "AnalyzeLog.txt"), "AnalyzeLog.txt", "[AnalyzeLog.txt]" + failed) &&
         make_folder(temporary, temporary_failed) &&
         copy_folder(work_root, temporary, temporary_failed));
  if (last == CopyResult::kDone && ctx_.StopRequested()) return CopyResult::kStopped;
  return last;
}

// The functions with a body, in the order of the report's function list.
std::vector<std::string> ReadFunctionNames() {
  std::vector<std::string> names;
  RecordStore records(work::Path(work::kFunctionList4));
  for (int id : FunctionListOrder(records))
    if (!records.Get(id).name.empty()) names.push_back(records.name(id));
  return names;
}

// The written variables of ValList2.txt; a name several files define
// stands as its records, one per definition (count@timer.c), the choice the
// variable command takes.
std::vector<std::string> ReadVariableNames() {
  std::vector<std::string> names;
  DefinitionIndex definitions;
  definitions.Load();
  LineReader in(work::Path(work::kValList2));
  std::string line;
  while (in.ReadLineNoEol(line)) {
    if (line == "@1END") break;
    if (line.find('*') != std::string::npos) continue;
    if (!definitions.Several('V', line)) {
      names.push_back(line);
      continue;
    }
    for (const Definition* d : definitions.Definitions('V', line))
      if (std::find(names.begin(), names.end(), d->record) == names.end()) names.push_back(d->record);
  }
  return names;
}

}  // namespace kv
