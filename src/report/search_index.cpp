#include "report/search_index.h"

#include <algorithm>

#include "lex/keyword_tables.h"
#include "run/work_folder.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "report/call_records.h"
#include "report/report_pages.h"

namespace kv {
namespace {

// Appended to the menu frame: the field sends every change to the result
// page in the list frame. replace() keeps the back button for the pages.
constexpr std::string_view kSearchField =
    "\n<span style='white-space:nowrap'>&nbsp;&nbsp;<input id='kvsearch' type='search' size='20' "
    "autocomplete='off' placeholder='%PLACEHOLDER%' oninput='kvSearch(this.value)'></span>\n"
    "<script>\n"
    "function kvSearch(text) {\n"
    "  var url = 'Search.html#' + encodeURIComponent(text);\n"
    "  try { parent.list.location.replace(url); } catch (e) { parent.list.location.href = url; }\n"
    "}\n"
    "</script>\n";

// The result page. The index is read once; each fragment change searches
// it again. Names are compared ignoring ASCII case; names that begin with
// the text come first, each group in name order; at most kShown per kind.
constexpr std::string_view kResultPage =
    "<head><script language='JavaScript'>\n"
    "function mysetFrame(url1,url2)\n"
    "{\n"
    "parent.mid.location.href = url1;\n"
    "parent.view.location.href = url2;\n"
    "}\n"
    "</script>\n"
    "<script src='search_index.js' charset='Shift_JIS'></script>\n"
    "</head>\n"
    "<BODY><font size='2'>\n"
    "<div id='kvresults'></div>\n"
    "<script>\n"
    "var kShown = 200;\n"
    "function kvLines(text) { return text === '' ? [] : text.split('\\n'); }\n"
    "var kvF = kvLines(kvIndex.functions), kvV = kvLines(kvIndex.variables), kvD = kvLines(kvIndex.definitions);\n"
    "function kvLower(list) { return list.map(function (s) { return s.replace(/[A-Z]+/g, function (c) { return c.toLowerCase(); }); }); }\n"
    "var kvKeysF = kvLower(kvF), kvKeysV = kvLower(kvV), kvKeysD = kvLower(kvD.map(function (s) { return s.split('\\t')[0]; }));\n"
    "function kvEscape(s) { return s.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/\"/g, '&quot;').replace(/'/g, '&#39;'); }\n"
    "function kvFind(keys, key) {\n"
    "  var first = [], rest = [];\n"
    "  for (var i = 0; i < keys.length; ++i) {\n"
    "    var at = keys[i].indexOf(key);\n"
    "    if (at === 0) first.push(i); else if (at > 0) rest.push(i);\n"
    "  }\n"
    "  return first.concat(rest);\n"
    "}\n"
    "function kvSection(title, hits, link) {\n"
    "  if (hits.length === 0) return '';\n"
    "  var html = '<B>' + title + ' (' + hits.length + ')</B><BR>\\n';\n"
    "  for (var i = 0; i < hits.length && i < kShown; ++i) html += link(hits[i]) + '<BR>\\n';\n"
    "  if (hits.length > kShown) html += '%MORE1%' + (hits.length - kShown) + '%MORE2%<BR>\\n';\n"
    "  return html + '<BR>\\n';\n"
    "}\n"
    "function kvFrames(mid, view) { return \"javaScript:mysetFrame('\" + encodeURI(mid) + \"','\" + encodeURI(view) + \"')\"; }\n"
    "function kvShow() {\n"
    "  var text = '';\n"
    "  try { text = decodeURIComponent(location.hash.slice(1)); } catch (e) { text = location.hash.slice(1); }\n"
    "  var key = text.replace(/[A-Z]+/g, function (c) { return c.toLowerCase(); });\n"
    "  var out = document.getElementById('kvresults');\n"
    "  if (key === '') { out.innerHTML = '%EMPTY%'; return; }\n"
    "  var html = '%TITLE%<B>' + kvEscape(text) + '</B><BR><BR>\\n';\n"
    "  html += kvSection('%FUNCTIONS%', kvFind(kvKeysF, key), function (i) {\n"
    "    var n = kvF[i];\n"
    "    return '<A href=\"' + kvEscape(kvFrames('REC/' + n + '.html', n + '.html')) + '\">' + kvEscape(n) + '</A>' +\n"
    "      ' <A href=\"' + kvEscape('../index.html#' + encodeURIComponent(n)) + '\" target=\"_top\" title=\"%ADDRESS%\">#</A>';\n"
    "  });\n"
    "  html += kvSection('%VARIABLES%', kvFind(kvKeysV, key), function (i) {\n"
    "    var n = kvV[i];\n"
    "    return '<A href=\"' + kvEscape(kvFrames('../RAM/' + n, './RAM/' + n + '.html')) + '\">' + kvEscape(n) + '</A>';\n"
    "  });\n"
    "  html += kvSection('%DEFINITIONS%', kvFind(kvKeysD, key), function (i) {\n"
    "    var d = kvD[i].split('\\t');\n"
    "    return '<A href=\"' + kvEscape(encodeURI('./DEF/' + d[1] + '.html')) + '\" target=\"view\">' + kvEscape(d[0]) + '</A> (' + kvEscape(d[1]) + ')';\n"
    "  });\n"
    "  if (html.indexOf('<A ') < 0) html += '%NONE%';\n"
    "  out.innerHTML = html;\n"
    "}\n"
    "window.addEventListener('hashchange', kvShow);\n"
    "kvShow();\n"
    "</script>\n";

void Replace(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

std::string ResultPage() {
  std::string page(kResultPage);
  Replace(page, "%MORE1%", SJ("… 他 "));
  Replace(page, "%MORE2%", SJ(" 件"));
  Replace(page, "%EMPTY%", SJ("検索<BR><BR>名前の一部を上の欄に入力してください"));
  Replace(page, "%TITLE%", SJ("検索: "));
  Replace(page, "%FUNCTIONS%", SJ("関数"));
  Replace(page, "%VARIABLES%", SJ("変数"));
  Replace(page, "%DEFINITIONS%", SJ("参照定義"));
  Replace(page, "%NONE%", SJ("該当なし"));
  Replace(page, "%ADDRESS%", SJ("この関数を開くレポートのアドレス"));
  return page;
}

void AppendHex4(unsigned value, std::string& out) {
  static const char kDigits[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kDigits[(value >> shift) & 0xF]);
}

// Decodes one UTF-8 sequence at `at` (valid: it came from TryToUtf8).
unsigned NextCodePoint(std::string_view utf8, size_t& at) {
  const unsigned char lead = static_cast<unsigned char>(utf8[at]);
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  unsigned value = extra == 3 ? lead & 0x07 : extra == 2 ? lead & 0x0F : extra == 1 ? lead & 0x1F : lead;
  ++at;
  for (; extra > 0 && at < utf8.size(); --extra, ++at) value = (value << 6) | (static_cast<unsigned char>(utf8[at]) & 0x3F);
  return value;
}

// The names joined by "\n", as one literal; names that are not valid
// Shift-JIS are left out (no page of theirs could be opened by name).
std::string JoinedLiteral(const std::vector<std::string>& names) {
  std::string joined, literal;
  for (const std::string& name : names) {
    std::string utf8;
    if (!TryToUtf8(name, utf8)) continue;
    if (!joined.empty()) joined += '\n';
    joined += name;
  }
  JsStringLiteral(joined, literal);
  return literal;
}

void SortDistinct(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
}

}  // namespace

bool JsStringLiteral(std::string_view cp932, std::string& literal) {
  std::string utf8;
  literal = "\"";
  if (!TryToUtf8(cp932, utf8)) {
    literal += "\"";
    return false;
  }
  for (size_t at = 0; at < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[at]);
    if (c < 0x80) {
      ++at;
      if (c == '"' || c == '\\') {
        literal.push_back('\\');
        literal.push_back(static_cast<char>(c));
      } else if (c == '\n') {
        literal += "\\n";
      } else if (c == '\t') {
        literal += "\\t";
      } else if (c < 0x20 || c == 0x7F) {
        AppendHex4(c, literal);
      } else {
        literal.push_back(static_cast<char>(c));
      }
      continue;
    }
    unsigned code = NextCodePoint(utf8, at);
    if (code > 0xFFFF) {
      code -= 0x10000;
      AppendHex4(0xD800 + (code >> 10), literal);
      AppendHex4(0xDC00 + (code & 0x3FF), literal);
    } else {
      AppendHex4(code, literal);
    }
  }
  literal += "\"";
  return true;
}

SearchEntries CollectSearchEntries(RunContext&, RecordStore& records) {
  SearchEntries entries;
  for (int id = 0; id < records.size(); ++id) entries.functions.push_back(records.name(id));
  SortDistinct(entries.functions);

  LineReader declarations(work::Path(work::kValList));
  std::string line, type, name;
  while (declarations.ReadLineNoEol(line)) {
    if (line.empty()) continue;
    SplitTypeAndName(line, type, name);
    if (!name.empty()) entries.variables.push_back(name);
  }
  SortDistinct(entries.variables);

  const std::string dat_folder = work::Path(work::kDef3);
  for (const DirEntry& entry : ListDirectory(dat_folder, "*.dat").entries) {
    if (entry.is_dir || entry.name.find("DEF_") == std::string::npos) continue;
    const std::string label = DefinitionLabel(entry.name);
    if (!work::IsSafeComponent(label)) continue;
    LineReader definitions(JoinPath(dat_folder, entry.name));
    while (definitions.ReadLineNoEol(line)) {
      const std::string definition = line.substr(0, line.find('\t'));
      if (!definition.empty()) entries.definitions.emplace_back(definition, label);
    }
  }
  std::sort(entries.definitions.begin(), entries.definitions.end());
  entries.definitions.erase(std::unique(entries.definitions.begin(), entries.definitions.end()),
                            entries.definitions.end());
  return entries;
}

std::string SearchIndexScript(const SearchEntries& entries) {
  std::vector<std::string> definitions;
  definitions.reserve(entries.definitions.size());
  for (const auto& [name, label] : entries.definitions) {
    std::string utf8;
    if (TryToUtf8(label, utf8)) definitions.push_back(name + "\t" + label);
  }
  std::string script = "// Names for the search box (Search.html): one per line.\n";
  script += "var kvIndex = {\n";
  script += "functions: " + JoinedLiteral(entries.functions) + ",\n";
  script += "variables: " + JoinedLiteral(entries.variables) + ",\n";
  script += "definitions: " + JoinedLiteral(definitions) + "\n";
  script += "};\n";
  return script;
}

bool WriteSearchPages(RunContext& ctx, RecordStore& records) {
  const std::string html = work::Path(work::kHtml);
  TextWriter script;
  bool ok = CreateFile(script, JoinPath(html, "search_index.js"));
  script.Write(SearchIndexScript(CollectSearchEntries(ctx, records)));
  ok = script.Close() && ok;

  TextWriter page;
  ok = CreatePage(page, JoinPath(html, "Search.html")) && ok;
  page.Write(ResultPage());
  ok = page.Close() && ok;

  TextWriter top;
  if (top.Open(JoinPath(html, "top.html"), WriteMode::kAppend)) {
    std::string field(kSearchField);
    Replace(field, "%PLACEHOLDER%", SJ("検索 (名前の一部)"));
    top.Write(field);
    ok = top.Close() && ok;
  }
  return ok;
}

}  // namespace kv
