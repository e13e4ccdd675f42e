#pragma once

namespace orv {

struct WindowOptions;

// Renders the main window, a part of its inputs view or one of its dialogs into a PNG picture
// on Qt's offscreen platform and exits: the pictures of the user manual. The dialogs show real
// content: the cam dialog over a folder of cam files, the flow test dialog over a folder of
// flow-test files or over a test database with its first test selected, each from `--source`.
// Messages go to the error stream and no question waits for an answer. Returns the exit status.
int RenderScreenshot(int argc, char** argv, const WindowOptions& options);

}  // namespace orv
