#include "engine/crank_kinematics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/runtime_error.h"

namespace orv {
namespace {

struct Kinematics {
  EngineInputs in;
  EngineResults r;
  EngineTables t;
  bool cannotComplete = false;
  explicit Kinematics(double stroke = 3.48, double rod = 6.0, double offset = 0,
                      double firing = 90) {
    in.Stroke = stroke;
    in.RodLen = rod;
    in.PinOff = offset;
    in.FiringAngle = firing;
    cannotComplete = CrankKinematics(in, r, t);
  }
};

TEST(CrankKinematics, DefaultGeometry) {
  Kinematics k;
  ASSERT_FALSE(k.cannotComplete);
  EXPECT_EQ(k.t.PistonPosition[0], 0);
  EXPECT_NEAR(k.t.PistonPosition[180], 3.48, 1e-12);
  EXPECT_NEAR(k.r.EffectiveStroke, 3.48, 1e-12);
  EXPECT_NEAR(k.r.BDCAngle / kRadPerDegree, 180.0, 1e-9);
  EXPECT_NEAR(k.r.MaxPistonVelocity, 0.03163, 5e-6);
  EXPECT_FLOAT_EQ(k.r.MaxVelocityAngle, 74.8f);
  EXPECT_NEAR(k.r.MinPistonVelocity, -0.03163, 5e-6);
  EXPECT_FLOAT_EQ(k.r.MinVelocityAngle, 285.1f);
  EXPECT_NEAR(k.r.BalanceFactor, 50.93, 0.005);
  EXPECT_EQ(k.t.StrokeFraction[0], 0);
  EXPECT_NEAR(k.t.StrokeFraction[180], 1.0, 1e-12);
}

TEST(CrankKinematics, PistonPositionFollowsTheSliderCrankFormula) {
  Kinematics k;
  const double r = 1.74, L = 6.0;
  for (int d : {0, 30, 90, 135, 250, 359}) {
    const double a = d * kRadPerDegree;
    const double x = r * std::cos(a) + std::sqrt(L * L - std::pow(r * std::sin(a), 2));
    EXPECT_NEAR(k.t.PistonPosition[d], r + L - x, 1e-12) << d;
  }
  // Velocity is the backward difference over a tenth of a degree, in inches per degree.
  EXPECT_LT(k.t.PistonVelocity[0], 0);  // from -0.1 to 0 degrees the piston still rises
  EXPECT_GT(k.t.PistonVelocity[0], -1e-4);
  EXPECT_NEAR(k.t.PistonVelocity[90], 0.0304, 2e-4);
  EXPECT_LT(std::fabs(k.t.PistonVelocity[180]), 1e-4);  // at rest at the dead centres
}

TEST(CrankKinematics, SingleBankBalanceFactorIsThePlainMeanOfTheShare) {
  Kinematics k(3.48, 6.0, 0, 0);
  EXPECT_NEAR(k.r.BalanceFactor, 49.77, 0.005);
  double sum = 0;
  for (int l = 1; l <= 180; ++l) sum += k.t.BalanceShare[l];
  EXPECT_DOUBLE_EQ(k.r.BalanceFactor, sum / 180);
  for (int l = 1; l <= 360; ++l) EXPECT_EQ(k.t.BalanceCurve[l], k.t.BalanceShare[l]);
}

TEST(CrankKinematics, TwoBankCurveAveragesTheOtherBank) {
  Kinematics k;
  EXPECT_DOUBLE_EQ(k.t.BalanceCurve[100], (k.t.BalanceShare[10] + k.t.BalanceShare[100]) / 2);
  EXPECT_DOUBLE_EQ(k.t.BalanceCurve[30], (k.t.BalanceShare[300] + k.t.BalanceShare[30]) / 2);
  EXPECT_EQ(k.t.BalanceCurve[0], k.t.BalanceCurve[360]);
}

TEST(CrankKinematics, PinOffsetMovesBottomDeadCentre) {
  Kinematics k(3.48, 6.0, 0.06);
  ASSERT_FALSE(k.cannotComplete);
  EXPECT_NEAR(k.r.BDCAngle / kRadPerDegree, 180.4, 0.05);
  EXPECT_NEAR(k.r.EffectiveStroke, 3.48019, 5e-6);
  EXPECT_NEAR(k.r.OffsetAngle, std::asin(0.06 / 7.74), 1e-15);
}

TEST(CrankKinematics, ImpossibleGeometryCannotCompleteAndKeepsTheTables) {
  Kinematics good;
  const double before = good.t.PistonPosition[90];
  good.in.RodLen = 3.48;
  EXPECT_TRUE(CrankKinematics(good.in, good.r, good.t));
  EXPECT_EQ(good.t.PistonPosition[90], before);
  good.in.RodLen = 6;
  good.in.PinOff = 8;  // beyond crank radius plus rod
  EXPECT_TRUE(CrankKinematics(good.in, good.r, good.t));
  good.in.Stroke = 0;
  EXPECT_TRUE(CrankKinematics(good.in, good.r, good.t));
}

TEST(CrankKinematics, OffsetTheRodCannotReachIsARuntimeError) {
  EngineInputs in;
  EngineResults r;
  EngineTables t;
  in.Stroke = 3.48;
  in.RodLen = 3.6;
  in.PinOff = 5.0;  // within r + L, but the rod cannot reach the pin at every angle
  try {
    CrankKinematics(in, r, t);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrInvalidCall);
  }
}

TEST(WrapDegree, BringsAnglesInto1To360) {
  EXPECT_EQ(WrapDegree(0), 360);
  EXPECT_EQ(WrapDegree(-1), 359);
  EXPECT_EQ(WrapDegree(361), 1);
  EXPECT_EQ(WrapDegree(360), 360);
  EXPECT_EQ(WrapDegree(1), 1);
  EXPECT_EQ(WrapDegree(-720), 360);
  EXPECT_EQ(WrapDegree(1081), 1);
}

}  // namespace
}  // namespace orv
