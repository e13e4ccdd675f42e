// The report view, printing reports to PDF and `orvantis print`. Printed pages are read back
// with poppler's pdftotext and pdfinfo and compared with the pages the report builder gives for
// the same printer.
#include "shell/report_view.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/report_command.h"
#include "app_fixture.h"
#include "base/atomic_file.h"
#include "files/config_file.h"
#include "files/interface_text_ids.h"
#include "find_widget.h"
#include "reports/report_pages.h"
#include "shell/explain_dialog.h"
#include "shell/options_dialog.h"
#include "shell/report_printer.h"
#include "support/build_paths.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

using test::FakePrompter;

// Standard output of a shell command.
std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

// Built by appending: GCC 12 at -O3 reports a false overflow for a literal added to a temporary
// string.
std::string Quoted(const fs::path& p) {
  std::string quoted(1, '\'');
  quoted.append(p.string()).push_back('\'');
  return quoted;
}

int PdfPages(const fs::path& pdf) {
  std::istringstream in(Shell("pdfinfo " + Quoted(pdf)));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Pages:", 0) == 0) return std::stoi(line.substr(6));
  }
  return -1;
}

// The "Page size:" line of pdfinfo, its words joined by single blanks.
std::string PdfPageSize(const fs::path& pdf) {
  std::istringstream in(Shell("pdfinfo " + Quoted(pdf)));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Page size:", 0) != 0) continue;
    std::istringstream words(line);
    std::string joined;
    for (std::string w; words >> w;) joined += (joined.empty() ? "" : " ") + w;
    return joined;
  }
  return {};
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The words of every page of a PDF, in reading order.
std::vector<std::vector<std::string>> PdfPageWords(const fs::path& pdf) {
  const std::string text = Shell("pdftotext -layout " + Quoted(pdf) + " -");
  std::vector<std::vector<std::string>> pages;
  std::size_t begin = 0;
  for (std::size_t ff; (ff = text.find('\f', begin)) != std::string::npos; begin = ff + 1) {
    pages.push_back(Words(text.substr(begin, ff - begin)));
  }
  return pages;
}

std::vector<std::string> PageWords(const PrintedPage& page) {
  std::string text;
  for (const std::string& line : page.lines) text += line + "\n";
  return Words(text);
}

// What the angle column shows at a crank angle, worked out from the angle itself.
std::string AngleLabel(int angle) {
  if (angle == 0 || angle == 360 || angle == -360) return "TDC";
  if (angle == 180 || angle == -180) return "BDC";
  return std::to_string(angle);
}

// The pages the report builder lays out for a PDF printer of the given paper size.
std::vector<PrintedPage> CorePages(Application& app, ReportKind kind, QPageSize::PageSizeId size,
                                   bool secondStage) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setPageSize(QPageSize(size));
  PrintedReport pages;
  PrintReport(app, kind, secondStage, app.enginePath(), ReportStamp{"d", "t"},
              PrinterMetricsOf(printer, ReportPrinterFont()), pages);
  return pages.pages();
}

class ReportViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Date and time off: a printed page depends only on the engine and the paper.
    app_.EditSettings().reportHeadings = {false, false, true};
    view_.resize(900, 600);
  }

  // Prints the selected report of the view to `pdf`, as a user choosing a PDF printer would.
  void PrintTo(const fs::path& pdf, QPageSize::PageSizeId size = QPageSize::A4) {
    view_.SetPrinterChooser([pdf, size](QPrinter& printer, QWidget*) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setPageSize(QPageSize(size));
      printer.setOutputFileName(QString::fromStdString(pdf.string()));
      return true;
    });
    view_.Print();
  }

  test::AppFixture fixture_;
  test::TempDir& dir_ = fixture_.dir;
  FakePrompter& prompter_ = fixture_.prompter;
  Application& app_ = fixture_.app;
  ReportView view_{app_};
};

