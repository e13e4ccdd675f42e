#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "airflow/load_test.h"
#include "app/application.h"
#include "app/console_prompter.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/cli_runner.h"
#include "support/sy_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::CliResult;

using test::Cli;

using test::Numbers;

// The sample bench, and a DOS test file holding the same points as its test 1 (lifts 0.1 to
// 0.4 in, corrected flows 60, 120, 170, 210 CFM, swirl 3.5), so that the two sources can be
// compared.
struct Files {
  test::TempDir dir;
  std::string db = (dir / "Bench.mdb").string();
  std::string dos = (dir / "SAME.SY").string();
  Files() {
    test::SampleBench().Write(db);
    test::SyFile f;
    f.version = 'E';
    const float flows[] = {60, 120, 170, 210};
    for (int i = 1; i <= 4; ++i) {
      test::SyRecord r;
      r.lift = static_cast<float>(0.1 * i);
      r.ccfm = flows[i - 1];
      r.swirl = 3.5f;
      r.depr = 28;
      f.records.push_back(r);
    }
    test::WriteSyFile(dos, f);
  }
};

TEST(DatabaseFlowCommands, DumpTakesTheIntakeAirflowCurveFromTheDatabaseTest) {
  Files f;
  const CliResult plain = Cli({"dump"});
  const CliResult fromDb = Cli({"dump", "--intake-flow", f.db, "--intake-test-id", "1"});
  const CliResult fromDos = Cli({"dump", "--intake-flow", f.dos});
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(fromDb.status, 0) << fromDb.err;
  ASSERT_EQ(fromDos.status, 0) << fromDos.err;
  const auto in = fromDb.json()["inputs"];
  EXPECT_EQ(Numbers(in["ILift"]), (std::vector<double>{0, 0.1, 0.2, 0.3, 0.4}));
  EXPECT_EQ(Numbers(in["ICfm"]), (std::vector<double>{0, 60, 120, 170, 210}));
  EXPECT_EQ(in["IAir"], f.db);
  EXPECT_EQ(in["IA_ID"], 1);
  EXPECT_EQ(in["IA_Kd"], 2);
  EXPECT_EQ(in["IA_Name"], "SBC Auto Intake");

  const std::vector<double> curve = Numbers(fromDb.json()["curves"]["8"]);
  ASSERT_EQ(curve.size(), 721u);
  // The same points from a DOS file give the same curve; the default engine's differs.
  EXPECT_EQ(curve, Numbers(fromDos.json()["curves"]["8"]));
  EXPECT_EQ(Numbers(fromDb.json()["curves"]["11"]), Numbers(fromDos.json()["curves"]["11"]));
  EXPECT_NE(curve, Numbers(plain.json()["curves"]["8"]));
  // Beyond the last test lift the flow is that of the last point; a closed valve flows nothing.
  EXPECT_EQ(*std::max_element(curve.begin(), curve.end()), 210.0);
  EXPECT_EQ(*std::min_element(curve.begin(), curve.end()), 0.0);
  // The exhaust side keeps its own airflow.
  EXPECT_EQ(Numbers(fromDb.json()["curves"]["7"]), Numbers(plain.json()["curves"]["7"]));
}

TEST(DatabaseFlowCommands, TheExhaustSideFromTheDatabase) {
  Files f;
  const CliResult d = Cli({"dump", "--exhaust-flow", f.db, "--exhaust-test-id", "7"});
  ASSERT_EQ(d.status, 0) << d.err;
  const auto in = d.json()["inputs"];
  EXPECT_EQ(Numbers(in["ELift"]), (std::vector<double>{0, 0.2, 0.4}));
  EXPECT_EQ(Numbers(in["ECfm"]), (std::vector<double>{0, 100, 175}));
  EXPECT_EQ(in["EA_Kd"], 10);
  EXPECT_EQ(Numbers(in["ILift"]), (std::vector<double>{0}));
}

