#include "engine/output_panel.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/runtime_error.h"
#include "engine/input_controller.h"

namespace orv {
namespace {

using Slots = std::map<int, std::string>;

double Number(const std::string& text) { return std::stod(text); }

// Whether `text` has the shape `form`: "#" stands for one or more digits, "9" for exactly one
// digit, any other character for itself.
bool HasForm(const std::string& text, const std::string& form) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0;
  for (char f : form) {
    if (f == '#') {
      if (i >= text.size() || !digit(text[i])) return false;
      while (i < text.size() && digit(text[i])) ++i;
    } else if (f == '9') {
      if (i >= text.size() || !digit(text[i++])) return false;
    } else if (i >= text.size() || text[i++] != f) {
      return false;
    }
  }
  return i == text.size();
}

TEST(OutputPanel, PageZeroOfTheDefaultEngine) {
  Engine e;
  InputController ec(e);
  ec.DisplayOutputs(0);
  const Slots& s = ec.outputs().page0;
  // Worked by hand from the default engine: bore 4.03, stroke 3.48, rod 6, 8 cylinders, deck
  // 9.0, critical load 4350 g, weights 850 g and 385 g on two banks.
  const std::pair<int, const char*> rows[] = {
      {0, "355.1"},   // 8 x 12.75564 x 3.48 in3
      {1, "5819.3"},  // the same in cc
      {2, "1.260 "},  // 9 - (1.74 + 6), padded to width 2 + 3 + 1
      {3, "1.724 "},  // 6 / 3.48
      {4, "12.76"},
      {5, "102.04"},
      {40, "1.158 "},  // 4.03 / 3.48
      {6, "0.209 "},   // 727.41 cc / 3.48 in / 1000
      {7, "0.0048 "},  // 3.48 / 727.41
      {8, "727.41"},
      {9, "0.061"},  // 265 / 4350
      {21, "50.93% of 1700 = 865.8"},
      {22, "770.0"},
      {23, "1635.8"},                 // 770 + 865.8
      {24, "74.8 ATDC , 74.9 BTDC"},  // fastest piston at 74.8 down, 285.1 up
  };
  for (const auto& [slot, text] : rows) EXPECT_EQ(s.at(slot), text) << slot;
  EXPECT_NE(s.at(25), "");
}

TEST(OutputPanel, PageZeroInMetricUnits) {
  Engine e;
  InputController ec(e);
  ec.SetUnitMode(UnitMode::Metric);
  ec.DisplayOutputs(0);
  const Slots& s = ec.outputs().page0;
  EXPECT_EQ(s.at(0), "5819");  // cc with one more width and one decimal fewer
  EXPECT_EQ(s.at(1), "5819.3");
  EXPECT_EQ(s.at(2), "32.0  ");  // 1.26 in = 32.004 mm, width 4, 1 decimal
  EXPECT_EQ(s.at(4), "82.3 ");   // 12.7556 in2 = 82.29 cm2
  EXPECT_NEAR(Number(s.at(6)), 727.41 / 3.48 * 1000 / 25.4, 0.05);
  EXPECT_EQ(s.at(7), "0.00012");  // 0.0047841 in / 1000 x 25.4
  EXPECT_EQ(s.at(9), "1.5  ");    // 0.06092 in = 1.547 mm
  EXPECT_EQ(s.at(21), "50.93% of 1700 = 865.8");
}

TEST(OutputPanel, ZeroRotatingWeightEmptiesTheTotal) {
  Engine e;
  InputController ec(e);
  ec.DisplayOutputs(0);
  ec.EnterText(kInPinWt, "0");  // the entry rule refreshes the current page (0)
  EXPECT_EQ(ec.outputs().page0.at(22), "0.0");
  EXPECT_EQ(ec.outputs().page0.at(23), "");
  EXPECT_EQ(ec.outputs().page0.at(21), "50.93% of 1700 = 865.8");
}

TEST(OutputPanel, CriticalLoadOfZeroEmptiesItsSlot) {
  Engine e;
  InputController ec(e);
  ec.EnterText(kInCriticalG, "0");
  EXPECT_EQ(ec.outputs().page0.at(9), "");
}

TEST(OutputPanel, PageOneOfTheDefaultEngine) {
  Engine e;
  InputController ec(e);
  ec.DisplayOutputs(1);
  const Slots& s = ec.outputs().page1;
  EXPECT_EQ(s.at(13), "380");
  EXPECT_EQ(s.at(17), "580");
  EXPECT_EQ(s.at(29), "5500");
  EXPECT_EQ(s.at(30), "6800");
  EXPECT_EQ(s.at(36), "2.000");
  EXPECT_EQ(s.at(53), "2.57 ");
  EXPECT_EQ(s.at(57), "3944");  // 3.48 in x 6800 rpm / 6
  EXPECT_EQ(s.at(56), "6452");  // 0.0316292 in/deg x 6800 x 30
  EXPECT_TRUE(HasForm(s.at(10), "# to # by # ATDC")) << s.at(10);
  // Demand from 1/1.1 of the peak up to the peak.
  EXPECT_NEAR(Number(s.at(10)) * 1.1, e.results().MaxFlowDemand, 1.1);
  EXPECT_TRUE(HasForm(s.at(27), "# g's    -#.9")) << s.at(27);
  // Torque at peak power is 0.93 of the peak torque (power = torque x 0.93 x rpm / 5252).
  EXPECT_NEAR(Number(s.at(35)), 0.93 * e.results().PeakTorque, 0.51);
  // Power at peak torque: rpm x torque / 5252.
  EXPECT_NEAR(Number(s.at(32)), 5500 * e.results().PeakTorque / 5252, 0.51);
  EXPECT_NEAR(Number(s.at(49)), Number(s.at(41)) * 16.387064, 0.1);
  EXPECT_DOUBLE_EQ(ec.outputs().veDiagramPercent, 106.5);
}

TEST(OutputPanel, PageOneInMetricUnits) {
  Engine e;
  InputController ec(e);
  ec.SetUnitMode(UnitMode::Metric);
  ec.DisplayOutputs(1);
  const Slots& s = ec.outputs().page1;
  EXPECT_EQ(s.at(13), "116");   // 380 ft/s = 115.8 m/s
  EXPECT_EQ(s.at(57), "1202");  // 3944 ft/min = 1202.1 m/min
  EXPECT_EQ(s.at(36), "50.8 ");
  EXPECT_NEAR(Number(s.at(14)), e.results().PortAreaTorque * 645.16, 0.5);  // mm2
  EXPECT_NEAR(Number(s.at(31)), e.results().BMEP * 0.06894757, 0.0005);     // bar
  EXPECT_TRUE(HasForm(s.at(31), "#.999")) << s.at(31);
  // Airflow converts only in the cubic-metre unit system.
  EXPECT_TRUE(HasForm(s.at(10), "# to # by # ATDC")) << s.at(10);
  ec.SetUnitMode(UnitMode::MetricM3);
  ec.DisplayOutputs(1);
  EXPECT_TRUE(HasForm(s.at(10), "#.99 to #.99 by # ATDC")) << s.at(10);
  EXPECT_NEAR(Number(s.at(10)) * 1.1 * 35.31445483391204, e.results().MaxFlowDemand, 0.5);
}

TEST(OutputPanel, PageOneRunsTheCrankKinematicsFirst) {
  Engine e;
  InputController ec(e);
  e.inputs().Stroke = 3.0;  // no recalculation
  ec.DisplayOutputs(1);
  EXPECT_NEAR(e.results().EffectiveStroke, 3.0, 1e-12);
  EXPECT_NEAR(e.tables().PistonPosition[180], 3.0, 1e-12);
}

TEST(OutputPanel, PageOneRerunsWhenARecalculationStoppedBeforeTheKinematics) {
  Engine e;
  InputController ec(e);
  e.inputs().Stroke = 3.0;
  e.ReCalc(-1);       // kinematics of the 3.0 stroke
  e.inputs().CR = 1;  // the clearance volume divides by CR - 1
  e.inputs().Stroke = 3.48;
  EXPECT_THROW(e.ReCalc(-1), RuntimeError);
  EXPECT_NEAR(e.tables().PistonPosition[180], 3.0, 1e-12);
  ec.DisplayOutputs(1);
  EXPECT_NEAR(e.tables().PistonPosition[180], 3.48, 1e-12);
}

TEST(OutputPanel, FaultStopsThePageAtItsSlot) {
  Engine e;
  InputController ec(e);
  ec.DisplayOutputs(0);
  const Slots before = ec.outputs().page0;
  e.inputs().Bore = 4.5;
  e.ReCalc(-1);
  e.inputs().CriticalG = 1e-320;  // 265 / 1e-320 overflows
  try {
    ec.DisplayOutputs(0);
    FAIL() << "no error";
  } catch (const RuntimeError& err) {
    EXPECT_EQ(err.number(), kErrOverflow);
  }
  const Slots& s = ec.outputs().page0;
  EXPECT_NE(s.at(0), before.at(0));  // written before the fault
  EXPECT_NE(s.at(8), before.at(8));
  EXPECT_EQ(s.at(9), before.at(9));  // the failing slot and those after it keep their texts
  EXPECT_EQ(s.at(21), before.at(21));
}

TEST(OutputPanel, OtherPageNumbersDoNothing) {
  Engine e;
  InputController ec(e);  // fills page 0 only
  const OutputPanel before = ec.outputs();
  ec.DisplayOutputs(2);
  ec.DisplayOutputs(-1);
  EXPECT_EQ(ec.outputs().page0, before.page0);
  EXPECT_EQ(ec.outputs().page1.at(10), "");
}

}  // namespace
}  // namespace orv