TEST_F(ReportViewTest, EnteringTheViewBuildsAllFourReports) {
  EXPECT_TRUE(view_.reportText(ReportKind::General).empty());
  view_.show();
  const std::vector<std::pair<ReportKind, const char*>> titles{
      {ReportKind::General, " Orvantis Report"},
      {ReportKind::IntakeAir, " Orvantis Intake Air Details Report"},
      {ReportKind::ExhaustAir, " Orvantis Exhaust Air Details Report"},
      {ReportKind::Details, " Orvantis Details Report"}};
  for (const auto& [kind, title] : titles) {
    const std::string& text = view_.reportText(kind);
    EXPECT_NE(text.find(title), std::string::npos) << title;
    // The box shows the same lines with plain line ends.
    const std::string shown = view_.box(kind)->toPlainText().toStdString();
    std::string expected = text;
    std::erase(expected, '\r');
    expected.pop_back();
    EXPECT_EQ(shown, expected) << title;
    EXPECT_TRUE(view_.box(kind)->isReadOnly());
  }
  // The tabs carry the report tab captions of the interface texts.
  for (int tab = 0; tab < 4; ++tab) {
    EXPECT_EQ(test::Find<QTabWidget>(view_, "tabReports")->tabText(tab).toStdString(),
              app_.strings().Tab(kTabsReports, tab + 1));
  }
  EXPECT_TRUE(prompter_.warnings.empty());
}

TEST_F(ReportViewTest, TheGeneralReportHasTheSecondStageSectionsOnlyWhenThatStageIsOpen) {
  const std::string section3 = app_.strings().Misc(kMiscReportSection0 + 3);
  ASSERT_FALSE(section3.empty());
  ASSERT_FALSE(app_.document().controller().panel().stage2Enabled);
  view_.show();
  EXPECT_EQ(view_.reportText(ReportKind::General).find(section3), std::string::npos);
  EXPECT_NE(view_.reportText(ReportKind::General).find(app_.strings().Misc(kMiscReportSection0)),
            std::string::npos);

  app_.document().ApproveAll(0);
  ASSERT_TRUE(app_.document().controller().panel().stage2Enabled);
  view_.Refresh(ChangesBetween(Revisions{}, app_.revisions()));
  EXPECT_NE(view_.reportText(ReportKind::General).find(section3), std::string::npos);
}

TEST_F(ReportViewTest, ReportSetupRebuildsTheSelectedTabOnly) {
  view_.show();
  view_.SelectKind(ReportKind::Details);
  const std::string intakeBefore = view_.reportText(ReportKind::IntakeAir);
  // Report Setup: the details range 0 to 10 by 3, the intake range 0 to 5 by 1.
  app_.EditSettings().reportRanges = {0, 5, 1, 0, 10, 3};
  view_.Refresh(ChangedAreas{false, false, false, false, false, true});

  std::vector<std::string> angles;
  std::istringstream in(view_.reportText(ReportKind::Details));
  bool data = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("   ---------", 0) == 0) {
      data = true;
      continue;
    }
    if (data && line.size() > 12) angles.push_back(Words(line).at(0));
  }
  EXPECT_EQ(angles, (std::vector<std::string>{"TDC", "3", "6", "9"}));
  EXPECT_EQ(view_.reportText(ReportKind::IntakeAir), intakeBefore);

  // Choosing the intake tab builds it with its own range.
  view_.SelectKind(ReportKind::IntakeAir);
  EXPECT_NE(view_.reportText(ReportKind::IntakeAir), intakeBefore);
  EXPECT_NE(
      view_.box(ReportKind::IntakeAir)->toPlainText().indexOf(QStringLiteral("\n           5 ")),
      -1);
}

TEST_F(ReportViewTest, OptionsOkRebuildsTheReportInTheNewUnitSystem) {
  view_.show();
  view_.SelectKind(ReportKind::Details);
  // The piston's height above its lowest point at TDC is the default stroke, 3.480 in.
  auto tdcLine = [this] {
    std::istringstream in(view_.reportText(ReportKind::Details));
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("         TDC", 0) == 0) return Words(line);
    }
    return std::vector<std::string>{};
  };
  ASSERT_GE(tdcLine().size(), 2u);
  EXPECT_EQ(tdcLine()[1], "3.480");
  OptionsDialog options(app_, &view_);
  options.open();
  test::Find<QRadioButton>(options, "optUnits1")->setChecked(true);
  const Revisions seen = app_.revisions();
  test::Find<QPushButton>(options, "cmdOK")->click();
  view_.Refresh(ChangesBetween(seen, app_.revisions()));
  // 3.480 in = 88.392 mm, shown with one decimal in metric.
  ASSERT_GE(tdcLine().size(), 2u);
  EXPECT_EQ(tdcLine()[1], "88.4");
}

