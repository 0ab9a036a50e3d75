// What the consolidation tests share: a seeded work folder and a run
// context over a recording window.
#pragma once

#include <string>
#include <vector>

#include "run/analysis_log.h"
#include "run/run_context.h"
#include "platform/user_interface.h"
#include "support/test_folder.h"

namespace kv::testing {

// Copies tests/golden/<name>/seed (UTF-8 text, LF) into the current
// directory as the stages write their files: CP932, CR LF.
void SeedFromGolden(const std::string& name);

// A record written as the body analysis writes one (UTF-8 in, CP932 CR LF
// on disk).
void WriteRecord(const std::string& utf8_path, const std::string& utf8_text);

// Differences against tests/golden/<name>/expected/<step>, one text each.
std::string GoldenDifferences(const std::string& name, const std::string& step);

// Runs `rewrite` over a record given as UTF-8 text (written CP932, CR LF)
// and returns what it wrote, as UTF-8 with LF line ends. Works in the
// current directory.
template <typename Fn>
std::string RewriteText(const std::string& utf8_record, Fn&& rewrite);

class StageHarness {
 public:
  explicit StageHarness(bool keep_locals = false, int memory_factor = 1);
  RunContext& ctx() { return ctx_; }
  RecordingUi& ui() { return ui_; }
  std::vector<std::string> Messages() const { return ui_.MessagesUtf8(); }

 private:
  Session session_;
  RecordingUi ui_;
  AnalysisLog log_;
  RunContext ctx_;
};

}  // namespace kv::testing

#include "platform/text_file.h"

namespace kv::testing {

template <typename Fn>
std::string RewriteText(const std::string& utf8_record, Fn&& rewrite) {
  WriteSjisText("record.in", utf8_record);
  {
    LineReader in("record.in");
    TextWriter out("record.out", WriteMode::kTruncate);
    rewrite(in, out);
  }
  return ReadSjisText("record.out");
}

}  // namespace kv::testing
