#include "reports/details_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "reports/report_fixture.h"

namespace orv {
namespace {

using test::Column;
using test::DataLines;

TEST(DetailsReport, DegreeRangesAreCheckedThenRounded) {
  struct Row {
    std::array<float, 3> in;
    DegreeRange range;
    std::array<float, 3> kept;  // the settings afterwards
  };
  const std::array<float, 3> reset{-360, 360, 1};
  const Row rows[] = {
      {{-360, 360, 1}, {-360, 360, 1}, {-360, 360, 1}},
      {{0, 10, 3}, {0, 10, 3}, {0, 10, 3}},
      {{-90, 90, 90}, {-90, 90, 90}, {-90, 90, 90}},
      {{359, 360, 1}, {359, 360, 1}, {359, 360, 1}},
      // Rounded to whole degrees, halves to even, after the check.
      {{-359.5f, 0.5f, 1.5f}, {-360, 0, 2}, {-359.5f, 0.5f, 1.5f}},
      {{10.4f, 20.6f, 2.5f}, {10, 21, 2}, {10.4f, 20.6f, 2.5f}},
      // Refused and reset to -360, 360, 1.
      {{10, 0, 1}, {-360, 360, 1}, reset},
      {{10, 10, 1}, {-360, 360, 1}, reset},
      {{-360.5f, 360, 1}, {-360, 360, 1}, reset},
      {{359.5f, 360, 1}, {-360, 360, 1}, reset},
      {{-360, -359.5f, 1}, {-360, 360, 1}, reset},
      {{0, 360.5f, 1}, {-360, 360, 1}, reset},
      {{0, 10, 0.5f}, {-360, 360, 1}, reset},
      {{0, 10, 0}, {-360, 360, 1}, reset},
      {{0, 10, 90.5f}, {-360, 360, 1}, reset},
      {{0, 10, -3}, {-360, 360, 1}, reset},
  };
  for (const Row& r : rows) {
    std::array<float, 3> v = r.in;
    EXPECT_EQ(AcceptedDegreeRange(v.data()), r.range)
        << r.in[0] << " " << r.in[1] << " " << r.in[2];
    EXPECT_EQ(v, r.kept) << r.in[0] << " " << r.in[1] << " " << r.in[2];
  }
}

TEST(DetailsReport, CrankAngleColumnNamesTheDeadCentres) {
  const std::pair<int, const char*> rows[] = {
      {-360, "TDC"},  {0, "TDC"}, {360, "TDC"}, {-180, "BDC"}, {180, "BDC"},
      {-359, "-359"}, {-1, "-1"}, {1, "1"},     {179, "179"},  {181, "181"},
  };
  for (const auto& [angle, text] : rows) EXPECT_EQ(CrankAngleText(angle), text) << angle;
}

// Builds a details report of the default engine on the screen.
class DetailsOfTheDefaultEngine : public ::testing::Test {
 protected:
  std::string Report(ReportKind kind, UnitMode mode = UnitMode::English) {
    settings_.unitSystem = static_cast<std::int32_t>(mode);
    ReportRequest request{settings_, strings_, test::kEnginePath, test::kFixedStamp};
    return DetailsReport(kind, engine_, request);
  }
  std::vector<std::string> Data(ReportKind kind, UnitMode mode = UnitMode::English) {
    return DataLines(Report(kind, mode));
  }
  // The line of crank angle `a` of a full -360..360 report.
  static const std::string& At(const std::vector<std::string>& lines, int a) {
    return lines.at(static_cast<std::size_t>(a + 360));
  }

