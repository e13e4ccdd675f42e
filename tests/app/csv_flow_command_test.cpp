#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "airflow/csv_flow_test.h"
#include "app/application.h"
#include "app/console_prompter.h"
#include "base/units.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/cli_runner.h"
#include "support/csv_writer.h"
#include "support/file_helpers.h"
#include "support/sy3_writer.h"
#include "support/sy_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::CliResult;
using test::CsvTable;

using test::Cli;

using test::Numbers;

// The table of 32-bit floats as the dump shows it: each in its shortest decimal form, read as
// a JSON number.
std::vector<double> Widened(std::vector<float> values) {
  std::vector<double> d{0.0};
  for (float v : values) {
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), v).ptr;
    d.push_back(std::stod(std::string(text.data(), end)));
  }
  return d;
}

// Files of every source: a DOS test with values that have no short binary form, an SY3 file
// with an intake test "PORT A" (kind 5), an exhaust test "EXH" (kind 2) and a port map "MAP",
// and the sample bench database.
struct Sources {
  test::TempDir dir;
  std::string dos = (dir / "HEAD1.SY").string();
  std::string sy3 = (dir / "BENCH.SY3").string();
  std::string db = (dir / "Bench.mdb").string();
  Sources() {
    test::SyFile f;
    f.version = 'E';
    for (int i = 1; i <= 5; ++i) {
      test::SyRecord r;
      r.lift = 0.1f * float(i) / 3.0f;
      r.ccfm = 80.0f * float(i) / 7.0f;
      r.swirl = 2.1f * float(i);
      r.depr = 28.0f - 0.3f * float(i);
      f.records.push_back(r);
    }
    test::WriteSyFile(dos, f);
    test::Sy3File s;
    s.version = 'B';
    for (const auto& [name, full, kind] :
         {std::tuple<const char*, int, int>{"PORT A", 5, 5}, {"EXH", 2, 2}}) {
      test::Sy3Test t;
      t.name = name;
      t.fullKind = static_cast<std::int16_t>(full);
      t.records = 3;
      for (int r = 0; r <= 3; ++r) {
        test::Sy3Row row;
        row.lift = 0.11f * float(r);
        row.ccfm = 151.3f * float(r);
        row.swirl = kind == 5 ? 5.5f * float(r) : 0.0f;
        row.depr = 25;
        const auto v = test::Sy3RowValues(kind, row, false);
        t.recordLength = static_cast<std::int16_t>(v.size());
        t.data.insert(t.data.end(), v.begin(), v.end());
      }
      s.tests.push_back(t);
    }
    test::Sy3Test map;
    map.name = "MAP";
    map.fullKind = 4;
    map.planeBytes[0] = 0x6B;  // 11 regions
    map.records = 1;
    map.data = {70, 28};
    for (int r = 1; r <= 11; ++r) {
      map.data.push_back(float(r));
      map.data.push_back(float(-r));
    }
    map.recordLength = static_cast<std::int16_t>(map.data.size());
    s.tests.push_back(map);
    test::WriteSy3File(sy3, s);
    test::SampleBench().Write(db);
  }
};

// The flow tables of one side as `dump` shows them.
struct Tables {
  std::vector<double> lift, cfm, swirl;
  bool operator==(const Tables&) const = default;
};

Tables DumpTables(const std::vector<std::string>& source, bool intake) {
  std::vector<std::string> args = {"dump"};
  args.insert(args.end(), source.begin(), source.end());
  const CliResult r = Cli(args);
  EXPECT_EQ(r.status, 0) << r.err;
  if (r.status != 0) return {};
  const auto in = r.json()["inputs"];
  if (intake) return {Numbers(in["ILift"]), Numbers(in["ICfm"]), Numbers(in["ISwirl"])};
  return {Numbers(in["ELift"]), Numbers(in["ECfm"]), {}};
}

