#include "prepro/condition_eval.h"

#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace kv {
namespace {

constexpr int kMaxNesting = 256;           // parentheses, unary operators, ?: and macro values
constexpr size_t kMaxExpanded = 65536;     // tokens after macro replacement
constexpr size_t kMaxExpansionWork = 65536;  // tokens looked at while replacing

enum class Lex { kNumber, kChar, kName, kPunct };

struct CToken {
  Lex kind;
  std::string text;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

constexpr std::string_view kTwoCharPunct[] = {"&&", "||", "<<", ">>", "<=", ">=", "==", "!="};
constexpr std::string_view kOneCharPunct = "+-*/%&|^~!<>()?:";

// Cuts condition text into tokens. `lenient` is for the value fields of the
// define table, where the line tokenizer left a character constant without
// its closing quote.
ConditionStatus LexText(std::string_view s, bool lenient, size_t max_tokens, std::vector<CToken>& out) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    char c = s[i];
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      size_t end = s.find("*/", i + 2);
      if (end == std::string_view::npos) break;  // the comment runs to the end
      i = end + 2;
      continue;
    }
    if (c == '/' && i + 1 < n && s[i + 1] == '/') break;
    if (out.size() >= max_tokens) return ConditionStatus::kTokenOver;
    if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(s[i + 1]))) {
      size_t j = i + 1;
      while (j < n) {
        char d = s[j];
        if ((d == '+' || d == '-') && (s[j - 1] == 'e' || s[j - 1] == 'E' || s[j - 1] == 'p' || s[j - 1] == 'P')) {
          ++j;
        } else if (IsNameChar(d) || d == '.') {
          ++j;
        } else {
          break;
        }
      }
      out.push_back({Lex::kNumber, std::string(s.substr(i, j - i))});
      i = j;
      continue;
    }
    if (IsNameStart(c)) {
      size_t j = i + 1;
      while (j < n && IsNameChar(s[j])) ++j;
      out.push_back({Lex::kName, std::string(s.substr(i, j - i))});
      i = j;
      continue;
    }
    if (c == '\'') {
      size_t j = i + 1;
      while (j < n && s[j] != '\'' && s[j] != '\n') j += (s[j] == '\\' && j + 1 < n) ? 2 : 1;
      if (j < n && s[j] == '\'') {
        out.push_back({Lex::kChar, std::string(s.substr(i, j + 1 - i))});
        i = j + 1;
        continue;
      }
      if (!lenient) return ConditionStatus::kSyntaxError;
      out.push_back({Lex::kChar, std::string(s.substr(i, j - i)) + "'"});
      i = j;
      continue;
    }
    bool matched = false;
    for (std::string_view p : kTwoCharPunct) {
      if (s.substr(i, 2) == p) {
        out.push_back({Lex::kPunct, std::string(p)});
        i += 2;
        matched = true;
        break;
      }
    }
    if (matched) continue;
    if (kOneCharPunct.find(c) != std::string_view::npos) {
      out.push_back({Lex::kPunct, std::string(1, c)});
      ++i;
      continue;
    }
    return ConditionStatus::kSyntaxError;  // strings, "#", "=", "[", "\" and the like
  }
  return ConditionStatus::kOk;
}

// u, U, l, L, ll, LL in either order with at most one u.
bool IsIntegerSuffix(std::string_view s) {
  size_t u = 0, l = 0;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == 'u' || c == 'U') {
      ++u;
      ++i;
    } else if (c == 'l' || c == 'L') {
      if (l != 0) return false;
      ++l;
      ++i;
      if (i < s.size() && s[i] == c) ++i;  // "ll" or "LL", not "lL"
    } else {
      return false;
    }
  }
  return u <= 1 && !s.empty();
}

