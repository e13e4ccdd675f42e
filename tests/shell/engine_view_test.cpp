// The input stages with their outputs, driven as a user drives them: typing into boxes and
// leaving them, Enter, clicks on status pictures, lists, Approve All, the Edit buttons.
#include "shell/engine_view.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>

#include "app/application.h"
#include "app_fixture.h"
#include "engine/cam_card.h"
#include "find_widget.h"
#include "shell/balance_chart.h"
#include "shell/explain_dialog.h"
#include "shell/input_panel_view.h"
#include "shell/input_widgets.h"
#include "shell/output_panel_view.h"
#include "shell/sources_box.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// A program folder with the interface texts, a fresh data root and user store, the started
// application and the view, refreshed after each command as the main window does.
class EngineViewTest : public ::testing::Test {
 protected:
  EngineViewTest() {
    EXPECT_TRUE(fixture_.started);
    // The data root the program falls back on is the test's too.
    ::setenv("ORVANTIS_DATA_ROOT", (dir_ / "data").c_str(), 1);
    view_ = std::make_unique<EngineView>(app_);
    QObject::connect(view_.get(), &View::commandDone, [this] { RefreshView(); });
    view_->resize(1200, 780);
    view_->Refresh(AllAreas());
    seen_ = app_.revisions();
    view_->show();
    view_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(view_.get()));
  }

  void RefreshView() {
    const Revisions now = app_.revisions();
    view_->Refresh(ChangesBetween(seen_, now));
    seen_ = now;
  }

  // Types `text` into box n (clearing it first) and moves the focus on to box `next`.
  void Type(int n, const QString& text, int next = kInStroke) {
    InputBox* box = view_->box(n);
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
    view_->box(next)->setFocus(Qt::TabFocusReason);
  }

  // Lets queued events run until `done` holds (at most a second).
  template <class Predicate>
  static bool WaitFor(Predicate done) {
    for (int i = 0; i < 100 && !done(); ++i) QTest::qWait(10);
    return done();
  }

  void OpenStage2() {
    QTest::mouseClick(view_->findChild<QAbstractButton*>("approveAll"), Qt::LeftButton);
    ASSERT_TRUE(view_->inputPanel()->stageTabs()->isTabEnabled(1));
    view_->inputPanel()->stageTabs()->setCurrentIndex(1);
  }

  QString Slot(int slot) const { return view_->outputPanel()->slotLabel(slot)->text(); }
  QString Box(int n) const { return view_->box(n)->text(); }
  QLabel* Find(const QString& name) const { return view_->findChild<QLabel*>(name); }
  const InputPanel& panel() const { return app_.document().controller().panel(); }
  void SwitchUnits(UnitMode mode) {
    app_.SetUnitSystem(mode);
    RefreshView();
  }

  test::AppFixture fixture_{test::AppFixture::Start::kStartedUp};
  test::TempDir& dir_ = fixture_.dir;
  test::FakePrompter& prompter_ = fixture_.prompter;
  Application& app_ = fixture_.app;
  std::unique_ptr<EngineView> view_;
  Revisions seen_;
};

