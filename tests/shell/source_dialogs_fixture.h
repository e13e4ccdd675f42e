#pragma once

#include <gtest/gtest.h>

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
#include "app_fixture.h"
#include "base/prompter.h"
#include "support/build_paths.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv::test {

// The application of the source dialogs' tests (see `AppFixture`) with its data root made,
// reading test databases with the built reader and keeping no tables between runs.
class SourceDialogsTest : public ::testing::Test {
 protected:
  SourceDialogsTest() {
    std::filesystem::create_directories(fixture_.DataRoot());
    app_.testDatabases().SetReader(JetReaderOptions{test::OrvantisProgram()});
    app_.testDatabases().SetDiskCache(DiskCacheOptions{});
  }

  AppFixture fixture_;
  TempDir& dir_ = fixture_.dir;
  FakePrompter& prompter_ = fixture_.prompter;
  Application& app_ = fixture_.app;
};

}  // namespace orv::test
