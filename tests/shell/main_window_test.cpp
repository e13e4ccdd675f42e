// The main window over a real application: start-up on a fresh data root, the File menu's
// questions before an engine is dropped, the recent-file entries, saving, closing, the views'
// print entries, the warning line and the instruction panel.
#include "shell/main_window.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "app/application.h"
#include "app_fixture.h"
#include "files/config_file.h"
#include "files/engine_file.h"
#include "files/interface_text_ids.h"
#include "files/user_store.h"
#include "find_widget.h"
#include "shell/engine_view.h"
#include "shell/explain_dialog.h"
#include "shell/graph_canvas.h"
#include "shell/graph_view.h"
#include "shell/input_panel_view.h"
#include "shell/input_widgets.h"
#include "shell/options_dialog.h"
#include "shell/output_panel_view.h"
#include "shell/qt_prompter.h"
#include "shell/report_setup_dialog.h"
#include "shell/report_view.h"
#include "shell/view.h"
#include "shell/window_options.h"
#include "shell/window_start.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using Answer = Prompter::Answer;
using FileKind = Prompter::FileKind;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The File menu's recent-file entries 1 to 9, in order.
std::vector<QAction*> RecentEntries(const MainWindow& window) {
  std::vector<QAction*> entries;
  for (int k = 1; k <= 9; ++k)
    entries.push_back(test::Find<QAction>(window, QStringLiteral("recentFile%1").arg(k)));
  return entries;
}

class MainWindowTest : public ::testing::Test {
 protected:
  ~MainWindowTest() override {
    // The window goes before the application it draws.
    window_.reset();
  }

  fs::path DataRoot() const { return fixture_.DataRoot(); }
  fs::path StorePath() const { return fixture_.StorePath(); }
  fs::path Engines() const { return DataRoot() / "Engines"; }

  MainWindow& Start() {
    window_ = fixture_.StartWindow();
    return *window_;
  }

  // A changed engine: a new bore typed into its box.
  void ChangeEngine() {
    app_.document().TypeIntoBox(0, "4.5");
    window_->RefreshFromCore();
    ASSERT_TRUE(app_.document().changed());
  }

  // Shows the window as the active one, so that it takes the keyboard.
  void Activate() {
    QApplication::setActiveWindow(window_.get());
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }
  EngineView& Inputs() const {
    return *static_cast<EngineView*>(window_->view(MainWindow::kEngineView));
  }
  // Types `text` into box n as the keyboard does, replacing its text; the box keeps the focus.
  void TypeInto(int n, const QString& text) {
    InputBox* box = Inputs().box(n);
    ASSERT_NE(box, nullptr);
    if (n >= 13) Inputs().inputPanel()->stageTabs()->setCurrentIndex(1);
    box->setFocus(Qt::TabFocusReason);
    box->selectAll();
    QTest::keyClicks(box, text);
  }
  // Edit, Options with unit system `units` chosen and OK.
  void ChooseUnits(int units) {
    test::Find<QAction>(*window_, "editOptionsAction")->trigger();
    // The dialog just opened (those closed before may wait to be deleted).
    OptionsDialog* dialog = nullptr;
    for (OptionsDialog* d : window_->findChildren<OptionsDialog*>())
      if (d->isVisible()) dialog = d;
    ASSERT_NE(dialog, nullptr);
    test::Find<QRadioButton>(dialog, QStringLiteral("optUnits%1").arg(units))->click();
    test::Find<QPushButton>(dialog, "cmdOK")->click();
    QCoreApplication::processEvents();
  }
  QString SuggestionShown(int n) const {
    auto* label = Inputs().findChild<QLabel*>(QStringLiteral("suggestion_%1").arg(n));
    return label != nullptr ? label->text() : QStringLiteral("(none)");
  }

