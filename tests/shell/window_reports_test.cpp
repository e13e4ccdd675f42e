// The report view inside the main window, driven as the user drives it: the view and report
// tabs clicked with the mouse, inputs typed into their boxes. Leaving the reports for the
// inputs and coming back after a change shows the reports built afresh, the comparison with
// the reference engine (the last tab) included.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/application.h"
#include "app_fixture.h"
#include "find_widget.h"
#include "shell/engine_view.h"
#include "shell/input_widgets.h"
#include "shell/main_window.h"
#include "shell/report_view.h"
#include "shell/window_options.h"
#include "shell/window_start.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// A field of the comparison table: the text padded to 21 characters.
std::string Field(std::string text) {
  text.resize(21, ' ');
  return text;
}

class WindowReportsTest : public ::testing::Test {
 protected:
  WindowReportsTest() {
    window_ = fixture_.StartWindow();
    window_->resize(1525, 844);
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    engine_ = static_cast<EngineView*>(window_->view(MainWindow::kEngineView));
    reports_ = static_cast<ReportView*>(window_->view(MainWindow::kReportView));
    prompter_.warnings.clear();  // a fresh data root has no configuration file yet
  }
  ~WindowReportsTest() override { window_.reset(); }

  // A click on a tab of a tab strip, where the user clicks it.
  static void ClickTab(QTabWidget* tabs, int index) {
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    QCoreApplication::processEvents();
  }
  void ClickView(int index) {
    ClickTab(test::Find<QTabWidget>(*window_, "tabMain"), index);
    ASSERT_EQ(window_->currentView(), index);
  }

  // Types `text` into box n (clearing it first); the typing is not yet taken.
  void TypeOnly(int n, const QString& text) {
    InputBox* box = engine_->box(n);
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }

  // The current engine, saved, opened and made the reference through File, Open and File,
  // Compare With: the two are the same engine.
  void CompareWithItself() {
    const std::string reference = (dir_ / "Reference.OV").string();
    ASSERT_TRUE(app_.document().WriteEngineFile(reference));
    prompter_.fileNames = {reference};
    window_->OpenEngineFile();
    ASSERT_EQ(app_.enginePath(), reference);
    prompter_.fileNames = {reference};
    test::Find<QAction>(*window_, "fileCompareWithAction")->trigger();
    ASSERT_NE(app_.reference(), nullptr);
  }

  const std::string& Comparison() const { return reports_->reportText(ReportKind::Comparison); }
  std::string ShownComparison() const {
    return reports_->box(ReportKind::Comparison)->toPlainText().toStdString();
  }

  test::AppFixture fixture_{test::AppFixture::Start::kWindow, test::FakePrompter::Strict()};
  test::TempDir& dir_ = fixture_.dir;
  test::FakePrompter& prompter_ = fixture_.prompter;
  Application& app_ = fixture_.app;
  std::unique_ptr<MainWindow> window_;
  EngineView* engine_ = nullptr;
  ReportView* reports_ = nullptr;
};

TEST_F(WindowReportsTest, TheComparisonIsRebuiltWhenTheUserComesBackAfterTypingABore) {
  CompareWithItself();
  ClickView(MainWindow::kReportView);
  ClickTab(test::Find<QTabWidget>(*reports_, "tabReports"), ReportView::kReportCount - 1);
  ASSERT_EQ(reports_->currentKind(), ReportKind::Comparison);
  EXPECT_NE(ShownComparison().find("Nothing differs from the reference engine."),
            std::string::npos);

  ClickView(MainWindow::kEngineView);
  TypeOnly(kInBore, "4.125");
  engine_->box(kInStroke)->setFocus(Qt::TabFocusReason);  // the box is left: the bore is taken
  QCoreApplication::processEvents();
  ASSERT_DOUBLE_EQ(app_.document().engine().inputs().Bore, static_cast<double>(4.125f));
  ClickView(MainWindow::kReportView);

  // The Comparison tab is still the one shown, and shows the typed bore against the reference.
  EXPECT_EQ(reports_->currentKind(), ReportKind::Comparison);
  const std::string bore = "  " + Field("Bore") + Field("4.030") + Field("4.125") + "+0.095";
  EXPECT_NE(Comparison().find(bore + "\r\n"), std::string::npos) << Comparison();
  EXPECT_NE(ShownComparison().find(bore + "\n"), std::string::npos) << ShownComparison();
  EXPECT_EQ(ShownComparison().find("Nothing differs"), std::string::npos);

  // Back to the inputs, the bore typed as the reference's again: nothing differs once more.
  ClickView(MainWindow::kEngineView);
  TypeOnly(kInBore, "4.03");
  engine_->box(kInStroke)->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  ClickView(MainWindow::kReportView);
  EXPECT_NE(ShownComparison().find("Nothing differs from the reference engine."), std::string::npos)
      << ShownComparison();
  EXPECT_TRUE(prompter_.warnings.empty());
}

// The typing is still in the box when the user clicks the Reports tab: leaving the inputs takes
// it, and the reports show it.
TEST_F(WindowReportsTest, TypingTakenByTheClickOnTheReportsTabReachesTheComparison) {
  CompareWithItself();
  ClickView(MainWindow::kReportView);
  ClickTab(test::Find<QTabWidget>(*reports_, "tabReports"), ReportView::kReportCount - 1);
  ClickView(MainWindow::kEngineView);
  TypeOnly(kInStroke, "3.5");
  ClickView(MainWindow::kReportView);
  ASSERT_DOUBLE_EQ(app_.document().engine().inputs().Stroke, static_cast<double>(3.5f));
  EXPECT_EQ(reports_->currentKind(), ReportKind::Comparison);
  const std::string stroke = "  " + Field("Stroke") + Field("3.480") + Field("3.500") + "+0.020";
  EXPECT_NE(ShownComparison().find(stroke + "\n"), std::string::npos) << ShownComparison();
  // The general report, built when the view was entered, has the new stroke too.
  const std::string& general = reports_->reportText(ReportKind::General);
  const std::size_t line = general.find("    Stroke ");
  ASSERT_NE(line, std::string::npos);
  const std::string strokeLine = general.substr(line, general.find('\r', line) - line);
  EXPECT_TRUE(strokeLine.ends_with(" 3.500")) << strokeLine;
  EXPECT_TRUE(prompter_.warnings.empty());
}

}  // namespace
}  // namespace orv
