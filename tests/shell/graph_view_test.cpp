// The graph view and its curve list over the default engine: the list read at the cursor lines
// against the command line's curves, difference mode, zoom by rubber band, wheel and UnZoom,
// units, shown curves, the list's columns and parts, the keyboard and the mouse on the cursor
// lines, saving pictures and printing.
#include "shell/graph_view.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>
#include <cmath>
#include <fstream>
#include <sstream>

#include "app_fixture.h"
#include "find_widget.h"
#include "shell/curve_list_model.h"
#include "shell/graph_canvas.h"
#include "support/build_paths.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// The decimals the list writes each tag with in English units.
constexpr int kEnglishDecimals[kCurveTagCount] = {3, 0, 2, 3, 1, 2, 1, 1, 5, 5, 0, 3, 3};

class GraphViewTest : public ::testing::Test {
 protected:
  GraphViewTest() : view_(started_.app) {
    Settings& s = started_.app.EditSettings();
    for (CurveTag& tag : s.curveTags) tag.shown = true;
    view_.resize(1200, 700);
    view_.show();
    view_.Refresh(AllAreas());
  }
  Application& app() { return started_.app; }

  // The list text of a tag, from whichever part holds it.
  QString ListText(int tag) {
    for (int part = 0; part < 2; ++part) {
      CurveListModel& list = ListModel(part);
      for (int row = 0; row < list.rowCount(); ++row) {
        if (list.TagAt(row) == tag) return list.ValueText(row);
      }
    }
    return {};
  }

  // The 13 curves at one crank angle, as `orvantis curves` writes them (English units).
  // With `engine`, the curves of that engine file.
  std::vector<double> CurvesAt(int angle, const std::string& engine = {}) {
    const fs::path csv = started_.dir / "curves.csv";
    QProcess run;
    QStringList arguments{"curves",
                          "--data-root",
                          QString::fromStdString((started_.dir / "cli").string()),
                          "--from",
                          QString::number(angle),
                          "--to",
                          QString::number(angle),
                          "-o",
                          QString::fromStdString(csv.string())};
    if (!engine.empty()) arguments << QString::fromStdString(engine);
    run.start(QString::fromLocal8Bit(test::OrvantisProgram()), arguments);
    EXPECT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    std::ifstream in(csv);
    std::string header, row;
    std::getline(in, header);
    std::getline(in, row);
    std::vector<double> values;
    std::stringstream cells(row);
    std::string cell;
    std::getline(cells, cell, ',');  // the angle
    while (std::getline(cells, cell, ',')) values.push_back(std::stod(cell));
    return values;
  }

  // The parts of the view.
  GraphCanvas& Canvas() const { return *test::Find<GraphCanvas>(view_, "graphCanvas"); }
  QTableView& List(int part) const {
    return *test::Find<QTableView>(view_, QStringLiteral("curveList%1").arg(part));
  }
  CurveListModel& ListModel(int part) const {
    return *test::Find<CurveListModel>(view_, QStringLiteral("curveListModel%1").arg(part));
  }

  test::AppFixture started_{test::AppFixture::Start::kStartedUp,
                            test::FakePrompter(Prompter::Answer::No)};
  GraphView view_;
};

TEST_F(GraphViewTest, ACursorLineAtMinus90ListsTheCurvesThere) {
  view_.MoveCursorLines({54, 108, -90, 216});
  const std::vector<double> atMinus90 = CurvesAt(-90);
  ASSERT_EQ(atMinus90.size(), 13u);
  std::vector<QString> texts;
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    const QString text = ListText(tag);
    texts.push_back(text);
    bool number = false;
    const double shown = text.toDouble(&number);
    ASSERT_TRUE(number) << tag << " " << text.toStdString();
    // Written with the tag's decimals: within half a unit of the last decimal shown.
    const double half = 0.5 * std::pow(10.0, -kEnglishDecimals[tag - 1]);
    EXPECT_NEAR(shown, atMinus90[static_cast<std::size_t>(tag - 1)], half * 1.000001) << tag;
    const int dot = text.indexOf('.');
    EXPECT_EQ(dot < 0 ? 0 : text.size() - dot - 1, kEnglishDecimals[tag - 1]) << tag;
  }
  // The crank curves (tags 1 to 5) read their tables at 270 degrees: the same texts as a line
  // at 270. The cam curves read the cam at half the crank angle, -45 against 135, and the
  // torque factor is drawn on the negative half only, so those differ.
  view_.MoveCursorLines({54, 108, 270, 216});
  for (int tag = 1; tag <= 5; ++tag) {
    EXPECT_EQ(ListText(tag), texts[static_cast<std::size_t>(tag - 1)]) << tag;
  }
  EXPECT_EQ(ListText(6), "300.00");
}

