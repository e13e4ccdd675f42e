#include "airflow/test_condition.h"

#include <gtest/gtest.h>

#include "base/runtime_error.h"

namespace orv {
namespace {

// A 2-inch intake valve with a 0.3-inch stem, one valve.
TestCondition TwoInchIntakeValve(std::int32_t method) {
  TestCondition c;
  c.IsIntake = true;
  c.HeadIntakeVDia = 2.0f;
  c.HeadIntakeStemDia = 0.3f;
  c.HeadIntakePer = 1;
  c.StdFlowMethod = method;
  return c;
}

TEST(TestCondition, ValveIdealFlowByMethod) {
  // Worked by hand (pi = 3.141592654):
  //  0: sqrt(423.943) x 196.8/144 x pi x D x L x sqrt(h), D 2, L 0.5, h 25
  //  1: K1(0.3) = 114.5 x (2^2 - 0.3^2) pi/4 = 114.5 x 3.0709068 at h 48
  //  1: x = 0.35 lies past 0.3: still 114.5
  //  2: K2(0.38) = 140.1 + 0.5 x 0.02/0.05 = 140.3 (falling end of the table)
  //  3: sqrt(28/28) x 146 x pi D^2/4 = 146 pi, the lift not entering
  struct Row {
    std::int32_t method;
    float h, L;
    double expected;
  };
  const Row rows[] = {{0, 25, 0.5f, 442.0141917}, {1, 48, 0.6f, 351.6188308},
                      {1, 48, 0.7f, 351.6188308}, {2, 48, 0.76f, 430.8482267},
                      {3, 28, 0.1f, 458.6725275}, {3, 28, 0.0f, 458.6725275},
                      {4, 28, 0.5f, 0},           {-1, 28, 0.5f, 0}};
  for (const Row& r : rows) {
    const TestCondition c = TwoInchIntakeValve(r.method);
    EXPECT_NEAR(c.ValveIdealFlow(r.h, r.L), r.expected, 1e-6 * r.expected + 1e-9)
        << "method " << r.method << " L " << r.L;
  }
}

TEST(TestCondition, ValveIdealFlowGuards) {
  for (std::int32_t method : {0, 1, 2}) {
    TestCondition c = TwoInchIntakeValve(method);
    EXPECT_EQ(c.ValveIdealFlow(0, 0.5f), 0) << method;    // no depression
    EXPECT_EQ(c.ValveIdealFlow(25, 0), 0) << method;      // no lift
    EXPECT_EQ(c.ValveIdealFlow(25, -0.1f), 0) << method;  // negative lift
    c.HeadIntakeStemDia = 2.0f;                           // stem as large as the valve
    EXPECT_EQ(c.ValveIdealFlow(25, 0.5f), 0) << method;
  }
  TestCondition c3 = TwoInchIntakeValve(3);
  c3.HeadIntakeStemDia = 2.0f;
  EXPECT_GT(c3.ValveIdealFlow(28, 0.5f), 0);
  c3.HeadIntakeVDia = 0;
  EXPECT_EQ(c3.ValveIdealFlow(28, 0.5f), 0);
}

TEST(TestCondition, ValveCountMultipliesAndZeroCountsAsOne) {
  TestCondition c = TwoInchIntakeValve(3);
  const double one = 146 * 3.141592654;
  struct Row {
    std::uint8_t per;
    double expected;
  };
  for (const Row& r : {Row{0, one}, Row{1, one}, Row{2, 2 * one}, Row{4, 4 * one}}) {
    c.HeadIntakePer = r.per;
    EXPECT_NEAR(c.ValveIdealFlow(28, 0.5f), r.expected, 1e-4) << int(r.per);
  }
  // The exhaust count does not enter an intake test.
  c.HeadIntakePer = 1;
  c.HeadExhaustPer = 3;
  EXPECT_NEAR(c.ValveIdealFlow(28, 0.5f), one, 1e-4);
}

TEST(TestCondition, FlowCoefficientTables) {
  struct Row {
    float x;
    double k1, k2;
  };
  // Midpoints of the segments and the plateaus.
  const Row rows[] = {{0.025f, 17.5, 17.5},   {0.05f, 35.0, 35.0},     {0.075f, 50.3, 50.3},
                      {0.175f, 96.85, 101.6}, {0.225f, 106.35, 119.2}, {0.3f, 114.5, 136.0},
                      {0.325f, 114.5, 138.3}, {0.38f, 114.5, 140.3},   {0.4f, 114.5, 140.1},
                      {0.9f, 114.5, 140.1}};
  for (const Row& r : rows) {
    EXPECT_NEAR(K1Coefficient(r.x), r.k1, 1e-4) << r.x;
    EXPECT_NEAR(K2Coefficient(r.x), r.k2, 1e-4) << r.x;
  }
}

TEST(TestCondition, AreaIdealFlowByMethod) {
  TestCondition c;
  const double pi = 3.141592654;
  struct Row {
    std::int32_t method;
    float h, A, L;
    double expected;
  };
  // Area pi is the circle of diameter 2: the same curtain flow as a 2-inch valve, no count.
  const Row rows[] = {{0, 25, float(pi), 0.5f, 442.0141917},
                      {1, 48, float(pi), 0.6f, 114.5 * pi},
                      {3, 28, 2.0f, 0.0f, 292.0},
                      {3, 28, -2.0f, 0.0f, -292.0},
                      {0, 25, 0.0f, 0.5f, 0},
                      {1, 25, -1.0f, 0.5f, 0},  // a negative area has no diameter
                      {2, 25, 1.0f, 0.0f, 0},
                      {3, 0, 2.0f, 0.5f, 0},
                      {5, 25, 2.0f, 0.5f, 0}};
  for (const Row& r : rows) {
    c.StdFlowMethod = r.method;
    c.HeadIntakePer = 3;  // not applied to areas
    EXPECT_NEAR(c.AreaIdealFlow(r.h, r.A, r.L), r.expected, 2e-6 * std::abs(r.expected) + 1e-9)
        << "method " << r.method << " A " << r.A;
  }
}

TEST(TestCondition, SideSelectedValvePropertiesFollowIsIntake) {
  TestCondition c;
  c.IsIntake = true;
  c.SetValveDiameter(2.1f);
  c.SetSeatDiameter(1.9f);
  c.SetNumValves(2);
  c.SetEdge(7);
  c.IsIntake = false;
  c.SetValveDiameter(1.6f);
  c.SetNumValves(300);  // kept in 8 bits
  EXPECT_EQ(c.HeadIntakeVDia, 2.1f);
  EXPECT_EQ(c.HeadIntakeInnerDia, 1.9f);
  EXPECT_EQ(c.HeadIntakePer, 2);
  EXPECT_EQ(c.HeadIntakeEdge, 7);
  EXPECT_EQ(c.HeadExhaustVDia, 1.6f);
  EXPECT_EQ(c.HeadExhaustPer, 300 - 256);
  EXPECT_EQ(c.ValveDiameter(), 1.6f);
  EXPECT_EQ(c.SeatDiameter(), 0.0f);
  c.IsIntake = true;
  EXPECT_EQ(c.ValveDiameter(), 2.1f);
  EXPECT_EQ(c.NumValves(), 2);
}

TEST(TestCondition, IndexedPropertiesIgnoreOutOfRange) {
  TestCondition c;
  for (int n = 1; n <= 4; ++n) {
    c.SetXArea(n, float(n));
    c.SetXArea(-n, float(10 * n));
  }
  c.SetXArea(0, 99);
  c.SetXArea(5, 99);
  EXPECT_EQ(c.XArea(0), 0);
  EXPECT_EQ(c.XArea(5), 0);
  EXPECT_EQ(c.XArea(-5), 0);
  EXPECT_EQ(c.HeadIntakeXArea3, 3);
  EXPECT_EQ(c.HeadExhaustXArea4, 40);
  EXPECT_EQ(c.IntakeXArea(2), 2);
  EXPECT_EQ(c.ExhaustXArea(2), 20);

  c.SetLift(1, 0.1f);
  c.SetLift(40, 0.4f);
  c.SetLift(0, 9);
  c.SetLift(41, 9);
  EXPECT_EQ(c.Lift(1), 0.1f);
  EXPECT_EQ(c.Lift(40), 0.4f);
  EXPECT_EQ(c.Lift(0), 0);
  EXPECT_EQ(c.Lift(41), 0);

  c.SetCustomData(26, "Z");
  c.SetCustomData(27, "no");
  EXPECT_EQ(c.CustomData(26), "Z");
  EXPECT_EQ(c.CustomData(27), "");
  EXPECT_EQ(c.CustomData(0), "");
}

TEST(TestCondition, CylinderTextAndFullKind) {
  TestCondition c;
  c.CylinderNo = 12;
  c.IsIntake = true;
  EXPECT_EQ(c.IntExhCylinderNo(), "12I");
  c.CylinderNo = 3;
  c.IsIntake = false;
  EXPECT_EQ(c.IntExhCylinderNo(), "3E");

  struct Row {
    std::int32_t kind;
    bool averaged, totaled;
    std::int32_t full;
  };
  for (const Row& r : {Row{5, false, false, 5}, Row{5, true, false, 105}, Row{10, false, true, 210},
                       Row{2, true, true, 302}}) {
    c.SetKind(r.kind);
    c.AveragedTest = r.averaged;
    c.TotaledTest = r.totaled;
    EXPECT_EQ(c.FullTestKind(), r.full);
  }
  EXPECT_EQ(TestKindName(4), "Port Map");
  EXPECT_EQ(TestKindName(10), "By Lift (Keyed In CFM)");
  EXPECT_EQ(TestKindName(-200), "[ANY]");
  EXPECT_EQ(TestKindName(7), " ");
}

TEST(TestCondition, PlaneRegionCount) {
  struct Row {
    std::int32_t kind;
    std::int16_t rows, cols;
    int expected;
  };
  const Row rows[] = {
      {1, 2, 5, 10},  // the border rule needs at least 3 rows and 3 columns
      {1, 4, 5, 14},  // 20 cells less the 2 x 3 inside
      {1, 3, 3, 8},  {2, 4, 5, 20}, {3, 8, 3, 11}, {0, 4, 5, 0},
  };
  for (const Row& r : rows) {
    TestCondition c;
    c.SetPlaneKind(2, r.kind);
    c.SetPlaneWallRow(2, r.rows);
    c.SetPlaneCenterCol(2, r.cols);
    EXPECT_EQ(c.PlaneRegionCnt(2), r.expected) << r.kind << " " << r.rows << "x" << r.cols;
  }
  TestCondition c;
  EXPECT_EQ(c.PlaneRegionCnt(0), 0);
  EXPECT_EQ(c.PlaneRegionCnt(11), 0);
}

TEST(TestCondition, PlanesStartWithoutReadingsAndCheckTheirNumbers) {
  TestCondition c;
  EXPECT_EQ(c.PlaneInches(1, 1), -1.0f);
  EXPECT_EQ(c.PlaneVelocity(10, 64), -1.0f);
  EXPECT_EQ(c.PlaneInches(11, 1), 0.0f);
  EXPECT_EQ(c.PlaneInches(1, 65), 0.0f);
  c.SetPlaneInches(3, 64, 2.5f);
  c.SetPlaneInches(3, 65, 9);
  c.SetPlaneTemperature(0, 9);
  EXPECT_EQ(c.PlaneInches(3, 64), 2.5f);
  EXPECT_EQ(c.PlaneTemperature(0), 0);

  c.SetPlaneWallRow(4, 6);
  c.SetPlaneCenterCol(4, 5);
  EXPECT_EQ(c.Plane(4).PlaneWallRowCopy, 6);
  EXPECT_EQ(c.Plane(4).PlaneCenterColCopy, 5);
  for (int bad : {0, 11}) {
    try {
      c.SetPlaneWallRow(bad, 1);
      ADD_FAILURE() << "plane " << bad << " accepted";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), kErrSubscript);
    }
    EXPECT_THROW((void)c.PlaneCenterCol(bad), RuntimeError);
  }
}

TEST(TestCondition, CarburetorJetDiameter) {
  TestCondition c;
  c.CarbJetSize = 0.081f;
  EXPECT_EQ(c.CarbJetDia(), 0.081f);
  c.CarbJetMethod = 1;
  c.CarbJetSize = 70;  // 0.0185 e^(0.0193 x 70)
  EXPECT_NEAR(c.CarbJetDia(), 0.07143377, 1e-7);
}

}  // namespace
}  // namespace orv
