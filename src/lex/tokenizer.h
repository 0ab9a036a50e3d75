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

// True for the newline token "\n" and the empty token.
bool IsLineEnd(std::string_view token);

class LineTokenizer {
 public:
  LineTokenizer() = default;
  explicit LineTokenizer(std::string_view line) { Assign(line); }

  // Takes a new line (a copy); a NUL byte ends it, as in a C string.
  void Assign(std::string_view line);

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

  // Lead bytes not followed by a trail byte so far (the original showed the
  // message box "失敗!" for each); never reset by Assign.
  int invalid_sjis_count() const { return invalid_sjis_; }
  void clear_invalid_sjis_count() { invalid_sjis_ = 0; }

 private:
  std::string_view Take(bool indented);

  std::string line_;
  size_t pos_ = 0;
  int invalid_sjis_ = 0;
};

}  // namespace kv
