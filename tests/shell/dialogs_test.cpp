// The options, report setup and file-name dialogs, Enter as Tab and the printing notice,
// driven without ever waiting on a modal dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "files/interface_text_ids.h"
#include "find_widget.h"
#include "shell/file_name_dialog.h"
#include "shell/options_dialog.h"
#include "shell/printing_notice.h"
#include "shell/report_setup_dialog.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// Shows a dialog and makes it the active window, so that it takes the keyboard.
void ShowActive(QWidget& dialog) {
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

class OptionsDialogTest : public ::testing::Test, protected test::AppFixture {};

TEST_F(OptionsDialogTest, OkStoresTheChosenUnitSystemThroughTheApplication) {
  struct Row {
    int startUnits;
    int option;  // -1: no option button selected
    int stored;
  };
  const std::vector<Row> rows{{0, 2, 2}, {0, 1, 1}, {2, 0, 0}, {1, -1, 0}, {2, 2, 2}};
  for (const Row& row : rows) {
    app.SetUnitSystem(static_cast<UnitMode>(row.startUnits));
    OptionsDialog dialog(app);
    ASSERT_TRUE(test::Find<QRadioButton>(dialog, QStringLiteral("optUnits%1").arg(row.startUnits))
                    ->isChecked());
    QSignalSpy applied(&dialog, &OptionsDialog::applied);
    dialog.open();
    if (row.option >= 0) {
      test::Find<QRadioButton>(dialog, QStringLiteral("optUnits%1").arg(row.option))
          ->setChecked(true);
    } else {
      for (int i = 0; i < 3; ++i) {
        test::Find<QRadioButton>(dialog, QStringLiteral("optUnits%1").arg(i))
            ->setAutoExclusive(false);
        test::Find<QRadioButton>(dialog, QStringLiteral("optUnits%1").arg(i))->setChecked(false);
      }
    }
    test::Find<QPushButton>(dialog, "cmdOK")->click();
    EXPECT_EQ(app.settings().unitSystem, row.stored) << row.option;
    // The panels follow the one unit-system call.
    EXPECT_EQ(app.document().controller().unitMode(), static_cast<UnitMode>(row.stored));
    EXPECT_EQ(applied.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
  }
}

TEST_F(OptionsDialogTest, OkStoresTheFlagsAndSplitsTheHeadingAtLineEnds) {
  app.EditSettings().customerHeading = {"Smith Racing", "Bay 4"};
  app.EditSettings().enterAsTab = false;
  app.EditSettings().incrementNames = true;
  OptionsDialog dialog(app);
  dialog.open();
  EXPECT_EQ(test::Find<QPlainTextEdit>(dialog, "txtHeading")->toPlainText(),
            QStringLiteral("Smith Racing\nBay 4"));
  EXPECT_FALSE(test::Find<QCheckBox>(dialog, "chkEnterAsTab")->isChecked());
  EXPECT_TRUE(test::Find<QCheckBox>(dialog, "chkNameInc")->isChecked());

  test::Find<QPlainTextEdit>(dialog, "txtHeading")
      ->setPlainText(QStringLiteral("Jones Engines\n\n  Dyno cell 2"));
  test::Find<QCheckBox>(dialog, "chkEnterAsTab")->setChecked(true);
  test::Find<QCheckBox>(dialog, "chkNameInc")->setChecked(false);
  test::Find<QPushButton>(dialog, "cmdOK")->click();
  EXPECT_EQ(app.settings().customerHeading,
            (std::vector<std::string>{"Jones Engines", "", "  Dyno cell 2"}));
  EXPECT_TRUE(app.settings().enterAsTab);
  EXPECT_FALSE(app.settings().incrementNames);

  // An emptied box leaves no heading line.
  OptionsDialog again(app);
  again.open();
  test::Find<QPlainTextEdit>(again, "txtHeading")->clear();
  test::Find<QPushButton>(again, "cmdOK")->click();
  EXPECT_TRUE(app.settings().customerHeading.empty());
}

TEST_F(OptionsDialogTest, CancelChangesNothing) {
  app.SetUnitSystem(UnitMode::Metric);
  app.EditSettings().customerHeading = {"A"};
  const Settings before = app.settings();
  OptionsDialog dialog(app);
  QSignalSpy applied(&dialog, &OptionsDialog::applied);
  dialog.open();
  test::Find<QRadioButton>(dialog, "optUnits2")->setChecked(true);
  test::Find<QCheckBox>(dialog, "chkEnterAsTab")->setChecked(true);
  test::Find<QCheckBox>(dialog, "chkNameInc")->setChecked(true);
  test::Find<QPlainTextEdit>(dialog, "txtHeading")->setPlainText(QStringLiteral("B"));
  test::Find<QPushButton>(dialog, "cmdCancel")->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(applied.count(), 0);
  EXPECT_EQ(app.settings().unitSystem, 1);
  EXPECT_EQ(app.document().controller().unitMode(), UnitMode::Metric);
  EXPECT_EQ(app.settings().enterAsTab, before.enterAsTab);
  EXPECT_EQ(app.settings().incrementNames, before.incrementNames);
  EXPECT_EQ(app.settings().customerHeading, before.customerHeading);
  // Opened again, it shows the settings, not what was cancelled.
  dialog.open();
  EXPECT_TRUE(test::Find<QRadioButton>(dialog, "optUnits1")->isChecked());
  EXPECT_EQ(test::Find<QPlainTextEdit>(dialog, "txtHeading")->toPlainText(), QStringLiteral("A"));
}

TEST_F(OptionsDialogTest, EnterAsTabLeavesTheHeadingBoxItsLineEnds) {
  app.EditSettings().enterAsTab = true;
  OptionsDialog dialog(app);
  QSignalSpy applied(&dialog, &OptionsDialog::applied);
  ShowActive(dialog);
  // A check box: Enter moves on and does not close the dialog.
  dialog.findChild<QTabWidget*>()->setCurrentIndex(1);
  test::Find<QCheckBox>(dialog, "chkEnterAsTab")->setFocus();
  QTest::keyClick(test::Find<QCheckBox>(dialog, "chkEnterAsTab"), Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), test::Find<QCheckBox>(dialog, "chkNameInc"));
  EXPECT_TRUE(dialog.isVisible());
  // The heading box takes Enter as a line end.
  dialog.findChild<QTabWidget*>()->setCurrentIndex(2);
  test::Find<QPlainTextEdit>(dialog, "txtHeading")->setFocus();
  QTest::keyClicks(test::Find<QPlainTextEdit>(dialog, "txtHeading"), QStringLiteral("A"));
  QTest::keyClick(test::Find<QPlainTextEdit>(dialog, "txtHeading"), Qt::Key_Return);
  QTest::keyClicks(test::Find<QPlainTextEdit>(dialog, "txtHeading"), QStringLiteral("B"));
  EXPECT_EQ(test::Find<QPlainTextEdit>(dialog, "txtHeading")->toPlainText(),
            QStringLiteral("A\nB"));
  EXPECT_EQ(applied.count(), 0);
}

class ReportSetupDialogTest : public ::testing::Test, protected test::AppFixture {};

TEST_F(ReportSetupDialogTest, OpensWithTheSettingsAndTheRangesAsWholeNumbers) {
  app.EditSettings().reportHeadings = {true, false, true};
  app.EditSettings().reportSections = {true, false, true, true, false, true, true};
  app.EditSettings().reportRanges = {-360, 360, 1, 0, 10.6f, 2.5f};
  ReportSetupDialog dialog(app);
  EXPECT_EQ(dialog.windowTitle().toStdString(), app.strings().Misc(3));
  // Whole numbers, halves away from zero.
  const std::vector<std::string> degrees{"-360", "360", "1", "0", "11", "3"};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(
        test::Find<QLineEdit>(dialog, QStringLiteral("txtDegrees%1").arg(i))->text().toStdString(),
        degrees[i]);
  EXPECT_FALSE(test::Find<QCheckBox>(dialog, "chkHeading1")->isChecked());
  EXPECT_TRUE(test::Find<QCheckBox>(dialog, "chkHeading2")->isChecked());
  EXPECT_FALSE(test::Find<QCheckBox>(dialog, "chkSection1")->isChecked());
  EXPECT_FALSE(test::Find<QCheckBox>(dialog, "chkSection4")->isChecked());
  EXPECT_TRUE(test::Find<QCheckBox>(dialog, "chkSection6")->isChecked());
  EXPECT_EQ(test::Find<QCheckBox>(dialog, "chkHeading0")->text().toStdString(),
            app.strings().Misc(105));
  EXPECT_EQ(test::Find<QCheckBox>(dialog, "chkSection0")->text().toStdString(),
            app.strings().Misc(109));
}

TEST_F(ReportSetupDialogTest, OkChecksBothRangesAndFocusesTheFailingBox) {
  struct Row {
    std::vector<const char*> degrees;
    int message;  // 0: passes
    int focus;
  };
  const std::vector<Row> rows{
      {{"10", "10", "1", "-360", "360", "1"}, 131, 0},
      {{"-361", "10", "1", "-360", "360", "1"}, 130, 0},
      {{"0", "360.5", "1", "-360", "360", "1"}, 130, 1},
      {{"0", "90", "0", "-360", "360", "1"}, 132, 2},
      {{"0", "90", "91", "-360", "360", "1"}, 132, 2},
      {{"0", "90", "abc", "-360", "360", "1"}, 132, 2},
      {{"0", "90", "1", "45", "45", "1"}, 131, 3},
      {{"0", "90", "1", "45", "400", "1"}, 130, 4},
      {{"0", "90", "1", "0", "90", "-5"}, 132, 5},
      {{"-360", "360", "90", "0", "10", "0.5"}, 0, -1},
  };
  for (const Row& row : rows) {
    app.EditSettings().reportRanges = {-100, 100, 2, -200, 200, 4};
    app.EditSettings().reportHeadings = {true, true, true};
    ReportSetupDialog dialog(app);
    QSignalSpy applied(&dialog, &ReportSetupDialog::applied);
    ShowActive(dialog);
    for (int i = 0; i < 6; ++i)
      test::Find<QLineEdit>(dialog, QStringLiteral("txtDegrees%1").arg(i))
          ->setText(QString::fromLatin1(row.degrees[i]));
    test::Find<QCheckBox>(dialog, "chkHeading0")->setChecked(false);
    prompter.warnings.clear();
    test::Find<QPushButton>(dialog, "cmdOK")->click();
    // The check boxes are stored whatever the ranges say.
    EXPECT_FALSE(app.settings().reportHeadings[0]);
    if (row.message == 0) {
      EXPECT_TRUE(prompter.warnings.empty());
      EXPECT_FALSE(dialog.isVisible());
      EXPECT_EQ(applied.count(), 1);
      EXPECT_EQ(app.settings().reportRanges, (std::array<float, 6>{-360, 360, 90, 0, 10, 0.5f}));
      continue;
    }
    ASSERT_EQ(prompter.warnings.size(), 1u) << row.degrees[0];
    EXPECT_EQ(prompter.warnings[0], app.strings().Misc(row.message));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(applied.count(), 0);
    EXPECT_EQ(QApplication::focusWidget(),
              test::Find<QLineEdit>(dialog, QStringLiteral("txtDegrees%1").arg(row.focus)))
        << row.degrees[0];
    // Nothing is stored of the ranges.
    EXPECT_EQ(app.settings().reportRanges, (std::array<float, 6>{-100, 100, 2, -200, 200, 4}));
  }
}

TEST_F(ReportSetupDialogTest, TheCamCardBoxRoundTripsThroughTheSettings) {
  ASSERT_FALSE(app.settings().reportCamCard);
  {
    ReportSetupDialog dialog(app);
    ShowActive(dialog);
    ASSERT_NE(test::Find<QCheckBox>(dialog, "chkSection7"), nullptr);
    EXPECT_FALSE(test::Find<QCheckBox>(dialog, "chkSection7")->isChecked());
    EXPECT_TRUE(test::Find<QCheckBox>(dialog, "chkSection7")->isVisible());
    QTest::mouseClick(test::Find<QCheckBox>(dialog, "chkSection7"), Qt::LeftButton);
    EXPECT_FALSE(app.settings().reportCamCard);  // nothing is stored before OK
    test::Find<QPushButton>(dialog, "cmdOK")->click();
    EXPECT_FALSE(dialog.isVisible());
  }
  EXPECT_TRUE(app.settings().reportCamCard);
  // The seven sections keep their marks.
  EXPECT_EQ(app.settings().reportSections,
            (std::array<bool, 7>{true, true, true, true, true, true, true}));
  {
    // Shown ticked on the next opening; Cancel after unticking keeps it on.
    ReportSetupDialog dialog(app);
    ShowActive(dialog);
    EXPECT_TRUE(test::Find<QCheckBox>(dialog, "chkSection7")->isChecked());
    test::Find<QCheckBox>(dialog, "chkSection7")->setChecked(false);
    test::Find<QPushButton>(dialog, "cmdCancel")->click();
  }
  EXPECT_TRUE(app.settings().reportCamCard);
  ReportSetupDialog dialog(app);
  ShowActive(dialog);
  test::Find<QCheckBox>(dialog, "chkSection7")->setChecked(false);
  test::Find<QPushButton>(dialog, "cmdOK")->click();
  EXPECT_FALSE(app.settings().reportCamCard);
}

TEST_F(ReportSetupDialogTest, CancelKeepsTheRanges) {
  ReportSetupDialog dialog(app);
  dialog.open();
  const auto before = app.settings().reportRanges;
  test::Find<QLineEdit>(dialog, "txtDegrees0")->setText(QStringLiteral("0"));
  test::Find<QPushButton>(dialog, "cmdCancel")->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(app.settings().reportRanges, before);
}

TEST_F(ReportSetupDialogTest, ADegreeBoxSelectsItsWholeTextOnFocus) {
  ReportSetupDialog dialog(app);
  ShowActive(dialog);
  QLineEdit* box = test::Find<QLineEdit>(dialog, "txtDegrees4");
  ASSERT_EQ(box->text(), QStringLiteral("360"));
  box->deselect();
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(2, box->height() / 2));
  QApplication::processEvents();
  EXPECT_TRUE(box->hasFocus());
  EXPECT_EQ(box->selectedText(), QStringLiteral("360"));
  // Typing replaces the whole value.
  QTest::keyClicks(box, QStringLiteral("45"));
  EXPECT_EQ(box->text(), QStringLiteral("45"));
}

