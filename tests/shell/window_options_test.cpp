// The window's command line: its options, the screenshot command run as the program, the
// window's size on screens of several sizes, and the texts the prompter shows.
#include "shell/window_options.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QHash>
#include <QImage>
#include <QSet>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/file_kinds.h"
#include "shell/file_name_dialog.h"
#include "shell/main_window.h"
#include "shell/qt_prompter.h"
#include "shell/window_start.h"
#include "support/build_paths.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

struct OptionsRow {
  const char* name;
  std::vector<std::string> args;
  bool valid;
  int view;
  int width;
  int height;
};

class WindowOptionsTest : public ::testing::TestWithParam<OptionsRow> {};

TEST_P(WindowOptionsTest, Parses) {
  const OptionsRow& row = GetParam();
  WindowOptions options;
  const auto problem = ParseWindowOptions(row.args, options);
  EXPECT_EQ(!problem.has_value(), row.valid) << (problem ? *problem : "");
  if (row.valid) {
    EXPECT_EQ(options.view, row.view);
    EXPECT_EQ(options.width, row.width);
    EXPECT_EQ(options.height, row.height);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WindowOptionsTest,
    ::testing::Values(
        OptionsRow{"none", {}, true, 0, 1220, 900},
        OptionsRow{"dataRoot", {"--data-root", "/tmp/x"}, true, 0, 1220, 900},
        OptionsRow{"dataRootEquals", {"--data-root=/tmp/x"}, true, 0, 1220, 900},
        OptionsRow{"screenshotAll",
                   {"--screenshot", "a.png", "--view", "3", "--size", "16x16384", "e.OV"},
                   true,
                   3,
                   16,
                   16384},
        OptionsRow{"units", {"--screenshot", "a.png", "--units", "metric-m3"}, true, 0, 1220, 900},
        OptionsRow{
            "screenshotUpperCase", {"--screenshot", "A.PNG", "--view=0"}, true, 0, 1220, 900},
        OptionsRow{"stagePart",
                   {"--screenshot", "a.png", "--stage", "2", "--part", "balance-chart"},
                   true,
                   0,
                   1220,
                   900},
        OptionsRow{"dialogWithSource",
                   {"--screenshot", "a.png", "--dialog", "flow-database", "--source", "b.mdb"},
                   true,
                   0,
                   1220,
                   900},
        OptionsRow{"tagsOneToThirteen",
                   {"--screenshot", "a.png", "--view", "1", "--tags", "1,13"},
                   true,
                   1,
                   1220,
                   900},
        // invalid cases
        OptionsRow{"viewFour", {"--screenshot", "a.png", "--view", "4"}, false, 0, 0, 0},
        OptionsRow{"viewNegative", {"--screenshot", "a.png", "--view", "-1"}, false, 0, 0, 0},
        OptionsRow{"viewTwoDigits", {"--screenshot", "a.png", "--view", "01"}, false, 0, 0, 0},
        OptionsRow{"sizeTooSmall", {"--screenshot", "a.png", "--size", "15x100"}, false, 0, 0, 0},
        OptionsRow{"sizeNoX", {"--screenshot", "a.png", "--size", "640"}, false, 0, 0, 0},
        OptionsRow{"notPng", {"--screenshot", "a.bmp"}, false, 0, 0, 0},
        OptionsRow{"screenshotMissingValue", {"--screenshot"}, false, 0, 0, 0},
        OptionsRow{"viewWithoutScreenshot", {"--view", "1"}, false, 0, 0, 0},
        OptionsRow{"engineWithoutScreenshot", {"e.OV"}, false, 0, 0, 0},
        OptionsRow{"twoEngines", {"--screenshot", "a.png", "e.OV", "f.OV"}, false, 0, 0, 0},
        OptionsRow{"unitsUnknown", {"--screenshot", "a.png", "--units", "si"}, false, 0, 0, 0},
        OptionsRow{"unitsWithoutScreenshot", {"--units", "metric"}, false, 0, 0, 0},
        OptionsRow{"stageThree", {"--screenshot", "a.png", "--stage", "3"}, false, 0, 0, 0},
        OptionsRow{"stageZero", {"--screenshot", "a.png", "--stage", "0"}, false, 0, 0, 0},
        OptionsRow{"partUnknown", {"--screenshot", "a.png", "--part", "menu"}, false, 0, 0, 0},
        OptionsRow{"partOfTheGraph",
                   {"--screenshot", "a.png", "--view", "1", "--part", "inputs"},
                   false,
                   0,
                   0,
                   0},
        OptionsRow{"partAndDialog",
                   {"--screenshot", "a.png", "--part", "inputs", "--dialog", "options"},
                   false,
                   0,
                   0,
                   0},
        OptionsRow{"dialogUnknown", {"--screenshot", "a.png", "--dialog", "about"}, false, 0, 0, 0},
        OptionsRow{"sourceForOptions",
                   {"--screenshot", "a.png", "--dialog", "options", "--source", "x"},
                   false,
                   0,
                   0,
                   0},
        OptionsRow{
            "sourceWithoutDialog", {"--screenshot", "a.png", "--source", "x"}, false, 0, 0, 0},
        OptionsRow{"dialogWithoutScreenshot", {"--dialog", "options"}, false, 0, 0, 0},
        OptionsRow{"tagsFourteen", {"--screenshot", "a.png", "--tags", "1,14"}, false, 0, 0, 0},
        OptionsRow{"tagsZero", {"--screenshot", "a.png", "--tags", "0"}, false, 0, 0, 0},
        OptionsRow{"tagsTwice", {"--screenshot", "a.png", "--tags", "5,5"}, false, 0, 0, 0},
        OptionsRow{"tagsEmptyItem", {"--screenshot", "a.png", "--tags", "5,"}, false, 0, 0, 0},
        OptionsRow{"unknown", {"--colour"}, false, 0, 0, 0},
        OptionsRow{"flagWithValue", {"--has-window=1"}, false, 0, 0, 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(MainWindowSize, IsTheShareOfTheScreenOfTheDrawnLayout) {
  // 12200 / 15 = 813.3 pixels wide and 9000 / 15 = 600 high on the 1024 by 768 screen.
  EXPECT_EQ(MainWindowSizeFor(QSize(1024, 768)), QSize(813, 600));
  // 1920 * 12200 / 15360 = 1525; 1080 * 9000 / 11520 = 843.75.
  EXPECT_EQ(MainWindowSizeFor(QSize(1920, 1080)), QSize(1525, 844));
  EXPECT_EQ(MainWindowSizeFor(QSize(0, 0)), QSize(0, 0));
}

TEST(QtPrompterTexts, LineBreaksOfTheCoreBecomeOneBreakEach) {
  EXPECT_EQ(MessageText("a\r\rb\r\nc\nd").toStdString(), "a\n\nb\nc\nd");
}

TEST(QtPrompterTexts, FiltersMatchBothCases) {
  FileDialogSetup setup;
  setup.filters = {{"Orvantis Engine Files (*.ov)", "*.OV"}, {"All Files (*.*)", "*.*"}};
  const QStringList filters = QtFileFilters(setup);
  ASSERT_EQ(filters.size(), 2);
  EXPECT_EQ(filters[0].toStdString(), "Orvantis Engine Files (*.OV *.ov)");
  EXPECT_EQ(filters[1].toStdString(), "All Files (*)");
  setup.filters = {{"Reports", "*.txt"}};
  EXPECT_EQ(QtFileFilters(setup).front().toStdString(), "Reports (*.txt *.TXT)");
}

// Runs the built program with arguments; returns its exit status.
int RunProgram(const std::vector<std::string>& args, const std::string& environment = "") {
  std::string command = environment + std::string("'") + test::OrvantisProgram() + "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  command += " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ScreenshotCommand, WritesAPictureOfTheSizeAsked) {
  test::TempDir dir;
  const fs::path picture = dir / "window.png";
  ASSERT_EQ(RunProgram({"--data-root", (dir / "data").string(), "--screenshot", picture.string(),
                        "--view", "2", "--size", "640x480"}),
            0);
  const QImage image(QString::fromStdString(picture.string()));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(640, 480));
  // The window was drawn (menus, tabs, texts), not left one colour.
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  }
  EXPECT_GE(colours.size(), 8);
}

// The share of sampled pixels of the picture's most common colour, and the number of colours.
std::pair<double, int> Colours(const QImage& image) {
  QHash<QRgb, int> counts;
  int samples = 0;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2, ++samples) ++counts[image.pixel(x, y)];
  }
  int most = 0;
  for (const int n : counts) most = std::max(most, n);
  return {samples > 0 ? double(most) / samples : 1.0, int(counts.size())};
}

