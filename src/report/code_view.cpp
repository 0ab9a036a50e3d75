#include "report/code_view.h"

#include <algorithm>
#include <unordered_set>

#include "lex/keyword_tables.h"
#include "run/folder_utils.h"
#include "run/work_folder.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/html_text.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "report/call_records.h"
#include "report/report_pages.h"

namespace kv {
namespace {

// The style of every page (HTML/CODE/code.css). Lines are the direct
// children of the <pre>; their numbers are generated, so that a search in
// the page and a copied piece of code see the text alone. Comments are <i>,
// literals <u>, directives <b>: the shortest tags, as the pages hold the
// whole project.
constexpr std::string_view kStyle =
    "body{margin:0;background:#fff;color:#000}\n"
    "h1{font:bold 13px sans-serif;margin:4px 8px}\n"
    "pre{font:13px/1.35 monospace;margin:0;counter-reset:n}\n"
    "pre>span{display:inline-block;min-width:100%;counter-increment:n}\n"
    "pre>span::before{content:counter(n);display:inline-block;width:5em;margin-right:1em;text-align:right;"
    "color:#999}\n"
    "pre>span:target{background:#ffef9e}\n"
    "i{font-style:normal;color:#0000ff}\n"
    "u{text-decoration:none;color:#a31515}\n"
    "b{font-weight:normal;color:#7f0055}\n"
    "a{color:inherit;text-decoration:none;border-bottom:1px dotted #888}\n"
    "a.d{font-weight:bold;border-bottom:1px solid #000}\n"
    "a.h{border:0;color:#888;font-size:11px}\n"
    "a.h::before{content:' #'}\n";

bool IsIdentStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(unsigned char c) { return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Letters and digits only: a wrapper's record name (ISR(INT0_vect,ISR_NAKED),
// words joined by "_") and its text in the source compare equal so.
std::string AlnumKey(std::string_view text) {
  std::string key;
  for (char c : text)
    if (IsAlnum(static_cast<unsigned char>(c))) key.push_back(c);
  return key;
}

enum class Kind { kSpace, kIdent, kNumber, kLiteral, kComment, kDirective, kPunct };

struct Token {
  Kind kind;
  std::string_view text;
};

// Splits lines into tokens, carrying a block comment and a directive that
// goes on with a backslash from line to line.
class CodeLexer {
 public:
  void Lex(std::string_view line, std::vector<Token>& out);
  bool in_comment = false;
  bool line_is_directive = false;

 private:
  bool directive_goes_on_ = false;
};

void CodeLexer::Lex(std::string_view line, std::vector<Token>& out) {
  out.clear();
  size_t i = 0;
  const size_t n = line.size();
  auto at = [&line](size_t k) { return static_cast<unsigned char>(line[k]); };
  auto push = [&](Kind kind, size_t from, size_t to) { out.push_back({kind, line.substr(from, to - from)}); };

  line_is_directive = directive_goes_on_;
  if (in_comment) {
    size_t end = line.find("*/");
    if (end == std::string_view::npos) {
      if (n > 0) push(Kind::kComment, 0, n);
      return;
    }
    push(Kind::kComment, 0, end + 2);
    i = end + 2;
    in_comment = false;
  } else if (!directive_goes_on_) {
    size_t first = line.find_first_not_of(" \t\f\v");
    if (first != std::string_view::npos && line[first] == '#') {
      line_is_directive = true;
      size_t word = line.find_first_not_of(" \t", first + 1);
      size_t end = word;
      while (end != std::string_view::npos && end < n && IsIdentChar(at(end))) ++end;
      if (first > 0) push(Kind::kSpace, 0, first);
      push(Kind::kDirective, first, end == std::string_view::npos ? n : end);
      i = end == std::string_view::npos ? n : end;
    }
  }
  while (i < n) {
    const unsigned char c = at(i);
    size_t j = i + 1;
    if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
      while (j < n && (at(j) == ' ' || at(j) == '\t' || at(j) == '\f' || at(j) == '\v')) ++j;
      push(Kind::kSpace, i, j);
    } else if (c == '/' && i + 1 < n && line[i + 1] == '*') {
      size_t end = line.find("*/", i + 2);
      if (end == std::string_view::npos) {
        in_comment = true;
        j = n;
      } else {
        j = end + 2;
      }
      push(Kind::kComment, i, j);
    } else if (c == '/' && i + 1 < n && line[i + 1] == '/') {
      j = n;
      push(Kind::kComment, i, j);
    } else if (c == '"' || c == '\'') {
      // A backslash takes the next byte; so does a Shift-JIS lead byte
      // (its trail byte may be a backslash or a quote).
      while (j < n && at(j) != c) j += (at(j) == '\\' || IsLead(at(j))) ? 2 : 1;
      j = j < n ? j + 1 : n;
      push(Kind::kLiteral, i, j);
    } else if (IsIdentStart(c)) {
      while (j < n && IsIdentChar(at(j))) ++j;
      push(Kind::kIdent, i, j);
    } else if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(at(i + 1)))) {
      while (j < n && (IsIdentChar(at(j)) || at(j) == '.' ||
                       ((at(j) == '+' || at(j) == '-') && (at(j - 1) | 0x20) == 'e') ||
                       ((at(j) == '+' || at(j) == '-') && (at(j - 1) | 0x20) == 'p')))
        ++j;
      push(Kind::kNumber, i, j);
    } else if (c == '-' && j < n && line[j] == '>') {
      push(Kind::kPunct, i, j + 1);
      j = j + 1;
    } else {
      if (IsLead(c) && j < n) ++j;
      push(Kind::kPunct, i, j);
    }
    i = j;
  }
  directive_goes_on_ = line_is_directive && n > 0 && line[n - 1] == '\\';
}

