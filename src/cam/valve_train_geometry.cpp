#include "cam/valve_train_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "cam/cam_lobe.h"

namespace orv {

namespace {

constexpr double kHalfPi = 1.570796327;
constexpr int kSlopeSmoothingPasses = 50;
constexpr int kFitPoints = 7;
constexpr int kFitDegree = 5;

int Sign(double x) noexcept { return x > 0 ? 1 : x < 0 ? -1 : 0; }

std::size_t Slot(int index) noexcept { return static_cast<std::size_t>(index + 180); }

}  // namespace

double GeometryArcSin(double x) noexcept {
  if (std::fabs(x) < 1) return std::atan(x / std::sqrt(1 - x * x));
  return Sign(x) * kHalfPi;
}

double GeometryArcCos(double x) noexcept { return kHalfPi - GeometryArcSin(x); }

BoundedArray<float> LiftSlopeTable(const BoundedArray<float>& rawLift, int tableShift) {
  BoundedArray<float> smoothed = rawLift;
  CamLobe::Smooth(smoothed, kSlopeSmoothingPasses);
  // Turned one degree further than the cam-lift table: entry i holds the smoothed lift one cam
  // degree after cam-lift entry i.
  BoundedArray<float> a(-180, 180);
  for (int i = -180; i <= 180; ++i) a[i] = smoothed[CamLobe::IBnd(i + tableShift + 1)];
  BoundedArray<float> slope(-180, 180);
  for (int j = -180; j <= 179; ++j) {
    const float before = j == -180 ? a[179] : a[j - 1];
    slope[j] = static_cast<float>((a[j + 1] - before) * 0.5 / kRadPerDegree);
  }
  slope[180] = slope[-180];
  return slope;
}

std::optional<LiftPoints> FollowerPoints(const ValveTrainGeometry& g,
                                         const BoundedArray<float>& camLift,
                                         const BoundedArray<float>& slope) {
  const double r1 = g.FollowerRadius;
  const double rb = g.BaseCircleRadius;
  const double r3 = g.EngineFollowerRadius;
  LiftPoints points(361);

  if (r1 >= 0) {
    // Measured with a roller of radius r1: the roller centre stands d from the cam centre; the
    // contact point lies at angle phi off the line of centres, where the lobe surface has the
    // measured slope. The engine's roller (r3) touches the same surface point; its centre is
    // D from the cam centre, eps off the line through the contact.
    if (!(rb > 0 && r3 >= 0)) return std::nullopt;
    for (int i = -180; i <= 180; ++i) {
      const double d = r1 + rb + camLift[i];
      if (d <= 0) return std::nullopt;
      const double phi = std::atan(slope[i] / d);
      const double rho2 = d * d + r1 * r1 - 2 * d * r1 * std::cos(phi);
      if (rho2 <= 0) return std::nullopt;
      const double rho = std::sqrt(rho2);  // cam centre to contact point
      const double s = std::sin(phi) * r1 / rho;
      if (std::fabs(s) > 1) return std::nullopt;
      const double delta = GeometryArcSin(s);
      const double psi = kPi - (delta + phi);
      const double bigD2 = rho * rho + r3 * r3 - 2 * rho * r3 * std::cos(psi);
      if (bigD2 <= 0) return std::nullopt;
      const double bigD = std::sqrt(bigD2);
      const double t = std::sin(psi) * r3 / bigD;
      if (std::fabs(t) > 1) return std::nullopt;
      const double eps = GeometryArcSin(t);
      points[Slot(i)] = {CamLobe::IBndS(static_cast<float>((delta - eps) * kDegreesPerRadian + i)),
                         static_cast<float>(bigD - (rb + r3))};
    }
    return points;
  }

  // Measured with a flat-faced follower: the contact point lies `slope` along the face from the
  // line of centres, at distance L + rb below it.
  for (int i = -180; i <= 180; ++i) {
    const double s = slope[i];
    const double d = camLift[i] + rb;
    const double phi = std::atan(s / d);
    const double rho = std::sqrt(s * s + d * d);
    const double psi = kPi - phi;
    const double bigD2 = rho * rho + r3 * r3 - 2 * r3 * rho * std::cos(psi);
    if (bigD2 <= 0) return std::nullopt;
    const double bigD = std::sqrt(bigD2);
    const double t = std::sin(psi) * r3 / bigD;
    if (std::fabs(t) > 1) return std::nullopt;
    const double eps = GeometryArcSin(t);
    points[Slot(i)] = {CamLobe::IBndS(static_cast<float>(i - (phi - eps) * kDegreesPerRadian)),
                       static_cast<float>(bigD - rb - r3)};
  }
  return points;
}

bool RockerLengthsPresent(const ValveTrainGeometry& g) noexcept {
  return g.BaseCircleRadius > 0 && g.RockerCamArm > 0 && g.RockerRollerRadius > 0 &&
         g.PivotDistance > 0 && g.RockerValveArm > 0 && g.ValveTriangleC > 0;
}

std::optional<RockerBase> RockerBasePosition(const ValveTrainGeometry& g, bool intakeLobe) {
  const double r1 = g.FollowerRadius;
  const double rb = g.BaseCircleRadius;
  const double rr = g.RockerRollerRadius;
  const double p = g.PivotDistance;
  const double c = g.RockerCamArm;
  const double va = g.ValveTriangleA;
  const double v = g.RockerValveArm;
  const double vc = g.ValveTriangleC;
  if (!(c > 0 && p > 0 && rr + rb > 0)) return std::nullopt;

  RockerBase base;
  base.baseRadius = r1 >= 0 ? rb + r1 : rb;
  // Triangle cam centre - pivot - roller centre with the roller on the base circle.
  const double cosP0 = (c * c + p * p - (rr + rb) * (rr + rb)) / (2 * c * p);
  if (!(std::fabs(cosP0) <= 1)) return std::nullopt;
  base.thetaP0 = GeometryArcCos(cosP0);
  base.thetaR0 = GeometryArcSin(std::sin(base.thetaP0) * p / (rr + rb));
  if (!(base.thetaR0 > 0)) return std::nullopt;
  // Valve-side triangle at the pivot.
  const double valveDenominator = 2 * v * va;
  if (valveDenominator == 0) return std::nullopt;
  const double cosV0 = (va * va + v * v - vc * vc) / valveDenominator;
  if (!(std::fabs(cosV0) <= 1)) return std::nullopt;
  base.thetaV0 = GeometryArcCos(cosV0);

  // The flag is stored as -1 (true) or 0; the lobe's intake state is compared the same way.
  const std::int16_t intakeState = intakeLobe ? -1 : 0;
  const double half = static_cast<double>(g.GeometryAngle) / 2;
  const double h = g.AngleFlag == intakeState ? half : -half;
  base.angleShift = g.RockerDirection != 0 ? h + base.thetaR0 * kDegreesPerRadian
                                           : h - base.thetaR0 * kDegreesPerRadian;
  return base;
}

LiftPoints RockerPoints(const ValveTrainGeometry& g, const RockerBase& base,
                        const BoundedArray<float>& lift, const BoundedArray<float>& slope) {
  const double r1 = g.FollowerRadius;
  const double rr = g.RockerRollerRadius;
  const double p = g.PivotDistance;
  const double c = g.RockerCamArm;
  const double v = g.RockerValveArm;
  const bool direction = g.RockerDirection != 0;
  LiftPoints points(361);

  for (int i = -180; i <= 180; ++i) {
    LiftPoint& point = points[Slot(i)];
    // A point whose geometry does not close keeps lift 0 at its own angle.
    point = {static_cast<float>(i + base.angleShift), 0.0f};
    const double s = slope[i];
    const double d = base.baseRadius + lift[i];
    if (d <= 0) continue;
    const double phi = std::atan(s / d);

    // Contact point: its distance rho from the cam centre and its angle F off the line of
    // centres of the measured follower.
    double rho, bigF;
    if (r1 >= 0) {
      const double rho2 = d * d + r1 * r1 - 2 * d * r1 * std::cos(phi);
      if (rho2 <= 0) continue;
      rho = std::sqrt(rho2);
      if (rho == 0) continue;
      const double sn = std::sin(phi) * r1 / rho;
      if (std::fabs(sn) > 1) continue;
      bigF = phi + GeometryArcSin(sn);
    } else {
      rho = std::sqrt(d * d + s * s);
      bigF = phi;
    }

    // The rocker's roller on that surface point: its centre is dCR from the cam centre.
    const double psi = kPi - std::fabs(bigF);
    const double dCR2 = rho * rho + rr * rr - 2 * rr * rho * std::cos(psi);
    if (dCR2 <= 0) continue;
    const double dCR = std::sqrt(dCR2);
    const double s2 = std::sin(psi) * rr / dCR;
    if (std::fabs(s2) > 1) continue;
    double angle = bigF - Sign(bigF) * GeometryArcSin(s2);

    // The roller centre swings on the rocker arm c about the pivot p away from the cam centre.
    const double k = 2 * dCR * c;
    if (k == 0) continue;
    const double q = (c * c - p * p + dCR * dCR) / k;
    if (std::fabs(q) > 1) continue;
    angle = direction ? angle + GeometryArcCos(q) - base.thetaR0
                      : angle - GeometryArcCos(q) + base.thetaR0;
    const double cosP = (c * c + p * p - dCR * dCR) / (2 * c * p);
    if (std::fabs(cosP) > 1) continue;
    const double rotation = GeometryArcCos(cosP) - base.thetaP0;

    // The valve arm v turns by the same rotation: the chord its end travels, projected on the
    // valve's line of motion.
    const double m = (kPi - rotation) / 2;
    if (std::sin(m) == 0) continue;
    const double chord = v * std::sin(rotation) / std::sin(m);
    const double valveLift = std::cos(base.thetaV0 - m) * chord;
    if (valveLift < 0) continue;
    point = {static_cast<float>(angle * kDegreesPerRadian + i + base.angleShift),
             static_cast<float>(valveLift)};
  }
  return points;
}

void ResampleLiftPoints(LiftPoints points, BoundedArray<float>& target, bool valveTarget,
                        float lash) {
  // Bubble sort by angle, each pass ending at the last swap of the one before. The points come
  // nearly in order, and equal angles keep their order.
  std::size_t last = points.size() - 1;
  while (last > 0) {
    std::size_t lastSwap = 0;
    for (std::size_t k = 0; k < last; ++k) {
      if (points[k].angle > points[k + 1].angle) {
        std::swap(points[k], points[k + 1]);
        lastSwap = k;
      }
    }
    last = lastSwap;
  }
  for (LiftPoint& point : points) point.angle = CamLobe::IBndS(point.angle);

  auto at = [&points](int index) -> const LiftPoint& { return points[Slot(index)]; };
  int s = -180;
  for (int index = -179; index <= 180; ++index) {
    if (at(index).angle < at(s).angle) s = index;
  }
  LiftPoint previous = at(CamLobe::IBnd(s - 1));
  LiftPoint next = at(s);

  std::array<double, kFitPoints> x{}, y{};
  std::vector<double> coefficient;
  for (int j = -180; j <= 180; ++j) {
    // Walk on until the next point lies beyond j. The walk runs over -179..179 (after 179 comes
    // -179).
    for (int step = 0; step < 360 && next.angle <= static_cast<float>(j); ++step) {
      s = s + 1 > 179 ? -179 : s + 1;
      previous = next;
      next = at(s);
    }

    double value;
    if (previous.lift == next.lift) {
      value = next.lift;
    } else if (previous.angle == next.angle) {
      value = (previous.lift + next.lift) / 2;
    } else {
      float highest = -1e30f, lowest = 1e30f;
      for (int k = 0; k < kFitPoints; ++k) {
        const LiftPoint& point = at(CamLobe::IBnd(s - 3 + k));
        x[static_cast<std::size_t>(k)] = point.angle;
        y[static_cast<std::size_t>(k)] = point.lift;
        highest = std::max(highest, point.angle);
        lowest = std::min(lowest, point.angle);
      }
      double where = j;
      // Seven points across the seam of the turn are fitted on one side of it.
      if (highest > 90 && lowest < -90) {
        for (double& angle : x) {
          if (angle < 0) angle += 360;
        }
        if (j < 0) where += 360;
      }
      int terms = kFitDegree;
      double deviation = 0;
      CamLobe::LsqFit(kFitPoints, x, y, terms, deviation, coefficient);
      value = 0;
      double power = 1;
      for (int k = 0; k < terms; ++k) {
        value += coefficient[static_cast<std::size_t>(k)] * power;
        power *= where;
      }
    }

    if (valveTarget) {
      value -= lash;
      if (value < 0) value = 0;
    }
    target[j] = static_cast<float>(value);
  }
}

}  // namespace orv
