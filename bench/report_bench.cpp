// Speed of the text reports: the 721-line details reports of the default engine and the
// general report, built for the screen.
#include <benchmark/benchmark.h>

#include "reports/details_report.h"
#include "reports/general_report.h"

namespace orv {
namespace {

const ReportStamp kStamp{"03/14/2026", "09:26:53"};

void DetailsBench(benchmark::State& state, ReportKind kind) {
  Engine engine;
  Settings settings;
  InterfaceStrings strings;
  ReportRequest request{settings, strings, "MyEngine000.OV", kStamp};
  for (auto _ : state) {
    std::string text = DetailsReport(kind, engine, request);
    benchmark::DoNotOptimize(text.data());
  }
}

// The details report: torque factor, leverage, balance factor and both valve velocities at
// -360..360 by 1 degree (the target: 2 ms).
void BM_DetailsReport721(benchmark::State& state) { DetailsBench(state, ReportKind::Details); }
BENCHMARK(BM_DetailsReport721)->Unit(benchmark::kMicrosecond);

void BM_IntakeAirReport721(benchmark::State& state) { DetailsBench(state, ReportKind::IntakeAir); }
BENCHMARK(BM_IntakeAirReport721)->Unit(benchmark::kMicrosecond);

// The general report with every section, output page 1 refreshed on the way, as the report
// view builds it.
void BM_GeneralReport(benchmark::State& state) {
  Engine engine;
  InputController panel(engine);
  panel.DisplayOutputs(0);
  panel.BalanceAnalysis();
  Settings settings;
  InterfaceStrings strings;
  ReportRequest request{settings, strings, "MyEngine000.OV", kStamp};
  for (auto _ : state) {
    panel.DisplayOutputs(1);
    std::string text = OVReport(panel, request, true);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_GeneralReport)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orv
