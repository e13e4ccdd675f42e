#include "airflow/test_list_query.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <set>

#include "airflow/jet_errors.h"
#include "airflow/test_database.h"
#include "base/error_trace.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

// Indexes into the filter field list and the column list (their order is the dialog's).
constexpr int kManufacturer = 0;
constexpr int kModelNo = 1;
constexpr int kCylinderNo = 3;
constexpr int kCustomA = 7 + 32;  // after the seven test fields and the 32 valve fields
constexpr int kIntakeValveDiameter = 8;
constexpr int kDate = 0, kTime = 1, kTestKind = 2, kTestName = 3, kOperator = 6, kIntExh = 14,
              kIntVlvPer = 15, kIntVlvDia = 16, kIntEdge = 26, kExhEdge = 42;

const CustomNames kNoNames{};

FilterRow Row(FilterConnector c, int field, FilterRelation r, std::string value) {
  return {c, field, r, std::move(value)};
}

TEST(TestListQuery, TheListsHaveTheDialogsEntries) {
  CustomNames names;
  names[0] = "Port Job";
  const auto fields = TestFilterFields(names);
  ASSERT_EQ(fields.size(), 7u + 32u + 26u);
  EXPECT_EQ(fields[kManufacturer].column, "TblTest.HeadMfg");
  EXPECT_EQ(fields[kIntakeValveDiameter].caption, "Intake Valve Diameter");
  EXPECT_EQ(fields[kIntakeValveDiameter].column, ".HeadIntakeVDia");
  EXPECT_EQ(fields[7 + 13].caption, "Intake Inner Seat Diameter");
  EXPECT_EQ(fields[7 + 16 + 15].caption, "Exhaust Seat Width");
  EXPECT_EQ(fields[39].caption, "Custom Data Port Job");
  EXPECT_EQ(fields[40].column, "TblTest.CustomB");
  const auto columns = TestDisplayColumns(names);
  ASSERT_EQ(columns.size(), 15u + 32u + 26u);
  EXPECT_EQ(columns[kIntVlvPer].alias, "IntVlvPer");
  EXPECT_EQ(columns[kIntEdge].alias, "IntEdge");
  EXPECT_EQ(columns[15 + 13].alias, "IntSeatDia");
  EXPECT_EQ(columns[kExhEdge].alias, "ExhEdge");
  EXPECT_EQ(columns[31 + 15].alias, "ExhSeatW");
  EXPECT_EQ(columns[47].caption, "Port Job");
  EXPECT_EQ(columns[48].caption, "Custom B");
  EXPECT_EQ(std::string(kDatabaseNeededText),
            "       ***  VALID DATABASE FILE NEEDED  ****\r\n"
            "       Click the 'Database File' button to select a database file.");
}

