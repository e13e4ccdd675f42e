// `orvantis graph` run as a program without a display: each picture format at the asked size,
// the refused extension and the picture that cannot be written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <filesystem>
#include <utility>
#include <vector>

#include "support/build_paths.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status;
  QString err;
};

class GraphCommandTest : public ::testing::Test {
 protected:
  Outcome Graph(QStringList args) {
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Without a display the command draws offscreen by itself.
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    run.setProcessEnvironment(env);
    args.prepend(QString::fromStdString((dir_ / "data").string()));
    args.prepend("--data-root");
    args.prepend("graph");
    run.start(QString::fromLocal8Bit(test::OrvantisProgram()), args);
    EXPECT_TRUE(run.waitForFinished(60000));
    return {run.exitCode(), QString::fromUtf8(run.readAllStandardError())};
  }
  QString Path(const char* name) { return QString::fromStdString((dir_ / name).string()); }

  test::TempDir dir_;
};

TEST_F(GraphCommandTest, PngAndBmpHaveTheAskedSize) {
  for (const char* name : {"g.png", "g.bmp"}) {
    const Outcome run = Graph({"-o", Path(name), "--size", "800x600", "--tags", "1,5,8"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QImage image(Path(name));
    EXPECT_EQ(image.width(), 800) << name;
    EXPECT_EQ(image.height(), 600) << name;
  }
  QFile bmp(Path("g.bmp"));
  ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
  EXPECT_EQ(bmp.read(2), QByteArray("BM"));
  QFile png(Path("g.png"));
  ASSERT_TRUE(png.open(QIODevice::ReadOnly));
  EXPECT_EQ(png.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
}

TEST_F(GraphCommandTest, SvgIsAValidPictureOfTheAskedSize) {
  const Outcome run = Graph({"-o", Path("g.svg"), "--size", "640x480", "--cursor", "-90"});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  QSvgRenderer svg(Path("g.svg"));
  ASSERT_TRUE(svg.isValid());
  EXPECT_EQ(svg.viewBox(), QRect(0, 0, 640, 480));
}

TEST_F(GraphCommandTest, PdfIsOnePageOfTheAskedSize) {
  const Outcome run = Graph({"-o", Path("g.pdf"), "--size", "800x600", "--units", "metric"});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  QProcess info;
  info.start("pdfinfo", {Path("g.pdf")});
  ASSERT_TRUE(info.waitForFinished(30000));
  const QString text = QString::fromUtf8(info.readAllStandardOutput());
  EXPECT_TRUE(text.contains(QRegularExpression("Pages:\\s+1\\n"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression("Page size:\\s+800 x 600 pts")))
      << text.toStdString();
}

TEST_F(GraphCommandTest, AnUnknownExtensionIsRefusedWithTheFormats) {
  const Outcome run = Graph({"-o", Path("g.jpg")});
  EXPECT_NE(run.status, 0);
  EXPECT_TRUE(run.err.contains("png, bmp, svg, pdf")) << run.err.toStdString();
  EXPECT_FALSE(fs::exists(dir_ / "g.jpg"));
}

TEST_F(GraphCommandTest, APictureThatCannotBeWrittenNamesItsPathAndLeavesNothing) {
  // A folder that does not exist, and a folder in place of the picture.
  fs::create_directories(dir_ / "taken.png");
  for (const char* name : {"missing/g.png", "taken.png"}) {
    const QString target = Path(name);
    const Outcome run = Graph({"-o", target});
    EXPECT_NE(run.status, 0) << name;
    EXPECT_TRUE(run.err.contains(target)) << run.err.toStdString();
  }
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
  EXPECT_TRUE(fs::is_directory(dir_ / "taken.png"));
  EXPECT_TRUE(fs::is_empty(dir_ / "taken.png"));
  // Nothing half-written beside them.
  for (const auto& entry : fs::directory_iterator(dir_.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "taken.png" || name == "data") << name;
  }
}

// A named pipe, a device (a link to /dev/null) or a read-only file given as the picture is
// refused, naming it, and stays as it was.
TEST_F(GraphCommandTest, OutputsThatMayNotBeReplacedAreRefusedAndKept) {
  ASSERT_EQ(::mkfifo((dir_ / "pipe.png").c_str(), 0600), 0);
  fs::create_symlink("/dev/null", dir_ / "null.png");
  {
    QFile kept(Path("kept.png"));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("kept");
  }
  fs::permissions(dir_ / "kept.png", fs::perms::owner_read | fs::perms::group_read);
  const std::vector<std::pair<const char*, const char*>> rows = {
      {"pipe.png", "it is a named pipe, not a regular file"},
      {"null.png", "it is a device, not a regular file"},
      {"kept.png", "the file may not be written"},
  };
  for (const auto& [name, reason] : rows) {
    const Outcome run = Graph({"-o", Path(name)});
    EXPECT_EQ(run.status, 1) << name;
    // The program's first line (Qt may first say where it keeps its run-time files).
    QString first;
    for (const QString& line : run.err.split(QLatin1Char('\n'))) {
      if (line.startsWith(QStringLiteral("QStandardPaths: "))) continue;
      first = line;
      break;
    }
    EXPECT_TRUE(first.contains(Path(name))) << run.err.toStdString();
    EXPECT_TRUE(first.contains(QString::fromUtf8(reason))) << run.err.toStdString();
  }
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.png"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "null.png"));
  QFile kept(Path("kept.png"));
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("kept"));
}

// A cursor line out of range in the configuration (at the angle the curve list is read) is
// taken as its default with a warning naming the key; the graph is drawn.
TEST_F(GraphCommandTest, ACursorLineOutOfRangeInTheConfigurationIsToldAndTheGraphDrawn) {
  fs::create_directories(dir_ / "data");
  QFile config(QString::fromStdString((dir_ / "data" / "ORV_ANT.INI").string()));
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write(
      "[ID]\r\nPurpose = Orvantis Configuration File\r\n[Graph]\r\nCTag1 = -1\r\n"
      "LneLoc3 = 3e9\r\n");
  config.close();
  const Outcome run = Graph({"-o", Path("g.png")});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(
      run.err.contains("section [Graph], key LneLoc3: 3e9 is out of range (-360 to 360); "
                       "its default 162 is used."))
      << run.err.toStdString();
  EXPECT_FALSE(run.err.contains("Overflow")) << run.err.toStdString();
  EXPECT_EQ(QImage(Path("g.png")).width(), 1200);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Whether the pixel is dark, as the legend's frame and texts are drawn.
bool Dark(QRgb pixel) { return qGray(pixel) < 64; }

// The saved picture with every curve: the legend's frame is drawn whole inside the picture,
// with a margin to the right and below, at a wide and at a narrow size.
TEST_F(GraphCommandTest, TheLegendLiesWholeInsideThePicture) {
  for (const char* size : {"1200x800", "640x700"}) {
    const Outcome run = Graph(
        {"-o", Path("legend.png"), "--size", size, "--tags", "1,2,3,4,5,6,7,8,9,10,11,12,13"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QImage image(Path("legend.png"));
    ASSERT_FALSE(image.isNull());
    const int w = image.width(), h = image.height();
    // The legend's right edge: the rightmost column with a long dark vertical run in the lower
    // part of the picture.
    int right = -1, runBottom = -1;
    for (int x = w - 1; x >= 0 && right < 0; --x) {
      int dark = 0;
      for (int y = h / 2; y < h; ++y) {
        dark = Dark(image.pixel(x, y)) ? dark + 1 : 0;
        if (dark >= 30) {
          right = x;
          while (y + 1 < h && Dark(image.pixel(x, y + 1))) ++y;
          runBottom = y;
          break;
        }
      }
    }
    ASSERT_GE(right, 0) << size << ": no frame of the legend";
    EXPECT_LE(right, w - 4) << size << ": the legend touches the right edge";
    EXPECT_LE(runBottom, h - 4) << size << ": the legend touches the bottom edge";
    // Nothing of the legend (no text) right of its frame.
    for (int x = right + 1; x < w; ++x)
      for (int y = h / 2; y < h; ++y)
        ASSERT_FALSE(Dark(image.pixel(x, y))) << size << " at " << x << "," << y;
  }
}

}  // namespace
}  // namespace orv