TEST_F(GraphViewTest, DifferenceModeWithLinesThreeAndFourTogetherListsZeros) {
  view_.MoveCursorLines({54, 108, 135.5f, 135.5f});
  test::Find<QCheckBox>(view_, "chkDifference")->setChecked(true);
  EXPECT_TRUE(view_.model().differenceMode());
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    EXPECT_EQ(ListText(tag).toDouble(), 0.0) << tag << " " << ListText(tag).toStdString();
  }
  // Apart, the piston position's difference between 180 and 0 is the value at 180 less the
  // value at 0 (the stroke).
  view_.MoveCursorLines({54, 108, 180, 0});
  const std::vector<double> at180 = CurvesAt(180);
  EXPECT_NEAR(ListText(1).toDouble(), at180[0] - CurvesAt(0)[0], 0.0005);
  test::Find<QCheckBox>(view_, "chkDifference")->setChecked(false);
  EXPECT_NEAR(ListText(1).toDouble(), at180[0], 0.0005);
}

TEST_F(GraphViewTest, RubberBandZoomIsKeptAsFractionsAndUnZoomRestoresTheWholeGraph) {
  Settings& s = app().EditSettings();
  s.scales[1] = {0, 4.4};  // the left axis: scale 2, 0 to 4.4 in
  view_.Refresh(AllAreas());
  EXPECT_FALSE(test::Find<QPushButton>(view_, "cmdUnZoom")->isEnabled());

  view_.Zoom({-180, 180}, {1.1, 3.3});
  const ZoomWindow& z = app().settings().zoom;
  EXPECT_FLOAT_EQ(z.left, 0.25f);
  EXPECT_FLOAT_EQ(z.right, 0.75f);
  EXPECT_FLOAT_EQ(z.bottom, 0.25f);
  EXPECT_FLOAT_EQ(z.top, 0.75f);
  EXPECT_TRUE(test::Find<QPushButton>(view_, "cmdUnZoom")->isEnabled());
  GraphCanvas& canvas = Canvas();
  EXPECT_DOUBLE_EQ(canvas.xAxis->range().lower, -180);
  EXPECT_DOUBLE_EQ(canvas.xAxis->range().upper, 180);
  EXPECT_NEAR(canvas.yAxis->range().lower, 1.1, 1e-6);
  EXPECT_NEAR(canvas.yAxis->range().upper, 3.3, 1e-6);
  // The right axis (scale 5, -44..44 ft/s) shows the same share: -22..22.
  EXPECT_NEAR(canvas.yAxis2->range().lower, -22, 1e-5);
  EXPECT_NEAR(canvas.yAxis2->range().upper, 22, 1e-5);

  QTest::mouseClick(test::Find<QPushButton>(view_, "cmdUnZoom"), Qt::LeftButton);
  EXPECT_EQ(app().settings().zoom.left, 0);
  EXPECT_EQ(app().settings().zoom.bottom, 0);
  EXPECT_EQ(app().settings().zoom.right, 1);
  EXPECT_EQ(app().settings().zoom.top, 1);
  EXPECT_FALSE(test::Find<QPushButton>(view_, "cmdUnZoom")->isEnabled());
  EXPECT_DOUBLE_EQ(canvas.xAxis->range().lower, -360);
  EXPECT_DOUBLE_EQ(canvas.xAxis->range().upper, 360);
  EXPECT_DOUBLE_EQ(canvas.yAxis->range().upper, 4.4);
}

TEST_F(GraphViewTest, DraggingABandOverTheGraphZoomsIntoIt) {
  GraphCanvas& canvas = Canvas();
  canvas.replot(QCustomPlot::rpImmediateRefresh);
  const QPoint from(static_cast<int>(canvas.PixelOfAngle(-90)),
                    static_cast<int>(canvas.yAxis->coordToPixel(canvas.yAxis->range().upper) + 20));
  const QPoint to(static_cast<int>(canvas.PixelOfAngle(90)),
                  static_cast<int>(canvas.yAxis->coordToPixel(canvas.yAxis->range().lower) - 20));
  QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(&canvas, to);
  QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, to);
  const ZoomWindow& z = app().settings().zoom;
  // The band's edges are whole pixels: within a pixel's share of 720 degrees.
  const double pixel = 720.0 / canvas.axisRect()->width();
  EXPECT_NEAR(z.left * 720 - 360, -90, 2 * pixel);
  EXPECT_NEAR(z.right * 720 - 360, 90, 2 * pixel);
  EXPECT_GT(z.bottom, 0);
  EXPECT_LT(z.top, 1);
  EXPECT_TRUE(test::Find<QPushButton>(view_, "cmdUnZoom")->isEnabled());
}

