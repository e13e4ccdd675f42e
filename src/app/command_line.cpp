#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <optional>

#include "app/console_prompter.h"
#include "app/dump_json.h"
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
  std::string savePath;  // --save: where the engine is written after the --set values
  std::string dataRoot;  // --data-root: the data root instead of ORVANTIS_DATA_ROOT / $HOME
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
  cmd.add_option("--save", req.savePath,
                 "FILE.OV: write the engine (after the --set values) to this engine file");
  cmd.add_option("--data-root", req.dataRoot,
                 "DIR: the data root (default $ORVANTIS_DATA_ROOT, else $HOME/Orvantis)");
}

UnitMode UnitModeOf(const std::string& name) {
  if (name == "metric") return UnitMode::Metric;
  if (name == "metric-m3") return UnitMode::MetricM3;
  return UnitMode::English;
}

// Brings the workspace to the engine the request describes. Returns false (after telling why
// on `err`) when it cannot.
bool PrepareWorkspace(Workspace& ws, const EngineRequest& req, std::ostream& err) {
  ws.SetFolders(Folders{ExecutableFolder(), ResolveDataRoot(req.dataRoot)});
  ws.engine().SetUnitMode(UnitModeOf(req.units));
  if (!req.enginePath.empty() && !ws.OpenEngine(req.enginePath)) {
    err << "orvantis: cannot read the engine file " << req.enginePath << '\n';
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
  if (!req.savePath.empty() && !ws.SaveEngineTo(req.savePath)) {
    err << "orvantis: cannot write the engine file " << req.savePath << '\n';
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

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }

  ConsolePrompter prompter(err);
  Workspace ws(prompter);

  if (dump->parsed()) {
    if (!PrepareWorkspace(ws, dumpReq, err)) return 1;
    out << DumpJson(ws).dump(1) << '\n';
    return 0;
  }
  return 1;
}

}  // namespace orv
