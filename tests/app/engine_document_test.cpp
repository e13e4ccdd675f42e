// The engine document and the application as the window drives them: typing into a box by its
// number, the balance factor's Enter, the refresh after a source change, the unit system, the
// cam settings a lobe brings, the recalculation hold and the change counters per area.
#include "app/engine_document.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/keyboard_flow.h"
#include "app/report_command.h"
#include "support/cam_text_writer.h"
#include "support/fake_prompter.h"
#include "support/sy_writer.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// Every scalar result and every per-degree table, to compare whole result sets.
std::vector<double> AllResults(const Engine& e) {
  std::vector<double> all;
  ForEachResult(e.results(), [&](const char*, double v) { all.push_back(v); });
  ForEachTable(e.tables(), [&](const char*, const BoundedArray<double>& t) {
    for (double v : t.values()) all.push_back(v);
  });
  return all;
}

// A DOS test file (lifts 0.1..0.4, flows 80..320) and an S96 lobe peaking at 0.5.
struct SourceFiles {
  test::TempDir dir;
  std::string dos = (dir / "HEAD1.SY").string();
  std::string s96 = (dir / "LOBE.S96").string();
  SourceFiles() {
    test::SyFile f;
    f.version = 'E';
    for (int i = 1; i <= 4; ++i) {
      test::SyRecord r;
      r.lift = 0.1f * float(i);
      r.ccfm = 80.0f * float(i);
      r.depr = 28;
      f.records.push_back(r);
    }
    test::WriteSyFile(dos, f);
    std::vector<double> lift(360, 0);
    for (int i = -40; i <= 40; ++i)
      lift[static_cast<std::size_t>(i + 180)] = 0.5 - 0.01 * std::abs(i);
    test::WriteTextFile(s96, test::S96Text(lift));
  }
};

class Document : public ::testing::Test {
 protected:
  Document() : app_(prompter_), doc_(app_.document()) {
    app_.SetFolders(Folders{dir_ / "prog", dir_ / "data"});
    app_.SetUserStorePath(dir_ / "user" / "Orvantis.ini");
  }
  const InputPanel& panel() const { return doc_.controller().panel(); }
  const OutputPanel& outputs() const { return doc_.controller().outputs(); }

  test::TempDir dir_;
  test::FakePrompter prompter_{Prompter::Answer::No};
  Application app_;
  EngineDocument& doc_;
};

TEST_F(Document, TypingIntoABoxByNumberBeepsThroughThePrompter) {
  EXPECT_FALSE(doc_.changed());
  const EntryResult r = doc_.TypeIntoBox(kInIVlvCnt, "4");  // 1..3 only: back to 1, one beep
  EXPECT_EQ(prompter_.beeps, 1);
  EXPECT_EQ(r.beeps, 1);
  EXPECT_FALSE(r.changed);  // 1 was held already
  EXPECT_FALSE(doc_.changed());
  doc_.TypeIntoBox(kInBore, "4.125");
  EXPECT_EQ(prompter_.beeps, 1);
  EXPECT_TRUE(doc_.changed());
  EXPECT_EQ(panel().suggestion[kInIntCFM], "238.8 suggested");
  EXPECT_EQ(outputs().page0.at(4), "13.36");  // bore area 4.125^2 x pi / 4, refilled at once
}

TEST_F(Document, RecipBalanceFactorEnterChangesTheAnalysisAndTheMarkButNoResult) {
  doc_.ShowOutputPage(0);
  const std::vector<double> results = AllResults(doc_.engine());
  const std::string before70 = outputs().page0.at(70);
  const std::string slot21 = outputs().page0.at(21);
  const Revisions seen = doc_.revisions();
  const EntryResult r = doc_.EnterRecipBalanceFactor("60");
  EXPECT_TRUE(r.changed);
  EXPECT_TRUE(doc_.changed());
  EXPECT_EQ(doc_.engine().inputs().RecipBF, 60.0f);
  EXPECT_EQ(panel().text[kInRecipBF], "60.00");
  EXPECT_NE(outputs().page0.at(70), before70);  // the difference listing follows
  EXPECT_EQ(outputs().page0.at(21), slot21);    // the computed balance factor does not
  EXPECT_EQ(AllResults(doc_.engine()), results);
  EXPECT_EQ(ChangesBetween(seen, doc_.revisions()),
            (ChangedAreas{true, true, false, true, false, false}));
}

