#include "shell/flow_test_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/keyboard_flow.h"
#include "app/test_list_settings.h"
#include "base/units.h"
#include "find_widget.h"
#include "shell/flow_csv_tab.h"
#include "shell/flow_database_tab.h"
#include "shell/flow_dos_tab.h"
#include "shell/folder_picker.h"
#include "shell/source_dialogs.h"
#include "shell/test_list_model.h"
#include "source_dialogs_fixture.h"
#include "support/bench_database.h"
#include "support/build_paths.h"
#include "support/cli_runner.h"
#include "support/csv_writer.h"
#include "support/file_helpers.h"
#include "support/reader_scripts.h"
#include "support/sy3_writer.h"
#include "support/sy_writer.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using Field = KeyboardFlowEntry::Field;

using test::Find;

// The field of a keyboard row (1 to 10), or nullptr when the tab has none.
QLineEdit* KeyField(const QWidget& dialog, int row, Field field) {
  const char* prefix = field == Field::Lift  ? "txtLift"
                       : field == Field::Cfm ? "txtCFM"
                                             : "txtSwirl";
  return dialog.findChild<QLineEdit*>(QString("%1%2").arg(prefix).arg(row - 1));
}

test::SyFile DosFile(const std::string& notes) {
  test::SyFile f;
  f.notes = notes;
  f.testType = 5;
  f.barometer = 29.92f;
  f.wetBulb = 59;
  f.dryBulb = 70;
  f.valveDia = 2.02f;
  for (int i = 1; i <= 3; ++i) {
    test::SyRecord r;
    r.lift = 0.1f * float(i);
    r.acfm = 90.0f * float(i);
    r.ccfm = 100.0f * float(i);
    r.depr = 28;
    f.records.push_back(r);
  }
  return f;
}

test::Sy3Test Sy3TestOf(const std::string& name, std::int16_t fullKind) {
  test::Sy3Test t;
  t.name = name;
  t.fullKind = fullKind;
  t.notes = "Notes of " + name;
  t.valveDia = 2.055f;
  t.barometer = 29.5f;
  t.records = 2;
  for (int r = 0; r <= 2; ++r) {
    test::Sy3Row row;
    row.lift = 0.1f * float(r);
    row.ccfm = 100.0f * float(r);
    row.acfm = 95.0f * float(r);
    row.depr = 28;
    const std::vector<float> v = test::Sy3RowValues(5, row, false);
    t.recordLength = static_cast<std::int16_t>(v.size());
    t.data.insert(t.data.end(), v.begin(), v.end());
  }
  return t;
}

// The texts of the list as the command line prints them: the captions, then one line per test.
std::string ListText(const TestListModel& model) {
  std::string text;
  for (int c = 0; c < model.columnCount(); ++c) {
    if (c > 0) text += '\t';
    text += model.headerData(c, Qt::Horizontal).toString().toStdString();
  }
  text += '\n';
  for (int r = 0; r < model.rowCount(); ++r) {
    for (int c = 0; c < model.columnCount(); ++c) {
      if (c > 0) text += '\t';
      text += model.data(model.index(r, c)).toString().toStdString();
    }
    text += '\n';
  }
  return text;
}

class FlowTestDialogTest : public test::SourceDialogsTest {
 protected:
  std::unique_ptr<FlowTestDialog> Dialog(bool intake, int tab) {
    app_.EditSettings().flowTab = tab;
    auto dialog = std::make_unique<FlowTestDialog>(app_, intake);
    dialog->show();
    return dialog;
  }
  // A dialog on the database tab with `file` as the configuration's database, read.
  std::unique_ptr<FlowTestDialog> DatabaseDialog(const fs::path& file, bool intake = true) {
    app_.EditSettings().flowDatabase = file.string();
    app_.EditSettings().flowTab = FlowTestDialog::kDatabaseTab;
    auto dialog = std::make_unique<FlowTestDialog>(app_, intake);
    QSignalSpy read(dialog.get(), &FlowTestDialog::databaseReadFinished);
    dialog->show();
    EXPECT_TRUE(test::WaitFor([&] { return read.count() > 0; }));
    return dialog;
  }
  static void Relist(FlowTestDialog& dialog) {
    dialog.databaseTab()->RefreshList();
    ASSERT_TRUE(test::WaitFor([&] { return !dialog.databaseBusy(); }));
  }
  test::CliResult FlowTestsCommand(const fs::path& file, std::vector<std::string> options) {
    std::vector<std::string> args = {"flow-tests", file.string(), "--data-root",
                                     (dir_ / "cli").string(), "--no-cache"};
    args.insert(args.end(), options.begin(), options.end());
    return test::RunCli(args, test::OrvantisProgram());
  }
  static std::string NeededText() {
    return QString(kDatabaseNeededText).replace("\r\n", "\n").toStdString();
  }
};

