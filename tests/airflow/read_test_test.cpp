#include "airflow/read_test.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "airflow/test_database.h"
#include "airflow/test_database_cache.h"
#include "base/error_trace.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/fake_prompter.h"
#include "support/reader_scripts.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::BenchDatabase;
using test::JetColumn;
using test::JetNull;
using test::JetType;
using test::TempDir;
using I = std::int64_t;

using test::ReaderOf;

struct Outcome {
  bool ok = false;
  FlowTest test;
  std::string report;  // the error message handed on, if any
};

Outcome ReadOne(TestDatabase& db, std::int32_t id) {
  Outcome o;
  o.test.TestID = id;
  test::FakePrompter prompter;
  o.ok = ReadTest(o.test, db, &prompter);
  if (!prompter.warnings.empty()) o.report = prompter.warnings.back();
  return o;
}

// Writes `bench` and reads test `id` from it through a cache of its own.
Outcome ReadFromBench(const BenchDatabase& bench, std::int32_t id) {
  TempDir dir;
  const auto file = dir / "bench.mdb";
  bench.Write(file);
  TestDatabaseCache cache(ReaderOf());
  Outcome o;
  o.test.TestID = id;
  test::FakePrompter prompter;
  o.ok = ReadTest(o.test, file, cache, &prompter);
  if (!prompter.warnings.empty()) o.report = prompter.warnings.back();
  return o;
}

// The sample bench, opened once for the tests that only read it.
class ReadSampleBench : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    test::SampleBench().Write(*dir_ / "bench.mdb");
    db_ = std::make_unique<TestDatabase>(*dir_ / "bench.mdb", ReaderOf());
  }
  static void TearDownTestSuite() {
    db_.reset();
    dir_.reset();
  }
  static Outcome Read(std::int32_t id) { return ReadOne(*db_, id); }

 private:
  static std::unique_ptr<TempDir> dir_;
  static std::unique_ptr<TestDatabase> db_;
};
std::unique_ptr<TempDir> ReadSampleBench::dir_;
std::unique_ptr<TestDatabase> ReadSampleBench::db_;

