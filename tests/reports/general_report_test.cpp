#include "reports/general_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "files/interface_text_ids.h"
#include "reports/report_fixture.h"

namespace orv {
namespace {

class GeneralReport : public ::testing::Test {
 protected:
  void SetUp() override {
    panel_.SetTexts(EngineTextsOf(strings_));
    panel_.FillBothOutputPages();
  }
  std::vector<std::string> Lines(bool secondStage = true) {
    ReportRequest request{settings_, strings_, test::kEnginePath, test::kFixedStamp};
    return SplitReportLines(OVReport(panel_, request, secondStage));
  }
  bool Has(const std::vector<std::string>& lines, const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  // "  " + a field of 79 characters with the label from column 3 and the value at its end.
  static std::string ValueLine(const std::string& label, const std::string& value) {
    return "    " + label + std::string(77 - label.size() - value.size(), ' ') + value;
  }

  Engine engine_;
  InputController panel_{engine_};
  Settings settings_;
  InterfaceStrings strings_ = test::ShippedStrings();
};

TEST_F(GeneralReport, SectionsFollowTheirFlagsAndTheSecondStage) {
  const std::vector<std::string> titles = {
      "ENGINE INPUTS",          "ENGINE GEOMETRY",           "BALANCE",
      "AIRFLOW AND PORT SIZES", "PISTON MOTION AND INERTIA", "TORQUE, POWER AND EXHAUST",
      "CAM AND FLOW SOURCES"};
  struct Row {
    std::array<bool, 7> flags;
    bool secondStage;
    std::vector<int> shown;
  };
  const Row rows[] = {
      {{true, true, true, true, true, true, true}, true, {0, 1, 2, 3, 4, 5, 6}},
      // Without the second stage the airflow, piston and power sections are left out.
      {{true, true, true, true, true, true, true}, false, {0, 1, 2, 6}},
      {{false, true, false, true, false, true, false}, true, {1, 3, 5}},
      {{false, false, false, false, false, false, true}, false, {6}},
      {{false, false, false, false, false, false, false}, true, {}},
  };
  for (const Row& r : rows) {
    settings_.reportSections = r.flags;
    const std::vector<std::string> lines = Lines(r.secondStage);
    std::vector<int> shown;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      for (std::size_t k = 0; k < titles.size(); ++k) {
        if (lines[i] != "  " + titles[k]) continue;
        shown.push_back(static_cast<int>(k));
        // Each section opens with a rule line before its title.
        EXPECT_EQ(lines.at(i - 1), "  " + std::string(80, '_'));
      }
    }
    EXPECT_EQ(shown, r.shown) << r.secondStage;
  }
}

TEST_F(GeneralReport, LinesCarryTheOutputTextsLabelsAndUnits) {
  const std::vector<std::string> lines = Lines();
  const std::string rows[] = {
      // Inputs as the input panel shows them; the two lists by their choice.
      ValueLine("Bore", "4.030"),
      ValueLine("Valve Train Type", "Endurance"),
      ValueLine("Fuel/Type of Engine", "Gasoline"),
      ValueLine("Pin End Recip. Wt.", "850.0 "),
      // Geometry: slot text, a blank, the unit caption; line 3 with three blanks, no unit.
      ValueLine("Displacement", "355.1 cu in"),
      ValueLine("Displacement in cc", "5819.3 cc"),
      ValueLine("Rod Length / Stroke", "1.724    "),
      ValueLine("Bore Area", "12.76 sq in"),
      ValueLine("Bore / Stroke", "1.158  :1"),
      // Balance: the peak-velocity line has no unit.
      ValueLine("Balance Factor", "50.93% of 1700 = 865.8 g"),
      ValueLine("Peak Piston Velocity at", "74.8 ATDC , 74.9 BTDC"),
      "    Single-Bank Balance Share Peaks",
      "    Turning Points of the Balance Curve",
      "       60.47  % 46  deg",
      ValueLine("Mean of the Balance Curve", "50.00 %"),
      "    Difference from Your Balance Factor",
      "       -5.37  % 46  deg",
      // Page-1 slots, captioned from the same table as the window.
      ValueLine("Critical Velocity", "580 ft/s"),
      ValueLine("Charge Volume", "138.0 cc"),
      "    Torque and Power",
      ValueLine("Peak Torque at", "5500 rpm:  525 hp:  502 ft-lb"),
      ValueLine("Peak Power at", "6800 rpm:  604 hp:  467 ft-lb"),
      ValueLine("Primary Length for Power", "23.8 in"),
      ValueLine("Wave Delay at 107 deg", "3.58 deg"),
  };
  for (const std::string& row : rows) EXPECT_TRUE(Has(lines, row)) << "missing: " << row;

  // Blank lines after every third input: Rod Length, Pin End weight, ... Intake Valve Stem.
  for (const char* label : {"Rod Length", "Pin End Recip. Wt.", "Intake Valve Stem Diameter"}) {
    auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.rfind(std::string("    ") + label + " ", 0) == 0;
    });
    ASSERT_NE(it, lines.end()) << label;
    EXPECT_EQ(*(it + 1), "  ") << label;
  }
  // The balance analysis captions are centred after their pad of blanks.
  EXPECT_TRUE(Has(lines, "  " + std::string(29, ' ') + "BALANCE FACTOR ANALYSIS"));
}

