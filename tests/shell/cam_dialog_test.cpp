#include "shell/cam_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/cam_card.h"
#include "engine/engine.h"
#include "find_widget.h"
#include "shell/background_job.h"
#include "shell/folder_picker.h"
#include "shell/lobe_preview.h"
#include "shell/lobe_table_model.h"
#include "source_dialogs_fixture.h"
#include "support/cam_text_writer.h"
#include "support/lbk_writer.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// A folder of cam files: a lobe data file with an intake lobe on shaft 1 and an exhaust lobe on
// shaft 2, an S96 file, a cam document, and files the dialog does not list.
struct CamFiles {
  test::TempDir dir;
  fs::path lbk = dir / "SHAFTS.LBK";
  fs::path doc = dir / "PAIR.C2";
  CamFiles() {
    std::vector<double> lift(360, 0);
    for (int i = -40; i <= 40; ++i)
      lift[static_cast<std::size_t>(i + 180)] = 0.5 - 0.01 * std::abs(i);
    test::WriteTextFile(dir / "LOBE.S96", test::S96Text(lift));
    // Intake column peaks at 0.35 (100 degrees after), exhaust column at 0.3 (100 before).
    std::vector<std::pair<double, double>> rows(360);
    for (int i = -180; i <= 179; ++i) {
      rows[static_cast<std::size_t>(i + 180)] = {std::max(0.0, 0.3 - 0.01 * std::abs(i + 100)),
                                                 std::max(0.0, 0.35 - 0.01 * std::abs(i - 100))};
    }
    test::WriteTextFile(doc, test::CamDocText(rows));
    test::LbkFile f;
    f.version = 6;
    f.shaftCount = 2;
    f.shaftNames[0] = "INTAKE";
    f.notes = "Ported head cam";
    test::LbkLobe exhaust;
    exhaust.shaftNo = 2;
    exhaust.lobeNo = -105;
    exhaust.camCenterLine = -210;
    exhaust.rockerRatio = 1.7f;
    for (int i = -20; i <= 20; ++i) {
      exhaust.lift[static_cast<std::size_t>(i + 180)] = 0.02f * float(20 - std::abs(i));
    }
    test::LbkLobe intake = exhaust;
    intake.shaftNo = 1;
    intake.lobeNo = 12;
    intake.camCenterLine = 106;
    intake.rockerRatio = 1.6f;
    intake.lash = 0.012f;
    f.lobes = {exhaust, intake};
    test::WriteLbkFile(lbk, f);
    test::WriteBytesFile(dir / "BAD.LBK", std::string(3000, 'x'));
    test::WriteTextFile(dir / "OLD.C17", "0,0\r\n");
  }
};

class CamDialogTest : public test::SourceDialogsTest {
 protected:
  // A dialog for one side over the fixture folder, shown and filled.
  std::unique_ptr<CamDialog> Shown(bool intake) {
    app_.EditSettings().camFolder = files_.dir.path().string();
    auto dialog = std::make_unique<CamDialog>(app_, intake);
    dialog->show();
    EXPECT_TRUE(test::WaitFor([&] { return dialog->lobeTree()->topLevelItemCount() > 0; }));
    return dialog;
  }
  static QTreeWidgetItem* Item(CamDialog& d, int top, int child = -1) {
    QTreeWidgetItem* item = d.lobeTree()->topLevelItem(top);
    return child < 0 ? item : item->child(child);
  }
  static std::string Text(const QTreeWidgetItem* item) {
    return item->text(0).trimmed().toStdString();
  }
  CamFiles files_;
};