TEST_F(EngineViewTest, ShowsTheDefaultEngineWithTheInterfaceTexts) {
  EXPECT_EQ(Box(kInBore), "4.030");
  EXPECT_EQ(Find("label_0")->text(), "Bore");
  EXPECT_EQ(Find("unit_0")->text(), "in");
  EXPECT_EQ(Find("label_21")->text(), "Intake CFM at 25 \" H2O");
  EXPECT_EQ(Find("unit_21")->text(), "CFM");
  EXPECT_EQ(Box(kInVE).trimmed(), "106.5");
  auto* tabs = view_->inputPanel()->stageTabs();
  EXPECT_EQ(tabs->tabText(0), "Stage 1: Engine");
  EXPECT_EQ(tabs->tabText(1), "Stage 2: Airflow and Power");
  EXPECT_EQ(view_->findChild<QComboBox*>("valveTrainList")->currentText(), "Endurance");
  EXPECT_EQ(view_->findChild<QComboBox*>("fuelList")->currentText(), "Gasoline");
  // Rpm at peak power typed: the airflow box is disabled and its label greyed (on the second
  // stage, closed until the first is approved).
  EXPECT_FALSE(view_->box(kInPkPwrRPM)->isEnabled());
  OpenStage2();
  EXPECT_TRUE(view_->findChild<QRadioButton*>("airOrRpm_1")->isChecked());
  EXPECT_FALSE(view_->box(kInIntCFM)->isEnabled());
  EXPECT_TRUE(view_->box(kInPkPwrRPM)->isEnabled());
  EXPECT_NE(Find("label_21")->palette().color(QPalette::WindowText),
            Find("label_22")->palette().color(QPalette::WindowText));
  // Output captions: 4.03 x 4.03 x pi / 4 x 3.48 x 8 = 355.1 cubic inches.
  EXPECT_EQ(Find("outUnit_0")->text(), "cu in");
  EXPECT_EQ(Slot(0).trimmed(), "355.1");
  EXPECT_EQ(Find("outUnit_1")->text(), "cc");
  // The sources: the default lobes and no flow tests name no file.
  for (int source = 0; source < 4; ++source)
    EXPECT_EQ(test::Find<QLabel>(view_->sources(), QStringLiteral("sourceCaption_%1").arg(source))
                  ->text(),
              "No file chosen")
        << source;
  EXPECT_EQ(Box(29).trimmed(), "107.90");
}

TEST_F(EngineViewTest, TypingABoreUpdatesTheOutputsAndTheSuggestions) {
  ASSERT_TRUE(Find("suggestion_8")->text().isEmpty());
  Type(kInBore, "4.125");
  EXPECT_EQ(app_.document().engine().inputs().Bore, 4.125);
  EXPECT_EQ(Box(kInBore), "4.125");
  // 4.125 x 4.125 x pi / 4 x 3.48 x 8 = 372.05 cubic inches, 6096.89 cc.
  EXPECT_EQ(Slot(0).trimmed(), "372.1");
  EXPECT_EQ(Slot(1).trimmed(), "6096.9");
  // Bore area 13.364 square inches; the bore-stroke ratio 4.125 / 3.48 = 1.185.
  EXPECT_EQ(Slot(4).trimmed(), "13.36");
  EXPECT_EQ(Slot(40).trimmed(), "1.185");
  // The pin-end weight and the airflow are suggested beside their boxes and marked for review.
  for (int n : {8, 21}) {
    const QString text = Find(QStringLiteral("suggestion_%1").arg(n))->text();
    EXPECT_TRUE(text.endsWith(" suggested")) << n << " " << text.toStdString();
    EXPECT_EQ(text.toStdString(), panel().suggestion[static_cast<std::size_t>(n)]);
  }
  EXPECT_EQ(view_->findChild<StatusButton*>("status_8")->status(), kStatusReview);
  EXPECT_EQ(view_->findChild<StatusButton*>("status_21")->status(), kStatusDisabledReview);
  EXPECT_TRUE(app_.document().changed());
  EXPECT_EQ(prompter_.beeps, 0);
}

struct BadEntry {
  const char* name;
  int box;
  const char* typed;
  const char* shown;
  int beeps;
};

class EngineViewBadEntries : public EngineViewTest,
                             public ::testing::WithParamInterface<BadEntry> {};

