#include "app/database_tab.h"

#include <string>
#include <utility>

#include "app/flow_test_text.h"
#include "base/error_trace.h"
#include "base/prompter.h"

namespace orv {

namespace {

constexpr const char* kDatabaseTabModule = "frmFlowTests";

// Routes the database's load progress to `progress` for the life of one read, and back to
// nothing afterwards (the callback belongs to the read, which may end in an error).
class ProgressScope final {
 public:
  ProgressScope(TestDatabase& db, const DatabaseProgressFn& progress) : db_(db) {
    db_.SetProgress(progress);
  }
  ~ProgressScope() { db_.SetProgress({}); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  TestDatabase& db_;
};

}  // namespace

bool CheckDatabaseTabFile(TestDatabaseCache& cache, const std::filesystem::path& file,
                          std::string* reason) {
  return CheckTestDatabaseWith([&]() -> TestDatabase& { return cache.Open(file); }, reason);
}

DatabaseLists ReadDatabaseLists(TestDatabase& db, const DatabaseProgressFn& progress) {
  ETracker guard(kDatabaseTabModule, "ReadLists");
  ProgressScope scope(db, progress);
  DatabaseLists lists;
  lists.customNames = ReadCustomNames(db);
  if (db.HasTable("TblOperator")) lists.operators = ReadOperatorNames(db);
  if (db.HasTable("TblCustomer")) lists.customers = ReadCustomers(db);
  return lists;
}

DatabaseTestList ListDatabaseTests(TestDatabase& db, const TestListSettings& settings,
                                   const CustomNames& customNames,
                                   const DatabaseProgressFn& progress, std::size_t maxRows) {
  ETracker guard(kDatabaseTabModule, "ShowTests");
  ProgressScope scope(db, progress);
  DatabaseTestList out;
  out.query = BuildTestListQuery(settings, customNames, db.dateFormat(),
                                 [&db](std::string_view table) { return db.HasTable(table); });
  out.list = FillTestList(db, out.query, customNames, maxRows, progress);
  return out;
}

std::string ReadDatabaseTestNotes(TestDatabase& db, std::int32_t id,
                                  const DatabaseProgressFn& progress) {
  ETracker guard(kDatabaseTabModule, "ShowNotes");
  ProgressScope scope(db, progress);
  return ReadTestNotes(db, id);
}

std::string FlowLoadFailureText(const std::string& path, FlowError code) {
  return "The flow test could not be read from " + path + ":\r\n" + FlowErrorText(code) +
         " (error " + std::to_string(static_cast<int>(code)) + ")";
}

void TellTruncatedList(const TestList& list, Prompter& prompter) {
  if (!list.truncated) return;
  prompter.Beep();
  prompter.Warn(kTooManyTestsText, kTooManyTestsTitle);
}

}  // namespace orv
