#include "platform/user_interface.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/encoding.h"
#include "platform/shell.h"

namespace kv {

void ConsoleUi::PrintAboveProgress(const std::string& utf8_line) {
  std::lock_guard<std::mutex> lock(mutex_);
  last_status_.clear();
  if (!progress_line_.empty()) std::fputs("\r\033[K", stderr);
  std::fputs(utf8_line.c_str(), stderr);
  std::fputc('\n', stderr);
  if (!progress_line_.empty()) std::fputs(progress_line_.c_str(), stderr);
  std::fflush(stderr);
}

void ConsoleUi::SetProgressLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::fputs("\r\033[K", stderr);
  progress_line_ = line;
  std::fputs(progress_line_.c_str(), stderr);
  std::fflush(stderr);
}

void ConsoleUi::Message(const std::string& text, const std::string& caption) {
  PrintAboveProgress("[" + ToUtf8(caption) + "] " + ToUtf8(text));
}

void ConsoleUi::MessageContext(const std::string& text) { PrintAboveProgress("    at " + ToUtf8(text)); }

bool ConsoleUi::Ask(const std::string& text, const std::string& caption) {
  bool ok = options_.answer_questions;
  const std::string cancel = options_.cancel_text.empty() ? "Cancel" : options_.cancel_text;
  PrintAboveProgress("[" + ToUtf8(caption) + "] " + ToUtf8(text) + " -> " + (ok ? "OK" : cancel));
  return ok;
}

void ConsoleUi::ShowStatus(const std::string& text) {
  if (!options_.status_lines) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!text.empty() && text == last_status_) return;
  }
  PrintAboveProgress(ToUtf8(text));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    last_status_ = text;
  }
  if (options_.status_gate_fd < 0) return;
  char byte;
  ssize_t n;
  do {
    n = ::read(options_.status_gate_fd, &byte, 1);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) options_.status_gate_fd = -1;
}

bool ConsoleUi::Open(const std::string& path) {
  if (!options_.allow_open) return true;
  return OpenWithDesktop(path);
}

void RecordingUi::Message(const std::string& text, const std::string& caption) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back({Kind::kMessage, text, caption});
}

void RecordingUi::MessageContext(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back({Kind::kMessageContext, text, {}});
}

bool RecordingUi::Ask(const std::string& text, const std::string& caption) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back({Kind::kQuestion, text, caption});
  if (answers_.empty()) return true;
  bool ok = answers_.front();
  answers_.pop_front();
  return ok;
}

void RecordingUi::ShowStatus(const std::string& text) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back({Kind::kStatus, text, {}});
  }
  if (on_status) on_status(text);
}

void RecordingUi::ShowDetail(const std::string& text) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back({Kind::kDetail, text, {}});
  }
  if (on_detail) on_detail(text);
}

bool RecordingUi::Open(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back({Kind::kOpen, path, {}});
  return open_result_;
}

void RecordingUi::QueueAnswer(bool ok) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(ok);
}

std::vector<RecordingUi::Event> RecordingUi::events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

std::vector<std::string> RecordingUi::Texts(Kind kind) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  for (const Event& e : events_)
    if (e.kind == kind) out.push_back(e.text);
  return out;
}

std::vector<std::string> RecordingUi::MessagesUtf8() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  for (const Event& e : events_)
    if (e.kind == Kind::kMessage) out.push_back("[" + ToUtf8(e.caption) + "] " + ToUtf8(e.text));
  return out;
}

}  // namespace kv