  test::AppFixture fixture_{test::AppFixture::Start::kWindow, test::FakePrompter::Strict()};
  test::TempDir& dir_ = fixture_.dir;
  test::FakePrompter& prompter_ = fixture_.prompter;
  Application& app_ = fixture_.app;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, FreshDataRootOpensTheFirstDefaultEngineFile) {
  MainWindow& window = Start();
  const fs::path engine = Engines() / "MyEngine000.OV";
  EXPECT_TRUE(fs::is_regular_file(engine));
  EXPECT_EQ(app_.enginePath(), engine.string());
  // The product name, two blanks, the path in brackets with one blank inside each.
  EXPECT_EQ(window.windowTitle().toStdString(), "Orvantis  [ " + engine.string() + " ]");
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.currentView(), MainWindow::kEngineView);
  EXPECT_TRUE(prompter_.questions.empty());
  // The captions come from the interface texts.
  EXPECT_EQ(test::Find<QTabWidget>(window, "tabMain")->tabText(0).toStdString(),
            app_.strings().Tab(1, 1));
  EXPECT_EQ(test::Find<QTabWidget>(window, "tabMain")->tabText(3).toStdString(), "Reports");
}

TEST_F(MainWindowTest, OpeningAChangedEngineAndCancellingOpensNothing) {
  MainWindow& window = Start();
  const std::string path = app_.enginePath();
  ChangeEngine();
  prompter_.answers = {Answer::Cancel};
  window.OpenEngineFile();
  ASSERT_EQ(prompter_.questions.size(), 1u);
  EXPECT_EQ(prompter_.questions[0], app_.strings().Misc(kMiscSaveChanges));
  EXPECT_TRUE(prompter_.fileRequests.empty());
  EXPECT_EQ(app_.enginePath(), path);
  EXPECT_TRUE(app_.document().changed());
  EXPECT_DOUBLE_EQ(app_.document().engine().inputs().Bore, 4.5);
}

TEST_F(MainWindowTest, OpeningAChangedEngineAndAnsweringNoOpensTheChosenFile) {
  MainWindow& window = Start();
  const fs::path other = Engines() / "Other.OV";
  // Saved as Other.OV with the default bore, then changed.
  prompter_.fileNames = {other.string()};
  window.SaveEngineAs();
  ASSERT_TRUE(fs::is_regular_file(other));
  ChangeEngine();

  prompter_.answers = {Answer::No};
  prompter_.fileNames = {other.string()};
  window.OpenEngineFile();
  ASSERT_EQ(prompter_.fileRequests.size(), 2u);
  // The open dialog starts in the current engine's folder.
  EXPECT_EQ(prompter_.fileRequests[1].first, FileKind::OpenEngine);
  EXPECT_EQ(prompter_.fileRequests[1].second, Engines().string() + "/");
  EXPECT_EQ(app_.enginePath(), other.string());
  EXPECT_FALSE(app_.document().changed());
  EXPECT_EQ(app_.document().engine().inputs().Bore, static_cast<double>(4.03f));
  EXPECT_EQ(window.windowTitle().toStdString(), "Orvantis  [ " + other.string() + " ]");
  // The opened file tops the recent list.
  EXPECT_EQ(RecentEntries(window)[0]->text().toStdString(), "&1 " + other.string());
}

TEST_F(MainWindowTest, SaveAsProposesTheIncrementedName) {
  MainWindow& window = Start();
  app_.EditSettings().incrementNames = true;
  prompter_.fileNames = {std::nullopt};
  window.SaveEngineAs();
  ASSERT_EQ(prompter_.fileRequests.size(), 1u);
  EXPECT_EQ(prompter_.fileRequests[0].first, FileKind::SaveEngineAs);
  EXPECT_EQ(prompter_.fileRequests[0].second, (Engines() / "MyEngine001.OV").string());
  EXPECT_FALSE(fs::exists(Engines() / "MyEngine001.OV"));
}

TEST_F(MainWindowTest, RecentListWithGapsAndARepeatShowsTwoEntries) {
  const std::string a = (dir_ / "A.OV").string();
  const std::string b = (dir_ / "B.OV").string();
  {
    UserStore store(StorePath());
    ASSERT_EQ(store.RegWriteText("File1", a), 0);
    ASSERT_EQ(store.RegWriteText("File4", b), 0);
    ASSERT_EQ(store.RegWriteText("File5", a), 0);
  }
  MainWindow& window = Start();
  const auto& entries = RecentEntries(window);
  ASSERT_EQ(entries.size(), 9u);
  EXPECT_TRUE(test::Find<QAction>(window, "recentSeparator")->isVisible());
  EXPECT_TRUE(entries[0]->isVisible());
  EXPECT_EQ(entries[0]->text().toStdString(), "&1 " + a);
  EXPECT_TRUE(entries[1]->isVisible());
  EXPECT_EQ(entries[1]->text().toStdString(), "&2 " + b);
  for (std::size_t k = 2; k < entries.size(); ++k) EXPECT_FALSE(entries[k]->isVisible()) << k;
}

