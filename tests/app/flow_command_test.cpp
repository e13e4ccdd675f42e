#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "app/console_prompter.h"
#include "support/cli_runner.h"
#include "support/sy3_writer.h"
#include "support/sy_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::CliResult;
using test::RunCli;

// Files of one DOS test (lifts 0.1..0.4, flows 80..320, swirl 2..8) and of an SY3 file with an
// intake test "PORT A" (kind 5) and an averaged exhaust test "EXH" (kind 2, stored as 102).
struct Files {
  test::TempDir dir;
  std::string dos = (dir / "HEAD1.SY").string();
  std::string sy3 = (dir / "BENCH.SY3").string();
  Files() {
    test::SyFile f;
    f.version = 'E';
    f.notes = "Cylinder 3 intake";
    for (int i = 1; i <= 4; ++i) {
      test::SyRecord r;
      r.lift = 0.1f * float(i);
      r.ccfm = 80.0f * float(i);
      r.swirl = 2.0f * float(i);
      r.depr = 28;
      f.records.push_back(r);
    }
    test::WriteSyFile(dos, f);
    test::Sy3File s;
    s.version = 'B';
    for (const auto& [name, full, kind] :
         {std::tuple<const char*, int, int>{"PORT A", 5, 5}, {"EXH", 102, 2}}) {
      test::Sy3Test t;
      t.name = name;
      t.fullKind = static_cast<std::int16_t>(full);
      t.notes = std::string("Test ") + name;
      t.records = 2;
      for (int r = 0; r <= 2; ++r) {
        test::Sy3Row row;
        row.lift = 0.2f * float(r);
        row.ccfm = 150.0f * float(r);
        row.swirl = 5.0f * float(r);
        row.depr = 28;
        const auto v = test::Sy3RowValues(kind, row, false);
        t.recordLength = static_cast<std::int16_t>(v.size());
        t.data.insert(t.data.end(), v.begin(), v.end());
      }
      s.tests.push_back(t);
    }
    test::WriteSy3File(sy3, s);
  }
};

using test::Numbers;

TEST(FlowCommands, DumpLoadsADosTestAsIntakeFlow) {
  Files f;
  const CliResult r = RunCli({"dump", "--intake-flow", f.dos});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto in = r.json()["inputs"];
  EXPECT_EQ(Numbers(in["ILift"]), (std::vector<double>{0, 0.1, 0.2, 0.3, 0.4}));
  EXPECT_EQ(Numbers(in["ICfm"]), (std::vector<double>{0, 80, 160, 240, 320}));
  EXPECT_EQ(Numbers(in["ISwirl"]), (std::vector<double>{0, 2, 4, 6, 8}));
  EXPECT_EQ(in["IAir"], f.dos);
  EXPECT_EQ(in["IA_Kd"], 5);
  EXPECT_EQ(in["IA_ID"], -1);
  EXPECT_EQ(Numbers(in["ELift"]), (std::vector<double>{0}));
}

