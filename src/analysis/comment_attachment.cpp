#include "analysis/comment_attachment.h"

#include <algorithm>
#include <map>
#include <optional>

#include "analysis/comment_forms.h"
#include "analysis/comment_text.h"
#include "lex/tokenizer.h"

namespace kv {
namespace {

// File-level tokens kept to find where a definition's header starts.
constexpr size_t kMaxRecentTokens = 8192;
// A statement longer than this is no declaration: its tokens are dropped.
constexpr size_t kMaxStatementTokens = 4000;

// One comment's part on one line, its markers included.
struct Piece {
  size_t column = 0;
  std::string text;
  bool continued = false;  // a block comment begun on an earlier line
  bool open = false;       // a block comment that goes on in the next line
  bool line_comment = false;
};

struct SourceLine {
  std::string text;          // comments blanked, literals kept, no line end
  std::string code;          // comments and literal contents blanked, as read
  size_t raw_size = 0;       // bytes as read, the line end included
  std::vector<Piece> pieces;
  bool directive = false;
  bool has_code = false;
  size_t code_end = 0;       // one past the last column of code
  bool blank = true;         // white space only
  int indent = 0;
  // Set in the first pass: the comment after the code of this line, with the
  // lines it goes on in; those lines are marked as taken by it.
  std::vector<std::string> trailing;
  bool taken = false;        // a trailing comment's continuation, or attached
};

struct Token {
  std::string text;
  size_t line = 0;  // index into the lines
};

bool IsLiteral(const std::string& t) { return !t.empty() && (t[0] == '"' || t[0] == '\''); }

bool IsWord(std::string_view t) {
  if (t.empty()) return false;
  const unsigned char c = static_cast<unsigned char>(t[0]);
  return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool OneOf(std::string_view t, std::initializer_list<std::string_view> words) {
  return std::find(words.begin(), words.end(), t) != words.end();
}

bool IsStorageWord(std::string_view t) {
  return OneOf(t, {"static", "extern", "register", "auto", "typedef", "inline", "__inline", "__inline__",
                   "_Thread_local", "__thread"});
}

bool IsStatementWord(std::string_view t) {
  return OneOf(t, {"if", "else", "for", "while", "do", "switch", "case", "default", "return", "goto", "break",
                   "continue", "sizeof", "asm", "__asm__", "__asm"});
}

bool IsDirectiveLine(std::string_view code) {
  const size_t p = code.find_first_not_of(" \t");
  return p != std::string_view::npos && code[p] == '#';
}

bool EndsWithBackslash(std::string_view code) {
  const size_t p = code.find_last_not_of(" \t\r\n");
  return p != std::string_view::npos && code[p] == '\\';
}

std::string CollapseBlanks(std::string_view text) {
  std::string out;
  bool blank = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

std::string Joined(const std::vector<Token>& t, size_t from, size_t to, std::string_view separator) {
  std::string out;
  for (size_t i = from; i < to; ++i) {
    if (i > from) out += separator;
    out += t[i].text;
  }
  return out;
}

// A declarator of a declaration: its name with its dimensions, its type.
struct Declarator {
  std::string name;       // the name alone
  std::string shown;      // with its dimensions: buf[10]
  std::string type;       // the declared type, storage words left out
  size_t line = 0;
  bool is_const = false;  // the name itself is constant: "const int n", "char *const p"
};

struct Declaration {
  bool is_static = false, is_extern = false, is_typedef = false;
  bool const_base = false;  // "const" among the base type's words
  bool function = false;  // the first declarator declares a function
  std::vector<Declarator> declarators;
  std::vector<std::string> parameters;  // of a function declarator
};

size_t Matching(const std::vector<Token>& t, size_t open, size_t end, std::string_view o, std::string_view c) {
  int depth = 0;
  for (size_t i = open; i < end; ++i) {
    if (t[i].text == o) ++depth;
    if (t[i].text == c && --depth == 0) return i;
  }
  return end;
}

// The parameter names of a parameter list t[open+1, close): the name of each
// parameter that has one ("int n", "char *p", "void (*cb)(int)").
std::vector<std::string> ParameterNames(const std::vector<Token>& t, size_t open, size_t close) {
  std::vector<std::string> names;
  size_t start = open + 1;
  int depth = 0;
  for (size_t i = open + 1; i <= close; ++i) {
    const std::string& x = t[i].text;
    if (i < close && (x == "(" || x == "[")) ++depth;
    if (i < close && (x == ")" || x == "]")) --depth;
    if (i != close && !(x == "," && depth == 0)) continue;
    std::string name;
    size_t words = 0;
    for (size_t j = start; j < i; ++j) {
      if (t[j].text == "(" && j + 1 < i && t[j + 1].text == "*") {
        for (size_t k = j + 1; k < i; ++k)
          if (IsWord(t[k].text)) {
            name = t[k].text;
            break;
          }
        words = 2;
        break;
      }
      if (t[j].text == "[") break;
      if (!IsWord(t[j].text)) continue;
      if (t[j].text != "const" && t[j].text != "volatile") ++words;
      name = t[j].text;
    }
    if (words >= 2 && !name.empty()) names.push_back(name);
    start = i + 1;
  }
  return names;
}

// A declaration statement t[0, end) (its ";" not included), or nothing.
std::optional<Declaration> ParseDeclaration(const std::vector<Token>& t, size_t end) {
  Declaration d;
  size_t i = 0;
  while (i < end && IsStorageWord(t[i].text)) {
    d.is_static |= t[i].text == "static";
    d.is_extern |= t[i].text == "extern";
    d.is_typedef |= t[i].text == "typedef";
    ++i;
  }
  if (i >= end || !IsWord(t[i].text) || IsStatementWord(t[i].text)) return std::nullopt;
  // The base type: the words before the first declarator, which starts at
  // its first "*", at "(*" of a function pointer, or at its name (the last
  // word before "[", "=", ",", ":", "(" or the end).
  const size_t first = i;
  size_t last_word = end;
  size_t j = i;
  for (; j < end; ++j) {
    const std::string& x = t[j].text;
    if (x == "{}") {
      last_word = end;  // the declarators follow the body of a struct, union or enum
      continue;
    }
    if (IsStorageWord(x)) continue;
    if (x == "*" || x == "(" || x == "[" || x == "=" || x == "," || x == ":") break;
    if (!IsWord(x) || IsStatementWord(x)) return std::nullopt;
    last_word = j;
  }
  if (last_word == end) return std::nullopt;
  size_t base_end = last_word;
  if (j < end && (t[j].text == "*" || (t[j].text == "(" && j + 1 < end && t[j + 1].text == "*"))) base_end = j;
  // The base type needs a word of its own: "x;" and "f(a);" are no declarations.
  std::string base;
  for (size_t k = first; k < base_end; ++k) {
    if (IsStorageWord(t[k].text) || t[k].text == "{}") continue;
    if (!base.empty()) base += ' ';
    base += t[k].text;
    if (t[k].text == "const") d.const_base = true;
  }
  if (base.empty()) return std::nullopt;

  // The declarators, one part between commas at depth 0 each.
  size_t part = base_end;
  while (part < end) {
    size_t stop = part;
    int depth = 0;
    for (; stop < end; ++stop) {
      const std::string& x = t[stop].text;
      if (x == "(" || x == "[" || x == "{") ++depth;
      if (x == ")" || x == "]" || x == "}") --depth;
      if (x == "," && depth == 0) break;
    }
    Declarator decl;
    std::string stars;
    size_t at = part;
    while (at < stop && (t[at].text == "*" || t[at].text == "const" || t[at].text == "volatile")) {
      stars += stars.empty() || t[at].text == "*" ? t[at].text : " " + t[at].text;
      ++at;
    }
    if (at < stop && t[at].text == "(" && at + 1 < stop && t[at + 1].text == "*") {  // (*name)(...)
      for (size_t k = at + 1; k < stop; ++k)
        if (IsWord(t[k].text)) {
          decl.name = t[k].text;
          decl.line = t[k].line;
          break;
        }
      decl.shown = decl.name;
      stars = "(*)()";
    } else if (at < stop && IsWord(t[at].text)) {
      decl.name = t[at].text;
      decl.line = t[at].line;
      decl.shown = decl.name;
      size_t k = at + 1;
      if (k < stop && t[k].text == "(" && d.declarators.empty()) {
        d.function = true;
        const size_t close = Matching(t, k, stop, "(", ")");
        d.parameters = ParameterNames(t, k, close < stop ? close : stop - 1);
      }
      while (k < stop && t[k].text == "[") {
        const size_t close = Matching(t, k, stop, "[", "]");
        decl.shown += Joined(t, k, std::min(close + 1, stop), "");
        k = close + 1;
      }
    }
    if (decl.name.empty()) return d.declarators.empty() ? std::nullopt : std::optional<Declaration>(d);
    decl.type = stars.empty() ? base : base + " " + stars;
    const size_t last_star = stars.rfind('*');
    decl.is_const = last_star == std::string::npos ? d.const_base : stars.find("const", last_star) != std::string::npos;
    d.declarators.push_back(std::move(decl));
    if (d.function) break;
    part = stop + 1;
  }
  if (d.declarators.empty()) return std::nullopt;
  return d;
}

class DescriptionReader {
 public:
  explicit DescriptionReader(const std::vector<ShapedDefinition>& definitions) : defs_(definitions) {}

  FileDescriptions Read(LineReader& input, size_t line_buffer_size, const SourceFileIdentity& identity) {
    file_.file_name = identity.file_name;
    file_.folder_name = identity.folder_name;
    file_.path = identity.path;
    ReadLines(input, line_buffer_size);
    FindTrailingComments();
    ReadFileHeader();
    WalkCode();
    return std::move(file_);
  }

 private:
  // --- First pass: lines, comments, code ------------------------------------

  void ReadLines(LineReader& input, size_t line_buffer_size) {
    input.Rewind();
    std::string raw;
    BlankState state;
    bool directive_goes_on = false;
    while (input.ReadLine(raw, line_buffer_size)) {
      SourceLine line;
      const bool in_comment = state.in_comment;
      const bool in_string = state.in_string;
      line.code = BlankCommentsAndLiterals(raw, state);
      line.raw_size = raw.size();
      size_t content_end = raw.size();
      while (content_end > 0 && (raw[content_end - 1] == '\n' || raw[content_end - 1] == '\r')) --content_end;
      FindPieces(raw, line.code, content_end, in_comment, line.pieces);
      line.text = raw.substr(0, content_end);
      for (const Piece& p : line.pieces)
        for (size_t k = p.column; k < p.column + p.text.size() && k < line.text.size(); ++k) line.text[k] = ' ';
      line.directive = !in_string && (directive_goes_on || IsDirectiveLine(line.code));
      directive_goes_on = line.directive && EndsWithBackslash(line.code);
      const size_t code_start = line.code.find_first_not_of(" \t\r\n\f\v");
      line.has_code = code_start != std::string::npos;
      line.code_end = line.has_code ? line.code.find_last_not_of(" \t\r\n\f\v") + 1 : 0;
      line.blank = raw.find_first_not_of(" \t\r\n") == std::string::npos;
      line.indent = IndentWidth(raw);
      lines_.push_back(std::move(line));
    }
  }

  // The comments of one line: a "/*" or "//" that the blanked code shows as
  // blanks (one inside a literal shows as "x"), and the rest of a block
  // comment begun earlier.
  static void FindPieces(const std::string& raw, const std::string& code, size_t end, bool in_comment,
                         std::vector<Piece>& pieces) {
    auto add = [&](size_t from, size_t to, bool continued, bool open, bool line_comment) {
      pieces.push_back({from, raw.substr(from, to - from), continued, open, line_comment});
    };
    size_t i = 0;
    if (in_comment) {
      const size_t close = raw.find("*/");
      if (close == std::string::npos || close >= end) {
        add(0, end, true, true, false);
        return;
      }
      add(0, close + 2, true, false, false);
      i = close + 2;
    }
    while (i + 1 < end) {
      if (raw[i] != '/' || code[i] != ' ' || (raw[i + 1] != '*' && raw[i + 1] != '/')) {
        ++i;
        continue;
      }
      if (raw[i + 1] == '/') {
        add(i, end, false, false, true);
        return;
      }
      const size_t close = raw.find("*/", i + 2);
      if (close == std::string::npos || close + 2 > end) {
        add(i, end, false, true, false);
        return;
      }
      add(i, close + 2, false, false, false);
      i = close + 2;
    }
  }

  bool CommentOnly(size_t i) const {
    const SourceLine& l = lines_[i];
    return !l.has_code && !l.directive && !l.pieces.empty() && !l.taken;
  }

  // The comment after the code of each line: the block comment it opens
  // goes on up to its end; "//" comments lined up under it on the lines
  // below belong to it too.
  void FindTrailingComments() {
    for (size_t i = 0; i < lines_.size(); ++i) {
      SourceLine& line = lines_[i];
      if (!line.has_code) continue;
      for (const Piece& p : line.pieces)
        if (p.column >= line.code_end) line.trailing.push_back(p.text);
      if (line.trailing.empty()) continue;
      const Piece& last = line.pieces.back();
      size_t next = i + 1;
      if (last.open) {
        for (; next < lines_.size(); ++next) {
          SourceLine& more = lines_[next];
          if (more.pieces.empty() || !more.pieces[0].continued) break;
          line.trailing.push_back(more.pieces[0].text);
          more.taken = !more.has_code;
          if (!more.pieces[0].open) {
            ++next;
            break;
          }
        }
      } else if (last.line_comment) {
        for (; next < lines_.size() && CommentOnly(next); ++next) {
          const Piece& below = lines_[next].pieces[0];
          if (!below.line_comment || below.column != last.column) break;
          line.trailing.push_back(below.text);
          lines_[next].taken = true;
        }
      }
    }
  }

  // The comment block above line `at`: the comment-only lines right above
  // it (with `gap`, blank lines may stand between), not yet attached.
  std::optional<std::pair<size_t, size_t>> BlockAbove(size_t at, bool gap) const {
    size_t k = at;
    if (gap)
      while (k > 0 && lines_[k - 1].blank && lines_[k - 1].pieces.empty()) --k;
    if (k == 0 || !CommentOnly(k - 1)) return std::nullopt;
    const size_t last = k - 1;
    while (k > 0 && CommentOnly(k - 1)) --k;
    return std::make_pair(k, last);
  }

  std::vector<std::string> TakeBlock(std::pair<size_t, size_t> block) {
    std::vector<std::string> pieces;
    for (size_t i = block.first; i <= block.second; ++i) {
      lines_[i].taken = true;
      for (const Piece& p : lines_[i].pieces) pieces.push_back(p.text);
    }
    return pieces;
  }

  // The description of a variable, local, #define or enumerator declared on
  // line `line` (its statement beginning on `first_line`).
  TextLines ItemText(size_t line, size_t first_line, bool may_use_block, std::string_view name) {
    if (!lines_[line].trailing.empty()) return ReadItemComment(CleanCommentText(lines_[line].trailing), name);
    if (!may_use_block) return {};
    auto block = BlockAbove(first_line, false);
    if (!block) return {};
    return ReadItemComment(CleanCommentText(TakeBlock(*block)), name);
  }

  // --- The file's header comment -------------------------------------------

  void ReadFileHeader() {
    size_t first_code = 0;
    while (first_code < lines_.size() && !lines_[first_code].has_code && !lines_[first_code].directive) ++first_code;
    size_t end = first_code;
    // The last block goes with the declaration right below it.
    if (first_code < lines_.size() && !lines_[first_code].directive && first_code > 0 &&
        CommentOnly(first_code - 1)) {
      while (end > 0 && CommentOnly(end - 1)) --end;
    }
    std::vector<std::string> pieces;
    for (size_t i = 0; i < end; ++i) {
      if (lines_[i].pieces.empty()) {
        if (!pieces.empty()) pieces.emplace_back();  // a paragraph ends
        continue;
      }
      if (!CommentOnly(i)) continue;
      lines_[i].taken = true;
      for (const Piece& p : lines_[i].pieces) pieces.push_back(p.text);
    }
    FileComment header = ReadFileComment(CleanCommentText(pieces));
    file_.summary = std::move(header.summary);
    file_.notes = std::move(header.notes);
  }

  // --- Second pass: the code -------------------------------------------------

  enum class Mode { kFile, kBody, kSkip, kEnum };

  void WalkCode() {
    LineTokenizer tokenizer;
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].directive) {
        if (directive_start_ == npos_) directive_start_ = i;
        if (!EndsWithBackslash(lines_[i].code)) {
          Directive(directive_start_, i);
          directive_start_ = npos_;
        }
        continue;
      }
      tokenizer.Assign(lines_[i].code);
      for (;;) {
        uint32_t indent = 0;
        std::string_view token = tokenizer.NextIndented(&indent);
        if (IsLineEnd(token)) break;
        const size_t end_offset = lines_[i].code.size() - tokenizer.Rest().size();
        Take(Token{std::string(token), i}, end_offset);
      }
    }
  }

