#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "app/application.h"
#include "base/atomic_file.h"
#include "base/folder_files.h"
#include "files/engine_file.h"
#include "files/user_store.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) { return ReadWholeFile(path).value_or("<missing>"); }

// A program folder with the interface string file, an empty data root and a user store.
class ApplicationFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "prog");
    fs::copy_file(fs::path(std::getenv("ORVANTIS_SOURCE_DIR")) / "resources" / "OV-STR.TXT",
                  dir_ / "prog" / "OV-STR.TXT");
  }
  Folders folders() const { return Folders{dir_ / "prog", dir_ / "data"}; }
  void Prepare(Application& app) const {
    app.SetFolders(folders());
    app.SetUserStorePath(dir_ / "user" / "Orvantis.ini");
  }
  fs::path Engines() const { return dir_ / "data" / "Engines"; }

  test::TempDir dir_;
  test::FakePrompter prompter_;
};

TEST_F(ApplicationFiles, AFreshDataRootGetsItsFoldersAndMyEngine000) {
  Application app(prompter_);
  Prepare(app);
  ASSERT_TRUE(app.StartUp());
  for (const char* sub : {"Engines", "Reports", "Graph Captures"}) {
    EXPECT_TRUE(fs::is_directory(dir_ / "data" / sub)) << sub;
  }
  const fs::path engine = Engines() / "MyEngine000.OV";
  ASSERT_TRUE(fs::exists(engine));
  EXPECT_EQ(app.enginePath(), engine.string());
  EXPECT_EQ(app.WindowTitle(), "Orvantis  [ " + engine.string() + " ]");
  // A first start has no configuration file yet: that is no fault to warn of.
  EXPECT_TRUE(prompter_.warnings.empty());
  EXPECT_EQ(prompter_.beeps, 0);
  // The file holds the built-in default engine.
  EngineInputs back;
  SilentPrompter quiet;
  ASSERT_TRUE(EngineFileIO(engine, back, true, false, quiet));
  EXPECT_EQ(back.Bore, static_cast<double>(4.03f));
  EXPECT_EQ(back.I_CL, 107.9);
  EXPECT_EQ(app.document().controller().texts().suggestionSuffix, " suggested");
  EXPECT_EQ(app.settings().camFolder, folders().dataRootText());
  EXPECT_FALSE(app.document().changed());
}

TEST_F(ApplicationFiles, TheFirstFreeNameIsTaken) {
  fs::create_directories(Engines());
  for (const char* name :
       {"MyEngine000.OV", "MyEngine001.OV", "MyEngine002.OV", "MyEngine003.OV", "MyEngine004.OV"}) {
    std::ofstream(Engines() / name) << "x";
  }
  Application app(prompter_);
  Prepare(app);
  ASSERT_TRUE(app.StartUp());
  EXPECT_EQ(app.enginePath(), (Engines() / "MyEngine005.OV").string());
  EXPECT_TRUE(fs::exists(Engines() / "MyEngine005.OV"));
  EXPECT_EQ(ReadText(Engines() / "MyEngine000.OV"), "x");
}

TEST_F(ApplicationFiles, ExitWritesTheSettingsAndTheNextStartReadsThemBack) {
  {
    Application app(prompter_);
    Prepare(app);
    ASSERT_TRUE(app.StartUp());
    ASSERT_TRUE(app.document().TypeInput("Bore", "4.25"));
    ASSERT_TRUE(app.SaveEngineTo((Engines() / "Race.OV").string()));
    app.EditSettings().unitSystem = 1;
    app.EditSettings().incrementNames = true;
    app.AddRecentFile("/elsewhere/Old.OV");
    ASSERT_TRUE(app.QueryExit());
    app.Exit();
  }
  UserStore store(dir_ / "user" / "Orvantis.ini");
  EXPECT_EQ(store.RegReadValue("ProjectFile", ""), (dir_ / "data" / "ORV_ANT.INI").string());
  prompter_.warnings.clear();
  prompter_.warningTitles.clear();
  Application app(prompter_);
  Prepare(app);
  ASSERT_TRUE(app.StartUp());
  EXPECT_TRUE(prompter_.warnings.empty());
  EXPECT_EQ(app.enginePath(), (Engines() / "Race.OV").string());
  EXPECT_EQ(app.document().engine().inputs().Bore, 4.25);
  EXPECT_EQ(app.document().controller().unitMode(), UnitMode::Metric);
  EXPECT_EQ(app.recentFiles()[0], "/elsewhere/Old.OV");
  EXPECT_EQ(app.recentFiles()[1], (Engines() / "Race.OV").string());
  EXPECT_EQ(app.SaveAsProposal(), (Engines() / "Racf.OV").string());
}

