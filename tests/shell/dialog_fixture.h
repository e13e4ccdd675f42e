#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "base/prompter.h"
#include "support/temp_dir.h"

namespace orv::test {

// Keeps what the code under test tells the user; questions are answered Cancel and the file
// name is the one the test sets.
class ScriptedPrompter final : public Prompter {
 public:
  void Warn(const std::string& text, const std::string&) override { warnings.push_back(text); }
  Answer AskYesNoCancel(const std::string&, const std::string&) override { return Answer::Cancel; }
  void Beep() override { ++beeps; }
  std::optional<std::string> AskFileName(FileKind kind, const std::string& preset) override {
    askedKinds.push_back(kind);
    askedPresets.push_back(preset);
    return fileName;
  }
  std::vector<std::string> warnings;
  std::vector<FileKind> askedKinds;
  std::vector<std::string> askedPresets;
  std::optional<std::string> fileName;
  int beeps = 0;
};

// The source tree: from the environment the test runner sets, else the one the tests were
// built from.
inline std::filesystem::path SourceTree() {
  const char* dir = std::getenv("ORVANTIS_SOURCE_DIR");
  return dir != nullptr ? std::filesystem::path(dir) : std::filesystem::path(ORVANTIS_SOURCE_TREE);
}

// An application with the program's interface texts, in a folder of its own.
class AppFixture {
 public:
  AppFixture() {
    std::filesystem::create_directories(dir / "prog");
    std::filesystem::copy_file(SourceTree() / "resources" / "OV-STR.TXT",
                               dir / "prog" / "OV-STR.TXT");
    app.SetFolders(Folders{dir / "prog", dir / "data"});
    app.LoadStrings();
  }

  TempDir dir;
  ScriptedPrompter prompter;
  Application app{prompter};
};

}  // namespace orv::test