TEST_F(MainWindowTest, EmptyRecentListHidesTheEntriesAndTheirSeparator) {
  MainWindow& window = Start();
  EXPECT_FALSE(test::Find<QAction>(window, "recentSeparator")->isVisible());
  for (QAction* entry : RecentEntries(window)) EXPECT_FALSE(entry->isVisible());
}

TEST_F(MainWindowTest, AnAmpersandInARecentPathIsShownAsItself) {
  const std::string path = (dir_ / "R&D.OV").string();
  ASSERT_EQ(UserStore(StorePath()).RegWriteText("File1", path), 0);
  MainWindow& window = Start();
  const QString text = RecentEntries(window)[0]->text();
  EXPECT_EQ(text.toStdString(), "&1 " + (dir_ / "R&&D.OV").string());
}

TEST_F(MainWindowTest, ClosingAnUnchangedEngineAsksNothingAndWritesTheConfiguration) {
  MainWindow& window = Start();
  // Saved under another name: the configuration names it as the engine to reopen.
  const fs::path other = Engines() / "Other.OV";
  prompter_.fileNames = {other.string()};
  window.SaveEngineAs();
  ASSERT_FALSE(app_.document().changed());
  const fs::path config = DataRoot() / kConfigFileName;
  fs::remove(config);
  fs::remove(StorePath());
  EXPECT_TRUE(window.close());
  EXPECT_TRUE(prompter_.questions.empty());
  EXPECT_FALSE(window.isVisible());
  ASSERT_TRUE(fs::is_regular_file(config));
  const std::string text = ReadText(config);
  EXPECT_EQ(text.rfind("[ID]\r\nPurpose = Orvantis Configuration File", 0), 0u) << text;
  EXPECT_NE(text.find("Engine = " + other.string()), std::string::npos) << text;
  EXPECT_EQ(UserStore(StorePath()).RegReadValue(kProjectFileValue, ""), config.string());
}

TEST_F(MainWindowTest, ClosingAChangedEngineAndCancellingKeepsTheWindowOpen) {
  MainWindow& window = Start();
  ChangeEngine();
  const fs::path config = DataRoot() / kConfigFileName;
  fs::remove(config);
  prompter_.answers = {Answer::Cancel};
  EXPECT_FALSE(window.close());
  EXPECT_EQ(prompter_.questions.size(), 1u);
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(fs::exists(config));

  // Yes with a cancelled file dialog keeps it open too; No closes without saving.
  prompter_.answers = {Answer::Yes};
  prompter_.fileNames = {std::nullopt};
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());
  prompter_.answers = {Answer::No};
  EXPECT_TRUE(window.close());
  EXPECT_TRUE(fs::exists(config));
  EXPECT_TRUE(app_.document().changed());
}

TEST_F(MainWindowTest, AFailedSaveKeepsTheChangedMarkAndTheOldFile) {
  MainWindow& window = Start();
  const fs::path engine = Engines() / "MyEngine000.OV";
  const std::string before = ReadText(engine);
  ASSERT_GT(before.size(), 4096u);
  const std::size_t warningsBefore = prompter_.warnings.size();
  ChangeEngine();
  // Files may not grow beyond 1 KiB for the save: the write fails part-way.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit small = old;
  small.rlim_cur = 1024;
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  prompter_.fileNames = {engine.string()};
  window.SaveEngine();
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);

  ASSERT_EQ(prompter_.warnings.size(), warningsBefore + 1);
  EXPECT_EQ(prompter_.warnings.back().rfind("Error while writing file", 0), 0u);
  EXPECT_TRUE(app_.document().changed());
  EXPECT_EQ(ReadText(engine), before);
  // No half-written file is left beside it.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Engines())) ++files;
  EXPECT_EQ(files, 1);
}

