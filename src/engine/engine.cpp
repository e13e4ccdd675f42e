#include "engine/engine.h"

#include <algorithm>
#include <cmath>

#include "base/checked_fp.h"
#include "base/error_trace.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "base/text_number.h"
#include "engine/crank_kinematics.h"
#include "engine/fill_work.h"

namespace orv {

namespace {
constexpr const char* kModule = "EngineModel";
constexpr double kAirflowPerPower = 1.058300524;  // CFM per unit of the power-airflow relation
}  // namespace

Engine::Engine() {
  k_ = EmpiracleConstants();
  res_.FillFactor = k_.FillFactor;
  res_.DynamicCR = k_.DynamicCR;
  InstallDefaultEngine();
  ShowAllInputs();
  ReCalc(-1);
}

void Engine::InstallDefaultEngine() {
  // The smoothing counts belong to the lobes and stay as they are.
  const std::int16_t intSmth = in_.IntSmth;
  const std::int16_t exhSmth = in_.ExhSmth;
  in_ = EngineInputs{};
  in_.IntSmth = intSmth;
  in_.ExhSmth = exhSmth;
  in_.LeadTime = LeadTimeFromAdvance(in_);
  InstallDefaultLobes();
}

void Engine::ReplaceCamLobes(CamLobe intake, CamLobe exhaust) {
  intakeLobe_ = std::move(intake);
  exhaustLobe_ = std::move(exhaust);
}

void Engine::SetUnitMode(UnitMode mode) {
  unitMode_ = mode;
  ShowAllInputs();
}

void Engine::SetTexts(EngineTexts texts) {
  texts_ = std::move(texts);
  panel_.label24 = in_.Fuel == kFuelDiesel ? texts_.label68 : texts_.label24;
}

// ---------------------------------------------------------------------------------------------
// Display of inputs

std::string Engine::FormatedUI_String(int n, double value) const {
  const InputInfo& info = InputInfoOf(n);
  if (!info.listed) return {};
  if (n == kInAdvance && in_.Fuel == kFuelDiesel) return FormatNumber(value, 1, 3);
  const NumberFormat f = DisplayFormat(info.unit, info.format, unitMode_);
  return FormatNumber(ToDisplay(info.unit, value, unitMode_), f.width, f.decimals);
}

double Engine::HeldEntryValue(int n) const {
  if (n == kInAdvance && in_.Fuel == kFuelDiesel) return in_.LeadTime * 1000;
  if (n == kInVE) return in_.VE * 100;
  return InputValue(in_, n);
}

void Engine::ShowInput(int n) {
  if (n == kInVTType) {
    panel_.valveTrainIndex = std::clamp(in_.VTType, 0, 2);
    return;
  }
  if (n == kInFuel) {
    panel_.fuelIndex = std::clamp<int>(in_.Fuel, 0, 2);
    return;
  }
  if (n < 0 || n >= InputPanel::kBoxes) return;
  panel_.text[static_cast<std::size_t>(n)] = FormatedUI_String(n, HeldEntryValue(n));
}

void Engine::ShowAllInputs() {
  for (int n = 0; n < InputPanel::kBoxes; ++n) ShowInput(n);
  panel_.label24 = in_.Fuel == kFuelDiesel ? texts_.label68 : texts_.label24;
  ApplyEnterAirPPState();
}

// The typed one of inputs 21 and 22 has an enabled box; the other follows from it and its
// label is in the disabled colour, so its status uses the disabled-colour codes.
void Engine::ApplyEnterAirPPState() {
  const bool airTyped = in_.EnterAirPP == 0;
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

void Engine::MarkForReview(int n) {
  if (n < 0 || n >= InputPanel::kStatuses) return;
  const auto i = static_cast<std::size_t>(n);
  panel_.status[i] = panel_.disabledColour[i] ? kStatusDisabledReview : kStatusReview;
}

void Engine::Approve(int n) {
  const auto i = static_cast<std::size_t>(n);
  panel_.status[i] = panel_.disabledColour[i] ? kStatusDisabledApproved : kStatusApproved;
  panel_.suggestion[i].clear();
}

void Engine::SetDerivedInput(int n, double value) {
  if (InputValue(in_, n) == value) return;
  StoreInputValue(in_, n, value);
  ShowInput(n);
  MarkForReview(n);
}

void Engine::SuggestInput(int n, double held, double suggested) {
  const bool hasLabel = InputPanel::HasSuggestionLabel(n);
  const bool labelShown = hasLabel && !panel_.suggestion[static_cast<std::size_t>(n)].empty();
  if (!labelShown && held == suggested) return;
  if (hasLabel) {
    panel_.suggestion[static_cast<std::size_t>(n)] =
        FormatedUI_String(n, suggested) + texts_.suggestionSuffix;
  }
  ShowInput(n);
  MarkForReview(n);
}

void Engine::EvaluateStageTabs() {
  bool all = true;
  for (int n = 0; n <= 12; ++n)
    all = all && InputPanel::Approved(panel_.status[static_cast<std::size_t>(n)]);
  panel_.stage2Enabled = all;
}

void Engine::ApproveAll(int stage) {
  ETracker guard(kModule, "cmdApproveAll_Click");
  if (stage == 0) {
    ReCalc(1);
    for (int n = 0; n <= 12; ++n) Approve(n);
  } else {
    ReCalc(19);
    for (int n = 13; n <= 28; ++n) Approve(n);
  }
  EvaluateStageTabs();
}

void Engine::ClickStatus(int n) {
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

// ---------------------------------------------------------------------------------------------
// Entry rule

bool Engine::StoreTyped(int n, std::string_view text) {
  const float typed = TextToSingle(text);
  const InputInfo& info = InputInfoOf(n);
  bool corrected = false;
  auto atLeast = [&corrected](double v, double minimum) {
    if (v < minimum) {
      corrected = true;
      return minimum;
    }
    return v;
  };

  if (n == kInAdvance && in_.Fuel == kFuelDiesel) {
    in_.LeadTime = typed / 1000.0;
    return false;
  }
  if (n == kInVE) {
    double v = typed / 100.0;
    if (v < 0.01) {
      v = 1.0;
      corrected = true;
    }
    in_.VE = v;
    return corrected;
  }
  if (n == kInBowlA) {
    // The limit applies to the number as typed, in the display unit.
    const double shown = atLeast(typed, 0.2);
    in_.BowlA = FromDisplay(info.unit, shown, unitMode_);
    return corrected;
  }

  double v = FromDisplay(info.unit, typed, unitMode_);
  switch (n) {
    case kInBore:
    case kInStroke:
    case kInRodLen:
    case kInDeckHeight:
    case kInIVlvDia:
    case kInCR:
      v = atLeast(v, 0.1);
      break;
    case kInCylinders:
      v = atLeast(v, 1);
      if (v > 32767) {
        v = 32767;
        corrected = true;
      }
      break;
    case kInPinEndWeight:
    case kInPinWt:
      v = atLeast(v, 0);
      break;
    case kInIVlvCnt:
      if (v < 1 || v > 3) {
        v = 1;
        corrected = true;
      }
      break;
    case kInEVlvCnt:
      if (v < 1 || v > 2) {
        v = 1;
        corrected = true;
      }
      break;
    case kInMxIntVel:
    case kInCritIntVel:
      v = atLeast(v, 65);
      break;
    case kInExOD:
      v = RoundHalfEven(v / 0.125) * 0.125;  // nearest eighth of an inch
      break;
    case kInPkPwrRPM:
    case kInPkTorqRPM:
      v = atLeast(v, 50);
      break;
    default:
      break;
  }
  StoreInputValue(in_, n, v);
  return corrected;
}

void Engine::EnterText(int n, std::string_view text) {
  ETracker guard(kModule, "txtInput_LostFocus");
  const InputInfo& info = InputInfoOf(n);
  if (!info.listed || n == kInPcntDrop) return;

  const bool diesel24 = n == kInAdvance && in_.Fuel == kFuelDiesel;
  const double before = diesel24 ? in_.LeadTime : InputValue(in_, n);

  bool corrected = StoreTyped(n, text);
  // Read the shown text back twice, so that the held value is exactly the one shown.
  for (int pass = 0; pass < 2; ++pass) {
    ShowInput(n);
    corrected = StoreTyped(n, panel_.text[static_cast<std::size_t>(n)]) || corrected;
  }
  ShowInput(n);
  if (corrected) ++panel_.beeps;

  const double after = diesel24 ? in_.LeadTime : InputValue(in_, n);
  if ((n >= kInIntakeCL && n <= kInIntakeLash) || (n >= kInExhaustCL && n <= kInExhaustLash)) {
    ApplyCamSetting(n, after);
  }
  if (ToSingle(after) != ToSingle(before)) {
    changed_ = true;
    if (n < 45) {
      ReCalc(n);
      DisplayOutputs(outputPage_);
      if (outputPage_ == 0) BalanceAnalysis();
    }
  }
}

void Engine::ChooseValveTrain(int index) {
  ETracker guard(kModule, "cmbValveTrainType_Click");
  if (index != in_.VTType) changed_ = true;
  in_.VTType = index;
  panel_.valveTrainIndex = std::clamp(index, 0, 2);
  ReCalc(kInVTType);
  DisplayOutputs(outputPage_);
}

void Engine::ChooseFuel(int index) {
  ETracker guard(kModule, "cmbFuelCycle_Click");
  if (index == in_.Fuel) return;
  changed_ = true;
  in_.Fuel = ToInt16(index);
  panel_.fuelIndex = std::clamp(index, 0, 2);
  panel_.label24 = in_.Fuel == kFuelDiesel ? texts_.label68 : texts_.label24;
  panel_.status[kInAdvance] = kStatusNotApproved;
  ShowInput(kInAdvance);
  ReCalc(kInFuel);
  DisplayOutputs(outputPage_);
}

void Engine::ChooseEnterAirPP(int value) {
  if (value != in_.EnterAirPP) changed_ = true;
  in_.EnterAirPP = value;
  ApplyEnterAirPPState();
  EvaluateStageTabs();
}

// ---------------------------------------------------------------------------------------------
// Recalculation

void Engine::ReCalc(int code) {
  ETracker guard(kModule, "ReCalc");
  EngineInputs& in = in_;
  EngineResults& r = res_;
  EngineTables& t = tab_;
  if (!(in.Stroke > 0) || !(in.Bore > 0)) {
    lastCalc_ = CalcOutcome::NotStarted;
    return;
  }
  // An error that ends the run leaves this outcome.
  lastCalc_ = CalcOutcome::Failed;
  FpRegion fp;

  k_.HotGasSound = SoundSpeed(1.2f, 1600);

  // Intake temperature and the critical velocity (58 % of the speed of sound) follow each other.
  if (code == kInCritIntVel) {
    const double T = RoundHalfEven(sound_.TempFromSoundSpeed(Chk(in.CritIntVel / 0.58)));
    SetDerivedInput(kInIntTemp, T);
  } else if (code == kInIntTemp) {
    SetDerivedInput(kInCritIntVel, Chk(IntakeSoundSpeed(in.IntTemp) * 0.58));
  }
  r.IntakeSoundLess5 = IntakeSoundSpeed(in.IntTemp - 5);

  if (code == kInBore) {
    SuggestInput(kInIntCFM, in.IntCFM, Chk(in.Bore * in.Bore * kAirflowPerPower * 13.262));
    SuggestInput(kInPinEndWeight, in.PinEndWeight,
                 Chk(1100 * std::pow(Chk(in.Bore / 4.125), 2.17)));
  }

  // Geometry.
  r.BoreArea = Chk(in.Bore * in.Bore * kPi / 4);
  r.SweptVolume = Chk(r.BoreArea * in.Stroke);
  r.SweptVolumeCC = Chk(r.SweptVolume * 16.387064);
  r.PinHeightAtTDC = Chk(in.Stroke / 2 + in.RodLen);
  r.DeckClearance = Chk(in.DeckHeight - r.PinHeightAtTDC);
  r.RodRatio = Chk(in.RodLen / in.Stroke);
  r.ClearanceVolumeCC = Chk(r.SweptVolumeCC / Chk(in.CR - 1));
  r.StrokePerCC = Chk(in.Stroke / r.SweptVolumeCC);
  r.Displacement = Chk(in.Cylinders * r.SweptVolume);

  // Two banks on one crankpin carry two sets of reciprocating and rotating weight.
  if (in.FiringAngle > 0) {
    r.RecipWeightUsed = ToInt32(Chk(in.PinEndWeight * 2));
    r.RotWeightUsed = ToInt32(Chk(in.PinWt * 2));
  } else {
    r.RecipWeightUsed = ToInt32(in.PinEndWeight);
    r.RotWeightUsed = ToInt32(in.PinWt);
  }

  if (RunCrankKinematics(false)) {
    panel_.warningVisible = true;
    EvaluateStageTabs();
    lastCalc_ = CalcOutcome::CannotComplete;
    return;
  }
  panel_.warningVisible = false;

  // Engine speed at which the piston reaches the critical acceleration at TDC.
  r.CriticalRPM = 0;
  if (in.PinEndWeight > 0) {
    const double d = Chk((t.PistonPosition[1] - t.PistonPosition[0]) * 6);
    if (d != 0) {
      const double w = Chk(1100 * std::pow(Chk(in.Bore / 4.125), 2.17));
      const double x = Chk(Chk(in.CriticalG * w / in.PinEndWeight) * 32.164 / d);
      if (x >= 0) r.CriticalRPM = ToInt32(Chk(std::sqrt(x)));
    }
  }

  r.ValveTrainFactor = in.VTType == 0 ? 4.8 : in.VTType == 1 ? 5.04 : 5.28;
  const double maxVel = r.MaxPistonVelocity;
  const double A = r.BoreArea;
  const double vtf = r.ValveTrainFactor;

  // Inlet airflow and rpm at peak power follow each other through the valve-train factor.
  if (code == kInIntCFM && in.EnterAirPP == 0) {
    const double P = Chk(vtf * Chk(in.IntCFM / kAirflowPerPower) / Chk(A * maxVel * 0.415));
    SuggestInput(kInPkPwrRPM, in.PkPwrRPM, P);
    SuggestInput(kInPkTorqRPM, in.PkTorqRPM, Chk(P / 1.32));
    in.PkPwrRPM = P;
    ShowInput(kInPkPwrRPM);
  } else if (code == kInPkPwrRPM && in.EnterAirPP == 1) {
    SuggestInput(kInPkTorqRPM, in.PkTorqRPM, Chk(in.PkPwrRPM / 1.32));
    const double C = Chk(maxVel * kAirflowPerPower * in.PkPwrRPM * A * 0.415 / vtf);
    SuggestInput(kInIntCFM, in.IntCFM, C);
    in.IntCFM = C;
    ShowInput(kInIntCFM);
  } else if (code == kInPkTorqRPM) {
    SuggestInput(kInPkPwrRPM, in.PkPwrRPM, Chk(in.PkTorqRPM * 1.32));
    SuggestInput(kInIntCFM, in.IntCFM,
                 Chk(maxVel * kAirflowPerPower * in.PkTorqRPM * 1.32 * A * 0.415 / vtf));
  } else if (code == kInVTType) {
    SuggestInput(kInIntCFM, in.IntCFM,
                 Chk(maxVel * kAirflowPerPower * in.PkPwrRPM * A * 0.415 / vtf));
    const double P = Chk(in.IntCFM / kAirflowPerPower * vtf / Chk(A * maxVel * 0.415));
    SuggestInput(kInPkPwrRPM, in.PkPwrRPM, P);
    SuggestInput(kInPkTorqRPM, in.PkTorqRPM, Chk(P / 1.32));
  }

  r.FillRatio = FillModel(in, r, t, in.PkTorqRPM, 180);
  r.FillFactor = Chk(in.VE * r.FillRatio);

  r.DynamicCR = Chk((in.CR - 1.03) * r.FillFactor + 1);
  const double dcrPow = Chk(std::pow(r.DynamicCR, 1.4));

  // Spark advance (or diesel injection lead) from the burn time at the dynamic compression.
  if (code == kInBore || code == kInFuel || code == kInPkTorqRPM) {
    double s = Chk(in.Bore * 0.000123 * k_.RefDynamicCRPow / dcrPow);
    const double tDeg = Chk(s * in.PkTorqRPM * 6);
    double advance = Chk(4 * tDeg);
    if (advance > 60) {
      advance = 60;
      s = Chk(15 / Chk(in.PkTorqRPM * 6));
    }
    if (in.Fuel == kFuelDiesel) {
      SuggestInput(kInAdvance, in.LeadTime * 1000, Chk(s * 1000));
    } else {
      SuggestInput(kInAdvance, in.Advance, advance);
    }
  } else if (code == kInAdvance) {
    if (in.Fuel == kFuelDiesel) {
      in.Advance = Chk(in.LeadTime * in.PkTorqRPM * 6 * 4);
    } else {
      in.LeadTime = Chk(Chk(in.Advance / 4) / Chk(in.PkTorqRPM * 6));
    }
  }

  WorkModel(in, r, t);

  // Torque at the peak-torque rpm from the net work at the angle the exhaust wave delays.
  r.WaveDelay107 = Chk((t.PistonPosition[107] + 0.2) * in.PkTorqRPM / (2 * k_.HotGasSound));
  {
    const double whole = std::floor(r.WaveDelay107);
    const double f = r.WaveDelay107 - whole;
    const int n = 107 + ToInt32(whole);
    double work = Chk((t.NetWorkSum[n] + f * (t.NetWorkSum[n + 1] - t.NetWorkSum[n])) / 4.84635);
    if (in.Fuel == kFuelAlcohol) work = Chk(work * 1.11);
    r.WorkAtTorquePeak = work;
  }
  r.PeakTorque = Chk(r.WorkAtTorquePeak * r.Displacement * k_.TorquePerCID);
  if (r.Displacement != 0) r.BMEP = Chk(r.PeakTorque / r.Displacement * 150.8);

  // Piston speed and flow demand per degree at peak-power rpm.
  const double S = Chk(in.PkPwrRPM * 30);
  double q = Chk(r.BoreArea * 0.415 / 144);
  if (in.VE > 1.0) q = Chk(q * in.VE);
  for (int i = 1; i <= 360; ++i) {
    t.PistonSpeed[i] = Chk(S * t.PistonVelocity[i]);
    t.FlowDemand[i] = Chk(q * t.PistonSpeed[i]);
  }

  // Piston inertia at the dead centres.
  const double m = Chk(in.PinEndWeight * 0.0022046);  // pounds
  const double v = Chk(maxVel * in.PkPwrRPM);
  const double G = Chk(in.PkPwrRPM * in.PkPwrRPM * 6 / 32.164);
  r.MaxPistonSpeed = Chk(v * 30);
  r.MaxFlowDemand = Chk(v * 30 * q * kAirflowPerPower);
  r.TDCInertiaG = Chk((t.PistonPosition[1] - t.PistonPosition[0]) * G);
  r.TDCInertiaForce = Chk(-r.TDCInertiaG * m);
  r.BDCInertiaG = Chk((t.PistonPosition[180] - t.PistonPosition[179]) * G);
  r.BDCInertiaForce = Chk(r.BDCInertiaG * m);

  r.MeanPistonSpeed = Chk(in.Stroke * in.PkPwrRPM / 12 * 2);

  {
    const double x = Chk(v * r.BoreArea * in.Cylinders * r.FillFactor / 38.4);
    r.CarbCFMLow = RoundHalfEven(Chk(x * 1.35));
    r.CarbCFMHigh = RoundHalfEven(Chk(x * 1.45));
  }

  r.PowerToCritical = r.CriticalRPM == 0
                          ? 0
                          : Chk(in.PkPwrRPM * in.PkPwrRPM * 100 /
                                (static_cast<double>(r.CriticalRPM) * r.CriticalRPM));

  r.PeakPower = Chk(r.PeakTorque * 0.93 * in.PkPwrRPM / 5252);

  // Crank angle at which the intake pressure wave of the fastest piston reaches the valve.
  {
    const double a = r.MaxVelocityAngle;
    const double pos = t.PistonPosition[ToInt32(a)];
    r.IntakeSuctionAngle =
        ToInt32(Chk(a + (pos + 0.2) * in.PkPwrRPM / (2 * r.IntakeSoundLess5) + 0.5));
  }

  // Port, bowl and throat sizes.
  {
    const double V = Chk(maxVel * r.BoreArea / 2);
    auto rootOrZero = [](double x) { return x > 0 ? Chk(std::sqrt(x)) : 0.0; };
    if (in.MxIntVel != 0) {
      r.PortAreaTorque = Chk(V * in.PkTorqRPM / in.MxIntVel);
      r.PortDiaTorque = rootOrZero(Chk(r.PortAreaTorque * 4 / kPi));
      r.PortSideTorque = rootOrZero(Chk(r.PortAreaTorque * 1.05));
    }
    if (in.CritIntVel != 0) {
      r.PortAreaPower = Chk(V * in.PkPwrRPM / in.CritIntVel);
      r.PortDiaPower = rootOrZero(Chk(r.PortAreaPower * 4 / kPi));
      r.PortSidePower = rootOrZero(Chk(r.PortAreaPower * 1.05));
    }
    if (in.BowlA > 0) {
      r.BowlAreaUsed = in.BowlA;
      r.BowlVelocity = Chk(V * in.PkPwrRPM / in.BowlA);
    } else {
      r.BowlVelocity = 600;
      r.BowlAreaUsed = Chk(V * in.PkPwrRPM / 600);
    }
    if (in.IVlvCnt < 1) in.IVlvCnt = 1;
    const double x = Chk((in.IVlvStm / 2) * (in.IVlvStm / 2) * kPi + r.BowlAreaUsed / in.IVlvCnt);
    r.ThroatDiameter = x > 0 ? Chk(2 * std::sqrt(Chk(x / kPi))) : 0;
    r.BowlSide = rootOrZero(r.BowlAreaUsed);

    // Charge per cylinder.
    const double rr = Chk(in.PkPwrRPM * 0.00015 + 1.9);
    if (in.VE >= 1.0) {
      r.ChargeVolume = Chk(in.VE * rr * r.SweptVolume / 16.387064);
    } else if (in.VE > 0.9) {
      r.ChargeVolume = Chk((in.VE - 0.9) * rr * r.SweptVolume * 10 / 16.387064);
    } else {
      r.ChargeVolume = 0;
    }
    const double mean = Chk((r.PortAreaPower + in.BowlA) / 2);
    r.ChargePerArea = mean > 0 ? Chk(r.ChargeVolume / mean) : 0;

    // Exhaust tube OD for the flow at peak torque, to the nearest eighth.
    if (code != kInExOD) {
      const double xo = Chk(V * 4 * in.PkTorqRPM * r.FillFactor / 1382.30076776);
      if (xo >= 0) {
        SuggestInput(kInExOD, in.ExOD, RoundHalfEven(Chk(std::sqrt(xo) / 0.125)) * 0.125);
      }
    }
  }
  r.ExhaustODUsed = in.ExOD;

  // Exhaust primary lengths tuned to the peak-torque and peak-power rpm.
  {
    const double c = SoundSpeed(1.35f, 1400);
    const double K = Chk(Chk(c * 114.59 / 1.75) * Chk(c * 114.59 / 1.75));
    const double Vc = Chk((r.SweptVolumeCC + r.ClearanceVolumeCC) / 16.387064);
    r.PrimaryLenTorque = Chk(K / Chk(in.PkTorqRPM * in.PkTorqRPM) *
                             ((in.ExOD - 0.1) * (in.ExOD - 0.1) * kPi / 4 / Vc));
    r.PrimaryLenPower = Chk(K / Chk(in.PkPwrRPM * in.PkPwrRPM) *
                            ((r.ExhaustODUsed - 0.1) * (r.ExhaustODUsed - 0.1) * kPi / 4 / Vc));
  }

  MapFlowDemand(in, r, k_, t);
  EvaluateStageTabs();
  lastCalc_ = CalcOutcome::Complete;
}

bool Engine::RunCrankKinematics(bool mayReuse) {
  const KinematicsInputs now{in_.Stroke, in_.RodLen, in_.PinOff, in_.FiringAngle};
  if (mayReuse && lastKinematics_ && lastKinematics_->inputs == now) {
    return lastKinematics_->cannotComplete;
  }
  lastKinematics_.reset();  // a run that raises leaves the tables part-written
  const bool cannotComplete = CrankKinematics(in_, res_, tab_);
  lastKinematics_ = KinematicsRun{now, cannotComplete};
  return cannotComplete;
}

}  // namespace orv