TEST(CsvFlowCommands, DumpLoadsCsvTestsOnEitherSide) {
  test::TempDir dir;
  const std::string metric = (dir / "metric.csv").string();
  CsvTable t;
  t.header = {"Lift (mm)", "Flow (m3/min)", "Depression (kPa)", "Swirl"};
  t.rows = {{2.54, 2.0, 7.0, 10.0}, {5.08, 4.0, 7.0, 20.0}};
  test::CsvDialect semicolon;
  semicolon.separator = ';';
  semicolon.decimalComma = true;
  test::WriteCsvFile(metric, t, semicolon);

  const CliResult r = Cli({"dump", "--intake-flow", metric, "--exhaust-flow", metric});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto in = r.json()["inputs"];
  EXPECT_EQ(Numbers(in["ILift"]), Widened({0.1f, 0.2f}));
  EXPECT_EQ(Numbers(in["ICfm"]), Widened({float(2 * kCfmPerM3Min), float(4 * kCfmPerM3Min)}));
  EXPECT_EQ(Numbers(in["ISwirl"]), Widened({10, 20}));
  EXPECT_EQ(Numbers(in["ELift"]), Widened({0.1f, 0.2f}));
  EXPECT_EQ(Numbers(in["ECfm"]), Numbers(in["ICfm"]));
  EXPECT_EQ(in["IAir"], metric);
  EXPECT_EQ(in["EAir"], metric);
  EXPECT_EQ(in["IA_Kd"], kCsvTestKind);
  EXPECT_EQ(in["IA_ID"], -1);
  EXPECT_EQ(in["KbdFlow_I"], false);

  // Without a header: the columns, units and depression given; the flows corrected from 28 to
  // 25 inches of water: 100 · √(25/28) = 94.491118.
  const std::string bare = (dir / "bare.csv").string();
  test::WriteText(bare, "0.1\t100\t9\n0.2\t150\t3\n");
  const CliResult b =
      Cli({"dump", "--exhaust-flow", bare, "--flow-columns", "swirl=3,flow=2,lift=1",
           "--flow-units", "in,cfm", "--flow-depression", "28", "--flow-correct-to", "25"});
  ASSERT_EQ(b.status, 0) << b.err;
  const auto e = b.json()["inputs"];
  EXPECT_EQ(Numbers(e["ELift"]), Widened({0.1f, 0.2f}));
  const std::vector<double> ecfm = Numbers(e["ECfm"]);
  ASSERT_EQ(ecfm.size(), 3u);
  EXPECT_FLOAT_EQ(float(ecfm[1]), 94.491118f);
  EXPECT_FLOAT_EQ(float(ecfm[2]), 141.73668f);
  EXPECT_EQ(Numbers(e["ILift"]), (std::vector<double>{0}));
}

TEST(CsvFlowCommands, ABadRowNamesItsLineAndNothingIsLoaded) {
  test::TempDir dir;
  const std::string bad = (dir / "bad.csv").string();
  test::WriteText(bad, "Lift (in),CFM\n0.1,80\n\n0.3,12O\n0.4,300\n");
  const CliResult r = Cli({"dump", "--intake-flow", bad});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "orvantis: cannot load the intake flow test from " + bad +
                       ": line 4: the flow \"12O\" is not a number\n");

  // In the document: the current test, the tables and the changed mark stay.
  std::ostringstream err;
  ConsolePrompter prompter(err);
  Application app(prompter);
  const EngineInputs before = app.document().engine().inputs();
  const CsvFlowResult failed = app.document().LoadCsvFlowTest(true, bad, {});
  EXPECT_EQ(failed.line, 4);
  EXPECT_FALSE(app.document().changed());
  EXPECT_EQ(app.document().engine().inputs().ILift, before.ILift);
  EXPECT_EQ(app.document().engine().inputs().ICfm, before.ICfm);
  EXPECT_EQ(app.document().engine().inputs().intakeFlow, before.intakeFlow);

  const std::string good = (dir / "good.csv").string();
  test::WriteText(good, "Lift (in),CFM\n0.1,80\n0.3,120\n");
  ASSERT_TRUE(app.document().LoadCsvFlowTest(true, good, {}).ok());
  EXPECT_TRUE(app.document().changed());
  EXPECT_EQ(app.document().intakeFlowTest().Records(), 2);
  EXPECT_EQ(app.document().engine().inputs().ICfm[2], 120.0f);
  EXPECT_EQ(err.str(), "");
}

