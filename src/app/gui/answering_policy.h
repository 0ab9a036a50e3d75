// A DialogPolicy that shows nothing: it records every box the window asked
// for (text, caption, and whether it was asked on the window's thread) and
// answers at once, so tests and the screenshot tool never wait for a click.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "app/gui/dialog_policy.h"

namespace kv::gui {

class AnsweringPolicy : public DialogPolicy {
 public:
  struct Box {
    enum class Kind { kMessage, kQuestion, kPicker } kind;
    QString text;  // the picker's title for kPicker
    QString caption;
    bool on_window_thread;
  };

  void Message(QWidget* parent, const QString& text, const QString& caption) override;
  bool Ask(QWidget* parent, const QString& text, const QString& caption) override;
  QString PickFolder(QWidget* parent, const QString& title, const QString& start) override;
  bool Open(const QString& disk_path) override;

  // "[caption] text" of every message box, in order.
  QStringList Messages() const;
  QStringList Questions() const;

  std::vector<Box> boxes;
  std::deque<bool> answers;   // next questions' answers; OK when empty
  QString picked_folder;      // the picker's answer (empty: cancelled)
  bool picker_throws = false;  // the picker fails with an exception
  QStringList opened;         // disk paths given to Open
  bool open_result = true;

 private:
  void Record(Box::Kind kind, const QString& text, const QString& caption);
};

}  // namespace kv::gui
