#include "shell/program.h"

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "app/application.h"
#include "app/command_line.h"
#include "app/flow_tests_db_command.h"
#include "shell/main_window.h"
#include "shell/qt_prompter.h"
#include "shell/screenshot.h"
#include "shell/shell_commands.h"
#include "shell/window_options.h"
#include "shell/window_start.h"

namespace orv {

namespace {

constexpr const char* kNoPauseVariable = "ORVANTIS_NO_SPLASH_PAUSE";

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

// A first argument that is not an option names a command; the help, version and manual page
// options belong to the command line too. Everything else starts the window.
bool IsCommandLine(int argc, char** argv) {
  if (argc < 2) return false;
  const std::string_view first = argv[1];
  if (!first.starts_with('-')) return true;
  return first == "-h" || first == "--help" || first == "--version" || first == "--man";
}

}  // namespace

int RunWindow(int argc, char** argv) {
  WindowOptions options;
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (const auto problem = ParseWindowOptions(args, options)) {
    std::cerr << "orvantis: " << *problem << '\n' << WindowUsage();
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

int RunProgram(int argc, char** argv) {
  if (IsCommandLine(argc, argv)) {
    ShellCommandHandlers handlers(argc, argv);
    return RunCommandLine(argc, argv, std::cout, std::cerr, DefaultJetReaderOptions().executable,
                          &handlers);
  }
  return RunWindow(argc, argv);
}

}  // namespace orv
