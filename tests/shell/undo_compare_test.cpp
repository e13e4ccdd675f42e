// The Edit menu's Undo and Redo and the File menu's Compare With over a real application: the
// boxes and outputs after undo and redo, the entries' texts, the keys with and without typed
// text in a box, and the reference engine's values and differences beside the outputs,
// checked against the command line's `dump` of the two files.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/application.h"
#include "app_fixture.h"
#include "find_widget.h"
#include "shell/engine_view.h"
#include "shell/input_widgets.h"
#include "shell/main_window.h"
#include "shell/output_panel_view.h"
#include "shell/window_options.h"
#include "shell/window_start.h"
#include "support/cli_runner.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

double Number(const QString& text) { return std::strtod(text.toStdString().c_str(), nullptr); }

class UndoCompareTest : public ::testing::Test {
 protected:
  UndoCompareTest() {
    window_ = fixture_.StartWindow();
    window_->resize(1525, 844);
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    view_ = static_cast<EngineView*>(window_->view(MainWindow::kEngineView));
  }
  ~UndoCompareTest() override { window_.reset(); }

  InputBox* BoxOf(int n) const { return view_->box(n); }
  QString Box(int n) const { return BoxOf(n)->text().trimmed(); }
  OutputPanelView* outputs() const { return view_->outputPanel(); }
  QString Slot(int slot) const { return outputs()->slotLabel(slot)->text().trimmed(); }
  // A menu entry's caption without its mnemonic.
  static QString Caption(const QAction* action) { return action->text().remove(QLatin1Char('&')); }

  // Types `text` into box n (clearing it first), leaving the box with the typing not taken.
  void TypeOnly(int n, const QString& text) {
    InputBox* box = BoxOf(n);
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }
  // Types and moves on to box `next`, which takes the value.
  void Type(int n, const QString& text, int next = kInStroke) {
    TypeOnly(n, text);
    BoxOf(next)->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
  }
  // A key to the widget with the focus, as the user presses it (shortcuts included).
  static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, key, modifiers);
    QCoreApplication::processEvents();
  }

  // Two engine files written by the command line: the default engine with a 4.125 in bore.
  std::string WriteBigBore() {
    const std::string path = (dir_ / "BigBore.OV").string();
    EXPECT_EQ(test::RunCli({"dump", "--set", "Bore=4.125", "--save", path}).status, 0);
    return path;
  }
  nlohmann::json Dump(const std::string& path, const char* units = "english") {
    const test::CliResult r = test::RunCli({"dump", path, "--units", units});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.json();
  }

  test::AppFixture fixture_{test::AppFixture::Start::kWindow, test::FakePrompter::Strict()};
  test::TempDir& dir_ = fixture_.dir;
  test::FakePrompter& prompter_ = fixture_.prompter;
  Application& app_ = fixture_.app;
  std::unique_ptr<MainWindow> window_;
  EngineView* view_ = nullptr;
};

TEST_F(UndoCompareTest, UndoAndRedoOfATypedBoreRestoreTheBoxOutputsAndTitle) {
  const QString title = window_->windowTitle();
  const QString displacement = Slot(0);
  EXPECT_FALSE(test::Find<QAction>(*window_, "editUndoAction")->isEnabled());
  EXPECT_EQ(Caption(test::Find<QAction>(*window_, "editUndoAction")), "Undo");
  EXPECT_EQ(Caption(test::Find<QAction>(*window_, "editRedoAction")), "Redo");

  Type(kInBore, "4.125");
  ASSERT_EQ(Box(kInBore), "4.125");
  const QString bigger = Slot(0);
  ASSERT_NE(bigger, displacement);
  EXPECT_TRUE(test::Find<QAction>(*window_, "editUndoAction")->isEnabled());
  EXPECT_EQ(Caption(test::Find<QAction>(*window_, "editUndoAction")),
            QString::fromUtf8("Undo Bore 4.030 → 4.125"));
  EXPECT_FALSE(test::Find<QAction>(*window_, "editRedoAction")->isEnabled());
  EXPECT_TRUE(app_.document().changed());

  test::Find<QAction>(*window_, "editUndoAction")->trigger();
  EXPECT_EQ(Box(kInBore), "4.030");
  EXPECT_EQ(Slot(0), displacement);
  EXPECT_FALSE(app_.document().changed());  // back at the saved state
  EXPECT_EQ(window_->windowTitle(), title);
  EXPECT_FALSE(test::Find<QAction>(*window_, "editUndoAction")->isEnabled());
  EXPECT_EQ(Caption(test::Find<QAction>(*window_, "editUndoAction")), "Undo");
  EXPECT_TRUE(test::Find<QAction>(*window_, "editRedoAction")->isEnabled());
  EXPECT_EQ(Caption(test::Find<QAction>(*window_, "editRedoAction")),
            QString::fromUtf8("Redo Bore 4.030 → 4.125"));

  test::Find<QAction>(*window_, "editRedoAction")->trigger();
  EXPECT_EQ(Box(kInBore), "4.125");
  EXPECT_EQ(Slot(0), bigger);
  EXPECT_TRUE(app_.document().changed());
  EXPECT_FALSE(test::Find<QAction>(*window_, "editRedoAction")->isEnabled());
}

