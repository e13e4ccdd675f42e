#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airflow/flow_test.h"

namespace orv {

// Flow tests in CSV files, as electronic flow benches, bench controllers and spreadsheets write
// them: one row per valve lift with the lift, the flow, and where the file has them the test
// depression and the swirl.
//
// The reader takes every common dialect: fields separated by commas, semicolons or tabs; a
// header line naming the columns, or none; a decimal point, or a decimal comma when the
// separator is not a comma; fields in double quotes (a quote inside written twice, line ends
// inside allowed); UTF-8 with or without its byte-order mark, or Windows-1252; any line ends.
// Lines that are blank or hold only separators are skipped. Units named in the header
// ("Lift (in)", "Lift mm", "CFM", "cfm@28", "m3/min", "l/s", "inH2O", "kPa") are recognised; a
// column whose header names no unit is taken in the English unit (inches, CFM, inches of water)
// unless a unit is given.
//
// The flow column is taken as the test's corrected flow (record column 3, the flow the engine
// uses), and the test depression (column 4) beside it: from the depression column, from a
// depression given with the test, or from a flow header that says the depression it was
// corrected to ("CFM@28"). On request every row's flow is converted from its depression to
// another depression H by the orifice rule flow · √(H / depression), and H becomes the row's
// depression. The swirl goes to column 6. Rows are kept in the file's order, up to the record
// table's limit of 32767.
//
// A file is taken whole or not at all: a row that cannot be read is reported with its line
// number (counted from 1, the header included) and nothing of the file is taken.

// The kind a test read from a CSV file gets: the flows are taken as they stand, as typed flows
// are.
inline constexpr std::int32_t kCsvTestKind = kKindByLiftKeyedCfm;

// The most rows a CSV test may have (the record table counts its rows in 16 bits).
inline constexpr int kMaxCsvRows = 32767;

// The largest CSV file read (far above 32767 rows of any sensible width).
inline constexpr std::size_t kMaxCsvFileBytes = 64u * 1024u * 1024u;

// What a column of the file holds.
enum class CsvQuantity { None, Lift, Flow, Depression, Swirl };

enum class LiftUnit { Inches, Millimetres };
enum class FlowUnit { Cfm, CubicMetresPerMinute, LitresPerSecond };
enum class DepressionUnit { InchesOfWater, Kilopascals, MillimetresOfWater };

// The unit's usual short name ("in", "mm", "cfm", "m3/min", "l/s", "inH2O", "kPa", "mmH2O"), as
// the header of an exported file and `ParseCsvUnits` write it.
std::string_view UnitName(LiftUnit unit) noexcept;
std::string_view UnitName(FlowUnit unit) noexcept;
std::string_view UnitName(DepressionUnit unit) noexcept;

// Conversions of a file's value to the test's English unit (inches, CFM, inches of water).
double LiftToInches(double value, LiftUnit unit) noexcept;
double FlowToCfm(double value, FlowUnit unit) noexcept;
double DepressionToInchesOfWater(double value, DepressionUnit unit) noexcept;

// Pascals in one inch of water (at 4 °C, the conventional value).
inline constexpr double kPascalsPerInchOfWater = 249.08891;

// What one header name says about its column.
struct CsvHeaderGuess {
  CsvQuantity quantity = CsvQuantity::None;
  std::optional<LiftUnit> liftUnit;
  std::optional<FlowUnit> flowUnit;
  std::optional<DepressionUnit> depressionUnit;
  // For a flow column whose name gives the depression its flows are at ("CFM@28",
  // "m3/min @ 7 kPa"): that depression in inches of water.
  std::optional<double> flowDepressionInH2O;
  // For a flow column: 2 for a corrected flow ("Corrected CFM", "CFM@28", "Std flow"), 0 for a
  // measured one ("Actual CFM", "ACFM", "raw flow"), 1 for any other; the highest is taken.
  int flowRank = 1;

