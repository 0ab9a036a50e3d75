#include "app/gui/run_progress_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/display_text.h"
#include "app/progress_line.h"

namespace kv::gui {

RunProgressDialog::RunProgressDialog(Progress& progress, QWidget* parent) : QDialog(parent), progress_(progress) {
  setWindowTitle(Display(SJ("解析中")));
  setModal(true);

  bar_ = new QProgressBar(this);
  bar_->setObjectName("ctl1016");
  bar_->setRange(0, 1000);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  status_ = new QLabel(Display(SJ("解析開始")), this);
  status_->setObjectName("ctl1020");
  status_->setMinimumWidth(320);
  time_ = new QLabel(QString::fromStdString(ElapsedText(0)), this);
  time_->setObjectName("ctl1019");
  stop_ = new QPushButton(Display(SJ("中止")), this);
  stop_->setObjectName("ctl1");
  stop_->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
  layout->addWidget(status_);
  layout->addWidget(time_);
  layout->addWidget(stop_, 0, Qt::AlignHCenter);

  connect(stop_, &QPushButton::clicked, this, &RunProgressDialog::Stop);
  connect(&timer_, &QTimer::timeout, this, &RunProgressDialog::Tick);
  timer_.start(500);
}

void RunProgressDialog::Tick() {
  ++ticks_;
  int position = progress_.Position();
  bar_->setValue(std::clamp(position, 0, 1000));
  status_->setText(Display(progress_.StatusCopy()));
  time_->setText(QString::fromStdString(ElapsedText(ticks_)));
}

void RunProgressDialog::Stop() {
  timer_.stop();
  progress_.stop_flag = 1;
  done(QDialog::Rejected);
}

void RunProgressDialog::reject() { Stop(); }

void RunProgressDialog::CloseByWorker() {
  timer_.stop();
  if (isVisible()) done(QDialog::Accepted);
}

}  // namespace kv::gui