  Engine engine_;
  Settings settings_;
  InterfaceStrings strings_ = test::ShippedStrings();
};

TEST_F(DetailsOfTheDefaultEngine, FullTurnRunsFromTDCToTDCWithBDCAtHalfTurns) {
  for (ReportKind kind : {ReportKind::IntakeAir, ReportKind::ExhaustAir, ReportKind::Details}) {
    const std::vector<std::string> lines = Data(kind);
    ASSERT_EQ(lines.size(), 721u);
    for (int a = -360; a <= 360; ++a) {
      const std::string expected = a == 0 || a == 360 || a == -360 ? "TDC"
                                   : a == 180 || a == -180         ? "BDC"
                                                                   : std::to_string(a);
      ASSERT_EQ(Column(At(lines, a), 0), expected) << a;
    }
    EXPECT_EQ(At(lines, -360).substr(0, 12), "         TDC");
    EXPECT_EQ(lines.back().substr(0, 12), "         TDC");
  }
}

TEST_F(DetailsOfTheDefaultEngine, ColumnHeadsAreExact) {
  struct Row {
    ReportKind kind;
    std::vector<std::string> heads;
  };
  const Row rows[] = {
      {ReportKind::IntakeAir,
       {"                          Piston                Intake     Intake",
        "     Crank     Piston   Velocity       Flow        Air  Reversion",
        "     Angle   Position      (FPM)     Demand       Flow          %      Swirl",
        " ---------  ---------  ---------  ---------  ---------  ---------  ---------"}},
      {ReportKind::ExhaustAir,
       {"                          Piston               Exhaust",
        "     Crank     Piston   Velocity       Flow        Air",
        "     Angle   Position      (FPM)     Demand       Flow",
        " ---------  ---------  ---------  ---------  ---------"}},
      {ReportKind::Details,
       {"                                                           Intake    Exhaust",
        "     Crank     Piston     Torque               Balance      Valve      Valve",
        "     Angle   Position     Factor   Leverage     Factor   Velocity   Velocity",
        " ---------  ---------  ---------  ---------  ---------  ---------  ---------"}},
  };
  for (const Row& r : rows) {
    const std::vector<std::string> lines = SplitReportLines(Report(r.kind));
    // Title block (rule, blank, title, date line), then a rule and a blank before the heads.
    ASSERT_GT(lines.size(), 10u);
    EXPECT_EQ(lines[4], "  " + std::string(80, '_'));
    EXPECT_EQ(lines[5], "  ");
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(lines[6 + i], "  " + r.heads[i]);
    // Every data line has the angle column and 11-character columns.
    const std::size_t columns = r.heads[3].size();
    for (std::size_t i = 10; i < lines.size(); ++i) ASSERT_EQ(lines[i].size(), 2 + columns);
  }
}

TEST_F(DetailsOfTheDefaultEngine, RangesOfTheSettingsChooseTheAngles) {
  struct Row {
    std::array<float, 3> range;
    std::vector<std::string> angles;
  };
  const Row rows[] = {
      {{0, 10, 3}, {"TDC", "3", "6", "9"}},
      {{-185, -175, 5}, {"-185", "BDC", "-175"}},
      {{170, 190, 10}, {"170", "BDC", "190"}},
      {{355.5f, 360, 1}, {"356", "357", "358", "359", "TDC"}},
  };
  for (ReportKind kind : {ReportKind::IntakeAir, ReportKind::Details}) {
    for (const Row& r : rows) {
      const std::size_t first = kind == ReportKind::Details ? 3 : 0;
      std::copy(r.range.begin(), r.range.end(), settings_.reportRanges.begin() + first);
      std::vector<std::string> angles;
      for (const std::string& line : Data(kind)) angles.push_back(Column(line, 0));
      EXPECT_EQ(angles, r.angles) << r.range[0];
    }
  }
  // The intake and exhaust reports share the first range, the details report has the second.
  settings_.reportRanges = {0, 10, 5, 0, 10, 2};
  EXPECT_EQ(Data(ReportKind::ExhaustAir).size(), 3u);
  EXPECT_EQ(Data(ReportKind::Details).size(), 6u);
}

TEST_F(DetailsOfTheDefaultEngine, AReversedRangeIsResetAndKeptReset) {
  settings_.reportRanges = {10, 0, 1, -360, 360, 1};
  EXPECT_EQ(Data(ReportKind::IntakeAir).size(), 721u);
  EXPECT_EQ(settings_.reportRanges[0], -360);
  EXPECT_EQ(settings_.reportRanges[1], 360);
  EXPECT_EQ(settings_.reportRanges[2], 1);
}

// Every column against the engine's own tables and curves, converted here with the unit
// factors (25.4 mm/in, 3.2808333 ft/m, 35.3144548 CFM per m3/min) and compared to half a unit
// of the last decimal shown.
TEST_F(DetailsOfTheDefaultEngine, ColumnsFollowTheEngineTablesInEveryUnitSystem) {
  // Flow tables, so that the airflow and swirl columns carry numbers.
  EngineInputs& in = engine_.inputs();
  auto table = [](std::initializer_list<float> v) {
    BoundedArray<float> t(0, static_cast<int>(v.size()) - 1);
    int i = 0;
    for (float x : v) t[i++] = x;
    return t;
  };
  in.ILift = table({0, 0.1f, 0.2f, 0.4f, 0.6f, 0.8f});
  in.ICfm = table({0, 70, 140, 230, 290, 310});
  in.ISwirl = table({0, 5, 12, 20, 26, 30});
  in.ELift = table({0, 0.1f, 0.3f, 0.6f});
  in.ECfm = table({0, 50, 140, 210});

  const EngineTables& t = engine_.tables();
  const double stroke = engine_.results().EffectiveStroke;
  for (UnitMode mode : {UnitMode::English, UnitMode::Metric, UnitMode::MetricM3}) {
    const bool metric = mode != UnitMode::English;
    const double length = metric ? 25.4 : 1;
    const double speed = metric ? 1 / 3.2808333333333333 : 1;
    const double flow = mode == UnitMode::MetricM3 ? 1 / 35.31445483391204 : 1;
    const int flowDecimals = mode == UnitMode::MetricM3 ? 3 : 1;
    const std::vector<std::string> intake = Data(ReportKind::IntakeAir, mode);
    const std::vector<std::string> exhaust = Data(ReportKind::ExhaustAir, mode);
    const std::vector<std::string> details = Data(ReportKind::Details, mode);
    int checkedFlow = 0;
    for (int a = -360; a <= 360; a += 7) {
      const int i = a < 0 ? a + 360 : a;
      auto expectColumn = [&](const std::string& line, int k, double value, int decimals) {
        const double shown = std::stod(Column(line, k));
        EXPECT_NEAR(shown, value, 0.5 * std::pow(10.0, -decimals) + 1e-9)
            << "angle " << a << " column " << k << " mode " << static_cast<int>(mode);
      };
      const float cam = static_cast<float>(a) / 2;
      const std::string& li = At(intake, a);
      expectColumn(li, 1, (stroke - t.PistonPosition[i]) * length, metric ? 1 : 3);
      expectColumn(li, 2, t.PistonSpeed[i] * speed, 0);
      expectColumn(li, 3, t.FlowDemand[a] * flow, flowDecimals);
      const double intakeFlow = engine_.IntakeFlowAt(engine_.IntakeValveLift(cam));
      expectColumn(li, 4, intakeFlow * flow, flowDecimals);
      expectColumn(li, 5, (1 - t.StrokeFraction[i]) * 100, 2);
      expectColumn(li, 6, engine_.IntakeSwirlAt(engine_.IntakeValveLift(cam)), 0);
      checkedFlow += intakeFlow > 1;

      const std::string& le = At(exhaust, a);
      expectColumn(le, 3, t.FlowDemand[a] * flow, flowDecimals);
      expectColumn(le, 4, engine_.ExhaustFlowAt(engine_.ExhaustValveLift(cam)) * flow,
                   flowDecimals);

      const std::string& ld = At(details, a);
      expectColumn(ld, 2, a < 0 ? t.TorqueFactor[i] : 0, 2);
      expectColumn(ld, 3, t.Leverage[i] * 100, 3);
      expectColumn(ld, 4, t.BalanceCurve[i], 2);
      const double rpmQuarter = in.PkPwrRPM / 4;
      expectColumn(ld, 5, engine_.IntakeValveVelocity(cam) * rpmQuarter * speed, metric ? 4 : 5);
      expectColumn(ld, 6, engine_.ExhaustValveVelocity(cam) * rpmQuarter * speed, metric ? 4 : 5);
    }
    EXPECT_GT(checkedFlow, 10);  // the valve is open over a good part of the turn
  }
}

TEST_F(DetailsOfTheDefaultEngine, PrintedPagesHoldTheScreenLinesInOrder) {
  const std::vector<std::string> screen = Data(ReportKind::Details);
  PageLayout layout = GetPrinterConfig({6000, 6300, 100, 4000});  // 116 wide, 61 lines
  PrintedReport pages(layout.leftMargin());
  ReportRequest request{settings_, strings_, test::kEnginePath, test::kFixedStamp, layout, &pages};
  EXPECT_EQ(DetailsReport(ReportKind::Details, engine_, request), "");
  ASSERT_TRUE(pages.ended());

  // Page 1: 6 margin lines, 4 title lines, rule, blank, 4 heads: 45 data lines. Later pages:
  // 12 opening lines and 49 data lines; 721 = 45 + 13 x 49 + 39.
  ASSERT_EQ(pages.pages().size(), 15u);
  std::vector<std::string> printed;
  for (std::size_t p = 0; p < pages.pages().size(); ++p) {
    const std::vector<std::string>& lines = pages.pages()[p].lines;
    EXPECT_LE(lines.size(), 61u);
    const std::string label = "Page " + std::to_string(p + 1);
    EXPECT_EQ(lines.at(9).substr(lines.at(9).size() - label.size()), label);
    EXPECT_EQ(lines.at(9).size(), 2u + 115u);
    printed.insert(printed.end(), lines.begin() + (p == 0 ? 16 : 12), lines.end());
  }
  EXPECT_EQ(printed, screen);
}

}  // namespace
}  // namespace orv
