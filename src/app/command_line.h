// The command line: each button of the main window is a sub-command, each
// control an option. Exit status 0 for a completed command, 1 for a refusal,
// an error or a stop, 2 for a usage error.
#pragma once

namespace kv {

// The desktop window's entry, given the whole command line (argv[1] is
// "gui"); the program passes it only when it was built with the window, so
// that nothing else depends on Qt.
using DesktopWindowEntry = int (*)(int argc, char** argv);

// Ctrl-C as the stop button: the program installs it before anything else
// (main.cpp: before the libraries' constructors), so that a Ctrl-C in the
// program's first milliseconds stops the command instead of killing the
// process half-way.
void InstallStopHandler();

int RunCommandLine(int argc, char** argv, DesktopWindowEntry desktop_window = nullptr);

}  // namespace kv
