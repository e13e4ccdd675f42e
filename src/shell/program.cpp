#include "shell/program.h"

#include <iostream>
#include <string_view>

#include "app/command_line.h"
#include "app/flow_tests_db_command.h"
#include "shell/shell_commands.h"
#include "shell/window_main.h"

namespace orv {

namespace {

// A first argument that is not an option names a command; the help, version and manual page
// options belong to the command line too. Everything else starts the window.
bool IsCommandLine(int argc, char** argv) {
  if (argc < 2) return false;
  const std::string_view first = argv[1];
  if (!first.starts_with('-')) return true;
  return first == "-h" || first == "--help" || first == "--version" || first == "--man";
}

}  // namespace

int RunProgram(int argc, char** argv) {
  if (IsCommandLine(argc, argv)) {
    ShellCommandHandlers handlers(argc, argv);
    return RunCommandLine(argc, argv, std::cout, std::cerr, DefaultJetReaderOptions().executable,
                          &handlers);
  }
  return RunWindow(argc, argv);
}

}  // namespace orv
