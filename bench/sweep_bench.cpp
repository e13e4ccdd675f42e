// Speed of the sweep and of undo steps: a sweep of 10,000 bores of the default engine with every
// named result written (the target: under 2 s), and one typed input with and without the undo
// step it records (the state kept per step: inputs, lobes, flow tests, review marks).
#include <benchmark/benchmark.h>

#include <sstream>

#include "app/application.h"
#include "app/engine_comparison.h"
#include "app/engine_sweep.h"

namespace orv {
namespace {

class SilentPrompter final : public Prompter {
 public:
  void Warn(const std::string&, const std::string&) override {}
  void Inform(const std::string&, const std::string&) override {}
  Answer AskYesNoCancel(const std::string&, const std::string&) override { return Answer::Cancel; }
  void Beep() override {}
};

// 10,000 bores from 3.0000 to 3.9999 in, all 56 results per point, into memory.
void BM_Sweep10000Points(benchmark::State& state) {
  SilentPrompter prompter;
  Application app(prompter);
  std::string why;
  const std::vector<SweepAxis> axes = {*ParseSweepAxis("Bore=3.0000:3.9999:0.0001", why)};
  const std::vector<std::string> outputs = ResultNames();
  for (auto _ : state) {
    std::ostringstream csv;
    const SweepOutcome outcome = RunSweep(app.document(), axes, outputs, csv);
    benchmark::DoNotOptimize(outcome.points);
  }
  state.counters["points"] = static_cast<double>(SweepPointCount(axes));
}
BENCHMARK(BM_Sweep10000Points)->Unit(benchmark::kMillisecond)->Iterations(3);

// One typed bore that changes the engine (recalculation and output page included), recorded as
// an undo step, against the same entry with recording paused: the difference is what a step
// costs.
void BM_TypedInputWithUndoStep(benchmark::State& state) {
  SilentPrompter prompter;
  Application app(prompter);
  EngineDocument& doc = app.document();
  const bool record = state.range(0) != 0;
  bool wide = false;
  for (auto _ : state) {
    if (record) {
      doc.TypeIntoBox(kInBore, wide ? "4.125" : "4.030");
    } else {
      EngineDocument::UndoPause pause(doc);
      doc.TypeIntoBox(kInBore, wide ? "4.125" : "4.030");
    }
    wide = !wide;
  }
}
BENCHMARK(BM_TypedInputWithUndoStep)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Taking the state an undo step keeps.
void BM_CaptureUndoState(benchmark::State& state) {
  SilentPrompter prompter;
  Application app(prompter);
  for (auto _ : state) {
    EngineState s = app.document().CaptureState();
    benchmark::DoNotOptimize(&s);
  }
}
BENCHMARK(BM_CaptureUndoState)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orv
