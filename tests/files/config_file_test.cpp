#include "files/config_file.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "files/user_store.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

using test::FakePrompter;
using test::ReadText;
using test::WriteText;

ConfigDefaults DefaultsIn(const fs::path& root) {
  return ConfigDefaults{Folders{"/opt/orvantis", root}, 0x123456};
}

// Settings equal to every file default.
Settings DefaultSettings(const ConfigDefaults& d) {
  Settings s;
  SetGraphDefaults(s, nullptr, d.windowBackground);
  s.scales[1].maximum = 4.4;  // the file default (5.5 is only the value before reading)
  SetFileDefaults(s, d.folders);
  s.filterFromDate = s.filterToDate = Today();
  return s;
}

TEST(ConfigFileIO, DefaultSettingsWriteNothingButTheHeader) {
  test::TempDir dir;
  const ConfigDefaults d = DefaultsIn(dir.path());
  Settings s = DefaultSettings(d);
  FakePrompter n;
  ASSERT_TRUE(ConfigFileIO(dir / "ORV_ANT.INI", s, false, false, d, n).ok);
  EXPECT_EQ(ReadText(dir / "ORV_ANT.INI"),
            "[ID]\r\nPurpose = Orvantis Configuration File\r\n[Report]\r\n[Graph]\r\n[Files]\r\n");
}

