#pragma once

#include <memory>

#include "app/command_line.h"

class QApplication;

namespace orv {

// Carries out the command line's `graph` and `print` with Qt, without a display: a
// `QApplication` on the offscreen platform is made when the first of them runs (the platform
// the environment names is kept when a display exists).
class ShellCommandHandlers final : public ShellCommands {
 public:
  ShellCommandHandlers(int argc, char** argv);
  ~ShellCommandHandlers() override;
  ShellCommandHandlers(const ShellCommandHandlers&) = delete;
  ShellCommandHandlers& operator=(const ShellCommandHandlers&) = delete;

  int Graph(Application& app, const GraphCommandOptions& options, std::ostream& out,
            std::ostream& err) override;
  int Print(Application& app, const PrintCommandOptions& options, std::ostream& out,
            std::ostream& err) override;

 private:
  void MakeApplication();

  int argc_;  // Qt keeps a reference to it while the application lives
  char** argv_;
  std::unique_ptr<QApplication> application_;
};

}  // namespace orv
