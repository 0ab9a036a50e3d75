// The window driven through its controls, with every message box answered
// by AnsweringPolicy and the modal progress dialogs clicked by a timer as
// soon as they show.
#include "app/gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "app/analyze_command.h"
#include "app/gui/answering_policy.h"
#include "app/gui/display_text.h"
#include "app/gui/document_progress_dialog.h"
#include "app/gui/run_progress_dialog.h"
#include "run/work_folder.h"
#include "platform/encoding.h"
#include "support/test_folder.h"

namespace kv::gui {
namespace {

using kv::testing::Exists;
using kv::testing::ScratchFolder;
using kv::testing::WriteSjisText;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// What the single stage of the test runs do.
enum class StageMode { kSeedLists, kWaitForStop };
std::atomic<StageMode> g_stage_mode{StageMode::kSeedLists};

// Writes what the window's two lists are read from after a run; or waits (bounded) until "中止" has been pressed.
StageOutcome TestStage(RunContext& ctx) {
  if (g_stage_mode == StageMode::kWaitForStop) {
    for (int i = 0; i < 3000 && !ctx.StopRequested(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return StageOutcome::kContinue;
  }
  // The function list is the final records' (FunctionList4), in the
  // order of the report's function list.
  WriteSjisText("vcwk012345/FunctionList4/motor_step", "[関数名称]\nmotor_step\n\n");
  WriteSjisText("vcwk012345/FunctionList4/main", "[関数名称]\nmain\n\n");
  WriteSjisText("vcwk012345/FuncList_Body.txt",
                "int\tmain\t(\tvoid\t)\n"
                "static\tvoid\tmotor_step\t(\tint\tn\t)\n");
  WriteSjisText("vcwk012345/ValList2.txt",
                "g_speed\n"
                "*p_buffer\n"
                "table[]\n"
                "@1END\n"
                "after_end\n");
  return StageOutcome::kContinue;
}

struct DocumentCall {
  bool on_window_thread;
  bool show_progress;
  std::string output_folder;
  bool stop_seen;
};

struct CommandCall {
  std::string name;
  NameSource source;
  std::string output_folder;
  int stop_flag_seen;
};

// Clicks the button `button` of the first visible dialog of type T as soon as
// one shows (the dialogs run modally inside the slot under test).
template <class T>
void ClickWhenShown(const char* button) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, button] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<T*>(w);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      timer->stop();
      timer->deleteLater();
      dialog->template findChild<QPushButton*>(button)->click();
      return;
    }
  });
  timer->start();
}

QStringList ComboItems(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i));
  return items;
}

QStringList Display(const std::vector<std::string>& cp932) {
  QStringList out;
  for (const std::string& s : cp932) out.push_back(kv::gui::Display(s));
  return out;
}

