#include "app/test_list_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "airflow/test_database.h"
#include "base/prompter.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

const std::vector<std::string> kOperators = {"Alice", "Bob", "O'Neil"};
const std::vector<Customer> kCustomers = {{2, "O'Brien Motors"}, {1, "Acme Racing"}, {3, "Zenith"}};
constexpr double kToday = 45400;  // 18 April 2024

TEST(TestListSettings, TheConfigurationDefaultsGiveTheDialogsDefaults) {
  Settings s;  // every "Ld..." value at its configuration default
  const TestListSettings t = RestoreTestListSettings(s, kOperators, kCustomers, kToday);
  EXPECT_EQ(t.kind, kKindAny);
  EXPECT_TRUE(t.anyDate);
  EXPECT_FALSE(t.today);
  EXPECT_EQ(t.todayDate, kToday);
  EXPECT_EQ(t.operatorName, "");
  EXPECT_FALSE(t.customerId.has_value());
  EXPECT_EQ(t.side, SideFilter::Any);
  for (const FilterRow& row : t.rows) EXPECT_EQ(row.connector, FilterConnector::NotUsed);
  EXPECT_EQ(t.sortColumns, (std::array<int, 3>{-1, -1, -1}));
  // Date, time, kind, name and test number.
  EXPECT_EQ(t.shownColumns, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(TestListSettings, SavedChoicesAreStoredAsTheConfigurationValues) {
  TestListSettings t;
  t.kind = kKindByLiftKeyedCfm;
  t.anyDate = false;
  t.today = true;
  t.fromDate = 45352;  // 1 March 2024
  t.toDate = 45291;    // 31 December 2023
  t.operatorName = "O'Neil";
  t.customerId = 3;
  t.side = SideFilter::Exhaust;
  t.rows[0] = {FilterConnector::And, 0, FilterRelation::Includes, "rod"};
  t.rows[2] = {FilterConnector::Or, 12, FilterRelation::Greater, "2.05"};
  t.sortColumns = {4, 20, -1};
  for (int c = 72; c >= 0; --c) t.shownColumns.push_back(c);  // every column, any order

  Settings s;
  SaveTestListSettings(t, kCustomers, s);
  EXPECT_EQ(s.filterTestKind, 6);  // "[ANY]", 2, 3, 4, 5, 6, 10
  EXPECT_FALSE(s.filterAnyDate);
  EXPECT_TRUE(s.filterToday);
  EXPECT_EQ(FormatDate(s.filterFromDate), "2024-03-01");
  EXPECT_EQ(FormatDate(s.filterToDate), "2023-12-31");
  EXPECT_EQ(s.filterOperator, "O'Neil");
  EXPECT_EQ(s.filterCustomer, "Zenith");
  EXPECT_EQ(s.filterSide, 2);
  EXPECT_EQ(s.filterRows[0].joining, 1);
  EXPECT_EQ(s.filterRows[0].field, 0);
  EXPECT_EQ(s.filterRows[0].relation, 3);
  EXPECT_EQ(s.filterRows[0].parameter, "rod");
  EXPECT_EQ(s.filterRows[1].joining, 0);
  EXPECT_EQ(s.filterRows[2].joining, 2);
  EXPECT_EQ(s.filterRows[2].field, 12);
  EXPECT_EQ(s.filterRows[2].relation, 2);
  EXPECT_EQ(s.sortKeys, (std::array<std::int16_t, 3>{5, 21, 0}));
  // Columns 1..5 by number; 6..73 as flags: bits 5..15 of the first word, three full words,
  // bits 0..8 of the fifth (columns 65..73).
  EXPECT_EQ(s.shownColumns, (std::array<std::int16_t, 5>{1, 2, 3, 4, 5}));
  EXPECT_EQ(s.columnFlags, (std::array<std::int16_t, 7>{static_cast<std::int16_t>(0xFFE0), -1, -1,
                                                        -1, 0x01FF, 0, 0}));

  const TestListSettings back = RestoreTestListSettings(s, kOperators, kCustomers, kToday);
  EXPECT_EQ(back.kind, t.kind);
  EXPECT_EQ(back.today, true);
  EXPECT_EQ(back.fromDate, t.fromDate);
  EXPECT_EQ(back.toDate, t.toDate);
  EXPECT_EQ(back.operatorName, "O'Neil");
  EXPECT_EQ(back.customerId, std::optional<std::int32_t>(3));
  EXPECT_EQ(back.side, SideFilter::Exhaust);
  EXPECT_EQ(back.rows[2].value, "2.05");
  EXPECT_EQ(back.rows[2].relation, FilterRelation::Greater);
  EXPECT_EQ(back.sortColumns, t.sortColumns);
  ASSERT_EQ(back.shownColumns.size(), 73u);
  EXPECT_EQ(back.shownColumns.front(), 0);
  EXPECT_EQ(back.shownColumns.back(), 72);
}

TEST(TestListSettings, AFewColumnsOutOfOrder) {
  struct Row {
    std::vector<int> shown;
    std::array<std::int16_t, 5> shownColumns;
    std::array<std::int16_t, 7> columnFlags;
  };
  const Row rows[] = {
      {{}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0}},
      {{5, 3}, {4, 6, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0}},
      {{20, 1, 2, 3, 4, 0, 15},
       {1, 2, 3, 4, 5},
       {static_cast<std::int16_t>(0x8000), 1 << 4, 0, 0, 0, 0, 0}},
  };
  for (const Row& r : rows) {
    TestListSettings t;
    t.shownColumns = r.shown;
    Settings s;
    SaveTestListSettings(t, kCustomers, s);
    EXPECT_EQ(s.shownColumns, r.shownColumns);
    EXPECT_EQ(s.columnFlags, r.columnFlags);
    std::vector<int> sorted = r.shown;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(RestoreTestListSettings(s, kOperators, kCustomers, kToday).shownColumns, sorted);
  }
}

TEST(TestListSettings, ValuesOutsideTheirListsRestoreAsTheFirstEntry) {
  Settings s;
  s.filterTestKind = 7;
  s.filterSide = 3;
  s.filterOperator = "Mallory";      // not an operator of this database
  s.filterCustomer = "Acme racing";  // names compare exactly
  s.filterRows[0] = {3, 999, 4, "x"};
  s.filterRows[1] = {-1, -1, -1, "y"};
  s.sortKeys = {74, -2, 1};
  s.shownColumns = {0, 74, -5, 2, 2};
  s.columnFlags = {0, 0,     0, 0, static_cast<std::int16_t>(0xFE00),
                   0, 0x7FFF};  // columns 74.. do not exist
  const TestListSettings t = RestoreTestListSettings(s, kOperators, kCustomers, kToday);
  EXPECT_EQ(t.kind, kKindAny);
  EXPECT_EQ(t.side, SideFilter::Any);
  EXPECT_EQ(t.operatorName, "");
  EXPECT_FALSE(t.customerId.has_value());
  EXPECT_EQ(t.rows[0].connector, FilterConnector::NotUsed);
  EXPECT_EQ(t.rows[0].field, 0);
  EXPECT_EQ(t.rows[0].relation, FilterRelation::Equal);
  EXPECT_EQ(t.rows[1].connector, FilterConnector::NotUsed);
  EXPECT_EQ(t.sortColumns, (std::array<int, 3>{-1, -1, 0}));
  EXPECT_EQ(t.shownColumns, (std::vector<int>{1}));
  // The kinds in list order.
  for (std::int16_t i = 0; i < 7; ++i) {
    s.filterTestKind = i;
    EXPECT_EQ(RestoreTestListSettings(s, {}, {}, kToday).kind, kTestListKinds[i]);
  }
}

TEST(TestListSettings, ALongListIsCutWithABeepAndAWarning) {
  test::TempDir dir;
  test::SampleBench().Write(dir / "bench.mdb");
  JetReaderOptions reader;
  reader.executable = test::OrvantisProgram();
  TestDatabase db(dir / "bench.mdb", reader);
  const CustomNames names = ReadCustomNames(db);
  const TestListQuery query = BuildTestListQuery(TestListSettings{}, names, db.dateFormat());
  struct Row {
    std::size_t cap;
    std::size_t rows;
    int beeps;
  };
  for (const Row& r : {Row{3, 3, 1}, Row{7, 7, 1}, Row{8, 8, 0}, Row{100, 8, 0}}) {
    test::FakePrompter prompter{Prompter::Answer::No};
    const TestList list = FillDialogTestList(db, query, names, prompter, r.cap);
    EXPECT_EQ(list.rows.size(), r.rows) << r.cap;
    EXPECT_EQ(prompter.beeps, r.beeps) << r.cap;
    if (r.beeps == 0) {
      EXPECT_TRUE(prompter.warnings.empty());
    } else {
      ASSERT_EQ(prompter.warnings.size(), 1u);
      EXPECT_EQ(prompter.warningTitles[0], "Warning");
      EXPECT_EQ(prompter.warnings[0],
                "Too many tests to show them all!\r\nAdjust filter settings to narrow the scope");
    }
  }
}

}  // namespace
}  // namespace orv
