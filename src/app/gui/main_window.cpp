#include "app/gui/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>
#include <exception>
#include <filesystem>

#include "app/analyze_command.h"
#include "app/gui/dialog_policy.h"
#include "app/gui/display_text.h"
#include "app/gui/document_progress_dialog.h"
#include "app/gui/folder_edit.h"
#include "app/gui/qt_user_interface.h"
#include "app/gui/run_progress_dialog.h"
#include "app/gui/worker_thread.h"

namespace kv::gui {
namespace {

// Marks the window busy for the duration of one command.
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& busy_;
};

// Command buttons do not react to Enter typed in an edit box.
QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QPushButton* MakeIconButton(const QString& text, QStyle::StandardPixmap icon, const char* name, QWidget* parent) {
  QPushButton* button = MakeButton(text, name, parent);
  button->setIcon(parent->style()->standardIcon(icon));
  button->setIconSize(QSize(24, 24));
  button->setMinimumSize(136, 48);
  return button;
}

QCheckBox* MakeCheckBox(const QString& text, const char* name, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  return box;
}

QComboBox* MakeNameList(const char* name, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMinimumWidth(220);
  return combo;
}

// A CP932 path as the absolute disk path a user can find it under.
QString AbsoluteDisplayPath(const std::string& path) {
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(ToDiskPath(path), ec);
  return QString::fromStdString(ec ? ToDiskPath(path) : absolute.lexically_normal().string());
}

QLabel* MakeStatusLine(const char* name, QWidget* parent) {
  auto* label = new QLabel(Display(SJ("ステータス")), parent);
  label->setObjectName(name);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setTextFormat(Qt::PlainText);
  label->setMinimumWidth(360);
  return label;
}

}  // namespace

WindowCommands WindowCommands::Real() {
  WindowCommands commands;
  commands.stages = AnalysisStages();
  commands.function_tree = RunFunctionTreeCommand;
  commands.variable = RunVariableCommand;
  commands.documents = RunDesignDocumentCommand;
  return commands;
}

