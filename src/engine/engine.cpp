#include "engine/engine.h"

#include <algorithm>
#include <cmath>

#include "base/angles.h"
#include "base/checked_fp.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/units.h"
#include "engine/calc_record.h"
#include "engine/crank_kinematics.h"
#include "engine/fill_work.h"

namespace orv {

namespace {
constexpr const char* kEngineModule = "EngineModel";
}  // namespace

Engine::Engine() {
  k_ = ComputeEmpiricalConstants();
  res_.FillFactor = k_.FillFactor;
  res_.DynamicCR = k_.DynamicCR;
  InstallDefaultEngine();
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

bool Engine::SetDerivedInput(int n, double value) {
  if (InputValue(in_, n) == value) return false;
  StoreInputValue(in_, n, value);
  return true;
}

void Engine::BringKinematicsUpToDate() { RunCrankKinematics(true); }

// ---------------------------------------------------------------------------------------------
// Recalculation

Engine::CalcOutcome Engine::ReCalc(int code, RecalcListener* listener, CalcRecord* record) {
  ETracker guard(kEngineModule, "ReCalc");
  if (record != nullptr) record->Clear();
  EngineInputs& in = in_;
  EngineResults& r = res_;
  EngineTables& t = tab_;
  if (!(in.Stroke > 0) || !(in.Bore > 0)) {
    lastCalc_ = CalcOutcome::NotStarted;
    return lastCalc_;
  }
  // An error that ends the run leaves this outcome.
  lastCalc_ = CalcOutcome::Failed;
  FpRegion fp;

  // Set derived inputs, suggestions and computed values are told to the listener as they
  // happen: the panel shows each one at the moment it is made.
  auto setDerived = [&](int n, double value) {
    if (SetDerivedInput(n, value) && listener != nullptr) listener->DerivedInputSet(n);
  };
  auto suggest = [&](int n, double held, double suggested) {
    if (listener != nullptr) listener->InputSuggested(n, held, suggested);
  };
  auto replaced = [&](int n) {
    if (listener != nullptr) listener->InputReplaced(n);
  };

  k_.HotGasSound = SoundSpeed(1.2f, 1600);

  // Intake temperature and the critical velocity (58 % of the speed of sound) follow each other.
  if (code == kInCritIntVel) {
    const double T = RoundHalfEven(sound_.TempFromSoundSpeed(Chk(in.CritIntVel / 0.58)));
    setDerived(kInIntTemp, T);
  } else if (code == kInIntTemp) {
    setDerived(kInCritIntVel, Chk(IntakeSoundSpeed(in.IntTemp) * 0.58));
  }
  r.IntakeSoundLess5 = IntakeSoundSpeed(in.IntTemp - 5);

  if (code == kInBore) {
    suggest(kInIntCFM, in.IntCFM, Chk(in.Bore * in.Bore * kAirflowPerPower * 13.262));
    suggest(kInPinEndWeight, in.PinEndWeight, Chk(1100 * std::pow(Chk(in.Bore / 4.125), 2.17)));
  }

  // Geometry.
  r.BoreArea = Chk(in.Bore * in.Bore * kPi / 4);
  r.SweptVolume = Chk(r.BoreArea * in.Stroke);
  r.SweptVolumeCC = Chk(r.SweptVolume * kCcPerIn3);
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
    if (listener != nullptr) listener->CalculationState(true);
    lastCalc_ = CalcOutcome::CannotComplete;
    return lastCalc_;
  }
  if (listener != nullptr) listener->CalculationState(false);

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
    suggest(kInPkPwrRPM, in.PkPwrRPM, P);
    suggest(kInPkTorqRPM, in.PkTorqRPM, Chk(P / 1.32));
    in.PkPwrRPM = P;
    replaced(kInPkPwrRPM);
  } else if (code == kInPkPwrRPM && in.EnterAirPP == 1) {
    suggest(kInPkTorqRPM, in.PkTorqRPM, Chk(in.PkPwrRPM / 1.32));
    const double C = Chk(maxVel * kAirflowPerPower * in.PkPwrRPM * A * 0.415 / vtf);
    suggest(kInIntCFM, in.IntCFM, C);
    in.IntCFM = C;
    replaced(kInIntCFM);
  } else if (code == kInPkTorqRPM) {
    suggest(kInPkPwrRPM, in.PkPwrRPM, Chk(in.PkTorqRPM * 1.32));
    suggest(kInIntCFM, in.IntCFM,
            Chk(maxVel * kAirflowPerPower * in.PkTorqRPM * 1.32 * A * 0.415 / vtf));
  } else if (code == kInVTType) {
    suggest(kInIntCFM, in.IntCFM, Chk(maxVel * kAirflowPerPower * in.PkPwrRPM * A * 0.415 / vtf));
    const double P = Chk(in.IntCFM / kAirflowPerPower * vtf / Chk(A * maxVel * 0.415));
    suggest(kInPkPwrRPM, in.PkPwrRPM, P);
    suggest(kInPkTorqRPM, in.PkTorqRPM, Chk(P / 1.32));
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
      suggest(kInAdvance, in.LeadTime * 1000, Chk(s * 1000));
    } else {
      suggest(kInAdvance, in.Advance, advance);
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
      r.ChargeVolume = Chk(in.VE * rr * r.SweptVolume / kCcPerIn3);
    } else if (in.VE > 0.9) {
      r.ChargeVolume = Chk((in.VE - 0.9) * rr * r.SweptVolume * 10 / kCcPerIn3);
    } else {
      r.ChargeVolume = 0;
    }
    const double mean = Chk((r.PortAreaPower + in.BowlA) / 2);
    r.ChargePerArea = mean > 0 ? Chk(r.ChargeVolume / mean) : 0;

    // Exhaust tube OD for the flow at peak torque, to the nearest eighth.
    if (code != kInExOD) {
      const double xo = Chk(V * 4 * in.PkTorqRPM * r.FillFactor / 1382.30076776);
      if (xo >= 0) {
        suggest(kInExOD, in.ExOD, RoundHalfEven(Chk(std::sqrt(xo) / 0.125)) * 0.125);
      }
    }
  }
  r.ExhaustODUsed = in.ExOD;

  // Exhaust primary lengths tuned to the peak-torque and peak-power rpm.
  {
    const double c = SoundSpeed(1.35f, 1400);
    const double K = Chk(Chk(c * 114.59 / 1.75) * Chk(c * 114.59 / 1.75));
    const double Vc = Chk((r.SweptVolumeCC + r.ClearanceVolumeCC) / kCcPerIn3);
    r.PrimaryLenTorque = Chk(K / Chk(in.PkTorqRPM * in.PkTorqRPM) *
                             ((in.ExOD - 0.1) * (in.ExOD - 0.1) * kPi / 4 / Vc));
    r.PrimaryLenPower = Chk(K / Chk(in.PkPwrRPM * in.PkPwrRPM) *
                            ((r.ExhaustODUsed - 0.1) * (r.ExhaustODUsed - 0.1) * kPi / 4 / Vc));
  }

  MapFlowDemand(in, r, k_, t);
  lastCalc_ = CalcOutcome::Complete;
  if (record != nullptr) RecordResults(*this, *record);
  return lastCalc_;
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