TEST_F(GraphViewTest, TheWheelZoomsAboutThePointerAndNeverPastTheWholeGraph) {
  GraphCanvas& canvas = Canvas();
  canvas.replot(QCustomPlot::rpImmediateRefresh);
  const QPointF at(canvas.PixelOfAngle(0), canvas.axisRect()->center().y());
  auto wheel = [&](int delta) {
    QWheelEvent event(at, canvas.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&canvas, &event);
  };
  wheel(120);  // one notch in: 0.8 of the range about the pointer's angle
  const double angle = canvas.AngleOfPixel(at.x());
  EXPECT_NEAR(canvas.xAxis->range().lower, angle + (-360 - angle) * 0.8, 1e-3);
  EXPECT_NEAR(canvas.xAxis->range().upper, angle + (360 - angle) * 0.8, 1e-3);
  EXPECT_TRUE(view_.model().zoomed());
  wheel(-360);  // three notches out: back to the whole graph, no further
  EXPECT_DOUBLE_EQ(canvas.xAxis->range().lower, -360);
  EXPECT_DOUBLE_EQ(canvas.xAxis->range().upper, 360);
  EXPECT_FALSE(view_.model().zoomed());
}

TEST_F(GraphViewTest, MetricUnitsChangeTheAxisRangesAndCaptions) {
  Settings& s = app().EditSettings();
  s.scales[1] = {0, 4.4};
  s.scales[4] = {-44, 44};
  view_.Refresh(AllAreas());
  GraphCanvas& canvas = Canvas();
  EXPECT_EQ(canvas.yAxis->label(), "in");
  EXPECT_EQ(canvas.yAxis2->label(), "ft/s");

  const Revisions before = app().revisions();
  app().SetUnitSystem(UnitMode::Metric);
  view_.Refresh(ChangesBetween(before, app().revisions()));
  EXPECT_EQ(canvas.yAxis->label(), "mm");
  EXPECT_EQ(canvas.yAxis2->label(), "m/s");
  EXPECT_NEAR(canvas.yAxis->range().upper, 4.4 * 25.4, 1e-9);  // 111.76 mm
  // 44 ft/s in metres per second, 3.2808333 feet to the metre.
  EXPECT_NEAR(canvas.yAxis2->range().upper, 44 / 3.2808333333333333, 1e-9);
  EXPECT_NEAR(canvas.yAxis2->range().lower, -44 / 3.2808333333333333, 1e-9);
  // The piston position curve in millimetres: at 180 degrees the stroke.
  QCPGraph* position = canvas.CurveGraph(1);
  ASSERT_NE(position, nullptr);
  const auto at180 = position->data()->findBegin(180, false);
  EXPECT_NEAR(at180->value, CurvesAt(180)[0] * 25.4, 1e-6);
  // The list in millimetres, one decimal (three less two).
  view_.MoveCursorLines({54, 108, 180, 216});
  EXPECT_EQ(ListText(1), QString::number(CurvesAt(180)[0] * 25.4, 'f', 1));
}

