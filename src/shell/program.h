#pragma once

namespace orv {

// The `orvantis` executable: the main window when no command is given (with `--data-root DIR`,
// `--has-window` and `--screenshot` as window options), otherwise the command line, whose
// `graph` and `print` commands the shell carries out. Returns the exit status.
int RunProgram(int argc, char** argv);

}  // namespace orv
