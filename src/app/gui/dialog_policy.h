// The window's modal conversations with the user: message boxes, OK/Cancel
// questions, the folder picker and the desktop's "open". The window asks a
// DialogPolicy for each of them, always on the window's thread; tests give it
// one that records the texts and answers at once, so no modal box waits for
// a click that never comes.
#pragma once

#include <QString>

class QWidget;

namespace kv::gui {

class DialogPolicy {
 public:
  virtual ~DialogPolicy() = default;
  // A modal message box with an OK button.
  virtual void Message(QWidget* parent, const QString& text, const QString& caption) = 0;
  // A modal OK/Cancel question; true for OK.
  virtual bool Ask(QWidget* parent, const QString& text, const QString& caption) = 0;
  // The folder picker, opened at `start`; an empty text when the user
  // cancelled.
  virtual QString PickFolder(QWidget* parent, const QString& title, const QString& start) = 0;
  // Opens a file (a disk path) with the desktop's associated program; false
  // when the desktop refused.
  virtual bool Open(const QString& disk_path) = 0;
};

// The real dialogs: QMessageBox, QFileDialog and QDesktopServices.
class ModalDialogPolicy : public DialogPolicy {
 public:
  void Message(QWidget* parent, const QString& text, const QString& caption) override;
  bool Ask(QWidget* parent, const QString& text, const QString& caption) override;
  QString PickFolder(QWidget* parent, const QString& title, const QString& start) override;
  bool Open(const QString& disk_path) override;
};

}  // namespace kv::gui
