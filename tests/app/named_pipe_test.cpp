// A named pipe given where a file is expected is refused at once: every reader checks that it
// has a regular file before it reads, and opening it never waits for a writer.
#include "support/named_pipe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/flow_tests_db_command.h"
#include "base/atomic_file.h"
#include "support/cli_runner.h"
#include "support/file_helpers.h"
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

// An output path that is a named pipe, a folder or a device (here a link to /dev/null) is
// refused with a message naming it, and stays what it was; a read-only file is not replaced.
// Every writer of the command line goes through the one atomic writer.
TEST(NamedPipes, EveryWriterRefusesOutputsThatAreNotRegularFilesAndKeepsThem) {
  test::TempDir dir;
  if (!test::MakeNamedPipe(dir / "pipe")) GTEST_SKIP() << "named pipes are not available here";
  fs::create_directory(dir / "folder");
  fs::create_symlink("/dev/null", dir / "null");
  const fs::path readOnly = dir / "kept";
  test::WriteText(readOnly, "kept");
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::vector<std::vector<std::string>> commands = {
      {"report", "general", "-o"},
      {"curves", "--to", "-350", "-o"},
      {"sweep", "--vary", "Bore=4:4.1:0.1", "--outputs", "PeakTorque", "-o"},
      {"dump", "--save"},
  };
  struct Target {
    const char* name;
    const char* reason;
    fs::file_type type;
  };
  const std::vector<Target> targets = {
      {"pipe", "it is a named pipe, not a regular file", fs::file_type::fifo},
      {"folder", "it is a folder, not a regular file", fs::file_type::directory},
      {"null", "it is a device, not a regular file", fs::file_type::character},
      {"kept", "the file may not be written", fs::file_type::regular},
  };
  for (const std::vector<std::string>& command : commands) {
    for (const Target& target : targets) {
      const std::string path = (dir / target.name).string();
      std::vector<std::string> args = command;
      args.push_back(path);
      CliResult r{};
      // A writer that opened the pipe would wait for a reader: the test plays one then.
      const bool finished = test::FinishesWithoutAReader(
          dir / "pipe", [&] { return RunCli(args); }, r);
      EXPECT_TRUE(finished) << command[0] << " opened the pipe";
      EXPECT_EQ(r.status, 1) << command[0] << " " << target.name;
      // The first line names the file and the reason.
      const std::string first = r.err.substr(0, r.err.find('\n'));
      EXPECT_NE(first.find(path), std::string::npos) << first;
      EXPECT_NE(first.find(target.reason), std::string::npos) << first;
      EXPECT_EQ(fs::symlink_status(dir / target.name).type(),
                target.type == fs::file_type::character ? fs::file_type::symlink : target.type)
          << command[0] << " " << target.name;
    }
  }
  EXPECT_EQ(ReadWholeFile(readOnly), "kept");
  EXPECT_TRUE(fs::is_empty(dir / "folder"));
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, targets.size());  // no temporary file left
}

}  // namespace
}  // namespace orv
