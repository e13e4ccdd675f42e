#pragma once

namespace orv {

// Opens the main window (`orvantis [--data-root DIR]`), answers `--has-window`, or renders the
// window into a picture (`--screenshot FILE.png [--view N] [--size WxH] [ENGINE.OV]`). Returns
// the exit status.
int RunWindow(int argc, char** argv);

}  // namespace orv
