// The valve tables built from the cam-lift tables, and the per-degree curves the graphs and
// reports read at a crank angle.
#include "engine/valve_tables.h"

#include <algorithm>
#include <cmath>

#include "base/checked_fp.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "cam/cam_lobe.h"
#include "cam/default_lobes.h"
#include "engine/engine.h"

namespace orv {

namespace {

constexpr const char* kValveTablesModule = "EngineModel";
constexpr int kCamTableSize = 360;

bool HasLobe(const BoundedArray<float>& table) noexcept {
  return table.lo() == 0 && table.count() == kCamTableSize;
}

// A whole number (held in a double) brought into 0..359.
int WrapCamEntry(double whole) {
  double r = std::fmod(whole, 360.0);
  if (r < 0) r += 360;
  return static_cast<int>(r);
}

// A fractional angle's whole part, as an index; raises "Overflow" beyond the index range.
int FloorIndex(double x) {
  const double b = std::floor(x);
  if (!(b >= -2147483648.0 && b <= 2147483647.0)) Raise(kErrOverflow);
  return static_cast<int>(b);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Table helpers

void BuildValveTables(const BoundedArray<float>& camLift, float rockerRatio, float lash,
                      int smoothing, BoundedArray<float>& valveLift,
                      BoundedArray<float>& valveVelocity) {
  if (!HasLobe(camLift)) {
    valveLift.Redim(0, 0);
    valveVelocity.Redim(0, 0);
    return;
  }
  valveLift.Redim(0, 359);
  valveVelocity.Redim(0, 359);
  for (int i = 0; i <= 359; ++i) {
    const float v = camLift[i] * rockerRatio - lash;
    valveLift[i] = v < 0 ? 0.0f : v;
  }
  // The velocity comes from a smoothed copy; the lift table itself stays unsmoothed.
  BoundedArray<float> s = valveLift;
  CamLobe::Smooth(s, smoothing);
  for (int j = 1; j <= 358; ++j) valveVelocity[j] = (s[j + 1] - s[j - 1]) / 2;
  valveVelocity[0] = (s[1] - s[359]) / 2;
  valveVelocity[359] = (s[0] - s[358]) / 2;
}

float ValveTableAt(const BoundedArray<float>& table, double centerline, float a) {
  if (!HasLobe(table)) return 0;
  // Cam angle to table entry: the centerline turns the lobe, the entries wrap over the turn.
  const float t = ToSingle(a - centerline / 2 - 179);
  if (!std::isfinite(t)) Raise(kErrOverflow);
  const float f = std::floor(t);
  const float w = t - f;
  const int i0 = WrapCamEntry(f);
  const int i1 = (i0 + 1) % 360;
  return table[i0] + (table[i1] - table[i0]) * w;
}

namespace {

// Straight line through the table points i - 1 and i (from (0, 0) when i is 1), read at lift.
float BetweenPoints(const BoundedArray<float>& x, const BoundedArray<float>& y, int i, float lift) {
  const float x1 = x[i];
  const float y1 = y[i];
  const float x0 = i > 1 ? x[i - 1] : 0.0f;
  const float y0 = i > 1 ? y[i - 1] : 0.0f;
  if (x1 == x0) return y1;
  return y1 + (lift - x1) * (y1 - y0) / (x1 - x0);
}

// First index 1..n whose lift is `lift` or more; 0 when there is none.
int FirstLiftAtLeast(const BoundedArray<float>& x, int n, float lift) {
  for (int i = 1; i <= n; ++i) {
    if (x[i] >= lift) return i;
  }
  return 0;
}

}  // namespace

float FlowTableAt(const BoundedArray<float>& x, const BoundedArray<float>& y, float lift) {
  const int n = x.hi();
  if (n < 1) return 0;
  const int i = FirstLiftAtLeast(x, n, lift);
  if (i == 0) return y[n];  // beyond the last lift: the last airflow, no extrapolation
  return BetweenPoints(x, y, i, lift);
}

float SwirlTableAt(const BoundedArray<float>& x, const BoundedArray<float>& y, float lift) {
  const int n = x.hi();
  const int m = y.hi();
  if (n < 1 || m < 1) return 0;
  const int i = FirstLiftAtLeast(x, n, lift);
  if (i == 0) return y[std::min(n, m)];
  if (i > m) return y[m];
  return BetweenPoints(x, y, i, lift);
}

double InterpolatedData(const BoundedArray<double>& table, double x) {
  const int lo = table.lo();
  const int hi = table.hi();
  const int b = FloorIndex(x);
  if (b >= lo && b < hi) return table[b] + (table[b + 1] - table[b]) * (x - b);
  // The last entry is the same angle as the first: past it the table goes on with its second
  // entry; before the first, the slope is taken across the closing point of the turn.
  if (b >= hi) return table[hi] + (table[lo + 1] - table[hi]) * (x - hi);
  return table[lo] + (table[lo + 1] - table[hi - 1]) * (x - lo);
}

// ---------------------------------------------------------------------------------------------
// Engine side

void Engine::InstallDefaultLobes() {
  ETracker guard(kValveTablesModule, "InstallDefaultLobes");
  in_.I_CL = 107.9;
  in_.I_RR = 1.85f;
  in_.I_Lash = 0;
  in_.intakeCam = CamFileRef{"", 1, 1};
  FillCamLiftTable(in_.Int, DefaultIntakeLobeList(), kDefaultIntakeFirstEntry);
  in_.E_CL = -107.9;
  in_.E_RR = 1.85f;
  in_.E_Lash = 0;
  in_.exhaustCam = CamFileRef{"", -1, 1};
  FillCamLiftTable(in_.Exh, DefaultExhaustLobeList(), kDefaultExhaustFirstEntry);
  RebuildValveTables();
}

void Engine::RebuildValveTables() {
  ETracker guard(kValveTablesModule, "RebuildValveTables");
  // The new tables replace the old ones only when both sides were built without a fault; after
  // a fault neither side has a lobe, so no stale or overflowed value is ever read.
  ValveTables built;
  try {
    FpRegion fp;
    BuildValveTables(in_.Int, in_.I_RR, in_.I_Lash, in_.IntSmth, built.IntakeLift,
                     built.IntakeVelocity);
    BuildValveTables(in_.Exh, in_.E_RR, in_.E_Lash, in_.ExhSmth, built.ExhaustLift,
                     built.ExhaustVelocity);
    CheckFp();
  } catch (...) {
    valve_ = ValveTables{};
    valve_.current = false;
    throw;
  }
  valve_ = std::move(built);
}

void Engine::ApplyCamSetting(int n, double value) {
  ETracker guard(kValveTablesModule, "ApplyCamSetting");
  CamLobe& lobe = n <= kInIntakeLash ? intakeLobe_ : exhaustLobe_;
  switch (n) {
    case kInIntakeCL:
    case kInExhaustCL:
      lobe.SetCenterline(ToSingle(value));
      break;
    case kInIntakeRR:
    case kInExhaustRR:
      lobe.SetRockerRatio(ToSingle(value));
      break;
    case kInIntakeLash:
    case kInExhaustLash:
      lobe.SetLash(ToSingle(value));
      break;
    default:
      return;
  }
  lobe.DataCalc();
  RebuildValveTables();
}

float Engine::IntakeValveLift(float a) const {
  return ValveTableAt(valve_.IntakeLift, in_.I_CL, a);
}
float Engine::IntakeValveVelocity(float a) const {
  return ValveTableAt(valve_.IntakeVelocity, in_.I_CL, a);
}
float Engine::ExhaustValveLift(float a) const {
  return ValveTableAt(valve_.ExhaustLift, in_.E_CL, a);
}
float Engine::ExhaustValveVelocity(float a) const {
  return ValveTableAt(valve_.ExhaustVelocity, in_.E_CL, a);
}
float Engine::IntakeFlowAt(float lift) const { return FlowTableAt(in_.ILift, in_.ICfm, lift); }
float Engine::ExhaustFlowAt(float lift) const { return FlowTableAt(in_.ELift, in_.ECfm, lift); }
float Engine::IntakeSwirlAt(float lift) const { return SwirlTableAt(in_.ILift, in_.ISwirl, lift); }

namespace {

// The valve and airflow curves 7..13 at cam angle a.
double ValveCurve(const Engine& e, int curve, float a) {
  switch (curve) {
    case 7:
      return e.ExhaustFlowAt(e.ExhaustValveLift(a));
    case 8:
      return e.IntakeFlowAt(e.IntakeValveLift(a));
    case 9:
      return e.ExhaustValveVelocity(a) * e.inputs().PkPwrRPM * 0.25;
    case 10:
      return e.IntakeValveVelocity(a) * e.inputs().PkPwrRPM * 0.25;
    case 11:
      return e.IntakeSwirlAt(e.IntakeValveLift(a));
    case 12:
      return e.ExhaustValveLift(a);
    case 13:
      return e.IntakeValveLift(a);
    default:
      return 0;
  }
}

// The torque factor is drawn over the power stroke, 360 degrees before the intake TDC; at and
// after TDC the curve is the constant 300.
constexpr double kTorqueFactorAfterTDC = 300;

}  // namespace

// The per-degree tables are read at n, or n + 360 for a negative angle (the flow demand too,
// although its table runs -360..360: the graph shows the turn after TDC on both sides).
double Engine::DataAtPt(int curve, int n) const {
  FpRegion fp;
  const int m = n < 0 ? n + 360 : n;
  double v = 0;
  switch (curve) {
    case 1:
      v = tab_.PistonPosition[m];
      break;
    case 2:
      v = tab_.PistonSpeed[m];
      break;
    case 3:
      v = tab_.BalanceCurve[m];
      break;
    case 4:
      v = tab_.Leverage[m] * 100;
      break;
    case 5:
      v = tab_.FlowDemand[m];
      break;
    case 6:
      v = n < 0 ? tab_.TorqueFactor[m] : kTorqueFactorAfterTDC;
      break;
    default:
      v = ValveCurve(*this, curve, ToSingle(n / 2.0));
      break;
  }
  return Chk(v);
}

double Engine::DataAt(int curve, float x) const {
  FpRegion fp;
  const double m = x < 0 ? static_cast<double>(x + 360.0f) : x;
  double v = 0;
  switch (curve) {
    case 1:
      v = InterpolatedData(tab_.PistonPosition, m);
      break;
    case 2:
      v = InterpolatedData(tab_.PistonSpeed, m);
      break;
    case 3:
      v = InterpolatedData(tab_.BalanceCurve, m);
      break;
    case 4:
      v = InterpolatedData(tab_.Leverage, m) * 100;
      break;
    case 5:
      v = InterpolatedData(tab_.FlowDemand, m);
      break;
    case 6:
      v = x < 0 ? InterpolatedData(tab_.TorqueFactor, m) : kTorqueFactorAfterTDC;
      break;
    default:
      v = ValveCurve(*this, curve, x / 2);
      break;
  }
  return Chk(v);
}

}  // namespace orv
