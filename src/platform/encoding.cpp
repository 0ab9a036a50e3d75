#include "platform/encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace kv {
namespace {

// One iconv descriptor per direction and thread: iconv_t is not thread-safe,
// and the worker and the window thread both convert.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`; with `replace` set, an unconvertible or invalid input byte
  // becomes '?' and conversion goes on; otherwise the first one fails it.
  bool Convert(std::string_view in, std::string& out, bool replace) {
    out.clear();
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      out.assign(in);
      return false;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char buffer[4096];
    bool ok = true;
    while (src_left > 0) {
      char* dst = buffer;
      size_t dst_left = sizeof buffer;
      size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      out.append(buffer, static_cast<size_t>(dst - buffer));
      if (r != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence at the end).
      ok = false;
      if (!replace) return false;
      out.push_back('?');
      ++src;
      --src_left;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return ok;
  }

 private:
  iconv_t cd_;
};

Converter& ToSjis() {
  thread_local Converter c("CP932", "UTF-8");
  return c;
}

Converter& FromSjis() {
  thread_local Converter c("UTF-8", "CP932");
  return c;
}

Converter& Utf8Check() {
  thread_local Converter c("UTF-32LE", "UTF-8");
  return c;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kStandIn = "\x81\xAC";  // 〓 in CP932

// Bytes of the UTF-8 sequence its lead byte announces (1 for a stray byte).
size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

// UTF-8 -> CP932, each character without a CP932 form (or each malformed
// sequence) as one stand-in. Returns how many were put in.
size_t Utf8ToCp932WithStandIns(std::string_view in, std::string& out) {
  out.clear();
  size_t stand_ins = 0;
  size_t pos = 0;
  while (pos < in.size()) {
    // Plain ASCII runs need no converter.
    size_t run = pos;
    while (run < in.size() && static_cast<unsigned char>(in[run]) < 0x80) ++run;
    out.append(in.substr(pos, run - pos));
    pos = run;
    if (pos >= in.size()) break;
    size_t end = pos;
    while (end < in.size() && static_cast<unsigned char>(in[end]) >= 0x80) ++end;
    std::string_view piece = in.substr(pos, end - pos);
    std::string converted;
    if (ToSjis().Convert(piece, converted, false)) {
      out += converted;
      pos = end;
      continue;
    }
    // Character by character for the piece that failed.
    size_t i = 0;
    while (i < piece.size()) {
      size_t length = std::min(Utf8SequenceLength(static_cast<unsigned char>(piece[i])), piece.size() - i);
      std::string one;
      if (ToSjis().Convert(piece.substr(i, length), one, false)) {
        out += one;
      } else {
        out += kStandIn;
        ++stand_ins;
      }
      i += length;
    }
    pos = end;
  }
  return stand_ins;
}

}  // namespace

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

bool ParseSourceEncoding(std::string_view name, SourceEncoding& encoding) {
  std::string lower;
  for (char c : name) lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  if (lower == "auto") {
    encoding = SourceEncoding::kAuto;
  } else if (lower == "cp932" || lower == "shift_jis" || lower == "sjis") {
    encoding = SourceEncoding::kCp932;
  } else if (lower == "utf-8" || lower == "utf8") {
    encoding = SourceEncoding::kUtf8;
  } else {
    return false;
  }
  return true;
}

bool IsValidUtf8(std::string_view text) {
  if (IsAscii(text)) return true;
  std::string ignored;
  return Utf8Check().Convert(text, ignored, false);
}

SourceText SourceToCp932(std::string_view bytes, SourceEncoding encoding) {
  SourceText result;
  const bool bom = bytes.starts_with(kUtf8Bom);
  if (bom) bytes.remove_prefix(kUtf8Bom.size());
  if (IsAscii(bytes)) {
    result.text.assign(bytes);
    return result;
  }
  if (encoding == SourceEncoding::kCp932 || (encoding == SourceEncoding::kAuto && !IsValidUtf8(bytes))) {
    result.text.assign(bytes);
    result.bom_in_cp932 = bom;
    return result;
  }
  result.was_utf8 = true;
  result.stand_ins = Utf8ToCp932WithStandIns(bytes, result.text);
  return result;
}

std::string ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  ToSjis().Convert(utf8, out, true);
  return out;
}

std::string ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  std::string out;
  FromSjis().Convert(cp932, out, true);
  return out;
}

bool TryToUtf8(std::string_view cp932, std::string& out) {
  if (IsAscii(cp932)) {
    out.assign(cp932);
    return true;
  }
  std::string tmp;
  if (!FromSjis().Convert(cp932, tmp, false)) return false;
  out = std::move(tmp);
  return true;
}

bool TryToCp932(std::string_view utf8, std::string& out) {
  if (IsAscii(utf8)) {
    out.assign(utf8);
    return true;
  }
  std::string tmp;
  if (!ToSjis().Convert(utf8, tmp, false)) return false;
  out = std::move(tmp);
  return true;
}

}  // namespace kv