TEST_F(ReadSampleBench, TestRowColumnsAndTheDefaultsOfNullOnes) {
  const Outcome r = Read(1);
  ASSERT_TRUE(r.ok) << r.report;
  const FlowTest& t = r.test;
  const TestCondition& c = t.Condition;
  EXPECT_TRUE(t.InDB);
  EXPECT_EQ(t.TestID, 1);
  EXPECT_EQ(c.Kind(), 2);
  EXPECT_EQ(t.Name(), "SBC Auto Intake");
  EXPECT_EQ(c.HeadDescription, "Head of test 1");
  EXPECT_EQ(c.HeadMfg, "Brodix");
  EXPECT_EQ(c.HeadModelNo, "Track 1");
  EXPECT_EQ(c.HeadSerialNo, "SN100");
  EXPECT_EQ(c.CylinderNo, 1);
  EXPECT_EQ(t.CustomerID, 1);
  ASSERT_TRUE(c.TheDate.has_value());
  EXPECT_EQ(*c.TheDate, (CivilDate{2024, 3, 14}));
  EXPECT_EQ(c.TheTime, "10:15");
  EXPECT_EQ(t.Operator, "Bob");
  EXPECT_EQ(t.Notes(), "Ported by hand\r\nSecond line of notes\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
  EXPECT_EQ(t.AvgCfm, 210.5f);
  EXPECT_EQ(t.MaxCfm, 265.25f);
  EXPECT_EQ(t.PlotColor, 255);
  EXPECT_EQ(c.CustomData(1), "stage 1");
  EXPECT_EQ(c.CustomData(2), "");
  EXPECT_EQ(c.HumidityMethod, -1);  // "UseRH" true
  // NULL in the database: the reader's defaults.
  EXPECT_EQ(c.Barometer, 29.92f);
  EXPECT_EQ(c.Leakage, 0.0f);
  EXPECT_EQ(c.Humidity, 0.0f);
  EXPECT_EQ(c.WetBulb, 59.0f);
  EXPECT_EQ(c.DryBulb, 70.0f);
  EXPECT_EQ(c.WeatherCorrection, 0);
  EXPECT_EQ(c.StdFlowMethod, 0);
  EXPECT_EQ(c.SwirlTumble, 0);
  EXPECT_EQ(c.FudgeFactor, 1.0f);
  EXPECT_EQ(t.BenchKind, 2);
  EXPECT_EQ(t.IntakeRangeCal(1), 0.0f);
  EXPECT_EQ(t.ExhaustRangeCal(12), 0.0f);
  EXPECT_EQ(c.CustomData(26), "");
}

TEST_F(ReadSampleBench, TheKindTableGivesLiftsValvesAndSide) {
  const Outcome r = Read(1);
  ASSERT_TRUE(r.ok) << r.report;
  const TestCondition& c = r.test.Condition;
  EXPECT_TRUE(c.IsIntake);
  EXPECT_EQ(c.Lift(1), 0.1f);
  EXPECT_EQ(c.Lift(4), 0.4f);
  EXPECT_EQ(c.Lift(5), 0.0f);
  EXPECT_EQ(c.HeadIntakePer, 1);
  EXPECT_EQ(c.HeadIntakeVDia, 2.02f);
  EXPECT_EQ(c.HeadExhaustVDia, 1.6f);
  // Columns the row leaves NULL.
  EXPECT_EQ(c.HeadIntakeStemDia, 0.3445f);
  EXPECT_EQ(c.HeadIntakeProfileDia, 0.25f);
  EXPECT_EQ(c.HeadIntakeSeatAngle, 45.0f);
  EXPECT_EQ(c.HeadIntakeSeatWidth, 0.1f);
  EXPECT_EQ(c.HeadIntakeInnerDia, 1.35f);
  EXPECT_EQ(c.HeadExhaustPer, 1);
  EXPECT_EQ(c.HeadExhaustStemDia, 0.3445f);
  EXPECT_EQ(c.HeadExhaustInnerDia, 1.55f);
  EXPECT_EQ(c.HeadExhaustSeatAngle, 45.0f);
  EXPECT_EQ(c.HeadIntakeXArea1, 0.0f);
  EXPECT_EQ(c.HeadExhaustMargin, 0.0f);
  // The edge codes come from the margin columns, which are NULL here.
  EXPECT_EQ(c.HeadIntakeEdge, 0);
  EXPECT_EQ(c.HeadExhaustEdge, 0);
  EXPECT_FALSE(Read(2).test.Condition.IsIntake);
}

TEST_F(ReadSampleBench, EveryKindGetsItsRecords) {
  struct Row {
    std::int32_t id;
    std::int32_t kind;
    bool intake;
    int records;
    int recordLength;
    float lift1;  // Lift(1) of the condition: a lift or a depression
    float firstRecordLift;
    float lastRecordCfm;
  };
  const Row rows[] = {
      {1, 2, true, 4, 11, 0.1f, 0.1f, 210},   {2, 2, false, 3, 11, 0.0f, 0.1f, 130},
      {3, 3, true, 3, 10, 10.0f, 0.45f, 250}, {5, 5, true, 3, 12, 0.1f, 0.1f, 240},
      {6, 6, true, 3, 11, 1.5f, 7.0f, 750},   {7, 10, false, 2, 9, 0.0f, 0.2f, 175},
      {8, 5, false, 2, 11, 0.0f, 0.3f, 0.0f},
  };
  for (const Row& row : rows) {
    const Outcome r = Read(row.id);
    ASSERT_TRUE(r.ok) << row.id << r.report;
    const FlowTest& t = r.test;
    EXPECT_EQ(t.Condition.Kind(), row.kind) << row.id;
    EXPECT_EQ(t.Condition.IsIntake, row.intake) << row.id;
    EXPECT_EQ(t.Records(), row.records) << row.id;
    EXPECT_EQ(t.RecordLength(), row.recordLength) << row.id;
    EXPECT_EQ(t.Condition.Lift(1), row.lift1) << row.id;
    EXPECT_EQ(t.FlowData(1, kColLift), row.firstRecordLift) << row.id;
    EXPECT_EQ(t.FlowData(row.records, kColCCfm), row.lastRecordCfm) << row.id;
    // Row 0 stays the origin.
    EXPECT_EQ(t.FlowData(0, kColCCfm), 0.0f) << row.id;
  }
}

TEST_F(ReadSampleBench, ByLiftColumnsGoToTheirRecordColumns) {
  const Outcome r = Read(1);
  ASSERT_TRUE(r.ok) << r.report;
  const FlowTest& t = r.test;
  EXPECT_EQ(t.FlowData(2, kColLift), 0.2f);
  EXPECT_EQ(t.FlowData(2, kColCCfm), 120.0f);
  EXPECT_EQ(t.FlowData(2, kColACfm), static_cast<float>(120 * 0.98));
  EXPECT_EQ(t.FlowData(2, kColDepr), 28.0f);
  EXPECT_EQ(t.FlowData(2, kColActualDepr), 27.9f);
  EXPECT_EQ(t.FlowData(2, kCurveRange), 2.0f);
  EXPECT_EQ(t.FlowData(2, kColTemperature1), 71.0f);
  EXPECT_EQ(t.FlowData(2, kColTemperature2), 70.5f);
  EXPECT_EQ(t.FlowData(2, kColSwirl), 3.5f);
  EXPECT_EQ(t.FlowData(2, kCurveMano), 0.0f);
  EXPECT_EQ(t.FlowData(2, kColAux), 0.0f);
  EXPECT_EQ(t.FlowData(2, kCurveTumbleLeft), 0.0f);
  EXPECT_EQ(t.FlowData(2, kCurveTumbleRight), 0.0f);
  // A test by lift (auto) gets no ideal flows.
  EXPECT_EQ(t.FlowData(2, kColStdFlow), 0.0f);
}

TEST_F(ReadSampleBench, NullReadingsTakeTheirDefaults) {
  const Outcome r = Read(8);  // its second row has nothing but "TestID" and "ItemNo"
  ASSERT_TRUE(r.ok) << r.report;
  const FlowTest& t = r.test;
  EXPECT_EQ(t.FlowData(2, kColLift), 0.0f);
  EXPECT_EQ(t.FlowData(2, kColTemperature1), 70.0f);
  EXPECT_EQ(t.FlowData(2, kColTemperature2), 70.0f);
  EXPECT_EQ(t.FlowData(2, kColDepr), 28.0f);
  EXPECT_EQ(t.FlowData(2, kColActualDepr), 28.0f);
  EXPECT_EQ(t.FlowData(2, kCurveRange), 1.0f);
  EXPECT_EQ(t.FlowData(2, kColCCfm), 0.0f);
}

TEST_F(ReadSampleBench, ManualTestWithPitotPerLift255) {
  const Outcome r = Read(5);
  ASSERT_TRUE(r.ok) << r.report;
  const FlowTest& t = r.test;
  EXPECT_EQ(t.Condition.PitotPerLift, -1);
  EXPECT_FALSE(t.Condition.UseLDRatio);
  EXPECT_EQ(t.RecordLength(), 12);
  // The rows come as ItemNo 3, 1, 2: the records follow "ItemNo".
  for (int record = 1; record <= 3; ++record) {
    EXPECT_EQ(t.FlowData(record, kColLift), static_cast<float>(0.1 * record)) << record;
    EXPECT_EQ(t.FlowData(record, kColCCfm), 80.0f * static_cast<float>(record)) << record;
    for (int n = 1; n <= 12; ++n) {
      EXPECT_EQ(t.FlowData(record, kColPitot1 + n - 1), 10.0f * static_cast<float>(record) + n)
          << record << " pitot " << n;
    }
  }
  // Ideal flow of the curtain area at 28 in of water: sqrt(423.943) * 196.8 / 144 * pi * D * L
  // * sqrt(28), D = 2.25 in, one valve (the count is NULL).
  const double ideal[] = {0, 105.25136645760485, 210.5027329152097, 315.75409937281444};
  for (int record = 1; record <= 3; ++record) {
    EXPECT_NEAR(t.FlowData(record, kColStdFlow), ideal[record], 2e-4 * ideal[record]);
    EXPECT_NEAR(t.FlowData(record, kColValveDC), 0.76008514, 2e-6);
  }
}

TEST_F(ReadSampleBench, CarburetorRowsAreRecordsInQueryOrder) {
  const Outcome r = Read(6);
  ASSERT_TRUE(r.ok) << r.report;
  const FlowTest& t = r.test;
  const TestCondition& c = t.Condition;
  EXPECT_EQ(t.Records(), 3);
  const float venturi[] = {7, 3, 9};
  for (int record = 1; record <= 3; ++record) {
    const float k = static_cast<float>(record);
    EXPECT_EQ(t.FlowData(record, kColLift), venturi[record - 1]);
    EXPECT_EQ(t.FlowData(record, kColDepr), 1.5f * k);
    EXPECT_EQ(t.FlowData(record, kColCCfm), 250.0f * k);
    EXPECT_EQ(t.FlowData(record, kColBooster), 0.5f + k - 1);
    EXPECT_EQ(t.FlowData(record, kColActualDepr), 20.4f);
    EXPECT_EQ(t.FlowData(record, kColTemperature1), 70.0f);
    EXPECT_EQ(t.FlowData(record, kCurveRange), 1.0f);
  }
  EXPECT_EQ(c.Lift(1), 1.5f);
  EXPECT_EQ(c.Lift(3), 6.0f);
  EXPECT_EQ(c.Lift(4), 0.0f);
  EXPECT_EQ(c.CarbVenturis, 4);
  EXPECT_EQ(c.CarbJetSize, 72.0f);
  EXPECT_EQ(c.CarbJetMethod, 0);
  EXPECT_EQ(c.CarbRestrictor, 0.0f);
  EXPECT_EQ(c.CarbAirBleed, 0.1f);
  EXPECT_EQ(c.CarbPrimaryVenturi, 1.0f);
  EXPECT_EQ(c.CarbPrimaryBody, 2.0f);
  EXPECT_EQ(c.CarbPrimaryBoosterID, 0.375f);
  EXPECT_EQ(c.CarbPrimaryBoosterOD, 0.625f);
  EXPECT_EQ(c.CarbSecondaryVenturi, 1.0f);
  EXPECT_EQ(c.CarbSecondaryBody, 2.0f);
  EXPECT_EQ(c.CarbSecondaryBoosterID, 0.375f);
  EXPECT_EQ(c.CarbSecondaryBoosterOD, 0.625f);
}

TEST_F(ReadSampleBench, PortMapPlaneOfKindOneFourByFiveReadsFourteenRows) {
  const Outcome r = Read(4);
  ASSERT_TRUE(r.ok) << r.report;
  const TestCondition& c = r.test.Condition;
  EXPECT_EQ(c.PlaneKind(1), 1);
  EXPECT_EQ(c.PlaneWallRow(1), 4);
  EXPECT_EQ(c.PlaneCenterCol(1), 5);
  EXPECT_EQ(c.PlaneTemperature(1), 72.0f);
  EXPECT_EQ(c.PlaneDepression(1), 28.0f);
  EXPECT_EQ(c.PlaneRegionCnt(1), 14);
  for (int region = 1; region <= 14; ++region) {
    EXPECT_EQ(c.PlaneVelocity(1, region), 100.0f + static_cast<float>(region)) << region;
    EXPECT_EQ(c.PlaneInches(1, region), 0.5f * static_cast<float>(region)) << region;
  }
  EXPECT_EQ(c.PlaneVelocity(1, 15), -1.0f);
  EXPECT_EQ(c.PlaneInches(1, 15), -1.0f);
  // Planes 2..10 are not in use; their NULL columns take the defaults.
  EXPECT_EQ(c.PlaneKind(2), 0);
  EXPECT_EQ(c.PlaneKind(10), 0);
  EXPECT_EQ(c.PlaneWallRow(3), 2);
  EXPECT_EQ(c.PlaneCenterCol(3), 2);
  EXPECT_EQ(c.PlaneTemperature(3), 70.0f);
  EXPECT_EQ(c.PlaneDepression(3), 28.0f);
  // One plane of 14 regions: 2 + 2 * 14 values, one record.
  EXPECT_EQ(r.test.RecordLength(), 30);
  EXPECT_EQ(r.test.Records(), 1);
  EXPECT_EQ(c.HeadIntakeVDia, 2.1f);
}

TEST_F(ReadSampleBench, MissingTestsAndKindRowsFailWithoutAMessage) {
  for (std::int32_t id : {99, 9, 0, -1}) {
    const Outcome r = Read(id);
    EXPECT_FALSE(r.ok) << id;
    EXPECT_EQ(r.report, "") << id;
  }
}

// A bench of one test by lift (manual) with three by-lift rows.
BenchDatabase ManualBench(I pitotPerLift, int pitotRows) {
  BenchDatabase b;
  b.Add("TblTest", {{"ID", I{1}}, {"TestKind", I{5}}, {"TestName", std::string("  Spaced  ")}});
  b.Add(
      "TblManualByLift",
      {{"TestID", I{1}}, {"IsIntake", true}, {"PitotPerLift", pitotPerLift}, {"UseLDRatio", true}});
  for (I item = 1; item <= 3; ++item) {
    b.Add("TblByLiftOrDeprData", {{"TestID", I{1}}, {"ItemNo", item}, {"Lift", 0.1 * item}});
  }
  for (I item = 1; item <= pitotRows; ++item) {
    b.Add("TblByLiftPitotData", {{"TestID", I{1}}, {"ItemNo", item}, {"Pitot1", 1.0 * item}});
  }
  return b;
}

TEST(ReadTest, PitotReadingsNeedARowPerRecord) {
  struct Row {
    I pitotPerLift;
    int pitotRows;
    bool ok;
    int recordLength;
  };
  const Row rows[] = {
      {2, 3, true, 13}, {2, 2, false, 13}, {255, 0, false, 12},
      {0, 0, true, 11}, {0, 2, true, 11},  {129, 3, true, 11 - 127},
  };
  for (const Row& row : rows) {
    const Outcome r = ReadFromBench(ManualBench(row.pitotPerLift, row.pitotRows), 1);
    EXPECT_EQ(r.ok, row.ok) << row.pitotPerLift << " " << row.pitotRows;
    EXPECT_EQ(r.report, "");
    EXPECT_EQ(r.test.RecordLength(), row.recordLength) << row.pitotPerLift;
    EXPECT_EQ(r.test.Name(), "Spaced");
    EXPECT_TRUE(r.test.Condition.UseLDRatio);
  }
}

TEST(ReadTest, MissingColumnsTakeTheirDefaults) {
  BenchDatabase b;
  b.Omit("TblTest", "Barometer").Omit("TblTest", "TestKind").Omit("TblTest", "Date");
  b.Omit("TblTest", "CylinderNo").Omit("TblTest", "PlotColor").Omit("TblTest", "UseRH");
  b.Omit("TblByLiftOrDeprData", "ItemNo").Omit("TblByLiftOrDeprData", "Range");
  b.Omit("TblManualByLift", "HeadIntakeVDia").Omit("TblManualByLift", "PitotPerLift");
  b.Add("TblTest", {{"ID", I{4}}, {"TestName", std::string("no kind")}});
  b.Add("TblManualByLift", {{"TestID", I{4}}, {"IsIntake", false}});
  b.Add("TblByLiftOrDeprData", {{"TestID", I{4}}, {"Lift", 0.3}, {"CCfm", 90.0}});
  b.Add("TblByLiftOrDeprData", {{"TestID", I{4}}, {"Lift", 0.1}, {"CCfm", 30.0}});
  const Outcome r = ReadFromBench(b, 4);
  ASSERT_TRUE(r.ok) << r.report;
  const FlowTest& t = r.test;
  const TestCondition& c = t.Condition;
  EXPECT_EQ(c.Kind(), -1);  // no "TestKind": a manual test by lift
  EXPECT_EQ(c.Barometer, 29.92f);
  ASSERT_TRUE(c.TheDate.has_value());
  EXPECT_EQ(*c.TheDate, (CivilDate{1980, 1, 1}));
  EXPECT_EQ(c.CylinderNo, 1);
  EXPECT_EQ(t.PlotColor, 65535);
  EXPECT_EQ(c.HumidityMethod, -1);
  EXPECT_FALSE(c.IsIntake);
  EXPECT_EQ(c.HeadExhaustVDia, 1.7f);
  EXPECT_EQ(c.HeadIntakeVDia, 1.5f);
  EXPECT_EQ(c.PitotPerLift, 0);
  // Without "ItemNo" the rows are records in their order.
  EXPECT_EQ(t.Records(), 2);
  EXPECT_EQ(t.FlowData(1, kColLift), 0.3f);
  EXPECT_EQ(t.FlowData(2, kColCCfm), 30.0f);
  EXPECT_EQ(t.FlowData(1, kCurveRange), 1.0f);
  // Kind -1 gets the ideal flows of a manual test (D = 1.7 in exhaust, stem 0.3445 in).
  EXPECT_GT(t.FlowData(1, kColStdFlow), 0.0f);
}

TEST(ReadTest, TheSideComesFromTheTestRowElseFromTheKindRow) {
  struct Row {
    const char* what;
    bool testColumn;           // "TblTest" has an "IsIntake" column
    std::optional<bool> test;  // its value (NULL when empty)
    bool kindColumn;
    std::optional<bool> kind;
    bool intake;
  };
  const Row rows[] = {
      {"test row wins", true, false, true, true, false},
      {"test row wins (true)", true, true, true, false, true},
      // A Jet flag keeps its value in the row's null mask: left unset it reads No, never NULL.
      {"test row unset: No", true, std::nullopt, true, true, false},
      {"only the kind table has it", false, std::nullopt, true, false, false},
      {"only the kind table has it (true)", false, std::nullopt, true, true, true},
      {"nowhere: intake", false, std::nullopt, false, std::nullopt, true},
  };
  for (const Row& row : rows) {
    BenchDatabase b;
    if (row.testColumn) b.Extend("TblTest", JetColumn{"IsIntake", JetType::Boolean});
    if (!row.kindColumn) b.Omit("TblAutoByLift", "IsIntake");
    BenchDatabase::Row test = {{"ID", I{1}}, {"TestKind", I{2}}};
    if (row.test) test["IsIntake"] = *row.test;
    b.Add("TblTest", test);
    BenchDatabase::Row kind = {{"TestID", I{1}}};
    if (row.kind) kind["IsIntake"] = *row.kind;
    b.Add("TblAutoByLift", kind);
    const Outcome r = ReadFromBench(b, 1);
    ASSERT_TRUE(r.ok) << row.what << r.report;
    EXPECT_EQ(r.test.Condition.IsIntake, row.intake) << row.what;
  }
}

// Every single-precision column of the test row and the head columns, each given its own
// value, reaches its own field (a misspelt column name would leave its default).
TEST(ReadTest, EveryColumnReachesItsOwnField) {
  using C = TestCondition;
  struct HeadColumn {
    const char* name;
    float C::*field;
  };
  const HeadColumn head[] = {
      {"HeadIntakeVDia", &C::HeadIntakeVDia},
      {"HeadIntakeStemDia", &C::HeadIntakeStemDia},
      {"HeadIntakeProfileDia", &C::HeadIntakeProfileDia},
      {"HeadIntakeSeatAngle", &C::HeadIntakeSeatAngle},
      {"HeadIntakeSeatWidth", &C::HeadIntakeSeatWidth},
      {"HeadIntakeInnerDia", &C::HeadIntakeInnerDia},
      {"HeadIntakeXArea1", &C::HeadIntakeXArea1},
      {"HeadIntakeXArea2", &C::HeadIntakeXArea2},
      {"HeadIntakeXArea3", &C::HeadIntakeXArea3},
      {"HeadIntakeXArea4", &C::HeadIntakeXArea4},
      {"HeadIntakeProfileTaper", &C::HeadIntakeProfileTaper},
      {"HeadIntakeProfileLength", &C::HeadIntakeProfileLength},
      {"HeadIntakeBackcutWidth", &C::HeadIntakeBackcutWidth},
      {"HeadIntakeBackcutAngle", &C::HeadIntakeBackcutAngle},
      {"HeadIntakeBackAngle", &C::HeadIntakeBackAngle},
      {"HeadIntakeBackRadius", &C::HeadIntakeBackRadius},
      {"HeadIntakeMargin", &C::HeadIntakeMargin},
      {"HeadIntakeEdgeRadius", &C::HeadIntakeEdgeRadius},
      {"HeadExhaustVDia", &C::HeadExhaustVDia},
      {"HeadExhaustStemDia", &C::HeadExhaustStemDia},
      {"HeadExhaustProfileDia", &C::HeadExhaustProfileDia},
      {"HeadExhaustSeatAngle", &C::HeadExhaustSeatAngle},
      {"HeadExhaustSeatWidth", &C::HeadExhaustSeatWidth},
      {"HeadExhaustInnerDia", &C::HeadExhaustInnerDia},
      {"HeadExhaustXArea1", &C::HeadExhaustXArea1},
      {"HeadExhaustXArea2", &C::HeadExhaustXArea2},
      {"HeadExhaustXArea3", &C::HeadExhaustXArea3},
      {"HeadExhaustXArea4", &C::HeadExhaustXArea4},
      {"HeadExhaustProfileTaper", &C::HeadExhaustProfileTaper},
      {"HeadExhaustProfileLength", &C::HeadExhaustProfileLength},
      {"HeadExhaustBackcutWidth", &C::HeadExhaustBackcutWidth},
      {"HeadExhaustBackcutAngle", &C::HeadExhaustBackcutAngle},
      {"HeadExhaustBackAngle", &C::HeadExhaustBackAngle},
      {"HeadExhaustBackRadius", &C::HeadExhaustBackRadius},
      {"HeadExhaustMargin", &C::HeadExhaustMargin},
      {"HeadExhaustEdgeRadius", &C::HeadExhaustEdgeRadius},
  };
  BenchDatabase b;
  BenchDatabase::Row kindRow = {
      {"TestID", I{1}}, {"HeadIntakePer", I{3}}, {"HeadExhaustPer", I{2}}};
  for (std::size_t i = 0; i < std::size(head); ++i) kindRow[head[i].name] = 100.0 + i;
  b.Add("TblAutoByLift", kindRow);
  BenchDatabase::Row testRow = {
      {"ID", I{1}},          {"TestKind", I{2}}, {"Leakage", 1.5},          {"Humidity", 45.0},
      {"WetBulb", 61.0},     {"DryBulb", 77.0},  {"FudgeFactor", 0.97},     {"StdFlowMethod", I{3}},
      {"BenchBrand", I{31}}, {"TumbleOn", true}, {"WeatherCorrectSF", true}};
  for (int n = 1; n <= 12; ++n) {
    testRow["BCalIntake" + std::to_string(n)] = 10.0 + n;
    testRow["BCalExhaust" + std::to_string(n)] = 20.0 + n;
  }
  for (int n = 1; n <= 26; ++n) {
    testRow["Custom" + std::string(1, static_cast<char>('A' + n - 1))] = std::to_string(n);
  }
  b.Add("TblTest", testRow);
  const Outcome r = ReadFromBench(b, 1);
  ASSERT_TRUE(r.ok) << r.report;
  const FlowTest& t = r.test;
  const TestCondition& c = t.Condition;
  for (std::size_t i = 0; i < std::size(head); ++i) {
    EXPECT_EQ(c.*head[i].field, static_cast<float>(100.0 + i)) << head[i].name;
  }
  EXPECT_EQ(c.HeadIntakePer, 3);
  EXPECT_EQ(c.HeadExhaustPer, 2);
  EXPECT_EQ(c.Leakage, 1.5f);
  EXPECT_EQ(c.Humidity, 45.0f);
  EXPECT_EQ(c.WetBulb, 61.0f);
  EXPECT_EQ(c.DryBulb, 77.0f);
  EXPECT_EQ(c.FudgeFactor, 0.97f);
  EXPECT_EQ(c.StdFlowMethod, 3);
  EXPECT_EQ(t.BenchKind, 31);
  EXPECT_EQ(c.SwirlTumble, 2);
  EXPECT_EQ(c.WeatherCorrection, -1);
  for (int n = 1; n <= 12; ++n) {
    EXPECT_EQ(t.IntakeRangeCal(n), 10.0f + static_cast<float>(n)) << n;
    EXPECT_EQ(t.ExhaustRangeCal(n), 20.0f + static_cast<float>(n)) << n;
  }
  for (int n = 1; n <= 26; ++n) EXPECT_EQ(c.CustomData(n), std::to_string(n)) << n;
}

TEST(ReadTest, EdgeCodesAreTheMarginsReadAgainAsBytes) {
  BenchDatabase b;
  b.Add("TblTest", {{"ID", I{1}}, {"TestKind", I{3}}});
  b.Add("TblByDepr", {{"TestID", I{1}},
                      {"HeadIntakeMargin", 2.4},
                      {"HeadIntakeEdge", I{7}},
                      {"HeadExhaustMargin", 2.5},
                      {"HeadExhaustEdge", I{7}}});
  const Outcome r = ReadFromBench(b, 1);
  ASSERT_TRUE(r.ok) << r.report;
  EXPECT_EQ(r.test.Condition.HeadIntakeMargin, 2.4f);
  EXPECT_EQ(r.test.Condition.HeadIntakeEdge, 2);
  EXPECT_EQ(r.test.Condition.HeadExhaustEdge, 2);  // 2.5 rounds to the even 2
  EXPECT_EQ(r.test.Records(), 0);
}

TEST(ReadTest, KindsWithoutATableReadOnlyTheirRecords) {
  BenchDatabase b;
  b.Add("TblTest", {{"ID", I{1}}, {"TestKind", I{7}}, {"CustomerID", JetNull{}}});
  b.Add("TblByLiftOrDeprData", {{"TestID", I{1}}, {"ItemNo", I{1}}, {"Lift", 0.25}});
  b.Add("TblByLiftOrDeprData", {{"TestID", I{2}}, {"ItemNo", I{1}}, {"Lift", 0.5}});
  const Outcome r = ReadFromBench(b, 1);
  ASSERT_TRUE(r.ok) << r.report;
  EXPECT_EQ(r.test.Condition.Kind(), 7);
  EXPECT_TRUE(r.test.Condition.IsIntake);
  EXPECT_EQ(r.test.CustomerID, 0);
  EXPECT_EQ(r.test.Records(), 1);
  EXPECT_EQ(r.test.FlowData(1, kColLift), 0.25f);
  EXPECT_EQ(r.test.RecordLength(), 0);  // any other kind leaves the record length alone
}

TEST(ReadTest, UnreadableDatabasesAreReportedThroughTheErrorTrace) {
  TempDir dir;
  std::ofstream(dir / "text.mdb") << "this is not a database, only some text to read";
  BenchDatabase noTests;
  noTests.OmitTable("TblTest");
  noTests.Write(dir / "no-tests.mdb");
  BenchDatabase noRecords;
  noRecords.OmitTable("TblByLiftOrDeprData");
  noRecords.Add("TblTest", {{"ID", I{1}}, {"TestKind", I{2}}});
  noRecords.Add("TblAutoByLift", {{"TestID", I{1}}});
  noRecords.Write(dir / "no-records.mdb");
  // A margin of 300 in read again as the one-byte edge code is out of range.
  BenchDatabase outOfRange;
  outOfRange.Add("TblTest", {{"ID", I{1}}, {"TestKind", I{2}}});
  outOfRange.Add("TblAutoByLift", {{"TestID", I{1}}, {"HeadIntakeMargin", 300.0}});
  outOfRange.Write(dir / "margin.mdb");

  struct Row {
    const char* file;
    int error;  // the number the message starts with
  };
  const Row rows[] = {
      {"missing.mdb", 3024},    {"text.mdb", 3343}, {"no-tests.mdb", 3078},
      {"no-records.mdb", 3078}, {"margin.mdb", 6},
  };
  for (const Row& row : rows) {
    TestDatabaseCache cache(ReaderOf());
    FlowTest t;
    t.TestID = 1;
    test::FakePrompter prompter;
    EXPECT_FALSE(ReadTest(t, dir / row.file, cache, &prompter)) << row.file;
    ASSERT_EQ(prompter.warnings.size(), 1u) << row.file;
    const std::string& report = prompter.warnings[0];
    EXPECT_EQ(report.rfind("Error (" + std::to_string(row.error) + ")    ", 0), 0u)
        << row.file << ": " << report;
    EXPECT_NE(report.find("SYDatabase/ReadTest"), std::string::npos) << report;
    EXPECT_EQ(EStackTrace::Instance().Trace(), "");
  }
}

// A reader program that counts its runs in a file and then runs the real reader.
std::filesystem::path CountingReader(const TempDir& dir) {
  const auto script = dir / "count-reader.sh";
  std::ofstream(script) << "#!/bin/sh\necho run >> '" << (dir / "runs").string() << "'\nexec '"
                        << test::OrvantisProgram() << "' \"$@\"\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  return script;
}

int Runs(const TempDir& dir) {
  std::ifstream in(dir / "runs");
  int n = 0;
  for (std::string line; std::getline(in, line);) ++n;
  return n;
}

TEST(TestDatabaseCache, ASecondReadOfTheSameFileStartsNoReader) {
  TempDir dir;
  test::SampleBench().Write(dir / "bench.mdb");
  JetReaderOptions reader = ReaderOf();
  reader.executable = CountingReader(dir);
  TestDatabaseCache cache(reader);
  FlowTest first;
  first.TestID = 1;
  ASSERT_TRUE(ReadTest(first, dir / "bench.mdb", cache));
  const int afterFirst = Runs(dir);
  EXPECT_GT(afterFirst, 0);
  FlowTest second;
  second.TestID = 2;
  ASSERT_TRUE(ReadTest(second, dir / "." / "bench.mdb", cache));
  EXPECT_EQ(Runs(dir), afterFirst);
  EXPECT_EQ(second.Name(), "SBC Auto Exhaust");
  EXPECT_TRUE(cache.IsOpen(dir / "bench.mdb"));

  // The file written anew (another size) is opened afresh.
  BenchDatabase changed = test::SampleBench();
  changed.Add("TblOperator", {{"ID", I{9}}, {"Name", std::string("Zoe")}});
  changed.Write(dir / "bench.mdb");
  EXPECT_FALSE(cache.IsOpen(dir / "bench.mdb"));
  FlowTest third;
  third.TestID = 1;
  ASSERT_TRUE(ReadTest(third, dir / "bench.mdb", cache));
  EXPECT_GT(Runs(dir), afterFirst);
  cache.Close();
  EXPECT_FALSE(cache.IsOpen(dir / "bench.mdb"));
}

// The short date form set on the holder reaches the databases it holds open and those it
// opens later.
TEST(TestDatabaseCache, TheShortDateFormReachesEveryDatabase) {
  TempDir dir;
  test::SampleBench().Write(dir / "a.mdb");
  test::SampleBench().Write(dir / "b.mdb");
  TestDatabaseCache cache(ReaderOf());
  TestDatabase& a = cache.Open(dir / "a.mdb");
  const ShortDateFormat german{ShortDateFormat::Order::DayMonthYear, '.', true};
  cache.SetDateFormat(german);
  EXPECT_EQ(a.dateFormat().order, ShortDateFormat::Order::DayMonthYear);
  EXPECT_EQ(a.OpenRecordSet("SELECT ID FROM TblTest WHERE Date = #14.03.2024#").RecordCount(), 4);
  TestDatabase& b = cache.Open(dir / "b.mdb");
  EXPECT_EQ(b.dateFormat().separator, '.');
  EXPECT_TRUE(b.dateFormat().leadingZeros);
}

}  // namespace
}  // namespace orv