TEST(TestListQuery, AnyKindIsSixSelectsJoinedByUnion) {
  TestListSettings s;
  const std::string part =
      "SELECT Date, Time, TestKind, TestName, TblTest.ID FROM TblTest INNER JOIN ";
  std::string expected;
  for (const char* t : {"TblManualByLift", "TblAutoByLift", "TblCfmByKbd", "TblByDepr",
                        "TblPortMap", "TblCarbTest"}) {
    if (!expected.empty()) expected += " UNION ";
    expected += part + t + " ON TblTest.ID = " + t + ".TestID";
  }
  expected += ";";
  const TestListQuery q = BuildTestListQuery(s, kNoNames, {});
  EXPECT_EQ(q.sql, expected);
  EXPECT_EQ(q.columns, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(TestListQuery, BuildsEachFilterAsTheDialogDoes) {
  struct Case {
    const char* what;
    TestListSettings settings;
    const char* sql;
  };
  auto settings = [](int kind) {
    TestListSettings s;
    s.kind = kind;
    return s;
  };
  std::vector<Case> cases;
  {
    TestListSettings s = settings(2);
    s.rows[0] = Row(FilterConnector::And, kManufacturer, FilterRelation::Includes, "abc");
    cases.push_back({"includes", s,
                     "SELECT Date, Time, TestKind, TestName, TblTest.ID FROM TblTest INNER JOIN "
                     "TblAutoByLift ON TblTest.ID = TblAutoByLift.TestID WHERE (TblTest.HeadMfg "
                     "LIKE '*abc*');"});
  }
  {
    TestListSettings s = settings(3);
    s.anyDate = false;
    s.fromDate = s.toDate = 45365;
    s.shownColumns = {kTestName};
    cases.push_back({"one day", s,
                     "SELECT TestName, TblTest.ID FROM TblTest INNER JOIN TblByDepr ON TblTest.ID "
                     "= TblByDepr.TestID WHERE (TblTest.Date = #3/14/2024#);"});
    s.toDate = 45382.5;
    cases.push_back({"two days", s,
                     "SELECT TestName, TblTest.ID FROM TblTest INNER JOIN TblByDepr ON TblTest.ID "
                     "= TblByDepr.TestID WHERE (TblTest.Date >= #3/14/2024# AND TblTest.Date <= "
                     "#3/31/2024#);"});
    s.today = true;
    s.todayDate = 45366.4;
    cases.push_back({"today", s,
                     "SELECT TestName, TblTest.ID FROM TblTest INNER JOIN TblByDepr ON TblTest.ID "
                     "= TblByDepr.TestID WHERE (TblTest.Date = #3/15/2024#);"});
  }
  {
    TestListSettings s = settings(6);
    s.side = SideFilter::Intake;
    s.shownColumns = {kIntExh, kIntVlvPer};
    cases.push_back({"carburetor", s,
                     "SELECT IsIntake, 'Dummy' AS IntVlvPer, TblTest.ID FROM TblTest INNER JOIN "
                     "TblCarbTest ON TblTest.ID = TblCarbTest.TestID;"});
    s.kind = 2;
    cases.push_back({"by lift", s,
                     "SELECT IsIntake, TblAutoByLift.HeadIntakePer AS IntVlvPer, TblTest.ID FROM "
                     "TblTest INNER JOIN TblAutoByLift ON TblTest.ID = TblAutoByLift.TestID WHERE "
                     "(TblAutoByLift.IsIntake = True);"});
  }
  {
    TestListSettings s = settings(5);
    s.anyDate = false;
    s.fromDate = 45352;  // 3/1/2024
    s.toDate = 45412;    // 4/30/2024
    s.operatorName = "O'Neil";
    s.customerId = 3;
    s.side = SideFilter::Exhaust;
    s.rows[0] = Row(FilterConnector::And, kManufacturer, FilterRelation::Equal, "Bro'dix");
    s.rows[1] = Row(FilterConnector::Or, kIntakeValveDiameter, FilterRelation::Greater, "2,1");
    s.rows[2] = Row(FilterConnector::NotUsed, kManufacturer, FilterRelation::Equal, "unused");
    s.rows[3] = Row(FilterConnector::And, kCylinderNo, FilterRelation::Equal, "1) OR (1=1");
    s.shownColumns = {kCustomerColumn, kTestName};
    s.sortColumns = {kIntVlvDia, kDate, kIntVlvDia};
    cases.push_back(
        {"everything", s,
         "SELECT TblCustomer.Name, TestName, TblTest.ID FROM TblManualByLift INNER JOIN (TblTest "
         "LEFT JOIN TblCustomer ON TblTest.CustomerID = TblCustomer.ID) ON TblManualByLift.TestID "
         "= TblTest.ID WHERE (TblTest.Date >= #3/1/2024# AND TblTest.Date <= #4/30/2024#) AND "
         "(TblTest.Operator = 'O''Neil') AND (TblTest.CustomerID = 3) AND "
         "(TblManualByLift.IsIntake = False) AND ((TblTest.HeadMfg = 'Bro''dix') OR "
         "(TblManualByLift.HeadIntakeVDia > 2.1) AND (TblTest.CylinderNo = '1) OR (1=1')) ORDER "
         "BY TblManualByLift.HeadIntakeVDia, Date;"});
  }
  {
    TestListSettings s = settings(6);
    s.rows[0] = Row(FilterConnector::Or, kIntakeValveDiameter, FilterRelation::Less, "2");
    s.shownColumns = {kTestKind};
    s.sortColumns = {kIntVlvDia, kTestKind, -1};
    cases.push_back({"carburetor valve filter", s,
                     "SELECT TestKind, TblTest.ID FROM TblTest INNER JOIN TblCarbTest ON "
                     "TblTest.ID = TblCarbTest.TestID WHERE (False) ORDER BY TestKind;"});
  }
  for (const Case& c : cases) {
    EXPECT_EQ(BuildTestListQuery(c.settings, kNoNames, {}).sql, c.sql) << c.what;
  }
}

TEST(TestListQuery, AUnionSelectsItsSortKeys) {
  TestListSettings s;
  s.shownColumns = {kTestName};
  s.sortColumns = {kIntVlvDia, kTime, -1};
  const TestListQuery q = BuildTestListQuery(s, kNoNames, {});
  EXPECT_EQ(q.columns, (std::vector<int>{kTestName, kTestNoColumn, kIntVlvDia, kTime}));
  EXPECT_EQ(q.sql.rfind(" ORDER BY IntVlvDia, Time;"), q.sql.size() - 26);
  EXPECT_NE(q.sql.find("SELECT TestName, TblTest.ID, TblManualByLift.HeadIntakeVDia AS "
                       "IntVlvDia, Time FROM"),
            std::string::npos);
  EXPECT_NE(q.sql.find("SELECT TestName, TblTest.ID, 'Dummy' AS IntVlvDia, Time FROM"),
            std::string::npos);
}

// The queries run on the sample bench (see bench_database.cpp for its tests).
class TestListOnSample : public ::testing::Test {
 protected:
  TestListOnSample() {
    test::SampleBench().Write(dir_ / "bench.mdb");
    JetReaderOptions reader;
    reader.executable = test::OrvantisProgram();
    db_.emplace(dir_ / "bench.mdb", reader);
  }
  TestList List(TestListSettings s, std::size_t maxRows = kMaxListedTests) {
    return FillTestList(*db_, BuildTestListQuery(s, kNoNames, {}), kNoNames, maxRows);
  }
  std::set<int> Ids(const TestListSettings& s) {
    const TestList list = List(s);
    return {list.ids.begin(), list.ids.end()};
  }
  test::TempDir dir_;
  std::optional<TestDatabase> db_;
};

TEST_F(TestListOnSample, FiltersSelectTheMatchingTests) {
  struct Case {
    const char* what;
    std::function<void(TestListSettings&)> set;
    std::set<int> ids;
  };
  const Case cases[] = {
      {"all (9 has no kind row, 99 no test row)",
       [](TestListSettings&) {},
       {1, 2, 3, 4, 5, 6, 7, 8}},
      {"by lift auto", [](TestListSettings& s) { s.kind = 2; }, {1, 2}},
      {"manual", [](TestListSettings& s) { s.kind = 5; }, {5, 8}},
      {"one day",
       [](TestListSettings& s) {
         s.anyDate = false;
         s.fromDate = s.toDate = 45365;
       },
       {1, 2, 8}},
      {"date range",
       [](TestListSettings& s) {
         s.anyDate = false;
         s.fromDate = 45366;
         s.toDate = 45384;
       },
       {3, 4, 5}},
      {"operator with a quote", [](TestListSettings& s) { s.operatorName = "O'Neil"; }, {4}},
      {"customer", [](TestListSettings& s) { s.customerId = 2; }, {2, 5}},
      {"intake (carburetors have no side)",
       [](TestListSettings& s) { s.side = SideFilter::Intake; },
       {1, 3, 4, 5, 6}},
      {"exhaust", [](TestListSettings& s) { s.side = SideFilter::Exhaust; }, {2, 6, 7, 8}},
      {"includes",
       [](TestListSettings& s) {
         s.rows[0] = Row(FilterConnector::And, kManufacturer, FilterRelation::Includes, "rod");
       },
       {1, 2, 5}},
      // Jet's own wildcards: a list is one of its characters, "#" one digit, letters of any
      // case (accented ones too).
      {"includes a list",
       [](TestListSettings& s) {
         s.rows[0] = Row(FilterConnector::And, kManufacturer, FilterRelation::Includes, "[bx]rod");
       },
       {1, 2, 5}},
      {"includes a list none of whose characters is there",
       [](TestListSettings& s) {
         s.rows[0] = Row(FilterConnector::And, kManufacturer, FilterRelation::Includes, "[qz]rod");
       },
       {}},
      {"includes a digit",
       [](TestListSettings& s) {
         s.rows[0] = Row(FilterConnector::And, kModelNo, FilterRelation::Includes, "Pro #");
       },
       {3, 8}},
      {"includes any digit",
       [](TestListSettings& s) {
         s.rows[0] = Row(FilterConnector::And, kModelNo, FilterRelation::Includes, "#");
       },
       {1, 2, 3, 5, 6, 7, 8}},
      {"includes accented capitals",
       [](TestListSettings& s) {
         s.rows[0] = Row(FilterConnector::And, kCustomA, FilterRelation::Includes, "ZÜRICH");
       },
       {3}},
      {"includes with a quote",
       [](TestListSettings& s) {
         s.rows[0] = Row(FilterConnector::And, kManufacturer, FilterRelation::Includes, "o'RE");
       },
       {7}},
      {"a quote cannot end the text early",
       [](TestListSettings& s) {
         s.rows[0] =
             Row(FilterConnector::And, kManufacturer, FilterRelation::Equal, "x') OR ('1'='1");
       },
       {}},
      {"a number field takes no query text",
       [](TestListSettings& s) {
         s.rows[0] = Row(FilterConnector::And, kCylinderNo, FilterRelation::Equal, "1) OR (1=1");
       },
       {}},
      {"valve diameter (carburetors have none)",
       [](TestListSettings& s) {
         s.rows[0] =
             Row(FilterConnector::And, kIntakeValveDiameter, FilterRelation::Greater, "2.03");
       },
       {3, 4, 5}},
      {"OR stays inside the filter rows",
       [](TestListSettings& s) {
         s.operatorName = "Bob";
         s.rows[0] = Row(FilterConnector::And, kManufacturer, FilterRelation::Equal, "dart");
         s.rows[1] = Row(FilterConnector::Or, kManufacturer, FilterRelation::Equal, "AFR");
       },
       {3}},
      {"cylinder below 3 and model before Track 1",
       [](TestListSettings& s) {
         s.rows[0] = Row(FilterConnector::And, kCylinderNo, FilterRelation::Less, "3");
         s.rows[1] = Row(FilterConnector::And, 1, FilterRelation::Less, "Track 1");
       },
       {4, 6, 7}},
  };
  for (const Case& c : cases) {
    TestListSettings s;
    c.set(s);
    EXPECT_EQ(Ids(s), c.ids) << c.what << "\n" << BuildTestListQuery(s, kNoNames, {}).sql;
  }
}

TEST_F(TestListOnSample, RowsShowNamesDatesSidesAndEdges) {
  TestListSettings s;
  s.shownColumns = {kDate,   kTestKind,  kCustomerColumn, kOperator,
                    kIntExh, kIntVlvDia, kIntEdge,        kExhEdge};
  s.sortColumns = {kTestNoColumn, -1, -1};
  const TestList list = List(s);
  ASSERT_EQ(list.ids, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
  using V = std::vector<std::string>;
  EXPECT_EQ(list.rows[0], (V{"3/14/2024", "By Lift (Auto)", "Acme Racing", "Bob", "Intake", "2.02",
                             "Sharp", "Radius", "1"}));
  EXPECT_EQ(list.rows[1], (V{"3/14/2024", "By Lift (Auto)", "O'Brien Motors", "Alice", "Exhaust",
                             "2.02", "Break", "Radius", "2"}));
  EXPECT_EQ(list.rows[2][6], "Radius");
  EXPECT_EQ(list.rows[5],
            (V{"5/1/2024", "Carburetor", "", "Alice", "Intake", "Dummy", "Dummy", "Dummy", "6"}));
  EXPECT_EQ(list.rows[6], (V{"12/31/2023", "By Lift (Keyed In CFM)", "Acme Racing", "Bob",
                             "Exhaust", "", "", "Break", "7"}));
  EXPECT_FALSE(list.truncated);
}

TEST_F(TestListOnSample, TheListStopsAtItsLimit) {
  TestListSettings s;
  s.sortColumns = {kTestNoColumn, -1, -1};
  TestList list = List(s, 3);
  EXPECT_EQ(list.ids, (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_TRUE(list.truncated);
  list = List(s, 8);
  EXPECT_EQ(list.rows.size(), 8u);
  EXPECT_FALSE(list.truncated);
  EXPECT_EQ(std::string(kTooManyTestsText),
            "Too many tests to show them all!\r\nAdjust filter settings to narrow the scope");
}

TEST_F(TestListOnSample, NotesAreNineTrimmedLines) {
  EXPECT_EQ(ReadTestNotes(*db_, 1),
            "Ported by hand\r\nSecond line of notes\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
  EXPECT_EQ(ReadTestNotes(*db_, 2), "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
  EXPECT_EQ(ReadTestNotes(*db_, 42), "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
  EXPECT_EQ(NotesLines(std::string(56, 'a') + "éb"),
            std::string(56, 'a') + "é\r\nb\r\n" + "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
}

TEST_F(TestListOnSample, CustomNamesOperatorsAndCustomers) {
  const CustomNames names = ReadCustomNames(*db_);
  EXPECT_EQ(names[0], "Port Job");
  EXPECT_EQ(names[1], "Porter");
  EXPECT_EQ(names[25], "Last Item");
  for (std::size_t i = 2; i < 25; ++i) EXPECT_EQ(names[i], "") << i;
  EXPECT_EQ(ReadOperatorNames(*db_), (std::vector<std::string>{"Bob", "Alice", "O'Neil"}));
  const auto customers = ReadCustomers(*db_);
  ASSERT_EQ(customers.size(), 3u);
  EXPECT_EQ(customers[0].id, 1);
  EXPECT_EQ(customers[0].name, "Acme Racing");
  EXPECT_EQ(customers[1].name, "O'Brien Motors");
  EXPECT_EQ(customers[2].name, "Zenith Heads");
}

TEST(TestListQuery, CustomNamesAreEmptyWithoutTheirTable) {
  test::TempDir dir;
  test::SampleBench().OmitTable("TblCustomNames").Write(dir / "bench.mdb");
  JetReaderOptions reader;
  reader.executable = test::OrvantisProgram();
  TestDatabase db(dir / "bench.mdb", reader);
  EXPECT_EQ(ReadCustomNames(db), CustomNames{});
}

// A filled list is kept with the database and read back the next time; kept bytes that do
// not hold such a list are ignored and the list is filled again.
TEST_F(TestListOnSample, AFilledListIsKeptAndDamagedOnesAreIgnored) {
  TestListSettings s;
  s.shownColumns = {kDate, kTestName, kOperator};
  s.sortColumns = {kTestNoColumn, -1, -1};
  const TestListQuery q = BuildTestListQuery(s, kNoNames, {});
  const TestList first = List(s);
  ASSERT_EQ(first.rows.size(), 8u);
  const std::string key = TestListResultKey(q, db_->dateFormat(), kMaxListedTests);
  ASSERT_TRUE(db_->KeptResult(key).has_value());
  std::vector<std::int64_t> reports;
  const TestList again =
      FillTestList(*db_, q, kNoNames, kMaxListedTests, [&](const DatabaseProgress& p) {
        reports.push_back(p.done);
        return true;
      });
  EXPECT_EQ(again.rows, first.rows);
  EXPECT_EQ(again.ids, first.ids);
  EXPECT_EQ(reports, std::vector<std::int64_t>{8});
  // Other columns, another date form or another limit are other lists.
  EXPECT_NE(
      TestListResultKey(q, {ShortDateFormat::Order::DayMonthYear, '.', true}, kMaxListedTests),
      key);
  EXPECT_NE(TestListResultKey(q, {}, 5), key);

  const std::string good = *db_->KeptResult(key);
  for (const std::string& bad :
       {std::string("damaged"), std::string(), good.substr(0, good.size() - 1), good + "x",
        good.substr(0, 4) + std::string("\x07\0\0\0", 4) + good.substr(8)}) {
    db_->KeepResult(key, bad);
    const TestList filled = List(s);
    EXPECT_EQ(filled.rows, first.rows);
    EXPECT_EQ(filled.ids, first.ids);
    EXPECT_EQ(db_->KeptResult(key), good);
  }
}

// An older bench program's database without the carburetor table: "[ANY]" lists the tests of
// the other kinds, and the carburetor kind lists nothing and names the table.
TEST(TestListQuery, AMissingKindTableLeavesItsKindOut) {
  test::TempDir dir;
  test::SampleBench().OmitTable("TblCarbTest").Write(dir / "bench.mdb");
  JetReaderOptions reader;
  reader.executable = test::OrvantisProgram();
  TestDatabase db(dir / "bench.mdb", reader);
  auto has = [&db](std::string_view t) { return db.HasTable(t); };
  TestListSettings any;
  any.sortColumns = {kTestNoColumn, -1, -1};
  TestListQuery q = BuildTestListQuery(any, kNoNames, {}, has);
  EXPECT_EQ(q.missingTables, std::vector<std::string>{"TblCarbTest"});
  EXPECT_EQ(q.sql.find("TblCarbTest"), std::string::npos);
  TestList list = FillTestList(db, q, kNoNames);
  EXPECT_EQ(list.ids, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 7, 8}));
  EXPECT_EQ(list.message, "");

  TestListSettings carburetors;
  carburetors.kind = 6;
  q = BuildTestListQuery(carburetors, kNoNames, {}, has);
  EXPECT_EQ(q.sql, "");
  list = FillTestList(db, q, kNoNames);
  EXPECT_TRUE(list.rows.empty());
  EXPECT_EQ(list.message,
            "The database engine cannot find the input table or query 'TblCarbTest'. Make sure "
            "it exists and that its name is spelled correctly.");
  // Without a way to ask, every kind table is taken to be there.
  EXPECT_NE(BuildTestListQuery(any, kNoNames, {}).sql.find("TblCarbTest"), std::string::npos);
}

// The window fills the list away from its own thread with a progress bar and Cancel: the load
// of the tables and the filling of the list tell how far they are, and either stops when told.
TEST(TestListQuery, LoadingAndFillingReportProgressAndCanBeCancelled) {
  test::TempDir dir;
  test::GeneratedBench(600, 1).Write(dir / "bench.mdb");
  JetReaderOptions reader;
  reader.executable = test::OrvantisProgram();
  TestDatabase db(dir / "bench.mdb", reader);
  TestListSettings s;
  s.sortColumns = {kTestNoColumn, -1, -1};
  const TestListQuery q = BuildTestListQuery(s, kNoNames, {});

  // The first fill is cancelled while "TblTest" loads. (The table's name is valid during the
  // call only.)
  struct Load {
    std::string table;
    std::int64_t done, total;
  };
  std::vector<Load> loads;
  db.SetProgress([&](const DatabaseProgress& p) {
    EXPECT_EQ(p.step, DatabaseProgress::Step::LoadingTable);
    loads.push_back({std::string(p.table), p.done, p.total});
    return !(p.table == "TblTest" && p.done > 0);
  });
  EXPECT_THROW(FillTestList(db, q, kNoNames), DatabaseReadCancelled);
  EStackTrace::Instance().Clear();
  ASSERT_FALSE(loads.empty());
  EXPECT_EQ(loads.back().table, "TblTest");
  EXPECT_EQ(loads.back().total, 600);

  // Then it runs through: every table reports from 0 to its row count.
  loads.clear();
  db.SetProgress([&](const DatabaseProgress& p) {
    loads.push_back({std::string(p.table), p.done, p.total});
    return true;
  });
  std::vector<std::int64_t> filled;
  const TestList list =
      FillTestList(db, q, kNoNames, kMaxListedTests, [&](const DatabaseProgress& p) {
        EXPECT_EQ(p.step, DatabaseProgress::Step::FillingList);
        filled.push_back(p.done);
        return true;
      });
  EXPECT_EQ(list.rows.size(), 600u);
  std::map<std::string, std::pair<std::int64_t, std::int64_t>> first, last;  // done, total
  for (const Load& l : loads) {
    if (first.count(l.table) == 0) first[l.table] = {l.done, l.total};
    last[l.table] = {l.done, l.total};
  }
  EXPECT_EQ(first["TblTest"], std::make_pair(std::int64_t{0}, std::int64_t{600}));
  EXPECT_EQ(last["TblTest"], std::make_pair(std::int64_t{600}, std::int64_t{600}));
  EXPECT_EQ(last["TblCarbTest"], std::make_pair(std::int64_t{100}, std::int64_t{100}));
  EXPECT_EQ(filled, (std::vector<std::int64_t>{256, 512, 600}));

  // Cancelled while filling: the list is not handed back, the database stays usable.
  EXPECT_THROW(FillTestList(db, q, kNoNames, kMaxListedTests,
                            [](const DatabaseProgress& p) { return p.done < 256; }),
               DatabaseReadCancelled);
  EStackTrace::Instance().Clear();
  EXPECT_EQ(FillTestList(db, q, kNoNames).rows.size(), 600u);
}

// The short date form is the system's: it writes the dates of a query and shows those of the
// list, and a database takes a new one at any time.
TEST_F(TestListOnSample, TheShortDateFormCanBeSet) {
  const ShortDateFormat german = *ShortDateFormatOfPattern("dd.MM.yyyy");
  db_->SetDateFormat(german);
  TestListSettings s;
  s.anyDate = false;
  s.fromDate = s.toDate = 45365;  // 14 March 2024
  s.sortColumns = {kTestNoColumn, -1, -1};
  const TestListQuery q = BuildTestListQuery(s, kNoNames, db_->dateFormat());
  EXPECT_NE(q.sql.find("(TblTest.Date = #14.03.2024#)"), std::string::npos) << q.sql;
  const TestList list = FillTestList(*db_, q, kNoNames);
  EXPECT_EQ(list.ids, (std::vector<std::int32_t>{1, 2, 8}));
  EXPECT_EQ(list.rows[0][0], "14.03.2024");
  db_->SetDateFormat({});
  EXPECT_EQ(List(s).rows[0][0], "3/14/2024");
}

}  // namespace
}  // namespace orv
