#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "base/bounded_array.h"
#include "cam/cam_lobe.h"

namespace orv {

// The two plain-text lift formats of cam-measuring machines (layouts in cam_text_files.cpp):
// S96 files, one lift value per cam degree, and cam documents, exhaust and intake lift of one
// camshaft per line. The readers refill the lobe they are given: on success its measured lift
// (lobe centre at index 0), rocker ratio 1, lash 0, path and centerline; lobe and shaft number,
// smoothing, the valve-measured flag and the geometry stay. The caller runs `DataCalc`. On any
// error the lobe is left as it was. Files are only read.

// What both readers give back. The numbers are the readers' own flags, shown to the user beside
// the error.
enum class CamTextError : std::int16_t {
  Ok = 0,
  TooLarge = 2,     // S96 over 12000 bytes, document 150000
  TooFewLines = 3,  // or a document line without a comma
  ReadError = -1,   // cannot be read, arithmetic fault
};
// Writes the flag's number.
std::ostream& operator<<(std::ostream& out, CamTextError error);

// Reads an S96 file. The lobe is centred on its largest value (centerline 0); values are taken
// as millimetres when the largest is above 4.5. On -1, `report` (if given) receives the error
// message with its trace.
CamTextError ReadS96File(const std::string& path, CamLobe& lobe, std::string* report = nullptr);
// The same from the file's text; `path` becomes the lobe's `PathFile`.
CamTextError ReadS96Text(std::string_view text, const std::string& path, CamLobe& lobe,
                         std::string* report = nullptr);

// Reads the intake column (`intake` true) or the exhaust column of a cam document. Files over
// 12000 bytes hold tenths of a degree. The lobe centre found on the flanks becomes the
// centerline; values are taken as millimetres when the largest is above 3.9.
CamTextError ReadCamDocFile(const std::string& path, CamLobe& lobe, bool intake,
                            std::string* report = nullptr);
CamTextError ReadCamDocText(std::string_view text, const std::string& path, CamLobe& lobe,
                            bool intake, std::string* report = nullptr);

// The lobe centre, in table steps, of a lift table (-180..180 or -1800..1800, the last entry
// the same angle as the first) whose largest value stands at `peakIndex`: the mean of the
// points where the two flanks cross 0.003, 0.006 and 0.009 below the peak.
float FindLobeCentre(const BoundedArray<float>& table, int peakIndex);

// The user's words for an error flag of the two readers.
std::string CamTextErrorText(CamTextError flag);

}  // namespace orv
