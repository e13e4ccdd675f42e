// Any text given to the S96 reader gives one of its flags, never a crash; a lobe it reads goes
// through `DataCalc`.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/runtime_error.h"
#include "cam/cam_lobe.h"
#include "cam/cam_text_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  orv::CamLobe lobe;
  const orv::CamTextError flag = orv::ReadS96Text(text, "F.S96", lobe);
  if (flag != orv::CamTextError::Ok && flag != orv::CamTextError::TooLarge &&
      flag != orv::CamTextError::TooFewLines && flag != orv::CamTextError::ReadError) {
    std::abort();
  }
  if (flag == orv::CamTextError::Ok) {
    lobe.SetCamCenterLine(107.5f);
    lobe.SetRockerRatio(1.5f);
    try {
      lobe.DataCalc();
    } catch (const orv::RuntimeError&) {
      // an arithmetic fault of the model is reported, not a crash
    }
  }
  return 0;
}
