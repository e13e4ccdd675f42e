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
// The program folder of an executable in `executableFolder`: where the interface string file
// and the manual are. That folder itself when it holds the interface string file (the build
// folder, or the program copied anywhere with its files); else "../share/orvantis" from it when
// that holds the file (the installed layout: bin/orvantis beside share/orvantis/OV-STR.TXT);
// else the executable's folder, where a missing file is then reported.
std::filesystem::path ProgramFolderOf(const std::filesystem::path& executableFolder);
// The program folder of the running executable.
std::filesystem::path ProgramFolder();
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

  bool operator==(const CurveTag&) const = default;
};

// What a curve tag starts with: its scale (1..8), colour (RGB, red in the low byte) and the
// miscellaneous texts of its name and unit.
struct CurveTagDefault {
  std::int16_t scale;
  std::int32_t colour;
  int nameText;
  int unitText;
};
// The 13 curve tags' defaults, tag i+1 at index i.
const std::array<CurveTagDefault, 13>& CurveTagDefaults() noexcept;

// One user filter row of the flow-test selection dialog.
struct TestFilterRow {
  std::int16_t joining = 0;
  std::int16_t field = 0;
  std::int16_t relation = 0;
  std::string parameter;

  bool operator==(const TestFilterRow&) const = default;
};

// The limits of one value scale of the graph, in internal (English) units.
struct ScaleLimits {
  double minimum = 0;
  double maximum = 0;

  bool operator==(const ScaleLimits&) const = default;
};

// The zoom window of the graph: fractions 0..1 of the full horizontal and vertical ranges
// (0, 0, 1, 1 shows everything).
struct ZoomWindow {
  float left = 0;
  float bottom = 0;
  float right = 1;
  float top = 1;

  bool operator==(const ZoomWindow&) const = default;
};

// The program's settings, kept between runs in the configuration file. The comment of each
// field names its key in the file ("RepSec0".."RepSec6": one key per index).
struct Settings {
  // Report setup.
  std::array<bool, 7> reportSections{true, true, true, true, true, true, true};  // "RepSec"
  std::array<bool, 3> reportHeadings{true, true, true};  // "RepHd": date, time, engine path
  // "RepDeg": the two detail-report ranges, each from, to, increment (crank degrees).
  std::array<float, 6> reportRanges{-360, 360, 1, -360, 360, 1};
  bool reportCamCard = false;  // "RepSec7": the cam card section of the general and details reports
  // "RepChk0".."RepChk2": the cam card's check heights (inches); a height not above 0 is left out.
  std::array<double, 3> camCardChecks{0.006, 0.050, 0.200};

  // Graph and curve list.
  std::vector<std::string> customerHeading;  // "PrnHead": heading lines printed on reports
  std::array<std::int16_t, 4> curveListColumns{1, 2, 3, 4};             // "CrvNdx1".."CrvNdx4"
  std::array<std::int16_t, 4> curveListWidths{1600, 1000, 1000, 1000};  // "ColWdth" (twips)
  std::array<ScaleLimits, 8> scales{};  // "GScl10".."GScl81": scale i+1
  std::array<CurveTag, 13> curveTags;   // tag i+1; "CTag1".."CTag13" hold the shown flags
  std::int32_t graphBackground = 0;     // "BkgColor" (RGB, red in the low byte)
  std::array<float, 4> cursorLines{54, 108, 162, 216};  // "LneLoc1".."LneLoc4" (crank degrees)
  float cursorStep = 10;                                // "LneStp" (crank degrees)
  bool gridLines = true;                                // "Grid"
  ZoomWindow zoom;                                      // "ZX1", "ZY1", "ZX2", "ZY2"
  std::int16_t graphPanelNumber = 3;  // "GThd": the graph panel's numeric box, 1..9
  std::int16_t leftScale = 2;         // "LftScl": scale on the left axis (1..8)
  std::int16_t rightScale = 5;        // "RhtScl": scale on the right axis (1..8)
  bool cursorLinesShown = true;       // "CsrLnOn"
  bool thickLines = false;            // "LneThk": thick lines for curves
  bool twoScales = true;              // "Scl2": two Y-axis scales
  // "Metric": 0 English, 1 metric, 2 metric with airflow in cubic metres per minute.
  std::int32_t unitSystem = 0;
  std::string numberFormat = "###0.0";  // handed to the graph

  // Files, options and the flow-test dialog.
  bool enterAsTab = false;      // "EnAsTb": Enter moves to the next field like Tab
  bool incrementNames = false;  // "NameInc": Save Engine As proposes an incremented name
  std::string graphFile;        // "Graph": last graph picture file
  std::string reportFile;       // "Report": last report text file
  std::string engineFile;       // "Engine": current engine file
  std::string camFolder;        // "Cam": last cam folder
  std::string flowDosFolder;    // "FlowDos": last folder of DOS flow-test files
  std::string flowDatabase;     // "FlowWin": last flow-test database
  std::int32_t flowTab = 1;     // "FlowTab": tab last used in the flow-test dialog
  // The flow-test dialog's filters, sort keys and columns.
  std::string filterOperator;               // "LdOp"
  std::string filterCustomer;               // "LdCust"
  DateTime filterFromDate = Today();        // "LdFDat"
  DateTime filterToDate = Today();          // "LdTDat"
  bool filterAnyDate = true;                // "LdADat"
  bool filterToday = false;                 // "LdTdy"
  std::int16_t filterSide = 0;              // "LdIE": 0 any, 1 intake, 2 exhaust
  std::int16_t filterTestKind = 0;          // "LdTKind"
  std::array<TestFilterRow, 4> filterRows;  // "LdUAO", "LdFld", "LdRel", "LdPrm" 0..3
  std::array<std::int16_t, 3> sortKeys{};   // "LdSrt0".."LdSrt2"
  std::array<std::int16_t, 5> shownColumns{1, 2, 3, 4, 5};  // "ShCol0".."ShCol4"
  std::array<std::int16_t, 7> columnFlags{};                // "LdCol0".."LdCol6"
  // The CSV tab's column mappings, one per header layout, the latest first ("CsvMap0"..).
  std::vector<std::string> csvMappings;

  bool operator==(const Settings&) const = default;
};

// The most CSV column mappings the configuration keeps.
inline constexpr int kMaxCsvMappings = 20;

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
  std::string reason;        // why the file could not be read or written (empty otherwise)
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