bool ParseInteger(std::string_view text, ConditionValue& value) {
  int base = 10;
  size_t i = 0;
  if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    i = 2;
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'b' || text[1] == 'B')) {
    base = 2;
    i = 2;
  } else if (text[0] == '0') {
    base = 8;
  }
  const size_t digits_start = i;
  uint64_t v = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int d;
    if (IsDigit(c)) {
      d = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      break;
    }
    if (d >= base) {
      if (IsDigit(c)) return false;  // 8 or 9 in an octal or binary literal
      break;                         // a letter: the suffix starts here
    }
    if (v > (UINT64_MAX - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) return false;
    v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
  }
  if (i == digits_start && base != 8) return false;
  std::string_view suffix = text.substr(i);
  bool is_unsigned = false;
  if (!suffix.empty()) {
    if (!IsIntegerSuffix(suffix)) return false;
    is_unsigned = suffix.find_first_of("uU") != std::string_view::npos;
  }
  value.bits = v;
  value.is_unsigned = is_unsigned || v > static_cast<uint64_t>(INT64_MAX);
  return true;
}

// A pp-number: an integer literal, or a decimal floating form such as the
// folding's "8.0000000000", read as its integer part.
bool ParseNumber(std::string_view text, ConditionValue& value) {
  bool hex = text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  bool floating = !hex && (text.find('.') != std::string_view::npos ||
                           text.find_first_of("eE") != std::string_view::npos);
  if (!floating) return ParseInteger(text, value);
  std::string copy(text);
  char* end = nullptr;
  double d = std::strtod(copy.c_str(), &end);
  if (end == copy.c_str() || *end != '\0') return false;
  if (!(d > -9223372036854775808.0 && d < 9223372036854775808.0)) return false;
  value = ConditionValue::Signed(static_cast<int64_t>(d));
  return true;
}

int HexDigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 'a', '\n', '\x41', '\101'; plain char is signed; several characters
// combine as (v << 8) | c in an int.
bool ParseCharacter(std::string_view text, ConditionValue& value) {
  std::string_view body = text.substr(1, text.size() - 2);
  if (body.empty()) return false;
  std::vector<unsigned char> bytes;
  for (size_t i = 0; i < body.size();) {
    char c = body[i];
    if (c != '\\') {
      bytes.push_back(static_cast<unsigned char>(c));
      ++i;
      continue;
    }
    if (i + 1 >= body.size()) return false;
    char e = body[i + 1];
    i += 2;
    switch (e) {
      case 'n': bytes.push_back('\n'); break;
      case 't': bytes.push_back('\t'); break;
      case 'r': bytes.push_back('\r'); break;
      case 'a': bytes.push_back('\a'); break;
      case 'b': bytes.push_back('\b'); break;
      case 'f': bytes.push_back('\f'); break;
      case 'v': bytes.push_back('\v'); break;
      case 'x': {
        unsigned v = 0;
        size_t start = i;
        while (i < body.size() && HexDigitValue(body[i]) >= 0) v = (v << 4 | static_cast<unsigned>(HexDigitValue(body[i++]))) & 0xFFFFu;
        if (i == start) return false;
        bytes.push_back(static_cast<unsigned char>(v));
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unsigned v = static_cast<unsigned>(e - '0');
          for (int k = 0; k < 2 && i < body.size() && body[i] >= '0' && body[i] <= '7'; ++k) v = v * 8 + static_cast<unsigned>(body[i++] - '0');
          bytes.push_back(static_cast<unsigned char>(v));
        } else {
          bytes.push_back(static_cast<unsigned char>(e));  // \\ \' \" \? and the rest as themselves
        }
    }
  }
  if (bytes.size() == 1) {
    value = ConditionValue::Signed(static_cast<signed char>(bytes[0]));
    return true;
  }
  uint32_t v = 0;
  for (unsigned char b : bytes) v = (v << 8) | b;
  value = ConditionValue::Signed(static_cast<int32_t>(v));
  return true;
}

// Macro replacement: `defined` tests and names, recursively through the
// define table's values.
class Expander {
 public:
  explicit Expander(const DefineTable& table) : table_(table) {}

