#include "run/run_context.h"

#include <cstring>

#include "lex/tokenizer.h"
#include "run/work_folder.h"
#include "platform/encoding.h"
#include "platform/text_file.h"

namespace kv {
namespace {

// 1-based number of the first line of `path` with a lead byte that has no
// trail byte after it; 0 when there is none or the file does not open.
long FirstInvalidShiftJisLine(std::string_view path) {
  LineReader in;
  if (!in.Open(path)) return 0;
  std::string line;
  for (long number = 1; in.ReadLineNoEol(line); ++number) {
    for (size_t i = 0; i < line.size(); ++i) {
      if (!IsShiftJisLead(static_cast<unsigned char>(line[i]))) continue;
      if (i + 1 >= line.size() || !IsShiftJisTrail(static_cast<unsigned char>(line[i + 1]))) return number;
      ++i;
    }
  }
  return 0;
}

}  // namespace

int Progress::Position() const {
  int d = divisor.load();
  int b = base.load();
  if (d <= 0) return b;
  return b + 10 * (counter.load() / d);
}

void Progress::SetStatusCopy(const std::string& text) {
  std::lock_guard<std::mutex> lock(status_mutex_);
  status_copy_ = text;
}

std::string Progress::StatusCopy() const {
  std::lock_guard<std::mutex> lock(status_mutex_);
  return status_copy_;
}

std::string StorageFailureMessage() {
  const StorageFailureInfo failure = StorageFailureDetails();
  std::string text;
  if (failure.reading)
    text = SJ("ファイルを読めません");
  else if (failure.path.rfind(work::kRoot, 0) == 0)
    text = SJ("作業フォルダに書き込めません");
  else
    text = SJ("ファイルに書き込めません");
  text += " (";
  text += std::strerror(failure.error);
  text += ")";
  if (!failure.path.empty()) text += ": " + failure.path;
  return text;
}

void RunContext::Message(const std::string& text) { ui.Message(text, SJ("終了")); }

void RunContext::MessageAbout(const std::string& text, std::string_view file, long line, std::string_view step) {
  Message(text);
  std::string where(file);
  if (line > 0) where += ":" + std::to_string(line);
  where += " (";
  where += step;
  where += ")";
  ui.MessageContext(where);
}

void RunContext::ReportInvalidShiftJis(std::string_view file, int count, std::string_view where) {
  if (count <= 0) return;
  // The tokenizer counts the characters but does not know their lines: the
  // file is read again (only when it had some) for the first line that
  // holds a byte which is no Shift-JIS text.
  MessageAbout(SJ("失敗!"), file, FirstInvalidShiftJisLine(file),
               std::string(where) + ", " + std::to_string(count) + " invalid Shift-JIS characters");
  log.Finding(file, count, SJ("失敗!"), where);
}

}  // namespace kv
