#include "airflow/test_database.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <random>

#include "airflow/jet_errors.h"
#include "base/atomic_file.h"
#include "base/error_trace.h"
#include "base/runtime_error.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/reader_scripts.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::BenchDatabase;
using test::JetDayNumber;
using test::TempDir;

using test::ReaderOf;

// The sample bench written to a file of its own.
class SampleFile {
 public:
  explicit SampleFile(const BenchDatabase& bench = test::SampleBench(),
                      const test::JetWriteOptions& options = {}) {
    bench.Write(path(), options);
  }
  std::filesystem::path path() const { return dir_ / "bench.mdb"; }

 private:
  TempDir dir_;
};

int ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    EStackTrace::Instance().Clear();
    return e.number();
  }
  return 0;
}

void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

TEST(TestDatabase, ListsTheUserTablesWithTheirColumnsAndKeys) {
  SampleFile f;
  TestDatabase db(f.path(), ReaderOf());
  EXPECT_EQ(db.jetVersion(), 1u);
  ASSERT_EQ(db.tables().size(), BenchDatabase::TableNames().size());
  EXPECT_EQ(db.tables()[0].name, "TblTest");
  EXPECT_EQ(db.tables()[0].columns.size(), BenchDatabase::Columns("TblTest").size());
  EXPECT_EQ(db.tables()[0].primaryKey, std::vector<std::uint16_t>{0});
  EXPECT_TRUE(db.HasTable("tbltest"));
  EXPECT_FALSE(db.HasTable("MSysObjects"));
  EXPECT_TRUE(db.FileUnchanged());
}

TEST(TestDatabase, ValuesComeBackAsStored) {
  SampleFile f;
  TestDatabase db(f.path(), ReaderOf());
  RecordSet rs = db.OpenRecordSet("SELECT * FROM TblTest WHERE ID = 1");
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Field("TestName").AsText(), "SBC Auto Intake");
  EXPECT_EQ(rs.Field("TestKind").AsLong(), 2);
  EXPECT_EQ(rs.Field("MaxCfm").AsSingle(), 265.25f);
  EXPECT_EQ(rs.Field("MaxCfm").columnType(), JetColumnType::Single);
  EXPECT_EQ(rs.Field("Date").AsDate(), JetDayNumber(2024, 3, 14));
  EXPECT_EQ(rs.Field("Date").columnType(), JetColumnType::DateAndTime);
  EXPECT_EQ(rs.Field("UseRH").kind(), JetField::Kind::Integer);
  EXPECT_TRUE(rs.Field("UseRH").AsBoolean());
  EXPECT_EQ(rs.Field("UseRH").AsText(), "True");
  EXPECT_FALSE(rs.Field("SwirlOn").AsBoolean());  // a flag never written reads false
  EXPECT_EQ(rs.Field("CylinderNo").AsByte(), 1);
  EXPECT_EQ(rs.Field("Notes").AsText().size(), 513u);
  // An empty text and a NULL text stay apart.
  EXPECT_EQ(rs.Field("CustomB").kind(), JetField::Kind::Text);
  EXPECT_EQ(rs.Field("CustomB").AsText(), "");
  EXPECT_TRUE(rs.Field("CustomC").IsNull());
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());

  EXPECT_EQ(db.OpenRecordSet("SELECT CustomA FROM TblTest WHERE ID = 3").Field(0).AsText(),
            "Zürich €");

  // A Single keeps every bit: 2.02 as a 32-bit float, not the decimal 2.02.
  RecordSet head = db.OpenRecordSet("SELECT * FROM TblAutoByLift WHERE TestID = 1");
  EXPECT_EQ(head.Field("HeadIntakeVDia").AsDouble(), static_cast<double>(2.02f));
  EXPECT_EQ(head.Field("HeadIntakeVDia").AsText(), "2.02");
  EXPECT_EQ(head.Field("HeadIntakeEdge").AsByte(), 0);
  RecordSet manual = db.OpenRecordSet("SELECT * FROM TblManualByLift WHERE TestID = 5");
  EXPECT_EQ(manual.Field("PitotPerLift").AsByte(), 255);
}

