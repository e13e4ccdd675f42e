#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace orv {

// Binary lobe data files (".LBK") of cam-measuring machines: a header with notes, up to four
// camshafts and up to 280 lobes with their settings and 360-point lift tables. The readers are
// `CamLobe::ReadLobeDataFile` (one lobe, or the notes of the header) and
// `CamLobe::ReadLobeList` (the lobe list); the byte layout is described in lobe_data_file.cpp.
// The program only reads these files.

// What the lobe data file readers give back. The numbers are the readers' own codes, shown to
// the user beside the error.
enum class LobeDataError : std::int16_t {
  Ok = 0,
  // The lobe is not in the directory, or the file cannot be opened, read or listed.
  NotFound = -1,
  // The file is empty (it is left on disk as it is).
  EmptyFile = -2,
  // Not a lobe data file: too short, wrong signature, version below 2, a lobe count out of
  // range, or a directory or lobe record that runs past the end of the file.
  NotLobeData = -3,
  // The lobe was read but its tables cannot be worked out (the rocker lengths give no base
  // position, or a floating-point fault): the lobe is left as it was.
  ConversionFailed = -4,
};
// Writes the code's number.
std::ostream& operator<<(std::ostream& out, LobeDataError error);

// What `CamLobe::ReadLobeDataFile` reads: a whole lobe, or only the file's notes.
enum class LobeDataPart { WholeLobe, HeaderOnly };

// The user's words for a lobe data file reader's code.
std::string LobeDataErrorText(LobeDataError code);

// Lobe numbers: positive intake, negative exhaust; the magnitude is the number on its shaft,
// 101-199, 200-299 and 300-399 standing for 1-99 with the suffix a, b or c.

}  // namespace orv
