#include "analysis/comment_text.h"

#include <algorithm>

#include "lex/tokenizer.h"

namespace kv {
namespace {

constexpr int kTabStop = 4;
// A run of decoration at an end of a line is taken away from this length on:
// "-- x" keeps its dashes, "----- x -----" loses them.
constexpr size_t kDecorationRun = 3;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Characters that draw lines and boxes rather than say something.
bool IsDecoration(std::string_view text, size_t i, size_t length) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  if (length == 1) return std::string_view("*-=#/~_+<>.").find(static_cast<char>(c)) != std::string_view::npos;
  const unsigned char d = static_cast<unsigned char>(text[i + 1]);
  if (c == 0x84 && d >= 0x9F && d <= 0xBE) return true;  // ─│┌┐┘└├┬┤┴┼━┃…
  if (c != 0x81) return false;
  // ＝ － ＊ ～ ― ￣ ＿ □ ■ ◇ ◆ ・
  switch (d) {
    case 0x81: case 0x7C: case 0x96: case 0x60: case 0x5C: case 0x50: case 0x51:
    case 0xA0: case 0xA1: case 0x9E: case 0x9F: case 0x45:
      return true;
    default:
      return false;
  }
}

// The decoration characters a line starts with (after blanks), in bytes,
// counting `chars` of them; stops at the first other character.
size_t LeadingDecoration(std::string_view text, size_t from, size_t& chars) {
  size_t i = from;
  chars = 0;
  while (i < text.size()) {
    const size_t n = CharLengthAt(text, i);
    if (!IsDecoration(text, i, n)) break;
    i += n;
    ++chars;
  }
  return i - from;
}

// Takes runs of decoration off both ends of the line; a line of decoration
// only becomes empty.
std::string StripDecoration(std::string line) {
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  size_t chars = 0;
  const size_t lead = LeadingDecoration(line, start, chars);
  if (start + lead >= line.size() && chars > 0) return "";  // decoration only
  if (chars >= kDecorationRun && IsBlank(line[start + lead])) line.erase(start, lead);

  // The trailing run: the characters after the last non-decoration one.
  size_t last_text_end = 0;  // one past the last character that is no decoration
  size_t run_chars = 0;
  for (size_t i = 0; i < line.size();) {
    const size_t n = CharLengthAt(line, i);
    if (IsDecoration(line, i, n)) {
      ++run_chars;
    } else {
      run_chars = 0;
      if (!IsBlank(line[i])) last_text_end = i + n;
    }
    i += n;
  }
  size_t run_start = last_text_end;
  while (run_start < line.size() && IsBlank(line[run_start])) ++run_start;
  if (run_chars >= kDecorationRun && run_start > last_text_end && run_start < line.size()) line.erase(last_text_end);
  return line;
}

std::string ExpandTabs(std::string_view text) {
  std::string out;
  int column = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\t') {
      const int spaces = kTabStop - column % kTabStop;
      out.append(static_cast<size_t>(spaces), ' ');
      column += spaces;
      ++i;
      continue;
    }
    const size_t n = CharLengthAt(text, i);
    out.append(text.substr(i, n));
    column += static_cast<int>(n);  // a two-byte character is two columns wide
    i += n;
  }
  return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// One piece without its comment markers.
std::string StripMarkers(std::string_view piece) {
  std::string_view text = piece;
  bool opened = false;
  const size_t first = text.find_first_not_of(" \t");
  if (first != std::string_view::npos && (StartsWith(text.substr(first), "//") || StartsWith(text.substr(first), "/*"))) {
    const bool block = text[first + 1] == '*';
    text.remove_prefix(first + 2);
    if (block) {
      while (!text.empty() && (text[0] == '*' || text[0] == '!') && !StartsWith(text, "*/")) text.remove_prefix(1);
    } else {
      while (!text.empty() && (text[0] == '/' || text[0] == '!')) text.remove_prefix(1);
    }
    if (!text.empty() && text[0] == '<') text.remove_prefix(1);  // ///< and /**< : about what stands before
    opened = true;
  }
  std::string out(text);
  // The closing "*/" with the stars of a box before it.
  const size_t end = out.find_last_not_of(" \t");
  if (end != std::string::npos && end >= 1 && out[end] == '/' && out[end - 1] == '*') {
    size_t cut = end - 1;
    while (cut > 0 && out[cut - 1] == '*') --cut;
    out.erase(cut);
  }
  // A continuation line of a block: the star that lines it up.
  if (!opened) {
    size_t i = 0;
    while (i < out.size() && IsBlank(out[i])) ++i;
    size_t stars = i;
    while (stars < out.size() && out[stars] == '*') ++stars;
    if (stars > i && (stars == out.size() || IsBlank(out[stars]))) out.erase(0, stars);
  }
  return out;
}

