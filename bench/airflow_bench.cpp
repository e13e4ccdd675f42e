// Speed of reading a flow-bench test and of its ideal-flow pass.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "airflow/dos_test_file.h"

namespace orv {
namespace {

// A DOS test file of the newest layout with the bench's maximum of 40 records: tag, version
// letter and record count set, everything else zero (a valid, if dull, test).
std::vector<std::uint8_t> FortyPointDosFile() {
  std::vector<std::uint8_t> bytes(517 + 158 + 40 * 82, 0);
  bytes[0] = 'S';
  bytes[1] = 'Y';
  bytes[2] = 0x1E;
  bytes[3] = 'E';
  bytes[517] = 40;
  return bytes;
}

void BM_ReadDosTest40(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = FortyPointDosFile();
  for (auto _ : state) {
    FlowTest t;
    benchmark::DoNotOptimize(ReadDosTestBytes(t, bytes, 1));
  }
}
BENCHMARK(BM_ReadDosTest40);

void BM_CalcStdFlowAndDC40(benchmark::State& state) {
  FlowTest t;
  t.Condition.SetKind(kKindByLiftManual);
  t.Condition.StdFlowMethod = 2;
  t.Condition.HeadExhaustVDia = 2.0f;
  t.Condition.HeadExhaustStemDia = 0.34f;
  for (int k = 1; k <= 4; ++k) t.Condition.SetXArea(k, 1.5f + 0.25f * float(k));
  t.SetRecords(40);
  for (int r = 1; r <= 40; ++r) {
    t.SetFlowData(r, kColLift, 0.02f * float(r));
    t.SetFlowData(r, kColDepr, 28);
    t.SetFlowData(r, kColCCfm, 8.0f * float(r));
  }
  for (auto _ : state) {
    t.CalcStdFlowAndDC();
    benchmark::DoNotOptimize(t.FlowData(40, kColValveDC));
  }
}
BENCHMARK(BM_CalcStdFlowAndDC40);

}  // namespace
}  // namespace orv
