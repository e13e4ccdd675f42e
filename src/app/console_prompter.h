#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "base/prompter.h"

namespace orv {

// The prompter of the command line: messages go to standard error (line ends made plain),
// questions are answered Cancel so that nothing is done that the user did not ask for.
class ConsolePrompter final : public Prompter {
 public:
  explicit ConsolePrompter(std::ostream& err) : err_(err) {}
  void Warn(const std::string& text, const std::string& title) override;
  Answer AskYesNoCancel(const std::string& text, const std::string& title) override;
  void Beep() override {}

  // Holds the messages back from now on, until `Release` writes them or `Discard` drops them:
  // for a step whose own failure message must come first.
  void Hold() { holding_ = true; }
  void Release();
  void Discard();

 private:
  void Write(const std::string& line);

  std::ostream& err_;
  bool holding_ = false;
  std::vector<std::string> held_;
};

// CR LF and lone CR turned into LF, for a terminal.
std::string PlainLineEnds(const std::string& text);

}  // namespace orv