  bool operator==(const CsvHeaderGuess&) const = default;
};

// Guesses what a column holds from its header name (any case, units in brackets or not).
CsvHeaderGuess GuessCsvHeader(std::string_view name);

// Column numbers (1-based; 0 for none) of the quantities in the file.
struct CsvColumns {
  int lift = 0;
  int flow = 0;
  int depression = 0;
  int swirl = 0;
  bool operator==(const CsvColumns&) const = default;
};

// The units of the file's columns.
struct CsvUnits {
  LiftUnit lift = LiftUnit::Inches;
  FlowUnit flow = FlowUnit::Cfm;
  DepressionUnit depression = DepressionUnit::InchesOfWater;
  bool operator==(const CsvUnits&) const = default;
};

// How the columns of a file are read: which column holds what, in which unit.
struct CsvMapping {
  CsvColumns columns;
  CsvUnits units;
  // The depression the flow column's header names ("CFM@28"), in inches of water.
  std::optional<double> flowDepressionInH2O;
  bool operator==(const CsvMapping&) const = default;
};

// The mapping the header names suggest (the flow and dialog start from it): the first column
// of each quantity, for the flow the first of the highest rank (a corrected flow before a plain
// one before a measured one). Columns are 1-based.
CsvMapping GuessCsvMapping(const std::vector<std::string>& headerNames);

// What the reader is told besides the file.
struct CsvFlowOptions {
  // The columns, when given: they replace the ones guessed from the header (needed for a file
  // without a header or with names that are not recognised). Lift and flow must be given.
  std::optional<CsvColumns> columns;
  // Units given for the columns; they override the units the header names.
  std::optional<LiftUnit> liftUnit;
  std::optional<FlowUnit> flowUnit;
  std::optional<DepressionUnit> depressionUnit;
  // The test depression, given with the test: the depression of every row when the file has
  // no depression column. In the given depression unit, else inches of water.
  std::optional<double> testDepression;
  // The depression to convert every row's flow to, in the same unit.
  std::optional<double> correctTo;
  // The unit of `testDepression` and `correctTo` when it is not the file's depression unit (a
  // dialog that asks for inches of water whatever the file holds).
  std::optional<DepressionUnit> typedDepressionUnit;
  // The valve diameter (inches), kept in the test's condition for both sides.
  std::optional<float> valveDiameterInches;
};

// Why a file was not read.
enum class CsvFlowError {
  Ok = 0,
  CannotRead,     // missing, unreadable or too large a file, or text in another encoding
  ColumnsNeeded,  // no header, or a header that does not name the lift and flow columns
  BadOptions,     // columns or depressions given that cannot be used
  BadRow,         // a row that cannot be read (its line is given)
  NoRows,         // no data rows
  TooManyRows,    // more rows than the record table holds
};

struct CsvFlowResult {
  CsvFlowError error = CsvFlowError::Ok;
  int line = 0;         // the 1-based line of a bad row, 0 otherwise
  std::string message;  // for the user; begins with "line N: " for a bad row
  CsvMapping mapping;   // the mapping used (or guessed, when the columns were needed)
  bool hasHeader = false;
  int rows = 0;  // rows taken
  bool ok() const noexcept { return error == CsvFlowError::Ok; }
};

// Reads a CSV flow test from the bytes of a whole file into `test`, which must be new: on
// success its record table holds the rows (row 0 zero), its kind is `kCsvTestKind`, its
// `TestID` -1. On failure `test` is left in an unspecified state and should be dropped. Never
// throws; survives any bytes.
CsvFlowResult ReadCsvFlowTestBytes(FlowTest& test, std::string_view bytes,
                                   const CsvFlowOptions& options);
// The same for the file at the test's `PathFile`.
CsvFlowResult ReadCsvFlowTest(FlowTest& test, const CsvFlowOptions& options);

// True when the path names a CSV flow test (it ends in ".csv" or ".tsv", any case).
bool IsCsvTestPath(std::string_view path);

// The first rows of a file as its fields, for a preview: the separator found, the header (when
// the first line is one) and up to `maxRows` data rows. Nothing is checked beyond splitting.
struct CsvPreview {
  char separator = ',';
  bool hasHeader = false;
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  std::string error;  // when the bytes are not text this reader takes
};
CsvPreview PreviewCsv(std::string_view bytes, int maxRows);

// "lift=1,flow=2[,depression=3][,swirl=4]" (column numbers from 1) into columns; on a mistake
// nothing, with `why` saying what is wrong.
std::optional<CsvColumns> ParseCsvColumns(std::string_view text, std::string& why);
// "in,cfm", "mm,m3/min,kPa", ...: one unit per quantity, in any order, into `options`; false
// with `why` on an unknown or repeated unit.
bool ParseCsvUnits(std::string_view text, CsvFlowOptions& options, std::string& why);

// The test's records as CSV, for export: a header naming the units ("Lift (in)", "Flow (cfm)",
// "Depression (inH2O)", and "Swirl" when a row has swirl or the test measured it), then rows
// 1..Records with the lift, corrected flow, test depression and swirl, each number in the
// shortest form that reads back to the same 32-bit float. Nothing, with `why`, for a test
// without records or with a value that is not a finite number.
std::optional<std::string> FlowTestCsv(const FlowTest& test, std::string& why);

}  // namespace orv
