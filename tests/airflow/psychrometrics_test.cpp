#include "airflow/psychrometrics.h"

#include <gtest/gtest.h>

#include "airflow/test_condition.h"

namespace orv {
namespace {

// Published values: ASHRAE Handbook - Fundamentals, chapter 1 "Psychrometrics", Table 2
// (thermodynamic properties of moist air at standard pressure 101.325 kPa: humidity ratio at
// saturation Ws) and Table 3 (thermodynamic properties of water at saturation: vapour
// pressure pws). The bench's relation leaves out the enhancement factor of real moist air
// (about 1.004 near room temperature), so its humidity ratios run some 0.4 % low: they are
// checked to within 1 %, the vapour pressures to within 0.1 %.
TEST(Psychrometrics, AgreesWithPublishedSaturationValues) {
  struct Row {
    double celsius;
    double pwsPa;  // Table 3
    double Ws;     // Table 2
  };
  const Row rows[] = {{0, 611.21, 0.003789}, {20, 2339.2, 0.014758}, {30, 4246.7, 0.027329}};
  for (const Row& r : rows) {
    const double T = r.celsius + 273.15;
    EXPECT_NEAR(SaturationPressure(T), r.pwsPa, 1e-3 * r.pwsPa) << r.celsius;
    // Saturated air: the wet bulb equals the dry bulb.
    EXPECT_NEAR(HumidityRatioFromBulbs(T, T, 101325), r.Ws, 0.01 * r.Ws) << r.celsius;
  }
}

TEST(Psychrometrics, DrierAirHasALowerRatioAndNoPressureGivesNone) {
  const double Td = 294.26;  // 70 F
  const double wet = HumidityRatioFromBulbs(Td, Td, 101325);
  const double half = HumidityRatioFromBulbs(Td, 288.15, 101325);  // 59 F wet bulb
  EXPECT_GT(half, 0);
  EXPECT_LT(half, wet);
  EXPECT_EQ(HumidityRatioFromBulbs(Td, 288.15, 0), 0);
  EXPECT_EQ(HumidityRatioFromBulbs(Td, 288.15, 1000), 0);  // below the vapour pressure
  EXPECT_EQ(SaturationPressure(0), 0);
  EXPECT_EQ(SaturationPressure(-5), 0);
}

TEST(Psychrometrics, ConditionHumidity) {
  struct Row {
    float dry, wet, barometer;
    double hRatio;    // 0 when no ratio can be formed
    double humidity;  // percent
    double tolerance;
  };
  const Row rows[] = {
      // Saturated air at 68 F (20 C) and 29.921 inHg (101325 Pa): ASHRAE Table 2 and 100 %.
      {68, 68, 29.921f, 0.014758, 100, 0.01},
      // No barometer: the ratio is 0, the humidity is worked at 101321.088 Pa (29.92 inHg).
      {68, 68, 0, 0, 100, 0.01},
  };
  for (const Row& r : rows) {
    TestCondition c;
    c.DryBulb = r.dry;
    c.WetBulb = r.wet;
    c.Barometer = r.barometer;
    c.SetHRatio();
    c.CalcHumidity();
    EXPECT_NEAR(c.HRatio, r.hRatio, r.tolerance * r.hRatio + 1e-12);
    EXPECT_NEAR(c.Humidity, r.humidity, 1e-3);
  }
  // Without a barometer the humidity is that at 29.92 inHg.
  TestCondition none, standard;
  for (TestCondition* c : {&none, &standard}) {
    c->DryBulb = 70;
    c->WetBulb = 59;
  }
  standard.Barometer = 29.92f;
  none.CalcHumidity();
  standard.CalcHumidity();
  EXPECT_NEAR(none.Humidity, standard.Humidity, 1e-4);
  EXPECT_GT(none.Humidity, 40);
  EXPECT_LT(none.Humidity, 60);
}

}  // namespace
}  // namespace orv
