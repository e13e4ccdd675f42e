#include "app/graph_model.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/graph_state.h"
#include "reports/details_report.h"
#include "reports/report_fixture.h"

namespace orv {
namespace {

constexpr std::array<UnitMode, 3> kModes = {UnitMode::English, UnitMode::Metric,
                                            UnitMode::MetricM3};

// The default engine with the graph settings a fresh start has.
class GraphModelTest : public ::testing::Test {
 protected:
  GraphModelTest() { SetGraphDefaults(settings_, &strings_, 0xF0F0F0); }

  void UseUnits(UnitMode mode) { settings_.unitSystem = static_cast<std::int32_t>(mode); }
  // A details report of the default engine over -360..360 in the graph's unit system.
  std::vector<std::string> ReportLines(ReportKind kind) {
    Settings s = settings_;
    ReportRequest request{s, strings_, test::kEnginePath, test::kFixedStamp};
    return test::DataLines(DetailsReport(kind, engine_, request));
  }

  Engine engine_;
  InterfaceStrings strings_ = test::ShippedStrings();
  Settings settings_;
  GraphModel graph_{engine_, settings_, strings_};
};

TEST_F(GraphModelTest, ACursorLineAtMinus90ReadsTheTablesAt270) {
  graph_.CursorLinesChanged({54, 108, -90, 216}, false);
  const std::array<std::string, 13> texts = graph_.CurveListTexts();
  const EngineTables& t = engine_.tables();
  // The per-degree tables at 270, each with its list format (digits after the point).
  const std::pair<double, int> tables[] = {
      {t.PistonPosition[270], 3}, {t.PistonSpeed[270], 0}, {t.BalanceCurve[270], 2},
      {t.Leverage[270] * 100, 3}, {t.FlowDemand[270], 1},  {t.TorqueFactor[270], 2},
  };
  for (int tag = 1; tag <= 6; ++tag) {
    const auto [value, decimals] = tables[tag - 1];
    EXPECT_EQ(texts[tag - 1], ReportNumber(value, decimals)) << tag;
  }
  for (int tag = 1; tag <= 5; ++tag) EXPECT_EQ(graph_.Value(tag, -90), graph_.Value(tag, 270));
  // From top dead centre on the torque factor is the constant 300, off its scale.
  EXPECT_EQ(graph_.Value(6, 270), 300);
  // The cam curves are read at cam angle -90 / 2.
  const double pkPwr = engine_.inputs().PkPwrRPM;
  EXPECT_EQ(texts[6], ReportNumber(engine_.ExhaustFlowAt(engine_.ExhaustValveLift(-45)), 1));
  EXPECT_EQ(texts[7], ReportNumber(engine_.IntakeFlowAt(engine_.IntakeValveLift(-45)), 1));
  EXPECT_EQ(texts[8], ReportNumber(engine_.ExhaustValveVelocity(-45) * pkPwr / 4, 5));
  EXPECT_EQ(texts[9], ReportNumber(engine_.IntakeValveVelocity(-45) * pkPwr / 4, 5));
  EXPECT_EQ(texts[10], ReportNumber(engine_.IntakeSwirlAt(engine_.IntakeValveLift(-45)), 0));
  EXPECT_EQ(texts[11], ReportNumber(engine_.ExhaustValveLift(-45), 3));
  EXPECT_EQ(texts[12], ReportNumber(engine_.IntakeValveLift(-45), 3));
}

TEST_F(GraphModelTest, DifferenceModeWithEqualLinesGivesZeroForEveryTag) {
  const std::array<std::array<const char*, 13>, 3> zeros = {{
      {"0.000", "0", "0.00", "0.000", "0.0", "0.00", "0.0", "0.0", "0.00000", "0.00000", "0",
       "0.000", "0.000"},
      {"0.0", "0", "0.00", "0.000", "0.0", "0.00", "0.0", "0.0", "0.0000", "0.0000", "0", "0.0",
       "0.0"},
      {"0.0", "0", "0.00", "0.000", "0.000", "0.00", "0.000", "0.000", "0.0000", "0.0000", "0",
       "0.0", "0.0"},
  }};
  for (std::size_t m = 0; m < kModes.size(); ++m) {
    UseUnits(kModes[m]);
    for (float line : {-123.4f, -90.0f, 0.0f, 77.7f, 360.0f}) {
      graph_.CursorLinesChanged({0, 0, line, line}, true);
      const std::array<std::string, 13> texts = graph_.CurveListTexts();
      for (int tag = 1; tag <= 13; ++tag) {
        EXPECT_EQ(texts[tag - 1], zeros[m][tag - 1]) << "tag " << tag << " at " << line;
      }
    }
  }
}

TEST_F(GraphModelTest, DifferenceModeSubtractsLineFourFromLineThree) {
  const EngineTables& t = engine_.tables();
  graph_.CursorLinesChanged({0, 0, 90, 0}, true);
  EXPECT_TRUE(graph_.differenceMode());
  const std::array<std::string, 13> texts = graph_.CurveListTexts();
  EXPECT_EQ(texts[0], ReportNumber(t.PistonPosition[90] - t.PistonPosition[0], 3));
  EXPECT_EQ(texts[1], ReportNumber(t.PistonSpeed[90] - t.PistonSpeed[0], 0));
  // Leaving difference mode reads line 3 alone again.
  graph_.CursorLinesChanged({0, 0, 90, 0}, false);
  EXPECT_EQ(graph_.CurveListTexts()[0], ReportNumber(t.PistonPosition[90], 3));
}

// A reference engine with a longer stroke: its list texts, and the differences current less
// reference, read from each engine's own tables at the cursor lines.
TEST_F(GraphModelTest, ComparedListTextsAreCurrentLessReferenceAtTheSameLines) {
  Engine other;
  other.inputs().Stroke = 3.75f;
  ASSERT_EQ(other.ReCalc(-1), Engine::CalcOutcome::Complete);
  const EngineTables& t = engine_.tables();
  const EngineTables& o = other.tables();
  ASSERT_NE(t.PistonPosition[270], o.PistonPosition[270]);

  // Line 3 at -90 reads the per-degree tables at 270.
  graph_.CursorLinesChanged({0, 0, -90, -180}, false);
  const GraphModel reference = graph_.ForEngine(other);
  std::array<std::string, 13> differences = graph_.ComparedListTexts(reference);
  EXPECT_EQ(reference.CurveListTexts()[0], ReportNumber(o.PistonPosition[270], 3));
  EXPECT_EQ(differences[0], ReportNumber(t.PistonPosition[270] - o.PistonPosition[270], 3));
  EXPECT_EQ(differences[1], ReportNumber(t.PistonSpeed[270] - o.PistonSpeed[270], 0));
  EXPECT_EQ(differences[5], ReportNumber(t.TorqueFactor[270] - o.TorqueFactor[270], 2));
  // The valves do not depend on the stroke: the same lift, no difference.
  EXPECT_EQ(differences[11], "0.000");
  EXPECT_EQ(differences[12], "0.000");

  // Against itself every text is a zero.
  const GraphModel self = graph_.ForEngine(engine_);
  for (const std::string& text : graph_.ComparedListTexts(self)) EXPECT_EQ(std::stod(text), 0.0);

  // Metric: millimetres with one decimal.
  UseUnits(UnitMode::Metric);
  differences = graph_.ComparedListTexts(reference);
  EXPECT_EQ(differences[0],
            ReportNumber(t.PistonPosition[270] * 25.4 - o.PistonPosition[270] * 25.4, 1));
  UseUnits(UnitMode::English);

  // Difference mode: line 3 less line 4 of each engine, and the first less the second.
  graph_.CursorLinesChanged({0, 0, -90, -180}, true);
  const GraphModel inDifference = graph_.ForEngine(other);
  EXPECT_TRUE(inDifference.differenceMode());
  differences = graph_.ComparedListTexts(inDifference);
  EXPECT_EQ(inDifference.CurveListTexts()[0],
            ReportNumber(o.PistonPosition[270] - o.PistonPosition[180], 3));
  EXPECT_EQ(differences[0], ReportNumber((t.PistonPosition[270] - t.PistonPosition[180]) -
                                             (o.PistonPosition[270] - o.PistonPosition[180]),
                                         3));
  EXPECT_EQ(differences[5], ReportNumber((t.TorqueFactor[270] - t.TorqueFactor[180]) -
                                             (o.TorqueFactor[270] - o.TorqueFactor[180]),
                                         2));
}

// From top dead centre on the torque factor only marks the curve's end: no difference there,
// at line 3 exactly at 0 or at line 4 there in difference mode.
TEST_F(GraphModelTest, TheTorqueFactorHasNoDifferenceWhereItIsNotDrawn) {
  Engine other;
  other.inputs().Stroke = 3.75f;
  ASSERT_EQ(other.ReCalc(-1), Engine::CalcOutcome::Complete);
  const struct {
    std::array<float, 4> lines;
    bool differenceMode;
    bool shown;
  } rows[] = {
      {{0, 0, -0.5f, 0}, false, true}, {{0, 0, 0, 0}, false, false},  {{0, 0, 90, 0}, false, false},
      {{0, 0, -90, -1}, true, true},   {{0, 0, -90, 0}, true, false}, {{0, 0, 0, -90}, true, false},
  };
  for (const auto& row : rows) {
    graph_.CursorLinesChanged(row.lines, row.differenceMode);
    const std::array<std::string, 13> texts = graph_.ComparedListTexts(graph_.ForEngine(other));
    EXPECT_EQ(!texts[5].empty(), row.shown) << row.lines[2] << " " << row.lines[3];
    EXPECT_FALSE(texts[0].empty());
  }
}

// The list values of the quantities the details reports print read exactly like the report's
// column at the same whole angle, in every unit system.
TEST_F(GraphModelTest, ListValuesAgreeWithTheDetailsReportsInEveryUnitSystem) {
  struct Column {
    ReportKind report;
    int column;
    int tag;
    bool afterTdcOnly;  // the report reads flow demand at the signed angle
  };
  const Column columns[] = {
      {ReportKind::IntakeAir, 2, 2, false},  {ReportKind::IntakeAir, 3, 5, true},
      {ReportKind::IntakeAir, 4, 8, false},  {ReportKind::IntakeAir, 6, 11, false},
      {ReportKind::ExhaustAir, 4, 7, false}, {ReportKind::Details, 2, 6, false},
      {ReportKind::Details, 3, 4, false},    {ReportKind::Details, 4, 3, false},
      {ReportKind::Details, 5, 10, false},   {ReportKind::Details, 6, 9, false},
  };
  for (UnitMode mode : kModes) {
    UseUnits(mode);
    for (const Column& c : columns) {
      const std::vector<std::string> lines = ReportLines(c.report);
      ASSERT_EQ(lines.size(), 721u);
      for (int a : {-300, -200, -135, -46, -1, 1, 45, 90, 133, 180, 270, 359}) {
        if (c.afterTdcOnly && a < 0) continue;
        if (c.tag == 6 && a >= 0) continue;  // the report shows 0.00, the graph 300
        const std::string& line = lines[static_cast<std::size_t>(a + 360)];
        EXPECT_EQ(graph_.ValueText(c.tag, static_cast<float>(a)), test::Column(line, c.column))
            << "tag " << c.tag << " at " << a << " in unit system " << static_cast<int>(mode);
      }
    }
  }
}

TEST_F(GraphModelTest, UnitSystemChangesScalesCaptionsAndValuesTogether) {
  struct Row {
    UnitMode mode;
    std::array<const char*, 8> captions;
    const char* flowUnit;
  };
  const Row rows[] = {
      {UnitMode::English, {"%", "in", "ft/min", "CFM", "ft/s", "T.F.", "swirl", "in"}, "CFM"},
      {UnitMode::Metric, {"%", "mm", "m/min", "CFM", "m/s", "T.F.", "swirl", "mm"}, "CFM"},
      {UnitMode::MetricM3, {"%", "mm", "m/min", "m³/min", "m/s", "T.F.", "swirl", "mm"}, "m³/min"},
  };
  for (const Row& r : rows) {
    UseUnits(r.mode);
    for (int scale = 1; scale <= 8; ++scale) {
      EXPECT_EQ(graph_.ScaleCaption(scale), r.captions[scale - 1]) << scale;
    }
    // Each tag carries the caption of its scale.
    for (int tag = 1; tag <= 13; ++tag) {
      if (tag == 6) continue;
      EXPECT_EQ(graph_.TagUnit(tag), graph_.ScaleCaption(graph_.TagScale(tag))) << tag;
    }
    EXPECT_EQ(graph_.TagUnit(5), r.flowUnit);
    EXPECT_EQ(graph_.TagName(9), "Exhaust Valve Velocity");
  }

  const double fpm = 3.2808333333333333, cfm = 35.31445483391204;
  UseUnits(UnitMode::English);
  EXPECT_EQ(graph_.DisplayScale(2).maximum, 5.5);  // before the configuration is read
  EXPECT_EQ(graph_.DisplayScale(3).minimum, -8800);
  UseUnits(UnitMode::Metric);
  EXPECT_DOUBLE_EQ(graph_.DisplayScale(2).maximum, 5.5 * 25.4);
  EXPECT_DOUBLE_EQ(graph_.DisplayScale(3).minimum, -8800 / fpm);
  EXPECT_EQ(graph_.DisplayScale(4).maximum, 440);  // airflow stays in CFM
  EXPECT_DOUBLE_EQ(graph_.DisplayScale(5).maximum, 44 / fpm);
  EXPECT_EQ(graph_.DisplayScale(6).maximum, 44);
  EXPECT_DOUBLE_EQ(graph_.DisplayScale(8).maximum, 1.1 * 25.4);
  EXPECT_DOUBLE_EQ(graph_.Value(1, 90), engine_.tables().PistonPosition[90] * 25.4);
  EXPECT_DOUBLE_EQ(graph_.Value(5, 90), engine_.tables().FlowDemand[90]);
  UseUnits(UnitMode::MetricM3);
  EXPECT_DOUBLE_EQ(graph_.DisplayScale(4).minimum, -440 / cfm);
  EXPECT_DOUBLE_EQ(graph_.Value(5, 90), engine_.tables().FlowDemand[90] / cfm);
  EXPECT_DOUBLE_EQ(graph_.Value(2, 90), engine_.tables().PistonSpeed[90] / fpm);
}

// What the decision about each scale's unit rests on: every tag drawn on a scale measures the
// scale's quantity.
TEST(GraphScales, EveryTagMeasuresTheQuantityOfItsScale) {
  for (int tag = 1; tag <= 13; ++tag) {
    EXPECT_EQ(CurveTagKindOf(tag).unit, ScaleUnitOf(CurveTagDefaults()[tag - 1].scale)) << tag;
  }
}

TEST_F(GraphModelTest, ScaleBoxesAreTypedInTheDisplayUnits) {
  struct Row {
    UnitMode mode;
    int box;
    const char* typed;
    double held;  // internal unit
    const char* shown;
  };
  const double fpm = 3.2808333333333333, cfm = 35.31445483391204;
  const Row rows[] = {
      {UnitMode::English, 52, "0.75", 0.75, "0.750"},          // scale 8 maximum
      {UnitMode::English, 55, "-50", -50, "-50.00"},           // scale 1 minimum
      {UnitMode::English, 55, "abc", 0, "0.00"},               // text that is no number reads 0
      {UnitMode::English, 47, "9000.4", 9000, "9000"},         // scale 3 maximum, no decimals
      {UnitMode::Metric, 46, "101.6", 4.0, "101.6"},           // scale 2 maximum, mm
      {UnitMode::Metric, 46, "12.34", 12.3 / 25.4, "12.3"},    // rounded to what is shown
      {UnitMode::Metric, 57, "-2000", -2000 * fpm, "-2000"},   // scale 3 minimum, m/min
      {UnitMode::Metric, 49, "13.25", 13.3 * fpm, "13.3"},     // scale 5 maximum, m/s
      {UnitMode::Metric, 48, "500", 500, "500.0"},             // CFM stays CFM
      {UnitMode::MetricM3, 48, "12.5", 12.5 * cfm, "12.500"},  // scale 4 maximum, m3/min
      {UnitMode::MetricM3, 62, "1,5", 1.5 / 25.4, "1.5"},      // scale 8 minimum, decimal comma
  };
  for (const Row& r : rows) {
    UseUnits(r.mode);
    EXPECT_TRUE(graph_.EnterBox(r.box, r.typed)) << r.box << " " << r.typed;
    const int scale = r.box < 55 ? r.box - 44 : r.box - 54;
    const ScaleLimits& held = settings_.scales[static_cast<std::size_t>(scale - 1)];
    EXPECT_NEAR(r.box < 55 ? held.maximum : held.minimum, r.held,
                1e-5 * std::max(1.0, std::abs(r.held)))
        << r.box << " " << r.typed;
    EXPECT_EQ(graph_.BoxText(r.box), r.shown) << r.box << " " << r.typed;
    // Typing the shown text again changes nothing.
    EXPECT_FALSE(graph_.EnterBox(r.box, r.shown)) << r.box << " " << r.typed;
  }
  // Boxes that are not graph settings are left alone.
  const Settings before = settings_;
  for (int box : {41, 43, 44, 53, 54, 63}) {
    EXPECT_FALSE(graph_.EnterBox(box, "7")) << box;
    EXPECT_EQ(graph_.BoxText(box), "") << box;
  }
  EXPECT_EQ(settings_.scales[0].maximum, before.scales[0].maximum);
}

TEST_F(GraphModelTest, GraphPanelNumberIsAWholeNumberFromOneToNine) {
  struct Row {
    const char* typed;
    int held;
    bool changed;
  };
  const Row rows[] = {
      {"3", 3, false},   {"5", 5, true},   {"5", 5, false},  {"12", 9, true}, {"0", 1, true},
      {"abc", 1, false}, {"4.5", 4, true}, {"5.5", 6, true}, {"-3", 1, true}, {" 7 ", 7, true},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(graph_.EnterBox(kInGraphPanelNumber, r.typed), r.changed) << r.typed;
    EXPECT_EQ(settings_.graphPanelNumber, r.held) << r.typed;
    EXPECT_EQ(graph_.BoxText(kInGraphPanelNumber), std::to_string(r.held)) << r.typed;
  }
  EXPECT_EQ(graph_.WindowSpecs().graphPanelNumber, 7);
}

TEST_F(GraphModelTest, LeavingTheViewFindsTheFirstScaleWhoseMaximumIsNotAboveItsMinimum) {
  EXPECT_EQ(graph_.CheckScales(), std::nullopt);
  settings_.scales[4] = {10, 10};  // scale 5: equal
  settings_.scales[6] = {5, -5};   // scale 7: reversed
  EXPECT_EQ(graph_.CheckScales(), (ScaleProblem{5, 49, 98}));
  settings_.scales[2].maximum = std::numeric_limits<double>::quiet_NaN();  // scale 3
  std::feclearexcept(FE_ALL_EXCEPT);
  EXPECT_EQ(graph_.CheckScales(), (ScaleProblem{3, 47, 98}));
  // The check leaves no floating-point fault pending for the engine's next calculation.
  EXPECT_EQ(std::fetestexcept(FE_INVALID), 0);
  EXPECT_NO_THROW(Engine());
  settings_.scales[2] = {-8800, 8800};
  settings_.scales[4] = {-44, 44};
  EXPECT_EQ(graph_.CheckScales(), (ScaleProblem{7, 51, 98}));
  ASSERT_TRUE(graph_.EnterBox(61, "-5"));
  ASSERT_TRUE(graph_.EnterBox(51, "5"));
  EXPECT_EQ(graph_.CheckScales(), std::nullopt);
  // Typed in millimetres, a maximum a tenth above the minimum passes; one that shows equal to
  // it, after the box's rounding, does not.
  UseUnits(UnitMode::Metric);
  ASSERT_TRUE(graph_.EnterBox(62, "10"));
  ASSERT_TRUE(graph_.EnterBox(52, "10.1"));
  EXPECT_EQ(graph_.CheckScales(), std::nullopt);
  ASSERT_TRUE(graph_.EnterBox(52, "10.04"));
  EXPECT_EQ(graph_.CheckScales(), (ScaleProblem{8, 52, 98}));
  EXPECT_EQ(strings_.Misc(graph_.CheckScales()->message),
            "The maximum of this scale must be above its minimum.");
}

TEST_F(GraphModelTest, ZoomWindowToAxisRangesAndBack) {
  EXPECT_FALSE(graph_.zoomed());
  EXPECT_EQ(graph_.XAxis(), (AxisRange{-360, 360}));
  settings_.zoom = {0.25f, 0.125f, 0.75f, 0.5f};
  EXPECT_TRUE(graph_.zoomed());
  EXPECT_EQ(graph_.XAxis(), (AxisRange{-180, 180}));
  EXPECT_DOUBLE_EQ(graph_.LeftAxis().shown.from, 0.125 * 5.5);  // scale 2: 0..5.5 in
  EXPECT_DOUBLE_EQ(graph_.LeftAxis().shown.to, 0.5 * 5.5);
  EXPECT_EQ(graph_.RightAxis().shown, (AxisRange{-33, 0}));  // scale 5: -44..44 ft/s

  for (UnitMode mode : kModes) {
    UseUnits(mode);
    settings_.zoom = {0.25f, 0.125f, 0.75f, 0.5f};
    const AxisRange x = graph_.XAxis();
    const AxisRange left = graph_.LeftAxis().shown;
    graph_.UnZoom();
    EXPECT_FALSE(graph_.zoomed());
    EXPECT_EQ(graph_.XAxis(), (AxisRange{-360, 360}));
    EXPECT_EQ(graph_.LeftAxis().shown, graph_.LeftAxis().full);
    graph_.ZoomChanged(x, left);
    EXPECT_FLOAT_EQ(settings_.zoom.left, 0.25f);
    EXPECT_FLOAT_EQ(settings_.zoom.bottom, 0.125f);
    EXPECT_FLOAT_EQ(settings_.zoom.right, 0.75f);
    EXPECT_FLOAT_EQ(settings_.zoom.top, 0.5f);
  }
  // A scale without height zooms nothing in height.
  EXPECT_EQ(ZoomFractions({1, 1}, {0, 5}), (std::array<double, 2>{0, 1}));
  EXPECT_EQ(ZoomedRange({-10, 30}, 0.25, 1), (AxisRange{0, 30}));
}

TEST_F(GraphModelTest, CursorLinesMoveByTheStepWithinTheAxis) {
  graph_.MoveCursorLine(2, 3);
  EXPECT_EQ(graph_.cursorLines()[1], 138);
  graph_.MoveCursorLine(2, -1);
  EXPECT_EQ(graph_.cursorLines()[1], 128);
  settings_.cursorStep = 2.5f;
  graph_.MoveCursorLine(4, -2);
  EXPECT_EQ(graph_.cursorLines()[3], 211);
  graph_.MoveCursorLine(1, -1000);
  EXPECT_EQ(graph_.cursorLines()[0], -360);
  graph_.MoveCursorLine(3, 1000);
  EXPECT_EQ(graph_.cursorLines()[2], 360);
  graph_.MoveCursorLine(5, 1);  // no such line
  EXPECT_EQ(graph_.cursorLines(), (std::array<float, 4>{-360, 128, 360, 211}));
}

TEST_F(GraphModelTest, CurvesOverTheWholeAxis) {
  const CurvePoints tf = graph_.Curve(6);
  ASSERT_EQ(tf.x.size(), 721u);
  EXPECT_EQ(tf.x.front(), -360);
  EXPECT_EQ(tf.x.back(), 360);
  EXPECT_EQ(tf.scale, 6);
  EXPECT_EQ(tf.colour, 0x404020);
  for (std::size_t i = 0; i < tf.x.size(); ++i) {
    const int a = static_cast<int>(tf.x[i]);
    EXPECT_EQ(tf.x[i], -360 + static_cast<double>(i));
    if (a >= 0) {
      EXPECT_EQ(tf.y[i], 300) << a;
    } else {
      EXPECT_EQ(tf.y[i], engine_.tables().TorqueFactor[a + 360]) << a;
    }
  }
  // A step that does not divide the axis still ends at 360.
  const CurvePoints lift = graph_.Curve(13, 7);
  ASSERT_EQ(lift.x.size(), 104u);
  EXPECT_EQ(lift.x[102], -360 + 102 * 7);
  EXPECT_EQ(lift.x[103], 360);
  EXPECT_EQ(graph_.Curve(1, 0).x.size(), 721u);  // no step counts as one degree

  UseUnits(UnitMode::Metric);
  const CurvePoints position = graph_.Curve(1);
  EXPECT_DOUBLE_EQ(position.y[360 + 90], engine_.tables().PistonPosition[90] * 25.4);

  EXPECT_TRUE(graph_.ShownCurves().empty());
  graph_.SetTagShown(8, true);
  graph_.SetTagShown(3, true);
  graph_.SetTagShown(14, true);  // no such tag
  const std::vector<CurvePoints> shown = graph_.ShownCurves(2);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].tag, 3);
  EXPECT_EQ(shown[1].tag, 8);
  EXPECT_EQ(shown[1].x.size(), 361u);
  EXPECT_TRUE(settings_.curveTags[7].shown);
}

