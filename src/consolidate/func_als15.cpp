#include "consolidate/func_als15.h"

#include "run/work_folder.h"
#include "consolidate/consolidate_stages.h"
#include "consolidate/record_tags.h"
#include "consolidate/record_walk.h"
#include "lex/callee_name.h"
#include "lex/classify.h"
#include "platform/text_file.h"

namespace kv {
namespace {

// The extractor's own token list held 500 tokens; past that it stops
// collecting. Nesting is bounded as well, so a hostile entry such as a
// 100 kB run of "[" cannot exhaust the stack.
constexpr size_t kSubscriptTokenCapacity = 500;
constexpr int kMaxSubscriptNesting = 64;

std::string Join(const std::vector<std::string_view>& tokens, size_t from) {
  std::string out;
  for (size_t i = from; i < tokens.size(); ++i) out += tokens[i];
  return out;
}

// Where the member access whose "->" or "." ends `tokens` begins: back over
// every word-and-link pair (info->io.) to the first word; the member itself
// when no word stands before the link (f(x)->n).
size_t MemberChainStart(const std::vector<std::string_view>& tokens) {
  size_t k = tokens.size();
  while (k >= 2 && (tokens[k - 1] == "->" || tokens[k - 1] == ".") && IsCalleeName(tokens[k - 2])) k -= 2;
  return k;
}

}  // namespace

std::string SubscriptExpander::Rewrite(std::string_view entry, std::vector<std::string>& extra) {
  extra.clear();
  tokens_.Assign(entry);
  std::string rewritten;
  for (;;) {
    std::string_view token = tokens_.Next();
    if (IsLineEnd(token)) break;
    rewritten += token;
    if (token == "[") rewritten += ExtractSubscriptReferences(extra, 0);
  }
  return rewritten;
}

// ExtractSubscriptReferences: takes the tokens after a "[" up to its "]".
// A run starts at every identifier that is no member (one after "." or "->"
// goes on with its base) and ends before an operator (kind 5 or 6) or the
// closing "]"; each run that ends so becomes an extra read entry. A
// nested subscript is extracted in its own right and stands in this list as
// "[" and "]". Returns the closing "]", or "" when the entry ended first.
std::string_view SubscriptExpander::ExtractSubscriptReferences(std::vector<std::string>& extra, int depth) {
  std::vector<std::string_view> tokens;
  bool collecting = false;
  size_t run_start = 0;
  for (;;) {
    if (tokens.size() >= kSubscriptTokenCapacity) return SkipSubscript();
    std::string_view token = tokens_.Next();
    if (IsLineEnd(token)) return {};
    // The tables lack "%", "?" and ":" (the tokenizer gives them as words);
    // they end an operand like any operator (hexchars[c % 16]).
    const TokenKind kind = token == "%" || token == "?" || token == ":" ? kKindOperator : ClassifyToken(token, types_);
    const bool member = !tokens.empty() && (tokens.back() == "." || tokens.back() == "->");
    if ((kind == kKindIdentifier || kind == kKindTypeName) && member) {
      // a[p->q]: a member keeps its base, the run goes on. In a[info->io.n]
      // where some tag or typedef is also called info (or io), a word before
      // "->" or "." is still a variable or a member (a type has no members):
      // the run starts at the head of the chain.
      if (!collecting) run_start = MemberChainStart(tokens);
      collecting = true;
      tokens.push_back(token);
    } else if (kind == kKindIdentifier) {
      run_start = tokens.size();
      collecting = true;
      tokens.push_back(token);
    } else if (token == "[") {
      tokens.push_back(token);
      tokens.push_back(depth + 1 < kMaxSubscriptNesting ? ExtractSubscriptReferences(extra, depth + 1)
                                                         : SkipSubscript());
    } else if (token == "]") {
      if (collecting) extra.push_back(Join(tokens, run_start));
      return "]";
    } else {
      if ((kind == kKindComparison || kind == kKindOperator) && collecting) {
        extra.push_back(Join(tokens, run_start));
        collecting = false;
      }
      tokens.push_back(token);
    }
  }
}

// Past the extractor's capacity: the rest of the subscript, nested brackets
// included, is passed over without collecting, so the entry still closes.
std::string_view SubscriptExpander::SkipSubscript() {
  int depth = 1;
  for (;;) {
    std::string_view token = tokens_.Next();
    if (IsLineEnd(token)) return {};
    if (token == "[") ++depth;
    if (token == "]" && --depth == 0) return "]";
  }
}

void ExpandSubscripts(LineReader& in, TextWriter& out, SubscriptExpander& expander) {
  std::string line;
  std::vector<std::string> extra;
  while (in.ReadLineNoEol(line)) {
    out.WriteLine(line);
    if (line != record_tag::Reads()) continue;
    while (in.ReadLineNoEol(line)) {
      if (line == record_tag::kNone) {
        out.WriteLine(line);
        break;
      }
      if (line.empty()) break;
      if (line.find('[') == std::string::npos) {
        out.WriteLine(line);
        continue;
      }
      std::string rewritten = expander.Rewrite(line, extra);
      for (const std::string& e : extra) out.WriteLine(e);
      out.WriteLine(rewritten);
    }
    // The section keeps its closing empty line; after "NONE" the input's own
    // empty line follows and is copied as it stands.
    out.WriteLine("");
  }
}

StageOutcome RunFuncAls15Stage(RunContext& ctx) {
  SubscriptExpander expander(ctx.types());
  return RewriteRecords(ctx, work::Path(work::kFuncAls), work::Path(work::kFuncAls15), {},
                        [&](const std::string& name, LineReader& in, TextWriter& out) {
                          expander.clear_invalid_sjis_count();
                          ExpandSubscripts(in, out, expander);
                          ctx.ReportInvalidShiftJis(name, expander.invalid_sjis_count(), "FUNC ALS1.5");
                        });
}

}  // namespace kv