TEST_F(ReportSetupDialogTest, EnterAsTabMovesTheFocusAndDoesNotPressOk) {
  app.EditSettings().enterAsTab = true;
  ReportSetupDialog dialog(app);
  QSignalSpy applied(&dialog, &ReportSetupDialog::applied);
  ShowActive(dialog);
  test::Find<QLineEdit>(dialog, "txtDegrees0")->setFocus();
  QTest::keyClick(test::Find<QLineEdit>(dialog, "txtDegrees0"), Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), test::Find<QLineEdit>(dialog, "txtDegrees1"));
  QTest::keyClick(test::Find<QLineEdit>(dialog, "txtDegrees1"), Qt::Key_Enter);
  EXPECT_EQ(QApplication::focusWidget(), test::Find<QLineEdit>(dialog, "txtDegrees2"));
  // On a check box and on the OK button itself Enter moves on too.
  test::Find<QCheckBox>(dialog, "chkHeading0")->setFocus();
  QTest::keyClick(test::Find<QCheckBox>(dialog, "chkHeading0"), Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), test::Find<QCheckBox>(dialog, "chkHeading1"));
  EXPECT_TRUE(test::Find<QCheckBox>(dialog, "chkHeading0")->isChecked());
  test::Find<QPushButton>(dialog, "cmdOK")->setFocus();
  QTest::keyClick(test::Find<QPushButton>(dialog, "cmdOK"), Qt::Key_Return);
  EXPECT_NE(QApplication::focusWidget(), test::Find<QPushButton>(dialog, "cmdOK"));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(applied.count(), 0);
  // Space still presses the button.
  test::Find<QPushButton>(dialog, "cmdOK")->setFocus();
  QTest::keyClick(test::Find<QPushButton>(dialog, "cmdOK"), Qt::Key_Space);
  EXPECT_EQ(applied.count(), 1);
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ReportSetupDialogTest, WithoutEnterAsTabEnterPressesOk) {
  app.EditSettings().enterAsTab = false;
  ReportSetupDialog dialog(app);
  QSignalSpy applied(&dialog, &ReportSetupDialog::applied);
  ShowActive(dialog);
  test::Find<QLineEdit>(dialog, "txtDegrees0")->setFocus();
  QTest::keyClick(test::Find<QLineEdit>(dialog, "txtDegrees0"), Qt::Key_Return);
  EXPECT_EQ(applied.count(), 1);
  EXPECT_FALSE(dialog.isVisible());
}

