// The orvantis executable: the main window, or a command when one is given.
#ifdef ORVANTIS_WITH_SHELL
#include "shell/program.h"
#else
#include <iostream>

#include "app/command_line.h"
#endif

int main(int argc, char** argv) {
#ifdef ORVANTIS_WITH_SHELL
  return orv::RunProgram(argc, argv);
#else
  // The fuzz build has no window: commands only.
  if (argc > 1) return orv::RunCommandLine(argc, argv, std::cout, std::cerr);
  std::cerr << "orvantis: this build has no main window; run a command (orvantis --help)\n";
  return 2;
#endif
}