  void Take(Token token, size_t end_offset) {
    switch (mode_) {
      case Mode::kFile: FileToken(std::move(token), end_offset); return;
      case Mode::kBody: BodyToken(std::move(token)); return;
      case Mode::kSkip:
      case Mode::kEnum: SkipToken(std::move(token)); return;
    }
  }

  void Remember(const Token& token) {
    recent_.push_back(token.line);
    if (recent_.size() > kMaxRecentTokens) recent_.erase(recent_.begin(), recent_.begin() + kMaxRecentTokens / 2);
  }

  void FileToken(Token token, size_t end_offset) {
    const std::string& t = token.text;
    if (t == "{") {
      OpenBrace(token, end_offset);
      return;
    }
    if (t == "}") {
      if (extern_c_ > 0) --extern_c_;
      statement_.clear();
      return;
    }
    Remember(token);
    if (t == ";") {
      FileStatement();
      statement_.clear();
      return;
    }
    if (statement_.size() >= kMaxStatementTokens) statement_.clear();  // no declaration is this long
    statement_.push_back(std::move(token));
  }

  void OpenBrace(const Token& token, size_t end_offset) {
    while (next_def_ < defs_.size() && static_cast<size_t>(defs_[next_def_].brace_line) < token.line + 1) ++next_def_;
    if (next_def_ < defs_.size()) {
      const ShapedDefinition& d = defs_[next_def_];
      if (static_cast<size_t>(d.brace_line) == token.line + 1 &&
          end_offset == lines_[token.line].raw_size - d.rest_of_line.size()) {
        BeginFunction(d);
        ++next_def_;
        return;
      }
    }
    if (statement_.size() == 2 && statement_[0].text == "extern" && IsLiteral(statement_[1].text)) {
      ++extern_c_;
      statement_.clear();
      return;
    }
    const bool has_enum = std::any_of(statement_.begin(), statement_.end(), [](const Token& x) { return x.text == "enum"; });
    const bool has_init = std::any_of(statement_.begin(), statement_.end(), [](const Token& x) { return x.text == "="; });
    mode_ = has_enum && !has_init ? Mode::kEnum : Mode::kSkip;
    skip_depth_ = 1;
    enumerator_next_ = true;
  }

