#pragma once

#include <cstdint>

#include "base/bounded_array.h"

namespace orv {

// Reference values of the filling and work models, set once at start-up.
struct EmpiricalConstants {
  double HotGasSound = 0;     // speed of sound in hot exhaust gas, ft/s
  double FillFactor = 1.035;  // until the first recalculation
  double DynamicCR = 0;
  double RefDynamicCRPow = 0;  // reference dynamic compression ratio to the power 1.4
  double TorquePerCID = 385.0 / 34985.0;
};

// The scalar results of one recalculation, in English units. A recalculation that stops early
// leaves every result it did not reach as the previous one wrote it.
struct EngineResults {
  // Geometry.
  double BoreArea = 0;           // in2
  double SweptVolume = 0;        // in3, one cylinder
  double SweptVolumeCC = 0;      // cc
  double ClearanceVolumeCC = 0;  // cc
  double Displacement = 0;       // in3, all cylinders
  double PinHeightAtTDC = 0;     // in
  double DeckClearance = 0;      // in
  double RodRatio = 0;
  double StrokePerCC = 0;            // in/cc
  std::int32_t RecipWeightUsed = 0;  // grams, doubled for two banks
  std::int32_t RotWeightUsed = 0;    // grams, doubled for two banks
  double IntakeSoundLess5 = 0;       // ft/s
  std::int32_t CriticalRPM = 0;
  double ValveTrainFactor = 0;

  // Crank kinematics.
  double OffsetAngle = 0;        // radians
  double EffectiveStroke = 0;    // in
  double BDCAngle = 0;           // radians
  double MaxPistonVelocity = 0;  // in/degree
  float MaxVelocityAngle = 0;    // degrees
  double MinPistonVelocity = 0;  // in/degree
  float MinVelocityAngle = 0;    // degrees
  double BalanceFactor = 0;      // %

  // Filling, work, torque and power.
  double FillRatio = 0;
  double FillFactor = 0;
  double DynamicCR = 0;
  double WaveDelay107 = 0;  // crank degrees
  double WorkAtTorquePeak = 0;
  double PeakTorque = 0;       // ft-lb
  double PeakPower = 0;        // hp
  double BMEP = 0;             // psi
  double MaxFlowDemand = 0;    // CFM
  double MaxPistonSpeed = 0;   // ft/min
  double MeanPistonSpeed = 0;  // ft/min
  double TDCInertiaG = 0;
  double TDCInertiaForce = 0;  // lb
  double BDCInertiaG = 0;
  double BDCInertiaForce = 0;           // lb
  double CarbCFMLow = 0;                // whole CFM
  double CarbCFMHigh = 0;               // whole CFM
  double PowerToCritical = 0;           // %
  std::int32_t IntakeSuctionAngle = 0;  // degrees

  // Port, bowl, throat and exhaust sizes.
  double PortAreaTorque = 0;
  double PortAreaPower = 0;
  double PortDiaTorque = 0;
  double PortDiaPower = 0;
  double PortSideTorque = 0;
  double PortSidePower = 0;
  double BowlVelocity = 0;
  double BowlAreaUsed = 0;
  double ThroatDiameter = 0;
  double BowlSide = 0;
  double ChargeVolume = 0;
  double ChargePerArea = 0;
  double PrimaryLenTorque = 0;
  double PrimaryLenPower = 0;
  double ExhaustODUsed = 0;
};

// The per-degree tables, indexed by whole crank degree after TDC (0..360), except
// `FlowDemand` (-360..360). Allocated once; each run overwrites what it reaches.
struct EngineTables {
  BoundedArray<double> PistonPosition{0, 360};  // in below TDC height
  BoundedArray<double> PistonVelocity{0, 360};  // in per degree, positive going down
  BoundedArray<double> RodTangent{0, 360};
  BoundedArray<double> BalanceShare{0, 360};  // % one bank
  BoundedArray<double> Leverage{0, 360};
  BoundedArray<double> StrokeFraction{0, 360};
  BoundedArray<double> BalanceCurve{0, 360};  // % both banks
  BoundedArray<double> PistonSpeed{0, 360};   // ft/min at peak-power rpm
  BoundedArray<double> TorqueFactor{0, 360};
  BoundedArray<double> WorkSumPct{0, 360};
  BoundedArray<double> NetWorkSum{0, 360};
  BoundedArray<double> FlowDemand{-360, 360};  // CFM
};

}  // namespace orv

