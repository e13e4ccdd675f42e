#include "engine/valve_tables.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "base/runtime_error.h"
#include "engine/input_controller.h"
#include "support/runtime_errors.h"

namespace orv {
namespace {

BoundedArray<float> Table(std::initializer_list<float> values) {
  BoundedArray<float> t(0, static_cast<int>(values.size()) - 1);
  int i = 0;
  for (float v : values) t[i++] = v;
  return t;
}

BoundedArray<float> CamTable(int entry, float lift) {
  BoundedArray<float> t(0, 359);
  t[entry] = lift;
  return t;
}

using test::ErrorOf;

TEST(ValveTables, LiftIsRatioTimesCamLiftLessLashClippedAtZero) {
  struct Row {
    float cam, ratio, lash, lift;
  };
  const Row rows[] = {{0.01f, 1.5f, 0.02f, 0},  // 0.015 - 0.02 is negative
                      {0.3f, 1.5f, 0.02f, 0.43f},
                      {0.3f, 1.85f, 0, 0.555f},
                      {0, 1.5f, 0, 0}};
  for (const Row& row : rows) {
    BoundedArray<float> lift, velocity;
    BuildValveTables(CamTable(100, row.cam), row.ratio, row.lash, 0, lift, velocity);
    EXPECT_NEAR(lift[100], row.lift, 1e-6) << row.cam;
    EXPECT_EQ(lift[101], 0);
  }
}

TEST(ValveTables, VelocityClosesOverTheTurn) {
  BoundedArray<float> lift, velocity;
  BuildValveTables(CamTable(0, 1), 1, 0, 0, lift, velocity);
  EXPECT_EQ(velocity[359], 0.5f);  // (s[0] - s[358]) / 2
  EXPECT_EQ(velocity[1], -0.5f);   // (s[2] - s[0]) / 2
  EXPECT_EQ(velocity[0], 0);       // (s[1] - s[359]) / 2
  EXPECT_EQ(velocity[180], 0);
}

// The last entries before the closing one: 358 reads its upper neighbour at 359, and 0 reads
// its lower one there; 1 reads entry 0.
TEST(ValveTables, VelocityAtTheLastAndFirstEntries) {
  BoundedArray<float> cam(0, 359);
  cam[0] = 0.5f;
  cam[357] = 0.25f;
  cam[359] = 1;
  BoundedArray<float> lift, velocity;
  BuildValveTables(cam, 1, 0, 0, lift, velocity);
  const std::pair<int, float> rows[] = {
      {356, 0.125f},  // (s[357] - s[355]) / 2
      {357, 0},       // (s[358] - s[356]) / 2
      {358, 0.375f},  // (s[359] - s[357]) / 2
      {359, 0.25f},   // (s[0] - s[358]) / 2
      {0, -0.5f},     // (s[1] - s[359]) / 2
      {1, -0.25f},    // (s[2] - s[0]) / 2
  };
  for (const auto& [entry, expected] : rows) EXPECT_EQ(velocity[entry], expected) << entry;
}

TEST(ValveTables, SmoothingTreatsTheLastEntryAsTheFirst) {
  // The smoothing of a 0..359 table takes entry 359 for the same angle as entry 0: one pass
  // over a lift at entry 0 gives s[1] = 0.5 and leaves s[359] = (s[358] + s[1]) / 2 = 0. The
  // velocity is taken from that copy; the lift itself is not smoothed.
  BoundedArray<float> lift, velocity;
  BuildValveTables(CamTable(0, 1), 1, 0, 1, lift, velocity);
  EXPECT_EQ(lift[0], 1);
  EXPECT_EQ(velocity[0], 0.25f);   // (s[1] - s[359]) / 2
  EXPECT_EQ(velocity[2], -0.25f);  // (s[3] - s[1]) / 2
  EXPECT_EQ(velocity[1], 0);
  EXPECT_EQ(velocity[358], 0);
  EXPECT_EQ(velocity[359], 0);
}

TEST(ValveTables, SideWithoutALobeHasSingleEntryTablesAndReadsZero) {
  BoundedArray<float> lift(0, 359), velocity(0, 359);
  BuildValveTables(Table({0.4f}), 1.5f, 0, 0, lift, velocity);
  EXPECT_EQ(lift.count(), 1);
  EXPECT_EQ(velocity.count(), 1);
  EXPECT_EQ(ValveTableAt(lift, 100, 50), 0);
  BuildValveTables(BoundedArray<float>(0, 358), 1.5f, 0, 0, lift, velocity);
  EXPECT_EQ(lift.count(), 1);
}

TEST(ValveTables, CamAngleReadsTheEntryTurnedByTheCenterline) {
  BoundedArray<float> t(0, 359);
  for (int e = 0; e <= 359; ++e) t[e] = static_cast<float>(e);
  struct Row {
    double centerline;
    float a;
    float value;
  };
  // The entry read at cam angle a is a - centerline / 2 - 179, brought into 0..359.
  const Row rows[] = {
      {100, 50, 181},  {100, 50.25f, 181.25f}, {100, -310, 181},
      {100, 228, 359}, {100, 228.5f, 179.5f},  // between 359 and 0: 359 + (0 - 359) x 0.5
      {100, 229, 0},   {-100, -50, 181},       {-100, 129, 0},
      {0, 0, 181},     {0, 178, 359},          {0, 179, 0},
      {0, -2, 179},
  };
  for (const Row& row : rows) {
    EXPECT_FLOAT_EQ(ValveTableAt(t, row.centerline, row.a), row.value)
        << row.centerline << " " << row.a;
  }
}

TEST(ValveTables, FlowTableReadsBetweenPointsFromZero) {
  const BoundedArray<float> lift = Table({0, 0.1f, 0.2f, 0.3f});
  const BoundedArray<float> cfm = Table({0, 50, 100, 140});
  const std::pair<float, float> rows[] = {
      {0.05f, 25},  // from (0, 0) to the first point
      {0.1f, 50},  {0.25f, 120},
      {0.3f, 140}, {0.5f, 140},  // beyond the last lift: the last airflow, no extrapolation
      {0, 0},      {-0.1f, -50},
  };
  for (const auto& [l, v] : rows) EXPECT_FLOAT_EQ(FlowTableAt(lift, cfm, l), v) << l;

  // Equal neighbouring lifts give the upper point's value.
  EXPECT_EQ(FlowTableAt(Table({0, 0, 0.1f}), Table({0, 7, 50}), 0), 7);
  // No table: 0.
  EXPECT_EQ(FlowTableAt(Table({0}), Table({0}), 0.2f), 0);
  // An airflow table shorter than its lifts is read past its end.
  EXPECT_EQ(ErrorOf([&] { FlowTableAt(lift, Table({0, 50}), 0.5f); }), kErrSubscript);
}

TEST(ValveTables, SwirlTableMayBeShorterThanTheLifts) {
  const BoundedArray<float> lift = Table({0, 0.1f, 0.2f, 0.3f});
  const BoundedArray<float> swirl = Table({0, 1, 2});
  const std::pair<float, float> rows[] = {{0.05f, 0.5f}, {0.15f, 1.5f}, {0.25f, 2}, {0.5f, 2}};
  for (const auto& [l, v] : rows) EXPECT_FLOAT_EQ(SwirlTableAt(lift, swirl, l), v) << l;
  EXPECT_EQ(SwirlTableAt(lift, Table({0}), 0.1f), 0);
  EXPECT_EQ(SwirlTableAt(Table({0}), swirl, 0.1f), 0);
}

TEST(ValveTables, InterpolatedDataClosesTheTurn) {
  BoundedArray<double> t(0, 360);
  for (int k = 0; k <= 360; ++k) t[k] = static_cast<double>(k) * k;
  const std::pair<double, double> rows[] = {
      {10, 100},
      {10.5, 110.5},
      {360, 129600},
      {360.5, 129600 + (1 - 129600) * 0.5},  // past the end: towards entry 1
      {-0.5, 0 + (1 - 128881) * -0.5},       // before the start: slope from 359 to 1
  };
  for (const auto& [x, v] : rows) EXPECT_DOUBLE_EQ(InterpolatedData(t, x), v) << x;
  EXPECT_EQ(ErrorOf([&] { InterpolatedData(t, 1e300); }), kErrOverflow);
}

// --- The engine's curves ----------------------------------------------------------------------

TEST(ValveCurves, DefaultEngineHasItsLobesInPlace) {
  Engine e;
  const EngineInputs& in = e.inputs();
  EXPECT_EQ(in.Int[178], 0.399954f);
  EXPECT_EQ(in.Exh[179], 0.391235f);
  EXPECT_EQ(in.Int[79], 0);
  EXPECT_EQ(in.Exh[85], 0);
  EXPECT_EQ(in.Int[280], 0);
  EXPECT_EQ(in.Exh[277], 0);
  EXPECT_EQ(in.intakeCam, (CamFileRef{"", 1, 1}));
  EXPECT_EQ(in.exhaustCam, (CamFileRef{"", -1, 1}));
  EXPECT_FLOAT_EQ(e.valveTables().IntakeLift[178], 0.399954f * 1.85f);
  EXPECT_FLOAT_EQ(e.valveTables().ExhaustLift[179], 0.391235f * 1.85f);
  // Entry 179 is read at cam angle centerline / 2 - 2 (t = a - CL / 2 - 179 wraps to 179).
  EXPECT_NEAR(e.IntakeValveLift(51.95f), e.valveTables().IntakeLift[179], 1e-6);
  EXPECT_NEAR(e.DataAt(13, 103.9f), e.valveTables().IntakeLift[179], 1e-6);
  EXPECT_NEAR(e.DataAt(12, -111.9f), e.valveTables().ExhaustLift[179], 1e-6);
}

TEST(ValveCurves, DefaultEngineKeepsTheSmoothingCounts) {
  Engine e;
  e.inputs().IntSmth = 3;
  e.inputs().ExhSmth = 2;
  e.InstallDefaultEngine();
  EXPECT_EQ(e.inputs().IntSmth, 3);
  EXPECT_EQ(e.inputs().ExhSmth, 2);
}

TEST(ValveCurves, TypedCamSettingsReachTheLobeAndTheValveTables) {
  Engine e;
  InputController ec(e);
  const float cam178 = e.inputs().Int[178];
  ec.EnterText(kInIntakeRR, "1.5");
  EXPECT_EQ(e.intakeLobe().RockerRatio(), 1.5f);
  EXPECT_FLOAT_EQ(e.valveTables().IntakeLift[178], cam178 * 1.5f);
  ec.EnterText(kInIntakeLash, "0.4");
  EXPECT_EQ(e.intakeLobe().Lash(), 0.4f);
  EXPECT_FLOAT_EQ(e.valveTables().IntakeLift[178], cam178 * 1.5f - 0.4f);
  EXPECT_EQ(e.valveTables().IntakeLift[120], 0);  // 0.127 x 1.5 < 0.4

  ec.EnterText(kInExhaustCL, "-100");
  EXPECT_EQ(e.exhaustLobe().Centerline(), -100.0f);
  EXPECT_EQ(e.ExhaustValveLift(-52), e.valveTables().ExhaustLift[179]);

  ec.SetUnitMode(UnitMode::Metric);
  ec.EnterText(kInExhaustLash, "0.5");  // millimetres
  const float lash = 0.5f / 25.4f;
  EXPECT_FLOAT_EQ(e.exhaustLobe().Lash(), lash);
  EXPECT_FLOAT_EQ(e.valveTables().ExhaustLift[179], e.inputs().Exh[179] * 1.85f - lash);
}

TEST(ValveCurves, PerDegreeTablesAtACrankAngle) {
  Engine e;
  const EngineTables& t = e.tables();
  EXPECT_EQ(e.DataAt(6, 10), 300);
  EXPECT_EQ(e.DataAtPt(6, 0), 300);
  EXPECT_EQ(e.DataAt(6, -300), t.TorqueFactor[60]);  // the power stroke, drawn before TDC
  EXPECT_EQ(e.DataAtPt(6, -300), t.TorqueFactor[60]);
  EXPECT_DOUBLE_EQ(e.DataAt(1, 360.5f),
                   t.PistonPosition[360] + (t.PistonPosition[1] - t.PistonPosition[360]) * 0.5);
  EXPECT_EQ(e.DataAtPt(1, -90), t.PistonPosition[270]);
  EXPECT_EQ(e.DataAtPt(2, 360), t.PistonSpeed[360]);
  EXPECT_EQ(e.DataAtPt(3, -1), t.BalanceCurve[359]);
  EXPECT_EQ(e.DataAtPt(4, 90), t.Leverage[90] * 100);
  EXPECT_DOUBLE_EQ(e.DataAt(4, 90.5f), (t.Leverage[90] + t.Leverage[91]) / 2 * 100);
  // The flow demand is read like the other tables: a negative angle at angle + 360.
  ASSERT_GT(t.FlowDemand[100], 0);
  EXPECT_EQ(e.DataAtPt(5, -260), t.FlowDemand[100]);
  EXPECT_DOUBLE_EQ(e.DataAt(5, -260.5f), (t.FlowDemand[99] + t.FlowDemand[100]) / 2);
  EXPECT_EQ(e.DataAtPt(5, 100), t.FlowDemand[100]);
  EXPECT_EQ(e.DataAtPt(0, 5), 0);
  EXPECT_EQ(e.DataAtPt(14, 5), 0);
  EXPECT_EQ(ErrorOf([&] { e.DataAtPt(1, 400); }), kErrSubscript);
}

TEST(ValveCurves, ValveAndAirflowCurvesReadTheCamAngleOfHalfTheCrankAngle) {
  Engine e;
  EngineInputs& in = e.inputs();
  in.ILift = Table({0, 0.1f, 0.3f, 0.5f, 0.9f});
  in.ICfm = Table({0, 60, 180, 260, 340});
  in.ISwirl = Table({0, 5, 15});
  in.ELift = Table({0, 0.2f, 0.8f});
  in.ECfm = Table({0, 90, 210});
  for (int n : {-300, -101, 0, 77, 108, 359}) {
    const float a = static_cast<float>(n) / 2;
    EXPECT_EQ(e.DataAtPt(13, n), e.IntakeValveLift(a)) << n;
    EXPECT_EQ(e.DataAtPt(12, n), e.ExhaustValveLift(a)) << n;
    EXPECT_EQ(e.DataAtPt(8, n), e.IntakeFlowAt(e.IntakeValveLift(a))) << n;
    EXPECT_EQ(e.DataAtPt(7, n), e.ExhaustFlowAt(e.ExhaustValveLift(a))) << n;
    EXPECT_EQ(e.DataAtPt(11, n), e.IntakeSwirlAt(e.IntakeValveLift(a))) << n;
    EXPECT_DOUBLE_EQ(e.DataAtPt(10, n), double{e.IntakeValveVelocity(a)} * 6800 * 0.25) << n;
    EXPECT_DOUBLE_EQ(e.DataAtPt(9, n), double{e.ExhaustValveVelocity(a)} * 6800 * 0.25) << n;
  }
  // At the lobe centre the intake valve is 0.74 in open, on the 0.5..0.9 segment of the flow
  // table (200 CFM per inch of lift from 260 CFM); swirl is past its table.
  const double peak = e.DataAt(13, 103.9f);
  EXPECT_NEAR(peak, 0.399856 * 1.85, 2e-6);
  EXPECT_NEAR(e.DataAt(8, 103.9f), 260 + (peak - 0.5) * 200, 1e-3);
  EXPECT_EQ(e.DataAt(11, 103.9f), 15);
  // Fractional angles of the valve curves use the negative angle as it is.
  EXPECT_EQ(e.DataAt(13, -100.5f), e.IntakeValveLift(-50.25f));

  // A side without a lobe: no lift, and the airflow at lift 0.
  in.Exh.Redim(0, 0);
  e.RebuildValveTables();
  EXPECT_EQ(e.DataAtPt(12, 0), 0);
  EXPECT_EQ(e.DataAtPt(9, 0), 0);
  EXPECT_NEAR(e.DataAtPt(7, 0), 0, 1e-4);
}

}  // namespace
}  // namespace orv
