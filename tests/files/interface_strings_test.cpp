#include "files/interface_strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "base/runtime_error.h"
#include "files/interface_text_ids.h"
#include "files/output_captions.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using T = InterfaceStrings::Table;

InterfaceStrings Parsed(const std::string& file) {
  InterfaceStrings s;
  s.Parse(file);
  return s;
}

TEST(InterfaceStrings, EntriesFillTheirTables) {
  const InterfaceStrings s = Parsed(
      "title\r\n"
      "[[LABEL 12\r\nBore\r\nsecond line\r\n"
      "[[HELP 3\r\nline one\r\nline two\r\n"
      "[[HELP -1\r\nGeneral\r\n"
      "[[OUT_LABEL 69\r\nLast\r\n"
      "[[UNIT 22\r\nin|mm\r\n"
      "[[MISC 146\r\nm\r\n"
      "[[MENU 2\r\n&Edit\r\n"
      "[[MENU 4:4\r\nExit\r\n"
      "[[TAB 5:4\r\nTab\r\n"
      "[[ITEM 0:6\r\nItem\r\n"
      "[[LABEL 7\r\nfirst\r\n"
      "[[LABEL 7\r\nlater\r\n");
  EXPECT_EQ(s.Label(12), "Bore");  // first line only
  EXPECT_EQ(s.Help(3), "line one\r\nline two");
  EXPECT_EQ(s.Help(-1), "General");
  EXPECT_EQ(s.OutLabel(69), "Last");
  EXPECT_EQ(s.Unit(22), "in|mm");
  EXPECT_EQ(s.Misc(146), "m");
  EXPECT_EQ(s.Menu(2, 0), "&Edit");
  EXPECT_EQ(s.Menu(4, 4), "Exit");
  EXPECT_EQ(s.Tab(5, 4), "Tab");
  EXPECT_EQ(s.Item(0, 6), "Item");
  EXPECT_EQ(s.Label(7), "later");  // the later entry wins
}

TEST(InterfaceStrings, OutOfRangeAndMalformedEntriesAreIgnored) {
  const InterfaceStrings s = Parsed(
      "[[LABEL 1\r\nnot found on the first line\r\n"
      "[[LABEL 70\r\nseventy\r\n"
      "[[LABEL 69\r\nsixty-nine\r\n"
      "[[HELP -2\r\nminus two\r\n"
      "[[MISC 0\r\nzero\r\n"
      "[[TAB 2\r\nno column\r\n"
      "[[MENU 2:\r\ntrailing colon\r\n"
      "[[ITEM :3\r\nleading blank then colon\r\n"
      "[[NOTE 5\r\nunknown tag\r\n"
      "[[label 5\r\nlower case\r\n"
      "[[UNIT 4\r\nstill read\r\n");
  EXPECT_EQ(s.Label(1), "");
  EXPECT_EQ(s.Label(69), "sixty-nine");
  EXPECT_EQ(s.Label(70), "");
  EXPECT_EQ(s.Help(-2), "");
  EXPECT_EQ(s.Misc(0), "");
  for (int m = 1; m <= 4; ++m) EXPECT_EQ(s.Tab(2, m), "") << m;
  EXPECT_EQ(s.Menu(2, 0), "");
  // " :3": the colon is not the first character of the identifier (the blank is), so row 0.
  EXPECT_EQ(s.Item(0, 3), "leading blank then colon");
  EXPECT_EQ(s.Label(5), "");
  EXPECT_EQ(s.Unit(4), "still read");
}

TEST(InterfaceStrings, AHeadLineWithoutBlankOrLineEndEndsTheLoad) {
  const InterfaceStrings noBlank = Parsed("x\r\n[[LABEL 1\r\none\r\n[[LABEL");
  EXPECT_EQ(noBlank.Label(1), "one");
  const InterfaceStrings noCr = Parsed("x\r\n[[LABEL 1\r\none\r\n[[LABEL 2");
  EXPECT_EQ(noCr.Label(1), "one");
  EXPECT_EQ(noCr.Label(2), "");
}

TEST(InterfaceStrings, TextsAreConvertedFromWindows1252) {
  const InterfaceStrings s = Parsed(
      "x\r\n[[UNIT 7\r\n\xB0"
      "F|\xB0"
      "C\r\n");
  EXPECT_EQ(s.Unit(7),
            "\xC2\xB0"
            "F|\xC2\xB0"
            "C");
  EXPECT_EQ(UnitCaption(s, 7, UnitMode::Metric),
            "\xC2\xB0"
            "C");
  EXPECT_EQ(UnitCaption(s, 7, UnitMode::MetricM3),
            "\xC2\xB0"
            "C");
}

TEST(InterfaceStrings, AMissingFileIsAnError) {
  test::TempDir dir;
  InterfaceStrings s;
  try {
    LoadInterfaceStrings(dir / "OV-STR.TXT", s);
    FAIL() << "a missing file must raise";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrFileNotFound);
  }
}

