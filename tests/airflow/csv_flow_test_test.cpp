#include "airflow/csv_flow_test.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "airflow/load_test.h"
#include "base/units.h"
#include "support/csv_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::CsvCell;
using test::CsvDialect;
using test::CsvTable;

// A bench test of four points in English units, with values that have no short decimal form in
// binary (0.1, 1/3) and a swirl of 0 on the first row.
struct Point {
  float lift, flow, depression, swirl;
};
const std::vector<Point> kPoints = {
    {0.1f, 80.25f, 28.0f, 0.0f},
    {0.2f, 161.3f, 27.9f, 4.5f},
    {1.0f / 3.0f, 233.33333f, 28.1f, -2.25f},
    {0.45f, 287.0f, 28.0f, 12.0f},
};

CsvTable EnglishTable(bool header = true) {
  CsvTable t;
  if (header) t.header = {"Lift (in)", "Flow (CFM)", "Depression (inH2O)", "Swirl"};
  for (const Point& p : kPoints) t.rows.push_back({p.lift, p.flow, p.depression, p.swirl});
  return t;
}

CsvFlowResult Read(FlowTest& test, const std::string& bytes, const CsvFlowOptions& options = {}) {
  return ReadCsvFlowTestBytes(test, bytes, options);
}

std::uint32_t Bits(float v) { return std::bit_cast<std::uint32_t>(v); }

void ExpectPoints(const FlowTest& t, const std::string& what) {
  ASSERT_EQ(t.Records(), static_cast<int>(kPoints.size())) << what;
  for (int c : {kColLift, kColCCfm, kColDepr, kColSwirl}) {
    EXPECT_EQ(t.FlowData(0, c), 0.0f) << what << " row 0 column " << c;
  }
  for (std::size_t i = 0; i < kPoints.size(); ++i) {
    const int r = static_cast<int>(i) + 1;
    EXPECT_EQ(Bits(t.FlowData(r, kColLift)), Bits(kPoints[i].lift)) << what << " row " << r;
    EXPECT_EQ(Bits(t.FlowData(r, kColCCfm)), Bits(kPoints[i].flow)) << what << " row " << r;
    EXPECT_EQ(Bits(t.FlowData(r, kColDepr)), Bits(kPoints[i].depression)) << what << " row " << r;
    EXPECT_EQ(Bits(t.FlowData(r, kColSwirl)), Bits(kPoints[i].swirl)) << what << " row " << r;
    EXPECT_EQ(t.FlowData(r, kColACfm), 0.0f) << what;
  }
}

TEST(CsvFlowTest, EveryDialectReadsToTheSameTest) {
  for (const auto& [name, dialect] : test::AllCsvDialects()) {
    FlowTest t;
    const CsvFlowResult r = Read(t, test::CsvText(EnglishTable(), dialect));
    ASSERT_TRUE(r.ok()) << name << ": " << r.message;
    EXPECT_TRUE(r.hasHeader) << name;
    EXPECT_EQ(r.rows, 4) << name;
    ExpectPoints(t, name);
    EXPECT_EQ(t.Condition.Kind(), kCsvTestKind) << name;
    EXPECT_EQ(t.TestID, -1) << name;
    EXPECT_EQ(t.Condition.SwirlTumble, 1) << name;

    // The same file without its header, with the columns given.
    FlowTest bare;
    CsvFlowOptions options;
    options.columns = CsvColumns{1, 2, 3, 4};
    const CsvFlowResult rb = Read(bare, test::CsvText(EnglishTable(false), dialect), options);
    ASSERT_TRUE(rb.ok()) << name << " without header: " << rb.message;
    EXPECT_FALSE(rb.hasHeader) << name;
    ExpectPoints(bare, name + " without header");
  }
}

TEST(CsvFlowTest, ColumnsInAnyOrderAmongOthersAreFoundByTheirNames) {
  CsvTable t;
  t.header = {"Point", "Swirl", "Depression", "Time", "Valve Lift", "Actual CFM", "Corrected CFM"};
  int n = 1;
  for (const Point& p : kPoints) {
    t.rows.push_back({float(n++), p.swirl, p.depression, "10:15", p.lift, 1.0f, p.flow});
  }
  FlowTest test;
  const CsvFlowResult r = Read(test, test::CsvText(t));
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(r.mapping.columns, (CsvColumns{5, 7, 3, 2}));
  ExpectPoints(test, "mixed columns");
}

