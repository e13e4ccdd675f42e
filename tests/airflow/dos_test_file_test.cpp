#include "airflow/dos_test_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "support/sy_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::SyFile;
using test::SyRecord;

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Three test points with every field set to a value of its own.
SyFile ThreePointFile(char version) {
  SyFile f;
  f.version = version;
  f.notes = "Stage 2 port";
  f.testType = 5;
  f.benchFile = "CAL600";
  for (int i = 0; i < 9; ++i) {
    f.exhaustRangeCal[static_cast<std::size_t>(i)] = 10.0f + float(i);  // entry i+1
    f.intakeRangeCal[static_cast<std::size_t>(i)] = 20.0f + float(i);
  }
  f.benchCode = 3.0f;
  f.xArea = {2.0f, 1.5f, 0.0f, 0.0f};
  f.leakage = 0.25f;
  f.barometer = 29.92f;
  f.wetBulb = 59;
  f.dryBulb = 70;
  f.valveDia = 2.02f;
  f.stemDia = 0.342f;
  f.valveArea = 3.2f;
  f.pitotPerLift = 7;
  for (int i = 1; i <= 3; ++i) {
    SyRecord r;
    r.lift = 0.1f * float(i);
    r.acfm = 90.0f * float(i);
    r.ccfm = 100.0f * float(i);
    r.swirl = 5.0f * float(i);
    r.aux = 0.5f;
    r.mano = 12.5f;
    r.depr = 28;
    r.range = static_cast<std::int16_t>(i);
    r.temperature1Tenths = 705;
    r.temperature2Tenths = -15;
    f.records.push_back(r);
  }
  return f;
}

FlowError Read(FlowTest& t, const SyFile& f, int readIn = 1) {
  t.Condition.SetKind(kKindFromDosFile);
  return ReadDosTestBytes(t, Bytes(test::SyBytes(f)), readIn);
}

TEST(DosTestFile, WriterFixtureBytesByHand) {
  SyFile f;
  f.version = 'B';
  f.notes = "N";
  f.storedRecordCount = 1001;
  f.testType = -2;
  f.benchFile = "AB";
  f.exhaustRangeCal[8] = 1.0f;  // entry 9, stored first
  f.intakeRangeCal[0] = 2.0f;
  f.barometer = 0.5f;
  f.date = "01-02-03";
  SyRecord r;
  r.lift = 0.5f;
  r.ccfm = 100.0f;
  r.range = 3;
  r.temperature1Tenths = -2;
  f.records.push_back(r);
  const std::string b = test::SyBytes(f);
  const auto at = [&](std::size_t offset, std::initializer_list<int> expected) {
    std::size_t i = offset;
    for (int e : expected) {
      EXPECT_EQ(static_cast<std::uint8_t>(b[i]), e) << "offset " << i;
      ++i;
    }
  };
  ASSERT_EQ(b.size(), 517u + 156 + 36);
  at(0, {0x53, 0x59, 0x1E, 0x42, 0x4E, 0x20});                // "SY" 1E "B", notes "N" and a blank
  at(516, {0x20});                                            // last notes byte
  at(517, {0xE9, 0x03, 0xFE, 0xFF});                          // 1001 records, type -2
  at(521, {0x41, 0x42, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20});  // "AB" padded
  at(529, {0x00, 0x00, 0x80, 0x3F});                          // exhaust entry 9 = 1.0
  at(561, {0x00, 0x00, 0x00, 0x00});                          // exhaust entry 1
  at(565, {0x00, 0x00, 0x00, 0x40});                          // intake entry 1 = 2.0
  at(517 + 108, {0x00, 0x00, 0x00, 0x3F});                    // barometer 0.5
  at(517 + 132, {0x30, 0x31, 0x2D, 0x30, 0x32, 0x2D, 0x30, 0x33});  // "01-02-03"
  at(673, {0x00, 0x00, 0x00, 0x3F});                                // lift 0.5
  at(681, {0x00, 0x00, 0xC8, 0x42});                                // corrected flow 100
  at(705, {0x03, 0x00, 0xFE, 0xFF});                                // range 3, -0.2 degrees
}

