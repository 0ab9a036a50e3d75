#include "analysis/comment_forms.h"

#include <algorithm>
#include <optional>

#include "analysis/comment_text.h"
#include "platform/encoding.h"

namespace kv {
namespace {

enum class Field { kNone, kSummary, kDetails, kParameters, kReturns, kNotes, kIgnored };

// What a label fills; `whole` keeps the labelled line as it is (who, when).
struct Label {
  Field field;
  bool whole;
};

struct LabelEntry {
  const char* text;  // UTF-8; ASCII labels are matched ignoring case
  Field field;
  bool whole;
};

constexpr LabelEntry kLabels[] = {
    {"機能", Field::kSummary, false},       {"概要", Field::kSummary, false},
    {"機能概要", Field::kSummary, false},   {"関数概要", Field::kSummary, false},
    {"処理概要", Field::kSummary, false},   {"説明", Field::kSummary, false},
    {"関数説明", Field::kSummary, false},   {"目的", Field::kSummary, false},
    {"desc", Field::kSummary, false},       {"description", Field::kSummary, false},
    {"summary", Field::kSummary, false},    {"brief", Field::kSummary, false},
    {"purpose", Field::kSummary, false},
    {"処理", Field::kDetails, false},       {"処理内容", Field::kDetails, false},
    {"処理詳細", Field::kDetails, false},   {"詳細", Field::kDetails, false},
    {"動作", Field::kDetails, false},       {"手順", Field::kDetails, false},
    {"details", Field::kDetails, false},    {"process", Field::kDetails, false},
    {"processing", Field::kDetails, false},
    {"引数", Field::kParameters, false},    {"引き数", Field::kParameters, false},
    {"入力", Field::kParameters, false},    {"入出力", Field::kParameters, false},
    {"パラメータ", Field::kParameters, false}, {"input", Field::kParameters, false},
    {"inputs", Field::kParameters, false},  {"param", Field::kParameters, false},
    {"params", Field::kParameters, false},  {"parameter", Field::kParameters, false},
    {"parameters", Field::kParameters, false}, {"arg", Field::kParameters, false},
    {"args", Field::kParameters, false},    {"argument", Field::kParameters, false},
    {"arguments", Field::kParameters, false},
    {"戻り値", Field::kReturns, false},     {"返り値", Field::kReturns, false},
    {"戻値", Field::kReturns, false},       {"返値", Field::kReturns, false},
    {"復帰値", Field::kReturns, false},     {"出力", Field::kReturns, false},
    {"返却値", Field::kReturns, false},     {"output", Field::kReturns, false},
    {"outputs", Field::kReturns, false},    {"return", Field::kReturns, false},
    {"returns", Field::kReturns, false},    {"retval", Field::kReturns, false},
    {"備考", Field::kNotes, false},         {"注意", Field::kNotes, false},
    {"注意事項", Field::kNotes, false},     {"補足", Field::kNotes, false},
    {"特記事項", Field::kNotes, false},     {"制約", Field::kNotes, false},
    {"制限", Field::kNotes, false},         {"前提条件", Field::kNotes, false},
    {"note", Field::kNotes, false},         {"notes", Field::kNotes, false},
    {"remark", Field::kNotes, false},       {"remarks", Field::kNotes, false},
    {"caution", Field::kNotes, false},      {"warning", Field::kNotes, false},
    {"作成者", Field::kNotes, true},        {"作成日", Field::kNotes, true},
    {"作成", Field::kNotes, true},          {"更新", Field::kNotes, true},
    {"更新日", Field::kNotes, true},        {"更新履歴", Field::kNotes, true},
    {"変更履歴", Field::kNotes, true},      {"履歴", Field::kNotes, true},
    {"版", Field::kNotes, true},            {"版数", Field::kNotes, true},
    {"バージョン", Field::kNotes, true},    {"担当", Field::kNotes, true},
    {"author", Field::kNotes, true},        {"date", Field::kNotes, true},
    {"version", Field::kNotes, true},       {"history", Field::kNotes, true},
    {"copyright", Field::kNotes, true},     {"context", Field::kNotes, true},
    {"関数名", Field::kIgnored, false},     {"関数名称", Field::kIgnored, false},
    {"名称", Field::kIgnored, false},       {"名前", Field::kIgnored, false},
    {"モジュール名", Field::kIgnored, false}, {"ファイル名", Field::kIgnored, false},
    {"function", Field::kIgnored, false},   {"name", Field::kIgnored, false},
    {"file", Field::kIgnored, false},       {"module", Field::kIgnored, false},
};

// Doxygen commands (after @ or \).
struct CommandEntry {
  const char* name;
  Field field;
  bool whole;
};

constexpr CommandEntry kCommands[] = {
    {"brief", Field::kSummary, false},     {"short", Field::kSummary, false},
    {"summary", Field::kSummary, false},   {"details", Field::kDetails, false},
    {"detail", Field::kDetails, false},    {"param", Field::kParameters, false},
    {"arg", Field::kParameters, false},    {"return", Field::kReturns, false},
    {"returns", Field::kReturns, false},   {"result", Field::kReturns, false},
    {"retval", Field::kReturns, false},    {"note", Field::kNotes, false},
    {"remark", Field::kNotes, false},      {"remarks", Field::kNotes, false},
    {"attention", Field::kNotes, false},   {"warning", Field::kNotes, false},
    {"caution", Field::kNotes, false},     {"pre", Field::kNotes, true},
    {"post", Field::kNotes, true},         {"invariant", Field::kNotes, true},
    {"bug", Field::kNotes, true},          {"todo", Field::kNotes, true},
    {"see", Field::kNotes, true},          {"sa", Field::kNotes, true},
    {"since", Field::kNotes, true},        {"deprecated", Field::kNotes, true},
    {"author", Field::kNotes, true},       {"authors", Field::kNotes, true},
    {"date", Field::kNotes, true},         {"version", Field::kNotes, true},
    {"copyright", Field::kNotes, true},     {"context", Field::kNotes, true},    {"par", Field::kNotes, true},
    {"exception", Field::kNotes, true},    {"throws", Field::kNotes, true},
    {"file", Field::kIgnored, false},      {"fn", Field::kIgnored, false},
    {"def", Field::kIgnored, false},       {"var", Field::kIgnored, false},
    {"typedef", Field::kIgnored, false},   {"struct", Field::kIgnored, false},
    {"union", Field::kIgnored, false},     {"enum", Field::kIgnored, false},
    {"defgroup", Field::kIgnored, false},  {"ingroup", Field::kIgnored, false},
    {"addtogroup", Field::kIgnored, false}, {"name", Field::kIgnored, false},
    {"mainpage", Field::kIgnored, false},  {"page", Field::kIgnored, false},
};

// The two bytes of a CP932 character at `i`, or 0.
unsigned Wide(std::string_view text, size_t i) {
  if (CharLengthAt(text, i) != 2) return 0;
  return static_cast<unsigned>(static_cast<unsigned char>(text[i])) << 8 | static_cast<unsigned char>(text[i + 1]);
}

constexpr unsigned kFullWidthSpace = 0x8140;
constexpr unsigned kFullWidthColon = 0x8146;
constexpr unsigned kRightArrow = 0x81A8;
constexpr unsigned kEllipsis = 0x8163;

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsWordChar(char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::optional<Label> FindLabel(std::string_view word) {
  word = TrimBlanks(word);
  while (word.size() >= 2 && Wide(word, 0) == kFullWidthSpace) word.remove_prefix(2);
  while (word.size() >= 2 && Wide(word, word.size() - 2) == kFullWidthSpace) word.remove_suffix(2);
  if (word.empty()) return std::nullopt;
  struct Converted {
    std::string text;
    Field field;
    bool whole;
  };
  static const std::vector<Converted> labels = [] {
    std::vector<Converted> out;
    for (const LabelEntry& e : kLabels) out.push_back({ToCp932(e.text), e.field, e.whole});
    return out;
  }();
  for (const Converted& l : labels)
    if (EqualsIgnoringCase(word, l.text)) return Label{l.field, l.whole};
  return std::nullopt;
}

// Separators between a name and its text: blanks, ":", "：", "-", "=",
// "..", "…", "→", "->", "=>" (a "-" before a digit is a sign, not one).
size_t SkipSeparators(std::string_view text, size_t i) {
  for (;;) {
    if (i >= text.size()) return i;
    const unsigned w = Wide(text, i);
    if (w == kFullWidthSpace || w == kFullWidthColon || w == kRightArrow || w == kEllipsis) {
      i += 2;
      continue;
    }
    const char c = text[i];
    const bool sign = c == '-' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9';
    if (c == ' ' || c == ':' || (c == '-' && !sign) || c == '=' || c == '.' || c == '>') {
      ++i;
      continue;
    }
    return i;
  }
}

// Between a label and its text: blanks, ":" and "：" only.
size_t SkipLabelSeparators(std::string_view text, size_t i) {
  while (i < text.size()) {
    const unsigned w = Wide(text, i);
    if (w == kFullWidthSpace || w == kFullWidthColon) {
      i += 2;
    } else if (text[i] == ' ' || text[i] == ':') {
      ++i;
    } else {
      break;
    }
  }
  return i;
}

// A labelled line: what the label is and where its text starts.
struct LabelMatch {
  Field field = Field::kNone;
  bool whole = false;
  bool brief = false;    // @brief: its paragraph ends at an empty line
  bool command = false;  // a doxygen command
  bool unknown = false;  // a doxygen command of no known meaning
  std::string name;      // @param's name, @retval's value
  std::string rest;      // the text after the label
};

std::string_view Rest(std::string_view line, size_t i) { return TrimBlanks(line.substr(std::min(i, line.size()))); }

std::optional<LabelMatch> MatchCommand(std::string_view line) {
  const size_t start = line.find_first_not_of(' ');
  if (start == std::string_view::npos || (line[start] != '@' && line[start] != '\\')) return std::nullopt;
  size_t end = start + 1;
  while (end < line.size() && IsAsciiLetter(line[end])) ++end;
  if (end == start + 1) return std::nullopt;
  const std::string_view name = line.substr(start + 1, end - start - 1);
  LabelMatch m;
  m.command = true;
  m.field = Field::kSummary;
  m.unknown = true;
  for (const CommandEntry& c : kCommands) {
    if (!EqualsIgnoringCase(name, c.name)) continue;
    m.field = c.field;
    m.whole = c.whole;
    m.unknown = false;
    break;
  }
  if (m.unknown || m.whole) {
    m.rest.assign(TrimBlanks(line));
    return m;
  }
  m.brief = m.field == Field::kSummary;
  size_t i = end;
  if (i < line.size() && line[i] == '[') {  // @param[in]
    const size_t close = line.find(']', i);
    if (close != std::string_view::npos) i = close + 1;
  }
  const bool named = EqualsIgnoringCase(name, "param") || EqualsIgnoringCase(name, "arg") ||
                     EqualsIgnoringCase(name, "retval");
  if (named) {
    while (i < line.size() && line[i] == ' ') ++i;
    size_t word = i;
    while (word < line.size() && line[word] != ' ' && line[word] != ':' && Wide(line, word) != kFullWidthColon)
      word += CharLengthAt(line, word);
    m.name.assign(line.substr(i, word - i));
    i = SkipSeparators(line, word);
  }
  m.rest.assign(Rest(line, i));
  return m;
}

// Opening and closing brackets around a label: 【】 ［］ [] 《》 〔〕 <> ＜＞.
unsigned ClosingBracket(std::string_view text, size_t i) {
  switch (Wide(text, i)) {
    case 0x8179: return 0x817A;
    case 0x816D: return 0x816E;
    case 0x8173: return 0x8174;
    case 0x816B: return 0x816C;
    case 0x8183: return 0x8184;
    default: break;
  }
  if (text[i] == '[') return ']';
  if (text[i] == '<') return '>';
  return 0;
}

// Marks before a label: ■ □ ◆ ◇ ● ○ ◎ ・.
bool IsLabelMark(std::string_view text, size_t i) {
  switch (Wide(text, i)) {
    case 0x81A1: case 0x81A0: case 0x819F: case 0x819E: case 0x819C: case 0x819B: case 0x819D: case 0x8145:
      return true;
    default:
      return false;
  }
}

bool IsWordEnd(std::string_view text, size_t i) {
  if (i >= text.size()) return true;
  const unsigned w = Wide(text, i);
  return text[i] == ' ' || text[i] == ':' || w == kFullWidthSpace || w == kFullWidthColon;
}

LabelMatch Matched(const Label& label, std::string_view line, size_t text_start) {
  LabelMatch m;
  m.field = label.field;
  m.whole = label.whole;
  m.rest.assign(label.whole ? TrimBlanks(line) : Rest(line, SkipLabelSeparators(line, text_start)));
  return m;
}

// 【機能】 text, ■機能 text, 機能： text; with `spaced`, also "Desc   text"
// (two blanks or a full-width space after the label) and a label alone.
std::optional<LabelMatch> MatchLabel(std::string_view line, bool spaced) {
  const size_t start = line.find_first_not_of(' ');
  if (start == std::string_view::npos) return std::nullopt;
  if (const unsigned close = ClosingBracket(line, start)) {
    const size_t open_length = CharLengthAt(line, start);
    for (size_t i = start + open_length; i < line.size(); i += CharLengthAt(line, i)) {
      const bool closes = close > 0xFF ? Wide(line, i) == close : line[i] == static_cast<char>(close);
      if (!closes) continue;
      auto label = FindLabel(line.substr(start + open_length, i - start - open_length));
      if (!label) return std::nullopt;
      return Matched(*label, line, i + CharLengthAt(line, i));
    }
    return std::nullopt;
  }
  size_t word = start;
  if (IsLabelMark(line, start)) word += 2;
  size_t end = word;
  while (!IsWordEnd(line, end)) end += CharLengthAt(line, end);
  auto label = FindLabel(line.substr(word, end - word));
  if (!label) return std::nullopt;
  if (word > start) return Matched(*label, line, end);  // ■機能
  size_t after = end;
  while (after < line.size() && line[after] == ' ') ++after;
  if (after < line.size() && (line[after] == ':' || Wide(line, after) == kFullWidthColon))
    return Matched(*label, line, after);
  if (!spaced) return std::nullopt;
  const bool alone = after >= line.size();
  // "Function twi_init": a name label needs no more than one blank.
  const bool gap = after - end >= 2 || (end < line.size() && Wide(line, end) == kFullWidthSpace) ||
                   (after > end && label->field == Field::kIgnored);
  if (alone || gap) return Matched(*label, line, end);
  return std::nullopt;
}

bool IsNothing(std::string_view text) {
  text = TrimBlanks(text);
  for (const char* nothing : {"なし", "無し", "ナシ", "なし。", "-", "－"})
    if (text == ToCp932(nothing)) return true;
  return EqualsIgnoringCase(text, "none") || EqualsIgnoringCase(text, "void") || EqualsIgnoringCase(text, "n/a");
}

// "x : text", "UCHAR x  text", "[in] x - text": the parameter the line's
// leading ASCII words name, and the text after it.
std::optional<NamedText> ParameterLine(std::string_view line, const std::vector<std::string>& names) {
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '*' || line[i] == '&')) ++i;
    if (i < line.size() && (line[i] == '[' || line[i] == '(')) {  // [in] (out)
      const size_t close = line.find(line[i] == '[' ? ']' : ')', i);
      if (close == std::string_view::npos) return std::nullopt;
      i = close + 1;
      continue;
    }
    if (i >= line.size() || !IsWordChar(line[i])) return std::nullopt;
    size_t end = i;
    while (end < line.size() && IsWordChar(line[end])) ++end;
    const std::string_view word = line.substr(i, end - i);
    const bool known = std::find(names.begin(), names.end(), word) != names.end();
    const size_t after = SkipSeparators(line, end);
    const bool separated = after > end || after >= line.size();
    if (known && separated) return NamedText{std::string(word), {std::string(Rest(line, after))}};
    if (names.empty() && separated && end < line.size() && (line[end] == ':' || Wide(line, end) == kFullWidthColon))
      return NamedText{std::string(word), {std::string(Rest(line, after))}};
    i = end;
  }
  return std::nullopt;
}

