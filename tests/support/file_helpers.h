#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "files/keyed_file.h"

namespace orv::test {

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

inline std::string ReadText(const std::filesystem::path& path) {
  return ReadWholeFile(path).value_or("<missing>");
}

// Keeps the beeps and warnings the file procedures give (the warnings without their title).
class RecordingPrompter final : public Prompter {
 public:
  void Beep() override { ++beeps; }
  void Warn(const std::string& text, const std::string&) override { warnings.push_back(text); }
  Answer AskYesNoCancel(const std::string&, const std::string&) override { return Answer::Cancel; }
  int beeps = 0;
  std::vector<std::string> warnings;
};

}  // namespace orv::test