TEST(UnitCaption, PicksThePartOfTheUnitSystem) {
  struct Row {
    const char* text;
    const char* english;
    const char* metric;
    const char* metricM3;
  };
  for (const Row& row :
       {Row{"CFM|CFM|m3/min", "CFM", "CFM", "m3/min"}, Row{"in|mm", "in", "mm", "mm"},
        Row{"rpm", "rpm", "rpm", "rpm"}, Row{"", "", "", ""}}) {
    EXPECT_EQ(UnitSystemPart(row.text, UnitMode::English), row.english);
    EXPECT_EQ(UnitSystemPart(row.text, UnitMode::Metric), row.metric);
    EXPECT_EQ(UnitSystemPart(row.text, UnitMode::MetricM3), row.metricM3);
  }
}

TEST(OutputCaptions, EverySlotIsListedOnceWithTheReportsUnitFields) {
  std::vector<int> seen;
  for (const OutputCaption& c : OutputCaptions()) {
    EXPECT_EQ(std::count(seen.begin(), seen.end(), c.slot), 0) << c.slot;
    seen.push_back(c.slot);
  }
  // Page 0 slots 0..9, 21..25, 40; page 1 slots 10..20, 26..39, 41..45, 49, 52..57; balance
  // 46..51, 70..85, 90..105.
  for (int slot : {0, 9, 21, 25, 40, 10, 20, 26, 39, 41, 45, 49, 52, 57, 46, 51, 70, 85, 90, 105}) {
    EXPECT_NE(FindOutputCaption(slot), nullptr) << slot;
  }
  EXPECT_EQ(FindOutputCaption(86), nullptr);
  // The general report reads units 13..16 beside slots 17..20 and 52..55, unit 17 beside 45,
  // unit 18 beside 49 and unit 34 beside 31.
  EXPECT_EQ(FindOutputCaption(19)->unitField, 15);
  EXPECT_EQ(FindOutputCaption(53)->unitField, 14);
  EXPECT_EQ(UnitOfUnitField(17), kUnitPercent);
  EXPECT_EQ(UnitOfUnitField(18), kUnitVolume);
  EXPECT_EQ(UnitOfUnitField(34), kUnitPressure);
  EXPECT_EQ(FindOutputCaption(40)->label, 34);
  EXPECT_EQ(FindOutputCaption(41)->label, FindOutputCaption(49)->label);
}

TEST(OutputCaptions, ValuesShownAsHeldKeepTheirUnitInEveryUnitSystem) {
  InterfaceStrings strings;
  LoadInterfaceStrings(
      std::filesystem::path(std::getenv("ORVANTIS_SOURCE_DIR")) / "resources" / "OV-STR.TXT",
      strings);
  for (UnitMode mode : {UnitMode::English, UnitMode::Metric, UnitMode::MetricM3}) {
    EXPECT_EQ(OutputUnitCaption(strings, *FindOutputCaption(1), mode), "cc");
    EXPECT_EQ(OutputUnitCaption(strings, *FindOutputCaption(49), mode), "cc");
    EXPECT_EQ(OutputUnitCaption(strings, *FindOutputCaption(41), mode), "cu in");  // charge
    EXPECT_EQ(OutputUnitCaption(strings, *FindOutputCaption(27), mode), "lb");     // force
  }
  EXPECT_EQ(OutputUnitCaption(strings, *FindOutputCaption(0), UnitMode::Metric), "cc");
  EXPECT_EQ(OutputUnitCaption(strings, *FindOutputCaption(0), UnitMode::English), "cu in");
}

// The interface string file shipped with the program fills every slot the program reads.
TEST(InterfaceStringFile, FillsEverySlotTheProgramUses) {
  const char* source = std::getenv("ORVANTIS_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  InterfaceStrings s;
  LoadInterfaceStrings(fs::path(source) / "resources" / kInterfaceStringFile, s);
  const char* names[] = {"HELP", "LABEL", "OUT_LABEL", "UNIT", "MISC", "MENU", "TAB", "ITEM"};
  for (const TextSlot& slot : UsedInterfaceTexts()) {
    EXPECT_FALSE(s.Text(slot.table, slot.n, slot.m).empty())
        << names[static_cast<int>(slot.table)] << " " << slot.n << ":" << slot.m;
  }
  EXPECT_EQ(s.Label(0), "Bore");
  EXPECT_EQ(s.Label(28), "% Drop from Max Torque to Max HP");
  EXPECT_EQ(s.Item(1, 3), "Diesel");
  EXPECT_EQ(s.Misc(9), " suggested");
  EXPECT_EQ(UnitCaption(s, kUnitAirflow, UnitMode::MetricM3), "m\xC2\xB3/min");
  EXPECT_NE(s.Help(0).find('\n'), std::string::npos);  // help texts keep their lines
  // Every unit text has a caption in all three unit systems.
  for (int u = 0; u <= InterfaceStrings::kUnitHi; ++u) {
    for (UnitMode mode : {UnitMode::English, UnitMode::Metric, UnitMode::MetricM3}) {
      EXPECT_FALSE(UnitCaption(s, u, mode).empty()) << u;
    }
  }
  for (int n = 0; n <= 35; ++n) {
    if (InputUnitText(n, false) >= 0) {
      EXPECT_FALSE(s.Unit(InputUnitText(n, false)).empty()) << n;
    }
  }
}

}  // namespace
}  // namespace orv