TEST_F(ApplicationFiles, AMissingLastEngineLeavesTheDefaultsWithoutKeyboardFlow) {
  fs::create_directories(dir_ / "data");
  std::ofstream(dir_ / "data" / "ORV_ANT.INI")
      << "[ID]\r\nPurpose = Orvantis Configuration File\r\n[Graph]\r\nGThd = 12\r\n"
         "[Files]\r\nEngine = " +
             (Engines() / "Gone.OV").string() + "\r\n";
  Application app(prompter_);
  Prepare(app);
  ASSERT_TRUE(app.StartUp());
  ASSERT_EQ(prompter_.warnings.size(), 1u);
  EXPECT_EQ(prompter_.warningTitles[0], "Orvantis");
  EXPECT_EQ(prompter_.warnings[0],
            (Engines() / "Gone.OV").string() + " is not an Orvantis engine file.");
  EXPECT_EQ(app.document().engine().inputs().Bore, 4.03);  // the built-in default engine
  EXPECT_EQ(app.enginePath(), (Engines() / "Gone.OV").string());
  EXPECT_EQ(app.settings().graphPanelNumber, 9);
  EXPECT_FALSE(fs::exists(Engines() / "MyEngine000.OV"));
}

TEST_F(ApplicationFiles, OpenEngineReadsOrRefusesAndKeepsTheEngine) {
  Application app(prompter_);
  Prepare(app);
  fs::create_directories(Engines());
  ASSERT_TRUE(app.document().TypeInput("Stroke", "3.75"));
  ASSERT_TRUE(app.SaveEngineTo((Engines() / "A.OV").string()));
  ASSERT_TRUE(app.document().TypeInput("Stroke", "3.5"));
  EXPECT_TRUE(app.document().changed());

  std::ofstream(Engines() / "foreign.OV") << "[ID]\r\nPurpose = Other\r\n";
  EXPECT_FALSE(app.OpenEngine((Engines() / "foreign.OV").string()));
  EXPECT_EQ(app.document().engine().inputs().Stroke, 3.5);
  EXPECT_TRUE(app.document().changed());
  ASSERT_EQ(prompter_.warnings.size(), 2u);
  EXPECT_EQ(prompter_.warningTitles[1], "Warning !!!");
  EXPECT_EQ(prompter_.warnings[1],
            "Error while reading file\r" + (Engines() / "foreign.OV").string());

  ASSERT_TRUE(app.OpenEngine((Engines() / "A.OV").string()));
  EXPECT_EQ(app.document().engine().inputs().Stroke, 3.75);
  EXPECT_FALSE(app.document().changed());
  EXPECT_EQ(app.enginePath(), (Engines() / "A.OV").string());
  EXPECT_EQ(app.recentFiles()[0], (Engines() / "A.OV").string());
  EXPECT_EQ(app.document().controller().panel().text[1], "3.750");
}

