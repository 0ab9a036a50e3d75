// Shift-JIS (Windows code page 932) <-> UTF-8.
//
// Inside the program every text is a CP932 byte string, so the byte-oriented
// tokenizer sees what it saw on Windows. Japanese literals are written in UTF-8
// in our sources and converted once, on first use, with SJ("...").
#pragma once

#include <string>
#include <string_view>

namespace kv {

// UTF-8 -> CP932. Characters CP932 cannot hold become '?'.
std::string ToCp932(std::string_view utf8);

// CP932 -> UTF-8 for terminals, windows and file names. Bytes that are not
// valid CP932 become '?'.
std::string ToUtf8(std::string_view cp932);

// CP932 -> UTF-8; false (and `out` untouched) when the text is not valid CP932.
bool TryToUtf8(std::string_view cp932, std::string& out);

// UTF-8 -> CP932; false when some character has no CP932 form.
bool TryToCp932(std::string_view utf8, std::string& out);

bool IsAscii(std::string_view text);

}  // namespace kv

// A UTF-8 literal as a CP932 string, converted once per call site
// (thread-safe static initialisation).
#define SJ(utf8_literal)                                                   \
  ([]() -> const std::string& {                                            \
    static const std::string converted = ::kv::ToCp932(utf8_literal);      \
    return converted;                                                      \
  }())