TEST_F(ReportViewTest, TheDetailsReportPrintsAsTheBuilderLaysItOut) {
  view_.show();
  view_.SelectKind(ReportKind::Details);
  const fs::path pdf = dir_ / "details.pdf";
  PrintTo(pdf);
  ASSERT_TRUE(fs::exists(pdf));
  EXPECT_TRUE(prompter_.warnings.empty());

  const std::vector<PrintedPage> core = CorePages(app_, ReportKind::Details, QPageSize::A4, false);
  const std::vector<std::vector<std::string>> printed = PdfPageWords(pdf);
  ASSERT_GE(core.size(), 2u);
  EXPECT_EQ(PdfPages(pdf), int(core.size()));
  ASSERT_EQ(printed.size(), core.size());
  for (std::size_t p = 0; p < core.size(); ++p) {
    EXPECT_EQ(printed[p], PageWords(core[p])) << "page " << p + 1;
  }

  // Every page: the title with the page label numbered in order; the angles run from TDC to
  // TDC, 721 lines of seven columns, across the pages.
  const std::string page = app_.strings().Misc(kMiscPage);
  for (std::size_t p = 0; p < printed.size(); ++p) {
    const std::vector<std::string>& w = printed[p];
    std::size_t title = 0;
    while (title + 2 < w.size() && !(w[title] == "Orvantis" && w[title + 1] == "Details")) ++title;
    ASSERT_LT(title + 2, w.size()) << "page " << p + 1;
    const auto label = std::find(w.begin() + long(title), w.end(), page);
    ASSERT_NE(label, w.end()) << "page " << p + 1;
    EXPECT_EQ(*(label + 1), std::to_string(p + 1));
  }
  std::vector<std::string> angles;
  std::istringstream lines(Shell("pdftotext -layout " + Quoted(pdf) + " -"));
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> w = Words(line);
    if (w.size() != 7) continue;
    const std::string& first = w[0];
    const bool angle = first == "TDC" || first == "BDC" ||
                       (first.find_first_not_of("-0123456789") == std::string::npos &&
                        first.find_first_of("0123456789") != std::string::npos);
    if (angle) angles.push_back(first);
  }
  ASSERT_EQ(angles.size(), 721u);
  for (int a = -360; a <= 360; ++a) ASSERT_EQ(angles[std::size_t(a + 360)], AngleLabel(a)) << a;
}

TEST_F(ReportViewTest, HeadingsOffLeaveOnlyThePageLabelUnderTheTitle) {
  app_.EditSettings().reportHeadings = {false, false, false};
  app_.EditSettings().reportRanges = {-360, 360, 1, 0, 90, 30};
  view_.show();
  view_.SelectKind(ReportKind::Details);
  const fs::path pdf = dir_ / "plain.pdf";
  PrintTo(pdf, QPageSize::Letter);
  const std::vector<std::vector<std::string>> printed = PdfPageWords(pdf);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(PdfPageSize(pdf), "Page size: 612 x 792 pts (letter)");
  // " Orvantis Details Report" without an engine path, then the page label alone.
  const std::vector<std::string> head(printed[0].begin(), printed[0].begin() + 6);
  EXPECT_EQ(head[0].find_first_not_of('_'), std::string::npos);
  EXPECT_EQ(std::vector<std::string>(head.begin() + 1, head.end()),
            (std::vector<std::string>{"Orvantis", "Details", "Report", "Page", "1"}));
  EXPECT_EQ(printed[0],
            PageWords(CorePages(app_, ReportKind::Details, QPageSize::Letter, false)[0]));

  // On the screen the line of date and time is left out: the title is followed by the rule
  // that opens the column heads.
  const std::vector<std::string> screen = SplitReportLines(view_.reportText(ReportKind::Details));
  const auto title = std::find_if(screen.begin(), screen.end(), [](const std::string& l) {
    return l.find("Orvantis Details Report") != std::string::npos;
  });
  ASSERT_NE(title, screen.end());
  EXPECT_EQ(*title, "   Orvantis Details Report" + std::string(79 - 24, ' '));
  ASSERT_NE(title + 1, screen.end());
  EXPECT_EQ(*(title + 1), "  " + std::string(80, '_'));
}

