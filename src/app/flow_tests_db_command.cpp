#include "app/flow_tests_db_command.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <ostream>

#include "airflow/jet_errors.h"
#include "airflow/test_database.h"
#include "airflow/test_list_query.h"
#include "app/application.h"
#include "app/test_list_settings.h"
#include "base/atomic_file.h"
#include "base/error_trace.h"
#include "base/platform.h"
#include "base/runtime_error.h"
#include "base/text.h"
#include "base/text_number.h"

namespace orv {

namespace {

constexpr const char* kFlowTestsDbCommandModule = "CommandLine";

// Invalid command-line input: told to the user without an error trace.
class UsageError final : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = s.find(sep, start);
    parts.push_back(std::string(s.substr(start, at - start)));
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  return parts;
}

// The name after the last "." of a column expression ("TblTest.HeadMfg" gives "HeadMfg").
std::string Tail(std::string_view expression) {
  const auto dot = expression.rfind('.');
  return std::string(dot == std::string_view::npos ? expression : expression.substr(dot + 1));
}

int KindOf(const std::string& text) {
  if (text.empty()) return kAnyTestKind;
  const std::string t = AsciiLower(Trim(text));
  if (t == "any") return kAnyTestKind;
  for (int kind : kTestListKinds) {
    if (AsciiLower(TestKindName(kind)) == t) return kind;
  }
  if (IsNumberText(t)) {
    const double code = TextToDouble(t);
    for (int kind : kTestListKinds) {
      if (kind == code) return kind;
    }
  }
  std::string names;
  for (int kind : kTestListKinds) names += "\n  " + TestKindName(kind);
  throw UsageError("unknown test kind \"" + text + "\"; the kinds are:" + names);
}

int DisplayColumnOf(const std::vector<DisplayColumn>& columns, const std::string& name) {
  const std::string n = AsciiLower(Trim(name));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const DisplayColumn& c = columns[i];
    if (AsciiLower(c.caption) == n || AsciiLower(Tail(c.expression)) == n ||
        (!c.alias.empty() && AsciiLower(c.alias) == n)) {
      return static_cast<int>(i);
    }
  }
  std::string captions;
  for (const DisplayColumn& c : columns) captions += "\n  " + c.caption;
  throw UsageError("unknown column \"" + name + "\"; the columns are:" + captions);
}

int FilterFieldOf(const std::vector<FilterField>& fields, const std::string& name) {
  const std::string n = AsciiLower(Trim(name));
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (AsciiLower(fields[i].caption) == n || AsciiLower(Tail(fields[i].column)) == n) {
      return static_cast<int>(i);
    }
  }
  std::string captions;
  for (const FilterField& f : fields) captions += "\n  " + f.caption;
  throw UsageError("unknown filter field \"" + name + "\"; the fields are:" + captions);
}

FilterRow ParseFilter(const std::vector<FilterField>& fields, const std::string& text) {
  std::vector<std::string> parts = Split(text, ',');
  if (parts.size() < 3) {
    throw UsageError("--filter needs FIELD,RELATION,VALUE[,CONNECTOR], got \"" + text + "\"");
  }
  FilterRow row;
  row.connector = FilterConnector::And;
  row.field = FilterFieldOf(fields, parts[0]);
  const std::string relation = AsciiLower(Trim(parts[1]));
  if (relation == "=") {
    row.relation = FilterRelation::Equal;
  } else if (relation == "<") {
    row.relation = FilterRelation::Less;
  } else if (relation == ">") {
    row.relation = FilterRelation::Greater;
  } else if (relation == "includes" || relation == "like") {
    row.relation = FilterRelation::Includes;
  } else {
    throw UsageError("unknown relation \"" + parts[1] + "\" (=, <, >, includes)");
  }
  std::size_t valueEnd = parts.size();
  if (parts.size() >= 4) {
    const std::string connector = AsciiLower(Trim(parts.back()));
    if (connector == "and" || connector == "or" || connector == "not used") {
      row.connector = connector == "and"  ? FilterConnector::And
                      : connector == "or" ? FilterConnector::Or
                                          : FilterConnector::NotUsed;
      valueEnd = parts.size() - 1;
    }
  }
  for (std::size_t i = 2; i < valueEnd; ++i) {
    if (i > 2) row.value += ",";
    row.value += parts[i];
  }
  return row;
}

