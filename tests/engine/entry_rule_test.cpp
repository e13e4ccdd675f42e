#include <gtest/gtest.h>

#include <cmath>

#include "engine/engine.h"

namespace orv {
namespace {

TEST(EntryRule, TextThatIsNoNumberMeetsTheMinimumWithOneBeep) {
  Engine e;
  e.EnterText(kInBore, "abc");
  EXPECT_EQ(e.inputs().Bore, static_cast<double>(0.1f));  // typed text is read as a 32-bit float
  EXPECT_EQ(e.panel().text[kInBore], "0.100");
  EXPECT_EQ(e.panel().beeps, 1);
  EXPECT_TRUE(e.changed());
}

TEST(EntryRule, VolumetricEfficiencyIsTypedAsPercent) {
  Engine e;
  EXPECT_EQ(e.panel().text[kInVE], "106.5");
  e.EnterText(kInVE, "120");
  EXPECT_DOUBLE_EQ(e.inputs().VE, 1.2);
  EXPECT_EQ(e.panel().text[kInVE], "120.0");
  e.EnterText(kInVE, "0.5");  // 0.005 is below 0.01
  EXPECT_EQ(e.inputs().VE, 1.0);
  EXPECT_EQ(e.panel().beeps, 1);
}

TEST(EntryRule, ExhaustTubeRoundsToTheNearestEighth) {
  Engine e;
  e.EnterText(kInExOD, "2.06");
  EXPECT_EQ(e.inputs().ExOD, 2.0);
  EXPECT_EQ(e.panel().text[kInExOD], "2.000");
  e.EnterText(kInExOD, "2.0625");  // an exact half goes to the even eighth
  EXPECT_EQ(e.inputs().ExOD, 2.0);
  e.EnterText(kInExOD, "2.1875");
  EXPECT_EQ(e.inputs().ExOD, 2.25);
  EXPECT_EQ(e.panel().beeps, 0);
}

TEST(EntryRule, CountsOutsideTheirRangeFallBackToOne) {
  Engine e;
  e.EnterText(kInIVlvCnt, "4");
  EXPECT_EQ(e.inputs().IVlvCnt, 1);
  EXPECT_EQ(e.panel().beeps, 1);
  e.EnterText(kInIVlvCnt, "2.5");
  EXPECT_EQ(e.inputs().IVlvCnt, 2);  // halves to even
  e.EnterText(kInEVlvCnt, "3");
  EXPECT_EQ(e.inputs().EVlvDia, 1);
  e.EnterText(kInCylinders, "0");
  EXPECT_EQ(e.inputs().Cylinders, 1);
  e.EnterText(kInCylinders, "6.5");
  EXPECT_EQ(e.inputs().Cylinders, 6);
}

TEST(EntryRule, MetricLengthsAreTypedInMillimetres) {
  Engine e;
  e.SetUnitMode(UnitMode::Metric);
  EXPECT_EQ(e.panel().text[kInBore], "102.4");
  e.EnterText(kInBore, "101.6");
  EXPECT_NEAR(e.inputs().Bore, 4.0, 1e-6);  // 101.6 as a 32-bit float, over 25.4
  EXPECT_EQ(e.panel().text[kInBore], "101.6");
  e.EnterText(kInIntTemp, "100");
  EXPECT_DOUBLE_EQ(e.inputs().IntTemp, 212);
  EXPECT_EQ(e.panel().text[kInIntTemp], "100");
}

TEST(EntryRule, StoredValueEqualsTheShownValue) {
  Engine e;
  e.EnterText(kInStroke, "3.4567");
  EXPECT_DOUBLE_EQ(e.inputs().Stroke, static_cast<double>(3.457f));
  EXPECT_EQ(e.panel().text[kInStroke], "3.457");
}

TEST(EntryRule, RetypingTheShownValueStartsNoRecalculation) {
  Engine e;
  e.EnterText(kInBore, "4.0301");  // rounds to the 4.030 shown
  EXPECT_FALSE(e.changed());
  EXPECT_TRUE(e.panel().suggestion[kInIntCFM].empty());
  e.EnterText(kInBore, "4.125");
  EXPECT_TRUE(e.changed());
}

TEST(EntryRule, TypedBoreSuggestsAirflowPinWeightAndAdvance) {
  Engine e;
  e.EnterText(kInBore, "4.125");
  // 4.125^2 x 1.058300524 x 13.262 = 238.82 CFM; 1100 x (4.125 / 4.125)^2.17 = 1100 g.
  EXPECT_EQ(e.panel().suggestion[kInIntCFM], "238.8 suggested");
  EXPECT_EQ(e.panel().suggestion[kInPinEndWeight], "1100.0 suggested");
  EXPECT_FALSE(e.panel().suggestion[kInAdvance].empty());
  EXPECT_EQ(e.panel().status[kInPinEndWeight], kStatusReview);
  // Input 21 follows the typed rpm, so its label is in the disabled colour.
  EXPECT_EQ(e.panel().status[kInIntCFM], kStatusDisabledReview);
  EXPECT_EQ(e.inputs().IntCFM, 315.0337);
}

TEST(EntryRule, TemperatureAndCriticalVelocitySetEachOther) {
  Engine e;
  e.EnterText(kInCritIntVel, "570");
  // 570 / 0.58 = 982.76 ft/s, below the table: 982.76^2 / 2068.78848 - 460 = 6.85 -> 7 F.
  EXPECT_EQ(e.inputs().IntTemp, 7);
  EXPECT_EQ(e.panel().status[kInIntTemp], kStatusReview);
  e.EnterText(kInCritIntVel, "580");
  EXPECT_EQ(e.inputs().IntTemp, 23);
  e.EnterText(kInIntTemp, "100");
  // k at 100 F = 1.2 + 0.2 sqrt(16900 - 3600) / 130 = 1.37742; c = 1153.2 ft/s; x 0.58.
  EXPECT_NEAR(e.inputs().CritIntVel, 668.8, 0.1);
  EXPECT_EQ(e.panel().text[kInCritIntVel], "669");
}

TEST(EntryRule, AirflowOrRpmDecidesWhichFollows) {
  Engine e;
  e.ChooseEnterAirPP(0);
  EXPECT_TRUE(e.changed());
  EXPECT_TRUE(e.panel().boxEnabled21);
  e.EnterText(kInIntCFM, "300");
  const double A = e.results().BoreArea, v = e.results().MaxPistonVelocity;
  const double P = 5.04 * (300 / 1.058300524) / (A * v * 0.415);
  EXPECT_NEAR(e.inputs().PkPwrRPM, P, 1e-6);
  EXPECT_EQ(e.panel().status[kInPkPwrRPM], kStatusDisabledReview);

  Engine f;  // rpm typed: a new airflow changes no other input
  const double rpm = f.inputs().PkPwrRPM;
  f.EnterText(kInIntCFM, "300");
  EXPECT_EQ(f.inputs().PkPwrRPM, rpm);
  f.EnterText(kInPkPwrRPM, "7000");
  EXPECT_NEAR(
      f.inputs().IntCFM,
      f.results().MaxPistonVelocity * 1.058300524 * 7000 * f.results().BoreArea * 0.415 / 5.04,
      1e-9);
}

TEST(EntryRule, SuggestionEqualToTheHeldValueLeavesLabelAndStatus) {
  Engine e;
  e.SuggestInput(kInPkTorqRPM, 5500, 5500);
  EXPECT_TRUE(e.panel().suggestion[kInPkTorqRPM].empty());
  EXPECT_EQ(e.panel().status[kInPkTorqRPM], kStatusNotApproved);
  e.SuggestInput(kInPkTorqRPM, 5500, 5600);
  EXPECT_EQ(e.panel().suggestion[kInPkTorqRPM], "5600 suggested");
  e.SuggestInput(kInPkTorqRPM, 5500, 5500);  // a shown suggestion is refreshed even when equal
  EXPECT_EQ(e.panel().suggestion[kInPkTorqRPM], "5500 suggested");
}

TEST(EntryRule, DieselTakesTheLeadTimeInMilliseconds) {
  Engine e;
  e.ChooseFuel(kFuelDiesel);
  EXPECT_EQ(e.panel().label24, e.texts().label68);
  EXPECT_EQ(e.panel().text[kInAdvance], "0.280");  // (37 / 4) / (5500 x 6) s
  e.EnterText(kInAdvance, "0.5");
  EXPECT_DOUBLE_EQ(e.inputs().LeadTime, static_cast<double>(0.5f) / 1000);
  EXPECT_NEAR(e.inputs().Advance, 0.0005 * 5500 * 6 * 4, 1e-6);
  e.ChooseFuel(0);
  EXPECT_EQ(e.panel().label24, e.texts().label24);
}

TEST(InputStatus, ClicksApproveAllAndTheSecondStage) {
  Engine e;
  e.ClickStatus(kInBore);
  EXPECT_EQ(e.panel().status[kInBore], kStatusApproved);
  e.ClickStatus(kInBore);
  EXPECT_EQ(e.panel().status[kInBore], kStatusNotApproved);
  EXPECT_FALSE(e.panel().stage2Enabled);
  e.ApproveAll(0);
  EXPECT_TRUE(e.panel().stage2Enabled);
  e.ClickStatus(kInIntCFM);  // disabled colour: anything but 2 gives 5
  EXPECT_EQ(e.panel().status[kInIntCFM], kStatusDisabledApproved);
  e.ApproveAll(1);
  EXPECT_EQ(e.panel().status[kInIntCFM], kStatusDisabledApproved);
  EXPECT_TRUE(e.panel().suggestion[kInExOD].empty());
  e.ClickStatus(kInStroke);
  EXPECT_FALSE(e.panel().stage2Enabled);
}

}  // namespace
}  // namespace orv