MainWindow::MainWindow(DialogPolicy& policy, WindowCommands commands, bool spreadsheet_view_available,
                       QWidget* parent)
    : QDialog(parent),
      policy_(policy),
      commands_(std::move(commands)),
      spreadsheet_view_available_(spreadsheet_view_available) {
  setWindowTitle(Display(SJ("C言語 リバース解析プログラム V1.30")));
  BuildControls();
  ui_ = std::make_unique<QtUserInterface>(policy_, this, status_, detail_);

  SetResultControlsEnabled(false);
  const std::string& hint = SJ("[プログラムフォルダ指定して[解析]実行してください]");
  session_.progress.SetStatusCopy(hint);
  ui_->ShowStatus(hint);
  ui_->ShowDetail("");
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildControls() {
  auto* layout = new QVBoxLayout(this);

  // The about entry: Linux desktops offer no entry of their own in a
  // window's system menu, so it stands alone in the window's menu bar.
  auto* menu = new QMenuBar(this);
  menu->setNativeMenuBar(false);
  QAction* about = menu->addAction(Display(SJ("Kavenor のﾊﾞｰｼﾞｮﾝ情報(&A)...")));
  about->setObjectName("aboutAction");
  connect(about, &QAction::triggered, this, &MainWindow::ShowAbout);
  layout->setMenuBar(menu);

  // The two folders.
  auto* folders = new QGridLayout;
  source_edit_ = new FolderEdit(this);
  source_edit_->setObjectName("ctl1003");
  source_edit_->setPlaceholderText(Display(SJ("<解析ソフトフォルダを選択 （ドラッグ&ドロップ）>")));
  source_edit_->setMinimumWidth(420);
  output_edit_ = new FolderEdit(this);
  output_edit_->setObjectName("ctl1006");
  output_edit_->setPlaceholderText(Display(SJ("<結果出力先を選択（ドラッグ&ドロップ）>")));
  pick_source_ = MakeButton(QString(), "ctl1000", this);
  pick_source_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  pick_output_ = MakeButton(QString(), "ctl1007", this);
  pick_output_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  folders->addWidget(source_edit_, 0, 0);
  folders->addWidget(pick_source_, 0, 1);
  folders->addWidget(output_edit_, 1, 0);
  folders->addWidget(pick_output_, 1, 1);
  layout->addLayout(folders);

  // Analysis: the button, its two options and the memory slider.
  auto* analysis = new QHBoxLayout;
  analyze_ = MakeIconButton(Display(SJ("プログラム解析")), QStyle::SP_MediaPlay, "ctl1001", this);
  analysis->addWidget(analyze_);
  auto* options = new QVBoxLayout;
  keep_locals_ = MakeCheckBox(Display(SJ("[R/W解析] ローカル変数を含める")), "ctl1021", this);
  external_defines_ = MakeCheckBox(Display(SJ("プリプロ解析に外部define定義を読込み")), "ctl1016", this);
  options->addWidget(keep_locals_);
  options->addWidget(external_defines_);
  analysis->addLayout(options);
  analysis->addStretch();
  auto* memory_box = new QVBoxLayout;
  auto* memory_label = new QLabel(Display(SJ("(解析用メモリ増加)")), this);
  memory_label->setObjectName("memoryLabel");
  memory_ = new QSlider(Qt::Horizontal, this);
  memory_->setObjectName("ctl1044");
  memory_->setRange(1, 4);
  memory_->setTickInterval(1);
  memory_->setTickPosition(QSlider::TicksBelow);
  memory_->setSingleStep(1);
  memory_->setPageStep(1);
  memory_->setValue(1);
  memory_->setMinimumWidth(160);
  auto* factors = new QHBoxLayout;
  for (int i = 1; i <= 4; ++i) {
    auto* factor = new QLabel(Display(SJ("×")) + QString::number(i), this);
    factor->setObjectName(QString("memoryFactor%1").arg(i));
    if (i > 1) factors->addStretch();
    factors->addWidget(factor);
  }
  memory_box->addWidget(memory_label);
  memory_box->addWidget(memory_);
  memory_box->addLayout(factors);
  analysis->addLayout(memory_box);
  layout->addLayout(analysis);

  // Design documents. The two format boxes were never shown; they keep
  // their state only.
  auto* documents = new QHBoxLayout;
  documents_ = MakeIconButton(Display(SJ("EXCEL\n設計書作成")), QStyle::SP_FileDialogDetailedView, "ctl1017", this);
  show_progress_ = MakeCheckBox(Display(SJ("EXCEL出力状況 表示")), "ctl1015", this);
  format_xls_ = MakeCheckBox(Display(SJ("EXCEL 2003/2007型式 拡張子(*.xls) ")), "ctl1019", this);
  format_xlsx_ = MakeCheckBox(Display(SJ("EXCEL 2010/2013型式 拡張子(*.xlsx) ")), "ctl1020", this);
  format_xls_->hide();
  format_xlsx_->hide();
  documents->addWidget(documents_);
  documents->addWidget(show_progress_);
  documents->addStretch();
  layout->addLayout(documents);

  // The function and the variable choice. Each radio button stands before
  // the control it selects: the edit box or the list.
  auto make_choice = [this](const std::string& title, const char* group_name, QRadioButton*& by_edit,
                            const char* by_edit_name, QLineEdit*& edit, const char* edit_name,
                            QRadioButton*& by_list, const char* by_list_name, QComboBox*& list,
                            const char* list_name, QPushButton* button) {
    auto* group = new QGroupBox(Display(title), this);
    group->setObjectName(group_name);
    auto* grid = new QGridLayout(group);
    by_edit = new QRadioButton(group);
    by_edit->setObjectName(by_edit_name);
    edit = new QLineEdit(group);
    edit->setObjectName(edit_name);
    by_list = new QRadioButton(group);
    by_list->setObjectName(by_list_name);
    by_list->setChecked(true);
    list = MakeNameList(list_name, group);
    grid->addWidget(by_edit, 0, 0);
    grid->addWidget(edit, 0, 1);
    grid->addWidget(by_list, 1, 0);
    grid->addWidget(list, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(group, 1);
    row->addWidget(button);
    return row;
  };
  function_tree_ = MakeIconButton(Display(SJ("関数指定\nツリー作成")), QStyle::SP_FileDialogListView, "ctl1004", this);
  layout->addLayout(make_choice(SJ("関数指定"), "functionGroup", function_by_edit_, "ctl1037", function_edit_,
                                "ctl1024", function_by_list_, "ctl1038", function_list_, "ctl1029", function_tree_));
  variable_ = MakeIconButton(Display(SJ("指定変数\n分析")), QStyle::SP_FileDialogContentsView, "ctl1010", this);
  layout->addLayout(make_choice(SJ("変数指定"), "variableGroup", variable_by_edit_, "ctl1041", variable_edit_,
                                "ctl1025", variable_by_list_, "ctl1042", variable_list_, "ctl1030", variable_));
  function_list_->setEditText(Display(SJ("SELECT FUNCTION")));
  variable_list_->setEditText(Display(SJ("SELECT RAM VALUE")));

  // The status lines and "終了".
  status_ = MakeStatusLine("ctl1005", this);
  detail_ = MakeStatusLine("ctl1013", this);
  layout->addWidget(status_);
  layout->addWidget(detail_);
  result_place_ = new QLabel(this);
  result_place_->setObjectName("resultPlace");
  result_place_->setTextFormat(Qt::RichText);
  result_place_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard |
                                         Qt::TextSelectableByMouse);
  result_place_->setWordWrap(true);
  result_place_->hide();
  connect(result_place_, &QLabel::linkActivated, this, [this] {
    if (!result_path_.empty()) ui_->Open(result_path_);
  });
  layout->addWidget(result_place_);
  close_ = MakeButton(Display(SJ("終了")), "ctl1002", this);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(close_);
  layout->addLayout(bottom);

  connect(pick_source_, &QPushButton::clicked, this, &MainWindow::PickSourceFolder);
  connect(pick_output_, &QPushButton::clicked, this, &MainWindow::PickOutputFolder);
  connect(analyze_, &QPushButton::clicked, this, &MainWindow::Analyze);
  connect(documents_, &QPushButton::clicked, this, &MainWindow::CreateDocuments);
  connect(function_tree_, &QPushButton::clicked, this, &MainWindow::CreateFunctionTree);
  connect(variable_, &QPushButton::clicked, this, &MainWindow::AnalyzeVariable);
  connect(close_, &QPushButton::clicked, this, &MainWindow::reject);
}

// Without `enabled` every control that needs the results of a run is
// disabled; with it they are enabled as after a completed run: the format box
// 1020 checked, 1019 left disabled, 1015 only under the start-up flag.
void MainWindow::SetResultControlsEnabled(bool enabled) {
  for (QWidget* w : std::initializer_list<QWidget*>{
           documents_, function_tree_, variable_, function_list_, variable_list_, format_xlsx_, function_by_edit_,
           function_by_list_, variable_by_edit_, variable_by_list_, function_edit_, variable_edit_})
    w->setEnabled(enabled);
  format_xls_->setEnabled(false);
  show_progress_->setEnabled(enabled && spreadsheet_view_available_);
  if (enabled) format_xlsx_->setChecked(true);
}

// The list is refilled (not appended to: a second run must not list the
// first run's names again) and shows its placeholder text. Each entry keeps
// the name's CP932 bytes for the command.
void MainWindow::FillNameList(QComboBox* combo, const std::vector<std::string>& names,
                              const std::string& placeholder) {
  combo->clear();
  for (const std::string& name : names) combo->addItem(Display(name), QByteArray::fromStdString(name));
  combo->setCurrentIndex(-1);
  combo->setEditText(Display(placeholder));
}

RunOptions MainWindow::CurrentOptions() const {
  RunOptions options;
  options.source_folder = FromWidget(source_edit_->text());
  options.output_folder = FromWidget(output_edit_->text());
  options.keep_locals = keep_locals_->isChecked();
  options.memory_factor = memory_->value();
  return options;
}

std::string MainWindow::ChosenName(const QRadioButton* edit_choice, const QLineEdit* edit, const QComboBox* combo,
                                   NameSource* source) const {
  if (edit_choice->isChecked()) {
    *source = NameSource::kEdit;
    return FromWidget(edit->text());
  }
  *source = NameSource::kCombo;
  QString text = combo->currentText();
  int index = combo->currentIndex();
  if (index >= 0 && combo->itemText(index) == text) return combo->itemData(index).toByteArray().toStdString();
  return FromWidget(text);
}

void MainWindow::PickFolder(QLineEdit* edit) {
  QString start = edit->text();
  if (!QFileInfo(start).isDir()) start.clear();
  QString folder = policy_.PickFolder(this, Display(SJ("フォルダを選択してください")), start);
  if (!folder.isEmpty()) edit->setText(folder);
}

void MainWindow::ShowResultPlace(const std::string& path) {
  result_path_ = path;
  const QString shown = AbsoluteDisplayPath(path);
  result_place_->setText(Display(SJ("結果: ")) + "<a href=\"open\">" + shown.toHtmlEscaped() + "</a>");
  result_place_->show();
}

void MainWindow::PickSourceFolder() { PickFolder(source_edit_); }

void MainWindow::PickOutputFolder() {
  try {
    PickFolder(output_edit_);
  } catch (const std::exception&) {
    ui_->Message(SJ("例外発生130"), SJ("終了"));
  }
}

void MainWindow::Analyze() {
  if (busy_) return;
  BusyScope busy(busy_);
  session_.progress.stop_flag = 0;
  AnalyzeCommand command(session_, *ui_, log_, CurrentOptions());
  if (!command.Prepare()) return;

  RunProgressDialog dialog(session_.progress, this);
  WorkerThread worker;
  connect(&worker, &WorkerThread::Finished, &dialog, &RunProgressDialog::CloseByWorker, Qt::QueuedConnection);
  worker.Start([this, &command] { command.RunWorker(commands_.stages); });
  dialog.exec();
  // After "中止" the worker still has to notice the stop and remove the
  // work folder: no result is looked at, and no new run starts, before it
  // has ended.
  worker.Wait();

  if (session_.progress.stop_flag.load() == 1) {
    SetResultControlsEnabled(false);
    return;
  }
  AnalyzeResult result = command.Finish();
  if (result.status != AnalyzeResult::Status::kCompleted) return;
  ShowResultPlace(JoinPath(result.result_folder, "index.html"));
  SetResultControlsEnabled(true);
  FillNameList(function_list_, result.function_names, SJ("SELECT FUNCTION"));
  FillNameList(variable_list_, result.variable_names, SJ("SELECT RAM VALUE"));
}

void MainWindow::CreateDocuments() {
  if (busy_) return;
  BusyScope busy(busy_);
  session_.progress.stop_flag = 0;
  RunContext ctx(session_, *ui_, log_, CurrentOptions());
  DesignDocumentOptions options;
  options.show_progress = show_progress_->isChecked();
  QtDocumentProgress progress(session_.progress, this);
  WorkerThread worker;
  bool completed = false;
  std::string written_to;
  worker.Start([this, &ctx, &options, &progress, &completed, &written_to] {
    completed = commands_.documents(ctx, options, &progress, &written_to);
  });
  worker.Wait();
  progress.Close();
  if (completed && !written_to.empty()) ShowResultPlace(written_to);
}

// StopFlag is cleared first: a stop left from an interrupted document run
// (or from the about dialog) would otherwise end the variable scan before
// its first record and report an empty result as complete.
void MainWindow::CreateFunctionTree() {
  if (busy_) return;
  BusyScope busy(busy_);
  NameSource source;
  std::string name = ChosenName(function_by_edit_, function_edit_, function_list_, &source);
  session_.progress.stop_flag = 0;
  RunContext ctx(session_, *ui_, log_, CurrentOptions());
  std::string written_to;
  if (commands_.function_tree(ctx, name, source, &written_to) && !written_to.empty())
    ShowResultPlace(JoinPath(written_to, "index.html"));
}

void MainWindow::AnalyzeVariable() {
  if (busy_) return;
  BusyScope busy(busy_);
  NameSource source;
  std::string name = ChosenName(variable_by_edit_, variable_edit_, variable_list_, &source);
  session_.progress.stop_flag = 0;
  RunContext ctx(session_, *ui_, log_, CurrentOptions());
  std::string written_to;
  if (commands_.variable(ctx, name, source, &written_to) && !written_to.empty())
    ShowResultPlace(JoinPath(written_to, "index.html"));
}

// The about entry opens a second instance of the document progress dialog,
// running time and "実行中断" included.
void MainWindow::ShowAbout() {
  DocumentProgressDialog about(session_.progress, this);
  about.exec();
}

void MainWindow::reject() {
  if (busy_) return;
  QDialog::reject();
}

}  // namespace kv::gui
