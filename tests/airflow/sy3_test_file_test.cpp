#include "airflow/sy3_test_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/sy3_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::Sy3File;
using test::Sy3Row;
using test::Sy3Test;

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Row r of a test: every quantity a value of its own, so that a misplaced value shows.
Sy3Row RowOf(int r, int pitots) {
  Sy3Row row;
  const float f = float(r);
  row.acfm = 90 * f;
  row.ccfm = 100 * f;
  row.swirl = 3 * f;
  row.aux = 0.25f;
  row.temperature1 = 71;
  row.temperature2 = 72;
  row.depr = 28;
  row.lift = 0.05f * f;
  row.mano = 14;
  row.range = 2;
  row.booster = 1.5f;
  row.actualDepr = 27.5f;
  for (int p = 1; p <= pitots; ++p) row.pitots.push_back(10 * f + float(p));
  return row;
}

// A test of `records` records of base kind `kind` stored under `fullKind`.
Sy3Test TestOf(const std::string& name, std::int16_t fullKind, int kind, int records,
               std::int16_t pitots, bool version1) {
  Sy3Test t;
  t.name = name;
  t.fullKind = fullKind;
  t.notes = "Notes of " + name;
  t.valveDia = 2.055f;
  t.stemDia = 0.3415f;
  t.seatDia = 1.86f;
  t.seatAngle = 45;
  t.pitotPerLift = pitots;
  t.xArea = {2.0f, 0, 0, 0};
  t.records = static_cast<std::int16_t>(records);
  t.barometer = 29.5f;
  t.wetBulb = 60;
  t.dryBulb = 72;
  t.humidity = 48;
  t.valveArea = 3.3f;
  t.seatArea = 2.7f;
  t.benchKind = 3;
  for (std::size_t i = 0; i < 22; ++i) t.rangeCals[i] = float(i + 1);
  for (std::size_t i = 0; i < 20; ++i) t.lifts[i] = 0.05f * float(i + 1);
  t.fudgeFactor = 1.02f;
  const int perLift = pitots == -1 ? 1 : pitots;
  for (int r = 0; r <= records; ++r) {
    const std::vector<float> v = test::Sy3RowValues(kind, RowOf(r, perLift), version1);
    t.recordLength = static_cast<std::int16_t>(v.size());
    t.data.insert(t.data.end(), v.begin(), v.end());
  }
  return t;
}

Sy3File FileOf(char version, std::vector<Sy3Test> tests) {
  Sy3File f;
  f.version = version;
  f.fileNotes = "Whole file notes";
  f.tests = std::move(tests);
  return f;
}

FlowError Read(FlowTest& t, const Sy3File& f, const std::string& name, std::int32_t kind,
               int readIn = 1) {
  t.Condition.SetName(name);
  t.Condition.SetKind(kind);
  return ReadSy3TestBytes(t, Bytes(test::Sy3Bytes(f)), readIn);
}

TEST(Sy3TestFile, WriterFixtureBytesByHand) {
  Sy3Test t;
  t.name = "P1";
  t.fullKind = 105;
  t.notes = "Q";
  t.valveDia = 2.0f;
  t.planeBytes[0] = 0x6B;
  t.records = 0;
  t.recordLength = 1;
  t.colorIndex = 12;
  t.benchKind = 31;
  t.data = {0.5f};
  Sy3File f;
  f.version = 'B';
  f.tests = {t};
  const std::string b = test::Sy3Bytes(f);
  const auto at = [&](std::size_t offset, std::initializer_list<int> expected) {
    std::size_t i = offset;
    for (int e : expected) {
      EXPECT_EQ(static_cast<std::uint8_t>(b[i]), e) << "offset " << i;
      ++i;
    }
  };
  const std::size_t block = 7 + 16;
  ASSERT_EQ(b.size(), block + 513 + 362 + 4);
  at(0, {0x53, 0x59, 0x33, 0x1E, 0x42, 0x01, 0x00});                    // "SY3" 1E "B", one test
  at(7, {0x50, 0x31, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x69, 0x00});  // "P1", kind 105
  at(17, {0x6F, 0x03, 0x17, 0x00, 0x00, 0x00});                         // size 879, offset 23
  at(block, {0x51, 0x20});                                              // the test's notes
  const std::size_t h = block + 513;
  at(h, {0x00, 0x00, 0x00, 0x40});        // valve diameter 2.0
  at(h + 68, {0x6B, 0x00});               // plane 1 descriptor, plane 2 none
  at(h + 80, {0x00, 0x00, 0x01, 0x00});   // 0 records, 1 value per row
  at(h + 100, {0x0C, 0x00});              // colour 12
  at(h + 138, {0x1F, 0x00});              // bench kind 31
  at(h + 312, {0x00});                    // unused byte
  at(h + 362, {0x00, 0x00, 0x00, 0x3F});  // data: 0.5
}