TEST_F(CamDialogTest, TheTreeOfAFolderWithItsNotesAndInstructions) {
  app_.EditSettings().camFolder = files_.dir.path().string();
  CamDialog dialog(app_, true);
  EXPECT_EQ(dialog.windowTitle(), "Intake Cam");
  EXPECT_EQ(test::Find<QLabel>(dialog, "lblInstruct")->text(),
            "Hit the Spacebar or Double Click to Select Lobes");
  dialog.show();
  ASSERT_TRUE(test::WaitFor([&] { return dialog.lobeTree()->topLevelItemCount() > 0; }));
  EXPECT_EQ(test::Find<QLabel>(dialog, "lblInstruct")->text().toStdString(),
            app_.strings().Misc(82));
  EXPECT_FALSE(app_.strings().Misc(82).empty());

  // The lobe data file first (the unreadable one has no node), then the S96 file, then the
  // cam document; OLD.C17 is not a cam document.
  struct Row {
    std::string text;
    std::vector<std::string> children;
  };
  const std::vector<Row> expected = {
      {"SHAFTS.LBK", {"I12  : INTAKE", "E5a : Shaft No. 2"}},
      {"LOBE.S96", {}},
      {"PAIR.C2", {"Intake", "Exhaust"}},
  };
  QTreeWidget* tree = dialog.lobeTree();
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  for (int t = 0; t < 3; ++t) {
    const Row& row = expected[static_cast<std::size_t>(t)];
    EXPECT_EQ(Text(tree->topLevelItem(t)), row.text) << t;
    // Node texts are padded to 30 characters.
    EXPECT_EQ(tree->topLevelItem(t)->text(0).size(), 30) << t;
    ASSERT_EQ(tree->topLevelItem(t)->childCount(), static_cast<int>(row.children.size())) << t;
    for (int c = 0; c < tree->topLevelItem(t)->childCount(); ++c) {
      EXPECT_EQ(Text(tree->topLevelItem(t)->child(c)), row.children[static_cast<std::size_t>(c)]);
    }
  }
  // The first node is selected and its file's notes are shown; an S96 file has none.
  EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
  EXPECT_TRUE(test::Find<QLabel>(dialog, "lblLobeInfo")->text().startsWith("Ported head cam"));
  tree->setCurrentItem(tree->topLevelItem(1));
  EXPECT_EQ(test::Find<QLabel>(dialog, "lblLobeInfo")->text(), "");
  tree->setCurrentItem(Item(dialog, 0, 1));
  EXPECT_TRUE(test::Find<QLabel>(dialog, "lblLobeInfo")->text().startsWith("Ported head cam"));
}

// The lists keep their height when a lobe's notes appear or go, and take all the height the
// dialog grows by; the notes show their written lines only.
TEST_F(CamDialogTest, TheListsKeepTheirHeightAndGrowWithTheDialog) {
  auto dialog = Shown(true);
  QTreeWidget* tree = dialog->lobeTree();
  tree->setCurrentItem(Item(*dialog, 1));
  QApplication::processEvents();
  ASSERT_EQ(test::Find<QLabel>(*dialog, "lblLobeInfo")->text(), "");
  const int bare = tree->height();
  EXPECT_GT(bare, dialog->height() / 3);
  tree->setCurrentItem(Item(*dialog, 0, 1));
  QApplication::processEvents();
  EXPECT_EQ(test::Find<QLabel>(*dialog, "lblLobeInfo")->text(), "Ported head cam");
  EXPECT_EQ(tree->height(), bare);
  const QWidget* notesBox = dialog->findChild<QWidget*>("notesBox");
  ASSERT_NE(notesBox, nullptr);
  EXPECT_TRUE(notesBox->isVisible());
  // The dialog keeps its width on a wide screen; its height is the user's.
  dialog->resize(dialog->width(), dialog->height() + 200);
  QApplication::processEvents();
  EXPECT_EQ(tree->height(), bare + 200);
}

// The keyboard starts in the lobes, or in the folders where the folder lists no lobe, so that the
// arrow keys never change the drive.
TEST_F(CamDialogTest, TheKeyboardStartsInTheLobesOrTheFolders) {
  auto dialog = Shown(true);
  EXPECT_EQ(dialog->focusWidget(), dialog->lobeTree());
  app_.EditSettings().camFolder = (files_.dir / "none").string();
  fs::create_directory(files_.dir / "none");
  CamDialog empty(app_, true);
  empty.show();
  const QWidget* folders = empty.findChild<FolderPicker*>()->folderList();
  ASSERT_TRUE(test::WaitFor([&] { return empty.focusWidget() == folders; }));
  EXPECT_EQ(empty.lobeTree()->topLevelItemCount(), 0);
}

