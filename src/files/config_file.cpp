#include "files/config_file.h"

#include <cstdlib>
#include <system_error>

#include "base/error_trace.h"
#include "base/text.h"
#include "files/interface_strings.h"

namespace orv {

// Configuration file "ORV_ANT.INI" in the data root: a keyed text file (see keyed_file.h).
// Sections in write order, with their fetch buffers: [ID] 2048 (Purpose = Orvantis
// Configuration File), [Report] 4096, [Graph] 4096, [Files] 4096. Keys with an index carry it
// as plain digits right after the name ("RepSec0", "GScl21", "LdPrm3").

namespace fs = std::filesystem;

namespace {

constexpr const char* kModule = "FileIO";
constexpr std::size_t kSectionBuffer = 4096;
constexpr const char* kDefaultEngineName = "MyEngine000.OV";
constexpr const char* kDefaultReportName = "OV_Report.txt";
constexpr const char* kDefaultGraphName = "OV_Graph.bmp";

// Scale i+1 limits as stored: {minimum, maximum}.
constexpr std::array<std::array<double, 2>, 8> kScaleDefaults = {{
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

// Curve tag i+1: scale, colour (blue-green-red), miscellaneous texts of name and unit.
struct CurveTagDefault {
  std::int16_t scale;
  std::int32_t colour;
  int nameText;
  int unitText;
};
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

std::string Indexed(std::string_view name, int index) {
  return std::string(name) + std::to_string(index);
}

void TransferReport(KeyedFile& f, Settings& s) {
  f.OpenSection("Report", kSectionBuffer);
  for (int i = 0; i < 7; ++i) f.IOBoolean(Indexed("RepSec", i), s.repSec[i], true);
  for (int i = 0; i < 3; ++i) f.IOBoolean(Indexed("RepHd", i), s.repHd[i], true);
  constexpr std::array<float, 6> kDegrees{-360, 360, 1, -360, 360, 1};
  for (int i = 0; i < 6; ++i) f.IOSingle(Indexed("RepDeg", i), s.repDeg[i], kDegrees[i]);
  f.CloseSection();
}

void TransferGraph(KeyedFile& f, Settings& s, std::int32_t background) {
  f.OpenSection("Graph", kSectionBuffer);
  std::string heading = f.reading() ? std::string() : JoinHeading(s.prnHead);
  f.IOString("PrnHead", heading, "");
  if (f.reading()) s.prnHead = SplitHeading(heading);
  for (int i = 0; i < 4; ++i) {
    f.IOInteger(Indexed("CrvNdx", i + 1), s.crvNdx[i], static_cast<std::int16_t>(i + 1));
  }
  for (int i = 0; i < 4; ++i) {
    f.IOInteger(Indexed("ColWdth", i + 1), s.colWdth[i], i == 0 ? 1600 : 1000);
  }
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 2; ++j) {
      f.IODouble(Indexed("GScl", (i + 1) * 10 + j), s.gScl[i][j], kScaleDefaults[i][j]);
    }
  }
  for (int i = 0; i < 13; ++i) f.IOBoolean(Indexed("CTag", i + 1), s.curveTags[i].shown, false);
  f.IOLong("BkgColor", s.bkgColor, background);
  for (int i = 0; i < 4; ++i) {
    f.IOSingle(Indexed("LneLoc", i + 1), s.lneLoc[i], static_cast<float>((i + 1) * 54));
  }
  f.IOSingle("LneStp", s.lneStp, 10);
  f.IOBoolean("Grid", s.grid, true);
  f.IOSingle("ZX1", s.zx1, 0);
  f.IOSingle("ZY1", s.zy1, 0);
  f.IOSingle("ZX2", s.zx2, 1);
  f.IOSingle("ZY2", s.zy2, 1);
  f.IOInteger("GThd", s.gThd, 3);
  f.IOInteger("LftScl", s.lftScl, 2);
  f.IOInteger("RhtScl", s.rhtScl, 5);
  f.IOBoolean("CsrLnOn", s.csrLnOn, true);
  f.IOBoolean("LneThk", s.lneThk, false);
  f.IOBoolean("Scl2", s.scl2, true);
  f.IOLong("Metric", s.metric, 0);
  f.CloseSection();
}

void TransferFiles(KeyedFile& f, Settings& s, const Folders& folders) {
  f.OpenSection("Files", kSectionBuffer);
  Settings defaults;
  SetFileDefaults(defaults, folders);
  f.IOBoolean("EnAsTb", s.enAsTb, false);
  f.IOBoolean("NameInc", s.nameInc, false);
  f.IOString("Graph", s.graph, defaults.graph);
  f.IOString("Report", s.report, defaults.report);
  f.IOString("Engine", s.engine, defaults.engine);
  f.IOString("Cam", s.cam, defaults.cam);
  f.IOString("FlowDos", s.flowDos, defaults.flowDos);
  f.IOString("FlowWin", s.flowWin, defaults.flowWin);
  f.IOLong("FlowTab", s.flowTab, 1);
  f.IOString("LdOp", s.ldOp, "");
  f.IOString("LdCust", s.ldCust, "");
  const DateTime today = Today();
  f.IODate("LdFDat", s.ldFDat, today);
  f.IODate("LdTDat", s.ldTDat, today);
  f.IOBoolean("LdADat", s.ldADat, true);
  f.IOBoolean("LdTdy", s.ldTdy, false);
  f.IOInteger("LdIE", s.ldIE, 0);
  f.IOInteger("LdTKind", s.ldTKind, 0);
  for (int i = 0; i < 4; ++i) {
    TestFilterRow& row = s.ldRows[i];
    f.IOInteger(Indexed("LdUAO", i), row.joining, 0);
    f.IOInteger(Indexed("LdFld", i), row.field, 0);
    f.IOInteger(Indexed("LdRel", i), row.relation, 0);
    f.IOString(Indexed("LdPrm", i), row.parameter, "");
  }
  for (int i = 0; i < 3; ++i) f.IOInteger(Indexed("LdSrt", i), s.ldSrt[i], 0);
  for (int i = 0; i < 5; ++i) {
    f.IOInteger(Indexed("ShCol", i), s.shCol[i], static_cast<std::int16_t>(i + 1));
  }
  for (int i = 0; i < 7; ++i) f.IOInteger(Indexed("LdCol", i), s.ldCol[i], 0);
  f.CloseSection();
}

}  // namespace

std::string Folders::dataRootText() const {
  std::string text = dataRoot.string();
  if (text.empty() || text.back() != fs::path::preferred_separator) {
    text += fs::path::preferred_separator;
  }
  return text;
}

fs::path ResolveDataRoot(const fs::path& overrideRoot) {
  if (!overrideRoot.empty()) return overrideRoot;
  if (const char* env = std::getenv(kDataRootVariable); env != nullptr && *env != '\0') {
    return fs::path(env);
  }
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr && *home != '\0' ? home : ".") / "Orvantis";
}

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
  s.graph = (folders.capturesFolder() / kDefaultGraphName).string();
  s.report = (folders.reportsFolder() / kDefaultReportName).string();
  s.engine = (folders.enginesFolder() / kDefaultEngineName).string();
  s.cam = root;
  s.flowDos = root;
  s.flowWin = root;
}

void SetGraphDefaults(Settings& s, const InterfaceStrings* strings, std::int32_t background) {
  s.crvNdx = {1, 2, 3, 4};
  s.colWdth = {1600, 1000, 1000, 1000};
  s.gScl = kScaleDefaults;
  s.gScl[1][1] = kScale2InitialMax;
  s.bkgColor = background;
  s.lneLoc = {54, 108, 162, 216};
  s.lneStp = 10;
  s.grid = true;
  s.zx1 = s.zy1 = 0;
  s.zx2 = s.zy2 = 1;
  s.numberFormat = "###0.0";
  s.gThd = 3;
  s.lftScl = 2;
  s.rhtScl = 5;
  s.csrLnOn = true;
  s.lneThk = false;
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
  ETracker guard(kModule, "ConfigFileIO");
  ConfigResult result;
  try {
    KeyedFile f;
    f.BeginFile(path, reading);
    result.headerValid =
        f.CheckHeader(kConfigFileId, quiet, kNotConfigFile, kUsingDefaults, prompter);
    if (!result.headerValid && !quiet) return result;
    TransferReport(f, settings);
    TransferGraph(f, settings, defaults.windowBackground);
    TransferFiles(f, settings, defaults.folders);
    result.ok = f.EndFile();
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
