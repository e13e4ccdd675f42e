#include "engine/balance_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "base/number_format.h"
#include "engine/crank_kinematics.h"
#include "engine/input_controller.h"

namespace orv {
namespace {

// Tables whose balance curve is f(degree) and whose single-bank share is g(degree).
EngineTables Curve(
    const std::function<double(int)>& f,
    const std::function<double(int)>& g = [](int) { return 0.0; }) {
  EngineTables t;
  for (int d = 0; d <= 360; ++d) {
    t.BalanceCurve[d] = f(d);
    t.BalanceShare[d] = g(d);
  }
  return t;
}

// Straight lines through (0, 60), (90, 40), (180, 70), (270, 40), (360, 60).
double FourTurns(int d) {
  const double x[] = {0, 90, 180, 270, 360};
  const double y[] = {60, 40, 70, 40, 60};
  for (int k = 0; k < 4; ++k) {
    if (d <= x[k + 1]) return y[k] + (y[k + 1] - y[k]) * (d - x[k]) / 90;
  }
  return 60;
}

void ExpectMarks(const std::vector<ChartMark>& marks, const std::vector<ChartMark>& expected) {
  ASSERT_EQ(marks.size(), expected.size());
  for (std::size_t k = 0; k < marks.size(); ++k) {
    EXPECT_EQ(marks[k].label, expected[k].label) << k;
    EXPECT_NEAR(marks[k].angle, expected[k].angle, 1e-9) << k;
  }
}

OutputPanel Analyse(const EngineTables& t, float recipBF = 55.1f, double firingAngle = 90,
                    double bdcDegrees = 180) {
  EngineResults r;
  r.BDCAngle = bdcDegrees * kRadPerDegree;
  OutputPanel out;
  AnalyseBalance(t, r, recipBF, firingAngle, EngineTexts{}, out);
  return out;
}

TEST(BalanceAnalysis, FourTurningPointsSplitOverTwoColumns) {
  const OutputPanel out = Analyse(Curve(FourTurns));
  ASSERT_EQ(out.turningPoints.size(), 4u);
  const TurningPoint expected[] = {{60, -1, 0}, {40, 0, 90}, {70, -1, 180}, {40, 0, 270}};
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(out.turningPoints[k], expected[k]) << k;

  const std::pair<int, const char*> rows[] = {
      // Values: first column the first two points, second column the last two.
      {90, "60.00 %"},
      {91, "0   deg"},
      {92, "40.00 %"},
      {93, "90  deg"},
      {94, ""},
      {95, ""},
      {96, ""},
      {97, ""},
      {98, "70.00 %"},
      {99, "180 deg"},
      {100, "40.00 %"},
      {101, "270 deg"},
      {102, ""},
      {103, ""},
      {104, ""},
      {105, ""},
      // Distance from the typed balance factor 55.1.
      {70, "-4.90 %"},
      {71, "0   deg"},
      {72, "15.10 %"},
      {73, "90  deg"},
      {74, ""},
      {77, ""},
      {78, "-14.90%"},
      {79, "180 deg"},
      {80, "15.10 %"},
      {81, "270 deg"},
      {82, ""},
      {85, ""},
      // Mean of the curve over degrees 1..360: (4490 + 4965 + 4935 + 4510) / 360.
      {46, "52.50%"},
      // Mean of the turning values (60 + 40 + 70 + 40) / 4, and the middle of 40 and 70.
      {47, "52.50%"},
      {48, "55.00%"},
  };
  for (const auto& [slot, text] : rows) EXPECT_EQ(out.page0.at(slot), text) << slot;
}

TEST(BalanceAnalysis, MoreThanEightTurningPointsListsTheFirstEight) {
  // cos 5x: maxima every 72 degrees from 0, minima between them: ten points.
  const OutputPanel out =
      Analyse(Curve([](int d) { return 50 + 10 * std::cos(5 * d * kRadPerDegree); }));
  ASSERT_EQ(out.turningPoints.size(), 10u);
  EXPECT_EQ(out.turningPoints[9].angle, 324);
  const std::pair<int, const char*> rows[] = {
      {91, "0   deg"},  {93, "36  deg"},  {95, "72  deg"},  {97, "108 deg"}, {99, "144 deg"},
      {101, "180 deg"}, {103, "216 deg"}, {105, "252 deg"}, {90, "60.00 %"}, {92, "40.00 %"},
      {104, "40.00 %"}, {79, "144 deg"},  {47, "50.00%"},   {48, "50.00%"},
  };
  for (const auto& [slot, text] : rows) EXPECT_EQ(out.page0.at(slot), text) << slot;
  EXPECT_FALSE(out.page0.contains(106));
}

TEST(BalanceAnalysis, FlatCurveHasNoTurningPoints) {
  OutputPanel out = Analyse(Curve(FourTurns));  // first fill every slot
  AnalyseBalance(Curve([](int) { return 48.0; }), EngineResults{}, 55.1f, 90, EngineTexts{}, out);
  EXPECT_TRUE(out.turningPoints.empty());
  EXPECT_EQ(out.page0.at(46), "48.00%");
  EXPECT_EQ(out.page0.at(47), "");
  EXPECT_EQ(out.page0.at(48), "");
  for (int slot : {70, 73, 78, 85, 90, 97, 98, 105}) EXPECT_EQ(out.page0.at(slot), "") << slot;
}

TEST(BalanceAnalysis, SingleBankPeaksOnEachHalfTurn) {
  // Peaks of 100 at degrees 45 and 90 (the first wins the tie) and 300 on the second half.
  auto share = [](int d) {
    if (d == 45 || d == 90) return 100.0;
    if (d >= 180) return 100 - std::abs(d - 300) / 10.0;
    return static_cast<double>(d) / 10;
  };
  const OutputPanel out = Analyse(Curve(FourTurns, share));
  EXPECT_EQ(out.page0.at(50), "100.00% at 45 deg ATDC");
  EXPECT_EQ(out.page0.at(51), "100.00% at 60 deg BTDC");  // 360 - 300
}

// Shares that differ only beyond single precision are a tie: the first degree wins. In double
// precision the later degree would be the larger.
TEST(BalanceAnalysis, PeaksTieInSinglePrecision) {
  struct Row {
    const char* name;
    std::function<double(int)> share;
    const char* slot50;
    const char* slot51;
  };
  const Row rows[] = {
      {"tie on the first half", [](int d) { return d == 40   ? 50.0
                                                   : d == 41 ? 50.000001
                                                             : 10.0; },
       "50.00% at 40 deg ATDC", "10.00% at 180 deg BTDC"},
      {"tie on the second half",
       [](int d) { return d == 200   ? 50.0
                          : d == 201 ? 50.000001
                                     : 10.0; }, "10.00% at 1 deg ATDC",
       "50.00% at 160 deg BTDC"},
      // 180 belongs to both halves: the last degree of the first, the first of the second.
      {"the middle degree", [](int d) { return d == 180 ? 30.0 : 10.0; }, "30.00% at 180 deg ATDC",
       "30.00% at 180 deg BTDC"},
      // A difference single precision holds is no tie.
      {"no tie", [](int d) { return d == 40   ? 50.0
                                    : d == 41 ? 50.0001
                                              : 10.0; },
       "50.00% at 41 deg ATDC", "10.00% at 180 deg BTDC"},
  };
  ASSERT_EQ(static_cast<float>(50.000001), 50.0f);
  for (const Row& row : rows) {
    const OutputPanel out = Analyse(Curve(FourTurns, row.share));
    EXPECT_EQ(out.page0.at(50), row.slot50) << row.name;
    EXPECT_EQ(out.page0.at(51), row.slot51) << row.name;
  }
}

TEST(BalanceAnalysis, ChartMarksTheDeadCentresOfEachBank) {
  const EngineTables t = Curve(FourTurns);
  const OutputPanel one = Analyse(t, 55.1f, 0, 180.4);
  ExpectMarks(one.chart.marks, {{0, "TDC"}, {180.4, "BDC"}});
  EXPECT_EQ(one.chart.curve.size(), 361u);
  EXPECT_EQ(one.chart.curve[90], 40);
  EXPECT_FLOAT_EQ(static_cast<float>(one.chart.recipBF), 55.1f);
  EXPECT_EQ(one.chart.recipLabels, (std::vector<std::string>{"YOUR  ", "BALANCE  ", "FACTOR  "}));

  const OutputPanel vee = Analyse(t, 55.1f, 90, 180);
  ExpectMarks(vee.chart.marks, {{0, "TDC1"}, {90, "TDC2"}, {180, "BDC1"}, {270, "BDC2"}});

  const OutputPanel flat = Analyse(t, 55.1f, 180, 180);  // the banks' dead centres coincide
  ExpectMarks(flat.chart.marks, {{0, "TDC1/BDC2"}, {180, "TDC2/BDC1"}});
}

TEST(BalanceAnalysis, SingleBankEngineListsItsOwnShare) {
  Engine e;
  InputController ec(e);
  ec.EnterText(kInFiringAngle, "0");  // page 0 is current: the analysis is refreshed
  const EngineTables& t = e.tables();
  for (int d = 1; d <= 360; ++d) ASSERT_EQ(t.BalanceCurve[d], t.BalanceShare[d]) << d;
  float best = static_cast<float>(t.BalanceShare[1]);
  int at = 1;
  for (int d = 2; d <= 180; ++d) {
    if (static_cast<float>(t.BalanceShare[d]) > best) {
      best = static_cast<float>(t.BalanceShare[d]);
      at = d;
    }
  }
  EXPECT_EQ(ec.outputs().page0.at(50),
            FormatPattern(best, "0.00") + "% at " + std::to_string(at) + " deg ATDC");
  EXPECT_FALSE(ec.outputs().turningPoints.empty());
}

TEST(BalanceAnalysis, TypedBalanceFactorMovesTheDistances) {
  Engine e;
  InputController ec(e);
  ec.BalanceAnalysis();
  const std::string value = ec.outputs().page0.at(90);
  ec.EnterText(kInRecipBF, "60");
  EXPECT_EQ(ec.outputs().page0.at(90), value);
  const float v = ec.outputs().turningPoints.front().value;
  EXPECT_EQ(ec.outputs().page0.at(70), FormatNumber(60.0f - v, 3, 2) + "%");
}

}  // namespace
}  // namespace orv
