#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "support/temp_dir.h"

namespace orv::test {

// Answers the file-name dialog with the names a test scripts, and keeps the warnings.
class ScriptedPrompter final : public Prompter {
 public:
  void Warn(const std::string& text, const std::string&) override { warnings.push_back(text); }
  Answer AskYesNoCancel(const std::string&, const std::string&) override { return Answer::No; }
  void Beep() override { ++beeps; }
  std::optional<std::string> AskFileName(FileKind kind, const std::string& preset) override {
    asked.push_back({kind, preset});
    if (names.empty()) return std::nullopt;
    std::string name = names.front();
    names.erase(names.begin());
    return name;
  }
  struct Ask {
    FileKind kind;
    std::string preset;
  };
  std::vector<std::string> names;
  std::vector<Ask> asked;
  std::vector<std::string> warnings;
  int beeps = 0;
};

// The program started in a folder of its own: the interface texts in its program folder, a
// fresh data root and user store, the default engine calculated.
struct StartedApp {
  TempDir dir;
  ScriptedPrompter prompter;
  Application app{prompter};

  StartedApp() {
    const char* source = std::getenv("ORVANTIS_SOURCE_DIR");
    const std::filesystem::path program = dir / "prog";
    std::filesystem::create_directories(program);
    std::filesystem::copy_file(
        std::filesystem::path(source ? source : ".") / "resources" / "OV-STR.TXT",
        program / "OV-STR.TXT");
    app.SetFolders(Folders{program, dir / "data"});
    app.SetUserStorePath(dir / "user" / "Orvantis.ini");
    app.StartUp();
    // What the start-up said is not the test's.
    prompter.warnings.clear();
  }
};

}  // namespace orv::test