// A cam lift near the top of the float range overflows when it is turned into valve lift: the
// open reports the error through the error trace and goes on, and the valve tables hold no lobe
// rather than overflowed values; a good engine builds them again.
TEST_F(ApplicationFiles, ACamLiftThatOverflowsIsReportedAndTheOpenGoesOn) {
  Application app(prompter_);
  Prepare(app);
  fs::create_directories(Engines());
  const std::string good = (Engines() / "good.OV").string();
  const std::string huge = (Engines() / "huge.OV").string();
  ASSERT_TRUE(app.SaveEngineTo(good));
  std::string text = ReadText(good);
  const std::size_t at = text.find("Int = ") + 6;
  text.replace(at, text.find(',', at) - at, "3.4e38");
  std::ofstream(huge, std::ios::binary) << text;

  prompter_.warnings.clear();
  prompter_.warningTitles.clear();
  EXPECT_TRUE(app.OpenEngine(huge));
  ASSERT_EQ(prompter_.warnings.size(), 1u);
  EXPECT_EQ(prompter_.warningTitles[0], "Orvantis");
  EXPECT_EQ(prompter_.warnings[0],
            "Error (6)    Overflow\r\n\r\nERROR TRACE:\r\n"
            "   EngineModel/RebuildValveTables\r\n"
            "      frmMain/RebuildLobesAndFlowTestsFromEngine");
  EXPECT_EQ(app.enginePath(), huge);
  EXPECT_EQ(app.document().engine().inputs().Int[0], 3.4e38f);
  EXPECT_FALSE(app.document().engine().valveTables().current);
  EXPECT_EQ(app.document().engine().valveTables().IntakeLift.count(), 1);
  EXPECT_EQ(app.document().engine().valveTables().ExhaustLift.count(), 1);
  EXPECT_EQ(app.document().engine().DataAtPt(13, 104), 0);

  EXPECT_TRUE(app.OpenEngine(good));
  EXPECT_EQ(prompter_.warnings.size(), 1u);
  EXPECT_TRUE(app.document().engine().valveTables().current);
  EXPECT_EQ(app.document().engine().valveTables().IntakeLift.count(), 360);
}

TEST_F(ApplicationFiles, SaveEngineAsksForTheNameAndReportsFailure) {
  Application app(prompter_);
  Prepare(app);
  fs::create_directories(Engines());
  const std::string target = (Engines() / "B.OV").string();
  ASSERT_TRUE(app.document().TypeInput("Bore", "4.1"));

  prompter_.fileNames = {std::nullopt};
  EXPECT_EQ(app.SaveEngine(""), Application::SaveResult::Cancelled);
  EXPECT_EQ(prompter_.fileRequests.back().first, Prompter::FileKind::SaveEngine);
  EXPECT_EQ(prompter_.fileRequests.back().second, app.enginePath());
  EXPECT_TRUE(app.document().changed());

  prompter_.fileNames = {target};
  EXPECT_EQ(app.SaveEngine("proposed.OV"), Application::SaveResult::Saved);
  EXPECT_EQ(prompter_.fileRequests.back(),
            std::make_pair(Prompter::FileKind::SaveEngineAs, std::string("proposed.OV")));
  EXPECT_FALSE(app.document().changed());
  EXPECT_EQ(app.WindowTitle(), "Orvantis  [ " + target + " ]");

  const std::string before = ReadText(target);
  fs::permissions(target, fs::perms::owner_read);
  ASSERT_TRUE(app.document().TypeInput("Bore", "4.2"));
  prompter_.fileNames = {target};
  EXPECT_EQ(app.SaveEngine(""), Application::SaveResult::Failed);
  EXPECT_TRUE(app.document().changed());
  EXPECT_EQ(ReadText(target), before);
  EXPECT_EQ(prompter_.warningTitles.back(), "Warning !!!");
  EXPECT_EQ(prompter_.warnings.back(),
            "Error while writing file\r" + target +
                "\rFile Not Saved\rthe file may not be written: " + target);
}

TEST_F(ApplicationFiles, AskSaveChangesFollowsTheAnswer) {
  struct Row {
    const char* name;
    Prompter::Answer answer;
    std::optional<std::string> fileName;
    bool goAhead;
    bool stillChanged;
  };
  fs::create_directories(Engines());
  const std::string target = (Engines() / "C.OV").string();
  const std::vector<Row> rows = {
      {"cancel", Prompter::Answer::Cancel, std::nullopt, false, true},
      {"no", Prompter::Answer::No, std::nullopt, true, true},
      {"yes, dialog cancelled", Prompter::Answer::Yes, std::nullopt, false, true},
      {"yes, saved", Prompter::Answer::Yes, target, true, false},
  };
  for (const Row& row : rows) {
    test::FakePrompter prompter;
    Application app(prompter);
    Prepare(app);
    app.LoadStrings();
    ASSERT_TRUE(app.AskSaveChanges()) << "an unchanged engine asks nothing";
    EXPECT_TRUE(prompter.questions.empty());
    ASSERT_TRUE(app.document().TypeInput("Bore", "4.1"));
    prompter.answers = {row.answer};
    prompter.fileNames = {row.fileName};
    EXPECT_EQ(app.AskSaveChanges(), row.goAhead) << row.name;
    EXPECT_EQ(app.document().changed(), row.stillChanged) << row.name;
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0], app.strings().Misc(13));
    EXPECT_EQ(prompter.informs.size(), row.stillChanged ? 0u : 1u) << row.name;
  }
}

