// What the window showed the user: message boxes, OK/Cancel questions, the
// two status lines and the shell's "open". Every text is CP932.
//
// ConsoleUi is the command line's form; RecordingUi keeps every event for
// tests; the Qt window has its own.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kv {

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A modal message box with an OK button.
  virtual void Message(const std::string& text, const std::string& caption) = 0;
  // What the last message concerns (a file, its line, the step), shown
  // after it where the interface has room for it: the command line prints
  // it, a message box keeps its own text.
  virtual void MessageContext(const std::string& /*text*/) {}
  // An OK/Cancel question; true for OK.
  virtual bool Ask(const std::string& text, const std::string& caption) = 0;
  // The main and the detail status line.
  virtual void ShowStatus(const std::string& text) = 0;
  virtual void ShowDetail(const std::string& text) = 0;
  // The shell's "open" verb on a file; false when it failed (a result of 32
  // or less on Windows).
  virtual bool Open(const std::string& path) = 0;
};

// Command line: a message box is printed as "[caption] text" on standard
// error (UTF-8); a question is answered by `answer_questions` and printed with
// its answer; "open" runs xdg-open only when `allow_open` is set.
class ConsoleUi : public UserInterface {
 public:
  struct Options {
    bool answer_questions = true;
    bool allow_open = false;
    bool status_lines = true;  // print each status text as a line
    // Printed after a question answered Cancel instead of "Cancel" (UTF-8),
    // when the answer needs saying why.
    std::string cancel_text;
    // After each status line printed, wait for one byte on this descriptor
    // (end of file or an error opens the gate for good). The fault tests
    // act at an exact point of a run this way instead of sleeping; -1: no
    // gate.
    int status_gate_fd = -1;
  };
  explicit ConsoleUi(Options options) : options_(options) {}

  void Message(const std::string& text, const std::string& caption) override;
  // Printed indented below the message: "    at FILE:LINE (STEP)".
  void MessageContext(const std::string& text) override;
  bool Ask(const std::string& text, const std::string& caption) override;
  // A status text equal to the line printed just before is not printed
  // again (a stage and its frame may both show the same text).
  void ShowStatus(const std::string& text) override;
  void ShowDetail(const std::string& text) override {}
  bool Open(const std::string& path) override;

  // The one-line progress display of a terminal: `line` (UTF-8) replaces the
  // current line; an empty text clears it. Messages are printed above it.
  void SetProgressLine(const std::string& line);

 private:
  void PrintAboveProgress(const std::string& utf8_line);

  Options options_;
  std::mutex mutex_;
  std::string progress_line_;
  std::string last_status_;  // CP932; cleared by every other line printed
};

// Records every event, in order, for tests.
class RecordingUi : public UserInterface {
 public:
  enum class Kind { kMessage, kQuestion, kStatus, kDetail, kOpen, kMessageContext };
  struct Event {
    Kind kind;
    std::string text;     // CP932
    std::string caption;  // CP932, messages and questions only
  };

  void Message(const std::string& text, const std::string& caption) override;
  void MessageContext(const std::string& text) override;
  bool Ask(const std::string& text, const std::string& caption) override;
  void ShowStatus(const std::string& text) override;
  void ShowDetail(const std::string& text) override;
  bool Open(const std::string& path) override;

  // Answers for the next questions (true = OK); OK when none is queued.
  void QueueAnswer(bool ok);
  void set_open_result(bool ok) { open_result_ = ok; }
  // Called after a status text is recorded (a test can press "中止" there).
  std::function<void(const std::string&)> on_status;
  std::function<void(const std::string&)> on_detail;

  std::vector<Event> events() const;
  std::vector<std::string> Texts(Kind kind) const;
  // Messages as "[caption] text", converted to UTF-8, for readable asserts.
  std::vector<std::string> MessagesUtf8() const;

 private:
  mutable std::mutex mutex_;
  std::vector<Event> events_;
  std::deque<bool> answers_;
  bool open_result_ = true;
};

}  // namespace kv