namespace orv {

// Calls `f(name, value)` for every scalar result, in declaration order, the integer and single
// results widened to double. Used by the dump and by tests that compare whole result sets.
template <class F>
void ForEachResult(const EngineResults& r, F&& f) {
#define ORV_RESULT(name) f(#name, static_cast<double>(r.name))
  ORV_RESULT(BoreArea);
  ORV_RESULT(SweptVolume);
  ORV_RESULT(SweptVolumeCC);
  ORV_RESULT(ClearanceVolumeCC);
  ORV_RESULT(Displacement);
  ORV_RESULT(PinHeightAtTDC);
  ORV_RESULT(DeckClearance);
  ORV_RESULT(RodRatio);
  ORV_RESULT(StrokePerCC);
  ORV_RESULT(RecipWeightUsed);
  ORV_RESULT(RotWeightUsed);
  ORV_RESULT(IntakeSoundLess5);
  ORV_RESULT(CriticalRPM);
  ORV_RESULT(ValveTrainFactor);
  ORV_RESULT(OffsetAngle);
  ORV_RESULT(EffectiveStroke);
  ORV_RESULT(BDCAngle);
  ORV_RESULT(MaxPistonVelocity);
  ORV_RESULT(MaxVelocityAngle);
  ORV_RESULT(MinPistonVelocity);
  ORV_RESULT(MinVelocityAngle);
  ORV_RESULT(BalanceFactor);
  ORV_RESULT(FillRatio);
  ORV_RESULT(FillFactor);
  ORV_RESULT(DynamicCR);
  ORV_RESULT(WaveDelay107);
  ORV_RESULT(WorkAtTorquePeak);
  ORV_RESULT(PeakTorque);
  ORV_RESULT(PeakPower);
  ORV_RESULT(BMEP);
  ORV_RESULT(MaxFlowDemand);
  ORV_RESULT(MaxPistonSpeed);
  ORV_RESULT(MeanPistonSpeed);
  ORV_RESULT(TDCInertiaG);
  ORV_RESULT(TDCInertiaForce);
  ORV_RESULT(BDCInertiaG);
  ORV_RESULT(BDCInertiaForce);
  ORV_RESULT(CarbCFMLow);
  ORV_RESULT(CarbCFMHigh);
  ORV_RESULT(PowerToCritical);
  ORV_RESULT(IntakeSuctionAngle);
  ORV_RESULT(PortAreaTorque);
  ORV_RESULT(PortAreaPower);
  ORV_RESULT(PortDiaTorque);
  ORV_RESULT(PortDiaPower);
  ORV_RESULT(PortSideTorque);
  ORV_RESULT(PortSidePower);
  ORV_RESULT(BowlVelocity);
  ORV_RESULT(BowlAreaUsed);
  ORV_RESULT(ThroatDiameter);
  ORV_RESULT(BowlSide);
  ORV_RESULT(ChargeVolume);
  ORV_RESULT(ChargePerArea);
  ORV_RESULT(PrimaryLenTorque);
  ORV_RESULT(PrimaryLenPower);
  ORV_RESULT(ExhaustODUsed);
#undef ORV_RESULT
}

// Calls `f(name, table)` for every per-degree table.
template <class Tables, class F>
void ForEachTable(Tables& t, F&& f) {
  f("PistonPosition", t.PistonPosition);
  f("PistonVelocity", t.PistonVelocity);
  f("RodTangent", t.RodTangent);
  f("BalanceShare", t.BalanceShare);
  f("Leverage", t.Leverage);
  f("StrokeFraction", t.StrokeFraction);
  f("BalanceCurve", t.BalanceCurve);
  f("PistonSpeed", t.PistonSpeed);
  f("TorqueFactor", t.TorqueFactor);
  f("WorkSumPct", t.WorkSumPct);
  f("NetWorkSum", t.NetWorkSum);
  f("FlowDemand", t.FlowDemand);
}

}  // namespace orv