TEST(ScreenshotCommand, PicturesADialogAloneAtTheSizeAsked) {
  test::TempDir dir;
  const fs::path picture = dir / "options.png";
  ASSERT_EQ(RunProgram({"--data-root", (dir / "data").string(), "--screenshot", picture.string(),
                        "--dialog", "options", "--size", "700x520"},
                       "env XDG_CONFIG_HOME='" + (dir / "config").string() + "' "),
            0);
  const QImage image(QString::fromStdString(picture.string()));
  ASSERT_FALSE(image.isNull());
  // The dialog, not the main window behind it (1220 by 900 unless told).
  EXPECT_EQ(image.size(), QSize(700, 520));
  // Drawn: captions, option buttons and boxes in several colours, not one plain field.
  const auto [share, colours] = Colours(image);
  EXPECT_GE(colours, 8);
  EXPECT_LT(share, 0.95);
}

TEST(ScreenshotCommand, RefusesBadArgumentsAndUnreadableEngines) {
  test::TempDir dir;
  const fs::path picture = dir / "window.png";
  const std::string root = (dir / "data").string();
  EXPECT_NE(RunProgram({"--data-root", root, "--screenshot", picture.string(), "--size", "9x9"}),
            0);
  EXPECT_NE(RunProgram({"--data-root", root, "--screenshot", picture.string(), "--view", "5"}), 0);
  EXPECT_NE(
      RunProgram({"--data-root", root, "--screenshot", picture.string(), "/nonexistent/e.OV"}), 0);
  EXPECT_FALSE(fs::exists(picture));
}

TEST(HasWindow, AnswersOnTheOffscreenPlatform) {
  // The tests run on Qt's offscreen platform, which can always be opened.
  EXPECT_EQ(RunProgram({"--has-window"}), 0);
}

TEST(HasWindow, SaysNoWithoutADisplay) {
  EXPECT_EQ(RunProgram({"--has-window"}, "env QT_QPA_PLATFORM=xcb DISPLAY= WAYLAND_DISPLAY= "), 1);
}

}  // namespace
}  // namespace orv
