// The two progress dialogs on their own, and the hand-over from the worker
// thread to the window's thread.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include "app/gui/answering_policy.h"
#include "app/gui/display_text.h"
#include "app/gui/document_progress_dialog.h"
#include "app/gui/qt_user_interface.h"
#include "app/gui/run_progress_dialog.h"
#include "app/gui/worker_thread.h"
#include "platform/encoding.h"

namespace kv::gui {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Notes what the status line showed when each message box came up.
class StatusAtMessagePolicy : public AnsweringPolicy {
 public:
  explicit StatusAtMessagePolicy(QLabel* status) : status_(status) {}
  void Message(QWidget* parent, const QString& text, const QString& caption) override {
    status_at_message.push_back(status_->text());
    AnsweringPolicy::Message(parent, text, caption);
  }
  QStringList status_at_message;

 private:
  QLabel* status_;
};

class ProgressDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void RunDialogShowsPositionStatusAndTime() {
    Progress progress;
    progress.SetStatusCopy(SJ("プリプロ解析ソフト作成中"));
    RunProgressDialog dialog(progress, nullptr);
    QCOMPARE(dialog.windowTitle(), U("解析中"));
    auto* bar = dialog.findChild<QProgressBar*>("ctl1016");
    auto* text = dialog.findChild<QLabel*>("ctl1020");
    auto* time = dialog.findChild<QLabel*>("ctl1019");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 1000);
    QCOMPARE(text->text(), U("解析開始"));
    QCOMPARE(dialog.findChild<QPushButton*>("ctl1")->text(), U("中止"));

    progress.base = 100;
    progress.divisor = 4;
    progress.counter = 3;
    dialog.Tick();
    QCOMPARE(bar->value(), 100);
    QCOMPARE(text->text(), U("プリプロ解析ソフト作成中"));
    QCOMPARE(time->text(), U("経過時間 00：00"));
    progress.counter = 4;
    dialog.Tick();
    QCOMPARE(bar->value(), 110);
    QCOMPARE(time->text(), U("経過時間 00：01"));
    for (int i = 0; i < 120; ++i) dialog.Tick();
    QCOMPARE(time->text(), U("経過時間 01：01"));
    QCOMPARE(progress.stop_flag.load(), 0);
  }

  void StopButtonAndEscapeSetStopFlag() {
    for (bool escape : {false, true}) {
      Progress progress;
      RunProgressDialog dialog(progress, nullptr);
      dialog.show();
      if (escape)
        QTest::keyClick(&dialog, Qt::Key_Escape);
      else
        dialog.findChild<QPushButton*>("ctl1")->click();
      QCOMPARE(progress.stop_flag.load(), 1);
      QVERIFY(!dialog.isVisible());
    }
  }

  void WorkerCloseLeavesStopFlagAlone() {
    Progress progress;
    RunProgressDialog dialog(progress, nullptr);
    dialog.show();
    dialog.CloseByWorker();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(progress.stop_flag.load(), 0);
  }

  void DocumentDialogTextsTimeAndInterrupt() {
    Progress progress;
    DocumentProgressDialog dialog(progress, nullptr);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), U("実行中"));
    QCOMPARE(dialog.findChild<QLabel*>("documentText")->text(), U("EXCEL 仕様書作成中"));
    auto* time = dialog.findChild<QLabel*>("ctl1022");
    QCOMPARE(time->text(), U("時刻"));
    for (int i = 0; i < 3; ++i) dialog.Tick();
    QCOMPARE(time->text(), U("経過時間 00：01"));
    auto* interrupt = dialog.findChild<QPushButton*>("ctl1");
    QCOMPARE(interrupt->text(), U("実行中断"));
    // A stray Enter does not stop the run.
    QVERIFY(!interrupt->isDefault());
    QVERIFY(!interrupt->autoDefault());
    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(progress.stop_flag.load(), 0);
    QVERIFY(dialog.isVisible());
    interrupt->click();
    QCOMPARE(progress.stop_flag.load(), 1);
    QVERIFY(!dialog.isVisible());
  }

  // The dialog of a document run stays after "実行中断" (and Escape) until
  // the run closes it, so that no new command starts while the work still
  // runs.
  void DocumentDialogOfARunStaysUntilTheWorkHasStopped() {
    Progress progress;
    DocumentProgressDialog dialog(progress, nullptr, /*waits_for_work=*/true);
    dialog.show();
    auto* interrupt = dialog.findChild<QPushButton*>("ctl1");
    interrupt->click();
    QCOMPARE(progress.stop_flag.load(), 1);
    QVERIFY(dialog.isVisible());
    QVERIFY(!interrupt->isEnabled());
    QCOMPARE(dialog.findChild<QLabel*>("documentText")->text(), U("中断しています（作業の終了を待っています）"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    dialog.CloseByCommand();
    QVERIFY(!dialog.isVisible());
  }

  // Open and Close called by a worker show and close the dialog on the
  // window's thread.
  void DocumentProgressFromAWorker() {
    Progress progress;
    QWidget window;
    QtDocumentProgress document(progress, &window);
    bool visible_after_open = false;
    WorkerThread worker;
    QObject probe;
    worker.Start([&] {
      document.Open();
      QMetaObject::invokeMethod(
          &probe, [&] { visible_after_open = document.dialog() != nullptr && document.dialog()->isVisible(); },
          Qt::BlockingQueuedConnection);
      document.Close();
    });
    worker.Wait();
    QVERIFY(visible_after_open);
    QVERIFY(document.dialog() == nullptr);
    QCOMPARE(progress.stop_flag.load(), 0);
  }

  // Status texts from the worker are folded but never overtaken by a later
  // message box, and the last text stays.
  void WorkerStatusLinesKeepTheirOrder() {
    QWidget window;
    QLabel status, detail;
    StatusAtMessagePolicy policy(&status);
    QtUserInterface ui(policy, &window, &status, &detail);
    policy.answers.push_back(false);
    WorkerThread worker;
    worker.Start([&] {
      for (int i = 0; i < 200; ++i) ui.ShowDetail(std::to_string(i));
      ui.ShowStatus(SJ("解析結果整合中"));
      ui.Message(SJ("ファイル開けず STEP2"), SJ("終了"));
      ui.ShowStatus(SJ("解析結果整合完了"));
      ui.Ask(SJ("質問"), SJ("終了"));
    });
    worker.Wait();
    QCOMPARE(policy.status_at_message, QStringList{U("解析結果整合中")});
    QCOMPARE(status.text(), U("解析結果整合完了"));
    QCOMPARE(detail.text(), QString("199"));
    QCOMPARE(policy.Messages(), QStringList{U("[終了] ファイル開けず STEP2")});
    QCOMPARE(policy.Questions(), QStringList{U("[終了] 質問")});
    for (const AnsweringPolicy::Box& box : policy.boxes) QVERIFY(box.on_window_thread);
  }
};

}  // namespace

int RunProgressDialogTests(int argc, char** argv) {
  ProgressDialogsTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace kv::gui

#include "progress_dialogs_test.moc"
