#include "reports/cam_card_section.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/cam_card.h"
#include "engine/input_controller.h"
#include "files/interface_text_ids.h"
#include "reports/details_report.h"
#include "reports/general_report.h"
#include "reports/report_fixture.h"

namespace orv {
namespace {

class CamCardReport : public ::testing::Test {
 protected:
  void SetUp() override {
    panel_.SetTexts(EngineTextsOf(strings_));
    panel_.FillBothOutputPages();
  }
  std::string General() {
    ReportRequest request{settings_, strings_, test::kEnginePath, test::kFixedStamp};
    return OVReport(panel_, request, true);
  }
  std::string Details(ReportKind kind) {
    ReportRequest request{settings_, strings_, test::kEnginePath, test::kFixedStamp};
    return DetailsReport(kind, engine_, request);
  }
  // The line whose label (from column 5) starts with `label`.
  static std::string LineOf(const std::string& text, const std::string& label) {
    for (const std::string& line : SplitReportLines(text)) {
      if (line.rfind("    " + label, 0) == 0) return line;
    }
    return {};
  }
  // The last two blank-separated words of a line.
  static std::pair<std::string, std::string> LastTwo(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
      const std::size_t start = line.find_first_not_of(' ', i);
      if (start == std::string::npos) break;
      const std::size_t end = line.find(' ', start);
      words.push_back(line.substr(start, end - start));
      i = end == std::string::npos ? line.size() : end;
    }
    if (words.size() < 2) return {};
    return {words[words.size() - 2], words.back()};
  }

  Engine engine_;
  InputController panel_{engine_};
  Settings settings_;
  InterfaceStrings strings_ = test::ShippedStrings();
};

TEST_F(CamCardReport, OffByDefaultSoReportsStayAsTheyWere) {
  EXPECT_FALSE(settings_.reportCamCard);
  for (const std::string& text : {General(), Details(ReportKind::Details)}) {
    EXPECT_EQ(text.find(kCamCardSectionTitle), std::string::npos);
  }
}

TEST_F(CamCardReport, SectionIsAddedAfterTheRestWhenAskedFor) {
  const std::string generalBefore = General();
  const std::string detailsBefore = Details(ReportKind::Details);
  const std::string intakeBefore = Details(ReportKind::IntakeAir);
  settings_.reportCamCard = true;
  const std::string general = General();
  const std::string details = Details(ReportKind::Details);
  // Everything before the section is unchanged; the air reports do not carry it.
  EXPECT_EQ(general.substr(0, generalBefore.size()), generalBefore);
  EXPECT_EQ(details.substr(0, detailsBefore.size()), detailsBefore);
  EXPECT_EQ(Details(ReportKind::IntakeAir), intakeBefore);

  const EngineCamCard card = EngineCamCards(engine_, {0.006, 0.050, 0.200});
  for (const std::string& text : {general, details}) {
    EXPECT_NE(text.find("  " + std::string(kCamCardSectionTitle) + "\r\n"), std::string::npos);
    EXPECT_EQ(
        LastTwo(LineOf(text, "Maximum valve lift (in)")),
        std::pair(ReportNumber(card.intake->maxLift, 4), ReportNumber(card.exhaust->maxLift, 4)));
    EXPECT_EQ(LastTwo(LineOf(text, "Duration at 0.0500 in (deg)")),
              std::pair(ReportNumber(*card.intake->checks[1].duration, 1),
                        ReportNumber(*card.exhaust->checks[1].duration, 1)));
    EXPECT_EQ(LastTwo(LineOf(text, "Lobe separation (cam deg)")).second,
              ReportNumber(*card.separation, 1));
    for (const std::string& line : SplitReportLines(text)) {
      EXPECT_LE(TextColumns(line), 84u) << line;
    }
  }
}

TEST_F(CamCardReport, MetricHeightsAndAMissingFigure) {
  settings_.reportCamCard = true;
  settings_.camCardChecks = {0.050, 3.0, 0};  // 3 in is never reached; 0 is left out
  panel_.SetUnitMode(UnitMode::Metric);
  settings_.unitSystem = 1;
  const std::string text = Details(ReportKind::Details);
  const EngineCamCard card = EngineCamCards(engine_, {0.050});
  EXPECT_EQ(LastTwo(LineOf(text, "Maximum valve lift (mm)")).first,
            ReportNumber(card.intake->maxLift * 25.4, 3));
  EXPECT_EQ(LastTwo(LineOf(text, "Duration at 1.270 mm (deg)")).first,
            ReportNumber(*card.intake->checks[0].duration, 1));
  EXPECT_EQ(LastTwo(LineOf(text, "Duration at 76.200 mm (deg)")),
            std::pair(std::string("\xe2\x80\x93"), std::string("\xe2\x80\x93")));
  EXPECT_EQ(LineOf(text, "Duration at 0.000"), "");
}

}  // namespace
}  // namespace orv