TEST(Sy3TestFile, Version2TestByLiftWithPitots) {
  const Sy3File f =
      FileOf('B', {TestOf("OTHER", 5, 5, 1, 0, false), TestOf("RUN 1", 5, 5, 3, 2, false)});
  FlowTest t;
  ASSERT_EQ(Read(t, f, "RUN 1", 5), FlowError::Ok);
  EXPECT_EQ(t.Records(), 3);
  EXPECT_EQ(t.RecordLength(), 13);  // 10 values, 2 pitots and the actual depression
  EXPECT_EQ(t.Notes().substr(0, 15), "Notes of RUN 1\r");
  for (int r = 0; r <= 3; ++r) {
    const float row = float(r);
    EXPECT_EQ(t.FlowData(r, kColACfm), 90 * row);
    EXPECT_EQ(t.FlowData(r, kColCCfm), 100 * row);
    EXPECT_EQ(t.FlowData(r, kColSwirl), 3 * row);
    EXPECT_EQ(t.FlowData(r, kColAux), 0.25f);
    EXPECT_EQ(t.FlowData(r, kColTemperature1), 71);
    EXPECT_EQ(t.FlowData(r, kColTemperature2), 72);
    EXPECT_EQ(t.FlowData(r, kColDepr), 28);
    EXPECT_FLOAT_EQ(t.FlowData(r, kColLift), 0.05f * row);
    EXPECT_EQ(t.FlowData(r, kCurveMano), 14);
    EXPECT_EQ(t.FlowData(r, kCurveRange), 2);
    EXPECT_EQ(t.FlowData(r, kColPitot1), 10 * row + 1);
    EXPECT_EQ(t.FlowData(r, kColPitot1 + 1), 10 * row + 2);
    EXPECT_EQ(t.FlowData(r, kColPitot1 + 2), 0);
    EXPECT_EQ(t.FlowData(r, kColActualDepr), 27.5f);
    EXPECT_FLOAT_EQ(t.FlowData(r, kColXAreaVel1), 100 * row * 1.2f);  // CFM x 2.4 / 2 in2
  }
  const TestCondition& c = t.Condition;
  EXPECT_EQ(c.HeadIntakeVDia, 2.055f);
  EXPECT_EQ(c.HeadExhaustVDia, 2.055f);
  EXPECT_EQ(c.HeadExhaustStemDia, 0.3415f);
  EXPECT_EQ(c.HeadIntakeInnerDia, 1.86f);
  EXPECT_EQ(c.HeadExhaustSeatAngle, 45);
  EXPECT_EQ(c.XArea(-1), 2.0f);
  EXPECT_EQ(c.Humidity, 48);  // stored, not recomputed
  EXPECT_GT(c.HRatio, 0);
  EXPECT_EQ(c.ValveArea, 3.3f);
  EXPECT_EQ(c.SeatArea, 2.7f);
  EXPECT_EQ(c.FudgeFactor, 1.02f);
  EXPECT_EQ(c.Lift(20), 1.0f);
  EXPECT_EQ(c.HeadIntakePer, 1);
  EXPECT_EQ(c.HeadExhaustPer, 1);
  EXPECT_EQ(*c.TheDate, (CivilDate{2024, 3, 7}));
  EXPECT_EQ(c.TheTime, "09:30:00");
  EXPECT_EQ(t.BenchFileName, "SF600");
  EXPECT_FALSE(t.InDB);
}

