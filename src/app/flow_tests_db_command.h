#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "airflow/jet_reader_process.h"
#include "airflow/test_database_cache.h"

namespace orv {

class Application;

// `orvantis flow-tests DB.mdb ...`: the test list of the flow test selection dialog's database
// tab, with its filters, sort keys and columns, printed as tab-separated lines under a line of
// column captions.
//
// The list starts from the dialog's choices saved in the configuration file (`saved`; read by
// the caller into the application's settings), and each option given replaces its part of them:
// the kind, the dates, the operator, the customer, the side, all filter rows, all sort keys,
// the shown columns.
struct DatabaseFlowTestsRequest {
  std::string file;
  bool saved = true;
  std::string kind;  // a kind name, its code or "[ANY]"; empty for "[ANY]"
  std::string from;  // dates in the short form (or year-month-day); both empty for any date
  std::string to;
  bool today = false;
  std::string operatorName;          // "[ANY]" for any
  std::string customer;              // a customer's name or "ID"; "[ANY]" for any
  std::string side;                  // "intake", "exhaust", "any" or empty
  std::vector<std::string> filters;  // "FIELD,RELATION,VALUE[,CONNECTOR]"
  std::vector<std::string> sorts;
  std::vector<std::string> columns;
  bool printSql = false;
};

// True when the file is meant as a Jet database (its name ends in ".mdb" or it is a regular
// file that starts like one), which `flow-tests` lists with the database filters. Nothing is
// read from a named pipe or a device.
bool IsTestDatabaseFile(const std::filesystem::path& file);

// Runs the command on the database opened through `databases` (which keeps its reader, date
// form and cache folder); errors are reported through the application's prompter. A kind whose
// table the database lacks lists no test, and `err` is told which table is missing. Returns the
// exit status.
int RunDatabaseFlowTests(const DatabaseFlowTestsRequest& request, TestDatabaseCache& databases,
                         Application& app, std::ostream& out, std::ostream& err);

// The name of the database reader program.
inline constexpr const char* kJetReaderProgram = "orvantis-jet-reader";

// The reader process options of the program: the reader program beside the running executable
// (or in ../libexec/orvantis from it), else the `orvantis` executable that is running or the
// one beside the running program.
JetReaderOptions DefaultJetReaderOptions();

}  // namespace orv
