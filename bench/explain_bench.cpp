// Speed of the recorded recalculation and of a result's sensitivity over its inputs, against
// the plain recalculation.
#include <benchmark/benchmark.h>

#include "app/explain_command.h"
#include "engine/calc_record.h"
#include "engine/engine.h"
#include "engine/input_controller.h"

namespace orv {
namespace {

void BM_ReCalcPlain(benchmark::State& state) {
  Engine e;
  for (auto _ : state) {
    e.ReCalc(-1);
    benchmark::DoNotOptimize(e.results().PeakPower);
  }
}
BENCHMARK(BM_ReCalcPlain);

// The recalculation with every named result recorded.
void BM_ReCalcRecorded(benchmark::State& state) {
  Engine e;
  CalcRecord record;
  for (auto _ : state) {
    e.ReCalc(-1, nullptr, &record);
    benchmark::DoNotOptimize(record.formulas().size());
  }
}
BENCHMARK(BM_ReCalcRecorded);

// The record of the results and both output pages, as explain builds it.
void BM_RecordEngine(benchmark::State& state) {
  Engine e;
  InputController controller(e);
  for (auto _ : state) {
    const CalcRecord record = RecordEngine(controller);
    benchmark::DoNotOptimize(record.formulas().size());
  }
}
BENCHMARK(BM_RecordEngine)->Unit(benchmark::kMillisecond);

// Peak power over every input it rests on, each a step up and down.
void BM_SensitivityPeakPower(benchmark::State& state) {
  Engine e;
  InputController controller(e);
  const CalcRecord record = RecordEngine(controller);
  for (auto _ : state) {
    const auto rows = Sensitivity(controller, record, "PeakPower");
    benchmark::DoNotOptimize(rows.size());
  }
  state.counters["inputs"] =
      static_cast<double>(Sensitivity(controller, record, "PeakPower").size());
}
BENCHMARK(BM_SensitivityPeakPower)->Unit(benchmark::kMillisecond);

// A slot over its inputs: each step rebuilds the slot's record.
void BM_SensitivityTorqueSlot(benchmark::State& state) {
  Engine e;
  InputController controller(e);
  const CalcRecord record = RecordEngine(controller);
  for (auto _ : state) {
    const auto rows = Sensitivity(controller, record, "page1.34");
    benchmark::DoNotOptimize(rows.size());
  }
}
BENCHMARK(BM_SensitivityTorqueSlot)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orv
