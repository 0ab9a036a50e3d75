// `kavenor gui`: the window as the program's whole life. QApplication exists
// only inside this call, so the other commands never need a display.
#pragma once

namespace kv {

// argv[1] is "gui"; the arguments after it go to Qt ("-platform offscreen").
// Returns 0 when the window was closed, 1 when no display is available.
int RunDesktopWindow(int argc, char** argv);

}  // namespace kv
