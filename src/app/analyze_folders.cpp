#include "app/analyze_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/storage_failure.h"
#include "prepro/source_walk.h"
#include "run/run_context.h"
#include "run/work_folder.h"

namespace kv {
namespace {

// errno of an access test for the effective user; 0 when allowed.
int AccessError(const std::string& path, int mode) {
  return ::faccessat(AT_FDCWD, ResolveDiskPath(path).c_str(), mode, AT_EACCESS) == 0 ? 0 : errno;
}

std::string WithError(const std::string& text, int error) { return text + " (" + std::strerror(error) + ")"; }

// The folder a missing OUTPUT_DIR would be created in.
std::string ParentFolder(const std::string& path) {
  std::string folder = SplitPath(DropTrailingSeparator(path)).folder;
  return folder.empty() ? std::string(".") : folder;
}

std::string CheckSource(const std::string& source, const std::string& output) {
  // Nothing typed: the window's empty edit box.
  if (source.empty()) return SJ("プロジェクトフォルダが見つかりません");
  if (!PathExists(source)) return SJ("プロジェクトフォルダが見つかりません: ") + source;
  if (!IsDirectory(source)) return SJ("ディレクトリを指定してください: ") + source + SJ(" はファイルです");
  if (int error = AccessError(source, R_OK | X_OK))
    return WithError(SJ("プロジェクトフォルダを読めません: ") + source, error);
  if (!HoldsSourceFile(source, output)) {
    // A folder that could not be listed for a reason of the system's hides
    // what it holds: that reason is the refusal.
    if (StorageFailure() != 0) return StorageFailureMessage();
    return SJ("プロジェクトフォルダにCのソースファイル(.c .h .cpp)がありません: ") + source;
  }
  return {};
}

FolderCheck CheckOutput(const std::string& output) {
  FolderCheck check;
  if (output.empty()) {
    check.refusal = SJ("出力フォルダを指定してください");
  } else if (work::IsInsideWorkFolder(output)) {
    check.refusal = work::OutputInsideWorkFolderText(output);
  } else if (!PathExists(output)) {
    if (IsDirectory(ParentFolder(output)))
      check.create_output = true;
    else
      check.refusal = SJ("出力フォルダがありません: ") + output;
  } else if (!IsDirectory(output)) {
    check.refusal = SJ("出力フォルダではなくファイルです: ") + output;
  } else if (int error = AccessError(output, W_OK | X_OK)) {
    check.refusal = WithError(SJ("出力フォルダに書き込めません: ") + output, error);
  }
  return check;
}

}  // namespace

FolderCheck CheckAnalyzeFolders(const std::string& source, const std::string& output) {
  ClearStorageFailure();
  FolderCheck check;
  check.refusal = CheckSource(source, output);
  if (!check.refusal.empty()) return check;
  return CheckOutput(output);
}

std::string CreateOutputFolder(const std::string& output) {
  // A parent the program may not write into fails here with its reason.
  const int error = ::mkdir(ResolveDiskPathForWrite(DropTrailingSeparator(output)).c_str(), 0777) == 0 ? 0 : errno;
  if (error == 0 || error == EEXIST) {
    if (IsDirectory(output)) return {};
    return SJ("出力フォルダではなくファイルです: ") + output;
  }
  return WithError(SJ("出力フォルダを作成できません: ") + output, error);
}

}  // namespace kv