  void SkipToken(Token token) {
    const std::string& t = token.text;
    if (t == "{" || t == "(" || t == "[") {
      if (t == "{") ++skip_depth_;
      else ++paren_depth_;
      return;
    }
    if (t == ")" || t == "]") {
      --paren_depth_;
      return;
    }
    if (t == "}") {
      if (--skip_depth_ > 0) return;
      paren_depth_ = 0;
      mode_ = Mode::kFile;
      // An aggregate's body or an initialiser: the statement goes on to its ";".
      const bool aggregate = std::any_of(statement_.begin(), statement_.end(), [](const Token& x) {
        return x.text == "=" || x.text == "struct" || x.text == "union" || x.text == "enum";
      });
      if (!aggregate) {
        statement_.clear();
        return;
      }
      Token placeholder{"{}", token.line};
      Remember(placeholder);
      statement_.push_back(placeholder);
      return;
    }
    if (mode_ != Mode::kEnum || skip_depth_ != 1 || paren_depth_ != 0) return;
    if (t == ",") {
      enumerator_next_ = true;
    } else if (enumerator_next_ && IsWord(t)) {
      enumerators_.push_back(std::move(token));
      enumerator_next_ = false;
    }
  }

  // --- File-level statements -----------------------------------------------

  void FileStatement() {
    const std::vector<Token> enumerators = std::move(enumerators_);
    enumerators_.clear();
    std::optional<Declaration> d = ParseDeclaration(statement_, statement_.size());
    if (!enumerators.empty()) AddEnumerators(enumerators, d);
    if (!d || d->is_typedef) return;
    if (d->function) {
      Prototype(*d);
      return;
    }
    const size_t first_line = statement_.front().line;
    for (const Declarator& decl : d->declarators) {
      DescribedItem item;
      item.kind = d->is_extern ? ItemKind::kExternal
                  : decl.is_const ? ItemKind::kConstant
                  : d->is_static ? ItemKind::kInternalVariable
                                 : ItemKind::kPublicVariable;
      item.name = decl.shown;
      item.type = decl.type;
      item.lines = ItemText(decl.line, first_line, &decl == &d->declarators.front(), decl.name);
      file_.items.push_back(std::move(item));
    }
  }