TEST_F(GraphViewTest, ClearingATagsBoxHidesItsCurve) {
  GraphCanvas& canvas = Canvas();
  ASSERT_NE(canvas.CurveGraph(8), nullptr);
  EXPECT_EQ(canvas.CurveGraph(8)->dataCount(), 1441);  // -360..360 every half degree
  CurveListModel& part = ListModel(1);                 // tags 7..13
  const int row = 8 - 7;
  ASSERT_EQ(part.TagAt(row), 8);
  const int revision = static_cast<int>(app().revisions().settings);
  part.setData(part.index(row, CurveListModel::kName), Qt::Unchecked, Qt::CheckStateRole);
  EXPECT_EQ(canvas.CurveGraph(8), nullptr);
  EXPECT_FALSE(app().settings().curveTags[7].shown);
  EXPECT_GT(static_cast<int>(app().revisions().settings), revision);
  EXPECT_EQ(part.data(part.index(row, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
  part.setData(part.index(row, CurveListModel::kName), Qt::Checked, Qt::CheckStateRole);
  ASSERT_NE(canvas.CurveGraph(8), nullptr);
  EXPECT_TRUE(app().settings().curveTags[7].shown);
}

// The user toggles a box in the list itself: Space on the current row's name, and a mouse
// click on the check box. Tag 8 is the second row of the second part.
TEST_F(GraphViewTest, TheUserTogglesATagsBoxWithSpaceAndTheMouse) {
  GraphCanvas& canvas = Canvas();
  QTableView& list = List(1);
  CurveListModel& part = ListModel(1);
  const int row = 1;
  ASSERT_EQ(part.TagAt(row), 8);
  const QModelIndex name = part.index(row, CurveListModel::kName);
  ASSERT_NE(canvas.CurveGraph(8), nullptr);

  list.setFocus(Qt::OtherFocusReason);
  list.setCurrentIndex(name);
  QTest::keyClick(&list, Qt::Key_Space);
  EXPECT_FALSE(app().settings().curveTags[7].shown);
  EXPECT_EQ(canvas.CurveGraph(8), nullptr);
  EXPECT_EQ(name.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
  QTest::keyClick(&list, Qt::Key_Space);
  EXPECT_TRUE(app().settings().curveTags[7].shown);
  EXPECT_NE(canvas.CurveGraph(8), nullptr);

  // The check box sits at the left of the name cell, where the style draws it.
  QStyleOptionViewItem option;
  option.initFrom(list.viewport());
  option.rect = list.visualRect(name);
  option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
  option.text = name.data().toString();
  option.checkState = Qt::Checked;
  const QRect box =
      list.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &list);
  ASSERT_TRUE(box.isValid());
  ASSERT_TRUE(option.rect.contains(box.center()));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box.center());
  EXPECT_FALSE(app().settings().curveTags[7].shown);
  EXPECT_EQ(canvas.CurveGraph(8), nullptr);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box.center());
  EXPECT_TRUE(app().settings().curveTags[7].shown);
  EXPECT_NE(canvas.CurveGraph(8), nullptr);

  // A click on the name beside the box selects the row and leaves the box alone.
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    QPoint(option.rect.right() - 2, option.rect.center().y()));
  EXPECT_TRUE(app().settings().curveTags[7].shown);
  // The other tags kept their boxes.
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    EXPECT_TRUE(app().settings().curveTags[static_cast<std::size_t>(tag - 1)].shown) << tag;
  }
}

TEST_F(GraphViewTest, TheTorqueFactorIsDrawnOnTheNegativeHalfOnly) {
  QCPGraph* tf = Canvas().CurveGraph(6);
  ASSERT_NE(tf, nullptr);
  ASSERT_EQ(tf->dataCount(), 720);  // -360 .. -0.5 every half degree
  EXPECT_EQ(tf->data()->constBegin()->key, -360);
  EXPECT_EQ((tf->data()->constEnd() - 1)->key, -0.5);
  // The values are the torque factor table's: at -90 the table at 270.
  const auto at = tf->data()->findBegin(-90, false);
  EXPECT_DOUBLE_EQ(at->value, app().document().engine().tables().TorqueFactor[270]);
}

TEST_F(GraphViewTest, MovingAColumnKeepsTheOrderForBothParts) {
  QHeaderView* header = List(0).horizontalHeader();
  header->moveSection(0, 3);  // the name column to the end
  EXPECT_EQ(app().settings().curveListColumns, (std::array<std::int16_t, 4>{2, 3, 4, 1}));
  EXPECT_EQ(List(1).horizontalHeader()->visualIndex(CurveListModel::kName), 3);
  // Widths follow their columns, in twips: 96 pixels are 1440 twips.
  header->resizeSection(CurveListModel::kUnit, 96);
  const int dpi = List(0).logicalDpiX();
  EXPECT_EQ(app().settings().curveListWidths[1], std::lround(96.0 * 1440 / dpi));
}

// Every curve name and value shows whole: the default widths (1600 and 1000 twips) are too
// narrow for "Exhaust Valve Velocity" and for a valve velocity such as "-17.75105".
TEST_F(GraphViewTest, NamesAndValuesAreNeverCutOff) {
  for (const CursorPositions& lines :
       {CursorPositions{54, 108, 165, 216}, CursorPositions{-300, -200, -100, 0}}) {
    view_.MoveCursorLines(lines);
    QApplication::processEvents();
    for (int part = 0; part < 2; ++part) {
      QTableView& list = List(part);
      for (int column : {CurveListModel::kName, CurveListModel::kValue}) {
        for (int row = 0; row < list.model()->rowCount(); ++row) {
          const QString text = list.model()->index(row, column).data().toString();
          EXPECT_GE(list.horizontalHeader()->sectionSize(column),
                    list.fontMetrics().horizontalAdvance(text))
              << text.toStdString();
        }
      }
    }
  }
}