TEST(Sy3TestFile, Version1BlockHasNoActualDepression) {
  // A version-1 block of 362 + 4 x (records + 1) x values bytes.
  Sy3Test v1 = TestOf("V1", 2, 2, 2, 0, true);
  ASSERT_EQ(v1.recordLength, 10);
  const Sy3File f = FileOf('A', {v1});
  ASSERT_EQ(test::Sy3Bytes(f).size(), 520 + 16 + 362 + 4u * 3 * 10);
  FlowTest t;
  ASSERT_EQ(Read(t, f, "V1", 2), FlowError::Ok);
  EXPECT_EQ(t.RecordLength(), 11);
  EXPECT_EQ(t.Notes().substr(0, 18), "Whole file notes\r\n");
  for (int r = 0; r <= 2; ++r) {
    EXPECT_EQ(t.FlowData(r, kColActualDepr), 0) << r;
    EXPECT_EQ(t.FlowData(r, kCurveRange), 2) << r;
    EXPECT_EQ(t.FlowData(r, kColCCfm), 100 * float(r)) << r;
  }
}

TEST(Sy3TestFile, RowLayoutOfEveryKind) {
  struct Row {
    int kind;
    bool temp2, lift, manoRange, booster, pitots;
  };
  const Row rows[] = {
      {0, true, false, true, false, false}, {1, false, false, true, false, false},
      {2, true, true, true, false, false},  {3, true, false, true, false, false},
      {5, true, true, true, false, true},   {6, true, false, true, true, false},
      {10, true, true, false, false, true}, {7, true, false, true, false, false},
  };
  for (const Row& r : rows) {
    for (char version : {'A', 'B'}) {
      const Sy3File f = FileOf(
          version, {TestOf("K", static_cast<std::int16_t>(r.kind), r.kind, 2, 3, version == 'A')});
      FlowTest t;
      ASSERT_EQ(Read(t, f, "K", r.kind), FlowError::Ok) << r.kind << version;
      const float two = 2;
      EXPECT_EQ(t.FlowData(2, kColCCfm), 100 * two) << r.kind;
      EXPECT_EQ(t.FlowData(2, kColDepr), 28) << r.kind;
      EXPECT_EQ(t.FlowData(2, kColTemperature2), r.temp2 ? 72 : 0) << r.kind;
      EXPECT_FLOAT_EQ(t.FlowData(2, kColLift), r.lift ? 0.1f : 0) << r.kind;
      EXPECT_EQ(t.FlowData(2, kCurveMano), r.manoRange ? 14 : 0) << r.kind;
      EXPECT_EQ(t.FlowData(2, kColBooster), r.booster ? 1.5f : 0) << r.kind;
      EXPECT_EQ(t.FlowData(2, kColPitot1 + 2), r.pitots ? 23 : 0) << r.kind;
      EXPECT_EQ(t.FlowData(2, kColActualDepr), version == 'B' ? 27.5f : 0) << r.kind;
    }
  }
}

TEST(Sy3TestFile, AveragedAndTotaledTestsReadWithTheirBaseKind) {
  struct Row {
    std::int16_t full;
    int kind;
    bool averaged, totaled;
  };
  for (const Row& r : {Row{105, 5, true, false}, Row{210, 10, false, true}}) {
    const Sy3File f = FileOf('B', {TestOf("AVG", r.full, r.kind, 2, 1, false)});
    FlowTest t;
    ASSERT_EQ(Read(t, f, "AVG", r.full), FlowError::Ok) << r.full;
    EXPECT_EQ(t.Condition.Kind(), r.kind);
    EXPECT_EQ(t.Condition.AveragedTest, r.averaged);
    EXPECT_EQ(t.Condition.TotaledTest, r.totaled);
    EXPECT_EQ(t.Condition.FullTestKind(), r.full);
    EXPECT_FLOAT_EQ(t.FlowData(2, kColLift), 0.1f);
    EXPECT_EQ(t.FlowData(2, kColPitot1), 21);
  }
}