  // The enumerators of "enum tag { … }" or "typedef enum { … } NAME": constants
  // of the enum's type.
  void AddEnumerators(const std::vector<Token>& enumerators, const std::optional<Declaration>& d) {
    std::string type = "enum";
    for (size_t i = 0; i + 1 < statement_.size(); ++i)
      if (statement_[i].text == "enum" && IsWord(statement_[i + 1].text)) type += " " + statement_[i + 1].text;
    if (d && d->is_typedef && !d->declarators.empty()) type = d->declarators.front().name;
    for (size_t i = 0; i < enumerators.size(); ++i) {
      DescribedItem item;
      item.kind = ItemKind::kConstant;
      item.name = enumerators[i].text;
      item.type = type;
      item.lines = ItemText(enumerators[i].line, enumerators[i].line, true, enumerators[i].text);
      file_.items.push_back(std::move(item));
    }
  }

  void Prototype(const Declaration& d) {
    DescribedFunction f;
    f.name = d.declarators.front().name;
    f.is_static = d.is_static;
    const size_t first_line = statement_.front().line;
    const size_t last_line = statement_.back().line;
    f.description = HeaderDescription(first_line, last_line, d.parameters, f.name);
    if (!f.description.empty()) file_.prototypes.push_back(std::move(f));
  }