TEST_F(FlowTestDialogTest, TheDosTreeListsTheFilesAndTheirTests) {
  test::TempDir folder;
  test::WriteSyFile(folder / "B.SY", DosFile("Stage 2 port"));
  test::WriteSyFile(folder / "a.sy", DosFile("Stock port"));
  test::Sy3File head;
  head.version = 'B';
  head.tests = {Sy3TestOf("RUN 1", 5), Sy3TestOf("AVG", 105)};
  test::WriteSy3File(folder / "HEAD.SY3", head);
  test::WriteText(folder / "notes.txt", "x");
  app_.EditSettings().flowDosFolder = folder.path().string();

  auto dialog = Dialog(true, FlowTestDialog::kDosTab);
  EXPECT_EQ(Find<QTabWidget>(*dialog, "tabFlowTests")->tabText(0), "DOS Sylfaro Tests");
  EXPECT_EQ(Find<QTabWidget>(*dialog, "tabFlowTests")->tabText(1), "Windows Sylfaro Tests");
  EXPECT_EQ(Find<QTabWidget>(*dialog, "tabFlowTests")->tabText(2), "Keyboard Entered");
  QTreeWidget* tree = Find<QTreeWidget>(*dialog, "tvwTests");
  ASSERT_TRUE(test::WaitFor([&] { return tree->topLevelItemCount() > 0; }));
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "a.sy");
  EXPECT_EQ(tree->topLevelItem(1)->text(0), "B.SY");
  EXPECT_EQ(tree->topLevelItem(2)->text(0), "HEAD.SY3");
  ASSERT_EQ(tree->topLevelItem(2)->childCount(), 2);
  EXPECT_EQ(tree->topLevelItem(2)->child(0)->text(0), "RUN 1");
  EXPECT_EQ(tree->topLevelItem(2)->child(1)->text(0), "AVG");
  EXPECT_TRUE(
      Find<QPlainTextEdit>(*dialog, "txtDosNotes")->toPlainText().startsWith("Stock port\n"));
  tree->setCurrentItem(tree->topLevelItem(2)->child(1));
  EXPECT_TRUE(
      Find<QPlainTextEdit>(*dialog, "txtDosNotes")->toPlainText().startsWith("Notes of AVG\n"));

  // Open on a test of the SY3 file loads it by name and kind.
  QSignalSpy loaded(dialog.get(), &FlowTestDialog::sourceLoaded);
  Find<QPushButton>(*dialog, "cmdOpen")->click();
  EXPECT_EQ(loaded.count(), 1);
  EXPECT_FALSE(dialog->isVisible());
  const FlowTestRef& ref = app_.document().engine().inputs().intakeFlow;
  EXPECT_EQ(ref.path, (folder / "HEAD.SY3").string());
  EXPECT_EQ(ref.name, "AVG");
  EXPECT_FALSE(ref.keyboard);
  EXPECT_TRUE(app_.document().changed());
  EXPECT_EQ(app_.settings().flowTab, FlowTestDialog::kDosTab);
  EXPECT_EQ(app_.settings().flowDosFolder,
            folder.path().string() + std::string(1, fs::path::preferred_separator));
}

// A DOS folder that cannot be read lists nothing, and the notes say why, naming it.
TEST_F(FlowTestDialogTest, ADosFolderThatCannotBeReadSaysWhy) {
  test::TempDir folder;
  const auto missing = folder / "gone";
  app_.EditSettings().flowDosFolder = missing.string();
  auto dialog = Dialog(true, FlowTestDialog::kDosTab);
  const std::string expected =
      "Cannot read the folder " + missing.string() + " (No such file or directory)";
  ASSERT_TRUE(test::WaitFor([&] {
    return Find<QPlainTextEdit>(*dialog, "txtDosNotes")->toPlainText().toStdString() == expected;
  })) << Find<QPlainTextEdit>(*dialog, "txtDosNotes")->toPlainText().toStdString();
  EXPECT_EQ(Find<QTreeWidget>(*dialog, "tvwTests")->topLevelItemCount(), 0);
}

// A folder of many test files: its listing takes a while.
void WriteManyTests(const fs::path& folder, int count) {
  for (int i = 0; i < count; ++i) {
    std::string name = std::to_string(1000 + i);
    name.insert(name.begin(), 'T');
    name += ".SY";
    std::string title = "Test ";
    title += std::to_string(i);
    test::WriteSyFile(folder / name, DosFile(title));
  }
}

std::string WithSeparator(const fs::path& folder) {
  return folder.string() + std::string(1, fs::path::preferred_separator);
}

TEST_F(FlowTestDialogTest, TheFolderChosenLastIsTheOneListed) {
  test::TempDir start, first, second;
  test::WriteSyFile(start / "START.SY", DosFile("Start"));
  WriteManyTests(first.path(), 300);
  test::WriteSyFile(second / "ONLY.SY", DosFile("Second folder"));
  app_.EditSettings().flowDosFolder = start.path().string();
  auto dialog = Dialog(true, FlowTestDialog::kDosTab);
  FlowDosTab* dos = dialog->dosTab();
  QSignalSpy listed(dos, &FlowDosTab::listed);
  QTreeWidget* tree = Find<QTreeWidget>(*dialog, "tvwTests");
  QPlainTextEdit* notes = Find<QPlainTextEdit>(*dialog, "txtDosNotes");
  ASSERT_TRUE(test::WaitFor([&] { return listed.count() == 1 && !dos->listing(); }));
  ASSERT_EQ(tree->topLevelItemCount(), 1);

  // The tree is emptied at once and the notes say the folder is being read.
  dos->ChangeFolder(first.path());
  EXPECT_TRUE(dos->listing());
  EXPECT_EQ(tree->topLevelItemCount(), 0);
  EXPECT_EQ(notes->toPlainText().toStdString(), kReadingTestFilesNotice);
  // A second folder chosen while the first is listed: only the second one's tests are shown,
  // now and after anything of the first could have arrived.
  dos->ChangeFolder(second.path());
  ASSERT_TRUE(test::WaitFor([&] { return !dos->listing(); }));
  QTest::qWait(100);
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "ONLY.SY");
  EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
  EXPECT_EQ(listed.count(), 2);
  EXPECT_EQ(dos->dosFolder().folder(), second.path());
  EXPECT_TRUE(notes->toPlainText().startsWith("Second folder\n"))
      << notes->toPlainText().toStdString();
  EXPECT_EQ(dialog->findChild<FolderPicker*>("dirDos")->folder(), second.path());

  Find<QPushButton>(*dialog, "cmdCancel")->click();
  EXPECT_EQ(app_.settings().flowDosFolder, WithSeparator(second.path()));
  EXPECT_TRUE(prompter_.warnings.empty());
}