// The older Jet 3 form (Access 97) reads the same: mdbtools decodes its Windows-1252 text and
// its one-byte row offsets.
TEST(TestDatabase, Jet3FilesGiveTheSameValues) {
  test::JetWriteOptions options;
  options.jet3 = true;
  SampleFile f(test::SampleBench(), options);
  TestDatabase db(f.path(), ReaderOf());
  EXPECT_EQ(db.jetVersion(), 0u);
  RecordSet rs = db.OpenRecordSet("SELECT * FROM TblTest WHERE ID = 1");
  EXPECT_EQ(rs.Field("TestName").AsText(), "SBC Auto Intake");
  EXPECT_EQ(rs.Field("MaxCfm").AsSingle(), 265.25f);
  EXPECT_EQ(rs.Field("Date").AsDate(), JetDayNumber(2024, 3, 14));
  EXPECT_TRUE(rs.Field("UseRH").AsBoolean());
  EXPECT_EQ(rs.Field("Notes").AsText().substr(57, 20), "Second line of notes");
  EXPECT_EQ(rs.Field("CustomB").AsText(), "");
  EXPECT_TRUE(rs.Field("CustomC").IsNull());
  EXPECT_EQ(ReadSingle(rs, "Barometer", 29.92f), 29.92f);
  EXPECT_EQ(db.OpenRecordSet("SELECT * FROM TblCustomer WHERE Name LIKE 'o''b*'").RecordCount(), 1);
  EXPECT_EQ(db.OpenRecordSet("SELECT * FROM TblPortMapData WHERE TestID = 4").RecordCount(), 14);
  EXPECT_EQ(db.tables()[0].primaryKey, std::vector<std::uint16_t>{0});
  // Windows-1252 text comes back as UTF-8.
  EXPECT_EQ(db.OpenRecordSet("SELECT CustomA FROM TblTest WHERE ID = 3").Field(0).AsText(),
            "Zürich €");
}

TEST(TestDatabase, MissingColumnsAndNullsTakeTheReadersDefaults) {
  SampleFile f(test::SampleBench().Omit("TblTest", "WetBulb"));
  TestDatabase db(f.path(), ReaderOf());
  RecordSet rs = db.OpenRecordSet("SELECT * FROM TblTest WHERE ID = 1");
  // "Barometer" is NULL in test 1; "WetBulb" is not in the table.
  EXPECT_EQ(ReadSingle(rs, "Barometer", 29.92f), 29.92f);
  EXPECT_EQ(ReadSingle(rs, "WetBulb", 59.0f), 59.0f);
  EXPECT_EQ(ReadSingle(rs, "MaxCfm", 0.0f), 265.25f);
  EXPECT_EQ(ReadText(rs, "CustomC", "none"), "none");
  EXPECT_EQ(ReadText(rs, "CustomB", "none"), "");
  EXPECT_EQ(ReadBoolean(rs, "IsIntake", true), true);
  EXPECT_EQ(ReadLong(rs, "StdFlowMethod", 0), 0);
  EXPECT_EQ(ReadByte(rs, "CylinderNo", 1), 1);
  EXPECT_EQ(ReadInteger(rs, "PlotColor", 0), 255);
  EXPECT_EQ(ReadDate(rs, "Date", 0), JetDayNumber(2024, 3, 14));
  EXPECT_EQ(ReadDouble(rs, "AvgCfm", 0), 210.5);
  // The errors behind the defaults.
  EXPECT_EQ(ErrorNumberOf([&] { rs.Field("WetBulb"); }), kErrItemNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { rs.Field("Barometer").AsSingle(); }), kErrInvalidUseOfNull);
  EXPECT_EQ(ErrorNumberOf([&] { rs.Field("CustomC").AsText(); }), kErrInvalidUseOfNull);
  rs.MoveNext();
  EXPECT_EQ(ErrorNumberOf([&] { ReadSingle(rs, "MaxCfm", 0); }), kErrNoCurrentRecord);
  EXPECT_EQ(ErrorNumberOf([&] { rs.MoveNext(); }), kErrNoCurrentRecord);
}

