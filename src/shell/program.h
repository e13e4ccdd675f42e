#pragma once

namespace orv {

// The `orvantis` executable: the main window when no command is given (with `--data-root DIR`,
// `--has-window` and `--screenshot` as window options), otherwise the command line, whose
// `graph` and `print` commands the shell carries out. Returns the exit status.
int RunProgram(int argc, char** argv);

// Opens the main window (`orvantis [--data-root DIR] [--no-pause]`), answers `--has-window`,
// or renders the window, one of its parts or one of its dialogs into a picture (`--screenshot
// FILE.png [--view N] [--stage 1|2] [--part NAME | --dialog NAME [--source PATH]] [--tags LIST]
// [--size WxH] [--units english|metric|metric-m3] [ENGINE.OV]`). Returns the exit status.
int RunWindow(int argc, char** argv);

}  // namespace orv