TEST(DosTestFile, VersionLettersGiveLayoutAndBench) {
  struct Row {
    char version;
    std::int32_t benchKind;
    float rangeCal12;   // set with the bench code for benches of kind 0
    bool pitots;        // classes 4 and 5
    bool temperature2;  // class 5
  };
  const Row rows[] = {
      {'B', 3, 153.2f, false, false}, {'C', 3, 153.2f, false, false}, {'a', 31, 0, false, false},
      {'D', 3, 153.2f, true, false},  {'E', 3, 153.2f, true, true},   {'b', 31, 0, true, true},
      {'j', 10, 0, true, true},       {'q', 40, 0, true, true},       {'t', 60, 0, true, true},
      {'v', 80, 0, true, true},
  };
  for (const Row& row : rows) {
    SyFile f = ThreePointFile(row.version);
    f.records[1].pitot[2] = 4.5f;
    FlowTest t;
    ASSERT_EQ(Read(t, f), FlowError::Ok) << row.version;
    EXPECT_EQ(t.BenchKind, row.benchKind) << row.version;
    EXPECT_EQ(t.IntakeRangeCal(12), row.rangeCal12) << row.version;
    EXPECT_EQ(t.ExhaustRangeCal(12), row.rangeCal12) << row.version;
    ASSERT_EQ(t.Records(), 3);
    for (int i = 1; i <= 3; ++i) {
      EXPECT_FLOAT_EQ(t.FlowData(i, kColLift), 0.1f * float(i));
      EXPECT_EQ(t.FlowData(i, kColACfm), 90.0f * float(i));
      EXPECT_EQ(t.FlowData(i, kColCCfm), 100.0f * float(i));
      EXPECT_EQ(t.FlowData(i, kColSwirl), 5.0f * float(i));
      EXPECT_EQ(t.FlowData(i, kColAux), 0.5f);
      EXPECT_EQ(t.FlowData(i, kCurveMano), 12.5f);
      EXPECT_EQ(t.FlowData(i, kColDepr), 28);
      EXPECT_EQ(t.FlowData(i, kCurveRange), float(i));
      EXPECT_EQ(t.FlowData(i, kColTemperature1), 70.5f);
      EXPECT_EQ(t.FlowData(i, kColTemperature2), row.temperature2 ? -1.5f : 0.0f);
      // Velocity through cross-section 1 (2 in2): CFM x 2.4 / 2.
      EXPECT_FLOAT_EQ(t.FlowData(i, kColXAreaVel1), 100.0f * float(i) * 1.2f);
    }
    EXPECT_EQ(t.FlowData(2, kColPitot1 + 2), row.pitots ? 4.5f : 0.0f);
    // Pitot readings up to pitot 3 in some record: 3 per lift and 11 + 3 values per record.
    EXPECT_EQ(t.Condition.PitotPerLift, row.pitots ? 3 : 0);
    EXPECT_EQ(t.RecordLength(), row.pitots ? 14 : 11);
    EXPECT_EQ(t.FlowData(0, kColCCfm), 0);  // the origin row stays zero
  }
}

TEST(DosTestFile, BenchOfKind50WithoutCodeStays50) {
  SyFile f = ThreePointFile('a');
  f.benchCode = 0;
  FlowTest t;
  ASSERT_EQ(Read(t, f), FlowError::Ok);
  EXPECT_EQ(t.BenchKind, 50);
}