bool IsSignificant(const Token& t) { return t.kind != Kind::kSpace && t.kind != Kind::kComment; }

// ---------------------------------------------------------------------------
// First pass: where things are defined in one file.

struct FunctionSite {
  std::string name;
  std::string key;  // AlnumKey of the text between the parentheses
  int line = 0;
  int strength = 0;  // 2: "{" follows; 1: something else (old-style list, attribute); 0: ";", "," or "="
};

struct FileFacts {
  std::string path;  // below the copy's root, "/" between folders
  std::string page;  // file name in HTML/CODE
  std::vector<FunctionSite> functions;
  std::vector<std::pair<std::string, int>> macros;
  struct Variable {
    std::string name;
    int line;
    bool is_static;
  };
  std::vector<Variable> variables;
};

class SiteFinder {
 public:
  SiteFinder(FileFacts& facts, const std::unordered_set<std::string>& variable_names)
      : facts_(facts), variable_names_(variable_names) {}
  void Line(const std::vector<Token>& tokens, bool directive, int line);

 private:
  struct Saved {
    bool extern_, typedef_, static_, body;
  };
  void Significant(const Token& t, int line);
  void Decide(const Token* next);

  FileFacts& facts_;
  const std::unordered_set<std::string>& variable_names_;
  std::unordered_set<std::string> seen_variables_;
  int braces_ = 0, parens_ = 0;
  bool member_before_ = false;  // the last significant token was "." or "->"
  bool ident_before_ = false;   // ... an identifier, namely last_ident_
  std::string last_ident_;
  // The identifier waiting for the token after it.
  std::string pending_name_;
  int pending_line_ = 0;
  bool pending_member_ = false;
  bool pending_ = false;
  // The function-like site being read: its arguments, then the token after
  // its ")".
  FunctionSite site_;
  int site_state_ = 0;  // 0 none, 1 inside its parentheses, 2 after them
  bool extern_ = false, typedef_ = false, static_ = false;
  std::vector<Saved> saved_;
};

