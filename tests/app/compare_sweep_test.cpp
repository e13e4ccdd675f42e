// `orvantis compare` and `orvantis sweep`, and the comparison and sweep models under them: what
// differs when one input differs, the values against `dump`, the grid's rows against `dump
// --set`, and the refusals.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/engine_comparison.h"
#include "app/engine_sweep.h"
#include "app/flow_tests_db_command.h"
#include "base/atomic_file.h"
#include "support/build_paths.h"
#include "support/cli_runner.h"
#include "support/fake_prompter.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

using test::CliResult;
using test::RunCli;

using test::Lines;

using test::Fields;

// Two engine files: the default engine, and the same with a bore of 4.125 in.
class Compare : public ::testing::Test {
 protected:
  Compare() {
    EXPECT_EQ(RunCli({"dump", "--save", a_}).status, 0);
    EXPECT_EQ(RunCli({"dump", "--set", "Bore=4.125", "--save", b_}).status, 0);
  }
  test::TempDir dir_;
  std::string a_ = (dir_ / "A.OV").string();
  std::string b_ = (dir_ / "B.OV").string();
};

TEST_F(Compare, AnEngineWithItselfDiffersInNothing) {
  const CliResult r = RunCli({"compare", a_, a_});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const CliResult j = RunCli({"compare", b_, b_, "--json"});
  EXPECT_EQ(j.status, 0) << j.err;
  EXPECT_TRUE(j.json()["same"].get<bool>());
  EXPECT_TRUE(j.json()["inputs"].empty());
  EXPECT_TRUE(j.json()["results"].empty());
}

TEST_F(Compare, ABoreChangeListsTheBoreAndTheResultsThatDependOnIt) {
  const CliResult r = RunCli({"compare", a_, b_, "--json"});
  ASSERT_EQ(r.status, 1) << r.err;
  const auto j = r.json();
  ASSERT_EQ(j["inputs"].size(), 1u);
  EXPECT_EQ(j["inputs"][0]["key"], "Bore");
  EXPECT_EQ(j["inputs"][0]["a"], "4.030");
  EXPECT_EQ(j["inputs"][0]["b"], "4.125");

  // The bore enters the areas and volumes, the critical rpm (through the reference pin-end
  // weight), the torque and power (through the displacement), the airflows, the port sizes (the
  // piston's swept flow), the bowl velocity (the bowl area is typed), the charge and the
  // exhaust primaries (cylinder volume). It does not enter the crank kinematics, the filling and
  // work models (piston travel, compression ratio, rpm and sound speed only), the inertia (the
  // pin-end weight is only suggested), the typed bowl area and the throat and bowl side made of
  // it, nor the exhaust tube (only suggested).
  const std::set<std::string> expected = {
      "BoreArea",      "SweptVolume",   "SweptVolumeCC",    "ClearanceVolumeCC", "Displacement",
      "StrokePerCC",   "CriticalRPM",   "PeakTorque",       "PeakPower",         "MaxFlowDemand",
      "CarbCFMLow",    "CarbCFMHigh",   "PowerToCritical",  "PortAreaTorque",    "PortAreaPower",
      "PortDiaTorque", "PortDiaPower",  "PortSideTorque",   "PortSidePower",     "BowlVelocity",
      "ChargeVolume",  "ChargePerArea", "PrimaryLenTorque", "PrimaryLenPower"};
  std::set<std::string> listed;
  for (const auto& row : j["results"]) listed.insert(row["name"].get<std::string>());
  // BMEP is torque over displacement: the bore cancels, up to the last bit of the division.
  if (listed.erase("BMEP") == 1) {
    for (const auto& row : j["results"]) {
      if (row["name"] == "BMEP") {
        EXPECT_NEAR(row["a"].get<double>(), row["b"].get<double>(), 1e-12 * row["a"].get<double>());
      }
    }
  }
  EXPECT_EQ(listed, expected);

  // Values and differences are those of `dump` of each file.
  const auto da = RunCli({"dump", a_}).json()["results"];
  const auto db = RunCli({"dump", b_}).json()["results"];
  for (const auto& row : j["results"]) {
    const std::string name = row["name"];
    EXPECT_EQ(row["a"].get<double>(), da[name].get<double>()) << name;
    EXPECT_EQ(row["b"].get<double>(), db[name].get<double>()) << name;
    EXPECT_EQ(row["difference"].get<double>(), db[name].get<double>() - da[name].get<double>());
  }
  // By hand: 4.125 squared x pi / 4 = 13.3640406 in2 against 4.03 as the file holds it.
  for (const auto& row : j["results"]) {
    if (row["name"] == "BoreArea") {
      EXPECT_NEAR(row["b"].get<double>(), 13.3640406, 1e-7);
    }
  }
}

