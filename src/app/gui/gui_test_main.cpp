// One QApplication for every widget test class (QT_QPA_PLATFORM=offscreen
// in ctest, so no display is needed).
#include <QApplication>

namespace kv::gui {
int RunMainWindowTests(int argc, char** argv);
int RunProgressDialogTests(int argc, char** argv);
}  // namespace kv::gui

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int failed = 0;
  failed += kv::gui::RunProgressDialogTests(argc, argv);
  failed += kv::gui::RunMainWindowTests(argc, argv);
  return failed == 0 ? 0 : 1;
}
