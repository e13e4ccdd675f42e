#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airflow/test_condition.h"
#include "airflow/test_database.h"
#include "base/date_text.h"

namespace orv {

// The test list of the flow test selection dialog's database tab, without the window: the
// filters, sort keys and shown columns the user chose become one Jet SQL query over "TblTest"
// and the per-kind table of the chosen kind (all six kinds joined by UNION for "[ANY]"), whose
// rows fill the list. Also the other reads of that tab: a test's notes, the names of the custom
// data, the operator and customer lists.

inline constexpr int kAnyTestKind = kKindAny;
inline constexpr std::size_t kMaxListedTests = 32000;

inline constexpr const char* kTooManyTestsTitle = "Warning";
inline constexpr const char* kTooManyTestsText =
    "Too many tests to show them all!\r\nAdjust filter settings to narrow the scope";
inline constexpr const char* kDatabaseNeededText =
    "       ***  VALID DATABASE FILE NEEDED  ****\r\n"
    "       Click the 'Database File' button to select a database file.";
// First entry of the operator and customer lists, meaning any.
inline constexpr const char* kAnyListEntry = "[ANY]";

// The test kinds of the kind list, "[ANY]" first.
inline constexpr int kTestListKinds[] = {kAnyTestKind,       kKindByLiftAuto,   kKindByDepression,
                                         kKindPortMap,       kKindByLiftManual, kKindCarburetor,
                                         kKindByLiftKeyedCfm};

// The per-kind table of a kind ("TblAutoByLift" for 2, ...); empty for a kind without one.
std::string_view KindTableName(int kind);

using CustomNames = std::array<std::string, 26>;

// One entry of the field list of the filter rows.
struct FilterField {
  std::string caption;  // "Manufacturer", ..., "Custom Data " and the custom name
  std::string column;   // "TblTest.HeadMfg"; for valve and seat fields the part after the
                        // kind table's name (".HeadIntakeVDia")
  bool text = false;    // compared as text (quoted)
  bool headColumn = false;
};
std::vector<FilterField> TestFilterFields(const CustomNames& customNames);

// How a display column's values are shown.
enum class ColumnShow { Plain, Date, Kind, Side, Edge };

// One entry of the column list of the test list.
struct DisplayColumn {
  std::string caption;
  std::string expression;  // the SELECT item without its ", "; for valve and seat columns the
                           // part after the kind table's name (".HeadIntakePer")
  std::string alias;       // valve and seat columns: "IntVlvPer", ...
  ColumnShow show = ColumnShow::Plain;
  bool headColumn() const noexcept { return !alias.empty(); }
};
std::vector<DisplayColumn> TestDisplayColumns(const CustomNames& customNames);
inline constexpr int kCustomerColumn = 5;  // "Customer"
inline constexpr int kTestNoColumn = 4;    // "Test No.", TblTest.ID

enum class FilterRelation { Equal = 0, Less = 1, Greater = 2, Includes = 3 };
enum class FilterConnector { NotUsed = 0, And = 1, Or = 2 };
enum class SideFilter { Any = 0, Intake = 1, Exhaust = 2 };

struct FilterRow {
  FilterConnector connector = FilterConnector::NotUsed;
  int field = 0;  // index into TestFilterFields
  FilterRelation relation = FilterRelation::Equal;
  std::string value;
};

// The choices of the database tab (the dialog keeps them in the configuration file).
struct TestListSettings {
  int kind = kAnyTestKind;
  bool anyDate = true;
  bool today = false;   // from and to are `todayDate`
  double fromDate = 0;  // day numbers
  double toDate = 0;
  double todayDate = 0;
  std::string operatorName;                // empty for any
  std::optional<std::int32_t> customerId;  // the chosen customer's "ID"
  SideFilter side = SideFilter::Any;
  std::array<FilterRow, 4> rows;
  std::vector<int> shownColumns = {0, 1, 2, 3, 4};  // indexes into TestDisplayColumns
  std::array<int, 3> sortColumns = {-1, -1, -1};    // indexes into TestDisplayColumns, -1 unused
};

struct TestListQuery {
  std::string sql;           // Jet SQL; empty when no kind table of the choice is there
  std::vector<int> columns;  // the display column of each column of the result, in order
  // The kind tables the database lacks: "[ANY]" lists the tests of the others; a single kind
  // whose table is missing lists nothing and tells so (`missingMessage`).
  std::vector<std::string> missingTables;
  std::string missingMessage;
};

// True when the database has the table (`TestDatabase::HasTable`); without it every kind table
// is taken to be there.
using TableExistsFn = std::function<bool(std::string_view table)>;

TestListQuery BuildTestListQuery(const TestListSettings& settings, const CustomNames& customNames,
                                 const ShortDateFormat& dates, const TableExistsFn& hasTable = {});

// The list as the dialog shows it: one row of texts per test.
struct TestList {
  std::vector<int> columns;
  std::vector<std::vector<std::string>> rows;
  std::vector<std::int32_t> ids;  // "ID" of each row's test
  bool truncated = false;         // more tests matched than the list holds
  std::string message;            // what the list area tells besides the rows, if anything
};

// Runs the query and fills the list, stopping at `maxRows` rows (`truncated` then tells that
// another row was there; the dialog beeps and shows kTooManyTestsText). The list is kept with
// the database, and the same list asked for again (from this state of the file, in this run or,
// through the cache folder, a later one) is read back without the query. `progress` is told the
// rows filled so far (every few hundred rows; the total is not known before the end) and may
// cancel, which raises `DatabaseReadCancelled`; the tables the query needs are loaded first,
// their progress going to the database's own progress report.
TestList FillTestList(TestDatabase& db, const TestListQuery& query, const CustomNames& customNames,
                      std::size_t maxRows = kMaxListedTests,
                      const std::function<bool(const DatabaseProgress&)>& progress = {});

// The key under which a filled list is kept with the database (`TestDatabase::KeepResult`):
// it names the query, the columns, the date form and the limit. A kept list is read back
// instead of running the query again; one whose bytes do not hold a list of these columns is
// ignored.
std::string TestListResultKey(const TestListQuery& query, const ShortDateFormat& dates,
                              std::size_t maxRows);
// A filled list as it is kept, and back: nothing when the bytes are not a list with these
// display columns.
std::string KeptTestList(const TestList& list);
std::optional<TestList> ReadKeptTestList(std::string_view bytes, const std::vector<int>& columns);

// The text a value of a display column is shown as: dates in the short form, kinds by name,
// the side as "Intake" or "Exhaust", edge codes as "Sharp" (0), "Radius" (2) or "Break".
std::string DisplayText(const DisplayColumn& column, const JetField& value,
                        const ShortDateFormat& dates);
std::string DisplayText(const DisplayColumn& column, const JetValueView& value,
                        const ShortDateFormat& dates);

// The notes of the test `id`, as 9 lines of 57 characters, each without its trailing blanks
// and followed by CR LF.
std::string ReadTestNotes(TestDatabase& db, std::int32_t id);
std::string NotesLines(std::string_view fullLineNotes);

// The names of the custom data from "TblCustomNames" (rows with "ItemNo" 1 to 26); empty names
// when the table is missing.
CustomNames ReadCustomNames(TestDatabase& db);

// The operators of "TblOperator" and the customers of "TblCustomer" in primary key order.
std::vector<std::string> ReadOperatorNames(TestDatabase& db);
struct Customer {
  std::int32_t id = 0;
  std::string name;
};
std::vector<Customer> ReadCustomers(TestDatabase& db);

}  // namespace orv
