#include "shell/shell_commands.h"

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <ostream>

namespace orv {

ShellCommandHandlers::ShellCommandHandlers(int argc, char** argv) : argc_(argc), argv_(argv) {}

ShellCommandHandlers::~ShellCommandHandlers() = default;

void ShellCommandHandlers::MakeApplication() {
  if (QApplication::instance() != nullptr) return;
  // Drawing into files needs no screen: without a display Qt's offscreen platform is used.
  const bool display =
      std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  if (!display && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  application_ = std::make_unique<QApplication>(argc_, argv_);
}

int ShellCommandHandlers::Graph(Application&, const GraphCommandOptions&, std::ostream&,
                                std::ostream& err) {
  MakeApplication();
  err << "orvantis: graph: not available yet\n";
  return 2;
}

int ShellCommandHandlers::Print(Application&, const PrintCommandOptions&, std::ostream&,
                                std::ostream& err) {
  MakeApplication();
  err << "orvantis: print: not available yet\n";
  return 2;
}

}  // namespace orv
