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
#include <QFocusEvent>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/application.h"
#include "files/config_file.h"
#include "files/interface_text_ids.h"
#include "files/user_store.h"
#include "shell/scripted_prompter.h"
#include "shell/view.h"
#include "shell/window_main.h"
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

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : app_(prompter_) {
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    app_.SetUserStorePath(StorePath());
  }
  ~MainWindowTest() override {
    // The window goes before the application it draws.
    window_.reset();
  }

  fs::path DataRoot() const { return dir_ / "data"; }
  fs::path StorePath() const { return dir_ / "config" / "Orvantis" / "Orvantis.ini"; }
  fs::path Engines() const { return DataRoot() / "Engines"; }

  MainWindow& Start() {
    StartOptions options;
    options.dataRoot = DataRoot();
    options.programFolder = fs::path(std::getenv("ORVANTIS_SOURCE_DIR")) / "resources";
    options.pause = false;
    window_ = StartMainWindow(app_, options);
    return *window_;
  }

  // A changed engine: a new bore typed into its box.
  void ChangeEngine() {
    app_.document().TypeIntoBox(0, "4.5");
    window_->RefreshFromCore();
    ASSERT_TRUE(app_.document().changed());
  }

  test::TempDir dir_;
  test::ScriptedPrompter prompter_;
  Application app_;
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
  EXPECT_EQ(window.tabs()->tabText(0).toStdString(), app_.strings().Tab(1, 1));
  EXPECT_EQ(window.tabs()->tabText(3).toStdString(), "Reports");
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
  EXPECT_EQ(window.recentActions()[0]->text().toStdString(), "&1 " + other.string());
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
  const auto& entries = window.recentActions();
  ASSERT_EQ(entries.size(), 9u);
  EXPECT_TRUE(window.recentSeparator()->isVisible());
  EXPECT_TRUE(entries[0]->isVisible());
  EXPECT_EQ(entries[0]->text().toStdString(), "&1 " + a);
  EXPECT_TRUE(entries[1]->isVisible());
  EXPECT_EQ(entries[1]->text().toStdString(), "&2 " + b);
  for (std::size_t k = 2; k < entries.size(); ++k) EXPECT_FALSE(entries[k]->isVisible()) << k;
}

TEST_F(MainWindowTest, EmptyRecentListHidesTheEntriesAndTheirSeparator) {
  MainWindow& window = Start();
  EXPECT_FALSE(window.recentSeparator()->isVisible());
  for (QAction* entry : window.recentActions()) EXPECT_FALSE(entry->isVisible());
}

TEST_F(MainWindowTest, AnAmpersandInARecentPathIsShownAsItself) {
  const std::string path = (dir_ / "R&D.OV").string();
  ASSERT_EQ(UserStore(StorePath()).RegWriteText("File1", path), 0);
  MainWindow& window = Start();
  const QString text = window.recentActions()[0]->text();
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
  EXPECT_FALSE(window.printAction()->isEnabled());
  EXPECT_FALSE(window.saveToFileAction()->isEnabled());
  for (int i = 0; i < MainWindow::kViewCount; ++i) {
    ASSERT_TRUE(window.ShowView(i));
    EXPECT_EQ(window.printAction()->isEnabled(), window.view(i)->CanPrint()) << i;
    EXPECT_EQ(window.saveToFileAction()->isEnabled(), window.view(i)->CanPrint()) << i;
  }
  ASSERT_TRUE(window.ShowView(MainWindow::kEngineView));
  EXPECT_FALSE(window.printAction()->isEnabled());
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
  EXPECT_EQ(window.instructionText(), general);
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
  QApplication::sendEvent(window.tabs()->tabBar(), &focus);
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
