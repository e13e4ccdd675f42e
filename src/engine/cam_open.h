#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/bounded_array.h"
#include "cam/cam_folder.h"
#include "cam/lobe_data_file.h"

namespace orv {

class CamLobe;
class Engine;

// Loading a chosen cam lobe into the engine, as the cam selection dialog's Open does: the lobe
// is read into the side's `CamLobe` (a lobe data file puts a fresh lobe in place, the text
// files refill the current one), its lift is copied into the engine's cam-lift table of that
// side with the lobe centre at entry 179, and the valve tables are rebuilt.

// Reads lobe `lobeNo` of shaft `shaftNo` from a lobe data file into a fresh lobe, which
// replaces the engine's intake lobe (`intake`) or exhaust lobe when the read succeeds; the
// engine's lobes are unchanged otherwise. Returns the reader's code.
LobeDataError LoadLBKFile(Engine& engine, const std::string& path, std::int16_t shaftNo,
                          std::int16_t lobeNo, bool intake, std::string* report = nullptr);

// The engine's cam-lift table of a lobe (entries 0..359, the lobe centre at entry 179 whatever
// its centerline; valve lift for a lobe measured on the valve, cam lift otherwise).
void LobeCamTable(const CamLobe& lobe, BoundedArray<float>& table);

// Copies the side's lobe into the engine's cam-lift table (entries 0..359, the lobe centre at
// entry 179 whatever its centerline; valve lift for a lobe measured on the valve, cam lift
// otherwise) and the lobe's smoothing count into the engine's.
void CopyLobeToEngine(Engine& engine, bool intake);

struct CamOpenResult {
  bool read = false;     // the file was read into the side's lobe
  bool changed = false;  // the engine is to be marked changed
  // The reader's numbered code: a `LobeDataError` for a lobe data file, a `CamTextError` for
  // an S96 file or a cam document.
  std::int16_t errFlag = 0;
  // Messages of the errors met on the way; each step after an error still runs.
  std::vector<std::string> reports;
};

// Open for a chosen lobe: reads it into the side's lobe (`DataCalc` after a text file), copies
// the side's lobe into the engine (also when the read failed: the lobe then holds what it held
// before), runs `DataCalc` on the lobe again and rebuilds the engine's valve tables. After a
// successful read the engine's cam file reference of the side names the lobe's file, lobe and
// shaft, and the side's cam settings (inputs 29..31 or 33..35) take the lobe's centerline,
// rocker ratio and lash, before the valve tables are rebuilt with them. The result says
// whether the engine is to be marked changed (a read text file, and any lobe data file read).
// The engine is not recalculated here.
CamOpenResult OpenCamLobe(Engine& engine, bool intake, const LobeChoice& choice);

}  // namespace orv
