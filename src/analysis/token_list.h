// A statement's tokens, kept at indexes 0, 1, 2, … as they are read. The
// strings keep their storage from one statement (and one file) to the next,
// so storing a token costs no allocation once the list has warmed up.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

class TokenList {
 public:
  TokenList() = default;
  explicit TokenList(size_t capacity) : tokens_(capacity) {}

  // Capacity in tokens (MemoryFactor × the base size of the list's owner).
  void Resize(size_t capacity) { tokens_.resize(capacity); }
  size_t capacity() const { return tokens_.size(); }

  // `index` must be below the capacity; owners check before they store.
  void Set(size_t index, std::string_view token) { tokens_[index].assign(token); }
  const std::string& operator[](size_t index) const { return tokens_[index]; }

  // Tokens a to b, each followed by `separator` when `trailing` is set, or
  // with `separator` between them otherwise. An empty range (a > b, or an
  // index outside the list) adds nothing.
  void AppendRange(std::string& out, int a, int b, std::string_view separator, bool trailing) const {
    if (a < 0) a = 0;
    if (b >= static_cast<int>(tokens_.size())) b = static_cast<int>(tokens_.size()) - 1;
    for (int i = a; i <= b; ++i) {
      if (!trailing && i > a) out += separator;
      out += tokens_[static_cast<size_t>(i)];
      if (trailing) out += separator;
    }
  }
  // Tokens a to b joined without separators ("func(a,b)", "buf[i]").
  std::string Join(int a, int b) const {
    std::string out;
    AppendRange(out, a, b, {}, false);
    return out;
  }

 private:
  std::vector<std::string> tokens_;
};

}  // namespace kv
