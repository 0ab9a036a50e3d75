#include "prepro/value_folding.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "lex/classify.h"

namespace kv {

const std::vector<std::string_view> kCastTypeTable = {"u1", "u2", "u4", "s1", "s2", "s4", "U1",
                                                      "U2", "U4", "S1", "S2", "S4", "F4"};

namespace {

constexpr size_t kStepLimit = 65536;

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Kind 4 of the classifier: longer than two, "0x" and a hexadecimal digit.
bool IsHexToken(std::string_view t) { return t.size() > 2 && t[0] == '0' && t[1] == 'x' && IsHexDigit(t[2]); }

// A double as the C conversion to a 64-bit integer would give it, without
// its undefined cases: NaN is 0, values out of range are INT64_MIN.
int64_t TruncateToInt64(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0 || value < -9223372036854775808.0) return INT64_MIN;
  return static_cast<int64_t>(value);
}

int32_t TruncateToInt32(double value) { return static_cast<int32_t>(static_cast<uint32_t>(TruncateToInt64(value))); }

bool IsNumberKind(std::string_view token, const TypeNameTable& types) {
  TokenKind kind = ClassifyToken(token, types);
  return kind == kKindNumber || kind == kKindHexNumber;
}

// What the passes accept as an operand: a number, or a folded result that
// went negative ("-4.0000000000").
bool IsNumericOperand(std::string_view t) {
  if (t.empty()) return false;
  size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (i >= t.size()) return false;
  return IsDigit(t[i]) || (t[i] == '.' && i + 1 < t.size() && IsDigit(t[i + 1]));
}

struct Pass {
  std::vector<std::string_view> operators;
};

const Pass kPasses[] = {
    {{"*", "/"}},
    {{"+", "-", "|", "&", "^"}},
    {{"<<", ">>"}},
};

bool InPass(const Pass& pass, std::string_view op) {
  for (std::string_view p : pass.operators)
    if (p == op) return true;
  return false;
}

class Folder {
 public:
  Folder(std::vector<std::string>& tokens, const TypeNameTable& types, const PreproLogFn& log)
      : t_(tokens), types_(types), log_(log) {}

  void Run() {
    size_t i = 0;
    while (i < t_.size()) {
      if (t_[i] != ")") {
        ++i;
        continue;
      }
      size_t open = 0;
      if (!FindOpen(i, open)) {
        ++i;
        continue;
      }
      i = ReduceGroup(open, i);
    }
  }

 private:
  void Log(std::string_view text) {
    if (log_) log_(text, "FoldValue");
  }

  // The "(" that pairs with the ")" at `close`. Inner groups that could not
  // be reduced are stepped over, so they never pair with an outer ")".
  bool FindOpen(size_t close, size_t& open) {
    int depth = 0;
    size_t steps = 0;
    for (size_t j = close; j-- > 0;) {
      if (++steps > kStepLimit) {
        Log("Loop 65536 Over");
        return false;
      }
      if (t_[j] == ")") {
        ++depth;
      } else if (t_[j] == "(") {
        if (depth == 0) {
          open = j;
          return true;
        }
        --depth;
      }
    }
    return false;
  }

  void Replace(size_t first, size_t last, std::string value) {
    t_[first] = std::move(value);
    t_.erase(t_.begin() + static_cast<std::ptrdiff_t>(first) + 1, t_.begin() + static_cast<std::ptrdiff_t>(last) + 1);
  }

  // Folds the group t_[open..close]; returns where the scan goes on.
  size_t ReduceGroup(size_t open, size_t close) {
    for (;;) {
      const size_t n = close - open - 1;
      if (n == 0) return close + 1;
      if (n == 1) return ReduceSingle(open, close);
      if (n == 2) {
        const std::string& a = t_[open + 1];
        const std::string& b = t_[open + 2];
        if (ClassifyToken(a, types_) == kKindTypeName && b == "*") {
          t_.erase(t_.begin() + static_cast<std::ptrdiff_t>(open),
                   t_.begin() + static_cast<std::ptrdiff_t>(close) + 1);
          return open;
        }
        if (a == "~" && IsNumberKind(b, types_)) {
          Replace(open + 1, open + 2, FormatInt(~TruncateToInt32(TokenToNumber(b))));
          close -= 1;
          continue;
        }
      }
      if (!RunPasses(open, close)) return close + 1;
    }
  }