TEST_F(Document, ASourceChangeRefreshesInputsAndOutputs) {
  SourceFiles files;
  // Typed under a recalculation hold: stored and shown, the outputs still of the old bore.
  {
    EngineDocument::RecalculationHold hold(doc_);
    EXPECT_TRUE(doc_.recalculationHeld());
    const EntryResult r = doc_.TypeIntoBox(kInBore, "4.125");
    EXPECT_TRUE(r.changed);
    EXPECT_FALSE(r.recalculated);
    doc_.ChooseValveTrain(2);
  }
  EXPECT_FALSE(doc_.recalculationHeld());
  EXPECT_EQ(panel().text[kInBore], "4.125");
  EXPECT_EQ(outputs().page0.at(4), "12.76");  // 4.03 in
  std::int32_t kind = 0;
  ASSERT_EQ(doc_.LoadFlowTest(true, files.dos, "", kind), FlowError::Ok);
  EXPECT_EQ(outputs().page0.at(4), "13.36");  // 4.125 in, recalculated and refilled
  EXPECT_EQ(doc_.engine().results().ValveTrainFactor, 5.28);
}

TEST_F(Document, AnS96LobeBringsItsCamSettingsIntoTheBoxes) {
  SourceFiles files;
  const CamOpenResult r = doc_.OpenCam(true, LobeChoice{CamFileKind::S96, files.s96, 0, 0, false});
  ASSERT_TRUE(r.read);
  EXPECT_TRUE(doc_.changed());
  EXPECT_EQ(panel().text[kInIntakeCL], "0.00  ");  // read centred on its peak
  EXPECT_EQ(panel().text[kInIntakeRR], "1.000");
  EXPECT_EQ(panel().text[kInIntakeLash], "0.000");
  EXPECT_EQ(panel().text[kInExhaustRR], "1.850");  // the other side keeps its own
  // The valve tables follow the settings shown: the peak times rocker ratio 1.
  EXPECT_FLOAT_EQ(doc_.engine().valveTables().IntakeLift[179], 0.5f);
  // Typing the shown rocker ratio again changes nothing.
  doc_.SetChanged(false);
  EXPECT_FALSE(doc_.TypeIntoBox(kInIntakeRR, "1").changed);
  EXPECT_FALSE(doc_.changed());
}

TEST_F(Document, TheUnitSystemChangesPanelReportsAndGraphSettingTogether) {
  app_.SetUnitSystem(UnitMode::MetricM3);
  EXPECT_EQ(app_.unitSystem(), UnitMode::MetricM3);
  EXPECT_EQ(app_.settings().unitSystem, 2);  // what the reports and the graph read
  EXPECT_EQ(doc_.controller().unitMode(), UnitMode::MetricM3);
  EXPECT_EQ(panel().text[kInIntCFM], "8.921");  // 315.0337 CFM in m3/min
  EXPECT_EQ(outputs().page0.at(2), "32.0  ");   // deck clearance 1.26 in = 32.0 mm

  const ReportStamp stamp{"01/02/03", "04:05:06"};
  const std::string general = BuildScreenReport(app_, ReportKind::General, true, "", stamp);
  EXPECT_NE(general.find("8.921"), std::string::npos);
  // Flow demand and airflow in m3/min carry three decimals; the position is in mm.
  const std::string intake = BuildScreenReport(app_, ReportKind::IntakeAir, true, "", stamp);
  EXPECT_NE(intake.find("         TDC       88.4          0      0.000      0.000"),
            std::string::npos);
}

