#include "shell/window_main.h"

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <cctype>
#include <cstdlib>
#include <iostream>

#include "app/application.h"
#include "app/command_line.h"
#include "base/error_trace.h"
#include "shell/main_window.h"
#include "shell/qt_prompter.h"
#include "shell/splash_window.h"

namespace orv {

namespace {

constexpr int kSplashPauseMs = 2000;
constexpr const char* kNoPauseVariable = "ORVANTIS_NO_SPLASH_PAUSE";

constexpr const char* kUsage =
    "usage: orvantis [--data-root DIR] [--no-pause]\n"
    "       orvantis --has-window\n"
    "       orvantis [--data-root DIR] --screenshot FILE.png [--view N] [--size WxH] "
    "[--units english|metric|metric-m3] [ENGINE.OV]\n";

// The prompter of a picture rendered without a screen: messages go to the error stream and
// every question is answered Cancel.
class StreamPrompter final : public Prompter {
 public:
  void Warn(const std::string& text, const std::string&) override {
    std::cerr << "orvantis: " << MessageText(text).toStdString() << '\n';
  }
  Answer AskYesNoCancel(const std::string&, const std::string&) override { return Answer::Cancel; }
  void Beep() override {}
};

bool EndsWithPng(const std::string& path) {
  if (path.size() < 5) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".png";
}

// Whether Qt can open its platform (a display, or the platform QT_QPA_PLATFORM names). Tried
// in a child process, because Qt ends the process when it cannot.
int HasWindow(char* program) {
  std::cout.flush();
  std::cerr.flush();
  const pid_t child = ::fork();
  if (child < 0) return 1;
  if (child == 0) {
    int argc = 1;
    char* argv[] = {program, nullptr};
    const QGuiApplication probe(argc, argv);
    ::_exit(QGuiApplication::primaryScreen() != nullptr ? 0 : 1);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return 1;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

int Screenshot(int argc, char** argv, const WindowOptions& options) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication qt(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  StreamPrompter prompter;
  Application app(prompter);
  StartOptions start;
  start.dataRoot = options.dataRoot;
  start.pause = false;
  const std::unique_ptr<MainWindow> window = StartMainWindow(app, start);
  if (!options.engine.empty()) {
    std::string reason;
    if (!app.OpenEngine(options.engine, &reason)) {
      std::cerr << "orvantis: cannot read the engine file " << options.engine << ": "
                << (reason.empty() ? "it is not an Orvantis engine file" : reason) << '\n';
      return 1;
    }
  }
  if (!options.units.empty()) {
    app.SetUnitSystem(options.units == "metric"      ? UnitMode::Metric
                      : options.units == "metric-m3" ? UnitMode::MetricM3
                                                     : UnitMode::English);
  }
  window->RefreshFromCore();
  window->resize(options.width, options.height);
  if (!window->ShowView(options.view)) {
    std::cerr << "orvantis: the view " << options.view << " could not be shown\n";
    return 1;
  }
  QCoreApplication::processEvents();
  const QPixmap picture = window->grab();
  if (!picture.save(QString::fromStdString(options.screenshot), "PNG")) {
    std::cerr << "orvantis: cannot write the picture " << options.screenshot << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

std::optional<std::string> ParseWindowOptions(const std::vector<std::string>& args,
                                              WindowOptions& options) {
  bool viewGiven = false, sizeGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
    bool hasValue = false;
    if (arg.starts_with("--")) {
      if (const auto eq = arg.find('='); eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        hasValue = true;
      }
    }
    const bool takesValue = arg == "--data-root" || arg == "--screenshot" || arg == "--view" ||
                            arg == "--size" || arg == "--units";
    if (takesValue && !hasValue) {
      if (i + 1 >= args.size()) return arg + " needs a value";
      value = args[++i];
    } else if (!takesValue && hasValue) {
      return arg + " takes no value";
    }
    if (arg == "--data-root") {
      if (value.empty()) return std::string("--data-root needs a folder");
      options.dataRoot = value;
    } else if (arg == "--has-window") {
      options.hasWindow = true;
    } else if (arg == "--no-pause") {
      options.noPause = true;
    } else if (arg == "--screenshot") {
      if (!EndsWithPng(value)) return "--screenshot needs a .png file, got \"" + value + "\"";
      options.screenshot = value;
    } else if (arg == "--view") {
      if (value.size() != 1 || value[0] < '0' || value[0] > '3') {
        return "--view needs 0 (inputs), 1 (graph), 2 (graph settings) or 3 (reports), got \"" +
               value + "\"";
      }
      options.view = value[0] - '0';
      viewGiven = true;
    } else if (arg == "--size") {
      if (!ParsePictureSize(value, options.width, options.height)) {
        return "--size needs WIDTHxHEIGHT in pixels (16 to 16384 each), got \"" + value + "\"";
      }
      sizeGiven = true;
    } else if (arg == "--units") {
      if (value != "english" && value != "metric" && value != "metric-m3") {
        return "--units needs english, metric or metric-m3, got \"" + value + "\"";
      }
      options.units = value;
    } else if (arg.starts_with('-')) {
      return "unknown option " + arg;
    } else if (options.engine.empty()) {
      options.engine = arg;
    } else {
      return "unexpected argument " + arg;
    }
  }
  if (options.screenshot.empty() &&
      (viewGiven || sizeGiven || !options.units.empty() || !options.engine.empty())) {
    return std::string("--view, --size, --units and an engine file go with --screenshot");
  }
  return std::nullopt;
}

std::unique_ptr<MainWindow> StartMainWindow(Application& app, const StartOptions& options,
                                            QtPrompter* prompter) {
  EStackTrace::Instance().Clear();
  ETracker guard("Declares", "Main");

  SplashWindow splash;
  try {
    splash.show();
    QCoreApplication::processEvents();
    SplashWindow::FixFolders(app, options.dataRoot);
    if (!options.programFolder.empty()) {
      app.SetFolders(Folders{options.programFolder, app.folders().dataRoot});
    }
  } catch (...) {
    app.ReportError(guard);
  }

  if (options.pause) {
    QEventLoop wait;
    QTimer::singleShot(kSplashPauseMs, &wait, &QEventLoop::quit);
    wait.exec();
  }

  auto window = std::make_unique<MainWindow>(app);
  if (prompter != nullptr) {
    prompter->SetParent(window.get());
    prompter->SetStrings(&app.strings());
  }
  try {
    app.StartUp();
  } catch (...) {
    app.ReportError(guard);
  }
  try {
    window->Load();
  } catch (...) {
    app.ReportError(guard);
  }
  splash.close();

  try {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      window->resize(MainWindowSizeFor(screen->availableGeometry().size()));
    }
    if (options.show) {
      window->show();
      QCoreApplication::processEvents();
    }
    window->FinalRefresh();
  } catch (...) {
    app.ReportError(guard);
  }
  return window;
}

int RunWindow(int argc, char** argv) {
  WindowOptions options;
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (const auto problem = ParseWindowOptions(args, options)) {
    std::cerr << "orvantis: " << *problem << '\n' << kUsage;
    return 2;
  }
  if (options.hasWindow) return HasWindow(argc > 0 ? argv[0] : nullptr);
  if (!options.screenshot.empty()) return Screenshot(argc, argv, options);

  QApplication qt(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Orvantis"));
  QApplication::setApplicationVersion(QStringLiteral(ORVANTIS_VERSION));
  QtPrompter prompter;
  Application app(prompter);
  StartOptions start;
  start.dataRoot = options.dataRoot;
  const char* noPause = std::getenv(kNoPauseVariable);
  start.pause = !options.noPause && (noPause == nullptr || *noPause == '\0');
  const std::unique_ptr<MainWindow> window = StartMainWindow(app, start, &prompter);
  const int status = QApplication::exec();
  prompter.SetParent(nullptr);
  return status;
}

}  // namespace orv
