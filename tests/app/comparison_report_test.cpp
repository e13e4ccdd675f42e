// The comparison report: no reference, an engine against itself, and a bore change, on the
// screen and on printed pages; and the table it shares with `orvantis compare`.
#include "app/comparison_report.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/engine_comparison.h"
#include "app/report_command.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

class PageCollector final : public ReportPageSink {
 public:
  void PrintPage(std::string_view page) override { pages.emplace_back(page); }
  void EndDocument() override { ended = true; }
  std::vector<std::string> pages;
  bool ended = false;
};

// The lines of a report, without their line ends (CR LF or LF).
std::vector<std::string> ReportLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The line that begins (after the report's two-blank margin) with `name` and a blank.
std::string RowOf(const std::vector<std::string>& lines, const std::string& name) {
  for (const std::string& line : lines) {
    if (line.rfind("  " + name + " ", 0) == 0) return line;
  }
  return {};
}

class ComparisonReportTest : public ::testing::Test {
 protected:
  ComparisonReportTest() : app_(prompter_) {
    app_.SetFolders(Folders{dir_ / "prog", dir_ / "data"});
    app_.SetUserStorePath(dir_ / "user" / "Orvantis.ini");
    EXPECT_TRUE(app_.document().WriteEngineFile(default_));
    // Both engines read from the file: the engine as calculated before writing may differ
    // from it in the last digits of a value the file holds rounded.
    EXPECT_TRUE(app_.OpenEngine(default_));
  }

  std::string Report() {
    return BuildScreenReport(app_, ReportKind::Comparison, false, "current.OV", {"d", "t"});
  }

  test::TempDir dir_;
  // Questions (save the changes first?) are answered No.
  test::FakePrompter prompter_{Prompter::Answer::No};
  Application app_;
  std::string default_ = (dir_ / "default.OV").string();
};

TEST_F(ComparisonReportTest, WithoutAReferenceItSaysHowToSetOne) {
  const std::vector<std::string> lines = ReportLines(Report());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "  No reference engine: use File, Compare With...");
  bool titled = false;
  for (const std::string& line : lines) {
    titled = titled || line.find("Orvantis Comparison Report") != std::string::npos;
  }
  EXPECT_TRUE(titled);
}

TEST_F(ComparisonReportTest, AnEngineAgainstItselfListsNothing) {
  ASSERT_TRUE(app_.SetReference(default_));
  const std::vector<std::string> lines = ReportLines(Report());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "  Nothing differs from the reference engine.");
  EXPECT_EQ(RowOf(lines, "Name"), "");
  EXPECT_EQ(RowOf(lines, "Reference engine:"), "  Reference engine:  " + default_);
}

TEST_F(ComparisonReportTest, ABoreChangeListsTheBoreAndItsResultsInTheUnitSystem) {
  ASSERT_TRUE(app_.SetReference(default_));
  app_.document().TypeIntoBox(kInBore, "4.125");
  auto field = [](std::string text) {
    text.resize(21, ' ');
    return text;
  };
  std::vector<std::string> lines = ReportLines(Report());
  EXPECT_EQ(RowOf(lines, "Name"),
            "  " + field("Name") + field("Reference") + field("Current") + "Current - Ref.");
  // The bore as typed, 3 decimals in English units, the difference 4.125 - 4.030 signed.
  EXPECT_EQ(RowOf(lines, "Bore"),
            "  " + field("Bore") + field("4.030") + field("4.125") + "+0.095");
  // The bore area: 4.125 squared x pi / 4 = 13.36404 in2 against 4.03 squared x pi / 4 =
  // 12.75557 in2.
  std::istringstream area(RowOf(lines, "BoreArea"));
  std::string name;
  double a = 0, b = 0, d = 0;
  area >> name >> a >> b >> d;
  EXPECT_NEAR(a, 12.75557, 1e-5);
  EXPECT_NEAR(b, 13.36404, 1e-5);
  EXPECT_NEAR(d, 13.36404 - 12.75557, 2e-5);
  // Inputs the bore does not touch and results it does not enter are not listed.
  EXPECT_EQ(RowOf(lines, "Stroke"), "");
  EXPECT_EQ(RowOf(lines, "RodLen"), "");

  // Metric: 102.362 mm against 104.775 mm, one decimal; the bore area in cm2 (x 6.4516).
  app_.SetUnitSystem(UnitMode::Metric);
  lines = ReportLines(Report());
  EXPECT_EQ(RowOf(lines, "Bore"), "  " + field("Bore") + field("102.4") + field("104.8") + "+2.4");
  std::istringstream metricArea(RowOf(lines, "BoreArea"));
  metricArea >> name >> a >> b;
  EXPECT_NEAR(b, 13.36404 * 6.4516, 1e-3);
}