TEST_F(ReportViewTest, ACancelledPrinterChoicePrintsNothing) {
  view_.show();
  bool asked = false;
  view_.SetPrinterChooser([&asked, this](QPrinter& printer, QWidget*) {
    asked = true;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((dir_ / "never.pdf").string()));
    return false;
  });
  view_.Print();
  EXPECT_TRUE(asked);
  EXPECT_FALSE(fs::exists(dir_ / "never.pdf"));
  EXPECT_TRUE(prompter_.warnings.empty());
}

TEST_F(ReportViewTest, APrinterThatCannotBeOpenedIsReported) {
  view_.show();
  PrintTo(dir_ / "missing" / "r.pdf");
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
  ASSERT_EQ(prompter_.warnings.size(), 1u);
  EXPECT_NE(prompter_.warnings[0].find("r.pdf"), std::string::npos);
}

TEST_F(ReportViewTest, SaveWritesTheSelectedReportAsShown) {
  view_.show();
  view_.SelectKind(ReportKind::ExhaustAir);
  const std::string preset = app_.settings().reportFile;
  const fs::path chosen = dir_ / "exhaust.txt";
  prompter_.fileName = chosen.string();
  view_.SaveToFile();
  ASSERT_EQ(prompter_.fileRequests.size(), 1u);
  EXPECT_EQ(prompter_.fileRequests[0].first, Prompter::FileKind::SaveReport);
  EXPECT_EQ(prompter_.fileRequests[0].second, preset);
  EXPECT_EQ(ReadWholeFile(chosen), view_.reportText(ReportKind::ExhaustAir));
  EXPECT_NE(view_.reportText(ReportKind::ExhaustAir).find(" Orvantis Exhaust Air Details Report"),
            std::string::npos);
  EXPECT_EQ(app_.settings().reportFile, chosen.string());
  EXPECT_TRUE(prompter_.warnings.empty());
}