  ConditionStatus Expand(const std::vector<CToken>& in, int depth, std::vector<CToken>& out) {
    if (depth > kMaxNesting) return ConditionStatus::kNestOver;
    for (size_t i = 0; i < in.size(); ++i) {
      if (++work_ > kMaxExpansionWork) return ConditionStatus::kExpansionOver;
      const CToken& t = in[i];
      if (t.kind != Lex::kName) {
        out.push_back(t);
      } else if (t.text == "defined") {
        std::string_view name;
        if (i + 1 < in.size() && in[i + 1].kind == Lex::kName) {
          name = in[++i].text;
        } else if (i + 3 < in.size() && in[i + 1].text == "(" && in[i + 2].kind == Lex::kName && in[i + 3].text == ")") {
          name = in[i + 2].text;
          i += 3;
        } else {
          return ConditionStatus::kSyntaxError;
        }
        out.push_back({Lex::kNumber, table_.Contains(name) ? "1" : "0"});
      } else {
        ConditionStatus status = ExpandName(t.text, depth, out);
        if (status != ConditionStatus::kOk) return status;
      }
      if (out.size() > kMaxExpanded) return ConditionStatus::kExpansionOver;
    }
    return ConditionStatus::kOk;
  }

 private:
  ConditionStatus ExpandName(const std::string& name, int depth, std::vector<CToken>& out) {
    int index = table_.Find(name);
    bool active = false;
    for (const std::string& a : active_)
      if (a == name) active = true;
    if (index < 0 || active) {
      out.push_back({Lex::kNumber, "0"});
      return ConditionStatus::kOk;
    }
    auto cached = values_.find(name);
    if (cached == values_.end()) {
      std::vector<CToken> value;
      for (const std::string& field : EntryValueTokens(table_.entry(index))) {
        ConditionStatus status = LexText(field, true, kMaxExpanded, value);
        if (status != ConditionStatus::kOk) return status;
      }
      // The line tokenizer cut suffixes off numbers ("10" "L"); join them again.
      std::vector<CToken> joined;
      for (CToken& t : value) {
        if (t.kind == Lex::kName && !joined.empty() && joined.back().kind == Lex::kNumber &&
            IsIntegerSuffix(t.text)) {
          joined.back().text += t.text;
          continue;
        }
        joined.push_back(std::move(t));
      }
      cached = values_.emplace(name, std::move(joined)).first;
    }
    const std::vector<CToken>& joined = cached->second;
    active_.push_back(name);
    ConditionStatus status = Expand(joined, depth + 1, out);
    active_.pop_back();
    return status;
  }

  const DefineTable& table_;
  std::vector<std::string> active_;  // names being replaced: not replaced again inside their values
  std::unordered_map<std::string, std::vector<CToken>> values_;  // lexed values, by name
  size_t work_ = 0;
};

int Precedence(std::string_view op) {
  if (op == "||") return 1;
  if (op == "&&") return 2;
  if (op == "|") return 3;
  if (op == "^") return 4;
  if (op == "&") return 5;
  if (op == "==" || op == "!=") return 6;
  if (op == "<" || op == ">" || op == "<=" || op == ">=") return 7;
  if (op == "<<" || op == ">>") return 8;
  if (op == "+" || op == "-") return 9;
  if (op == "*" || op == "/" || op == "%") return 10;
  return 0;
}

ConditionValue Shift(ConditionValue left, ConditionValue right, bool to_left) {
  int64_t count;
  if (right.is_unsigned) {
    count = right.bits > 64 ? 64 : static_cast<int64_t>(right.bits);
  } else {
    count = static_cast<int64_t>(right.bits);
    if (count < -64) count = -64;
    if (count > 64) count = 64;
  }
  if (count < 0) {
    to_left = !to_left;
    count = -count;
  }
  const bool negative = !left.is_unsigned && static_cast<int64_t>(left.bits) < 0;
  ConditionValue out = left;
  if (to_left) {
    out.bits = count >= 64 ? 0 : left.bits << count;
  } else if (count >= 64) {
    out.bits = negative ? UINT64_MAX : 0;
  } else if (negative) {
    out.bits = ~(~left.bits >> count);  // arithmetic shift
  } else {
    out.bits = left.bits >> count;
  }
  return out;
}