// Every metric unit against the English file converted by hand: 25.4 mm to the inch,
// 1 m3/min = 35.31445483391204 CFM (the program's airflow conversion), 1 l/s = 0.06 m3/min,
// 1 inH2O = 249.08891 Pa = 25.4 mmH2O.
TEST(CsvFlowTest, MetricFilesEqualTheEnglishOnesConverted) {
  struct Case {
    const char* name;
    std::vector<std::string> header;
    double liftScale, flowScale, deprScale;
  };
  const std::vector<Case> cases = {
      {"mm, m3/min, kPa",
       {"Lift (mm)", "Flow (m3/min)", "Depression (kPa)"},
       25.4,
       1.0 / kCfmPerM3Min,
       0.24908891},
      {"mm, m³/min, mmH2O",
       {"Lift mm", "Flow m\xC2\xB3/min", "Depr mmH2O"},
       25.4,
       1.0 / kCfmPerM3Min,
       25.4},
      {"in, l/s, kPa",
       {"Lift in", "Airflow l/s", "Test pressure kPa"},
       1.0,
       1.0 / (0.06 * kCfmPerM3Min),
       0.24908891},
  };
  for (const Case& c : cases) {
    CsvTable t;
    t.header = c.header;
    for (const Point& p : kPoints) {
      t.rows.push_back({double(p.lift) * c.liftScale, double(p.flow) * c.flowScale,
                        double(p.depression) * c.deprScale});
    }
    FlowTest test;
    const CsvFlowResult r = Read(test, test::CsvText(t));
    ASSERT_TRUE(r.ok()) << c.name << ": " << r.message;
    for (std::size_t i = 0; i < kPoints.size(); ++i) {
      const int row = static_cast<int>(i) + 1;
      EXPECT_FLOAT_EQ(test.FlowData(row, kColLift), kPoints[i].lift) << c.name << " row " << row;
      EXPECT_FLOAT_EQ(test.FlowData(row, kColCCfm), kPoints[i].flow) << c.name << " row " << row;
      EXPECT_FLOAT_EQ(test.FlowData(row, kColDepr), kPoints[i].depression)
          << c.name << " row " << row;
    }
  }
  // Round values worked out by hand.
  FlowTest t;
  ASSERT_TRUE(Read(t, "Lift mm;Flow m3/min;kPa\n25,4;1;7\n").ok());
  EXPECT_FLOAT_EQ(t.FlowData(1, kColLift), 1.0f);
  EXPECT_FLOAT_EQ(t.FlowData(1, kColCCfm), 35.314455f);
  EXPECT_FLOAT_EQ(t.FlowData(1, kColDepr), 28.102415f);  // 7000 / 249.08891
}

TEST(CsvFlowTest, UnitsGivenOverrideTheHeaderAndTypedDepressionTakesThem) {
  FlowTest t;
  CsvFlowOptions options;
  std::string why;
  ASSERT_TRUE(ParseCsvUnits("mm, m3/min, kPa", options, why)) << why;
  options.testDepression = 7;  // kPa
  const CsvFlowResult r = Read(t, "Lift (in),Flow\n25.4,2\n50.8,3\n", options);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_FLOAT_EQ(t.FlowData(2, kColLift), 2.0f);
  EXPECT_FLOAT_EQ(t.FlowData(2, kColCCfm), float(3 * kCfmPerM3Min));
  EXPECT_FLOAT_EQ(t.FlowData(1, kColDepr), 28.102415f);
  EXPECT_FLOAT_EQ(t.FlowData(2, kColDepr), 28.102415f);
  EXPECT_EQ(t.Condition.SwirlTumble, 0);
}

TEST(CsvFlowTest, TheTestDepressionComesFromTheColumnTheTypedValueOrTheFlowHeader) {
  struct Case {
    const char* name;
    std::string text;
    std::optional<CsvColumns> columns;
    std::optional<double> typed;
    std::vector<float> depressions;
  };
  const std::vector<Case> cases = {
      {"column", "Lift,CFM,Depression\n0.1,50,27.5\n0.2,90,28.5\n", {}, {}, {27.5f, 28.5f}},
      {"flow header", "Lift,CFM@28\n0.1,50\n0.2,90\n", {}, {}, {28, 28}},
      {"flow header with kPa", "Lift,CFM @ 7 kPa\n0.1,50\n", {}, {}, {28.102415f}},
      {"typed over flow header", "Lift,CFM@28\n0.1,50\n", {}, 25.0, {25}},
      {"flow header over a guessed column", "Lift,CFM@28,Depr\n0.1,50,27.1\n", {}, {}, {28}},
      // 1e40 inches of water is beyond a record's 32-bit number: the header names no depression.
      {"flow header too large for a record",
       "Lift,CFM@1" + std::string(40, '0') + ",Depr\n0.1,50,27.1\n",
       {},
       {},
       {27.1f}},
      {"flow header too large, no column",
       "Lift,CFM@1" + std::string(40, '0') + "\n0.1,50\n",
       {},
       {},
       {0}},
      {"given column over typed",
       "0.1,50,27.5\n0.2,90,\n",
       CsvColumns{1, 2, 3, 0},
       28.0,
       {27.5f, 28}},
      {"none", "Lift,CFM\n0.1,50\n", {}, {}, {0}},
  };
  for (const Case& c : cases) {
    CsvFlowOptions options;
    options.columns = c.columns;
    options.testDepression = c.typed;
    FlowTest t;
    const CsvFlowResult r = Read(t, c.text, options);
    ASSERT_TRUE(r.ok()) << c.name << ": " << r.message;
    ASSERT_EQ(t.Records(), static_cast<int>(c.depressions.size())) << c.name;
    for (std::size_t i = 0; i < c.depressions.size(); ++i) {
      EXPECT_FLOAT_EQ(t.FlowData(static_cast<int>(i) + 1, kColDepr), c.depressions[i]) << c.name;
    }
  }
}

