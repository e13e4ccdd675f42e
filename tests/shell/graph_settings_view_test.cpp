// The graph settings view: the scale boxes in the display units, the check of the scales when
// the view is left, the axes' scale choices, the check boxes and the background colour.
#include "shell/graph_settings_view.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app_fixture.h"
#include "find_widget.h"

namespace orv {
namespace {

class GraphSettingsViewTest : public ::testing::Test {
 protected:
  GraphSettingsViewTest() : view_(started_.app) {
    Settings& s = started_.app.EditSettings();
    s.scales[0] = {-110, 110};
    s.scales[1] = {0, 4.4};
    view_.resize(900, 500);
    view_.show();
    view_.Refresh(AllAreas());
  }
  Application& app() { return started_.app; }
  // Types into box n and leaves it.
  void Type(int n, const QString& text) {
    QLineEdit& box = view_.box(n);
    box.setText(text);
    box.setModified(true);
    view_.EnterBox(n);
  }

  test::AppFixture started_{test::AppFixture::Start::kStartedUp,
                            test::FakePrompter(Prompter::Answer::No)};
  GraphSettingsView view_;
};

TEST_F(GraphSettingsViewTest, AScaleWhoseMaximumIsNotAboveItsMinimumKeepsTheView) {
  QSignalSpy warnings(&view_, &View::warningLineChanged);
  // Scale 3's maximum typed but not yet left: leaving the view takes it over first.
  view_.box(47).setText("-8800");
  view_.box(47).setModified(true);
  EXPECT_FALSE(view_.CanLeave());
  EXPECT_EQ(app().settings().scales[2].maximum, -8800);
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_EQ(warnings[0][0].toString(), "The maximum of this scale must be above its minimum.");
  EXPECT_TRUE(warnings[0][1].toBool());  // with a beep
  EXPECT_EQ(view_.focusWidget(), &view_.box(47));

  // Scales are checked in order: with scale 1 failing too, scale 1 is named first.
  Type(45, "-110");
  EXPECT_FALSE(view_.CanLeave());
  EXPECT_EQ(view_.focusWidget(), &view_.box(45));

  Type(45, "110");
  Type(47, "8800");
  EXPECT_TRUE(view_.CanLeave());
  ASSERT_EQ(warnings.size(), 3);
  EXPECT_TRUE(warnings[2][0].toString().isEmpty());  // the warning line is cleared
}

TEST_F(GraphSettingsViewTest, TheBoxesShowAndTakeTheDisplayUnits) {
  EXPECT_EQ(view_.box(46).text(), "4.400");  // scale 2 maximum, inches, three decimals
  const Revisions before = app().revisions();
  app().SetUnitSystem(UnitMode::Metric);
  view_.Refresh(ChangesBetween(before, app().revisions()));
  EXPECT_EQ(view_.box(46).text(), "111.8");  // 4.4 in = 111.76 mm, one decimal
  QSignalSpy done(&view_, &View::commandDone);
  Type(46, "127");
  EXPECT_NEAR(app().settings().scales[1].maximum, 5.0, 1e-6);  // 127 mm = 5 in
  EXPECT_EQ(view_.box(46).text(), "127.0");
  EXPECT_EQ(done.size(), 1);
  Type(46, "127");  // the same value: nothing changed
  EXPECT_EQ(done.size(), 1);
  // The graph setting: a whole number 1 to 9.
  Type(42, "12");
  EXPECT_EQ(app().settings().graphPanelNumber, 9);
  EXPECT_EQ(view_.box(42).text(), "9");
}

TEST_F(GraphSettingsViewTest, ChoicesAndCheckBoxesGoToTheSettings) {
  test::Find<QComboBox>(view_, "cmbLeftScale")->setCurrentIndex(3);
  test::Find<QComboBox>(view_, "cmbRightScale")->setCurrentIndex(7);
  EXPECT_EQ(app().settings().leftScale, 4);
  EXPECT_EQ(app().settings().rightScale, 8);
  const bool before[] = {app().settings().gridLines, app().settings().cursorLinesShown,
                         app().settings().thickLines, app().settings().twoScales};
  for (int i = 0; i < 4; ++i)
    test::Find<QCheckBox>(view_, QStringLiteral("chkGraph%1").arg(i))->click();
  EXPECT_EQ(app().settings().gridLines, !before[0]);
  EXPECT_EQ(app().settings().cursorLinesShown, !before[1]);
  EXPECT_EQ(app().settings().thickLines, !before[2]);
  EXPECT_EQ(app().settings().twoScales, !before[3]);
  EXPECT_EQ(test::Find<QCheckBox>(view_, "chkGraph0")->text(), "Grid Lines");
  EXPECT_EQ(test::Find<QCheckBox>(view_, "chkGraph3")->text(), "Two Y-Axis Scales");
}

TEST_F(GraphSettingsViewTest, TheBackgroundComesFromTheColourDialogAndResetsToTheWindows) {
  QTest::mouseClick(test::Find<QPushButton>(view_, "cmdBackground"), Qt::LeftButton);
  QColorDialog* dialog = view_.findChild<QColorDialog*>("dlgColour");
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Graph Background Color");
  EXPECT_EQ(dialog->currentColor(), QColor(0xF0, 0xF0, 0xF0));
  dialog->setCurrentColor(QColor(10, 20, 30));
  dialog->accept();
  EXPECT_EQ(app().settings().graphBackground, 10 | (20 << 8) | (30 << 16));  // red low
  QTest::mouseClick(test::Find<QPushButton>(view_, "cmdReset"), Qt::LeftButton);
  EXPECT_EQ(app().settings().graphBackground, app().windowBackground());
}

}  // namespace
}  // namespace orv
