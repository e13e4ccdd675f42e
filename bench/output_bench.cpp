// Speed of the output panel and of the per-degree curves the graph and the curve export read.
#include <benchmark/benchmark.h>

#include "engine/input_controller.h"

namespace orv {
namespace {

// Page 0 with its balance analysis, as the window refreshes it after an entry.
void BM_OutputPage0(benchmark::State& state) {
  Engine e;
  InputController c(e);
  for (auto _ : state) {
    c.DisplayOutputs(0);
    c.BalanceAnalysis();
    benchmark::DoNotOptimize(c.outputs().page0.at(21).size());
  }
}
BENCHMARK(BM_OutputPage0);

// Page 1 after a recalculation (the crank kinematics are current).
void BM_OutputPage1(benchmark::State& state) {
  Engine e;
  InputController c(e);
  for (auto _ : state) {
    c.DisplayOutputs(1);
    benchmark::DoNotOptimize(c.outputs().page1.at(10).size());
  }
}
BENCHMARK(BM_OutputPage1);

// Page 1 when the kinematic inputs changed without a recalculation, so that the page has to
// run the crank kinematics again (the stroke alternates between two values).
void BM_OutputPage1Rerun(benchmark::State& state) {
  Engine e;
  InputController c(e);
  bool flip = false;
  for (auto _ : state) {
    e.inputs().Stroke = flip ? 3.48 : 3.5;
    flip = !flip;
    c.DisplayOutputs(1);
    benchmark::DoNotOptimize(c.outputs().page1.at(10).size());
  }
}
BENCHMARK(BM_OutputPage1Rerun);

// All 13 curves at the 721 whole degrees -360..360.
void BM_AllCurves(benchmark::State& state) {
  Engine e;
  for (auto _ : state) {
    double sum = 0;
    for (int code = 1; code <= 13; ++code) {
      for (int n = -360; n <= 360; ++n) sum += e.DataAtPt(code, n);
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_AllCurves);

// The same count of readings at fractional angles (half-degree offsets).
void BM_AllCurvesFractional(benchmark::State& state) {
  Engine e;
  for (auto _ : state) {
    double sum = 0;
    for (int code = 1; code <= 13; ++code) {
      for (int n = -360; n < 360; ++n) sum += e.DataAt(code, static_cast<float>(n) + 0.5f);
      sum += e.DataAt(code, 360);
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_AllCurvesFractional);

}  // namespace
}  // namespace orv