// The controls that need the results of a run.
const char* const kResultControls[] = {"ctl1017", "ctl1015", "ctl1004", "ctl1010", "ctl1020", "ctl1037", "ctl1038",
                                       "ctl1041", "ctl1042", "ctl1024", "ctl1025", "ctl1029", "ctl1030"};

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  template <class T = QWidget>
  T* Control(const char* name) {
    T* w = window_->findChild<T*>(name);
    if (w == nullptr) qFatal("no control %s", name);
    return w;
  }

  void MakeWindow(bool with_test_stage) {
    WindowCommands commands = WindowCommands::Real();
    if (with_test_stage)
      commands.stages = {{"テスト中", "TEST START          ", "TEST END            ", "テスト完了", 0, false, nullptr,
                          TestStage}};
    commands.function_tree = [this](RunContext& ctx, const std::string& name, NameSource source, std::string* to) {
      *to = "out/tree_" + name;
      tree_calls_.push_back({name, source, ctx.options.output_folder, ctx.progress.stop_flag.load()});
      return true;
    };
    commands.variable = [this](RunContext& ctx, const std::string& name, NameSource source, std::string* to) {
      *to = "out/variable_" + name;
      variable_calls_.push_back({name, source, ctx.options.output_folder, ctx.progress.stop_flag.load()});
      return true;
    };
    // The design-document command as the window will meet it: the question,
    // the progress dialog around the work, the closing message.
    commands.documents = [this](RunContext& ctx, const DesignDocumentOptions& options, DocumentProgress* progress,
                                std::string* to) {
      DocumentCall call{QThread::currentThread() == QCoreApplication::instance()->thread(), options.show_progress,
                        ctx.options.output_folder, false};
      if (!ctx.ui.Ask(SJ("EXL設計書作成開始します"), SJ("終了"))) return false;
      ctx.progress.stop_flag = 0;
      progress->Open();
      for (int i = 0; document_waits_for_stop_ && i < 3000 && !ctx.StopRequested(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      ctx.ShowStatus(SJ("リバース設計書作成終了"));
      call.stop_seen = ctx.StopRequested();
      progress->Close();
      if (!call.stop_seen) ctx.Message(SJ("設計書完了"));
      if (!call.stop_seen) *to = "out/documents";
      document_calls_.push_back(call);  // read only after the worker has been joined
      return !call.stop_seen;
    };
    window_ = std::make_unique<MainWindow>(policy_, std::move(commands));
    window_->show();
  }

  // The path the window shows as where the last result went ("" when hidden).
  QString ResultPlace() {
    auto* label = Control<QLabel>("resultPlace");
    if (!label->isVisible()) return {};
    QString text = label->text();
    const int start = text.indexOf('>') + 1, end = text.lastIndexOf("</a>");
    if (!text.startsWith(U("結果: ")) || start <= 0 || end < start) return text;
    return text.mid(start, end - start);
  }

  void SetFolders(const QString& source, const QString& output) {
    Control<QLineEdit>("ctl1003")->setText(source);
    Control<QLineEdit>("ctl1006")->setText(output);
  }

  void ExpectResultControls(bool enabled) {
    for (const char* name : kResultControls) QVERIFY2(Control(name)->isEnabled() == enabled, name);
    QVERIFY(!Control("ctl1019")->isEnabled());
  }

  // A completed run of the seeding stage, answering Cancel at the end.
  void CompleteSeededRun() {
    g_stage_mode = StageMode::kSeedLists;
    kv::testing::WriteFile("proj/main.c", "int main(void) { return 0; }\n");
    QDir().mkdir("out");
    SetFolders("proj", "out");
    policy_.answers.push_back(false);
    QTest::mouseClick(Control<QPushButton>("ctl1001"), Qt::LeftButton);
  }

  std::unique_ptr<ScratchFolder> scratch_;
  AnsweringPolicy policy_;
  std::unique_ptr<MainWindow> window_;
  std::vector<CommandCall> tree_calls_;
  std::vector<CommandCall> variable_calls_;
  std::vector<DocumentCall> document_calls_;
  bool document_waits_for_stop_ = false;

 private slots:
  void init() {
    scratch_ = std::make_unique<ScratchFolder>();
    policy_ = AnsweringPolicy();
    tree_calls_.clear();
    variable_calls_.clear();
    document_calls_.clear();
    document_waits_for_stop_ = false;
  }

  void cleanup() {
    window_.reset();
    scratch_.reset();
  }

  void ControlsCarryTheirTexts() {
    MakeWindow(false);
    QCOMPARE(window_->windowTitle(), U("C言語 リバース解析プログラム V1.30"));
    QCOMPARE(Control<QLineEdit>("ctl1003")->placeholderText(), U("<解析ソフトフォルダを選択 （ドラッグ&ドロップ）>"));
    QCOMPARE(Control<QLineEdit>("ctl1006")->placeholderText(), U("<結果出力先を選択（ドラッグ&ドロップ）>"));
    QVERIFY(Control<QLineEdit>("ctl1003")->text().isEmpty());
    QVERIFY(!Control<QPushButton>("ctl1000")->icon().isNull());
    QVERIFY(!Control<QPushButton>("ctl1007")->icon().isNull());
    QCOMPARE(Control<QPushButton>("ctl1001")->text(), U("プログラム解析"));
    QCOMPARE(Control<QCheckBox>("ctl1021")->text(), U("[R/W解析] ローカル変数を含める"));
    QCOMPARE(Control<QCheckBox>("ctl1016")->text(), U("プリプロ解析に外部define定義を読込み"));
    QVERIFY(Control<QCheckBox>("ctl1016")->isEnabled());
    QCOMPARE(Control<QLabel>("memoryLabel")->text(), U("(解析用メモリ増加)"));
    for (int i = 1; i <= 4; ++i)
      QCOMPARE(Control<QLabel>(QString("memoryFactor%1").arg(i).toUtf8().constData())->text(),
               U("×") + QString::number(i));
    auto* memory = Control<QSlider>("ctl1044");
    QCOMPARE(memory->minimum(), 1);
    QCOMPARE(memory->maximum(), 4);
    QCOMPARE(memory->tickInterval(), 1);
    QCOMPARE(memory->value(), 1);
    QCOMPARE(Control<QPushButton>("ctl1017")->text(), U("EXCEL\n設計書作成"));
    QCOMPARE(Control<QCheckBox>("ctl1015")->text(), U("EXCEL出力状況 表示"));
    QCOMPARE(Control<QCheckBox>("ctl1019")->text(), U("EXCEL 2003/2007型式 拡張子(*.xls) "));
    QCOMPARE(Control<QCheckBox>("ctl1020")->text(), U("EXCEL 2010/2013型式 拡張子(*.xlsx) "));
    QVERIFY(Control("ctl1019")->isHidden());
    QVERIFY(Control("ctl1020")->isHidden());
    QCOMPARE(Control<QPushButton>("ctl1004")->text(), U("関数指定\nツリー作成"));
    QCOMPARE(Control<QPushButton>("ctl1010")->text(), U("指定変数\n分析"));
    QCOMPARE(Control<QWidget>("functionGroup")->property("title").toString(), U("関数指定"));
    QCOMPARE(Control<QWidget>("variableGroup")->property("title").toString(), U("変数指定"));
    QCOMPARE(Control<QComboBox>("ctl1029")->currentText(), U("SELECT FUNCTION"));
    QCOMPARE(Control<QComboBox>("ctl1030")->currentText(), U("SELECT RAM VALUE"));
    QVERIFY(Control<QRadioButton>("ctl1038")->isChecked());
    QVERIFY(Control<QRadioButton>("ctl1042")->isChecked());
    QCOMPARE(Control<QLabel>("ctl1005")->text(), U("[プログラムフォルダ指定して[解析]実行してください]"));
    QCOMPARE(Control<QLabel>("ctl1013")->text(), QString());
    QCOMPARE(ToUtf8(window_->session().progress.StatusCopy()), "[プログラムフォルダ指定して[解析]実行してください]");
    QCOMPARE(Control<QPushButton>("ctl1002")->text(), U("終了"));
    QCOMPARE(Control<QAction>("aboutAction")->text(), U("Kavenor のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
  }

  void ResultControlsAreDisabledBeforeARun() {
    MakeWindow(false);
    ExpectResultControls(false);
    for (const char* name : {"ctl1003", "ctl1006", "ctl1000", "ctl1007", "ctl1001", "ctl1021", "ctl1016", "ctl1044",
                             "ctl1002"})
      QVERIFY2(Control(name)->isEnabled(), name);
    QTest::mouseClick(Control<QPushButton>("ctl1004"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>("ctl1010"), Qt::LeftButton);
    QVERIFY(tree_calls_.empty());
    QVERIFY(variable_calls_.empty());
  }

  // The real stages over the bundled sample project: the lists hold exactly
  // the names the run left in the work folder.
  void AnalysisOfTheSampleProjectEnablesTheResultControls() {
    MakeWindow(false);
    QDir().mkdir("out");
    SetFolders(QString::fromStdString(kv::testing::SourceRoot() + "/samples/engine_ctl"), "out");
    Control<QCheckBox>("ctl1021")->setChecked(true);
    Control<QSlider>("ctl1044")->setValue(2);
    QTest::mouseClick(Control<QPushButton>("ctl1001"), Qt::LeftButton);

    QCOMPARE(policy_.Questions(), QStringList{U("[終了] 解析完了 結果を起動します")});
    for (const AnsweringPolicy::Box& box : policy_.boxes) QVERIFY(box.on_window_thread);
    ExpectResultControls(true);
    QVERIFY(Control<QCheckBox>("ctl1020")->isChecked());
    QCOMPARE(ComboItems(Control<QComboBox>("ctl1029")), Display(ReadFunctionNames()));
    QCOMPARE(ComboItems(Control<QComboBox>("ctl1030")), Display(ReadVariableNames()));
    QCOMPARE(Control<QComboBox>("ctl1029")->currentText(), U("SELECT FUNCTION"));
    QCOMPARE(Control<QComboBox>("ctl1030")->currentText(), U("SELECT RAM VALUE"));
    QCOMPARE(Control<QLabel>("ctl1005")->text(), U("解析終了"));
    QCOMPARE(Control<QLabel>("ctl1013")->text(), U("----------------------"));
    // Where the result went, under the status lines.
    QVERIFY(ResultPlace().startsWith(QDir::currentPath() + "/out/"));
    QVERIFY(ResultPlace().endsWith("/index.html"));
    QCOMPARE(window_->session().progress.Position(), 1000);
    // OK opened index.html of the new result folder.
    QCOMPARE(policy_.opened.size(), 1);
    QVERIFY(policy_.opened[0].startsWith(QDir::currentPath() + "/out/"));
    QVERIFY(policy_.opened[0].endsWith("/index.html"));
    QVERIFY(Exists("vcwk012345"));
    QVERIFY(!window_->busy());
  }

  void CompletedRunFillsBothListsAndASecondRunReplacesThem() {
    MakeWindow(true);
    CompleteSeededRun();
    ExpectResultControls(true);
    QCOMPARE(ComboItems(Control<QComboBox>("ctl1029")), (QStringList{"main", "motor_step"}));
    QCOMPARE(ComboItems(Control<QComboBox>("ctl1030")), (QStringList{"g_speed", "table[]"}));
    QCOMPARE(policy_.Questions(), QStringList{U("[終了] 解析完了 結果を起動します")});
    QVERIFY(policy_.opened.isEmpty());

    policy_.answers.push_back(false);
    QTest::mouseClick(Control<QPushButton>("ctl1001"), Qt::LeftButton);
    QCOMPARE(ComboItems(Control<QComboBox>("ctl1029")), (QStringList{"main", "motor_step"}));
    QCOMPARE(ComboItems(Control<QComboBox>("ctl1030")), (QStringList{"g_speed", "table[]"}));
  }

  void WithoutTheStartUpFlagTheShowBoxStaysDisabled() {
    WindowCommands commands = WindowCommands::Real();
    commands.stages = {{"テスト中", "TEST START          ", "TEST END            ", "テスト完了", 0, false, nullptr,
                        TestStage}};
    window_ = std::make_unique<MainWindow>(policy_, std::move(commands), false);
    CompleteSeededRun();
    QVERIFY(Control("ctl1004")->isEnabled());
    QVERIFY(!Control("ctl1015")->isEnabled());
  }

  void StopFromTheProgressDialogDisablesTheResultsAndLeavesNoWorkFolder() {
    MakeWindow(true);
    CompleteSeededRun();
    ExpectResultControls(true);

    g_stage_mode = StageMode::kWaitForStop;
    ClickWhenShown<RunProgressDialog>("ctl1");
    QTest::mouseClick(Control<QPushButton>("ctl1001"), Qt::LeftButton);

    QCOMPARE(window_->session().progress.stop_flag.load(), 1);
    ExpectResultControls(false);
    QVERIFY(!Exists("vcwk012345"));
    QCOMPARE(Control<QLabel>("ctl1005")->text(), U("実行中断"));
    QCOMPARE(Control<QLabel>("ctl1013")->text(), U("----"));
    // No result copied, no question after a stop.
    QCOMPARE(QDir("out").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    QCOMPARE(policy_.Questions().size(), 1);
    QVERIFY(!window_->busy());
  }

  // The window refuses as the command line does, before anything is
  // touched: after a completed run the results and their buttons stay.
  void RefusedFoldersShowTheirMessagesAndStartNothing() {
    MakeWindow(true);
    CompleteSeededRun();
    ExpectResultControls(true);
    const QString status = Control<QLabel>("ctl1005")->text();
    const QStringList results = QDir("out").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    const std::string record = kv::testing::ReadFile("vcwk012345/FuncList_Body.txt");
    QVERIFY(!record.empty());
    policy_.boxes.clear();

    SetFolders("nowhere", "out");
    QTest::mouseClick(Control<QPushButton>("ctl1001"), Qt::LeftButton);
    kv::testing::WriteFile("file.c", "x");
    SetFolders("file.c", "out");
    QTest::mouseClick(Control<QPushButton>("ctl1001"), Qt::LeftButton);
    QDir().mkdir("empty");
    SetFolders("empty", "out");
    QTest::mouseClick(Control<QPushButton>("ctl1001"), Qt::LeftButton);
    SetFolders("proj", "");
    QTest::mouseClick(Control<QPushButton>("ctl1001"), Qt::LeftButton);
    SetFolders("proj", "missing/out");
    QTest::mouseClick(Control<QPushButton>("ctl1001"), Qt::LeftButton);
    SetFolders("proj", "file.c");
    QTest::mouseClick(Control<QPushButton>("ctl1001"), Qt::LeftButton);
    QCOMPARE(policy_.Messages(),
             (QStringList{U("[終了] プロジェクトフォルダが見つかりません: nowhere"),
                          U("[終了] ディレクトリを指定してください: file.c はファイルです"),
                          U("[終了] プロジェクトフォルダにCのソースファイル(.c .h .cpp)がありません: empty"),
                          U("[終了] 出力フォルダを指定してください"), U("[終了] 出力フォルダがありません: missing/out"),
                          U("[終了] 出力フォルダではなくファイルです: file.c")}));
    QCOMPARE(kv::testing::ReadFile("vcwk012345/FuncList_Body.txt"), record);
    QCOMPARE(QDir("out").entryList(QDir::Dirs | QDir::NoDotAndDotDot), results);
    ExpectResultControls(true);
    QCOMPARE(Control<QLabel>("ctl1005")->text(), status);
  }

  void FolderPickerAndDrops() {
    MakeWindow(false);
    auto* source = Control<QLineEdit>("ctl1003");
    source->setText("typed");
    policy_.picked_folder.clear();  // cancelled
    QTest::mouseClick(Control<QPushButton>("ctl1000"), Qt::LeftButton);
    QCOMPARE(source->text(), QString("typed"));
    policy_.picked_folder = "/data/プロジェクト";
    QTest::mouseClick(Control<QPushButton>("ctl1000"), Qt::LeftButton);
    QCOMPARE(source->text(), U("/data/プロジェクト"));
    QCOMPARE(policy_.boxes[0].text, U("フォルダを選択してください"));

    policy_.picker_throws = true;
    QTest::mouseClick(Control<QPushButton>("ctl1007"), Qt::LeftButton);
    QCOMPARE(policy_.Messages(), QStringList{U("[終了] 例外発生130")});

    // Two folders dropped on the output edit: the first one wins.
    auto* output = Control<QLineEdit>("ctl1006");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/first/出力"), QUrl::fromLocalFile("/second")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(output, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(output, &drop);
    QCOMPARE(output->text(), U("/first/出力"));
  }

  void TreeAndVariableCommandsTakeTheChosenName() {
    MakeWindow(true);
    CompleteSeededRun();
    window_->session().progress.stop_flag = 1;  // left over from an interrupted document run

    // The list (default): its placeholder, then a listed name.
    QTest::mouseClick(Control<QPushButton>("ctl1004"), Qt::LeftButton);
    auto* functions = Control<QComboBox>("ctl1029");
    functions->setCurrentIndex(1);
    QTest::mouseClick(Control<QPushButton>("ctl1004"), Qt::LeftButton);
    // The edit box.
    Control<QRadioButton>("ctl1037")->setChecked(true);
    Control<QLineEdit>("ctl1024")->setText("typed_fn");
    QTest::mouseClick(Control<QPushButton>("ctl1004"), Qt::LeftButton);
    QCOMPARE(tree_calls_.size(), 3u);
    QCOMPARE(tree_calls_[0].name, std::string("SELECT FUNCTION"));
    QVERIFY(tree_calls_[0].source == NameSource::kCombo);
    QCOMPARE(tree_calls_[0].stop_flag_seen, 0);
    QCOMPARE(tree_calls_[1].name, std::string("motor_step"));
    QVERIFY(tree_calls_[1].source == NameSource::kCombo);
    QCOMPARE(tree_calls_[2].name, std::string("typed_fn"));
    QVERIFY(tree_calls_[2].source == NameSource::kEdit);
    QCOMPARE(tree_calls_[2].output_folder, std::string("out"));
    // The window says where the tree went.
    QCOMPARE(ResultPlace(), QDir::currentPath() + "/out/tree_typed_fn/index.html");

    window_->session().progress.stop_flag = 1;
    Control<QComboBox>("ctl1030")->setCurrentIndex(0);
    QTest::mouseClick(Control<QPushButton>("ctl1010"), Qt::LeftButton);
    Control<QRadioButton>("ctl1041")->setChecked(true);
    Control<QLineEdit>("ctl1025")->setText(U("変数"));
    QTest::mouseClick(Control<QPushButton>("ctl1010"), Qt::LeftButton);
    QCOMPARE(variable_calls_.size(), 2u);
    QCOMPARE(variable_calls_[0].name, std::string("g_speed"));
    QVERIFY(variable_calls_[0].source == NameSource::kCombo);
    QCOMPARE(variable_calls_[0].stop_flag_seen, 0);
    QCOMPARE(variable_calls_[1].name, SJ("変数"));
    QCOMPARE(ResultPlace(), QDir::currentPath() + U("/out/variable_変数/index.html"));
    QVERIFY(variable_calls_[1].source == NameSource::kEdit);
  }

  void DocumentsRunOnAWorkerBehindTheirDialog() {
    MakeWindow(true);
    CompleteSeededRun();
    Control<QCheckBox>("ctl1015")->setChecked(true);
    QTest::mouseClick(Control<QPushButton>("ctl1017"), Qt::LeftButton);
    QCOMPARE(document_calls_.size(), 1u);
    QVERIFY(!document_calls_[0].on_window_thread);
    QVERIFY(document_calls_[0].show_progress);
    QCOMPARE(document_calls_[0].output_folder, std::string("out"));
    QVERIFY(!document_calls_[0].stop_seen);
    // The worker's question and message were shown on the window's thread.
    QCOMPARE(policy_.Questions().last(), U("[終了] EXL設計書作成開始します"));
    QCOMPARE(policy_.Messages().last(), U("[終了] 設計書完了"));
    for (const AnsweringPolicy::Box& box : policy_.boxes) QVERIFY(box.on_window_thread);
    QCOMPARE(Control<QLabel>("ctl1005")->text(), U("リバース設計書作成終了"));
    QCOMPARE(ResultPlace(), QDir::currentPath() + "/out/documents");
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(qobject_cast<DocumentProgressDialog*>(w) == nullptr);
    QVERIFY(!window_->busy());
  }

  void InterruptingTheDocumentDialogStopsTheDocuments() {
    MakeWindow(true);
    CompleteSeededRun();
    document_waits_for_stop_ = true;
    ClickWhenShown<DocumentProgressDialog>("ctl1");
    QTest::mouseClick(Control<QPushButton>("ctl1017"), Qt::LeftButton);
    QCOMPARE(document_calls_.size(), 1u);
    QVERIFY(document_calls_[0].stop_seen);
    QVERIFY(!policy_.Messages().contains(U("[終了] 設計書完了")));
    QCOMPARE(window_->session().progress.stop_flag.load(), 1);
  }

  void AboutEntryOpensTheRunningDialog() {
    MakeWindow(false);
    ClickWhenShown<DocumentProgressDialog>("ctl1");
    Control<QAction>("aboutAction")->trigger();
    QCOMPARE(window_->session().progress.stop_flag.load(), 1);
  }
};

}  // namespace

int RunMainWindowTests(int argc, char** argv) {
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace kv::gui

#include "main_window_test.moc"
