#include "engine/crank_kinematics.h"

#include <cmath>

#include "base/checked_fp.h"
#include "base/rounding.h"
#include "base/runtime_error.h"

namespace orv {

int WrapDegree(int n) noexcept {
  int m = (n - 1) % 360;
  if (m < 0) m += 360;
  return m + 1;
}

bool CrankKinematics(const EngineInputs& in, EngineResults& r, EngineTables& t) {
  const double crank = in.Stroke / 2;  // crank radius
  const double L = in.RodLen;
  const double e = in.PinOff;
  const double R = kRadPerDegree;
  const double u = crank * R;  // crank-pin arc per degree

  if (L <= 0 || in.Stroke <= 0 || L <= in.Stroke) return true;
  FpRegion fp;

  r.EffectiveStroke = 0;
  r.MaxPistonVelocity = 0;
  r.MinPistonVelocity = 9999999999.0;

  // Pin height above the crank centre at TDC; the offset pin turns TDC by OffsetAngle.
  double H;
  if (e == 0) {
    H = crank + L;
    r.OffsetAngle = 0;
  } else {
    const double q = Chk(e / (crank + L));
    if (q < -1 || q > 1) return true;
    if (q == 1) {
      r.OffsetAngle = kPi / 2;
    } else if (q == -1) {
      r.OffsetAngle = -kPi / 2;
    } else {
      r.OffsetAngle = std::asin(q);
    }
    H = Chk(std::sqrt(Chk((crank + L) * (crank + L) - e * e)));
  }

  // Sweep in tenths of a degree from -0.1 (which only primes the previous height) to 360.
  const double LL = L * L;
  double xPrev = 0;
  for (int i = -1; i <= 3600; ++i) {
    const float A = ToSingle(i / 10.0);
    const double theta = A * R + r.OffsetAngle;
    const double y = crank * std::sin(theta) - e;
    const double k2 = LL - y * y;
    if (k2 < 0) Raise(kErrInvalidCall);  // the rod cannot reach the pin
    const double K = std::sqrt(k2);
    const double x = crank * std::cos(theta) + K;
    if (A >= 0) {
      const bool wholeDegree = i % 10 == 0;
      const int d = i / 10;
      if (wholeDegree) {
        if (K == 0) Raise(kErrDivByZero);
        t.RodTangent[d] = y / K;
      }
      const double v = (xPrev - x) * 10;
      if (wholeDegree) t.PistonVelocity[d] = v;
      if (v > r.MaxPistonVelocity) {
        r.MaxPistonVelocity = v;
        r.MaxVelocityAngle = A;
      } else if (v < r.MinPistonVelocity) {
        r.MinPistonVelocity = v;
        r.MinVelocityAngle = A;
      }
      const double p = H - x;
      if (wholeDegree) t.PistonPosition[d] = p;
      if (p > r.EffectiveStroke) {
        r.EffectiveStroke = p;
        r.BDCAngle = theta;
      }
    }
    xPrev = x;
  }
  r.BDCAngle -= r.OffsetAngle;

  for (int k = 0; k <= 360; ++k) {
    const double d = t.PistonPosition[k] - t.PistonPosition[WrapDegree(k - 1)];
    const double a = (k < 90 || k > 270) ? k - 0.5 : k + 0.5;
    t.BalanceShare[k] = std::sin(a * R) * 100 * d / u;
    t.Leverage[k] = d / u;
  }
  for (int k = 0; k <= 360; ++k) t.StrokeFraction[k] = t.PistonPosition[k] / r.EffectiveStroke;
  CheckFp();

  // Recommended reciprocating balance factor: mean single-bank share over the down stroke,
  // averaged with the other bank's share when two banks share the crankpin.
  double sum = 0;
  for (int l = 1; l <= 180; ++l) sum += t.BalanceShare[l];
  const bool twoBanks = in.FiringAngle > 0;
  if (twoBanks) {
    for (int l = 1; l <= 180; ++l) {
      sum += t.BalanceShare[WrapDegree(ToInt32(l - in.FiringAngle / 2))];
    }
    sum /= 2;
  }
  r.BalanceFactor = Chk(sum / 180);

  if (twoBanks) {
    for (int l = 1; l <= 360; ++l) {
      t.BalanceCurve[l] =
          (t.BalanceShare[WrapDegree(ToInt32(l - in.FiringAngle))] + t.BalanceShare[l]) / 2;
    }
    t.BalanceCurve[0] = t.BalanceCurve[360];
  } else {
    for (int l = 1; l <= 360; ++l) t.BalanceCurve[l] = t.BalanceShare[l];
  }
  CheckFp();
  return false;
}

}  // namespace orv
