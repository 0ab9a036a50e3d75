#include "xlsdoc/design_document_command.h"

#include <cctype>
#include <cstdio>

#include "run/folder_utils.h"
#include "run/run_lock.h"
#include "run/work_folder.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/text_file.h"
#include "xlsdoc/document_template.h"
#include "xlsdoc/function_sheet.h"
#include "xlsdoc/module_sheets.h"
#include "xlsdoc/spreadsheet.h"

namespace kv {
namespace {

// The caption of the application's own message boxes.
constexpr char kApplicationCaption[] = "Kavenor";

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

const char* FailureText(xls::AutomationFailure failure) {
  switch (failure) {
    case xls::AutomationFailure::kObjectGone: return "object released";
    case xls::AutomationFailure::kBadArgument: return "invalid argument";
    case xls::AutomationFailure::kOpenFailed: return "open failed";
    case xls::AutomationFailure::kSaveFailed: return "save failed";
    case xls::AutomationFailure::kNoFileName: return "no file name";
    case xls::AutomationFailure::kGridFull: return "sheet full";
    case xls::AutomationFailure::kNotSupported: return "not supported";
  }
  return "failed";
}

// Open before the generation, Close after it, whatever happens.
class ProgressShown {
 public:
  explicit ProgressShown(DocumentProgress* progress) : progress_(progress) {
    if (progress_ != nullptr) progress_->Open();
  }
  ~ProgressShown() {
    if (progress_ != nullptr) progress_->Close();
  }
  ProgressShown(const ProgressShown&) = delete;
  ProgressShown& operator=(const ProgressShown&) = delete;

 private:
  DocumentProgress* progress_;
};

class DocumentRun {
 public:
  DocumentRun(RunContext& ctx, const DesignDocumentOptions& options, DocumentProgress* progress)
      : ctx_(ctx), options_(options), progress_(progress) {}

  // The documents' folder, once Generate has made it.
  const std::string& folder() const { return folder_; }

  bool Generate() {
    folder_ = JoinPath(ctx_.options.output_folder, SJ("自動設計書") + FormatLocalTime("%Y%m%d%H%M%S"));
    date_ = FormatLocalTime("%Y/%m/%d");
    MakeFolder(folder_);
    try {
      xls::Application app;
      app.set_viewer([this](const std::string& file, const std::string& sheet) { Show(file, sheet); });
      return WithApplication(app);
    } catch (const xls::AutomationError& e) {
      ctx_.Message(SJ("EXCEL操作エラー") + " " + std::to_string(e.code()) + " (" + FailureText(e.failure()) +
                   "): " + e.detail());
    } catch (const std::exception& e) {
      ctx_.Message(SJ("EXCEL操作エラー") + " " + e.what());
    }
    return false;
  }

 private:
  bool WithApplication(xls::Application& app) {
    ctx_.ShowStatus(SJ("EXCEL雛形作成開始"));
    if (BuildDocumentTemplate(ctx_, app, folder_) == DocStep::kStopped) return Stopped(app);
    ctx_.ShowStatus(SJ("EXCEL雛形作成終了"));

    ctx_.ShowStatus(SJ("リバース設計書作成"));
    DirListing records = ListDirectory(work::Path(work::kFunctionList4), "*.*");
    if (!records.found) {
      ctx_.Message(SJ("ファイル開けず"));
      app.SetDisplayAlerts(false);
      app.Quit();
      return false;
    }
    for (const DirEntry& entry : records.entries) {
      if (ctx_.StopRequested()) return Stopped(app);
      if (entry.is_dir) continue;
      if (WriteRecord(app, entry.name) == DocStep::kStopped) return Stopped(app);
    }
    // A stop during the last workbook's save still counts.
    if (ctx_.StopRequested()) return Stopped(app);
    if (damaged_records_ > 0) {
      ctx_.Message(SJ("読めない記録があり設計書は不完全です: ") + std::to_string(damaged_records_) +
                   SJ("件 詳細は AnalyzeLog.txt"));
      app.SetDisplayAlerts(false);
      app.Quit();
      return false;
    }

    ctx_.ShowStatus(SJ("リバース設計書作成終了"));
    ctx_.progress.run_completed = 1;
    app.SetDisplayAlerts(false);
    app.Quit();
    DeleteFile(JoinPath(folder_, kTemplateFileName));
    ctx_.ui.Message(SJ("設計書完了"), kApplicationCaption);
    return true;
  }

