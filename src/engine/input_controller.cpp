// The input panel's controller: the entry rule, review marks, suggestions, stage tabs and the
// refresh of the output panel, over one engine model.
#include "engine/input_controller.h"

#include <algorithm>

#include "base/error_trace.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "base/text_number.h"
#include "engine/balance_analysis.h"

namespace orv {

namespace {
constexpr const char* kInputControllerModule = "EngineModel";

bool IsCamSetting(int n) noexcept {
  return (n >= kInIntakeCL && n <= kInIntakeLash) || (n >= kInExhaustCL && n <= kInExhaustLash);
}
}  // namespace

InputController::InputController(Engine& engine) : engine_(engine) {
  ShowAllInputs();
  Recalculate(-1);
  RefreshOutputs();
}

void InputController::SetUnitMode(UnitMode mode) {
  unitMode_ = mode;
  ShowAllInputs();
  ShowSuggestions();
}

void InputController::ShowSuggestions() {
  for (int n = 0; n < InputPanel::kStatuses; ++n) {
    const auto i = static_cast<std::size_t>(n);
    if (panel_.suggestion[i].empty()) continue;
    panel_.suggestion[i] = FormatedUI_String(n, panel_.suggestedValue[i]) + texts_.suggestionSuffix;
  }
}

void InputController::ClearSuggestions() {
  for (std::string& text : panel_.suggestion) text.clear();
  panel_.suggestedValue.fill(0);
}

void InputController::SetTexts(EngineTexts texts) {
  texts_ = std::move(texts);
  panel_.label24 = engine_.inputs().Fuel == kFuelDiesel ? texts_.label68 : texts_.label24;
}

// ---------------------------------------------------------------------------------------------
// Display of inputs

std::string InputController::FormatedUI_String(int n, double value) const {
  const InputInfo& info = InputInfoOf(n);
  if (!info.listed) return {};
  if (n == kInAdvance && engine_.inputs().Fuel == kFuelDiesel) return FormatNumber(value, 1, 3);
  const NumberFormat f = DisplayFormat(info.unit, info.format, unitMode_);
  return FormatNumber(ToDisplay(info.unit, value, unitMode_), f.width, f.decimals);
}

double InputController::HeldEntryValue(int n) const {
  const EngineInputs& in = engine_.inputs();
  if (n == kInAdvance && in.Fuel == kFuelDiesel) return in.LeadTime * 1000;
  if (n == kInVE) return in.VE * 100;
  return InputValue(in, n);
}

void InputController::ShowInput(int n) {
  const EngineInputs& in = engine_.inputs();
  if (n == kInVTType) {
    panel_.valveTrainIndex = std::clamp(in.VTType, 0, 2);
    return;
  }
  if (n == kInFuel) {
    panel_.fuelIndex = std::clamp<int>(in.Fuel, 0, 2);
    return;
  }
  if (n < 0 || n >= InputPanel::kBoxes) return;
  panel_.text[static_cast<std::size_t>(n)] = FormatedUI_String(n, HeldEntryValue(n));
}

void InputController::ShowAllInputs() {
  for (int n = 0; n < InputPanel::kBoxes; ++n) ShowInput(n);
  panel_.label24 = engine_.inputs().Fuel == kFuelDiesel ? texts_.label68 : texts_.label24;
  ApplyEnterAirPPState();
}

// The typed one of inputs 21 and 22 has an enabled box; the other follows from it and its
// label is in the disabled colour, so its status uses the disabled-colour codes.
void InputController::ApplyEnterAirPPState() {
  const bool airTyped = engine_.inputs().EnterAirPP == 0;
  panel_.boxEnabled21 = airTyped;
  panel_.boxEnabled22 = !airTyped;
  auto setDisabled = [this](int n, bool disabled) {
    auto& status = panel_.status[static_cast<std::size_t>(n)];
    bool& flag = panel_.disabledColour[static_cast<std::size_t>(n)];
    if (flag == disabled) return;
    flag = disabled;
    // Carry the review state over to the codes of the new colour.
    if (disabled) {
      status = status == kStatusReview     ? kStatusDisabledReview
               : status == kStatusApproved ? kStatusDisabledApproved
                                           : status;
    } else {
      status = status == kStatusDisabledReview     ? kStatusReview
               : status == kStatusDisabledApproved ? kStatusApproved
               : status == kStatusDisabledOpen     ? kStatusNotApproved
                                                   : status;
    }
  };
  setDisabled(kInIntCFM, !airTyped);
  setDisabled(kInPkPwrRPM, airTyped);
}

// ---------------------------------------------------------------------------------------------
// Review marks, suggestions and stage tabs

void InputController::MarkForReview(int n) {
  if (n < 0 || n >= InputPanel::kStatuses) return;
  const auto i = static_cast<std::size_t>(n);
  panel_.status[i] = panel_.disabledColour[i] ? kStatusDisabledReview : kStatusReview;
}

void InputController::Approve(int n) {
  const auto i = static_cast<std::size_t>(n);
  panel_.status[i] = panel_.disabledColour[i] ? kStatusDisabledApproved : kStatusApproved;
  panel_.suggestion[i].clear();
}

void InputController::SetDerivedInput(int n, double value) {
  if (engine_.SetDerivedInput(n, value)) DerivedInputSet(n);
}

void InputController::SuggestInput(int n, double held, double suggested) {
  const bool hasLabel = InputPanel::HasSuggestionLabel(n);
  const bool labelShown = hasLabel && !panel_.suggestion[static_cast<std::size_t>(n)].empty();
  if (!labelShown && held == suggested) return;
  if (hasLabel) {
    panel_.suggestion[static_cast<std::size_t>(n)] =
        FormatedUI_String(n, suggested) + texts_.suggestionSuffix;
    panel_.suggestedValue[static_cast<std::size_t>(n)] = suggested;
  }
  ShowInput(n);
  MarkForReview(n);
}

void InputController::EvaluateStageTabs() {
  bool all = true;
  for (int n = 0; n <= 12; ++n)
    all = all && InputPanel::Approved(panel_.status[static_cast<std::size_t>(n)]);
  panel_.stage2Enabled = all;
  // The second output page belongs to the second stage: a closed stage shows page 0.
  if (!all && outputPage_ != 0) {
    outputPage_ = 0;
    RefreshOutputs();
  }
}

void InputController::ApproveAll(int stage) {
  ETracker guard(kInputControllerModule, "cmdApproveAll_Click");
  if (stage == 0) {
    Recalculate(1);
    for (int n = 0; n <= 12; ++n) Approve(n);
  } else {
    Recalculate(19);
    for (int n = 13; n <= 28; ++n) Approve(n);
  }
  EvaluateStageTabs();
}

void InputController::ClickStatus(int n) {
  if (n < 0 || n >= InputPanel::kStatuses) return;
  const auto i = static_cast<std::size_t>(n);
  int& status = panel_.status[i];
  if (panel_.disabledColour[i]) {
    status = status == kStatusApproved ? kStatusDisabledOpen : kStatusDisabledApproved;
  } else {
    status = status == kStatusApproved ? kStatusNotApproved : kStatusApproved;
  }
  if (status == kStatusApproved || status == kStatusDisabledApproved) panel_.suggestion[i].clear();
  EvaluateStageTabs();
}

void InputController::RestoreReviewState(
    const std::array<int, InputPanel::kStatuses>& status,
    const std::array<std::string, InputPanel::kStatuses>& suggestion,
    const std::array<double, InputPanel::kStatuses>& suggestedValue) {
  panel_.status = status;
  panel_.suggestion = suggestion;
  panel_.suggestedValue = suggestedValue;
  ShowSuggestions();
  EvaluateStageTabs();
}

// ---------------------------------------------------------------------------------------------
// What the recalculation did

void InputController::DerivedInputSet(int n) {
  ShowInput(n);
  MarkForReview(n);
}

void InputController::InputReplaced(int n) { ShowInput(n); }

void InputController::InputSuggested(int n, double held, double suggested) {
  SuggestInput(n, held, suggested);
}

void InputController::CalculationState(bool cannotComplete) {
  panel_.warningVisible = cannotComplete;
}

void InputController::Recalculate(int code) {
  if (engine_.ReCalc(code, this) != Engine::CalcOutcome::NotStarted) EvaluateStageTabs();
}

// ---------------------------------------------------------------------------------------------
// Entry rule

double InputController::LimitByEntryRule(int n, double v, bool& corrected) const {
  auto atLeast = [&corrected](double value, double minimum) {
    if (value < minimum) {
      corrected = true;
      return minimum;
    }
    return value;
  };
  switch (n) {
    case kInVE:
      if (v < 0.01) {
        corrected = true;
        return 1.0;
      }
      return v;
    case kInBowlA: {
      // The limit applies to the number in the display unit.
      const UnitKind unit = InputInfoOf(n).unit;
      if (ToDisplay(unit, v, unitMode_) < 0.2) {
        corrected = true;
        return FromDisplay(unit, 0.2, unitMode_);
      }
      return v;
    }
    case kInBore:
    case kInStroke:
    case kInRodLen:
    case kInDeckHeight:
    case kInIVlvDia:
    case kInCR:
      return atLeast(v, 0.1);
    case kInCylinders:
      v = atLeast(v, 1);
      if (v > 32767) {
        corrected = true;
        return 32767;
      }
      return v;
    case kInPinEndWeight:
    case kInPinWt:
      return atLeast(v, 0);
    case kInIVlvCnt:
      if (v < 1 || v > 3) {
        corrected = true;
        return 1;
      }
      return v;
    case kInEVlvCnt:
      if (v < 1 || v > 2) {
        corrected = true;
        return 1;
      }
      return v;
    case kInMxIntVel:
    case kInCritIntVel:
      return atLeast(v, 65);
    case kInExOD:
      return RoundHalfEven(v / 0.125) * 0.125;  // nearest eighth of an inch
    case kInPkPwrRPM:
    case kInPkTorqRPM:
      return atLeast(v, 50);
    default:
      return v;
  }
}

bool InputController::StoreTyped(int n, std::string_view text) {
  EngineInputs& in = engine_.inputs();
  const float typed = TextToSingle(text);
  bool corrected = false;
  if (n == kInAdvance && in.Fuel == kFuelDiesel) {
    in.LeadTime = typed / 1000.0;
    return false;
  }
  if (n == kInVE) {
    in.VE = LimitByEntryRule(n, typed / 100.0, corrected);
    return corrected;
  }
  if (n == kInBowlA) {
    // The limit applies to the number as typed, in the display unit.
    const double shown = typed < 0.2 ? 0.2 : typed;
    in.BowlA = FromDisplay(InputInfoOf(n).unit, shown, unitMode_);
    return typed < 0.2;
  }
  const double v =
      LimitByEntryRule(n, FromDisplay(InputInfoOf(n).unit, typed, unitMode_), corrected);
  StoreInputValue(in, n, v);
  return corrected;
}

bool InputController::CheckHeldInput(int n) {
  // The lists hold a choice, input 28 takes no typing and the advance takes any value.
  if (n < 0 || n > kInBowlA || n == kInVTType || n == kInFuel || n == kInAdvance) return false;
  EngineInputs& in = engine_.inputs();
  const double held = InputValue(in, n);
  bool corrected = false;
  const double limited = LimitByEntryRule(n, held, corrected);
  if (limited != held) {
    StoreInputValue(in, n, limited);
    ShowInput(n);
  }
  if (corrected) ++panel_.beeps;
  return corrected;
}

EntryResult InputController::EnterText(int n, std::string_view text, bool recalculate) {
  ETracker guard(kInputControllerModule, "txtInput_LostFocus");
  EntryResult& result = entry_ = {};
  const InputInfo& info = InputInfoOf(n);
  if (!info.listed || n == kInPcntDrop) return result;

  const EngineInputs& in = engine_.inputs();
  const bool diesel24 = n == kInAdvance && in.Fuel == kFuelDiesel;
  const double before = diesel24 ? in.LeadTime : InputValue(in, n);

  bool corrected = StoreTyped(n, text);
  // Read the shown text back twice, so that the held value is exactly the one shown.
  for (int pass = 0; pass < 2; ++pass) {
    ShowInput(n);
    corrected = StoreTyped(n, panel_.text[static_cast<std::size_t>(n)]) || corrected;
  }
  ShowInput(n);
  if (corrected) {
    ++panel_.beeps;
    result.beeps = 1;
  }

  const double after = diesel24 ? in.LeadTime : InputValue(in, n);
  if (IsCamSetting(n)) engine_.ApplyCamSetting(n, after);
  if (ToSingle(after) != ToSingle(before)) {
    result.changed = true;
    if (n < 45 && recalculate) {
      result.recalculated = true;
      Recalculate(n);
      DisplayOutputs(outputPage_);
      if (outputPage_ == 0) BalanceAnalysis();
    }
  }
  return result;
}

EntryResult InputController::EnterRecipBalanceFactor(std::string_view text) {
  ETracker guard(kInputControllerModule, "txtInput_KeyPress");
  EntryResult& result = entry_ = {};
  EngineInputs& in = engine_.inputs();
  const float before = in.RecipBF;
  const float typed = TextToSingle(text);
  in.RecipBF = typed;
  ShowInput(kInRecipBF);
  // The box shows the value rounded to its two decimals: that is the value held from now on.
  const float shown = TextToSingle(panel_.text[kInRecipBF]);
  in.RecipBF = shown;
  ShowInput(kInRecipBF);
  // Changed when the shown value differs from the one typed, and also when the held value
  // differs from the one before the entry (else a new value typed exactly as it is shown would
  // never reach the save prompt).
  result.changed = shown != typed || shown != before;
  BalanceAnalysis();
  return result;
}

EntryResult InputController::ChooseValveTrain(int index, bool recalculate) {
  ETracker guard(kInputControllerModule, "cmbValveTrainType_Click");
  EntryResult& result = entry_ = {};
  EngineInputs& in = engine_.inputs();
  result.changed = index != in.VTType;
  in.VTType = index;
  panel_.valveTrainIndex = std::clamp(index, 0, 2);
  if (!recalculate) return result;
  result.recalculated = true;
  Recalculate(kInVTType);
  DisplayOutputs(outputPage_);
  return result;
}

EntryResult InputController::ChooseFuel(int index, bool recalculate) {
  ETracker guard(kInputControllerModule, "cmbFuelCycle_Click");
  EntryResult& result = entry_ = {};
  EngineInputs& in = engine_.inputs();
  if (index == in.Fuel) return result;
  result.changed = true;
  in.Fuel = ToInt16(index);
  panel_.fuelIndex = std::clamp(index, 0, 2);
  panel_.label24 = in.Fuel == kFuelDiesel ? texts_.label68 : texts_.label24;
  panel_.status[kInAdvance] = kStatusNotApproved;
  ShowInput(kInAdvance);
  if (!recalculate) return result;
  result.recalculated = true;
  Recalculate(kInFuel);
  DisplayOutputs(outputPage_);
  return result;
}

EntryResult InputController::ChooseEnterAirPP(int value) {
  EntryResult& result = entry_ = {};
  EngineInputs& in = engine_.inputs();
  result.changed = value != in.EnterAirPP;
  in.EnterAirPP = value;
  ApplyEnterAirPPState();
  EvaluateStageTabs();
  return result;
}

// ---------------------------------------------------------------------------------------------
// Output panel

void InputController::BalanceAnalysis() {
  ETracker guard(kInputControllerModule, "BalanceAnalysis");
  const EngineInputs& in = engine_.inputs();
  AnalyseBalance(engine_.tables(), engine_.results(), in.RecipBF, in.FiringAngle, texts_, out_);
}

void InputController::RefreshOutputs() {
  DisplayOutputs(outputPage_);
  if (outputPage_ == 0) BalanceAnalysis();
}

void InputController::FillBothOutputPages() {
  DisplayOutputs(0);
  BalanceAnalysis();
  DisplayOutputs(1);
}

}  // namespace orv
