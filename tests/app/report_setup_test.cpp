#include "app/report_setup.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <limits>
#include <string>

namespace orv {
namespace {

using Texts = std::array<std::string, 6>;

TEST(ReportSetup, DegreeBoxesAreCheckedRangeByRange) {
  struct Row {
    const char* what;
    Texts texts;
    ReportSetupCheck check;
  };
  const ReportSetupCheck pass{};
  const Row rows[] = {
      {"defaults", {"-360", "360", "1", "-360", "360", "1"}, pass},
      {"increment 0.5 passes", {"0", "10", "0.5", "-360", "360", "1"}, pass},
      {"largest increment", {"-90", "90", "90", "0", "1", "90"}, pass},
      {"decimal comma", {"-10,5", "10", "0,25", "0", "1", "1"}, pass},
      {"text that is no number reads 0", {"abc", "10", "1", "0", "1", "1"}, pass},
      // invalid cases
      {"from equal to to", {"10", "10", "1", "-360", "360", "1"}, {131, 0}},
      {"from above to", {"20", "10", "1", "-360", "360", "1"}, {131, 0}},
      {"from outside", {"-360.5", "10", "1", "-360", "360", "1"}, {130, 0}},
      {"to outside", {"0", "361", "1", "-360", "360", "1"}, {130, 1}},
      {"both outside: from first", {"-400", "400", "1", "-360", "360", "1"}, {130, 0}},
      {"outside before order", {"400", "10", "1", "-360", "360", "1"}, {130, 0}},
      {"increment 0", {"0", "10", "0", "-360", "360", "1"}, {132, 2}},
      {"increment below 0", {"0", "10", "-1", "-360", "360", "1"}, {132, 2}},
      {"increment above 90", {"0", "10", "90.01", "-360", "360", "1"}, {132, 2}},
      {"no numbers at all", {"", "", "", "-360", "360", "1"}, {131, 0}},
      {"second range order", {"0", "10", "1", "5", "5", "1"}, {131, 3}},
      {"second range to", {"0", "10", "1", "0", "360.5", "1"}, {130, 4}},
      {"second range increment", {"0", "10", "1", "0", "10", "100"}, {132, 5}},
      {"first failure wins", {"0", "10", "0", "5", "5", "1"}, {132, 2}},
  };
  for (const Row& r : rows) EXPECT_EQ(CheckDegreeBoxes(r.texts), r.check) << r.what;
}

TEST(ReportSetup, ARangeThatIsNotANumberFailsQuietly) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::feclearexcept(FE_ALL_EXCEPT);
  EXPECT_EQ(CheckDegreeRange({nan, 10, 1}), (ReportSetupCheck{130, 0}));
  EXPECT_EQ(CheckDegreeRange({0, 10, nan}, 3), (ReportSetupCheck{132, 5}));
  // No invalid-operation flag is left for the engine's next calculation to trip on.
  EXPECT_EQ(std::fetestexcept(FE_INVALID), 0);
}

TEST(ReportSetup, OkStoresTheCheckBoxesAlwaysAndTheRangesOnlyWhenBothPass) {
  Settings s;
  ReportSetupBoxes boxes = ReportSetupOf(s);
  EXPECT_EQ(boxes.degrees, (Texts{"-360", "360", "1", "-360", "360", "1"}));

  boxes.headings = {false, true, false};
  boxes.sections = {true, false, true, false, true, false, true};
  boxes.degrees = {"0", "10", "1", "10", "10", "1"};
  EXPECT_EQ(ApplyReportSetup(boxes, s), (ReportSetupCheck{131, 3}));
  EXPECT_EQ(s.reportHeadings, boxes.headings);
  EXPECT_EQ(s.reportSections, boxes.sections);
  EXPECT_EQ(s.reportRanges, (std::array<float, 6>{-360, 360, 1, -360, 360, 1}));

  boxes.degrees = {"0", "10", "0.5", "-90", "270.25", "3"};
  EXPECT_TRUE(ApplyReportSetup(boxes, s).passed());
  EXPECT_EQ(s.reportRanges, (std::array<float, 6>{0, 10, 0.5f, -90, 270.25f, 3}));

  // Shown again as whole numbers.
  EXPECT_EQ(ReportSetupOf(s).degrees, (Texts{"0", "10", "1", "-90", "270", "3"}));
  EXPECT_EQ(ReportSetupOf(s).headings, boxes.headings);
}

TEST(ReportSetup, TheCamCardBoxIsOffByDefaultAndStoredLikeTheSections) {
  Settings s;
  EXPECT_FALSE(ReportSetupOf(s).camCard);
  ReportSetupBoxes boxes = ReportSetupOf(s);
  boxes.camCard = true;
  // Stored even when a range fails, like the other check boxes.
  boxes.degrees = {"0", "10", "0", "-360", "360", "1"};
  EXPECT_EQ(ApplyReportSetup(boxes, s), (ReportSetupCheck{132, 2}));
  EXPECT_TRUE(s.reportCamCard);
  EXPECT_TRUE(ReportSetupOf(s).camCard);
  // The sections are untouched by it.
  EXPECT_EQ(s.reportSections, (std::array<bool, 7>{true, true, true, true, true, true, true}));
  // Defaults applied again turn it off.
  EXPECT_TRUE(ApplyReportSetup(ReportSetupOf(Settings{}), s).passed());
  EXPECT_FALSE(s.reportCamCard);
}

}  // namespace
}  // namespace orv
