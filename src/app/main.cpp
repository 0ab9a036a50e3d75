#include "app/command_line.h"

#ifdef KAVENOR_GUI
#include "app/gui/desktop_window.h"
#endif

int main(int argc, char** argv) {
  kv::InstallStopHandler();
#ifdef KAVENOR_GUI
  return kv::RunCommandLine(argc, argv, kv::RunDesktopWindow);
#else
  return kv::RunCommandLine(argc, argv);
#endif
}