TEST_F(Compare, TheTableShowsDisplayUnitsWithTheSignOfTheDifference) {
  const CliResult r = RunCli({"compare", a_, b_, "--units", "metric"});
  ASSERT_EQ(r.status, 1) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_GE(lines.size(), 3u);
  auto columns = [](std::string a, std::string b, std::string c, std::string d) {
    a.resize(21, ' ');
    b.resize(21, ' ');
    c.resize(21, ' ');
    return a + b + c + d;
  };
  EXPECT_EQ(lines[0], columns("Name", "A", "B", "B - A"));
  // 4.03 in = 102.362 mm, 4.125 in = 104.775 mm, shown with 1 decimal in metric (the English
  // 3 less 2); the difference 2.413 mm.
  EXPECT_EQ(lines[1], columns("Bore", "102.4", "104.8", "+2.4"));
  // The swept volume in cc: 13.36404 in2 x 3.48 in x 16.387064 = 762.11 cc (B) and the
  // displacement in cc is 8 times it.
  bool displacement = false;
  for (const std::string& line : lines) {
    if (line.rfind("Displacement ", 0) == 0) {
      displacement = true;
      std::istringstream in(line.substr(21));
      double a = 0, b = 0;
      in >> a >> b;
      EXPECT_NEAR(b, 8 * 13.3640406 * 3.48 * 16.387064, 0.01);
    }
  }
  EXPECT_TRUE(displacement);
}