// flow · √(H / depression): 100 CFM at 28" is 100 · √(25/28) = 94.491118 CFM at 25"; 90 CFM at
// 10" is 90 · √2.5 = 142.30249 CFM at 25".
TEST(CsvFlowTest, FlowsAreCorrectedToTheDepressionAskedFor) {
  CsvFlowOptions options;
  options.correctTo = 25;
  FlowTest t;
  const CsvFlowResult r = Read(t, "Lift,Flow,Depression\n0.1,100,28\n0.2,90,10\n", options);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_FLOAT_EQ(t.FlowData(1, kColCCfm), 94.491118f);
  EXPECT_FLOAT_EQ(t.FlowData(2, kColCCfm), 142.30249f);
  EXPECT_EQ(t.FlowData(1, kColDepr), 25.0f);
  EXPECT_EQ(t.FlowData(2, kColDepr), 25.0f);
  EXPECT_FLOAT_EQ(t.FlowData(2, kColLift), 0.2f);

  // Corrected from a typed depression in kPa, to a depression in kPa: 7 kPa to 7 kPa changes
  // nothing.
  CsvFlowOptions same;
  same.depressionUnit = DepressionUnit::Kilopascals;
  same.testDepression = 7;
  same.correctTo = 7;
  FlowTest s;
  ASSERT_TRUE(Read(s, "Lift,Flow\n0.1,100\n", same).ok());
  EXPECT_FLOAT_EQ(s.FlowData(1, kColCCfm), 100.0f);

  // A file in kPa, the depressions typed in inches of water: 100 at 7 kPa (28.102415 inH2O) is
  // 100 · √(25 / 28.102415) = 94.318781 at 25 inH2O.
  CsvFlowOptions typed;
  typed.typedDepressionUnit = DepressionUnit::InchesOfWater;
  typed.correctTo = 25;
  FlowTest k;
  ASSERT_TRUE(Read(k, "Lift,Flow,kPa\n0.1,100,7\n", typed).ok());
  EXPECT_FLOAT_EQ(k.FlowData(1, kColCCfm), 94.318781f);
  EXPECT_EQ(k.FlowData(1, kColDepr), 25.0f);
}

TEST(CsvFlowTest, OptionsThatCannotBeUsedAreRefused) {
  struct Case {
    const char* name;
    std::string text;
    CsvFlowOptions options;
    CsvFlowError error;
    std::string message;
  };
  CsvFlowOptions correctOnly;
  correctOnly.correctTo = 25;
  CsvFlowOptions zeroDepression;
  zeroDepression.testDepression = 0;
  CsvFlowOptions negativeTarget;
  negativeTarget.testDepression = 28;
  negativeTarget.correctTo = -1;
  CsvFlowOptions sameColumn;
  sameColumn.columns = CsvColumns{1, 1, 0, 0};
  CsvFlowOptions noFlow;
  noFlow.columns = CsvColumns{1, 0, 0, 0};
  const std::vector<Case> cases = {
      {"correction without depression", "Lift,CFM\n0.1,50\n", correctOnly, CsvFlowError::BadOptions,
       "no depression column"},
      {"depression 0", "Lift,CFM\n0.1,50\n", zeroDepression, CsvFlowError::BadOptions,
       "test depression must be above 0"},
      {"negative target", "Lift,CFM\n0.1,50\n", negativeTarget, CsvFlowError::BadOptions,
       "must be above 0"},
      {"one column twice", "0.1,50\n", sameColumn, CsvFlowError::BadOptions,
       "column 1 is given for two"},
      {"no flow column", "0.1,50\n", noFlow, CsvFlowError::BadOptions, "lift and flow"},
      {"row depression 0", "Lift,CFM,Depr\n0.1,50,28\n0.2,60,0\n", correctOnly,
       CsvFlowError::BadRow, "line 3: the flow cannot be corrected"},
  };
  for (const Case& c : cases) {
    FlowTest t;
    const CsvFlowResult r = Read(t, c.text, c.options);
    EXPECT_EQ(r.error, c.error) << c.name << ": " << r.message;
    EXPECT_NE(r.message.find(c.message), std::string::npos) << c.name << ": " << r.message;
  }
}

