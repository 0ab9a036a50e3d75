#include "analysis/definition_shapes.h"

#include <algorithm>
#include <array>
#include <optional>

#include "lex/tokenizer.h"

namespace kv {
namespace {

// A file-level statement longer than this is no declaration: it is dropped.
constexpr size_t kMaxStatementTokens = 4000;
constexpr size_t kMaxNameLength = 200;
constexpr size_t kMaxArgumentTexts = 30;

bool IsWord(std::string_view t) {
  if (t.empty()) return false;
  const unsigned char c = static_cast<unsigned char>(t[0]);
  return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsShiftJisLead(c);
}

bool OneOf(std::string_view t, std::initializer_list<std::string_view> words) {
  return std::find(words.begin(), words.end(), t) != words.end();
}

// Words that are never a function's name.
bool IsReserved(std::string_view t) {
  return OneOf(t, {"if", "else", "for", "while", "do", "switch", "case", "default", "return", "goto", "break",
                   "continue", "sizeof", "typeof", "__typeof__", "__typeof", "_Alignof", "alignof", "__alignof__",
                   "_Generic", "_Static_assert", "static_assert", "defined", "struct", "union", "enum", "typedef",
                   "static", "extern", "auto", "register", "const", "volatile", "restrict", "__restrict",
                   "__restrict__", "inline", "__inline", "__inline__", "_Noreturn", "signed", "unsigned", "char",
                   "short", "int", "long", "float", "double", "void", "_Bool", "_Complex"});
}

// Words before a parenthesised argument that make an attribute, never a
// parameter list.
bool IsAttributeWithArguments(std::string_view t) {
  return OneOf(t, {"__attribute__", "__attribute", "__declspec", "__asm__", "__asm", "asm", "_Alignas", "alignas",
                   "__acquires", "__releases", "__must_hold", "_Pragma", "__pragma"});
}

// Words that cannot stand among the attribute words after a parameter list.
bool IsTypeWord(std::string_view t) {
  return OneOf(t, {"struct", "union", "enum", "typedef", "char", "short", "int", "long", "float", "double", "void",
                   "signed", "unsigned", "_Bool"});
}

bool IsStatementWord(std::string_view t) {
  return OneOf(t, {"if", "else", "for", "while", "do", "switch", "case", "default", "return", "goto", "break",
                   "continue", "sizeof"});
}

bool HasLowerCase(std::string_view t) {
  return std::any_of(t.begin(), t.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

using Tokens = std::vector<std::string>;

struct Group {
  size_t open = 0, close = 0;
  bool empty() const { return close == open + 1; }
};

// The index of the ")" matching the "(" at `open`, or npos.
size_t MatchingParen(const Tokens& t, size_t open, size_t end) {
  int depth = 0;
  for (size_t i = open; i < end; ++i) {
    if (t[i] == "(") ++depth;
    if (t[i] == ")" && --depth == 0) return i;
  }
  return std::string::npos;
}

// Parenthesised groups at depth 0 of t[begin, end); false when unbalanced.
bool TopLevelGroups(const Tokens& t, size_t begin, size_t end, std::vector<Group>& groups) {
  for (size_t i = begin; i < end; ++i) {
    if (t[i] == ")") return false;
    if (t[i] != "(") continue;
    const size_t close = MatchingParen(t, i, end);
    if (close == std::string::npos) return false;
    groups.push_back({i, close});
    i = close;
  }
  return true;
}

// A group that can be a parameter list: after a name-like word, and holding
// nothing or starting with a word or "..." (an attribute's argument starts
// with "(", a number or a literal).
bool CanBeParameterList(const Tokens& t, const Group& g) {
  if (g.open == 0) return false;
  const std::string& before = t[g.open - 1];
  if (!IsWord(before) || IsReserved(before) || IsAttributeWithArguments(before)) return false;
  if (g.empty()) return true;
  const std::string& first = t[g.open + 1];
  return IsWord(first) || first == ".";
}

// Words and word(...) groups only, from `begin` to `end`; `allow_types` lets
// type words through (before the name).
bool WordsAndAttributes(const Tokens& t, size_t begin, size_t end, bool before_name) {
  for (size_t i = begin; i < end; ++i) {
    const std::string& tok = t[i];
    if (tok == "(") {
      const size_t close = MatchingParen(t, i, end);
      if (close == std::string::npos) return false;
      const bool after_word = i > begin && IsWord(t[i - 1]);
      const bool doubled = i + 1 < close && t[i + 1] == "(";
      if (!after_word && !doubled) return false;
      i = close;
      continue;
    }
    if (before_name && (tok == "*" || tok == "{}")) continue;
    if (!IsWord(tok) || IsStatementWord(tok)) return false;
    if (!before_name && IsTypeWord(tok)) return false;
  }
  return true;
}

// A K&R declaration list: declarations of words, "*", "[ ]", "( )", ","
// each ended by ";".
bool KnrDeclarations(const Tokens& t, size_t begin, size_t end) {
  for (size_t i = begin; i < end; ++i) {
    const std::string& tok = t[i];
    if (IsWord(tok) && !IsStatementWord(tok)) continue;
    if (OneOf(tok, {"*", ",", "[", "]", "(", ")", ";"})) continue;
    if (!tok.empty() && tok[0] >= '0' && tok[0] <= '9') continue;  // an array size
    return false;
  }
  return true;
}

bool IdentifierList(const Tokens& t, const Group& g) {
  for (size_t i = g.open + 1; i < g.close; ++i) {
    const bool name_place = (i - g.open) % 2 == 1;
    if (name_place ? !IsWord(t[i]) || IsReserved(t[i]) : t[i] != ",") return false;
  }
  return (g.close - g.open) % 2 == 0 || g.empty();
}

void AppendTabbed(std::string& out, const Tokens& t, size_t begin, size_t end) {
  for (size_t i = begin; i < end; ++i) {
    out += t[i];
    out += '\t';
  }
}

// The declarator name of a parameter or K&R declarator t[begin, end): the
// word after "(" "*" for a function pointer, else the last word before any
// "[". npos when there is none.
size_t DeclaratorName(const Tokens& t, size_t begin, size_t end) {
  for (size_t i = begin; i < end; ++i) {
    if (t[i] == "(") {
      for (size_t j = i + 1; j < end; ++j)
        if (IsWord(t[j]) && !IsReserved(t[j])) return j;
      return std::string::npos;
    }
    if (t[i] == "[") end = i;
  }
  size_t name = std::string::npos;
  for (size_t i = begin; i < end; ++i)
    if (IsWord(t[i])) name = i;
  return name;
}

// The [begin, end) token ranges of the comma-separated arguments inside a
// group (commas inside nested parentheses or brackets belong to their
// argument).
std::vector<std::pair<size_t, size_t>> ArgumentRanges(const Tokens& t, const Group& g) {
  std::vector<std::pair<size_t, size_t>> ranges;
  size_t start = g.open + 1;
  int depth = 0;
  for (size_t i = g.open + 1; i <= g.close; ++i) {
    if (t[i] == "(" || t[i] == "[") ++depth;
    if ((t[i] == ")" || t[i] == "]") && i != g.close) --depth;
    if (i != g.close && !(t[i] == "," && depth == 0)) continue;
    ranges.emplace_back(start, i);
    start = i + 1;
  }
  return ranges;
}

// Argument texts of a prototype-style parameter list: each parameter's
// tokens up to its name, each followed by a tab (void, "..." and unnamed
// parameters give none).
std::vector<std::string> ParameterTexts(const Tokens& t, const Group& g) {
  std::vector<std::string> out;
  for (const auto& [start, end] : ArgumentRanges(t, g)) {
    const size_t name = DeclaratorName(t, start, end);
    size_t words = 0;
    for (size_t j = start; j < end; ++j) words += IsWord(t[j]) && t[j] != "const" && t[j] != "volatile";
    if (name != std::string::npos && words >= 2 && out.size() < kMaxArgumentTexts) {
      std::string text;
      AppendTabbed(text, t, start, name + 1);
      out.push_back(std::move(text));
    }
  }
  return out;
}

// Argument texts of a K&R definition: each name of the identifier list with
// the type its declaration gives it ("int" when it has none).
std::vector<std::string> KnrTexts(const Tokens& t, const Group& g, size_t decl_begin, size_t decl_end) {
  std::vector<std::pair<std::string, std::string>> declared;  // name, text
  size_t start = decl_begin;
  std::string type;
  bool first_part = true;
  int depth = 0;
  for (size_t i = decl_begin; i < decl_end; ++i) {
    if (t[i] == "(" || t[i] == "[") ++depth;
    if (t[i] == ")" || t[i] == "]") --depth;
    const bool part_end = (t[i] == "," && depth == 0) || t[i] == ";";
    if (!part_end) continue;
    const size_t name = DeclaratorName(t, start, i);
    if (name != std::string::npos) {
      size_t declarator = start;
      if (first_part) {
        // The type is everything before the declarator ("*"s and the name).
        declarator = name;
        while (declarator > start && (t[declarator - 1] == "*" || t[declarator - 1] == "(")) --declarator;
        type.clear();
        AppendTabbed(type, t, start, declarator);
      }
      std::string text = type;
      AppendTabbed(text, t, declarator, name + 1);
      declared.emplace_back(t[name], std::move(text));
    }
    first_part = t[i] == ";";
    start = i + 1;
  }
  std::vector<std::string> out;
  for (size_t i = g.open + 1; i < g.close && out.size() < kMaxArgumentTexts; i += 2) {
    auto it = std::find_if(declared.begin(), declared.end(), [&](const auto& d) { return d.first == t[i]; });
    out.push_back(it != declared.end() ? it->second : "int\t" + t[i] + "\t");
  }
  return out;
}

// The record name of a wrapper: the call as written, tokens joined without
// separators (two words kept apart by "_"), made a safe file name.
// Argument texts of a definition wrapped in a macro call whose arguments
// after the name come in (type, name) pairs: SYSCALL_DEFINE2(munlock,
// unsigned long, start, size_t, len) declares start and len. Any other
// shape (ISR(TIMER0_OVF_vect), ISR(v, ISR_NOBLOCK)) declares none.
std::vector<std::string> WrapperParameterTexts(const Tokens& t, const Group& g) {
  const std::vector<std::pair<size_t, size_t>> parts = ArgumentRanges(t, g);
  std::vector<std::string> out;
  if (parts.size() < 3 || parts.size() % 2 == 0) return out;
  for (size_t k = 1; k + 1 < parts.size(); k += 2) {
    const auto [type_begin, type_end] = parts[k];
    const auto [name_begin, name_end] = parts[k + 1];
    if (type_begin == type_end || name_end != name_begin + 1 || !IsWord(t[name_begin]) || IsReserved(t[name_begin]))
      return {};
  }
  for (size_t k = 1; k + 1 < parts.size() && out.size() < kMaxArgumentTexts; k += 2) {
    std::string text;
    AppendTabbed(text, t, parts[k].first, parts[k].second);
    AppendTabbed(text, t, parts[k + 1].first, parts[k + 1].second);
    out.push_back(std::move(text));
  }
  return out;
}

std::string WrapperName(const Tokens& t, size_t end) {
  std::string name;
  for (size_t i = 0; i < end; ++i) {
    if (i > 0 && IsWord(t[i]) && IsWord(t[i - 1])) name += '_';
    name += t[i];
  }
  if (name.size() > kMaxNameLength) name.resize(kMaxNameLength);
  return SafeFileName(name);
}

// The statement before a file-level "{" as a definition, when it has the
// shape of one.
std::optional<ShapedDefinition> AsDefinition(const Tokens& t) {
  const size_t n = t.size();
  if (n < 3) return std::nullopt;
  int depth = 0;
  size_t semi = n;  // the first ";": K&R declarations follow the list
  for (size_t i = 0; i < n; ++i) {
    if (t[i] == "(") ++depth;
    if (t[i] == ")") --depth;
    if (t[i] == "typedef" || (depth == 0 && t[i] == "=")) return std::nullopt;
    if (t[i] == ";" && semi == n) semi = i;
  }
  std::vector<Group> groups;
  if (!TopLevelGroups(t, 0, semi, groups)) return std::nullopt;

  std::optional<Group> params;
  size_t name = 0, tail = 0;
  size_t prefix_end = 0;  // the words before the declarator end here
  for (auto g = groups.rbegin(); g != groups.rend(); ++g) {
    if (!CanBeParameterList(t, *g)) continue;
    params = *g;
    name = g->open - 1;
    prefix_end = name;
    tail = g->close + 1;
    break;
  }
  if (!params) {
    // A function returning a function pointer: T (*name(params))(args).
    for (const Group& g : groups) {
      if (g.empty() || t[g.open + 1] != "*") continue;
      size_t i = g.open + 1;
      while (i < g.close && (t[i] == "*" || t[i] == "const")) ++i;
      if (i + 1 >= g.close || !IsWord(t[i]) || IsReserved(t[i]) || t[i + 1] != "(") continue;
      const size_t inner_close = MatchingParen(t, i + 1, g.close);
      if (inner_close + 1 != g.close || g.close + 1 >= semi || t[g.close + 1] != "(") continue;
      const size_t args_close = MatchingParen(t, g.close + 1, semi);
      if (args_close == std::string::npos) continue;
      params = Group{i + 1, inner_close};
      name = i;
      prefix_end = g.open;
      tail = args_close + 1;
      break;
    }
  }
  if (!params) return std::nullopt;

  const bool knr = semi < n;
  if (knr) {
    size_t last_semi = semi;
    for (size_t i = semi; i < n; ++i)
      if (t[i] == ";") last_semi = i;
    if (!IdentifierList(t, *params) || !KnrDeclarations(t, tail, last_semi + 1) || !WordsAndAttributes(t, last_semi + 1, n, false))
      return std::nullopt;
  } else if (!WordsAndAttributes(t, tail, n, false)) {
    return std::nullopt;
  }
  if (!WordsAndAttributes(t, 0, prefix_end, true)) return std::nullopt;
  if (prefix_end > 0 && OneOf(t[prefix_end - 1], {"struct", "union", "enum"})) return std::nullopt;

  ShapedDefinition d;
  d.header = t;
  d.name_index = static_cast<int>(name);
  const bool wrapper = name == 0 && !knr && !params->empty() && !HasLowerCase(t[0]);
  if (wrapper) {
    d.name = WrapperName(t, params->close + 1);
  } else {
    d.name = t[name];
  }
  if (knr) {
    size_t last_semi = semi;
    for (size_t i = semi; i < n; ++i)
      if (t[i] == ";") last_semi = i;
    d.arguments = KnrTexts(t, *params, tail, last_semi + 1);
  } else if (wrapper) {
    d.arguments = WrapperParameterTexts(t, *params);
  } else {
    d.arguments = ParameterTexts(t, *params);
  }
  return d;
}

// The statement so far ends like a K&R header whose declaration list has
// begun: NAME(a, b) followed by declarations. Its ";" then does not end it.
bool KnrListPending(const Tokens& t) {
  constexpr long kMaxDeclarations = 32;
  if (std::count(t.begin(), t.end(), ";") >= kMaxDeclarations) return false;
  std::vector<Group> groups;
  size_t semi = std::find(t.begin(), t.end(), ";") - t.begin();
  if (!TopLevelGroups(t, 0, semi, groups)) return false;
  for (const Group& g : groups) {
    if (g.empty() || g.open == 0 || !IsWord(t[g.open - 1]) || !IdentifierList(t, g)) continue;
    return g.close + 1 < t.size() && t[g.close + 1] != ";" && KnrDeclarations(t, g.close + 1, t.size());
  }
  return false;
}

// A statement whose "{ }" is an aggregate's body or an initialiser.
bool Aggregate(const Tokens& t) {
  return std::any_of(t.begin(), t.end(), [](const std::string& tok) {
    return tok == "=" || tok == "struct" || tok == "union" || tok == "enum";
  });
}

// The scan over the file's tokens at file level.
class ShapeScanner {
 public:
  void Token(std::string_view token, long line, size_t resume, std::string_view rest) {
    if (depth_ > 0) {
      if (token == "{") ++depth_;
      if (token == "}" && --depth_ == 0) {
        // An aggregate's body or an initialiser goes on to its ";"; after
        // any other block a new statement starts.
        if (in_function_) found_.back().end_line = line;
        if (!in_function_ && Aggregate(statement_)) statement_.emplace_back("{}");
        else statement_.clear();
        in_function_ = false;
      }
      return;
    }
    if (token == ";" && KnrListPending(statement_)) {
      statement_.emplace_back(token);
      return;
    }
    if (token == ";" || token == "}") {
      statement_.clear();
      return;
    }
    if (token != "{") {
      if (statement_.size() >= kMaxStatementTokens) statement_.clear();
      statement_.emplace_back(token);
      return;
    }
    std::optional<ShapedDefinition> d = AsDefinition(statement_);
    // What looked like K&R declarations may have been statements of their
    // own: the part after a ";" alone, the longest first.
    constexpr int kMaxRetries = 32;
    auto semi = statement_.begin();
    for (int retry = 0; !d && retry < kMaxRetries; ++retry) {
      semi = std::find(semi, statement_.end(), ";");
      if (semi == statement_.end()) break;
      ++semi;
      d = AsDefinition(Tokens(semi, statement_.end()));
    }
    if (d) {
      d->brace_line = line;
      d->resume_position = resume;
      d->rest_of_line.assign(rest);
      found_.push_back(std::move(*d));
      in_function_ = true;
      depth_ = 1;
      statement_.clear();
      return;
    }
    // extern "C" { ... }: its declarations stay at file level.
    if (statement_.size() == 2 && statement_[0] == "extern" && !statement_[1].empty() && statement_[1][0] == '"') {
      statement_.clear();
      return;
    }
    in_function_ = false;
    depth_ = 1;
  }

  std::vector<ShapedDefinition> Take() { return std::move(found_); }

 private:
  Tokens statement_;
  int depth_ = 0;
  bool in_function_ = false;
  std::vector<ShapedDefinition> found_;
};

bool IsDirectiveLine(std::string_view blanked) {
  const size_t p = blanked.find_first_not_of(" \t");
  return p != std::string_view::npos && blanked[p] == '#';
}

bool EndsWithBackslash(std::string_view blanked) {
  const size_t p = blanked.find_last_not_of(" \t\r\n");
  return p != std::string_view::npos && blanked[p] == '\\';
}

}  // namespace

// The contents of a literal from `i` blanked with "x" up to its closing
// `quote`; returns the index after the quote, or the line's end (npos) when
// the literal goes on.
size_t BlankLiteral(std::string& out, size_t i, char quote) {
  const size_t n = out.size();
  while (i < n && out[i] != quote && out[i] != '\n') {
    const unsigned char b = static_cast<unsigned char>(out[i]);
    const bool pair = (b == '\\' || IsShiftJisLead(b)) && i + 1 < n && out[i + 1] != '\n' &&
                      (b == '\\' || IsShiftJisTrail(static_cast<unsigned char>(out[i + 1])));
    out[i] = 'x';
    if (pair) out[++i] = 'x';
    ++i;
  }
  return i < n && out[i] == quote ? i + 1 : std::string::npos;
}

std::string BlankCommentsAndLiterals(std::string_view line, BlankState& state) {
  std::string out(line);
  const size_t n = out.size();
  size_t i = 0;
  auto blank = [&out](size_t from, size_t to) {
    for (size_t k = from; k < to; ++k)
      if (out[k] != '\n') out[k] = ' ';
  };
  if (state.in_string) {
    // The rest of a string an earlier line left open, its closing quote
    // blanked too (it must not open a literal for the tokenizer).
    i = BlankLiteral(out, 0, '"');
    if (i == std::string::npos) return out;
    out[i - 1] = 'x';
    state.in_string = false;
  }
  while (i < n) {
    if (state.in_comment) {
      const size_t end = out.find("*/", i);
      if (end == std::string::npos) {
        blank(i, n);
        return out;
      }
      blank(i, end + 2);
      i = end + 2;
      state.in_comment = false;
      continue;
    }
    const char c = out[i];
    if (c == '/' && i + 1 < n && out[i + 1] == '*') {
      state.in_comment = true;
      continue;
    }
    if (c == '/' && i + 1 < n && out[i + 1] == '/') {
      blank(i, n);
      return out;
    }
    if (c == '"' || c == '\'') {
      i = BlankLiteral(out, i + 1, c);
      // A string the line leaves open goes on in the next (the multi-line
      // strings of old asm statements); a character literal never does.
      if (i == std::string::npos) {
        state.in_string = c == '"';
        return out;
      }
      continue;
    }
    if (IsShiftJisLead(static_cast<unsigned char>(c)) && i + 1 < n) {
      i += 2;  // the trail byte may look like "/" or a quote
      continue;
    }
    if (c == '\f' || c == '\v' || c == '\r') out[i] = ' ';  // white space to C, not to the tokenizer
    ++i;
  }
  return out;
}

bool NamesAnAttribute(const TokenList& tokens, int name_index, int brace_index) {
  auto at = [&tokens](int i) -> const std::string& { return tokens[static_cast<size_t>(i)]; };
  const int open = name_index + 1;
  if (open + 1 >= brace_index || at(open) != "(") return false;
  const std::string& first = at(open + 1);
  const unsigned char c = static_cast<unsigned char>(first.empty() ? 0 : first[0]);
  if (first == "(" || (c >= '0' && c <= '9') || c == '"' || c == '\'') return true;
  int depth = 0;
  int close = open;
  for (; close < brace_index; ++close) {
    if (at(close) == "(") ++depth;
    if (at(close) == ")" && --depth == 0) break;
  }
  for (int i = close + 1; i + 1 < brace_index; ++i) {
    if (at(i + 1) == "(" && IsWord(at(i)) && !IsReserved(at(i)) && !IsAttributeWithArguments(at(i))) return true;
  }
  return false;
}

std::string SafeFileName(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsShiftJisLead(c) && i + 1 < out.size()) {
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F || std::string_view("\\/:*?\"<>|. ").find(static_cast<char>(c)) != std::string_view::npos)
      out[i] = '_';
  }
  return out;
}

std::vector<ShapedDefinition> FindDefinitionsByShape(LineReader& reader, size_t line_buffer_size) {
  ShapeScanner scanner;
  LineTokenizer tokenizer;
  std::string raw;
  BlankState blank_state;
  bool directive_goes_on = false;
  long line_number = 0;
  while (reader.ReadLine(raw, line_buffer_size)) {
    ++line_number;
    const bool in_string = blank_state.in_string;
    const std::string blanked = BlankCommentsAndLiterals(raw, blank_state);
    if (!in_string && (directive_goes_on || IsDirectiveLine(blanked))) {
      directive_goes_on = EndsWithBackslash(blanked);
      continue;
    }
    tokenizer.Assign(blanked);
    for (;;) {
      uint32_t indent = 0;
      std::string_view token = tokenizer.NextIndented(&indent);
      if (IsLineEnd(token)) break;
      const size_t offset = blanked.size() - tokenizer.Rest().size();
      // A literal's text as written (the blanked copy holds "x"s of the same
      // length): a header keeps its strings.
      if (token[0] == '"' || token[0] == '\'') token = std::string_view(raw).substr(offset - token.size(), token.size());
      scanner.Token(token, line_number, reader.position(), std::string_view(raw).substr(offset));
    }
  }
  return scanner.Take();
}

}  // namespace kv
