#pragma once

#include <string>
#include <vector>

#include "airflow/test_list_query.h"
#include "files/config_file.h"
#include "files/keyed_file.h"

namespace orv {

class Prompter;

// The database tab of the flow test selection dialog between the configuration file and the
// list query: its choices are kept in the configuration values "LdTKind", "LdFDat", "LdTDat",
// "LdADat", "LdTdy", "LdOp", "LdCust", "LdIE", "LdUAO0".."LdPrm3", "LdSrt0".."LdSrt2",
// "ShCol0".."ShCol4" and "LdCol0".."LdCol6", which `RestoreTestListSettings` reads when the
// dialog opens and `SaveTestListSettings` writes when it closes.
//
// How the values are kept:
// - "LdTKind": the position in the kind list ("[ANY]", then the six kinds, kTestListKinds);
// - "LdIE": 0 any side, 1 intake, 2 exhaust;
// - "LdOp", "LdCust": the operator's and the customer's name as the lists show them, empty for
//   any; a name the database's list lacks counts as any;
// - "LdUAO"n: 0 "Not Used", 1 "AND", 2 "OR"; "LdFld"n: the position in the filter field list;
//   "LdRel"n: 0 " = ", 1 " < ", 2 " > ", 3 " LIKE "; "LdPrm"n: the value text;
// - "LdSrt"n: 0 "[Not Used]", otherwise the display column's number counted from 1;
// - the shown columns: "ShCol0".."ShCol4" hold the numbers (from 1, 0 for none) of the first
//   five shown columns in the order of the column list, and "LdCol0".."LdCol6" the others as
//   sets of flags, bit b of "LdCol"w standing for the column at position 16·w + b. The
//   defaults (ShCol 1 to 5, LdCol 0) show date, time, kind, name and test number.
// Values outside their lists restore as the first entry (any, "Not Used").

// Day number of the date of a configuration date value (time of day dropped) and back.
double DayNumberOfDate(DateTime value);
DateTime DateTimeOfDayNumber(double dayNumber);

TestListSettings RestoreTestListSettings(const Settings& settings,
                                         const std::vector<std::string>& operators,
                                         const std::vector<Customer>& customers, double today);

// `customers` gives the chosen customer's name.
void SaveTestListSettings(const TestListSettings& list, const std::vector<Customer>& customers,
                          Settings& settings);

// Runs the list query and fills the list as the dialog's database tab does: when more than
// `maxRows` tests match, the list stops there, the computer beeps and the warning
// "Too many tests to show them all!" is shown through `prompter`.
TestList FillDialogTestList(TestDatabase& db, const TestListQuery& query,
                            const CustomNames& customNames, Prompter& prompter,
                            std::size_t maxRows = kMaxListedTests);

}  // namespace orv