TEST(DosTestFile, HeaderFields) {
  FlowTest t;
  ASSERT_EQ(Read(t, ThreePointFile('E')), FlowError::Ok);
  const TestCondition& c = t.Condition;
  EXPECT_EQ(t.BenchFileName, "CAL600");
  EXPECT_EQ(t.Notes().substr(0, 14), "Stage 2 port\r\n");
  for (int i = 1; i <= 9; ++i) {
    EXPECT_EQ(t.ExhaustRangeCal(i), 10.0f + float(i - 1)) << i;
    EXPECT_EQ(t.IntakeRangeCal(i), 20.0f + float(i - 1)) << i;
  }
  EXPECT_EQ(c.XArea(1), 2.0f);
  EXPECT_EQ(c.XArea(-1), 2.0f);
  EXPECT_EQ(c.XArea(-2), 1.5f);
  EXPECT_EQ(c.HeadIntakeVDia, 2.02f);
  EXPECT_EQ(c.HeadExhaustVDia, 2.02f);
  EXPECT_EQ(c.HeadIntakeInnerDia, 2.02f);
  EXPECT_EQ(c.HeadExhaustInnerDia, 2.02f);
  EXPECT_EQ(c.HeadIntakeStemDia, 0.342f);
  EXPECT_EQ(c.HeadExhaustStemDia, 0.342f);
  EXPECT_EQ(c.ValveArea, 3.2f);
  EXPECT_EQ(c.SeatArea, 3.2f);
  EXPECT_EQ(c.Leakage, 0.25f);
  EXPECT_EQ(c.Barometer, 29.92f);
  EXPECT_EQ(c.HeadIntakePer, 1);
  EXPECT_EQ(c.HeadExhaustPer, 1);
  EXPECT_EQ(c.FudgeFactor, 1.0f);
  EXPECT_EQ(c.HeadIntakeSeatAngle, 0);
  // 70 F dry, 59 F wet bulb: about 52 % relative humidity (psychrometric chart).
  EXPECT_NEAR(c.Humidity, 52, 2);
  EXPECT_GT(c.HRatio, 0.007f);
  EXPECT_LT(c.HRatio, 0.009f);
  ASSERT_TRUE(c.TheDate.has_value());
  EXPECT_EQ(*c.TheDate, (CivilDate{1999, 1, 15}));
  EXPECT_EQ(c.TheTime, "14:05:30");
  EXPECT_FALSE(t.InDB);
}

TEST(DosTestFile, TestTypeGivesKindAndMarks) {
  struct Row {
    std::int16_t type;
    std::int32_t kind;
    bool averaged, totaled;
    std::int16_t weather;
  };
  const Row rows[] = {{5, 5, false, false, -1},  {105, 5, true, false, -1},
                      {200, 10, false, true, 0}, {0, 10, false, false, 0},
                      {-2, 5, false, false, 0},  {-102, 5, false, false, 0},
                      {250, 5, false, true, -1}, {100, 10, true, false, 0}};
  for (const Row& r : rows) {
    SyFile f = ThreePointFile('E');
    f.testType = r.type;
    FlowTest t;
    ASSERT_EQ(Read(t, f), FlowError::Ok);
    EXPECT_EQ(t.Condition.Kind(), r.kind) << r.type;
    EXPECT_EQ(t.Condition.AveragedTest, r.averaged) << r.type;
    EXPECT_EQ(t.Condition.TotaledTest, r.totaled) << r.type;
    EXPECT_EQ(t.Condition.WeatherCorrection, r.weather) << r.type;
  }
}

TEST(DosTestFile, RecordCountChecks) {
  struct Row {
    char version;
    std::int16_t stored;
    std::size_t written;
    int expected;
    std::int16_t records;
  };
  const Row rows[] = {
      {'B', 1012, 12, 0, 12}, {'E', 40, 40, 0, 40}, {'B', 0, 0, 3, 0},
      {'B', 41, 41, 1, 0},    {'B', -5, 0, 1, 0},   {'E', 1000, 0, 1, 0},  // a count of 1000
      {'E', 5, 4, 1, 0},  // five records stated, four in the file
  };
  for (const Row& r : rows) {
    SyFile f = ThreePointFile(r.version);
    const SyRecord first = f.records[0];
    f.records.resize(r.written, first);
    f.storedRecordCount = r.stored;
    FlowTest t;
    EXPECT_EQ(static_cast<int>(Read(t, f)), r.expected) << r.stored;
    if (r.expected == 0) {
      EXPECT_EQ(t.Records(), r.records);
    }
  }
}