// Every source exported and read back gives the tables the source itself gives.
TEST(CsvFlowCommands, AnExportedTestOfAnySourceLoadsAsTheSameTables) {
  Sources s;
  struct Case {
    const char* name;
    std::vector<std::string> exportArgs;  // after "flow-test"
    std::vector<std::string> loadArgs;    // the source for dump
    bool intake;
  };
  const std::vector<Case> cases = {
      {"DOS", {s.dos}, {"--intake-flow", s.dos}, true},
      {"SY3 intake",
       {s.sy3, "--test", "PORT A", "--kind", "5"},
       {"--intake-flow", s.sy3, "--intake-test", "PORT A", "--intake-kind", "5"},
       true},
      {"SY3 exhaust",
       {s.sy3, "--test", "EXH", "--kind", "2"},
       {"--exhaust-flow", s.sy3, "--exhaust-test", "EXH", "--exhaust-kind", "2"},
       false},
      {"database",
       {s.db, "--test-id", "1"},
       {"--intake-flow", s.db, "--intake-test-id", "1"},
       true},
  };
  for (const Case& c : cases) {
    const std::string csv = (s.dir / (std::string(c.name) + ".csv")).string();
    std::vector<std::string> args = {"flow-test"};
    args.insert(args.end(), c.exportArgs.begin(), c.exportArgs.end());
    std::vector<std::string> toFile = args;
    toFile.insert(toFile.end(), {"--csv", "-o", csv});
    const CliResult e = Cli(toFile);
    ASSERT_EQ(e.status, 0) << c.name << ": " << e.err;
    EXPECT_EQ(e.out, "") << c.name;
    args.push_back("--csv");
    const CliResult printed = Cli(args);
    EXPECT_EQ(printed.out, test::ReadText(csv)) << c.name;
    EXPECT_EQ(printed.out.rfind("Lift (in),Flow (cfm),Depression (inH2O)", 0), 0u)
        << c.name << ": " << printed.out;

    const Tables original = DumpTables(c.loadArgs, c.intake);
    const Tables back = DumpTables({c.intake ? "--intake-flow" : "--exhaust-flow", csv}, c.intake);
    EXPECT_GE(original.lift.size(), 4u) << c.name;
    EXPECT_TRUE(original == back) << c.name;
  }
  // The DOS test's swirl and depressions went out too: 2.1, 4.2, ... and 27.7, 27.4, ...
  const std::string dosCsv = test::ReadText(s.dir / "DOS.csv");
  EXPECT_NE(dosCsv.find(",27.7,2.1\n"), std::string::npos) << dosCsv;
  // The exhaust test has no swirl: none is written.
  const std::string exhCsv = test::ReadText(s.dir / "SY3 exhaust.csv");
  EXPECT_EQ(exhCsv.substr(0, exhCsv.find('\n')), "Lift (in),Flow (cfm),Depression (inH2O)");
}

