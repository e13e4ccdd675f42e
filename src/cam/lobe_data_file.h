#pragma once

#include <cstdint>
#include <string>

namespace orv {

// Binary lobe data files (".LBK") of cam-measuring machines: a header with notes, up to four
// camshafts and up to 280 lobes with their settings and 360-point lift tables. The readers are
// `CamLobe::C2DataRead` (one lobe) and `CamLobe::C2DataDescriptionRead` (the lobe list); the
// byte layout is described in lobe_data_file.cpp. The program only reads these files.

// Error codes of `C2DataRead`.
inline constexpr std::int16_t kLbkOk = 0;
// The lobe is not in the directory, or the file cannot be opened or read.
inline constexpr std::int16_t kLbkNotFound = -1;
// The file is empty (it is left on disk as it is).
inline constexpr std::int16_t kLbkEmptyFile = -2;
// Not a lobe data file: too short, wrong signature, version below 2, a lobe count out of range,
// or a directory or lobe record that runs past the end of the file.
inline constexpr std::int16_t kLbkNotLobeData = -3;
// The lobe was read but its tables cannot be worked out (the rocker lengths give no base
// position, or a floating-point fault): the lobe is left as it was.
inline constexpr std::int16_t kLbkConversionFailed = -4;

// The user's words for a `C2DataRead` code.
std::string LobeDataErrorText(int code);

// Lobe numbers: positive intake, negative exhaust; the magnitude is the number on its shaft,
// 101-199, 200-299 and 300-399 standing for 1-99 with the suffix a, b or c.

}  // namespace orv
