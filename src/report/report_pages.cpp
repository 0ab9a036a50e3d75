#include "report/report_pages.h"

#include <fcntl.h>
#include <unistd.h>

#include <unordered_set>

#include "run/folder_utils.h"
#include "run/work_folder.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/html_text.h"
#include "platform/paths.h"
#include "report/call_records.h"

namespace kv {
namespace {

// The head of the two list pages: a link there shows one page in the mid
// frame and another in the view frame.
constexpr std::string_view kListScriptHead =
    "<head><script language='JavaScript'>\n"
    "<!--\n"
    "function mysetFrame(url1,url2)\n"
    "{\n"
    "parent.mid.location.href = url1;\n"
    "parent.view.location.href = url2;\n"
    "}\n"
    "-->\n"
    "</script>\n"
    "</head>\n";

constexpr std::string_view kNotFound = "Not Found Function";

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    char a = text[text.size() - suffix.size() + i], b = suffix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

bool CreateFile(TextWriter& file, std::string_view path, FileWriteQueue* queue) {
  return file.Open(path, WriteMode::kTruncate, queue);
}

bool CreatePage(TextWriter& page, std::string_view path, FileWriteQueue* queue) {
  if (!CreateFile(page, path, queue)) return false;
  page.Write(work::kHtmlCharsetTag);
  return true;
}

bool CheckFileName(RunContext& ctx, std::string_view where, std::string_view name) {
  if (work::IsSafeComponent(name)) return true;
  ctx.log.Finding(where, 0, name, SJ("ファイル名にできない名前 出力せず"));
  return false;
}

bool WriteTopPage(RunContext& ctx) {
  const std::string path = work::Path("HTML/top.html");
  TextWriter page;
  if (!CreatePage(page, path)) {
    ctx.log.Note(path, "FILE NOT OPEN\n");
    ctx.Message(SJ("TOP HTML 作成失敗"));
    return false;
  }
  page.Write("<BODY bgcoIor='white'><font size='2'><font color='black'>\n");
  page.Write("<B><< ");
  WriteHtmlText(page, ctx.options.source_folder);
  page.Write(SJ(" >> 解析結果</B><BR>"));
  page.Write(SJ("<A href= ..\\FileFuncInfo.txt target='view'>　[関数情報]</A>"));
  page.Write(SJ("<A href= .\\Funclist.html target='list'>　[関数一覧]</A>"));
  page.Write(SJ("<A href= .\\ValList.html target='list'>　[変数一覧]</A>"));
  page.Write(SJ("<A href= .\\CallTree\\CallTree_index.html target='list'>　[コールツリー一覧]</A>"));
  page.Write(SJ("<A href= .\\DefList.html target='list'>　[参照定義]</A>"));
  return true;
}

void WriteFunctionListPage(RunContext& ctx, RecordStore& records) {
  const std::string path = work::Path("HTML/Funclist.html");
  DeleteFile(path);
  LineReader prototypes;
  if (!prototypes.Open(work::Path(work::kFuncListProtType))) {
    ctx.log.Note(path, "FILE CREATE FAIL\n");
    ctx.Message(SJ("関数リスト存在せず"));
    return;
  }
  TextWriter page;
  if (!CreatePage(page, path)) {
    ctx.Message(SJ("FUCNLIST HTML 作成失敗"));
    return;
  }
  page.Write(kListScriptHead);
  page.Write(SJ("関数一覧<BR><BR>\n"));
  // The link names the record's file (and the page of the same spelling);
  // the text shows the name as the list gives it.
  auto write_entry = [&page](const std::string& file, const std::string& name) {
    page.Write("<A href=\"javaScript:mysetFrame( '../FunctionList4/");
    page.Write(file);
    page.Write("','");
    page.Write(file);
    page.Write(".html')\">");
    WriteHtmlText(page, name);
    page.Write("</A><BR>\n");
  };
  std::unordered_set<std::string> listed;
  std::string line;
  while (prototypes.ReadLineNoEol(line)) {
    if (line.empty()) continue;
    const std::string name = SplitPrototype(line).name;
    if (!CheckFileName(ctx, "Funclist.html", name)) continue;
    if (records.Lookup(name) < 0) {
      TextWriter record;
      if (CreateFile(record, JoinPath(work::Path(work::kFunctionList4), name))) {
        record.Write(kNotFound);
        if (record.Close()) records.Add(name);
      }
      TextWriter source;
      if (CreatePage(source, JoinPath(work::Path(work::kHtml), name + ".html"))) source.Write(kNotFound);
    }
    const int id = records.Lookup(name);
    const std::string& file = id < 0 ? name : records.name(id);
    listed.insert(file);
    write_entry(file, name);
  }
  // Then every function defined without a prototype (main, static helpers),
  // once each, in definition order; only those with a record, so that
  // every link finds its record and page.
  LineReader definitions(work::Path(work::kFuncListBody));
  while (definitions.ReadLineNoEol(line)) {
    if (line.empty()) continue;
    const std::string name = SplitPrototype(line).name;
    const int id = work::IsSafeComponent(name) ? records.Lookup(name) : -1;
    if (id >= 0 && listed.insert(records.name(id)).second) write_entry(records.name(id), name);
  }
}

void WriteVariableListPage(RunContext& ctx) {
  const std::string path = work::Path("HTML/ValList.html");
  DeleteFile(path);
  const std::string list_path = work::Path(work::kValList);
  LineReader declarations;
  if (!declarations.Open(list_path)) {
    ctx.log.Note(list_path, "FILE NOT OPEN\n");
    ctx.Message(SJ("関数リスト存在せず"));
    return;
  }
  TextWriter page;
  if (!CreatePage(page, path)) {
    ctx.log.Note(path, "LIST CREATE FAIL\n");
    ctx.Message(SJ("VALリスト作成失敗"));
    return;
  }
  page.Write(kListScriptHead);
  page.Write(SJ("変数一覧<BR><BR>\n"));
  std::string line, type, name;
  while (declarations.ReadLineNoEol(line)) {
    if (line.empty()) continue;
    SplitTypeAndName(line, type, name);
    page.Write("<A href=\"javaScript:mysetFrame( '../RAM/");
    page.Write(name);
    page.Write("','./RAM/");
    page.Write(name);
    page.Write(".html')\">");
    WriteHtmlText(page, name);
    page.Write("</A><BR>\n");
  }
}

std::string DefinitionLabel(std::string_view file_name) {
  std::string label(file_name);
  size_t def = label.find("DEF_");
  if (def != std::string::npos) label.erase(def, 4);
  if (EndsWithIgnoringCase(label, ".dat")) label.erase(label.size() - 4);
  return label;
}

StageOutcome WriteDefinitionPages(RunContext& ctx) {
  const std::string def_folder = work::Path("HTML/DEF");
  MakeFolder(def_folder);
  TextWriter page;
  CreatePage(page, work::Path("HTML/DefList.html"));
  const std::string dat_folder = work::Path(work::kDef3);
  DirListing listing = ListDirectory(dat_folder, "*.dat");
  if (!listing.found) {
    ctx.log.Note(JoinPath(dat_folder, "*.dat"), "FILE NOT OPEN\n");
    ctx.Message(SJ("DEFファイル開けず"));
  }
  page.Write(SJ("参照定義 （ファイル毎）<BR><BR>\n"));
  for (const DirEntry& entry : listing.entries) {
    if (ctx.StopRequested()) return StageOutcome::kStopRun;
    if (entry.is_dir || entry.name.find("DEF_") == std::string::npos) continue;
    const std::string label = DefinitionLabel(entry.name);
    if (!CheckFileName(ctx, "DefList.html", label)) continue;
    page.Write("<A href= .\\DEF\\");
    page.Write(label);
    page.Write(".html target='view'>");
    WriteHtmlText(page, label);
    page.Write("</A><BR>\n");
    LineReader definitions(JoinPath(dat_folder, entry.name));
    TextWriter definition_page;
    if (!CreatePage(definition_page, JoinPath(def_folder, label + ".html"))) continue;
    std::string line;
    while (definitions.ReadLineNoEol(line)) {
      WriteHtmlText(definition_page, line);
      definition_page.Write("<BR>\n");
    }
  }
  return StageOutcome::kContinue;
}

void WriteCallTreeIndexHead(RunContext&) {
  TextWriter page;
  if (!CreatePage(page, work::Path("HTML/CallTree/CallTree_index.html"))) return;
  page.Write(SJ("ツリー基点 関数<BR><BR>\n"));
  page.Write(SJ("<A href= .\\call_tree.txt target='view'>全ツリー表示</A><BR>\n"));
}

bool WriteIndexPage(RunContext&) {
  TextWriter page;
  if (!CreatePage(page, work::Path(work::kIndexHtml))) return false;
  page.Write("<html>");
  page.Write("<head>");
  page.Write(SJ("<title>プログラム リバース</title>"));
  page.Write("</head>");
  page.Write("<frameset rows='50,*'>");
  page.Write("<frame name='top' src= '.\\HTML\\top.html'>");
  page.Write("<frameset cols='250,*'>");
  page.Write("<frame name='list' src= '.\\HTML\\Funclist.html'>");
  page.Write("<frameset cols='200,*'>");
  page.Write("<frame name='mid' src='.\\brimsole.html'>");
  page.Write("<frame name='view' src='.\\FileFuncInfo.txt'>");
  page.Write("</frameset></frameset></frameset>");
  return page.Close();
}

bool WriteBrimsolePage(RunContext&) {
  TextWriter page;
  if (!CreatePage(page, work::Path(work::kBrimsoleHtml))) return false;
  page.Write(SJ("<H3>解析結果をフレーム上・左のメニューからえらんでください<BR>\n"));
  page.Write(SJ("ここに表示されます<BR></H3>\n"));
  return page.Close();
}

}  // namespace kv
