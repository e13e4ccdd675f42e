// Speed of the recalculation against the arithmetic it cannot avoid.
#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/crank_kinematics.h"
#include "engine/engine.h"

namespace orv {
namespace {

// The floor: the 3602 sine, cosine and square-root evaluations of the tenth-degree sweep.
void BM_SweepFloor(benchmark::State& state) {
  const double r = 1.74, L2 = 36.0;
  for (auto _ : state) {
    double sum = 0;
    for (int i = -1; i <= 3600; ++i) {
      const double theta = static_cast<float>(i / 10.0) * kRadPerDegree;
      const double y = r * std::sin(theta);
      sum += r * std::cos(theta) + std::sqrt(L2 - y * y);
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_SweepFloor);

void BM_CrankKinematics(benchmark::State& state) {
  EngineInputs in;
  EngineResults r;
  EngineTables t;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CrankKinematics(in, r, t));
  }
}
BENCHMARK(BM_CrankKinematics);

void BM_ReCalc(benchmark::State& state) {
  Engine e;
  for (auto _ : state) {
    e.ReCalc(-1);
    benchmark::DoNotOptimize(e.results().PeakPower);
  }
}
BENCHMARK(BM_ReCalc);

}  // namespace
}  // namespace orv
