#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace orv {
namespace {

using test::CliResult;
using test::RunCli;

nlohmann::json Dump(std::vector<std::string> args) {
  args.insert(args.begin(), "dump");
  const CliResult r = RunCli(args);
  EXPECT_EQ(r.status, 0) << r.err;
  return r.json();
}

nlohmann::json Explain(std::vector<std::string> args) {
  args.insert(args.begin(), "explain");
  args.push_back("--json");
  const CliResult r = RunCli(args);
  EXPECT_EQ(r.status, 0) << r.err;
  return r.json();
}

std::set<std::string> Strings(const nlohmann::json& a) {
  std::set<std::string> s;
  for (const auto& x : a) s.insert(x.get<std::string>());
  return s;
}

// Every result dump prints and every slot it shows has an explanation with dump's value.
TEST(ExplainCommand, EveryResultAndSlotOfDumpIsExplainedWithItsValue) {
  const nlohmann::json dump = Dump({"--set", "Fuel=2", "--set", "FiringAngle=0"});
  int results = 0;
  for (const auto& [name, value] : dump["results"].items()) {
    if (name == "HotGasSound") continue;  // a constant of the model, not a result
    const nlohmann::json j =
        Explain({name, "--set", "Fuel=2", "--set", "FiringAngle=0", "--depth", "0"});
    ++results;
    EXPECT_EQ(j["key"], name);
    EXPECT_EQ(j["value"], value) << name;
    EXPECT_FALSE(j["formula"].get<std::string>().empty()) << name;
    EXPECT_TRUE(j["explains"].empty()) << name;
  }
  EXPECT_EQ(results, 56);
  for (const char* page : {"page0", "page1"}) {
    for (const auto& [slot, text] : dump["outputs"][page].items()) {
      const std::string key = std::string(page) + "." + slot;
      const nlohmann::json j =
          Explain({key, "--set", "Fuel=2", "--set", "FiringAngle=0", "--depth", "1"});
      EXPECT_EQ(j["text"], text) << key;
    }
  }
}

TEST(ExplainCommand, DisplacementRestsOnBoreStrokeAndCylindersOnly) {
  const nlohmann::json j = Explain({"Displacement", "--set", "Bore=4.125"});
  EXPECT_EQ(Strings(j["inputs"]), (std::set<std::string>{"Bore", "Stroke", "Cylinders"}));
  EXPECT_EQ(j["formula"], "Number of Cylinders x SweptVolume");
  const nlohmann::json dump = Dump({"--set", "Bore=4.125"});
  EXPECT_EQ(j["value"], dump["results"]["Displacement"]);
  ASSERT_EQ(j["operands"].size(), 2u);
  EXPECT_EQ(j["operands"][0]["from"], "input");
  EXPECT_EQ(j["operands"][0]["key"], "Cylinders");
  EXPECT_EQ(j["operands"][0]["value"], 8);
  EXPECT_EQ(j["operands"][1]["from"], "result");
  EXPECT_EQ(j["operands"][1]["key"], "SweptVolume");
  // The tree goes down to the inputs: SweptVolume, then BoreArea.
  ASSERT_EQ(j["explains"].size(), 1u);
  EXPECT_EQ(j["explains"][0]["key"], "SweptVolume");
  ASSERT_EQ(j["explains"][0]["explains"].size(), 1u);
  EXPECT_EQ(j["explains"][0]["explains"][0]["key"], "BoreArea");
  EXPECT_EQ(j["explains"][0]["explains"][0]["formula"], "Bore x Bore x pi / 4");
  // --depth 1 stops below SweptVolume.
  const nlohmann::json one = Explain({"Displacement", "--depth", "1"});
  EXPECT_TRUE(one["explains"][0]["explains"].empty());
}

TEST(ExplainCommand, UnitsConvertTheValueAndTheOperands) {
  const nlohmann::json english = Explain({"DeckClearance"});
  const nlohmann::json metric = Explain({"DeckClearance", "--units", "metric"});
  EXPECT_EQ(english["unit"], "in");
  EXPECT_EQ(metric["unit"], "mm");
  EXPECT_NEAR(metric["value"].get<double>(), english["value"].get<double>() * 25.4, 1e-9);
  EXPECT_NEAR(metric["operands"][0]["value"].get<double>(), 9.0 * 25.4, 1e-9);  // deck height
  // A slot is the number it shows, in the unit system's own format.
  const nlohmann::json slot = Explain({"page0.2", "--units", "metric"});
  EXPECT_EQ(slot["unit"], "mm");
  EXPECT_EQ(slot["value"], 32.0);
  EXPECT_EQ(slot["text"], Dump({"--units", "metric"})["outputs"]["page0"]["2"]);
}

// A branch-deciding input counts: the doubling of the weights for two banks, the alcohol factor.
TEST(ExplainCommand, BranchDecidingInputsAreInputs) {
  EXPECT_EQ(Strings(Explain({"RecipWeightUsed"})["inputs"]),
            (std::set<std::string>{"FiringAngle", "PinEndWeight"}));
  EXPECT_TRUE(Strings(Explain({"PeakTorque", "--set", "Fuel=1"})["inputs"]).contains("Fuel"));
  EXPECT_TRUE(Strings(Explain({"ChargeVolume"})["inputs"]).contains("VE"));
}

TEST(ExplainCommand, InputsListsWhatAnInputMoves) {
  const CliResult r = RunCli({"explain", "--inputs", "RecipBF", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::set<std::string> moved = Strings(r.json()["results"]);
  EXPECT_EQ(r.json()["input"], "RecipBF");
  // The typed balance factor moves only the distances of the turning points from it.
  EXPECT_TRUE(moved.contains("page0.70"));
  EXPECT_FALSE(moved.contains("BalanceFactor"));
  EXPECT_FALSE(moved.contains("page0.90"));
  const std::set<std::string> bore =
      Strings(RunCli({"explain", "--inputs", "Bore", "--json"}).json()["results"]);
  for (const char* k : {"BoreArea", "Displacement", "PeakPower", "page0.0", "page1.14"}) {
    EXPECT_TRUE(bore.contains(k)) << k;
  }
  EXPECT_FALSE(bore.contains("RodRatio"));
}

TEST(ExplainCommand, SensitivityIsRecalculatedAndSortedLargestFirst) {
  const nlohmann::json j = Explain({"Displacement", "--sensitivity"});
  const nlohmann::json& s = j["sensitivity"];
  ASSERT_EQ(s.size(), 3u);
  // One step of the bore box (0.001 in) moves 8 x pi/4 x stroke x ((b+0.001)^2 - b^2).
  const double b = 4.03, st = 3.48;
  const double bore =
      8 * (4.031 * 4.031 * 3.141592653589793 / 4 * st) - 8 * (b * b * 3.141592653589793 / 4 * st);
  // One cylinder more moves it by a whole cylinder: the largest change comes first.
  EXPECT_EQ(s[0]["input"], "Cylinders");
  EXPECT_EQ(s[0]["step"], 1);
  EXPECT_NEAR(s[0]["up"].get<double>(), b * b * 3.141592653589793 / 4 * st, 1e-7);
  for (const auto& row : s) {
    if (row["input"] == "Bore") {
      EXPECT_EQ(row["step"], 0.001);
      EXPECT_NEAR(row["up"].get<double>(), bore, 1e-7);
      EXPECT_LT(row["down"].get<double>(), 0);
    }
  }
  const double first = std::fabs(s[0]["up"].get<double>());
  for (const auto& row : s) EXPECT_LE(std::fabs(row["up"].get<double>()), first);
}

TEST(ExplainCommand, ErrorsNameTheKeyAndFail) {
  CliResult r = RunCli({"explain", "NoSuchResult"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("\"NoSuchResult\""), std::string::npos) << r.err;
  r = RunCli({"explain", "--inputs", "Bor"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("\"Bor\""), std::string::npos) << r.err;
  r = RunCli({"explain", "PeakPower", "/nonexistent/engine.OV"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("/nonexistent/engine.OV"), std::string::npos) << r.err;
  r = RunCli({"explain", "page2.1"});
  EXPECT_NE(r.status, 0);
}

TEST(ExplainCommand, TextShowsValueFormulaNumbersAndInputs) {
  const CliResult r = RunCli({"explain", "BoreArea"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("BoreArea = 12.75557303 in2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("formula:  Bore x Bore x pi / 4"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("numbers:  4.03 x 4.03 x 3.14159 / 4"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("inputs:   Bore\n"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace orv
