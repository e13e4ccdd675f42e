#include "airflow/read_test.h"

#include <cmath>
#include <optional>
#include <string_view>

#include "airflow/jet_errors.h"
#include "airflow/test_database.h"
#include "airflow/test_database_cache.h"
#include "airflow/test_list_query.h"
#include "base/date_text.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "base/text_number.h"

namespace orv {

namespace {

constexpr const char* kReadTestModule = "SYDatabase";

// The queries, the test identifier appended as decimal text.
constexpr std::string_view kTestQuery = "SELECT * FROM TblTest WHERE ID = ";
constexpr std::string_view kByLiftQuery = "SELECT * FROM TblByLiftOrDeprData WHERE TestID = ";
constexpr std::string_view kPitotQuery = "SELECT * FROM TblByLiftPitotData WHERE TestID = ";
constexpr std::string_view kCarbDataQuery = "SELECT * FROM TblCarbData WHERE TestID = ";
constexpr std::string_view kPortMapDataQuery = "SELECT * FROM TblPortMapData WHERE TestID = ";

// A test without a date in the database is dated 1 January 1980.
constexpr CivilDate kDefaultTestDate{1980, 1, 1};

constexpr int kLiftColumns = 24;      // "Lift1".."Lift24", "Depr1".."Depr24"
constexpr int kCarbDepressions = 6;   // "Depr1".."Depr6" of a carburetor test
constexpr int kRangeCalEntries = 12;  // "BCalIntake1".."12", "BCalExhaust1".."12"
constexpr int kPitotColumns = 12;     // "Pitot1".."Pitot12"

std::string Query(std::string_view head, std::int32_t id) {
  return std::string(head) + std::to_string(id);
}

std::string Numbered(std::string_view name, int n) {
  std::string s(name);
  s += std::to_string(n);
  return s;
}

std::int16_t Flag16(bool b) noexcept { return b ? kTrue16 : std::int16_t{0}; }

// The flag of a column, or nothing when the column is missing or NULL.
std::optional<bool> PresentBoolean(const RecordSet& rs, std::string_view column) {
  const int index = rs.FindField(column);
  if (index < 0) return std::nullopt;
  const JetField f = rs.Field(index);
  if (f.IsNull()) return std::nullopt;
  return f.AsBoolean();
}

// A record or plane number kept as one byte, or `fallback` when the column is missing or NULL.
int ReadNumberByte(const RecordSet& rs, std::string_view column, int fallback) {
  const int index = rs.FindField(column);
  if (index < 0) return fallback;
  const JetField f = rs.Field(index);
  return f.IsNull() ? fallback : f.AsByte();
}

// "PitotPerLift" is kept as one byte; values above 127 are the 16-bit flag's true (255 is -1).
std::int16_t ReadPitotPerLift(const RecordSet& rs) {
  const int v = ReadByte(rs, "PitotPerLift", 0);
  return static_cast<std::int16_t>(v > 127 ? v - 256 : v);
}

// The date part of a stored day number, or nothing for a value no calendar date has.
std::optional<CivilDate> DateOf(double dayNumber) {
  if (!std::isfinite(dayNumber) || dayNumber < DayNumber(100, 1, 1) ||
      dayNumber >= DayNumber(10000, 1, 1)) {
    return std::nullopt;
  }
  return DateOfDayNumber(dayNumber);
}

// The columns of the test's row of "TblTest", in the order of the table.
void ReadTestRow(FlowTest& test, const RecordSet& rs) {
  TestCondition& c = test.Condition;
  c.SetKind(ReadLong(rs, "TestKind", -1));
  test.SetName(ReadText(rs, "TestName", ""));
  c.HeadDescription = ReadText(rs, "HeadDescription", "");
  c.HeadMfg = ReadText(rs, "HeadMfg", "");
  c.HeadModelNo = ReadText(rs, "HeadModelNo", "");
  c.HeadSerialNo = ReadText(rs, "HeadSerialNo", "");
  c.IsIntake = ReadBoolean(rs, "IsIntake", true);
  c.CylinderNo = ReadByte(rs, "CylinderNo", 1);
  test.CustomerID = ToInt32(TextToDouble(ReadText(rs, "CustomerID", "")));
  const double date = ReadDate(
      rs, "Date", DayNumber(kDefaultTestDate.year, kDefaultTestDate.month, kDefaultTestDate.day));
  c.TheDate = DateOf(date);
  c.TheTime = ReadText(rs, "Time", "");
  test.Operator = ReadText(rs, "Operator", "");
  test.SetFullLineNotes(ReadText(rs, "Notes", ""));
  test.AvgCfm = ReadSingle(rs, "AvgCfm", 0);
  test.MaxCfm = ReadSingle(rs, "MaxCfm", 0);
  c.Leakage = ReadSingle(rs, "Leakage", 0);
  c.Barometer = ReadSingle(rs, "Barometer", 29.92f);
  c.Humidity = ReadSingle(rs, "Humidity", 0);
  c.WetBulb = ReadSingle(rs, "WetBulb", 59.0f);
  // The bench program reads the dry bulb twice in a row; one read gives the same value.
  c.DryBulb = ReadSingle(rs, "DryBulb", 70.0f);
  c.HumidityMethod = Flag16(ReadBoolean(rs, "UseRH", true));
  c.WeatherCorrection = Flag16(ReadBoolean(rs, "WeatherCorrectSF", false));
  c.StdFlowMethod = ReadLong(rs, "StdFlowMethod", 0);
  const bool swirl = ReadBoolean(rs, "SwirlOn", false);
  const bool tumble = ReadBoolean(rs, "TumbleOn", false);
  c.SwirlTumble = swirl ? 1 : tumble ? 2 : 0;
  c.FudgeFactor = ReadSingle(rs, "FudgeFactor", 1.0f);
  test.BenchKind = ReadLong(rs, "BenchBrand", 2);
  for (int n = 1; n <= kRangeCalEntries; ++n) {
    test.SetIntakeRangeCal(n, ReadSingle(rs, Numbered("BCalIntake", n), 0));
  }
  for (int n = 1; n <= kRangeCalEntries; ++n) {
    test.SetExhaustRangeCal(n, ReadSingle(rs, Numbered("BCalExhaust", n), 0));
  }
  test.PlotColor = ReadLong(rs, "PlotColor", 65535);
  for (int n = 1; n <= kCustomDataCount; ++n) {
    const std::string column = "Custom" + std::string(1, static_cast<char>('A' + n - 1));
    c.SetCustomData(n, ReadText(rs, column, ""));
  }
}

// "Depr1".."DeprN" into the test lifts (tests by depression and carburetor tests keep their
// depressions there).
void ReadDepressions(FlowTest& test, const RecordSet& kindRow, int count) {
  for (int n = 1; n <= count; ++n) {
    test.Condition.SetLift(n, ReadSingle(kindRow, Numbered("Depr", n), 0));
  }
}

void ReadPlanes(FlowTest& test, const RecordSet& kindRow) {
  TestCondition& c = test.Condition;
  for (int plane = 1; plane <= kPlaneCount; ++plane) {
    c.SetPlaneKind(plane, ReadByte(kindRow, Numbered("Kind", plane), 0));
    c.SetPlaneWallRow(plane, ReadByte(kindRow, Numbered("RowWall", plane), 2));
    c.SetPlaneCenterCol(plane, ReadByte(kindRow, Numbered("ColCenter", plane), 2));
    c.SetPlaneTemperature(plane, ReadSingle(kindRow, Numbered("Temperature", plane), 70.0f));
    c.SetPlaneDepression(plane, ReadByte(kindRow, Numbered("Depr", plane), 28));
  }
}

// The readings of the planes: for each plane in use, as many rows of "TblPortMapData" as the
// plane has regions, in the order the query gives them; each row names its plane and region.
// When the rows run out, the regions left keep "no reading".
void ReadPortMapData(FlowTest& test, TestDatabase& db) {
  ETracker guard(kReadTestModule, "ReadPortMapData");
  TestCondition& c = test.Condition;
  RecordSet rs = db.OpenRecordSet(Query(kPortMapDataQuery, test.TestID));
  for (int plane = 1; plane <= kPlaneCount; ++plane) {
    if (c.PlaneKind(plane) == 0) continue;
    const int regions = c.PlaneRegionCnt(plane);
    for (int k = 1; k <= regions && !rs.Eof(); ++k) {
      const int planeNo = ReadNumberByte(rs, "PlaneNo", plane);
      const int region = ReadByte(rs, "Region", 1);
      c.SetPlaneVelocity(planeNo, region, ReadSingle(rs, "Speed", 0));
      c.SetPlaneInches(planeNo, region, ReadSingle(rs, "Mano", 0));
      rs.MoveNext();
    }
  }
}

void ReadCarburetor(FlowTest& test, const RecordSet& kindRow) {
  TestCondition& c = test.Condition;
  ReadDepressions(test, kindRow, kCarbDepressions);
  c.CarbVenturis = ReadInteger(kindRow, "Venturis", 4);
  c.CarbRestrictor = ReadSingle(kindRow, "Restrictor", 0);
  c.CarbJetMethod = ReadInteger(kindRow, "JetMethod", 0);
  c.CarbJetSize = ReadSingle(kindRow, "JetSize", 1.0f);
  c.CarbAirBleed = ReadSingle(kindRow, "AirBleed", 0.1f);
  c.CarbPrimaryVenturi = ReadSingle(kindRow, "PrimaryVenturi", 1.0f);
  c.CarbPrimaryBody = ReadSingle(kindRow, "PrimaryBody", 2.0f);
  c.CarbPrimaryBoosterID = ReadSingle(kindRow, "PrimaryBoosterID", 0.375f);
  c.CarbPrimaryBoosterOD = ReadSingle(kindRow, "PrimaryBoosterOD", 0.625f);
  c.CarbSecondaryVenturi = ReadSingle(kindRow, "SecondaryVenturi", 1.0f);
  c.CarbSecondaryBody = ReadSingle(kindRow, "SecondaryBody", 2.0f);
  c.CarbSecondaryBoosterID = ReadSingle(kindRow, "SecondaryBoosterID", 0.375f);
  c.CarbSecondaryBoosterOD = ReadSingle(kindRow, "SecondaryBoosterOD", 0.625f);
}

// The venturi readings of a carburetor test: the rows of "TblCarbData" in the order the query
// gives them are records 1, 2, ...
void ReadCarbData(FlowTest& test, TestDatabase& db) {
  ETracker guard(kReadTestModule, "ReadCarbData");
  RecordSet rs = db.OpenRecordSet(Query(kCarbDataQuery, test.TestID));
  const long count = rs.RecordCount();
  test.SetRecordLength();
  test.SetRecords(ToInt16(static_cast<double>(count)));
  for (int row = 1; !rs.Eof() && row <= count; ++row, rs.MoveNext()) {
    test.SetFlowData(row, kColLift, static_cast<float>(ReadLong(rs, "VenturiID", 0)));
    test.SetFlowData(row, kColTemperature1, ReadSingle(rs, "Temperature1", 70.0f));
    test.SetFlowData(row, kColTemperature2, ReadSingle(rs, "Temperature2", 70.0f));
    test.SetFlowData(row, kColDepr, ReadSingle(rs, "Depr", 20.4f));
    test.SetFlowData(row, kColActualDepr, ReadSingle(rs, "ActualDepr", 20.4f));
    test.SetFlowData(row, kCurveRange, ReadSingle(rs, "Range", 1.0f));
    test.SetFlowData(row, kCurveMano, ReadSingle(rs, "Mano", 0));
    test.SetFlowData(row, kColCCfm, ReadSingle(rs, "CCfm", 0));
    test.SetFlowData(row, kColACfm, ReadSingle(rs, "ACfm", 0));
    test.SetFlowData(row, kColSwirl, ReadSingle(rs, "Swirl", 0));
    test.SetFlowData(row, kColAux, ReadSingle(rs, "Aux", 0));
    test.SetFlowData(row, kColBooster, ReadSingle(rs, "Booster", 0));
  }
}

// The tables a read of a test of `kind` visits after "TblTest", each with the column that picks
// the test's rows: its kind's table and its record tables.
std::vector<KeyedTable> TablesOfKind(std::int32_t kind) {
  constexpr std::string_view kTestId = "TestID";
  std::vector<KeyedTable> tables;
  const std::string_view kindTable = KindTableName(kind);
  if (!kindTable.empty()) tables.push_back({kindTable, kTestId});
  switch (kind) {
    case kKindPortMap:
      tables.push_back({"TblPortMapData", kTestId});
      break;
    case kKindCarburetor:
      tables.push_back({"TblCarbData", kTestId});
      break;
    case kKindByLiftManual:
    case kKindFromDosFile:
    case kKindByLiftKeyedCfm:
      tables.push_back({"TblByLiftOrDeprData", kTestId});
      tables.push_back({"TblByLiftPitotData", kTestId});
      break;
    default:
      tables.push_back({"TblByLiftOrDeprData", kTestId});
      break;
  }
  return tables;
}

bool TakesPitotReadings(const FlowTest& test) {
  const std::int32_t kind = test.Condition.Kind();
  return (kind == kKindByLiftManual || kind == kKindFromDosFile || kind == kKindByLiftKeyedCfm) &&
         test.Condition.PitotPerLift != 0;
}

// Steps 2 and 3 of a read: the test's row of "TblTest", then its kind's table and records.
bool ReadTestRows(FlowTest& test, TestDatabase& db, const ProgressFn& progress) {
  RecordSet rs = db.OpenRecordSet(Query(kTestQuery, test.TestID));
  if (rs.Eof()) return false;
  if (progress) progress();

  test.InDB = true;
  ReadTestRow(test, rs);
  // "IsIntake" belongs to "TblTest"; a database that keeps it in the per-kind tables only (as
  // the bench program's test list reads it) gives it there.
  const bool sideInTestRow = PresentBoolean(rs, "IsIntake").has_value();
  if (progress) progress();

  TestCondition& c = test.Condition;
  const std::int32_t kind = c.Kind();
  // The test's rows of the tables still to be read come with one read of the file.
  db.PrefetchRows(TablesOfKind(kind), test.TestID);
  const std::string_view table = KindTableName(kind);
  if (table.empty()) return ReadByLiftOrDeprData(test, db);

  RecordSet kindRow = db.OpenRecordSet("SELECT * FROM " + std::string(table) +
                                       " WHERE TestID = " + std::to_string(test.TestID));
  if (kindRow.Eof()) return false;
  if (!sideInTestRow) c.IsIntake = PresentBoolean(kindRow, "IsIntake").value_or(true);

  bool ok = true;
  switch (kind) {
    case kKindByLiftAuto:
      ReadLiftData(test, kindRow);
      ReadHeadData(test, kindRow);
      ok = ReadByLiftOrDeprData(test, db);
      break;
    case kKindByDepression:
      ReadDepressions(test, kindRow, kLiftColumns);
      ReadHeadData(test, kindRow);
      ok = ReadByLiftOrDeprData(test, db);
      break;
    case kKindPortMap:
      ReadHeadData(test, kindRow);
      ReadPlanes(test, kindRow);
      test.SetRecordLength();
      ReadPortMapData(test, db);
      break;
    case kKindByLiftManual:
    case kKindFromDosFile:
      c.UseLDRatio = ReadBoolean(kindRow, "UseLDRatio", false);
      c.PitotPerLift = ReadPitotPerLift(kindRow);
      ReadLiftData(test, kindRow);
      ReadHeadData(test, kindRow);
      ok = ReadByLiftOrDeprData(test, db);
      if (ok) test.CalcStdFlowAndDC();
      break;
    case kKindCarburetor:
      ReadCarburetor(test, kindRow);
      ReadCarbData(test, db);
      break;
    case kKindByLiftKeyedCfm:
      c.PitotPerLift = ReadPitotPerLift(kindRow);
      ReadHeadData(test, kindRow);
      ok = ReadByLiftOrDeprData(test, db);
      break;
    default:
      ok = ReadByLiftOrDeprData(test, db);
      break;
  }
  if (progress) progress();
  return ok;
}

}  // namespace

void ReadLiftData(FlowTest& test, const RecordSet& kindRow) {
  ETracker guard(kReadTestModule, "ReadLiftData");
  for (int n = 1; n <= kLiftColumns; ++n) {
    test.Condition.SetLift(n, ReadSingle(kindRow, Numbered("Lift", n), 0));
  }
}

void ReadHeadData(FlowTest& test, const RecordSet& rs) {
  ETracker guard(kReadTestModule, "ReadHeadData");
  TestCondition& c = test.Condition;
  c.HeadIntakePer = ReadByte(rs, "HeadIntakePer", 1);
  c.HeadIntakeVDia = ReadSingle(rs, "HeadIntakeVDia", 1.5f);
  c.HeadIntakeStemDia = ReadSingle(rs, "HeadIntakeStemDia", 0.3445f);
  c.HeadIntakeProfileDia = ReadSingle(rs, "HeadIntakeProfileDia", 0.25f);
  c.HeadIntakeSeatAngle = ReadSingle(rs, "HeadIntakeSeatAngle", 45.0f);
  c.HeadIntakeSeatWidth = ReadSingle(rs, "HeadIntakeSeatWidth", 0.1f);
  c.HeadIntakeInnerDia = ReadSingle(rs, "HeadIntakeInnerDia", 1.35f);
  c.HeadIntakeXArea1 = ReadSingle(rs, "HeadIntakeXArea1", 0);
  c.HeadIntakeXArea2 = ReadSingle(rs, "HeadIntakeXArea2", 0);
  c.HeadIntakeXArea3 = ReadSingle(rs, "HeadIntakeXArea3", 0);
  c.HeadIntakeXArea4 = ReadSingle(rs, "HeadIntakeXArea4", 0);
  c.HeadIntakeProfileTaper = ReadSingle(rs, "HeadIntakeProfileTaper", 0);
  c.HeadIntakeProfileLength = ReadSingle(rs, "HeadIntakeProfileLength", 0);
  c.HeadIntakeBackcutWidth = ReadSingle(rs, "HeadIntakeBackcutWidth", 0);
  c.HeadIntakeBackcutAngle = ReadSingle(rs, "HeadIntakeBackcutAngle", 0);
  c.HeadIntakeBackAngle = ReadSingle(rs, "HeadIntakeBackAngle", 0);
  c.HeadIntakeBackRadius = ReadSingle(rs, "HeadIntakeBackRadius", 0);
  c.HeadIntakeMargin = ReadSingle(rs, "HeadIntakeMargin", 0);
  c.HeadIntakeEdgeRadius = ReadSingle(rs, "HeadIntakeEdgeRadius", 0);
  // The bench program takes the edge code from the margin column, read again as one byte.
  c.HeadIntakeEdge = ReadByte(rs, "HeadIntakeMargin", 0);

  c.HeadExhaustPer = ReadByte(rs, "HeadExhaustPer", 1);
  c.HeadExhaustVDia = ReadSingle(rs, "HeadExhaustVDia", 1.7f);
  c.HeadExhaustStemDia = ReadSingle(rs, "HeadExhaustStemDia", 0.3445f);
  c.HeadExhaustProfileDia = ReadSingle(rs, "HeadExhaustProfileDia", 0.25f);
  c.HeadExhaustSeatAngle = ReadSingle(rs, "HeadExhaustSeatAngle", 45.0f);
  c.HeadExhaustSeatWidth = ReadSingle(rs, "HeadExhaustSeatWidth", 0.1f);
  c.HeadExhaustInnerDia = ReadSingle(rs, "HeadExhaustInnerDia", 1.55f);
  c.HeadExhaustXArea1 = ReadSingle(rs, "HeadExhaustXArea1", 0);
  c.HeadExhaustXArea2 = ReadSingle(rs, "HeadExhaustXArea2", 0);
  c.HeadExhaustXArea3 = ReadSingle(rs, "HeadExhaustXArea3", 0);
  c.HeadExhaustXArea4 = ReadSingle(rs, "HeadExhaustXArea4", 0);
  c.HeadExhaustProfileTaper = ReadSingle(rs, "HeadExhaustProfileTaper", 0);
  c.HeadExhaustProfileLength = ReadSingle(rs, "HeadExhaustProfileLength", 0);
  c.HeadExhaustBackcutWidth = ReadSingle(rs, "HeadExhaustBackcutWidth", 0);
  c.HeadExhaustBackcutAngle = ReadSingle(rs, "HeadExhaustBackcutAngle", 0);
  c.HeadExhaustBackAngle = ReadSingle(rs, "HeadExhaustBackAngle", 0);
  c.HeadExhaustBackRadius = ReadSingle(rs, "HeadExhaustBackRadius", 0);
  c.HeadExhaustMargin = ReadSingle(rs, "HeadExhaustMargin", 0);
  c.HeadExhaustEdgeRadius = ReadSingle(rs, "HeadExhaustEdgeRadius", 0);
  c.HeadExhaustEdge = ReadByte(rs, "HeadExhaustMargin", 0);
}

bool ReadByLiftOrDeprData(FlowTest& test, TestDatabase& db) {
  ETracker guard(kReadTestModule, "ReadByLiftOrDeprData");
  RecordSet rs = db.OpenRecordSet(Query(kByLiftQuery, test.TestID));
  const long count = rs.RecordCount();
  test.SetRecordLength();
  test.SetRecords(ToInt16(static_cast<double>(count)));
  int running = 0;
  for (; !rs.Eof(); rs.MoveNext()) {
    ++running;
    // Rows outside 0..Records (an "ItemNo" beyond the count) are dropped by the table.
    const int row = ReadNumberByte(rs, "ItemNo", running);
    test.SetFlowData(row, kColLift, ReadSingle(rs, "Lift", 0));
    test.SetFlowData(row, kColTemperature1, ReadSingle(rs, "Temperature1", 70.0f));
    test.SetFlowData(row, kColTemperature2, ReadSingle(rs, "Temperature2", 70.0f));
    test.SetFlowData(row, kColDepr, ReadSingle(rs, "Depr", 28.0f));
    test.SetFlowData(row, kColActualDepr, ReadSingle(rs, "ActualDepr", 28.0f));
    test.SetFlowData(row, kCurveRange, ReadInteger(rs, "Range", 1));
    test.SetFlowData(row, kCurveMano, ReadSingle(rs, "Mano", 0));
    test.SetFlowData(row, kColCCfm, ReadSingle(rs, "CCfm", 0));
    test.SetFlowData(row, kColACfm, ReadSingle(rs, "ACfm", 0));
    test.SetFlowData(row, kColSwirl, ReadSingle(rs, "Swirl", 0));
    test.SetFlowData(row, kColAux, ReadSingle(rs, "Aux", 0));
    test.SetFlowData(row, kCurveTumbleLeft, ReadSingle(rs, "TumbleLeft", 0));
    test.SetFlowData(row, kCurveTumbleRight, ReadSingle(rs, "TumbleRight", 0));
  }

  if (!TakesPitotReadings(test)) return true;
  RecordSet pitot = db.OpenRecordSet(Query(kPitotQuery, test.TestID));
  for (int record = 1; record <= test.Records(); ++record, pitot.MoveNext()) {
    if (pitot.Eof()) return false;
    const int row = ReadNumberByte(pitot, "ItemNo", record);
    for (int n = 1; n <= kPitotColumns; ++n) {
      test.SetFlowData(row, kColPitot1 + n - 1, ReadSingle(pitot, Numbered("Pitot", n), 0));
    }
  }
  return true;
}

bool ReadTest(FlowTest& test, TestDatabase& db, Prompter* prompter, const ProgressFn& progress) {
  ETracker guard(kReadTestModule, "ReadTest");
  try {
    return ReadTestRows(test, db, progress);
  } catch (const DatabaseReadCancelled&) {
    // The user stopped the read: nothing to report.
    return false;
  } catch (const RuntimeError&) {
    // A database error (a damaged or unreadable file, a missing table, a value out of range).
    const std::string message = EStackTrace::Instance().ReportCurrentException(guard);
    if (prompter != nullptr) prompter->Warn(message, kAppTitle);
    return false;
  }
}

bool ReadTest(FlowTest& test, const std::filesystem::path& file, TestDatabaseCache& databases,
              Prompter* prompter, const ProgressFn& progress) {
  ETracker guard(kReadTestModule, "ReadTest");
  try {
    TestDatabase& db = databases.Open(file);
    if (progress) progress();
    return ReadTestRows(test, db, progress);
  } catch (const DatabaseReadCancelled&) {
    // The user stopped the read: nothing to report.
    return false;
  } catch (const RuntimeError&) {
    // A database error (a damaged or unreadable file, a missing table, a value out of range).
    const std::string message = EStackTrace::Instance().ReportCurrentException(guard);
    if (prompter != nullptr) prompter->Warn(message, kAppTitle);
    return false;
  }
}

}  // namespace orv
