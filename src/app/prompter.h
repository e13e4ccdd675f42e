#pragma once

#include <string>

namespace orv {

// The one way the core speaks to the user: the window implements it with message boxes, the
// command line and the tests without a screen.
class Prompter {
 public:
  enum class Answer { Yes, No, Cancel };

  virtual ~Prompter() = default;
  // A message with the warning icon and an OK button.
  virtual void Warn(const std::string& text, const std::string& title) = 0;
  // A question with Yes, No and Cancel.
  virtual Answer AskYesNoCancel(const std::string& text, const std::string& title) = 0;
  virtual void Beep() = 0;
};

// The application's title, used for message boxes.
inline constexpr const char* kAppTitle = "Orvantis";

}  // namespace orv
