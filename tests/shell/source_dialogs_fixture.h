#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "base/prompter.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv::test {

// Runs the event loop until `done` holds or `ms` milliseconds have passed; returns `done()`.
inline bool WaitFor(const std::function<bool()>& done, int ms = 60000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) QTest::qWait(5);
  return done();
}

// An application over a program folder holding the interface texts and a data root of its
// own, reading test databases with the built reader and keeping no tables between runs.
class SourceDialogsTest : public ::testing::Test {
 protected:
  SourceDialogsTest() {
    std::filesystem::create_directories(dir_ / "prog");
    std::filesystem::create_directories(dir_ / "data");
    std::filesystem::copy_file(
        std::filesystem::path(std::getenv("ORVANTIS_SOURCE_DIR")) / "resources" / "OV-STR.TXT",
        dir_ / "prog" / "OV-STR.TXT");
    app_.SetFolders(Folders{dir_ / "prog", dir_ / "data"});
    app_.SetUserStorePath(dir_ / "user" / "Orvantis.ini");
    app_.LoadStrings();
    app_.testDatabases().SetReader(JetReaderOptions{ORVANTIS_EXECUTABLE});
    app_.testDatabases().SetDiskCache(DiskCacheOptions{});
  }

  TempDir dir_;
  FakePrompter prompter_;
  Application app_{prompter_};
};

}  // namespace orv::test