// The graph takes the view's width; the lists beside it take what their columns need, also
// after the user widens a column, and never need a horizontal scroll bar.
TEST_F(GraphViewTest, TheGraphTakesTheWidthTheListsTheirColumns) {
  for (const QSize size : {QSize(1366, 640), QSize(1000, 600)}) {
    view_.resize(size);
    QApplication::processEvents();
    const int lists = List(0).parentWidget()->width();
    EXPECT_GT(Canvas().width(), lists * (size.width() > 1200 ? 2 : 1)) << size.width();
    EXPECT_GT(Canvas().width() + lists, size.width() * 9 / 10);
    int widest = 0;
    for (int part = 0; part < 2; ++part) {
      const QTableView& list = List(part);
      EXPECT_LE(list.horizontalHeader()->length(), list.viewport()->width()) << part;
      widest = std::max(widest, list.horizontalHeader()->length());
    }
    EXPECT_GE(widest + 40, lists) << size.width();
  }
  QHeaderView* header = List(1).horizontalHeader();
  const int canvas = Canvas().width();
  header->resizeSection(CurveListModel::kName, header->sectionSize(CurveListModel::kName) + 60);
  QApplication::processEvents();
  EXPECT_EQ(Canvas().width(), canvas - 60);
  EXPECT_LE(header->length(), List(1).viewport()->width());
}

TEST_F(GraphViewTest, ARightClickMovesACurveToTheOtherPart) {
  EXPECT_EQ(ListModel(0).tags(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  view_.MoveTagToOtherPart(2);
  EXPECT_EQ(ListModel(0).tags(), (std::vector<int>{1, 3, 4, 5, 6}));
  EXPECT_EQ(ListModel(1).tags(), (std::vector<int>{2, 7, 8, 9, 10, 11, 12, 13}));
  EXPECT_FALSE(ListText(2).isEmpty());
}

TEST_F(GraphViewTest, TheKeysMoveTheSelectedLineByTheStep) {
  GraphCanvas& canvas = Canvas();
  canvas.setFocus();
  QTest::keyClick(&canvas, Qt::Key_Right);  // line 3: 162 + 10
  EXPECT_EQ(app().settings().cursorLines[2], 172);
  QTest::keyClick(&canvas, Qt::Key_4);
  QTest::keyClick(&canvas, Qt::Key_Left);
  QTest::keyClick(&canvas, Qt::Key_Left);
  EXPECT_EQ(app().settings().cursorLines[3], 196);
  EXPECT_EQ(ListText(1).toStdString(), view_.model().ValueText(1, 172));
  EXPECT_DOUBLE_EQ(canvas.CursorLine(4)->point1->coords().x(), 196);
}

TEST_F(GraphViewTest, DraggingACursorLineRefillsTheList) {
  GraphCanvas& canvas = Canvas();
  canvas.replot(QCustomPlot::rpImmediateRefresh);
  const int y = canvas.axisRect()->center().y();
  const QPoint grab(static_cast<int>(std::lround(canvas.PixelOfAngle(162))), y);
  const QPoint drop(static_cast<int>(std::lround(canvas.PixelOfAngle(-90))), y);
  QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, grab);
  QTest::mouseMove(&canvas, drop);
  QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, drop);
  const float line3 = app().settings().cursorLines[2];
  const double pixel = 720.0 / canvas.axisRect()->width();
  EXPECT_NEAR(line3, -90, pixel);
  EXPECT_EQ(ListText(1).toStdString(), view_.model().ValueText(1, line3));
  EXPECT_FALSE(view_.model().zoomed());  // a drag on a line is no rubber band
}

TEST_F(GraphViewTest, TheReadoutGivesTheCurvesUnderTheMouse) {
  view_.ShowReadout(-90);
  const QString text = test::Find<QLabel>(view_, "lblReadout")->text();
  EXPECT_TRUE(text.startsWith("-90.0 degrees")) << text.toStdString();
  const std::string piston = view_.model().TagName(1) + " " + view_.model().ValueText(1, 270);
  EXPECT_TRUE(text.contains(QString::fromStdString(piston))) << text.toStdString();
  view_.ShowReadout(std::nan(""));
  EXPECT_TRUE(test::Find<QLabel>(view_, "lblReadout")->text().isEmpty());
}