TEST_F(FlowTestDialogTest, ClosingWhileAFolderIsListedStopsTheListing) {
  test::TempDir start, big;
  test::WriteSyFile(start / "START.SY", DosFile("Start"));
  WriteManyTests(big.path(), 300);
  app_.EditSettings().flowDosFolder = start.path().string();
  {
    auto dialog = Dialog(true, FlowTestDialog::kDosTab);
    FlowDosTab* dos = dialog->dosTab();
    QTreeWidget* tree = Find<QTreeWidget>(*dialog, "tvwTests");
    ASSERT_TRUE(test::WaitFor([&] { return tree->topLevelItemCount() == 1 && !dos->listing(); }));
    QSignalSpy listed(dos, &FlowDosTab::listed);
    dos->ChangeFolder(big.path());
    ASSERT_TRUE(dos->listing());
    Find<QPushButton>(*dialog, "cmdCancel")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dos->listing());
    // Nothing of the stopped listing arrives after the close.
    QTest::qWait(100);
    EXPECT_EQ(listed.count(), 0);
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    // The folder chosen is remembered, listed to its end or not.
    EXPECT_EQ(app_.settings().flowDosFolder, WithSeparator(big.path()));
    // Shown again, the tab lists it.
    dialog->show();
    ASSERT_TRUE(test::WaitFor([&] { return listed.count() == 1 && !dos->listing(); }));
    ASSERT_EQ(tree->topLevelItemCount(), 300);
    EXPECT_EQ(tree->topLevelItem(299)->text(0), "T1299.SY");
  }
  // A dialog destroyed while its folder is listed waits for the listing to stop; nothing of
  // it arrives afterwards.
  {
    auto dialog = Dialog(true, FlowTestDialog::kDosTab);
    dialog->dosTab()->ChangeFolder(big.path());
    ASSERT_TRUE(dialog->dosTab()->listing());
  }
  QTest::qWait(100);
  EXPECT_TRUE(prompter_.warnings.empty());
  EXPECT_FALSE(app_.document().changed());
}

TEST_F(FlowTestDialogTest, DoubleClickOnADosFileLoadsItsLiftsForTheExhaust) {
  test::TempDir folder;
  test::WriteSyFile(folder / "A.SY", DosFile("Stock port"));
  app_.EditSettings().flowDosFolder = folder.path().string();
  auto dialog = Dialog(false, FlowTestDialog::kDosTab);
  ASSERT_TRUE(test::WaitFor(
      [&] { return Find<QTreeWidget>(*dialog, "tvwTests")->topLevelItemCount() == 1; }));
  Q_EMIT Find<QTreeWidget>(*dialog, "tvwTests")
      ->itemDoubleClicked(Find<QTreeWidget>(*dialog, "tvwTests")->topLevelItem(0), 0);
  const EngineInputs& in = app_.document().engine().inputs();
  EXPECT_EQ(in.exhaustFlow.path, (folder / "A.SY").string());
  ASSERT_EQ(in.ELift.hi(), 3);
  EXPECT_FLOAT_EQ(in.ELift[1], 0.1f);
  EXPECT_FLOAT_EQ(in.ELift[2], 0.2f);
  EXPECT_FLOAT_EQ(in.ELift[3], 0.3f);
  EXPECT_EQ(in.intakeFlow, FlowTestRef{});  // the other side keeps its own
}

TEST_F(FlowTestDialogTest, AFileThatIsNoTestLeavesTheAirflowAndSaysWhy) {
  test::TempDir folder;
  test::WriteText(folder / "BAD.SY", "not a test");
  app_.EditSettings().flowDosFolder = folder.path().string();
  auto dialog = Dialog(true, FlowTestDialog::kDosTab);
  ASSERT_TRUE(test::WaitFor(
      [&] { return Find<QTreeWidget>(*dialog, "tvwTests")->topLevelItemCount() == 1; }));
  EXPECT_TRUE(Find<QPlainTextEdit>(*dialog, "txtDosNotes")
                  ->toPlainText()
                  .startsWith("*** ERROR READING FILE ***"));
  const EngineInputs before = app_.document().engine().inputs();
  Find<QPushButton>(*dialog, "cmdOpen")->click();
  EXPECT_TRUE(dialog->isVisible());
  ASSERT_EQ(prompter_.warnings.size(), 1u);
  EXPECT_NE(prompter_.warnings[0].find((folder / "BAD.SY").string()), std::string::npos);
  EXPECT_EQ(app_.document().engine().inputs().intakeFlow, before.intakeFlow);
  EXPECT_EQ(app_.document().engine().inputs().ILift.hi(), before.ILift.hi());
  EXPECT_FALSE(app_.document().changed());
}

