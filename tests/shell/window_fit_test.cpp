// The window on a laptop's screen: at 1366 by 768 and at 1280 by 720, every view (both stages,
// with and without a reference engine) shows each of its controls whole inside the window, with
// nothing behind a scroll bar; the window's size, place and maximised state come back on the
// next start. The same tests run again at twice the scale (a ctest entry of its own).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/application.h"
#include "app_fixture.h"
#include "files/user_store.h"
#include "find_widget.h"
#include "shell/balance_chart.h"
#include "shell/engine_view.h"
#include "shell/input_panel_view.h"
#include "shell/input_widgets.h"
#include "shell/main_window.h"
#include "shell/output_panel_view.h"
#include "shell/sources_box.h"
#include "shell/window_options.h"
#include "shell/window_start.h"
#include "support/cli_runner.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// A laptop's screen less what the desktop keeps of it: a panel and the window's title bar.
struct Screen {
  int width;
  int height;
};
constexpr Screen kScreens[] = {{1366, 768}, {1280, 720}};
constexpr int kDesktopRows = 56;

std::string Name(const QWidget* w) {
  std::string name = w->metaObject()->className();
  // Appended piece by piece: GCC 12 at -O3 reports a false overflow for a literal added to a
  // temporary string.
  if (!w->objectName().isEmpty()) name.append(" ").append(w->objectName().toStdString());
  if (const auto* label = qobject_cast<const QLabel*>(w))
    name.append(" \"").append(label->text().toStdString()).append("\"");
  if (const auto* button = qobject_cast<const QAbstractButton*>(w))
    name.append(" \"").append(button->text().toStdString()).append("\"");
  return name;
}

// Why `w` is not seen whole in its window: outside the window, cut by a parent or behind the
// edge of a scroll area's viewport; empty when it is seen whole.
std::string Hidden(const QWidget* w) {
  if (!w->isVisible()) return Name(w) + " is hidden";
  const QWidget* window = w->window();
  const QRect inWindow(w->mapTo(window, QPoint(0, 0)), w->size());
  if (!window->rect().contains(inWindow)) {
    return Name(w) + " lies outside the window";
  }
  for (const QWidget* parent = w->parentWidget(); parent != nullptr && parent != window;
       parent = parent->parentWidget()) {
    const QRect inParent(w->mapTo(parent, QPoint(0, 0)), w->size());
    if (!parent->rect().contains(inParent)) {
      return Name(w) + " is cut by " + Name(parent);
    }
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(parent)) {
      const QWidget* viewport = area->viewport();
      const QRect inViewport(w->mapTo(viewport, QPoint(0, 0)), w->size());
      if (!viewport->rect().contains(inViewport)) return Name(w) + " is behind a scroll bar";
    }
  }
  return {};
}

// Whether a text of `w` is cut short: a label or button narrower than its text needs.
std::string CutShort(const QWidget* w) {
  if (const auto* label = qobject_cast<const QLabel*>(w)) {
    if (label->wordWrap() || label->text().isEmpty() || label->pixmap().isNull() == false)
      return {};
    if (label->width() < label->sizeHint().width()) return Name(w) + " is cut short";
  } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
    if (!button->text().isEmpty() && button->width() < button->minimumSizeHint().width())
      return Name(w) + " is cut short";
  }
  return {};
}

// The controls a user works with inside `root`: labels, buttons, boxes and lists, leaving out
// the insides of lists and text boxes (which scroll by their nature).
std::vector<QWidget*> Controls(QWidget* root) {
  std::vector<QWidget*> found;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisible()) continue;
    bool inside = false;
    for (QWidget* p = w->parentWidget(); p != nullptr && p != root; p = p->parentWidget()) {
      if (qobject_cast<QAbstractScrollArea*>(p) != nullptr || qobject_cast<QComboBox*>(p)) {
        inside = true;
      }
    }
    if (inside) continue;
    if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
        qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QGroupBox*>(w) ||
        qobject_cast<QAbstractScrollArea*>(w)) {
      found.push_back(w);
    }
  }
  return found;
}

class WindowFitTest : public ::testing::Test {
 protected:
  WindowFitTest() = default;
  ~WindowFitTest() override { window_.reset(); }

  fs::path StorePath() const { return fixture_.StorePath(); }

  MainWindow& Start(bool show = false) {
    window_ = fixture_.StartWindow(show);
    return *window_;
  }

  void Settle() {
    // The layouts settle level by level, one pass of the event loop each.
    for (int pass = 0; pass < 10; ++pass) QCoreApplication::processEvents();
  }