bool IsConstantLike(std::string_view value) {
  return std::none_of(value.begin(), value.end(), [](char c) { return c >= 'a' && c <= 'z'; }) ||
         (value[0] >= '0' && value[0] <= '9') || value[0] == '-';
}

// "VALUE : text", "VALUE .. text", "VALUE  text": a value of its own.
std::optional<NamedText> ReturnLine(std::string_view line) {
  line = TrimBlanks(line);
  size_t end = line.size() > 0 && line[0] == '-' ? 1 : 0;
  const size_t word = end;
  while (end < line.size() && IsWordChar(line[end])) ++end;
  if (end == word || end >= line.size()) return std::nullopt;
  const std::string_view value = line.substr(0, end);
  size_t blanks = end;
  while (blanks < line.size() && line[blanks] == ' ') ++blanks;
  const size_t after = SkipSeparators(line, end);
  if (after >= line.size()) return std::nullopt;
  const bool marked = after > blanks || Wide(line, end) == kFullWidthSpace;
  // "E_OK  text", and "0 正常" (a constant, one blank, then Japanese).
  const bool wide_after = static_cast<unsigned char>(line[blanks]) >= 0x80;
  const bool spaced = (blanks - end >= 2 || (blanks > end && wide_after)) && IsConstantLike(value);
  if (!marked && !spaced) return std::nullopt;
  return NamedText{std::string(value), {std::string(Rest(line, after))}};
}