  // One record: its workbook (one per source file), its sheet, the save.
  DocStep WriteRecord(xls::Application& app, const std::string& name) {
    ctx_.ShowDetail(name);
    if (!work::IsSafeComponent(name)) {
      ctx_.log.Finding(name, 0, SJ("設計書"), "NAME NOT SAFE: RECORD SKIPPED");
      return DocStep::kDone;
    }
    LineReader record;
    const std::string record_path = work::Path(std::string(work::kFunctionList4) + "/" + name);
    const ReadProblem problem = record.OpenWorkFile(record_path);
    if (problem != ReadProblem::kNone) {
      ctx_.Message(SJ("ファイル開けず"));
      ctx_.log.Finding(record_path, 0, SJ("作業フォルダ"), ReadProblemText(problem));
      ++damaged_records_;
      return DocStep::kDone;
    }
    std::string line, source_file, folder_name;
    while (record.ReadLineNoEol(line)) {
      if (line == "Not Found Function") return DocStep::kDone;
      if (line == SJ("[フォルダ名]") && folder_name.empty()) record.ReadLineNoEol(folder_name);
      if (line == SJ("[ファイル名]")) {
        record.ReadLineNoEol(source_file);
        break;
      }
    }
    const FileDescriptions* described = descriptions_.Find(source_file, folder_name);
    for (char& c : source_file)
      if (c == '.') c = '_';
    // A record without a source file name gets a workbook of its own name.
    std::string base = source_file.empty() ? name : source_file;
    // A source file named ORIGINAL must not extend the template itself.
    if (SameNameIgnoringCase(base + ".xlsx", kTemplateFileName)) base += "_";
    if (!work::IsSafeComponent(base)) {
      ctx_.log.Finding(name, 0, base, "WORKBOOK NAME NOT SAFE: RECORD SKIPPED");
      return DocStep::kDone;
    }
    const std::string workbook_path = JoinPath(folder_, base + ".xlsx");
    const bool existing = IsRegularFile(workbook_path);
    xls::Workbook book = app.Workbooks().Open(existing ? workbook_path : JoinPath(folder_, kTemplateFileName));
    app.SetVisible(options_.show_progress);
    // A new workbook: its cover and module sheet describe the source file.
    if (!existing && described != nullptr) FillModuleSheets(app, DescriptionFiles::Facts(*described, date_));
    const DescribedFunction* function = DescriptionFiles::FindFunction(described, name);
    if (AddFunctionSheet(ctx_, app, record, name, function) == DocStep::kStopped) return DocStep::kStopped;
    if (existing)
      book.Save();
    else
      book.SaveAs(workbook_path, xls::kAccessModeNoChange);
    book.Close();
    return DocStep::kDone;
  }

  bool Stopped(xls::Application& app) {
    ctx_.ShowStatus(SJ("実行中断"));
    app.SetDisplayAlerts(false);
    app.Quit();
    if (RemoveFolderTree(folder_) == 0) ctx_.Message(SJ("TMPファイル削除失敗"));
    return false;
  }

  void Show(const std::string& file, const std::string& sheet) {
    if (progress_ != nullptr) {
      progress_->SheetShown(file, sheet);
      return;
    }
    std::printf("%s  %s\n", ToDiskPath(file).c_str(), ToUtf8(sheet).c_str());
    std::fflush(stdout);
  }

  RunContext& ctx_;
  const DesignDocumentOptions& options_;
  DocumentProgress* progress_;
  std::string folder_;  // DesignDocFolder
  std::string date_;    // of the documents, on their covers
  DescriptionFiles descriptions_;
  int damaged_records_ = 0;
};

}  // namespace

bool RunDesignDocumentCommand(RunContext& ctx, const DesignDocumentOptions& options, DocumentProgress* progress,
                              std::string* written_to) {
  RunLock lock;
  if (!BeginWorkFolderCommand(ctx, lock)) return false;
  const std::string& output = ctx.options.output_folder;
  if (output.empty() || !IsDirectory(output)) {
    ctx.Message(SJ("出力フォルダを指定してください"));
    return false;
  }
  if (!ListDirectory(work::Path(work::kFunctionList4), "*.*").found) {
    ctx.Message(SJ("ソフト解析結果なし、先に解析を実行してくださ"));
    return false;
  }
  if (!ctx.ui.Ask(SJ("EXL設計書作成開始します"), SJ("終了"))) return false;

  // StopFlag is cleared by the front end before the command: a Ctrl-C
  // already pressed is not forgotten here.
  ProgressShown shown(progress);
  DocumentRun run(ctx, options, progress);
  const bool completed = run.Generate();
  if (completed && written_to != nullptr) *written_to = run.folder();
  return completed;
}

}  // namespace kv