TEST_F(CamDialogTest, HideAllAndShowAll) {
  auto dialog = Shown(true);
  test::Find<QPushButton>(*dialog, "cmdShowAll")->click();
  EXPECT_TRUE(Item(*dialog, 0)->isExpanded());
  EXPECT_TRUE(Item(*dialog, 2)->isExpanded());
  test::Find<QPushButton>(*dialog, "cmdHideAll")->click();
  for (int t = 0; t < 3; ++t) EXPECT_FALSE(Item(*dialog, t)->isExpanded()) << t;
}

TEST_F(CamDialogTest, SpaceOnAFileNodeExpandsItAndOpensNothing) {
  auto dialog = Shown(true);
  const EngineInputs before = app_.document().engine().inputs();
  QSignalSpy loaded(dialog.get(), &CamDialog::sourceLoaded);
  test::Find<QPushButton>(*dialog, "cmdHideAll")->click();
  dialog->lobeTree()->setCurrentItem(Item(*dialog, 0));
  QTest::keyClick(dialog->lobeTree(), Qt::Key_Space);
  EXPECT_TRUE(Item(*dialog, 0)->isExpanded());
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(loaded.count(), 0);
  EXPECT_EQ(app_.document().engine().inputs().intakeCam, before.intakeCam);
  EXPECT_FALSE(app_.document().changed());
}

TEST_F(CamDialogTest, SpaceOnALobeOpensItAndTheCamSettingsAreTheLobes) {
  auto dialog = Shown(true);
  QSignalSpy loaded(dialog.get(), &CamDialog::sourceLoaded);
  dialog->lobeTree()->setCurrentItem(Item(*dialog, 0, 0));
  QTest::keyClick(dialog->lobeTree(), Qt::Key_Space);
  EXPECT_EQ(loaded.count(), 1);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), QDialog::Accepted);

  const EngineInputs& in = app_.document().engine().inputs();
  EXPECT_EQ(in.intakeCam, (CamFileRef{files_.lbk.string(), 12, 1}));
  EXPECT_EQ(in.I_CL, 106.0);
  EXPECT_EQ(in.I_RR, 1.6f);
  EXPECT_EQ(in.I_Lash, 0.012f);
  // The lobe's peak (20 steps of 0.02) lands at the lobe centre entry.
  EXPECT_FLOAT_EQ(in.Int[179], 0.4f);
  EXPECT_EQ(app_.document().controller().panel().text[kInIntakeRR], "1.600");
  EXPECT_EQ(app_.document().controller().panel().text[kInIntakeLash], "0.012");
  EXPECT_EQ(in.E_RR, 1.85f);  // the exhaust side keeps its own
  EXPECT_TRUE(app_.document().changed());
  EXPECT_EQ(app_.settings().camFolder,
            files_.dir.path().string() + std::string(1, fs::path::preferred_separator));
  EXPECT_TRUE(prompter_.warnings.empty());
}

TEST_F(CamDialogTest, TheExhaustChildOfACamDocumentReadsTheSidesColumn) {
  struct Case {
    bool intake;
    int child;
    float peak;
  };
  // The column read follows the dialog's side, whichever child is confirmed.
  for (const Case c : {Case{true, 1, 0.35f}, Case{true, 0, 0.35f}, Case{false, 0, 0.3f}}) {
    auto dialog = Shown(c.intake);
    Q_EMIT dialog->lobeTree()->itemDoubleClicked(Item(*dialog, 2, c.child), 0);
    const EngineInputs& in = app_.document().engine().inputs();
    EXPECT_FLOAT_EQ((c.intake ? in.Int : in.Exh)[179], c.peak) << c.intake << c.child;
    EXPECT_EQ((c.intake ? in.intakeCam : in.exhaustCam).path, files_.doc.string());
  }
}

