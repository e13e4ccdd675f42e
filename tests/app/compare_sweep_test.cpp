// `orvantis compare` and `orvantis sweep`, and the comparison and sweep models under them: what
// differs when one input differs, the values against `dump`, the grid's rows against `dump
// --set`, and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/engine_comparison.h"
#include "app/engine_sweep.h"
#include "app/flow_tests_db_command.h"
#include "base/atomic_file.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::CliResult;
using test::RunCli;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, ',')) fields.push_back(field);
  if (!line.empty() && line.back() == ',') fields.push_back("");
  return fields;
}

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
  class Silent final : public Prompter {
    void Warn(const std::string&, const std::string&) override {}
    void Inform(const std::string&, const std::string&) override {}
    Answer AskYesNoCancel(const std::string&, const std::string&) override {
      return Answer::Cancel;
    }
    void Beep() override {}
  } prompter;
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
  };
  for (const Row& row : rows) {
    std::string why;
    const auto axis = ParseSweepAxis(row.text, why);
    ASSERT_TRUE(axis) << row.text << ": " << why;
    EXPECT_EQ(axis->count, row.count) << row.text;
    EXPECT_EQ(axis->Text(0), row.first) << row.text;
    EXPECT_EQ(axis->Text(axis->count - 1), row.last) << row.text;
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