double TodayDayNumber() { return DayNumberOfDate(Today()); }

double DateOf(const std::string& text, const ShortDateFormat& dates) {
  const auto day = ParseShortDate(text, dates);
  if (!day) throw UsageError("\"" + text + "\" is not a date (M/D/YYYY or YYYY-MM-DD)");
  return *day;
}

// The dialog's saved choices, with the operator and customer looked up in the database's lists
// (read only when a choice names one; a database without the list has none of them).
TestListSettings SavedSettings(const Settings& saved, TestDatabase& db) {
  std::vector<std::string> operators;
  std::vector<Customer> customers;
  if (!saved.filterOperator.empty() && db.HasTable("TblOperator"))
    operators = ReadOperatorNames(db);
  if (!saved.filterCustomer.empty() && db.HasTable("TblCustomer")) customers = ReadCustomers(db);
  return RestoreTestListSettings(saved, operators, customers, TodayDayNumber());
}

TestListSettings SettingsOf(const DatabaseFlowTestsRequest& req, const Settings& saved,
                            TestDatabase& db, const CustomNames& names) {
  const std::vector<FilterField> fields = TestFilterFields(names);
  const std::vector<DisplayColumn> columns = TestDisplayColumns(names);
  TestListSettings s = req.saved ? SavedSettings(saved, db) : TestListSettings{};
  if (!req.kind.empty()) s.kind = KindOf(req.kind);
  if (req.today) {
    s.anyDate = false;
    s.today = true;
    s.todayDate = TodayDayNumber();
  } else if (!req.from.empty() || !req.to.empty()) {
    s.anyDate = false;
    s.today = false;
    s.fromDate = DateOf(req.from.empty() ? req.to : req.from, db.dateFormat());
    s.toDate = DateOf(req.to.empty() ? req.from : req.to, db.dateFormat());
  }
  if (!req.operatorName.empty()) {
    s.operatorName = req.operatorName == kAnyListEntry ? std::string() : req.operatorName;
  }
  if (req.customer == kAnyListEntry) {
    s.customerId.reset();
  } else if (!req.customer.empty()) {
    s.customerId.reset();
    for (const Customer& c : ReadCustomers(db)) {
      if (AsciiLower(c.name) == AsciiLower(req.customer)) s.customerId = c.id;
    }
    if (!s.customerId && IsNumberText(req.customer)) {
      s.customerId = static_cast<std::int32_t>(TextToDouble(req.customer));
    }
    if (!s.customerId) throw UsageError("no customer \"" + req.customer + "\" in the database");
  }
  const std::string side = AsciiLower(req.side);
  if (side == "intake") s.side = SideFilter::Intake;
  if (side == "exhaust") s.side = SideFilter::Exhaust;
  if (side == "any") s.side = SideFilter::Any;
  if (req.filters.size() > s.rows.size()) {
    throw UsageError("at most " + std::to_string(s.rows.size()) + " --filter rows");
  }
  if (!req.filters.empty()) s.rows = {};
  for (std::size_t i = 0; i < req.filters.size(); ++i)
    s.rows[i] = ParseFilter(fields, req.filters[i]);
  if (req.sorts.size() > s.sortColumns.size()) {
    throw UsageError("at most " + std::to_string(s.sortColumns.size()) + " --sort keys");
  }
  if (!req.sorts.empty()) s.sortColumns = {-1, -1, -1};
  for (std::size_t i = 0; i < req.sorts.size(); ++i) {
    s.sortColumns[i] = DisplayColumnOf(columns, req.sorts[i]);
  }
  if (!req.columns.empty()) {
    s.shownColumns.clear();
    for (const std::string& arg : req.columns) {
      for (const std::string& name : Split(arg, ',')) {
        if (AsciiLower(Trim(name)) == "all") {
          for (std::size_t i = 0; i < columns.size(); ++i)
            s.shownColumns.push_back(static_cast<int>(i));
        } else if (!Trim(name).empty()) {
          s.shownColumns.push_back(DisplayColumnOf(columns, name));
        }
      }
    }
  }
  return s;
}

}  // namespace