TEST_F(FlowTestDialogTest, TheDatabaseListIsTheCommandLinesList) {
  const fs::path file = dir_ / "generated.mdb";
  test::GeneratedBench(120, 2).Write(file);
  auto dialog = DatabaseDialog(file);
  EXPECT_TRUE(prompter_.warnings.empty());
  EXPECT_EQ(dialog->testListModel()->rowCount(), 120);
  const test::CliResult all = FlowTestsCommand(file, {});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(ListText(*dialog->testListModel()), all.out);

  // Kind, side, a filter row and a sort key.
  Find<QComboBox>(*dialog, "cmbTestKind")->setCurrentIndex(1);   // By Lift (Auto)
  Find<QComboBox>(*dialog, "cmbIntExh")->setCurrentIndex(1);     // intake
  Find<QComboBox>(*dialog, "cmbJoin0")->setCurrentIndex(1);      // AND
  Find<QComboBox>(*dialog, "cmbField0")->setCurrentIndex(0);     // Manufacturer
  Find<QComboBox>(*dialog, "cmbRelation0")->setCurrentIndex(3);  // includes
  Find<QLineEdit>(*dialog, "txtValue0")->setText("r");
  Find<QComboBox>(*dialog, "cmbSort0")->setCurrentIndex(kTestNoColumn + 1);
  Relist(*dialog);
  const test::CliResult filtered =
      FlowTestsCommand(file, {"--kind", "By Lift (Auto)", "--side", "intake", "--filter",
                              "Manufacturer,includes,r", "--sort", "Test No."});
  ASSERT_EQ(filtered.status, 0) << filtered.err;
  EXPECT_EQ(ListText(*dialog->testListModel()), filtered.out);
  EXPECT_GT(dialog->testListModel()->rowCount(), 0);
  EXPECT_LT(dialog->testListModel()->rowCount(), 20);
}

TEST_F(FlowTestDialogTest, FiltersNotesAndOpenOnTheSampleBench) {
  const fs::path file = dir_ / "bench.mdb";
  test::SampleBench().Write(file);
  auto dialog = DatabaseDialog(file);
  // The operators and customers in primary key order after "[ANY]".
  ASSERT_EQ(Find<QComboBox>(*dialog, "cmbOperator")->count(), 4);
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbOperator")->itemText(0), "[ANY]");
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbOperator")->itemText(1), "Bob");
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCustomer")->itemText(1), "Acme Racing");

  Find<QComboBox>(*dialog, "cmbTestKind")->setCurrentIndex(4);  // By Lift (Manual)
  Find<QComboBox>(*dialog, "cmbSort0")->setCurrentIndex(kTestNoColumn + 1);
  Relist(*dialog);
  EXPECT_EQ(ListText(*dialog->testListModel()),
            "Date\tTime\tTest Kind\tTest Name\tTest No.\n"
            "4/2/2024\t08:45\tBy Lift (Manual)\tManual Pitot\t5\n"
            "3/14/2024\t15:05\tBy Lift (Manual)\tManual Plain\t8\n");

  Find<QComboBox>(*dialog, "cmbTestKind")->setCurrentIndex(0);
  Find<QComboBox>(*dialog, "cmbOperator")->setCurrentIndex(1);  // Bob
  Find<QCheckBox>(*dialog, "chkAnyDate")->setChecked(false);
  Find<QDateEdit>(*dialog, "dtpFrom")->setDate(QDate(2024, 3, 14));
  Find<QDateEdit>(*dialog, "dtpTo")->setDate(QDate(2024, 3, 15));
  Relist(*dialog);
  EXPECT_EQ(ListText(*dialog->testListModel()),
            "Date\tTime\tTest Kind\tTest Name\tTest No.\n"
            "3/14/2024\t10:15\tBy Lift (Auto)\tSBC Auto Intake\t1\n"
            "3/15/2024\t09:30\tBy Depression\tDepression Sweep\t3\n");

  // The notes of the selected test, then Open loads it.
  Find<QTableView>(*dialog, "grdTests")->selectRow(0);
  ASSERT_TRUE(test::WaitFor(
      [&] { return !Find<QPlainTextEdit>(*dialog, "txtNotes")->toPlainText().isEmpty(); }));
  EXPECT_TRUE(Find<QPlainTextEdit>(*dialog, "txtNotes")
                  ->toPlainText()
                  .startsWith("Ported by hand\nSecond line of notes\n"));
  ASSERT_TRUE(test::WaitFor([&] { return !dialog->databaseBusy(); }));
  QSignalSpy loaded(dialog.get(), &FlowTestDialog::sourceLoaded);
  Find<QPushButton>(*dialog, "cmdOpen")->click();
  EXPECT_EQ(loaded.count(), 1) << (prompter_.warnings.empty() ? "" : prompter_.warnings[0]);
  const FlowTestRef& ref = app_.document().engine().inputs().intakeFlow;
  EXPECT_EQ(ref.path, file.string());
  EXPECT_EQ(ref.testId, 1);
  EXPECT_EQ(ref.name, "SBC Auto Intake");
  EXPECT_EQ(app_.settings().flowDatabase, file.string());
}

