#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "airflow/flow_test.h"
#include "airflow/test_database.h"
#include "airflow/test_database_cache.h"
#include "airflow/test_list_query.h"

namespace orv {

class Prompter;

// The reads of the flow test dialog's database tab, made so that the window can run them away
// from its own thread: none of them speaks to the user (the window tells a cut list with
// `TellTruncatedList` afterwards), and each passes the progress of its loads to one callback,
// which may cancel (`DatabaseReadCancelled`).

// The database check (`CheckTestDatabase`) made on the file as the cache holds it open, so
// that the tables the check loads serve the reads that follow.
bool CheckDatabaseTabFile(TestDatabaseCache& cache, const std::filesystem::path& file,
                          std::string* reason = nullptr);

// The lists the tab's choices come from: the names of the custom data, the operators and the
// customers (empty when the database lacks their table).
struct DatabaseLists {
  CustomNames customNames;
  std::vector<std::string> operators;
  std::vector<Customer> customers;
};
DatabaseLists ReadDatabaseLists(TestDatabase& db, const DatabaseProgressFn& progress = {});

// The test list for the tab's choices: the list query over the kind tables the database has,
// filled up to `maxRows` rows (`list.truncated` tells that more matched).
struct DatabaseTestList {
  TestListQuery query;
  TestList list;
};
DatabaseTestList ListDatabaseTests(TestDatabase& db, const TestListSettings& settings,
                                   const CustomNames& customNames,
                                   const DatabaseProgressFn& progress = {},
                                   std::size_t maxRows = kMaxListedTests);

// The notes of test `id` as the tab shows them below the list.
std::string ReadDatabaseTestNotes(TestDatabase& db, std::int32_t id,
                                  const DatabaseProgressFn& progress = {});

// The message of an "Open" whose test could not be loaded: the file, what went wrong and the
// loader's code.
std::string FlowLoadFailureText(const std::string& path, FlowError code);

// A list cut at its limit: the beep and the warning "Too many tests to show them all!".
void TellTruncatedList(const TestList& list, Prompter& prompter);

}  // namespace orv