TEST(CsvFlowCommands, ACsvTestSavedInAnEngineFileReopensWithItsTables) {
  test::TempDir dir;
  const std::string csv = (dir / "bench.csv").string();
  const std::string engine = (dir / "Bench.OV").string();
  test::WriteText(csv,
                  "Lift (in),Corrected CFM,Depression,Swirl\n"
                  "0.1,101.234,28,12.6\n0.25,150.556,28,7.4\n0.4,200,28,-3.7\n");
  const CliResult saved =
      Cli({"dump", "--intake-flow", csv, "--exhaust-flow", csv, "--save", engine});
  ASSERT_EQ(saved.status, 0) << saved.err;
  const CliResult reopened = Cli({"dump", engine});
  ASSERT_EQ(reopened.status, 0) << reopened.err;
  const auto in = reopened.json()["inputs"];
  // The engine file keeps lifts with 4 decimals, flows with 2 and swirl as whole numbers.
  EXPECT_EQ(Numbers(in["ILift"]), Widened({0.1f, 0.25f, 0.4f}));
  EXPECT_EQ(Numbers(in["ICfm"]), Widened({101.23f, 150.56f, 200.0f}));
  EXPECT_EQ(Numbers(in["ISwirl"]), Widened({13, 7, -4}));
  EXPECT_EQ(Numbers(in["ELift"]), Widened({0.1f, 0.25f, 0.4f}));
  EXPECT_EQ(Numbers(in["ECfm"]), Widened({101.23f, 150.56f, 200.0f}));
  EXPECT_EQ(in["IAir"], csv);
  EXPECT_EQ(in["IA_Kd"], kCsvTestKind);
  EXPECT_EQ(in["IA_ID"], -1);
  EXPECT_EQ(in["EAir"], csv);
}

TEST(CsvFlowCommands, MistakesAreRefusedWithTheirReason) {
  Sources s;
  const std::string bare = (s.dir / "bare.csv").string();
  test::WriteText(bare, "0.1,80\n0.2,160\n");
  const std::string out = (s.dir / "out.csv").string();
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {"no header",
       {"dump", "--intake-flow", bare},
       "orvantis: cannot load the intake flow test from " + bare +
           ": the file has no header line naming its columns; the lift and flow columns must be "
           "given (--flow-columns lift=N,flow=N[,depression=N][,swirl=N])\n"},
      {"bad columns",
       {"dump", "--intake-flow", bare, "--flow-columns", "lift=1"},
       "orvantis: --flow-columns: the lift and flow columns must both be given (lift=N,flow=N)\n"},
      {"bad units",
       {"flow-test", bare, "--flow-columns", "lift=1,flow=2", "--flow-units", "ft"},
       "orvantis: --flow-units: unknown unit \"ft\""},
      {"CSV options without CSV",
       {"dump", "--intake-flow", s.dos, "--flow-depression", "28"},
       "orvantis: --flow-columns, --flow-units, --flow-depression and --flow-correct-to apply "
       "to a CSV flow test"},
      {"CSV options on flow-test of a DOS file",
       {"flow-test", s.dos, "--flow-units", "mm"},
       "orvantis: --flow-columns, --flow-units, --flow-depression and --flow-correct-to apply "
       "to a CSV file\n"},
      {"SY3 options with CSV",
       {"dump", "--intake-flow", bare, "--intake-test", "X"},
       "orvantis: --intake-test and --intake-kind apply to an SY3 file, not to a CSV file\n"},
      {"output without --csv",
       {"flow-test", s.dos, "-o", out},
       "orvantis: -o writes the test as CSV; add --csv\n"},
      {"port map",
       {"flow-test", s.sy3, "--test", "MAP", "--kind", "4", "--csv", "-o", out},
       "orvantis: cannot write the flow test from " + s.sy3 +
           " as CSV: a port-map test has no records by lift to export\n"},
      {"output is a folder",
       {"flow-test", s.dos, "--csv", "-o", s.dir.path().string()},
       "orvantis: cannot write " + s.dir.path().string() + ": "},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_EQ(r.out, "") << c.name;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.name << ": " << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CsvFlowCommands, FlowTestPrintsACsvTest) {
  test::TempDir dir;
  const std::string csv = (dir / "bench.csv").string();
  test::WriteText(csv, "Lift,CFM@28\n0.1,50\n0.2,95.5\n");
  const CliResult r = Cli({"flow-test", csv});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("File: " + csv + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Kind: 10 By Lift (Keyed In CFM)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Records: 2\n"), std::string::npos) << r.out;
  const CliResult e = Cli({"flow-test", csv, "--csv"});
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.out, "Lift (in),Flow (cfm),Depression (inH2O)\n0.1,50,28\n0.2,95.5,28\n");
}

}  // namespace
}  // namespace orv