TEST_F(CamDialogTest, TheExhaustLobeOfTheSecondShaftWithOpen) {
  auto dialog = Shown(false);
  EXPECT_EQ(dialog->windowTitle(), "Exhaust Cam");
  dialog->lobeTree()->setCurrentItem(Item(*dialog, 0, 1));
  test::Find<QPushButton>(*dialog, "cmdOpen")->click();
  const EngineInputs& in = app_.document().engine().inputs();
  EXPECT_EQ(in.exhaustCam, (CamFileRef{files_.lbk.string(), -105, 2}));
  EXPECT_EQ(in.E_CL, -210.0);
  EXPECT_EQ(in.E_RR, 1.7f);
  EXPECT_FLOAT_EQ(in.Exh[179], 0.4f);
}

TEST_F(CamDialogTest, AnEmptyOrMissingFolderOpensNothing) {
  for (const fs::path& folder : {dir_ / "data", dir_ / "nowhere"}) {
    app_.EditSettings().camFolder = folder.string();
    const EngineInputs before = app_.document().engine().inputs();
    CamDialog dialog(app_, true);
    QSignalSpy loaded(&dialog, &CamDialog::sourceLoaded);
    dialog.show();
    ASSERT_TRUE(test::WaitFor([&] { return !dialog.listing(); }));
    EXPECT_EQ(dialog.folder().directory(), folder);
    EXPECT_EQ(dialog.lobeTree()->topLevelItemCount(), 0);
    // The missing folder's notes say why nothing is listed; the empty one's say nothing.
    const QLabel* notes = dialog.findChild<QLabel*>("lblLobeInfo");
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->text().toStdString(),
              folder == dir_ / "nowhere"
                  ? "Cannot read the folder " + folder.string() + " (No such file or directory)"
                  : "");
    test::Find<QPushButton>(dialog, "cmdOpen")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(loaded.count(), 0);
    EXPECT_EQ(app_.document().engine().inputs().intakeCam, before.intakeCam);
    EXPECT_EQ(app_.document().engine().inputs().I_RR, before.I_RR);
  }
}

// The table of cards, filled off the window's thread.

// Waits until the dialog's table holds every lobe of its folder.
bool TableFilled(CamDialog& d) {
  return test::WaitFor([&] {
    return !d.listing() && !d.cardJob()->busy() &&
           test::Find<QProgressBar>(d, "cardProgress")->value() ==
               test::Find<QProgressBar>(d, "cardProgress")->maximum();
  });
}

// The source row shown at table row `r` of the sorted view.
int SourceRow(CamDialog& d, int r) {
  return test::Find<LobeTableSort>(d, "lobeTableSort")
      ->mapToSource(test::Find<LobeTableSort>(d, "lobeTableSort")->index(r, 0))
      .row();
}

void ExpectSameCard(const CamCard& table, const CamCard& opened, const std::string& what) {
  EXPECT_EQ(table.intake, opened.intake) << what;
  EXPECT_NEAR(table.maxLift, opened.maxLift, 1e-12) << what;
  EXPECT_NEAR(table.maxLiftAngle, opened.maxLiftAngle, 1e-9) << what;
  EXPECT_NEAR(table.liftArea, opened.liftArea, 1e-9) << what;
  EXPECT_EQ(table.centerline.has_value(), opened.centerline.has_value()) << what;
  if (table.centerline && opened.centerline) {
    EXPECT_NEAR(*table.centerline, *opened.centerline, 1e-9) << what;
  }
  ASSERT_EQ(table.checks.size(), opened.checks.size()) << what;
  for (std::size_t k = 0; k < table.checks.size(); ++k) {
    EXPECT_EQ(table.checks[k].duration.has_value(), opened.checks[k].duration.has_value()) << what;
    if (table.checks[k].duration && opened.checks[k].duration) {
      EXPECT_NEAR(*table.checks[k].duration, *opened.checks[k].duration, 1e-9) << what << k;
    }
  }
}