bool IsTestDatabaseFile(const std::filesystem::path& file) {
  // A name ending in ".mdb" is meant as a database even when its content is not one, so that
  // the user hears that it is not a readable database rather than a multi-test file error.
  const std::string ext = AsciiLower(file.extension().string());
  if (ext == ".mdb" || ext == ".accdb") return true;
  // Only a regular file is looked into: a named pipe or a device is no database, and opening
  // it must not wait for a writer.
  const int fd = OpenRegularFile(file);
  if (fd < 0) return false;
  char head[20] = {};
  std::size_t got = 0;
  while (got < sizeof head) {
    const ssize_t n = ::read(fd, head + got, sizeof head - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (got < sizeof head) return false;
  return std::string_view(head, 4) == std::string_view("\x00\x01\x00\x00", 4) &&
         std::string_view(head + 4, 15) == "Standard Jet DB";
}

JetReaderOptions DefaultJetReaderOptions() {
  JetReaderOptions options;
  const std::filesystem::path self = ExecutablePath();
  if (self.empty()) return options;
  const std::filesystem::path folder = self.parent_path();
  // The reader program of its own starts far faster than the whole program; it stands beside
  // the program in the build tree and in libexec/orvantis when installed. Without it, the
  // program itself reads through its hidden command.
  std::error_code ec;
  for (const std::filesystem::path& reader :
       {folder / kJetReaderProgram,
        folder.parent_path() / "libexec" / "orvantis" / kJetReaderProgram}) {
    if (std::filesystem::is_regular_file(reader, ec)) {
      options.executable = reader;
      return options;
    }
  }
  if (self.filename() == "orvantis") {
    options.executable = self;
  } else {
    const std::filesystem::path beside = folder / "orvantis";
    if (std::filesystem::is_regular_file(beside, ec)) options.executable = beside;
  }
  return options;
}

int RunDatabaseFlowTests(const DatabaseFlowTestsRequest& req, TestDatabaseCache& databases,
                         Application& app, std::ostream& out, std::ostream& err) {
  ETracker guard(kFlowTestsDbCommandModule, "FlowTests");
  try {
    TestDatabase& db = databases.Open(req.file);
    const CustomNames names = ReadCustomNames(db);
    const TestListSettings settings = SettingsOf(req, app.settings(), db, names);
    const TestListQuery query =
        BuildTestListQuery(settings, names, db.dateFormat(),
                           [&db](std::string_view table) { return db.HasTable(table); });
    if (req.printSql) out << query.sql << '\n';
    const TestList list = FillDialogTestList(db, query, names, app.prompter());
    if (!list.message.empty()) err << "orvantis: " << req.file << ": " << list.message << '\n';
    const std::vector<DisplayColumn> columns = TestDisplayColumns(names);
    // The lines are put together first and written at once.
    std::size_t size = 64 * list.columns.size();
    for (const auto& row : list.rows) {
      for (const std::string& cell : row) size += cell.size() + 1;
    }
    std::string text;
    text.reserve(size);
    for (std::size_t i = 0; i < list.columns.size(); ++i) {
      if (i > 0) text += '\t';
      text += columns[static_cast<std::size_t>(list.columns[i])].caption;
    }
    text += '\n';
    for (const auto& row : list.rows) {
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0) text += '\t';
        text += row[i];
      }
      text += '\n';
    }
    out << text;
    return 0;
  } catch (const UsageError& e) {
    err << "orvantis: " << e.what() << '\n';
    return 1;
  } catch (...) {
    app.ReportError(guard);
    return 1;
  }
}

}  // namespace orv
