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

namespace {

// "Title: text"; a blank title (a box without a caption) adds nothing.
std::string Titled(const std::string& title, const std::string& text) {
  if (title.find_first_not_of(' ') == std::string::npos) return PlainLineEnds(text);
  return title + ": " + PlainLineEnds(text);
}

}  // namespace

void ConsolePrompter::Write(const std::string& line) {
  if (holding_) {
    held_.push_back(line);
  } else {
    err_ << line << '\n';
  }
}

void ConsolePrompter::Warn(const std::string& text, const std::string& title) {
  Write(Titled(title, text));
}

Prompter::Answer ConsolePrompter::AskYesNoCancel(const std::string& text,
                                                 const std::string& title) {
  Write(Titled(title, text) + " [answered Cancel]");
  return Answer::Cancel;
}

void ConsolePrompter::Release() {
  holding_ = false;
  for (const std::string& line : held_) err_ << line << '\n';
  held_.clear();
}

void ConsolePrompter::Discard() {
  holding_ = false;
  held_.clear();
}

}  // namespace orv
