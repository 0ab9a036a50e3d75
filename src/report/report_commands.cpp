#include "report/report_commands.h"

#include <cstring>
#include <exception>

#include "run/definition_index.h"
#include "run/result_folder.h"
#include "run/run_lock.h"
#include "run/work_folder.h"
#include "lex/keyword_tables.h"
#include "lex/name_match.h"
#include "platform/encoding.h"
#include "platform/html_text.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/storage_failure.h"
#include "platform/text_file.h"
#include "report/call_records.h"
#include "report/call_tree.h"
#include "report/report_pages.h"

namespace kv {
namespace {

// The name as the window took it: an empty edit text, or the combo box's
// placeholder, ends the command with its message.
bool CheckChosenName(RunContext& ctx, const std::string& name, NameSource source, std::string_view placeholder) {
  if (source == NameSource::kCombo && name == placeholder) {
    ctx.Message(SJ("リストから選択してください"));
    return false;
  }
  if (name.empty()) {
    ctx.Message(SJ("入力してください"));
    return false;
  }
  return true;
}

// The two folders of a command: its own below the work folder (as the
// window wrote it) and that folder's copy in the output folder. Each is
// made new (a taken name gets "_2", "_3", ...: a run in the same second
// never writes into another's folder), everything in them is created
// through their descriptors without following a symlink, and unless the
// command completes both are removed again: only what the command made.
class CommandFolders {
 public:
  explicit CommandFolders(RunContext& ctx) : ctx_(ctx) {}
  ~CommandFolders() {
    if (completed_) return;
    for (ResultFolder* folder : {&copy_, &own_}) {
      if (!folder->Remove())
        ctx_.Message(SJ("途中まで書いたフォルダを削除できません: ") + folder->path());
    }
  }
  CommandFolders(const CommandFolders&) = delete;
  CommandFolders& operator=(const CommandFolders&) = delete;

  ResultFolder& own() { return own_; }
  ResultFolder& copy() { return copy_; }
  void Complete() { completed_ = true; }

