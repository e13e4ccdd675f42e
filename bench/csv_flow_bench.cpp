// Speed of reading a CSV flow test: 10,000 rows of lift, flow, depression and swirl (the
// target is 20 ms), in English units with a decimal point and in metric units with a decimal
// comma, and of writing a test as CSV.
#include <benchmark/benchmark.h>

#include <string>

#include "airflow/csv_flow_test.h"
#include "support/csv_writer.h"

namespace orv {
namespace {

constexpr int kRows = 10000;

std::string TenThousandRows(bool metric) {
  test::CsvTable t;
  t.header =
      metric ? std::vector<std::string>{"Lift (mm)", "Flow (m3/min)", "Depression (kPa)", "Swirl"}
             : std::vector<std::string>{"Lift (in)", "Flow (CFM)", "Depression (inH2O)", "Swirl"};
  for (int i = 1; i <= kRows; ++i) {
    const float lift = 0.0001f * float(i);
    const float flow = 300.0f * float(i) / float(kRows) + 0.123f;
    const float depression = 28.0f - 0.01f * float(i % 7);
    const float swirl = float(i % 50) * 0.5f;
    if (metric) {
      t.rows.push_back({double(lift) * 25.4, double(flow) / 35.31445483391204,
                        double(depression) * 0.24908891, swirl});
    } else {
      t.rows.push_back({lift, flow, depression, swirl});
    }
  }
  test::CsvDialect dialect;
  if (metric) {
    dialect.separator = ';';
    dialect.decimalComma = true;
    dialect.lineEnd = "\r\n";
  }
  return test::CsvText(t, dialect);
}

void ReadRows(benchmark::State& state, bool metric) {
  const std::string bytes = TenThousandRows(metric);
  for (auto _ : state) {
    FlowTest t;
    const CsvFlowResult r = ReadCsvFlowTestBytes(t, bytes, {});
    if (!r.ok() || t.Records() != kRows) state.SkipWithError("the file was not read");
    benchmark::DoNotOptimize(t.FlowData(kRows, kColCCfm));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes.size()));
}

void BM_ReadCsv10000Rows(benchmark::State& state) { ReadRows(state, false); }
BENCHMARK(BM_ReadCsv10000Rows)->Unit(benchmark::kMillisecond);

void BM_ReadCsv10000RowsMetricDecimalComma(benchmark::State& state) { ReadRows(state, true); }
BENCHMARK(BM_ReadCsv10000RowsMetricDecimalComma)->Unit(benchmark::kMillisecond);

void BM_WriteCsv10000Rows(benchmark::State& state) {
  FlowTest t;
  ReadCsvFlowTestBytes(t, TenThousandRows(false), {});
  std::string why;
  for (auto _ : state) benchmark::DoNotOptimize(FlowTestCsv(t, why));
}
BENCHMARK(BM_WriteCsv10000Rows)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orv