TEST_F(Document, EachCommandCountsUpTheAreasItChanges) {
  SourceFiles files;
  const ReportStamp stamp{"01/02/03", "04:05:06"};
  struct Row {
    const char* name;
    std::function<void()> command;
    ChangedAreas areas;  // inputs, outputs, sources, title, recent, settings
  };
  std::int32_t kind = 0;
  const Row rows[] = {
      {"status click",
       [&] { doc_.ClickStatus(kInBore); },
       {true, false, false, false, false, false}},
      {"output page", [&] { doc_.ShowOutputPage(1); }, {false, true, false, false, false, false}},
      {"retyped value",
       [&] { doc_.TypeIntoBox(kInStroke, "3.48"); },
       {true, false, false, false, false, false}},
      {"new value",
       [&] { doc_.TypeIntoBox(kInStroke, "3.5"); },
       {true, true, false, true, false, false}},
      {"flow test",
       [&] { doc_.LoadFlowTest(false, files.dos, "", kind); },
       {true, true, true, false, false, false}},
      {"saved",
       [&] { doc_.WriteEngineFile((dir_ / "a.OV").string()); },
       {false, false, false, true, false, false}},
      {"recent file",
       [&] { app_.AddRecentFile("/x/B.OV"); },
       {false, false, false, false, true, false}},
      {"options",
       [&] { app_.EditSettings().incrementNames = true; },
       {false, false, false, false, false, true}},
      // Settings given the values they hold, or changed and changed back, move nothing.
      {"options unchanged",
       [&] { app_.EditSettings().incrementNames = app_.settings().incrementNames; },
       {false, false, false, false, false, false}},
      {"options changed back",
       [&] {
         Settings& s = app_.EditSettings();
         s.cursorStep += 1;
         s.cursorStep -= 1;
       },
       {false, false, false, false, false, false}},
      {"unit system unchanged",
       [&] { app_.SetUnitSystem(app_.unitSystem()); },
       {true, true, false, false, false, false}},
      // A report fills the output pages it reads; filled again with the same texts they move
      // nothing, whichever page the panel shows.
      {"general report",
       [&] { BuildScreenReport(app_, ReportKind::General, true, "", stamp); },
       {false, true, false, false, false, false}},
      {"general report again",
       [&] { BuildScreenReport(app_, ReportKind::General, true, "", stamp); },
       {false, false, false, false, false, false}},
      {"details report",
       [&] { BuildScreenReport(app_, ReportKind::Details, true, "", stamp); },
       {false, false, false, false, false, false}},
      {"unit system",
       [&] { app_.SetUnitSystem(UnitMode::Metric); },
       {true, true, false, false, false, true}},
  };
  for (const Row& row : rows) {
    const Revisions before = app_.revisions();
    row.command();
    EXPECT_EQ(ChangesBetween(before, app_.revisions()), row.areas) << row.name;
  }
}

TEST_F(Document, AnEntryEndingInAnErrorKeepsTheValueAndTheMark) {
  const Revisions before = doc_.revisions();
  EXPECT_THROW(doc_.TypeIntoBox(kInCR, "1"), RuntimeError);
  EXPECT_TRUE(doc_.changed());
  EXPECT_EQ(doc_.engine().inputs().CR, 1);
  const ChangedAreas moved = ChangesBetween(before, doc_.revisions());
  EXPECT_TRUE(moved.inputs && moved.outputs && moved.title);
}

TEST_F(Document, KeyboardFlowOpenRefreshesLikeAnyOtherSource) {
  const Revisions before = doc_.revisions();
  KeyboardFlowEntry tab(doc_, false);
  tab.Leave(1, KeyboardFlowEntry::Field::Lift, "0.2");
  tab.Leave(1, KeyboardFlowEntry::Field::Cfm, "100");
  tab.Open();
  EXPECT_TRUE(doc_.changed());
  EXPECT_TRUE(doc_.engine().inputs().exhaustFlow.keyboard);
  EXPECT_EQ(doc_.exhaustFlowTest().Records(), 1);
  EXPECT_TRUE(ChangesBetween(before, doc_.revisions()).sources);
}

TEST_F(Document, TheManualIsNamedOrItsAbsenceTold) {
  fs::create_directories(dir_ / "prog");
  fs::copy_file(fs::path(std::getenv("ORVANTIS_SOURCE_DIR")) / "resources" / "OV-STR.TXT",
                dir_ / "prog" / "OV-STR.TXT");
  app_.LoadStrings();
  const fs::path manual = dir_ / "prog" / "OrvantisManual.pdf";
  EXPECT_FALSE(app_.ManualToOpen());
  ASSERT_EQ(prompter_.informs.size(), 1u);
  EXPECT_EQ(prompter_.informs[0], "The manual was not found:\r\r" + manual.string());
  test::WriteTextFile(manual.string(), "%PDF-1.4");
  EXPECT_EQ(app_.ManualToOpen(), manual);
  EXPECT_EQ(prompter_.informs.size(), 1u);
}

}  // namespace
}  // namespace orv
