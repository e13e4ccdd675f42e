// Any bytes given to the CSV flow-test reader give a test or a refusal, never a crash or a read
// outside the buffer; a test that is read exports to CSV and reads back to the same records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "airflow/csv_flow_test.h"

namespace {

// The same columns of every row, bit for bit.
bool SameRecords(const orv::FlowTest& a, const orv::FlowTest& b) {
  if (a.Records() != b.Records()) return false;
  for (int r = 0; r <= a.Records(); ++r) {
    for (int c : {orv::kColLift, orv::kColCCfm, orv::kColDepr, orv::kColSwirl}) {
      const float x = a.FlowData(r, c);
      const float y = b.FlowData(r, c);
      if (std::memcmp(&x, &y, sizeof x) != 0) return false;
    }
  }
  return true;
}

void Check(std::string_view bytes, const orv::CsvFlowOptions& options) {
  orv::FlowTest test;
  const orv::CsvFlowResult result = orv::ReadCsvFlowTestBytes(test, bytes, options);
  if (!result.ok()) {
    if (result.message.empty()) std::abort();
    if (result.error == orv::CsvFlowError::BadRow && result.line < 1) std::abort();
    return;
  }
  if (test.Records() < 1 || test.Records() > orv::kMaxCsvRows) std::abort();
  std::string why;
  const auto csv = orv::FlowTestCsv(test, why);
  if (!csv) std::abort();
  orv::FlowTest back;
  if (!orv::ReadCsvFlowTestBytes(back, *csv, {}).ok() || !SameRecords(test, back)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Check(bytes, {});

  orv::CsvFlowOptions given;
  given.columns = orv::CsvColumns{1, 2, 3, 4};
  Check(bytes, given);

  orv::CsvFlowOptions metric;
  metric.columns = orv::CsvColumns{2, 1, 0, 0};
  metric.liftUnit = orv::LiftUnit::Millimetres;
  metric.flowUnit = orv::FlowUnit::LitresPerSecond;
  metric.depressionUnit = orv::DepressionUnit::Kilopascals;
  metric.testDepression = 7;
  metric.correctTo = 6.2;
  Check(bytes, metric);

  orv::CsvFlowOptions corrected;
  corrected.correctTo = 25;
  Check(bytes, corrected);

  const orv::CsvPreview preview = orv::PreviewCsv(bytes, 5);
  (void)orv::GuessCsvMapping(preview.header);
  (void)orv::GuessCsvHeader(bytes.substr(0, 64));
  return 0;
}
