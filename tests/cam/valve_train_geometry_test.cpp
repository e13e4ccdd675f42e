#include "cam/valve_train_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "base/runtime_error.h"
#include "cam/cam_lobe.h"
#include "support/runtime_errors.h"

namespace orv {
namespace {

constexpr double kRad = std::numbers::pi / 180;

BoundedArray<float> Table(auto&& f) {
  BoundedArray<float> t(-180, 180);
  for (int i = -180; i <= 180; ++i) t[i] = static_cast<float>(f(i));
  return t;
}

float MaxAbs(const BoundedArray<float>& t) {
  float m = 0;
  for (float v : t.values()) m = std::max(m, std::fabs(v));
  return m;
}

// A rocker whose triangles are easy to work by hand: base circle 1, rocker roller 0.5 (roller
// centre 1.5 from the cam centre at the base circle), rocker arm 2, pivot 2.2 from the cam
// centre; valve side 0.75, arm 1, third side 1.25 (a right angle at the pivot).
ValveTrainGeometry SimpleRocker() {
  ValveTrainGeometry g;
  g.FollowerRadius = 0;
  g.BaseCircleRadius = 1;
  g.RockerRollerRadius = 0.5f;
  g.RockerCamArm = 2;
  g.PivotDistance = 2.2f;
  g.ValveTriangleA = 0.75f;
  g.RockerValveArm = 1;
  g.ValveTriangleC = 1.25f;
  return g;
}

// The pivot angle between the cam centre and the roller centre when the roller centre is `dCR`
// from the cam centre, by the law of cosines (arm 2, pivot distance 2.2 as a float).
double PivotAngle(double dCR) {
  const double c = 2, p = 2.2f;
  return std::acos((c * c + p * p - dCR * dCR) / (2 * c * p));
}

using test::ErrorOf;

TEST(ValveTrainGeometry, ArcFunctionsFollowTheArctangentForm) {
  EXPECT_NEAR(GeometryArcSin(0.5), std::asin(0.5), 1e-12);
  EXPECT_NEAR(GeometryArcCos(-0.3), std::acos(-0.3), 1e-9);  // 1.570796327 is not pi/2 exactly
  EXPECT_EQ(GeometryArcSin(1), 1.570796327);
  EXPECT_EQ(GeometryArcSin(-2), -1.570796327);
  EXPECT_EQ(GeometryArcCos(1), 0);
}

TEST(ValveTrainGeometry, SlopeIsTheSmoothedLiftDerivativeOneDegreeLate) {
  // A first harmonic keeps its shape under smoothing: each pass scales it by cos(1 degree).
  // The central difference of cos over +-1 degree is -2 sin(1 deg) sin(x); the table is turned
  // one degree past the cam-lift table.
  const double e = 0.25;
  const BoundedArray<float> raw = Table([&](int i) { return e * (1 + std::cos(i * kRad)); });
  const double scale = std::pow(std::cos(kRad), 50) * std::sin(kRad) / kRad;
  for (int shift : {0, 37}) {
    const BoundedArray<float> slope = LiftSlopeTable(raw, shift);
    for (int j : {-180, -90, -1, 0, 45, 179, 180}) {
      const int at = j == 180 ? -180 : j;
      EXPECT_NEAR(slope[j], -e * scale * std::sin((at + shift + 1) * kRad), 2e-5)
          << j << " " << shift;
    }
  }
}

TEST(ValveTrainGeometry, AllZeroLobeStaysZeroThroughEveryConversion) {
  struct Row {
    const char* name;
    int mode;
    float followerRadius;
    float engineFollowerRadius;
  };
  const Row rows[] = {{"roller to roller", 1, 0.375f, 0.5f},
                      {"flat to roller", 1, -1, 0.5f},
                      {"rocker", 2, 0, 0},
                      {"follower and rocker", 4, 0.375f, 0.5f}};
  for (const Row& row : rows) {
    CamLobe lobe;
    lobe.Geometry() = SimpleRocker();
    lobe.Geometry().FollowerRadius = row.followerRadius;
    lobe.Geometry().EngineFollowerRadius = row.engineFollowerRadius;
    lobe.SetFollowerMode(row.mode);
    lobe.SetRockerRatio(1.5f);
    lobe.SetCamCenterLine(100);
    lobe.DataCalc();
    EXPECT_EQ(MaxAbs(lobe.CamLift()), 0) << row.name;
    EXPECT_EQ(MaxAbs(lobe.ValveLift()), 0) << row.name;
  }
}

TEST(ValveTrainGeometry, ZeroLobeRockerPointsKeepTheirAnglesShifted) {
  const ValveTrainGeometry g = SimpleRocker();
  const std::optional<RockerBase> base = RockerBasePosition(g, true);
  ASSERT_TRUE(base);
  const BoundedArray<float> zero(-180, 180);
  const LiftPoints points = RockerPoints(g, *base, zero, zero);
  for (int i : {-180, -3, 0, 120, 180}) {
    const LiftPoint& point = points[static_cast<std::size_t>(i + 180)];
    EXPECT_NEAR(point.angle, i + base->angleShift, 1e-4) << i;
    EXPECT_EQ(point.lift, 0) << i;
  }
}

TEST(ValveTrainGeometry, RockerAngleShiftFollowsFlagAndDirection) {
  // Roller-side angle at the base circle by the law of sines: sin(thetaR0) = sin(thetaP0) p /
  // (rr + rb).
  const double thetaR0 = std::asin(std::sin(PivotAngle(1.5)) * double{2.2f} / 1.5) / kRad;
  struct Row {
    std::int16_t angleFlag;
    bool intake;
    std::int16_t direction;
    double shift;
  };
  const Row rows[] = {{-1, true, 0, 5 - thetaR0},
                      {-1, false, 0, -5 - thetaR0},
                      {0, false, -1, 5 + thetaR0},
                      {0, true, -1, -5 + thetaR0}};
  for (const Row& row : rows) {
    ValveTrainGeometry g = SimpleRocker();
    g.GeometryAngle = 10;
    g.AngleFlag = row.angleFlag;
    g.RockerDirection = row.direction;
    const std::optional<RockerBase> base = RockerBasePosition(g, row.intake);
    ASSERT_TRUE(base);
    EXPECT_NEAR(base->angleShift, row.shift, 1e-6) << row.angleFlag << row.intake;
    EXPECT_NEAR(base->thetaV0, std::numbers::pi / 2, 1e-8);
  }
}

TEST(ValveTrainGeometry, RockerBasePositionFailsWhenTrianglesDoNotClose) {
  struct Row {
    const char* name;
    float pivot;
    float valveA;
    float valveC;
  };
  const Row rows[] = {{"pivot too far", 10, 0.75f, 1.25f},
                      {"no first valve side", 3, 0, 1.25f},
                      {"valve side too long", 3, 0.75f, 3}};
  for (const Row& row : rows) {
    ValveTrainGeometry g = SimpleRocker();
    g.PivotDistance = row.pivot;
    g.ValveTriangleA = row.valveA;
    g.ValveTriangleC = row.valveC;
    EXPECT_FALSE(RockerBasePosition(g, true)) << row.name;
  }
}

TEST(ValveTrainGeometry, RockerLiftOfAConstantLobeByHand) {
  // Constant cam lift 0.5: no slope, so the roller centre sits on the line of centres at
  // 1 + 0.5 + 0.5 = 2 from the cam centre. With a right angle at the pivot on the valve side
  // the valve lift is arm x sin(rotation) = sin(rotation).
  const double lift = std::sin(PivotAngle(2.0) - PivotAngle(1.5));
  struct Row {
    float lash;
    double valveLift;
  };
  const Row rows[] = {{0, lift}, {0.02f, lift - 0.02f}, {0.5f, 0}};
  for (const Row& row : rows) {
    CamLobe lobe;
    lobe.SetRawLift(Table([](int) { return 0.5; }));
    lobe.Geometry() = SimpleRocker();
    lobe.SetFollowerMode(2);
    lobe.SetLash(row.lash);
    lobe.SetCamCenterLine(107);
    lobe.DataCalc();
    for (int j : {-180, -1, 0, 53, 180}) {
      EXPECT_NEAR(lobe.ValveLift()[j], row.valveLift, 1e-6) << row.lash << " at " << j;
      EXPECT_EQ(lobe.CamLift()[j], 0.5f);
    }
  }
}

TEST(ValveTrainGeometry, RockerConversionMissingLengthZeroesOneTable) {
  struct Row {
    int mode;
    bool camZero;
    bool valveZero;
  };
  // Modes 2 and 3 zero the valve lift; 4 and 5 the cam lift, the valve lift staying as it was
  // (zero on a fresh lobe).
  const Row rows[] = {{2, false, true}, {3, false, true}, {4, true, true}, {5, true, true}};
  for (const Row& row : rows) {
    CamLobe lobe;
    lobe.SetRawLift(Table([](int i) { return i > -60 && i < 60 ? 0.3 : 0.0; }));
    lobe.Geometry() = SimpleRocker();
    lobe.Geometry().RockerValveArm = 0;
    lobe.SetFollowerMode(row.mode);
    lobe.SetRockerRatio(1.5f);
    lobe.DataCalc();
    EXPECT_EQ(MaxAbs(lobe.CamLift()) == 0, row.camZero) << row.mode;
    EXPECT_EQ(MaxAbs(lobe.ValveLift()) == 0, row.valveZero) << row.mode;
  }
}

TEST(ValveTrainGeometry, FollowerConversionCases) {
  // Raw lift 0.3 at the lobe centre, centerline 20: the centre lands on cam-lift entry 10.
  struct Row {
    const char* name;
    float followerRadius;
    float baseCircle;
    float engineRadius;
    float camLift10;
    float valveLift10;
  };
  const Row rows[] = {
      // Equal radii: the turned measured lift, the lift offset not taken off, then ratio and
      // lash (0.3 x 1.5 - 0.1).
      {"equal radii", 0.375f, 0.5f, 0.375f, 0.3f, 0.35f},
      {"both flat", -1, 0.5f, -2, 0.3f, 0.35f},
      // A roller-measured lobe cannot go to a flat engine follower, nor without a base circle.
      {"negative engine radius", 0.375f, 0.5f, -1, 0, 0},
      {"no base circle", 0.375f, 0, 0.5f, 0, 0},
  };
  for (const Row& row : rows) {
    CamLobe lobe;
    BoundedArray<float> raw(-180, 180);
    raw[0] = 0.3f;
    lobe.SetRawLift(raw);
    lobe.Geometry().FollowerRadius = row.followerRadius;
    lobe.Geometry().BaseCircleRadius = row.baseCircle;
    lobe.Geometry().EngineFollowerRadius = row.engineRadius;
    lobe.SetFollowerMode(1);
    lobe.SetLiftOffset(0.05f);
    lobe.SetRockerRatio(1.5f);
    lobe.SetLash(0.1f);
    lobe.SetCamCenterLine(20);
    lobe.DataCalc();
    EXPECT_FLOAT_EQ(lobe.CamLift()[10], row.camLift10) << row.name;
    EXPECT_NEAR(lobe.ValveLift()[10], row.valveLift10, 1e-6) << row.name;
    if (row.camLift10 == 0) {
      EXPECT_EQ(MaxAbs(lobe.CamLift()), 0) << row.name;
    }
  }
}

// An eccentric circle of radius R, offset e (base circle R - e), peak at cam angle 0: a roller
// follower of radius r stands e cos(t) + sqrt((R + r)^2 - e^2 sin^2(t)) from the cam centre,
// a flat follower's face e cos(t) + R.
constexpr double kE = 0.25, kBig = 0.75, kBase = kBig - kE;
double EccentricRollerLift(double r, double t) {
  const double s = kE * std::sin(t * kRad);
  return kE * std::cos(t * kRad) + std::sqrt((kBig + r) * (kBig + r) - s * s) - (kBase + r);
}

TEST(ValveTrainGeometry, RollerToRollerConversionOfAnEccentricCam) {
  // The lift measured with one roller, converted, is the lift of the other roller. The slope
  // comes from 50 smoothing passes, so the match is close, not exact. The seam of the turn is
  // left out: this cam has no base circle to rest on there, and the degrees next to the seam
  // are fitted from points bunched on one side of it.
  struct Row {
    float measuredRadius;
    float engineRadius;
  };
  for (const Row row : {Row{0.375f, 1.5f}, Row{0.75f, 0.25f}, Row{0, 0.5f}}) {
    CamLobe lobe;
    lobe.SetRawLift(Table([&](int t) { return EccentricRollerLift(row.measuredRadius, t); }));
    lobe.Geometry().FollowerRadius = row.measuredRadius;
    lobe.Geometry().BaseCircleRadius = static_cast<float>(kBase);
    lobe.Geometry().EngineFollowerRadius = row.engineRadius;
    lobe.SetFollowerMode(1);
    lobe.SetRockerRatio(1);
    lobe.DataCalc();
    double worst = 0, change = 0;
    for (int t = -170; t <= 170; ++t) {
      const double expected = EccentricRollerLift(row.engineRadius, t);
      worst = std::max(worst, std::fabs(lobe.CamLift()[t] - expected));
      change = std::max(change, std::fabs(lobe.RawLift()[t] - expected));
    }
    EXPECT_LT(worst, 1e-4) << row.measuredRadius << " to " << row.engineRadius;
    EXPECT_GT(change, 1e-2) << row.measuredRadius << " to " << row.engineRadius;
  }
}

TEST(ValveTrainGeometry, FlatToRollerPointsOfAnEccentricCam) {
  // Each point's lift is the engine roller's lift where the roller touches the surface point
  // the flat face touched at degree i: the roller centre then stands at i + theta, theta =
  // atan(slope / (L + rb + r3)). The flat-measured conversion places the point at i - theta.
  const double r3 = 0.5;
  const BoundedArray<float> raw = Table([](int t) { return kE * (1 + std::cos(t * kRad)); });
  ValveTrainGeometry g;
  g.FollowerRadius = -1;
  g.BaseCircleRadius = static_cast<float>(kBase);
  g.EngineFollowerRadius = static_cast<float>(r3);
  const BoundedArray<float> slope = LiftSlopeTable(raw, 0);
  const std::optional<LiftPoints> points = FollowerPoints(g, raw, slope);
  ASSERT_TRUE(points);
  for (int i : {-150, -90, -30, 0, 45, 90, 135}) {
    const LiftPoint& point = (*points)[static_cast<std::size_t>(i + 180)];
    const double theta = std::atan(slope[i] / (raw[i] + kBase + r3)) / kRad;
    EXPECT_NEAR(point.angle, i - theta, 1e-4) << i;
    EXPECT_NEAR(point.lift, EccentricRollerLift(r3, i + theta), 2e-3) << i;
  }
}

TEST(ValveTrainGeometry, ImpossibleRockerBaseRaisesAndLeavesTheLobe) {
  CamLobe lobe;
  lobe.SetRawLift(Table([](int i) { return i > -50 && i < 50 ? 0.2 : 0.0; }));
  lobe.SetRockerRatio(1.5f);
  lobe.SetCamCenterLine(40);
  lobe.DataCalc();
  const CamLobe before = lobe;

  lobe.Geometry() = SimpleRocker();
  lobe.Geometry().PivotDistance = 10;
  lobe.SetFollowerMode(2);
  lobe.SetCamCenterLine(-100);
  try {
    lobe.DataCalc();
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrInvalidCall);
    EXPECT_NE(e.description().find("rocker base position"), std::string::npos);
  }
  EXPECT_EQ(lobe.CamLift(), before.CamLift());
  EXPECT_EQ(lobe.ValveLift(), before.ValveLift());
  EXPECT_EQ(lobe.ValveVelocity(), before.ValveVelocity());
  EXPECT_EQ(lobe.TableShift(), before.TableShift());
}

TEST(ValveTrainGeometry, ResamplerBringsShiftedPointsBackToWholeDegrees) {
  // Points half a degree late, handed over in reverse order, of a smooth periodic lift: the
  // degree-5 fit through seven neighbours gives the lift at each whole degree, across the
  // seam of the turn too.
  auto f = [](double a) { return 0.2 + 0.1 * std::cos(a * kRad) + 0.05 * std::sin(2 * a * kRad); };
  LiftPoints points;
  for (int k = 180; k >= -180; --k) {
    points.push_back({static_cast<float>(k + 0.5), static_cast<float>(f(k + 0.5))});
  }
  for (const bool valve : {false, true}) {
    BoundedArray<float> target(-180, 180);
    ResampleLiftPoints(points, target, valve, valve ? 0.25f : 0);
    for (int j = -180; j <= 180; ++j) {
      const double expected = valve ? std::max(0.0, f(j) - 0.25) : f(j);
      ASSERT_NEAR(target[j], expected, 2e-6) << j << (valve ? " valve" : " cam");
    }
  }
}

TEST(ValveTrainGeometry, ResamplerTakesEqualLiftsAndMeansOfEqualAngles) {
  // Equal neighbouring lifts give that lift without a fit.
  LiftPoints flat(361, LiftPoint{0, 0.125f});
  for (int k = 0; k < 361; ++k) flat[static_cast<std::size_t>(k)].angle = k - 180.25f;
  BoundedArray<float> target(-180, 180);
  ResampleLiftPoints(flat, target, false, 0);
  EXPECT_EQ(target[-180], 0.125f);
  EXPECT_EQ(target[77], 0.125f);

  // Every point at one angle: the degrees before it fall between the first point of the walk
  // and the one before it (lifts 3 and 1), which stand at the same angle: their mean.
  LiftPoints same(361, LiftPoint{0, 5});
  same[0].lift = 3;    // the first point of the walk (degree -180)
  same[359].lift = 1;  // the one before it (degree 179)
  ResampleLiftPoints(same, target, false, 0);
  for (int j : {-180, -90, -1}) EXPECT_EQ(target[j], 2) << j;
}

}  // namespace
}  // namespace orv
