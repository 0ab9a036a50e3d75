// One worker thread for a command of the window. The worker announces its end
// with Finished(), a signal delivered through the window's event queue (the
// posted close command of the progress dialogs); everything the worker posted
// before that — status lines, messages — has been delivered by then.
#pragma once

#include <QObject>
#include <functional>
#include <thread>

class QEventLoop;

namespace kv::gui {

class WorkerThread : public QObject {
  Q_OBJECT

 public:
  explicit WorkerThread(QObject* parent = nullptr);
  ~WorkerThread() override;

  void Start(std::function<void()> work);
  // Window thread: keeps the event loop running (so the worker's messages
  // are shown) until Finished() has been delivered, then joins the thread.
  void Wait();
  bool finished() const { return finished_; }

 signals:
  // Emitted on the worker thread after the work; connect with
  // Qt::QueuedConnection.
  void Finished();

 private slots:
  void OnFinished();

 private:
  std::thread thread_;
  bool finished_ = false;  // window thread only
  QEventLoop* loop_ = nullptr;
};

}  // namespace kv::gui