TEST(CsvFlowTest, AFileWhoseColumnsAreNotKnownIsRefusedUntilTheyAreGiven) {
  FlowTest t;
  CsvFlowResult r = Read(t, "0.1;80\n0.2;160\n");
  EXPECT_EQ(r.error, CsvFlowError::ColumnsNeeded);
  EXPECT_NE(r.message.find("no header"), std::string::npos) << r.message;
  EXPECT_FALSE(r.hasHeader);

  r = Read(t, "Hub,Durchfluss\n0.1,80\n");
  EXPECT_EQ(r.error, CsvFlowError::ColumnsNeeded);
  EXPECT_NE(r.message.find("\"Hub\", \"Durchfluss\""), std::string::npos) << r.message;
  EXPECT_NE(r.message.find("no lift or flow column"), std::string::npos) << r.message;

  r = Read(t, "Lift,Durchfluss\n0.1,80\n");
  EXPECT_EQ(r.error, CsvFlowError::ColumnsNeeded);
  EXPECT_NE(r.message.find("no flow column"), std::string::npos) << r.message;
  EXPECT_EQ(r.mapping.columns.lift, 1);

  CsvFlowOptions options;
  options.columns = CsvColumns{1, 2, 0, 0};
  FlowTest given;
  r = Read(given, "Hub,Durchfluss\n0.1,80\n0.2,160\n", options);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_TRUE(r.hasHeader);
  EXPECT_EQ(given.Records(), 2);
  EXPECT_FLOAT_EQ(given.FlowData(2, kColCCfm), 160.0f);
}

TEST(CsvFlowTest, ABadRowIsReportedWithItsLineAndNothingIsTaken) {
  struct Case {
    const char* name;
    std::string text;
    int line;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"not a number", "Lift,CFM\n0.1,80\n0.2,abc\n", 3, "the flow \"abc\" is not a number"},
      {"first data row", "Lift,CFM\n0.1x,80\n", 2, "the lift \"0.1x\" is not a number"},
      {"empty lift", "Lift,CFM\n0.1,80\n,90\n", 3, "the lift is empty"},
      {"too few fields", "Lift,CFM,Swirl\n0.1,80,1\n0.2\n", 3, "the row has 1 field, the flow"},
      {"blank lines counted", "Lift,CFM\n\n0.1,80\n\n\n0.2,8O\n", 6, "\"8O\""},
      {"CR LF and CR alike", "Lift,CFM\r\n0.1,80\r0.2,90\r\n0.3,--1\r\n", 4, "\"--1\""},
      {"quoted line end counted", "\"Lift\n(in)\",CFM\n0.1,80\n0.2,x\n", 4, "\"x\""},
      {"unclosed quote", "Lift,CFM\n0.1,80\n\"0.2,90\n0.3,100\n", 3, "quoted field is not closed"},
      {"beyond a float", "Lift,CFM\n0.1,1e39\n", 2, "\"1e39\""},
      {"two decimal separators", "Lift,CFM\n0.1,\"1,234.5\"\n", 2, "\"1,234.5\""},
      {"not a number word", "Lift,CFM\n0.1,nan\n", 2, "\"nan\""},
      {"swirl", "Lift;CFM;Swirl\n0,1;80;5,5\n0,2;90;5,5,5\n", 3, "the swirl"},
      {"metric out of range", "Lift mm,CFM\n1e308,80\n", 2, "the lift"},
  };
  for (const Case& c : cases) {
    FlowTest t;
    const CsvFlowResult r = Read(t, c.text);
    EXPECT_EQ(r.error, CsvFlowError::BadRow) << c.name << ": " << r.message;
    EXPECT_EQ(r.line, c.line) << c.name << ": " << r.message;
    EXPECT_EQ(r.message.rfind("line " + std::to_string(c.line) + ": ", 0), 0u)
        << c.name << ": " << r.message;
    EXPECT_NE(r.message.find(c.message), std::string::npos) << c.name << ": " << r.message;
  }
}

// A first row with a mistyped value still holds numbers: it is a bad row, not a header that
// would be dropped.
TEST(CsvFlowTest, AMistypedFirstRowIsNotTakenForAHeader) {
  CsvFlowOptions options;
  options.columns = CsvColumns{1, 2, 0, 0};
  FlowTest t;
  const CsvFlowResult r = Read(t, "0.1,8O\n0.2,160\n", options);
  EXPECT_EQ(r.error, CsvFlowError::BadRow);
  EXPECT_EQ(r.line, 1);
  EXPECT_EQ(r.message, "line 1: the flow \"8O\" is not a number");
  // A header with empty names is still a header.
  FlowTest h;
  ASSERT_TRUE(Read(h, "Lift,,CFM\n0.1,,80\n").ok());
  EXPECT_EQ(h.Records(), 1);
  EXPECT_EQ(h.FlowData(1, kColCCfm), 80.0f);
}

