#include "engine/input_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/number_format.h"
#include "base/runtime_error.h"

namespace orv {
namespace {

// Keeps what a recalculation told, in order.
class RecordingListener final : public RecalcListener {
 public:
  struct Event {
    char kind;  // 'D' derived input set, 'R' replaced, 'S' suggested, 'C' calculation state
    int n;
    double held;
    double value;
  };
  void DerivedInputSet(int n) override { events.push_back({'D', n, 0, 0}); }
  void InputReplaced(int n) override { events.push_back({'R', n, 0, 0}); }
  void InputSuggested(int n, double held, double suggested) override {
    events.push_back({'S', n, held, suggested});
  }
  void CalculationState(bool cannotComplete) override {
    events.push_back({'C', -1, 0, cannotComplete ? 1.0 : 0.0});
  }
  std::string Kinds() const {
    std::string k;
    for (const Event& e : events) k += e.kind + std::to_string(e.n) + " ";
    return k;
  }
  std::vector<Event> events;
};

TEST(RecalcListener, TypedRpmAtPeakPowerIsToldInTheOrderItHappens) {
  Engine e;  // the rpm at peak power is the typed one of inputs 21 and 22
  e.inputs().PkPwrRPM = 7000;
  RecordingListener rec;
  EXPECT_EQ(e.ReCalc(kInPkPwrRPM, &rec), Engine::CalcOutcome::Complete);
  // The kinematics complete; the torque rpm and the airflow are suggested, the airflow is
  // taken over; last the exhaust tube is suggested.
  EXPECT_EQ(rec.Kinds(), "C-1 S23 S21 R21 S20 ");
  EXPECT_EQ(rec.events[1].held, 5500);
  EXPECT_DOUBLE_EQ(rec.events[1].value, 7000 / 1.32);
  EXPECT_EQ(rec.events[2].held, 315.0337);  // the airflow held before it was replaced
  const EngineResults& r = e.results();
  const double cfm = r.MaxPistonVelocity * 1.058300524 * 7000 * r.BoreArea * 0.415 / 5.04;
  EXPECT_DOUBLE_EQ(rec.events[2].value, cfm);
  EXPECT_DOUBLE_EQ(e.inputs().IntCFM, cfm);
  EXPECT_EQ(rec.events[4].held, 2.0);
}

TEST(RecalcListener, DerivedInputsAndTheStateOfTheCalculation) {
  Engine e;
  e.inputs().IntTemp = 100;
  RecordingListener rec;
  e.ReCalc(kInIntTemp, &rec);
  EXPECT_EQ(rec.Kinds(), "D15 C-1 S20 ");  // the critical velocity follows the temperature

  e.inputs().Stroke = 6;  // the rod no longer reaches: the kinematics cannot complete
  e.inputs().RodLen = 6;
  rec.events.clear();
  EXPECT_EQ(e.ReCalc(-1, &rec), Engine::CalcOutcome::CannotComplete);
  EXPECT_EQ(rec.Kinds(), "C-1 ");
  EXPECT_EQ(rec.events[0].value, 1);

  e.inputs().Bore = 0;
  rec.events.clear();
  EXPECT_EQ(e.ReCalc(-1, &rec), Engine::CalcOutcome::NotStarted);
  EXPECT_TRUE(rec.events.empty());
}

// Every scalar result and every per-degree table, to compare whole result sets.
std::vector<double> AllResults(const Engine& e) {
  std::vector<double> all;
  ForEachResult(e.results(), [&](const char*, double v) { all.push_back(v); });
  ForEachTable(e.tables(), [&](const char*, const BoundedArray<double>& t) {
    for (double v : t.values()) all.push_back(v);
  });
  return all;
}

TEST(InputController, RecipBalanceFactorEnterStoresShowsAndAnalysesWithoutRecalculating) {
  Engine e;
  InputController c(e);
  c.DisplayOutputs(0);
  c.BalanceAnalysis();
  const std::vector<double> results = AllResults(e);
  ASSERT_FALSE(c.outputs().turningPoints.empty());
  const float first = c.outputs().turningPoints[0].value;
  ASSERT_EQ(c.outputs().page0.at(70), FormatNumber(55.1f - first, 3, 2) + "%");

  struct Row {
    const char* typed;
    float held;
    const char* shown;
    bool changed;
  };
  const Row rows[] = {
      {"50.123", 50.12f, "50.12", true},  // shown rounded: held as shown
      {"50.12", 50.12f, "50.12", false},  // the value held already
      {"50", 50.0f, "50.00", true},       // a new value typed exactly as it shows
      {"abc", 0.0f, "0.00", true},        // no number reads 0
  };
  for (const Row& row : rows) {
    const EntryResult r = c.EnterRecipBalanceFactor(row.typed);
    EXPECT_EQ(e.inputs().RecipBF, row.held) << row.typed;
    EXPECT_EQ(c.panel().text[kInRecipBF], row.shown) << row.typed;
    EXPECT_EQ(r.changed, row.changed) << row.typed;
    EXPECT_FALSE(r.recalculated) << row.typed;
    EXPECT_EQ(r.beeps, 0) << row.typed;
    // The distance of the first turning point from the balance factor follows at once.
    EXPECT_EQ(c.outputs().page0.at(70), FormatNumber(row.held - first, 3, 2) + "%") << row.typed;
    EXPECT_EQ(c.outputs().chart.recipBF, static_cast<double>(row.held)) << row.typed;
    EXPECT_EQ(AllResults(e), results) << row.typed;
  }
}

TEST(InputController, AnEntryWithoutRecalculationStoresAndShowsOnly) {
  Engine e;
  InputController c(e);
  const double area = e.results().BoreArea;
  const EntryResult r = c.EnterText(kInBore, "4.125", false);
  EXPECT_TRUE(r.changed);
  EXPECT_FALSE(r.recalculated);
  EXPECT_EQ(e.inputs().Bore, 4.125);
  EXPECT_EQ(c.panel().text[kInBore], "4.125");
  EXPECT_EQ(e.results().BoreArea, area);
  EXPECT_TRUE(c.panel().suggestion[kInIntCFM].empty());
  c.Recalculate(kInBore);
  EXPECT_EQ(c.panel().suggestion[kInIntCFM], "238.8 suggested");
  EXPECT_DOUBLE_EQ(e.results().BoreArea, 4.125 * 4.125 * 3.141592654 / 4);  // the model's pi
}

TEST(InputController, AnEntryThatEndsInAnErrorStillTellsWhatItChanged) {
  Engine e;
  InputController c(e);
  // A compression ratio of 1 leaves no clearance volume: the division raises error 11.
  try {
    c.EnterText(kInCR, "1");
    FAIL() << "no error";
  } catch (const RuntimeError& err) {
    EXPECT_EQ(err.number(), kErrDivByZero);
  }
  EXPECT_EQ(e.inputs().CR, 1);
  EXPECT_TRUE(c.lastEntry().changed);
  EXPECT_TRUE(c.lastEntry().recalculated);
  EXPECT_EQ(c.panel().text[kInCR], "1.0 ");  // width 2 and one decimal: four characters
}

TEST(InputController, UnitModeChangesEveryBoxAndTheOutputs) {
  Engine e;
  InputController c(e);
  c.SetUnitMode(UnitMode::MetricM3);
  EXPECT_EQ(c.panel().text[kInBore], "102.4");    // 4.03 in = 102.362 mm
  EXPECT_EQ(c.panel().text[kInIntCFM], "8.921");  // 315.0337 / 35.31445 m3/min
  c.DisplayOutputs(1);
  EXPECT_EQ(c.outputs().page1.at(36), "50.8 ");  // the exhaust tube, 2 in, in mm
}

}  // namespace
}  // namespace orv
