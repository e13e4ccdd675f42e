#include "airflow/load_test.h"

#include <cctype>
#include <cmath>

#include "airflow/dos_test_file.h"
#include "airflow/sy3_test_file.h"
#include "base/error_trace.h"
#include "base/text.h"

namespace orv {

namespace {

constexpr const char* kLoadTestModule = "FlowTest";

// Reads test `test.TestID` of the database at `databasePath`. Without a place to hold the
// database open, no database can be read, which counts as a test the database does not hold.
bool ReadDatabaseTest(FlowTest& test, const std::string& databasePath,
                      const DatabaseAccess& database, const ProgressFn& progress) {
  if (database.databases == nullptr) return false;
  return ReadTest(test, databasePath, *database.databases, database.prompter, progress);
}

bool FlowColumnsFinite(const FlowTest& test, bool intake) {
  for (int row = 1; row <= test.Records(); ++row) {
    if (!std::isfinite(test.FlowData(row, kColLift)) ||
        !std::isfinite(test.FlowData(row, kColCCfm)) ||
        (intake && !std::isfinite(test.FlowData(row, kColSwirl)))) {
      return false;
    }
  }
  return true;
}

void FillTable(BoundedArray<float>& table, const FlowTest& test, int column) {
  table.Redim(0, test.Records());
  for (int row = 1; row <= test.Records(); ++row) table[row] = test.FlowData(row, column);
}

}  // namespace

bool IsDosTestPath(const std::string& path) {
  if (path.size() < 3) return false;
  return EndsWithIgnoringAsciiCase(path, ".SY");
}

FlowError LoadSYTest(const std::string& pathFile, const std::string& testName, bool intake,
                     std::int32_t& kind, bool fromDatabase, std::int32_t testId,
                     EngineInputs& inputs, FlowTest& current, const ProgressFn& progress,
                     const DatabaseAccess& database) {
  ETracker guard(kLoadTestModule, "LoadSYTest");
  FlowTest test;
  test.SetPathFile(pathFile);
  FlowError errFlag = FlowError::Ok;
  std::int32_t loadedKind = kind;
  const bool dos = !fromDatabase && IsDosTestPath(pathFile);
  if (fromDatabase) {
    test.TestID = testId;
    if (!ReadDatabaseTest(test, pathFile, database, progress)) {
      errFlag = FlowError::NotFound;
    } else if (test.Condition.Kind() != kind && kind != kAnyKindOfDatabaseTest) {
      errFlag = FlowError::NotFound;
    }
    // The engine's reference keeps the kind the test has, not the "any kind" asked for.
    loadedKind = test.Condition.Kind();
  } else if (dos) {
    test.Condition.SetKind(kKindFromDosFile);
    test.Condition.SetName("");
    errFlag = R2DataFile(test, 1, progress);
    loadedKind = test.Condition.Kind();
    test.TestID = -1;
  } else {
    test.Condition.SetName(testName);
    test.Condition.SetKind(kind);
    errFlag = R3DataFile(test, 1, progress);
    test.TestID = -1;
  }
  if (errFlag == FlowError::Ok && !FlowColumnsFinite(test, intake)) {
    errFlag = dos ? FlowError::BadDosFile : FlowError::NotFound;
  }
  if (errFlag != FlowError::Ok) return errFlag;
  kind = loadedKind;
  UseLoadedTest(std::move(test), intake, loadedKind, inputs, current);
  return FlowError::Ok;
}

void UseLoadedTest(FlowTest test, bool intake, std::int32_t kind, EngineInputs& inputs,
                   FlowTest& current) {
  if (intake) {
    FillTable(inputs.ILift, test, kColLift);
    FillTable(inputs.ICfm, test, kColCCfm);
    FillTable(inputs.ISwirl, test, kColSwirl);
  } else {
    FillTable(inputs.ELift, test, kColLift);
    FillTable(inputs.ECfm, test, kColCCfm);
  }
  FlowTestRef& ref = intake ? inputs.intakeFlow : inputs.exhaustFlow;
  ref = {test.PathFile(), test.Name(), test.TestID, kind, false};
  current = std::move(test);
}

CsvFlowResult LoadCsvTest(const std::string& pathFile, const CsvFlowOptions& options, bool intake,
                          EngineInputs& inputs, FlowTest& current) {
  ETracker guard(kLoadTestModule, "LoadCsvTest");
  FlowTest test;
  test.SetPathFile(pathFile);
  CsvFlowResult result = ReadCsvFlowTest(test, options);
  if (result.ok()) UseLoadedTest(std::move(test), intake, kCsvTestKind, inputs, current);
  return result;
}

}  // namespace orv