TEST_F(Compare, AFileThatIsNoEngineIsRefusedWithStatusTwo) {
  const CliResult r = RunCli({"compare", a_, (dir_ / "missing.OV").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing.OV"), std::string::npos);
}

TEST(CompareModel, ListChoicesAndTablesAreNamedNotSubtracted) {
  test::FakePrompter prompter;
  TestDatabaseCache cache(DefaultJetReaderOptions(), {}, {});
  EngineDocument reference(prompter, cache), current(prompter, cache);
  current.ChooseFuel(1);
  current.TypeIntoBox(kInVE, "95");
  current.engine().inputs().ILift = BoundedArray<float>(0, 2);
  current.engine().inputs().ILift[2] = 0.3f;
  const EngineComparison c = CompareEngines(reference, current, UnitMode::English);
  std::vector<std::string> keys;
  for (const InputDifference& d : c.inputs) keys.push_back(d.key);
  EXPECT_EQ(keys, (std::vector<std::string>{"VE", "Fuel", "ILift"}));
  EXPECT_EQ(c.inputs[0].reference, "106.5");
  EXPECT_EQ(c.inputs[0].current, "95.0");
  EXPECT_EQ(c.inputs[0].differenceText, "-11.5");
  EXPECT_EQ(c.inputs[1].reference, "Gasoline");
  EXPECT_EQ(c.inputs[1].current, "Alcohol");
  EXPECT_TRUE(std::isnan(c.inputs[1].difference));
  EXPECT_EQ(c.inputs[2].reference, "none");
  EXPECT_EQ(c.inputs[2].current, "3 values, highest 0.3");
  // A typed input that differs only beyond the digits its box shows is no change.
  reference.engine().inputs().Stroke = 3.48;
  current.engine().inputs().Stroke = static_cast<float>(3.48);
  EXPECT_NE(reference.engine().inputs().Stroke, current.engine().inputs().Stroke);
  const EngineComparison beyond = CompareEngines(reference, current, UnitMode::English);
  ASSERT_EQ(beyond.inputs.size(), 3u);
  EXPECT_EQ(beyond.inputs[0].key, "VE");
  EXPECT_EQ(ResultUnit("PeakTorque"), UnitKind::Torque);
  EXPECT_EQ(ResultUnit("FillRatio"), UnitKind::None);
}

// --- sweep -----------------------------------------------------------------------------------

TEST(SweepCommand, FiveBoresGiveThePeakTorqueOfDumpWithEachBore) {
  const CliResult r =
      RunCli({"sweep", "--vary", "Bore=4.000:4.100:0.025", "--outputs", "PeakTorque"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Bore,PeakTorque");
  const std::vector<std::string> bores = {"4.000", "4.025", "4.050", "4.075", "4.100"};
  for (std::size_t i = 0; i < bores.size(); ++i) {
    const std::vector<std::string> f = Fields(lines[i + 1]);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0], bores[i]);
    const double dumped =
        RunCli({"dump", "--set", "Bore=" + bores[i]}).json()["results"]["PeakTorque"];
    EXPECT_EQ(std::strtod(f[1].c_str(), nullptr), dumped) << bores[i];
  }
  EXPECT_EQ(r.err, "");
}

TEST(SweepCommand, TwoInputsMakeAGridWithTheSecondVaryingFastest) {
  test::TempDir dir;
  const std::string csv = (dir / "grid.csv").string();
  const CliResult r =
      RunCli({"sweep", "--set", "CR=12", "--vary", "Bore=4.0:4.1:0.1", "--vary",
              "Stroke=3.4:3.5:0.1", "--outputs", "Displacement,PeakPower", "-o", csv});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(ReadWholeFile(csv).value_or(""));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Bore,Stroke,Displacement,PeakPower");
  const std::vector<std::pair<std::string, std::string>> points = {
      {"4.0", "3.4"}, {"4.0", "3.5"}, {"4.1", "3.4"}, {"4.1", "3.5"}};
  for (std::size_t i = 0; i < points.size(); ++i) {
    const std::vector<std::string> f = Fields(lines[i + 1]);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0], points[i].first);
    EXPECT_EQ(f[1], points[i].second);
    // 8 x bore squared x pi / 4 x stroke, by hand (the program's pi 3.141592654), with the
    // typed texts read as 32-bit floats as the entry rule reads them.
    const double bore = std::stof(points[i].first), stroke = std::stof(points[i].second);
    EXPECT_NEAR(std::stod(f[2]), 8 * bore * bore * 3.141592654 / 4 * stroke, 1e-9);
  }
  const auto j = RunCli({"dump", "--set", "CR=12", "--set", "Bore=4.1", "--set", "Stroke=3.5"})
                     .json()["results"];
  EXPECT_EQ(std::stod(Fields(lines[4])[3]), j["PeakPower"].get<double>());
}

TEST(SweepCommand, TheEngineFileMayFollowTheOptionsAndStaysAsItWas) {
  test::TempDir dir;
  const std::string engine = (dir / "Big.OV").string();
  ASSERT_EQ(RunCli({"dump", "--set", "Stroke=3.75", "--save", engine}).status, 0);
  const std::string before = ReadWholeFile(engine).value_or("");
  const CliResult r = RunCli({"sweep", "--vary", "Bore=4.0:4.1:0.1", "--outputs", "SweptVolume",
                              "--outputs", "RodRatio", engine});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Bore,SweptVolume,RodRatio");
  // The file's stroke (3.75, a 32-bit float exactly) and rod (6.0): rod ratio 1.6.
  EXPECT_EQ(std::stod(Fields(lines[1])[2]), 6.0 / 3.75);
  EXPECT_EQ(ReadWholeFile(engine).value_or(""), before);
}

