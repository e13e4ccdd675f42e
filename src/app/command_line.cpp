#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <optional>

#include "airflow/jet_file_reader.h"
#include "app/console_prompter.h"
#include "app/dump_json.h"
#include "app/flow_tests_db_command.h"
#include "app/workspace.h"
#include "base/error_trace.h"

namespace orv {

namespace {

constexpr const char* kModule = "CommandLine";

// What the engine commands share: the engine to start from and what the user types into it.
struct EngineRequest {
  std::string enginePath;
  std::vector<std::string> sets;
  std::string units = "english";
};

void AddEngineOptions(CLI::App& cmd, EngineRequest& req) {
  cmd.add_option("ENGINE", req.enginePath,
                 "engine file (.OV); the built-in default engine when left out");
  cmd.add_option(
         "--set", req.sets,
         "KEY=VALUE: type VALUE into the input with engine-file key KEY (repeatable, in order)")
      ->take_all();
  cmd.add_option("--units", req.units, "unit system of typed values and displayed texts")
      ->check(CLI::IsMember({"english", "metric", "metric-m3"}));
}

UnitMode UnitModeOf(const std::string& name) {
  if (name == "metric") return UnitMode::Metric;
  if (name == "metric-m3") return UnitMode::MetricM3;
  return UnitMode::English;
}

// Brings the workspace to the engine the request describes. Returns false (after telling why
// on `err`) when it cannot.
bool PrepareWorkspace(Workspace& ws, const EngineRequest& req, std::ostream& err) {
  ws.engine().SetUnitMode(UnitModeOf(req.units));
  if (!req.enginePath.empty()) {
    err << "orvantis: reading engine files is not available in this build\n";
    return false;
  }
  ETracker guard(kModule, "TypeInputs");
  try {
    for (const std::string& set : req.sets) {
      const auto eq = set.find('=');
      if (eq == std::string::npos || eq == 0) {
        err << "orvantis: --set needs KEY=VALUE, got \"" << set << "\"\n";
        return false;
      }
      if (!ws.TypeInput(set.substr(0, eq), set.substr(eq + 1))) {
        err << "orvantis: no input has the engine-file key \"" << set.substr(0, eq) << "\"\n";
        return false;
      }
    }
  } catch (...) {
    ws.ReportError(guard);
    return false;
  }
  return true;
}

}  // namespace

int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err) {
  return RunCommandLine(argc, argv, out, err, DefaultJetReaderOptions().executable);
}

int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err,
                   const std::filesystem::path& readerExecutable) {
  CLI::App app{"Orvantis: piston-engine geometry, flow and power calculations", "orvantis"};
  app.require_subcommand(1);

  EngineRequest dumpReq;
  CLI::App* dump = app.add_subcommand("dump", "print the engine as JSON");
  AddEngineOptions(*dump, dumpReq);

  DatabaseFlowTestsRequest flowTestsReq;
  CLI::App* flowTests =
      app.add_subcommand("flow-tests", "list the tests of a flow test database with filters");
  flowTests->add_option("FILE", flowTestsReq.file, "the flow bench's test database (.mdb)")
      ->required();
  flowTests->add_option("--kind", flowTestsReq.kind, "test kind name (or \"[ANY]\")");
  flowTests->add_option("--from", flowTestsReq.from, "first test date (M/D/YYYY or YYYY-MM-DD)");
  flowTests->add_option("--to", flowTestsReq.to, "last test date");
  flowTests->add_flag("--today", flowTestsReq.today, "tests of today only");
  flowTests->add_option("--operator", flowTestsReq.operatorName, "bench operator");
  flowTests->add_option("--customer", flowTestsReq.customer, "customer name or ID");
  flowTests->add_option("--side", flowTestsReq.side, "intake or exhaust tests only")
      ->check(CLI::IsMember({"intake", "exhaust"}, CLI::ignore_case));
  flowTests
      ->add_option("--filter", flowTestsReq.filters,
                   "FIELD,RELATION,VALUE[,CONNECTOR]: a filter row (=, <, >, includes; AND, OR)")
      ->take_all();
  flowTests->add_option("--sort", flowTestsReq.sorts, "sort key column (up to 3)")->take_all();
  flowTests->add_option("--columns", flowTestsReq.columns, "columns to show (or \"all\")")
      ->take_all();
  flowTests->add_flag("--sql", flowTestsReq.printSql, "print the query first");

  // The reader process of database files (the program starts itself with it); not for users.
  std::string jetFile;
  std::vector<std::string> jetTables;
  bool jetRows = false;
  CLI::App* jetRead = app.add_subcommand(kJetReadCommand, "read a Jet database file");
  jetRead->group("");
  jetRead->add_flag("--rows", jetRows);
  jetRead->add_option("FILE", jetFile)->required();
  jetRead->add_option("TABLES", jetTables);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }

  if (jetRead->parsed()) {
    return static_cast<int>(RunJetRead(jetFile, jetTables, jetRows, out, err));
  }

  ConsolePrompter prompter(err);
  Workspace ws(prompter);

  if (flowTests->parsed()) {
    JetReaderOptions reader;
    reader.executable = readerExecutable;
    if (IsTestDatabaseFile(flowTestsReq.file)) {
      return RunDatabaseFlowTests(flowTestsReq, reader, ws, out, err);
    }
    err << "orvantis: " << flowTestsReq.file << " is not a flow test database\n";
    return 1;
  }

  if (dump->parsed()) {
    if (!PrepareWorkspace(ws, dumpReq, err)) return 1;
    out << DumpJson(ws).dump(1) << '\n';
    return 0;
  }
  return 1;
}

}  // namespace orv
