#include "engine/calc_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/engine_results.h"
#include "engine/input_controller.h"

namespace orv {
namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::map<std::string, double> ResultsOf(const Engine& e) {
  std::map<std::string, double> m;
  ForEachResult(e.results(), [&](const char* name, double v) { m[name] = v; });
  return m;
}

// Engines that take every branch the model has: two banks and one, each fuel, a charge above,
// at and below 100 %, no bowl area typed, no peak intake velocity, an offset wrist pin.
struct Variant {
  const char* name;
  std::function<void(EngineInputs&)> change;
};
const std::vector<Variant>& Variants() {
  static const std::vector<Variant> v = {
      {"default V8", [](EngineInputs&) {}},
      {"inline four",
       [](EngineInputs& in) {
         in.FiringAngle = 0;
         in.Cylinders = 4;
       }},
      {"alcohol", [](EngineInputs& in) { in.Fuel = kFuelAlcohol; }},
      {"diesel, VE 0.95",
       [](EngineInputs& in) {
         in.Fuel = kFuelDiesel;
         in.VE = 0.95;
       }},
      {"VE 0.85, no bowl area, flat tappet",
       [](EngineInputs& in) {
         in.VE = 0.85;
         in.BowlA = 0;
         in.VTType = 0;
       }},
      {"no peak intake velocity, offset pin, VE 1.2",
       [](EngineInputs& in) {
         in.MxIntVel = 0;
         in.PinOff = 0.06;
         in.VE = 1.2;
         in.VTType = 2;
       }},
      {"no pin-end weight", [](EngineInputs& in) { in.PinEndWeight = 0; }},
  };
  return v;
}

Engine EngineOf(const Variant& v) {
  Engine e;
  v.change(e.inputs());
  EXPECT_EQ(e.ReCalc(-1), Engine::CalcOutcome::Complete) << v.name;
  return e;
}

TEST(CalcRecord, EveryResultIsRecordedWithItsValueAndRecomputesBitForBit) {
  for (const Variant& v : Variants()) {
    Engine e = EngineOf(v);
    CalcRecord rec;
    ASSERT_EQ(e.ReCalc(-1, nullptr, &rec), Engine::CalcOutcome::Complete);
    int count = 0;
    ForEachResult(e.results(), [&](const char* name, double value) {
      ++count;
      const Formula* f = rec.Find(name);
      ASSERT_NE(f, nullptr) << v.name << ": " << name;
      ASSERT_TRUE(f->expr) << name;
      EXPECT_TRUE(SameBits(f->value, value))
          << v.name << ": " << name << " " << f->value << " vs " << value;
      const double again = Evaluate(*f->expr);
      EXPECT_TRUE(SameBits(again, value))
          << v.name << ": " << name << " recomputes to " << again << ", not " << value << "\n"
          << FormulaText(*f->expr, false);
      EXPECT_FALSE(FormulaText(*f->expr, false).empty());
    });
    EXPECT_EQ(count, static_cast<int>(rec.formulas().size()));
  }
}

// An operand whose value is changed in the record changes the recomputed value: the formula is
// evaluated from its operands, not read back.
TEST(CalcRecord, RecomputingReadsTheOperands) {
  Engine e;
  CalcRecord rec;
  e.ReCalc(-1, nullptr, &rec);
  const Formula* f = rec.Find("BoreArea");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(FormulaText(*f->expr, false), "Bore x Bore x pi / 4");
  EXPECT_EQ(FormulaText(*f->expr, true), "4.03 x 4.03 x 3.14159 / 4");
  auto copy = std::make_shared<Node>(*f->expr);
  // Bore x Bore x pi / 4: replace the divisor 4 by 2.
  auto two = std::make_shared<Node>(*copy->args[1]);
  two->value = 2;
  copy->args[1] = two;
  EXPECT_DOUBLE_EQ(Evaluate(*copy), 2 * f->value);
}

TEST(CalcRecord, RecordingLeavesTheResultsAsThePlainRecalculation) {
  for (const Variant& v : Variants()) {
    Engine plain = EngineOf(v);
    Engine recorded = EngineOf(v);
    CalcRecord rec;
    recorded.ReCalc(-1, nullptr, &rec);
    plain.ReCalc(-1);
    EXPECT_EQ(ResultsOf(plain), ResultsOf(recorded)) << v.name;
  }
}

std::set<int> Keys(std::initializer_list<int> n) { return std::set<int>(n); }

TEST(CalcRecord, DependenciesOfSomeResultsAsTheModelHasThem) {
  Engine e;
  CalcRecord rec;
  e.ReCalc(-1, nullptr, &rec);
  EXPECT_EQ(InputsOf(rec, "Displacement"), Keys({kInBore, kInStroke, kInCylinders}));
  EXPECT_EQ(InputsOf(rec, "BoreArea"), Keys({kInBore}));
  EXPECT_EQ(InputsOf(rec, "DeckClearance"), Keys({kInStroke, kInRodLen, kInDeckHeight}));
  // Two banks per pin decide the doubling.
  EXPECT_EQ(InputsOf(rec, "RecipWeightUsed"), Keys({kInFiringAngle, kInPinEndWeight}));
  EXPECT_EQ(InputsOf(rec, "ValveTrainFactor"), Keys({kInVTType}));
  EXPECT_EQ(InputsOf(rec, "MaxPistonVelocity"), Keys({kInStroke, kInRodLen, kInPinOff}));
  EXPECT_EQ(InputsOf(rec, "BalanceFactor"),
            Keys({kInStroke, kInRodLen, kInPinOff, kInFiringAngle}));
  EXPECT_EQ(InputsOf(rec, "BowlAreaUsed"), Keys({kInBowlA}));
  // The fuel decides the alcohol factor of the work; the advance shapes the pressure curve.
  const std::set<int> work = InputsOf(rec, "WorkAtTorquePeak");
  for (int n : {kInFuel, kInAdvance, kInCR, kInVE, kInPkTorqRPM, kInIntTemp, kInStroke}) {
    EXPECT_TRUE(work.contains(n)) << n;
  }
  EXPECT_FALSE(work.contains(kInBore));
  EXPECT_FALSE(work.contains(kInPkPwrRPM));
  const std::vector<std::string> bore = DependentsOf(rec, kInBore);
  EXPECT_NE(std::find(bore.begin(), bore.end(), "PeakPower"), bore.end());
  EXPECT_EQ(std::find(bore.begin(), bore.end(), "RodRatio"), bore.end());
}

// A changed value for input n that keeps the engine calculable.
double ChangedInput(const EngineInputs& in, int n) {
  const double v = InputValue(in, n);
  switch (n) {
    case kInCylinders:
      return v == 8 ? 6 : 8;
    case kInFiringAngle:
      return v > 0 ? v + 30 : 0;  // a second bank stays the same choice
    case kInIVlvCnt:
    case kInEVlvCnt:
      return v + 1;
    case kInVTType:
      return v == 2 ? 0 : v + 1;
    case kInFuel:
      return v == 0 ? 2 : 0;
    case kInPinOff:
      return v + 0.031;
    default:
      return v * 1.013 + 0.017;
  }
}

// Changing an input a result does not rest on, by the record, leaves it bit for bit the same;
// changing every input changes at least one result that rests on it.
TEST(CalcRecord, ResultsDoNotMoveWithInputsTheyDoNotRestOn) {
  for (const Variant& v : Variants()) {
    Engine base = EngineOf(v);
    CalcRecord rec;
    base.ReCalc(-1, nullptr, &rec);
    const std::map<std::string, double> before = ResultsOf(base);
    for (int n = 0; n < kEngineInputCount; ++n) {
      Engine changed = base;
      StoreInputValue(changed.inputs(), n, ChangedInput(base.inputs(), n));
      if (changed.ReCalc(-1) != Engine::CalcOutcome::Complete) continue;
      const std::map<std::string, double> after = ResultsOf(changed);
      for (const auto& [name, value] : before) {
        if (!InputsOf(rec, name).contains(n)) {
          EXPECT_TRUE(SameBits(value, after.at(name)))
              << v.name << ": " << name << " moved with input " << InputInfoOf(n).key;
        }
      }
    }
  }
}

// Every slot of both pages has a formula whose value is the first number the slot shows, in
// every unit system, and it recomputes from its operands bit for bit.
TEST(CalcRecord, EveryOutputSlotIsTheNumberItShows) {
  for (const Variant& v : Variants()) {
    for (UnitMode mode : {UnitMode::English, UnitMode::Metric, UnitMode::MetricM3}) {
      Engine e;
      v.change(e.inputs());
      InputController ec(e);
      ec.SetUnitMode(mode);
      CalcRecord rec;
      ASSERT_EQ(e.ReCalc(-1, nullptr, &rec), Engine::CalcOutcome::Complete);
      ec.FillBothOutputPages();
      RecordOutputSlots(e, mode, ec.texts(), ec.outputs(), rec);
      int slots = 0;
      for (int page : {0, 1}) {
        for (const auto& [slot, text] : page == 0 ? ec.outputs().page0 : ec.outputs().page1) {
          ++slots;
          const std::string key = "page" + std::to_string(page) + "." + std::to_string(slot);
          const Formula* f = rec.Find(key);
          ASSERT_NE(f, nullptr) << v.name << ": " << key;
          EXPECT_EQ(f->text, text) << key;
          const double shown = FirstNumber(text);
          if (std::isnan(shown)) {
            EXPECT_TRUE(std::isnan(f->value)) << v.name << ": " << key << " \"" << text << "\"";
          } else {
            EXPECT_EQ(f->value, shown) << v.name << ": " << key << " \"" << text << "\"\n"
                                       << FormulaText(*f->expr, false);
          }
          const double again = Evaluate(*f->expr);
          EXPECT_TRUE(SameBits(again, f->value) || (std::isnan(again) && std::isnan(f->value)))
              << v.name << ": " << key << " recomputes to " << again;
        }
      }
      EXPECT_EQ(slots, 90);
    }
  }
}

TEST(CalcRecord, SlotsRestOnTheInputsOfTheirResults) {
  Engine e;
  InputController ec(e);
  CalcRecord rec;
  e.ReCalc(-1, nullptr, &rec);
  ec.FillBothOutputPages();
  RecordOutputSlots(e, UnitMode::Metric, ec.texts(), ec.outputs(), rec);
  EXPECT_EQ(InputsOf(rec, "page0.0"), Keys({kInBore, kInStroke, kInCylinders}));
  EXPECT_EQ(InputsOf(rec, "page0.40"), Keys({kInBore, kInStroke}));
  EXPECT_EQ(InputsOf(rec, "page1.13"), Keys({kInMxIntVel}));
  // The distances of the turning points from the balance factor rest on the typed factor.
  EXPECT_TRUE(InputsOf(rec, "page0.70").contains(kInRecipBF));
  EXPECT_FALSE(InputsOf(rec, "page0.90").contains(kInRecipBF));
  const std::vector<std::string> recip = DependentsOf(rec, kInRecipBF);
  EXPECT_NE(std::find(recip.begin(), recip.end(), "page0.70"), recip.end());
  EXPECT_EQ(std::find(recip.begin(), recip.end(), "BalanceFactor"), recip.end());
  // A metric length is shown in millimetres.
  EXPECT_EQ(rec.Find("page0.2")->unit, "mm");
  EXPECT_NEAR(rec.Find("page0.2")->value, e.results().DeckClearance * 25.4, 0.05);
}

// A slot's text does not move with an input its record says it does not rest on.
TEST(CalcRecord, SlotsDoNotMoveWithInputsTheyDoNotRestOn) {
  for (const Variant& v : Variants()) {
    Engine base;
    v.change(base.inputs());
    CalcRecord rec;
    OutputPanel before;
    {
      InputController ec(base);
      base.ReCalc(-1, nullptr, &rec);
      ec.FillBothOutputPages();
      before = ec.outputs();
      RecordOutputSlots(base, UnitMode::English, ec.texts(), before, rec);
    }
    for (int n = 0; n < kEngineInputCount; ++n) {
      Engine changed = base;
      StoreInputValue(changed.inputs(), n, ChangedInput(base.inputs(), n));
      InputController ec(changed);
      if (changed.lastCalc() != Engine::CalcOutcome::Complete) continue;
      ec.FillBothOutputPages();
      for (int page : {0, 1}) {
        const auto& old = page == 0 ? before.page0 : before.page1;
        const auto& now = page == 0 ? ec.outputs().page0 : ec.outputs().page1;
        for (const auto& [slot, text] : old) {
          const std::string key = "page" + std::to_string(page) + "." + std::to_string(slot);
          if (!InputsOf(rec, key).contains(n)) {
            EXPECT_EQ(text, now.at(slot))
                << v.name << ": " << key << " moved with input " << InputInfoOf(n).key;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace orv