 private:
  RunContext& ctx_;
  ResultFolder own_;
  ResultFolder copy_;
  bool completed_ = false;
};

// A folder that could not be made or written: one message naming it (or,
// when the system refused something before, naming that first refusal).
void FolderFailed(RunContext& ctx, const std::string& text, const ResultFolder& folder) {
  if (StorageFailure() != 0)
    ctx.Message(StorageFailureMessage());
  else
    ctx.Message(text + FromDiskName(folder.failed_path()) + " (" + std::strerror(folder.error()) + ")");
}

// The command's own folder below `parent`: "%m%d%H%M%S" + "_" + name. False
// when the name cannot be part of a file name (logged) or the folder cannot
// be made (named).
bool MakeStampedFolder(RunContext& ctx, std::string_view where, const std::string& parent, const std::string& name,
                       ResultFolder& folder) {
  const std::string folder_name = FormatLocalTime("%m%d%H%M%S") + "_" + name;
  if (!CheckFileName(ctx, where, folder_name)) return false;
  if (folder.Create(parent, folder_name)) return true;
  FolderFailed(ctx, SJ("フォルダを作成できません: "), folder);
  return false;
}

// A new file of the command's folder, created through its descriptor; a
// page starts with the charset tag.
bool NewFile(ResultFolder& folder, TextWriter& file, const std::string& name, bool page) {
  const int fd = folder.CreateFile(name);
  if (fd < 0) return false;
  file.Adopt(fd, JoinPath(folder.path(), name));
  if (page) file.Write(work::kHtmlCharsetTag);
  return true;
}

// Whether anything the command wrote or read so far failed; when it did,
// the one message naming the failure has been shown.
bool WritingFailed(RunContext& ctx, const ResultFolder& folder) {
  if (folder.error() != 0) {
    FolderFailed(ctx, SJ("書き込めません: "), folder);
    return true;
  }
  if (StorageFailure() != 0) {
    ctx.Message(StorageFailureMessage());
    return true;
  }
  return false;
}

// The two-frame index of a command's folder.
bool WriteCommandIndex(ResultFolder& folder, const std::string& mid, const std::string& view) {
  TextWriter page;
  if (!NewFile(folder, page, "index.html", true)) return false;
  page.Write("<html>");
  page.Write("<head>");
  page.Write(SJ("<title>プログラム リバース</title>"));
  page.Write("</head>");
  page.Write("<frameset cols='200,*'>");
  page.Write("<frame name='mid' src='.\\" + mid + "'>");
  page.Write("<frame name='view' src='.\\" + view + "'>");
  page.Write("</frameset>");
  return page.Close();
}

// A failure of the system (named) or a stop ("実行中断") ends the command:
// true when one of them did, its message shown.
bool Interrupted(RunContext& ctx, const ResultFolder& folder) {
  if (WritingFailed(ctx, folder)) return true;
  if (ctx.progress.stop_flag.load() != 1) return false;
  ctx.ShowStatus(SJ("実行中断"));
  return true;
}

// The command's folder copied into the output folder, under the same name
// (or the next free one). False when it could not be copied completely or
// the command was stopped meanwhile (the message has been shown).
bool CopyIntoOutput(RunContext& ctx, CommandFolders& folders) {
  ResultFolder& copy = folders.copy();
  if (!copy.Create(ctx.options.output_folder, folders.own().name())) {
    FolderFailed(ctx, SJ("コピー失敗: "), copy);
    return false;
  }
  switch (copy.CopyContentsOf(folders.own().path(), [&ctx] { return ctx.StopRequested(); })) {
    case CopyResult::kDone:
      return true;
    case CopyResult::kStopped:
      Interrupted(ctx, copy);
      return false;
    case CopyResult::kWriteFailed:
      FolderFailed(ctx, SJ("コピー失敗: "), copy);
      return false;
    case CopyResult::kSourceMissing:
      ctx.Message(SJ("コピー失敗"));
      return false;
  }
  return false;
}

// index.html of the copy, opened with the shell's "open".
void OpenCopiedIndex(RunContext& ctx, const ResultFolder& copy) {
  if (!ctx.ui.Open(JoinPath(copy.path(), "index.html"))) ctx.Message(SJ("起動失敗"));
}

// A file-level variable of the last analysis: a declaration of ValList.txt
// or a line of the variable list ValList2.txt (up to "@1END").
bool IsFileLevelVariable(const std::string& variable) {
  std::string line, type, name;
  LineReader declarations;
  declarations.OpenWorkFile(work::Path(work::kValList));
  while (declarations.ReadLineNoEol(line)) {
    if (line.empty()) continue;
    SplitTypeAndName(line, type, name);
    if (name == variable) return true;
  }
  LineReader list;
  list.OpenWorkFile(work::Path(work::kValList2));
  while (list.ReadLineNoEol(line) && line != "@1END")
    if (line == variable) return true;
  return false;
}

// A plain name several files define names no one record: the message
// lists its records, one of which is to be chosen. False for other names.
bool TellDefinitions(RunContext& ctx, const DefinitionIndex& definitions, char kind, const std::string& name) {
  if (!definitions.Several(kind, name)) return false;
  std::string text = SJ("同名の定義が複数あります。記録名で指定してください:");
  for (const Definition* d : definitions.Definitions(kind, name)) {
    const std::string entry = "\n" + d->record + "  (" + d->path + ")";
    if (text.find(entry) == std::string::npos) text += entry;
  }
  ctx.Message(text);
  return true;
}

// Records of the work folder that could not be read: one log line each and
// one message. True when there was one: the command's result is then
// incomplete and is not announced as a result.
bool ReportDamagedRecords(RunContext& ctx, const std::vector<RecordStore::Damaged>& damaged) {
  if (damaged.empty()) return false;
  for (const RecordStore::Damaged& record : damaged)
    ctx.log.Finding(record.path, 0, SJ("作業フォルダ"), record.why);
  ctx.Message(SJ("作業フォルダの記録が読めません: ") + damaged.front().path + " (" + damaged.front().why + ")" +
              (damaged.size() > 1 ? SJ(" ほか") + std::to_string(damaged.size() - 1) + SJ("件") : std::string()) +
              SJ(" 詳細は AnalyzeLog.txt"));
  return true;
}

constexpr std::string_view kCommandBodyHead =
    "<BODY bgcolor='white' link='black' vlink='black' alink=' black'><font size='2'><font color='black'>";

bool TreeCommand(RunContext& ctx, const std::string& function, NameSource source, CommandFolders& folders,
                 std::string* written_to) {
  ctx.ShowStatus(SJ("コールツリーHTML作成中"));
  if (!CheckChosenName(ctx, function, source, "SELECT FUNCTION")) return false;
  const std::string records_folder = work::Path(work::kFunctionList4);
  if (!IsDirectory(records_folder)) {
    ctx.Message(SJ("解析結果がありません"));
    return false;
  }
  ResultFolder& folder = folders.own();
  RecordStore records(records_folder);
  const int id = records.Lookup(function);
  if (id < 0 && TellDefinitions(ctx, records.definitions(), 'F', function)) return false;
  if (id < 0) {
    if (!WritingFailed(ctx, folder)) ctx.Message(SJ("該当関数が存在しません"));
    return false;
  }

  MakeFolder(work::Path(work::kHtml));
  MakeFolder(work::Path(work::kCallTree));
  if (!MakeStampedFolder(ctx, "tree", work::Path(work::kCallTree), function, folder)) return false;
  const std::string tree_name = "call_tree_" + function;
  TextWriter text, html;
  if (NewFile(folder, text, tree_name + ".txt", false) && NewFile(folder, html, tree_name + ".html", true)) {
    html.Write(kCommandBodyHead);
    html.Write(HtmlText(function) + SJ("コールツリー<BR><BR>\n"));
    CallTreeWalker walker(records);
    ChooseTreeForm(ctx, walker, {function});
    CommandTreeFiles files(text, html);
    try {
      walker.Walk(function, files);
    } catch (const std::exception&) {
      ctx.log.Finding("SearchFile_WordAls_Btn7_DirectFunc", 0, SJ("例外発生230"), "-");
    }
    text.Close();
    WriteCommandIndex(folder, function, tree_name + ".txt");
    html.Write("</font></BODY><BR><BR>");
    html.Close();
  }
  if (Interrupted(ctx, folder)) return false;
  if (ReportDamagedRecords(ctx, records.damaged())) {
    WritingFailed(ctx, folder);  // the log lines, too, may have been refused
    return false;
  }

  ctx.ShowStatus(SJ("コールツリー完了"));
  // The function's record is the index's left frame.
  if (folder.CopyFile(JoinPath(records_folder, records.name(id)), function) != CopyResult::kDone) {
    if (!Interrupted(ctx, folder)) ctx.Message(SJ("コピー失敗"));
    return false;
  }
  if (!CopyIntoOutput(ctx, folders)) return false;
  ctx.ShowStatus(SJ("コールツリー完了"));
  // The last moment a stop is honoured: after it the command has completed.
  if (Interrupted(ctx, folders.copy())) return false;
  folders.Complete();
  ctx.Message(SJ("コールツリー作成完了"));
  if (written_to != nullptr) *written_to = folders.copy().path();
  OpenCopiedIndex(ctx, folders.copy());
  return true;
}

// The access scan over every record in listing order, then the annotated
// copy of the whole-run tree. The key is the variable followed by a blank,
// the variable standing whole.
// `chosen`, when set, is one of several definitions of the name: only the
// functions whose file reaches it count.
void ScanVariable(RunContext& ctx, RecordStore& records, const std::string& variable, const Definition* chosen,
                  TextWriter& list, TextWriter& page, ResultFolder& folder, const std::string& annotated_name,
                  std::vector<RecordStore::Damaged>& damaged) {
  auto reaches = [&](int id) {
    return chosen == nullptr ||
           records.definitions().ResolveFromRecord('V', variable, records.name(id)) == chosen->record;
  };
  if (!records.folder_found()) return;
  list.Write("\n");
  page.Write("<BR>\n");
  long total = 0, reads = 0, writes = 0;
  for (int id = 0; id < records.size(); ++id) {
    if (ctx.StopRequested()) break;
    const std::string& name = records.name(id);
    ctx.ShowDetail(name);
    const CallRecord& record = records.Get(id);
    if (!reaches(id)) continue;
    bool matched = false;
    for (const std::string& line : record.accesses) {
      if (FindWholeName(line, variable, " ") == std::string::npos) continue;
      ++total;
      if (!matched) {
        matched = true;
        list.Write(name + "\n");
        page.Write("<A href= ..\\" + name + ".html>" + HtmlText(name) + "</A><BR>\n");
      }
      if (line.find("[R]") != std::string::npos)
        ++reads;
      else
        ++writes;
      list.Write("\t" + line + "\n");
      page.Write(SJ("　　　") + HtmlText(line) + "<BR>\n");
    }
    if (matched && record.accesses_closed) {
      list.Write("\n");
      page.Write("<BR>\n");
    }
  }
  list.Write(SJ("\nアクセス数 ") + std::to_string(total) + SJ(" アクセス\n"));
  list.Write("   [R]   " + std::to_string(reads) + SJ(" アクセス数\n"));
  list.Write("   [W]   " + std::to_string(writes) + SJ(" アクセス数\n"));

  LineReader tree;
  const ReadProblem problem = tree.OpenWorkFile(work::Path("HTML/CallTree/call_tree.txt"));
  if (problem != ReadProblem::kNone) {
    if (problem != ReadProblem::kMissing) damaged.push_back({work::Path("HTML/CallTree/call_tree.txt"), ReadProblemText(problem)});
    return;
  }
  TextWriter annotated;
  if (!NewFile(folder, annotated, annotated_name, false)) return;
  std::string line;
  while (tree.ReadLineNoEol(line)) {
    annotated.Write(line + "\n");
    int depth = 0;
    const int id = records.Lookup(TreeLineName(line, &depth));
    if (id < 0 || !reaches(id)) continue;
    for (const std::string& access : records.Get(id).accesses) {
      if (FindWholeName(access, variable, " ") == std::string::npos) continue;
      annotated.Write(std::string(depth + 2, '\t') + SJ("▲") + access + "\n");
    }
  }
}

bool VariableCommand(RunContext& ctx, const std::string& variable, NameSource source, CommandFolders& folders,
                     std::string* written_to) {
  if (!CheckChosenName(ctx, variable, source, "SELECT RAM VALUE")) return false;
  const std::string records_folder = work::Path(work::kFunctionList4);
  if (!IsDirectory(records_folder)) {
    ctx.Message(SJ("解析結果がありません"));
    return false;
  }
  ResultFolder& folder = folders.own();
  // A variable several files define is chosen by its record name.
  DefinitionIndex definitions;
  definitions.Load();
  const Definition* chosen = definitions.ByRecord(variable, 'V');
  if (chosen != nullptr && !definitions.Several('V', chosen->name)) chosen = nullptr;
  if (chosen == nullptr && TellDefinitions(ctx, definitions, 'V', variable)) return false;
  if (!IsFileLevelVariable(chosen != nullptr ? chosen->name : variable)) {
    if (!WritingFailed(ctx, folder)) ctx.Message(SJ("該当変数が存在しません"));
    return false;
  }
  ctx.ShowStatus(variable + SJ("変数分析中"));
  MakeFolder(work::Path(work::kRamD));
  if (!MakeStampedFolder(ctx, "variable", work::Path(work::kRamD), variable, folder)) return false;
  const std::string base = "Ram_" + variable;
  if (!CheckFileName(ctx, "variable", base + "Tree.txt")) return false;
  RecordStore records(records_folder);
  std::vector<RecordStore::Damaged> damaged;
  TextWriter list, page;
  if (NewFile(folder, list, base + ".txt", false) && WriteCommandIndex(folder, base + ".txt", base + "Tree.txt") &&
      NewFile(folder, page, base + ".html", true)) {
    page.Write(std::string(kCommandBodyHead) + "\n");
    page.Write(HtmlText(variable) + SJ("コールツリー<BR><BR>\n"));
    try {
      ScanVariable(ctx, records, chosen != nullptr ? chosen->name : variable, chosen, list, page, folder,
                   base + "Tree.txt", damaged);
    } catch (const std::exception&) {
      ctx.log.Finding("SearchFile_RamAls_Btn8_DirectRAM", 0, SJ("例外発生280コールツリー"), "-");
    }
    page.Write("</font></BODY><BR><BR>");
    list.Close();
    page.Close();
  }
  if (Interrupted(ctx, folder)) return false;
  damaged.insert(damaged.begin(), records.damaged().begin(), records.damaged().end());
  if (ReportDamagedRecords(ctx, damaged)) {
    WritingFailed(ctx, folder);  // the log lines, too, may have been refused
    return false;
  }

  ctx.ShowStatus(variable + SJ("変数分析終了"));
  if (!CopyIntoOutput(ctx, folders)) return false;
  // The last moment a stop is honoured: after it the command has completed.
  if (Interrupted(ctx, folders.copy())) return false;
  folders.Complete();
  ctx.Message(variable + SJ("変数分析終了"));
  if (written_to != nullptr) *written_to = folders.copy().path();
  OpenCopiedIndex(ctx, folders.copy());
  return true;
}

}  // namespace

bool RunFunctionTreeCommand(RunContext& ctx, const std::string& function, NameSource source,
                            std::string* written_to) {
  RunLock lock;
  if (!BeginWorkFolderCommand(ctx, lock)) return false;
  if (work::IsInsideWorkFolder(ctx.options.output_folder)) {
    ctx.Message(work::OutputInsideWorkFolderText(ctx.options.output_folder));
    return false;
  }
  CommandFolders folders(ctx);
  try {
    return TreeCommand(ctx, function, source, folders, written_to);
  } catch (const std::exception&) {
    ctx.log.Finding("OnButton7", 0, SJ("例外発生220"), "-");
    return false;
  }
}

bool RunVariableCommand(RunContext& ctx, const std::string& variable, NameSource source,
                        std::string* written_to) {
  RunLock lock;
  if (!BeginWorkFolderCommand(ctx, lock)) return false;
  if (work::IsInsideWorkFolder(ctx.options.output_folder)) {
    ctx.Message(work::OutputInsideWorkFolderText(ctx.options.output_folder));
    return false;
  }
  CommandFolders folders(ctx);
  try {
    return VariableCommand(ctx, variable, source, folders, written_to);
  } catch (const std::exception&) {
    ctx.log.Finding("OnButton8", 0, SJ("例外発生270変数分析"), "-");
    return false;
  }
}

}  // namespace kv
