#pragma once

#include <filesystem>
#include <memory>

#include "base/date_text.h"

class QLocale;

namespace orv {

class Application;
class MainWindow;
class QtPrompter;

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