// File, Open and the recent entries as the window runs them: the question about a changed
// engine comes first and its Cancel ends the flow before any file is asked for; the dialog
// starts in the current engine's folder; an engine read tops the recent list.
TEST_F(ApplicationFiles, TheOpenFlowsAskSaveThenOpenAndListTheFile) {
  Application app(prompter_);
  Prepare(app);
  app.LoadStrings();
  fs::create_directories(Engines() / "sub");
  const std::string a = (Engines() / "A.OV").string();
  const std::string b = (Engines() / "sub" / "B.OV").string();
  ASSERT_TRUE(app.document().TypeInput("Stroke", "3.75"));
  ASSERT_TRUE(app.SaveEngineTo(b));
  ASSERT_TRUE(app.document().TypeInput("Stroke", "3.5"));
  ASSERT_TRUE(app.SaveEngineTo(a));
  ASSERT_EQ(app.recentFiles()[0], a);
  ASSERT_EQ(app.recentFiles()[1], b);

  // An unchanged engine: no question; the dialog starts in A's folder, with its separator.
  prompter_.fileNames = {b};
  EXPECT_TRUE(app.AskAndOpenEngine());
  EXPECT_TRUE(prompter_.questions.empty());
  ASSERT_EQ(prompter_.fileRequests.size(), 1u);
  EXPECT_EQ(prompter_.fileRequests[0],
            std::make_pair(Prompter::FileKind::OpenEngine, FolderWithSeparator(Engines())));
  EXPECT_EQ(app.enginePath(), b);
  EXPECT_EQ(app.document().engine().inputs().Stroke, 3.75);
  EXPECT_EQ(app.recentFiles()[0], b);

  // The dialog cancelled: nothing read, the engine stays.
  prompter_.fileNames = {std::nullopt};
  EXPECT_FALSE(app.AskAndOpenEngine());
  EXPECT_EQ(prompter_.fileRequests.back().second, FolderWithSeparator(Engines() / "sub"));
  EXPECT_EQ(app.enginePath(), b);

  // A changed engine and Cancel to the question: no file is asked for.
  ASSERT_TRUE(app.document().TypeInput("Bore", "4.1"));
  const std::size_t askedBefore = prompter_.fileRequests.size();
  prompter_.answers = {Prompter::Answer::Cancel};
  EXPECT_FALSE(app.AskAndOpenEngine());
  EXPECT_EQ(prompter_.questions.size(), 1u);
  EXPECT_EQ(prompter_.fileRequests.size(), askedBefore);
  EXPECT_FALSE(app.OpenRecentEngine(2));
  EXPECT_EQ(prompter_.questions.size(), 2u);
  EXPECT_EQ(app.enginePath(), b);
  EXPECT_TRUE(app.document().changed());

  // No to the question: the recent entry is opened and moves to the top.
  prompter_.answers = {Prompter::Answer::No};
  EXPECT_TRUE(app.OpenRecentEngine(2));
  EXPECT_EQ(app.enginePath(), a);
  EXPECT_EQ(app.document().engine().inputs().Stroke, 3.5);
  EXPECT_EQ(app.recentFiles()[0], a);
  EXPECT_FALSE(app.document().changed());

  // Entries that name no file ask nothing.
  const std::size_t questions = prompter_.questions.size();
  for (const int entry : {0, 3, 9, 10, -1}) {
    EXPECT_FALSE(app.OpenRecentEngine(entry)) << entry;
  }
  EXPECT_EQ(prompter_.questions.size(), questions);
  EXPECT_EQ(app.enginePath(), a);
}