void SiteFinder::Line(const std::vector<Token>& tokens, bool directive, int line) {
  if (directive) {
    // #define NAME: the macro's site. Directives take no part in the file's
    // structure (a macro's braces are the macro's).
    size_t k = 0;
    while (k < tokens.size() && tokens[k].kind != Kind::kDirective) ++k;
    if (k < tokens.size()) {
      std::string_view word = tokens[k].text.substr(1);
      while (!word.empty() && (word[0] == ' ' || word[0] == '\t')) word.remove_prefix(1);
      if (word == "define") {
        for (++k; k < tokens.size() && tokens[k].kind == Kind::kSpace; ++k) {
        }
        if (k < tokens.size() && tokens[k].kind == Kind::kIdent) facts_.macros.emplace_back(tokens[k].text, line);
      }
    }
    return;
  }
  for (const Token& t : tokens)
    if (IsSignificant(t)) Significant(t, line);
}

// The identifier before `next` is settled: a variable's definition at file
// level when it is one of the project's variables and nothing makes it
// something else.
void SiteFinder::Decide(const Token* next) {
  if (!pending_) return;
  pending_ = false;
  if (braces_ != 0 || parens_ != 0 || pending_member_ || extern_ || typedef_) return;
  if (next != nullptr && next->text == "(") return;
  if (variable_names_.count(pending_name_) == 0 || !seen_variables_.insert(pending_name_).second) return;
  facts_.variables.push_back({pending_name_, pending_line_, static_});
}

void SiteFinder::Significant(const Token& t, int line) {
  Decide(&t);
  const std::string_view text = t.text;
  bool opens_body = false;
  if (site_state_ == 2) {
    site_.strength = text == "{" ? 2 : (text == ";" || text == "," || text == "=") ? 0 : 1;
    opens_body = site_.strength == 2;
    facts_.functions.push_back(site_);
    site_state_ = 0;
  }
  const bool ident = t.kind == Kind::kIdent;
  if (ident) {
    if (text == "extern") extern_ = true;
    if (text == "typedef") typedef_ = true;
    if (text == "static") static_ = true;
    if (site_state_ == 1) site_.key += AlnumKey(text);
    pending_name_.assign(text);
    pending_line_ = line;
    pending_member_ = member_before_;
    pending_ = true;
  } else if (t.kind == Kind::kNumber && site_state_ == 1) {
    site_.key += AlnumKey(text);
  } else if (text == "(") {
    if (braces_ == 0 && parens_ == 0 && site_state_ == 0 && ident_before_ && !member_before_) {
      site_ = FunctionSite{last_ident_, std::string(), line, 0};
      site_state_ = 1;
    }
    ++parens_;
  } else if (text == ")") {
    if (parens_ > 0) --parens_;
    if (site_state_ == 1 && parens_ == 0) site_state_ = 2;
  } else if (text == "{") {
    // An old-style parameter list ends with ";" before the body's "{".
    saved_.push_back({extern_, typedef_, static_, opens_body || (braces_ == 0 && parens_ == 0 && !facts_.functions.empty() && facts_.functions.back().strength == 1)});
    ++braces_;
  } else if (text == "}") {
    if (braces_ > 0) --braces_;
    if (!saved_.empty()) {
      // After a function's body the next declaration starts afresh; after
      // "struct s { ... }" the declaration goes on ("static struct s {...} v;").
      const Saved saved = saved_.back();
      saved_.pop_back();
      extern_ = !saved.body && saved.extern_;
      typedef_ = !saved.body && saved.typedef_;
      static_ = !saved.body && saved.static_;
    }
  } else if (text == ";" && braces_ == 0) {
    parens_ = 0;
    site_state_ = 0;
    extern_ = typedef_ = static_ = false;
  }
  member_before_ = text == "." || text == "->";
  ident_before_ = ident;
  if (ident) last_ident_.assign(text);
}

// ---------------------------------------------------------------------------
// Second pass: the page.

struct Site {
  const FileFacts* file;
  int line;
};

