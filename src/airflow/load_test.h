#pragma once

#include <cstdint>
#include <string>

#include "airflow/csv_flow_test.h"
#include "airflow/flow_test.h"
#include "airflow/read_test.h"
#include "engine/engine_inputs.h"

namespace orv {

// `Kind` value that accepts a database test of any kind.
inline constexpr std::int32_t kAnyKindOfDatabaseTest = -4444;

class TestDatabaseCache;

// What loading a test of the test database needs besides its path: the databases held open
// (the file is opened there, or found open from an earlier read) and the prompter that shows
// the message of a database error. Without `databases` no database can be read.
struct DatabaseAccess {
  TestDatabaseCache* databases = nullptr;
  Prompter* prompter = nullptr;
};

// Loads a flow test as the engine's intake or exhaust airflow, as the flow-test selection
// dialog does on "Open". The source is the test database when `fromDatabase` (the test
// `testId` of the database at `pathFile`), a DOS test file when the path ends in ".SY" (any
// case), and otherwise an SY3 file, in which the test named `testName` of full kind `kind` is
// read.
//
// On success the test replaces `current` (the side's current test), the side's keyboard flow
// tables of `inputs` are sized to indices 0..records and filled from the records' lift,
// corrected flow and (intake only) swirl, index 0 staying 0, and the side's flow-test reference
// names the test. For a DOS file and a database test `kind` returns the test's kind.
//
// Returns the error flag: 0, or the reader's code (-1 missing or unknown file or test, 1 bad
// DOS file, 2 empty or missing SY3 file, 3 DOS file without records). A test whose lifts,
// flows or swirl hold values that are not finite numbers is refused as a bad file (1 for a DOS
// file, -1 otherwise). On failure `current`, `kind` and the tables are left as they were.
FlowError LoadSYTest(const std::string& pathFile, const std::string& testName, bool intake,
                     std::int32_t& kind, bool fromDatabase, std::int32_t testId,
                     EngineInputs& inputs, FlowTest& current, const ProgressFn& progress = {},
                     const DatabaseAccess& database = {});

// The end of every load: `test` (read whole, of kind `kind`) replaces `current`, the side's
// keyboard flow tables of `inputs` are sized to indices 0..records and filled from its lift,
// corrected flow and (intake only) swirl, index 0 staying 0, and the side's flow-test reference
// names the test (its path, name, identifier and `kind`).
void UseLoadedTest(FlowTest test, bool intake, std::int32_t kind, EngineInputs& inputs,
                   FlowTest& current);

// Loads the CSV flow test at `pathFile`, read with `options`, as the side's airflow, as
// `LoadSYTest` loads the other sources. On failure (the result says why, and on which line)
// `current` and the tables are left as they were.
CsvFlowResult LoadCsvTest(const std::string& pathFile, const CsvFlowOptions& options, bool intake,
                          EngineInputs& inputs, FlowTest& current);

// True when the path names a DOS test file (its last three characters are ".SY", any case).
bool IsDosTestPath(const std::string& path);

}  // namespace orv
