// FUNC ALS1.5: every read entry that carries a subscript is cut down to its
// brackets, and each variable used inside a subscript becomes a read entry
// of its own, written just before it (a[i+j] gives i, j, a[]).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lex/tokenizer.h"

namespace kv {

class LineReader;
class TextWriter;
class TypeNameTable;

class SubscriptExpander {
 public:
  explicit SubscriptExpander(const TypeNameTable& types) : types_(types) {}

  // Rewrites one read entry that holds "[": the entry with every subscript
  // emptied, and in `extra` the lines to write before it, in the order met.
  std::string Rewrite(std::string_view entry, std::vector<std::string>& extra);

  // Lead bytes without a trail byte met so far (reported once per record).
  int invalid_sjis_count() const { return tokens_.invalid_sjis_count(); }
  void clear_invalid_sjis_count() { tokens_.clear_invalid_sjis_count(); }

 private:
  std::string_view ExtractSubscriptReferences(std::vector<std::string>& extra, int depth);
  std::string_view SkipSubscript();

  const TypeNameTable& types_;
  LineTokenizer tokens_;
};

// One record of func_als copied into func_als1_5 with its read section
// rewritten.
void ExpandSubscripts(LineReader& in, TextWriter& out, SubscriptExpander& expander);

}  // namespace kv