TEST_F(FlowTestDialogTest, CancelDuringADatabaseReadLeavesTheEngineAsItWas) {
  const fs::path file = dir_ / "bench.mdb";
  test::SampleBench().Write(file);
  // A reader that takes its time before it starts.
  const test::ReaderScript slow(std::string("sleep 1\nexec '") + test::OrvantisProgram() +
                                "' \"$@\"");
  app_.testDatabases().SetReader(JetReaderOptions{slow.path()});
  const EngineInputs before = app_.document().engine().inputs();
  app_.EditSettings().flowDatabase = "";
  const std::string database;

  auto dialog = Dialog(true, FlowTestDialog::kDatabaseTab);
  QSignalSpy finished(dialog.get(), &FlowTestDialog::databaseReadFinished);
  prompter_.fileName = file.string();
  Find<QPushButton>(*dialog, "cmdDatabaseFile")->click();
  ASSERT_TRUE(dialog->databaseBusy());
  // The window goes on handling its events while the reader works.
  bool ticked = false;
  QTimer::singleShot(20, [&] { ticked = true; });
  ASSERT_TRUE(test::WaitFor([&] { return ticked; }, 5000));
  EXPECT_TRUE(dialog->databaseBusy());
  Find<QPushButton>(*dialog, "cmdCancelRead")->click();
  ASSERT_TRUE(test::WaitFor([&] { return !dialog->databaseBusy(); }));
  EXPECT_EQ(finished.count(), 1);
  EXPECT_EQ(dialog->testListModel()->rowCount(), 0);
  EXPECT_TRUE(prompter_.warnings.empty());
  EXPECT_EQ(app_.settings().flowDatabase, database);

  // Cancel of the dialog while a read runs closes it once the read has stopped.
  Find<QPushButton>(*dialog, "cmdDatabaseFile")->click();
  ASSERT_TRUE(dialog->databaseBusy());
  Find<QPushButton>(*dialog, "cmdCancel")->click();
  ASSERT_TRUE(test::WaitFor([&] { return !dialog->isVisible(); }));
  EXPECT_FALSE(dialog->databaseBusy());
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  const EngineInputs& after = app_.document().engine().inputs();
  EXPECT_EQ(after.intakeFlow, before.intakeFlow);
  EXPECT_EQ(after.ILift.hi(), before.ILift.hi());
  EXPECT_EQ(after.ICfm.hi(), before.ICfm.hi());
  EXPECT_FALSE(app_.document().changed());
  EXPECT_TRUE(prompter_.warnings.empty());
}

TEST_F(FlowTestDialogTest, WithoutAValidDatabaseTheListAsksForOne) {
  // The configuration names no database file (the data root is a folder): the list asks for
  // one without a message.
  const std::string database = app_.settings().flowDatabase;
  auto dialog = Dialog(true, FlowTestDialog::kDatabaseTab);
  ASSERT_TRUE(
      test::WaitFor([&] { return Find<QLabel>(*dialog, "lblListMessage")->isVisible(); }, 5000));
  EXPECT_EQ(Find<QLabel>(*dialog, "lblListMessage")->text().toStdString(), NeededText());
  EXPECT_EQ(NeededText(),
            "       ***  VALID DATABASE FILE NEEDED  ****\n"
            "       Click the 'Database File' button to select a database file.");

  const fs::path bad = dir_ / "bad.mdb";
  test::WriteText(bad, std::string(4096, 'x'));
  prompter_.fileName = bad.string();
  Find<QPushButton>(*dialog, "cmdDatabaseFile")->click();
  ASSERT_TRUE(test::WaitFor([&] { return !dialog->databaseBusy(); }));
  EXPECT_EQ(Find<QLabel>(*dialog, "lblListMessage")->text().toStdString(), NeededText());
  EXPECT_FALSE(Find<QTableView>(*dialog, "grdTests")->isVisible());
  ASSERT_EQ(prompter_.warnings.size(), 1u);
  EXPECT_NE(prompter_.warnings[0].find(bad.string()), std::string::npos) << prompter_.warnings[0];
  EXPECT_EQ(app_.settings().flowDatabase, database);
}

TEST_F(FlowTestDialogTest, KeyboardRowsBecomeTheTestAndCancelRestoresTheTables) {
  const EngineInputs before = app_.document().engine().inputs();
  auto type = [](FlowTestDialog& d, int row, Field field, const char* text) {
    QLineEdit* edit = KeyField(d, row, field);
    ASSERT_NE(edit, nullptr);
    edit->setText(text);
    Q_EMIT edit->editingFinished();
  };
  {
    auto dialog = Dialog(true, FlowTestDialog::kKeyboardTab);
    type(*dialog, 1, Field::Lift, "0.25");
    type(*dialog, 1, Field::Cfm, "120");
    Find<QPushButton>(*dialog, "cmdCancel")->click();
    const EngineInputs& in = app_.document().engine().inputs();
    EXPECT_EQ(in.ILift.hi(), before.ILift.hi());
    for (int i = in.ILift.lo(); i <= in.ILift.hi(); ++i) EXPECT_EQ(in.ILift[i], before.ILift[i]);
    EXPECT_EQ(app_.settings().flowTab, FlowTestDialog::kKeyboardTab);
  }
  auto dialog = Dialog(true, FlowTestDialog::kKeyboardTab);
  EXPECT_EQ(Find<QTabWidget>(*dialog, "tabFlowTests")->currentIndex(),
            FlowTestDialog::kKeyboardTab);
  const char* rows[][3] = {{"0.1", "100", "5"}, {"0.2", "150", "7"}, {"0.3", "180", "9"}};
  for (int r = 0; r < 3; ++r) {
    type(*dialog, r + 1, Field::Lift, rows[r][0]);
    type(*dialog, r + 1, Field::Cfm, rows[r][1]);
    type(*dialog, r + 1, Field::Swirl, rows[r][2]);
  }
  // Row 4 has no lift: it and the rows below are not taken.
  type(*dialog, 5, Field::Lift, "0.5");
  EXPECT_EQ(KeyField(*dialog, 1, Field::Lift)->text(), "0.1000");
  Find<QPushButton>(*dialog, "cmdOpen")->click();
  const EngineInputs& in = app_.document().engine().inputs();
  EXPECT_TRUE(in.intakeFlow.keyboard);
  ASSERT_EQ(in.ILift.hi(), 3);
  const float lifts[] = {0, 0.1f, 0.2f, 0.3f}, cfms[] = {0, 100, 150, 180}, swirls[] = {0, 5, 7, 9};
  for (int i = 0; i <= 3; ++i) {
    EXPECT_FLOAT_EQ(in.ILift[i], lifts[i]) << i;
    EXPECT_FLOAT_EQ(in.ICfm[i], cfms[i]) << i;
    EXPECT_FLOAT_EQ(in.ISwirl[i], swirls[i]) << i;
  }
  EXPECT_EQ(app_.document().intakeFlowTest().Records(), 3);
}