TEST_F(GraphViewTest, SaveGraphWritesThePictureTheNameAsksFor) {
  const fs::path png = started_.dir / "graph.png";
  started_.prompter.fileNames = {png.string()};
  view_.SaveToFile();
  ASSERT_EQ(started_.prompter.fileRequests.size(), 1u);
  EXPECT_EQ(started_.prompter.fileRequests[0].first, Prompter::FileKind::SaveGraph);
  EXPECT_EQ(started_.prompter.fileRequests[0].second,
            (started_.dir / "data" / "Graph Captures" / "OV_Graph.bmp").string());
  const QImage image(QString::fromStdString(png.string()));
  EXPECT_EQ(image.size(), Canvas().size());
  EXPECT_EQ(app().settings().graphFile, png.string());

  // No extension: the picture kind's own, a bitmap.
  started_.prompter.fileNames = {(started_.dir / "plain").string()};
  view_.SaveToFile();
  QFile bmp(QString::fromStdString((started_.dir / "plain.BMP").string()));
  ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
  EXPECT_EQ(bmp.read(2), QByteArray("BM"));
  EXPECT_TRUE(started_.prompter.warnings.empty());
}

TEST_F(GraphViewTest, APictureThatCannotBeWrittenIsReportedAndLeavesNothing) {
  started_.prompter.fileNames = {(started_.dir / "graph.jpg").string(),
                                 (started_.dir / "missing" / "graph.png").string()};
  view_.SaveToFile();
  ASSERT_EQ(started_.prompter.warnings.size(), 1u);
  EXPECT_NE(started_.prompter.warnings[0].find("png, bmp, svg, pdf"), std::string::npos);
  EXPECT_FALSE(fs::exists(started_.dir / "graph.jpg"));
  view_.SaveToFile();
  ASSERT_EQ(started_.prompter.warnings.size(), 2u);
  EXPECT_NE(started_.prompter.warnings[1].find((started_.dir / "missing").string()),
            std::string::npos);
  EXPECT_FALSE(fs::exists(started_.dir / "missing"));
}

TEST_F(GraphViewTest, PrintingGivesOnePageWithTheTitleAndTheLegend) {
  const fs::path pdf = started_.dir / "printed.pdf";
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf.string()));
  printer.setPageOrientation(QPageLayout::Landscape);
  ASSERT_TRUE(view_.PrintOn(printer));
  QProcess info;
  info.start("pdfinfo", {QString::fromStdString(pdf.string())});
  ASSERT_TRUE(info.waitForFinished(30000));
  const QString pages = QString::fromUtf8(info.readAllStandardOutput());
  EXPECT_TRUE(pages.contains(QRegularExpression("Pages:\\s+1\\n"))) << pages.toStdString();
  QProcess text;
  text.start("pdftotext", {QString::fromStdString(pdf.string()), "-"});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QString words = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(words.contains("Orvantis Graph")) << words.toStdString();
  EXPECT_TRUE(words.contains(QString::fromStdString(view_.model().TagName(13))));
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// The default engine with a longer stroke and a longer rod, written by the engine file writer,
// set as the reference of the default engine.
class GraphReferenceTest : public GraphViewTest {
 protected:
  GraphReferenceTest() {
    EngineDocument& doc = app().document();
    EXPECT_TRUE(doc.WriteEngineFile(current_));
    doc.TypeIntoBox(kInStroke, "3.750");
    doc.TypeIntoBox(kInRodLen, "6.200");
    EXPECT_TRUE(doc.WriteEngineFile(reference_));
    EXPECT_TRUE(app().OpenEngine(current_));
    view_.Refresh(AllAreas());
  }

  // Sets or clears the reference and refreshes the view as the window does, through the
  // change counters.
  void SetReference(bool on) {
    const Revisions seen = app().revisions();
    if (on) {
      ASSERT_TRUE(app().SetReference(reference_));
    } else {
      app().ClearReference();
    }
    view_.Refresh(ChangesBetween(seen, app().revisions()));
  }

  // The row of a tag, with its part.
  std::pair<CurveListModel*, int> RowOf(int tag) {
    for (int part = 0; part < 2; ++part) {
      CurveListModel& list = ListModel(part);
      for (int row = 0; row < list.rowCount(); ++row) {
        if (list.TagAt(row) == tag) return {&list, row};
      }
    }
    return {nullptr, -1};
  }

  std::string current_ = (started_.dir / "current.OV").string();
  std::string reference_ = (started_.dir / "reference.OV").string();
};

std::vector<std::pair<double, double>> PointsOf(const QCPGraph& graph) {
  std::vector<std::pair<double, double>> points;
  for (auto it = graph.data()->constBegin(); it != graph.data()->constEnd(); ++it) {
    points.emplace_back(it->key, it->value);
  }
  return points;
}

