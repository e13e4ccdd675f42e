// A named pipe given where a file is expected is refused at once: every reader checks that it
// has a regular file before it reads, and opening it never waits for a writer.
#include "support/named_pipe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/flow_tests_db_command.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

using test::CliResult;
using test::RunCli;

TEST(NamedPipes, EveryReaderRefusesThemWithoutWaiting) {
  test::TempDir dir;
  for (const char* name : {"p.SY", "p.SY3", "p.LBK", "p.S96", "p.C1", "p.OV"}) {
    if (!test::MakeNamedPipe(dir / name)) GTEST_SKIP() << "named pipes are not available here";
  }
  auto at = [&](const char* name) { return (dir / name).string(); };
  struct Row {
    std::vector<std::string> args;
    std::string pipe;   // the pipe the command reads
    std::string error;  // part of the message; the status is not 0
  };
  const std::vector<Row> rows = {
      {{"flow-test", at("p.SY")}, "p.SY", "cannot read the flow test from"},
      {{"flow-test", at("p.SY3"), "--test", "A", "--kind", "5"}, "p.SY3", "empty or missing"},
      {{"flow-tests", at("p.SY3")}, "p.SY3", "cannot list the tests of"},
      {{"dump", "--intake-flow", at("p.SY")}, "p.SY", "cannot load the intake flow test"},
      {{"dump", "--exhaust-flow", at("p.SY3"), "--exhaust-test", "A", "--exhaust-kind", "5"},
       "p.SY3",
       "cannot load the exhaust flow test"},
      {{"dump", "--intake-cam", at("p.LBK"), "--intake-shaft", "1", "--intake-lobe", "1"},
       "p.LBK",
       "cannot load the intake cam lobe"},
      {{"dump", "--intake-cam", at("p.S96")}, "p.S96", "cannot load the intake cam lobe"},
      {{"dump", "--exhaust-cam", at("p.C1")}, "p.C1", "cannot load the exhaust cam lobe"},
      {{"dump", at("p.OV")}, "p.OV", "it is not a regular file"},
  };
  for (const Row& row : rows) {
    CliResult r{};
    EXPECT_TRUE(test::FinishesWithoutAWriter(
        dir / row.pipe, [&] { return RunCli(row.args); }, r))
        << row.args[0] << " " << row.args[1] << " waited for a writer";
    EXPECT_NE(r.status, 0) << row.args[1];
    EXPECT_NE(r.err.find(row.error), std::string::npos) << row.args[1] << ": " << r.err;
  }

  // The cam dialog's listing passes over them.
  CliResult lobes{};
  EXPECT_TRUE(test::FinishesWithoutAWriter(
      dir / "p.LBK",
      [&] {
        return RunCli({"lobes", dir.path().string()});
      },
      lobes));
  EXPECT_EQ(lobes.status, 0) << lobes.err;

  // Only a regular file is looked into for the database signature.
  bool database = true;
  EXPECT_TRUE(test::FinishesWithoutAWriter(
      dir / "p.SY3", [&] { return IsTestDatabaseFile(dir / "p.SY3"); }, database));
  EXPECT_FALSE(database);
}

}  // namespace
}  // namespace orv
