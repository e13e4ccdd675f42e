// The orvantis executable: the main window, or a command when one is given.
#include <iostream>

#include "app/command_line.h"

int main(int argc, char** argv) {
  if (argc > 1) return orv::RunCommandLine(argc, argv, std::cout, std::cerr);
  std::cerr << "orvantis: this build has no main window; run a command (orvantis --help)\n";
  return 2;
}
