#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/prompter.h"

namespace orv::test {

// The prompter of the tests: records everything the code under test says and asks, and answers
// questions and file-name requests from queues the test fills. An empty queue gives `answer`
// (Cancel unless the test sets another) or `fileName` (nothing: the user cancels); a strict
// prompter instead fails the test on a question or file name nobody queued an answer for (and
// answers Cancel, or nothing), so that no test depends on an answer by chance.
class FakePrompter final : public Prompter {
 public:
  explicit FakePrompter(Answer givenAnswer = Answer::Cancel) : answer(givenAnswer) {}
  // A prompter that fails the test on any question or file name it has no queued answer for.
  static FakePrompter Strict() {
    FakePrompter prompter;
    prompter.strict = true;
    return prompter;
  }

  void Warn(const std::string& text, const std::string& title) override {
    warnings.push_back(text);
    warningTitles.push_back(title);
  }
  void Inform(const std::string& text, const std::string&) override { informs.push_back(text); }
  Answer AskYesNoCancel(const std::string& text, const std::string&) override {
    questions.push_back(text);
    if (!answers.empty()) {
      const Answer given = answers.front();
      answers.pop_front();
      return given;
    }
    if (strict) {
      ADD_FAILURE() << "unexpected question: " << text;
      return Answer::Cancel;
    }
    return answer;
  }
  void Beep() override { ++beeps; }
  std::optional<std::string> AskFileName(FileKind kind, const std::string& preset) override {
    fileRequests.emplace_back(kind, preset);
    if (!fileNames.empty()) {
      std::optional<std::string> name = fileNames.front();
      fileNames.pop_front();
      return name;
    }
    if (strict) {
      ADD_FAILURE() << "unexpected file-name request: " << preset;
      return std::nullopt;
    }
    return fileName;
  }

  // How the prompter answers.
  bool strict = false;
  Answer answer;
  std::deque<Answer> answers;
  std::optional<std::string> fileName;
  std::deque<std::optional<std::string>> fileNames;  // nothing: the user cancels
  // What was said and asked.
  std::vector<std::string> warnings;
  std::vector<std::string> warningTitles;
  std::vector<std::string> informs;
  std::vector<std::string> questions;
  std::vector<std::pair<FileKind, std::string>> fileRequests;
  int beeps = 0;
};

}  // namespace orv::test