TEST(ConfigFileIO, ChangedSettingsRoundTrip) {
  test::TempDir dir;
  const ConfigDefaults d = DefaultsIn(dir.path());
  Settings s = DefaultSettings(d);
  s.reportSections[6] = false;
  s.reportRanges[3] = -90;
  s.customerHeading = {" Fast Engines Ltd", "C:\\Shop\\ 1", "", "Last line"};
  s.curveListColumns[2] = 7;
  s.scales[7].maximum = 2.25;
  s.curveTags[12].shown = true;
  s.graphBackground = 0xFFFFFF;
  s.cursorLines[3] = 300.5f;
  s.gridLines = false;
  s.zoom.right = 0.5f;
  s.unitSystem = 2;
  s.incrementNames = true;
  s.engineFile = "/data/Engines/Race.OV";
  s.filterFromDate = *ParseDate("2020-05-17");
  s.filterRows[3] = {1, 4, 2, "Smith"};
  s.shownColumns[4] = 9;
  s.columnFlags[6] = -1;
  FakePrompter n;
  ASSERT_TRUE(ConfigFileIO(dir / "c.ini", s, false, false, d, n).ok);
  const std::string text = ReadText(dir / "c.ini");
  EXPECT_NE(
      text.find(
          "PrnHead = \\sFast Engines Ltd\\r\\nC:\\\\Shop\\\\ 1\\r\\n\\r\\nLast line\\r\\n\r\n"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("GScl81 = 2.25\r\n"), std::string::npos);
  EXPECT_NE(text.find("LdFDat = 2020-05-17\r\n"), std::string::npos);
  EXPECT_EQ(text.find("LdTDat"), std::string::npos);  // today is the default

  Settings back = DefaultSettings(d);
  back.customerHeading = {"stale"};
  ConfigResult r = ConfigFileIO(dir / "c.ini", back, true, false, d, n);
  ASSERT_TRUE(r.ok && r.headerValid);
  EXPECT_EQ(back.customerHeading, s.customerHeading);
  EXPECT_FALSE(back.reportSections[6]);
  EXPECT_EQ(back.reportRanges[3], -90.0f);
  EXPECT_EQ(back.curveListColumns[2], 7);
  EXPECT_EQ(back.scales[7].maximum, 2.25);
  EXPECT_TRUE(back.curveTags[12].shown);
  EXPECT_EQ(back.graphBackground, 0xFFFFFF);
  EXPECT_EQ(back.cursorLines[3], 300.5f);
  EXPECT_FALSE(back.gridLines);
  EXPECT_EQ(back.unitSystem, 2);
  EXPECT_TRUE(back.incrementNames);
  EXPECT_EQ(back.engineFile, "/data/Engines/Race.OV");
  EXPECT_EQ(back.filterFromDate, s.filterFromDate);
  EXPECT_EQ(back.filterRows[3].parameter, "Smith");
  EXPECT_EQ(back.filterRows[3].relation, 2);
  EXPECT_EQ(back.shownColumns[4], 9);
  EXPECT_EQ(back.columnFlags[6], -1);
  EXPECT_TRUE(n.warnings.empty());
}

TEST(ConfigFileIO, Scale2MaximumOf4Point4IsNotWrittenAndReadsBack) {
  test::TempDir dir;
  const ConfigDefaults d = DefaultsIn(dir.path());
  Settings s = DefaultSettings(d);
  FakePrompter n;
  ASSERT_TRUE(ConfigFileIO(dir / "c.ini", s, false, false, d, n).ok);
  EXPECT_EQ(ReadText(dir / "c.ini").find("GScl21"), std::string::npos);
  Settings next;
  SetGraphDefaults(next, nullptr, 0);
  EXPECT_EQ(next.scales[1].maximum, 5.5);
  ASSERT_TRUE(ConfigFileIO(dir / "c.ini", next, true, false, d, n).ok);
  EXPECT_EQ(next.scales[1].maximum, 4.4);
}

TEST(ConfigFileIO, MissingFileWarnsAndGivesDefaults) {
  test::TempDir dir;
  const ConfigDefaults d = DefaultsIn(dir.path());
  Settings s;
  s.unitSystem = 1;
  s.engineFile = "old";
  FakePrompter n;
  const ConfigResult r = ConfigFileIO(dir / "ORV_ANT.INI", s, true, true, d, n);
  EXPECT_FALSE(r.headerValid);
  EXPECT_EQ(n.beeps, 1);
  ASSERT_EQ(n.warnings.size(), 1u);
  EXPECT_EQ(n.warnings[0], (dir / "ORV_ANT.INI").string() +
                               " is not an Orvantis configuration file.\r\nUsing default values");
  EXPECT_EQ(s.unitSystem, 0);
  EXPECT_EQ(s.engineFile, (dir / "Engines" / "MyEngine000.OV").string());
  EXPECT_EQ(s.camFolder, d.folders.dataRootText());
  EXPECT_EQ(s.graphBackground, 0x123456);
  EXPECT_EQ(s.filterFromDate, Today());
}

TEST(ConfigFileIO, ABadDateIsReportedAndEndsTheRead) {
  test::TempDir dir;
  const ConfigDefaults d = DefaultsIn(dir.path());
  {
    std::ofstream out(dir / "c.ini", std::ios::binary);
    out << "[ID]\r\nPurpose = Orvantis Configuration File\r\n[Graph]\r\nMetric = 1\r\n"
           "[Files]\r\nLdFDat = 31/31/2020\r\nLdTdy = -1\r\n";
  }
  Settings s;
  FakePrompter n;
  const ConfigResult r = ConfigFileIO(dir / "c.ini", s, true, true, d, n);
  EXPECT_TRUE(r.headerValid);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(s.unitSystem, 1);   // read before the date
  EXPECT_FALSE(s.filterToday);  // after it: not read
  ASSERT_EQ(n.warnings.size(), 1u);
  EXPECT_NE(n.warnings[0].find("Error (13)"), std::string::npos) << n.warnings[0];
  EXPECT_NE(n.warnings[0].find("FileIO/ConfigFileIO"), std::string::npos) << n.warnings[0];
}

// A cursor line beyond the graph's crank angles (-360 to 360) would make every graph fail:
// it is taken as its default, and the warning names the file, the section and the key. The
// angles at the ends of the range, and the keys after the bad ones, are read as they are.
TEST(ConfigFileIO, CursorLinesOutOfRangeTakeTheirDefaultsWithAWarningNamingTheKey) {
  test::TempDir dir;
  const ConfigDefaults d = DefaultsIn(dir.path());
  const fs::path file = dir / "ORV_ANT.INI";
  WriteText(file,
            "[ID]\r\nPurpose = Orvantis Configuration File\r\n[Graph]\r\nLneLoc1 = -360\r\n"
            "LneLoc2 = 360.5\r\nLneLoc3 = 3e9\r\nLneLoc4 = 360\r\nLneStp = 5\r\nMetric = 1\r\n");
  Settings s;
  SetGraphDefaults(s, nullptr, d.windowBackground);
  FakePrompter n;
  const ConfigResult r = ConfigFileIO(file, s, true, true, d, n);
  EXPECT_TRUE(r.headerValid);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(s.cursorLines, (std::array<float, 4>{-360, 108, 162, 360}));
  EXPECT_EQ(s.cursorStep, 5);
  EXPECT_EQ(s.unitSystem, 1);
  const std::string at = file.string() + ": section [Graph], key ";
  EXPECT_EQ(n.warnings, (std::vector<std::string>{
                            at + "LneLoc2: 360.5 is out of range (-360 to 360); its default 108 "
                                 "is used.",
                            at + "LneLoc3: 3e9 is out of range (-360 to 360); its default 162 is "
                                 "used.",
                        }));
  EXPECT_EQ(n.beeps, 0);
}

TEST(RecentFiles, AddMovesAnExistingEntryToTheTop) {
  struct Row {
    const char* name;
    RecentFiles before;
    std::string path;
    RecentFiles after;
  };
  const std::vector<Row> rows = {
      {"entry 4 moves up",
       {"a", "b", "c", "d", "e", "f", "g", "h", "i"},
       "d",
       {"d", "a", "b", "c", "e", "f", "g", "h", "i"}},
      {"a new path pushes out entry 9",
       {"a", "b", "c", "d", "e", "f", "g", "h", "i"},
       "z",
       {"z", "a", "b", "c", "d", "e", "f", "g", "h"}},
      {"the top stays", {"a", "b"}, "a", {"a", "b"}},
      {"into an empty list", {}, "a", {"a"}},
  };
  for (const Row& row : rows) {
    RecentFiles list = row.before;
    AddRecentFile(list, row.path);
    EXPECT_EQ(list, row.after) << row.name;
  }
}

TEST(RecentFiles, CleaningTrimsDropsDuplicatesAndClosesGaps) {
  RecentFiles list = {"A", "", "", "B", "A", "  C ", "B", "", "D"};
  CleanRecentFiles(list);
  EXPECT_EQ(list, (RecentFiles{"A", "B", "C", "D"}));
  EXPECT_EQ(RecentMenuCaptions(list), (std::vector<std::string>{"&1 A", "&2 B", "&3 C", "&4 D"}));
  RecentFiles twoEntries = {"A", "", "", "B", "A"};
  CleanRecentFiles(twoEntries);
  EXPECT_EQ(RecentMenuCaptions(twoEntries), (std::vector<std::string>{"&1 A", "&2 B"}));
}

TEST(UserStore, KeepsTheRecentListAndTheConfigurationPath) {
  test::TempDir dir;
  UserStore store(dir / "cfg" / "Orvantis" / "Orvantis.ini");
  EXPECT_EQ(store.ReadRecentFiles(), RecentFiles{});
  EXPECT_EQ(store.RegReadValue("ProjectFile", "none"), "none");
  ASSERT_EQ(store.WriteExitValues({"/e/one.OV", "", "/e/three.OV"}, "/data/ORV_ANT.INI"), 0);
  EXPECT_EQ(store.ReadRecentFiles(), (RecentFiles{"/e/one.OV", "", "/e/three.OV"}));
  EXPECT_EQ(store.RegReadValue("ProjectFile", ""), "/data/ORV_ANT.INI");
  EXPECT_EQ(store.RegWriteText("Other", "x  "), 0);
  EXPECT_EQ(store.RegReadValue("Other", ""), "x");
  EXPECT_EQ(store.RegReadValue("File1", ""), "/e/one.OV");
  EXPECT_NE(ReadText(store.file()).find("[Software\\Orvantis]\r\nFile1 = /e/one.OV\r\n"),
            std::string::npos);
}

// Where the program finds its interface string file and manual: beside the executable in the
// build folder, under share/orvantis when installed.
TEST(ProgramFolder, FindsTheStringFileBesideTheProgramOrInTheInstalledLayout) {
  struct Row {
    const char* name;
    bool besideProgram;
    bool inShare;
    bool shareHoldsAFolder;  // a folder named like the string file, not a file
    const char* expected;    // "bin" or "share"
  };
  const Row rows[] = {
      {"build folder", true, false, false, "bin"},
      {"installed", false, true, false, "share"},
      {"both: the program's own folder wins", true, true, false, "bin"},
      {"neither: the program's folder, to report the missing file", false, false, false, "bin"},
      {"a folder of that name does not count", false, false, true, "bin"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempDir dir;
    const fs::path bin = dir / "bin";
    const fs::path share = dir / "share" / "orvantis";
    fs::create_directories(bin);
    fs::create_directories(share);
    if (row.besideProgram) WriteText(bin / "OV-STR.TXT", "\r\n");
    if (row.inShare) WriteText(share / "OV-STR.TXT", "\r\n");
    if (row.shareHoldsAFolder) fs::create_directories(share / "OV-STR.TXT");
    const fs::path expected = std::string(row.expected) == "bin" ? bin : share;
    EXPECT_EQ(ProgramFolderOf(bin), expected);
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST(ConfigFileIO, CamCardSectionAndCheckHeights) {
  test::TempDir dir;
  const ConfigDefaults d = DefaultsIn(dir.path());
  Settings s = DefaultSettings(d);
  EXPECT_FALSE(s.reportCamCard);
  s.reportCamCard = true;
  s.camCardChecks = {0.004, 0.05, 0.25};
  FakePrompter n;
  ASSERT_TRUE(ConfigFileIO(dir / "c.ini", s, false, false, d, n).ok);
  const std::string text = ReadText(dir / "c.ini");
  EXPECT_NE(text.find("RepSec7"), std::string::npos);
  EXPECT_NE(text.find("RepChk0"), std::string::npos);
  EXPECT_EQ(text.find("RepChk1"), std::string::npos);  // the default is not written
  Settings back = DefaultSettings(d);
  ASSERT_TRUE(ConfigFileIO(dir / "c.ini", back, true, false, d, n).ok);
  EXPECT_TRUE(back.reportCamCard);
  EXPECT_EQ(back.camCardChecks, s.camCardChecks);

  // A height that is no length above 0 reads as its default.
  WriteText(dir / "bad.ini",
            "[ID]\r\nPurpose = Orvantis Configuration File\r\n[Report]\r\nRepChk0=-1\r\n"
            "RepChk1=abc\r\nRepChk2=1e300\r\n");
  Settings bad = DefaultSettings(d);
  ASSERT_TRUE(ConfigFileIO(dir / "bad.ini", bad, true, false, d, n).ok);
  EXPECT_EQ(bad.camCardChecks, (std::array<double, 3>{0.006, 0.050, 0.200}));
}

}  // namespace
}  // namespace orv