TEST(CsvFlowTest, AFailedLoadLeavesTheEngineAndTheCurrentTestAsTheyWere) {
  test::TempDir dir;
  const std::string good = (dir / "good.csv").string();
  const std::string bad = (dir / "bad.csv").string();
  test::WriteCsvFile(good, EnglishTable());
  CsvTable broken = EnglishTable();
  broken.rows[3][1] = CsvCell("n/a");
  test::WriteCsvFile(bad, broken);

  EngineInputs inputs;
  FlowTest current;
  ASSERT_TRUE(LoadCsvTest(good, {}, true, inputs, current).ok());
  EXPECT_EQ(inputs.ILift.hi(), 4);
  EXPECT_FLOAT_EQ(inputs.ICfm[3], kPoints[2].flow);
  EXPECT_FLOAT_EQ(inputs.ISwirl[2], 4.5f);
  EXPECT_EQ(inputs.intakeFlow.path, good);
  EXPECT_EQ(inputs.intakeFlow.kind, kCsvTestKind);
  EXPECT_EQ(inputs.intakeFlow.testId, -1);

  const EngineInputs before = inputs;
  const FlowTest beforeTest = current;
  const CsvFlowResult r = LoadCsvTest(bad, {}, true, inputs, current);
  EXPECT_EQ(r.line, 5);
  EXPECT_TRUE(inputs.ILift == before.ILift);
  EXPECT_TRUE(inputs.ICfm == before.ICfm);
  EXPECT_TRUE(inputs.ISwirl == before.ISwirl);
  EXPECT_TRUE(inputs.intakeFlow == before.intakeFlow);
  EXPECT_TRUE(current == beforeTest);

  // The exhaust side takes no swirl.
  ASSERT_TRUE(LoadCsvTest(good, {}, false, inputs, current).ok());
  EXPECT_EQ(inputs.ELift.hi(), 4);
  EXPECT_FLOAT_EQ(inputs.ECfm[4], 287.0f);
  EXPECT_TRUE(inputs.ISwirl == before.ISwirl);
  EXPECT_EQ(inputs.exhaustFlow.path, good);
}

TEST(CsvFlowTest, RowsUpToTheRecordTableLimitAreTakenInTheFilesOrder) {
  auto table = [](int rows) {
    CsvTable t;
    t.header = {"Lift", "CFM"};
    for (int i = 0; i < rows; ++i) {
      // Lifts falling, to show that nothing is sorted.
      t.rows.push_back({float(rows - i) * 0.001f, float(i)});
    }
    return test::CsvText(t);
  };
  FlowTest t;
  const CsvFlowResult full = Read(t, table(kMaxCsvRows));
  ASSERT_TRUE(full.ok()) << full.message;
  EXPECT_EQ(t.Records(), 32767);
  EXPECT_FLOAT_EQ(t.FlowData(1, kColLift), 32.767f);
  EXPECT_EQ(t.FlowData(32767, kColCCfm), 32766.0f);

  FlowTest over;
  const CsvFlowResult r = Read(over, table(kMaxCsvRows + 1));
  EXPECT_EQ(r.error, CsvFlowError::TooManyRows);
  EXPECT_NE(r.message.find("32767"), std::string::npos);

  FlowTest none;
  EXPECT_EQ(Read(none, "Lift,CFM\n\n,\n").error, CsvFlowError::NoRows);
  EXPECT_EQ(Read(none, "").error, CsvFlowError::NoRows);
  EXPECT_EQ(Read(none, "\xEF\xBB\xBF").error, CsvFlowError::NoRows);
}

TEST(CsvFlowTest, TextEncodingsAreTold) {
  // "Débit (m³/min)" in Windows-1252 and in UTF-8 name the same column.
  for (const std::string& flowName : {std::string("D\xE9") + "bit (m\xB3/min)",
                                      std::string("D\xC3\xA9") + "bit (m\xC2\xB3/min)"}) {
    FlowTest t;
    const CsvFlowResult r = Read(t, "Lift (mm);" + flowName + "\n25,4;1\n");
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.mapping.units.flow, FlowUnit::CubicMetresPerMinute);
    EXPECT_FLOAT_EQ(t.FlowData(1, kColCCfm), 35.314455f);
  }
  FlowTest t;
  const CsvFlowResult utf16 = Read(t, std::string("\xFF\xFEL\0i\0", 6));
  EXPECT_EQ(utf16.error, CsvFlowError::CannotRead);
  EXPECT_NE(utf16.message.find("UTF-16"), std::string::npos);
}