TEST_F(GeneralReport, SecondStageSectionsReadPageOneAsThePanelHoldsIt) {
  // Page 1 of a fresh panel has not been filled yet: the report reads it as it stands and
  // leaves the panel alone.
  Engine engine;
  InputController fresh(engine);
  fresh.DisplayOutputs(0);
  ReportRequest request{settings_, strings_, test::kEnginePath, test::kFixedStamp};
  const std::vector<std::string> before = SplitReportLines(OVReport(fresh, request, true));
  EXPECT_EQ(fresh.outputs().page1.at(29), "");
  EXPECT_FALSE(Has(before, ValueLine("Peak Torque at", "5500 rpm:  525 hp:  502 ft-lb")));
  fresh.DisplayOutputs(1);
  const std::vector<std::string> after = SplitReportLines(OVReport(fresh, request, true));
  EXPECT_TRUE(Has(after, ValueLine("Peak Torque at", "5500 rpm:  525 hp:  502 ft-lb")));
}

TEST_F(GeneralReport, MetricCaptionsFollowTheEngineUnits) {
  panel_.SetUnitMode(UnitMode::Metric);
  panel_.FillBothOutputPages();
  const std::vector<std::string> lines = Lines();
  // 355.12 in3 = 5819.3 cc, shown with one more width and one decimal fewer.
  EXPECT_TRUE(Has(lines, ValueLine("Displacement", "5819 cc")));
  // 4.03 x 25.4 = 102.362, a length shown with 2 decimals fewer.
  EXPECT_TRUE(Has(lines, ValueLine("Bore", "102.4")));
  // 2.0 in = 50.8 mm, padded to the width 3 + 1 + 1, then the unit.
  EXPECT_TRUE(Has(lines, ValueLine("Exhaust Tube OD", "50.8  mm")));
}

TEST_F(GeneralReport, DieselLabelsInput24AsTheLeadTime) {
  panel_.ChooseFuel(2);
  const std::vector<std::string> lines = Lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("    Injection Lead Time (ms) ", 0) == 0;
  }));
  EXPECT_TRUE(Has(lines, ValueLine("Fuel/Type of Engine", "Diesel")));
}

TEST_F(GeneralReport, SourcesNameTheirFiles) {
  EngineInputs& in = engine_.inputs();
  in.intakeCam.path = "/cams/solid.S96";
  in.intakeFlow.keyboard = true;
  in.exhaustFlow.path = "/flow/head.SY";
  const std::vector<std::string> lines = Lines();
  const auto six = std::find(lines.begin(), lines.end(), "  CAM AND FLOW SOURCES");
  ASSERT_NE(six, lines.end());
  const std::vector<std::string> tail(six + 1, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"  ", "    Intake Cam:  /cams/solid.S96",
                                            "    Exhaust Cam:  No file chosen",
                                            "    Intake Flow Test:  Keyboard Entered",
                                            "    Exhaust Flow Test:  /flow/head.SY"}));
}

}  // namespace
}  // namespace orv
