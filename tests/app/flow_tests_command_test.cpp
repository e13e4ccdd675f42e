#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/test_list_settings.h"
#include "files/config_file.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/cli_runner.h"
#include "support/fake_prompter.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

extern char** environ;

namespace orv {
namespace {

using test::CliResult;
using test::ReadText;
using test::WriteText;

// The bench in a folder of its own, which is also the data root: the choices of the flow test
// dialog saved in its configuration file (none unless a test writes one) are the starting
// point of the list.
class FlowTestsCommand : public ::testing::Test {
 protected:
  FlowTestsCommand() { test::SampleBench().Write(file()); }
  std::string file() const { return (dir_ / "bench.mdb").string(); }
  CliResult Cli(std::vector<std::string> args) const {
    args.push_back("--data-root");
    args.push_back(dir_.path().string());
    return test::Cli(std::move(args));
  }
  void SaveSettings(const Settings& settings) const {
    test::FakePrompter prompter;
    Settings s = settings;
    ASSERT_TRUE(ConfigFileIO(dir_ / kConfigFileName, s, false, false,
                             ConfigDefaults{Folders{dir_.path(), dir_.path()}, 0}, prompter)
                    .ok);
  }
  test::TempDir dir_;
};

TEST_F(FlowTestsCommand, ListsEveryTestOfTheDatabase) {
  const CliResult r = Cli({"flow-tests", file(), "--sort", "Test No."});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Date\tTime\tTest Kind\tTest Name\tTest No.\n"
            "3/14/2024\t10:15\tBy Lift (Auto)\tSBC Auto Intake\t1\n"
            "3/14/2024\t11:00\tBy Lift (Auto)\tSBC Auto Exhaust\t2\n"
            "3/15/2024\t09:30\tBy Depression\tDepression Sweep\t3\n"
            "4/1/2024\t14:00\tPort Map\tPort Map\t4\n"
            "4/2/2024\t08:45\tBy Lift (Manual)\tManual Pitot\t5\n"
            "5/1/2024\t16:20\tCarburetor\tHolley 750\t6\n"
            "12/31/2023\t12:00\tBy Lift (Keyed In CFM)\tKeyed In\t7\n"
            "3/14/2024\t15:05\tBy Lift (Manual)\tManual Plain\t8\n");
}

TEST_F(FlowTestsCommand, AppliesEveryFilterAndPrintsTheQuery) {
  const CliResult r = Cli({"flow-tests", file(),
                           "--kind",     "By Lift (Manual)",
                           "--from",     "3/1/2024",
                           "--to",       "2024-04-30",
                           "--operator", "Bob",
                           "--customer", "O'Brien Motors",
                           "--side",     "intake",
                           "--filter",   "Manufacturer,includes,rod",
                           "--filter",   "Cylinder No.,>,1,AND",
                           "--sort",     "Test No.",
                           "--columns",  "Test Name,Customer",
                           "--sql"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "SELECT TestName, TblCustomer.Name, TblTest.ID FROM TblManualByLift INNER JOIN "
            "(TblTest LEFT JOIN TblCustomer ON TblTest.CustomerID = TblCustomer.ID) ON "
            "TblManualByLift.TestID = TblTest.ID WHERE (TblTest.Date >= #3/1/2024# AND "
            "TblTest.Date <= #4/30/2024#) AND (TblTest.Operator = 'Bob') AND (TblTest.CustomerID "
            "= 2) AND (TblManualByLift.IsIntake = True) AND ((TblTest.HeadMfg LIKE '*rod*') AND "
            "(TblTest.CylinderNo > 1)) ORDER BY TblTest.ID;\n"
            "Test Name\tCustomer\tTest No.\n"
            "Manual Pitot\tO'Brien Motors\t5\n");
}

TEST_F(FlowTestsCommand, FiltersOnValvesAndOrRows) {
  const CliResult r =
      Cli({"flow-tests", file(), "--filter", "Intake Valve Diameter,>,2.03", "--filter",
           "Model No.,=,K-1,OR", "--columns", "Test No.", "--sort", "Test No."});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Test No.\n3\n4\n5\n7\n");
}

TEST_F(FlowTestsCommand, RefusesWrongArgumentsAndFiles) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const std::string bad = (dir_ / "bad.mdb").string();
  std::ofstream(bad) << "no database";
  const Case cases[] = {
      {{"flow-tests", file(), "--kind", "Sideways"}, "unknown test kind"},
      {{"flow-tests", file(), "--columns", "Colour"}, "unknown column"},
      {{"flow-tests", file(), "--filter", "Colour,=,red"}, "unknown filter field"},
      {{"flow-tests", file(), "--filter", "Manufacturer,~,x"}, "unknown relation"},
      {{"flow-tests", file(), "--filter", "Manufacturer"}, "FIELD,RELATION,VALUE"},
      {{"flow-tests", file(), "--from", "31/31/2024"}, "is not a date"},
      {{"flow-tests", file(), "--customer", "Nobody"}, "no customer"},
      {{"flow-tests", file(), "--side", "left"}, "left"},
      {{"flow-tests", bad}, "Unrecognized database format"},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    EXPECT_NE(r.status, 0) << c.message;
    EXPECT_NE((r.err + r.out).find(c.message), std::string::npos) << r.err;
  }
}

TEST_F(FlowTestsCommand, AnUnreadableDatabaseIsReportedThroughTheErrorTrace) {
  std::string bytes;
  {
    std::ifstream in(file(), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::fill(bytes.begin() + 2 * 4096, bytes.begin() + 3 * 4096, '\xFF');
  std::ofstream(file(), std::ios::binary | std::ios::trunc) << bytes;
  const CliResult r = Cli({"flow-tests", file()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Error (3049)"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("ERROR TRACE:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("TestDatabase/Open"), std::string::npos) << r.err;
}

TEST_F(FlowTestsCommand, TheDialogsSavedChoicesAreTheStartingPoint) {
  Settings saved;
  saved.filterTestKind = 4;  // "By Lift (Manual)", after "[ANY]", 2, 3 and 4
  saved.filterOperator = "Alice";
  saved.shownColumns = {4, 5, 0, 0, 0};  // "Test Name", "Test No."
  saved.sortKeys = {5, 0, 0};            // by "Test No."
  SaveSettings(saved);
  struct Case {
    std::vector<std::string> options;
    const char* out;
  };
  const Case cases[] = {
      {{}, "Test Name\tTest No.\nManual Plain\t8\n"},
      {{"--operator", "[ANY]"}, "Test Name\tTest No.\nManual Pitot\t5\nManual Plain\t8\n"},
      {{"--kind", "[ANY]", "--columns", "Test No."}, "Test No.\n2\n6\n8\n"},
      {{"--defaults", "--kind", "By Lift (Manual)", "--sort", "Test No."},
       "Date\tTime\tTest Kind\tTest Name\tTest No.\n"
       "4/2/2024\t08:45\tBy Lift (Manual)\tManual Pitot\t5\n"
       "3/14/2024\t15:05\tBy Lift (Manual)\tManual Plain\t8\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"flow-tests", file()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliResult r = Cli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
  }
}

TEST_F(FlowTestsCommand, SavedCustomerAndFilterRows) {
  Settings saved;
  saved.filterCustomer = "Zenith Heads";  // ID 3: tests 4 and 8
  saved.shownColumns = {5, 0, 0, 0, 0};
  saved.sortKeys = {5, 0, 0};
  SaveSettings(saved);
  CliResult r = Cli({"flow-tests", file()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Test No.\n4\n8\n");

  saved.filterCustomer = "Nobody we know";  // not in the list: any customer
  saved.filterRows[0] = {1, 0, 3, "dar"};   // "Manufacturer" includes "dar"
  SaveSettings(saved);
  r = Cli({"flow-tests", file()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Test No.\n3\n8\n");
}

TEST_F(FlowTestsCommand, WithoutAFileTheDialogsDatabaseIsListed) {
  Settings saved;
  saved.flowDatabase = file();
  saved.shownColumns = {5, 0, 0, 0, 0};
  saved.sortKeys = {5, 0, 0};
  saved.filterTestKind = 2;  // "By Depression"
  SaveSettings(saved);
  CliResult r = Cli({"flow-tests"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Test No.\n3\n");

  saved.flowDatabase = dir_.path().string();  // a folder, as on a fresh installation
  SaveSettings(saved);
  r = Cli({"flow-tests"});
  EXPECT_EQ(r.status, 1);
  // The dialog's instruction, then the path and why it is no database.
  EXPECT_EQ(r.err,
            "       ***  VALID DATABASE FILE NEEDED  ****\r\n"
            "       Click the 'Database File' button to select a database file.\n"
            "orvantis: " +
                dir_.path().string() +
                ": is a folder, not a file (configuration value \"FlowWin\")\n");
}

// An older bench program's database without the carburetor table: the other kinds are
// listed; the carburetor kind lists no test and says which table is missing.
TEST_F(FlowTestsCommand, AKindTableTheDatabaseLacks) {
  test::SampleBench().OmitTable("TblCarbTest").Write(file());
  CliResult r = Cli({"flow-tests", file(), "--columns", "Test No.", "--sort", "Test No."});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Test No.\n1\n2\n3\n4\n5\n7\n8\n");
  EXPECT_EQ(r.err, "");
  r = Cli({"flow-tests", file(), "--kind", "Carburetor", "--columns", "Test No."});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Test No.\n");
  EXPECT_EQ(r.err, "orvantis: " + file() +
                       ": The database engine cannot find the input table or query "
                       "'TblCarbTest'. Make sure it exists and that its name is spelled "
                       "correctly.\n");
}

// One data page of "TblTest" no longer owned by it: the list is refused, naming the table and
// both counts, instead of listing part of the tests with success.
TEST_F(FlowTestsCommand, ATestTableThatReadsShortIsNotListed) {
  test::GeneratedBench(40, 1).Write(file());
  std::string bytes = ReadText(file());
  const std::size_t page = bytes.find("Test 33") / 4096 * 4096;
  bytes[page + 4] = bytes[page + 5] = bytes[page + 6] = bytes[page + 7] = '\0';
  const int rowsOnPage = static_cast<unsigned char>(bytes[page + 12]);
  WriteText(file(), bytes);
  const CliResult r = Cli({"flow-tests", file(), "--no-cache"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Error (3049)"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the table TblTest is damaged: its definition holds 40 rows, " +
                       std::to_string(40 - rowsOnPage) + " of them could be read"),
            std::string::npos)
      << r.err;
}

// A named pipe given as the database or as the flow test file is refused at once, naming it.
TEST_F(FlowTestsCommand, ANamedPipeIsRefusedAtOnce) {
  const std::string pipe = (dir_ / "pipe.mdb").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"flow-tests", pipe, "--data-root", dir_.path().string()},
        {"flow-test", pipe, "--test-id", "1"},
        {"dump", "--intake-flow", pipe, "--intake-test-id", "1"}}) {
    const CliResult r = test::Cli(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_NE(r.err.find("Could not find file '" + pipe + "'. (is not a regular file)"),
              std::string::npos)
        << r.err;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// The loaded tables go to the cache folder ($XDG_CACHE_HOME/Orvantis) unless --no-cache is
// given; two programs listing the same database at once, with an empty cache, both succeed.
TEST_F(FlowTestsCommand, TheCacheFolderAndTwoProgramsAtOnce) {
  const std::string expected = Cli({"flow-tests", file(), "--no-cache"}).out;
  ASSERT_FALSE(expected.empty());
  const std::filesystem::path cache = dir_ / "xdg" / "Orvantis";
  const char* saved = std::getenv("XDG_CACHE_HOME");
  const std::string restore = saved != nullptr ? saved : "";
  ::setenv("XDG_CACHE_HOME", (dir_ / "xdg").c_str(), 1);
  EXPECT_EQ(Cli({"flow-tests", file(), "--no-cache"}).out, expected);
  EXPECT_FALSE(std::filesystem::exists(cache));
  EXPECT_EQ(Cli({"flow-tests", file()}).out, expected);
  // The file of the loaded tables and that of the list.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cache),
                          std::filesystem::directory_iterator()),
            2);
  std::filesystem::remove_all(cache);

  // Two programs, each with a reader of its own, at the same time.
  std::vector<pid_t> programs;
  for (int i = 0; i < 2; ++i) {
    const std::string out = (dir_ / ("out" + std::to_string(i))).string();
    std::vector<std::string> args = {test::OrvantisProgram(), "flow-tests", file(), "--data-root",
                                     dir_.path().string()};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    programs.push_back(pid);
  }
  for (std::size_t i = 0; i < programs.size(); ++i) {
    int status = -1;
    ASSERT_EQ(::waitpid(programs[i], &status, 0), programs[i]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << i;
    EXPECT_EQ(ReadText(dir_ / ("out" + std::to_string(i))), expected) << i;
  }
  // The cache one of them left is whole: a third program lists from it.
  EXPECT_EQ(Cli({"flow-tests", file()}).out, expected);
  if (saved != nullptr) {
    ::setenv("XDG_CACHE_HOME", restore.c_str(), 1);
  } else {
    ::unsetenv("XDG_CACHE_HOME");
  }
}

TEST(FlowTestsHelp, TheReaderCommandIsNotOffered) {
  const CliResult r = test::Cli({"--help"});
  EXPECT_NE(r.out.find("flow-tests"), std::string::npos);
  EXPECT_EQ(r.out.find("jet-read"), std::string::npos);
}

}  // namespace
}  // namespace orv