  // The description of a function from the lines of its header (a
  // definition's or a prototype's): the block above, else the comment after
  // a header that ends on its line; the parameters' comments on their lines.
  FunctionDescription HeaderDescription(size_t first_line, size_t last_line, const std::vector<std::string>& params,
                                        const std::string& name) {
    FunctionDescription d;
    if (auto block = BlockAbove(first_line, true))
      d = ReadFunctionComment(CleanCommentText(TakeBlock(*block)), params, name);
    for (size_t line = first_line; line <= last_line && line < lines_.size(); ++line) {
      const SourceLine& l = lines_[line];
      if (l.trailing.empty()) continue;
      const std::vector<std::string> words = WordsOf(l.code);
      const bool names_function = std::find(words.begin(), words.end(), name) != words.end();
      std::vector<std::string> on_line;
      for (const std::string& p : params)
        if (std::find(words.begin(), words.end(), p) != words.end()) on_line.push_back(p);
      const bool header_ends_here = line == last_line || l.code.find(')') != std::string::npos;
      if (names_function && (on_line.empty() || header_ends_here) && d.summary.empty()) {
        FunctionDescription same_line = ReadFunctionComment(CleanCommentText(l.trailing), params, name);
        if (d.empty()) d = std::move(same_line);
        continue;
      }
      for (const std::string& p : on_line) {
        const bool described = std::any_of(d.parameters.begin(), d.parameters.end(),
                                           [&p](const NamedText& n) { return n.name == p; });
        if (!described) d.parameters.push_back({p, ReadItemComment(CleanCommentText(l.trailing), p)});
      }
    }
    std::erase_if(d.parameters, [](const NamedText& n) { return n.lines.empty(); });
    // The parameters in the order of the list; names it does not hold after.
    std::stable_sort(d.parameters.begin(), d.parameters.end(), [&params](const NamedText& a, const NamedText& b) {
      auto rank = [&params](const std::string& n) { return std::find(params.begin(), params.end(), n) - params.begin(); };
      return rank(a.name) < rank(b.name);
    });
    return d;
  }

