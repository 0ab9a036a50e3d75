// The frame the record passes share: list an input folder of the work
// folder, note in the log when nothing is there, and hand each record (not
// the folders) to the pass in listing order.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "run/run_context.h"
#include "run/stage.h"

namespace kv {

class LineReader;
class TextWriter;

// The record names of `folder` (an internal path) for "*.*", folders left
// out. When the search finds nothing: LogNote with "<folder>/*.*" and
// "FILE NOT OPEN\n", then `message` (caption "終了") unless it is empty.
// `found` tells what the search reported.
std::vector<std::string> ListRecords(RunContext& ctx, std::string_view folder, std::string_view message,
                                     bool* found = nullptr);

// folder + "/" + name.
std::string RecordPath(std::string_view folder, std::string_view name);

// One record rewritten from `in` into `out`; `name` is the record's file name.
using RecordRewrite = std::function<void(const std::string& name, LineReader& in, TextWriter& out)>;

// The per-file frame of FUNC ALS1.5 to FUNC ALS4: creates `output`, lists
// `input` (with the note and `message` when nothing is found), and for every
// record: stop test, ShowDetail with its name, the record read and the output
// record of the same name written from its start. A record that cannot be
// read is passed over without a word; its output stays missing.
StageOutcome RewriteRecords(RunContext& ctx, std::string_view input, std::string_view output,
                            std::string_view message, const RecordRewrite& rewrite);


// True when `name` is made only of letters, digits and "_" (and is not
// empty): such a name stands whole in a text exactly where an identifier run
// of the text equals it (the local-declaration test relies on this).
bool IsPlainIdentifier(std::string_view name);

// Calls fn(run, position) for every maximal run of letters, digits and "_"
// in `text` that stands whole (StandsWholeAfter) and is followed by
// `suffix`. For a plain identifier N and a suffix that is empty or starts
// with another character, FindWholeName(text, N, suffix) finds N exactly
// where this reports a run equal to N.
template <typename Fn>
void ForEachWholeIdentifier(std::string_view text, std::string_view suffix, Fn&& fn);

}  // namespace kv

#include "lex/name_match.h"

namespace kv {

template <typename Fn>
void ForEachWholeIdentifier(std::string_view text, std::string_view suffix, Fn&& fn) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    if (!IsIdentifierChar(text[i])) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < n && IsIdentifierChar(text[i])) ++i;
    if (!StandsWholeAfter(text, start)) continue;
    if (text.substr(i, suffix.size()) != suffix) continue;
    fn(text.substr(start, i - start), start);
  }
}

}  // namespace kv
