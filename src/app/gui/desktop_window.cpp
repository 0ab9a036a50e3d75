#include "app/gui/desktop_window.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/gui/dialog_policy.h"
#include "app/gui/main_window.h"

namespace kv {
namespace {

bool HasEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// Qt ends the process when it cannot reach a display; say so instead.
bool DisplayAvailable(const std::vector<char*>& qt_args) {
  for (char* arg : qt_args)
    if (std::strcmp(arg, "-platform") == 0) return true;
  return HasEnvironment("DISPLAY") || HasEnvironment("WAYLAND_DISPLAY") || HasEnvironment("QT_QPA_PLATFORM");
}

}  // namespace

int RunDesktopWindow(int argc, char** argv) {
  std::vector<char*> qt_args = {argv[0]};
  for (int i = 2; i < argc; ++i) qt_args.push_back(argv[i]);
  if (!DisplayAvailable(qt_args)) {
    std::fprintf(stderr, "kavenor: no display (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM is not set)\n");
    return 1;
  }
  int qt_argc = static_cast<int>(qt_args.size());
  qt_args.push_back(nullptr);
  QApplication app(qt_argc, qt_args.data());
  gui::ModalDialogPolicy policy;
  gui::MainWindow window(policy);
  window.exec();
  return 0;
}

}  // namespace kv
