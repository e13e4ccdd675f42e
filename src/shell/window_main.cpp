#include "shell/window_main.h"

#include <iostream>

namespace orv {

int RunWindow(int, char**) {
  std::cerr << "orvantis: the main window is not available yet; run a command (orvantis --help)\n";
  return 2;
}

}  // namespace orv
