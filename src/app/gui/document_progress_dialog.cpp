#include "app/gui/document_progress_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "app/gui/display_text.h"
#include "app/progress_line.h"

namespace kv::gui {

DocumentProgressDialog::DocumentProgressDialog(Progress& progress, QWidget* parent, bool waits_for_work)
    : QDialog(parent), progress_(progress), waits_for_work_(waits_for_work) {
  setWindowTitle(Display(SJ("実行中")));
  text_ = new QLabel(Display(SJ("EXCEL 仕様書作成中")), this);
  text_->setObjectName("documentText");
  time_ = new QLabel(Display(SJ("時刻")), this);
  time_->setObjectName("ctl1022");
  time_->setMinimumWidth(200);
  interrupt_ = new QPushButton(Display(SJ("実行中断")), this);
  interrupt_->setObjectName("ctl1");
  interrupt_->setAutoDefault(false);
  interrupt_->setDefault(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(time_);
  layout->addWidget(interrupt_, 0, Qt::AlignHCenter);

  connect(interrupt_, &QPushButton::clicked, this, &DocumentProgressDialog::Interrupt);
  connect(&timer_, &QTimer::timeout, this, &DocumentProgressDialog::Tick);
  timer_.start(500);
}

void DocumentProgressDialog::Tick() {
  ++ticks_;
  time_->setText(QString::fromStdString(ElapsedText(ticks_)));
}

void DocumentProgressDialog::Interrupt() {
  progress_.stop_flag = 1;
  if (waits_for_work_) {
    interrupt_->setEnabled(false);
    text_->setText(Display(SJ("中断しています（作業の終了を待っています）")));
    return;
  }
  timer_.stop();
  done(QDialog::Rejected);
}

void DocumentProgressDialog::reject() { Interrupt(); }

void DocumentProgressDialog::CloseByCommand() {
  timer_.stop();
  if (isVisible()) done(QDialog::Accepted);
}

QtDocumentProgress::QtDocumentProgress(Progress& progress, QWidget* parent) : progress_(progress), parent_(parent) {}

QtDocumentProgress::~QtDocumentProgress() { delete dialog_; }

template <class Fn>
void QtDocumentProgress::RunOnWindowThread(Fn fn) {
  if (QThread::currentThread() == thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(this, fn, Qt::BlockingQueuedConnection);
}

void QtDocumentProgress::Open() {
  RunOnWindowThread([this] {
    delete dialog_;
    dialog_ = new DocumentProgressDialog(progress_, parent_, /*waits_for_work=*/true);
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->show();
  });
}

void QtDocumentProgress::Close() {
  RunOnWindowThread([this] {
    if (dialog_ == nullptr) return;
    dialog_->CloseByCommand();
    delete dialog_;
    dialog_ = nullptr;
  });
}

}  // namespace kv::gui