TEST(Sy3TestFile, LookupByTrimmedNameAndFullKind) {
  Sy3Test first = TestOf("RUN 1", 5, 5, 2, 0, false);
  Sy3Test twin = TestOf("RUN 1", 5, 5, 3, 0, false);
  const Sy3File f = FileOf('B', {first, twin, TestOf("RUN 1", 2, 2, 4, 0, false)});
  struct Row {
    const char* name;
    std::int32_t kind;
    int expected;
    int records;
  };
  const Row rows[] = {{"RUN 1", 5, 0, 2},  // the first match wins
                      {"  RUN 1 ", 5, 0, 2}, {"RUN 1", 2, 0, 4},
                      {"RUN 1", 10, -1, 0},  // the right name with another kind
                      {"run 1", 5, -1, 0},   {"RUN", 5, -1, 0}};
  for (const Row& r : rows) {
    FlowTest t;
    EXPECT_EQ(static_cast<int>(Read(t, f, r.name, r.kind)), r.expected) << r.name << " " << r.kind;
    if (r.expected == 0) {
      EXPECT_EQ(t.Records(), r.records);
    }
  }
}

TEST(Sy3TestFile, PortMapPlanes) {
  Sy3Test t = TestOf("MAP", 4, 4, 0, 0, false);
  t.planeBytes[0] = 0x6B;  // 011 010 11: kind 3, row code 2 (8 wall rows), 3 columns
  t.planeBytes[2] = 0xA9;  // 101 010 01: kind 1, 2 rows, 5 columns: 10 regions
  t.records = 2;
  t.data.clear();
  for (int plane : {1, 3}) {
    t.data.push_back(70.0f + float(plane));  // temperature
    t.data.push_back(28.0f);                 // depression
    const int regions = plane == 1 ? 11 : 10;
    for (int region = 1; region <= regions; ++region) {
      t.data.push_back(float(plane * 100 + region));  // reading
      t.data.push_back(float(-region));               // velocity
    }
  }
  t.recordLength = static_cast<std::int16_t>(t.data.size());
  ASSERT_EQ(t.recordLength, 2 + 22 + 2 + 20);
  FlowTest read;
  ASSERT_EQ(Read(read, FileOf('B', {t}), "MAP", 4), FlowError::Ok);
  const TestCondition& c = read.Condition;
  EXPECT_EQ(c.PlaneKind(1), 3);
  EXPECT_EQ(c.PlaneWallRow(1), 8);
  EXPECT_EQ(c.PlaneCenterCol(1), 3);
  EXPECT_EQ(c.PlaneRegionCnt(1), 11);
  EXPECT_EQ(c.PlaneKind(3), 1);
  EXPECT_EQ(c.PlaneWallRow(3), 2);
  EXPECT_EQ(c.PlaneCenterCol(3), 5);
  EXPECT_EQ(c.PlaneRegionCnt(3), 10);
  EXPECT_EQ(c.PlaneKind(2), 0);
  EXPECT_EQ(c.PlaneTemperature(1), 71);
  EXPECT_EQ(c.PlaneTemperature(3), 73);
  EXPECT_EQ(c.PlaneDepression(3), 28);
  EXPECT_EQ(c.PlaneInches(1, 11), 111);
  EXPECT_EQ(c.PlaneVelocity(3, 10), -10);
  EXPECT_EQ(c.PlaneInches(3, 11), -1);  // past the plane's regions: no reading
  EXPECT_EQ(read.RecordLength(), 46);
  EXPECT_EQ(read.FlowData(1, kColCCfm), 0);  // no record table

  // Planes that do not fill the stored row are refused.
  t.planeBytes[2] = 0xAD;  // 3 rows x 5 columns, border rule: 12 regions
  FlowTest bad;
  EXPECT_EQ(Read(bad, FileOf('B', {t}), "MAP", 4), FlowError::NotFound);
}

