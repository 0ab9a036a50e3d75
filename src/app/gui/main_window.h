// The program's window: the two folders, the options, the four command
// buttons with the function and variable choices, the two status lines.
// Each control carries its resource number as object name ("ctl1003").
//
// The buttons call the same entry points as the command line. The analysis
// runs on a worker thread while the modal "解析中" dialog shows its progress;
// the design documents run on a worker thread while the "実行中" dialog is
// open; the call tree and the variable analysis run on the window's thread.
// While a command runs no other can start.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/analysis_driver.h"
#include "run/analysis_log.h"
#include "run/run_context.h"
#include "report/report_commands.h"
#include "xlsdoc/design_document_command.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace kv::gui {

class DialogPolicy;
class FolderEdit;
class QtUserInterface;

// What the buttons run; the real entry points unless a test replaces them.
struct WindowCommands {
  std::vector<StageFrame> stages;
  // Each gives, when it completed, where it wrote its result.
  std::function<bool(RunContext&, const std::string&, NameSource, std::string*)> function_tree;
  std::function<bool(RunContext&, const std::string&, NameSource, std::string*)> variable;
  std::function<bool(RunContext&, const DesignDocumentOptions&, DocumentProgress*, std::string*)> documents;

  static WindowCommands Real();
};

class MainWindow : public QDialog {
  Q_OBJECT

 public:
  // `spreadsheet_view_available` is the start-up flag that lets the check
  // box "EXCEL出力状況 表示" be enabled after a completed run.
  MainWindow(DialogPolicy& policy, WindowCommands commands = WindowCommands::Real(),
             bool spreadsheet_view_available = true, QWidget* parent = nullptr);
  ~MainWindow() override;

  Session& session() { return session_; }
  bool busy() const { return busy_; }

 public slots:
  void PickSourceFolder();  // 1000
  void PickOutputFolder();  // 1007
  void Analyze();           // 1001
  void CreateDocuments();   // 1017
  void CreateFunctionTree();  // 1004
  void AnalyzeVariable();     // 1010
  void ShowAbout();

 protected:
  // Escape, the close box and "終了" close the window, except while a
  // command runs.
  void reject() override;

 private:
  void BuildControls();
  void SetResultControlsEnabled(bool enabled);
  void FillNameList(QComboBox* combo, const std::vector<std::string>& names, const std::string& placeholder);
  RunOptions CurrentOptions() const;
  // The name for the tree or the variable command: the edit's text when its
  // radio button is selected, the combo box's text otherwise.
  std::string ChosenName(const QRadioButton* edit_choice, const QLineEdit* edit, const QComboBox* combo,
                         NameSource* source) const;
  void PickFolder(QLineEdit* edit);
  // The line below the status lines that says where the last result went
  // (a link that opens it); `path` is CP932.
  void ShowResultPlace(const std::string& path);

  DialogPolicy& policy_;
  WindowCommands commands_;
  const bool spreadsheet_view_available_;
  Session session_;
  AnalysisLog log_;
  std::unique_ptr<QtUserInterface> ui_;
  bool busy_ = false;

  FolderEdit* source_edit_ = nullptr;      // 1003
  FolderEdit* output_edit_ = nullptr;      // 1006
  QPushButton* pick_source_ = nullptr;     // 1000
  QPushButton* pick_output_ = nullptr;     // 1007
  QPushButton* analyze_ = nullptr;         // 1001
  QCheckBox* keep_locals_ = nullptr;       // 1021
  QCheckBox* external_defines_ = nullptr;  // 1016
  QSlider* memory_ = nullptr;              // 1044
  QPushButton* documents_ = nullptr;       // 1017
  QCheckBox* show_progress_ = nullptr;     // 1015
  QCheckBox* format_xls_ = nullptr;        // 1019
  QCheckBox* format_xlsx_ = nullptr;       // 1020
  QPushButton* function_tree_ = nullptr;   // 1004
  QRadioButton* function_by_edit_ = nullptr;   // 1037
  QRadioButton* function_by_list_ = nullptr;   // 1038
  QLineEdit* function_edit_ = nullptr;         // 1024
  QComboBox* function_list_ = nullptr;         // 1029
  QPushButton* variable_ = nullptr;            // 1010
  QRadioButton* variable_by_edit_ = nullptr;   // 1041
  QRadioButton* variable_by_list_ = nullptr;   // 1042
  QLineEdit* variable_edit_ = nullptr;         // 1025
  QComboBox* variable_list_ = nullptr;         // 1030
  QLabel* status_ = nullptr;                   // 1005
  QLabel* detail_ = nullptr;                   // 1013
  QLabel* result_place_ = nullptr;             // where the last result went
  std::string result_path_;                    // CP932, opened by the link
  QPushButton* close_ = nullptr;               // 1002
};

}  // namespace kv::gui