bool EndsWithBorder(std::string_view line, char border) {
  const size_t end = line.find_last_not_of(' ');
  return end != std::string_view::npos && end >= 1 && line[end] == border && line[end - 1] == ' ';
}

// A boxed block's right-hand border ("| text   |", "* text   *") goes when
// two or more lines end in it.
void StripRightBorder(TextLines& lines) {
  for (char border : {'*', '|'}) {
    const auto with = std::count_if(lines.begin(), lines.end(), [border](const std::string& l) { return EndsWithBorder(l, border); });
    if (with < 2) continue;
    for (std::string& line : lines) {
      if (!EndsWithBorder(line, border)) continue;
      line.erase(line.find_last_not_of(' '));
    }
  }
}

// "| text" on every line that says something: the left border goes.
void StripLeftBorder(TextLines& lines) {
  size_t text_lines = 0, bordered = 0;
  for (const std::string& line : lines) {
    const size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    ++text_lines;
    if (line[first] == '|') ++bordered;
  }
  if (text_lines < 2 || bordered != text_lines) return;
  for (std::string& line : lines) {
    const size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos) line.erase(0, first + 1);
  }
}

void TrimRight(std::string& line) {
  const size_t end = line.find_last_not_of(' ');
  line.erase(end == std::string::npos ? 0 : end + 1);
}

}  // namespace

size_t CharLengthAt(std::string_view text, size_t i) {
  if (i + 1 < text.size() && IsShiftJisLead(static_cast<unsigned char>(text[i])) &&
      IsShiftJisTrail(static_cast<unsigned char>(text[i + 1])))
    return 2;
  return 1;
}

int IndentWidth(std::string_view text) {
  int column = 0;
  for (char c : text) {
    if (c == ' ')
      ++column;
    else if (c == '\t')
      column += kTabStop - column % kTabStop;
    else
      break;
  }
  return column;
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

TextLines CleanCommentText(const std::vector<std::string>& pieces) {
  TextLines lines;
  for (const std::string& piece : pieces) {
    std::string line = StripMarkers(piece);
    line = ExpandTabs(line);
    TrimRight(line);
    lines.push_back(std::move(line));
  }
  StripRightBorder(lines);
  StripLeftBorder(lines);
  for (std::string& line : lines) {
    line = StripDecoration(std::move(line));
    TrimRight(line);
  }
  // The indentation every line of text shares. The text on the line of a
  // block comment's "/*" stands where the opener left it: the lines below
  // are lined up among themselves ("/* Title\n   more */").
  const size_t opener = pieces.empty() ? 0 : pieces[0].find_first_not_of(" \t");
  const bool text_after_opener = lines.size() > 1 && !lines[0].empty() && opener != std::string::npos &&
                                 pieces[0].compare(opener, 2, "/*") == 0;
  if (text_after_opener) lines[0].erase(0, lines[0].find_first_not_of(' '));
  size_t shared = std::string::npos;
  for (size_t i = text_after_opener ? 1 : 0; i < lines.size(); ++i) {
    const size_t first = lines[i].find_first_not_of(' ');
    if (first != std::string::npos) shared = std::min(shared, first);
  }
  if (shared == std::string::npos) shared = 0;
  TextLines out;
  for (std::string& line : lines) {
    if (line.empty()) {
      if (!out.empty() && !out.back().empty()) out.emplace_back();
      continue;
    }
    out.push_back(line.substr(std::min(shared, line.find_first_not_of(' '))));
  }
  while (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

}  // namespace kv