TEST_F(GraphReferenceTest, TheReferenceCurvesAreThoseOfThatEngineOpenedAlone) {
  SetReference(true);
  // The reference engine opened alone in a program of its own, read by a graph model with the
  // same graph settings.
  test::AppFixture alone{test::AppFixture::Start::kStartedUp,
                         test::FakePrompter(Prompter::Answer::No)};
  ASSERT_TRUE(alone.app.OpenEngine(reference_));
  GraphModel model(alone.app.document().engine(), app().EditSettings(), app().strings());
  const std::vector<CurvePoints> curves = model.ShownCurves(GraphCanvas::kPointStep);
  ASSERT_EQ(curves.size(), std::size_t{kCurveTagCount});
  for (const CurvePoints& curve : curves) {
    const QCPGraph* drawn = Canvas().ReferenceCurveGraph(curve.tag);
    ASSERT_NE(drawn, nullptr) << curve.tag;
    std::vector<std::pair<double, double>> expected;
    for (std::size_t i = 0; i < curve.x.size(); ++i) {
      if (CurveDrawnAt(curve.tag, curve.x[i])) expected.emplace_back(curve.x[i], curve.y[i]);
    }
    EXPECT_EQ(PointsOf(*drawn), expected) << curve.tag;
    // Dashed, in the colour and on the axis of the current engine's curve of the tag.
    const QCPGraph* current = Canvas().CurveGraph(curve.tag);
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(drawn->pen().style(), Qt::DashLine);
    EXPECT_EQ(current->pen().style(), Qt::SolidLine);
    EXPECT_EQ(drawn->pen().color(), current->pen().color());
    EXPECT_EQ(drawn->valueAxis(), current->valueAxis());
  }
  // The stroke differs, so the piston position does: the two curves are not the same.
  EXPECT_NE(PointsOf(*Canvas().ReferenceCurveGraph(1)), PointsOf(*Canvas().CurveGraph(1)));

  // Metric units: the reference follows.
  app().SetUnitSystem(UnitMode::Metric);
  view_.Refresh(AllAreas());
  const CurvePoints metric = model.Curve(1, GraphCanvas::kPointStep);
  EXPECT_EQ(PointsOf(*Canvas().ReferenceCurveGraph(1)).front(),
            std::make_pair(metric.x.front(), metric.y.front()));
}

TEST_F(GraphReferenceTest, ClearingTheReferenceGivesBackTheFormerPlottables) {
  const int before = Canvas().plottableCount();
  std::vector<std::vector<std::pair<double, double>>> curves;
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    curves.push_back(PointsOf(*Canvas().CurveGraph(tag)));
    EXPECT_EQ(Canvas().ReferenceCurveGraph(tag), nullptr);
  }
  EXPECT_TRUE(List(0).horizontalHeader()->isSectionHidden(CurveListModel::kReference));
  SetReference(true);
  EXPECT_EQ(Canvas().plottableCount(), 2 * before);
  EXPECT_FALSE(List(0).horizontalHeader()->isSectionHidden(CurveListModel::kReference));
  EXPECT_FALSE(List(1).horizontalHeader()->isSectionHidden(CurveListModel::kDifference));
  // A curve hidden while the reference is set goes from both engines.
  view_.SetTagShown(3, false);
  EXPECT_EQ(Canvas().CurveGraph(3), nullptr);
  EXPECT_EQ(Canvas().ReferenceCurveGraph(3), nullptr);
  view_.SetTagShown(3, true);
  SetReference(false);
  EXPECT_EQ(Canvas().plottableCount(), before);
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    EXPECT_EQ(Canvas().ReferenceCurveGraph(tag), nullptr);
    EXPECT_EQ(PointsOf(*Canvas().CurveGraph(tag)), curves[std::size_t(tag - 1)]) << tag;
  }
  for (int part = 0; part < 2; ++part) {
    QHeaderView* header = List(part).horizontalHeader();
    EXPECT_TRUE(header->isSectionHidden(CurveListModel::kReference));
    EXPECT_TRUE(header->isSectionHidden(CurveListModel::kDifference));
  }
}

