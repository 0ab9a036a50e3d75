#include "app/analyze_command.h"

#include <filesystem>

#include "run/folder_utils.h"
#include "run/work_folder.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/text_file.h"

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
  Progress& progress = ctx_.progress;
  progress.run_completed = 0;
  progress.divisor = 0;
  progress.counter = 0;
  progress.base = 0;
  ctx_.position = AnalysisPosition{};

  ctx_.ShowStatus(SJ("実行準備中"));
  ctx_.ShowDetail(SJ("テンポラリファイル削除"));
  DeleteFolderTree(work::kRoot);
  ctx_.log.Delete();
  for (std::string_view folder : {work::kDef, work::kDefTmp, work::kDef2, work::kDef3}) {
    if (folder == work::kDef) MakeFolder(work::kRoot);
    MakeFolder(work::Path(folder));
  }
  ctx_.log.Banner("ANALYSYS START    ");

  const std::string& source = ctx_.options.source_folder;
  if (source.empty() || !PathExists(source)) {
    ctx_.Message(SJ("プロジェクトフォルダが見つかりません"));
    return false;
  }
  if (!IsDirectory(source)) {
    ctx_.Message(SJ("ディレクトリを指定してください"));
    return false;
  }
  ctx_.source_folder_name = LastComponent(source);
  const std::string& output = ctx_.options.output_folder;
  if (output.empty() || !PathExists(output)) {
    ctx_.Message(SJ("出力フォルダを指定してください"));
    return false;
  }
  ctx_.mirror_root = JoinPath(work::Path(work::kDef), ctx_.source_folder_name);
  MakeFolder(ctx_.mirror_root);

  if (ctx_.options.memory_factor < 1) ctx_.options.memory_factor = 1;
  if (ctx_.options.memory_factor > 4) ctx_.options.memory_factor = 4;
  progress.stop_flag = 0;
  progress.base = 0;
  progress.counter = 0;
  return true;
}

bool AnalyzeCommand::RunWorker(const std::vector<StageFrame>& stages) { return RunAnalysisDriver(ctx_, stages); }

AnalyzeResult AnalyzeCommand::Finish() {
  AnalyzeResult result;
  if (ctx_.progress.stop_flag.load() == 1) {
    result.status = AnalyzeResult::Status::kStopped;
    return result;
  }
  if (ctx_.progress.run_completed.load() != 1) {
    result.status = AnalyzeResult::Status::kIncomplete;
    return result;
  }
  ctx_.log.Banner("ANALYSYS END        ");
  result.result_folder = JoinPath(ctx_.options.output_folder, FormatLocalTime(SJ("%Y年%m月%d日%H時%M分%S秒")));
  MakeFolder(result.result_folder);
  CopyResults(result.result_folder);

  result.function_names = ReadFunctionNames();
  result.variable_names = ReadVariableNames();
  result.status = AnalyzeResult::Status::kCompleted;

  ctx_.ShowStatus(SJ("解析終了"));
  ctx_.ShowDetail("----------------------");
  if (ctx_.ui.Ask(SJ("解析完了 結果を起動します"), SJ("終了"))) {
    if (!ctx_.ui.Open(JoinPath(result.result_folder, "index.html"))) ctx_.Message(SJ("コールツリーindex起動失敗"));
  }
  return result;
}

// The 18 copies of a completed run, in order; a failure shows its message and
// the sequence goes on.
void AnalyzeCommand::CopyResults(const std::string& result_folder) {
  const std::string work_root = JoinPath(CurrentDirectory(), "vcwk012345");
  auto from_work = [&](std::string_view relative) { return JoinPath(work_root, relative); };
  auto into = [&](std::string_view name) { return JoinPath(result_folder, name); };
  // The folders' files are linked, not copied (see FolderCopy): the program
  // never changes a work-folder file in place after the run, and the next
  // run deletes the work folder, which leaves the result folder's files as
  // they are.
  auto copy_folder = [&](const std::string& source, const std::string& destination, const std::string& message) {
    if (CopyFolderInto(source, destination, FolderCopy::kLinkFiles) == 0) ctx_.Message(message);
  };
  auto copy_file = [&](const std::string& source, std::string_view destination_name, const std::string& message) {
    if (!CopyFile(source, into(destination_name))) ctx_.Message(message);
  };
  const std::string& failed = SJ("コピー失敗");

  copy_folder(from_work("HTML"), result_folder, failed);
  copy_folder(from_work("FunctionList4"), result_folder, SJ("関数解析結果コピー失敗"));
  copy_folder(from_work("RAM"), result_folder, SJ("RAM解析結果コピー失敗"));
  MakeFolder(into("DEFINE"));
  copy_folder(from_work("DEF3"), into("DEFINE"), SJ("DEFINEコピー失敗"));
  const std::string& expanded = SJ("プリプロ展開ソフト");
  MakeFolder(into(expanded));
  copy_folder(JoinPath(from_work("DEF"), ctx_.source_folder_name), into(expanded), SJ("展開ソフトコピー失敗"));
  copy_file(from_work("index.html"), "index.html", failed);
  copy_file(from_work("brimsole.html"), "brimsole.html", failed);
  copy_file(from_work("FILEINFO/FileFuncInfo.txt"), "FileFuncInfo.txt", failed);
  copy_folder(from_work("RAM_ALL"), result_folder, SJ("RAM解析結果コピー失敗"));
  copy_file(from_work("FuncList_ProtType.txt"), "FunctionList_ProtType.txt", "[FunctionList_ProtType.txt]" + failed);
  copy_file(from_work("FuncList_Body.txt"), "FunctionList_Body.txt", "[FunctionList_Body.txt]" + failed);
  copy_file(from_work("Typedef.txt"), "TypeDefine.txt", "[TypeDefine.txt]" + failed);
  copy_file(from_work("ValList.txt"), "RamDefine.txt", "[RamDefine.txt]" + failed);
  copy_file(from_work("ValList2.txt"), "DetectRamAll.txt", "[RamAll.txt]" + failed);
  copy_file(from_work("HTML/CallTree/call_tree.txt"), "CallTree.txt", failed);
  copy_file(from_work("HTML/CallTree/call_tree_ram.txt"), "CallTree_RAM_ACCESS.txt", failed);
  copy_file(JoinPath(CurrentDirectory(), "AnalyzeLog.txt"), "AnalyzeLog.txt", "[AnalyzeLog.txt]" + failed);
  const std::string& temporary = SJ("[解析テンポラリ]");
  MakeFolder(into(temporary));
  copy_folder(work_root, into(temporary), "[" + SJ("解析テンポラリ") + "]" + failed);
}

std::vector<std::string> ReadFunctionNames() {
  std::vector<std::string> names;
  LineReader in(work::Path(work::kFuncListBody));
  std::string line;
  while (in.ReadLineNoEol(line)) names.push_back(SplitPrototype(line).name);
  return names;
}

std::vector<std::string> ReadVariableNames() {
  std::vector<std::string> names;
  LineReader in(work::Path(work::kValList2));
  std::string line;
  while (in.ReadLineNoEol(line)) {
    if (line == "@1END") break;
    if (line.find('*') == std::string::npos) names.push_back(line);
  }
  return names;
}

}  // namespace kv