TEST(Sy3TestFile, RangeCalibrationOrderByBench) {
  struct Row {
    std::int16_t bench;
    bool mixedOrder;
    float exhaust12;
  };
  const Row rows[] = {{31, true, 153.2f}, {50, true, 153.2f},
                      {33, true, 153.2f}, {0, false, 153.2f},
                      {3, false, 153.2f}, {100, false, float((1 - 1.05 / 55) * 10)}};
  for (const Row& r : rows) {
    Sy3Test t = TestOf("CAL", 5, 5, 1, 0, false);
    t.benchKind = r.bench;
    FlowTest read;
    ASSERT_EQ(Read(read, FileOf('B', {t}), "CAL", 5), FlowError::Ok);
    // File values are 1..22 in order.
    if (r.mixedOrder) {
      for (int i = 1; i <= 8; ++i) EXPECT_EQ(read.ExhaustRangeCal(i), float(i));
      EXPECT_EQ(read.ExhaustRangeCal(11), 9);
      EXPECT_EQ(read.IntakeRangeCal(9), 10);
      EXPECT_EQ(read.ExhaustRangeCal(9), 11);
      for (int i = 1; i <= 8; ++i) EXPECT_EQ(read.IntakeRangeCal(i), float(11 + i));
      EXPECT_EQ(read.IntakeRangeCal(11), 20);
      EXPECT_EQ(read.IntakeRangeCal(10), 21);
      EXPECT_EQ(read.ExhaustRangeCal(10), 22);
    } else {
      for (int i = 1; i <= 11; ++i) {
        EXPECT_EQ(read.ExhaustRangeCal(i), float(i));
        EXPECT_EQ(read.IntakeRangeCal(i), float(11 + i));
      }
    }
    EXPECT_FLOAT_EQ(read.ExhaustRangeCal(12), r.exhaust12) << r.bench;
    EXPECT_EQ(read.IntakeRangeCal(12), 0);
    EXPECT_EQ(read.BenchKind, r.bench);
  }
}

TEST(Sy3TestFile, HeaderFlagsAndPlotColour) {
  struct Row {
    std::int16_t flags;
    std::int16_t swirl, weather;
  };
  for (const Row& r : {Row{0, 0, -1}, Row{2, 1, -1}, Row{4, 0, 0}, Row{6, 1, 0}}) {
    Sy3Test t = TestOf("F", 5, 5, 1, 0, false);
    t.flags = r.flags;
    FlowTest read;
    read.Condition.UseLDRatio = true;
    ASSERT_EQ(Read(read, FileOf('B', {t}), "F", 5), FlowError::Ok);
    EXPECT_EQ(read.Condition.SwirlTumble, r.swirl) << r.flags;
    EXPECT_EQ(read.Condition.WeatherCorrection, r.weather) << r.flags;
    EXPECT_FALSE(read.Condition.UseLDRatio);
  }
  struct Colour {
    std::int16_t index;
    std::int32_t rgb;  // 0x00BBGGRR
  };
  for (const Colour& col :
       {Colour{0, 0x000000}, Colour{4, 0x000080}, Colour{9, 0xFF0000}, Colour{12, 0x0000FF},
        Colour{14, 0x00FFFF}, Colour{15, 0xFFFFFF}, Colour{16, 0x123456}, Colour{-1, 0x123456}}) {
    Sy3Test t = TestOf("C", 5, 5, 1, 0, false);
    t.colorIndex = col.index;
    FlowTest read;
    read.PlotColor = 0x123456;
    ASSERT_EQ(Read(read, FileOf('B', {t}), "C", 5), FlowError::Ok);
    EXPECT_EQ(read.PlotColor, col.rgb) << col.index;
  }
}

TEST(Sy3TestFile, RecordCountAbove1000) {
  Sy3Test t = TestOf("BIG", 5, 5, 2, 0, false);
  t.records = 1002;
  FlowTest read;
  ASSERT_EQ(Read(read, FileOf('B', {t}), "BIG", 5), FlowError::Ok);
  EXPECT_EQ(read.Records(), 2);
}