TEST(SweepCommand, PointsThatCannotCompleteAreEmptyAndCounted) {
  // A rod not longer than the stroke (3.48 in) cannot be worked out.
  const CliResult r =
      RunCli({"sweep", "--vary", "RodLen=3.0:4.0:0.5", "--outputs", "PeakTorque,RodRatio"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "3.0,,");
  EXPECT_NE(Fields(lines[2])[1], "");
  // Rod ratio 4.0 / 3.48, by hand.
  EXPECT_NEAR(std::stod(Fields(lines[3])[2]), 4.0 / 3.48, 1e-12);
  EXPECT_NE(r.err.find("1 of 3 points could not be calculated"), std::string::npos) << r.err;
}

TEST(SweepCommand, RefusalsNameTheProblemAndListTheKeys) {
  struct Row {
    std::vector<std::string> args;
    std::string says;
    bool listsKeys;
  };
  const std::vector<Row> rows = {
      {{"--vary", "Boar=4:5:1"}, "no input has the engine-file key \"Boar\"", true},
      {{"--vary", "Bore=4.1:4.0:0.025"}, "holds no value", true},
      {{"--vary", "Bore=4.0:4.1:0"}, "holds no value", true},
      {{"--vary", "Bore=4.0:4.1"}, "needs FROM:TO:STEP", true},
      {{"--vary", "Bore=four:4.1:0.1"}, "must be numbers", true},
      {{"--vary", "Bore"}, "needs KEY=FROM:TO:STEP", true},
      {{"--vary", "Bore=4:5:1", "--vary", "Bore=4:5:1"}, "given twice", false},
      {{"--vary", "Bore=4:5:1", "--vary", "CR=9:10:1", "--vary", "VE=90:100:10"},
       "one or two inputs",
       false},
      {{"--vary", "Bore=4:5:1", "--outputs", "Torque"}, "no result is named \"Torque\"", false},
      // 1001 x 1000 points.
      {{"--vary", "Bore=3:4:0.001", "--vary", "CR=1:1000:1"}, "add --force", false},
  };
  for (const Row& row : rows) {
    std::vector<std::string> args = {"sweep"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 1) << row.says;
    EXPECT_EQ(r.out, "") << row.says;
    EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("E_Lash") != std::string::npos, row.listsKeys) << r.err;
  }
}