TEST_F(UndoCompareTest, TheKeysReachTheEngineOnlyWhenNoBoxHoldsTypedText) {
  const QString stroke = Box(kInStroke);
  Type(kInBore, "4.125");  // the stroke box has the focus, nothing typed in it
  ASSERT_EQ(QApplication::focusWidget(), BoxOf(kInStroke));
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Box(kInBore), "4.030");
  EXPECT_EQ(QApplication::focusWidget(), BoxOf(kInStroke));  // the focus stays
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Box(kInBore), "4.125");
  Press(Qt::Key_Z, Qt::ControlModifier);
  Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Box(kInBore), "4.125");

  // Typed text in the stroke box: the keys undo the typing, not the engine's step.
  TypeOnly(kInStroke, "3.1");
  ASSERT_TRUE(BoxOf(kInStroke)->isModified());
  for (int i = 0; i < 10 && BoxOf(kInStroke)->isModified(); ++i) {
    Press(Qt::Key_Z, Qt::ControlModifier);
  }
  EXPECT_FALSE(BoxOf(kInStroke)->isModified());
  EXPECT_EQ(Box(kInStroke), stroke);
  EXPECT_EQ(Box(kInBore), "4.125");
  EXPECT_EQ(app_.document().UndoText(), "Undo Bore 4.030 → 4.125");
  // Back at the engine's text, the next press is the engine's again.
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Box(kInBore), "4.030");
}

TEST_F(UndoCompareTest, UndoFromTheMenuWithTypedTextTakesBackTheTyping) {
  Type(kInBore, "4.125");
  TypeOnly(kInStroke, "3.100");
  test::Find<QAction>(*window_, "editUndoAction")->trigger();  // the typing is taken, then undone
  EXPECT_EQ(Box(kInBore), "4.125");
  EXPECT_NE(Box(kInStroke), "3.100");
  EXPECT_EQ(app_.document().UndoText(), "Undo Bore 4.030 → 4.125");
  EXPECT_NE(app_.document().RedoText().find("3.100"), std::string::npos);
}

TEST_F(UndoCompareTest, CompareWithShowsTheReferenceAndTheDifferenceBesideEachOutput) {
  const std::string big = WriteBigBore();
  const std::string current = app_.enginePath();
  EXPECT_FALSE(test::Find<QAction>(*window_, "fileClearReferenceAction")->isEnabled());
  EXPECT_TRUE(outputs()->referenceLabel(0)->isHidden());

  prompter_.fileNames = {big};
  window_->CompareWith();
  ASSERT_EQ(prompter_.fileRequests.size(), 1u);
  EXPECT_EQ(prompter_.fileRequests[0].first, Prompter::FileKind::CompareEngine);
  ASSERT_NE(app_.reference(), nullptr);
  EXPECT_TRUE(test::Find<QAction>(*window_, "fileClearReferenceAction")->isEnabled());
  EXPECT_EQ(window_->referenceNote(), "Reference: BigBore.OV");
  EXPECT_TRUE(test::Find<QLabel>(outputs(), "referenceCaption")->isVisible());

  // The two engines as the command line computes them on their own.
  const nlohmann::json a = Dump(current), b = Dump(big);
  QLabel* reference = outputs()->referenceLabel(0);
  QLabel* difference = outputs()->differenceLabel(0);
  ASSERT_TRUE(reference->isVisible());
  ASSERT_TRUE(difference->isVisible());
  EXPECT_EQ(reference->text().toStdString(),
            QString::fromStdString(b["outputs"]["page0"]["0"].get<std::string>())
                .trimmed()
                .toStdString());
  const double displacementDrop =
      a["results"]["Displacement"].get<double>() - b["results"]["Displacement"].get<double>();
  ASSERT_LT(displacementDrop, -1);
  // Shown with one decimal: the difference of the two rounded values.
  EXPECT_NEAR(Number(difference->text()), displacementDrop, 0.1 + 1e-9);
  EXPECT_TRUE(difference->text().startsWith('-'));
  EXPECT_TRUE(difference->styleSheet().contains(QStringLiteral("190, 0, 0")));
  // The rod ratio does not depend on the bore: a neutral zero.
  EXPECT_EQ(outputs()->differenceLabel(3)->text(), "0.000");
  EXPECT_TRUE(outputs()->differenceLabel(3)->styleSheet().contains(QStringLiteral("96, 96, 96")));

  // Page 1: the peak torque.
  app_.document().ShowOutputPage(1);
  window_->RefreshFromCore();
  const double torqueDrop =
      a["results"]["PeakTorque"].get<double>() - b["results"]["PeakTorque"].get<double>();
  EXPECT_NEAR(Number(outputs()->differenceLabel(34)->text()), torqueDrop, 1 + 1e-9);
  EXPECT_NEAR(Number(outputs()->referenceLabel(34)->text()),
              b["results"]["PeakTorque"].get<double>(), 0.5 + 1e-9);

  // The reference follows the unit system.
  app_.SetUnitSystem(UnitMode::Metric);
  window_->RefreshFromCore();
  const nlohmann::json bMetric = Dump(big, "metric");
  EXPECT_EQ(outputs()->referenceLabel(34)->text().toStdString(),
            QString::fromStdString(bMetric["outputs"]["page1"]["34"].get<std::string>())
                .trimmed()
                .toStdString());

  test::Find<QAction>(*window_, "fileClearReferenceAction")->trigger();
  EXPECT_EQ(app_.reference(), nullptr);
  EXPECT_TRUE(outputs()->referenceLabel(34)->isHidden());
  EXPECT_TRUE(outputs()->differenceLabel(0)->isHidden());
  EXPECT_FALSE(test::Find<QLabel>(outputs(), "referenceCaption")->isVisible());
  EXPECT_EQ(window_->referenceNote(), "");
  EXPECT_FALSE(test::Find<QAction>(*window_, "fileClearReferenceAction")->isEnabled());
}

