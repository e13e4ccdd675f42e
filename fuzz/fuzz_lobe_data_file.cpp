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

bool IsReadCode(std::int16_t code) { return code <= 0 && code >= orv::kLbkConversionFailed; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  std::vector<std::string> texts;
  std::vector<std::int16_t> shafts;
  std::int16_t flag = 5;
  orv::CamLobe::C2DataDescriptionReadBytes(bytes, texts, shafts, flag);
  if (flag != 0 && flag != -1) std::abort();
  if (texts.size() != shafts.size() || (flag != 0 && !texts.empty())) std::abort();

  orv::CamLobe notes;
  flag = 1;
  notes.C2DataReadBytes(bytes, "F.LBK", 0, 0, flag);
  if (!IsReadCode(flag) || flag == orv::kLbkConversionFailed) std::abort();
  (void)notes.Notes();

  const orv::ByteReader r(bytes);
  for (const std::size_t header : {1862u, 1878u, 1910u}) {
    if (!r.Has(header, 4)) continue;
    orv::CamLobe lobe;
    std::string report;
    flag = 0;
    lobe.C2DataReadBytes(bytes, "F.LBK", r.I16(header), r.I16(header + 2), flag, &report);
    if (!IsReadCode(flag)) std::abort();
    if (flag == orv::kLbkConversionFailed && report.empty()) std::abort();
    if (flag == 0) (void)lobe.CamDataSValue(orv::CamLobe::kCurveValveLift, 10.5f);
  }
  return 0;
}