// Every row of the table holds the card the engine shows after that lobe alone is opened with
// the dialog: the same side, centerline, rocker ratio and lash (a lobe data file's own), and the
// cam document's column of the dialog's side.
TEST_F(CamDialogTest, TheTableHoldsTheCardOfEachLobeOpenedAlone) {
  for (const bool intake : {true, false}) {
    auto dialog = Shown(intake);
    ASSERT_TRUE(TableFilled(*dialog));
    const LobeTableModel& model = *dialog->tableModel();
    ASSERT_EQ(model.rowCount(), 5);
    const std::vector<std::pair<std::string, std::string>> names = {
        {"SHAFTS.LBK", "I12  : INTAKE"},
        {"SHAFTS.LBK", "E5a : Shaft No. 2"},
        {"LOBE.S96", ""},
        {"PAIR.C2", "Intake"},
        {"PAIR.C2", "Exhaust"}};
    std::vector<CamCard> table;
    for (int r = 0; r < 5; ++r) {
      const LobeCardRow& row = model.row(r).card;
      EXPECT_EQ(row.file, names[std::size_t(r)].first);
      EXPECT_EQ(row.lobe, names[std::size_t(r)].second);
      ASSERT_TRUE(row.card.has_value()) << r << row.failure;
      table.push_back(*row.card);
    }
    dialog.reset();
    for (int r = 0; r < 5; ++r) {
      const std::string what = (intake ? "intake row " : "exhaust row ") + std::to_string(r);
      auto d = Shown(intake);
      ASSERT_TRUE(TableFilled(*d));
      // The table's current row is the tree's; Enter in the table opens it.
      test::Find<QTableView>(*d, "lobeTable")->setFocus();
      test::Find<QTableView>(*d, "lobeTable")
          ->setCurrentIndex(test::Find<LobeTableSort>(*d, "lobeTableSort")
                                ->mapFromSource(d->tableModel()->index(r, 0)));
      QTest::keyClick(test::Find<QTableView>(*d, "lobeTable"), Qt::Key_Return);
      ASSERT_FALSE(d->isVisible()) << what;
      const EngineCamCard opened = EngineCamCards(app_.document().engine(), {0.006, 0.050, 0.200});
      const std::optional<CamCard>& side = intake ? opened.intake : opened.exhaust;
      ASSERT_TRUE(side.has_value()) << what;
      ExpectSameCard(table[std::size_t(r)], *side, what);
    }
    // The two rows of the cam document read the same column: the dialog's side.
    ExpectSameCard(table[3], table[4], "cam document columns");
  }
}

// A folder of the fixture's files, a lobe too small to reach 0.050 in and a lobe data file of
// `extra` more lobes.
fs::path WiderFolder(const test::TempDir& dir, int extra) {
  const fs::path folder = dir / "wide";
  fs::create_directories(folder);
  std::vector<double> small(360, 0);
  for (int i = -6; i <= 6; ++i)
    small[static_cast<std::size_t>(i + 180)] = 0.03 - 0.004 * std::abs(i);
  test::WriteTextFile(folder / "SMALL.S96", test::S96Text(small));
  test::LbkFile f;
  f.version = 6;
  for (int n = 0; n < extra; ++n) {
    test::LbkLobe lobe;
    lobe.lobeNo = static_cast<std::int16_t>(n + 1);
    lobe.camCenterLine = 108;
    lobe.rockerRatio = 1.5f;
    const int w = 30 + 5 * n;
    for (int i = -w; i <= w; ++i)
      lobe.lift[static_cast<std::size_t>(i + 180)] =
          0.3f * static_cast<float>(1 + std::cos(3.141592653589793 * i / w)) / 2;
    f.lobes.push_back(lobe);
  }
  test::WriteLbkFile(folder / "MANY.LBK", f);
  return folder;
}