TEST_F(GraphModelTest, WindowSpecsCarryTheAxesOfTheChosenScales) {
  GraphWindowSpecs specs = graph_.WindowSpecs();
  EXPECT_EQ(specs.left.scale, 2);
  EXPECT_EQ(specs.left.caption, "in");
  EXPECT_EQ(specs.right.scale, 5);
  EXPECT_EQ(specs.right.caption, "ft/s");
  EXPECT_EQ(specs.background, 0xF0F0F0);
  EXPECT_EQ(specs.numberFormat, "###0.0");
  EXPECT_EQ(specs.x, (AxisRange{-360, 360}));

  UseUnits(UnitMode::Metric);
  settings_.leftScale = 3;
  settings_.rightScale = 0;  // not a scale: the default right scale
  specs = graph_.WindowSpecs();
  EXPECT_EQ(specs.left.caption, "m/min");
  EXPECT_DOUBLE_EQ(specs.left.full.to, 8800 / 3.2808333333333333);
  EXPECT_EQ(specs.right.scale, 5);
  EXPECT_EQ(specs.right.caption, "m/s");
}

TEST_F(GraphModelTest, AScaleNeitherAxisShowsHasItsOwnZoomedAxis) {
  // Scale 4 (airflow, -440..440 CFM) is on neither axis by default; a zoom window of the lower
  // quarter to the middle shows -440 + 0.25 x 880 = -220 up to 0.
  settings_.zoom = ZoomWindow{0, 0.25f, 1, 0.5f};
  const GraphAxis airflow = graph_.ScaleAxis(4);
  EXPECT_EQ(airflow.scale, 4);
  EXPECT_EQ(airflow.caption, "CFM");
  EXPECT_EQ(airflow.full, (AxisRange{-440, 440}));
  EXPECT_EQ(airflow.shown, (AxisRange{-220, 0}));
  // The torque factor scale (0..44) reads 11..22 in the same window.
  EXPECT_EQ(graph_.ScaleAxis(6).caption, "T.F.");
  EXPECT_EQ(graph_.ScaleAxis(6).shown, (AxisRange{11, 22}));
}