// Types the rows into the exhaust keyboard tab by keyboard, from row 1's lift on, moving with
// Tab; the focus ends in the field after the last one typed.
void TypeRows(FlowTestDialog& dialog,
              const std::vector<std::pair<const char*, const char*>>& rows) {
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  KeyField(dialog, 1, Field::Lift)->setFocus();
  for (const auto& [lift, cfm] : rows) {
    QTest::keyClicks(QApplication::focusWidget(), lift);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), cfm);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
}

TEST_F(FlowTestDialogTest, EnterTakesExactlyTheTypedRowsAndEscapeChangesNothing) {
  struct Row {
    const char* what;
    std::vector<std::pair<const char*, const char*>> rows;
    const char* typedLast;  // typed into the field with the focus, not left
    Qt::Key key;
    std::vector<float> lifts, cfms;  // the exhaust tables after the key (empty: unchanged)
  };
  const Row cases[] = {
      {"Enter in the empty fourth row",
       {{"0.1", "100"}, {"0.2", "150"}, {"0.3", "180"}},
       "",
       Qt::Key_Return,
       {0, 0.1f, 0.2f, 0.3f},
       {0, 100, 150, 180}},
      {"Enter with a fourth lift being typed",
       {{"0.1", "100"}, {"0.2", "150"}, {"0.3", "180"}},
       "0.4",
       Qt::Key_Enter,
       {0, 0.1f, 0.2f, 0.3f, 0.4f},
       {0, 100, 150, 180, 0}},
      {"Escape with a lift being typed", {{"0.1", "100"}}, "0.2", Qt::Key_Escape, {}, {}},
  };
  for (const Row& row : cases) {
    SCOPED_TRACE(row.what);
    EngineInputs& in = app_.document().engine().inputs();
    in.ELift.Redim(0, 0);
    in.ECfm.Redim(0, 0);
    in.ELift[0] = 0;
    in.ECfm[0] = 0;
    in.exhaustFlow.keyboard = false;
    app_.EditSettings().flowTab = FlowTestDialog::kKeyboardTab;
    FlowTestDialog dialog(app_, false);
    TypeRows(dialog, row.rows);
    QWidget* last = QApplication::focusWidget();
    ASSERT_EQ(last, KeyField(dialog, int(row.rows.size()) + 1, Field::Lift));
    QTest::keyClicks(last, row.typedLast);
    QTest::keyClick(last, row.key);
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog.isVisible());
    if (row.lifts.empty()) {
      EXPECT_EQ(in.ELift.hi(), 0);
      EXPECT_EQ(in.ECfm.hi(), 0);
      EXPECT_FALSE(in.exhaustFlow.keyboard);
      continue;
    }
    EXPECT_TRUE(in.exhaustFlow.keyboard);
    ASSERT_EQ(in.ELift.hi(), int(row.lifts.size()) - 1);
    ASSERT_EQ(in.ECfm.hi(), int(row.cfms.size()) - 1);
    for (std::size_t i = 0; i < row.lifts.size(); ++i) {
      EXPECT_FLOAT_EQ(in.ELift[int(i)], row.lifts[i]) << i;
      EXPECT_FLOAT_EQ(in.ECfm[int(i)], row.cfms[i]) << i;
    }
    EXPECT_EQ(app_.document().exhaustFlowTest().Records(), int(row.lifts.size()) - 1);
  }
}

TEST_F(FlowTestDialogTest, TheTabCaptionsComeFromTheInterfaceTexts) {
  const fs::path prog = dir_ / "prog2";
  fs::create_directories(prog);
  // The program's texts with two of the dialog's captions reworded.
  std::string texts = test::ReadText(dir_ / "prog" / "OV-STR.TXT");
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"DOS Sylfaro Tests", "Files"},
                                 {"\nKeyboard Entered\r\n[[TAB 5", "\nTyped\r\n[[TAB 5"}}) {
    const std::size_t at = texts.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    texts.replace(at, from.size(), to);
  }
  test::WriteText(prog / "OV-STR.TXT", texts);
  app_.SetFolders(Folders{prog, dir_ / "data"});
  app_.LoadStrings();
  FlowTestDialog dialog(app_, true);
  EXPECT_EQ(Find<QTabWidget>(dialog, "tabFlowTests")->tabText(0), "Files");
  EXPECT_EQ(Find<QTabWidget>(dialog, "tabFlowTests")->tabText(1), "Windows Sylfaro Tests");
  EXPECT_EQ(Find<QTabWidget>(dialog, "tabFlowTests")->tabText(2), "Typed");
}