TEST(Sy3TestFile, DamagedFilesGiveTheirCodes) {
  const Sy3Test good = TestOf("T", 5, 5, 2, 0, false);
  const std::string whole = test::Sy3Bytes(FileOf('B', {good}));
  struct Row {
    const char* what;
    std::string bytes;
    int expected;
  };
  std::vector<Row> rows = {
      {"empty", "", 2},
      {"too short to examine", whole.substr(0, 326), -1},
      {"whole", whole, 0},
  };
  const auto edited = [&](std::size_t at, char value) {
    std::string b = whole;
    b[at] = value;
    return b;
  };
  rows.push_back({"wrong tag", edited(2, 'X'), -1});
  rows.push_back({"unknown version", edited(4, 'C'), -1});
  rows.push_back({"negative test count", edited(6, '\x80'), -1});
  rows.push_back({"directory past the end", edited(5, '\x7F'), -1});
  rows.push_back({"block cut", whole.substr(0, whole.size() - 1), -1});
  {
    Sy3File f = FileOf('A', {good});
    f.tests[0].data.resize(0);
    f.tests[0].records = 0;
    f.tests[0].recordLength = 0;
    std::string b = test::Sy3Bytes(f);
    rows.push_back({"version 1 shorter than 520 bytes", b.substr(0, 519), -1});
  }
  const auto variant = [&](auto change) {
    Sy3Test t = good;
    change(t);
    return test::Sy3Bytes(FileOf('B', {t}));
  };
  rows.push_back({"block under 312 bytes of header",
                  variant([](Sy3Test& t) { t.sizeOverride = 513 + 311; }), -1});
  rows.push_back({"negative block size", variant([](Sy3Test& t) { t.sizeOverride = -4; }), -1});
  rows.push_back({"block past the end", variant([](Sy3Test& t) { t.offsetOverride = 40; }), -1});
  rows.push_back({"negative offset", variant([](Sy3Test& t) { t.offsetOverride = -1; }), -1});
  rows.push_back({"size not matching the records", variant([](Sy3Test& t) { t.records = 3; }), -1});
  rows.push_back({"negative records", variant([](Sy3Test& t) { t.records = -1; }), -1});
  rows.push_back({"row length not the kind's", variant([](Sy3Test& t) {
                    t.recordLength = 12;
                    t.data.resize(3 * 12);
                  }),
                  -1});
  rows.push_back({"pitot count past 12", variant([](Sy3Test& t) { t.pitotPerLift = 13; }), -1});
  for (const Row& r : rows) {
    FlowTest t;
    t.Condition.SetName("T");
    t.Condition.SetKind(5);
    EXPECT_EQ(static_cast<int>(ReadSy3TestBytes(t, Bytes(r.bytes), 1)), r.expected) << r.what;
  }
  // The notes and header alone do not need a block of the right size.
  FlowTest notes;
  notes.Condition.SetName("T");
  notes.Condition.SetKind(5);
  EXPECT_EQ(ReadSy3TestBytes(notes, Bytes(variant([](Sy3Test& t) { t.records = 3; })), 2),
            FlowError::Ok);
  EXPECT_EQ(notes.Condition.HeadIntakeVDia, 2.055f);
}

TEST(Sy3TestFile, TestNamesAndFiles) {
  test::TempDir dir;
  std::vector<Sy3TestName> names = {{"stale", 1}};
  EXPECT_EQ(ReadSY3TestNames((dir / "none.SY3").string(), names), FlowError::EmptySy3);
  EXPECT_TRUE(names.empty());
  std::ofstream((dir / "empty.SY3").string()).close();
  EXPECT_EQ(ReadSY3TestNames((dir / "empty.SY3").string(), names), FlowError::EmptySy3);

  const Sy3File f =
      FileOf('A', {TestOf(" RUN 1", 5, 5, 1, 0, true), TestOf("MAP", 4, 4, 0, 0, true),
                   TestOf("AVG", 102, 2, 1, 0, true)});
  test::WriteSy3File(dir / "HEAD.SY3", f);
  ASSERT_EQ(ReadSY3TestNames((dir / "HEAD.SY3").string(), names), FlowError::Ok);
  EXPECT_EQ(names, (std::vector<Sy3TestName>{{"RUN 1", 5}, {"MAP", 4}, {"AVG", 102}}));

  FlowTest t;
  t.SetPathFile((dir / "HEAD.SY3").string());
  t.Condition.SetName("AVG");
  t.Condition.SetKind(102);
  EXPECT_EQ(R3Notes(t), FlowError::Ok);
  EXPECT_EQ(t.Records(), 0);
  EXPECT_EQ(R3DataFile(t, 1), FlowError::Ok);
  EXPECT_EQ(t.Records(), 1);
  t.SetPathFile((dir / "none.SY3").string());
  EXPECT_EQ(R3DataFile(t, 1), FlowError::EmptySy3);
}

}  // namespace
}  // namespace orv
