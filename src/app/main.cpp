#include "app/command_line.h"

#ifdef KAVENOR_GUI
#include "app/gui/desktop_window.h"
#endif

namespace {

// Ctrl-C is caught before anything of the program runs: the dynamic
// loader calls the functions of .preinit_array before the constructors of
// the libraries (Qt's among them) and before main.
void StopHandlerFirst(int, char**, char**) { kv::InstallStopHandler(); }
__attribute__((section(".preinit_array"), used)) void (*const stop_handler_first)(int, char**, char**) =
    StopHandlerFirst;

}  // namespace

int main(int argc, char** argv) {
#ifdef KAVENOR_GUI
  return kv::RunCommandLine(argc, argv, kv::RunDesktopWindow);
#else
  return kv::RunCommandLine(argc, argv);
#endif
}