TEST_F(FlowTestDialogTest, TheExhaustKeyboardTabHasNoSwirl) {
  auto dialog = Dialog(false, FlowTestDialog::kKeyboardTab);
  EXPECT_NE(KeyField(*dialog, 1, Field::Cfm), nullptr);
  EXPECT_EQ(KeyField(*dialog, 1, Field::Swirl), nullptr);
  EXPECT_EQ(KeyField(*dialog, 0, Field::Lift), nullptr);
  EXPECT_EQ(KeyField(*dialog, 11, Field::Lift), nullptr);
}

TEST_F(FlowTestDialogTest, TheChoicesRoundTripThroughTheConfiguration) {
  const fs::path file = dir_ / "bench.mdb";
  test::SampleBench().Write(file);
  {
    auto dialog = DatabaseDialog(file);
    Find<QComboBox>(*dialog, "cmbTestKind")->setCurrentIndex(4);
    Find<QComboBox>(*dialog, "cmbIntExh")->setCurrentIndex(2);
    Find<QComboBox>(*dialog, "cmbOperator")->setCurrentIndex(2);  // Alice
    Find<QComboBox>(*dialog, "cmbCustomer")->setCurrentIndex(3);  // the third customer by key
    Find<QComboBox>(*dialog, "cmbJoin1")->setCurrentIndex(2);
    Find<QComboBox>(*dialog, "cmbField1")->setCurrentIndex(4);  // Average CFM
    Find<QComboBox>(*dialog, "cmbRelation1")->setCurrentIndex(2);
    Find<QLineEdit>(*dialog, "txtValue1")->setText("150");
    Find<QComboBox>(*dialog, "cmbSort2")->setCurrentIndex(3);
    Find<QListWidget>(*dialog, "lstColumns")->item(1)->setCheckState(Qt::Unchecked);
    Find<QListWidget>(*dialog, "lstColumns")->item(5)->setCheckState(Qt::Checked);
    ASSERT_TRUE(test::WaitFor([&] { return !dialog->databaseBusy(); }));
    Find<QPushButton>(*dialog, "cmdCancel")->click();
    ASSERT_FALSE(dialog->isVisible());
  }
  const Settings& s = app_.settings();
  EXPECT_EQ(s.flowTab, FlowTestDialog::kDatabaseTab);
  EXPECT_EQ(s.filterTestKind, 4);
  EXPECT_EQ(s.filterSide, 2);
  EXPECT_EQ(s.filterOperator, "Alice");
  EXPECT_EQ(s.filterRows[1].joining, 2);
  EXPECT_EQ(s.filterRows[1].field, 4);
  EXPECT_EQ(s.filterRows[1].relation, 2);
  EXPECT_EQ(s.filterRows[1].parameter, "150");

  auto dialog = DatabaseDialog(file);
  const TestListSettings c = dialog->databaseTab()->Choices();
  EXPECT_EQ(c.kind, kTestListKinds[4]);
  EXPECT_EQ(c.side, SideFilter::Exhaust);
  EXPECT_EQ(c.operatorName, "Alice");
  ASSERT_TRUE(c.customerId.has_value());
  EXPECT_EQ(*c.customerId, dialog->databaseTab()->databaseLists().customers[2].id);
  EXPECT_EQ(c.rows[1].connector, FilterConnector::Or);
  EXPECT_EQ(c.rows[1].field, 4);
  EXPECT_EQ(c.rows[1].relation, FilterRelation::Greater);
  EXPECT_EQ(c.rows[1].value, "150");
  EXPECT_EQ(c.sortColumns, (std::array<int, 3>{-1, -1, 2}));
  EXPECT_EQ(c.shownColumns, (std::vector<int>{0, 2, 3, 4, 5}));
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbOperator")->currentText(), "Alice");
}

TEST_F(FlowTestDialogTest, ACsvFileIsPreviewedMappedAndOpened) {
  test::TempDir folder;
  const fs::path metric = folder / "metric.csv";
  test::WriteText(metric,
                  "Lift (mm);Flow (m3/min);Depression (kPa);Swirl\n2,54;2;7;10\n5,08;4;7;20\n");
  auto dialog = Dialog(true, FlowTestDialog::kCsvTab);
  EXPECT_EQ(Find<QTabWidget>(*dialog, "tabFlowTests")->count(), 4);
  EXPECT_EQ(Find<QTabWidget>(*dialog, "tabFlowTests")->tabText(FlowTestDialog::kCsvTab),
            "CSV File");
  dialog->csvTab()->UseFile(metric);
  QTableWidget* preview = Find<QTableWidget>(*dialog, "grdCsvPreview");
  ASSERT_EQ(preview->rowCount(), 2);
  ASSERT_EQ(preview->columnCount(), 4);
  EXPECT_EQ(preview->horizontalHeaderItem(1)->text(), "2: Flow (m3/min)");
  EXPECT_EQ(preview->item(1, 0)->text(), "5,08");
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCsvLift")->currentIndex(), 1);
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCsvFlow")->currentIndex(), 2);
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCsvDepression")->currentIndex(), 3);
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCsvSwirl")->currentIndex(), 4);
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCsvLiftUnit")->currentText(), "mm");
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCsvFlowUnit")->currentText(), "m3/min");
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCsvDepressionUnit")->currentText(), "kPa");
  EXPECT_FALSE(Find<QCheckBox>(*dialog, "chkCsvCorrect")->isChecked());
  EXPECT_EQ(Find<QLineEdit>(*dialog, "txtCsvCorrectTo")->text(), "25");
  // Corrected from 7 kPa (28.1024 inH2O) to 25 inH2O.
  Find<QCheckBox>(*dialog, "chkCsvCorrect")->setChecked(true);
  Find<QLineEdit>(*dialog, "txtCsvValve")->setText("2.02");
  Find<QPushButton>(*dialog, "cmdOpen")->click();
  EXPECT_TRUE(prompter_.warnings.empty());
  const EngineInputs& in = app_.document().engine().inputs();
  ASSERT_EQ(in.ILift.hi(), 2);
  EXPECT_FLOAT_EQ(in.ILift[2], 0.2f);
  EXPECT_FLOAT_EQ(in.ICfm[1], float(2 * kCfmPerM3Min * std::sqrt(25.0 / (7000 / 249.08891))));
  EXPECT_FLOAT_EQ(in.ISwirl[2], 20.0f);
  EXPECT_EQ(in.intakeFlow.path, metric.string());
  EXPECT_EQ(app_.document().intakeFlowTest().Condition.HeadIntakeVDia, 2.02f);
  EXPECT_EQ(app_.settings().flowTab, FlowTestDialog::kCsvTab);
  EXPECT_EQ(app_.settings().csvMappings.size(), 1u);
}

