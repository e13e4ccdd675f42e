#include "shell/window_main.h"

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <iostream>

#include "app/application.h"
#include "app/command_line.h"
#include "app/graph_model.h"
#include "base/error_trace.h"
#include "files/user_store.h"
#include "shell/main_window.h"
#include "shell/qt_prompter.h"
#include "shell/screenshot.h"
#include "shell/splash_window.h"

namespace orv {

namespace {

constexpr int kSplashPauseMs = 2000;
constexpr const char* kNoPauseVariable = "ORVANTIS_NO_SPLASH_PAUSE";

constexpr const char* kUsage =
    "usage: orvantis [--data-root DIR] [--no-pause]\n"
    "       orvantis --has-window\n"
    "       orvantis [--data-root DIR] --screenshot FILE.png [--view N] [--stage 1|2]\n"
    "                [--part inputs|outputs|sources|balance-chart]\n"
    "                [--dialog options|report-setup|cam|flow-dos|flow-database|flow-keyboard|\n"
    "                          explain]\n"
    "                [--source PATH] [--tags 1,5,8] [--size WxH]\n"
    "                [--units english|metric|metric-m3] [ENGINE.OV]\n";

constexpr std::array<const char*, 4> kParts = {"inputs", "outputs", "sources", "balance-chart"};
constexpr std::array<const char*, 7> kDialogs = {
    "options", "report-setup", "cam", "flow-dos", "flow-database", "flow-keyboard", "explain"};

template <std::size_t N>
bool OneOf(const std::string& value, const std::array<const char*, N>& names) {
  return std::find(names.begin(), names.end(), value) != names.end();
}

template <std::size_t N>
std::string ListOf(const std::array<const char*, N>& names) {
  std::string list;
  for (const char* name : names) list += (list.empty() ? "" : ", ") + std::string(name);
  return list;
}

// "1,5,8": curve numbers 1..13, each once.
bool ParseTags(const std::string& text, std::vector<int>& tags) {
  tags.clear();
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t comma = std::min(text.find(',', at), text.size());
    const std::string item = text.substr(at, comma - at);
    if (item.empty() || item.size() > 2 ||
        !std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
    const int tag = std::stoi(item);
    if (tag < 1 || tag > kCurveTagCount) return false;
    if (std::find(tags.begin(), tags.end(), tag) != tags.end()) return false;
    tags.push_back(tag);
    at = comma + 1;
  }
  return !tags.empty();
}

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
                            arg == "--size" || arg == "--units" || arg == "--stage" ||
                            arg == "--part" || arg == "--dialog" || arg == "--source" ||
                            arg == "--tags";
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
      options.sizeGiven = true;
    } else if (arg == "--stage") {
      if (value != "1" && value != "2") return "--stage needs 1 or 2, got \"" + value + "\"";
      options.stage = value[0] - '0';
    } else if (arg == "--part") {
      if (!OneOf(value, kParts)) {
        return "--part needs one of " + ListOf(kParts) + ", got \"" + value + "\"";
      }
      options.part = value;
    } else if (arg == "--dialog") {
      if (!OneOf(value, kDialogs)) {
        return "--dialog needs one of " + ListOf(kDialogs) + ", got \"" + value + "\"";
      }
      options.dialog = value;
    } else if (arg == "--source") {
      if (value.empty()) return std::string("--source needs a folder or a database file");
      options.source = value;
    } else if (arg == "--tags") {
      if (!ParseTags(value, options.tags)) {
        return "--tags needs curve numbers 1 to 13 separated by commas, got \"" + value + "\"";
      }
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
      (viewGiven || sizeGiven || !options.units.empty() || !options.engine.empty() ||
       options.stage != 0 || !options.part.empty() || !options.dialog.empty() ||
       !options.source.empty() || !options.tags.empty())) {
    return std::string(
        "--view, --stage, --part, --dialog, --source, --tags, --size, --units and an engine file "
        "go with --screenshot");
  }
  if (!options.part.empty() && !options.dialog.empty()) {
    return std::string("--part and --dialog cannot be used together");
  }
  if (!options.part.empty() && options.view != 0) {
    return "--part pictures a part of the inputs view (0), not of view " +
           std::to_string(options.view);
  }
  const bool dialogWithSource = options.dialog == "cam" || options.dialog == "flow-dos" ||
                                options.dialog == "flow-database" ||
                                options.dialog == "flow-keyboard";
  if (!options.source.empty() && !dialogWithSource) {
    return std::string("--source goes with --dialog cam, flow-dos, flow-database or flow-keyboard");
  }
  return std::nullopt;
}

ShortDateFormat ShortDateFormatOfLocale(const QLocale& locale) {
  const std::string pattern = locale.dateFormat(QLocale::ShortFormat).toStdString();
  return ShortDateFormatOfPattern(pattern).value_or(ShortDateFormat{});
}

ShortDateFormat SystemShortDateFormat() { return ShortDateFormatOfLocale(QLocale::system()); }

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

  // The bench databases' dates are shown and queried in the system's short date form.
  app.testDatabases().SetDateFormat(SystemShortDateFormat());
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
  if (!options.screenshot.empty()) return RenderScreenshot(argc, argv, options);

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
