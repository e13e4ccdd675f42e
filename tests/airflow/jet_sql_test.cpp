#include "airflow/jet_sql.h"

#include <gtest/gtest.h>

#include "airflow/jet_errors.h"
#include "base/runtime_error.h"

namespace orv {
namespace {

TEST(JetSql, TranslatesTheFormsTheProgramWrites) {
  struct Row {
    const char* jet;
    const char* sqlite;
  };
  const Row rows[] = {
      {"(TblTest.Date = #3/14/2024#)", "(TblTest.Date = 45365.0)"},
      {"(TblTest.Date >= #1/1/1980# AND TblTest.Date <= #3/14/2024#)",
       "(TblTest.Date >= 29221.0 AND TblTest.Date <= 45365.0)"},
      {"#3/14/2024 6:00 PM#", "45365.75"},
      {"(TblAutoByLift.IsIntake = True)", "(TblAutoByLift.IsIntake = 1)"},
      {"(TblAutoByLift.IsIntake = false)", "(TblAutoByLift.IsIntake = 0)"},
      {"T.True = TRUE", "T.True = 1"},
      {"SELECT ALL TblTest.Notes FROM TblTest WHERE ID = 12;",
       "SELECT TblTest.Notes FROM TblTest WHERE ID = 12;"},
      {"select   all Notes", "select Notes"},
      {"SELECT A UNION ALL SELECT B", "SELECT A UNION ALL SELECT B"},
      // Patterns stay as written: the connections match Jet's LIKE themselves.
      {"(TblTest.HeadMfg LIKE '*abc*')", "(TblTest.HeadMfg LIKE '*abc*')"},
      {"X Like   'a?c'", "X Like   'a?c'"},
      {"X LIKE '*50%_off*'", "X LIKE '*50%_off*'"},
      {"X LIKE 'a#[a-c][!q]'", "X LIKE 'a#[a-c][!q]'"},
      {"X LIKE '*O''Brien*'", "X LIKE '*O''Brien*'"},
      {"X LIKE \"C:\\*\"", "X LIKE 'C:\\*'"},
      {"(TblTest.Operator = 'O''Neil')", "(TblTest.Operator = 'O''Neil')"},
      {"SELECT \"Dummy\" AS IntVlvPer", "SELECT 'Dummy' AS IntVlvPer"},
      {"\"say \"\"hi\"\"\" & 'it''s'", "'say \"hi\"' || 'it''s'"},
      {"'#1/1/2000# True LIKE *'", "'#1/1/2000# True LIKE *'"},
      {"[Test Table].[True]", "[Test Table].[True]"},
      // Parenthesised joins and UNION with ORDER BY are SQLite's own syntax too.
      {" FROM T INNER JOIN (TblTest LEFT JOIN TblCustomer ON TblTest.CustomerID = "
       "TblCustomer.ID) ON T.TestID = TblTest.ID",
       " FROM T INNER JOIN (TblTest LEFT JOIN TblCustomer ON TblTest.CustomerID = "
       "TblCustomer.ID) ON T.TestID = TblTest.ID"},
      {"SELECT A FROM T UNION SELECT A FROM U ORDER BY A;",
       "SELECT A FROM T UNION SELECT A FROM U ORDER BY A;"},
      {"X = 1.5e3", "X = 1.5e3"},
  };
  for (const Row& r : rows) EXPECT_EQ(TranslateJetSql(r.jet, {}), r.sqlite) << r.jet;
}

TEST(JetSql, DatesAreReadInTheFormTheyWereWrittenIn) {
  const ShortDateFormat uk{ShortDateFormat::Order::DayMonthYear, '/', true};
  EXPECT_EQ(TranslateJetSql("#03/04/2024#", uk), TranslateJetSql("#4/3/2024#", {}));
  EXPECT_EQ(TranslateJetSql("#14/03/2024#", uk), "45365.0");
}

TEST(JetSql, UnclosedLiteralsAndInvalidDatesAreSyntaxErrors) {
  for (const char* jet :
       {"X = 'abc", "X = \"abc", "X = #3/14/2024", "X = #2/30/2024#", "[Name", "X = #banana#"}) {
    try {
      TranslateJetSql(jet, {});
      ADD_FAILURE() << jet;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), kErrQuerySyntax) << jet;
    }
  }
}

TEST(JetSql, NamesAreTheWordsOutsideLiterals) {
  const auto names =
      JetSqlNames("SELECT [Test Name], T.X FROM TblTest WHERE Y = 'TblOther' AND Z = #1/1/2000#");
  const std::vector<std::string> expected = {"SELECT",  "Test Name", "T", "X",   "FROM",
                                             "TblTest", "WHERE",     "Y", "AND", "Z"};
  EXPECT_EQ(names, expected);
}

TEST(JetSql, QuotedTextDoublesItsQuotes) {
  EXPECT_EQ(JetQuoted("abc"), "'abc'");
  EXPECT_EQ(JetQuoted("O'Brien"), "'O''Brien'");
  EXPECT_EQ(JetQuoted("')--"), "''')--'");
  EXPECT_EQ(JetQuoted(""), "''");
}

}  // namespace
}  // namespace orv