// The fifth tab: what differs from the reference engine set through the application.
TEST_F(ReportViewTest, TheComparisonTabListsWhatDiffersFromTheReference) {
  view_.show();
  ASSERT_EQ(test::Find<QTabWidget>(view_, "tabReports")->count(), 5);
  EXPECT_EQ(test::Find<QTabWidget>(view_, "tabReports")->tabText(4), QStringLiteral("Comparison"));
  view_.SelectKind(ReportKind::Comparison);
  const std::string& text = view_.reportText(ReportKind::Comparison);
  EXPECT_NE(text.find("  No reference engine: use File, Compare With...\r\n"), std::string::npos);
  EXPECT_NE(text.find(" Orvantis Comparison Report"), std::string::npos);

  // The engine against itself: nothing differs.
  const fs::path file = dir_ / "engine.OV";
  ASSERT_TRUE(app_.document().WriteEngineFile(file.string()));
  ASSERT_TRUE(app_.OpenEngine(file.string()));
  Revisions seen = app_.revisions();
  ASSERT_TRUE(app_.SetReference(file.string()));
  view_.Refresh(ChangesBetween(seen, app_.revisions()));
  EXPECT_NE(text.find("  Nothing differs from the reference engine.\r\n"), std::string::npos);
  EXPECT_EQ(text.find("No reference engine"), std::string::npos);
  EXPECT_EQ(text.find("  Bore "), std::string::npos);

  // The bore changed: the bore and its results, in fixed columns.
  seen = app_.revisions();
  app_.document().TypeIntoBox(kInBore, "4.125");
  view_.Refresh(ChangesBetween(seen, app_.revisions()));
  auto field = [](std::string t) {
    t.resize(21, ' ');
    return t;
  };
  EXPECT_NE(text.find("  " + field("Name") + field("Reference") + field("Current") +
                      "Current - Ref.\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("  " + field("Bore") + field("4.030") + field("4.125") + "+0.095\r\n"),
            std::string::npos);
  for (const char* result : {"BoreArea", "Displacement", "PeakTorque", "PeakPower"}) {
    EXPECT_NE(text.find("  " + std::string(result) + " "), std::string::npos) << result;
  }
  EXPECT_EQ(text.find("  Stroke "), std::string::npos);
  EXPECT_EQ(text.find("Nothing differs"), std::string::npos);
  // The box shows the same lines.
  std::string shown = text;
  std::erase(shown, '\r');
  shown.pop_back();
  EXPECT_EQ(view_.box(ReportKind::Comparison)->toPlainText().toStdString(), shown);
  if (const char* out = std::getenv("ORVANTIS_VIEW_PICTURES")) {
    view_.resize(900, 600);
    QApplication::processEvents();
    view_.grab().save(QString::fromStdString((fs::path(out) / "report_comparison.png").string()));
  }

  // Saved as shown.
  const fs::path chosen = dir_ / "comparison.txt";
  prompter_.fileName = chosen.string();
  view_.SaveToFile();
  EXPECT_EQ(ReadWholeFile(chosen), text);

  // Printed: the table on the page as the report builder lays it out.
  const fs::path pdf = dir_ / "comparison.pdf";
  PrintTo(pdf);
  ASSERT_EQ(PdfPages(pdf), 1);
  const std::vector<std::vector<std::string>> pages = PdfPageWords(pdf);
  const std::vector<PrintedPage> core =
      CorePages(app_, ReportKind::Comparison, QPageSize::A4, false);
  ASSERT_EQ(pages.size(), core.size());
  EXPECT_EQ(pages[0], PageWords(core[0]));
  const std::vector<std::string>& words = pages[0];
  EXPECT_NE(std::find(words.begin(), words.end(), "+0.095"), words.end());

  // Cleared: the tab says so again.
  seen = app_.revisions();
  app_.ClearReference();
  view_.Refresh(ChangesBetween(seen, app_.revisions()));
  EXPECT_NE(text.find("No reference engine: use File, Compare With..."), std::string::npos);
  EXPECT_TRUE(prompter_.warnings.empty());
}

TEST_F(ReportViewTest, AFailedSaveShowsText23AndLeavesNoFile) {
  view_.show();
  // A folder in the way of the file, and a file in a missing folder.
  fs::create_directories(dir_ / "taken.txt");
  for (const fs::path& target : {dir_ / "taken.txt", dir_ / "missing" / "r.txt"}) {
    prompter_.warnings.clear();
    prompter_.fileName = target.string();
    const int beeps = prompter_.beeps;
    view_.SaveToFile();
    EXPECT_EQ(prompter_.beeps, beeps + 1) << target;
    ASSERT_EQ(prompter_.warnings.size(), 1u) << target;
    EXPECT_EQ(prompter_.warnings[0].rfind(app_.strings().Misc(kMiscReportNotWritten), 0), 0u);
  }
  EXPECT_TRUE(fs::is_directory(dir_ / "taken.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
  // Nothing else was left in the folder (no temporary file).
  std::vector<fs::path> left;
  for (const auto& e : fs::directory_iterator(dir_.path())) left.push_back(e.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<fs::path>{"prog", "taken.txt"}));
}

// `orvantis print` runs the executable: the same pages as File, Print, without a display.
class PrintCommandTest : public ReportViewTest {
 protected:
  // `limit` (when given) goes before the command: "ulimit -f 8 && " for a file-size limit.
  int RunPrint(const std::string& arguments, const std::string& limit = "") {
    const std::string command =
        // No display, and the test's own data root and user store.
        limit + "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ORVANTIS_DATA_ROOT=" +
        Quoted(dir_ / "data") + " XDG_CONFIG_HOME=" + Quoted(dir_ / "config") + " " +
        test::OrvantisProgram() + " print " + arguments + " 2>" + Quoted(dir_ / "err.txt");
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Errors() { return ReadWholeFile(dir_ / "err.txt").value_or(""); }
};

TEST_F(PrintCommandTest, DetailsGivesTheSamePagesAsFilePrint) {
  // The command reads the report settings of its data root: date and time off there too.
  fs::create_directories(dir_ / "data");
  Settings settings = app_.settings();
  SetFileDefaults(settings, app_.folders());
  settings.reportHeadings = {false, false, true};
  const ConfigResult written = ConfigFileIO(app_.folders().configFile(), settings, false, true,
                                            ConfigDefaults{app_.folders()}, prompter_);
  ASSERT_TRUE(written.ok) << written.reason;

  const fs::path fromCommand = dir_ / "r.pdf";
  ASSERT_EQ(RunPrint("details --data-root " + Quoted(dir_ / "data") + " -o " + Quoted(fromCommand)),
            0)
      << Errors();
  view_.show();
  view_.SelectKind(ReportKind::Details);
  const fs::path fromWindow = dir_ / "w.pdf";
  PrintTo(fromWindow);
  const auto commandPages = PdfPageWords(fromCommand);
  ASSERT_GE(commandPages.size(), 2u);
  EXPECT_EQ(commandPages, PdfPageWords(fromWindow));
  EXPECT_EQ(PdfPageSize(fromCommand), "Page size: 595 x 842 pts (A4)");
}

TEST_F(PrintCommandTest, PageSizeAndFailures) {
  const fs::path letter = dir_ / "g.pdf";
  ASSERT_EQ(RunPrint("general --page-size Letter -o " + Quoted(letter)), 0) << Errors();
  EXPECT_EQ(PdfPageSize(letter), "Page size: 612 x 792 pts (letter)");
  EXPECT_NE(Shell("pdftotext " + Quoted(letter) + " -").find("Orvantis Report"), std::string::npos);

  // An output that cannot be written: a failure, and nothing left behind.
  EXPECT_EQ(RunPrint("details -o " + Quoted(dir_ / "missing" / "r.pdf")), 1);
  EXPECT_NE(Errors().find("r.pdf"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
  // An existing file stays as it was when the report cannot be printed.
  ASSERT_EQ(WriteFileAtomically(dir_ / "keep.pdf", "old"), "");
  EXPECT_NE(RunPrint("details --range 10,0,1 -o " + Quoted(dir_ / "keep.pdf")), 0);
  EXPECT_EQ(ReadWholeFile(dir_ / "keep.pdf"), "old");
}

// The first line of a command's standard error that is the program's own (Qt may first say
// where it keeps its run-time files).
std::string FirstOwnLine(const std::string& errors) {
  std::istringstream in(errors);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("QStandardPaths: ", 0) != 0) return line;
  }
  return {};
}

// A print that cannot be written whole (the disk fills; here a file-size limit on the program)
// fails with the reason in its first line and leaves the old file byte for byte, with no
// temporary file beside it.
TEST_F(PrintCommandTest, AFullDiskFailsWithTheReasonAndKeepsTheOldFile) {
  const fs::path old = dir_ / "old.pdf";
  ASSERT_EQ(WriteFileAtomically(old, "the old report"), "");
  for (const char* kind : {"general", "details"}) {
    EXPECT_EQ(RunPrint(std::string(kind) + " -o " + Quoted(old), "ulimit -f 8 && trap '' XFSZ && "),
              1)
        << kind;
    EXPECT_EQ(FirstOwnLine(Errors()),
              "orvantis: print: " + old.string() + ": write failed: " + std::strerror(EFBIG))
        << kind;
    EXPECT_EQ(ReadWholeFile(old), "the old report") << kind;
  }
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir_.path())) {
    left.push_back(e.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"err.txt", "old.pdf", "prog"}));
  // Without the limit the same print is written.
  ASSERT_EQ(RunPrint("details -o " + Quoted(old)), 0) << Errors();
  EXPECT_GE(PdfPages(old), 2);
}

