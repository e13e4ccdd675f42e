#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/date_text.h"

class QLocale;

namespace orv {

class Application;
class MainWindow;
class QtPrompter;

// Opens the main window (`orvantis [--data-root DIR] [--no-pause]`), answers `--has-window`,
// or renders the window, one of its parts or one of its dialogs into a picture (`--screenshot
// FILE.png [--view N] [--stage 1|2] [--part NAME | --dialog NAME [--source PATH]] [--tags LIST]
// [--size WxH] [--units english|metric|metric-m3] [ENGINE.OV]`). Returns the exit status.
int RunWindow(int argc, char** argv);

// The options of the window's command line.
struct WindowOptions {
  std::filesystem::path dataRoot;  // --data-root: instead of ORVANTIS_DATA_ROOT / $HOME
  bool hasWindow = false;          // --has-window: only say whether a display can be opened
  bool noPause = false;            // --no-pause: no pause while the splash window shows
  std::string screenshot;          // --screenshot: the PNG picture to write
  int view = 0;                    // --view: 0 inputs, 1 graph, 2 graph settings, 3 reports
  int width = 1220;                // --size: the picture's size in pixels
  int height = 900;
  std::string engine;      // the engine file the picture shows (the last engine when empty)
  std::string units;       // --units: english, metric or metric-m3 (the configuration's when empty)
  bool sizeGiven = false;  // --size was given (a dialog keeps its own size otherwise)
  int stage = 0;           // --stage: the input stage tab shown, 1 or 2 (0: as it opens);
                           // 2 approves stage 1 first, as the second stage opens only then
  std::string part;        // --part: inputs, outputs, sources or balance-chart of the inputs view
  std::string dialog;      // --dialog: options, report-setup, cam, flow-dos, flow-database,
                           // flow-keyboard or explain (the explanation of the port area for
                           // peak torque), opened over the window and pictured alone
  std::filesystem::path source;  // --source: the cam or flow-test folder, or the test database,
                                 // the dialog shows; for the keyboard tab a DOS test file whose
                                 // table the rows start with
  std::vector<int> tags;         // --tags: the curves (1..13) the graph shows
};

// Reads the window's options (the arguments after the program's name). Returns the message
// for the user when they cannot be used.
std::optional<std::string> ParseWindowOptions(const std::vector<std::string>& args,
                                              WindowOptions& options);

// How the window starts.
struct StartOptions {
  std::filesystem::path dataRoot;       // empty: ORVANTIS_DATA_ROOT or the home folder's
  std::filesystem::path programFolder;  // empty: the running program's
  bool pause = true;                    // the two seconds the splash window stays
  bool show = true;                     // show the main window once loaded
};

// The start-up: the error trace, the splash window fixing the folders, the pause, the main
// window created and loaded through the application's start-up, the splash window closed and
// the main window shown at its size and refreshed. An error of a step is reported through the
// error trace and the next step follows. `prompter`, when given, shows its boxes over the main
// window and takes the file dialogs' texts from the application.
// The short date form of a locale's settings (its short date pattern), or the United States
// form when the pattern is not one the program can write and read back.
ShortDateFormat ShortDateFormatOfLocale(const QLocale& locale);
// The system's: the form the bench databases' dates are shown and queried in.
ShortDateFormat SystemShortDateFormat();

std::unique_ptr<MainWindow> StartMainWindow(Application& app, const StartOptions& options,
                                            QtPrompter* prompter = nullptr);

}  // namespace orv