TEST_F(GraphReferenceTest, TheListShowsTheReferenceAndTheDifferenceAtLineThree) {
  SetReference(true);
  view_.MoveCursorLines({54, 108, -90, 216});
  const std::vector<double> current = CurvesAt(-90);
  const std::vector<double> reference = CurvesAt(-90, reference_);
  ASSERT_EQ(current.size(), 13u);
  ASSERT_EQ(reference.size(), 13u);
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    const auto [list, row] = RowOf(tag);
    ASSERT_NE(list, nullptr);
    const double unit = std::pow(10.0, -kEnglishDecimals[tag - 1]);
    bool number = false;
    const double shown = list->ReferenceText(row).toDouble(&number);
    ASSERT_TRUE(number) << tag << " " << list->ReferenceText(row).toStdString();
    EXPECT_NEAR(shown, reference[std::size_t(tag - 1)], 0.5 * unit * 1.000001) << tag;
    const double difference = list->DifferenceText(row).toDouble(&number);
    ASSERT_TRUE(number) << tag;
    EXPECT_NEAR(difference, current[std::size_t(tag - 1)] - reference[std::size_t(tag - 1)],
                0.5 * unit * 1.000001)
        << tag;
    // The texts the model's index gives are the same.
    EXPECT_EQ(list->data(list->index(row, CurveListModel::kDifference)).toString(),
              list->DifferenceText(row));
  }
  // The longer stroke moves the piston: at -90 (270) the piston position differs.
  EXPECT_NE(current[0], reference[0]);
  // From top dead centre on the torque factor has no difference to show.
  view_.MoveCursorLines({54, 108, 90, 216});
  const auto [list, row] = RowOf(6);
  EXPECT_EQ(list->ReferenceText(row), "300.00");
  EXPECT_EQ(list->DifferenceText(row), "");
  // Difference mode with lines 3 and 4 together: every difference is zero.
  view_.MoveCursorLines({54, 108, -135.5f, -135.5f});
  test::Find<QCheckBox>(view_, "chkDifference")->setChecked(true);
  for (int tag = 1; tag <= kCurveTagCount; ++tag) {
    const auto [part, at] = RowOf(tag);
    EXPECT_EQ(part->ReferenceText(at).toDouble(), 0.0) << tag;
    EXPECT_EQ(part->DifferenceText(at).toDouble(), 0.0) << tag;
  }
}

// A configuration written before the comparison columns existed holds four columns; it still
// orders them, and the comparison columns follow them and are never stored.
TEST_F(GraphReferenceTest, StoredColumnOrderAndWidthsKeepTheirFourColumns) {
  Settings& s = app().EditSettings();
  s.curveListColumns = {2, 3, 4, 1};
  s.curveListWidths = {1000, 800, 1200, 1600};
  SetReference(true);
  view_.Refresh(AllAreas());
  for (int part = 0; part < 2; ++part) {
    QHeaderView* header = List(part).horizontalHeader();
    EXPECT_EQ(header->visualIndex(CurveListModel::kColour), 0);
    EXPECT_EQ(header->visualIndex(CurveListModel::kUnit), 1);
    EXPECT_EQ(header->visualIndex(CurveListModel::kValue), 2);
    EXPECT_EQ(header->visualIndex(CurveListModel::kName), 3);
    EXPECT_EQ(header->visualIndex(CurveListModel::kReference), 4);
    EXPECT_EQ(header->visualIndex(CurveListModel::kDifference), 5);
  }
  // Moving a comparison column to the front stores only the four columns, in their order,
  // and the comparison column goes back behind them.
  QHeaderView* header = List(0).horizontalHeader();
  header->moveSection(header->visualIndex(CurveListModel::kDifference), 0);
  EXPECT_EQ(app().settings().curveListColumns, (std::array<std::int16_t, 4>{2, 3, 4, 1}));
  EXPECT_EQ(header->visualIndex(CurveListModel::kDifference), 5);
  // Moving a stored column keeps working with the comparison columns shown.
  header->moveSection(header->visualIndex(CurveListModel::kName), 0);
  EXPECT_EQ(app().settings().curveListColumns, (std::array<std::int16_t, 4>{1, 2, 3, 4}));
  const double dpi = List(0).logicalDpiX();
  header->resizeSection(CurveListModel::kReference, 150);
  header->resizeSection(CurveListModel::kUnit, 96);
  EXPECT_EQ(app().settings().curveListWidths[2], std::lround(96.0 * 1440 / dpi));
}

TEST_F(GraphReferenceTest, APictureOfTheGraphWithAReference) {
  SetReference(true);
  view_.MoveCursorLines({54, 108, -90, 216});
  QApplication::processEvents();
  const QPixmap picture = view_.grab();
  if (const char* out = std::getenv("ORVANTIS_VIEW_PICTURES")) {
    picture.save(QDir(out).filePath(QStringLiteral("graph_reference.png")));
  }
  // The comparison columns are wide enough for their heads and texts.
  for (int part = 0; part < 2; ++part) {
    QTableView& list = List(part);
    for (int column : {CurveListModel::kReference, CurveListModel::kDifference}) {
      const QString head = list.model()->headerData(column, Qt::Horizontal).toString();
      EXPECT_GE(list.horizontalHeader()->sectionSize(column),
                list.fontMetrics().horizontalAdvance(head))
          << head.toStdString();
    }
  }
}

}  // namespace
}  // namespace orv
