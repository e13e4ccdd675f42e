#include "files/config_file.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "base/error_trace.h"
#include "base/folder_files.h"
#include "base/text.h"
#include "files/interface_strings.h"

namespace orv {

// Configuration file "ORV_ANT.INI" in the data root: a keyed text file (see keyed_file.h).
// Sections in write order, with their fetch buffers: [ID] 2048 (Purpose = Orvantis
// Configuration File), [Report] 4096, [Graph] 4096, [Files] 4096. Keys with an index carry it
// as plain digits right after the name ("RepSec0", "GScl21", "LdPrm3").

namespace fs = std::filesystem;

namespace {

constexpr const char* kConfigFileModule = "FileIO";
constexpr std::size_t kSectionBuffer = 4096;
constexpr const char* kDefaultEngineName = "MyEngine000.OV";
constexpr const char* kDefaultReportName = "OV_Report.txt";
constexpr const char* kDefaultGraphName = "OV_Graph.bmp";

// Scale i+1 limits as stored: {minimum, maximum}.
constexpr std::array<ScaleLimits, 8> kScaleDefaults = {{
    {-110, 110},
    {0, 4.4},
    {-8800, 8800},
    {-440, 440},
    {-44, 44},
    {0, 44},
    {-1100, 1100},
    {0, 1.1},
}};
constexpr double kScale2InitialMax = 5.5;

std::string Indexed(std::string_view name, int index) {
  return std::string(name) + std::to_string(index);
}

void TransferReport(KeyedFile& f, Settings& s) {
  f.OpenSection("Report", kSectionBuffer);
  for (int i = 0; i < 7; ++i) f.IOBoolean(Indexed("RepSec", i), s.reportSections[i], true);
  for (int i = 0; i < 3; ++i) f.IOBoolean(Indexed("RepHd", i), s.reportHeadings[i], true);
  constexpr std::array<float, 6> kDegrees{-360, 360, 1, -360, 360, 1};
  for (int i = 0; i < 6; ++i) f.IOSingle(Indexed("RepDeg", i), s.reportRanges[i], kDegrees[i]);
  f.IOBoolean(Indexed("RepSec", 7), s.reportCamCard, false);
  constexpr std::array<double, 3> kChecks{0.006, 0.050, 0.200};
  for (int i = 0; i < 3; ++i) {
    f.IODouble(Indexed("RepChk", i), s.camCardChecks[i], kChecks[i]);
    // A height that is no number above 0 (or absurdly high) reads as the default.
    if (f.reading() && !(s.camCardChecks[i] > 0 && s.camCardChecks[i] <= 100)) {
      s.camCardChecks[i] = kChecks[i];
    }
  }
  f.CloseSection();
}

void TransferGraph(KeyedFile& f, Settings& s, std::int32_t background) {
  f.OpenSection("Graph", kSectionBuffer);
  std::string heading = f.reading() ? std::string() : JoinHeading(s.customerHeading);
  f.IOString("PrnHead", heading, "");
  if (f.reading()) s.customerHeading = SplitHeading(heading);
  for (int i = 0; i < 4; ++i) {
    f.IOInteger(Indexed("CrvNdx", i + 1), s.curveListColumns[i], static_cast<std::int16_t>(i + 1));
  }
  for (int i = 0; i < 4; ++i) {
    f.IOInteger(Indexed("ColWdth", i + 1), s.curveListWidths[i], i == 0 ? 1600 : 1000);
  }
  for (int i = 0; i < 8; ++i) {
    f.IODouble(Indexed("GScl", (i + 1) * 10), s.scales[i].minimum, kScaleDefaults[i].minimum);
    f.IODouble(Indexed("GScl", (i + 1) * 10 + 1), s.scales[i].maximum, kScaleDefaults[i].maximum);
  }
  for (int i = 0; i < 13; ++i) f.IOBoolean(Indexed("CTag", i + 1), s.curveTags[i].shown, false);
  f.IOLong("BkgColor", s.graphBackground, background);
  for (int i = 0; i < 4; ++i) {
    // Crank angles of the graph.
    f.IOSingleWithin(Indexed("LneLoc", i + 1), s.cursorLines[i], static_cast<float>((i + 1) * 54),
                     -360, 360);
  }
  f.IOSingle("LneStp", s.cursorStep, 10);
  f.IOBoolean("Grid", s.gridLines, true);
  f.IOSingle("ZX1", s.zoom.left, 0);
  f.IOSingle("ZY1", s.zoom.bottom, 0);
  f.IOSingle("ZX2", s.zoom.right, 1);
  f.IOSingle("ZY2", s.zoom.top, 1);
  f.IOInteger("GThd", s.graphPanelNumber, 3);
  f.IOInteger("LftScl", s.leftScale, 2);
  f.IOInteger("RhtScl", s.rightScale, 5);
  f.IOBoolean("CsrLnOn", s.cursorLinesShown, true);
  f.IOBoolean("LneThk", s.thickLines, false);
  f.IOBoolean("Scl2", s.twoScales, true);
  f.IOLong("Metric", s.unitSystem, 0);
  f.CloseSection();
}

void TransferFiles(KeyedFile& f, Settings& s, const Folders& folders) {
  f.OpenSection("Files", kSectionBuffer);
  Settings defaults;
  SetFileDefaults(defaults, folders);
  f.IOBoolean("EnAsTb", s.enterAsTab, false);
  f.IOBoolean("NameInc", s.incrementNames, false);
  f.IOString("Graph", s.graphFile, defaults.graphFile);
  f.IOString("Report", s.reportFile, defaults.reportFile);
  f.IOString("Engine", s.engineFile, defaults.engineFile);
  f.IOString("Cam", s.camFolder, defaults.camFolder);
  f.IOString("FlowDos", s.flowDosFolder, defaults.flowDosFolder);
  f.IOString("FlowWin", s.flowDatabase, defaults.flowDatabase);
  f.IOLong("FlowTab", s.flowTab, 1);
  f.IOString("LdOp", s.filterOperator, "");
  f.IOString("LdCust", s.filterCustomer, "");
  const DateTime today = Today();
  f.IODate("LdFDat", s.filterFromDate, today);
  f.IODate("LdTDat", s.filterToDate, today);
  f.IOBoolean("LdADat", s.filterAnyDate, true);
  f.IOBoolean("LdTdy", s.filterToday, false);
  f.IOInteger("LdIE", s.filterSide, 0);
  f.IOInteger("LdTKind", s.filterTestKind, 0);
  for (int i = 0; i < 4; ++i) {
    TestFilterRow& row = s.filterRows[i];
    f.IOInteger(Indexed("LdUAO", i), row.joining, 0);
    f.IOInteger(Indexed("LdFld", i), row.field, 0);
    f.IOInteger(Indexed("LdRel", i), row.relation, 0);
    f.IOString(Indexed("LdPrm", i), row.parameter, "");
  }
  for (int i = 0; i < 3; ++i) f.IOInteger(Indexed("LdSrt", i), s.sortKeys[i], 0);
  for (int i = 0; i < 5; ++i) {
    f.IOInteger(Indexed("ShCol", i), s.shownColumns[i], static_cast<std::int16_t>(i + 1));
  }
  for (int i = 0; i < 7; ++i) f.IOInteger(Indexed("LdCol", i), s.columnFlags[i], 0);
  // The CSV mappings: on reading, up to the first missing key.
  std::vector<std::string> mappings = s.csvMappings;
  mappings.resize(static_cast<std::size_t>(kMaxCsvMappings));
  for (int i = 0; i < kMaxCsvMappings; ++i) {
    f.IOString(Indexed("CsvMap", i), mappings[static_cast<std::size_t>(i)], "");
  }
  const auto end = std::find(mappings.begin(), mappings.end(), std::string());
  s.csvMappings.assign(mappings.begin(), end);
  f.CloseSection();
}

// Curve tag i+1: scale, colour (blue-green-red), miscellaneous texts of name and unit.
constexpr std::array<CurveTagDefault, 13> kCurveTagDefaults = {{
    {2, 0x800080, 25, 36},
    {3, 0x00A000, 26, 37},
    {1, 0xFF0000, 27, 38},
    {1, 0x0040C0, 28, 39},
    {4, 0xFF00FF, 29, 40},
    {6, 0x404020, 30, 41},
    {4, 0x0800C0, 31, 42},
    {4, 0xA06000, 32, 43},
    {5, 0x4000C0, 33, 44},
    {5, 0x808000, 34, 45},
    {7, 0x000000, 35, 46},
    {8, 0x0200A0, 143, 145},
    {8, 0x804000, 144, 146},
}};

}  // namespace

const std::array<CurveTagDefault, 13>& CurveTagDefaults() noexcept { return kCurveTagDefaults; }

std::string Folders::dataRootText() const { return FolderWithSeparator(dataRoot); }

fs::path ResolveDataRoot(const fs::path& overrideRoot) {
  if (!overrideRoot.empty()) return overrideRoot;
  if (const char* env = std::getenv(kDataRootVariable); env != nullptr && *env != '\0') {
    return fs::path(env);
  }
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr && *home != '\0' ? home : ".") / "Orvantis";
}

