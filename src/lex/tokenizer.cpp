#include "lex/tokenizer.h"

#include <cstring>

namespace kv {
namespace {

bool IsAlpha(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsHexLetter(unsigned char c) { return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Bytes of the character at `i`: a Shift-JIS pair counts as one, so that its
// trail byte (which may be a backslash) is never read on its own.
size_t CharLength(std::string_view s, size_t i) {
  if (i + 1 < s.size() && IsShiftJisLead(static_cast<unsigned char>(s[i])) &&
      IsShiftJisTrail(static_cast<unsigned char>(s[i + 1])))
    return 2;
  return 1;
}

}  // namespace

size_t LiteralEnd(std::string_view s, size_t open) {
  const char quote = s[open];
  size_t i = open + 1;
  while (i < s.size() && s[i] != quote && s[i] != '\n') {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] != '\n') {
      i += 1 + CharLength(s, i + 1);
    } else {
      i += CharLength(s, i);
    }
  }
  return i;
}

bool BlockCommentOpenAfter(std::string_view text, bool open_before) {
  bool open = open_before;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    const char c = text[i];
    const char d = i + 1 < n ? text[i + 1] : '\0';
    if (open) {
      if (c == '*' && d == '/') {
        open = false;
        i += 2;
      } else {
        i += CharLength(text, i);
      }
      continue;
    }
    if (c == '"' || c == '\'') {
      size_t end = LiteralEnd(text, i);
      i = end < n && text[end] == c ? end + 1 : end;
    } else if (c == '/' && d == '*') {
      open = true;
      i += 2;
    } else if (c == '/' && d == '/') {
      return false;  // the rest of the line is a line comment
    } else {
      i += CharLength(text, i);
    }
  }
  return open;
}

bool IsShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::string LowerAsciiName(std::string_view name) {
  std::string out(name);
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsShiftJisLead(c)) {
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c + 32);
    }
  }
  return out;
}

bool IsShiftJisTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

bool IsLineEnd(std::string_view token) { return token.empty() || token == "\n"; }

void LineTokenizer::Assign(std::string_view line, bool in_block_comment) {
  size_t nul = line.find('\0');
  if (nul != std::string_view::npos) line = line.substr(0, nul);
  line_.assign(line);
  pos_ = 0;
  in_block_comment_ = in_block_comment;
  last_part_ = TokenPart::kCode;
}

// Inside a block comment begun on an earlier line: the "*/" that ends it, or
// one blank-separated word of its text (never running into the "*/"). The
// newline stays the line's own token.
size_t LineTokenizer::TakeCommentWord(size_t start) {
  const std::string& s = line_;
  if (s.compare(start, 2, "*/") == 0) {
    in_block_comment_ = false;
    last_part_ = TokenPart::kCommentClose;
    return start + 2;
  }
  last_part_ = TokenPart::kCommentText;
  size_t i = start;
  while (i < s.size() && !IsBlank(s[i]) && s[i] != '\n' && s.compare(i, 2, "*/") != 0) i += CharLength(s, i);
  return i;
}

std::string_view LineTokenizer::Next() { return Take(false); }

std::string_view LineTokenizer::NextIndented(uint32_t* indent) {
  uint32_t width = 0;
  while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) {
    width += line_[pos_] == '\t' ? 4 : 1;
    ++pos_;
  }
  if (width != 0 && indent != nullptr) *indent = width | 0x80000000u;
  return Take(true);
}

// One token from pos_; the numbered steps are those of the tokenizer's
// description (white space, Shift-JIS run, identifier, number, literal,
// slash, asterisk, doubled operators, angle brackets, minus, bang, other).
std::string_view LineTokenizer::Take(bool indented) {
  const std::string& s = line_;
  const size_t n = s.size();
  auto at = [&](size_t i) -> unsigned char { return i < n ? static_cast<unsigned char>(s[i]) : 0; };

  while (pos_ < n && (s[pos_] == ' ' || s[pos_] == '\t')) ++pos_;
  last_part_ = TokenPart::kCode;
  if (pos_ >= n) return {};

  const size_t start = pos_;
  size_t end = start;  // one past the token's last byte
  size_t next = 0;     // where scanning goes on (past a consumed closing quote)
  const unsigned char c = at(start);

  if (in_block_comment_ && c != '\n') {
    end = TakeCommentWord(start);
  } else if (IsShiftJisLead(c)) {
    size_t i = start;
    while (IsShiftJisLead(at(i))) {
      if (i + 1 >= n) {  // lead byte at the very end of the line
        ++invalid_sjis_;
        ++i;
        break;
      }
      if (!IsShiftJisTrail(at(i + 1))) ++invalid_sjis_;
      i += 2;
    }
    end = i;
  } else if (IsAlpha(c) || c == '_') {
    size_t i = start + 1;
    while (i < n && (IsAlpha(at(i)) || IsDigit(at(i)) || at(i) == '_')) ++i;
    end = i;
  } else if (IsDigit(c)) {
    size_t i = start + 1;
    while (i < n && (IsDigit(at(i)) || at(i) == '.' || at(i) == 'x' || IsHexLetter(at(i)))) ++i;
    end = i;
  } else if (c == '"' || c == '\'') {
    last_part_ = TokenPart::kLiteral;
    size_t i = LiteralEnd(s, start);
    if (i < n && at(i) == c) {
      // The closing quote: consumed; kept only by the indented form.
      end = indented ? i + 1 : i;
      next = i + 1;
    } else {
      // Not closed on this line: the newline stays the line's last token.
      end = i;
    }
  } else if (c == '/') {
    if (at(start + 1) == '*') {
      const char* close = nullptr;
      if (start + 2 < n) {
        const char* from = s.data() + start + 2;
        const char* stop = s.data() + n;
        for (const char* p = from; p + 1 < stop; ++p) {
          if (p[0] == '*' && p[1] == '/') {
            close = p;
            break;
          }
        }
      }
      if (close != nullptr) {
        end = static_cast<size_t>(close - s.data()) + 2;
        last_part_ = TokenPart::kComment;
      } else {
        size_t nl = s.find('\n', start);
        end = nl == std::string::npos ? n : nl;
        in_block_comment_ = true;
        last_part_ = TokenPart::kCommentOpen;
      }
    } else if (at(start + 1) == '/') {
      size_t nl = s.find('\n', start);
      end = nl == std::string::npos ? n : nl;
      last_part_ = TokenPart::kComment;
    } else {
      end = start + 1;
    }
  } else if (c == '*') {
    end = at(start + 1) == '/' ? start + 2 : start + 1;
  } else if (c == '+' || c == '&' || c == '|' || c == '=') {
    if (at(start + 1) == c) {
      end = start + 2;
    } else if (indented && c != '=' && at(start + 1) == '=') {
      end = start + 2;
    } else {
      end = start + 1;
    }
  } else if (c == '<' || c == '>') {
    if (at(start + 1) == c) {
      end = indented && at(start + 2) == '=' ? start + 3 : start + 2;
    } else if (at(start + 1) == '=') {
      end = start + 2;
    } else {
      end = start + 1;
    }
  } else if (c == '-') {
    unsigned char d = at(start + 1);
    end = (d == '-' || d == '>' || (indented && d == '=')) ? start + 2 : start + 1;
  } else if (c == '!') {
    end = at(start + 1) == '=' ? start + 2 : start + 1;
  } else {
    end = start + 1;
  }

  pos_ = next != 0 ? next : end;
  return std::string_view(s).substr(start, end - start);
}

}  // namespace kv
