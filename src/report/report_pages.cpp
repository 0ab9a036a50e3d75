#include "report/report_pages.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_set>

#include "run/folder_utils.h"
#include "run/definition_index.h"
#include "run/work_folder.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/html_text.h"
#include "platform/paths.h"
#include "report/call_records.h"
#include "report/code_view.h"
#include "report/report_nav.h"

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

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

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

std::string HrefText(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F || c == '"' || c == '\'' || c == '#' || c == '%' || c == '<' || c == '>' || c == '?') {
      out.push_back('%');
      out.push_back(kHex[u >> 4]);
      out.push_back(kHex[u & 0xF]);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

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

void AddPrototypeRecords(RunContext& ctx, RecordStore& records) {
  const std::string path = work::Path("HTML/Funclist.html");
  DeleteFile(path);
  LineReader prototypes;
  if (!prototypes.Open(work::Path(work::kFuncListProtType))) {
    ctx.log.Note(path, "FILE CREATE FAIL\n");
    ctx.Message(SJ("関数リスト存在せず"));
    return;
  }
  std::string line;
  while (prototypes.ReadLineNoEol(line)) {
    if (line.empty()) continue;
    const std::string name = SplitPrototype(line).name;
    if (!CheckFileName(ctx, "Funclist.html", name)) continue;
    // A name several files define has its records under their own names.
    if (records.Lookup(name) >= 0 || records.definitions().Several('F', name)) continue;
    TextWriter record;
    if (CreateFile(record, JoinPath(work::Path(work::kFunctionList4), name))) {
      record.Write(kNotFound);
      if (record.Close()) records.Add(name);
    }
    TextWriter source;
    if (CreatePage(source, JoinPath(work::Path(work::kHtml), name + ".html"))) source.Write(kNotFound);
  }
}

bool NameLess(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char x = LowerAscii(a[i]), y = LowerAscii(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::vector<int> FunctionListOrder(RecordStore& records) {
  std::vector<int> ids;
  for (int id = 0; id < records.size(); ++id)
    if (work::IsSafeComponent(records.name(id))) ids.push_back(id);
  auto shown = [&records](int id) -> const std::string& {
    const CallRecord& record = records.Get(id);
    return record.name.empty() ? records.name(id) : record.name;
  };
  std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) {
    const std::string &x = shown(a), &y = shown(b);
    if (x != y) return NameLess(x, y);
    return NameLess(records.Get(a).file, records.Get(b).file);
  });
  return ids;
}

void WriteFunctionListPage(RunContext& ctx, RecordStore& records, const CodeIndex& code) {
  const std::string path = work::Path("HTML/Funclist.html");
  if (!PathExists(work::Path(work::kFuncListProtType))) return;  // told by AddPrototypeRecords
  TextWriter page;
  if (!CreatePage(page, path)) {
    ctx.Message(SJ("FUCNLIST HTML 作成失敗"));
    return;
  }
  page.Write(kListScriptHead);
  page.Write(SJ("関数一覧<BR><BR>\n"));
  // Each function once, by name ignoring case, with the file that defines
  // it (a link to its line in the code view). The link names the record's
  // file (and the page of the same spelling); the text shows the name the
  // record gives.
  for (int id : FunctionListOrder(records)) {
    const std::string& file = records.name(id);
    const CallRecord& record = records.Get(id);
    page.Write("<A href=\"javaScript:mysetFrame( '../FunctionList4/");
    page.Write(file);
    page.Write("','");
    page.Write(file);
    page.Write(".html')\">");
    WriteHtmlText(page, record.name.empty() ? file : record.name);
    page.Write("</A>");
    if (!record.file.empty()) {
      const bool placed = static_cast<size_t>(id) < code.functions.size() && code.functions[static_cast<size_t>(id)].found();
      page.Write(" <font color='#666666'>");
      if (placed) page.Write("<A href='" + code.functions[static_cast<size_t>(id)].Address() + "' target='view'>");
      // One of several definitions of its name: its path tells it apart.
      const Definition* own = records.Qualified(id) ? records.definitions().ByRecord(file) : nullptr;
      WriteHtmlText(page, own != nullptr ? own->path : record.file);
      if (placed) page.Write("</A>");
      page.Write("</font>");
    }
    page.Write("<BR>\n");
  }
}

void WriteVariableListPage(RunContext& ctx, const CodeIndex& code) {
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
  std::vector<std::string> names;
  std::string line, type, name;
  while (declarations.ReadLineNoEol(line)) {
    if (line.empty()) continue;
    SplitTypeAndName(line, type, name);
    names.push_back(name);
  }
  // Each variable once, by name ignoring case, with the files that define
  // it (each a link to the line).
  std::sort(names.begin(), names.end(), NameLess);
  names.erase(std::unique(names.begin(), names.end()), names.end());
  // A name several files define: an entry per definition, named by its
  // record, with the sites in its own file.
  DefinitionIndex definitions;
  definitions.Load();
  struct Entry {
    std::string name;  // the list and page file's name
    std::string path;  // of its definition; empty: every site
  };
  std::vector<Entry> entries;
  for (const std::string& variable : names) {
    if (!definitions.Several('V', variable)) {
      entries.push_back({variable, ""});
      continue;
    }
    for (const Definition* d : definitions.Definitions('V', variable)) entries.push_back({d->record, d->path});
  }
  for (const Entry& entry : entries) {
    page.Write("<A href=\"javaScript:mysetFrame( '../RAM/");
    page.Write(entry.name);
    page.Write("','./RAM/");
    page.Write(entry.name);
    page.Write(".html')\">");
    WriteHtmlText(page, entry.name);
    page.Write("</A>");
    auto sites = code.variables.find(entry.path.empty() ? entry.name : definitions.ByRecord(entry.name, 'V')->name);
    if (sites != code.variables.end()) {
      page.Write(" <font color='#666666'>");
      bool first = true;
      for (size_t i = 0; i < sites->second.size(); ++i) {
        const CodeIndex::VariableSite& site = sites->second[i];
        const size_t slash = site.file.rfind('/');
        if (!entry.path.empty() && site.file != entry.path &&
            !(site.file.size() > entry.path.size() && site.file.ends_with("/" + entry.path)))
          continue;
        if (!first) page.Write(" ");
        first = false;
        page.Write("<A href='" + site.where.Address() + "' target='view' title='");
        WriteHtmlText(page, site.file);
        page.Write("'>");
        WriteHtmlText(page, slash == std::string::npos ? site.file : site.file.substr(slash + 1));
        page.Write("</A>");
      }
      page.Write("</font>");
    }
    page.Write("<BR>\n");
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
  // By label ignoring case (main_C, main_H, util_C, ...).
  std::stable_sort(listing.entries.begin(), listing.entries.end(), [](const DirEntry& a, const DirEntry& b) {
    return NameLess(DefinitionLabel(a.name), DefinitionLabel(b.name));
  });
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
  page.Write(SJ("<A href= .\\full_tree.html target='view'>全ツリー（折りたたみ）</A><BR>\n"));
}

bool WriteIndexPage(RunContext&) {
  TextWriter page;
  if (!CreatePage(page, work::Path(work::kIndexHtml))) return false;
  page.Write("<html>");
  page.Write("<head>");
  page.Write(SJ("<title>プログラム リバース</title>"));
  page.Write(DeepLinkScript());
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
