// Any bytes given to the lobe data file reader give one of its codes, never a crash or a read
// outside the buffer: the lobe list, the header-only read and the read of the lobe named by the
// first directory entry (under each header length the file could have), which runs the lobe
// through `DataCalc` and its valve-train conversions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "cam/cam_lobe.h"
#include "cam/lobe_data_file.h"

namespace {

bool IsReadCode(orv::LobeDataError code) {
  const auto n = static_cast<int>(code);
  return n <= 0 && n >= static_cast<int>(orv::LobeDataError::ConversionFailed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  std::vector<std::string> texts;
  std::vector<std::int16_t> shafts;
  const orv::LobeDataError listed = orv::CamLobe::ReadLobeListBytes(bytes, texts, shafts);
  if (listed != orv::LobeDataError::Ok && listed != orv::LobeDataError::NotFound) std::abort();
  if (texts.size() != shafts.size() || (listed != orv::LobeDataError::Ok && !texts.empty())) {
    std::abort();
  }

  orv::CamLobe notes;
  const orv::LobeDataError read =
      notes.ReadLobeDataBytes(bytes, "F.LBK", 0, 0, orv::LobeDataPart::HeaderOnly);
  if (!IsReadCode(read) || read == orv::LobeDataError::ConversionFailed) std::abort();
  (void)notes.Notes();

  const orv::ByteReader r(bytes);
  for (const std::size_t header : {1862u, 1878u, 1910u}) {
    if (!r.Has(header, 4)) continue;
    orv::CamLobe lobe;
    std::string report;
    const orv::LobeDataError code = lobe.ReadLobeDataBytes(
        bytes, "F.LBK", r.I16(header), r.I16(header + 2), orv::LobeDataPart::WholeLobe, &report);
    if (!IsReadCode(code)) std::abort();
    if (code == orv::LobeDataError::ConversionFailed && report.empty()) std::abort();
    if (code == orv::LobeDataError::Ok) {
      (void)lobe.CamDataSValue(orv::CamLobe::kCurveValveLift, 10.5f);
    }
  }
  return 0;
}
