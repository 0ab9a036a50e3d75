// The window's form of UserInterface. Stages call it from the worker thread,
// the window's own commands from the window's thread; widgets are touched
// only on the window's thread:
// - Message, Ask and Open from the worker are carried over to the window's
//   thread and block the worker until the user has answered. The window's
//   thread therefore never waits for a worker except inside an event loop.
// - ShowStatus and ShowDetail from the worker are posted and do not block.
//   Texts that arrive faster than the window repaints are folded together:
//   the labels always end up showing the last text, in the order the worker
//   sent it relative to its messages and to the end of the run.
#pragma once

#include <QObject>
#include <mutex>
#include <optional>
#include <string>

#include "app/gui/dialog_policy.h"
#include "platform/user_interface.h"

class QLabel;
class QWidget;

namespace kv::gui {

class QtUserInterface : public QObject, public UserInterface {
  Q_OBJECT

 public:
  // `window` parents the message boxes when no modal dialog is open;
  // `status` and `detail` are the main and the detail status lines.
  QtUserInterface(DialogPolicy& policy, QWidget* window, QLabel* status, QLabel* detail);

  void Message(const std::string& text, const std::string& caption) override;
  bool Ask(const std::string& text, const std::string& caption) override;
  void ShowStatus(const std::string& text) override;
  void ShowDetail(const std::string& text) override;
  bool Open(const std::string& path) override;

  DialogPolicy& policy() { return policy_; }
  // The widget a modal box opened now should belong to.
  QWidget* DialogParent() const;

 private:
  bool OnWindowThread() const;
  // Runs `fn` on the window's thread and waits for it.
  template <class Fn>
  void RunOnWindowThread(Fn fn);
  void PostStatusLine(std::optional<std::string>& slot, const std::string& text);
  void DeliverStatusLines();

  DialogPolicy& policy_;
  QWidget* window_;
  QLabel* status_;
  QLabel* detail_;

  std::mutex mutex_;  // guards the three members below
  std::optional<std::string> pending_status_;
  std::optional<std::string> pending_detail_;
  bool delivery_posted_ = false;
};

}  // namespace kv::gui