// A named pipe, a folder, a device (a link to /dev/null) or a read-only file given as the PDF
// is refused, naming it, before anything is printed, and stays as it was.
TEST_F(PrintCommandTest, OutputsThatMayNotBeReplacedAreRefusedAndKept) {
  ASSERT_EQ(::mkfifo((dir_ / "pipe.pdf").c_str(), 0600), 0);
  fs::create_directory(dir_ / "folder.pdf");
  fs::create_symlink("/dev/null", dir_ / "null.pdf");
  ASSERT_EQ(WriteFileAtomically(dir_ / "kept.pdf", "kept"), "");
  fs::permissions(dir_ / "kept.pdf", fs::perms::owner_read | fs::perms::others_read);
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"pipe.pdf", "it is a named pipe, not a regular file"},
      {"folder.pdf", "it is a folder, not a regular file"},
      {"null.pdf", "it is a device, not a regular file"},
      {"kept.pdf", "the file may not be written"},
  };
  for (const auto& [name, reason] : rows) {
    const fs::path target = dir_ / name;
    EXPECT_EQ(RunPrint("general -o " + Quoted(target)), 1) << name;
    const std::string first = FirstOwnLine(Errors());
    EXPECT_NE(first.find(target.string()), std::string::npos) << Errors();
    EXPECT_NE(first.find(reason), std::string::npos) << Errors();
  }
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.pdf"));
  EXPECT_TRUE(fs::is_empty(dir_ / "folder.pdf"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "null.pdf"));
  EXPECT_EQ(ReadWholeFile(dir_ / "kept.pdf"), "kept");
}

