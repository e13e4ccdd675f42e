#include "airflow/load_test.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include "airflow/test_database_cache.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/fake_prompter.h"
#include "support/sy3_writer.h"
#include "support/sy_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

// A DOS test of three points: lifts 0.1..0.3, corrected flows 110..330, swirl 4..12.
test::SyFile DosFile() {
  test::SyFile f;
  f.version = 'E';
  f.testType = 5;
  for (int i = 1; i <= 3; ++i) {
    test::SyRecord r;
    r.lift = 0.1f * float(i);
    r.ccfm = 110.0f * float(i);
    r.acfm = 100.0f * float(i);
    r.swirl = 4.0f * float(i);
    r.depr = 28;
    f.records.push_back(r);
  }
  return f;
}

// An SY3 file with an exhaust test "EX 2" (kind 5) of two points and a test "IN 1" (kind 2).
test::Sy3File Sy3FileOf() {
  test::Sy3File f;
  f.version = 'B';
  for (const auto& [name, kind] : {std::pair<const char*, int>{"IN 1", 2}, {"EX 2", 5}}) {
    test::Sy3Test t;
    t.name = name;
    t.fullKind = static_cast<std::int16_t>(kind);
    t.records = 2;
    for (int r = 0; r <= 2; ++r) {
      test::Sy3Row row;
      row.lift = 0.15f * float(r);
      row.ccfm = 95.0f * float(r);
      row.swirl = 7.0f * float(r);
      row.depr = 28;
      const auto v = test::Sy3RowValues(kind, row, false);
      t.recordLength = static_cast<std::int16_t>(v.size());
      t.data.insert(t.data.end(), v.begin(), v.end());
    }
    f.tests.push_back(t);
  }
  return f;
}

struct Fixture {
  test::TempDir dir;
  std::string dosPath = (dir / "RUN7.SY").string();
  std::string sy3Path = (dir / "HEADS.SY3").string();
  Fixture() {
    test::WriteSyFile(dosPath, DosFile());
    test::WriteSy3File(sy3Path, Sy3FileOf());
  }
};

std::vector<float> Values(const BoundedArray<float>& t) { return t.values(); }

TEST(LoadSYTest, DosFileFillsTheIntakeTables) {
  Fixture fx;
  EngineInputs in;
  FlowTest current;
  std::int32_t kind = 0;
  ASSERT_EQ(LoadSYTest(fx.dosPath, "ignored", true, kind, false, 0, in, current), FlowError::Ok);
  EXPECT_EQ(kind, 5);
  EXPECT_EQ(in.ILift.lo(), 0);
  EXPECT_EQ(in.ILift.hi(), 3);
  EXPECT_EQ(Values(in.ILift), (std::vector<float>{0, 0.1f, 0.2f, 0.1f * 3}));
  EXPECT_EQ(Values(in.ICfm), (std::vector<float>{0, 110, 220, 330}));
  EXPECT_EQ(Values(in.ISwirl), (std::vector<float>{0, 4, 8, 12}));
  EXPECT_EQ(in.ELift.count(), 1);  // the other side untouched
  EXPECT_EQ(current.Records(), 3);
  EXPECT_EQ(current.TestID, -1);
  EXPECT_EQ(current.PathFile(), fx.dosPath);
  EXPECT_EQ(in.intakeFlow, (FlowTestRef{fx.dosPath, "", -1, 5, false}));
}

TEST(LoadSYTest, Sy3ExhaustTestCopiesNoSwirl) {
  Fixture fx;
  EngineInputs in;
  in.ISwirl.Redim(0, 2);
  in.ISwirl[1] = 99;
  FlowTest current;
  std::int32_t kind = 5;
  ASSERT_EQ(LoadSYTest(fx.sy3Path, "EX 2", false, kind, false, 0, in, current), FlowError::Ok);
  EXPECT_EQ(kind, 5);
  EXPECT_EQ(Values(in.ELift), (std::vector<float>{0, 0.15f, 0.3f}));
  EXPECT_EQ(Values(in.ECfm), (std::vector<float>{0, 95, 190}));
  EXPECT_EQ(Values(in.ISwirl), (std::vector<float>{0, 99, 0}));
  EXPECT_EQ(in.ILift.count(), 1);
  EXPECT_EQ(current.Name(), "EX 2");
  EXPECT_EQ(in.exhaustFlow, (FlowTestRef{fx.sy3Path, "EX 2", -1, 5, false}));
}