fs::path ProgramFolderOf(const fs::path& executableFolder) {
  std::error_code ec;
  if (fs::is_regular_file(executableFolder / kInterfaceStringFile, ec)) return executableFolder;
  const fs::path installed = executableFolder.parent_path() / "share" / "orvantis";
  if (fs::is_regular_file(installed / kInterfaceStringFile, ec)) return installed;
  return executableFolder;
}

fs::path ProgramFolder() { return ProgramFolderOf(ExecutableFolder()); }
bool EnsureDataFolders(const Folders& folders) {
  bool ok = true;
  for (const fs::path& folder :
       {folders.enginesFolder(), folders.reportsFolder(), folders.capturesFolder()}) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) ok = false;
  }
  return ok;
}

void SetFileDefaults(Settings& s, const Folders& folders) {
  const std::string root = folders.dataRootText();
  s.graphFile = (folders.capturesFolder() / kDefaultGraphName).string();
  s.reportFile = (folders.reportsFolder() / kDefaultReportName).string();
  s.engineFile = (folders.enginesFolder() / kDefaultEngineName).string();
  s.camFolder = root;
  s.flowDosFolder = root;
  s.flowDatabase = root;
}

void SetGraphDefaults(Settings& s, const InterfaceStrings* strings, std::int32_t background) {
  s.curveListColumns = {1, 2, 3, 4};
  s.curveListWidths = {1600, 1000, 1000, 1000};
  s.scales = kScaleDefaults;
  s.scales[1].maximum = kScale2InitialMax;
  s.graphBackground = background;
  s.cursorLines = {54, 108, 162, 216};
  s.cursorStep = 10;
  s.gridLines = true;
  s.zoom = ZoomWindow{};
  s.numberFormat = "###0.0";
  s.graphPanelNumber = 3;
  s.leftScale = 2;
  s.rightScale = 5;
  s.cursorLinesShown = true;
  s.thickLines = false;
  for (std::size_t i = 0; i < s.curveTags.size(); ++i) {
    CurveTag& tag = s.curveTags[i];
    const CurveTagDefault& d = kCurveTagDefaults[i];
    tag.scale = d.scale;
    tag.colour = d.colour;
    if (strings != nullptr) {
      tag.name = strings->Misc(d.nameText);
      tag.unit = strings->Misc(d.unitText);
    }
  }
}

