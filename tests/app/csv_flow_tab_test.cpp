#include "app/csv_flow_tab.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

CsvPreview WithHeader(std::vector<std::string> header) {
  CsvPreview p;
  p.hasHeader = true;
  p.header = std::move(header);
  return p;
}

TEST(CsvFlowTab, TheLayoutKeyFollowsTheNamesInOrderWhateverTheirCase) {
  const std::string key = CsvLayoutKey(WithHeader({"Lift (mm)", "Flow", "Swirl"}));
  EXPECT_EQ(key.size(), 17u);
  EXPECT_EQ(key[0], 'h');
  EXPECT_EQ(CsvLayoutKey(WithHeader({" lift (MM) ", "FLOW", "swirl"})), key);
  EXPECT_NE(CsvLayoutKey(WithHeader({"Flow", "Lift (mm)", "Swirl"})), key);
  EXPECT_NE(CsvLayoutKey(WithHeader({"Lift (mm)", "Flow", "Swirl", ""})), key);
  // The names are separated: "ab","c" is not "a","bc".
  EXPECT_NE(CsvLayoutKey(WithHeader({"ab", "c"})), CsvLayoutKey(WithHeader({"a", "bc"})));
  CsvPreview bare;
  bare.rows = {{"0.1", "80", "2"}};
  EXPECT_EQ(CsvLayoutKey(bare), "n3");
}

TEST(CsvFlowTab, AMappingIsRememberedPerLayoutTheLatestFirst) {
  Settings s;
  const CsvPreview a = WithHeader({"Hub", "Durchfluss", "Unterdruck"});
  const CsvPreview b = WithHeader({"Hub", "Durchfluss"});
  // Nothing remembered: the header's guess (nothing recognised here).
  EXPECT_EQ(InitialCsvMapping(s, a), CsvTabMapping{});
  EXPECT_EQ(InitialCsvMapping(s, WithHeader({"Lift mm", "CFM"})),
            (CsvTabMapping{{1, 2, 0, 0}, {LiftUnit::Millimetres, FlowUnit::Cfm, {}}}));

  const CsvTabMapping ma{
      {1, 2, 3, 0},
      {LiftUnit::Millimetres, FlowUnit::LitresPerSecond, DepressionUnit::Kilopascals}};
  const CsvTabMapping mb{{2, 1, 0, 0}, {}};
  RememberCsvMapping(s, CsvLayoutKey(a), ma);
  RememberCsvMapping(s, CsvLayoutKey(b), mb);
  EXPECT_EQ(InitialCsvMapping(s, a), ma);
  EXPECT_EQ(InitialCsvMapping(s, b), mb);
  ASSERT_EQ(s.csvMappings.size(), 2u);
  EXPECT_EQ(s.csvMappings[0], CsvLayoutKey(b) + ";2;1;0;0;0;0;0");
  EXPECT_EQ(s.csvMappings[1], CsvLayoutKey(a) + ";1;2;3;0;1;2;1");

  // Remembered again: replaced, and first.
  const CsvTabMapping ma2{{3, 2, 0, 1}, {}};
  RememberCsvMapping(s, CsvLayoutKey(a), ma2);
  ASSERT_EQ(s.csvMappings.size(), 2u);
  EXPECT_EQ(RememberedCsvMapping(s, CsvLayoutKey(a)), ma2);
  EXPECT_EQ(s.csvMappings[0].substr(0, 17), CsvLayoutKey(a));

  // At most 20 are kept: the oldest go.
  for (int i = 0; i < 25; ++i) {
    RememberCsvMapping(s, "n" + std::to_string(100 + i), mb);
  }
  EXPECT_EQ(s.csvMappings.size(), 20u);
  EXPECT_TRUE(RememberedCsvMapping(s, "n124"));
  EXPECT_TRUE(RememberedCsvMapping(s, "n105"));
  EXPECT_FALSE(RememberedCsvMapping(s, "n104"));
  EXPECT_FALSE(RememberedCsvMapping(s, CsvLayoutKey(a)));
}

TEST(CsvFlowTab, DamagedEntriesOfTheConfigurationAreIgnored) {
  Settings s;
  s.csvMappings = {"n2;1;2;0;0;0;0",   "n2;0;2;0;0;0;0;0",   "n2;1;2;0;0;2;0;0",
                   "n2;1;x;0;0;0;0;0", "n2;1;2;0;0;0;0;0;9", "n2;1;-2;0;0;0;0;0",
                   "n2;2;1;0;0;0;0;0"};
  EXPECT_EQ(RememberedCsvMapping(s, "n2"), (CsvTabMapping{{2, 1, 0, 0}, {}}));
}

TEST(CsvFlowTab, TheMappingsRoundTripThroughTheConfigurationFile) {
  test::TempDir dir;
  const Folders folders{dir / "prog", dir / "data"};
  Settings s;
  RememberCsvMapping(s, "n2", {{2, 1, 0, 0}, {}});
  RememberCsvMapping(s, "h0123456789abcdef",
                     {{1, 3, 4, 2},
                      {LiftUnit::Millimetres, FlowUnit::CubicMetresPerMinute,
                       DepressionUnit::MillimetresOfWater}});
  SilentPrompter quiet;
  const auto file = dir / "ORV_ANT.INI";
  ASSERT_TRUE(ConfigFileIO(file, s, false, false, ConfigDefaults{folders}, quiet).ok);
  Settings back;
  ASSERT_TRUE(ConfigFileIO(file, back, true, false, ConfigDefaults{folders}, quiet).ok);
  EXPECT_EQ(back.csvMappings, s.csvMappings);
  // A configuration without them reads none.
  Settings none;
  ASSERT_TRUE(ConfigFileIO(file, none, false, false, ConfigDefaults{folders}, quiet).ok);
  Settings empty;
  empty.csvMappings = {"stale"};
  ASSERT_TRUE(ConfigFileIO(file, empty, true, false, ConfigDefaults{folders}, quiet).ok);
  EXPECT_TRUE(empty.csvMappings.empty());
}

}  // namespace
}  // namespace orv