TEST(LoadSYTest, FailuresKeepTheCurrentTestAndTables) {
  Fixture fx;
  std::string shortDos = (fx.dir / "SHORT.sy").string();
  test::SyFile noRecords = DosFile();
  noRecords.records.clear();
  test::WriteSyFile(shortDos, noRecords);
  std::string nanDos = (fx.dir / "NAN.SY").string();
  test::SyFile nan = DosFile();
  nan.records[1].ccfm = std::numeric_limits<float>::quiet_NaN();
  test::WriteSyFile(nanDos, nan);
  std::string emptySy3 = (fx.dir / "EMPTY.SY3").string();
  std::ofstream(emptySy3, std::ios::trunc).close();

  struct Row {
    const char* what;
    std::string path;
    std::string name;
    std::int32_t kind;
    bool fromDatabase;
    int expected;
  };
  const Row rows[] = {
      {"wrong kind", fx.sy3Path, "EX 2", 2, false, -1},
      {"unknown name", fx.sy3Path, "EX 9", 5, false, -1},
      {"missing DOS file", (fx.dir / "NONE.SY").string(), "", 0, false, -1},
      {"missing SY3 file", (fx.dir / "NONE.SY3").string(), "EX 2", 5, false, 2},
      {"empty SY3 file", emptySy3, "EX 2", 5, false, 2},
      {"DOS file without records (lower-case extension)", shortDos, "", 0, false, 3},
      {"DOS file with a flow that is not a number", nanDos, "", 0, false, 1},
      {"a DOS file read as SY3", fx.dosPath + ".bak", "X", 5, false, 2},
      {"test database", (fx.dir / "Tests.mdb").string(), "EX 2", 5, true, -1},
  };
  for (const Row& r : rows) {
    EngineInputs in;
    FlowTest current;
    std::int32_t kind = 0;
    ASSERT_EQ(LoadSYTest(fx.dosPath, "", true, kind, false, 0, in, current), FlowError::Ok);
    const EngineInputs before = in;
    const FlowTest beforeTest = current;
    std::int32_t k = r.kind;
    EXPECT_EQ(
        static_cast<int>(LoadSYTest(r.path, r.name, true, k, r.fromDatabase, 12, in, current)),
        r.expected)
        << r.what;
    EXPECT_EQ(k, r.kind) << r.what;
    EXPECT_EQ(in.ILift, before.ILift) << r.what;
    EXPECT_EQ(in.ICfm, before.ICfm) << r.what;
    EXPECT_EQ(in.ISwirl, before.ISwirl) << r.what;
    EXPECT_EQ(in.intakeFlow, before.intakeFlow) << r.what;
    EXPECT_TRUE(current == beforeTest) << r.what;
  }
}

// The sample bench with a kind-5 test (ID 20) that has fewer pitot rows than records.
struct DatabaseFixture {
  test::TempDir dir;
  std::string path = (dir / "Bench.mdb").string();
  TestDatabaseCache cache;
  test::FakePrompter prompter;
  std::vector<std::string>& reports = prompter.warnings;
  DatabaseAccess access{&cache, &prompter};
  DatabaseFixture() {
    JetReaderOptions reader;
    reader.executable = test::OrvantisProgram();
    cache.SetReader(reader);
    using I = std::int64_t;
    test::BenchDatabase b = test::SampleBench();
    b.Add("TblTest", {{"ID", I{20}}, {"TestKind", I{5}}, {"TestName", std::string("Short")}});
    b.Add("TblManualByLift", {{"TestID", I{20}}, {"PitotPerLift", I{1}}});
    for (I item = 1; item <= 2; ++item) {
      b.Add("TblByLiftOrDeprData", {{"TestID", I{20}}, {"ItemNo", item}, {"Lift", 0.2 * item}});
    }
    b.Add("TblByLiftPitotData", {{"TestID", I{20}}, {"ItemNo", I{1}}});
    b.Write(path);
  }
};

