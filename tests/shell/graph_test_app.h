#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv::test {

// The program started in a folder of its own: the interface texts in its program folder, a
// fresh data root and user store, the default engine calculated.
struct StartedApp {
  TempDir dir;
  FakePrompter prompter{Prompter::Answer::No};
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
