#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::CliResult;
using test::RunCli;

TEST(DumpCommand, PrintsTheDefaultEngine) {
  const CliResult r = RunCli({"dump"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = r.json();
  EXPECT_NEAR(j["results"]["BoreArea"].get<double>(), 12.7556, 5e-5);
  EXPECT_NEAR(j["results"]["Displacement"].get<double>(), 355.12, 5e-3);
  EXPECT_EQ(j["inputs"]["Bore"].get<double>(), 4.03);
  EXPECT_EQ(j["inputs"]["RecipBF"].get<double>(), 55.1);
  EXPECT_EQ(j["status"].size(), 29u);
  EXPECT_EQ(j["tables"]["PistonPosition"].size(), 361u);
  EXPECT_EQ(j["tables"]["FlowDemand"].size(), 721u);
  EXPECT_FALSE(j["warning"].get<bool>());
  // Every named result, the speed of sound in 1600 F exhaust gas included:
  // sqrt(1.2 x 32.164 x 53.6 x 2060) = 2064.39 ft/s.
  EXPECT_EQ(j["results"].size(), 57u);
  EXPECT_NEAR(j["results"]["HotGasSound"].get<double>(), 2064.39, 0.01);
}

TEST(DumpCommand, SetTypesValuesInOrderAndInTheChosenUnits) {
  const CliResult r = RunCli({"dump", "--units", "metric", "--set", "Bore=101.6", "--set",
                              "EnterAirPP=0", "--set", "IntCFM=300"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = r.json();
  EXPECT_NEAR(j["inputs"]["Bore"].get<double>(), 4.0, 1e-6);
  EXPECT_EQ(j["inputs"]["EnterAirPP"].get<int>(), 0);
  EXPECT_NE(j["inputs"]["PkPwrRPM"].get<double>(), 6800);
  EXPECT_TRUE(j["suggestions"].contains("8"));
}

TEST(DumpCommand, ImpossibleGeometryWarnsAndKeepsThePreviousResults) {
  const auto base = RunCli({"dump"}).json();
  const CliResult r = RunCli({"dump", "--set", "Stroke=6", "--set", "RodLen=6"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = r.json();
  EXPECT_TRUE(j["warning"].get<bool>());
  EXPECT_EQ(j["results"]["PeakTorque"], base["results"]["PeakTorque"]);
  EXPECT_EQ(j["tables"]["PistonPosition"], base["tables"]["PistonPosition"]);
}

TEST(DumpCommand, FailedRecalculationPrintsTheErrorTraceAndFails) {
  const CliResult r = RunCli({"dump", "--set", "CR=1"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("Error (11)    Division by zero"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("ERROR TRACE:"), std::string::npos);
  EXPECT_NE(r.err.find("EngineModel/ReCalc"), std::string::npos);
}

TEST(DumpCommand, BadArgumentsAreRefused) {
  EXPECT_NE(RunCli({"dump", "--set", "NoSuchKey=1"}).status, 0);
  EXPECT_NE(RunCli({"dump", "--set", "Bore"}).status, 0);
  EXPECT_NE(RunCli({"dump", "--units", "furlongs"}).status, 0);
  EXPECT_NE(RunCli({}).status, 0);
}

TEST(DumpCommand, ShowsBothOutputPagesAndEveryCurve) {
  const CliResult r = RunCli({"dump"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = r.json();
  EXPECT_EQ(j["outputs"]["page0"]["21"], "50.93% of 1700 = 865.8");
  EXPECT_EQ(j["outputs"]["page0"]["23"], "1635.8");
  EXPECT_EQ(j["outputs"]["page1"]["57"], "3944");
  EXPECT_NE(j["outputs"]["page0"]["46"], "");  // the balance analysis ran
  EXPECT_FALSE(j["outputs"]["page0"].contains("10"));
  ASSERT_EQ(j["curves"].size(), 13u);
  for (int code = 1; code <= 13; ++code) {
    EXPECT_EQ(j["curves"][std::to_string(code)].size(), 721u) << code;
  }
  EXPECT_EQ(j["curves"]["6"][370].get<double>(), 300);  // crank angle 10
  EXPECT_EQ(j["curves"]["1"][360].get<double>(), 0);    // piston at TDC
  EXPECT_EQ(j["curves"]["1"][540], j["tables"]["PistonPosition"][180]);
  // Crank angle -100 reads the flow demand table at 260 (array index 260 + 360).
  EXPECT_EQ(j["curves"]["5"][260], j["tables"]["FlowDemand"][620]);
  // The intake lobe: 0.399856 in at entry 179 times the rocker ratio 1.85, read at crank
  // angle 107.9 - 4; whole degree 104 is just past it.
  EXPECT_NEAR(j["curves"]["13"][360 + 104].get<double>(), 0.399856 * 1.85, 1e-4);
}

using test::Lines;

using test::Fields;

TEST(CurvesCommand, WritesEveryCurveAtEveryDegree) {
  const CliResult r = RunCli({"curves"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 722u);
  const auto header = Fields(lines[0]);
  ASSERT_EQ(header.size(), 14u);
  EXPECT_EQ(header[0], "Crank Angle");
  EXPECT_EQ(header[1], "Piston Position");
  EXPECT_EQ(header[13], "Intake Valve Lift");
  EXPECT_EQ(Fields(lines[1])[0], "-360");
  EXPECT_EQ(Fields(lines[721])[0], "360");
  const auto tdc = Fields(lines[361]);
  EXPECT_EQ(tdc[0], "0");
  EXPECT_EQ(tdc[1], "0");
  EXPECT_EQ(tdc[6], "300");

  // The same numbers as the dump, read back exactly.
  const auto dump = RunCli({"dump"}).json();
  for (int row : {1, 200, 361, 468, 721}) {
    const auto f = Fields(lines[static_cast<std::size_t>(row)]);
    for (int code = 1; code <= 13; ++code) {
      EXPECT_EQ(std::stod(f[static_cast<std::size_t>(code)]),
                dump["curves"][std::to_string(code)][row - 1].get<double>())
          << row << " " << code;
    }
  }
}

TEST(CurvesCommand, FractionalStepsInterpolate) {
  const CliResult r = RunCli({"curves", "--from", "10", "--to", "11", "--step", "0.25"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 6u);
  const double p10 = std::stod(Fields(lines[1])[1]);
  const double p11 = std::stod(Fields(lines[5])[1]);
  EXPECT_EQ(Fields(lines[2])[0], "10.25");
  EXPECT_NEAR(std::stod(Fields(lines[2])[1]), p10 + (p11 - p10) * 0.25, 1e-12);
  EXPECT_EQ(Fields(lines[5])[0], "11");
}

TEST(CurvesCommand, WritesTheFileItIsGiven) {
  test::TempDir dir;
  const auto path = dir / "curves.csv";
  const CliResult r = RunCli({"curves", "--from", "-2", "--to", "2", "-o", path.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const auto text = ReadWholeFile(path);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(Lines(*text).size(), 6u);
  EXPECT_NE(RunCli({"curves", "-o", (dir / "missing" / "c.csv").string()}).status, 0);
}

TEST(CurvesCommand, RefusesRangesItCannotWrite) {
  EXPECT_NE(RunCli({"curves", "--from", "0", "--to", "400"}).status, 0);
  EXPECT_NE(RunCli({"curves", "--from", "10", "--to", "0"}).status, 0);
  EXPECT_NE(RunCli({"curves", "--step", "0"}).status, 0);
  EXPECT_NE(RunCli({"curves", "--step", "-1"}).status, 0);
  EXPECT_NE(RunCli({"curves", "--step", "1e-9"}).status, 0);
}

TEST(DumpCommand, SaveAndReadRoundTripEngineFiles) {
  test::TempDir dir;
  const std::string a = (dir / "a.OV").string();
  const std::string b = (dir / "b.OV").string();
  const CliResult first =
      RunCli({"dump", "--set", "Bore=4.125", "--set", "Cylinders=6", "--set", "TorqLoss=12.5",
              "--save", a, "--data-root", dir.path().string()});
  ASSERT_EQ(first.status, 0) << first.err;
  const CliResult second = RunCli({"dump", a, "--save", b});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(ReadWholeFile(a), ReadWholeFile(b));
  const auto j = second.json();
  EXPECT_EQ(j["inputs"]["Bore"].get<double>(), 4.125);
  EXPECT_EQ(j["inputs"]["Cylinders"].get<int>(), 6);
  EXPECT_EQ(j["inputs"]["TorqLoss"].get<double>(), 12.5);
  // Float keys are stored in 32 bits: the stroke 3.48 comes back as 3.4800000190734863.
  EXPECT_EQ(j["inputs"]["Stroke"].get<double>(), static_cast<double>(3.48f));
  EXPECT_NEAR(j["results"]["Displacement"].get<double>(),
              first.json()["results"]["Displacement"].get<double>(), 1e-5);
}

TEST(DumpCommand, ReadingAndWritingFailuresExitNonZero) {
  test::TempDir dir;
  { std::ofstream(dir / "foreign.OV") << "[ID]\r\nPurpose = Something\r\n"; }
  struct Row {
    const char* name;
    std::vector<std::string> args;
    const char* message;
  };
  const std::string ro = (dir / "ro.OV").string();
  { std::ofstream(ro) << "old"; }
  std::filesystem::permissions(ro, std::filesystem::perms::owner_read);
  const std::vector<Row> rows = {
      {"missing", {"dump", (dir / "none.OV").string()}, "Error while reading file"},
      {"foreign", {"dump", (dir / "foreign.OV").string()}, "is not an Orvantis engine file."},
      {"read-only target", {"dump", "--save", ro}, "Error while writing file"},
      {"missing folder", {"dump", "--save", (dir / "no" / "x.OV").string()}, "File Not Saved"},
  };
  for (const Row& row : rows) {
    const CliResult r = RunCli(row.args);
    EXPECT_NE(r.status, 0) << row.name;
    EXPECT_TRUE(r.out.empty()) << row.name;
    EXPECT_NE(r.err.find(row.message), std::string::npos) << row.name << ": " << r.err;
  }
  EXPECT_EQ(ReadWholeFile(ro), "old");
}

}  // namespace
}  // namespace orv