// Numbers written with an exponent are typed with the decimals their value needs, and each
// value typed is the value asked for: one the input's box cannot show (it would type another)
// is refused, naming the option. Boxes show their decimals in the chosen unit system; a choice
// takes whole numbers only; TorqLoss has no box and keeps every decimal.
TEST(SweepCommand, EveryValueTypedIsTheValueAskedForOrTheOptionIsRefused) {
  struct Row {
    std::vector<std::string> args;
    std::vector<std::string> typed;  // the first column of each point; none when refused
    std::string refusal;
  };
  const std::vector<Row> rows = {
      {{"--vary", "Bore=4e0:5e0:5e-1"}, {"4.0", "4.5", "5.0"}, ""},
      {{"--vary", "Bore=4.000:4.002:0.001"}, {"4.000", "4.001", "4.002"}, ""},
      // Zeros beyond the box's three decimals add nothing.
      {{"--vary", "Bore=4.00000:4.00100:0.00050"}, {}, "--vary Bore: 0.00050 cannot be typed"},
      {{"--vary", "Bore=4.10000:4.20000:0.10000"}, {"4.100", "4.200"}, ""},
      {{"--vary", "Stroke=3.5e0:3.6e0:1.0e-1"}, {"3.50", "3.60"}, ""},  // 1.0e-1 is 0.10
      {{"--vary", "DeckHeight=1e-5:3e-5:1e-5"},
       {},
       "--vary DeckHeight: 1e-5 cannot be typed into the DeckHeight box, which shows 3 decimals"},
      {{"--vary", "Bore=4.0005:4.0015:0.001"}, {}, "--vary Bore: 4.0005 cannot be typed"},
      // Millimetres: the bore's box shows one decimal.
      {{"--units", "metric", "--vary", "Bore=100:101:0.5"}, {"100.0", "100.5", "101.0"}, ""},
      {{"--units", "metric", "--vary", "Bore=100:101:0.25"},
       {},
       "--vary Bore: 0.25 cannot be typed into the Bore box, which shows 1 decimal"},
      {{"--vary", "Fuel=0:1:0.5"}, {}, "--vary Fuel: 0.5 cannot be typed"},
      {{"--vary", "TorqLoss=1e-7:3e-7:1e-7"}, {"0.0000001", "0.0000002", "0.0000003"}, ""},
  };
  for (const Row& row : rows) {
    std::vector<std::string> args = {"sweep"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    args.insert(args.end(), {"--outputs", "Displacement"});
    const CliResult r = RunCli(args);
    const std::string what = row.args.back();
    if (!row.refusal.empty()) {
      EXPECT_EQ(r.status, 1) << what;
      EXPECT_EQ(r.out, "") << what;
      EXPECT_EQ(r.err.rfind("orvantis: " + row.refusal, 0), 0u) << what << ": " << r.err;
      continue;
    }
    ASSERT_EQ(r.status, 0) << what << ": " << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), row.typed.size() + 1) << what;
    for (std::size_t i = 0; i < row.typed.size(); ++i) {
      EXPECT_EQ(Fields(lines[i + 1])[0], row.typed[i]) << what;
    }
  }
  // The displacement follows the bore typed: 4.5 in, not 4 or 5.
  const CliResult half =
      RunCli({"sweep", "--vary", "Bore=4.5e0:4.5e0:1", "--outputs", "Displacement"});
  ASSERT_EQ(half.status, 0) << half.err;
  EXPECT_EQ(std::stod(Fields(Lines(half.out)[1])[1]),
            RunCli({"dump", "--set", "Bore=4.5"}).json()["results"]["Displacement"].get<double>());
}

// `sweep -o` writes through a temporary file of its own: a link with the name of a fixed
// temporary file is left alone (its target untouched), and a disk that fills (here a file-size
// limit on the program) fails with the reason and leaves the old file as it was.
TEST(SweepCommand, TheOutputIsWrittenWholeOrNotAtAll) {
  test::TempDir dir;
  const std::string csv = (dir / "s.csv").string();
  const fs::path victim = dir / "victim.txt";
  test::WriteText(victim, "untouched");
  fs::create_symlink(victim, csv + ".orvantis-sweep");
  const CliResult r =
      RunCli({"sweep", "--vary", "Bore=4.0:4.1:0.1", "--outputs", "PeakTorque", "-o", csv});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(ReadWholeFile(csv).value_or("")).size(), 3u);
  EXPECT_EQ(ReadWholeFile(victim), "untouched");

  const std::string old = ReadWholeFile(csv).value_or("");
  const std::string command = std::string("ulimit -f 8 && trap '' XFSZ && ") +
                              test::OrvantisProgram() +
                              " sweep --vary Bore=4.000:4.100:0.001 -o '" + csv + "' 2>'" +
                              (dir / "err.txt").string() + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ReadWholeFile(dir / "err.txt"),
            "orvantis: cannot write " + csv + ": write failed: " + std::strerror(EFBIG) + "\n");
  EXPECT_EQ(ReadWholeFile(csv), old);
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 4u);  // s.csv, the link, its target and err.txt: no temporary file
}

