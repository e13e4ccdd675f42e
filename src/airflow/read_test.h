#pragma once

#include <filesystem>
#include <string>

#include "airflow/flow_test.h"
#include "base/prompter.h"

namespace orv {

class RecordSet;
class TestDatabase;
class TestDatabaseCache;

// Reading one test of the flow bench's test database into a `FlowTest`.
//
// The test is the row of "TblTest" whose "ID" is the test's `TestID`; its kind ("TestKind")
// names the per-kind table that holds its test lifts, valves and seats (or its planes, or its
// carburetor data), and the record tables hold its readings. Every column has a default that
// is taken when the column is missing from its table or its value is NULL; any other database
// error (a damaged or unreadable file, a missing table, a value out of its type's range) ends
// the read: it is reported through the error trace, its message shown through `prompter`
// (when given), and the read fails.
//
// The read fails (`false`) when the test is not in "TblTest", when the kind's table has no row
// for it, and when the pitot table has fewer rows than the test has records. The test object
// is then partly filled and should be dropped. A read cancelled from the database's progress
// report (`TestDatabase::SetProgress`) fails too, without a message.
//
// Only the test's own rows are read from the file: its row of "TblTest", then with one read of
// the file its rows of the kind's table and of the record tables.

// Reads test `test.TestID` from an open database. `progress` is advanced between the steps.
bool ReadTest(FlowTest& test, TestDatabase& db, Prompter* prompter = nullptr,
              const ProgressFn& progress = {});

// The same with the database of `file`, opened through (and kept in) `databases`. Errors of
// the open (a missing file, a file that is not a Jet database) are reported likewise.
bool ReadTest(FlowTest& test, const std::filesystem::path& file, TestDatabaseCache& databases,
              Prompter* prompter = nullptr, const ProgressFn& progress = {});

// The steps of a read, on the test's row of its per-kind table. They raise the database
// errors that are not a missing column or a NULL value.
//
// "Lift1".."Lift24" into the test lifts.
void ReadLiftData(FlowTest& test, const RecordSet& kindRow);
// The valve and seat columns of both sides.
void ReadHeadData(FlowTest& test, const RecordSet& kindRow);
// The by-lift or by-depression records of "TblByLiftOrDeprData", each placed by its "ItemNo",
// and for tests by lift that take pitot readings those of "TblByLiftPitotData". False when
// the pitot table has too few rows.
bool ReadByLiftOrDeprData(FlowTest& test, TestDatabase& db);

}  // namespace orv