// File, Print to a PDF file writes it whole through the same writer: a file that may not be
// replaced is kept and the warning names it and the reason.
TEST_F(ReportViewTest, PrintingToAPdfFileThatMayNotBeReplacedWarnsAndKeepsIt) {
  view_.show();
  ASSERT_EQ(::mkfifo((dir_ / "pipe.pdf").c_str(), 0600), 0);
  ASSERT_EQ(WriteFileAtomically(dir_ / "kept.pdf", "kept"), "");
  fs::permissions(dir_ / "kept.pdf", fs::perms::owner_read);
  PrintTo(dir_ / "pipe.pdf");
  PrintTo(dir_ / "kept.pdf");
  ASSERT_EQ(prompter_.warnings.size(), 2u);
  EXPECT_EQ(prompter_.warnings[0],
            (dir_ / "pipe.pdf").string() + ": it is a named pipe, not a regular file");
  EXPECT_EQ(prompter_.warnings[1], "the file may not be written: " + (dir_ / "kept.pdf").string());
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.pdf"));
  EXPECT_EQ(ReadWholeFile(dir_ / "kept.pdf"), "kept");
  // A file that may be replaced is, whole.
  fs::permissions(dir_ / "kept.pdf", fs::perms::owner_read | fs::perms::owner_write);
  PrintTo(dir_ / "kept.pdf");
  EXPECT_EQ(prompter_.warnings.size(), 2u);
  EXPECT_GE(PdfPages(dir_ / "kept.pdf"), 1);
}

// The value lines of the general report explain their slot; F1 with the text cursor on a value
// line opens the explanation.
TEST_F(ReportViewTest, TheGeneralReportsValueLinesExplainTheirSlot) {
  app_.document().ApproveAll(0);  // the second stage's sections too
  view_.show();
  QPlainTextEdit* box = view_.box(ReportKind::General);
  auto lineWith = [&](const QString& start) {
    for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) {
      if (b.text().trimmed().startsWith(start)) return b;
    }
    return QTextBlock();
  };
  const std::vector<std::pair<QString, std::string>> rows{
      {"Displacement  ", "page0.0"},    {"Displacement in cc", "page0.1"},
      {"Port Area", "page1.14"},        {"Critical Area", "page1.18"},
      {"Balance Factor  ", "page0.21"}, {"Carburetor Size", "page1.11"}};
  for (const auto& [start, key] : rows) {
    const QTextBlock line = lineWith(start);
    ASSERT_TRUE(line.isValid()) << start.toStdString();
    EXPECT_EQ(view_.ExplainKeyOfLine(line.text()), key) << start.toStdString();
  }
  EXPECT_EQ(view_.ExplainKeyOfLine("  ________________"), "");
  EXPECT_EQ(view_.ExplainKeyOfLine("  ENGINE GEOMETRY"), "");

  QTextCursor cursor(lineWith("Critical Area"));
  box->setTextCursor(cursor);
  box->setFocus();
  QTest::keyClick(box, Qt::Key_F1);
  auto* dialog = view_.findChild<ExplainDialog*>();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(test::Find<QLabel>(dialog, "explainValue")->text().startsWith("page1.18 = 2.37 in2"))
      << test::Find<QLabel>(dialog, "explainValue")->text().toStdString();
  EXPECT_TRUE(test::Find<QLabel>(dialog, "explainInputs")
                  ->text()
                  .contains("Intake Peak Velocity at Critical Area"));
  dialog->close();
}

}  // namespace
}  // namespace orv