TEST(FlowCommands, DumpLoadsSy3TestsForBothSides) {
  Files f;
  const CliResult r =
      RunCli({"dump", "--intake-flow", f.sy3, "--intake-test", "PORT A", "--intake-kind", "5",
              "--exhaust-flow", f.sy3, "--exhaust-test", "EXH", "--exhaust-kind", "102"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto in = r.json()["inputs"];
  EXPECT_EQ(Numbers(in["ILift"]), (std::vector<double>{0, 0.2, 0.4}));
  EXPECT_EQ(Numbers(in["ICfm"]), (std::vector<double>{0, 150, 300}));
  EXPECT_EQ(Numbers(in["ISwirl"]), (std::vector<double>{0, 5, 10}));
  EXPECT_EQ(Numbers(in["ELift"]), (std::vector<double>{0, 0.2, 0.4}));
  EXPECT_EQ(Numbers(in["ECfm"]), (std::vector<double>{0, 150, 300}));
  EXPECT_EQ(in["IA_Name"], "PORT A");
  EXPECT_EQ(in["EA_Name"], "EXH");
  EXPECT_EQ(in["EA_Kd"], 102);
}

TEST(FlowCommands, FlowOptionsAreCheckedAndFailuresReported) {
  Files f;
  struct Row {
    std::vector<std::string> args;
    const char* message;
  };
  const Row rows[] = {
      {{"dump", "--intake-flow", f.sy3}, "needs --intake-test NAME and --intake-kind K"},
      {{"dump", "--exhaust-flow", f.sy3, "--exhaust-test", "EXH"}, "--exhaust-kind K"},
      {{"dump", "--intake-test", "PORT A"}, "need --intake-flow"},
      {{"dump", "--intake-flow", f.sy3, "--intake-test", "PORT A", "--intake-kind", "2"},
       "(error -1)"},
      {{"dump", "--intake-flow", (f.dir / "NONE.SY").string()}, "(error -1)"},
      {{"dump", "--exhaust-flow", (f.dir / "NONE.SY3").string(), "--exhaust-test", "X",
        "--exhaust-kind", "5"},
       "(error 2)"},
      {{"flow-tests", f.dos}, "(error -1)"},
      {{"flow-test", f.sy3}, "needs --test NAME and --kind K"},
      {{"flow-test", f.sy3, "--test", "EXH", "--kind", "2"}, "(error -1)"},
  };
  for (const Row& r : rows) {
    const CliResult res = RunCli(r.args);
    EXPECT_NE(res.status, 0) << r.args[1];
    EXPECT_NE(res.err.find(r.message), std::string::npos) << res.err;
  }
}

TEST(FlowCommands, ListsTheTestsOfAnSy3File) {
  Files f;
  const CliResult r = RunCli({"flow-tests", f.sy3});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "PORT A\t5\nEXH\t102\n");
}

TEST(FlowCommands, PrintsOneTest) {
  Files f;
  const CliResult dos = RunCli({"flow-test", f.dos});
  ASSERT_EQ(dos.status, 0) << dos.err;
  EXPECT_NE(dos.out.find("Kind: 5 By Lift (Manual) (full kind 5)\n"), std::string::npos);
  EXPECT_NE(dos.out.find("Notes:\n  Cylinder 3 intake\n"), std::string::npos) << dos.out;
  EXPECT_NE(dos.out.find("Records: 4\n"), std::string::npos);
  // The table: the lift, flows and depression always, swirl because it holds values.
  EXPECT_NE(dos.out.find("Row  Lift  ACfm  CCfm  Depr  Swirl"), std::string::npos) << dos.out;
  EXPECT_NE(dos.out.find("  4   0.4     0   320    28      8"), std::string::npos) << dos.out;

  const CliResult sy3 = RunCli({"flow-test", f.sy3, "--test", "EXH", "--kind", "102"});
  ASSERT_EQ(sy3.status, 0) << sy3.err;
  EXPECT_NE(sy3.out.find("Test: EXH\n"), std::string::npos);
  EXPECT_NE(sy3.out.find("Kind: 2 By Lift (Auto) (full kind 102)\n"), std::string::npos);
  EXPECT_NE(sy3.out.find("Averaged: yes"), std::string::npos);
  EXPECT_NE(sy3.out.find("  Test EXH\n"), std::string::npos);
}

TEST(FlowCommands, DocumentLoadMarksTheEngineChanged) {
  Files f;
  std::ostringstream err;
  ConsolePrompter prompter(err);
  Application app(prompter);
  std::int32_t kind = 9;
  EXPECT_EQ(app.document().LoadFlowTest(true, f.dos, "", kind), FlowError::Ok);
  EXPECT_EQ(kind, 5);
  EXPECT_TRUE(app.document().changed());
  EXPECT_EQ(app.document().intakeFlowTest().Records(), 4);
  EXPECT_EQ(app.document().exhaustFlowTest().Records(), 0);

  Application untouched(prompter);
  kind = 5;
  EXPECT_EQ(untouched.document().LoadFlowTest(false, f.sy3, "NOPE", kind), FlowError::NotFound);
  EXPECT_FALSE(untouched.document().changed());
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// The airflow and swirl curves follow the loaded test's points at the valve lift of each crank
// angle: the DOS test flows 800 CFM per inch of lift up to 320 CFM at 0.4 in (swirl 20 per inch
// up to 8), the SY3 test 750 CFM per inch up to 300 CFM at 0.4 in (swirl 25 per inch up to 10).
TEST(FlowCommands, AirflowAndSwirlCurvesFollowTheLoadedTest) {
  Files f;
  struct Case {
    std::vector<std::string> args;
    double cfmPerInch, maxCfm, swirlPerInch, maxSwirl;
  };
  const Case cases[] = {
      {{"dump", "--intake-flow", f.dos}, 800, 320, 20, 8},
      {{"dump", "--intake-flow", f.sy3, "--intake-test", "PORT A", "--intake-kind", "5"},
       750,
       300,
       25,
       10},
  };
  for (const Case& c : cases) {
    const CliResult r = RunCli(c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto curves = r.json()["curves"];
    const auto lift = Numbers(curves["13"]);
    const auto flow = Numbers(curves["8"]);
    const auto swirl = Numbers(curves["11"]);
    int opened = 0;
    for (std::size_t k = 0; k < lift.size(); ++k) {
      if (lift[k] > 0) ++opened;
      EXPECT_NEAR(flow[k], std::min(c.cfmPerInch * lift[k], c.maxCfm), 1e-3) << k;
      EXPECT_NEAR(swirl[k], std::min(c.swirlPerInch * lift[k], c.maxSwirl), 1e-4) << k;
    }
    EXPECT_GT(opened, 100);  // the default intake lobe opens the valve over many degrees
  }
}

}  // namespace
}  // namespace orv