class CodeLinks {
 public:
  std::unordered_map<std::string, std::vector<int>> functions;  // C name -> record ids with a line
  std::unordered_map<std::string, std::vector<Site>> variables;
  std::unordered_map<std::string, std::vector<Site>> statics;   // static variables: their own file only
  std::unordered_map<std::string, std::vector<Site>> macros;
  const CodeIndex* index = nullptr;
  const std::vector<std::string>* c_names = nullptr;  // per record id
  const std::vector<std::string>* record_names = nullptr;
  const DefinitionIndex* definitions = nullptr;  // names several files define
  // Each name of the four maps above with what they hold for it: a page's
  // identifier is looked up once (the views name the maps' own keys).
  struct Named {
    const std::vector<int>* functions = nullptr;
    const std::vector<Site>* variables = nullptr;
    const std::vector<Site>* statics = nullptr;
    const std::vector<Site>* macros = nullptr;
  };
  std::unordered_map<std::string_view, Named> names;
  void IndexNames() {
    for (const auto& [name, ids] : functions) names[name].functions = &ids;
    for (const auto& [name, sites] : variables) names[name].variables = &sites;
    for (const auto& [name, sites] : statics) names[name].statics = &sites;
    for (const auto& [name, sites] : macros) names[name].macros = &sites;
  }
};

std::string LineAddress(const std::string& from_page, const std::string& page, int line) {
  std::string out = page == from_page ? std::string() : HrefText(page);
  out += "#L";
  out += std::to_string(line);
  return out;
}

// The site in the page itself first, else the first in file order.
const Site* ChooseSite(const std::vector<Site>& sites, const FileFacts& here) {
  for (const Site& s : sites)
    if (s.file == &here) return &s;
  return sites.empty() ? nullptr : &sites.front();
}

class PageWriter {
 public:
  PageWriter(const CodeLinks& links, const FileFacts& file, std::unordered_map<int, std::vector<int>>& defined_at)
      : links_(links), file_(file), defined_at_(defined_at) {}
  void Line(const std::vector<Token>& tokens, bool directive, int line, std::string& out);

 private:
  void Identifier(const std::vector<Token>& tokens, size_t k, bool directive, int line, bool member, std::string& out);

  const CodeLinks& links_;
  const FileFacts& file_;
  std::unordered_map<int, std::vector<int>>& defined_at_;  // line -> records defined there
};

void AppendLink(std::string& out, std::string_view href, std::string_view text, std::string_view extra = {}) {
  out += "<a href=\"";
  out += href;
  out += '"';
  out += extra;
  out += '>';
  out += HtmlText(text);
  out += "</a>";
}

