#include "airflow/flow_test.h"

#include <ostream>

#include "base/codepage.h"
#include "base/error_trace.h"
#include "base/runtime_error.h"
#include "base/text.h"

namespace orv {

namespace {

constexpr const char* kFlowTestModule = "FlowTest";

bool InRange(int i, int lo, int hi) noexcept { return i >= lo && i <= hi; }

}  // namespace

std::ostream& operator<<(std::ostream& out, FlowError error) {
  return out << static_cast<int>(error);
}

std::string FlowColumnName(int column) {
  static constexpr const char* kNames[] = {
      "Lift",         "ACfm",         "CCfm",      "Depr",      "ActualDepr", "Swirl",
      "Booster",      "Pitot1",       "Pitot2",    "Pitot3",    "Pitot4",     "Pitot5",
      "Pitot6",       "Pitot7",       "Pitot8",    "Pitot9",    "Pitot10",    "Pitot11",
      "Pitot12",      "StdFlow",      "ValveDC",   "XAreaDC1",  "XAreaDC2",   "XAreaDC3",
      "XAreaDC4",     "XAreaVel1",    "XAreaVel2", "XAreaVel3", "XAreaVel4",  "Aux",
      "Temperature1", "Temperature2", "Range",     "Mano",      "",           "TumbleLeft",
      "TumbleRight"};
  if (!InRange(column, 1, kColumnCount)) return {};
  return kNames[column - 1];
}

FlowTest::FlowTest() : notes_(kNotesLength, ' '), data_(kColumnCount, 0.0f) {}

void FlowTest::SetRecords(std::int16_t n) {
  ETracker guard(kFlowTestModule, "Records");
  if (n < 0) Raise(kErrSubscript);
  data_.resize(static_cast<std::size_t>(n + 1) * kColumnCount, 0.0f);
  records_ = n;
}

std::string FlowTest::Notes() const {
  std::string text;
  for (int line = 0; line < kNoteLines; ++line) {
    std::string_view l = std::string_view(notes_).substr(
        static_cast<std::size_t>(line * kNoteLineLength), kNoteLineLength);
    text += Cp1252ToUtf8(TrimRight(l));
    text += "\r\n";
  }
  return text;
}

std::string FlowTest::FullLineNotes() const { return Cp1252ToUtf8(notes_); }

void FlowTest::SetFullLineNotes(std::string_view utf8) {
  SetFullLineNotesBytes(Utf8ToCp1252(utf8));
}

void FlowTest::SetFullLineNotesBytes(std::string_view cp1252) {
  notes_.assign(cp1252.substr(0, kNotesLength));
  notes_.resize(kNotesLength, ' ');
}

float FlowTest::IntakeRangeCal(int i) const noexcept {
  return InRange(i, 1, 12) ? intakeRangeCal_[static_cast<std::size_t>(i - 1)] : 0.0f;
}

void FlowTest::SetIntakeRangeCal(int i, float v) noexcept {
  if (InRange(i, 1, 12)) intakeRangeCal_[static_cast<std::size_t>(i - 1)] = v;
}

float FlowTest::ExhaustRangeCal(int i) const noexcept {
  return InRange(i, 1, 12) ? exhaustRangeCal_[static_cast<std::size_t>(i - 1)] : 0.0f;
}

void FlowTest::SetExhaustRangeCal(int i, float v) noexcept {
  if (InRange(i, 1, 12)) exhaustRangeCal_[static_cast<std::size_t>(i - 1)] = v;
}

std::int16_t FlowTest::VenturiFirstRecord(int i) const noexcept {
  return InRange(i, 0, 5) ? venturiRecs_[static_cast<std::size_t>(i)].first : 0;
}

std::int16_t FlowTest::VenturiRecordCount(int i) const noexcept {
  return InRange(i, 0, 5) ? venturiRecs_[static_cast<std::size_t>(i)].count : 0;
}

void FlowTest::SetVenturiRecs(int i, std::int16_t first, std::int16_t count) noexcept {
  if (InRange(i, 0, 5)) venturiRecs_[static_cast<std::size_t>(i)] = {first, count};
}

void FlowTest::SetName(std::string_view name) { Condition.SetName(std::string(Trim(name))); }

int FlowTest::ReadColumn(int curveNo) noexcept {
  if (InRange(curveNo, 1, 35)) return curveNo;
  return WriteColumn(curveNo);
}

int FlowTest::WriteColumn(int curveNo) noexcept {
  if (InRange(curveNo, 1, 32)) return curveNo;
  switch (curveNo) {
    case kCurveRange:
      return kColRange;
    case kCurveMano:
      return kColMano;
    case kCurveTumbleLeft:
      return kColTumbleLeft;
    case kCurveTumbleRight:
      return kColTumbleRight;
    default:
      return 0;
  }
}

float FlowTest::FlowData(int row, int curveNo) const noexcept {
  const int column = ReadColumn(curveNo);
  if (!HasRecordTable() || column == 0 || !InRange(row, 0, records_)) return 0;
  return Cell(row, column);
}

void FlowTest::SetFlowData(int row, int curveNo, float value) noexcept {
  const int column = WriteColumn(curveNo);
  if (!HasRecordTable() || column == 0 || !InRange(row, 0, records_)) return;
  Cell(row, column) = value;
}

void FlowTest::SetRecordLength() {
  ETracker guard(kFlowTestModule, "SetRecordLength");
  switch (Condition.Kind()) {
    case 0:
    case kKindByDepression:
      recordLength_ = 10;
      break;
    case 1:
    case kKindByLiftKeyedCfm:
      recordLength_ = 9;
      break;
    case kKindCarburetor:
      recordLength_ = 11;
      break;
    case kKindByLiftAuto:
    case kKindByLiftManual: {
      const int p = Condition.PitotPerLift == kTrue16 ? 1 : Condition.PitotPerLift;
      recordLength_ = static_cast<std::int16_t>(11 + p);
      break;
    }
    case kKindPortMap: {
      int length = 0;
      std::int16_t planes = 0;
      for (int plane = 1; plane <= kPlaneCount; ++plane) {
        if (Condition.PlaneKind(plane) == 0) continue;
        length += 2 + 2 * Condition.PlaneRegionCnt(plane);
        ++planes;
      }
      recordLength_ = static_cast<std::int16_t>(length);
      SetRecords(planes);
      break;
    }
    default:
      break;
  }
}

void FlowTest::CalcStdFlowAndDC() {
  ETracker guard(kFlowTestModule, "CalcStdFlowAndDC");
  const std::int32_t kind = Condition.Kind();
  if (kind != kKindByLiftAuto && kind != kKindByLiftManual && kind != kKindByLiftKeyedCfm &&
      kind != kKindFromDosFile) {
    return;
  }
  for (int j = 0; j <= records_; ++j) {
    const float depr = Cell(j, kColDepr);
    const float lift = Cell(j, kColLift);
    const double cfm = Cell(j, kColCCfm);
    const float s = Condition.ValveIdealFlow(depr, lift);
    if (s != 0) {
      Cell(j, kColStdFlow) = s;
      Cell(j, kColValveDC) = static_cast<float>(cfm / s);
    } else {
      Cell(j, kColStdFlow) = 0;
      Cell(j, kColValveDC) = 0;
    }
    for (int k = 1; k <= 4; ++k) {
      const float a = Condition.XArea(k) < 0 ? 0.0f : Condition.XArea(k);
      const float f = Condition.AreaIdealFlow(depr, a, lift);
      Cell(j, kColValveDC + k) = f != 0 ? static_cast<float>(cfm / f) : 0.0f;
    }
    CalcAVel(j);
  }
}

void FlowTest::CalcAVel(int intJ) {
  ETracker guard(kFlowTestModule, "CalcAVel");
  if (!HasRecordTable() || !InRange(intJ, 0, records_)) return;
  for (int k = 1; k <= 4; ++k) {
    const float a = Condition.XArea(k);
    // CFM through square inches: x 144 in2/ft2 / 60 s/min gives ft/s.
    Cell(intJ, kColXAreaVel1 - 1 + k) =
        a != 0 ? static_cast<float>(Cell(intJ, kColCCfm) * (144.0 / 60.0) / a) : a;
  }
}

}  // namespace orv
