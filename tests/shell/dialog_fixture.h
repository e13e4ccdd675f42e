#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "base/prompter.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv::test {

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
  FakePrompter prompter;
  Application app{prompter};
};

}  // namespace orv::test
