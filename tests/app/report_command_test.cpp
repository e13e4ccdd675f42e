#include "app/report_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "base/atomic_file.h"
#include "files/config_file.h"
#include "support/cli_runner.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

using test::CliResult;
using test::RunCli;

std::vector<std::string> LfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

// The lines after the column heads.
std::vector<std::string> Data(const std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("   ---------", 0) == 0) return {lines.begin() + long(i) + 1, lines.end()};
  }
  return {};
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ReportCommand, DetailsOfTheDefaultEngineHas721Lines) {
  const CliResult r = RunCli({"report", "details"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find('\r'), std::string::npos);  // plain line ends on standard output
  const std::vector<std::string> lines = LfLines(r.out);
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(lines[8],
            "       Angle   Position     Factor   Leverage     Factor   Velocity   Velocity");
  const std::vector<std::string> data = Data(lines);
  ASSERT_EQ(data.size(), 721u);
  EXPECT_EQ(data.front().substr(0, 12), "         TDC");
  EXPECT_EQ(data[180].substr(0, 12), "         BDC");
  EXPECT_EQ(data[540].substr(0, 12), "         BDC");
  EXPECT_EQ(data.back().substr(0, 12), "         TDC");
}

TEST(ReportCommand, GeneralReportPrintsEverySection) {
  const CliResult r = RunCli({"report", "general"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = LfLines(r.out);
  for (const char* title :
       {"ENGINE INPUTS", "ENGINE GEOMETRY", "BALANCE", "AIRFLOW AND PORT SIZES",
        "PISTON MOTION AND INERTIA", "TORQUE, POWER AND EXHAUST", "CAM AND FLOW SOURCES"}) {
    EXPECT_TRUE(HasLine(lines, std::string("  ") + title)) << title;
  }
  // Without an engine file the title names none.
  EXPECT_EQ(lines.at(2).substr(0, 21), "   Orvantis Report:  ");
}

TEST(ReportCommand, RangesAndUnitsOfTheCommandLine) {
  struct Row {
    std::vector<std::string> args;
    std::vector<std::string> firstColumns;  // angle and piston position of each line
  };
  // Height above BDC: 3.48 - (1.74 (1 - cos a) + 6 - sqrt(36 - (1.74 sin a)^2)), worked by
  // hand: 3 degrees 3.4769, 6 degrees 3.4677, 9 degrees 3.4524.
  const Row rows[] = {
      {{"report", "intake", "--range", "0,10,3"},
       {"TDC      3.480", "3      3.477", "6      3.468", "9      3.452"}},
      {{"report", "exhaust", "--range", "-185,-175,5", "--units", "metric"},
       {"-185        0.1", "BDC        0.0", "-175        0.1"}},
      {{"report", "details", "--range", " 90 , 90.4 , 1 "}, {"90      1.482"}},
  };
  for (const Row& r : rows) {
    const CliResult c = RunCli(r.args);
    ASSERT_EQ(c.status, 0) << c.err;
    std::vector<std::string> got;
    for (const std::string& line : Data(LfLines(c.out))) {
      std::string head = line.substr(0, 23);
      head.erase(0, head.find_first_not_of(' '));
      got.push_back(head);
    }
    EXPECT_EQ(got, r.firstColumns) << r.args.at(1);
  }
}

TEST(ReportCommand, BadRangesAreRefusedWithTheSetupMessages) {
  const std::pair<std::vector<std::string>, const char*> rows[] = {
      {{"report", "details", "--range", "10,0,1"}, "The From angle must be below the To angle."},
      {{"report", "details", "--range", "10,10,1"}, "The From angle must be below the To angle."},
      {{"report", "intake", "--range", "-400,0,1"},
       "The degree range must lie between -360 and 360."},
      {{"report", "intake", "--range", "0,10,0"},
       "The increment must be above 0 and not above 90."},
      {{"report", "intake", "--range", "0,10,91"},
       "The increment must be above 0 and not above 90."},
      {{"report", "intake", "--range", "0,10"}, "--range needs FROM,TO,STEP"},
      {{"report", "intake", "--range", "0,10,1,2"}, "--range needs FROM,TO,STEP"},
      {{"report", "intake", "--range", "a,10,1"}, "--range needs three numbers FROM,TO,STEP"},
      {{"report", "general", "--range", "0,10,1"}, "--range applies to"},
  };
  for (const auto& [args, message] : rows) {
    const CliResult r = RunCli(args);
    EXPECT_NE(r.status, 0) << args.at(3);
    EXPECT_NE(r.err.find(message), std::string::npos) << args.at(3) << ": " << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_NE(RunCli({"report", "sideways"}).status, 0);
  EXPECT_NE(RunCli({"report"}).status, 0);
}

TEST(ReportCommand, OutputFileHoldsTheReportExactlyAsBuilt) {
  test::TempDir dir;
  const fs::path file = dir / "details.txt";
  const CliResult r = RunCli({"report", "details", "-o", file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const std::string text = ReadWholeFile(file).value_or("");
  // 10 opening lines and 721 data lines, each ending in CR LF.
  std::size_t crlf = 0;
  for (std::size_t i = text.find("\r\n"); i != std::string::npos; i = text.find("\r\n", i + 2)) {
    ++crlf;
  }
  EXPECT_EQ(crlf, 731u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

  // A file that cannot be written: a failing status, and a first line that names the file and
  // the reason.
  const CliResult bad = RunCli({"report", "details", "-o", (dir / "no" / "x.txt").string()});
  EXPECT_NE(bad.status, 0);
  EXPECT_EQ(bad.err, "orvantis: cannot write the report file " + (dir / "no" / "x.txt").string() +
                         ": cannot create a file in " + (dir / "no").string() +
                         ": No such file or directory\n");
}

TEST(ReportCommand, ADataRootsConfigurationChoosesSectionsHeadingsAndUnits) {
  test::TempDir dir;
  Settings s;
  s.reportSections[1] = false;
  s.reportHeadings = {false, false, false};
  s.reportRanges = {-10, 10, 10, 0, 4, 2};
  s.customerHeading = {"CUSTOMER LINE"};
  s.unitSystem = 1;
  const Folders folders{dir / "prog", dir / "data"};
  fs::create_directories(folders.dataRoot);
  SilentPrompter quiet;
  ASSERT_TRUE(
      ConfigFileIO(folders.configFile(), s, false, true, ConfigDefaults{folders}, quiet).ok);

  const std::string root = folders.dataRoot.string();
  const CliResult general = RunCli({"report", "general", "--data-root", root});
  ASSERT_EQ(general.status, 0) << general.err;
  const std::vector<std::string> g = LfLines(general.out);
  EXPECT_FALSE(HasLine(g, "  ENGINE GEOMETRY"));
  EXPECT_TRUE(HasLine(g, "  BALANCE"));
  // pad (80 - 13) / 2 + 1 = 34: 33 blanks before the line, after the margin.
  EXPECT_EQ(g.at(0), std::string(2 + 33, ' ') + "CUSTOMER LINE" + std::string(34, ' '));
  // Headings off: the title line follows the rule and blank directly, without a date line.
  EXPECT_EQ(g.at(3), "   Orvantis Report" + std::string(79 - 16, ' '));
  EXPECT_EQ(g.at(4), "  " + std::string(80, '_'));
  // Metric from the file: 4.03 in = 102.4 mm.
  EXPECT_NE(general.out.find(" 102.4\n"), std::string::npos);

  // The ranges of the file; --units overrides its unit system.
  const CliResult intake = RunCli({"report", "intake", "--data-root", root, "--units", "english"});
  ASSERT_EQ(intake.status, 0) << intake.err;
  const std::vector<std::string> i = Data(LfLines(intake.out));
  ASSERT_EQ(i.size(), 3u);
  EXPECT_EQ(i[1].substr(0, 23), "         TDC      3.480");
  const CliResult details = RunCli({"report", "details", "--data-root", root});
  EXPECT_EQ(Data(LfLines(details.out)).size(), 3u);

  // A data root without a configuration file keeps the defaults.
  const CliResult none = RunCli({"report", "general", "--data-root", (dir / "empty").string()});
  ASSERT_EQ(none.status, 0) << none.err;
  EXPECT_TRUE(HasLine(LfLines(none.out), "  ENGINE GEOMETRY"));

  // A foreign file in its place is refused.
  ASSERT_EQ(WriteFileAtomically(folders.configFile(), "[ID]\r\nPurpose=Something else\r\n"), "");
  const CliResult foreign = RunCli({"report", "general", "--data-root", root});
  EXPECT_NE(foreign.status, 0);
  EXPECT_NE(foreign.err.find("is not an Orvantis configuration file."), std::string::npos)
      << foreign.err;
}

TEST(ReportCommand, EngineFileAndTypedValuesReachTheReport) {
  test::TempDir dir;
  const fs::path engine = dir / "V8.OV";
  ASSERT_EQ(RunCli({"dump", "--set", "Stroke=3.75", "--save", engine.string()}).status, 0);
  const CliResult r = RunCli(
      {"report", "details", engine.string(), "--set", "RodLen=6.2", "--range", "-360,-360.4,1"});
  // -360..-360.4 is refused by the setup check (from must be below to).
  EXPECT_NE(r.status, 0);
  const CliResult ok =
      RunCli({"report", "details", engine.string(), "--set", "RodLen=6.2", "--range", "-1,1,1"});
  ASSERT_EQ(ok.status, 0) << ok.err;
  const std::vector<std::string> lines = LfLines(ok.out);
  EXPECT_NE(lines.at(2).find(engine.string()), std::string::npos) << lines.at(2);
  const std::vector<std::string> data = Data(lines);
  ASSERT_EQ(data.size(), 3u);
  EXPECT_EQ(data[1].substr(0, 23), "         TDC      3.750");
}

class SaveReport : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "prog");
    fs::copy_file(fs::path(std::getenv("ORVANTIS_SOURCE_DIR")) / "resources" / "OV-STR.TXT",
                  dir_ / "prog" / "OV-STR.TXT");
    app_.SetFolders(Folders{dir_ / "prog", dir_ / "data"});
    app_.LoadStrings();
  }
  test::TempDir dir_;
  test::FakePrompter prompter_;
  Application app_{prompter_};
};

TEST_F(SaveReport, WritesTheLastTextWhereTheUserChose) {
  const std::string text = BuildScreenReport(app_, ReportKind::ExhaustAir, true, "e.OV",
                                             ReportStamp{"1/2/2026", "10:00"});
  const std::string preset = app_.settings().reportFile;
  EXPECT_EQ(fs::path(preset).filename(), "OV_Report.txt");

  // Cancelled: nothing written, the last report file stays.
  EXPECT_FALSE(SaveToFile(app_, text));
  ASSERT_EQ(prompter_.fileRequests.size(), 1u);
  EXPECT_EQ(prompter_.fileRequests[0].first, Prompter::FileKind::SaveReport);
  EXPECT_EQ(prompter_.fileRequests[0].second, preset);
  EXPECT_EQ(app_.settings().reportFile, preset);

  // An existing longer file is replaced whole by the text, no line end added.
  const fs::path chosen = dir_ / "exhaust.txt";
  ASSERT_EQ(WriteFileAtomically(chosen, std::string(200000, 'x')), "");
  prompter_.fileName = chosen.string();
  EXPECT_TRUE(SaveToFile(app_, text));
  EXPECT_EQ(ReadWholeFile(chosen), text);
  EXPECT_EQ(app_.settings().reportFile, chosen.string());
  EXPECT_TRUE(prompter_.warnings.empty());
}

TEST_F(SaveReport, AFileThatCannotBeWrittenBeepsAndWarns) {
  prompter_.fileName = (dir_ / "missing" / "r.txt").string();
  EXPECT_FALSE(SaveToFile(app_, "text\r\n"));
  EXPECT_EQ(prompter_.beeps, 1);
  ASSERT_EQ(prompter_.warnings.size(), 1u);
  // Miscellaneous text 23 in a box titled with one blank, then the file and the reason.
  EXPECT_EQ(prompter_.warningTitles[0], " ");
  EXPECT_EQ(prompter_.warnings[0], "The report file could not be written.\r" + *prompter_.fileName +
                                       "\rcannot create a file in " + (dir_ / "missing").string() +
                                       ": No such file or directory");
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(SaveReport, PrintingHandsPagesToTheSink) {
  PrintedReport pages;
  PrintReport(app_, ReportKind::Details, true, "e.OV", ReportStamp{"d", "t"},
              PrinterMetrics{4800, 6300, 100, 4000}, pages);
  // Narrow paper, 84 characters, 57 lines: 10 margin blanks before every line.
  ASSERT_TRUE(pages.ended());
  ASSERT_GE(pages.pages().size(), 13u);
  for (const PrintedPage& p : pages.pages()) {
    EXPECT_LE(p.lines.size(), 57u);
    for (const std::string& l : p.lines) ASSERT_EQ(l.substr(0, 10), std::string(10, ' '));
  }
  EXPECT_EQ(pages.pages()[0].lines.at(3), std::string(10, ' ') + std::string(84, '_'));
}

}  // namespace
}  // namespace orv