TEST_F(CamDialogTest, SortingByAColumnSortsByTheNumberWithMissingFiguresLast) {
  app_.EditSettings().camFolder = WiderFolder(files_.dir, 4).string();
  CamDialog dialog(app_, true);
  dialog.show();
  ASSERT_TRUE(TableFilled(dialog));
  LobeTableModel& model = *dialog.tableModel();
  ASSERT_EQ(model.rowCount(), 5);  // four lobes of MANY.LBK, SMALL.S96
  const int dur050 = LobeTableModel::kDuration0 + 1;
  const int dur006 = LobeTableModel::kDuration0;
  // The small lobe has a duration at 0.006 in (below 100 degrees: a sort by text would put it
  // after the others) and none at 0.050 in.
  const int small = 4;
  ASSERT_EQ(model.row(small).card.file, "SMALL.S96");
  EXPECT_EQ(model.index(small, dur050).data().toString(), QString::fromUtf8("\xe2\x80\x93"));
  EXPECT_FALSE(model.index(small, dur050).data(Qt::UserRole).isValid());
  ASSERT_LT(model.index(small, dur006).data(Qt::UserRole).toDouble(), 100);
  struct Case {
    int column;
    Qt::SortOrder order;
    std::vector<int> rows;  // source rows top to bottom
  };
  // MANY.LBK's lobes widen with their number: durations and areas grow from I1 to I4.
  const std::vector<Case> cases = {
      {dur006, Qt::AscendingOrder, {4, 0, 1, 2, 3}},
      {dur006, Qt::DescendingOrder, {3, 2, 1, 0, 4}},
      {dur050, Qt::AscendingOrder, {0, 1, 2, 3, 4}},
      {dur050, Qt::DescendingOrder, {3, 2, 1, 0, 4}},
      {LobeTableModel::kFile, Qt::AscendingOrder, {0, 1, 2, 3, 4}},
      {LobeTableModel::kFile, Qt::DescendingOrder, {4, 0, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    test::Find<QTableView>(dialog, "lobeTable")->sortByColumn(c.column, c.order);
    std::vector<int> rows;
    for (int r = 0; r < 5; ++r) rows.push_back(SourceRow(dialog, r));
    EXPECT_EQ(rows, c.rows) << c.column << " " << c.order;
  }
  // The shown durations read in that order as numbers.
  test::Find<QTableView>(dialog, "lobeTable")->sortByColumn(dur006, Qt::AscendingOrder);
  double last = -1;
  for (int r = 0; r < 5; ++r) {
    const double v = test::Find<LobeTableSort>(dialog, "lobeTableSort")
                         ->index(r, dur006)
                         .data()
                         .toString()
                         .toDouble();
    EXPECT_GT(v, last) << r;
    last = v;
  }
}

// A seventh tick is refused (with a beep and a word why) until one of the six is taken off.
TEST_F(CamDialogTest, ThePreviewTakesSixTickedLobesAndRefusesASeventh) {
  app_.EditSettings().camFolder = WiderFolder(files_.dir, 7).string();
  CamDialog dialog(app_, true);
  dialog.show();
  ASSERT_TRUE(TableFilled(dialog));
  ASSERT_EQ(dialog.tableModel()->rowCount(), 8);
  QTableView* table = test::Find<QTableView>(dialog, "lobeTable");
  // From the tree, Tab reaches the table; Down and Space tick row after row.
  dialog.lobeTree()->setFocus();
  QTest::keyClick(dialog.lobeTree(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), table);
  table->setCurrentIndex(test::Find<LobeTableSort>(dialog, "lobeTableSort")->index(0, 0));
  for (int r = 0; r < 6; ++r) {
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_EQ(test::Find<LobePreview>(dialog, "lobePreview")->lobeCount(), r + 1);
    QTest::keyClick(table, Qt::Key_Down);
  }
  EXPECT_EQ(dialog.tableModel()->tickedRows(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(prompter_.beeps, 0);
  QTest::keyClick(table, Qt::Key_Space);  // the seventh
  EXPECT_EQ(dialog.tableModel()->tickedRows().size(), 6u);
  EXPECT_FALSE(dialog.tableModel()->ticked(6));
  EXPECT_EQ(test::Find<LobePreview>(dialog, "lobePreview")->lobeCount(), 6);
  EXPECT_EQ(prompter_.beeps, 1);
  EXPECT_FALSE(test::Find<QLabel>(dialog, "lblTableStatus")->text().isEmpty());
  // A click on the box is refused the same way.
  EXPECT_FALSE(dialog.tableModel()->setData(dialog.tableModel()->index(7, 0), Qt::Checked,
                                            Qt::CheckStateRole));
  // Untick the third; the seventh then goes in, last in the tick order.
  EXPECT_TRUE(dialog.tableModel()->SetTicked(2, false));
  EXPECT_EQ(test::Find<LobePreview>(dialog, "lobePreview")->lobeCount(), 5);
  QTest::keyClick(table, Qt::Key_Space);
  EXPECT_EQ(dialog.tableModel()->tickedRows(), (std::vector<int>{0, 1, 3, 4, 5, 6}));
  EXPECT_EQ(test::Find<LobePreview>(dialog, "lobePreview")->lobeCount(), 6);
  EXPECT_TRUE(test::Find<QLabel>(dialog, "lblTableStatus")->text().isEmpty());
  // Two curves a lobe: lift on the left scale, velocity on the right, the lift at the lobe
  // centre (crank 0) the lobe's peak: 0.3 x 1.5.
  ASSERT_EQ(test::Find<LobePreview>(dialog, "lobePreview")->graphCount(), 12);
  const QCPGraph* lift = test::Find<LobePreview>(dialog, "lobePreview")->graph(0);
  EXPECT_EQ(lift->valueAxis(), test::Find<LobePreview>(dialog, "lobePreview")->yAxis);
  EXPECT_EQ(test::Find<LobePreview>(dialog, "lobePreview")->graph(1)->valueAxis(),
            test::Find<LobePreview>(dialog, "lobePreview")->yAxis2);
  bool found = false;
  EXPECT_NEAR(lift->data()->findBegin(0, false)->value, 0.45, 1e-6);
  EXPECT_NEAR(lift->getValueRange(found).upper, 0.45, 1e-6);
  // The current row follows into the tree, where Open takes it.
  table->setCurrentIndex(test::Find<LobeTableSort>(dialog, "lobeTableSort")->index(2, 0));
  EXPECT_EQ(dialog.lobeTree()->currentItem()->text(0).trimmed(), "I3");
}

TEST_F(CamDialogTest, AFolderWithoutLobesHasAnEmptyTableAndThePreviewNoCurve) {
  app_.EditSettings().camFolder = (dir_ / "data").string();
  CamDialog dialog(app_, true);
  dialog.show();
  ASSERT_TRUE(test::WaitFor([&] { return !dialog.listing(); }));
  EXPECT_EQ(dialog.folder().directory(), dir_ / "data");
  EXPECT_EQ(dialog.tableModel()->rowCount(), 0);
  EXPECT_FALSE(dialog.cardJob()->busy());
  EXPECT_EQ(test::Find<QProgressBar>(dialog, "cardProgress")->text(), "No lobes");
  EXPECT_EQ(test::Find<LobePreview>(dialog, "lobePreview")->graphCount(), 0);
  // The empty graph keeps its width: its axes span the preview but for their labels.
  test::Find<LobePreview>(dialog, "lobePreview")->replot();
  const QCPAxisRect* axes = test::Find<LobePreview>(dialog, "lobePreview")->axisRect();
  EXPECT_EQ(axes->rect().width(), test::Find<LobePreview>(dialog, "lobePreview")->width() -
                                      axes->margins().left() - axes->margins().right());
  // The dialog, its table and preview, fits the screen it opened on.
  const QRect screen = dialog.screen()->availableGeometry();
  EXPECT_LE(dialog.minimumSizeHint().width(), screen.width());
  EXPECT_LE(dialog.minimumSizeHint().height(), screen.height());
  EXPECT_TRUE(screen.contains(dialog.frameGeometry().topLeft()));
  EXPECT_LE(dialog.height(), screen.height());
}

// A folder of eight lobe data files of 250 lobes each.
fs::path BigFolder(const test::TempDir& dir) {
  const fs::path folder = dir / "big";
  fs::create_directories(folder);
  test::LbkFile f;
  f.version = 6;
  test::LbkLobe lobe;
  for (int i = -40; i <= 40; ++i)
    lobe.lift[static_cast<std::size_t>(i + 180)] = 0.01f * float(40 - std::abs(i));
  for (int n = 0; n < 250; ++n) {
    lobe.lobeNo = static_cast<std::int16_t>(n + 1);
    f.lobes.push_back(lobe);
  }
  for (int k = 0; k < 8; ++k) test::WriteLbkFile(folder / ("SET" + std::to_string(k) + ".LBK"), f);
  return folder;
}

// Closing the dialog while the cards are being worked out stops the work and waits for it;
// nothing arrives after.
TEST_F(CamDialogTest, ClosingWhileTheTableFillsCancelsAndWaits) {
  app_.EditSettings().camFolder = BigFolder(files_.dir).string();
  for (const bool destroy : {false, true}) {
    auto dialog = std::make_unique<CamDialog>(app_, true);
    dialog->show();
    ASSERT_TRUE(test::WaitFor([&] { return !dialog->listing() && dialog->cardJob()->busy(); }));
    EXPECT_EQ(test::Find<QProgressBar>(*dialog, "cardProgress")->maximum(), 2000);
    if (destroy) {
      dialog.reset();  // waits for the work in its destructor
      QTest::qWait(20);
      continue;
    }
    dialog->reject();
    EXPECT_FALSE(dialog->cardJob()->busy());
    const int rows = dialog->tableModel()->rowCount();
    EXPECT_LT(rows, 2000);
    QTest::qWait(50);
    EXPECT_EQ(dialog->tableModel()->rowCount(), rows);
  }
}

// The folder is listed off the window's thread: the tree and the table empty at once and fill
// when the listing arrives. A folder chosen before the listing of another arrived replaces it:
// the tree, the table and the folder Open reads from are the last folder's alone, whether the
// first listing had ended on its thread or not.
TEST_F(CamDialogTest, AFolderChosenWhileAnotherIsListedLeavesOnlyItsLobes) {
  const fs::path big = BigFolder(files_.dir);
  const fs::path wide = WiderFolder(files_.dir, 4);
  for (int repeat = 0; repeat < 3; ++repeat) {
    auto dialog = Shown(true);
    ASSERT_TRUE(TableFilled(*dialog));
    ASSERT_EQ(dialog->tableModel()->rowCount(), 5);
    dialog->ChangeFolder(big);
    // Nothing of the fixture's folder is left while the big one is listed.
    EXPECT_TRUE(dialog->listing());
    EXPECT_EQ(dialog->lobeTree()->topLevelItemCount(), 0);
    EXPECT_EQ(dialog->tableModel()->rowCount(), 0);
    EXPECT_EQ(test::Find<QLabel>(*dialog, "lblLobeInfo")->text(), "");
    // Wait a little for the listing to have run on its thread at least once.
    if (repeat > 0) QThread::msleep(repeat == 1 ? 5 : 200);
    dialog->ChangeFolder(wide);
    ASSERT_TRUE(TableFilled(*dialog)) << repeat;
    EXPECT_EQ(dialog->folder().directory(), wide);
    QTreeWidget* tree = dialog->lobeTree();
    ASSERT_EQ(tree->topLevelItemCount(), 2) << repeat;
    EXPECT_EQ(Text(tree->topLevelItem(0)), "MANY.LBK");
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 4);
    EXPECT_EQ(Text(tree->topLevelItem(1)), "SMALL.S96");
    const LobeTableModel& model = *dialog->tableModel();
    ASSERT_EQ(model.rowCount(), 5) << repeat;
    for (int r = 0; r < 5; ++r)
      EXPECT_EQ(model.row(r).card.file, r < 4 ? "MANY.LBK" : "SMALL.S96") << r;
    EXPECT_EQ(test::Find<QProgressBar>(*dialog, "cardProgress")->maximum(), 5);
    // Nothing of the big folder arrives later.
    QTest::qWait(50);
    EXPECT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(model.rowCount(), 5);
  }
}

// Closing the dialog while its folder is listed stops the listing and waits for it: the tree
// and the table stay empty.
TEST_F(CamDialogTest, ClosingWhileTheFolderIsListedLeavesItEmpty) {
  auto dialog = Shown(true);
  dialog->ChangeFolder(BigFolder(files_.dir));
  ASSERT_TRUE(dialog->listing());
  dialog->reject();
  EXPECT_FALSE(dialog->cardJob()->busy());
  QTest::qWait(50);
  EXPECT_EQ(dialog->lobeTree()->topLevelItemCount(), 0);
  EXPECT_EQ(dialog->tableModel()->rowCount(), 0);
  EXPECT_TRUE(dialog->folder().directory().empty());
}

}  // namespace
}  // namespace orv
