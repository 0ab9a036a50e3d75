#include "platform/encoding.h"

#include <iconv.h>

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

}  // namespace

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
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
