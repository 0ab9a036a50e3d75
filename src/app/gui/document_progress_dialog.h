// The progress dialog of the design documents ("実行中"): a fixed text, the
// elapsed time redrawn by a 500 ms timer, and "実行中断", which sets StopFlag.
// "実行中断" is no default button: a stray Enter does not stop the run.
// The about entry of the window opens the same dialog, which "実行中断"
// closes at once; the dialog of a document run (`waits_for_work`) stays open
// after it, its button disabled, until the run has really stopped and
// closes it.
#pragma once

#include <QDialog>
#include <QObject>
#include <QTimer>

#include "run/run_context.h"
#include "xlsdoc/design_document_command.h"

class QLabel;
class QPushButton;

namespace kv::gui {

class DocumentProgressDialog : public QDialog {
  Q_OBJECT

 public:
  DocumentProgressDialog(Progress& progress, QWidget* parent, bool waits_for_work = false);

  long ticks() const { return ticks_; }

 public slots:
  void Tick();
  // "実行中断" (also Escape and the close box).
  void Interrupt();
  // The end of the run closes the dialog without touching StopFlag.
  void CloseByCommand();

 protected:
  void reject() override;

 private:
  Progress& progress_;
  const bool waits_for_work_;
  QTimer timer_;
  long ticks_ = 0;
  QLabel* text_;
  QLabel* time_;
  QPushButton* interrupt_;
};

// DocumentProgress for the design-document command, callable from any
// thread: Open shows the dialog (application-modal, without blocking the
// caller) and Close closes it, both on the window's thread.
class QtDocumentProgress : public QObject, public DocumentProgress {
  Q_OBJECT

 public:
  QtDocumentProgress(Progress& progress, QWidget* parent);
  ~QtDocumentProgress() override;

  void Open() override;
  void Close() override;

  // The dialog while it is open (window thread only).
  DocumentProgressDialog* dialog() const { return dialog_; }

 private:
  template <class Fn>
  void RunOnWindowThread(Fn fn);

  Progress& progress_;
  QWidget* parent_;
  DocumentProgressDialog* dialog_ = nullptr;
};

}  // namespace kv::gui