TEST(SweepModel, RangesCountTheirValuesAndTypeThemWithTheirDecimals) {
  struct Row {
    std::string text;
    std::uint64_t count;
    std::string first, last;
  };
  const std::vector<Row> rows = {
      {"Bore=4.000:4.100:0.025", 5, "4.000", "4.100"},
      {"Bore=4:4:1", 1, "4", "4"},                // FROM equal to TO: one value
      {"Bore=4.1:4.0:-0.05", 3, "4.10", "4.00"},  // a falling range
      {"VE=0:1:0.1", 11, "0.0", "1.0"},           // tenths that do not add up exactly
      {"Stroke=3:4:0.3", 4, "3.0", "3.9"},        // TO not on a step: left out
      {"PinOff=-0.1:0.1:0.1", 3, "-0.1", "0.1"},
      {"IntTemp=1e1:2e1:5", 3, "10", "20"},
      {"Bore=4e0:5e0:5e-1", 3, "4.0", "5.0"},  // an exponent counts in the decimals
      {"Bore=4.5E0:4.75e+0:25E-2", 2, "4.50", "4.75"},
      {"DeckHeight=1e-5:3e-5:1e-5", 3, "0.00001", "0.00003"},
      {"Stroke=1.50e1:1.60e1:1e0", 2, "15.0", "16.0"},
  };
  for (const Row& row : rows) {
    std::string why;
    const auto axis = ParseSweepAxis(row.text, why);
    ASSERT_TRUE(axis) << row.text << ": " << why;
    EXPECT_EQ(axis->count, row.count) << row.text;
    EXPECT_EQ(axis->Text(0), row.first) << row.text;
    EXPECT_EQ(axis->Text(axis->count - 1), row.last) << row.text;
  }
  // What the values need: FROM and STEP decide, trailing zeros do not count.
  struct Fit {
    std::string text;
    int box;
    bool fits;
    int decimals;  // typed, when it fits
  };
  const std::vector<Fit> fits = {
      {"Bore=4.500:5.000:0.500", 0, false, 0}, {"Bore=4.500:5.000:0.500", 1, true, 1},
      {"Bore=4.000:5.000:1.000", 0, true, 0},  {"Bore=4:4.0001:1", 3, true, 3},
      {"Bore=1e-5:3e-5:1e-5", 4, false, 0},    {"Bore=1e-5:3e-5:1e-5", 5, true, 5},
      {"Bore=1e-5:3e-5:1e-5", -1, true, 5},    {"Bore=0e-99999:1:1", 2, true, 2},
  };
  for (const Fit& fit : fits) {
    std::string why;
    auto axis = ParseSweepAxis(fit.text, why);
    ASSERT_TRUE(axis) << fit.text << ": " << why;
    EXPECT_EQ(FitSweepAxisToBox(*axis, fit.box, why), fit.fits) << fit.text << " " << fit.box;
    if (fit.fits) {
      EXPECT_EQ(axis->decimals, fit.decimals) << fit.text << " " << fit.box;
    }
  }
  std::string why;
  const auto pin = ParseSweepAxis("PinOff=-0.1:0.1:0.1", why);
  EXPECT_EQ(pin->Text(1), "0.0");  // no "-0.0"
  SweepAxis a, b;
  a.count = 1000;
  b.count = 1000;
  EXPECT_EQ(SweepPointCount({a, b}), kSweepPointsWithoutForce);
  b.count = 1001;
  EXPECT_GT(SweepPointCount({a, b}), kSweepPointsWithoutForce);
  const std::vector<std::string> keys = SweepKeys();
  EXPECT_EQ(keys.front(), "Bore");
  EXPECT_EQ(keys.back(), "E_Lash");
  EXPECT_NE(std::find(keys.begin(), keys.end(), "EnterAirPP"), keys.end());
  EXPECT_NE(std::find(keys.begin(), keys.end(), "TorqLoss"), keys.end());
}

}  // namespace
}  // namespace orv
