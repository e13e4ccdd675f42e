#include "app/console_prompter.h"

#include <ostream>

namespace orv {

std::string PlainLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

void ConsolePrompter::Warn(const std::string& text, const std::string& title) {
  err_ << title << ": " << PlainLineEnds(text) << '\n';
}

Prompter::Answer ConsolePrompter::AskYesNoCancel(const std::string& text,
                                                 const std::string& title) {
  err_ << title << ": " << PlainLineEnds(text) << " [answered Cancel]\n";
  return Answer::Cancel;
}

}  // namespace orv