TEST(PictureFormat, ChosenByTheExtensionWithoutRegardToCase) {
  struct Row {
    const char* path;
    std::optional<PictureFormat> format;
  };
  const Row rows[] = {
      {"g.png", PictureFormat::Png},
      {"/a/b/OV_Graph.BMP", PictureFormat::Bmp},
      {"x.Svg", PictureFormat::Svg},
      {"dir.v2/report.pdf", PictureFormat::Pdf},
      {"archive.tar.png", PictureFormat::Png},
      // invalid cases
      {"g.jpg", std::nullopt},
      {"g", std::nullopt},
      {"g.", std::nullopt},
      {"dir.png/graph", std::nullopt},
      {"", std::nullopt},
      {"g.pngx", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(PictureFormatOf(row.path), row.format) << row.path;
}

TEST(CurveDrawnAt, OnlyTheTorqueFactorStopsAtTopDeadCentre) {
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    EXPECT_TRUE(CurveDrawnAt(tag, -360)) << tag;
    EXPECT_TRUE(CurveDrawnAt(tag, -0.01)) << tag;
    EXPECT_EQ(CurveDrawnAt(tag, 0), tag != 6) << tag;
    EXPECT_EQ(CurveDrawnAt(tag, 360), tag != 6) << tag;
  }
}

TEST(ZoomedAbout, ScalesAboutThePointerAndStaysWithinTheAxis) {
  const AxisRange full{-360, 360};
  struct Row {
    AxisRange shown;
    double centre;
    double factor;
    AxisRange expected;
  };
  const Row rows[] = {
      {{-360, 360}, 0, 0.5, {-180, 180}},      // about the middle
      {{-360, 360}, 360, 0.5, {0, 360}},       // about the right end: that end stays
      {{-100, 100}, -100, 0.25, {-100, -50}},  // the pointer's angle stays put
      {{-100, 100}, 0, 2, {-200, 200}},        // zooming out
      {{200, 300}, 200, 4, {-40, 360}},        // out past the end: slid back inside
      {{-350, -250}, -250, 3, {-360, -60}},    // past the start
      {{-100, 100}, 0, 3.6, {-360, 360}},      // exactly the whole axis
      {{-100, 100}, 0, 10, {-360, 360}},       // wider than the axis
  };
  for (const Row& row : rows) {
    const AxisRange got = ZoomedAbout(row.shown, full, row.centre, row.factor);
    EXPECT_DOUBLE_EQ(got.from, row.expected.from) << row.shown.from << " " << row.factor;
    EXPECT_DOUBLE_EQ(got.to, row.expected.to) << row.shown.from << " " << row.factor;
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// The curve list's two parts: tags 1..6 start in the first, a right click moves a tag to the
// other part and back; tags outside 1..13 change nothing.
TEST(GraphState, TheListPartitionMovesTagsBetweenTheParts) {
  Engine engine;
  Settings settings;
  const InterfaceStrings strings = test::ShippedStrings();
  GraphState state(engine, settings, strings);
  EXPECT_EQ(state.TagsOfPart(0), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(state.TagsOfPart(1), (std::vector<int>{7, 8, 9, 10, 11, 12, 13}));
  state.MoveToOtherPart(2);
  state.MoveToOtherPart(13);
  for (const int ignored : {0, 14, -1}) state.MoveToOtherPart(ignored);
  EXPECT_EQ(state.TagsOfPart(0), (std::vector<int>{1, 3, 4, 5, 6, 13}));
  EXPECT_EQ(state.TagsOfPart(1), (std::vector<int>{2, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(state.PartOf(2), 1);
  EXPECT_EQ(state.PartOf(14), -1);
  state.MoveToOtherPart(2);
  EXPECT_EQ(state.PartOf(2), 0);
  // The model is bound to the settings it was given: a shown flag set through it is stored.
  state.model().SetTagShown(5, !settings.curveTags[4].shown);
  EXPECT_EQ(state.model().TagShown(5), settings.curveTags[4].shown);
}

}  // namespace
}  // namespace orv