class FileNameDialogTest : public ::testing::Test, protected test::AppFixture {};

TEST_F(FileNameDialogTest, EachKindShowsItsTitleFilterAndExtension) {
  const std::string engines = app.strings().Misc(142);
  struct Row {
    Prompter::FileKind kind;
    bool save;
    int title;  // 0: the platform's own
    std::vector<std::string> filters;
    const char* suffix;
  };
  const std::vector<Row> rows{
      {Prompter::FileKind::SaveEngine, true, 21, {engines + " (*.OV *.ov)"}, "OV"},
      {Prompter::FileKind::SaveEngineAs, true, 21, {engines + " (*.OV *.ov)"}, "OV"},
      {Prompter::FileKind::OpenEngine, false, 22, {engines + " (*.OV *.ov)"}, "OV"},
      {Prompter::FileKind::SaveReport,
       true,
       0,
       {app.strings().Misc(116) + " (*.txt *.TXT)", "All Files (*)"},
       "TXT"},
      {Prompter::FileKind::OpenProject,
       false,
       0,
       {app.strings().Misc(118) + " (*.prj *.PRJ)"},
       "PRJ"},
      {Prompter::FileKind::SaveProject,
       false,
       0,
       {app.strings().Misc(118) + " (*.prj *.PRJ)"},
       "PRJ"},
      {Prompter::FileKind::OpenDatabase,
       false,
       0,
       {app.strings().Misc(119) + " (*.mdb *.MDB)"},
       "MDB"},
      {Prompter::FileKind::SaveGraph,
       true,
       0,
       {app.strings().Misc(117) + " (*.bmp *.BMP)", "All Files (*)"},
       "BMP"},
  };
  for (const Row& row : rows) {
    const auto dialog = MakeFileNameDialog(row.kind, "", app.strings());
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    const int kind = static_cast<int>(row.kind);
    EXPECT_EQ(dialog->acceptMode(), row.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen)
        << kind;
    if (row.title != 0) {
      EXPECT_EQ(dialog->windowTitle().toStdString(), app.strings().Misc(row.title)) << kind;
    }
    std::vector<std::string> filters;
    for (const QString& f : dialog->nameFilters()) filters.push_back(f.toStdString());
    EXPECT_EQ(filters, row.filters) << kind;
    EXPECT_EQ(dialog->defaultSuffix().toStdString(), row.suffix) << kind;
  }
}