  static std::vector<std::string> WordsOf(std::string_view code) {
    std::vector<std::string> words;
    for (size_t i = 0; i < code.size();) {
      if (!IsWord(code.substr(i, 1))) {
        ++i;
        continue;
      }
      size_t end = i;
      while (end < code.size() && (IsWord(code.substr(end, 1)) || (code[end] >= '0' && code[end] <= '9'))) ++end;
      words.emplace_back(code.substr(i, end - i));
      i = end;
    }
    return words;
  }

  // --- Definitions -----------------------------------------------------------

  void BeginFunction(const ShapedDefinition& d) {
    mode_ = Mode::kBody;
    body_depth_ = 1;
    current_ = &d;
    const size_t header_tokens = d.header.size();
    header_line_ = recent_.size() >= header_tokens && header_tokens > 0 ? recent_[recent_.size() - header_tokens]
                   : recent_.empty()                                   ? static_cast<size_t>(d.brace_line - 1)
                                                                       : recent_.front();
    statement_.clear();
    body_statement_.clear();
    locals_.clear();
  }

  void BodyToken(Token token) {
    const std::string& t = token.text;
    if (t == "{") {
      ++body_depth_;
      body_statement_.clear();
      return;
    }
    if (t == "}") {
      body_statement_.clear();
      if (--body_depth_ == 0) EndFunction(token.line);
      return;
    }
    if (t == ";") {
      LocalStatement();
      body_statement_.clear();
      return;
    }
    if (body_statement_.size() >= kMaxStatementTokens) body_statement_.clear();
    body_statement_.push_back(std::move(token));
  }

