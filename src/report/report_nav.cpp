#include "report/report_nav.h"

#include <filesystem>
#include <unordered_set>

#include "run/folder_utils.h"
#include "run/work_folder.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/html_text.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "report/call_graph_pages.h"
#include "report/call_records.h"
#include "report/call_tree.h"
#include "report/code_view.h"
#include "report/report_pages.h"
#include "report/search_index.h"

namespace kv {
namespace {

constexpr std::string_view kNotFound = "Not Found Function";
// The record pane for a function the project calls but does not define.
constexpr std::string_view kNoRecordPage = "(none).html";

// A name inside a JavaScript string in single quotes.
std::string JsQuoted(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\'' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

// The name the record gives itself, else its file's name (a placeholder);
// one of several definitions of a name by its record name, which carries
// its file.
const std::string& ShownName(RecordStore& records, int id) {
  const CallRecord& record = records.Get(id);
  return record.name.empty() || records.Qualified(id) ? records.name(id) : record.name;
}

std::string FilePlace(const CallRecord& record, const CodeLine& at) {
  return record.file + ":" + std::to_string(at.line);
}

bool IsCallSection(std::string_view tag) {
  static const std::string kTags[] = {SJ("[コール関数]"), SJ("[コール関数（定義あり）]"), SJ("[コール関数（定義なし）]"),
                                      SJ("[マクロ関数]"), SJ("[コール元]")};
  for (const std::string& t : kTags)
    if (tag == t) return true;
  return false;
}

constexpr std::string_view kRecordStyle =
    "<style>body{margin:4px;font-size:13px}pre{font:12px/1.3 monospace;margin:4px 0}b{color:#036}"
    "div{font:12px sans-serif}</style>\n";

void WriteRecordPage(RecordStore& records, int id, LineReader& in, const CodeLine& at, const std::string& folder,
                     FileWriteQueue* queue) {
  const std::string& name = records.name(id);
  const CallRecord& record = records.Get(id);
  TextWriter page;
  if (!CreatePage(page, JoinPath(folder, name + ".html"), queue)) return;
  std::string out = "<title>" + HtmlText(ShownName(records, id)) + "</title>\n";
  out += kRecordStyle;
  out += "<div><b>" + HtmlText(ShownName(records, id)) + "</b>";
  if (at.found()) out += SJ("　<a href=\"../") + at.Address() + "\" target=view>" + HtmlText(FilePlace(record, at)) + "</a>";
  out += SJ("　<a href=\"../../index.html#") + HrefText(name) + SJ("\" target=_top>[リンク]</a>");
  out += SJ("　<a href=\"../../FunctionList4/") + HrefText(name) + SJ("\">[テキスト]</a></div>\n<pre>");
  bool calls = false;
  std::string line;
  while (in.ReadLineNoEol(line)) {
    if (!line.empty() && line.front() == '[' && line.back() == ']') {
      calls = IsCallSection(line);
      out += "<b>" + HtmlText(line) + "</b>\n";
      continue;
    }
    const int callee = calls && !line.empty() && line != "NONE" ? records.LookupCallee(id, SplitCallEntry(line).name) : -1;
    if (callee >= 0 && !records.name(callee).empty()) {
      out += "<a href=\"../" + HrefText(records.name(callee)) + ".html\" target=view>" + HtmlText(line) + "</a>\n";
    } else {
      out += HtmlText(line) + "\n";
    }
  }
  out += "</pre>\n";
  page.Write(out);
}

}  // namespace

RecordPages::RecordPages(RunContext& ctx, RecordStore& records)
    : ctx_(ctx), records_(records), folder_(work::Path(kRecordPageFolder)) {
  RemoveFolderTree(folder_);
  if (!MakeFolder(folder_)) return;
  ready_ = true;
  written_.assign(static_cast<size_t>(records.size()), false);
  TextWriter none;
  if (CreatePage(none, JoinPath(folder_, kNoRecordPage)))
    none.Write(SJ("<div style='font:12px sans-serif'>記録なし: プロジェクトに本体のない関数です（ライブラリ関数など）。</div>\n"));
}

void RecordPages::Write(int id, const std::string& text, const CodeLine& at) {
  const auto i = static_cast<size_t>(id);
  if (!ready_ || i >= written_.size() || !work::IsSafeComponent(records_.name(id))) return;
  written_[i] = true;
  LineReader in;
  in.OpenText(text);
  WriteRecordPage(records_, id, in, at, folder_, ctx_.deferred_files);
}

void RecordPages::Finish(const CodeIndex& code) {
  if (!ready_) return;
  for (int id = 0; id < records_.size(); ++id) {
    if (ctx_.StopRequested()) return;
    const auto i = static_cast<size_t>(id);
    if ((i < written_.size() && written_[i]) || !work::IsSafeComponent(records_.name(id))) continue;
    LineReader in;
    if (in.OpenWorkFile(JoinPath(records_.folder(), records_.name(id))) != ReadProblem::kNone) continue;
    const CodeLine none;
    WriteRecordPage(records_, id, in, i < code.functions.size() ? code.functions[i] : none, folder_, ctx_.deferred_files);
  }
}

void WriteRecordPages(RunContext& ctx, RecordStore& records, const CodeIndex& code) {
  RecordPages pages(ctx, records);
  pages.Finish(code);
}

std::string ShowRecordScript(const std::string& record_page) {
  return "<script>try{if(parent!==self&&parent.mid)parent.mid.location.replace('REC/" + JsQuoted(record_page) +
         "')}catch(e){}</script>\n";
}

// The placeholder pages of callees without a body ("Not Found Function"):
// they too show their record (or that there is none) beside them, so that
// a ◆ link never leaves the previous function's record in place.
// `linked`: the pages AddSourcePageLinks gave their links (none of them a
// placeholder), by their names on disk.
void AddPlaceholderScripts(RunContext& ctx, RecordStore& records, const std::string& html,
                           const std::unordered_set<std::string>& linked) {
  // The body analysis writes the bare text, the function list the page.
  const std::string page = std::string(work::kHtmlCharsetTag) + std::string(kNotFound);
  for (const DirEntry& entry : ListDirectory(html, "*.html").entries) {
    if (ctx.StopRequested()) return;
    if (entry.is_dir || linked.count(entry.name) > 0) continue;
    const std::string path = JoinPath(html, entry.name);
    std::error_code error;
    if (std::filesystem::file_size(ToDiskPath(path), error) > page.size() + 2 || error) continue;  // a page of its own
    LineReader in;
    if (in.OpenWorkFile(path) != ReadProblem::kNone || (in.text() != page && in.text() != kNotFound)) continue;
    const std::string name = entry.name.substr(0, entry.name.size() - 5);
    const int id = records.Lookup(name);
    const std::string record_page = id >= 0 ? HrefText(records.name(id)) + ".html" : std::string(kNoRecordPage);
    TextWriter out;
    if (CreateFile(out, path, ctx.deferred_files)) out.Write(in.text() + ShowRecordScript(record_page));
  }
}

void AddSourcePageLinks(RunContext& ctx, RecordStore& records, const CodeIndex& code) {
  const std::string html = work::Path(work::kHtml);
  const std::string head = "<font size='2'>";
  // The pictures drawn, listed once.
  std::unordered_set<std::string> pictures;
  if (IsDirectory(work::Path(kGraphFolder)))
    for (const DirEntry& entry : ListDirectory(work::Path(kGraphFolder), "*.svg").entries) pictures.insert(entry.name);
  std::unordered_set<std::string> linked;
  LineReader in;
  for (int id = 0; id < records.size(); ++id) {
    if (ctx.StopRequested()) return;
    const std::string& name = records.name(id);
    if (!work::IsSafeComponent(name)) continue;
    const std::string path = JoinPath(html, name + ".html");
    // The page under its exact name only: a missing name looked up ignoring
    // case would list the folder, once per function, a folder of tens of
    // thousands of pages.
    if (in.OpenWorkFile(path, WorkName::kExact) != ReadProblem::kNone) continue;
    std::string text = in.text();
    const size_t after = text.find(head);
    if (after == std::string::npos || text.find(kNotFound) != std::string::npos) continue;
    linked.insert(name + ".html");
    std::string nav = "<div style='font:12px sans-serif;margin:2px 0 6px'>";
    const CodeLine& at = code.functions[static_cast<size_t>(id)];
    if (at.found()) nav += "<A href='" + at.Address() + "'>" + HtmlText(FilePlace(records.Get(id), at)) + "</A>";
    const std::string graph = std::string(kGraphFolder.substr(5)) + "/" + name + ".svg";
    const bool drawn = pictures.count(name + ".svg") > 0;
    // The picture's link as the pictures always wrote it (their names are
    // safe); the address with its name escaped.
    if (drawn) nav += SJ("　<A href='") + graph + SJ("'>[コールグラフ]</A>");
    nav += SJ("　<A href='../index.html#") + HrefText(name) + SJ("' target='_top'>[リンク]</A></div>");
    text.insert(after + head.size(), nav);
    if (drawn) text += SJ("<BR><A href='") + graph + SJ("'>[コールグラフ]</A><BR>\n");
    // Shown in the report's frames, the page shows its record beside it.
    text += ShowRecordScript(HrefText(name) + ".html");
    TextWriter out;
    if (CreateFile(out, path, ctx.deferred_files)) out.Write(text);
  }
  AddPlaceholderScripts(ctx, records, html, linked);
}

void WriteFoldingTree(RunContext&, RecordStore& records, const std::vector<std::string>& roots) {
  // Names: the records, then the callees without one, as the trees show them.
  std::vector<std::string> names, labels;
  std::unordered_map<std::string, int> extra;
  for (int id = 0; id < records.size(); ++id) {
    names.push_back(records.name(id));
    labels.push_back(ShownName(records, id));
  }
  std::string calls;
  for (int id = 0; id < records.size(); ++id) {
    const CallRecord& record = records.Get(id);
    if (id > 0) calls += '\n';  // one line per record, in record order
    for (size_t i = 0; i < record.callees.size(); ++i) {
      int callee = record.callee_ids[i];
      if (callee < 0) {
        auto [it, added] = extra.try_emplace(record.callees[i], static_cast<int>(names.size()));
        if (added) {
          names.push_back(record.callees[i]);
          labels.push_back(record.callees[i]);
        }
        callee = it->second;
      }
      if (i > 0) calls += ',';
      calls += std::to_string(callee);
    }
  }
  std::string root_ids;
  for (const std::string& root : roots) {
    const int id = records.Lookup(root);
    if (id < 0) continue;
    if (!root_ids.empty()) root_ids += ',';
    root_ids += std::to_string(id);
  }
  auto Literal = [](const std::string& ascii) {
    std::string literal;
    JsStringLiteral(ascii, literal);
    return literal;
  };
  auto joined = [](const std::vector<std::string>& list) {
    std::string text, literal;
    for (size_t i = 0; i < list.size(); ++i) {
      std::string utf8;
      if (i > 0) text += '\n';
      if (TryToUtf8(list[i], utf8)) text += list[i];  // a name that is no Shift-JIS shows empty
    }
    JsStringLiteral(text, literal);
    return literal;
  };
  const std::string folder = work::Path(work::kCallTree);
  TextWriter script;
  if (CreateFile(script, JoinPath(folder, "full_tree.js"))) {
    script.Write("// The call tree of every root for full_tree.html: names, then per record its callees' numbers.\n");
    script.Write("var kvTree = {\nrecords: " + std::to_string(records.size()) + ",\nnames: " + joined(names) +
                 ",\nlabels: " + joined(labels) + ",\ncalls: " + Literal(calls) + ",\nroots: \"" + root_ids + "\"\n};\n");
  }
  TextWriter page;
  if (!CreatePage(page, JoinPath(folder, "full_tree.html"))) return;
  page.Write(SJ("<title>全ツリー</title>\n"));
  page.Write(
      "<style>body{font:13px sans-serif;margin:6px}ul{list-style:none;margin:0;padding-left:18px}"
      "#t>ul{padding-left:0}li{white-space:nowrap}span.k{display:inline-block;width:14px;cursor:pointer;color:#555}"
      "span.r{color:#c33}span.n{color:#777}</style>\n");
  page.Write(SJ("<b>全ツリー</b>（名前の左の印で呼び出し先を開く・閉じる。呼び出しの循環は赤い印で示す。<a href='call_tree.txt'>テキスト版</a>）<BR><BR>\n"));
  page.Write("<div id='t'></div><p id='more' style='display:none'><a href='#'>+</a></p>\n"
             "<script src='full_tree.js' charset='Shift_JIS'></script>\n");
  std::string code(
      "<script>\n"
      "(function () {\n"
      "  // Callee lists are read when their caller is opened; roots are shown 500 at a time.\n"
      "  var names = kvTree.names.split('\\n'), labels = kvTree.labels.split('\\n'), lines = kvTree.calls.split('\\n');\n"
      "  var roots = kvTree.roots === '' ? [] : kvTree.roots.split(',').map(Number), shown = 0, kStep = 500;\n"
      "  function callees(id) { return id < kvTree.records && lines[id] ? lines[id].split(',').map(Number) : []; }\n"
      "  function esc(s) { return s.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/\"/g, '&quot;'); }\n"
      "  function item(id, path) {\n"
      "    var again = path.indexOf(',' + id + ',') >= 0;\n"
      "    var html = '<li data-i=\"' + id + '\" data-p=\"' + path + id + ',\">';\n"
      "    html += id < kvTree.records && lines[id] && !again ? '<span class=\"k\">\\u25b6</span>' : '<span class=\"k\"></span>';\n"
      "    if (id < kvTree.records) html += '<a href=\"../' + encodeURIComponent(names[id]) + '.html\" target=\"view\">' + esc(labels[id]) + '</a>';\n"
      "    else html += esc(labels[id]) + '<span class=\"n\">[non]</span>';\n"
      "    if (again) html += ' <span class=\"r\">\\u21ba</span>';\n"
      "    return html + '</li>';\n"
      "  }\n"
      "  function list(ids, path) { return '<ul>' + ids.map(function (id) { return item(id, path); }).join('') + '</ul>'; }\n"
      "  var tree = document.getElementById('t'), more = document.getElementById('more');\n"
      "  function showRoots() {\n"
      "    var next = roots.slice(shown, shown + kStep);\n"
      "    tree.insertAdjacentHTML('beforeend', list(next, ','));\n"
      "    shown += next.length;\n"
      "    more.style.display = shown < roots.length ? '' : 'none';\n"
      "    more.firstChild.textContent = '%MORE%' + (roots.length - shown);\n"
      "  }\n"
      "  more.addEventListener('click', function (e) { e.preventDefault(); showRoots(); });\n"
      "  showRoots();\n"
      "  tree.addEventListener('click', function (e) {\n"
      "    var k = e.target;\n"
      "    if (k.className !== 'k' || k.textContent === '') return;\n"
      "    var li = k.parentNode, open = li.querySelector('ul');\n"
      "    if (open) { open.remove(); k.textContent = '\\u25b6'; return; }\n"
      "    li.insertAdjacentHTML('beforeend', list(callees(+li.dataset.i), li.dataset.p));\n"
      "    k.textContent = '\\u25bc';\n"
      "  });\n"
      "})();\n"
      "</script>\n");
  const std::string more = "%MORE%";
  code.replace(code.find(more), more.size(), SJ("残りの基点関数を表示: "));
  page.Write(code);
}

void WriteGraphLegend(RunContext&) {
  const std::string folder = work::Path(kGraphFolder);
  if (!IsDirectory(folder)) return;
  TextWriter page;
  if (!CreatePage(page, JoinPath(folder, "legend.html"))) return;
  page.Write(SJ(
      "<title>コールグラフの凡例</title>\n"
      "<BODY style='font:13px sans-serif'><b>コールグラフの凡例</b><BR><BR>\n"
      "<svg width='520' height='190' style='font:11px sans-serif'>\n"
      "<rect x='4' y='4' width='90' height='22' fill='#ffffcc' stroke='black' stroke-width='2'/>"
      "<text x='49' y='19' text-anchor='middle'>func</text>"
      "<text x='110' y='19'>太枠・黄: この図の関数</text>\n"
      "<rect x='4' y='36' width='90' height='22' fill='#ccffff' stroke='black'/>"
      "<text x='49' y='51' text-anchor='middle'>callee</text>"
      "<text x='110' y='51'>箱: 本体のある関数（クリックでその関数のページ）</text>\n"
      "<ellipse cx='49' cy='79' rx='45' ry='11' fill='none' stroke='#666666' stroke-dasharray='5,2'/>"
      "<text x='49' y='83' text-anchor='middle' fill='#666666'>printf</text>"
      "<text x='110' y='83'>破線の楕円: プロジェクトに本体のない関数（ライブラリなど）</text>\n"
      "<polygon points='14,111 84,111 94,100 84,89 14,89 4,100' fill='none' stroke='#996600' stroke-dasharray='5,2'/>"
      "<text x='49' y='104' text-anchor='middle' fill='#996600'>MACRO</text>"
      "<text x='110' y='104'>破線の六角形: マクロ</text>\n"
      "<line x1='4' y1='128' x2='94' y2='128' stroke='#CC3333' stroke-width='1.5'/>"
      "<text x='110' y='132'>赤い矢印: すでに描いた関数へ戻る呼び出し（再帰・循環）</text>\n"
      "<text x='49' y='163' text-anchor='middle' fill='#666666'>+N more</text>"
      "<text x='110' y='163'>+N more: 列に入りきらなかった N 個の関数</text>\n"
      "</svg><BR>\n"
      "左の列が呼び出し元、中央がこの関数、右の二列がこの関数の呼び出し先（二段目はその呼び出し先）です。<BR>\n"));
}

std::string DeepLinkScript() {
  // Frames are named elements of this page: setting their src is always
  // allowed, whatever origin a file:// page has.
  return "<script>\n"
         "function kvOpen() {\n"
         "  var name = location.hash.slice(1);\n"
         "  if (name === '') return;\n"
         "  try { name = decodeURIComponent(name); } catch (e) {}\n"
         "  var path = encodeURIComponent(name);\n"
         "  var frame = function (n) { return document.getElementsByName(n)[0]; };\n"
         "  if (!frame('mid') || !frame('view')) return;\n"
         "  frame('mid').src = 'HTML/REC/' + path + '.html';\n"
         "  frame('view').src = 'HTML/' + path + '.html';\n"
         "}\n"
         "window.addEventListener('DOMContentLoaded', kvOpen);\n"
         "window.addEventListener('hashchange', kvOpen);\n"
         "</script>";
}

}  // namespace kv
