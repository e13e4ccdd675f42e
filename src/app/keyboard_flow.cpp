#include "app/keyboard_flow.h"

#include "app/engine_document.h"
#include "base/error_trace.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "base/text_number.h"
#include "base/units.h"

namespace orv {

namespace {

constexpr const char* kKeyboardFlowModule = "frmFlowTests";

UnitKind UnitOf(KeyboardFlowEntry::Field field) {
  switch (field) {
    case KeyboardFlowEntry::Field::Lift:
      return UnitKind::Length;
    case KeyboardFlowEntry::Field::Cfm:
      return UnitKind::Airflow;
    case KeyboardFlowEntry::Field::Swirl:
      break;
  }
  return UnitKind::None;
}

NumberFormat EnglishFormatOf(KeyboardFlowEntry::Field field) {
  switch (field) {
    case KeyboardFlowEntry::Field::Lift:
      return {KeyboardFlowEntry::kLiftWidth, KeyboardFlowEntry::kLiftDecimals};
    case KeyboardFlowEntry::Field::Cfm:
      return {KeyboardFlowEntry::kCfmWidth, KeyboardFlowEntry::kCfmDecimals};
    case KeyboardFlowEntry::Field::Swirl:
      break;
  }
  return {KeyboardFlowEntry::kSwirlWidth, KeyboardFlowEntry::kSwirlDecimals};
}

std::size_t Slot(KeyboardFlowEntry::Field field) { return static_cast<std::size_t>(field); }

void GrowTo(BoundedArray<float>& table, int row) {
  if (table.hi() < row) table.RedimPreserve(row);
}

}  // namespace

KeyboardFlowEntry::KeyboardFlowEntry(EngineDocument& document, bool intake)
    : document_(document), intake_(intake) {
  const EngineInputs& in = document_.engine().inputs();
  liftBefore_ = intake_ ? in.ILift : in.ELift;
  cfmBefore_ = intake_ ? in.ICfm : in.ECfm;
  if (intake_) swirlBefore_ = in.ISwirl;
  for (int row = 1; row <= kRows; ++row) {
    for (Field f : {Field::Lift, Field::Cfm, Field::Swirl}) {
      const BoundedArray<float>* table = Table(f);
      if (table != nullptr && row <= table->hi()) {
        text_[static_cast<std::size_t>(row)][Slot(f)] = Shown(f, (*table)[row]);
      }
    }
  }
}

BoundedArray<float>* KeyboardFlowEntry::Table(Field field) const noexcept {
  EngineInputs& in = document_.engine().inputs();
  switch (field) {
    case Field::Lift:
      return intake_ ? &in.ILift : &in.ELift;
    case Field::Cfm:
      return intake_ ? &in.ICfm : &in.ECfm;
    case Field::Swirl:
      break;
  }
  return intake_ ? &in.ISwirl : nullptr;
}

std::string KeyboardFlowEntry::Shown(Field field, float held) const {
  const UnitMode mode = document_.controller().unitMode();
  const NumberFormat f = DisplayFormat(UnitOf(field), EnglishFormatOf(field), mode);
  return FormatNumber(ToDisplay(UnitOf(field), held, mode), f.width, f.decimals);
}

float KeyboardFlowEntry::Held(Field field, int row) const {
  const BoundedArray<float>* table = Table(field);
  if (table == nullptr || row < table->lo() || row > table->hi()) return 0;
  return (*table)[row];
}

const std::string& KeyboardFlowEntry::Text(int row, Field field) const {
  static const std::string kNone;
  if (row < 1 || row > kRows) return kNone;
  return text_[static_cast<std::size_t>(row)][Slot(field)];
}

void KeyboardFlowEntry::Leave(int row, Field field, std::string_view text) {
  ETracker guard(kKeyboardFlowModule, "txtKeyboard_LostFocus");
  if (row < 1 || row > kRows || Table(field) == nullptr) return;
  // An empty field of a row the tables do not hold yet adds no point.
  if (text.find_first_not_of(" \t") == std::string_view::npos && row > Table(field)->hi()) return;
  const float typed = TextToSingle(text);
  const float held = ToSingle(FromDisplay(UnitOf(field), typed, document_.controller().unitMode()));
  // The side's tables grow together, so that a lift never lacks its airflow.
  for (Field f : {Field::Lift, Field::Cfm, Field::Swirl}) {
    if (BoundedArray<float>* t = Table(f)) GrowTo(*t, row);
  }
  (*Table(field))[row] = held;
  text_[static_cast<std::size_t>(row)][Slot(field)] = Shown(field, held);
}

int KeyboardFlowEntry::RowsToTake() const {
  int rows = 0;
  while (rows < kRows && Held(Field::Lift, rows + 1) > 0) ++rows;
  return rows;
}

void KeyboardFlowEntry::Open() {
  ETracker guard(kKeyboardFlowModule, "cmdOpen_Click");
  const int rows = RowsToTake();
  FlowTest test;
  test.SetRecords(static_cast<std::int16_t>(rows));
  for (int r = 1; r <= rows; ++r) {
    test.SetFlowData(r, kColLift, Held(Field::Lift, r));
    test.SetFlowData(r, kColCCfm, Held(Field::Cfm, r));
    if (intake_) test.SetFlowData(r, kColSwirl, Held(Field::Swirl, r));
  }
  auto fill = [&](Field field, int column) {
    BoundedArray<float>& table = *Table(field);
    table.Redim(0, rows);
    for (int r = 1; r <= rows; ++r) table[r] = test.FlowData(r, column);
  };
  fill(Field::Lift, kColLift);
  fill(Field::Cfm, kColCCfm);
  if (intake_) fill(Field::Swirl, kColSwirl);
  document_.UseKeyboardFlowTest(intake_, std::move(test));
}

void KeyboardFlowEntry::Cancel() {
  *Table(Field::Lift) = liftBefore_;
  *Table(Field::Cfm) = cfmBefore_;
  if (intake_) *Table(Field::Swirl) = swirlBefore_;
}

}  // namespace orv
