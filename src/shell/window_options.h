#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orv {

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

// The usage lines of the window's command line.
const char* WindowUsage() noexcept;

}  // namespace orv