class Parser {
 public:
  explicit Parser(const std::vector<CToken>& tokens) : t_(tokens) {}

  ConditionStatus Run(ConditionValue& value) {
    if (t_.empty()) return ConditionStatus::kSyntaxError;
    value = Conditional(true);
    if (status_ == ConditionStatus::kOk && pos_ != t_.size()) status_ = ConditionStatus::kSyntaxError;
    return status_;
  }

 private:
  bool Failed() const { return status_ != ConditionStatus::kOk; }
  void Fail(ConditionStatus status) {
    if (status_ == ConditionStatus::kOk) status_ = status;
  }
  bool PeekPunct(std::string_view p) const { return pos_ < t_.size() && t_[pos_].kind == Lex::kPunct && t_[pos_].text == p; }
  bool Enter() {
    if (++depth_ > kMaxNesting) Fail(ConditionStatus::kNestOver);
    return !Failed();
  }

  ConditionValue Conditional(bool eval) {
    ConditionValue result;
    if (!Enter()) return result;
    ConditionValue c = Binary(1, eval);
    if (!Failed() && PeekPunct("?")) {
      ++pos_;
      ConditionValue a = Conditional(eval && c.IsTrue());
      if (!PeekPunct(":")) {
        Fail(ConditionStatus::kSyntaxError);
      } else {
        ++pos_;
        ConditionValue b = Conditional(eval && !c.IsTrue());
        result = c.IsTrue() ? a : b;
        result.is_unsigned = a.is_unsigned || b.is_unsigned;
        --depth_;
        return result;
      }
    }
    --depth_;
    return c;
  }

  ConditionValue Binary(int min_precedence, bool eval) {
    ConditionValue left = Unary(eval);
    while (!Failed() && pos_ < t_.size() && t_[pos_].kind == Lex::kPunct) {
      const std::string& op = t_[pos_].text;
      int precedence = Precedence(op);
      if (precedence == 0 || precedence < min_precedence) break;
      ++pos_;
      if (op == "&&" || op == "||") {
        bool short_circuit = op == "&&" ? !left.IsTrue() : left.IsTrue();
        ConditionValue right = Binary(precedence + 1, eval && !short_circuit);
        left = ConditionValue::Signed(CompareOperands(left, right, op));
        continue;
      }
      ConditionValue right = Binary(precedence + 1, eval);
      left = Apply(op, left, right, eval);
    }
    return left;
  }

  ConditionValue Apply(const std::string& op, ConditionValue l, ConditionValue r, bool eval) {
    const bool uns = l.is_unsigned || r.is_unsigned;
    ConditionValue out{0, uns};
    if (op == "<<" || op == ">>") return Shift(l, r, op == "<<");
    if (op == "==" || op == "!=" || op == "<" || op == "<=" || op == ">" || op == ">=")
      return ConditionValue::Signed(CompareOperands(l, r, op));
    if (op == "+") out.bits = l.bits + r.bits;
    if (op == "-") out.bits = l.bits - r.bits;
    if (op == "*") out.bits = l.bits * r.bits;
    if (op == "&") out.bits = l.bits & r.bits;
    if (op == "|") out.bits = l.bits | r.bits;
    if (op == "^") out.bits = l.bits ^ r.bits;
    if (op == "/" || op == "%") {
      if (r.bits == 0) {
        if (eval) Fail(ConditionStatus::kZeroDivide);
        return out;
      }
      if (uns) {
        out.bits = op == "/" ? l.bits / r.bits : l.bits % r.bits;
      } else {
        int64_t a = static_cast<int64_t>(l.bits);
        int64_t b = static_cast<int64_t>(r.bits);
        if (b == -1) {
          out.bits = op == "/" ? 0 - l.bits : 0;  // INT64_MIN / -1 wraps instead of trapping
        } else {
          out.bits = static_cast<uint64_t>(op == "/" ? a / b : a % b);
        }
      }
    }
    return out;
  }

