#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/prompter.h"

namespace orv::test {

// The prompter of the window's tests: questions and file names are answered from queues the
// test fills, and everything said is recorded. A question or file name nobody queued an answer
// for fails the test (and is answered Cancel), so that no test depends on an answer by chance.
class ScriptedPrompter final : public Prompter {
 public:
  void Warn(const std::string& text, const std::string&) override { warnings.push_back(text); }
  void Inform(const std::string& text, const std::string&) override { informs.push_back(text); }
  Answer AskYesNoCancel(const std::string& text, const std::string&) override {
    questions.push_back(text);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return Answer::Cancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void Beep() override { ++beeps; }
  std::optional<std::string> AskFileName(FileKind kind, const std::string& preset) override {
    fileRequests.emplace_back(kind, preset);
    if (fileNames.empty()) {
      ADD_FAILURE() << "unexpected file-name request: " << preset;
      return std::nullopt;
    }
    auto name = fileNames.front();
    fileNames.pop_front();
    return name;
  }

  // Queued answers.
  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> fileNames;  // nothing: the user cancels
  // What was said and asked.
  std::vector<std::string> warnings;
  std::vector<std::string> informs;
  std::vector<std::string> questions;
  std::vector<std::pair<FileKind, std::string>> fileRequests;
  int beeps = 0;
};

}  // namespace orv::test