TEST_F(MainWindowTest, PrintAndSaveToFileFollowTheShownView) {
  MainWindow& window = Start();
  EXPECT_FALSE(test::Find<QAction>(window, "filePrintAction")->isEnabled());
  EXPECT_FALSE(test::Find<QAction>(window, "fileSaveToFileAction")->isEnabled());
  for (int i = 0; i < MainWindow::kViewCount; ++i) {
    ASSERT_TRUE(window.ShowView(i));
    EXPECT_EQ(test::Find<QAction>(window, "filePrintAction")->isEnabled(),
              window.view(i)->CanPrint())
        << i;
    EXPECT_EQ(test::Find<QAction>(window, "fileSaveToFileAction")->isEnabled(),
              window.view(i)->CanPrint())
        << i;
  }
  ASSERT_TRUE(window.ShowView(MainWindow::kEngineView));
  EXPECT_FALSE(test::Find<QAction>(window, "filePrintAction")->isEnabled());
}

// The views are made before start-up reads the interface texts: every caption they show must
// still come from those texts once the window is up.
TEST_F(MainWindowTest, EveryViewShowsItsCaptionsAfterStartUp) {
  MainWindow& window = Start();
  for (int i = 0; i < MainWindow::kViewCount; ++i) {
    ASSERT_TRUE(window.ShowView(i));
    for (const QAbstractButton* button : window.view(i)->findChildren<QAbstractButton*>()) {
      // The status pictures draw themselves and carry no text.
      if (QString(button->metaObject()->className()) == "orv::StatusButton") continue;
      if (button->isVisible() && button->icon().isNull()) {
        EXPECT_FALSE(button->text().isEmpty())
            << "view " << i
            << ": a button without a caption: " << button->objectName().toStdString();
      }
    }
  }
}

TEST_F(MainWindowTest, WarningLineBeepsAndHidesOnEnteringGraphSettings) {
  MainWindow& window = Start();
  EXPECT_FALSE(window.warningShown());
  const int beepsBefore = prompter_.beeps;
  Q_EMIT window.view(MainWindow::kEngineView)->warningLineChanged(QStringLiteral("Too lean"), true);
  EXPECT_TRUE(window.warningShown());
  EXPECT_EQ(window.warningText(), QStringLiteral("Too lean"));
  EXPECT_EQ(prompter_.beeps, beepsBefore + 1);
  // Entering the graph keeps it; entering the graph settings hides it.
  ASSERT_TRUE(window.ShowView(MainWindow::kGraphView));
  EXPECT_TRUE(window.warningShown());
  ASSERT_TRUE(window.ShowView(MainWindow::kGraphSettingsView));
  EXPECT_FALSE(window.warningShown());
  EXPECT_EQ(prompter_.beeps, beepsBefore + 1);
}

TEST_F(MainWindowTest, InstructionPanelShowsTheHelpTextOfTheShownView) {
  MainWindow& window = Start();
  const QString general = QString::fromStdString(app_.strings().Help(-1));
  ASSERT_FALSE(general.isEmpty());
  // A fresh data root: the first start's welcome, until a control shows its own help.
  EXPECT_TRUE(window.instructionText().startsWith(QStringLiteral("Welcome")));
  const QString bore = QStringLiteral("Bore: the cylinder bore diameter.");
  Q_EMIT window.view(MainWindow::kEngineView)->helpTextChanged(bore);
  EXPECT_EQ(window.instructionText(), bore);
  ASSERT_TRUE(window.ShowView(MainWindow::kGraphView));
  EXPECT_EQ(window.instructionText(), general);
  // A help text of a hidden view waits until its view is shown.
  Q_EMIT window.view(MainWindow::kEngineView)->helpTextChanged(QStringLiteral("Stroke"));
  EXPECT_EQ(window.instructionText(), general);
  ASSERT_TRUE(window.ShowView(MainWindow::kEngineView));
  EXPECT_EQ(window.instructionText(), QStringLiteral("Stroke"));
  // The tab strip taking the focus brings back the general help text everywhere.
  QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(test::Find<QTabWidget>(window, "tabMain")->tabBar(), &focus);
  EXPECT_EQ(window.instructionText(), general);
}