TEST(TestDatabase, TheReadersStatementsReturnTheTestsRows) {
  SampleFile f;
  TestDatabase db(f.path(), ReaderOf());
  struct Row {
    std::string sql;
    long rows;
  };
  const Row rows[] = {
      {"SELECT ID FROM TblTest", 9},
      {"SELECT * FROM TblTest WHERE ID = 5", 1},
      {"SELECT * FROM TblTest WHERE ID = 42", 0},
      {"SELECT * FROM TblAutoByLift WHERE TestID = 1", 1},
      {"SELECT * FROM TblAutoByLift WHERE TestID = 9", 0},
      {"SELECT * FROM TblByDepr WHERE TestID = 3", 1},
      {"SELECT * FROM TblPortMap WHERE TestID = 4", 1},
      {"SELECT * FROM TblPortMapData WHERE TestID = 4", 14},
      {"SELECT * FROM TblManualByLift WHERE TestID = 5", 1},
      {"SELECT * FROM TblCarbTest WHERE TestID = 6", 1},
      {"SELECT * FROM TblCarbData WHERE TestID = 6", 3},
      {"SELECT * FROM TblCfmByKbd WHERE TestID = 7", 1},
      {"SELECT * FROM TblByLiftOrDeprData WHERE TestID = 1", 4},
      {"SELECT * FROM TblByLiftOrDeprData WHERE TestID = 5", 3},
      {"SELECT * FROM TblByLiftPitotData WHERE TestID = 5", 3},
      {"SELECT * FROM TblCustomNames", 5},
  };
  for (const Row& r : rows) {
    RecordSet rs = db.OpenRecordSet(r.sql);
    EXPECT_EQ(rs.RecordCount(), r.rows) << r.sql;
    EXPECT_EQ(rs.Eof(), r.rows == 0) << r.sql;  // back on the first row after counting
  }
}