TEST(LoadSYTest, DatabaseTestFillsTheSideTables) {
  DatabaseFixture fx;
  struct Row {
    bool intake;
    std::int32_t id;
    std::int32_t kindAsked;
    std::int32_t kind;
    std::vector<float> lifts, flows, swirl;
    const char* name;
  };
  const Row rows[] = {
      {true,
       1,
       2,
       2,
       {0, 0.1f, 0.2f, 0.3f, 0.4f},
       {0, 60, 120, 170, 210},
       {0, 3.5f, 3.5f, 3.5f, 3.5f},
       "SBC Auto Intake"},
      {true,
       5,
       kAnyKindOfDatabaseTest,
       5,
       {0, 0.1f, 0.2f, 0.3f},
       {0, 80, 160, 240},
       {0, 3.5f, 3.5f, 3.5f},
       "Manual Pitot"},
      {false,
       2,
       kAnyKindOfDatabaseTest,
       2,
       {0, 0.1f, 0.2f, 0.3f},
       {0, 50, 95, 130},
       {},
       "SBC Auto Exhaust"},
      {false, 7, 10, 10, {0, 0.2f, 0.4f}, {0, 100, 175}, {}, "Keyed In"},
  };
  for (const Row& r : rows) {
    EngineInputs in;
    FlowTest current;
    std::int32_t kind = r.kindAsked;
    ASSERT_EQ(LoadSYTest(fx.path, "", r.intake, kind, true, r.id, in, current, {}, fx.access),
              FlowError::Ok)
        << r.id;
    EXPECT_EQ(kind, r.kind) << r.id;
    EXPECT_EQ(Values(r.intake ? in.ILift : in.ELift), r.lifts) << r.id;
    EXPECT_EQ(Values(r.intake ? in.ICfm : in.ECfm), r.flows) << r.id;
    if (r.intake) {
      EXPECT_EQ(Values(in.ISwirl), r.swirl) << r.id;
      EXPECT_EQ(in.ELift.count(), 1);
    } else {
      EXPECT_EQ(in.ISwirl.count(), 1) << "an exhaust test copies no swirl";
    }
    EXPECT_EQ(r.intake ? in.intakeFlow : in.exhaustFlow,
              (FlowTestRef{fx.path, r.name, r.id, r.kind, false}));
    EXPECT_EQ(current.TestID, r.id);
    EXPECT_TRUE(current.InDB);
    EXPECT_EQ(current.PathFile(), fx.path);
  }
  EXPECT_TRUE(fx.reports.empty());
}

TEST(LoadSYTest, DatabaseFailuresKeepTheCurrentTestAndTables) {
  DatabaseFixture fx;
  std::ofstream(fx.dir / "text.mdb") << "no database here, only text of some length";
  struct Row {
    const char* what;
    std::string path;
    std::int32_t id;
    std::int32_t kind;
    bool reported;
    bool withAccess = true;
  };
  const Row rows[] = {
      {"missing file", (fx.dir / "none.mdb").string(), 1, kAnyKindOfDatabaseTest, true},
      {"not a Jet database", (fx.dir / "text.mdb").string(), 1, kAnyKindOfDatabaseTest, true},
      {"test not found", fx.path, 99, kAnyKindOfDatabaseTest, false},
      {"kind table without the test's row", fx.path, 9, kAnyKindOfDatabaseTest, false},
      {"too few pitot rows", fx.path, 20, kAnyKindOfDatabaseTest, false},
      {"another kind than asked for", fx.path, 1, 5, false},
      {"no access to databases", fx.path, 1, kAnyKindOfDatabaseTest, false, false},
  };
  for (const Row& r : rows) {
    EngineInputs in;
    FlowTest current;
    std::int32_t kind = kAnyKindOfDatabaseTest;
    ASSERT_EQ(LoadSYTest(fx.path, "", true, kind, true, 3, in, current, {}, fx.access),
              FlowError::Ok);
    const EngineInputs before = in;
    const FlowTest beforeTest = current;
    fx.reports.clear();
    std::int32_t k = r.kind;
    EXPECT_EQ(LoadSYTest(r.path, "", true, k, true, r.id, in, current, {},
                         r.withAccess ? fx.access : DatabaseAccess{}),
              FlowError::NotFound)
        << r.what;
    EXPECT_EQ(k, r.kind) << r.what;
    EXPECT_EQ(fx.reports.size(), r.reported ? 1u : 0u) << r.what;
    EXPECT_EQ(in.ILift, before.ILift) << r.what;
    EXPECT_EQ(in.ICfm, before.ICfm) << r.what;
    EXPECT_EQ(in.ISwirl, before.ISwirl) << r.what;
    EXPECT_EQ(in.intakeFlow, before.intakeFlow) << r.what;
    EXPECT_TRUE(current == beforeTest) << r.what;
  }
}

TEST(LoadSYTest, DosPathsByTheirLastThreeCharacters) {
  struct Row {
    const char* path;
    bool dos;
  };
  for (const Row& r :
       {Row{"A.SY", true}, Row{"a.sy", true}, Row{"/x/RUN.Sy", true}, Row{"A.SY3", false},
        Row{"SY", false}, Row{"A.XSY", false}, Row{"", false}}) {
    EXPECT_EQ(IsDosTestPath(r.path), r.dos) << r.path;
  }
}

}  // namespace
}  // namespace orv
