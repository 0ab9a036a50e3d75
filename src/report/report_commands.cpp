#include "report/report_commands.h"

#include <exception>

#include "run/folder_utils.h"
#include "run/run_lock.h"
#include "run/work_folder.h"
#include "lex/keyword_tables.h"
#include "lex/name_match.h"
#include "platform/encoding.h"
#include "platform/html_text.h"
#include "platform/paths.h"
#include "platform/shell.h"
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

// The command's own folder below `parent`: "%m%d%H%M%S" + "_" + name. Empty
// when the name cannot be part of a file name (logged) or the folder cannot
// be made.
std::string MakeStampedFolder(RunContext& ctx, std::string_view where, const std::string& parent,
                              const std::string& name, std::string& folder_name) {
  folder_name = FormatLocalTime("%m%d%H%M%S") + "_" + name;
  if (!CheckFileName(ctx, where, folder_name)) return {};
  std::string folder = JoinPath(parent, folder_name);
  if (!MakeFolder(folder)) return {};
  return folder;
}

// The two-frame index of a command's folder.
bool WriteCommandIndex(const std::string& folder, const std::string& mid, const std::string& view) {
  TextWriter page;
  if (!CreatePage(page, JoinPath(folder, "index.html"))) return false;
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

// The command's folder copied into the output folder.
void CopyIntoOutput(RunContext& ctx, const std::string& folder) {
  if (CopyFolderInto(folder, ctx.options.output_folder) == 0) ctx.Message(SJ("コピー失敗"));
}

// index.html of the copy, opened with the shell's "open".
void OpenCopiedIndex(RunContext& ctx, const std::string& folder_name) {
  const std::string index = JoinPath(JoinPath(ctx.options.output_folder, folder_name), "index.html");
  if (!ctx.ui.Open(index)) ctx.Message(SJ("起動失敗"));
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

// A stop: the command's folder removed, "実行中断".
bool EndStopped(RunContext& ctx, const std::string& folder) {
  ctx.ShowStatus(SJ("実行中断"));
  RemoveFolderTree(folder);
  return false;
}

constexpr std::string_view kCommandBodyHead =
    "<BODY bgcolor='white' link='black' vlink='black' alink=' black'><font size='2'><font color='black'>";

bool TreeCommand(RunContext& ctx, const std::string& function, NameSource source, std::string* written_to) {
  ctx.ShowStatus(SJ("コールツリーHTML作成中"));
  if (!CheckChosenName(ctx, function, source, "SELECT FUNCTION")) return false;
  const std::string records_folder = work::Path(work::kFunctionList4);
  if (!IsDirectory(records_folder)) {
    ctx.Message(SJ("解析結果がありません"));
    return false;
  }
  RecordStore records(records_folder);
  const int id = records.Lookup(function);
  if (id < 0) {
    ctx.Message(SJ("該当関数が存在しません"));
    return false;
  }

  MakeFolder(work::Path(work::kHtml));
  MakeFolder(work::Path(work::kCallTree));
  std::string folder_name;
  const std::string folder = MakeStampedFolder(ctx, "tree", work::Path(work::kCallTree), function, folder_name);
  if (folder.empty()) return false;
  const std::string tree_name = "call_tree_" + function;
  TextWriter text, html;
  if (!CreateFile(text, JoinPath(folder, tree_name + ".txt")) || !CreatePage(html, JoinPath(folder, tree_name + ".html"))) return false;
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
  if (!html.Close()) return false;
  if (ctx.StopRequested()) return EndStopped(ctx, folder);
  if (ReportDamagedRecords(ctx, records.damaged())) return false;

  ctx.ShowStatus(SJ("コールツリー完了"));
  if (!CopyFile(JoinPath(records_folder, records.name(id)), JoinPath(folder, function))) ctx.Message(SJ("コピー失敗"));
  CopyIntoOutput(ctx, folder);
  ctx.ShowStatus(SJ("コールツリー完了"));
  ctx.Message(SJ("コールツリー作成完了"));
  if (written_to != nullptr) *written_to = JoinPath(ctx.options.output_folder, folder_name);
  OpenCopiedIndex(ctx, folder_name);
  return true;
}

// The access scan over every record in listing order, then the annotated
// copy of the whole-run tree. The key is the variable followed by a blank,
// the variable standing whole.
void ScanVariable(RunContext& ctx, RecordStore& records, const std::string& variable, TextWriter& list,
                  TextWriter& page, const std::string& annotated_path, std::vector<RecordStore::Damaged>& damaged) {
  if (!records.folder_found()) return;
  list.Write("\n");
  page.Write("<BR>\n");
  long total = 0, reads = 0, writes = 0;
  for (int id = 0; id < records.size(); ++id) {
    if (ctx.StopRequested()) break;
    const std::string& name = records.name(id);
    ctx.ShowDetail(name);
    const CallRecord& record = records.Get(id);
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
  TextWriter annotated(annotated_path, WriteMode::kAppend);
  if (!annotated.is_open()) return;
  std::string line;
  while (tree.ReadLineNoEol(line)) {
    annotated.Write(line + "\n");
    int depth = 0;
    const int id = records.Lookup(TreeLineName(line, &depth));
    if (id < 0) continue;
    for (const std::string& access : records.Get(id).accesses) {
      if (FindWholeName(access, variable, " ") == std::string::npos) continue;
      annotated.Write(std::string(depth + 2, '\t') + SJ("▲") + access + "\n");
    }
  }
}

bool VariableCommand(RunContext& ctx, const std::string& variable, NameSource source, std::string* written_to) {
  if (!CheckChosenName(ctx, variable, source, "SELECT RAM VALUE")) return false;
  const std::string records_folder = work::Path(work::kFunctionList4);
  if (!IsDirectory(records_folder)) {
    ctx.Message(SJ("解析結果がありません"));
    return false;
  }
  if (!IsFileLevelVariable(variable)) {
    ctx.Message(SJ("該当変数が存在しません"));
    return false;
  }
  ctx.ShowStatus(variable + SJ("変数分析中"));
  MakeFolder(work::Path(work::kRamD));
  std::string folder_name;
  const std::string folder = MakeStampedFolder(ctx, "variable", work::Path(work::kRamD), variable, folder_name);
  if (folder.empty()) return false;
  const std::string base = "Ram_" + variable;
  if (!CheckFileName(ctx, "variable", base + "Tree.txt")) return false;
  TextWriter list;
  if (!CreateFile(list, JoinPath(folder, base + ".txt"))) return false;
  if (!WriteCommandIndex(folder, base + ".txt", base + "Tree.txt")) return false;
  TextWriter page;
  if (!CreatePage(page, JoinPath(folder, base + ".html"))) return false;
  page.Write(std::string(kCommandBodyHead) + "\n");
  page.Write(HtmlText(variable) + SJ("コールツリー<BR><BR>\n"));

  RecordStore records(records_folder);
  std::vector<RecordStore::Damaged> damaged;
  try {
    ScanVariable(ctx, records, variable, list, page, JoinPath(folder, base + "Tree.txt"), damaged);
  } catch (const std::exception&) {
    ctx.log.Finding("SearchFile_RamAls_Btn8_DirectRAM", 0, SJ("例外発生280コールツリー"), "-");
  }
  page.Write("</font></BODY><BR><BR>");
  list.Close();
  page.Close();
  if (ctx.StopRequested()) return EndStopped(ctx, folder);
  damaged.insert(damaged.begin(), records.damaged().begin(), records.damaged().end());
  if (ReportDamagedRecords(ctx, damaged)) return false;

  ctx.ShowStatus(variable + SJ("変数分析終了"));
  CopyIntoOutput(ctx, folder);
  ctx.Message(variable + SJ("変数分析終了"));
  if (written_to != nullptr) *written_to = JoinPath(ctx.options.output_folder, folder_name);
  OpenCopiedIndex(ctx, folder_name);
  return true;
}

}  // namespace

bool RunFunctionTreeCommand(RunContext& ctx, const std::string& function, NameSource source,
                            std::string* written_to) {
  RunLock lock;
  if (!BeginWorkFolderCommand(ctx, lock)) return false;
  try {
    return TreeCommand(ctx, function, source, written_to);
  } catch (const std::exception&) {
    ctx.log.Finding("OnButton7", 0, SJ("例外発生220"), "-");
    return false;
  }
}

bool RunVariableCommand(RunContext& ctx, const std::string& variable, NameSource source,
                        std::string* written_to) {
  RunLock lock;
  if (!BeginWorkFolderCommand(ctx, lock)) return false;
  try {
    return VariableCommand(ctx, variable, source, written_to);
  } catch (const std::exception&) {
    ctx.log.Finding("OnButton8", 0, SJ("例外発生270変数分析"), "-");
    return false;
  }
}

}  // namespace kv