  EngineView* engine() const {
    return static_cast<EngineView*>(window_->view(MainWindow::kEngineView));
  }

  // Every control of the view shown, whole and with its text whole, and the view needing no
  // scrolling.
  void ExpectAllSeen(const std::string& where) {
    Settle();
    QWidget* view = window_->view(window_->currentView());
    QWidget* viewport = view->parentWidget();
    EXPECT_LE(view->minimumSizeHint().width(), viewport->width()) << where;
    EXPECT_LE(view->minimumSizeHint().height(), viewport->height()) << where;
    int seen = 0;
    for (QWidget* w : Controls(view)) {
      const std::string hidden = Hidden(w);
      EXPECT_EQ(hidden, "") << where;
      const std::string cut = CutShort(w);
      EXPECT_EQ(cut, "") << where;
      ++seen;
    }
    EXPECT_GT(seen, 0) << where;
    const std::string instruction =
        Hidden(window_->findChild<QWidget*>(QStringLiteral("txtInstruct")));
    EXPECT_EQ(instruction, "") << where;
  }

  // The named controls of the inputs view, each seen whole.
  void ExpectNamedSeen(const std::string& where, int page) {
    Settle();
    std::vector<QWidget*> named;
    for (const char* name : {"approveAll", "edit_0", "edit_1", "edit_2", "edit_3", "sourcesBox"})
      named.push_back(window_->findChild<QWidget*>(QString::fromLatin1(name)));
    named.push_back(window_->findChild<QWidget*>(QStringLiteral("calculate_%1").arg(page)));
    // The cams' settings: centerlines, rocker ratios and lashes.
    for (int n : {29, 30, 31, 33, 34, 35}) named.push_back(engine()->box(n));
    // The output column's frames of the page shown.
    for (QGroupBox* frame : engine()->outputPanel()->findChildren<QGroupBox*>())
      if (frame->isVisible()) named.push_back(frame);
    if (page == 0) named.push_back(engine()->outputPanel()->chart());
    for (QWidget* w : named) {
      ASSERT_NE(w, nullptr) << where;
      EXPECT_EQ(Hidden(w), "") << where;
    }
  }

  // Every view at each laptop size, with or without a reference engine.
  void ExpectFit(bool withReference);

