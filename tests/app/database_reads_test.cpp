// What the command line reads from test databases, compared with what the program read before
// its database layer was made faster (golden/database_reads.txt, written by that version from
// the same databases of our writer): every list with every filter and every test, row for row
// and column for column, in both Jet formats, read afresh and from the cache folder.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::CliResult;

struct Command {
  std::string database;  // "sample", "sample3" or "gen"
  std::vector<std::string> args;
  int status = 0;
  std::string out;
  std::string err;
};

// Sections "==== DATABASE\tARG\tARG...", then "status N", the output, and for a failure
// "---- stderr" and what went there. "{db}" stands for the database's path.
std::vector<Command> ReadGolden() {
  const char* source = std::getenv("ORVANTIS_SOURCE_DIR");
  const std::string text = ReadWholeFile(std::filesystem::path(source != nullptr ? source : ".") /
                                         "tests" / "app" / "golden" / "database_reads.txt")
                               .value_or("");
  std::vector<Command> commands;
  std::istringstream in(text);
  std::string* into = nullptr;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("==== ", 0) == 0) {
      Command c;
      std::istringstream fields(line.substr(5));
      std::getline(fields, c.database, '\t');
      for (std::string arg; std::getline(fields, arg, '\t');) c.args.push_back(arg);
      commands.push_back(c);
      std::string status;
      std::getline(in, status);
      commands.back().status = std::stoi(status.substr(7));
      into = &commands.back().out;
    } else if (line == "---- stderr" && !commands.empty()) {
      into = &commands.back().err;
    } else if (into != nullptr) {
      *into += line + "\n";
    }
  }
  return commands;
}

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

TEST(DatabaseReads, ListsAndTestsReadAsBefore) {
  const std::vector<Command> commands = ReadGolden();
  ASSERT_EQ(commands.size(), 110u);
  test::TempDir dir;
  test::JetWriteOptions jet3;
  jet3.jet3 = true;
  test::SampleBench().Write(dir / "sample.mdb");
  test::SampleBench().Write(dir / "sample3.mdb", jet3);
  test::GeneratedBench(24, 3).Write(dir / "gen.mdb");
  std::filesystem::create_directories(dir / "root");
  for (const Command& c : commands) {
    const std::string db = (dir / (c.database + ".mdb")).string();
    std::vector<std::string> args;
    for (const std::string& a : c.args) args.push_back(Replace(a, "{db}", db));
    if (args[0] == "flow-tests") {
      args.push_back("--data-root");
      args.push_back((dir / "root").string());
    }
    std::string what;
    for (const std::string& a : c.args) what += " " + a;
    // Afresh, then twice through the cache folder (made by the first of them, then read).
    for (const bool cached : {false, true, true}) {
      std::vector<std::string> run = args;
      if (!cached) run.push_back("--no-cache");
      const CliResult r = test::RunCli(run, test::OrvantisProgram());
      EXPECT_EQ(r.status, c.status) << c.database << what << "\n" << r.err;
      EXPECT_EQ(Replace(r.out, db, "{db}"), c.out) << c.database << what;
      if (c.status != 0) {
        EXPECT_EQ(Replace(r.err, db, "{db}"), c.err) << c.database << what;
      }
    }
  }
}

}  // namespace
}  // namespace orv