TEST_F(FlowTestDialogTest, AnUnknownHeaderIsMappedByHandAndRememberedForItsLayout) {
  test::TempDir folder;
  const fs::path first = folder / "first.csv";
  const fs::path second = folder / "second.csv";
  test::WriteText(first, "Punkt,Hub,Durchfluss\n1,0.1,80\n2,0.2,160\n");
  test::WriteText(second, "punkt,HUB,durchfluss\n1,0.3,200\n2,0.4,x\n");
  {
    auto dialog = Dialog(false, FlowTestDialog::kCsvTab);
    dialog->csvTab()->UseFile(first);
    EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCsvLift")->currentIndex(), 0);
    EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCsvFlow")->currentIndex(), 0);
    Find<QPushButton>(*dialog, "cmdOpen")->click();
    ASSERT_EQ(prompter_.warnings.size(), 1u);
    EXPECT_EQ(prompter_.warnings[0], "Choose the columns of the lift and the flow.");
    EXPECT_TRUE(dialog->isVisible());
    Find<QComboBox>(*dialog, "cmbCsvLift")->setCurrentIndex(2);
    Find<QComboBox>(*dialog, "cmbCsvFlow")->setCurrentIndex(3);
    Find<QPushButton>(*dialog, "cmdOpen")->click();
    EXPECT_EQ(prompter_.warnings.size(), 1u);
    const EngineInputs& in = app_.document().engine().inputs();
    ASSERT_EQ(in.ELift.hi(), 2);
    EXPECT_FLOAT_EQ(in.ECfm[2], 160.0f);
  }
  // The same layout (any case) opens with the mapping chosen; its bad row is told and the
  // airflow stays.
  const EngineInputs before = app_.document().engine().inputs();
  auto dialog = Dialog(false, FlowTestDialog::kCsvTab);
  dialog->csvTab()->UseFile(second);
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCsvLift")->currentIndex(), 2);
  EXPECT_EQ(Find<QComboBox>(*dialog, "cmbCsvFlow")->currentIndex(), 3);
  Find<QPushButton>(*dialog, "cmdOpen")->click();
  ASSERT_EQ(prompter_.warnings.size(), 2u);
  EXPECT_NE(prompter_.warnings[1].find("line 3: the flow \"x\" is not a number"), std::string::npos)
      << prompter_.warnings[1];
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(app_.document().engine().inputs().ECfm, before.ECfm);
}

TEST_F(FlowTestDialogTest, EachEditButtonOpensTheDialogOfItsSource) {
  struct Row {
    int source;
    const char* title;
    bool cam;
    bool intake;
  };
  const Row rows[] = {{0, "Intake Cam", true, true},
                      {1, "Exhaust Cam", true, false},
                      {2, "Intake Flow Test", false, true},
                      {3, "Exhaust Flow Test", false, false}};
  QWidget window;
  window.show();
  for (const Row& row : rows) {
    QPointer<QDialog> dialog = OpenSourceDialog(app_, row.source, &window, &window, [] {});
    ASSERT_NE(dialog, nullptr) << row.source;
    EXPECT_EQ(dialog->windowTitle(), row.title);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    if (row.cam) {
      ASSERT_NE(qobject_cast<CamDialog*>(dialog.data()), nullptr);
      EXPECT_EQ(qobject_cast<CamDialog*>(dialog.data())->intake(), row.intake);
    } else {
      ASSERT_NE(qobject_cast<FlowTestDialog*>(dialog.data()), nullptr);
      EXPECT_EQ(qobject_cast<FlowTestDialog*>(dialog.data())->intake(), row.intake);
    }
    dialog->reject();
    // Closed dialogs are deleted.
    ASSERT_TRUE(test::WaitFor([&] { return dialog.isNull(); }, 5000)) << row.source;
  }
  EXPECT_EQ(OpenSourceDialog(app_, 4, &window, &window, [] {}), nullptr);
  EXPECT_EQ(OpenSourceDialog(app_, -1, &window, &window, [] {}), nullptr);
}

}  // namespace
}  // namespace orv