TEST_F(ComparisonReportTest, PrintedPagesCarryTheSameTable) {
  ASSERT_TRUE(app_.SetReference(default_));
  app_.document().TypeIntoBox(kInBore, "4.125");
  PageCollector sink;
  PrintReport(app_, ReportKind::Comparison, false, "current.OV", {"d", "t"},
              PrinterMetrics{6000, 8000, 100, 4800}, sink);
  EXPECT_TRUE(sink.ended);
  ASSERT_FALSE(sink.pages.empty());
  std::string printed;
  for (const std::string& page : sink.pages) printed += page;
  bool bore = false;
  for (const std::string& line : ReportLines(printed)) {
    bore = bore ||
           (line.find("Bore ") != std::string::npos && line.find("+0.095") != std::string::npos);
  }
  EXPECT_TRUE(bore);
}

TEST(ComparisonTable, NothingDifferingGivesNoLinesAndFieldsKeepTheirColumns) {
  EXPECT_TRUE(ComparisonTableLines({}, {"N", "A", "B", "D"}).empty());
  EngineComparison c;
  c.inputs.push_back(
      {"ICam", "ICam", "a.S96", "b.S96", std::numeric_limits<double>::quiet_NaN(), ""});
  c.results.push_back({"PeakTorque", UnitKind::None, 400, 412.5, 12.5});
  c.results.push_back({"BMEP", UnitKind::None, 150, 149.25, -0.75});
  const std::vector<std::string> lines = ComparisonTableLines(c, {"N", "A", "B", "D"});
  ASSERT_EQ(lines.size(), 4u);
  auto field = [](std::string text) {
    text.resize(21, ' ');
    return text;
  };
  EXPECT_EQ(lines[0], field("N") + field("A") + field("B") + "D");
  // A text input has no difference: the line ends after its current value.
  EXPECT_EQ(lines[1], field("ICam") + field("a.S96") + "b.S96");
  EXPECT_EQ(lines[2], field("PeakTorque") + field("400") + field("412.5") + "+12.5");
  EXPECT_EQ(lines[3], field("BMEP") + field("150") + field("149.25") + "-0.75");
}

// Long values (a cam file's path, a long name) widen their column for every row: no value runs
// into the next column, and the columns still line up.
TEST(ComparisonTable, LongValuesWidenTheirColumnsForEveryRow) {
  EngineComparison c;
  const std::string longPath = "/home/builder/cams/solid roller 2024/intake.S96";  // 47
  c.inputs.push_back(
      {"ICam", "ICam", longPath, "b.S96", std::numeric_limits<double>::quiet_NaN(), ""});
  c.results.push_back({"AVeryLongResultNameIndeed", UnitKind::None, 400, 412.5, 12.5});  // 25
  const std::vector<std::string> lines = ComparisonTableLines(c, {"N", "A", "B", "D"});
  ASSERT_EQ(lines.size(), 3u);
  auto field = [](std::string text, std::size_t width) {
    text.resize(width + 1, ' ');
    return text;
  };
  EXPECT_EQ(lines[0], field("N", 25) + field("A", 47) + field("B", 20) + "D");
  EXPECT_EQ(lines[1], field("ICam", 25) + field(longPath, 47) + "b.S96");
  EXPECT_EQ(lines[2], field("AVeryLongResultNameIndeed", 25) + field("400", 47) +
                          field("412.5", 20) + "+12.5");
  // A value exactly as wide as the column keeps one blank before the next.
  EngineComparison exact;
  exact.results.push_back({"TwentyCharacterName1", UnitKind::None, 1, 2, 1});
  const std::vector<std::string> exactLines = ComparisonTableLines(exact, {"N", "A", "B", "D"});
  ASSERT_EQ(exactLines.size(), 2u);
  EXPECT_EQ(exactLines[1], "TwentyCharacterName1 1                    2                    +1");
}

}  // namespace
}  // namespace orv