void PageWriter::Identifier(const std::vector<Token>& tokens, size_t k, bool directive, int line, bool member,
                            std::string& out) {
  const std::string_view name = tokens[k].text;
  if (member) {
    out += name;
    return;
  }
  size_t next = k + 1;
  while (next < tokens.size() && !IsSignificant(tokens[next])) ++next;
  const bool call = next < tokens.size() && tokens[next].text == "(";
  // The function's own definition: its record and source page, and the
  // report's address of it.
  auto here = defined_at_.find(line);
  if (here != defined_at_.end() && !directive) {
    for (int id : here->second) {
      if ((*links_.c_names)[static_cast<size_t>(id)] != name) continue;
      const std::string& record = (*links_.record_names)[static_cast<size_t>(id)];
      AppendLink(out, "../" + HrefText(record) + ".html", name, " class=d");
      out += "<a class=h href=\"../../index.html#" + HrefText(record) + "\" target=_top></a>";
      return;
    }
  }
  auto named = links_.names.find(name);
  if (named == links_.names.end()) {
    out += name;
    return;
  }
  const CodeLinks::Named& n = named->second;
  const bool prefer_function = n.functions != nullptr && (call || (n.variables == nullptr && n.macros == nullptr));
  if (prefer_function && links_.definitions != nullptr && links_.definitions->Several('F', name)) {
    // Where the linker takes this file's use of the name.
    const std::string record = links_.definitions->ResolveRecord('F', name, file_.path);
    for (int id : *n.functions) {
      if ((*links_.record_names)[static_cast<size_t>(id)] != record) continue;
      const CodeLine& at = links_.index->functions[static_cast<size_t>(id)];
      AppendLink(out, LineAddress(file_.page, at.page, at.line), name);
      return;
    }
    out += name;
    return;
  }
  if (prefer_function) {
    int chosen = -1;
    for (int id : *n.functions) {
      const CodeLine& at = links_.index->functions[static_cast<size_t>(id)];
      if (at.page == file_.page) {
        chosen = id;
        break;
      }
      if (chosen < 0) chosen = id;
    }
    const CodeLine& at = links_.index->functions[static_cast<size_t>(chosen)];
    AppendLink(out, LineAddress(file_.page, at.page, at.line), name);
    return;
  }
  const Site* site = nullptr;
  if (n.statics != nullptr)
    for (const Site& s : *n.statics)
      if (s.file == &file_) site = &s;
  if (site == nullptr && n.variables != nullptr) site = ChooseSite(*n.variables, file_);
  if (site == nullptr && n.macros != nullptr) site = ChooseSite(*n.macros, file_);
  if (site == nullptr || (site->file == &file_ && site->line == line)) {
    out += name;
    return;
  }
  AppendLink(out, LineAddress(file_.page, site->file->page, site->line), name);
}

void PageWriter::Line(const std::vector<Token>& tokens, bool directive, int line, std::string& out) {
  out += "<span id=L";
  out += std::to_string(line);
  out += '>';
  bool member = false;
  for (size_t k = 0; k < tokens.size(); ++k) {
    const Token& t = tokens[k];
    switch (t.kind) {
      case Kind::kComment:
        out += "<i>";
        out += HtmlText(t.text);
        out += "</i>";
        continue;
      case Kind::kLiteral:
        out += "<u>";
        out += HtmlText(t.text);
        out += "</u>";
        break;
      case Kind::kDirective:
        out += "<b>";
        out += HtmlText(t.text);
        out += "</b>";
        break;
      case Kind::kIdent:
        Identifier(tokens, k, directive, line, member, out);
        break;
      case Kind::kSpace:
        out += t.text;
        continue;
      default:
        out += HtmlText(t.text);
        break;
    }
    member = t.text == "." || t.text == "->";
  }
  out += "</span>\n";
}

// ---------------------------------------------------------------------------
// The files of the copy.

void ListCopy(const std::string& folder, const std::string& relative, std::vector<FileFacts>& files) {
  for (const DirEntry& entry : ListDirectory(folder, "*.*").entries) {
    const std::string path = JoinPath(folder, entry.name);
    const std::string below = relative.empty() ? entry.name : relative + "/" + entry.name;
    if (entry.is_dir) {
      ListCopy(path, below, files);
    } else if (IsRegularFile(path)) {
      FileFacts facts;
      facts.path = below;
      files.push_back(std::move(facts));
    }
  }
}

std::string PageName(std::string_view relative) {
  std::string page;
  for (char c : relative) {
    if (c == '/')
      page += "__";
    else
      page.push_back(c);
  }
  return page + ".html";
}

std::string CopyRoot(const RunContext& ctx) {
  if (!ctx.mirror_root.empty()) return ctx.mirror_root;
  std::string folder = DropTrailingSeparator(ctx.options.source_folder);
  size_t sep = FindLastSeparator(folder);
  return JoinPath(work::Path(work::kDef), sep == std::string::npos ? folder : folder.substr(sep + 1));
}