TEST(CsvFlowTest, HeaderNamesAreGuessed) {
  struct Case {
    const char* name;
    CsvQuantity quantity;
    std::optional<LiftUnit> lift;
    std::optional<FlowUnit> flow;
    std::optional<DepressionUnit> depression;
    std::optional<double> at;
    int rank;
  };
  using L = LiftUnit;
  using F = FlowUnit;
  using D = DepressionUnit;
  const std::vector<Case> cases = {
      {"Lift (in)", CsvQuantity::Lift, L::Inches, {}, {}, {}, 1},
      {"Lift mm", CsvQuantity::Lift, L::Millimetres, {}, {}, {}, 1},
      {"VALVE LIFT [MM]", CsvQuantity::Lift, L::Millimetres, {}, {}, {}, 1},
      {"lift\"", CsvQuantity::Lift, L::Inches, {}, {}, {}, 1},
      {"Lift", CsvQuantity::Lift, {}, {}, {}, {}, 1},
      {"CFM", CsvQuantity::Flow, {}, F::Cfm, {}, {}, 1},
      {"cfm@28", CsvQuantity::Flow, {}, F::Cfm, {}, 28.0, 2},
      {"Flow (CFM @ 28\")", CsvQuantity::Flow, {}, F::Cfm, {}, 28.0, 2},
      {"Flow@10\"", CsvQuantity::Flow, {}, {}, {}, 10.0, 2},
      {"m3/min", CsvQuantity::Flow, {}, F::CubicMetresPerMinute, {}, {}, 1},
      {"Flow (m\xC2\xB3/min)", CsvQuantity::Flow, {}, F::CubicMetresPerMinute, {}, {}, 1},
      {"l/s", CsvQuantity::Flow, {}, F::LitresPerSecond, {}, {}, 1},
      {"Corrected CFM", CsvQuantity::Flow, {}, F::Cfm, {}, {}, 2},
      {"CCFM", CsvQuantity::Flow, {}, F::Cfm, {}, {}, 2},
      {"Std Flow", CsvQuantity::Flow, {}, {}, {}, {}, 2},
      {"Actual CFM", CsvQuantity::Flow, {}, F::Cfm, {}, {}, 0},
      {"ACFM", CsvQuantity::Flow, {}, F::Cfm, {}, {}, 0},
      {"Raw flow", CsvQuantity::Flow, {}, {}, {}, {}, 0},
      {"inH2O", CsvQuantity::Depression, {}, {}, D::InchesOfWater, {}, 1},
      {"Depression (\"H2O)", CsvQuantity::Depression, {}, {}, D::InchesOfWater, {}, 1},
      {"Test Depression", CsvQuantity::Depression, {}, {}, {}, {}, 1},
      {"kPa", CsvQuantity::Depression, {}, {}, D::Kilopascals, {}, 1},
      {"Vacuum mmH2O", CsvQuantity::Depression, {}, {}, D::MillimetresOfWater, {}, 1},
      {"Swirl", CsvQuantity::Swirl, {}, {}, {}, {}, 1},
      {"Swirl (rpm)", CsvQuantity::Swirl, {}, {}, {}, {}, 1},
      // invalid cases
      {"Point", CsvQuantity::None, {}, {}, {}, {}, 1},
      {"Barometric pressure (inHg)", CsvQuantity::None, {}, {}, {}, {}, 1},
      {"Pitot pressure", CsvQuantity::None, {}, {}, {}, {}, 1},
      {"Flow coefficient", CsvQuantity::None, {}, {}, {}, {}, 1},
      {"Flow Cd", CsvQuantity::None, {}, {}, {}, {}, 1},
      {"Flow velocity (ft/s)", CsvQuantity::None, {}, {}, {}, {}, 1},
      {"Flow %", CsvQuantity::None, {}, {}, {}, {}, 1},
      {"Lift/D", CsvQuantity::None, {}, {}, {}, {}, 1},
      {"Lift ratio", CsvQuantity::None, {}, {}, {}, {}, 1},
      {"Time", CsvQuantity::None, {}, {}, {}, {}, 1},
      {"", CsvQuantity::None, {}, {}, {}, {}, 1},
      {"\xFF\xFE", CsvQuantity::None, {}, {}, {}, {}, 1},
  };
  for (const Case& c : cases) {
    const CsvHeaderGuess g = GuessCsvHeader(c.name);
    EXPECT_EQ(g.quantity, c.quantity) << c.name;
    EXPECT_EQ(g.liftUnit, c.lift) << c.name;
    EXPECT_EQ(g.flowUnit, c.flow) << c.name;
    EXPECT_EQ(g.depressionUnit, c.depression) << c.name;
    EXPECT_EQ(g.flowDepressionInH2O, c.at) << c.name;
    if (c.quantity == CsvQuantity::Flow) {
      EXPECT_EQ(g.flowRank, c.rank) << c.name;
    }
  }
}