  test::AppFixture fixture_{test::AppFixture::Start::kWindow, test::FakePrompter::Strict()};
  test::TempDir& dir_ = fixture_.dir;
  test::FakePrompter& prompter_ = fixture_.prompter;
  Application& app_ = fixture_.app;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(WindowFitTest, EveryViewFitsALaptopScreenWithoutScrolling) { ExpectFit(false); }

// With a reference engine the reference's values leave their column for the differences'
// tooltips where the screen is too narrow for it.
TEST_F(WindowFitTest, EveryViewWithAReferenceFitsALaptopScreenWithoutScrolling) { ExpectFit(true); }

// A first start opens a window the views fit in: on a laptop's screen (the test run with a
// 1366x768 screen) without scrolling, on a smaller screen maximised.
TEST_F(WindowFitTest, AFirstStartOpensAWindowTheViewsFitIn) {
  Start(/*show=*/true);
  Settle();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  QWidget* view = window_->view(MainWindow::kEngineView);
  if (screen.width() >= 1280 && screen.height() >= 720) {
    EXPECT_TRUE(screen.contains(window_->geometry()));
    EXPECT_LE(view->minimumSizeHint().width(), view->parentWidget()->width());
    EXPECT_LE(view->minimumSizeHint().height(), view->parentWidget()->height());
  } else {
    EXPECT_TRUE(window_->isMaximized());
  }
}

// The reference's column stands beside the values on a wide screen, gives way to the
// differences' tooltips on a narrow one, and comes back when the window is widened again.
TEST_F(WindowFitTest, TheReferenceColumnGivesWayOnANarrowScreenAndComesBack) {
  Start();
  const std::string reference = (dir_ / "Reference.OV").string();
  ASSERT_EQ(test::RunCli({"dump", "--set", "Bore=4.125", "--save", reference}).status, 0);
  ASSERT_TRUE(app_.SetReference(reference));
  OutputPanelView* outputs = engine()->outputPanel();
  for (const int width : {1920, 1280, 1920}) {
    window_->setWindowState(Qt::WindowNoState);
    window_->resize(width, 720 - kDesktopRows);
    window_->show();
    window_->RefreshFromCore();
    Settle();
    const bool wide = width > 1600;
    EXPECT_EQ(outputs->referenceColumnShown(), wide) << width;
    EXPECT_EQ(outputs->referenceLabel(0)->isVisible(), wide) << width;
    EXPECT_EQ(test::Find<QLabel>(outputs, "referenceCaption")->isVisible(), wide) << width;
    EXPECT_TRUE(outputs->differenceLabel(0)->isVisible()) << width;
    // The displacement: 355.1 cubic inches here, 372.1 in the reference.
    EXPECT_EQ(outputs->referenceLabel(0)->text().toStdString(), "372.1");
    EXPECT_EQ(outputs->differenceLabel(0)->toolTip().toStdString(),
              wide
                  ? std::string()
                  : std::string("Reference.OV: 372.1 (the difference is current \u2212 reference)"))
        << width;
    QWidget* view = window_->view(MainWindow::kEngineView);
    EXPECT_LE(view->minimumSizeHint().width(), view->parentWidget()->width()) << width;
  }
}

void WindowFitTest::ExpectFit(bool withReference) {
  Start();
  const std::string reference = (dir_ / "Reference.OV").string();
  ASSERT_EQ(test::RunCli({"dump", "--set", "Bore=4.125", "--save", reference}).status, 0);
  for (const Screen screen : kScreens) {
    // The test platform's screen is smaller: the window is given the laptop's free area.
    window_->setWindowState(Qt::WindowNoState);
    window_->resize(screen.width, screen.height - kDesktopRows);
    window_->show();
    for (const bool compared : {withReference}) {
      if (compared) {
        ASSERT_TRUE(app_.SetReference(reference));
      } else {
        window_->ClearReference();
      }
      window_->RefreshFromCore();
      const std::string at = std::to_string(screen.width) + "x" + std::to_string(screen.height) +
                             (compared ? " compared" : "");
      for (int stage : {0, 1}) {
        ASSERT_TRUE(window_->ShowView(MainWindow::kEngineView));
        if (stage == 1) app_.document().ApproveAll(0);
        window_->RefreshFromCore();
        engine()->inputPanel()->stageTabs()->setCurrentIndex(stage);
        Settle();
        window_->RefreshFromCore();
        ASSERT_EQ(engine()->outputPanel()->pageShown(), stage);
        const std::string where = at + " stage " + std::to_string(stage + 1);
        ExpectNamedSeen(where, stage);
        ExpectAllSeen(where);
        if (const char* keep = std::getenv("ORVANTIS_KEEP_PICTURES")) {
          window_->grab().save(QString::fromUtf8(keep) + QLatin1Char('/') +
                               QString::fromStdString("fit_" + where + ".png").replace(' ', '_'));
        }
      }
      for (int view :
           {MainWindow::kGraphView, MainWindow::kGraphSettingsView, MainWindow::kReportView}) {
        ASSERT_TRUE(window_->ShowView(view));
        ExpectAllSeen(at + " view " + std::to_string(view));
      }
    }
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Where the window opens on a 1366 by 768 screen whose free area starts below a 24-pixel panel.
TEST(StartPlaceTest, TheStoredPlaceOrTheFirstStartsSize) {
  const QRect available(0, 24, 1366, 744);
  const QSize needs(1180, 640);
  struct Row {
    const char* rect;
    const char* maximised;
    QRect available;
    QSize needs;
    QRect expected;
    bool expectedMaximised;
  };
  const Row rows[] = {
      // First start: the share of the screen, widened to what the layout needs, centred.
      {"", "", available, needs, QRect(93, 76, 1180, 640), false},
      // The layout needs more than the screen has: maximised.
      {"", "", available, QSize(1180, 760), available, true},
      {"", "", QRect(0, 0, 1280, 690), QSize(1300, 600), QRect(0, 0, 1280, 690), true},
      // Kept places come back, maximised or not.
      {"10,40,1200,700", "0", available, needs, QRect(10, 40, 1200, 700), false},
      {"10,40,1200,700", "1", available, needs, QRect(10, 40, 1200, 700), true},
      // Kept on a larger screen: shrunk and moved into this one.
      {"300,200,1900,1000", "0", available, needs, QRect(0, 24, 1366, 744), false},
      {"600,500,1000,600", "0", available, needs, QRect(366, 168, 1000, 600), false},
      // Not usable: off the screen, too small, not numbers; the first start's place instead.
      {"3000,3000,800,600", "1", available, needs, QRect(93, 76, 1180, 640), false},
      {"10,40,150,700", "0", available, needs, QRect(93, 76, 1180, 640), false},
      {"10,40,wide,700", "0", available, needs, QRect(93, 76, 1180, 640), false},
      {"10,40,1200", "0", available, needs, QRect(93, 76, 1180, 640), false},
  };
  for (const Row& row : rows) {
    const WindowPlace place = StartPlace(row.rect, row.maximised, row.available, row.needs);
    EXPECT_EQ(place.rect, row.expected) << row.rect;
    EXPECT_EQ(place.maximised, row.expectedMaximised) << row.rect;
  }
}

TEST_F(WindowFitTest, TheWindowsPlaceAndMaximisedStateComeBackOnTheNextStart) {
  Start(true);
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect normal(available.left() + 20, available.top() + 30, available.width() - 100,
                     available.height() - 80);
  window_->setGeometry(normal);
  QCoreApplication::processEvents();
  ASSERT_TRUE(window_->close());
  EXPECT_EQ(UserStore(StorePath()).RegReadValue(kWindowPlaceValue, ""),
            QStringLiteral("%1,%2,%3,%4")
                .arg(normal.x())
                .arg(normal.y())
                .arg(normal.width())
                .arg(normal.height())
                .toStdString());
  EXPECT_EQ(UserStore(StorePath()).RegReadValue(kWindowMaximisedValue, ""), "0");
  window_.reset();

  Start(true);
  EXPECT_EQ(window_->geometry(), normal);
  EXPECT_FALSE(window_->isMaximized());
  window_->showMaximized();
  QCoreApplication::processEvents();
  ASSERT_TRUE(window_->close());
  EXPECT_EQ(UserStore(StorePath()).RegReadValue(kWindowMaximisedValue, ""), "1");
  window_.reset();

  Start(true);
  EXPECT_TRUE(window_->isMaximized());
  // Back from maximised: the kept normal place.
  window_->showNormal();
  QCoreApplication::processEvents();
  EXPECT_EQ(window_->geometry().size(), normal.size());
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// The relative luminance of a colour (sRGB), and the contrast of two colours (1 to 21).
double Luminance(const QColor& c) {
  auto channel = [](double v) {
    v /= 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}
double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour a label's text is drawn in: its style sheet's, else its palette's.
QColor TextColour(const QLabel* label) {
  const QRegularExpression rgb(QStringLiteral("rgb\\((\\d+), (\\d+), (\\d+)\\)"));
  const QRegularExpressionMatch m = rgb.match(label->styleSheet());
  if (m.hasMatch())
    return QColor(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  return label->palette().color(QPalette::WindowText);
}

// Under a dark desktop palette every text of the inputs view reads against its background, and
// the values stay blue, a smaller difference red.
TEST_F(WindowFitTest, UnderADarkPaletteEveryTextReadsAndTheColoursKeepTheirMeaning) {
  const QPalette before = QApplication::palette();
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(40, 40, 44));
  dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
  dark.setColor(QPalette::Base, QColor(28, 28, 30));
  dark.setColor(QPalette::Text, QColor(230, 230, 230));
  dark.setColor(QPalette::Button, QColor(50, 50, 54));
  dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
  QApplication::setPalette(dark);
  Start();
  const std::string smaller = (dir_ / "Smaller.OV").string();
  ASSERT_EQ(test::RunCli({"dump", "--set", "Bore=4.000", "--save", smaller}).status, 0);
  ASSERT_TRUE(app_.SetReference(smaller));
  window_->resize(1366, 712);
  window_->show();
  window_->RefreshFromCore();
  Settle();
  const QColor background = dark.color(QPalette::Window);
  int checked = 0;
  for (QLabel* label : engine()->findChildren<QLabel*>()) {
    if (!label->isVisible() || label->text().isEmpty()) continue;
    EXPECT_GE(Contrast(TextColour(label), background), 4.5)
        << Name(label) << " " << TextColour(label).name().toStdString();
    ++checked;
  }
  EXPECT_GT(checked, 40);
  // A value: blue; the displacement's difference over the smaller reference bore: green.
  const QColor value = TextColour(engine()->outputPanel()->slotLabel(0));
  EXPECT_NEAR(value.hslHue(), 240, 10);
  const QColor larger = TextColour(engine()->outputPanel()->differenceLabel(0));
  EXPECT_NEAR(larger.hslHue(), 120, 10);
  QApplication::setPalette(before);
}

}  // namespace
}  // namespace orv
