#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <optional>

#include "app/console_prompter.h"
#include "app/curves_csv.h"
#include "app/dump_json.h"
#include "app/workspace.h"
#include "base/atomic_file.h"
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
  CLI::App app{"Orvantis: piston-engine geometry, flow and power calculations", "orvantis"};
  app.require_subcommand(1);

  EngineRequest dumpReq;
  CLI::App* dump = app.add_subcommand("dump", "print the engine as JSON");
  AddEngineOptions(*dump, dumpReq);

  EngineRequest curvesReq;
  double curvesFrom = -360, curvesTo = 360, curvesStep = 1;
  std::string curvesOut;
  CLI::App* curves =
      app.add_subcommand("curves", "write the 13 per-degree curves as CSV (English units)");
  AddEngineOptions(*curves, curvesReq);
  curves->add_option("--from", curvesFrom, "first crank angle (degrees, default -360)");
  curves->add_option("--to", curvesTo, "last crank angle (degrees, default 360)");
  curves->add_option("--step", curvesStep, "crank angle step (degrees, default 1)");
  curves->add_option("-o,--output", curvesOut, "CSV file to write instead of standard output");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }

  ConsolePrompter prompter(err);
  Workspace ws(prompter);

  if (dump->parsed()) {
    if (!PrepareWorkspace(ws, dumpReq, err)) return 1;
    ETracker guard(kModule, "Dump");
    try {
      FillOutputPages(ws.engine());
      out << DumpJson(ws).dump(1) << '\n';
    } catch (...) {
      ws.ReportError(guard);
      return 1;
    }
    return 0;
  }
  if (curves->parsed()) {
    const std::string rangeError = CheckCurveRange(curvesFrom, curvesTo, curvesStep);
    if (!rangeError.empty()) {
      err << "orvantis: " << rangeError << '\n';
      return 1;
    }
    if (!PrepareWorkspace(ws, curvesReq, err)) return 1;
    ETracker guard(kModule, "Curves");
    std::string csv;
    try {
      csv = CurvesCsv(ws.engine(), curvesFrom, curvesTo, curvesStep);
    } catch (...) {
      ws.ReportError(guard);
      return 1;
    }
    if (curvesOut.empty()) {
      out << csv;
      return 0;
    }
    const std::string failure = WriteFileAtomically(curvesOut, csv);
    if (!failure.empty()) {
      err << "orvantis: cannot write " << curvesOut << ": " << failure << '\n';
      return 1;
    }
    return 0;
  }
  return 1;
}

}  // namespace orv
