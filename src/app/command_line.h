// The command line: each button of the main window is a sub-command, each
// control an option. Exit status 0 for a completed command, 1 for a refusal,
// an error or a stop, 2 for a usage error.
#pragma once

namespace kv {

int RunCommandLine(int argc, char** argv);

}  // namespace kv