class FunctionCommentReader {
 public:
  FunctionCommentReader(const TextLines& lines, const std::vector<std::string>& names, std::string_view function = {})
      : lines_(lines), names_(names), function_(function) {
    int labelled = 0;
    for (const std::string& line : lines_)
      if (MatchCommand(line) || MatchLabel(line, true)) ++labelled;
    spaced_ = labelled >= 2;
  }

  FunctionDescription Run() {
    for (const std::string& line : lines_) Take(line);
    Finish();
    return std::move(d_);
  }

  bool any_label() const { return any_label_; }
  const TextLines& leading() const { return leading_; }

 private:
  void Take(const std::string& line) {
    if (line.empty()) {
      // A paragraph ends @brief, and a command's parameter or return text:
      // plain text after it is the details.
      const bool command_list = from_command_ && (field_ == Field::kParameters || field_ == Field::kReturns);
      if (brief_ || command_list) {
        brief_ = false;
        field_ = Field::kNone;
        after_brief_ = true;
      }
      return;
    }
    std::optional<LabelMatch> m = KernelDocParameter(line);
    if (!m) m = MatchCommand(line);
    if (!m) m = MatchLabel(line, spaced_);
    if (m) {
      Start(*m, line);
      return;
    }
    Continue(line);
  }

  // "@name: text" (the kernel's form): a parameter, unless the name is a
  // command of its own and no parameter of the function ("@note: ...").
  std::optional<LabelMatch> KernelDocParameter(std::string_view line) const {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos || line[start] != '@') return std::nullopt;
    size_t end = start + 1;
    while (end < line.size() && (IsWordChar(line[end]) || line[end] == '.')) ++end;
    if (end == start + 1 || end >= line.size() || line[end] != ':') return std::nullopt;
    const std::string_view name = line.substr(start + 1, end - start - 1);
    const bool parameter = std::find(names_.begin(), names_.end(), name) != names_.end();
    const bool command = std::any_of(std::begin(kCommands), std::end(kCommands),
                                     [&name](const CommandEntry& c) { return EqualsIgnoringCase(name, c.name); });
    if (command && !parameter) return std::nullopt;
    LabelMatch m;
    m.field = Field::kParameters;
    m.command = true;
    m.name.assign(name);
    m.rest.assign(Rest(line, end + 1));
    return m;
  }

  void Start(const LabelMatch& m, std::string_view line) {
    any_label_ = true;
    field_ = m.field;
    brief_ = m.brief;
    from_command_ = m.command;
    if (m.field == Field::kParameters) {
      if (m.command) {
        d_.parameters.push_back({m.name, {}});
        if (!m.rest.empty()) d_.parameters.back().lines.push_back(m.rest);
      } else if (!m.rest.empty()) {
        ParameterText(m.rest);
      }
      return;
    }
    if (m.field == Field::kReturns) {
      if (!m.name.empty()) {
        value_column_ = line.find_first_not_of(' ');
        returns_open_ = true;
        d_.returns.push_back({m.name, {}});
        if (!m.rest.empty()) d_.returns.back().lines.push_back(m.rest);
      } else if (!m.rest.empty()) {
        ReturnText(m.rest, line.find(m.rest), true);
      } else {
        returns_open_ = false;
      }
      return;
    }
    if (!m.rest.empty()) Add(m.rest);
  }

  void Continue(const std::string& line) {
    switch (field_) {
      case Field::kParameters:
        if (from_command_) {
          if (!d_.parameters.empty()) d_.parameters.back().lines.emplace_back(TrimBlanks(line));
        } else {
          ParameterText(line);
        }
        return;
      case Field::kReturns:
        ReturnText(line, line.find_first_not_of(' '), false);
        return;
      case Field::kNone:
        if (after_brief_) {
          field_ = Field::kDetails;
          Add(line, true);
          field_ = Field::kNone;
        } else {
          leading_.push_back(line);
        }
        return;
      default:
        Add(line, true);
    }
  }

  TextLines* FieldLines(Field field) {
    switch (field) {
      case Field::kSummary: return &d_.summary;
      case Field::kDetails: return &d_.details;
      case Field::kNotes: return &d_.notes;
      default: return nullptr;
    }
  }

  // A line of a text field; `continued` for a line that goes on from the
  // label's line (its indentation is relative to the field's other lines).
  void Add(const std::string& text, bool continued = false) {
    TextLines* lines = FieldLines(field_);
    if (lines == nullptr) return;
    if (continued) continued_.push_back({field_, lines->size()});
    lines->push_back(text);
  }

  // The indentation the continued lines of a field share goes.
  void Dedent() {
    for (Field field : {Field::kSummary, Field::kDetails, Field::kNotes}) {
      TextLines& lines = *FieldLines(field);
      size_t shared = std::string::npos;
      for (const auto& [f, index] : continued_)
        if (f == field) shared = std::min(shared, lines[index].find_first_not_of(' '));
      if (shared == std::string::npos || shared == 0) continue;
      for (const auto& [f, index] : continued_)
        if (f == field) lines[index].erase(0, shared);
    }
  }

  void ParameterText(std::string_view line) {
    if (IsNothing(line)) return;
    if (std::optional<NamedText> entry = ParameterLine(line, names_)) {
      if (IsNothing(entry->lines[0])) entry->lines.clear();
      d_.parameters.push_back(std::move(*entry));
      return;
    }
    if (!d_.parameters.empty()) {
      d_.parameters.back().lines.emplace_back(TrimBlanks(line));
      return;
    }
    unplaced_parameters_.emplace_back(TrimBlanks(line));
  }

  // A return line (its text starting at `column`): a value of its own, or
  // more of the text before it. Under a value, only a line indented past
  // the value goes on with its text ("800 : upper limit" then "otherwise
  // rpm / 4" lined up with 800 is a text of its own).
  void ReturnText(std::string_view line, size_t column, bool first) {
    if (std::optional<NamedText> entry = ReturnLine(line)) {
      d_.returns.push_back(std::move(*entry));
      returns_open_ = true;
      value_column_ = column;
      return;
    }
    const bool goes_on = !first && returns_open_ && !d_.returns.empty() &&
                         (d_.returns.back().name.empty() || column > value_column_);
    if (goes_on) {
      d_.returns.back().lines.emplace_back(TrimBlanks(line));
      return;
    }
    d_.returns.push_back({"", {std::string(TrimBlanks(line))}});
    returns_open_ = true;
  }

  void Finish() {
    Dedent();
    StripFunctionName();
    if (!leading_.empty()) {
      TextLines& into = d_.summary.empty() ? d_.summary : d_.details;
      into.insert(into.begin(), leading_.begin(), leading_.end());
    }
    if (!unplaced_parameters_.empty()) {
      if (names_.size() == 1 && d_.parameters.empty()) {
        d_.parameters.push_back({names_[0], unplaced_parameters_});
      } else {
        unplaced_parameters_.front().insert(0, SJ("【引数】"));
        d_.notes.insert(d_.notes.end(), unplaced_parameters_.begin(), unplaced_parameters_.end());
      }
    }
    // A parameter named twice (@param and a 引数 line) keeps one text; empty
    // texts go.
    std::vector<NamedText> merged;
    for (NamedText& p : d_.parameters) {
      if (p.lines.empty()) continue;
      auto same = std::find_if(merged.begin(), merged.end(), [&p](const NamedText& m) { return m.name == p.name; });
      if (same == merged.end()) merged.push_back(std::move(p));
    }
    d_.parameters = std::move(merged);
    std::erase_if(d_.returns, [](const NamedText& r) { return r.lines.empty(); });
  }

  // "name() - text", "name - text": the summary's first line says the
  // function's name again (the kernel's form); the text is what counts.
  void StripFunctionName() {
    TextLines& lines = d_.summary.empty() ? leading_ : d_.summary;
    if (function_.empty() || lines.empty()) return;
    std::string_view first = lines.front();
    if (first.substr(0, function_.size()) != function_) return;
    first.remove_prefix(function_.size());
    if (first.substr(0, 2) == "()") first.remove_prefix(2);
    const size_t dash = first.find_first_not_of(' ');
    if (dash == std::string_view::npos || first[dash] != '-' || dash + 1 >= first.size() || first[dash + 1] != ' ')
      return;
    lines.front() = std::string(TrimBlanks(first.substr(dash + 1)));
    if (lines.front().empty()) lines.erase(lines.begin());
  }

  const TextLines& lines_;
  const std::vector<std::string>& names_;
  std::string_view function_;
  FunctionDescription d_;
  TextLines leading_;
  TextLines unplaced_parameters_;
  std::vector<std::pair<Field, size_t>> continued_;  // lines that go on from a label's line
  Field field_ = Field::kNone;
  bool spaced_ = false;
  bool brief_ = false;
  bool after_brief_ = false;
  bool from_command_ = false;
  bool returns_open_ = false;
  size_t value_column_ = 0;  // where the last return value's line began
  bool any_label_ = false;
};

}  // namespace