  // A group of one token: a cast when it is a type name, otherwise the
  // parentheses go (and a cast standing before the bare number applies).
  size_t ReduceSingle(size_t open, size_t close) {
    const std::string token = t_[open + 1];
    if (ClassifyToken(token, types_) == kKindTypeName) {
      if (close + 1 < t_.size() && IsNumberKind(t_[close + 1], types_)) {
        std::string cast;
        FormatCast(token, t_[close + 1], cast);
        Replace(open, close + 1, cast);
        return open + 1;
      }
      return close + 1;
    }
    Replace(open, close, token);
    if (open >= 3 && t_[open - 3] == "(" && t_[open - 1] == ")" &&
        ClassifyToken(t_[open - 2], types_) == kKindTypeName && IsNumberKind(token, types_)) {
      std::string cast;
      FormatCast(t_[open - 2], token, cast);
      Replace(open - 3, open, cast);
      return open - 2;
    }
    return open + 1;
  }

  // The three operator passes inside t_[open..close]; `close` follows the
  // tokens as they move left. True when something was folded.
  bool RunPasses(size_t open, size_t& close) {
    bool changed = false;
    for (const Pass& pass : kPasses) {
      size_t k = open + 2;  // operator slot: left operand at k-1, right at k+1
      size_t steps = 0;
      while (k + 1 < close) {
        if (++steps > kStepLimit) {
          Log("Loop 65536 Over");
          break;
        }
        const std::string& op = t_[k];
        if (!InPass(pass, op) || !IsNumericOperand(t_[k - 1]) || !IsNumericOperand(t_[k + 1])) {
          ++k;
          continue;
        }
        if (op == "/" && TokenToNumber(t_[k + 1]) == 0.0) {
          Log("Zero Divide");
          ++k;
          continue;
        }
        double result = ApplyOperator(t_[k - 1], t_[k + 1], op);
        Replace(k - 1, k + 1, FormatFixed10(result));
        close -= 2;
        changed = true;
      }
    }
    return changed;
  }

  std::vector<std::string>& t_;
  const TypeNameTable& types_;
  const PreproLogFn& log_;
};

}  // namespace

double TokenToNumber(std::string_view token) {
  std::string text(token);
  if (IsHexToken(text)) return static_cast<double>(std::strtoull(text.c_str(), nullptr, 16));
  if (text == "0.") return 0.0;
  return std::strtod(text.c_str(), nullptr);
}

std::string FormatFixed10(double value) {
  char buffer[512];
  int n = std::snprintf(buffer, sizeof buffer, "%.10f", value);
  if (n < 0) return "0.0000000000";
  return std::string(buffer, static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}

std::string FormatInt(long long value) { return std::to_string(value); }

double ApplyOperator(std::string_view left, std::string_view right, std::string_view op) {
  const double l = TokenToNumber(left);
  const double r = TokenToNumber(right);
  if (op == "+") return l + r;
  if (op == "-") return l - r;
  if (op == "*") return l * r;
  if (op == "/") return l / r;
  if (op == "|" || op == "&" || op == "^") {
    uint32_t a = static_cast<uint32_t>(TruncateToInt32(l));
    uint32_t b = static_cast<uint32_t>(TruncateToInt32(r));
    uint32_t v = op == "|" ? (a | b) : op == "&" ? (a & b) : (a ^ b);
    return static_cast<double>(v);
  }
  if (op == "<<" || op == ">>") {
    uint32_t a = static_cast<uint32_t>(TruncateToInt64(l));
    uint32_t shift = static_cast<uint32_t>(TruncateToInt32(r)) & 31u;
    return static_cast<double>(op == "<<" ? static_cast<uint32_t>(a << shift) : (a >> shift));
  }
  return r;
}

bool FormatCast(std::string_view type, std::string_view value, std::string& out) {
  std::string decimal(value);
  if (IsHexToken(decimal)) decimal = FormatInt(TruncateToInt32(TokenToNumber(decimal)));
  if (InTable(kCastTypeTable, type)) {
    out = FormatInt(TruncateToInt32(TokenToNumber(decimal)));
    return true;
  }
  out = FormatFixed10(TokenToNumber(decimal));
  return false;
}

void FoldValue(std::vector<std::string>& tokens, const TypeNameTable& types, const PreproLogFn& log) {
  Folder(tokens, types, log).Run();
}

std::string FoldEntry(std::string_view entry, const TypeNameTable& types, const PreproLogFn& log) {
  std::vector<std::string> tokens = EntryValueTokens(entry);
  FoldValue(tokens, types, log);
  return BuildEntry(EntryName(entry), tokens);
}

}  // namespace kv
