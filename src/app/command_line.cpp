#include "app/command_line.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

#include "airflow/csv_flow_test.h"
#include "airflow/dos_test_file.h"
#include "airflow/jet_file_reader.h"
#include "airflow/load_test.h"
#include "airflow/read_test.h"
#include "airflow/sy3_test_file.h"
#include "airflow/test_database.h"
#include "airflow/test_list_query.h"
#include "app/application.h"
#include "app/cam_card_command.h"
#include "app/command_help.h"
#include "app/console_prompter.h"
#include "app/curves_csv.h"
#include "app/dump_json.h"
#include "app/engine_comparison.h"
#include "app/engine_sweep.h"
#include "app/explain_command.h"
#include "app/flow_test_text.h"
#include "app/flow_tests_db_command.h"
#include "app/report_command.h"
#include "base/atomic_file.h"
#include "base/error_trace.h"
#include "base/text.h"
#include "cam/cam_folder.h"
#include "cam/cam_text_files.h"
#include "cam/lobe_data_file.h"
#include "engine/cam_card.h"
#include "engine/input_controller.h"
#include "engine/lobe_cards.h"
#include "reports/report_pages.h"

namespace orv {

namespace {

constexpr const char* kCommandLineModule = "CommandLine";
// The head of the first column of `orvantis compare`.
constexpr const char* kCompareNameHead = "Name";

// A flow test to load for one side: a DOS test file, a test of an SY3 file by name and full
// kind, or a test of the flow bench's test database by its identifier (of any kind unless
// one is given).
struct FlowSource {
  std::string path;
  std::string test;
  std::int32_t kind = 0;
  bool kindGiven = false;
  std::int32_t testId = 0;
  bool testIdGiven = false;
};

// How CSV flow sources are read where their header does not say: the options as typed, shared
// by both sides.
struct CsvFlowArgs {
  std::string columns;               // --flow-columns lift=1,flow=2[,depression=3][,swirl=4]
  std::string units;                 // --flow-units in,cfm[,inH2O]
  std::optional<double> depression;  // --flow-depression
  std::optional<double> correctTo;   // --flow-correct-to
  bool any() const { return !columns.empty() || !units.empty() || depression || correctTo; }
};

void AddCsvFlowOptions(CLI::App& cmd, CsvFlowArgs& csv) {
  cmd.add_option("--flow-columns", csv.columns,
                 "columns of a CSV flow test, from 1, where its header does not name them: "
                 "lift=N,flow=N[,depression=N][,swirl=N]");
  cmd.add_option("--flow-units", csv.units,
                 "units of a CSV flow test's columns where its header does not name them: "
                 "in or mm; cfm, m3/min or l/s; inH2O, kPa or mmH2O");
  cmd.add_option_function<double>(
      "--flow-depression", [&csv](const double& d) { csv.depression = d; },
      "test depression of a CSV flow test without a depression column (inches of water, or "
      "the depression unit of --flow-units)");
  cmd.add_option_function<double>(
      "--flow-correct-to", [&csv](const double& h) { csv.correctTo = h; },
      "convert a CSV flow test's flows to this depression, flow x sqrt(H / depression) (inches "
      "of water, or the depression unit of --flow-units)");
}

// The reader's options from the command line's; false (after telling why on `err`) when they
// cannot be understood.
bool CsvOptionsOf(const CsvFlowArgs& args, CsvFlowOptions& options, std::ostream& err) {
  std::string why;
  if (!args.columns.empty()) {
    options.columns = ParseCsvColumns(args.columns, why);
    if (!options.columns) {
      err << "orvantis: --flow-columns: " << why << '\n';
      return false;
    }
  }
  if (!args.units.empty() && !ParseCsvUnits(args.units, options, why)) {
    err << "orvantis: --flow-units: " << why << '\n';
    return false;
  }
  options.testDepression = args.depression;
  options.correctTo = args.correctTo;
  return true;
}

// The reader's message, with what to give when the columns are needed.
std::string CsvFailureText(const CsvFlowResult& result) {
  std::string text = result.message;
  if (result.error == CsvFlowError::ColumnsNeeded) {
    text += " (--flow-columns lift=N,flow=N[,depression=N][,swirl=N])";
  }
  return text;
}

// A cam lobe to load for one side: an S96 file or a cam document, or a lobe of a lobe data file
// by shaft and lobe number.
struct CamSource {
  std::string path;
  std::int16_t shaft = 0;
  std::int16_t lobe = 0;
  bool shaftGiven = false;
  bool lobeGiven = false;
};

// What the engine commands share: the engine to start from, the cam lobes and flow tests to
// load and what the user types into it.
struct EngineRequest {
  std::string enginePath;
  std::vector<std::string> sets;
  std::string units = "english";
  CamSource intakeCam;
  CamSource exhaustCam;
  FlowSource intakeFlow;
  FlowSource exhaustFlow;
  CsvFlowArgs csv;
  std::string savePath;  // --save: where the engine is written after the --set values
  std::string dataRoot;  // --data-root: the data root instead of ORVANTIS_DATA_ROOT / $HOME
};

void AddFlowOptions(CLI::App& cmd, FlowSource& src, const std::string& side) {
  cmd.add_option("--" + side + "-flow", src.path,
                 side +
                     " flow test: a DOS test file (.SY), an SY3 file, a test database or a CSV "
                     "file (.csv)");
  cmd.add_option("--" + side + "-test", src.test, "name of the " + side + " test in the SY3 file");
  cmd.add_option_function<std::int32_t>(
      "--" + side + "-kind",
      [&src](const std::int32_t& k) {
        src.kind = k;
        src.kindGiven = true;
      },
      "full test kind of the " + side +
          " test in the SY3 file, as its directory stores it "
          "(for a database test: the kind it must have)");
  cmd.add_option_function<std::int32_t>(
      "--" + side + "-test-id",
      [&src](const std::int32_t& id) {
        src.testId = id;
        src.testIdGiven = true;
      },
      "identifier (\"Test No.\") of the " + side + " test in the test database");
}

void AddCamOptions(CLI::App& cmd, CamSource& src, const std::string& side) {
  cmd.add_option("--" + side + "-cam", src.path,
                 side +
                     " cam lobe: an S96 file, a cam document (.C1-.C16) or a lobe data file "
                     "(.LBK)");
  cmd.add_option_function<std::int16_t>(
      "--" + side + "-shaft",
      [&src](const std::int16_t& s) {
        src.shaft = s;
        src.shaftGiven = true;
      },
      "camshaft number of the " + side + " lobe in the lobe data file");
  cmd.add_option_function<std::int16_t>(
      "--" + side + "-lobe",
      [&src](const std::int16_t& l) {
        src.lobe = l;
        src.lobeGiven = true;
      },
      "lobe number of the " + side +
          " lobe in the lobe data file, as stored (negative for exhaust, 101-399 with a suffix)");
}

void AddEngineOptions(CLI::App& cmd, EngineRequest& req) {
  cmd.add_option("ENGINE", req.enginePath,
                 "engine file (.OV); the built-in default engine when left out");
  cmd.add_option(
         "--set", req.sets,
         "KEY=VALUE: type VALUE into the input with engine-file key KEY (repeatable, in order)")
      ->take_all();
  cmd.add_option("--units", req.units, "unit system of typed values and displayed texts")
      ->check(CLI::IsMember({"english", "metric", "metric-m3"}));
  AddCamOptions(cmd, req.intakeCam, "intake");
  AddCamOptions(cmd, req.exhaustCam, "exhaust");
  AddFlowOptions(cmd, req.intakeFlow, "intake");
  AddFlowOptions(cmd, req.exhaustFlow, "exhaust");
  AddCsvFlowOptions(cmd, req.csv);
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

// Loads the flow test of one side as the flow-test dialog would. Returns false (after telling
// why on `err`) when the options are incomplete or the test cannot be loaded.
bool LoadFlowSource(EngineDocument& document, const FlowSource& src, bool intake,
                    const CsvFlowArgs& csv, std::ostream& err) {
  const std::string side = intake ? "intake" : "exhaust";
  if (src.path.empty()) {
    if (!src.test.empty() || src.kindGiven || src.testIdGiven) {
      err << "orvantis: --" << side << "-test, --" << side << "-kind and --" << side
          << "-test-id need --" << side << "-flow\n";
      return false;
    }
    return true;
  }
  if (src.testIdGiven) {
    std::int32_t kind = src.kindGiven ? src.kind : kAnyKindOfDatabaseTest;
    const FlowError code =
        document.LoadDatabaseFlowTest(intake, src.path, src.testId, kind, src.test);
    if (code != FlowError::Ok) {
      err << "orvantis: cannot load the " << side << " flow test " << src.testId;
      if (src.kindGiven) err << " of kind " << src.kind;
      err << " from the test database " << src.path << ": " << FlowErrorText(code) << " (error "
          << code << ")\n";
      return false;
    }
    return true;
  }
  if (IsTestDatabaseFile(src.path)) {
    err << "orvantis: a test database needs --" << side << "-test-id N\n";
    return false;
  }
  if (IsCsvTestPath(src.path)) {
    if (!src.test.empty() || src.kindGiven) {
      err << "orvantis: --" << side << "-test and --" << side
          << "-kind apply to an SY3 file, not to a CSV file\n";
      return false;
    }
    CsvFlowOptions options;
    if (!CsvOptionsOf(csv, options, err)) return false;
    const CsvFlowResult result = document.LoadCsvFlowTest(intake, src.path, options);
    if (!result.ok()) {
      err << "orvantis: cannot load the " << side << " flow test from " << src.path << ": "
          << CsvFailureText(result) << '\n';
      return false;
    }
    return true;
  }
  const bool dos = IsDosTestPath(src.path);
  if (!dos && (src.test.empty() || !src.kindGiven)) {
    err << "orvantis: an SY3 file needs --" << side << "-test NAME and --" << side << "-kind K\n";
    return false;
  }
  std::int32_t kind = src.kind;
  const FlowError code = document.LoadFlowTest(intake, src.path, src.test, kind);
  if (code != FlowError::Ok) {
    err << "orvantis: cannot load the " << side << " flow test";
    if (!dos) err << " \"" << src.test << "\" of kind " << src.kind;
    err << " from " << src.path << ": " << FlowErrorText(code) << " (error " << code << ")\n";
    return false;
  }
  return true;
}

// Loads the cam lobe of one side as the cam selection dialog's Open would. Returns false (after
// telling why on `err`) when the options are incomplete or the lobe cannot be loaded.
bool LoadCamSource(EngineDocument& document, const CamSource& src, bool intake, std::ostream& err) {
  const std::string side = intake ? "intake" : "exhaust";
  const std::string numbers = "--" + side + "-shaft and --" + side + "-lobe";
  if (src.path.empty()) {
    if (src.shaftGiven || src.lobeGiven) {
      err << "orvantis: " << numbers << " need --" << side << "-cam\n";
      return false;
    }
    return true;
  }
  LobeChoice choice;
  choice.path = src.path;
  choice.kind = CamFileKindOf(std::filesystem::path(src.path).filename().string());
  switch (choice.kind) {
    case CamFileKind::None:
      err << "orvantis: " << src.path
          << " is not a cam file name (expected .LBK, .S96 or .C1 to .C16)\n";
      return false;
    case CamFileKind::LobeData:
      if (!src.shaftGiven || !src.lobeGiven) {
        err << "orvantis: a lobe data file needs " << numbers << '\n';
        return false;
      }
      choice.shaftNo = src.shaft;
      choice.lobeNo = src.lobe;
      break;
    case CamFileKind::S96:
    case CamFileKind::CamDocument:
      if (src.shaftGiven || src.lobeGiven) {
        err << "orvantis: " << numbers << " apply to a lobe data file only\n";
        return false;
      }
      // The column of a cam document follows the side the lobe is loaded for.
      choice.intakeColumn = intake;
      break;
  }
  const CamOpenResult result = document.OpenCam(intake, choice);
  if (!result.read) {
    const std::string why = choice.kind == CamFileKind::LobeData
                                ? LobeDataErrorText(static_cast<LobeDataError>(result.errFlag))
                                : CamTextErrorText(static_cast<CamTextError>(result.errFlag));
    err << "orvantis: cannot load the " << side << " cam lobe";
    if (choice.kind == CamFileKind::LobeData) {
      err << " " << src.lobe << " of shaft " << src.shaft;
    }
    err << " from " << src.path << ": " << why << " (error " << result.errFlag << ")\n";
    return false;
  }
  if (!result.reports.empty()) {
    err << "orvantis: the " << side << " cam lobe from " << src.path
        << " was read, but loading it into the engine failed\n";
    return false;
  }
  return true;
}

// The first line of an error message ("Error (9)    Subscript out of range").
std::string FirstLine(const std::string& message) {
  return message.substr(0, message.find_first_of("\r\n"));
}

// Runs a step that reads or writes a file, `step(why)`, with the messages it gives on the way
// held back: when it fails, the first line is "orvantis: " + `what` + ": " + the reason (so it
// names the file and the reason), and those messages (the window's boxes) follow it; when it
// succeeds they are shown as they came (a line that ends a section).
template <class Step>
bool RunFileStep(Application& app, const std::string& what, const std::string& unknownReason,
                 Step step, std::ostream& err) {
  auto* console = dynamic_cast<ConsolePrompter*>(&app.prompter());
  if (console != nullptr) console->Hold();
  std::string why;
  bool ok = false;
  try {
    ok = step(why);
  } catch (...) {
    if (console != nullptr) console->Release();
    throw;
  }
  if (ok) {
    if (console != nullptr) console->Release();
    return true;
  }
  err << "orvantis: " << what << ": " << (why.empty() ? unknownReason : why) << '\n';
  if (console != nullptr) console->Release();
  return false;
}

// Reads an engine file for a command through `read` (the engine, or the reference engine).
template <class Read>
bool ReadEngineFileFor(Application& app, const std::string& path, Read read, std::ostream& err) {
  return RunFileStep(
      app, "cannot read the engine file " + path, "it is not an Orvantis engine file",
      [&](std::string& why) { return read(path, why); }, err);
}

// Brings the application to the engine the request describes. Returns false (after telling why
// on `err`) when it cannot.
bool PrepareEngine(Application& app, const EngineRequest& req, std::ostream& err) {
  app.SetFolders(Folders{ProgramFolder(), ResolveDataRoot(req.dataRoot)});
  app.SetUnitSystem(UnitModeOf(req.units));
  if (!req.enginePath.empty() &&
      !ReadEngineFileFor(
          app, req.enginePath,
          [&app](const std::string& path, std::string& why) { return app.OpenEngine(path, &why); },
          err)) {
    return false;
  }
  EngineDocument& document = app.document();
  ETracker guard(kCommandLineModule, "TypeInputs");
  // What is being done, for the message when an error ends it.
  std::string step;
  try {
    step = "loading the cam lobes";
    if (!LoadCamSource(document, req.intakeCam, true, err) ||
        !LoadCamSource(document, req.exhaustCam, false, err)) {
      return false;
    }
    step = "loading the flow tests";
    if (req.csv.any() && !IsCsvTestPath(req.intakeFlow.path) &&
        !IsCsvTestPath(req.exhaustFlow.path)) {
      err << "orvantis: --flow-columns, --flow-units, --flow-depression and --flow-correct-to "
             "apply to a CSV flow test (--intake-flow or --exhaust-flow FILE.csv)\n";
      return false;
    }
    if (!LoadFlowSource(document, req.intakeFlow, true, req.csv, err) ||
        !LoadFlowSource(document, req.exhaustFlow, false, req.csv, err)) {
      return false;
    }
    for (const std::string& set : req.sets) {
      const auto eq = set.find('=');
      if (eq == std::string::npos || eq == 0) {
        err << "orvantis: --set needs KEY=VALUE, got \"" << set << "\"\n";
        return false;
      }
      step = "--set " + set;
      if (!document.TypeInput(set.substr(0, eq), set.substr(eq + 1))) {
        err << "orvantis: no input has the engine-file key \"" << set.substr(0, eq) << "\"\n";
        return false;
      }
    }
  } catch (...) {
    // The step and the error first, then the error's trace as the window would show it.
    auto* console = dynamic_cast<ConsolePrompter*>(&app.prompter());
    if (console != nullptr) console->Hold();
    const std::string message = app.ReportError(guard);
    err << "orvantis: " << step << " failed: " << FirstLine(message) << '\n';
    if (console != nullptr) console->Release();
    return false;
  }
  return req.savePath.empty() ||
         RunFileStep(
             app, "cannot write the engine file " + req.savePath, "it cannot be written",
             [&](std::string& why) { return app.SaveEngineTo(req.savePath, &why); }, err);
}

// Whether the engine's results and tables were computed for its current inputs, so that they
// may be printed. After a failed calculation (its error trace is already on standard error),
// or when nothing could be calculated, nothing is printed. When the crank geometry cannot be
// worked out, `dump` still prints the engine with "warning" true (its results are those of the
// last calculation that completed, as the window shows them under its warning); the reports and
// curves, which have no such mark, print nothing.
bool EngineCalculated(const EngineDocument& document, bool warningMarked, std::ostream& err) {
  const Engine& e = document.engine();
  std::string why;
  if (!e.valveTables().current) {
    why = "the valve tables could not be built (the error is shown above)";
  } else {
    switch (e.lastCalc()) {
      case Engine::CalcOutcome::Complete:
        return true;
      case Engine::CalcOutcome::CannotComplete:
        if (warningMarked) return true;
        why = kNoCalcWarning;
        break;
      case Engine::CalcOutcome::NotStarted:
        why = "the engine cannot be calculated: its stroke and bore must be above 0";
        break;
      case Engine::CalcOutcome::Failed:
        why = "the calculation of the engine failed (the error is shown above)";
        break;
    }
  }
  err << "orvantis: " << why << "; no results are printed\n";
  return false;
}

// `orvantis lobes DIR`: the tree of the cam selection dialog, one node per line (without the
// blanks that pad it), children indented by two blanks.
int ListLobeTree(const std::string& directory, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!std::filesystem::is_directory(directory, ec)) {
    err << "orvantis: " << directory << " is not a folder\n";
    return 1;
  }
  CamFolder folder;
  folder.RefillLobeList(directory);
  for (const LobeTreeNode& node : folder.nodes()) {
    out << TrimRight(node.text) << '\n';
    for (const LobeTreeNode& child : node.children) out << "  " << TrimRight(child.text) << '\n';
  }
  return 0;
}

// What `orvantis card` is asked for besides the engine.
struct CardOptions {
  std::string check;  // --check H,H,H in the unit system
  bool json = false;
};

// `orvantis card [ENGINE.OV] ...`: the cam card of both lobes as the engine holds them.
int RunCard(Application& app, const EngineRequest& req, const CardOptions& opt, std::ostream& out,
            std::ostream& err) {
  const UnitMode mode = UnitModeOf(req.units);
  std::string why;
  const std::optional<CardHeights> heights = CardHeightsOf(opt.check, mode, why);
  if (!heights) {
    err << "orvantis: --check: " << why << '\n';
    return 1;
  }
  if (!PrepareEngine(app, req, err)) return 1;
  const Engine& engine = app.document().engine();
  if (!engine.valveTables().current) {
    err << "orvantis: the valve tables could not be built (the error is shown above); no card is "
           "printed\n";
    return 1;
  }
  const EngineCamCard card =
      CamCardInUnits(EngineCamCards(engine, CheckHeightsToInches(heights->values, mode)), mode);
  if (opt.json) {
    out << CamCardJson(card, req.units, *heights).dump(1, ' ', false) << '\n';
  } else {
    out << CamCardTable(card, mode, *heights);
  }
  return 0;
}

// What `orvantis explain` is asked for besides the engine.
struct ExplainOptions {
  std::string key;
  int depth = 100;
  bool inputs = false;
  bool sensitivity = false;
  bool json = false;
};

// `orvantis explain KEY [ENGINE.OV] ...`: why a result or slot has its value; with --inputs,
// what an input moves.
int RunExplain(Application& app, const EngineRequest& req, const ExplainOptions& opt,
               std::ostream& out, std::ostream& err) {
  if (opt.inputs && InputNumberOfKey(opt.key) < 0) {
    err << "orvantis: no input has the engine-file key \"" << opt.key << "\"\n";
    return 1;
  }
  if (opt.depth < 0) {
    err << "orvantis: --depth must be 0 or more\n";
    return 1;
  }
  if (!PrepareEngine(app, req, err) || !EngineCalculated(app.document(), false, err)) return 1;
  const UnitMode mode = UnitModeOf(req.units);
  ETracker guard(kCommandLineModule, "Explain");
  try {
    const InputController& controller = app.document().controller();
    const CalcRecord record = RecordEngine(controller);
    if (opt.inputs) {
      const std::vector<std::string> moved = DependentsOf(record, InputNumberOfKey(opt.key));
      if (opt.json) {
        nlohmann::ordered_json j;
        j["input"] = opt.key;
        j["results"] = moved;
        out << j.dump(1, ' ', false) << '\n';
      } else {
        for (const std::string& k : moved) out << k << '\n';
      }
      return 0;
    }
    if (!IsExplainable(record, opt.key)) {
      err << "orvantis: no result or output slot is named \"" << opt.key
          << "\" (a name of dump's \"results\", or page0.N / page1.N)\n";
      return 1;
    }
    std::vector<SensitivityRow> rows;
    if (opt.sensitivity) rows = Sensitivity(controller, record, opt.key);
    if (opt.json) {
      nlohmann::ordered_json j = ExplainJson(record, opt.key, mode, opt.depth);
      if (opt.sensitivity) j["sensitivity"] = SensitivityJson(rows);
      out << j.dump(1, ' ', false) << '\n';
    } else {
      out << ExplainText(record, opt.key, mode, opt.depth);
      if (opt.sensitivity) out << SensitivityText(rows);
    }
  } catch (...) {
    app.ReportError(guard);
    return 1;
  }
  return 0;
}

// What `orvantis lobes` is asked for.
struct LobesOptions {
  std::string path;
  bool card = false;
  std::string enginePath;
  std::string units = "english";
  std::string dataRoot;
  std::optional<double> rockerRatio;
  std::optional<double> lash;  // in the unit system
  std::optional<double> centerline;
  std::string check;
  std::string sort;
  bool reverse = false;
  bool csv = false;
};

// `orvantis lobes FOLDER_OR_FILE --card ...`: one card row per lobe, each lobe placed in the
// engine with its side's settings (or those given).
int RunLobeCards(Application& app, const LobesOptions& opt, std::ostream& out, std::ostream& err) {
  const UnitMode mode = UnitModeOf(opt.units);
  std::string why;
  const std::optional<CardHeights> heights = CardHeightsOf(opt.check, mode, why);
  if (!heights) {
    err << "orvantis: --check: " << why << '\n';
    return 1;
  }
  if (std::vector<LobeCardRow> none;
      !opt.sort.empty() && !SortLobeCards(none, opt.sort, *heights, false, why)) {
    err << "orvantis: --sort: " << why << '\n';
    return 1;
  }
  LobePlacement placement;
  if (opt.rockerRatio) {
    if (!(std::isfinite(*opt.rockerRatio) && *opt.rockerRatio > 0 && *opt.rockerRatio <= 10)) {
      err << "orvantis: --rocker-ratio must lie above 0 and at most 10\n";
      return 1;
    }
    placement.rockerRatio = static_cast<float>(*opt.rockerRatio);
  }
  if (opt.lash) {
    const double inches = mode == UnitMode::English ? *opt.lash : *opt.lash / kMmPerInch;
    if (!(std::isfinite(inches) && inches >= 0 && inches <= 1)) {
      err << "orvantis: --lash must lie between 0 and 1 in (25.4 mm)\n";
      return 1;
    }
    placement.lash = static_cast<float>(inches);
  }
  if (opt.centerline) {
    if (!(std::isfinite(*opt.centerline) && *opt.centerline >= 0 && *opt.centerline <= 360)) {
      err << "orvantis: --centerline must lie between 0 and 360 crank degrees (after TDC for "
             "intake lobes, before TDC for exhaust lobes)\n";
      return 1;
    }
    placement.centerline = *opt.centerline;
  }
  EngineRequest req;
  req.enginePath = opt.enginePath;
  req.units = opt.units;
  req.dataRoot = opt.dataRoot;
  if (!PrepareEngine(app, req, err)) return 1;
  std::optional<std::vector<LobeCardRow>> rows =
      LobeCards(opt.path, app.document().engine().inputs(), placement,
                CheckHeightsToInches(heights->values, mode), why);
  if (!rows) {
    err << "orvantis: " << why << '\n';
    return 1;
  }
  std::size_t failed = 0;
  for (LobeCardRow& row : *rows) {
    if (row.card) {
      row.card = CamCardInUnits(*row.card, mode);
    } else {
      ++failed;
      err << "orvantis: " << row.file << (row.lobe.empty() ? "" : " " + row.lobe) << ": "
          << row.failure << '\n';
    }
  }
  if (!opt.sort.empty()) SortLobeCards(*rows, opt.sort, *heights, opt.reverse, why);
  out << (opt.csv ? LobeCardsCsv(*rows, *heights) : LobeCardsTable(*rows, mode, *heights));
  if (failed > 0) {
    err << "orvantis: " << failed << " of " << rows->size()
        << " lobes could not be read; their figures are left empty\n";
  }
  return 0;
}

// Reads the settings of the configuration file in the data root, without a word when it is
// missing or not a configuration file (the defaults stay).
void ReadSavedSettings(Application& app) {
  SilentPrompter quiet;
  ConfigFileIO(app.folders().configFile(), app.EditSettings(), true, false,
               ConfigDefaults{app.folders(), kDefaultWindowBackground}, quiet);
}

// `orvantis flow-tests FILE.SY3`: name and full kind of each test, separated by a tab.
int ListFlowTests(const std::string& path, std::ostream& out, std::ostream& err) {
  std::vector<Sy3TestName> tests;
  const FlowError code = ReadSY3TestNames(path, tests);
  if (code != FlowError::Ok) {
    err << "orvantis: cannot list the tests of " << path << ": " << FlowErrorText(code)
        << " (error " << code << ")\n";
    return 1;
  }
  for (const Sy3TestName& t : tests) out << t.name << '\t' << t.kind << '\n';
  return 0;
}

// What `orvantis flow-test` is asked for besides the source.
struct FlowTestOptions {
  CsvFlowArgs csv;
  bool exportCsv = false;  // --csv
  std::string output;      // -o
};

// `orvantis flow-test DB.mdb --test-id N`: one test of the test database, as `ReadTest` reads it.
bool ReadDatabaseTestFor(const FlowSource& src, Application& app, FlowTest& test,
                         std::ostream& err) {
  if (!src.testIdGiven) {
    err << "orvantis: a test database needs --test-id N\n";
    return false;
  }
  test.SetPathFile(src.path);
  test.TestID = src.testId;
  // The message of a database error goes into the command's own error text.
  class KeptMessage final : public Prompter {
   public:
    void Warn(const std::string& text, const std::string&) override { message = text; }
    Answer AskYesNoCancel(const std::string&, const std::string&) override {
      return Answer::Cancel;
    }
    void Beep() override {}
    std::string message;
  } kept;
  const bool ok = ReadTest(test, src.path, app.testDatabases(), &kept);
  const std::string& message = kept.message;
  if (!ok) {
    err << "orvantis: cannot read test " << src.testId << " from the test database " << src.path;
    if (message.empty()) {
      err << ": " << FlowErrorText(FlowError::NotFound) << " (error " << FlowError::NotFound
          << ")\n";
    } else {
      err << ":\n" << message << '\n';
    }
    return false;
  }
  if (src.kindGiven && test.Condition.Kind() != src.kind) {
    err << "orvantis: test " << src.testId << " is of kind " << test.Condition.Kind() << ", not "
        << src.kind << '\n';
    return false;
  }
  return true;
}

// Reads the test `orvantis flow-test` names: a test database's, a CSV file's, a DOS file's or
// an SY3 file's. False (after telling why on `err`) when it cannot.
bool ReadSourceTest(const FlowSource& src, const FlowTestOptions& opt, Application& app,
                    FlowTest& test, std::ostream& err) {
  const bool csvFile = !src.testIdGiven && IsCsvTestPath(src.path);
  if (opt.csv.any() && !csvFile) {
    err << "orvantis: --flow-columns, --flow-units, --flow-depression and --flow-correct-to "
           "apply to a CSV file\n";
    return false;
  }
  if (src.testIdGiven || IsTestDatabaseFile(src.path)) {
    return ReadDatabaseTestFor(src, app, test, err);
  }
  test.SetPathFile(src.path);
  if (csvFile) {
    if (!src.test.empty() || src.kindGiven) {
      err << "orvantis: --test and --kind apply to an SY3 file, not to a CSV file\n";
      return false;
    }
    CsvFlowOptions options;
    if (!CsvOptionsOf(opt.csv, options, err)) return false;
    const CsvFlowResult result = ReadCsvFlowTest(test, options);
    if (!result.ok()) {
      err << "orvantis: cannot read the flow test from " << src.path << ": "
          << CsvFailureText(result) << '\n';
      return false;
    }
    return true;
  }
  FlowError code;
  if (IsDosTestPath(src.path)) {
    test.Condition.SetKind(kKindFromDosFile);
    code = R2DataFile(test, 1);
  } else {
    if (src.test.empty() || !src.kindGiven) {
      err << "orvantis: an SY3 file needs --test NAME and --kind K\n";
      return false;
    }
    test.Condition.SetName(src.test);
    test.Condition.SetKind(src.kind);
    code = R3DataFile(test, 1);
  }
  if (code != FlowError::Ok) {
    err << "orvantis: cannot read the flow test from " << src.path << ": " << FlowErrorText(code)
        << " (error " << code << ")\n";
    return false;
  }
  return true;
}

// `orvantis flow-test SOURCE ... [--csv [-o FILE.csv]]`: the test in full as text, or its
// records as CSV.
int RunFlowTest(const FlowSource& src, const FlowTestOptions& opt, Application& app,
                std::ostream& out, std::ostream& err) {
  if (!opt.output.empty() && !opt.exportCsv) {
    err << "orvantis: -o writes the test as CSV; add --csv\n";
    return 1;
  }
  FlowTest test;
  if (!ReadSourceTest(src, opt, app, test, err)) return 1;
  if (!opt.exportCsv) {
    out << FlowTestText(test);
    return 0;
  }
  std::string why;
  const std::optional<std::string> csv = FlowTestCsv(test, why);
  if (!csv) {
    err << "orvantis: cannot write the flow test from " << src.path << " as CSV: " << why << '\n';
    return 1;
  }
  if (opt.output.empty()) {
    out << *csv;
    return 0;
  }
  const std::string failure = WriteFileAtomically(opt.output, *csv);
  if (!failure.empty()) {
    err << "orvantis: cannot write " << opt.output << ": " << failure << '\n';
    return 1;
  }
  return 0;
}

// What `orvantis report` is asked for besides the engine.
struct ReportOptions {
  std::string kind;
  std::string range;  // --range FROM,TO,STEP
  std::string output;
  bool unitsGiven = false;
};

// `orvantis report KIND ...`: the report as the report view shows it, on standard output (plain
// line ends) or written to a file exactly as built. With --data-root the report settings of
// that data root's configuration file apply; --units, else the file's unit system, else English.
// The command line has no input stages, so the general report includes every section its
// flags ask for.
// Brings the application to the engine, unit system and report settings of `report` and `print`.
// Returns false (after telling why on `err`) when it cannot.
bool PrepareReport(Application& app, EngineRequest req, const ReportOptions& opt,
                   std::ostream& err) {
  const ReportKind kind = ReportKindOfName(opt.kind).value_or(ReportKind::General);
  app.SetFolders(Folders{ProgramFolder(), ResolveDataRoot(req.dataRoot)});
  {
    ETracker guard(kCommandLineModule, "Report");
    try {
      app.LoadStrings();
    } catch (...) {
      app.ReportError(guard);
      return false;
    }
  }
  if (!req.dataRoot.empty() && !ReadReportSettings(app, app.folders().dataRoot)) return false;
  if (!opt.unitsGiven) {
    const UnitMode mode = ReportUnitMode(app.settings().unitSystem);
    req.units = mode == UnitMode::English  ? "english"
                : mode == UnitMode::Metric ? "metric"
                                           : "metric-m3";
  }
  if (!opt.range.empty()) {
    if (kind == ReportKind::General) {
      err << "orvantis: --range applies to the intake, exhaust and details reports\n";
      return false;
    }
    std::string why;
    const auto range = ParseDegreeRange(opt.range, app.strings(), why);
    if (!range) {
      err << "orvantis: " << why << '\n';
      return false;
    }
    std::copy(range->begin(), range->end(),
              app.EditSettings().reportRanges.begin() + (kind == ReportKind::Details ? 3 : 0));
  }
  return PrepareEngine(app, req, err) && EngineCalculated(app.document(), false, err);
}

int RunReport(Application& app, const EngineRequest& req, const ReportOptions& opt,
              std::ostream& out, std::ostream& err) {
  if (!PrepareReport(app, req, opt, err)) return 1;
  const ReportKind kind = ReportKindOfName(opt.kind).value_or(ReportKind::General);
  ETracker guard(kCommandLineModule, "Report");
  std::string text;
  try {
    text = BuildScreenReport(app, kind, true, req.enginePath.empty() ? "" : app.enginePath(),
                             CurrentReportStamp());
  } catch (...) {
    app.ReportError(guard);
    return 1;
  }
  if (opt.output.empty()) {
    out << PlainLineEnds(text);
    return 0;
  }
  // The first line names the file and the reason (the window's box leads with its own text).
  const std::string failure = WriteReportFile(opt.output, text);
  if (!failure.empty()) {
    err << "orvantis: cannot write the report file " << opt.output << ": " << failure << '\n';
    return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// compare and sweep

// What `orvantis compare` is asked for.
struct CompareOptions {
  std::string reference;  // A
  std::string current;    // B
  std::string units = "english";
  std::string dataRoot;
  bool json = false;
};

// `orvantis compare A.OV B.OV`: every input and result that differs from A to B, as a table
// with fixed columns or as JSON. Exit status 0 when nothing differs, 1 when something does,
// 2 when an engine cannot be read or calculated (as `diff` does).
int RunCompare(Application& app, const CompareOptions& opt, std::ostream& out, std::ostream& err) {
  app.SetFolders(Folders{ProgramFolder(), ResolveDataRoot(opt.dataRoot)});
  const UnitMode mode = UnitModeOf(opt.units);
  app.SetUnitSystem(mode);
  if (!ReadEngineFileFor(
          app, opt.current,
          [&app](const std::string& path, std::string& why) { return app.OpenEngine(path, &why); },
          err) ||
      !ReadEngineFileFor(
          app, opt.reference,
          [&app](const std::string& path, std::string& why) {
            return app.SetReference(path, &why);
          },
          err)) {
    return 2;
  }
  const EngineComparison c = CompareEngines(*app.reference(), app.document(), mode);
  if (!c.referenceComplete) {
    err << "orvantis: " << opt.reference << ": " << kNoCalcWarning
        << "; its results are those of the last calculation that completed\n";
  }
  if (!c.currentComplete) {
    err << "orvantis: " << opt.current << ": " << kNoCalcWarning
        << "; its results are those of the last calculation that completed\n";
  }
  if (opt.json) {
    nlohmann::ordered_json j;
    j["a"] = opt.reference;
    j["b"] = opt.current;
    j["units"] = opt.units;
    j["inputs"] = nlohmann::ordered_json::array();
    for (const InputDifference& d : c.inputs) {
      nlohmann::ordered_json row;
      row["key"] = d.key;
      row["label"] = d.label;
      row["a"] = d.reference;
      row["b"] = d.current;
      if (std::isfinite(d.difference)) {
        row["difference"] = d.difference;
      } else {
        row["difference"] = nullptr;
      }
      j["inputs"].push_back(std::move(row));
    }
    j["results"] = nlohmann::ordered_json::array();
    for (const ResultDifference& d : c.results) {
      j["results"].push_back(
          {{"name", d.name}, {"a", d.reference}, {"b", d.current}, {"difference", d.difference}});
    }
    j["same"] = c.empty();
    out << j.dump(1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
  } else {
    for (const std::string& line : ComparisonTableLines(c, {kCompareNameHead, "A", "B", "B - A"})) {
      out << line << '\n';
    }
  }
  return c.empty() ? 0 : 1;
}

// What `orvantis sweep` is asked for besides the engine.
struct SweepOptions {
  std::vector<std::string> vary;
  std::vector<std::string> outputs;
  std::string output;
  bool force = false;
};

// "KEY1, KEY2, ..." on lines of at most 100 characters, for the refusal of a key.
std::string WrappedList(const std::vector<std::string>& items) {
  std::string text, line;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string item = items[i] + (i + 1 < items.size() ? "," : "");
    if (!line.empty() && line.size() + 1 + item.size() > 98) {
      text += "  " + line + '\n';
      line.clear();
    }
    line += (line.empty() ? "" : " ") + item;
  }
  if (!line.empty()) text += "  " + line + '\n';
  return text;
}

// `orvantis sweep [ENGINE.OV] --vary KEY=FROM:TO:STEP ...`: the engine recalculated over a grid
// of one or two inputs, one CSV line per point.
int RunSweepCommand(Application& app, const EngineRequest& req, const SweepOptions& opt,
                    std::ostream& out, std::ostream& err) {
  std::vector<SweepAxis> axes;
  for (const std::string& vary : opt.vary) {
    std::string why;
    std::optional<SweepAxis> axis = ParseSweepAxis(vary, why);
    if (!axis) {
      err << "orvantis: " << why << "\nThe keys --vary takes:\n" << WrappedList(SweepKeys());
      return 1;
    }
    for (const SweepAxis& other : axes) {
      if (other.key == axis->key) {
        err << "orvantis: --vary " << axis->key << " is given twice\n";
        return 1;
      }
    }
    axes.push_back(*axis);
  }
  if (axes.size() > 2) {
    err << "orvantis: a sweep varies one or two inputs, not " << axes.size() << '\n';
    return 1;
  }
  const std::vector<std::string> names = ResultNames();
  std::vector<std::string> outputs = opt.outputs.empty() ? names : opt.outputs;
  for (const std::string& output : outputs) {
    if (std::find(names.begin(), names.end(), output) == names.end()) {
      err << "orvantis: no result is named \"" << output << "\"\nThe results --outputs takes:\n"
          << WrappedList(names);
      return 1;
    }
  }
  const std::uint64_t points = SweepPointCount(axes);
  if (points > kSweepPointsWithoutForce && !opt.force) {
    err << "orvantis: the sweep has " << points << " points, more than " << kSweepPointsWithoutForce
        << "; add --force to run it\n";
    return 1;
  }
  if (!PrepareEngine(app, req, err) || !EngineCalculated(app.document(), false, err)) return 1;
  // Each value must be one its box can show, or the box would type another.
  for (SweepAxis& axis : axes) {
    if (std::string why;
        !FitSweepAxisToBox(axis, SweepBoxDecimals(app.document(), axis.key), why)) {
      err << "orvantis: " << why << '\n';
      return 1;
    }
  }

  SweepOutcome outcome;
  if (opt.output.empty()) {
    outcome = RunSweep(app.document(), axes, outputs, out);
  } else {
    // Written to a temporary file beside the target and put in its place when whole.
    AtomicFileWriter file(opt.output);
    std::ostream csv(&file);
    if (file.failure().empty()) outcome = RunSweep(app.document(), axes, outputs, csv);
    const std::string failure = file.Commit();
    if (!failure.empty()) {
      err << "orvantis: cannot write " << opt.output << ": " << failure << '\n';
      return 1;
    }
  }
  if (outcome.incomplete > 0) {
    err << "orvantis: " << outcome.incomplete << " of " << outcome.points
        << " points could not be calculated; their results are left empty\n";
  }
  return 0;
}

}  // namespace

bool ParsePictureSize(const std::string& text, int& width, int& height) {
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  auto whole = [](const std::string& digits, int& value) {
    if (digits.empty() || digits.size() > 5) return false;
    for (const char c : digits) {
      if (c < '0' || c > '9') return false;
    }
    value = std::stoi(digits);
    return value >= 16 && value <= 16384;
  };
  int w = 0, h = 0;
  if (!whole(text.substr(0, x), w) || !whole(text.substr(x + 1), h)) return false;
  width = w;
  height = h;
  return true;
}

int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err) {
  return RunCommandLine(argc, argv, out, err, DefaultJetReaderOptions().executable);
}

int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err,
                   const std::filesystem::path& readerExecutable) {
  return RunCommandLine(argc, argv, out, err, readerExecutable, nullptr);
}

int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err,
                   const std::filesystem::path& readerExecutable, ShellCommands* shell) {
  CLI::App cli{"Orvantis: piston-engine geometry, flow and power calculations", "orvantis"};
  cli.require_subcommand(1);

  // The loaded tables of test databases are kept in the user's cache folder unless asked not to.
  bool noCache = false;
  auto addNoCache = [&noCache](CLI::App& cmd) {
    cmd.add_flag("--no-cache", noCache,
                 "read test databases afresh and keep nothing of them in the cache folder");
  };

  EngineRequest dumpReq;
  CLI::App* dump = cli.add_subcommand("dump", "print the engine as JSON");
  AddEngineOptions(*dump, dumpReq);
  addNoCache(*dump);

  CompareOptions compareOpt;
  CLI::App* compare = cli.add_subcommand(
      "compare", "list every input and result that differs between two engines (exit 1 if any)");
  compare->add_option("A", compareOpt.reference, "engine file (.OV) compared against")->required();
  compare->add_option("B", compareOpt.current, "engine file (.OV) compared with A")->required();
  compare->add_option("--units", compareOpt.units, "unit system of the values shown")
      ->check(CLI::IsMember({"english", "metric", "metric-m3"}));
  compare->add_flag("--json", compareOpt.json, "print the differences as JSON");
  compare->add_option("--data-root", compareOpt.dataRoot,
                      "DIR: the data root (default $ORVANTIS_DATA_ROOT, else $HOME/Orvantis)");

  EngineRequest sweepReq;
  SweepOptions sweepOpt;
  CLI::App* sweep = cli.add_subcommand(
      "sweep", "recalculate the engine over a grid of one or two inputs, one CSV line per point");
  AddEngineOptions(*sweep, sweepReq);
  addNoCache(*sweep);
  sweep
      ->add_option("--vary", sweepOpt.vary,
                   "KEY=FROM:TO:STEP: type FROM, FROM+STEP, ... TO into the input with "
                   "engine-file key KEY (once or twice)")
      ->required()
      ->expected(1)
      ->allow_extra_args(false)
      ->take_all();
  sweep
      ->add_option("--outputs", sweepOpt.outputs,
                   "results to write, by name, for example PeakTorque,PeakPower (default all)")
      ->expected(1)
      ->allow_extra_args(false)
      ->take_all()
      ->delimiter(',');
  sweep->add_option("-o,--output", sweepOpt.output, "CSV file to write instead of standard output");
  sweep->add_flag("--force", sweepOpt.force, "run a sweep of more than 1,000,000 points");

  DatabaseFlowTestsRequest flowTestsReq;
  CLI::App* flowTests = cli.add_subcommand(
      "flow-tests", "list the tests of an SY3 file, or of a flow test database with filters");
  std::string flowTestsRoot;
  bool flowTestsDefaults = false;
  flowTests->add_option("FILE", flowTestsReq.file,
                        "SY3 file or the flow bench's test database (default: the flow test "
                        "dialog's database, configuration value \"FlowWin\")");
  flowTests->add_option("--kind", flowTestsReq.kind, "test kind name (or \"[ANY]\")");
  flowTests->add_option("--from", flowTestsReq.from, "first test date (M/D/YYYY or YYYY-MM-DD)");
  flowTests->add_option("--to", flowTestsReq.to, "last test date");
  flowTests->add_flag("--today", flowTestsReq.today, "tests of today only");
  flowTests->add_option("--operator", flowTestsReq.operatorName, "bench operator");
  flowTests->add_option("--customer", flowTestsReq.customer, "customer name or ID");
  flowTests->add_option("--side", flowTestsReq.side, "intake or exhaust tests only")
      ->check(CLI::IsMember({"intake", "exhaust", "any"}, CLI::ignore_case));
  flowTests
      ->add_option("--filter", flowTestsReq.filters,
                   "FIELD,RELATION,VALUE[,CONNECTOR]: a filter row (=, <, >, includes; AND, OR)")
      ->take_all();
  flowTests->add_option("--sort", flowTestsReq.sorts, "sort key column (up to 3)")->take_all();
  flowTests->add_option("--columns", flowTestsReq.columns, "columns to show (or \"all\")")
      ->take_all();
  flowTests->add_flag("--sql", flowTestsReq.printSql, "print the query first");
  flowTests->add_flag("--defaults", flowTestsDefaults,
                      "start from the dialog's default choices, not those saved in the "
                      "configuration file");
  addNoCache(*flowTests);
  flowTests->add_option("--data-root", flowTestsRoot,
                        "DIR: the data root holding the configuration file (default "
                        "$ORVANTIS_DATA_ROOT, else $HOME/Orvantis)");

  // The reader process of database files (the program starts itself with it); not for users.
  std::string jetFile;
  int jetChannel = -1;
  CLI::App* jetRead = cli.add_subcommand(kJetReadCommand, "read a Jet database file");
  jetRead->group("");
  jetRead->add_option(kJetReadChannelOption, jetChannel)->required()->check(CLI::Range(3, 1 << 20));
  jetRead->add_option("FILE", jetFile)->required();

  FlowSource testSource;
  FlowTestOptions flowTestOpt;
  CLI::App* flowTest = cli.add_subcommand(
      "flow-test", "print one flow test: conditions, notes, records (or its records as CSV)");
  flowTest
      ->add_option("FILE", testSource.path,
                   "DOS test file (.SY), SY3 file, test database or CSV file (.csv)")
      ->required();
  flowTest->add_option("--test", testSource.test, "name of the test in the SY3 file");
  flowTest->add_option_function<std::int32_t>(
      "--kind",
      [&testSource](const std::int32_t& k) {
        testSource.kind = k;
        testSource.kindGiven = true;
      },
      "full test kind of the test in the SY3 file");
  flowTest->add_option_function<std::int32_t>(
      "--test-id",
      [&testSource](const std::int32_t& id) {
        testSource.testId = id;
        testSource.testIdGiven = true;
      },
      "identifier (\"Test No.\") of the test in the test database");
  AddCsvFlowOptions(*flowTest, flowTestOpt.csv);
  flowTest->add_flag("--csv", flowTestOpt.exportCsv,
                     "write the test's lift, corrected flow, test depression and swirl as CSV, "
                     "with a header naming the units");
  flowTest->add_option("-o,--output", flowTestOpt.output,
                       "CSV file to write (with --csv) instead of standard output");
  addNoCache(*flowTest);

  LobesOptions lobesOpt;
  CLI::App* lobes = cli.add_subcommand(
      "lobes",
      "list the cam files of a folder and their lobes, as the cam dialog shows them, or with "
      "--card the cam card of every lobe");
  lobes->add_option("DIR", lobesOpt.path, "folder (with --card also one cam file)")->required();
  lobes->add_flag("--card", lobesOpt.card, "one row of cam card figures per lobe");
  lobes->add_option("--engine", lobesOpt.enginePath,
                    "ENGINE.OV: the engine the lobes are placed in (default the built-in engine)");
  lobes->add_option("--units", lobesOpt.units, "unit system of the figures and of --check, --lash")
      ->check(CLI::IsMember({"english", "metric", "metric-m3"}));
  auto optionalDouble = [](std::optional<double>& target) {
    return [&target](const double& v) { target = v; };
  };
  lobes->add_option_function<double>("--rocker-ratio", optionalDouble(lobesOpt.rockerRatio),
                                     "rocker ratio for every lobe instead of the engine's");
  lobes->add_option_function<double>("--lash", optionalDouble(lobesOpt.lash),
                                     "lash for every lobe instead of the engine's");
  lobes->add_option_function<double>(
      "--centerline", optionalDouble(lobesOpt.centerline),
      "lobe centerline for every lobe instead of the engine's: crank degrees after TDC for "
      "intake lobes, before TDC for exhaust lobes");
  lobes->add_option("--check", lobesOpt.check,
                    "H,H,...: check heights (default 0.006,0.050,0.200 in)");
  lobes->add_option("--sort", lobesOpt.sort, "column to sort the rows by (ascending)");
  lobes->add_flag("--reverse", lobesOpt.reverse, "sort descending");
  lobes->add_flag("--csv", lobesOpt.csv, "print CSV instead of a table");
  lobes->add_option("--data-root", lobesOpt.dataRoot,
                    "DIR: the data root (default $ORVANTIS_DATA_ROOT, else $HOME/Orvantis)");

  EngineRequest cardReq;
  CardOptions cardOpt;
  CLI::App* card = cli.add_subcommand(
      "card", "print the cam card of both lobes: lift, durations, events, overlap, separation");
  AddEngineOptions(*card, cardReq);
  addNoCache(*card);
  card->add_option("--check", cardOpt.check,
                   "H,H,...: check heights in the unit system (default 0.006,0.050,0.200 in)");
  card->add_flag("--json", cardOpt.json, "print the card as JSON");

  EngineRequest explainReq;
  ExplainOptions explainOpt;
  CLI::App* explain = cli.add_subcommand(
      "explain",
      "explain a result or output slot: its formula, numbers and the inputs it rests on");
  explain
      ->add_option("KEY", explainOpt.key,
                   "result name (as dump's \"results\"), page0.N / page1.N, or with --inputs "
                   "an engine-file input key")
      ->required();
  AddEngineOptions(*explain, explainReq);
  addNoCache(*explain);
  explain->add_option("--depth", explainOpt.depth,
                      "levels of the results it uses to explain in turn (default all)");
  explain->add_flag("--inputs", explainOpt.inputs,
                    "KEY is an input: list the results and slots it moves");
  explain->add_flag("--sensitivity", explainOpt.sensitivity,
                    "how far the value moves for one step of each input up and down");
  explain->add_flag("--json", explainOpt.json, "print the explanation as JSON");

  EngineRequest curvesReq;
  double curvesFrom = -360, curvesTo = 360, curvesStep = 1;
  std::string curvesOut;
  CLI::App* curves =
      cli.add_subcommand("curves", "write the 13 per-degree curves as CSV (English units)");
  AddEngineOptions(*curves, curvesReq);
  addNoCache(*curves);
  curves->add_option("--from", curvesFrom, "first crank angle (degrees, default -360)");
  curves->add_option("--to", curvesTo, "last crank angle (degrees, default 360)");
  curves->add_option("--step", curvesStep, "crank angle step (degrees, default 1)");
  curves->add_option("-o,--output", curvesOut, "CSV file to write instead of standard output");

  EngineRequest reportReq;
  ReportOptions reportOpt;
  CLI::App* report = cli.add_subcommand(
      "report", "print a report (general, intake, exhaust, details) or save it with -o");
  report->add_option("KIND", reportOpt.kind, "general, intake, exhaust or details")
      ->required()
      ->check(CLI::IsMember({"general", "intake", "exhaust", "details"}));
  AddEngineOptions(*report, reportReq);
  addNoCache(*report);
  report->add_option("--range", reportOpt.range,
                     "FROM,TO,STEP: crank angles of the intake, exhaust or details report");
  report->add_option("-o,--output", reportOpt.output,
                     "text file to write the report to (CR LF line ends) instead of standard "
                     "output");

  EngineRequest graphReq;
  GraphCommandOptions graphOpt;
  std::string graphSize;
  CLI::App* graph = cli.add_subcommand(
      "graph", "draw the graph view of the engine into a picture (PNG, BMP, SVG or PDF)");
  AddEngineOptions(*graph, graphReq);
  addNoCache(*graph);
  graph->add_option("--tags", graphOpt.tags, "curve codes 1-13 to show, for example 1,5,8")
      ->delimiter(',')
      ->check(CLI::Range(1, 13));
  graph->add_option_function<double>(
      "--cursor",
      [&graphOpt](const double& a) {
        graphOpt.cursor = a;
        graphOpt.cursorGiven = true;
      },
      "crank angle of the cursor line the legend reads (degrees, -360 to 360)");
  graph->add_option("--size", graphSize,
                    "WIDTHxHEIGHT of the picture in pixels (default 1200x800)");
  graph->add_option("-o,--output", graphOpt.output, "picture file: .png, .bmp, .svg or .pdf")
      ->required();

  EngineRequest printReq;
  ReportOptions printReport;
  PrintCommandOptions printOpt;
  CLI::App* print = cli.add_subcommand(
      "print", "print a report's pages (general, intake, exhaust, details) to a PDF file");
  print->add_option("KIND", printReport.kind, "general, intake, exhaust or details")
      ->required()
      ->check(CLI::IsMember({"general", "intake", "exhaust", "details"}));
  AddEngineOptions(*print, printReq);
  addNoCache(*print);
  print->add_option("--range", printReport.range,
                    "FROM,TO,STEP: crank angles of the intake, exhaust or details report");
  print->add_option("--page-size", printOpt.pageSize, "paper size: A4 or Letter (default A4)")
      ->check(CLI::IsMember({"A4", "Letter"}));
  print->add_option("-o,--output", printOpt.output, "PDF file to write")->required();

  AddHelpTexts(cli);
  if (argc == 2 && std::string(argv[1]) == kManPageOption) {
    out << ManPage(cli);
    return 0;
  }
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return cli.exit(e, out, err);
  }

  if (jetRead->parsed()) {
    return static_cast<int>(RunJetRead(jetFile, STDIN_FILENO, jetChannel, err));
  }

  ConsolePrompter prompter(err);
  Application app(prompter);
  JetReaderOptions reader = app.testDatabases().reader();
  reader.executable = readerExecutable;
  app.testDatabases().SetReader(reader);
  if (noCache) app.testDatabases().SetDiskCache({});

  if (flowTests->parsed()) {
    // The dialog's choices and database, as the configuration file keeps them.
    app.SetFolders(Folders{ProgramFolder(), ResolveDataRoot(flowTestsRoot)});
    if (!flowTestsDefaults) ReadSavedSettings(app);
    flowTestsReq.saved = !flowTestsDefaults;
    if (flowTestsReq.file.empty()) {
      flowTestsReq.file = app.settings().flowDatabase;
      std::string reason;
      if (!CheckTestDatabase(flowTestsReq.file, reader, &reason)) {
        err << kDatabaseNeededText << '\n';
        if (flowTestsReq.file.empty()) {
          err << "orvantis: no test database is chosen (configuration value \"FlowWin\")\n";
        } else {
          // Why the path is no file, else why the file is no database.
          std::string why;
          if (const int fd = OpenRegularFile(flowTestsReq.file, &why); fd >= 0) {
            ::close(fd);
            why = flowTestsReq.file + ": " + reason;
          }
          err << "orvantis: " << why << " (configuration value \"FlowWin\")\n";
        }
        return 1;
      }
      return RunDatabaseFlowTests(flowTestsReq, app.testDatabases(), app, out, err);
    }
    if (IsTestDatabaseFile(flowTestsReq.file)) {
      return RunDatabaseFlowTests(flowTestsReq, app.testDatabases(), app, out, err);
    }
    return ListFlowTests(flowTestsReq.file, out, err);
  }

  if (dump->parsed()) {
    if (!PrepareEngine(app, dumpReq, err) || !EngineCalculated(app.document(), true, err)) {
      return 1;
    }
    ETracker guard(kCommandLineModule, "Dump");
    try {
      app.document().FillOutputPagesForReports();
      out << DumpJsonText(app.document()) << '\n';
    } catch (...) {
      app.ReportError(guard);
      return 1;
    }
    return 0;
  }
  if (compare->parsed()) return RunCompare(app, compareOpt, out, err);
  if (sweep->parsed()) return RunSweepCommand(app, sweepReq, sweepOpt, out, err);
  if (curves->parsed()) {
    const std::string rangeError = CheckCurveRange(curvesFrom, curvesTo, curvesStep);
    if (!rangeError.empty()) {
      err << "orvantis: " << rangeError << '\n';
      return 1;
    }
    if (!PrepareEngine(app, curvesReq, err) || !EngineCalculated(app.document(), false, err)) {
      return 1;
    }
    ETracker guard(kCommandLineModule, "Curves");
    std::string csv;
    try {
      csv = CurvesCsv(app.document().engine(), app.document().controller().texts().curveNames,
                      curvesFrom, curvesTo, curvesStep);
    } catch (...) {
      app.ReportError(guard);
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
  if (report->parsed()) {
    reportOpt.unitsGiven = report->get_option("--units")->count() > 0;
    return RunReport(app, reportReq, reportOpt, out, err);
  }
  if (graph->parsed() || print->parsed()) {
    if (shell == nullptr) {
      err << "orvantis: this program was built without its window; it cannot draw graphs or "
             "print\n";
      return 2;
    }
  }
  if (graph->parsed()) {
    if (!graphSize.empty() && !ParsePictureSize(graphSize, graphOpt.width, graphOpt.height)) {
      err << "orvantis: --size needs WIDTHxHEIGHT in pixels (16 to 16384 each), got \"" << graphSize
          << "\"\n";
      return 1;
    }
    if (graphOpt.cursorGiven && !(graphOpt.cursor >= -360 && graphOpt.cursor <= 360)) {
      err << "orvantis: --cursor must lie between -360 and 360 degrees\n";
      return 1;
    }
    if (!PrepareEngine(app, graphReq, err) || !EngineCalculated(app.document(), false, err)) {
      return 1;
    }
    return shell->Graph(app, graphOpt, out, err);
  }
  if (print->parsed()) {
    printReport.unitsGiven = print->get_option("--units")->count() > 0;
    if (!PrepareReport(app, printReq, printReport, err)) return 1;
    printOpt.kind = ReportKindOfName(printReport.kind).value_or(ReportKind::General);
    return shell->Print(app, printOpt, out, err);
  }
  if (card->parsed()) return RunCard(app, cardReq, cardOpt, out, err);
  if (explain->parsed()) return RunExplain(app, explainReq, explainOpt, out, err);
  if (lobes->parsed()) {
    if (lobesOpt.card) return RunLobeCards(app, lobesOpt, out, err);
    for (const char* name : {"--engine", "--units", "--rocker-ratio", "--lash", "--centerline",
                             "--check", "--sort", "--reverse", "--csv", "--data-root"}) {
      if (lobes->get_option(name)->count() > 0) {
        err << "orvantis: " << name << " applies with --card only\n";
        return 1;
      }
    }
    return ListLobeTree(lobesOpt.path, out, err);
  }
  if (flowTest->parsed()) return RunFlowTest(testSource, flowTestOpt, app, out, err);
  return 1;
}

}  // namespace orv