// Compare With starts in the reference's folder once one is set, otherwise in the current
// engine's; a cancelled dialog leaves the reference as it was.
TEST_F(ApplicationFiles, CompareWithStartsInTheReferencesFolder) {
  Application app(prompter_);
  Prepare(app);
  app.LoadStrings();
  fs::create_directories(Engines() / "ref");
  const std::string current = (Engines() / "A.OV").string();
  const std::string reference = (Engines() / "ref" / "R.OV").string();
  ASSERT_TRUE(app.SaveEngineTo(reference));
  ASSERT_TRUE(app.SaveEngineTo(current));

  prompter_.fileNames = {reference};
  EXPECT_TRUE(app.AskAndSetReference());
  ASSERT_NE(app.reference(), nullptr);
  EXPECT_EQ(app.reference()->path(), reference);
  EXPECT_EQ(prompter_.fileRequests.back(),
            std::make_pair(Prompter::FileKind::CompareEngine, FolderWithSeparator(Engines())));

  prompter_.fileNames = {std::nullopt};
  EXPECT_FALSE(app.AskAndSetReference());
  EXPECT_EQ(prompter_.fileRequests.back().second, FolderWithSeparator(Engines() / "ref"));
  ASSERT_NE(app.reference(), nullptr);
  EXPECT_EQ(app.reference()->path(), reference);
  // The current engine was never asked about: comparing replaces nothing.
  EXPECT_TRUE(prompter_.questions.empty());
  EXPECT_EQ(app.enginePath(), current);
}

TEST_F(ApplicationFiles, WithoutTheInterfaceStringsNothingMoreIsLoaded) {
  fs::remove(dir_ / "prog" / "OV-STR.TXT");
  Application app(prompter_);
  Prepare(app);
  EXPECT_FALSE(app.StartUp());
  ASSERT_EQ(prompter_.warnings.size(), 1u);
  EXPECT_NE(prompter_.warnings[0].find("Error (53)"), std::string::npos) << prompter_.warnings[0];
  EXPECT_FALSE(fs::exists(Engines() / "MyEngine000.OV"));
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST_F(ApplicationFiles, OpeningAnEngineReplacesTheLobesAndFlowTestsFromItsReferences) {
  Application app(prompter_);
  Prepare(app);
  fs::create_directories(Engines());
  EngineInputs& in = app.document().engine().inputs();
  in.intakeCam = CamFileRef{"/cams/A.LBK", 105, 2};
  in.I_CL = 110.3;
  in.I_RR = 1.7f;
  in.intakeFlow = FlowTestRef{"/flow/heads.SY3", "Port 3", 41, 2, false};
  in.exhaustFlow = FlowTestRef{"/flow/E.SY", "", 0, 0, true};
  ASSERT_TRUE(app.SaveEngineTo((Engines() / "refs.OV").string()));

  Application other(prompter_);
  Prepare(other);
  ASSERT_TRUE(other.OpenEngine((Engines() / "refs.OV").string()));
  const CamLobe& lobe = other.document().engine().intakeLobe();
  EXPECT_EQ(lobe.PathFile(), "/cams/A.LBK");
  EXPECT_EQ(lobe.LobeNo(), 105);
  EXPECT_EQ(lobe.ShaftNo(), 2);
  EXPECT_EQ(lobe.Centerline(), 110.3f);
  EXPECT_EQ(lobe.RockerRatio(), 1.7f);
  EXPECT_EQ(other.document().intakeFlowTest().PathFile(), "/flow/heads.SY3");
  EXPECT_EQ(other.document().intakeFlowTest().Name(), "Port 3");
  EXPECT_EQ(other.document().intakeFlowTest().TestID, 41);
  EXPECT_EQ(other.document().intakeFlowTest().Condition.Kind(), 2);
  EXPECT_EQ(other.document().exhaustFlowTest().PathFile(), "/flow/E.SY");
  // The valve tables follow the file's cam-lift table and rocker ratio.
  const EngineInputs& read = other.document().engine().inputs();
  EXPECT_FLOAT_EQ(other.document().engine().valveTables().IntakeLift[179], read.Int[179] * 1.7f);
}

}  // namespace
}  // namespace orv
