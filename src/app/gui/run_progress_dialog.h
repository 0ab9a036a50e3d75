// The progress dialog of an analysis run ("解析中"): the bar (0..1000), the
// status text (StatusCopy), the elapsed time and the "中止" button. A 500 ms
// timer redraws it from the run's shared progress values.
#pragma once

#include <QDialog>
#include <QTimer>

#include "run/run_context.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kv::gui {

class RunProgressDialog : public QDialog {
  Q_OBJECT

 public:
  RunProgressDialog(Progress& progress, QWidget* parent);

  long ticks() const { return ticks_; }

 public slots:
  // One timer tick: the position, StatusCopy and the elapsed time.
  void Tick();
  // "中止": StopFlag is set and the dialog closes.
  void Stop();
  // The worker's close command at the end of its work.
  void CloseByWorker();

 protected:
  // Escape and the window's close box act as "中止": the dialog never closes
  // while the worker runs without telling it to stop.
  void reject() override;

 private:
  Progress& progress_;
  QTimer timer_;
  long ticks_ = 0;
  QProgressBar* bar_;
  QLabel* status_;
  QLabel* time_;
  QPushButton* stop_;
};

}  // namespace kv::gui
