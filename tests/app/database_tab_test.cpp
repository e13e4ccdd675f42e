#include "app/database_tab.h"

#include <gtest/gtest.h>

#include "airflow/jet_errors.h"
#include "app/test_list_settings.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/fake_prompter.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

class DatabaseTab : public ::testing::Test {
 protected:
  DatabaseTab() { test::SampleBench().Write(file_); }
  test::TempDir dir_;
  std::filesystem::path file_ = dir_ / "bench.mdb";
  TestDatabaseCache cache_{JetReaderOptions{test::OrvantisProgram()}};
};

TEST_F(DatabaseTab, ListsOfTheSampleBench) {
  TestDatabase& db = cache_.Open(file_);
  const DatabaseLists lists = ReadDatabaseLists(db);
  EXPECT_EQ(lists.operators, (std::vector<std::string>{"Bob", "Alice", "O'Neil"}));
  ASSERT_EQ(lists.customers.size(), 3u);
  EXPECT_EQ(lists.customers[0].name, "Acme Racing");
  EXPECT_EQ(lists.customers[2].id, 3);
  EXPECT_EQ(lists.customNames[0], "Port Job");
}

TEST_F(DatabaseTab, WithoutOperatorAndCustomerTablesTheListsAreEmpty) {
  const std::filesystem::path bare = dir_ / "bare.mdb";
  test::SampleBench().OmitTable("TblOperator").OmitTable("TblCustomer").Write(bare);
  const DatabaseLists lists = ReadDatabaseLists(cache_.Open(bare));
  EXPECT_TRUE(lists.operators.empty());
  EXPECT_TRUE(lists.customers.empty());
}

TEST_F(DatabaseTab, TheListOfAKindWithItsProgressAndItsLimit) {
  TestDatabase& db = cache_.Open(file_);
  TestListSettings s;
  s.kind = kKindByLiftManual;
  s.sortColumns = {kTestNoColumn, -1, -1};
  int reports = 0;
  const DatabaseTestList out = ListDatabaseTests(
      db, s, CustomNames{}, [&](const DatabaseProgress&) { return ++reports > 0; });
  EXPECT_GT(reports, 0);
  EXPECT_EQ(out.list.ids, (std::vector<std::int32_t>{5, 8}));
  EXPECT_EQ(out.list.rows[0][3], "Manual Pitot");
  EXPECT_FALSE(out.list.truncated);
  EXPECT_NE(out.query.sql.find("TblManualByLift"), std::string::npos);

  // One row only: the list is cut and says so; telling it beeps and warns once.
  const DatabaseTestList cut = ListDatabaseTests(db, s, CustomNames{}, {}, 1);
  EXPECT_EQ(cut.list.rows.size(), 1u);
  EXPECT_TRUE(cut.list.truncated);
  test::FakePrompter prompter;
  TellTruncatedList(out.list, prompter);
  EXPECT_EQ(prompter.beeps, 0);
  TellTruncatedList(cut.list, prompter);
  EXPECT_EQ(prompter.beeps, 1);
  EXPECT_EQ(prompter.warnings,
            (std::vector<std::string>{"Too many tests to show them all!\r\nAdjust filter "
                                      "settings to narrow the scope"}));
}

TEST_F(DatabaseTab, ACancelledReadStopsAndTheDatabaseStaysUsable) {
  TestDatabase& db = cache_.Open(file_);
  const auto cancel = [](const DatabaseProgress&) { return false; };
  EXPECT_THROW(ReadDatabaseLists(db, cancel), DatabaseReadCancelled);
  EXPECT_THROW(ListDatabaseTests(db, TestListSettings{}, CustomNames{}, cancel),
               DatabaseReadCancelled);
  // The progress callback of the cancelled read is gone: the next read runs to its end.
  EXPECT_EQ(ListDatabaseTests(db, TestListSettings{}, CustomNames{}).list.rows.size(), 8u);
  EXPECT_EQ(ReadDatabaseLists(db).operators.size(), 3u);
}

TEST_F(DatabaseTab, NotesOfATest) {
  const std::string notes = ReadDatabaseTestNotes(cache_.Open(file_), 1);
  EXPECT_EQ(notes.substr(0, 38), "Ported by hand\r\nSecond line of notes\r\n");
  EXPECT_EQ(notes.size(), 38u + 7u * 2u);  // nine lines in all, the last seven empty
}

TEST_F(DatabaseTab, TheCheckThroughTheHeldDatabase) {
  std::string reason;
  EXPECT_TRUE(CheckDatabaseTabFile(cache_, file_, &reason));
  EXPECT_TRUE(cache_.IsOpen(file_));  // the check's tables stay for the list
  EXPECT_EQ(reason, "");

  const std::filesystem::path bad = dir_ / "bad.mdb";
  test::WriteText(bad, std::string(4096, 'x'));
  EXPECT_FALSE(CheckDatabaseTabFile(cache_, bad, &reason));
  EXPECT_EQ(reason.rfind("Error (3343)", 0), 0u) << reason;
  EXPECT_NE(reason.find(bad.string()), std::string::npos) << reason;
  EXPECT_FALSE(CheckDatabaseTabFile(cache_, dir_ / "missing.mdb", &reason));
  EXPECT_EQ(reason.rfind("Error (3024)", 0), 0u) << reason;

  // A database without its test table passes, as the check always let it.
  const std::filesystem::path noTests = dir_ / "notests.mdb";
  test::SampleBench().OmitTable("TblTest").Write(noTests);
  EXPECT_TRUE(CheckDatabaseTabFile(cache_, noTests, &reason));
}

TEST(FlowLoadFailure, NamesTheFileAndTheCode) {
  EXPECT_EQ(FlowLoadFailureText("/x/A.SY", FlowError::BadDosFile)
                .rfind("The flow test could not be read from /x/A.SY:\r\n", 0),
            0u);
  EXPECT_NE(FlowLoadFailureText("/x/A.SY", FlowError::BadDosFile).find("(error 1)"),
            std::string::npos);
  EXPECT_NE(FlowLoadFailureText("B.SY3", FlowError::NotFound).find("(error -1)"),
            std::string::npos);
}

}  // namespace
}  // namespace orv
