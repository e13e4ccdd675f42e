#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

#include "airflow/test_condition.h"

namespace orv {

// An optional progress indicator, advanced by the readers as they go.
using ProgressFn = std::function<void()>;

// What the flow-test file readers and the loading of a test give back. The numbers are the
// readers' own codes, shown to the user beside the error ("(error -1)").
enum class FlowError : int {
  Ok = 0,
  NotFound = -1,   // missing or unrecognised file or test
  BadDosFile = 1,  // bad or short DOS test file
  EmptySy3 = 2,    // empty or missing SY3 file
  NoRecords = 3,   // DOS test file without records
};
// Writes the code's number.
std::ostream& operator<<(std::ostream& out, FlowError error);

// Columns of the record table.
inline constexpr int kColLift = 1;  // the venturi number for a carburetor test
inline constexpr int kColACfm = 2;
inline constexpr int kColCCfm = 3;  // corrected flow, the flow the engine uses
inline constexpr int kColDepr = 4;
inline constexpr int kColActualDepr = 5;
inline constexpr int kColSwirl = 6;
inline constexpr int kColBooster = 7;
inline constexpr int kColPitot1 = 8;  // pitot readings 1..12 in columns 8..19
inline constexpr int kColStdFlow = 20;
inline constexpr int kColValveDC = 21;
inline constexpr int kColXAreaDC1 = 22;   // 22..25
inline constexpr int kColXAreaVel1 = 26;  // 26..29
inline constexpr int kColAux = 30;
inline constexpr int kColTemperature1 = 31;
inline constexpr int kColTemperature2 = 32;
inline constexpr int kColRange = 33;
inline constexpr int kColMano = 34;
inline constexpr int kColTumbleLeft = 36;
inline constexpr int kColTumbleRight = 37;
inline constexpr int kColumnCount = 37;

// Curve numbers that address columns 33, 34, 36 and 37 through `FlowData`.
inline constexpr int kCurveRange = 36;
inline constexpr int kCurveMano = 37;
inline constexpr int kCurveTumbleLeft = 74;
inline constexpr int kCurveTumbleRight = 75;

// Name of a record-table column ("Lift", "CCfm", "Pitot3", "StdFlow", ...); empty for 35 and
// numbers outside 1..37.
std::string FlowColumnName(int column);

inline constexpr int kNoteLines = 9;
inline constexpr int kNoteLineLength = 57;
inline constexpr int kNotesLength = kNoteLines * kNoteLineLength;  // 513

// One airflow test of a cylinder head (or a carburetor) from the flow bench: the record table
// (rows 0..`Records`, columns 1..37 of 32-bit floats; row 0 is the origin before the first
// record), notes of 9 lines of 57 characters, the bench's identification and range
// calibration, database keys and the `TestCondition`. A port-map test (kind 4) keeps its data
// in the condition's planes, and every record-table operation treats it as having no records.
//
// Out-of-range rows, columns and indices read as 0 and are ignored on write.
class FlowTest final {
 public:
  FlowTest();

  std::string BenchFileName;
  std::int32_t BenchKind = 0;  // bench model code
  bool BeingEdited = false;
  bool InDB = false;
  std::int32_t TestID = 0;  // key in the test database; -1 for a test read from a file
  std::int32_t CustomerID = 0;
  std::string Operator;
  float AvgCfm = 0;
  float MaxCfm = 0;
  std::int32_t PlotColor = 0;  // 0x00BBGGRR
  TestCondition Condition;

  std::int16_t RecordLength() const noexcept { return recordLength_; }
  std::int16_t Records() const noexcept { return records_; }
  // Resizes the record table to rows 0..n, keeping the rows that remain (error 9 for n < 0).
  void SetRecords(std::int16_t n);

  // The notes as 9 lines, each without its trailing blanks and followed by CR LF.
  std::string Notes() const;
  // The 513-character fixed form of the files (UTF-8). Setting pads or cuts to 513 characters.
  std::string FullLineNotes() const;
  void SetFullLineNotes(std::string_view utf8);
  // The same fixed form as the files' Windows-1252 bytes.
  void SetFullLineNotesBytes(std::string_view cp1252);

  float IntakeRangeCal(int i) const noexcept;
  void SetIntakeRangeCal(int i, float v) noexcept;
  float ExhaustRangeCal(int i) const noexcept;
  void SetExhaustRangeCal(int i, float v) noexcept;

  // First record and record count of venturi 1..5 of a carburetor test (entries 0..5).
  std::int16_t VenturiFirstRecord(int i) const noexcept;
  std::int16_t VenturiRecordCount(int i) const noexcept;
  void SetVenturiRecs(int i, std::int16_t first, std::int16_t count) noexcept;

  const std::string& PathFile() const noexcept { return pathFile_; }
  void SetPathFile(std::string path) { pathFile_ = std::move(path); }
  const std::string& Name() const noexcept { return Condition.Name(); }
  // Trims blanks at both ends before setting the condition's name.
  void SetName(std::string_view name);

  // The cell of row 0..Records addressed by a curve number: 1..35 columns 1..35, 36 "Range",
  // 37 "Mano", 74 "TumbleLeft", 75 "TumbleRight"; 0 otherwise and for a port-map test.
  float FlowData(int row, int curveNo) const noexcept;
  // Writes the cell; curve numbers 33..35 and anything else outside the table write nothing,
  // nor does any write to a port-map test.
  void SetFlowData(int row, int curveNo, float value) noexcept;

  // Sets `RecordLength` (and for a port-map test `Records`, one per plane) from the kind.
  void SetRecordLength();
  // Ideal valve and port flows, discharge coefficients and area velocities of every row, for
  // tests by lift (kinds 2, 5, 10 and -1).
  void CalcStdFlowAndDC();
  // Mean velocity (ft/s) through each cross-section area 1..4 for row `intJ`.
  void CalcAVel(int intJ);

  bool operator==(const FlowTest&) const = default;

 private:
  // The record-table column of a curve number for reading / writing; 0 when none.
  static int ReadColumn(int curveNo) noexcept;
  static int WriteColumn(int curveNo) noexcept;
  bool HasRecordTable() const noexcept { return Condition.Kind() != kKindPortMap; }
  float& Cell(int row, int column) noexcept {
    return data_[static_cast<std::size_t>(row) * kColumnCount +
                 static_cast<std::size_t>(column - 1)];
  }
  float Cell(int row, int column) const noexcept {
    return data_[static_cast<std::size_t>(row) * kColumnCount +
                 static_cast<std::size_t>(column - 1)];
  }

  friend FlowError ReadDosTestBytes(FlowTest&, std::span<const std::uint8_t>, int,
                                    const ProgressFn&);
  friend FlowError ReadSy3TestBytes(FlowTest&, std::span<const std::uint8_t>, int,
                                    const ProgressFn&);

  struct VenturiRec {
    std::int16_t first = 0;
    std::int16_t count = 0;
    bool operator==(const VenturiRec&) const = default;
  };
  std::array<VenturiRec, 6> venturiRecs_{};
  std::array<float, 12> intakeRangeCal_{};
  std::array<float, 12> exhaustRangeCal_{};
  std::string notes_;  // exactly 513 Windows-1252 bytes
  std::string pathFile_;
  std::vector<float> data_;  // rows 0..records_, 37 columns each
  std::int16_t recordLength_ = 0;
  std::int16_t records_ = 0;
};

}  // namespace orv
