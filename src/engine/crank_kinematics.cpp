#include "engine/crank_kinematics.h"

#include <array>
#include <cmath>

#include "base/checked_fp.h"
#include "base/rounding.h"
#include "base/runtime_error.h"

namespace orv {

namespace {

// The sweep's angles in tenths of a degree from -0.1 to 360: each held as a 32-bit float, and
// in radians. They never change, so they are worked out once.
struct SweepAngles {
  static constexpr int kPoints = 3602;
  std::array<float, kPoints> degrees{};
  std::array<double, kPoints> radians{};
  SweepAngles() {
    for (int i = -1; i <= 3600; ++i) {
      degrees[static_cast<std::size_t>(i + 1)] = ToSingle(i / 10.0);
      radians[static_cast<std::size_t>(i + 1)] =
          degrees[static_cast<std::size_t>(i + 1)] * kRadPerDegree;
    }
  }
};

const SweepAngles& Sweep() {
  static const SweepAngles angles;
  return angles;
}

}  // namespace

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
  // The extremes are kept in locals (the tables could alias the results for the compiler).
  const double LL = L * L;
  const double offsetAngle = r.OffsetAngle;
  double maxVelocity = 0, minVelocity = 9999999999.0, effectiveStroke = 0;
  float maxAngle = r.MaxVelocityAngle, minAngle = r.MinVelocityAngle;
  double bdcTheta = r.BDCAngle;
  double* const position = t.PistonPosition.values().data();
  double* const velocity = t.PistonVelocity.values().data();
  double* const rodTangent = t.RodTangent.values().data();
  double xPrev = 0;
  // The sines and cosines first, in a loop of nothing else (the library call would make the
  // compiler spill the tracking state on every point), then the piston heights.
  const SweepAngles& sweep = Sweep();
  thread_local std::array<double, SweepAngles::kPoints> sines, cosines;
  for (int p = 0; p < SweepAngles::kPoints; ++p) {
    const double theta = sweep.radians[static_cast<std::size_t>(p)] + offsetAngle;
    sines[static_cast<std::size_t>(p)] = std::sin(theta);
    cosines[static_cast<std::size_t>(p)] = std::cos(theta);
  }
  for (int i = -1; i <= 3600; ++i) {
    const auto p = static_cast<std::size_t>(i + 1);
    const float A = sweep.degrees[p];
    const double y = crank * sines[p] - e;
    const double k2 = LL - y * y;
    if (k2 < 0) Raise(kErrInvalidCall);  // the rod cannot reach the pin
    const double K = std::sqrt(k2);
    const double x = crank * cosines[p] + K;
    if (i >= 0) {
      const double v = (xPrev - x) * 10;
      if (v > maxVelocity) {
        maxVelocity = v;
        maxAngle = A;
      } else if (v < minVelocity) {
        minVelocity = v;
        minAngle = A;
      }
      const double height = H - x;
      if (height > effectiveStroke) {
        effectiveStroke = height;
        bdcTheta = sweep.radians[static_cast<std::size_t>(i + 1)] + offsetAngle;
      }
      if (i % 10 == 0) {
        if (K == 0) Raise(kErrDivByZero);
        const int d = i / 10;  // whole degree 0..360, inside the tables
        rodTangent[d] = y / K;
        velocity[d] = v;
        position[d] = height;
      }
    }
    xPrev = x;
  }
  r.MaxPistonVelocity = maxVelocity;
  r.MaxVelocityAngle = maxAngle;
  r.MinPistonVelocity = minVelocity;
  r.MinVelocityAngle = minAngle;
  r.EffectiveStroke = effectiveStroke;
  r.BDCAngle = bdcTheta;
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