TEST_P(EngineViewBadEntries, AreCorrectedWithOneBeep) {
  const BadEntry& e = GetParam();
  if (e.box >= kInMxIntVel) OpenStage2();
  Type(e.box, e.typed, e.box >= kInMxIntVel ? kInCR : kInStroke);
  EXPECT_EQ(Box(e.box).trimmed(), e.shown);
  EXPECT_EQ(prompter_.beeps, e.beeps);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EngineViewBadEntries,
    ::testing::Values(BadEntry{"TextAsBore", kInBore, "abc", "0.100", 1},
                      BadEntry{"BoreBelowTheLimit", kInBore, "0.05", "0.100", 1},
                      BadEntry{"BoreAtTheLimit", kInBore, "0.1", "0.100", 0},
                      BadEntry{"FourIntakeValves", kInIVlvCnt, "4", "1", 1},
                      BadEntry{"ThreeIntakeValves", kInIVlvCnt, "3", "3", 0},
                      BadEntry{"NegativePinWeight", kInPinEndWeight, "-5", "0.0", 1},
                      BadEntry{"ExhaustTubeToTheEighth", kInExOD, "2.06", "2.000", 0},
                      BadEntry{"VolumetricEfficiency", kInVE, "120", "120.0", 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(EngineViewTest, ApproveAllOpensTheSecondStage) {
  auto* tabs = view_->inputPanel()->stageTabs();
  ASSERT_FALSE(tabs->isTabEnabled(1));
  QTest::mouseClick(view_->findChild<QAbstractButton*>("approveAll"), Qt::LeftButton);
  EXPECT_TRUE(tabs->isTabEnabled(1));
  for (int n = 0; n <= 12; ++n)
    EXPECT_EQ(view_->findChild<StatusButton*>(QStringLiteral("status_%1").arg(n))->status(),
              kStatusApproved)
        << n;
  // The second stage shows output page 1.
  tabs->setCurrentIndex(1);
  EXPECT_EQ(app_.document().controller().outputPage(), 1);
  EXPECT_EQ(view_->outputPanel()->pageShown(), 1);
  EXPECT_FALSE(Slot(30).trimmed().isEmpty());
  EXPECT_EQ(Slot(30).trimmed(), "6800");  // rpm at peak power
  // Taking an approval back closes it again and shows the first stage and page 0.
  QTest::mouseClick(view_->findChild<QAbstractButton*>("status_3"), Qt::LeftButton);
  EXPECT_FALSE(tabs->isTabEnabled(1));
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_TRUE(WaitFor([this] { return app_.document().controller().outputPage() == 0; }));
  EXPECT_EQ(view_->outputPanel()->pageShown(), 0);
}

// Tab from the last input of the stage shown goes to Approve All, the step after typing them.
TEST_F(EngineViewTest, ApproveAllFollowsTheLastInputOfTheStageInTheTabOrder) {
  auto* approveAll = view_->findChild<QAbstractButton*>("approveAll");
  for (const int last : {kInEVlvCnt, kInBowlA}) {
    if (last == kInBowlA) OpenStage2();
    view_->box(last)->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(WaitFor([&] { return QApplication::focusWidget() == view_->box(last); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(WaitFor([&] { return QApplication::focusWidget() == approveAll; })) << last;
    QTest::keyClick(approveAll, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(WaitFor([&] { return QApplication::focusWidget() == view_->box(last); })) << last;
  }
}

TEST_F(EngineViewTest, StatusPicturesToggleOnClick) {
  // A normal input goes 0 -> 2 -> 0.
  auto* bore = view_->findChild<StatusButton*>("status_0");
  auto* airflow = view_->findChild<StatusButton*>("status_21");
  ASSERT_EQ(bore->status(), kStatusNotApproved);
  QTest::mouseClick(bore, Qt::LeftButton);
  EXPECT_EQ(bore->status(), kStatusApproved);
  QTest::mouseClick(bore, Qt::LeftButton);
  EXPECT_EQ(bore->status(), kStatusNotApproved);
  // The airflow follows from the typed rpm: its label is greyed, and a click approves it with
  // the disabled-colour state 5.
  OpenStage2();
  ASSERT_NE(airflow->status(), kStatusApproved);
  QTest::mouseClick(airflow, Qt::LeftButton);
  EXPECT_EQ(airflow->status(), kStatusDisabledApproved);
  EXPECT_EQ(airflow->property("statusCode").toInt(), kStatusDisabledApproved);
  // Each state has its own picture.
  for (int a = 0; a <= 5; ++a)
    for (int b = a + 1; b <= 5; ++b)
      EXPECT_NE(StatusPicture(a).toImage(), StatusPicture(b).toImage()) << a << " " << b;
}

TEST_F(EngineViewTest, MetricShowsAFourInchBoreAs101Point6) {
  Type(kInBore, "4");
  SwitchUnits(UnitMode::Metric);
  EXPECT_EQ(Box(kInBore).trimmed(), "101.6");
  EXPECT_EQ(Find("unit_0")->text(), "mm");
  EXPECT_EQ(Find("unit_31")->text(), "mm");  // the intake lash beside its cam
  EXPECT_EQ(Find("outUnit_0")->text(), "cc");
  // 4 x 4 x pi / 4 x 3.48 x 8 = 349.85 cubic inches = 5733 cc (one more width, no decimal).
  EXPECT_EQ(Slot(0).trimmed(), "5733");
  // Typing in millimetres stores inches.
  Type(kInBore, "127");
  EXPECT_DOUBLE_EQ(app_.document().engine().inputs().Bore, 5.0);
  EXPECT_EQ(Box(kInBore).trimmed(), "127.0");
  SwitchUnits(UnitMode::MetricM3);
  EXPECT_EQ(Find("unit_21")->text(), QString::fromUtf8("m³/min"));
}

TEST_F(EngineViewTest, EnterInTheBalanceFactorChangesOnlyTheBalanceSlots) {
  const OutputPanel before = app_.document().controller().outputs();
  InputBox* box = view_->box(kInRecipBF);
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClicks(box, "60");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(app_.document().engine().inputs().RecipBF, 60.0f);
  // Each listed difference is the typed factor minus the turning value beside it.
  bool listed = false;
  for (int k = 0; k < 8; k += 2) {
    const QString value = Slot(90 + k), difference = Slot(70 + k);
    if (value.isEmpty()) continue;
    listed = true;
    const double v = value.section(' ', 0, 0, QString::SectionSkipEmpty).toDouble();
    const double d = difference.section(' ', 0, 0, QString::SectionSkipEmpty).toDouble();
    EXPECT_NEAR(d, 60 - v, 0.0101) << k;
  }
  EXPECT_TRUE(listed);
  EXPECT_NE(Slot(70).toStdString(), before.page0.at(70));
  EXPECT_DOUBLE_EQ(view_->outputPanel()->chart()->recipLine(), 60.0);
  // Nothing was recalculated: the geometry and the recommended balance factor stand.
  for (int slot : {0, 2, 4, 9, 21, 22, 23, 24, 25, 46, 50, 90})
    EXPECT_EQ(Slot(slot).toStdString(), before.page0.at(slot)) << slot;
  // Leaving the box afterwards takes the same value: no further change.
  const Revisions afterEnter = app_.revisions();
  view_->box(kInBore)->setFocus();
  EXPECT_EQ(app_.revisions().outputs, afterEnter.outputs);
}

TEST_F(EngineViewTest, EnterTakesTheValueAndWithEnterAsTabMovesOn) {
  InputBox* box = view_->box(kInStroke);
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  QTest::keyClicks(box, "3.75");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(app_.document().engine().inputs().Stroke, 3.75);
  EXPECT_TRUE(box->hasFocus());
  app_.EditSettings().enterAsTab = true;
  RefreshView();
  box->selectAll();
  QTest::keyClicks(box, "x");  // no number: read as 0, which becomes 0.1
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_FALSE(box->hasFocus());
  EXPECT_EQ(Box(kInStroke), "0.100");
  EXPECT_EQ(prompter_.beeps, 1);
}

TEST_F(EngineViewTest, AnEditInProgressSurvivesARefresh) {
  InputBox* box = view_->box(kInCylinders);
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, "6");
  QTest::mouseClick(view_->findChild<QAbstractButton*>("status_5"), Qt::LeftButton);
  EXPECT_EQ(Box(kInCylinders), "6");
  EXPECT_EQ(app_.document().engine().inputs().Cylinders, 8);
  view_->box(kInBore)->setFocus();
  EXPECT_EQ(app_.document().engine().inputs().Cylinders, 6);
}

TEST_F(EngineViewTest, TheOptionPairSwapsTheTypedBox) {
  OpenStage2();
  QTest::mouseClick(view_->findChild<QRadioButton*>("airOrRpm_0"), Qt::LeftButton);
  EXPECT_EQ(app_.document().engine().inputs().EnterAirPP, 0);
  EXPECT_TRUE(view_->box(kInIntCFM)->isEnabled());
  EXPECT_FALSE(view_->box(kInPkPwrRPM)->isEnabled());
  EXPECT_TRUE(panel().disabledColour[kInPkPwrRPM]);
  EXPECT_NE(Find("label_21")->palette().color(QPalette::WindowText),
            Find("label_22")->palette().color(QPalette::WindowText));
}

TEST_F(EngineViewTest, DieselTurnsTheAdvanceIntoTheLeadTime) {
  OpenStage2();
  auto* fuel = view_->findChild<QComboBox*>("fuelList");
  QSignalSpy help(view_.get(), &View::helpTextChanged);
  fuel->setFocus();
  ASSERT_FALSE(help.isEmpty());
  EXPECT_EQ(help.last().at(0).toString().toStdString(), app_.strings().Help(18));
  QTest::keyClick(fuel, Qt::Key_End);  // the last item: Diesel
  EXPECT_EQ(app_.document().engine().inputs().Fuel, kFuelDiesel);
  EXPECT_EQ(Find("label_24")->text(), "Injection Lead Time (ms)");
  EXPECT_EQ(Find("unit_24")->text(), "ms");
  view_->box(kInAdvance)->setFocus();
  EXPECT_EQ(help.last().at(0).toString().toStdString(), app_.strings().Help(68));
}

TEST_F(EngineViewTest, TheFocusedControlShowsItsHelp) {
  QSignalSpy help(view_.get(), &View::helpTextChanged);
  view_->box(kInBore)->setFocus();
  ASSERT_FALSE(help.isEmpty());
  EXPECT_TRUE(help.last().at(0).toString().startsWith("Bore:"));
  OpenStage2();
  const std::pair<const char*, int> rows[] = {
      {"edit_0", 28},     {"edit_1", 32},      {"edit_2", 36},    {"edit_3", 37},
      {"approveAll", -1}, {"calculate_0", -1}, {"airOrRpm_0", 67}};
  // Approve All and Calculate ask for the general help text in every view's box.
  QSignalSpy general(view_.get(), &View::generalHelpWanted);
  for (auto [name, text] : rows) {
    auto* widget = view_->findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr) << name;
    const qsizetype asked = general.count();
    widget->setFocus();
    if (text == -1) {
      EXPECT_EQ(general.count(), asked + 1) << name;
    } else {
      EXPECT_EQ(help.last().at(0).toString().toStdString(), app_.strings().Help(text)) << name;
    }
  }
  view_->box(33)->setFocus();
  EXPECT_EQ(help.last().at(0).toString().toStdString(), app_.strings().Help(33));
}

TEST_F(EngineViewTest, EditButtonsAskForTheirSource) {
  QSignalSpy asked(view_.get(), &EngineView::editSourceRequested);
  for (int source = 0; source < 4; ++source) {
    QTest::mouseClick(view_->findChild<QAbstractButton*>(QStringLiteral("edit_%1").arg(source)),
                      Qt::LeftButton);
  }
  ASSERT_EQ(asked.size(), 4);
  for (int source = 0; source < 4; ++source) EXPECT_EQ(asked.at(source).at(0).toInt(), source);
}

TEST_F(EngineViewTest, ASourceChangeRedrawsItsCaption) {
  app_.document().UseKeyboardFlowTest(true, FlowTest{});
  RefreshView();
  EXPECT_EQ(test::Find<QLabel>(view_->sources(), "sourceCaption_2")->text(), "Keyboard Entered");
  EXPECT_EQ(test::Find<QLabel>(view_->sources(), "sourceCaption_3")->text(), "No file chosen");
}

struct MarkRow {
  const char* name;
  const char* firingAngle;
  std::vector<std::pair<double, QString>> marks;
};

class EngineViewChartMarks : public EngineViewTest,
                             public ::testing::WithParamInterface<MarkRow> {};

TEST_P(EngineViewChartMarks, MarkTheDeadCentresOfEachBank) {
  Type(kInFiringAngle, GetParam().firingAngle);
  const BalanceChartView* chart = view_->outputPanel()->chart();
  EXPECT_EQ(chart->curvePoints(), 361);
  const auto& marks = chart->marks();
  ASSERT_EQ(marks.size(), GetParam().marks.size());
  for (std::size_t i = 0; i < marks.size(); ++i) {
    EXPECT_NEAR(marks[i].first, GetParam().marks[i].first, 1e-6) << i;
    EXPECT_EQ(marks[i].second, GetParam().marks[i].second) << i;
  }
  EXPECT_DOUBLE_EQ(chart->recipLine(), static_cast<double>(55.1f));
}

// No pin offset: BDC lies half a turn after TDC; a second bank is shifted by the firing angle.
INSTANTIATE_TEST_SUITE_P(
    Rows, EngineViewChartMarks,
    ::testing::Values(
        MarkRow{"OneBank", "0", {{0, "TDC"}, {180, "BDC"}}},
        MarkRow{"TwoBanksAt90", "90", {{0, "TDC1"}, {90, "TDC2"}, {180, "BDC1"}, {270, "BDC2"}}},
        MarkRow{"TwoBanksAt180", "180", {{0, "TDC1/BDC2"}, {180, "TDC2/BDC1"}}}),
    [](const auto& row) { return std::string(row.param.name); });

// At any size, the balance factor's words stay clear of the dead-centre labels at the top and
// the curve below them, wherever the typed factor lies.
TEST(BalanceChartLayout, TheWordsNeverCoverTheLabelsAtTheTop) {
  BalanceChart chart;
  for (int d = 0; d <= 360; ++d)
    chart.curve.push_back(50 + 10 * std::sin(d * std::numbers::pi / 90));
  chart.marks = {{0, "TDC1"}, {90, "TDC2"}, {180, "BDC1"}, {270, "BDC2"}};
  for (const double factor : {45.0, 55.0, 60.0, 75.0}) {
    chart.recipBF = factor;
    for (const QSize size : {QSize(310, 110), QSize(300, 200), QSize(600, 400)}) {
      BalanceChartView view;
      view.resize(size);
      view.Show(chart);
      view.show();
      QApplication::processEvents();
      std::vector<QRectF> labels;
      QRectF words;
      for (int i = 0; i < view.itemCount(); ++i) {
        auto* text = qobject_cast<QCPItemText*>(view.item(i));
        if (text == nullptr) continue;
        const QRectF box(text->topLeft->pixelPosition(), text->bottomRight->pixelPosition());
        if (text->text().contains(QStringLiteral("BALANCE"))) {
          words = box;
        } else if (text->text().contains(QStringLiteral("DC"))) {
          labels.push_back(box);
        }
      }
      ASSERT_EQ(labels.size(), 4u);
      ASSERT_FALSE(words.isEmpty());
      EXPECT_GE(words.top(), view.axisRect()->top()) << factor << " " << size.height();
      for (const QRectF& label : labels)
        EXPECT_FALSE(words.intersects(label)) << factor << " " << size.height();
    }
  }
}

// No label is cut off at the window's size in any unit system, on either stage.
TEST_F(EngineViewTest, NoLabelIsCutOff) {
  QTest::mouseClick(view_->findChild<QAbstractButton*>("approveAll"), Qt::LeftButton);
  const char* out = std::getenv("ORVANTIS_VIEW_PICTURES");
  for (UnitMode mode : {UnitMode::English, UnitMode::Metric, UnitMode::MetricM3}) {
    SwitchUnits(mode);
    for (int stage = 0; stage < 2; ++stage) {
      view_->inputPanel()->stageTabs()->setCurrentIndex(stage);
      QApplication::processEvents();
      const QPixmap picture = view_->grab();
      if (out) {
        picture.save(QDir(out).filePath(
            QStringLiteral("engine_view_%1_%2.png").arg(static_cast<int>(mode)).arg(stage)));
      }
      for (QLabel* label : view_->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(view_.get()) || label->text().isEmpty()) continue;
        if (label->wordWrap()) continue;
        if (label->objectName().startsWith("sourceCaption")) continue;  // paths are elided
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
            << static_cast<int>(mode) << " " << stage << " " << label->objectName().toStdString()
            << " '" << label->text().toStdString() << "'";
      }
    }
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST_F(EngineViewTest, CamCaptionsShowTheCardOnHover) {
  const auto card = [this] {
    return EngineCamCards(app_.document().engine(), {0.006, 0.050, 0.200});
  };
  EngineCamCard c = card();
  const QString intake = view_->sources()->cardLine(0);
  EXPECT_EQ(intake, QStringLiteral("Lift %1 in at %2 deg, duration %3 deg at 0.050 in, "
                                   "centerline %4 deg")
                        .arg(QString::number(c.intake->maxLift, 'f', 4),
                             QString::number(c.intake->maxLiftAngle, 'f', 1),
                             QString::number(*c.intake->checks[1].duration, 'f', 1),
                             QString::number(*c.intake->centerline, 'f', 1)));
  const QString tip = test::Find<QLabel>(view_->sources(), "sourceCaption_0")->toolTip();
  EXPECT_TRUE(tip.contains("No file chosen"));
  EXPECT_TRUE(tip.contains(intake));
  EXPECT_TRUE(tip.contains("Lobe separation"));
  EXPECT_TRUE(test::Find<QLabel>(view_->sources(), "sourceCaption_1")
                  ->toolTip()
                  .contains(view_->sources()->cardLine(1)));
  // The line is shown under the cams without hovering, the whole card on hover over it.
  for (int side = 0; side < 2; ++side) {
    const QLabel* line =
        test::Find<QLabel>(view_->sources(), QStringLiteral("cardLine_%1").arg(side));
    EXPECT_TRUE(line->isVisible()) << side;
    EXPECT_EQ(line->text(), (side == 0 ? QStringLiteral("Intake: ") : QStringLiteral("Exhaust: ")) +
                                view_->sources()->cardLine(side))
        << side;
    EXPECT_EQ(line->toolTip(),
              test::Find<QLabel>(view_->sources(), QStringLiteral("sourceCaption_%1").arg(side))
                  ->toolTip())
        << side;
  }
  // A typed rocker ratio changes the card at once.
  Type(30, "1.5");
  c = card();
  EXPECT_NEAR(c.intake->maxLift, 0.399954 * 1.5, 1e-6);
  EXPECT_TRUE(view_->sources()->cardLine(0).startsWith(
      QStringLiteral("Lift %1 in").arg(QString::number(c.intake->maxLift, 'f', 4))));
  // Metric: millimetres and the 1.27 mm check.
  SwitchUnits(UnitMode::Metric);
  EXPECT_TRUE(view_->sources()->cardLine(0).startsWith(
      QStringLiteral("Lift %1 mm").arg(QString::number(c.intake->maxLift * 25.4, 'f', 3))));
  EXPECT_TRUE(view_->sources()->cardLine(0).contains("at 1.27 mm"));
  EXPECT_TRUE(test::Find<QLabel>(view_->sources(), "cardLine_0")
                  ->text()
                  .endsWith(view_->sources()->cardLine(0)));
}

// F1 on a slot clicked into explains it: the value and its formula, the inputs it rests on as
// links, the sensitivity largest first; a link takes the focus to the input's box; Escape closes.
TEST_F(EngineViewTest, F1OnASlotExplainsItAndItsInputsLeadToTheirBoxes) {
  QLabel* slot = view_->outputPanel()->slotLabel(0);
  QTest::mouseClick(slot, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return slot->hasFocus(); }));
  QTest::keyClick(slot, Qt::Key_F1);
  auto* dialog = view_->findChild<ExplainDialog*>();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(dialog->isVisible());
  EXPECT_TRUE(test::Find<QLabel>(dialog, "explainValue")->text().startsWith("page0.0 = 355.1"))
      << test::Find<QLabel>(dialog, "explainValue")->text().toStdString();
  EXPECT_TRUE(test::Find<QLabel>(dialog, "explainFormula")->text().contains("Displacement"));
  const QString links = test::Find<QLabel>(dialog, "explainInputs")->text();
  for (const char* link :
       {"href=\"0\">Bore", "href=\"1\">Stroke", "href=\"3\">Number of Cylinders"}) {
    EXPECT_TRUE(links.contains(link)) << link << " in " << links.toStdString();
  }
  EXPECT_FALSE(links.contains("href=\"2\""));
  QTableWidget* table = test::Find<QTableWidget>(dialog, "explainSensitivity");
  ASSERT_EQ(table->rowCount(), 3);
  EXPECT_EQ(table->item(0, 0)->text(), "Number of Cylinders");  // a whole cylinder moves most
  EXPECT_EQ(table->item(0, 1)->text(), "1");
  EXPECT_LE(dialog->frameGeometry().height(), 768);
  EXPECT_LE(dialog->frameGeometry().width(), 1366);

  QMetaObject::invokeMethod(test::Find<QLabel>(dialog, "explainInputs"), "linkActivated",
                            Q_ARG(QString, "1"));
  EXPECT_FALSE(dialog->isVisible());
  ASSERT_TRUE(WaitFor([&] { return view_->box(kInStroke)->hasFocus(); }));
  // The value is selected: what the user types replaces it.
  EXPECT_EQ(view_->box(kInStroke)->selectedText(), view_->box(kInStroke)->text());

  // A second-stage input is on the other stage tab, which is shown when the stage is open.
  QTest::mouseClick(view_->findChild<QAbstractButton*>("approveAll"), Qt::LeftButton);
  view_->FocusInput(kInPkPwrRPM);
  EXPECT_EQ(view_->inputPanel()->stageTabs()->currentIndex(), 1);
  ASSERT_TRUE(WaitFor([&] { return view_->box(kInPkPwrRPM)->hasFocus(); }));
  EXPECT_EQ(view_->box(kInPkPwrRPM)->selectedText(), view_->box(kInPkPwrRPM)->text());
  view_->FocusInput(kInBore);
  EXPECT_EQ(view_->inputPanel()->stageTabs()->currentIndex(), 0);
  ASSERT_TRUE(WaitFor([&] { return view_->box(kInBore)->hasFocus(); }));
  // A redraw that leaves the box's text as it is keeps the selection.
  view_->Refresh(AllAreas());
  EXPECT_EQ(view_->box(kInBore)->selectedText(), "4.030");

  // Escape closes it.
  QTest::keyClick(slot, Qt::Key_F1);
  ASSERT_TRUE(WaitFor([&] { return dialog->isVisible(); }));
  QTest::keyClick(dialog, Qt::Key_Escape);
  EXPECT_FALSE(dialog->isVisible());
}

// A right click on a slot offers "Explain..."; the explanation follows the unit system.
TEST_F(EngineViewTest, ARightClickOnASlotOffersItsExplanationInTheUnitSystem) {
  SwitchUnits(UnitMode::Metric);
  QLabel* slot = view_->outputPanel()->slotLabel(2);  // deck clearance
  bool offered = false;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    offered = !menu->actions().isEmpty() && menu->actions().first()->text() == "Explain...";
    if (offered) menu->actions().first()->trigger();
    menu->close();
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), slot->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(slot, &event);
  ASSERT_TRUE(offered);
  auto* dialog = view_->findChild<ExplainDialog*>();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  // 9.0 - (3.48 / 2 + 6.0) = 1.26 in, shown as 32.0 mm.
  EXPECT_TRUE(test::Find<QLabel>(dialog, "explainValue")->text().startsWith("page0.2 = 32 mm"))
      << test::Find<QLabel>(dialog, "explainValue")->text().toStdString();
  EXPECT_TRUE(test::Find<QLabel>(dialog, "explainInputs")->text().contains("Block Deck Height"));
  dialog->close();
}

}  // namespace
}  // namespace orv