TEST(TestDatabase, RowsComeInTheOrderOfTheFile) {
  SampleFile f;
  TestDatabase db(f.path(), ReaderOf());
  auto column = [&](const std::string& sql, const char* name) {
    std::vector<long> values;
    for (RecordSet rs = db.OpenRecordSet(sql); !rs.Eof(); rs.MoveNext()) {
      values.push_back(rs.Field(name).AsLong());
    }
    return values;
  };
  EXPECT_EQ(column("SELECT * FROM TblCarbData WHERE TestID = 6", "VenturiID"),
            (std::vector<long>{7, 3, 9}));
  EXPECT_EQ(column("SELECT * FROM TblByLiftOrDeprData WHERE TestID = 5", "ItemNo"),
            (std::vector<long>{3, 1, 2}));
  EXPECT_EQ(column("SELECT * FROM TblPortMapData WHERE TestID = 4", "Region"),
            (std::vector<long>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
}

TEST(TestDatabase, TablesOpenedWholeFollowTheirPrimaryKey) {
  SampleFile f;
  TestDatabase db(f.path(), ReaderOf());
  std::vector<std::string> names;
  for (RecordSet rs = db.OpenTable("TblOperator"); !rs.Eof(); rs.MoveNext()) {
    names.push_back(rs.Field("Name").AsText());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Bob", "Alice", "O'Neil"}));
  // Without a key the file's order stays.
  names.clear();
  for (RecordSet rs = db.OpenTable("TblCustomNames"); !rs.Eof(); rs.MoveNext()) {
    names.push_back(rs.Field("Name").AsText());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Port Job", "Porter", "Last Item", "Zero", "Beyond"}));
  EXPECT_EQ(ErrorNumberOf([&] { db.OpenTable("TblNothing"); }), kErrTableNotFound);
}

TEST(TestDatabase, TextComparesWithoutRegardToCase) {
  SampleFile f;
  TestDatabase db(f.path(), ReaderOf());
  EXPECT_EQ(db.OpenRecordSet("SELECT ID FROM TblTest WHERE HeadMfg = 'DART'").RecordCount(), 2);
  EXPECT_EQ(db.OpenRecordSet("SELECT ID FROM TblTest WHERE HeadMfg LIKE '*ART'").RecordCount(), 2);
  EXPECT_EQ(db.OpenRecordSet("SELECT ID FROM TblTest WHERE Date = #3/14/2024# AND UseRH = True")
                .RecordCount(),
            4);
}

TEST(TestDatabase, QueryFailuresCarryTheDatabaseErrorNumbers) {
  SampleFile f;
  TestDatabase db(f.path(), ReaderOf());
  struct Row {
    const char* sql;
    int error;
  };
  const Row rows[] = {
      {"SELECT * FROM TblNothing", kErrTableNotFound},
      {"SELECT NoSuchColumn FROM TblTest", kErrTooFewParameters},
      {"SELECT FROM WHERE", kErrQuerySyntax},
      {"SELECT * FROM TblTest WHERE Name = 'open", kErrQuerySyntax},
      {"SELECT * FROM TblTest WHERE Date = #2/30/2024#", kErrQuerySyntax},
      {"", kErrQuerySyntax},
  };
  for (const Row& r : rows)
    EXPECT_EQ(ErrorNumberOf([&] { db.OpenRecordSet(r.sql); }), r.error) << r.sql;
  // The database stays usable.
  EXPECT_EQ(db.OpenRecordSet("SELECT ID FROM TblTest").RecordCount(), 9);
}

TEST(TestDatabase, RecordSetsOutliveTheirDatabase) {
  SampleFile f;
  std::optional<RecordSet> rs;
  {
    TestDatabase db(f.path(), ReaderOf());
    rs.emplace(db.OpenRecordSet("SELECT TestName FROM TblTest WHERE ID = 3"));
  }
  EXPECT_EQ(rs->Field("TestName").AsText(), "Depression Sweep");
}

TEST(TestDatabase, FilesThatAreNotDatabasesAreRefused) {
  TempDir dir;
  WriteFile(dir / "text.mdb", "This is not a database at all, just some text.\n");
  WriteFile(dir / "empty.mdb", "");
  std::filesystem::create_directory(dir / "folder.mdb");
  EXPECT_EQ(ErrorNumberOf([&] { TestDatabase(dir / "missing.mdb", ReaderOf()); }),
            kErrFileNotFoundDb);
  EXPECT_EQ(ErrorNumberOf([&] { TestDatabase(dir / "folder.mdb", ReaderOf()); }),
            kErrFileNotFoundDb);
  EXPECT_EQ(ErrorNumberOf([&] { TestDatabase(dir / "text.mdb", ReaderOf()); }), kErrUnrecognizedDb);
  EXPECT_EQ(ErrorNumberOf([&] { TestDatabase(dir / "empty.mdb", ReaderOf()); }),
            kErrUnrecognizedDb);
}

// Damaged copies of the sample bench. Whatever mdbtools makes of them, reading them never harms
// this process: each read either works or ends in a database error.
TEST(TestDatabase, DamagedFilesGiveAnErrorAndTheProgramLives) {
  SampleFile f;
  const std::string good = ReadWholeFile(f.path()).value();
  TempDir dir;
  const auto bad = dir / "bad.mdb";
  auto readAll = [&] {
    TestDatabase db(bad, ReaderOf());
    for (const JetTableInfo& t : db.tables()) {
      db.OpenRecordSet("SELECT * FROM [" + t.name + "]").RecordCount();
    }
  };
  auto expectRefused = [&](const std::string& bytes, const char* what) {
    WriteFile(bad, bytes);
    const int error = ErrorNumberOf(readAll);
    EXPECT_TRUE(error == kErrCannotOpenDb || error == kErrUnrecognizedDb) << what << ": " << error;
  };
  expectRefused(good.substr(0, 2 * 4096 + 100), "cut inside the catalog");
  std::string catalog = good;
  std::fill(catalog.begin() + 2 * 4096, catalog.begin() + 3 * 4096, '\xFF');
  expectRefused(catalog, "catalog definition overwritten");

  // Random damage: bytes changed at random places of the table pages.
  std::mt19937 random(20240314);
  for (int round = 0; round < 12; ++round) {
    std::string damaged = good;
    std::uniform_int_distribution<std::size_t> at(3 * 4096, damaged.size() - 1);
    for (int k = 0; k < 40; ++k) damaged[at(random)] = static_cast<char>(random());
    WriteFile(bad, damaged);
    const int error = ErrorNumberOf(readAll);
    EXPECT_TRUE(error == 0 || (error >= 3000 && error < 4000))
        << "round " << round << ": " << error;
  }
}

// The usage map of "TblTest" (row 2 of page 1; rows 0 and 1 are the catalog's maps) made
// empty by giving it the start of the row before it. mdbtools 1.0.0 dereferences a null
// pointer on it; the reader finds it first and reports the table as damaged.
TEST(TestDatabase, ADamagedUsageMapIsReported) {
  SampleFile f;
  std::string bytes = ReadWholeFile(f.path()).value();
  const std::size_t offsets = 4096 + 14;
  bytes[offsets + 4] = bytes[offsets + 2];
  bytes[offsets + 5] = bytes[offsets + 3];
  WriteFile(f.path(), bytes);
  TestDatabase db(f.path(), ReaderOf());  // the catalog is intact
  try {
    db.OpenRecordSet("SELECT * FROM TblTest");
    ADD_FAILURE() << "the damaged table was read";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrCannotOpenDb);
    EXPECT_NE(e.description().find("the table TblTest is damaged: its page map is empty"),
              std::string::npos)
        << e.description();
  }
  EStackTrace::Instance().Clear();
  // The other tables stay readable.
  EXPECT_EQ(db.OpenRecordSet("SELECT * FROM TblCarbData").RecordCount(), 3);
}

// Stand-ins for a reader that misbehaves: shell scripts in place of the program.
class FakeReader {
 public:
  explicit FakeReader(const std::string& script) {
    path_ = dir_ / "reader.sh";
    WriteFile(path_, "#!/bin/sh\n" + script + "\n");
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all);
  }
  JetReaderOptions Options(std::chrono::milliseconds time = std::chrono::seconds(10),
                           std::size_t size = 1 << 20) const {
    return {path_, time, size};
  }

 private:
  TempDir dir_;
  std::filesystem::path path_;
};

TEST(TestDatabase, AReaderThatCrashesHangsOrBabblesMakesTheFileUnreadable) {
  SampleFile f;
  struct Row {
    const char* script;
    std::chrono::milliseconds time;
    std::size_t size;
    const char* reason;
  };
  const Row rows[] = {
      {"kill -SEGV $$", std::chrono::seconds(10), 1 << 20, "signal 11"},
      {"exec sleep 30", std::chrono::milliseconds(300), 1 << 20, "did not finish within 0.3 s"},
      {"exec 3>&-; exec sleep 30", std::chrono::milliseconds(300), 1 << 20, "did not finish"},
      // A table whose first text claims 4 GB, then endless bytes.
      {"printf "
       "'OVJETTB2\\1\\0\\0\\0\\1\\1\\0\\0\\0\\1\\0T\\1\\0\\1\\0A\\12\\0\\0\\0\\0\\0\\1\\3"
       "\\377\\377\\377\\377' >&3; exec yes >&3",
       std::chrono::seconds(10), 1 << 16, "more than 65536 bytes"},
      {"printf 'OVJETTB1 garbage' >&3", std::chrono::seconds(10), 1 << 20, "damaged"},
      {"echo 'something odd' >&2; exit 14", std::chrono::seconds(10), 1 << 20, "something odd"},
      // The reader's own reason, even when mdbtools prints blank lines after it.
      {"echo noise; echo 'orvantis jet-read: cannot read table T' >&2; printf '%200s\\n' ' '; "
       "exit 14",
       std::chrono::seconds(10), 1 << 20, "(cannot read table T)"},
      {"exit 99", std::chrono::seconds(10), 1 << 20, "status 99"},
  };
  for (const Row& r : rows) {
    FakeReader reader(r.script);
    const auto start = std::chrono::steady_clock::now();
    try {
      TestDatabase db(f.path(), reader.Options(r.time, r.size));
      ADD_FAILURE() << r.script;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), kErrCannotOpenDb) << r.script;
      EXPECT_NE(e.description().find(r.reason), std::string::npos) << e.description();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << r.script;
    EStackTrace::Instance().Clear();
  }
  JetReaderOptions missing{"/nonexistent/orvantis", std::chrono::seconds(5), 1 << 20};
  EXPECT_EQ(ErrorNumberOf([&] { TestDatabase(f.path(), missing); }), kErrCannotOpenDb);
}

TEST(TestDatabase, TheReaderRunsWithoutTheMdbToolsEnvironment) {
  SampleFile f;
  // An empty element in MDBPATH would make mdbtools search forever; the reader never sees it.
  ::setenv("MDBPATH", ":", 1);
  ::setenv("MDBOPTS", "use_index", 1);
  const int error = ErrorNumberOf([&] {
    TestDatabase db(f.path(), ReaderOf());
    EXPECT_EQ(db.OpenRecordSet("SELECT ID FROM TblTest").RecordCount(), 9);
  });
  ::unsetenv("MDBPATH");
  ::unsetenv("MDBOPTS");
  EXPECT_EQ(error, 0);
}

TEST(TestDatabase, CheckAcceptsDatabasesAndTheListedErrors) {
  SampleFile sample;
  SampleFile noTests(test::SampleBench().OmitTable("TblTest"));
  SampleFile noIds(test::SampleBench().Omit("TblTest", "ID"));
  TempDir dir;
  WriteFile(dir / "text.mdb", "not a database");
  EXPECT_TRUE(CheckTestDatabase(sample.path(), ReaderOf()));
  EXPECT_TRUE(CheckTestDatabase(noTests.path(), ReaderOf()));  // error 3078
  EXPECT_FALSE(CheckTestDatabase(noIds.path(), ReaderOf()));   // error 3061
  EXPECT_FALSE(CheckTestDatabase(dir / "text.mdb", ReaderOf()));
  EXPECT_FALSE(CheckTestDatabase(dir / "missing.mdb", ReaderOf()));
  EXPECT_TRUE(EStackTrace::Instance().Trace().empty());
}

TEST(TestDatabase, KnowsWhenTheFileChanged) {
  SampleFile f;
  TestDatabase db(f.path(), ReaderOf());
  EXPECT_TRUE(db.FileUnchanged());
  test::SampleBench().Omit("TblTest", "Notes").Write(f.path());
  EXPECT_FALSE(db.FileUnchanged());
}

TEST(JetField, ConversionsFollowTheProgramsRules) {
  EXPECT_EQ(JetField::Real(2.5).AsLong(), 2);
  EXPECT_EQ(JetField::Real(3.5).AsInteger(), 4);
  EXPECT_EQ(JetField::Text("12.5").AsDouble(), 12.5);
  EXPECT_EQ(JetField::Text("abc").AsDouble(), 0.0);
  EXPECT_EQ(JetField::Text("42").AsLong(), 42);
  EXPECT_TRUE(JetField::Text("True").AsBoolean());
  EXPECT_FALSE(JetField::Text("false").AsBoolean());
  EXPECT_EQ(JetField::Integer(-1).AsText(), "-1");
  EXPECT_EQ(JetField::Real(0.1).AsText(), "0.1");
  EXPECT_EQ(JetField::Real(static_cast<double>(0.1f), JetColumnType::Single).AsText(), "0.1");
  EXPECT_EQ(JetField::Real(static_cast<double>(0.1f)).AsText(), "0.10000000149011612");
  struct Row {
    std::function<void()> f;
    int error;
  };
  const Row rows[] = {
      {[] { JetField::Integer(256).AsByte(); }, kErrOverflow},
      {[] { JetField::Integer(-1).AsByte(); }, kErrOverflow},
      {[] { JetField::Integer(40000).AsInteger(); }, kErrOverflow},
      {[] { JetField::Integer(1LL << 40).AsLong(); }, kErrOverflow},
      {[] { JetField::Real(1e39).AsSingle(); }, kErrOverflow},
      {[] { JetField::Null().AsDouble(); }, kErrInvalidUseOfNull},
      {[] { JetField::Null().AsBoolean(); }, kErrInvalidUseOfNull},
      {[] { JetField::Blob("x").AsDouble(); }, kErrTypeMismatch},
  };
  for (const Row& r : rows) EXPECT_EQ(ErrorNumberOf(r.f), r.error);
  EXPECT_EQ(JetField::Integer(255).AsByte(), 255);
}

}  // namespace
}  // namespace orv
