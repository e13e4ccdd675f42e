#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

struct CliResult {
  int status;
  std::string out;
  std::string err;
  nlohmann::json json() const { return nlohmann::json::parse(out); }
};

CliResult RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), "orvantis");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  std::ostringstream out, err;
  const int status = RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

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