ConfigResult ConfigFileIO(const fs::path& path, Settings& settings, bool reading, bool quiet,
                          const ConfigDefaults& defaults, Prompter& prompter) {
  ETracker guard(kConfigFileModule, "ConfigFileIO");
  ConfigResult result;
  try {
    KeyedFile f;
    f.BeginFile(path, reading, &prompter);
    result.headerValid =
        f.CheckHeader(kConfigFileId, quiet, kNotConfigFile, kUsingDefaults, prompter);
    result.reason = f.readFailure();
    if (!result.headerValid && !quiet) return result;
    TransferReport(f, settings);
    TransferGraph(f, settings, defaults.windowBackground);
    TransferFiles(f, settings, defaults.folders);
    result.ok = f.EndFile(reading ? nullptr : &result.reason);
  } catch (...) {
    prompter.Warn(EStackTrace::Instance().ReportCurrentException(guard), kAppTitle);
    result.ok = false;
  }
  return result;
}

std::string JoinHeading(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) {
    joined += line;
    joined += "\r\n";
  }
  std::string out;
  for (std::size_t i = 0; i < joined.size(); ++i) {
    const char c = joined[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == ' ' && i == 0) {
      out += "\\s";
    } else if (c == '\0') {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> SplitHeading(std::string_view value) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      const char e = value[i + 1];
      if (e == '\\' || e == 'r' || e == 'n' || e == 's') {
        text += e == '\\' ? '\\' : e == 'r' ? '\r' : e == 'n' ? '\n' : ' ';
        ++i;
        continue;
      }
    }
    text += c;
  }
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t crlf = text.find("\r\n", pos);
    if (crlf == std::string::npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, crlf - pos));
    pos = crlf + 2;
  }
  return lines;
}

void AddRecentFile(RecentFiles& list, const std::string& path) {
  std::size_t i = 8;
  for (std::size_t k = 0; k < 8; ++k) {
    if (list[k] == path) {
      i = k;
      break;
    }
  }
  for (std::size_t k = i; k > 0; --k) list[k] = list[k - 1];
  list[0] = path;
}

void CleanRecentFiles(RecentFiles& list) {
  for (std::string& entry : list) entry = std::string(Trim(entry));
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].empty()) continue;
    for (std::size_t j = i + 1; j < list.size(); ++j) {
      if (list[j] == list[i]) list[j].clear();
    }
  }
  RecentFiles packed;
  std::size_t n = 0;
  for (const std::string& entry : list) {
    if (!entry.empty()) packed[n++] = entry;
  }
  list = packed;
}

std::vector<std::string> RecentMenuCaptions(const RecentFiles& list) {
  std::vector<std::string> captions;
  for (std::size_t k = 0; k < list.size(); ++k) {
    if (list[k].empty()) continue;
    std::string caption = "&";
    caption += static_cast<char>('1' + k);
    caption += ' ';
    caption += list[k];
    captions.push_back(std::move(caption));
  }
  return captions;
}

}  // namespace orv
