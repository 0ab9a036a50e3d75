// The two line tokenizers. A line is cut into tokens from its front, byte by
// byte, Shift-JIS aware: a run of two-byte characters is one token and is
// never split between its lead and trail byte.
//
// Lines keep their newline, so the last token of a line is "\n" and the call
// after it returns "". Tokens are views into the tokenizer's own copy of the
// line and stay valid until the next Assign.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

bool IsShiftJisLead(unsigned char c);   // 0x81-0x9F, 0xE0-0xFC
bool IsShiftJisTrail(unsigned char c);  // 0x40-0x7E, 0x80-0xFC

// The literal opened by the quote at `open`: the index of its closing quote,
// or of the newline (or the end) when the line does not close it. A
// backslash takes the character after it, so \" and \\ do not end it; a
// Shift-JIS character is taken whole.
size_t LiteralEnd(std::string_view s, size_t open);

// A file name as a Windows volume compares it: ASCII letters lower-cased,
// Shift-JIS characters left whole.
std::string LowerAsciiName(std::string_view name);

// True for the newline token "\n" and the empty token.
bool IsLineEnd(std::string_view token);

// True when a block comment is still open after `text`, given whether one
// was open before it. Literals (with their escapes) and line comments are
// passed over as C reads them.
bool BlockCommentOpenAfter(std::string_view text, bool open_before);

// What the last token taken was, as far as comments and literals go.
enum class TokenPart {
  kCode,          // anything else
  kLiteral,       // a character or string literal
  kCommentOpen,   // "/*" and the rest of its line: the comment goes on
  kCommentText,   // a word inside a block comment begun on an earlier line
  kCommentClose,  // the "*/" that ends a block comment begun earlier
  kComment,       // a whole "/* */" on one line, or a "//" comment
};

class LineTokenizer {
 public:
  LineTokenizer() = default;
  explicit LineTokenizer(std::string_view line) { Assign(line); }

  // Takes a new line (a copy); a NUL byte ends it, as in a C string.
  // `in_block_comment` says that the line starts inside a block comment: its
  // words up to the "*/" then come back as comment text.
  void Assign(std::string_view line, bool in_block_comment = false);
  // The next line of the same file: it starts inside a block comment when
  // the previous line ended inside one (its untaken rest included).
  void AssignNextLine(std::string_view line) { Assign(line, BlockCommentOpenAtEnd()); }
  // A block comment is open at the end of the current line.
  bool BlockCommentOpenAtEnd() const { return BlockCommentOpenAfter(Rest(), in_block_comment_); }

  // NextToken: the next token, "" when only blanks and tabs remain.
  std::string_view Next();

  // NextTokenIndented: as Next, but measures leading white space (a blank
  // counts 1, a tab 4) and stores width | 0x80000000 in *indent when it is
  // not zero (leaving *indent alone otherwise); keeps the closing quote of a
  // literal; and knows the compound operators += -= &= |= <<= >>=.
  std::string_view NextIndented(uint32_t* indent);

  // What is left of the line after the last token taken (leading white space
  // included), as the original left it at the start of its buffer.
  std::string_view Rest() const { return std::string_view(line_).substr(pos_); }
  std::string& line() { return line_; }

  TokenPart last_part() const { return last_part_; }
  // The last token lies inside a comment (its opening and closing
  // included): callers never read it as code.
  bool last_in_comment() const {
    return last_part_ != TokenPart::kCode && last_part_ != TokenPart::kLiteral;
  }

  // Lead bytes not followed by a trail byte so far (the original showed the
  // message box "失敗!" for each); never reset by Assign.
  int invalid_sjis_count() const { return invalid_sjis_; }
  void clear_invalid_sjis_count() { invalid_sjis_ = 0; }

 private:
  std::string_view Take(bool indented);
  size_t TakeCommentWord(size_t start);

  std::string line_;
  size_t pos_ = 0;
  bool in_block_comment_ = false;  // at pos_
  TokenPart last_part_ = TokenPart::kCode;
  int invalid_sjis_ = 0;
};

}  // namespace kv
