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

// How the bytes of a source file are read (--source-encoding).
enum class SourceEncoding {
  kAuto,   // UTF-8 when the file is valid UTF-8 and not plain ASCII, else CP932
  kCp932,  // as they are
  kUtf8,   // UTF-8, converted
};

// "auto", "cp932", "utf-8" (also "utf8", any case); false for anything else.
bool ParseSourceEncoding(std::string_view name, SourceEncoding& encoding);

// True when the text is well-formed UTF-8 (ASCII included).
bool IsValidUtf8(std::string_view text);

// A source file's bytes as the CP932 text the pipeline reads. A UTF-8
// byte-order mark at the start is dropped whatever the encoding (in a file
// read as CP932 it would stick to the first token); a character CP932
// cannot hold (or a byte that is not UTF-8 in a file read as UTF-8) becomes
// the stand-in "〓", counted in `stand_ins`. CP932 bytes pass unchanged.
struct SourceText {
  std::string text;
  bool was_utf8 = false;
  bool bom_in_cp932 = false;  // a mark dropped from a file read as CP932
  size_t stand_ins = 0;
};
SourceText SourceToCp932(std::string_view bytes, SourceEncoding encoding);

}  // namespace kv

// A UTF-8 literal as a CP932 string, converted once per call site
// (thread-safe static initialisation).
#define SJ(utf8_literal)                                                   \
  ([]() -> const std::string& {                                            \
    static const std::string converted = ::kv::ToCp932(utf8_literal);      \
    return converted;                                                      \
  }())