TEST(CsvFlowTest, TypicalHeadersGiveTheirMapping) {
  struct Case {
    std::vector<std::string> header;
    CsvMapping mapping;
  };
  const std::vector<Case> cases = {
      {{"Lift (in)", "CFM", "inH2O", "Swirl"}, {{1, 2, 3, 4}, {}, {}}},
      {{"Point", "Lift", "Actual CFM", "Corrected CFM", "Depression", "Temp"},
       {{2, 4, 5, 0}, {}, {}}},
      {{"Lift mm", "m3/min", "kPa"},
       {{1, 2, 3, 0},
        {LiftUnit::Millimetres, FlowUnit::CubicMetresPerMinute, DepressionUnit::Kilopascals},
        {}}},
      {{"lift", "cfm", "cfm@28"}, {{1, 3, 0, 0}, {}, 28.0}},
      {{"Flow l/s", "Lift mm"},
       {{2, 1, 0, 0}, {LiftUnit::Millimetres, FlowUnit::LitresPerSecond, {}}, {}}},
      {{"Lift", "Flow 1", "Flow 2"}, {{1, 2, 0, 0}, {}, {}}},
      {{"Lift", "L/D", "Flow coefficient", "CFM", "Baro", "Depression"}, {{1, 4, 6, 0}, {}, {}}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    std::string name;
    for (const auto& h : c.header) name += h + "|";
    EXPECT_EQ(GuessCsvMapping(c.header), c.mapping) << name;
  }
}

TEST(CsvFlowTest, ColumnAndUnitOptionsAreParsed) {
  std::string why;
  EXPECT_EQ(ParseCsvColumns("lift=1,flow=2", why), (CsvColumns{1, 2, 0, 0})) << why;
  EXPECT_EQ(ParseCsvColumns("swirl=4, flow=2 ,lift=1,depression=3", why), (CsvColumns{1, 2, 3, 4}))
      << why;
  EXPECT_EQ(ParseCsvColumns("LIFT=7,Flow=12,depr=1", why), (CsvColumns{7, 12, 1, 0})) << why;
  // invalid cases
  for (const char* bad : {"", "lift=1", "lift=1,flow=1", "lift=0,flow=2", "lift=1,flow=x",
                          "lift=1,flow=2,lift=3", "lift=1,flow=2,temp=3", "lift 1,flow 2",
                          "lift=1,flow=2,", "lift=-1,flow=2", "lift=1,flow=99999999999"}) {
    why.clear();
    EXPECT_FALSE(ParseCsvColumns(bad, why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }

  CsvFlowOptions o;
  ASSERT_TRUE(ParseCsvUnits("in,cfm", o, why)) << why;
  EXPECT_EQ(o.liftUnit, LiftUnit::Inches);
  EXPECT_EQ(o.flowUnit, FlowUnit::Cfm);
  EXPECT_FALSE(o.depressionUnit);
  CsvFlowOptions m;
  ASSERT_TRUE(ParseCsvUnits("kPa,l/s,MM", m, why)) << why;
  EXPECT_EQ(m.liftUnit, LiftUnit::Millimetres);
  EXPECT_EQ(m.flowUnit, FlowUnit::LitresPerSecond);
  EXPECT_EQ(m.depressionUnit, DepressionUnit::Kilopascals);
  CsvFlowOptions h;
  ASSERT_TRUE(ParseCsvUnits("m3/min,inH2O", h, why)) << why;
  EXPECT_EQ(h.flowUnit, FlowUnit::CubicMetresPerMinute);
  EXPECT_EQ(h.depressionUnit, DepressionUnit::InchesOfWater);
  EXPECT_FALSE(h.liftUnit);
  // invalid cases: nothing is changed
  for (const char* bad : {"", "in,mm", "furlongs", "cfm,l/s", "in,,cfm"}) {
    CsvFlowOptions x;
    why.clear();
    EXPECT_FALSE(ParseCsvUnits(bad, x, why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
    EXPECT_FALSE(x.liftUnit || x.flowUnit || x.depressionUnit) << bad;
  }
}

// Values that a decimal text must carry exactly: short and long fractions, the smallest
// subnormal, the largest float, a negative zero.
TEST(CsvFlowTest, AnExportedTestReadsBackBitForBit) {
  const std::vector<float> values = {0.1f,
                                     1.0f / 3.0f,
                                     2.0f / 3.0f,
                                     1e-7f,
                                     123456.79f,
                                     std::numeric_limits<float>::denorm_min(),
                                     std::numeric_limits<float>::max(),
                                     -0.0f,
                                     16777217.0f,
                                     0.30000001f};
  FlowTest t;
  t.Condition.SetKind(kKindByLiftManual);
  t.SetRecords(static_cast<std::int16_t>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int r = static_cast<int>(i) + 1;
    t.SetFlowData(r, kColLift, values[i]);
    t.SetFlowData(r, kColCCfm, values[(i + 3) % values.size()]);
    t.SetFlowData(r, kColDepr, values[(i + 5) % values.size()]);
    t.SetFlowData(r, kColSwirl, values[(i + 7) % values.size()]);
    t.SetFlowData(r, kColACfm, 99.0f);  // not exported
  }
  std::string why;
  const std::optional<std::string> csv = FlowTestCsv(t, why);
  ASSERT_TRUE(csv) << why;
  EXPECT_EQ(csv->substr(0, csv->find('\n')), "Lift (in),Flow (cfm),Depression (inH2O),Swirl");
  FlowTest back;
  const CsvFlowResult r = Read(back, *csv);
  ASSERT_TRUE(r.ok()) << r.message;
  ASSERT_EQ(back.Records(), t.Records());
  for (int row = 1; row <= t.Records(); ++row) {
    for (int c : {kColLift, kColCCfm, kColDepr, kColSwirl}) {
      EXPECT_EQ(Bits(back.FlowData(row, c)), Bits(t.FlowData(row, c)))
          << "row " << row << " column " << c;
    }
  }
  // Exported again, the text is the same.
  EXPECT_EQ(FlowTestCsv(back, why), csv);
}

TEST(CsvFlowTest, TheExportLeavesOutSwirlATestDoesNotHave) {
  FlowTest t;
  t.SetRecords(2);
  t.SetFlowData(1, kColLift, 0.1f);
  t.SetFlowData(1, kColCCfm, 50.5f);
  t.SetFlowData(1, kColDepr, 28);
  t.SetFlowData(2, kColLift, 0.2f);
  t.SetFlowData(2, kColCCfm, 101);
  t.SetFlowData(2, kColDepr, 28);
  std::string why;
  EXPECT_EQ(FlowTestCsv(t, why),
            "Lift (in),Flow (cfm),Depression (inH2O)\n0.1,50.5,28\n0.2,101,28\n");
  t.Condition.SwirlTumble = 1;
  EXPECT_EQ(FlowTestCsv(t, why),
            "Lift (in),Flow (cfm),Depression (inH2O),Swirl\n0.1,50.5,28,0\n0.2,101,28,0\n");
}

TEST(CsvFlowTest, TestsWithoutRecordsOrWithValuesThatAreNoNumbersAreNotExported) {
  std::string why;
  FlowTest empty;
  EXPECT_FALSE(FlowTestCsv(empty, why));
  EXPECT_NE(why.find("no records"), std::string::npos);

  FlowTest portMap;
  portMap.Condition.SetKind(kKindPortMap);
  EXPECT_FALSE(FlowTestCsv(portMap, why));
  EXPECT_NE(why.find("port-map"), std::string::npos);

  FlowTest nan;
  nan.SetRecords(3);
  nan.SetFlowData(2, kColSwirl, std::numeric_limits<float>::infinity());
  EXPECT_FALSE(FlowTestCsv(nan, why));
  EXPECT_NE(why.find("record 2"), std::string::npos) << why;
}

// Every prefix of a file (a file cut short anywhere) is read or refused, never more.
TEST(CsvFlowTest, EveryPrefixOfAFileIsReadOrRefused) {
  CsvDialect quoted;
  quoted.quoteAll = true;
  quoted.separator = ';';
  quoted.decimalComma = true;
  const std::string text = test::CsvText(EnglishTable(), quoted);
  for (std::size_t n = 0; n <= text.size(); ++n) {
    FlowTest t;
    const CsvFlowResult r = Read(t, text.substr(0, n));
    if (r.ok()) {
      EXPECT_GE(t.Records(), 1);
      EXPECT_LE(t.Records(), 4);
    } else {
      EXPECT_FALSE(r.message.empty());
    }
  }
}

TEST(CsvFlowTest, PreviewShowsTheHeaderAndTheFirstRows) {
  const CsvPreview p =
      PreviewCsv(test::CsvText(EnglishTable(), test::AllCsvDialects()[1].second), 2);
  EXPECT_EQ(p.separator, ';');
  EXPECT_TRUE(p.hasHeader);
  EXPECT_EQ(p.header,
            (std::vector<std::string>{"Lift (in)", "Flow (CFM)", "Depression (inH2O)", "Swirl"}));
  ASSERT_EQ(p.rows.size(), 2u);
  EXPECT_EQ(p.rows[1], (std::vector<std::string>{"0,2", "161,3", "27,9", "4,5"}));
  const CsvPreview bare = PreviewCsv("0.1\t80\n", 5);
  EXPECT_EQ(bare.separator, '\t');
  EXPECT_FALSE(bare.hasHeader);
  ASSERT_EQ(bare.rows.size(), 1u);
}

TEST(CsvFlowTest, CsvPathsAreTold) {
  EXPECT_TRUE(IsCsvTestPath("/x/bench.csv"));
  EXPECT_TRUE(IsCsvTestPath("BENCH.CSV"));
  EXPECT_TRUE(IsCsvTestPath("a.tsv"));
  EXPECT_FALSE(IsCsvTestPath("a.csv.SY"));
  EXPECT_FALSE(IsCsvTestPath("csv"));
  EXPECT_FALSE(IsCsvTestPath("a.SY3"));
}

}  // namespace
}  // namespace orv
