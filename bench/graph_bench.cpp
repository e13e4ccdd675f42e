// Speed of the graph model: the 13 curves of the default engine over -360..360 at whole
// degrees, converted to the display unit system, and the curve list's 13 texts at the cursor
// lines, as the graph view asks for them on every redraw and cursor-line move.
#include <benchmark/benchmark.h>

#include "app/graph_model.h"

namespace orv {
namespace {

struct Graph {
  Engine engine;
  Settings settings;
  InterfaceStrings strings;
  GraphModel model{engine, settings, strings};

  explicit Graph(UnitMode mode) {
    SetGraphDefaults(settings, nullptr, 0xF0F0F0);
    settings.unitSystem = static_cast<std::int32_t>(mode);
    for (int tag = 1; tag <= kCurveTagCount; ++tag) model.SetTagShown(tag, true);
  }
};

// The 13 curves at the 721 whole degrees (the target: 2 ms, a redraw's share of a frame).
void BM_GraphCurves13x721(benchmark::State& state) {
  Graph g(static_cast<UnitMode>(state.range(0)));
  for (auto _ : state) {
    std::vector<CurvePoints> curves = g.model.ShownCurves(1);
    benchmark::DoNotOptimize(curves.data());
  }
}
BENCHMARK(BM_GraphCurves13x721)->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

// The curve list at cursor line 3, and in difference mode.
void BM_CurveList(benchmark::State& state) {
  Graph g(UnitMode::Metric);
  g.model.CursorLinesChanged({54, 108, 162.5f, 216}, state.range(0) != 0);
  for (auto _ : state) {
    std::array<std::string, kCurveTagCount> texts = g.model.CurveListTexts();
    benchmark::DoNotOptimize(texts.data());
  }
}
BENCHMARK(BM_CurveList)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A whole redraw: the 13 curves and the curve list.
void BM_GraphCurvesAndList(benchmark::State& state) {
  Graph g(UnitMode::English);
  for (auto _ : state) {
    std::vector<CurvePoints> curves = g.model.ShownCurves(1);
    std::array<std::string, kCurveTagCount> texts = g.model.CurveListTexts();
    benchmark::DoNotOptimize(curves.data());
    benchmark::DoNotOptimize(texts.data());
  }
}
BENCHMARK(BM_GraphCurvesAndList)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orv
