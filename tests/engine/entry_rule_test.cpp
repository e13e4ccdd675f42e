#include <gtest/gtest.h>

#include <cmath>

#include "engine/input_controller.h"

namespace orv {
namespace {

TEST(EntryRule, TextThatIsNoNumberMeetsTheMinimumWithOneBeep) {
  Engine e;
  InputController ec(e);
  const EntryResult r = ec.EnterText(kInBore, "abc");
  EXPECT_EQ(e.inputs().Bore, static_cast<double>(0.1f));  // typed text is read as a 32-bit float
  EXPECT_EQ(ec.panel().text[kInBore], "0.100");
  EXPECT_EQ(ec.panel().beeps, 1);
  EXPECT_EQ(r.beeps, 1);
  EXPECT_TRUE(r.changed);
  EXPECT_TRUE(r.recalculated);
}

TEST(EntryRule, VolumetricEfficiencyIsTypedAsPercent) {
  Engine e;
  InputController ec(e);
  EXPECT_EQ(ec.panel().text[kInVE], "106.5");
  ec.EnterText(kInVE, "120");
  EXPECT_DOUBLE_EQ(e.inputs().VE, 1.2);
  EXPECT_EQ(ec.panel().text[kInVE], "120.0");
  ec.EnterText(kInVE, "0.5");  // 0.005 is below 0.01
  EXPECT_EQ(e.inputs().VE, 1.0);
  EXPECT_EQ(ec.panel().beeps, 1);
}

TEST(EntryRule, ExhaustTubeRoundsToTheNearestEighth) {
  Engine e;
  InputController ec(e);
  ec.EnterText(kInExOD, "2.06");
  EXPECT_EQ(e.inputs().ExOD, 2.0);
  EXPECT_EQ(ec.panel().text[kInExOD], "2.000");
  ec.EnterText(kInExOD, "2.0625");  // an exact half goes to the even eighth
  EXPECT_EQ(e.inputs().ExOD, 2.0);
  ec.EnterText(kInExOD, "2.1875");
  EXPECT_EQ(e.inputs().ExOD, 2.25);
  EXPECT_EQ(ec.panel().beeps, 0);
}

TEST(EntryRule, CountsOutsideTheirRangeFallBackToOne) {
  Engine e;
  InputController ec(e);
  ec.EnterText(kInIVlvCnt, "4");
  EXPECT_EQ(e.inputs().IVlvCnt, 1);
  EXPECT_EQ(ec.panel().beeps, 1);
  ec.EnterText(kInIVlvCnt, "2.5");
  EXPECT_EQ(e.inputs().IVlvCnt, 2);  // halves to even
  ec.EnterText(kInEVlvCnt, "3");
  EXPECT_EQ(e.inputs().EVlvDia, 1);
  ec.EnterText(kInCylinders, "0");
  EXPECT_EQ(e.inputs().Cylinders, 1);
  ec.EnterText(kInCylinders, "6.5");
  EXPECT_EQ(e.inputs().Cylinders, 6);
}

// Each range rule at its limit: a value equal to the limit is taken as typed, without a beep;
// just beyond it the fallback replaces it with one beep. Whole-number inputs test the range
// before rounding, so 3.4 intake valves are outside 1..3.
TEST(EntryRule, RangeRulesAtTheirLimits) {
  struct Row {
    int n;
    const char* text;
    double stored;
    int beeps;
  };
  const Row rows[] = {
      {kInBore, "0.1", 0.1, 0},     {kInBore, "0.09", 0.1, 1},
      {kInCR, "0.1", 0.1, 0},       {kInCR, "0.05", 0.1, 1},
      {kInPinEndWeight, "0", 0, 0}, {kInPinEndWeight, "-1", 0, 1},
      {kInPinWt, "-0.5", 0, 1},     {kInCylinders, "1", 1, 0},
      {kInCylinders, "0.9", 1, 1},  {kInIVlvCnt, "1", 1, 0},
      {kInIVlvCnt, "3", 3, 0},      {kInIVlvCnt, "3.4", 1, 1},
      {kInIVlvCnt, "0.9", 1, 1},    {kInEVlvCnt, "2", 2, 0},
      {kInEVlvCnt, "1.5", 2, 0},  // inside 1..2, then halves to even
      {kInEVlvCnt, "2.1", 1, 1},    {kInEVlvCnt, "0.5", 1, 1},
      {kInMxIntVel, "65", 65, 0},   {kInMxIntVel, "64", 65, 1},
      {kInCritIntVel, "65", 65, 0}, {kInCritIntVel, "64", 65, 1},
      {kInPkPwrRPM, "50", 50, 0},   {kInPkPwrRPM, "49", 50, 1},
      {kInPkTorqRPM, "50", 50, 0},  {kInPkTorqRPM, "49", 50, 1},
      {kInBowlA, "0.2", 0.2, 0},    {kInBowlA, "0.19", 0.2, 1},
      {kInVE, "1", 0.01, 0},  // 1 % is 0.01, the limit itself
      {kInVE, "0.99", 1.0, 1},
  };
  for (const Row& row : rows) {
    Engine e;
    InputController ec(e);
    const EntryResult r = ec.EnterText(row.n, row.text, false);
    EXPECT_EQ(r.beeps, row.beeps) << row.n << " " << row.text;
    EXPECT_NEAR(InputValue(e.inputs(), row.n), row.stored, 1e-6) << row.n << " " << row.text;
  }
}

// In metric the bowl area's limit applies to the square millimetres typed, not to the square
// inches stored: 100 mm2 is far below 0.2 in2 and is taken as typed.
TEST(EntryRule, MetricBowlAreaMeetsItsLimitBeforeConversion) {
  Engine e;
  InputController ec(e);
  ec.SetUnitMode(UnitMode::Metric);
  EXPECT_EQ(ec.EnterText(kInBowlA, "100").beeps, 0);
  EXPECT_NEAR(e.inputs().BowlA, 100 / 645.16, 1e-6);
  EXPECT_EQ(ec.EnterText(kInBowlA, "0.1").beeps, 1);
  EXPECT_NEAR(e.inputs().BowlA, 0.2 / 645.16, 1e-7);
}

TEST(EntryRule, MetricLengthsAreTypedInMillimetres) {
  Engine e;
  InputController ec(e);
  ec.SetUnitMode(UnitMode::Metric);
  EXPECT_EQ(ec.panel().text[kInBore], "102.4");
  ec.EnterText(kInBore, "101.6");
  EXPECT_NEAR(e.inputs().Bore, 4.0, 1e-6);  // 101.6 as a 32-bit float, over 25.4
  EXPECT_EQ(ec.panel().text[kInBore], "101.6");
  ec.EnterText(kInIntTemp, "100");
  EXPECT_DOUBLE_EQ(e.inputs().IntTemp, 212);
  EXPECT_EQ(ec.panel().text[kInIntTemp], "100");
}

TEST(EntryRule, StoredValueEqualsTheShownValue) {
  Engine e;
  InputController ec(e);
  ec.EnterText(kInStroke, "3.4567");
  EXPECT_DOUBLE_EQ(e.inputs().Stroke, static_cast<double>(3.457f));
  EXPECT_EQ(ec.panel().text[kInStroke], "3.457");
}

TEST(EntryRule, RetypingTheShownValueStartsNoRecalculation) {
  Engine e;
  InputController ec(e);
  const EntryResult same = ec.EnterText(kInBore, "4.0301");  // rounds to the 4.030 shown
  EXPECT_FALSE(same.changed);
  EXPECT_FALSE(same.recalculated);
  EXPECT_TRUE(ec.panel().suggestion[kInIntCFM].empty());
  EXPECT_TRUE(ec.EnterText(kInBore, "4.125").changed);
}

TEST(EntryRule, TypedBoreSuggestsAirflowPinWeightAndAdvance) {
  Engine e;
  InputController ec(e);
  ec.EnterText(kInBore, "4.125");
  // 4.125^2 x 1.058300524 x 13.262 = 238.82 CFM; 1100 x (4.125 / 4.125)^2.17 = 1100 g.
  EXPECT_EQ(ec.panel().suggestion[kInIntCFM], "238.8 suggested");
  EXPECT_EQ(ec.panel().suggestion[kInPinEndWeight], "1100.0 suggested");
  EXPECT_FALSE(ec.panel().suggestion[kInAdvance].empty());
  EXPECT_EQ(ec.panel().status[kInPinEndWeight], kStatusReview);
  // Input 21 follows the typed rpm, so its label is in the disabled colour.
  EXPECT_EQ(ec.panel().status[kInIntCFM], kStatusDisabledReview);
  EXPECT_EQ(e.inputs().IntCFM, 315.0337);
}

TEST(EntryRule, TemperatureAndCriticalVelocitySetEachOther) {
  Engine e;
  InputController ec(e);
  ec.EnterText(kInCritIntVel, "570");
  // 570 / 0.58 = 982.76 ft/s, below the table: 982.76^2 / 2068.78848 - 460 = 6.85 -> 7 F.
  EXPECT_EQ(e.inputs().IntTemp, 7);
  EXPECT_EQ(ec.panel().status[kInIntTemp], kStatusReview);
  ec.EnterText(kInCritIntVel, "580");
  EXPECT_EQ(e.inputs().IntTemp, 23);
  ec.EnterText(kInIntTemp, "100");
  // k at 100 F = 1.2 + 0.2 sqrt(16900 - 3600) / 130 = 1.37742; c = 1153.2 ft/s; x 0.58.
  EXPECT_NEAR(e.inputs().CritIntVel, 668.8, 0.1);
  EXPECT_EQ(ec.panel().text[kInCritIntVel], "669");
}

TEST(EntryRule, AirflowOrRpmDecidesWhichFollows) {
  Engine e;
  InputController ec(e);
  EXPECT_TRUE(ec.ChooseEnterAirPP(0).changed);
  EXPECT_FALSE(ec.ChooseEnterAirPP(0).changed);
  EXPECT_TRUE(ec.panel().boxEnabled21);
  ec.EnterText(kInIntCFM, "300");
  const double A = e.results().BoreArea, v = e.results().MaxPistonVelocity;
  const double P = 5.04 * (300 / 1.058300524) / (A * v * 0.415);
  EXPECT_NEAR(e.inputs().PkPwrRPM, P, 1e-6);
  EXPECT_EQ(ec.panel().status[kInPkPwrRPM], kStatusDisabledReview);

  Engine f;  // rpm typed: a new airflow changes no other input
  InputController fc(f);
  const double rpm = f.inputs().PkPwrRPM;
  fc.EnterText(kInIntCFM, "300");
  EXPECT_EQ(f.inputs().PkPwrRPM, rpm);
  fc.EnterText(kInPkPwrRPM, "7000");
  EXPECT_NEAR(
      f.inputs().IntCFM,
      f.results().MaxPistonVelocity * 1.058300524 * 7000 * f.results().BoreArea * 0.415 / 5.04,
      1e-9);
}

TEST(EntryRule, SuggestionEqualToTheHeldValueLeavesLabelAndStatus) {
  Engine e;
  InputController ec(e);
  ec.SuggestInput(kInPkTorqRPM, 5500, 5500);
  EXPECT_TRUE(ec.panel().suggestion[kInPkTorqRPM].empty());
  EXPECT_EQ(ec.panel().status[kInPkTorqRPM], kStatusNotApproved);
  ec.SuggestInput(kInPkTorqRPM, 5500, 5600);
  EXPECT_EQ(ec.panel().suggestion[kInPkTorqRPM], "5600 suggested");
  ec.SuggestInput(kInPkTorqRPM, 5500, 5500);  // a shown suggestion is refreshed even when equal
  EXPECT_EQ(ec.panel().suggestion[kInPkTorqRPM], "5500 suggested");
}

TEST(EntryRule, DieselTakesTheLeadTimeInMilliseconds) {
  Engine e;
  InputController ec(e);
  ec.ChooseFuel(kFuelDiesel);
  EXPECT_EQ(ec.panel().label24, ec.texts().label68);
  EXPECT_EQ(ec.panel().text[kInAdvance], "0.280");  // (37 / 4) / (5500 x 6) s
  ec.EnterText(kInAdvance, "0.5");
  EXPECT_DOUBLE_EQ(e.inputs().LeadTime, static_cast<double>(0.5f) / 1000);
  EXPECT_NEAR(e.inputs().Advance, 0.0005 * 5500 * 6 * 4, 1e-6);
  ec.ChooseFuel(0);
  EXPECT_EQ(ec.panel().label24, ec.texts().label24);
}

TEST(InputStatus, ClicksApproveAllAndTheSecondStage) {
  Engine e;
  InputController ec(e);
  ec.ClickStatus(kInBore);
  EXPECT_EQ(ec.panel().status[kInBore], kStatusApproved);
  ec.ClickStatus(kInBore);
  EXPECT_EQ(ec.panel().status[kInBore], kStatusNotApproved);
  EXPECT_FALSE(ec.panel().stage2Enabled);
  ec.ApproveAll(0);
  EXPECT_TRUE(ec.panel().stage2Enabled);
  ec.ClickStatus(kInIntCFM);  // disabled colour: anything but 2 gives 5
  EXPECT_EQ(ec.panel().status[kInIntCFM], kStatusDisabledApproved);
  ec.ApproveAll(1);
  EXPECT_EQ(ec.panel().status[kInIntCFM], kStatusDisabledApproved);
  EXPECT_TRUE(ec.panel().suggestion[kInExOD].empty());
  ec.ClickStatus(kInStroke);
  EXPECT_FALSE(ec.panel().stage2Enabled);
}

// The second output page goes with the second stage: closing the stage while page 1 is shown
// turns the outputs to page 0, filled from the results; on page 0 nothing moves.
TEST(InputStatus, ClosingTheSecondStageTurnsTheOutputsToPageZero) {
  Engine e, g;
  InputController ec(e), gc(g);
  ec.ApproveAll(0);
  ec.SetOutputPage(1);
  ec.RefreshOutputs();
  // A new rod length while page 1 is shown leaves page 0 as it was.
  ec.EnterText(kInRodLen, "6.2");
  gc.EnterText(kInRodLen, "6.2");
  ASSERT_TRUE(ec.panel().stage2Enabled);
  ASSERT_EQ(ec.outputPage(), 1);
  ASSERT_NE(ec.outputs().page0, gc.outputs().page0);
  ec.ClickStatus(kInBore);
  EXPECT_FALSE(ec.panel().stage2Enabled);
  EXPECT_EQ(ec.outputPage(), 0);
  EXPECT_EQ(ec.outputs().page0, gc.outputs().page0);
  EXPECT_EQ(ec.outputs().turningPoints, gc.outputs().turningPoints);
  // Approving it again reopens the stage but leaves the page where it is.
  ec.ClickStatus(kInBore);
  EXPECT_TRUE(ec.panel().stage2Enabled);
  EXPECT_EQ(ec.outputPage(), 0);
}

// The second stage opens only when every one of inputs 0..12 is approved: each of them, the
// first and the last (the number of exhaust valves) included, holds it shut on its own. The
// inputs of the second stage play no part.
TEST(InputStatus, EveryFirstStageInputHoldsTheSecondStage) {
  Engine e;
  InputController ec(e);
  ec.ApproveAll(0);
  ASSERT_TRUE(ec.panel().stage2Enabled);
  EXPECT_EQ(ec.panel().status[kInMxIntVel], kStatusNotApproved);
  for (int n = 0; n <= 12; ++n) {
    ec.ClickStatus(n);
    EXPECT_EQ(ec.panel().status[n], kStatusNotApproved) << n;
    EXPECT_FALSE(ec.panel().stage2Enabled) << n;
    ec.ClickStatus(n);
    EXPECT_TRUE(ec.panel().stage2Enabled) << n;
  }

  // Approved one by one up to input 11: still shut; the last one opens it.
  Engine f;
  InputController fc(f);
  for (int n = 0; n <= 11; ++n) {
    if (fc.panel().status[n] != kStatusApproved) fc.ClickStatus(n);
  }
  EXPECT_FALSE(fc.panel().stage2Enabled);
  fc.ClickStatus(kInEVlvCnt);
  EXPECT_EQ(fc.panel().status[kInEVlvCnt], kStatusApproved);
  EXPECT_TRUE(fc.panel().stage2Enabled);
}

// Another fuel changes the meaning and unit of input 24, so its approval goes. The
// recalculation that follows marks it for review again; where the calculation cannot complete
// it stops before that, and the reset alone shows.
TEST(InputStatus, AnotherFuelTakesBackTheApprovalOfInput24) {
  Engine e;
  InputController ec(e);
  ec.EnterText(kInRodLen, "3");  // not longer than the stroke
  ASSERT_TRUE(ec.panel().warningVisible);
  ec.ClickStatus(kInAdvance);
  ASSERT_EQ(ec.panel().status[kInAdvance], kStatusApproved);

  EXPECT_TRUE(ec.ChooseFuel(kFuelDiesel).changed);
  EXPECT_EQ(ec.panel().status[kInAdvance], kStatusNotApproved);
  EXPECT_EQ(ec.panel().label24, ec.texts().label68);

  ec.ClickStatus(kInAdvance);
  EXPECT_FALSE(ec.ChooseFuel(kFuelDiesel).changed);  // the same fuel: nothing happens
  EXPECT_EQ(ec.panel().status[kInAdvance], kStatusApproved);

  EXPECT_TRUE(ec.ChooseFuel(kFuelAlcohol).changed);  // also between the two spark fuels
  EXPECT_EQ(ec.panel().status[kInAdvance], kStatusNotApproved);
  EXPECT_EQ(ec.panel().label24, ec.texts().label24);

  // An engine that calculates: the suggestion of the new fuel marks it for review.
  Engine f;
  InputController fc(f);
  fc.ClickStatus(kInAdvance);
  ASSERT_EQ(fc.panel().status[kInAdvance], kStatusApproved);
  fc.ChooseFuel(kFuelDiesel);
  EXPECT_EQ(fc.panel().status[kInAdvance], kStatusReview);
  EXPECT_FALSE(fc.panel().suggestion[kInAdvance].empty());
}

}  // namespace
}  // namespace orv
