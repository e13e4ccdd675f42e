#pragma once

#include <iosfwd>
#include <string>

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

 private:
  std::ostream& err_;
};

// CR LF and lone CR turned into LF, for a terminal.
std::string PlainLineEnds(const std::string& text);

}  // namespace orv
