#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>

#include "app/application.h"
#include "shell/main_window.h"
#include "shell/window_start.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv::test {

// The source tree the window tests run over (the test main sets it when the caller did not).
inline std::filesystem::path SourceTree() {
  const char* dir = std::getenv("ORVANTIS_SOURCE_DIR");
  return std::filesystem::path(dir != nullptr ? dir : ".");
}

// Runs the event loop until `done` holds or `ms` milliseconds have passed; returns `done()`.
inline bool WaitFor(const std::function<bool()>& done, int ms = 60000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) QTest::qWait(5);
  return done();
}

// The application of a window test, in a folder of its own (`dir`): the program folder
// "prog" with the interface texts, the data root "data" and the user store under "config", so
// that nothing a test does reaches the user's own files. `prompter` answers for the user.
class AppFixture {
 public:
  // How far the application is taken.
  enum class Start {
    // The user store only, the user's configuration folder (XDG_CONFIG_HOME) being the test's:
    // the test starts the main window (`StartWindow`), which does the start-up over the source
    // tree's interface texts.
    kWindow,
    // The folders set and the interface texts read: dialogs and views over the default engine.
    kStrings,
    // The program's start-up: the default engine calculated. What the start-up said (the notice
    // of a new configuration) is not the test's and is dropped.
    kStartedUp,
  };

  explicit AppFixture(Start start = Start::kStrings, FakePrompter given = FakePrompter{})
      : prompter(std::move(given)) {
    app.SetUserStorePath(StorePath());
    if (start == Start::kWindow) {
      ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
      return;
    }
    std::filesystem::create_directories(ProgramFolder());
    std::filesystem::copy_file(SourceTree() / "resources" / "OV-STR.TXT",
                               ProgramFolder() / "OV-STR.TXT");
    app.SetFolders(Folders{ProgramFolder(), DataRoot()});
    if (start == Start::kStrings) {
      app.LoadStrings();
      return;
    }
    started = app.StartUp();
    prompter.warnings.clear();
    prompter.warningTitles.clear();
    prompter.beeps = 0;
  }
  AppFixture(const AppFixture&) = delete;
  AppFixture& operator=(const AppFixture&) = delete;

  std::filesystem::path ProgramFolder() const { return dir / "prog"; }
  std::filesystem::path DataRoot() const { return dir / "data"; }
  std::filesystem::path StorePath() const { return dir / "config" / "Orvantis" / "Orvantis.ini"; }

  // The main window started as the program starts it (without the splash window's pause) on
  // the data root, shown unless `show` is false.
  std::unique_ptr<MainWindow> StartWindow(bool show = true) {
    StartOptions options;
    options.dataRoot = DataRoot();
    options.programFolder = SourceTree() / "resources";
    options.pause = false;
    options.show = show;
    return StartMainWindow(app, options);
  }

  TempDir dir;
  FakePrompter prompter;
  Application app{prompter};
  bool started = false;  // what the start-up returned (kStartedUp)
};

}  // namespace orv::test