TEST_F(UndoCompareTest, AReferenceThatCannotBeReadChangesNothing) {
  const std::string big = WriteBigBore();
  prompter_.fileNames = {big};
  window_->CompareWith();
  ASSERT_NE(app_.reference(), nullptr);
  const QString title = window_->windowTitle();
  const QString shown = outputs()->referenceLabel(0)->text();
  const std::string current = app_.enginePath();
  fs::create_directories(dir_ / "Folder.OV");

  for (const fs::path& bad : {dir_ / "Missing.OV", dir_ / "Folder.OV"}) {
    const std::size_t warnings = prompter_.warnings.size();
    prompter_.fileNames = {bad.string()};
    window_->CompareWith();
    ASSERT_GT(prompter_.warnings.size(), warnings) << bad;
    EXPECT_NE(prompter_.warnings.back().find(kReadErrorText), std::string::npos);
    ASSERT_NE(app_.reference(), nullptr);
    EXPECT_EQ(app_.reference()->path(), big);
    EXPECT_EQ(window_->referenceNote(), "Reference: BigBore.OV");
    EXPECT_EQ(outputs()->referenceLabel(0)->text(), shown);
    EXPECT_EQ(app_.enginePath(), current);
    EXPECT_EQ(Box(kInBore), "4.030");
    EXPECT_EQ(window_->windowTitle(), title);
  }
}

// The output pages with a reference set, both pages, English and metric: every label beside a
// value has the room its text needs and none overlaps its neighbours. The pictures are saved
// for a look.
TEST_F(UndoCompareTest, TheReferenceColumnsFitOnBothPages) {
  prompter_.fileNames = {WriteBigBore()};
  window_->CompareWith();
  for (UnitMode mode : {UnitMode::English, UnitMode::Metric}) {
    app_.SetUnitSystem(mode);
    for (int page : {0, 1}) {
      app_.document().ShowOutputPage(page);
      window_->RefreshFromCore();
      // The layouts settle level by level, one pass of the event loop each.
      for (int pass = 0; pass < 10; ++pass) QCoreApplication::processEvents();
      const QString name = QStringLiteral("compare_page%1_%2.png")
                               .arg(page)
                               .arg(mode == UnitMode::English ? "english" : "metric");
      window_->grab().save(QString::fromStdString((dir_ / name.toStdString()).string()));
      if (const char* keep = std::getenv("ORVANTIS_KEEP_PICTURES")) {
        window_->grab().save(QString::fromUtf8(keep) + QLatin1Char('/') + name);
      }
      // Nothing needs the view to scroll.
      QWidget* viewport = view_->parentWidget();
      EXPECT_LE(view_->minimumSizeHint().width(), viewport->width()) << name.toStdString();
      EXPECT_LE(view_->minimumSizeHint().height(), viewport->height()) << name.toStdString();
      for (int slot = 0; slot < 60; ++slot) {
        for (QLabel* label : {outputs()->referenceLabel(slot), outputs()->differenceLabel(slot),
                              outputs()->slotLabel(slot)}) {
          if (label == nullptr || !label->isVisible()) continue;
          EXPECT_GE(label->width(), label->sizeHint().width())
              << label->objectName().toStdString() << " cut off: " << label->text().toStdString();
          const QRect inParent = label->geometry();
          EXPECT_TRUE(label->parentWidget()->rect().contains(inParent))
              << label->objectName().toStdString();
        }
      }
    }
  }
}

}  // namespace
}  // namespace orv