  void LocalStatement() {
    if (body_statement_.empty()) return;
    std::optional<Declaration> d = ParseDeclaration(body_statement_, body_statement_.size());
    if (!d || d->function || d->is_typedef || d->is_extern) return;
    const size_t first_line = body_statement_.front().line;
    // A comment above "T x = f();" tells what the step does, not what x is.
    const bool initialised = std::any_of(body_statement_.begin(), body_statement_.end(),
                                         [](const Token& t) { return t.text == "="; });
    for (const Declarator& decl : d->declarators) {
      if (std::any_of(locals_.begin(), locals_.end(), [&decl](const NamedText& n) { return n.name == decl.name; }))
        continue;
      const bool may_use_block = &decl == &d->declarators.front() && !initialised;
      TextLines text = ItemText(decl.line, first_line, may_use_block, decl.name);
      if (!text.empty()) locals_.push_back({decl.name, std::move(text)});
    }
  }

  static std::vector<std::string> ArgumentNames(const ShapedDefinition& d) {
    std::vector<std::string> names;
    for (const std::string& text : d.arguments) {
      std::string last;
      size_t start = 0;
      while (start < text.size()) {
        size_t tab = text.find('\t', start);
        if (tab == std::string::npos) tab = text.size();
        if (tab > start) last = text.substr(start, tab - start);
        start = tab + 1;
      }
      if (!last.empty()) names.push_back(last);
    }
    return names;
  }

