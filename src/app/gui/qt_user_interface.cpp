#include "app/gui/qt_user_interface.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QThread>

#include "app/gui/display_text.h"
#include "platform/paths.h"

namespace kv::gui {

QtUserInterface::QtUserInterface(DialogPolicy& policy, QWidget* window, QLabel* status, QLabel* detail)
    : policy_(policy), window_(window), status_(status), detail_(detail) {}

bool QtUserInterface::OnWindowThread() const { return QThread::currentThread() == thread(); }

QWidget* QtUserInterface::DialogParent() const {
  QWidget* modal = QApplication::activeModalWidget();
  return modal != nullptr ? modal : window_;
}

template <class Fn>
void QtUserInterface::RunOnWindowThread(Fn fn) {
  if (OnWindowThread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(this, fn, Qt::BlockingQueuedConnection);
}

void QtUserInterface::Message(const std::string& text, const std::string& caption) {
  RunOnWindowThread([&] { policy_.Message(DialogParent(), Display(text), Display(caption)); });
}

bool QtUserInterface::Ask(const std::string& text, const std::string& caption) {
  bool ok = false;
  RunOnWindowThread([&] { ok = policy_.Ask(DialogParent(), Display(text), Display(caption)); });
  return ok;
}

bool QtUserInterface::Open(const std::string& path) {
  QString disk = QFileInfo(QString::fromStdString(ResolveDiskPath(path))).absoluteFilePath();
  bool ok = false;
  RunOnWindowThread([&] { ok = policy_.Open(disk); });
  return ok;
}

void QtUserInterface::ShowStatus(const std::string& text) {
  if (!OnWindowThread()) {
    PostStatusLine(pending_status_, text);
    return;
  }
  {
    // A text set here is newer than anything the worker left waiting.
    std::lock_guard<std::mutex> lock(mutex_);
    pending_status_.reset();
  }
  status_->setText(Display(text));
}

void QtUserInterface::ShowDetail(const std::string& text) {
  if (!OnWindowThread()) {
    PostStatusLine(pending_detail_, text);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_detail_.reset();
  }
  detail_->setText(Display(text));
}

void QtUserInterface::PostStatusLine(std::optional<std::string>& slot, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  slot = text;
  if (delivery_posted_) return;
  delivery_posted_ = true;
  QMetaObject::invokeMethod(this, [this] { DeliverStatusLines(); }, Qt::QueuedConnection);
}

void QtUserInterface::DeliverStatusLines() {
  std::optional<std::string> status, detail;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    status.swap(pending_status_);
    detail.swap(pending_detail_);
    delivery_posted_ = false;
  }
  if (status) status_->setText(Display(*status));
  if (detail) detail_->setText(Display(*detail));
}

}  // namespace kv::gui
