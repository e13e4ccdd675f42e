#include "shell/cam_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <cmath>
#include <string>
#include <vector>

#include "shell/folder_picker.h"
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
  EXPECT_EQ(dialog.instructionLabel()->text(), "Hit the Spacebar or Double Click to Select Lobes");
  dialog.show();
  ASSERT_TRUE(test::WaitFor([&] { return dialog.lobeTree()->topLevelItemCount() > 0; }));
  EXPECT_EQ(dialog.instructionLabel()->text().toStdString(), app_.strings().Misc(82));
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
  EXPECT_TRUE(dialog.notesLabel()->text().startsWith("Ported head cam"));
  tree->setCurrentItem(tree->topLevelItem(1));
  EXPECT_EQ(dialog.notesLabel()->text(), "");
  tree->setCurrentItem(Item(dialog, 0, 1));
  EXPECT_TRUE(dialog.notesLabel()->text().startsWith("Ported head cam"));
}

// The lists keep their height when a lobe's notes appear or go, and take all the height the
// dialog grows by; the notes show their written lines only.
TEST_F(CamDialogTest, TheListsKeepTheirHeightAndGrowWithTheDialog) {
  auto dialog = Shown(true);
  QTreeWidget* tree = dialog->lobeTree();
  tree->setCurrentItem(Item(*dialog, 1));
  QApplication::processEvents();
  ASSERT_EQ(dialog->notesLabel()->text(), "");
  const int bare = tree->height();
  EXPECT_GT(bare, dialog->height() / 3);
  tree->setCurrentItem(Item(*dialog, 0, 1));
  QApplication::processEvents();
  EXPECT_EQ(dialog->notesLabel()->text(), "Ported head cam");
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
  dialog->showAllButton()->click();
  EXPECT_TRUE(Item(*dialog, 0)->isExpanded());
  EXPECT_TRUE(Item(*dialog, 2)->isExpanded());
  dialog->hideAllButton()->click();
  for (int t = 0; t < 3; ++t) EXPECT_FALSE(Item(*dialog, t)->isExpanded()) << t;
}

TEST_F(CamDialogTest, SpaceOnAFileNodeExpandsItAndOpensNothing) {
  auto dialog = Shown(true);
  const EngineInputs before = app_.document().engine().inputs();
  QSignalSpy loaded(dialog.get(), &CamDialog::sourceLoaded);
  dialog->hideAllButton()->click();
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
  dialog->openButton()->click();
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
    ASSERT_TRUE(test::WaitFor([&] { return dialog.folder().directory() == folder; }));
    EXPECT_EQ(dialog.lobeTree()->topLevelItemCount(), 0);
    // The missing folder's notes say why nothing is listed; the empty one's say nothing.
    const QLabel* notes = dialog.findChild<QLabel*>("lblLobeInfo");
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->text().toStdString(),
              folder == dir_ / "nowhere"
                  ? "Cannot read the folder " + folder.string() + " (No such file or directory)"
                  : "");
    dialog.openButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(loaded.count(), 0);
    EXPECT_EQ(app_.document().engine().inputs().intakeCam, before.intakeCam);
    EXPECT_EQ(app_.document().engine().inputs().I_RR, before.I_RR);
  }
}

}  // namespace
}  // namespace orv