TEST(DatabaseFlowCommands, DatabaseOptionsAreCheckedAndFailuresReported) {
  Files f;
  std::ofstream(f.dir / "text.mdb") << "only text, no database in this file at all";
  struct Row {
    std::vector<std::string> args;
    const char* message;
  };
  const Row rows[] = {
      {{"dump", "--intake-flow", f.db}, "a test database needs --intake-test-id N"},
      {{"dump", "--exhaust-test-id", "2"}, "need --exhaust-flow"},
      {{"dump", "--intake-flow", f.db, "--intake-test-id", "99"},
       "cannot load the intake flow test 99 from the test database"},
      {{"dump", "--intake-flow", f.db, "--intake-test-id", "1", "--intake-kind", "5"},
       "test 1 of kind 5"},
      {{"dump", "--exhaust-flow", f.db, "--exhaust-test-id", "9"}, "(error -1)"},
      {{"dump", "--intake-flow", (f.dir / "text.mdb").string(), "--intake-test-id", "1"},
       "Error (3343)"},
      {{"dump", "--intake-flow", (f.dir / "none.mdb").string(), "--intake-test-id", "1"},
       "Error (3024)"},
      {{"flow-test", f.db}, "a test database needs --test-id N"},
      {{"flow-test", f.db, "--test-id", "99"}, "cannot read test 99"},
      {{"flow-test", f.db, "--test-id", "1", "--kind", "5"}, "test 1 is of kind 2, not 5"},
  };
  for (const Row& r : rows) {
    const CliResult res = Cli(r.args);
    EXPECT_NE(res.status, 0) << r.message;
    EXPECT_NE(res.err.find(r.message), std::string::npos) << r.message << "\n" << res.err;
  }
}

TEST(DatabaseFlowCommands, FlowTestPrintsOneDatabaseTest) {
  Files f;
  const CliResult r = Cli({"flow-test", f.db, "--test-id", "5"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Test: Manual Pitot\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Kind: 5 By Lift (Manual) (full kind 5)\n"), std::string::npos);
  EXPECT_NE(r.out.find("Date: 2024-04-02\n"), std::string::npos);
  EXPECT_NE(r.out.find("Pitot readings per lift: -1  Record length: 12  Records: 3\n"),
            std::string::npos)
      << r.out;
  const CliResult carb = Cli({"flow-test", f.db, "--test-id", "6", "--kind", "6"});
  ASSERT_EQ(carb.status, 0) << carb.err;
  EXPECT_NE(carb.out.find("Records: 3\n"), std::string::npos) << carb.out;
}

TEST(DatabaseFlowCommands, DocumentKeepsTheDatabaseAndTheCurrentTestOnFailure) {
  Files f;
  std::ostringstream err;
  ConsolePrompter prompter(err);
  Application app(prompter);
  JetReaderOptions reader;
  reader.executable = test::OrvantisProgram();
  app.testDatabases().SetReader(reader);
  std::int32_t kind = kAnyKindOfDatabaseTest;
  ASSERT_EQ(app.document().LoadDatabaseFlowTest(false, f.db, 2, kind), FlowError::Ok) << err.str();
  EXPECT_EQ(kind, 2);
  EXPECT_TRUE(app.document().changed());
  EXPECT_TRUE(app.testDatabases().IsOpen(f.db));
  EXPECT_EQ(app.document().exhaustFlowTest().Name(), "SBC Auto Exhaust");

  const EngineInputs before = app.document().engine().inputs();
  kind = 3;
  EXPECT_EQ(app.document().LoadDatabaseFlowTest(false, f.db, 1, kind),
            FlowError::NotFound);  // test 1 is of kind 2
  EXPECT_EQ(app.document().exhaustFlowTest().Name(), "SBC Auto Exhaust");
  EXPECT_EQ(app.document().engine().inputs().ELift, before.ELift);
  EXPECT_EQ(app.document().engine().inputs().exhaustFlow, before.exhaustFlow);
  EXPECT_EQ(err.str(), "");

  kind = kAnyKindOfDatabaseTest;
  EXPECT_EQ(app.document().LoadDatabaseFlowTest(true, (f.dir / "none.mdb").string(), 1, kind),
            FlowError::NotFound);
  EXPECT_NE(err.str().find("Error (3024)"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("SYDatabase/ReadTest"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace orv
