#include <gtest/gtest.h>

#include <cmath>

#include "base/runtime_error.h"
#include "engine/crank_kinematics.h"
#include "engine/input_controller.h"

namespace orv {
namespace {

int ErrorOf(Engine& e, int code) {
  try {
    e.ReCalc(code);
  } catch (const RuntimeError& err) {
    return err.number();
  }
  return 0;
}

TEST(ReCalc, DefaultEngineGeometry) {
  Engine e;
  InputController ec(e);
  const EngineResults& r = e.results();
  EXPECT_FALSE(ec.panel().warningVisible);
  EXPECT_NEAR(r.BoreArea, 12.7556, 5e-5);  // 4.03^2 x pi / 4
  EXPECT_NEAR(r.Displacement, 355.12, 5e-3);
  EXPECT_NEAR(r.SweptVolumeCC, 44.389394 * 16.387064, 1e-3);
  EXPECT_NEAR(r.PinHeightAtTDC, 7.74, 1e-12);
  EXPECT_NEAR(r.DeckClearance, 1.26, 1e-12);
  EXPECT_NEAR(r.ClearanceVolumeCC, r.SweptVolumeCC / 12.8, 1e-12);
  EXPECT_EQ(r.RecipWeightUsed, 1700);  // two banks share the pin
  EXPECT_EQ(r.RotWeightUsed, 770);
  EXPECT_EQ(r.ValveTrainFactor, 5.04);
  EXPECT_NEAR(r.MeanPistonSpeed, 3.48 * 6800 / 6, 1e-9);
  EXPECT_GT(r.FillRatio, 1.0);
  EXPECT_NEAR(r.PeakPower, r.PeakTorque * 0.93 * 6800 / 5252, 1e-9);
}

// Two banks share a crankpin only when the bank firing angle is above 0: a single-bank engine
// (angle exactly 0, or a negative one) carries one pin-end and one big-end weight.
TEST(ReCalc, WeightsAreDoubledOnlyForTwoBanks) {
  struct Row {
    const char* firingAngle;
    int recip, rot;
    const char* rotText;
  };
  const Row rows[] = {
      {"0", 850, 385, "385.0"},   {"0.1", 1700, 770, "770.0"}, {"-45", 850, 385, "385.0"},
      {"90", 1700, 770, "770.0"}, {"0", 850, 385, "385.0"},  // back from a V engine
  };
  Engine e;
  InputController ec(e);
  for (const Row& row : rows) {
    ec.EnterText(kInFiringAngle, row.firingAngle);
    EXPECT_EQ(e.results().RecipWeightUsed, row.recip) << row.firingAngle;
    EXPECT_EQ(e.results().RotWeightUsed, row.rot) << row.firingAngle;
    // The counterweight lines of output page 0 use the same weights.
    EXPECT_NE(ec.outputs().page0.at(21).find("% of " + std::to_string(row.recip) + " = "),
              std::string::npos)
        << row.firingAngle << ": " << ec.outputs().page0.at(21);
    EXPECT_EQ(ec.outputs().page0.at(22), row.rotText) << row.firingAngle;
  }
}

TEST(ReCalc, ExhaustTubeIsSuggestedToTheNearestEighth) {
  Engine e;
  InputController ec(e);
  // V = 0.0316292 x 12.75557 / 2; x = V x 4 x 5500 x FillFactor / 1382.30076776 = 3.59;
  // sqrt = 1.895, 15.16 eighths, 15 eighths = 1.875.
  EXPECT_EQ(ec.panel().suggestion[kInExOD], "1.875 suggested");
  EXPECT_EQ(ec.panel().status[kInExOD], kStatusReview);
  EXPECT_EQ(e.inputs().ExOD, 2.0);  // a suggestion leaves the input alone
}

TEST(ReCalc, FillRatioGrowsWithRpmAndColderAir) {
  Engine e;
  const double base = e.results().FillRatio;
  e.inputs().PkTorqRPM = 7000;
  e.ReCalc(-1);
  const double faster = e.results().FillRatio;
  EXPECT_GT(faster, base);
  e.inputs().IntTemp = -20;
  e.ReCalc(-1);
  EXPECT_GT(e.results().FillRatio, faster);
}

TEST(ReCalc, VolumetricEfficiencyScalesDemandOnlyAboveOne) {
  Engine e;
  e.inputs().VE = 1.0;
  e.ReCalc(-1);
  const auto demand100 = e.tables().FlowDemand.values();
  e.inputs().VE = 0.95;
  e.ReCalc(-1);
  EXPECT_EQ(e.tables().FlowDemand.values(), demand100);
  const double r = 6800 * 0.00015 + 1.9;
  EXPECT_NEAR(e.results().ChargeVolume, 0.05 * r * e.results().SweptVolume * 10 / 16.387064, 1e-12);
  e.inputs().VE = 0.9;
  e.ReCalc(-1);
  EXPECT_EQ(e.results().ChargeVolume, 0);
}

TEST(ReCalc, MappedFlowDemandStaysZeroBeforeTheExhaustWaveArrives) {
  Engine e;
  const EngineTables& t = e.tables();
  for (int g = -360; g <= -181; ++g) EXPECT_EQ(t.FlowDemand[g], 0) << g;
  double peak = 0;
  for (int g = 1; g <= 360; ++g) peak = std::max(peak, t.FlowDemand[g]);
  EXPECT_GT(peak, 0);
  for (int g = -360; g <= 360; ++g) EXPECT_GE(t.FlowDemand[g], 0);
}

TEST(ReCalc, WorkModelNormalisesTheWorkSumAtBottomDeadCentre) {
  Engine e;
  EXPECT_DOUBLE_EQ(e.tables().WorkSumPct[180], 100);
  EXPECT_GT(e.tables().TorqueFactor[90], 0);
  e.inputs().Advance = 3;  // spark less than 4 degrees before TDC: expansion from degree 1 on
  e.ReCalc(-1);
  EXPECT_EQ(e.tables().TorqueFactor[0], 0);
  EXPECT_GT(e.tables().TorqueFactor[1], 0);
}

TEST(ReCalc, StrokeOrBoreNotAboveZeroLeavesEveryResult) {
  Engine e;
  const double torque = e.results().PeakTorque;
  const double area = e.results().BoreArea;
  e.inputs().Bore = 0;
  e.ReCalc(-1);
  EXPECT_EQ(e.results().BoreArea, area);
  e.inputs().Bore = 4.03;
  e.inputs().Stroke = -1;
  e.ReCalc(-1);
  EXPECT_EQ(e.results().PeakTorque, torque);
}

TEST(ReCalc, RodNotLongerThanStrokeWarnsAndKeepsTheLastGoodResults) {
  Engine e;
  InputController ec(e);
  const double torque = e.results().PeakTorque;
  const double pos90 = e.tables().PistonPosition[90];
  e.inputs().Stroke = 6;
  e.inputs().RodLen = 6;
  EXPECT_EQ(e.ReCalc(-1), Engine::CalcOutcome::CannotComplete);
  ec.Recalculate(-1);
  EXPECT_TRUE(ec.panel().warningVisible);
  EXPECT_EQ(e.results().PeakTorque, torque);
  EXPECT_EQ(e.tables().PistonPosition[90], pos90);
  e.inputs().Stroke = 3.48;
  ec.Recalculate(-1);
  EXPECT_FALSE(ec.panel().warningVisible);
}

TEST(ReCalc, CompressionRatioOfOneStopsAtTheClearanceVolume) {
  Engine e;
  const double clearance = e.results().ClearanceVolumeCC;
  const double displacement = e.results().Displacement;
  e.inputs().CR = 1;
  e.inputs().Stroke = 3.0;
  EXPECT_EQ(ErrorOf(e, -1), kErrDivByZero);
  EXPECT_NEAR(e.results().SweptVolume, e.results().BoreArea * 3.0, 1e-12);  // before the fault
  EXPECT_DOUBLE_EQ(e.results().RodRatio, 2.0);
  EXPECT_EQ(e.results().ClearanceVolumeCC, clearance);  // the failing step and after: kept
  EXPECT_EQ(e.results().Displacement, displacement);
}

TEST(ReCalc, ZeroRpmThatDividesIsARuntimeError) {
  Engine e;
  const double primary = e.results().PrimaryLenTorque;
  e.inputs().PkTorqRPM = 0;
  EXPECT_EQ(ErrorOf(e, -1), kErrDivByZero);
  EXPECT_EQ(e.results().PrimaryLenTorque, primary);
}

TEST(ReCalc, WaveDelayPastTheWorkTableIsSubscriptOutOfRange) {
  Engine e;
  const double torque = e.results().PeakTorque;
  e.inputs().PkTorqRPM = 500000;
  EXPECT_EQ(ErrorOf(e, -1), kErrSubscript);
  EXPECT_EQ(e.results().PeakTorque, torque);
  EXPECT_GT(e.results().WaveDelay107, 252);
}

TEST(ReCalc, ZeroPeakVelocityKeepsThePeakTorquePortSizes) {
  Engine e;
  const double port = e.results().PortAreaTorque;
  e.inputs().MxIntVel = 0;
  e.inputs().PkTorqRPM = 6000;
  e.ReCalc(-1);
  EXPECT_EQ(e.results().PortAreaTorque, port);
  EXPECT_NE(e.results().PortAreaPower, 0);
}

TEST(ReCalc, AlcoholRaisesTheWorkAtTorquePeakByElevenPercent) {
  Engine e;
  const double gasoline = e.results().WorkAtTorquePeak;
  e.inputs().Fuel = kFuelAlcohol;
  e.ReCalc(-1);
  EXPECT_NEAR(e.results().WorkAtTorquePeak, gasoline * 1.11, 1e-9);
}

}  // namespace
}  // namespace orv
