#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/cam_card.h"

namespace orv {

struct EngineInputs;

// The lobe shoot-out: the cam card of every lobe of a folder (or of one cam file), each lobe
// placed in an engine as the cam selection dialog's Open would place it, with that engine's
// rocker ratio, lash and centerline of the lobe's side unless others are given.

// Settings that replace the engine's for every lobe (for both sides).
struct LobePlacement {
  // Crank degrees after TDC for an intake lobe and before TDC for an exhaust lobe (the exhaust
  // lobe's engine centerline is its negative).
  std::optional<double> centerline;
  std::optional<float> rockerRatio;
  std::optional<float> lash;  // inches
  // Every lobe placed on this side (true: intake) as the cam dialog of that side opens it, a cam
  // document giving the column of that side on both its rows; empty: each lobe on its own side.
  std::optional<bool> side;
  // The lobe's own centerline, rocker ratio and lash, which Open gives the engine, in place of
  // the engine's (the three above still win).
  bool lobeSettings = false;
};

struct LobeCardRow {
  std::string file;    // the file's name within the folder
  std::string lobe;    // the lobe as the cam dialog lists it ("I5", "E12 : Shaft No. 2"), the
                       // column of a cam document ("Intake", "Exhaust"), empty for an S96 file
  bool intake = true;  // side: lobe data files by the lobe number, S96 files as intake lobes
  // Empty when the lobe could not be read; `failure` then says why.
  std::optional<CamCard> card;
  std::string failure;
  // The valve lift (inches) and valve velocity (inches per cam degree) of entries 0..359, the lobe
  // centre at entry 179; filled only when asked for, and only with a card.
  std::vector<float> valveLift;
  std::vector<float> valveVelocity;
};

// The rows of every lobe of the cam files of `path` (a folder: its lobe data files, S96 files
// and cam documents in the cam dialog's order), or of the one cam file `path` names. Returns
// nothing, with `why` set, when `path` is neither a readable folder nor a cam file.
std::optional<std::vector<LobeCardRow>> LobeCards(const std::filesystem::path& path,
                                                  const EngineInputs& engine,
                                                  const LobePlacement& placement,
                                                  const std::vector<double>& checkHeights,
                                                  std::string& why);

// The rows of the one cam file `path`, each handed to `take` as soon as it is worked out, in the
// order `LobeCards` gives them; `take` answers false to stop before the next lobe. With
// `keepCurves` the rows carry the valve-lift and valve-velocity tables too. A file that is no cam
// file, or a lobe data file whose lobe list cannot be read, gives no rows.
void LobeCardsOfFile(const std::filesystem::path& path, const EngineInputs& engine,
                     const LobePlacement& placement, const std::vector<double>& checkHeights,
                     bool keepCurves, const std::function<bool(LobeCardRow&&)>& take);

}  // namespace orv