  ConditionValue Unary(bool eval) {
    ConditionValue v;
    if (!Enter()) return v;
    if (pos_ < t_.size() && t_[pos_].kind == Lex::kPunct) {
      const std::string& op = t_[pos_].text;
      if (op == "!" || op == "~" || op == "-" || op == "+") {
        ++pos_;
        v = Unary(eval);
        if (op == "!") v = ConditionValue::Signed(v.IsTrue() ? 0 : 1);
        if (op == "~") v.bits = ~v.bits;
        if (op == "-") v.bits = 0 - v.bits;
        --depth_;
        return v;
      }
    }
    v = Primary(eval);
    --depth_;
    return v;
  }

  ConditionValue Primary(bool eval) {
    ConditionValue v;
    if (pos_ >= t_.size()) {
      Fail(ConditionStatus::kSyntaxError);
      return v;
    }
    const CToken& t = t_[pos_];
    if (t.kind == Lex::kNumber) {
      ++pos_;
      if (!ParseNumber(t.text, v)) Fail(ConditionStatus::kSyntaxError);
      return v;
    }
    if (t.kind == Lex::kChar) {
      ++pos_;
      if (!ParseCharacter(t.text, v)) Fail(ConditionStatus::kSyntaxError);
      return v;
    }
    if (PeekPunct("(")) {
      ++pos_;
      v = Conditional(eval);
      if (!Failed() && !PeekPunct(")")) Fail(ConditionStatus::kSyntaxError);
      if (!Failed()) ++pos_;
      return v;
    }
    Fail(ConditionStatus::kSyntaxError);
    return v;
  }

  const std::vector<CToken>& t_;
  size_t pos_ = 0;
  int depth_ = 0;
  ConditionStatus status_ = ConditionStatus::kOk;
};

}  // namespace

std::string_view ConditionStatusText(ConditionStatus status) {
  switch (status) {
    case ConditionStatus::kOk: return "OK";
    case ConditionStatus::kSyntaxError: return "Syntax Error";
    case ConditionStatus::kZeroDivide: return "Zero Divide";
    case ConditionStatus::kTokenOver: return "Token Over";
    case ConditionStatus::kNestOver: return "Nest Over";
    case ConditionStatus::kExpansionOver: return "Expansion Over";
  }
  return "";
}

int CompareOperands(ConditionValue left, ConditionValue right, std::string_view op) {
  if (op == "&&") return left.IsTrue() && right.IsTrue() ? 1 : 0;
  if (op == "||") return left.IsTrue() || right.IsTrue() ? 1 : 0;
  const bool uns = left.is_unsigned || right.is_unsigned;
  auto compare = [&](auto a, auto b) -> int {
    if (op == "==") return a == b;
    if (op == "!=") return a != b;
    if (op == "<") return a < b;
    if (op == "<=") return a <= b;
    if (op == ">") return a > b;
    if (op == ">=") return a >= b;
    return 0;
  };
  if (uns) return compare(left.bits, right.bits);
  return compare(static_cast<int64_t>(left.bits), static_cast<int64_t>(right.bits));
}

ConditionResult EvaluateCondition(std::string_view condition, const DefineTable& table, size_t max_tokens) {
  ConditionResult result;
  std::vector<CToken> tokens;
  result.status = LexText(condition, false, max_tokens, tokens);
  if (result.status != ConditionStatus::kOk) return result;
  std::vector<CToken> expanded;
  result.status = Expander(table).Expand(tokens, 0, expanded);
  if (result.status != ConditionStatus::kOk) return result;
  ConditionValue value;
  result.status = Parser(expanded).Run(value);
  result.value = result.status == ConditionStatus::kOk && value.IsTrue();
  return result;
}

}  // namespace kv