TEST_F(MainWindowTest, HelpWithoutTheManualNamesItsPath) {
  MainWindow& window = Start();
  window.ShowHelp();
  ASSERT_EQ(prompter_.informs.size(), 1u);
  const fs::path manual =
      fs::path(std::getenv("ORVANTIS_SOURCE_DIR")) / "resources" / "OrvantisManual.pdf";
  EXPECT_EQ(prompter_.informs[0],
            app_.strings().Misc(kMiscManualMissing) + "\r\r" + manual.string());
}

TEST_F(MainWindowTest, AboutNamesTheVersionLicencesAndDataRoot) {
  Start();
  const std::string about = AboutText(app_).toStdString();
  for (const char* part : {"Qt", "QCustomPlot", "GPL", "mdbtools", "LGPL", "SQLite",
                           "public domain", "CLI11", "nlohmann-json"}) {
    EXPECT_NE(about.find(part), std::string::npos) << part;
  }
  EXPECT_NE(about.find(ORVANTIS_VERSION_TEXT), std::string::npos);
  EXPECT_NE(about.find(DataRoot().string()), std::string::npos);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST_F(MainWindowTest, OptionsTakesTheValueBeingTypedInTheUnitsItWasTypedIn) {
  MainWindow& window = Start();
  Activate();
  TypeInto(0, QStringLiteral("4.1"));
  ChooseUnits(1);
  EXPECT_EQ(app_.unitSystem(), UnitMode::Metric);
  EXPECT_FLOAT_EQ(static_cast<float>(app_.document().engine().inputs().Bore), 4.1f);
  EXPECT_EQ(Inputs().box(0)->text().trimmed(), QStringLiteral("104.1"));
  EXPECT_TRUE(app_.document().changed());
  // Report Setup takes it over too: typed in millimetres, held in inches.
  Activate();
  TypeInto(1, QStringLiteral("88.9"));
  test::Find<QAction>(window, "editReportSetupAction")->trigger();
  EXPECT_FLOAT_EQ(static_cast<float>(app_.document().engine().inputs().Stroke), 3.5f);
}

TEST_F(MainWindowTest, SuggestionsAreShownInTheUnitSystemShown) {
  Start();
  Activate();
  // A stroke typed: the exhaust tube suggestion differs from the held 1.5 in.
  TypeInto(20, QStringLiteral("1.5"));
  TypeInto(1, QStringLiteral("3.75"));
  Inputs().box(0)->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  const QString english = SuggestionShown(20);
  const QString suffix = QString::fromStdString(app_.strings().Misc(kMiscSuggested));
  ASSERT_TRUE(english.endsWith(suffix)) << english.toStdString();
  bool ok = false;
  const double inches = english.left(english.size() - suffix.size()).trimmed().toDouble(&ok);
  ASSERT_TRUE(ok) << english.toStdString();
  ASSERT_NE(inches, 1.5);
  struct Row {
    int units;
    double factor;
  };
  for (const Row row : {Row{1, 25.4}, Row{2, 25.4}, Row{0, 1.0}}) {
    ChooseUnits(row.units);
    const QString shown = SuggestionShown(20);
    ASSERT_TRUE(shown.endsWith(suffix)) << shown.toStdString();
    const double value = shown.left(shown.size() - suffix.size()).trimmed().toDouble(&ok);
    ASSERT_TRUE(ok) << shown.toStdString();
    EXPECT_NEAR(value, inches * row.factor, 0.051) << row.units;
  }
  // Back in inches the text is the one first shown.
  EXPECT_EQ(SuggestionShown(20), english);
}

TEST_F(MainWindowTest, OpeningAnotherEngineShowsTheFirstStageWithItsOwnSuggestions) {
  MainWindow& window = Start();
  const fs::path other = Engines() / "Other.OV";
  app_.document().TypeIntoBox(0, "3.5");
  prompter_.fileNames = {other.string()};
  window.SaveEngineAs();
  ASSERT_TRUE(fs::is_regular_file(other));
  // Back to a bore of 4.5: its suggestions shown, the second stage open and shown.
  app_.document().TypeIntoBox(0, "4.5");
  app_.document().ApproveAll(0);
  window.RefreshFromCore();
  ASSERT_FALSE(SuggestionShown(21).isEmpty());
  QTabWidget* stages = Inputs().inputPanel()->stageTabs();
  stages->setCurrentIndex(1);
  ASSERT_EQ(app_.document().controller().outputPage(), 1);
  const auto marks = app_.document().controller().panel().status;

  prompter_.answers = {Answer::No};
  prompter_.fileNames = {other.string()};
  test::Find<QAction>(window, "fileOpenAction")->trigger();
  ASSERT_EQ(app_.enginePath(), other.string());
  EXPECT_EQ(stages->currentIndex(), 0);
  EXPECT_EQ(app_.document().controller().outputPage(), 0);
  // The suggestions are those the opened engine gives by itself.
  test::FakePrompter quiet = test::FakePrompter::Strict();
  EngineDocument fresh(quiet, app_.testDatabases());
  ASSERT_TRUE(fresh.ReadEngineFile(other.string()));
  const InputPanel& panel = app_.document().controller().panel();
  for (int n = 0; n < InputPanel::kStatuses; ++n) {
    EXPECT_EQ(panel.suggestion[std::size_t(n)],
              fresh.controller().panel().suggestion[std::size_t(n)])
        << n;
    if (InputPanel::HasSuggestionLabel(n)) {
      EXPECT_EQ(SuggestionShown(n).toStdString(), panel.suggestion[std::size_t(n)]) << n;
    }
  }
  EXPECT_TRUE(SuggestionShown(21).isEmpty());
  // The review marks stay.
  for (int n = 0; n <= 12; ++n) EXPECT_EQ(panel.status[std::size_t(n)], marks[std::size_t(n)]) << n;
  EXPECT_TRUE(stages->isTabEnabled(1));
}

TEST_F(MainWindowTest, TheEngineOpenedAtStartUpIsHeldToTheEntryRules) {
  Start();
  const std::string path = app_.enginePath();
  app_.Exit();  // the configuration names the engine
  EngineInputs bad = app_.document().engine().inputs();
  bad.Bore = 0.05;
  bad.IVlvCnt = 5;
  bad.EVlvDia = 2;  // accepted as it is
  bad.CR = 0.05;
  ASSERT_TRUE(EngineFileIO(path, bad, false, false, prompter_));
  window_.reset();
  prompter_.beeps = 0;

  Start();
  ASSERT_EQ(app_.enginePath(), path);
  const EngineInputs& in = app_.document().engine().inputs();
  EXPECT_DOUBLE_EQ(in.Bore, 0.1);
  EXPECT_EQ(in.IVlvCnt, 1);
  EXPECT_EQ(in.EVlvDia, 2);
  EXPECT_DOUBLE_EQ(in.CR, 0.1);
  EXPECT_EQ(prompter_.beeps, 3);
  EXPECT_EQ(Inputs().box(0)->text().trimmed(), QStringLiteral("0.100"));
  EXPECT_EQ(Inputs().box(11)->text().trimmed(), QStringLiteral("1"));
  // The engine computed is the one shown, and it is no longer what its file holds.
  EXPECT_NEAR(app_.document().engine().results().BoreArea, 0.1 * 0.1 * 3.14159265358979 / 4, 1e-9)
      << app_.document().engine().inputs().Bore;
  EXPECT_TRUE(app_.document().changed());
}

TEST_F(MainWindowTest, AFirstStartWelcomesWithoutAWarningAndTheEmptyGraphSaysWhatToDo) {
  struct Row {
    const char* what;
    const char* configText;  // nullptr: no configuration file
    bool engineThere;
    bool warned;
  };
  const Row rows[] = {
      {"first start", nullptr, false, false},
      {"a file that is no configuration file", "not a configuration\r\n", false, true},
      {"no configuration file beside an engine", nullptr, true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    window_.reset();
    fs::remove_all(DataRoot());
    fs::create_directories(Engines());
    prompter_.warnings.clear();
    if (row.configText != nullptr) {
      std::ofstream(DataRoot() / kConfigFileName, std::ios::binary) << row.configText;
    }
    if (row.engineThere) {
      EngineInputs in = app_.document().engine().inputs();
      ASSERT_TRUE(EngineFileIO(Engines() / "Mine.OV", in, false, false, prompter_));
    }
    MainWindow& window = Start();
    EXPECT_EQ(app_.firstStart(), !row.warned);
    ASSERT_EQ(prompter_.warnings.size(), row.warned ? 1u : 0u);
    if (row.warned) {
      EXPECT_NE(prompter_.warnings[0].find("is not an Orvantis configuration file"),
                std::string::npos)
          << prompter_.warnings[0];
    }
    EXPECT_EQ(window.instructionText().startsWith(QStringLiteral("Welcome")), !row.warned)
        << window.instructionText().toStdString();
    if (!row.warned) {
      EXPECT_TRUE(window.instructionText().contains(QStringLiteral("MyEngine000.OV")));
    }
  }
  // Every curve is off on a first start: the graph says how to show them.
  ASSERT_TRUE(window_->ShowView(MainWindow::kGraphView));
  auto& graph = *test::Find<GraphCanvas>(*window_->view(MainWindow::kGraphView), "graphCanvas");
  EXPECT_EQ(graph.emptyNote(), QString::fromUtf8(kNoCurveNote));
  app_.EditSettings().curveTags[0].shown = true;
  graph.Redraw();
  EXPECT_EQ(graph.emptyNote(), QString());
}

TEST_F(MainWindowTest, ABoxRaisedInADialogBelongsToIt) {
  MainWindow& window = Start();
  Activate();
  QtPrompter boxes;
  boxes.SetParent(&window);
  EXPECT_EQ(boxes.BoxParent(), &window);
  struct Row {
    const char* what;
    std::function<void()> open;
  };
  const Row rows[] = {
      {"options", [&] { test::Find<QAction>(window, "editOptionsAction")->trigger(); }},
      {"report setup", [&] { test::Find<QAction>(window, "editReportSetupAction")->trigger(); }},
      {"intake cam", [&] { window.EditSource(0); }},
      {"exhaust cam", [&] { window.EditSource(1); }},
      {"intake flow test", [&] { window.EditSource(2); }},
      {"exhaust flow test", [&] { window.EditSource(3); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.open();
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), &window);
    EXPECT_EQ(boxes.BoxParent(), dialog);
    dialog->reject();
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.BoxParent(), &window);
  }
}

TEST_F(MainWindowTest, AfterAReportSetupWarningTheKeyboardStaysInTheDialog) {
  MainWindow& window = Start();
  Activate();
  const auto before = app_.settings().reportRanges;
  test::Find<QAction>(window, "editReportSetupAction")->trigger();
  auto* dialog = window.findChild<ReportSetupDialog*>();
  ASSERT_NE(dialog, nullptr);
  QApplication::setActiveWindow(dialog);
  dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
  // From equal to To, typed; Enter presses OK.
  test::Find<QLineEdit>(dialog, "txtDegrees0")->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(test::Find<QLineEdit>(dialog, "txtDegrees0"), QStringLiteral("10"));
  test::Find<QLineEdit>(dialog, "txtDegrees1")->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(test::Find<QLineEdit>(dialog, "txtDegrees1"), QStringLiteral("10"));
  QTest::keyClick(test::Find<QLineEdit>(dialog, "txtDegrees1"), Qt::Key_Return);
  ASSERT_EQ(prompter_.warnings.size(), 1u);
  EXPECT_EQ(prompter_.warnings[0], app_.strings().Misc(kMiscRangeOrder));
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(QApplication::activeWindow(), dialog);
  EXPECT_EQ(QApplication::focusWidget(), test::Find<QLineEdit>(dialog, "txtDegrees0"));
  // The keyboard reaches the dialog: Escape closes it and the ranges stay.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(app_.settings().reportRanges, before);
}

TEST_F(MainWindowTest, EveryNamedControlBringsBackTheGeneralHelpInAllFourViews) {
  MainWindow& window = Start();
  const QString general = QString::fromStdString(app_.strings().Help(-1));
  auto* reportTabs = window.view(MainWindow::kReportView)->findChild<QTabWidget*>("tabReports");
  ASSERT_NE(reportTabs, nullptr);
  struct Row {
    const char* what;
    QWidget* control;
  };
  const Row rows[] = {
      {"stage tabs", Inputs().inputPanel()->stageTabs()->tabBar()},
      {"Approve All", Inputs().findChild<QWidget*>("approveAll")},
      {"report tabs", reportTabs->tabBar()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_NE(row.control, nullptr);
    for (int v = 0; v < MainWindow::kViewCount; ++v)
      Q_EMIT window.view(v)->helpTextChanged(QStringLiteral("particular %1").arg(v));
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(row.control, &focus);
    for (int v = 0; v < MainWindow::kViewCount; ++v) {
      ASSERT_TRUE(window.ShowView(v));
      EXPECT_EQ(window.instructionText(), general) << v;
    }
    ASSERT_TRUE(window.ShowView(MainWindow::kEngineView));
  }
}

TEST_F(MainWindowTest, InputTwentyEightIsShownReadOnly) {
  Start();
  InputBox* box = Inputs().box(28);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isReadOnly());
  EXPECT_EQ(box->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(box->palette().color(QPalette::Base), box->palette().color(QPalette::Window));
}

TEST(ShortDateFormatOfLocale, FollowsTheLocalesShortDatePattern) {
  struct Row {
    QLocale locale;
    double day;  // 4 March 2024
    const char* shown;
  };
  const double day = DayNumber(2024, 3, 4);
  for (const Row& row : {Row{QLocale(QLocale::English, QLocale::UnitedStates), day, "3/4/2024"},
                         Row{QLocale(QLocale::English, QLocale::UnitedKingdom), day, "04/03/2024"},
                         Row{QLocale(QLocale::German, QLocale::Germany), day, "04.03.2024"}}) {
    const ShortDateFormat format = ShortDateFormatOfLocale(row.locale);
    EXPECT_EQ(FormatShortDate(row.day, format), row.shown)
        << row.locale.name().toStdString() << " "
        << row.locale.dateFormat(QLocale::ShortFormat).toStdString();
    // What is shown reads back as the same day.
    EXPECT_EQ(ParseShortDate(row.shown, format), row.day) << row.shown;
  }
}

// F1 on an output slot explains it in place of the help; F1 anywhere else is still the help.
// An input link of a report value's explanation brings the inputs view with that box focused.
TEST_F(MainWindowTest, F1OnASlotExplainsItAndAReportLinkGoesToTheInputsBox) {
  MainWindow& window = Start();
  window.show();
  Activate();
  QLabel* slot = Inputs().outputPanel()->slotLabel(3);  // rod length / stroke
  QTest::mouseClick(slot, Qt::LeftButton);
  ASSERT_TRUE(slot->hasFocus());
  QTest::keyClick(slot, Qt::Key_F1);
  EXPECT_TRUE(prompter_.informs.empty());  // the manual was not asked for
  auto* dialog = Inputs().findChild<ExplainDialog*>();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(test::Find<QLabel>(dialog, "explainInputs")->text().contains("Rod Length"));
  dialog->close();
  InputBox* bore = Inputs().box(kInBore);
  bore->setFocus(Qt::TabFocusReason);
  QTest::keyClick(bore, Qt::Key_F1);
  EXPECT_EQ(prompter_.informs.size(), 1u);  // the help, as before

  auto& reports = *static_cast<ReportView*>(window.view(MainWindow::kReportView));
  ASSERT_TRUE(window.ShowView(MainWindow::kReportView));
  Q_EMIT reports.inputWanted(kInStroke);
  EXPECT_EQ(test::Find<QTabWidget>(window, "tabMain")->currentIndex(), MainWindow::kEngineView);
  EXPECT_TRUE(Inputs().box(kInStroke)->hasFocus());
}

}  // namespace
}  // namespace orv
