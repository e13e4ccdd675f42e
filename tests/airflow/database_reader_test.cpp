// The reader process of test databases as the program runs it: its private channel, what it
// refuses, the damage it reports, and what it reads for a query.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "airflow/jet_errors.h"
#include "airflow/read_test.h"
#include "airflow/test_database.h"
#include "base/atomic_file.h"
#include "base/error_trace.h"
#include "base/runtime_error.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/fake_prompter.h"
#include "support/reader_scripts.h"
#include "support/runtime_errors.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

using test::BenchDatabase;
using test::ReaderScript;
using test::TempDir;
using I = std::int64_t;

using test::ReaderOf;

void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
  ASSERT_EQ(WriteFileAtomically(p, bytes), "");
}

// Every row of a record set, each field as its kind and text.
std::string Dump(RecordSet rs) {
  std::string out;
  for (; !rs.Eof(); rs.MoveNext()) {
    for (int i = 0; i < rs.FieldCount(); ++i) {
      const JetField f = rs.Field(i);
      out += f.IsNull() ? std::string("NULL")
                        : std::to_string(static_cast<int>(f.kind())) + ":" +
                              (f.kind() == JetField::Kind::Blob ? std::string("blob") : f.AsText());
      out += '|';
    }
    out += '\n';
  }
  return out;
}

// Everything the file holds, table by table, read through `db`.
std::string DumpAll(TestDatabase& db) {
  std::string out;
  for (const JetTableInfo& t : db.tables()) {
    out += t.name + "\n" + Dump(db.OpenRecordSet("SELECT * FROM [" + t.name + "]"));
  }
  return out;
}

using test::Failure;

Failure FailureOf(const std::function<void()>& f) {
  Failure failure;
  try {
    f();
  } catch (const RuntimeError& e) {
    failure = {e.number(), e.description()};
  }
  EStackTrace::Instance().Clear();
  return failure;
}

// A named pipe given as the database: nobody writes to it, so an open that waited for a writer
// would wait forever. The program refuses it before any reader starts, naming it; and the
// reader, handed one directly, refuses it too.
TEST(DatabaseReader, ANamedPipeIsRefusedWithoutWaiting) {
  TempDir dir;
  const auto pipe = dir / "pipe.mdb";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();

  const Failure open = FailureOf([&] { TestDatabase db(pipe, ReaderOf()); });
  EXPECT_EQ(open.number, kErrFileNotFoundDb);
  EXPECT_EQ(open.description,
            "Could not find file '" + pipe.string() + "'. (is not a regular file)");

  JetReaderSession session(ReaderOf(), pipe);
  const Failure reader = FailureOf([&] { session.Start([](std::string_view) { return false; }); });
  EXPECT_EQ(reader.number, kErrCannotOpenDb);
  EXPECT_NE(reader.description.find("(cannot open " + pipe.string() + ": is not a regular file)"),
            std::string::npos)
      << reader.description;

  std::string reason;
  EXPECT_FALSE(CheckTestDatabase(pipe, ReaderOf(), &reason));
  EXPECT_NE(reason.find(pipe.string()), std::string::npos) << reason;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// mdbtools prints to standard output (blank-filled lines on damaged files). Those bytes go with
// the reader's messages, never into its data channel: the same reads give the same values.
TEST(DatabaseReader, NoiseOnTheReadersOutputChangesNothing) {
  TempDir dir;
  test::SampleBench().Write(dir / "bench.mdb");
  std::string script =
      "printf '%260s\\n' ' '\n"
      "(i=0; while [ $i -lt 500 ]; do printf '%260s\\n' ' '; echo 'noise >&2' >&2; "
      "i=$((i+1)); done) &\n"
      "exec '";
  script.append(test::OrvantisProgram()).append("' \"$@\"");
  const ReaderScript noisy(script);
  TestDatabase quiet(dir / "bench.mdb", ReaderOf());
  TestDatabase loud(dir / "bench.mdb", ReaderOf(noisy.path()));
  const std::string expected = DumpAll(quiet);
  EXPECT_EQ(DumpAll(loud), expected);
  FlowTest a, b;
  a.TestID = b.TestID = 5;
  TestDatabase quietAgain(dir / "bench.mdb", ReaderOf());
  TestDatabase loudAgain(dir / "bench.mdb", ReaderOf(noisy.path()));
  ASSERT_TRUE(ReadTest(a, quietAgain));
  ASSERT_TRUE(ReadTest(b, loudAgain));
  EXPECT_EQ(b.Records(), a.Records());
  for (int row = 1; row <= a.Records(); ++row) {
    for (int column = 1; column <= 37; ++column) {
      EXPECT_EQ(b.FlowData(row, column), a.FlowData(row, column)) << row << ", " << column;
    }
  }
}

// Copies of a database cut short: whatever part is missing, the error gives the reader's own
// reason, never a complaint about its output.
TEST(DatabaseReader, ACutDatabaseReportsTheReadersReason) {
  TempDir dir;
  test::GeneratedBench(60, 2).Write(dir / "whole.mdb");
  const std::string whole = ReadWholeFile(dir / "whole.mdb").value();
  int failures = 0;
  for (std::size_t keep = 4096; keep < whole.size(); keep += 4096 * 3) {
    WriteFile(dir / "cut.mdb", whole.substr(0, keep));
    const Failure f = FailureOf([&] {
      TestDatabase db(dir / "cut.mdb", ReaderOf());
      DumpAll(db);
    });
    if (f.number == 0) continue;
    ++failures;
    EXPECT_TRUE(f.number == kErrCannotOpenDb || f.number == kErrUnrecognizedDb)
        << keep << ": " << f.number;
    EXPECT_EQ(f.description.find("output is damaged"), std::string::npos) << f.description;
    EXPECT_EQ(f.description.find("status"), std::string::npos) << f.description;
    if (f.number == kErrCannotOpenDb) {
      // The reader's reason in brackets after the message.
      EXPECT_EQ(f.description.back(), ')') << f.description;
      EXPECT_TRUE(f.description.find("damaged") != std::string::npos ||
                  f.description.find("cannot read") != std::string::npos)
          << f.description;
    }
  }
  EXPECT_GT(failures, 0);
}

// The reader program of its own reads what the program's hidden command reads, cut copies
// included (the same error number and reason), and refuses arguments it does not know.
TEST(DatabaseReader, TheReaderProgramReadsAsTheHiddenCommand) {
  TempDir dir;
  test::GeneratedBench(60, 2).Write(dir / "whole.mdb");
  {
    TestDatabase program(dir / "whole.mdb", ReaderOf(test::JetReaderProgram()));
    TestDatabase command(dir / "whole.mdb", ReaderOf());
    const std::string expected = DumpAll(command);
    EXPECT_NE(expected.find("TblTest"), std::string::npos);
    EXPECT_EQ(DumpAll(program), expected);
  }
  const std::string whole = ReadWholeFile(dir / "whole.mdb").value();
  WriteFile(dir / "cut.mdb", whole.substr(0, whole.size() / 2));
  const auto failureWith = [&](const std::filesystem::path& reader) {
    return FailureOf([&] {
      TestDatabase db(dir / "cut.mdb", ReaderOf(reader));
      DumpAll(db);
    });
  };
  const Failure program = failureWith(test::JetReaderProgram());
  const Failure command = failureWith(test::OrvantisProgram());
  EXPECT_NE(program.number, 0);
  EXPECT_EQ(program.number, command.number);
  EXPECT_EQ(program.description, command.description);

  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"jet-read", "--channel", "2", "--", "x.mdb"},
                                               {"jet-read", "--channel", "3x", "--", "x.mdb"},
                                               {"list", "--channel", "3", "--", "x.mdb"},
                                               {"jet-read", "--channel", "3", "x.mdb"}}) {
    std::string line = std::string("'") + test::JetReaderProgram() + "'";
    for (const std::string& a : args) line += " '" + a + "'";
    EXPECT_EQ(std::system((line + " 2>/dev/null </dev/null").c_str()), 2 << 8) << line;
  }
}

