#include "shell/window_start.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QTimer>

#include "app/application.h"
#include "base/error_trace.h"
#include "files/user_store.h"
#include "shell/command_runner.h"
#include "shell/main_window.h"
#include "shell/qt_prompter.h"
#include "shell/splash_window.h"

namespace orv {

namespace {

constexpr int kSplashPauseMs = 2000;

}  // namespace

ShortDateFormat ShortDateFormatOfLocale(const QLocale& locale) {
  const std::string pattern = locale.dateFormat(QLocale::ShortFormat).toStdString();
  return ShortDateFormatOfPattern(pattern).value_or(ShortDateFormat{});
}

ShortDateFormat SystemShortDateFormat() { return ShortDateFormatOfLocale(QLocale::system()); }

std::unique_ptr<MainWindow> StartMainWindow(Application& app, const StartOptions& options,
                                            QtPrompter* prompter) {
  EStackTrace::Instance().Clear();
  // Every step of the start is run under the guard "Declares"/"Main"; an error of one is
  // reported and the next follows.
  SplashWindow splash;
  RunCommand(app, "Declares", "Main", [&] {
    splash.show();
    QCoreApplication::processEvents();
    SplashWindow::FixFolders(app, options.dataRoot);
    if (!options.programFolder.empty()) {
      app.SetFolders(Folders{options.programFolder, app.folders().dataRoot});
    }
  });

  if (options.pause) {
    QEventLoop wait;
    QTimer::singleShot(kSplashPauseMs, &wait, &QEventLoop::quit);
    wait.exec();
  }

  // The bench databases' dates are shown and queried in the system's short date form.
  app.testDatabases().SetDateFormat(SystemShortDateFormat());
  auto window = std::make_unique<MainWindow>(app);
  if (prompter != nullptr) {
    prompter->SetParent(window.get());
    prompter->SetStrings(&app.strings());
  }
  RunCommand(app, "Declares", "Main", [&] { app.StartUp(); });
  RunCommand(app, "Declares", "Main", [&] { window->Load(); });
  splash.close();

  RunCommand(app, "Declares", "Main", [&] {
    bool maximised = false;
    bool firstStart = false;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const UserStore store(app.userStorePath());
    if (screen != nullptr) {
      // The place the window was left at, or the first start's size; maximised when that does
      // not fit the screen.
      const WindowPlace place = StartPlace(store.RegReadValue(kWindowPlaceValue, ""),
                                           store.RegReadValue(kWindowMaximisedValue, ""),
                                           screen->availableGeometry(), window->neededSize());
      firstStart = store.RegReadValue(kWindowPlaceValue, "").empty();
      window->setGeometry(place.rect);
      maximised = place.maximised;
    }
    if (options.show) {
      if (maximised) {
        window->showMaximized();
      } else {
        window->show();
      }
      QCoreApplication::processEvents();
    } else if (maximised) {
      window->setWindowState(window->windowState() | Qt::WindowMaximized);
    }
    window->FinalRefresh();
    if (options.show && firstStart && !maximised && screen != nullptr) {
      // What the views need is only known once they are shown with the engine's values in the
      // style's fonts; a first start whose window turns out too small for them grows to fit,
      // or is maximised where the screen is smaller than that.
      QCoreApplication::processEvents();
      const QSize needs = window->neededSize();
      if (needs.width() > window->width() || needs.height() > window->height()) {
        const WindowPlace place = StartPlace("", "", screen->availableGeometry(), needs);
        if (place.maximised) {
          window->showMaximized();
        } else {
          window->setGeometry(place.rect);
        }
      }
    }
  });
  return window;
}

}  // namespace orv
