#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/platform.h"
#include "files/keyed_file.h"

namespace orv {

class InterfaceStrings;

inline constexpr const char* kConfigFileId = "Orvantis Configuration File";
inline constexpr const char* kNotConfigFile = " is not an Orvantis configuration file.";
inline constexpr const char* kUsingDefaults = "Using default values";
inline constexpr const char* kConfigFileName = "ORV_ANT.INI";
inline constexpr const char* kEnginesFolder = "Engines";
inline constexpr const char* kReportsFolder = "Reports";
inline constexpr const char* kCapturesFolder = "Graph Captures";
inline constexpr const char* kDataRootVariable = "ORVANTIS_DATA_ROOT";

// The two folders fixed at start-up: the program folder (the executable's folder, where the
// interface string file and the manual are) and the data root (configuration file, engines,
// reports and graph pictures).
struct Folders {
  std::filesystem::path programFolder;
  std::filesystem::path dataRoot;

  std::filesystem::path configFile() const { return dataRoot / kConfigFileName; }
  std::filesystem::path enginesFolder() const { return dataRoot / kEnginesFolder; }
  std::filesystem::path reportsFolder() const { return dataRoot / kReportsFolder; }
  std::filesystem::path capturesFolder() const { return dataRoot / kCapturesFolder; }
  // The data root as folder text with its trailing separator (the default of folder keys).
  std::string dataRootText() const;
};

// The data root: `overrideRoot` when not empty, else the environment variable
// ORVANTIS_DATA_ROOT when set and not empty, else "$HOME/Orvantis".
std::filesystem::path ResolveDataRoot(const std::filesystem::path& overrideRoot);
// Creates the data root and its "Engines", "Reports" and "Graph Captures" folders where they
// are missing. Returns false when one could not be made.
bool EnsureDataFolders(const Folders& folders);

// One curve of the graph: its name and unit text, its scale (1..8), colour (RGB, red in the
// low byte) and whether it is shown.
struct CurveTag {
  std::string name;
  std::string unit;
  std::int16_t scale = 1;
  std::int32_t colour = 0;
  bool shown = false;
};

// One user filter row of the flow-test selection dialog.
struct TestFilterRow {
  std::int16_t joining = 0;
  std::int16_t field = 0;
  std::int16_t relation = 0;
  std::string parameter;
};

// The program's settings, kept between runs in the configuration file.
struct Settings {
  // Report setup.
  std::array<bool, 7> repSec{true, true, true, true, true, true, true};
  std::array<bool, 3> repHd{true, true, true};
  std::array<float, 6> repDeg{-360, 360, 1, -360, 360, 1};

  // Graph and curve list.
  std::vector<std::string> prnHead;  // customer heading lines printed on reports
  std::array<std::int16_t, 4> crvNdx{1, 2, 3, 4};
  std::array<std::int16_t, 4> colWdth{1600, 1000, 1000, 1000};
  std::array<std::array<double, 2>, 8> gScl{};  // scale i+1: {minimum, maximum}
  std::array<CurveTag, 13> curveTags;           // tag i+1
  std::int32_t bkgColor = 0;
  std::array<float, 4> lneLoc{54, 108, 162, 216};
  float lneStp = 10;
  bool grid = true;
  float zx1 = 0, zy1 = 0, zx2 = 1, zy2 = 1;
  std::int16_t gThd = 3;
  std::int16_t lftScl = 2;
  std::int16_t rhtScl = 5;
  bool csrLnOn = true;
  bool lneThk = false;
  bool scl2 = true;
  std::int32_t metric = 0;
  std::string numberFormat = "###0.0";  // handed to the graph

  // Files, options and the flow-test dialog.
  bool enAsTb = false;
  bool nameInc = false;
  std::string graph;
  std::string report;
  std::string engine;
  std::string cam;
  std::string flowDos;
  std::string flowWin;
  std::int32_t flowTab = 1;
  std::string ldOp;
  std::string ldCust;
  DateTime ldFDat = Today();
  DateTime ldTDat = Today();
  bool ldADat = true;
  bool ldTdy = false;
  std::int16_t ldIE = 0;
  std::int16_t ldTKind = 0;
  std::array<TestFilterRow, 4> ldRows;
  std::array<std::int16_t, 3> ldSrt{};
  std::array<std::int16_t, 5> shCol{1, 2, 3, 4, 5};
  std::array<std::int16_t, 7> ldCol{};
};

// The configuration file's defaults where they depend on the folders and the window: the
// file and folder keys and the graph background.
struct ConfigDefaults {
  Folders folders;
  std::int32_t windowBackground = 0xF0F0F0;
};

// The file settings the configuration falls back to (data root, "Engines\MyEngine000.OV", ...).
void SetFileDefaults(Settings& s, const Folders& folders);

// The initial graph settings, before the configuration file is read: curve indexes, column
// widths, scales (scale 2 up to 5.5), the window background, cursor lines, zoom window and the
// 13 curve tags with their scales, colours and, when `strings` is given, names and units.
void SetGraphDefaults(Settings& s, const InterfaceStrings* strings, std::int32_t background);

struct ConfigResult {
  bool ok = false;           // the transfer completed (written, or read)
  bool headerValid = false;  // the file is a configuration file (always true when writing)
};

// Reads (reading true) or writes the configuration file. Reading a missing or foreign file
// with `quiet` on beeps, warns "... is not an Orvantis configuration file." + "Using default
// values" and reads every key as its default; with `quiet` off it stops there. A date that
// does not convert ends the read with an error reported through the error trace and
// `prompter`; the keys read before it keep their values.
ConfigResult ConfigFileIO(const std::filesystem::path& path, Settings& settings, bool reading,
                          bool quiet, const ConfigDefaults& defaults, Prompter& prompter);

// Customer heading lines kept in one value: the lines joined, each followed by CR LF, with
// "\" written "\\", CR "\r", LF "\n" and a leading blank "\s". Reading gives back the lines.
std::string JoinHeading(const std::vector<std::string>& lines);
std::vector<std::string> SplitHeading(std::string_view value);

// The recent-file list, entries 1..9 held at indices 0..8 (empty when not in use).
using RecentFiles = std::array<std::string, 9>;

// Puts `path` at the top of the list: an entry among 1..8 equal to it moves to the top,
// otherwise entry 9 drops out.
void AddRecentFile(RecentFiles& list, const std::string& path);
// The list part of rebuilding the recent-file menu: entries trimmed, later duplicates of an
// entry cleared, empty entries removed with the others keeping their order.
void CleanRecentFiles(RecentFiles& list);
// Menu captions "&1 path" .. of the non-empty entries of a cleaned list.
std::vector<std::string> RecentMenuCaptions(const RecentFiles& list);

}  // namespace orv
