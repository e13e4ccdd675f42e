#include "engine/fill_work.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/checked_fp.h"
#include "base/rounding.h"
#include "engine/crank_kinematics.h"
#include "engine/sound_speed.h"

namespace orv {

EmpiricalConstants ComputeEmpiricalConstants() {
  EmpiricalConstants k;
  k.HotGasSound = SoundSpeed(1.2f, 1600);
  k.FillFactor = 1.035;
  k.DynamicCR = (9.75 - 1.03) * k.FillFactor + 1;
  k.RefDynamicCRPow = std::pow(k.DynamicCR, 1.4);
  k.TorquePerCID = 385.0 / 34985.0;
  return k;
}

double WaveDegrees(double distanceIn, double rpm, double soundSpeed) {
  // Checked by the callers once their loop is done (the loops store nothing on the way).
  return distanceIn * rpm / (2 * soundSpeed);
}

double FillModel(const EngineInputs& in, const EngineResults& r, const EngineTables& t, double rpm,
                 int lastDegree) {
  // Clearance volume as piston travel.
  const double hc = Chk(t.PistonPosition[lastDegree] / Chk(in.CR - 1));
  double hPrev = 0, aPrev = 0, W = 0, Z = 0;
  for (int i = 1; i <= lastDegree; ++i) {
    const double h = hc + t.PistonPosition[i];
    const double s = hPrev + h;
    W += s;
    const double a = i + WaveDegrees(t.PistonPosition[i] + 0.2, rpm, r.IntakeSoundLess5);
    Z += (a - aPrev) * s;
    hPrev = h;
    aPrev = a;
  }
  Chk(Z);
  return Chk(Z / W);
}

void WorkModel(const EngineInputs& in, EngineResults& r, EngineTables& t) {
  const int b = ToInt32(Chk(r.BDCAngle / kRadPerDegree));
  const double c = in.CR - 1;

  r.DynamicCR = Chk((in.CR - 1.03) * r.FillFactor + 1);
  const double P = Chk(std::pow(r.DynamicCR, 1.4));
  // Peak pressure ratio: compression temperature T2 and a 6500 F combustion rise.
  const double T2 = Chk(595 * std::pow(r.DynamicCR, 0.3999999999999999));
  const double F = Chk((6500.0 / 5) / T2 + 1);
  const double Pmax = Chk(P * F);

  // Before the spark (j degrees of advance / 4) the pressure follows the compression; the
  // curve from there to TDC is fitted through 1.03 and the pressure at the spark.
  const double h = in.Advance / 4;
  const int j = ToInt16(std::trunc(h));
  double B = 0, Q = 0, n = 0;
  if (j > 0) {
    const double x = Chk(c * (t.StrokeFraction[j] + (h - std::floor(h)) * (t.StrokeFraction[j + 1] -
                                                                           t.StrokeFraction[j])) +
                         1.03);
    const double X = Chk(std::pow(x, 1.4));
    const double G = std::pow(1.03, 1.4);
    B = Chk((X - Chk(std::pow(x, 0.2)) * F) * G * P / (G - X));
    Q = Chk(B / G + P);
    n = 1.4;
  }

  double C = 0;  // compression work sum
  for (int i = 0; i <= b; ++i) {
    const double s = c * t.StrokeFraction[i];
    C = Chk(C + P / std::pow(s + 1, 1.4) * t.Leverage[i]);
    if (i > j) {
      t.TorqueFactor[i] = Chk(Pmax / std::pow(s + 1.03, 1.2) * t.Leverage[i]);
    } else {
      t.TorqueFactor[i] = Chk((Q - B / std::pow(s + 1.03, n)) * t.Leverage[i]);
    }
  }
  double U = 0;
  for (int i = 0; i <= b; ++i) {
    U += t.TorqueFactor[i];
    t.WorkSumPct[i] = U;
    t.NetWorkSum[i] = Chk(U - C);
  }
  for (int i = 0; i <= b; ++i) t.WorkSumPct[i] = Chk(t.WorkSumPct[i] * 100 / t.WorkSumPct[b]);
}

void MapFlowDemand(const EngineInputs& in, const EngineResults& r, const EmpiricalConstants& k,
                   EngineTables& t) {
  // Moved points (angle, demand) for k = -180..180, stored at k + 180; k = 0 stays (0, 0).
  std::array<double, 361> angle{};
  std::array<double, 361> demand{};
  for (int i = 1; i <= 180; ++i) {
    const double d = t.PistonPosition[i] + 0.2;
    angle[180 - i] = -i + WaveDegrees(d, in.PkPwrRPM, k.HotGasSound);
    demand[180 - i] = t.FlowDemand[i];
    angle[180 + i] = i + WaveDegrees(d, in.PkTorqRPM, r.IntakeSoundLess5);
    demand[180 + i] = t.FlowDemand[i];
  }
  CheckFp();
  t.FlowDemand.Redim(-360, 360);
  for (int p = 0; p < 360; ++p) {
    const double a0 = angle[p], a1 = angle[p + 1];
    const double f0 = std::floor(a0), f1 = std::floor(a1);
    if (f0 == f1) continue;
    const double slope = Chk((demand[p + 1] - demand[p]) / (a1 - a0));
    const int first = static_cast<int>(std::clamp(f0 + 1, -361.0, 361.0));
    const int last = static_cast<int>(std::clamp(f1, -361.0, 360.0));
    for (int g = std::max(first, -360); g <= last; ++g) {
      t.FlowDemand[g] = std::max(0.0, Chk((g - a0) * slope + demand[p]));
    }
  }
}

}  // namespace orv