// The owner of one data page of "TblTest" changed: its rows are not the table's any more. The
// table reads short of the rows its definition holds and is reported damaged, with both
// counts, rather than listed in part.
TEST(DatabaseReader, ATableThatReadsShortIsReportedDamaged) {
  TempDir dir;
  test::GeneratedBench(40, 1).Write(dir / "bench.mdb");
  std::string bytes = ReadWholeFile(dir / "bench.mdb").value();
  // The page holding test 20's name (text is kept one byte a character here).
  const std::size_t at = bytes.find("Test 20");
  ASSERT_NE(at, std::string::npos);
  const std::size_t page = at / 4096 * 4096;
  ASSERT_EQ(bytes[page], '\x01');  // a data page
  const int rowsOnPage = static_cast<unsigned char>(bytes[page + 12]) |
                         static_cast<unsigned char>(bytes[page + 13]) << 8;
  ASSERT_GT(rowsOnPage, 0);
  ASSERT_LT(rowsOnPage, 40);
  bytes[page + 4] = bytes[page + 5] = bytes[page + 6] = bytes[page + 7] = '\xFF';
  WriteFile(dir / "bench.mdb", bytes);

  TestDatabase db(dir / "bench.mdb", ReaderOf());
  const Failure f = FailureOf([&] { db.OpenRecordSet("SELECT ID FROM TblTest"); });
  EXPECT_EQ(f.number, kErrCannotOpenDb);
  EXPECT_NE(f.description.find("(the table TblTest is damaged: its definition holds 40 rows, " +
                               std::to_string(40 - rowsOnPage) + " of them could be read)"),
            std::string::npos)
      << f.description;
  // One test's read goes through every row of the table too.
  FlowTest t;
  t.TestID = 1;
  test::FakePrompter prompter;
  EXPECT_FALSE(ReadTest(t, db, &prompter));
  ASSERT_EQ(prompter.warnings.size(), 1u);
  EXPECT_NE(prompter.warnings[0].find("the table TblTest is damaged"), std::string::npos)
      << prompter.warnings[0];
}