  void EndFunction(size_t end_line) {
    mode_ = Mode::kFile;
    const ShapedDefinition& d = *current_;
    DescribedFunction f;
    f.name = d.name;
    for (int i = 0; i < d.name_index && static_cast<size_t>(i) < d.header.size(); ++i)
      if (d.header[static_cast<size_t>(i)] == "static") f.is_static = true;
    const size_t brace_line = static_cast<size_t>(d.brace_line - 1);
    // A "{" alone on its line is no part of the header's lines.
    const std::string& brace_code = lines_[brace_line].code;
    const bool brace_first = brace_code.find_first_not_of(" \t") == brace_code.find('{');
    const size_t header_last = brace_line > header_line_ && brace_first ? brace_line - 1 : brace_line;
    const std::string name = d.header.empty() ? d.name : d.header[static_cast<size_t>(d.name_index)];
    f.description = HeaderDescription(header_line_, header_last, ArgumentNames(d), name);
    f.description.locals = std::move(locals_);
    locals_.clear();
    for (size_t i = brace_line + 1; i <= end_line && i < lines_.size(); ++i)
      if (!lines_[i].blank) f.indents.push_back(lines_[i].indent);
    file_.functions.push_back(std::move(f));
    recent_.clear();
    statement_.clear();
  }

  // --- #define ------------------------------------------------------------------

  void Directive(size_t first, size_t last) {
    std::string text;
    for (size_t i = first; i <= last; ++i) {
      std::string part = lines_[i].text;
      const size_t end = part.find_last_not_of(" \t");
      if (end != std::string::npos && part[end] == '\\') part.erase(end);
      text += part + " ";
    }
    size_t i = text.find('#') + 1;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (text.compare(i, 6, "define") != 0) return;
    i += 6;
    if (i >= text.size() || (text[i] != ' ' && text[i] != '\t')) return;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t name_end = i;
    while (name_end < text.size() && IsWord(text.substr(name_end, 1))) ++name_end;
    while (name_end < text.size() && ((text[name_end] >= '0' && text[name_end] <= '9') || IsWord(text.substr(name_end, 1))))
      ++name_end;
    if (name_end == i) return;
    DescribedItem item;
    item.kind = ItemKind::kDefine;
    item.name = text.substr(i, name_end - i);
    const std::string bare_name = item.name;
    size_t value = name_end;
    if (value < text.size() && text[value] == '(') {  // NAME(a, b)
      const size_t close = text.find(')', value);
      if (close == std::string::npos) return;
      item.name += CollapseBlanks(text.substr(value, close + 1 - value));
      value = close + 1;
    }
    item.value = CollapseBlanks(text.substr(value));
    if (item.value.empty() && IsIncludeGuard(item.name)) return;
    for (size_t line = first; line <= last; ++line)
      if (!lines_[line].trailing.empty()) {
        item.lines = ItemText(line, first, false, bare_name);
        break;
      }
    if (item.lines.empty()) item.lines = ItemText(first, first, true, bare_name);
    file_.items.push_back(std::move(item));
  }

  static bool IsIncludeGuard(std::string_view name) {
    for (std::string_view end : {"_H", "_H_", "_H__", "_INCLUDED", "_INCLUDED_"})
      if (name.size() > end.size() && name.substr(name.size() - end.size()) == end) return true;
    return false;
  }

  static constexpr size_t npos_ = static_cast<size_t>(-1);

  const std::vector<ShapedDefinition>& defs_;
  FileDescriptions file_;
  std::vector<SourceLine> lines_;

  Mode mode_ = Mode::kFile;
  size_t directive_start_ = npos_;
  std::vector<Token> statement_;
  std::vector<size_t> recent_;  // the lines of the file-level tokens since the last body
  int extern_c_ = 0;
  int skip_depth_ = 0;
  int paren_depth_ = 0;
  bool enumerator_next_ = false;
  std::vector<Token> enumerators_;
  size_t next_def_ = 0;

  const ShapedDefinition* current_ = nullptr;
  size_t header_line_ = 0;
  int body_depth_ = 0;
  std::vector<Token> body_statement_;
  std::vector<NamedText> locals_;
};

}  // namespace

FileDescriptions ReadSourceDescriptions(LineReader& input, size_t line_buffer_size,
                                        const std::vector<ShapedDefinition>& definitions,
                                        const SourceFileIdentity& identity) {
  return DescriptionReader(definitions).Read(input, line_buffer_size, identity);
}

}  // namespace kv
