#include "app/gui/worker_thread.h"

#include <QEventLoop>

namespace kv::gui {

WorkerThread::WorkerThread(QObject* parent) : QObject(parent) {
  connect(this, &WorkerThread::Finished, this, &WorkerThread::OnFinished, Qt::QueuedConnection);
}

WorkerThread::~WorkerThread() {
  if (thread_.joinable()) thread_.join();
}

void WorkerThread::Start(std::function<void()> work) {
  finished_ = false;
  thread_ = std::thread([this, work = std::move(work)] {
    work();
    emit Finished();
  });
}

void WorkerThread::Wait() {
  if (!finished_ && thread_.joinable()) {
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
  }
  if (thread_.joinable()) thread_.join();
}

void WorkerThread::OnFinished() {
  finished_ = true;
  if (loop_ != nullptr) loop_->quit();
}

}  // namespace kv::gui