// A query of one test's rows picks them out in the reader; the rows and their order are those
// of the whole table loaded, for every table the reads of a test visit, in both formats.
TEST(DatabaseReader, RowsOfOneTestAreThoseOfTheWholeTable) {
  TempDir dir;
  BenchDatabase bench = test::GeneratedBench(24, 3);
  // Rows of a test out of the order of their items, and a test with no rows.
  bench.Add("TblByLiftOrDeprData", {{"TestID", I{1}}, {"ItemNo", I{9}}, {"CCfm", 1.5}});
  bench.Add("TblByLiftPitotData", {{"TestID", I{4}}, {"ItemNo", I{1}}, {"Pitot3", 0.25}});
  for (const bool jet3 : {false, true}) {
    test::JetWriteOptions options;
    options.jet3 = jet3;
    bench.Write(dir / "bench.mdb", options);
    TestDatabase whole(dir / "bench.mdb", ReaderOf());
    for (const JetTableInfo& t : whole.tables()) whole.OpenRecordSet("SELECT * FROM " + t.name);
    for (int id = 0; id <= 26; ++id) {
      TestDatabase one(dir / "bench.mdb", ReaderOf());
      for (const char* table :
           {"TblTest", "TblAutoByLift", "TblByDepr", "TblPortMap", "TblManualByLift", "TblCarbTest",
            "TblCfmByKbd", "TblByLiftOrDeprData", "TblByLiftPitotData", "TblCarbData",
            "TblPortMapData"}) {
        const std::string key = std::string(table) == "TblTest" ? "ID" : "TestID";
        const std::string sql =
            "SELECT * FROM " + std::string(table) + " WHERE " + key + " = " + std::to_string(id);
        EXPECT_EQ(Dump(one.OpenRecordSet(sql)), Dump(whole.OpenRecordSet(sql)))
            << sql << (jet3 ? " (Jet 3)" : "");
      }
      EXPECT_EQ(Dump(one.OpenRecordSet("SELECT ALL TblTest.Notes FROM TblTest WHERE ID = " +
                                       std::to_string(id) + ";")),
                Dump(whole.OpenRecordSet("SELECT TblTest.Notes FROM TblTest WHERE ID = " +
                                         std::to_string(id))));
    }
  }
}

// One reader process serves an open database from its list of tables to the last test read;
// a second open of a file held open starts none.
TEST(DatabaseReader, OneReaderProcessPerOpenDatabase) {
  TempDir dir;
  test::SampleBench().Write(dir / "bench.mdb");
  const ReaderScript counting(test::CountingReaderBody(dir / "runs", test::OrvantisProgram()));
  TestDatabase db(dir / "bench.mdb", ReaderOf(counting.path()));
  EXPECT_EQ(db.OpenRecordSet("SELECT * FROM TblCustomNames").RecordCount(), 5);
  EXPECT_EQ(db.OpenRecordSet("SELECT TestName FROM TblTest INNER JOIN TblAutoByLift ON TblTest.ID "
                             "= TblAutoByLift.TestID")
                .RecordCount(),
            2);
  EXPECT_EQ(db.OpenRecordSet("SELECT Notes FROM TblTest WHERE ID = 1").RecordCount(), 1);
  for (int id = 1; id <= 8; ++id) {
    FlowTest t;
    t.TestID = id;
    EXPECT_TRUE(ReadTest(t, db)) << id;
  }
  EXPECT_EQ(db.OpenRecordSet("SELECT * FROM TblOperator").RecordCount(), 3);
  EXPECT_EQ(test::CountLines(dir / "runs"), 1);
}

// A later query that names more columns of a table loaded before gets them, also while a
// record set of the earlier query is still being read.
TEST(DatabaseReader, MoreColumnsAreLoadedWhenAQueryNamesThem) {
  TempDir dir;
  test::SampleBench().Write(dir / "bench.mdb");
  TestDatabase db(dir / "bench.mdb", ReaderOf());
  RecordSet names = db.OpenRecordSet("SELECT TestName FROM TblTest ORDER BY ID");
  EXPECT_EQ(names.Field("TestName").AsText(), "SBC Auto Intake");
  RecordSet more = db.OpenRecordSet("SELECT TestName, HeadMfg FROM TblTest WHERE ID > 6");
  EXPECT_EQ(more.RecordCount(), 3);
  EXPECT_EQ(more.Field("HeadMfg").AsText(), "O'Reilly Heads");
  names.MoveNext();
  EXPECT_EQ(names.Field("TestName").AsText(), "SBC Auto Exhaust");
  EXPECT_EQ(db.OpenRecordSet("SELECT COUNT(*) FROM TblTest").Field(0).AsLong(), 9);
  EXPECT_EQ(db.OpenRecordSet("SELECT 1 FROM TblCarbData").RecordCount(), 3);
}

}  // namespace
}  // namespace orv
