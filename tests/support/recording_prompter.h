#pragma once

#include <string>
#include <vector>

#include "base/prompter.h"

namespace orv::test {

// Keeps the beeps and warnings the code under test gives (the warnings without their title);
// questions are given `answer` (Cancel unless a test sets another).
class RecordingPrompter final : public Prompter {
 public:
  explicit RecordingPrompter(Answer givenAnswer = Answer::Cancel) : answer(givenAnswer) {}
  void Beep() override { ++beeps; }
  void Warn(const std::string& text, const std::string&) override { warnings.push_back(text); }
  Answer AskYesNoCancel(const std::string&, const std::string&) override { return answer; }
  Answer answer;
  int beeps = 0;
  std::vector<std::string> warnings;
};

}  // namespace orv::test