TEST_F(FileNameDialogTest, APresetEndingInTheSeparatorPresetsOnlyTheFolder) {
  fs::create_directories(dir / "Reports");
  const std::string folder = (dir / "Reports").string();
  {
    const auto dialog =
        MakeFileNameDialog(Prompter::FileKind::SaveReport, folder + "/", app.strings());
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder);
  }
  {
    const auto dialog = MakeFileNameDialog(Prompter::FileKind::SaveReport,
                                           folder + "/OV_Report.txt", app.strings());
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder);
    ASSERT_FALSE(dialog->selectedFiles().isEmpty());
    EXPECT_EQ(dialog->selectedFiles().front().toStdString(), folder + "/OV_Report.txt");
  }
}

TEST_F(FileNameDialogTest, AChosenPathThatCannotBeUsedIsShownWithText120) {
  fs::create_directories(dir / "folder.txt");
  const std::string bad = (dir / "folder.txt").string();
  EXPECT_EQ(AcceptChosenFileName(Prompter::FileKind::SaveReport, bad, app.strings(), prompter),
            std::nullopt);
  ASSERT_EQ(prompter.warnings.size(), 1u);
  EXPECT_EQ(prompter.warnings[0], bad + app.strings().Misc(120));
  // A missing file cannot be opened; a name without extension gets the kind's.
  EXPECT_EQ(AcceptChosenFileName(Prompter::FileKind::OpenEngine, (dir / "none.OV").string(),
                                 app.strings(), prompter),
            std::nullopt);
  EXPECT_EQ(AcceptChosenFileName(Prompter::FileKind::SaveReport, (dir / "r").string(),
                                 app.strings(), prompter),
            (dir / "r.TXT").string());
  EXPECT_EQ(prompter.warnings.size(), 2u);
}

TEST(PrintingNotice, ShowsTheWordOverTheWholeWindow) {
  PrintingNotice notice;
  notice.resize(300, 100);
  notice.ShowNow();
  EXPECT_TRUE(notice.isVisible());
  EXPECT_EQ(notice.text(), QStringLiteral("PRINTING"));
  notice.KillMe();
  EXPECT_FALSE(notice.isVisible());
}

}  // namespace
}  // namespace orv