// Reads a copy's file line by line (without line ends), lexed.
template <typename Each>
void ForEachLine(const std::string& path, Each each) {
  LineReader in;
  if (in.OpenWorkFile(path) != ReadProblem::kNone) return;
  CodeLexer lexer;
  std::vector<Token> tokens;
  std::string text;
  int line = 0;
  while (in.ReadLineNoEol(text)) {
    lexer.Lex(text, tokens);
    each(tokens, lexer.line_is_directive, ++line);
  }
}

std::string LastPart(std::string_view path) {
  size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ParentFolderUpper(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  std::string_view folder = path.substr(0, slash);
  size_t parent = folder.rfind('/');
  if (parent != std::string_view::npos) folder.remove_prefix(parent + 1);
  std::string out;
  for (size_t i = 0; i < folder.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(folder[i]);
    if (IsLead(c) && i + 1 < folder.size()) {
      out.push_back(folder[i]);
      out.push_back(folder[++i]);
    } else {
      out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : folder[i]);
    }
  }
  return out;
}

// The letters a-z as A-Z, byte by byte: a record names its file in any
// letter case.
std::string UpperBytes(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// The copy's files by the name a record gives ("[ファイル名]", letter case
// ignored), in listing order, with what PlaceFunction ranks them by.
struct NamedFile {
  const FileFacts* file;
  std::string last_part;
  std::string folder_upper;
};
using FilesByName = std::unordered_map<std::string, std::vector<NamedFile>>;

FilesByName IndexFilesByName(const std::vector<FileFacts>& files) {
  FilesByName by_name;
  for (const FileFacts& file : files) {
    std::string last = LastPart(file.path);
    by_name[UpperBytes(last)].push_back(NamedFile{&file, std::move(last), ParentFolderUpper(file.path)});
  }
  return by_name;
}

// Where a record's function stands: among the files of its name (the one in
// a folder of its folder name first), its name followed by its parameters,
// the strongest shape first (a body follows), then the earliest.
CodeLine PlaceFunction(const CallRecord& record, const FilesByName& files, const std::string& c_name) {
  CodeLine best;
  if (record.file.empty() || c_name.empty()) return best;
  auto named = files.find(UpperBytes(record.file));
  if (named == files.end()) return best;
  const size_t open = record.name.find('(');
  const std::string key = open == std::string::npos ? std::string() : AlnumKey(record.name.substr(open));
  int best_rank = -1;
  for (const NamedFile& candidate : named->second) {
    const int folder_bonus = candidate.folder_upper == record.folder ? 10 : 0;
    const int exact_bonus = candidate.last_part == record.file ? 5 : 0;
    for (const FunctionSite& site : candidate.file->functions) {
      if (site.name != c_name || (open != std::string::npos && site.key != key)) continue;
      const int rank = folder_bonus + exact_bonus + site.strength;
      if (rank > best_rank) {
        best_rank = rank;
        best = CodeLine{candidate.file->page, site.line};
      }
    }
  }
  return best;
}

}  // namespace

std::string CodeLine::Address() const { return "CODE/" + HrefText(page) + "#L" + std::to_string(line); }

std::string RenderCodeLineForTest(std::string_view line, bool& in_comment) {
  CodeLexer lexer;
  lexer.in_comment = in_comment;
  std::vector<Token> tokens;
  lexer.Lex(line, tokens);
  in_comment = lexer.in_comment;
  CodeLinks links;
  CodeIndex index;
  std::vector<std::string> none;
  links.index = &index;
  links.c_names = &none;
  links.record_names = &none;
  FileFacts file;
  std::unordered_map<int, std::vector<int>> defined_at;
  PageWriter writer(links, file, defined_at);
  std::string out;
  writer.Line(tokens, lexer.line_is_directive, 1, out);
  return out;
}