TEST(DosTestFile, DamagedFilesGiveTheirCodes) {
  struct Row {
    const char* what;
    std::string bytes;
    int expected;
  };
  const std::string good = test::SyBytes(ThreePointFile('C'));
  std::string wrongTag = good;
  wrongTag[2] = 0x1F;
  std::string badLetter = good;
  badLetter[3] = 'Z';
  SyFile nanCode = ThreePointFile('C');
  nanCode.benchCode = std::numeric_limits<float>::quiet_NaN();
  SyFile hugeCode = ThreePointFile('E');
  hugeCode.benchCode = 1e20f;
  const Row rows[] = {
      {"empty", "", 1},
      {"shorter than the notes", good.substr(0, 516), 1},
      {"wrong tag", wrongTag, -1},
      {"unknown version", badLetter, 1},
      {"header cut", good.substr(0, 517 + 155), 1},
      {"records cut", good.substr(0, good.size() - 1), 1},
      {"bench code not a number", test::SyBytes(nanCode), 1},
      {"bench code too large", test::SyBytes(hugeCode), 1},
      {"whole", good, 0},
  };
  for (const Row& r : rows) {
    FlowTest t;
    EXPECT_EQ(static_cast<int>(ReadDosTestBytes(t, Bytes(r.bytes), 1)), r.expected) << r.what;
  }
  // The header alone needs no records.
  FlowTest notes;
  EXPECT_EQ(ReadDosTestBytes(notes, Bytes(good.substr(0, 517 + 156)), 2), FlowError::Ok);
  EXPECT_EQ(notes.Records(), 0);
}

TEST(DosTestFile, UnreadableDateAndTimeLeaveThemEmpty) {
  struct Row {
    const char* date;
    const char* time;
    bool hasDate;
    const char* expectedTime;
  };
  const Row rows[] = {{"13-45-99", "25:99:00", false, ""},
                      {"02-29-00", "9:05 PM", true, "9:05 PM"},
                      {"\xFF\xFE\x01\x02", "", false, ""},
                      {"        ", "12:00:00", false, "12:00:00"}};
  for (const Row& r : rows) {
    SyFile f = ThreePointFile('E');
    f.date = r.date;
    f.time = r.time;
    FlowTest t;
    ASSERT_EQ(Read(t, f), FlowError::Ok) << r.date;
    EXPECT_EQ(t.Condition.TheDate.has_value(), r.hasDate) << r.date;
    EXPECT_EQ(t.Condition.TheTime, r.expectedTime) << r.time;
  }
}

TEST(DosTestFile, ReadsFromThePathFile) {
  test::TempDir dir;
  FlowTest t;
  t.SetPathFile((dir / "missing.SY").string());
  EXPECT_EQ(R2DataFile(t, 1), FlowError::NotFound);
  test::WriteSyFile(dir / "RUN1.SY", ThreePointFile('E'));
  t.SetPathFile((dir / "RUN1.SY").string());
  EXPECT_EQ(R2Notes(t), FlowError::Ok);
  EXPECT_EQ(t.Records(), 0);  // notes and header only
  EXPECT_EQ(t.BenchFileName, "CAL600");
  int steps = 0;
  EXPECT_EQ(R2DataFile(t, 1, [&] { ++steps; }), FlowError::Ok);
  EXPECT_EQ(t.Records(), 3);
  EXPECT_GE(steps, 2);
}

}  // namespace
}  // namespace orv