FunctionDescription ReadFunctionComment(const TextLines& lines, const std::vector<std::string>& parameter_names,
                                        std::string_view function) {
  return FunctionCommentReader(lines, parameter_names, function).Run();
}

FileComment ReadFileComment(const TextLines& lines) {
  FileComment out;
  const std::vector<std::string> no_names;
  FunctionCommentReader reader(lines, no_names);
  FunctionDescription d = reader.Run();
  if (!reader.any_label()) {
    // Plain text: the first paragraph says what the file is.
    size_t i = 0;
    for (; i < lines.size() && !lines[i].empty(); ++i) out.summary.push_back(lines[i]);
    for (; i < lines.size(); ++i)
      if (!lines[i].empty()) out.notes.push_back(lines[i]);
    return out;
  }
  out.summary = std::move(d.summary);
  out.notes = std::move(d.details);
  for (const NamedText& r : d.returns) out.notes.insert(out.notes.end(), r.lines.begin(), r.lines.end());
  for (const NamedText& p : d.parameters) out.notes.insert(out.notes.end(), p.lines.begin(), p.lines.end());
  out.notes.insert(out.notes.end(), d.notes.begin(), d.notes.end());
  return out;
}

TextLines ReadItemComment(const TextLines& lines, std::string_view name) {
  TextLines out;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    std::string_view text = line;
    if (out.empty() && !name.empty() && text.substr(0, name.size()) == name) {
      // "x : text" after x: the name is said already.
      size_t i = name.size();
      while (i < text.size() && text[i] == ' ') ++i;
      const bool marked = i < text.size() && (text[i] == ':' || text[i] == '-' || text[i] == '=' ||
                                              Wide(text, i) == kFullWidthColon);
      if (marked) text = Rest(text, SkipSeparators(text, i));
    }
    if (out.empty()) {
      std::optional<LabelMatch> m = MatchCommand(text);
      if (m && m->field == Field::kSummary && m->brief) {
        if (!m->rest.empty()) out.push_back(m->rest);
        continue;
      }
    }
    out.emplace_back(text);
  }
  return out;
}

}  // namespace kv