CodeIndex WriteCodeView(RunContext& ctx, RecordStore& records, const RecordReadHook& on_read) {
  CodeIndex index;
  index.functions.resize(static_cast<size_t>(records.size()));
  const std::string folder = work::Path(kCodeFolder);
  RemoveFolderTree(folder);
  const std::string root = CopyRoot(ctx);
  if (!IsDirectory(root)) return index;
  std::vector<FileFacts> files;
  ListCopy(root, std::string(), files);
  MakeFolder(work::Path(work::kHtml));
  if (files.empty() || !MakeFolder(folder)) return index;
  {
    TextWriter style;
    if (CreateFile(style, JoinPath(folder, "code.css"))) style.Write(kStyle);
  }

  // The project's file-level variables, by name.
  std::unordered_set<std::string> variable_names;
  {
    LineReader declarations(work::Path(work::kValList));
    std::string line, type, name;
    while (declarations.ReadLineNoEol(line)) {
      if (line.empty()) continue;
      SplitTypeAndName(line, type, name);
      if (!name.empty()) variable_names.insert(name);
    }
  }

  std::unordered_set<std::string> pages;
  for (FileFacts& file : files) {
    file.page = PageName(file.path);
    for (int n = 2; !pages.insert(file.page).second; ++n) file.page = PageName(file.path + "~" + std::to_string(n));
    SiteFinder finder(file, variable_names);
    ForEachLine(JoinPath(root, file.path), [&finder](const std::vector<Token>& tokens, bool directive, int line) {
      finder.Line(tokens, directive, line);
    });
  }

  CodeLinks links;
  links.index = &index;
  std::vector<std::string> c_names(static_cast<size_t>(records.size()));
  std::vector<std::string> record_names(static_cast<size_t>(records.size()));
  std::unordered_map<std::string, std::unordered_map<int, std::vector<int>>> defined_at;  // page -> line -> ids
  const FilesByName files_by_name = IndexFilesByName(files);
  std::string text;
  for (int id = 0; id < records.size(); ++id) {
    bool read = false;
    const CallRecord& record = records.Get(id, text, read);
    record_names[static_cast<size_t>(id)] = records.name(id);
    CodeLine at;
    if (!record.name.empty()) {
      const std::string c_name = record.name.substr(0, record.name.find('('));
      c_names[static_cast<size_t>(id)] = c_name;
      at = PlaceFunction(record, files_by_name, c_name);
    }
    if (read && on_read) on_read(id, text, at);
    if (!at.found()) continue;
    index.functions[static_cast<size_t>(id)] = at;
    links.functions[c_names[static_cast<size_t>(id)]].push_back(id);
    defined_at[at.page][at.line].push_back(id);
  }
  links.c_names = &c_names;
  links.record_names = &record_names;
  links.definitions = &records.definitions();
  for (const FileFacts& file : files) {
    for (const auto& [name, line] : file.macros) links.macros[name].push_back({&file, line});
    for (const FileFacts::Variable& v : file.variables) {
      (v.is_static ? links.statics : links.variables)[v.name].push_back({&file, v.line});
      index.variables[v.name].push_back({CodeLine{file.page, v.line}, file.path});
    }
  }
  // A static variable is seen from its own file only; one that is nowhere
  // else defined is still the best guess for its other files.
  for (auto& [name, sites] : links.statics)
    if (links.variables.count(name) == 0) links.variables[name] = sites;
  links.IndexNames();

  for (const FileFacts& file : files) {
    if (ctx.StopRequested()) return index;
    TextWriter page;
    if (!CreatePage(page, JoinPath(folder, file.page), ctx.deferred_files)) continue;
    std::string out = "<title>";
    out += HtmlText(file.path);
    out += "</title><link rel=stylesheet href=code.css><h1>";
    out += HtmlText(file.path);
    out += "</h1><pre>\n";
    PageWriter writer(links, file, defined_at[file.page]);
    ForEachLine(JoinPath(root, file.path), [&](const std::vector<Token>& tokens, bool directive, int line) {
      writer.Line(tokens, directive, line, out);
      if (out.size() > (1u << 16)) {
        page.Write(out);
        out.clear();
      }
    });
    out += "</pre>\n";
    page.Write(out);
  }
  return index;
}

}  // namespace kv
