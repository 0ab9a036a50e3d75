#include "run/run_context.h"

#include "platform/encoding.h"

namespace kv {

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

void RunContext::Message(const std::string& text) { ui.Message(text, SJ("終了")); }

void RunContext::ReportInvalidShiftJis(std::string_view file, int count, std::string_view where) {
  if (count <= 0) return;
  Message(SJ("失敗!"));
  log.Finding(file, count, SJ("失敗!"), where);
}

}  // namespace kv
