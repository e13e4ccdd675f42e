// Undo and redo of the engine document: the names of the steps, the engine file's bytes after
// undoing to a saved state, the results after redo, the changed mark at the saved point, and
// the history's bounds (a new engine, the step limit, a lost saved point).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/engine_document.h"
#include "app/keyboard_flow.h"
#include "app/undo_stack.h"
#include "base/atomic_file.h"
#include "support/cam_text_writer.h"
#include "support/fake_prompter.h"
#include "support/temp_dir.h"

namespace orv {
namespace {

std::vector<double> AllResults(const Engine& e) {
  std::vector<double> all;
  ForEachResult(e.results(), [&](const char*, double v) { all.push_back(v); });
  ForEachTable(e.tables(), [&](const char*, const BoundedArray<double>& t) {
    for (double v : t.values()) all.push_back(v);
  });
  return all;
}

class Undo : public ::testing::Test {
 protected:
  Undo() : app_(prompter_), doc_(app_.document()) {
    app_.SetFolders(Folders{dir_ / "prog", dir_ / "data"});
    app_.SetUserStorePath(dir_ / "user" / "Orvantis.ini");
    // An S96 lobe peaking at 0.5 in, 80 degrees wide.
    std::vector<double> lift(360, 0);
    for (int i = -40; i <= 40; ++i) {
      lift[static_cast<std::size_t>(i + 180)] = 0.5 - 0.01 * std::abs(i);
    }
    test::WriteTextFile(s96_, test::S96Text(lift));
  }

  std::string Bytes(const std::string& name) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(doc_.WriteEngineFile(path));
    return ReadWholeFile(path).value_or("");
  }

  void LoadCam() {
    LobeChoice choice;
    choice.kind = CamFileKind::S96;
    choice.path = s96_.string();
    const CamOpenResult r = doc_.OpenCam(true, choice);
    ASSERT_TRUE(r.read);
  }

  test::TempDir dir_;
  std::filesystem::path s96_ = dir_ / "LOBE.S96";
  // Questions (save the changes first?) are answered No.
  test::FakePrompter prompter_{Prompter::Answer::No};
  Application app_;
  EngineDocument& doc_;
};

TEST_F(Undo, StepsAreNamedAfterTheLabelAndTheTextsBeforeAndAfter) {
  EXPECT_FALSE(doc_.CanUndo());
  EXPECT_EQ(doc_.UndoText(), "Undo");
  doc_.TypeIntoBox(kInBore, "4.125");
  EXPECT_EQ(doc_.UndoText(), "Undo Bore 4.030 \u2192 4.125");
  doc_.TypeIntoBox(kInCR, "12.5");
  EXPECT_EQ(doc_.UndoText(), "Undo Static Compression Ratio 13.8 \u2192 12.5");
  doc_.ChooseFuel(2);
  EXPECT_EQ(doc_.UndoText(), "Undo Fuel/Type of Engine Gasoline \u2192 Diesel");
  doc_.ChooseEnterAirPP(0);
  EXPECT_EQ(doc_.UndoText(), "Undo Enter Inlet Airflow");
  LoadCam();
  EXPECT_EQ(doc_.UndoText(), "Undo Intake Cam LOBE.S96");
  doc_.Undo();
  EXPECT_EQ(doc_.RedoText(), "Redo Intake Cam LOBE.S96");
  EXPECT_EQ(doc_.UndoText(), "Undo Enter Inlet Airflow");
}

TEST_F(Undo, AValueThatDoesNotChangeIsNoStep) {
  doc_.TypeIntoBox(kInBore, "4.030");  // the value held, as shown
  doc_.ChooseFuel(0);                  // the fuel chosen already
  EXPECT_FALSE(doc_.CanUndo());
  EXPECT_FALSE(doc_.changed());
}

TEST_F(Undo, UndoingThreeInputsAndACamGivesBackTheSavedFileByteForByte) {
  const std::string saved = Bytes("saved.OV");
  doc_.TypeIntoBox(kInBore, "4.125");
  doc_.TypeIntoBox(kInStroke, "3.75");
  doc_.TypeIntoBox(kInIntTemp, "80");  // also sets the critical velocity
  LoadCam();
  EXPECT_TRUE(doc_.changed());
  for (int i = 0; i < 4; ++i) doc_.Undo();
  EXPECT_FALSE(doc_.CanUndo());
  EXPECT_FALSE(doc_.changed());
  EXPECT_EQ(Bytes("undone.OV"), saved);
}

TEST_F(Undo, RedoGivesTheSameInputsAndResultsAsTheEditsDid) {
  const std::vector<double> before = AllResults(doc_.engine());
  doc_.TypeIntoBox(kInBore, "4.125");
  doc_.TypeIntoBox(kInStroke, "3.75");
  doc_.TypeIntoBox(kInIntTemp, "80");
  LoadCam();
  const std::vector<double> edited = AllResults(doc_.engine());
  const std::string editedBytes = Bytes("edited.OV");
  for (int i = 0; i < 4; ++i) doc_.Undo();
  EXPECT_EQ(AllResults(doc_.engine()), before);
  for (int i = 0; i < 4; ++i) doc_.Redo();
  EXPECT_FALSE(doc_.CanRedo());
  EXPECT_EQ(AllResults(doc_.engine()), edited);
  EXPECT_EQ(Bytes("redone.OV"), editedBytes);
  EXPECT_EQ(doc_.engine().inputs().Stroke, 3.75);
  EXPECT_EQ(doc_.controller().panel().text[kInBore].substr(0, 5), "4.125");
}

TEST_F(Undo, TheChangedMarkFollowsTheSavedPoint) {
  doc_.TypeIntoBox(kInBore, "4.125");
  ASSERT_TRUE(doc_.WriteEngineFile((dir_ / "a.OV").string()));
  EXPECT_FALSE(doc_.changed());
  doc_.TypeIntoBox(kInStroke, "3.75");
  EXPECT_TRUE(doc_.changed());
  doc_.Undo();  // back to what a.OV holds
  EXPECT_FALSE(doc_.changed());
  doc_.Undo();  // before the bore: not what the file holds
  EXPECT_TRUE(doc_.changed());
  doc_.Redo();
  EXPECT_FALSE(doc_.changed());
}

TEST_F(Undo, ANewStepAfterUndoDropsTheRedoStepsAndASavedPointAmongThem) {
  doc_.TypeIntoBox(kInBore, "4.125");
  ASSERT_TRUE(doc_.WriteEngineFile((dir_ / "a.OV").string()));
  doc_.Undo();
  EXPECT_TRUE(doc_.changed());
  doc_.TypeIntoBox(kInStroke, "3.75");
  EXPECT_FALSE(doc_.CanRedo());
  doc_.Undo();
  // The file holds the bore of the dropped step: no state of the history is saved any more.
  EXPECT_TRUE(doc_.changed());
  EXPECT_EQ(doc_.engine().inputs().Bore, 4.03);
}

TEST_F(Undo, OpeningAnotherEngineClearsTheHistory) {
  const std::string other = (dir_ / "other.OV").string();
  ASSERT_TRUE(doc_.WriteEngineFile(other));
  doc_.TypeIntoBox(kInBore, "4.125");
  ASSERT_TRUE(doc_.CanUndo());
  ASSERT_TRUE(app_.OpenEngine(other));
  EXPECT_FALSE(doc_.CanUndo());
  EXPECT_FALSE(doc_.CanRedo());
  // A file that cannot be read keeps the engine and its history.
  doc_.TypeIntoBox(kInBore, "4.125");
  EXPECT_FALSE(app_.OpenEngine((dir_ / "missing.OV").string()));
  EXPECT_TRUE(doc_.CanUndo());
}

TEST_F(Undo, UndoRestoresListChoicesTheLabelAndReviewMarks) {
  const InputPanel before = doc_.controller().panel();
  doc_.ChooseFuel(2);
  ASSERT_EQ(doc_.controller().panel().label24, EngineTexts{}.label68);
  doc_.Undo();
  EXPECT_EQ(doc_.engine().inputs().Fuel, 0);
  EXPECT_EQ(doc_.controller().panel().label24, EngineTexts{}.label24);
  EXPECT_EQ(doc_.controller().panel().status, before.status);
  EXPECT_EQ(doc_.controller().panel().suggestion, before.suggestion);
}

TEST_F(Undo, ApproveAllIsAStepThatUndoTakesBack) {
  const auto before = doc_.controller().panel().status;
  doc_.ApproveAll(0);
  ASSERT_EQ(doc_.UndoText(), "Undo Approve All");
  for (int n = 0; n <= 12; ++n)
    EXPECT_TRUE(InputPanel::Approved(doc_.controller().panel().status[n]));
  EXPECT_TRUE(doc_.controller().panel().stage2Enabled);
  doc_.Undo();
  EXPECT_EQ(doc_.controller().panel().status, before);
  EXPECT_FALSE(doc_.controller().panel().stage2Enabled);
  // Approving what is approved already changes nothing: no second step.
  doc_.Redo();
  doc_.ApproveAll(0);
  doc_.Undo();
  EXPECT_FALSE(doc_.CanUndo());
}

TEST_F(Undo, KeyboardFlowIsOneStepBackToTheTablesBeforeTheTyping) {
  const std::vector<float> lift = doc_.engine().inputs().ILift.values();
  KeyboardFlowEntry tab(doc_, true);
  tab.Leave(1, KeyboardFlowEntry::Field::Lift, "0.1");
  tab.Leave(1, KeyboardFlowEntry::Field::Cfm, "100");
  tab.Leave(2, KeyboardFlowEntry::Field::Lift, "0.2");
  tab.Leave(2, KeyboardFlowEntry::Field::Cfm, "180");
  tab.Open();
  EXPECT_EQ(doc_.UndoText(), "Undo Intake Keyboard Flow");
  EXPECT_EQ(doc_.engine().inputs().ILift.values().size(), 3u);
  doc_.Undo();
  EXPECT_EQ(doc_.engine().inputs().ILift.values(), lift);
  EXPECT_FALSE(doc_.engine().inputs().intakeFlow.keyboard);
  EXPECT_FALSE(doc_.CanUndo());
}

TEST_F(Undo, ReferenceFollowsTheUnitSystemAndAFailedReadKeepsThePreviousOne) {
  doc_.TypeIntoBox(kInBore, "4.125");
  const std::string path = (dir_ / "ref.OV").string();
  ASSERT_TRUE(doc_.WriteEngineFile(path));
  ASSERT_TRUE(app_.SetReference(path));
  ASSERT_NE(app_.reference(), nullptr);
  EXPECT_EQ(app_.reference()->engine().inputs().Bore, 4.125);
  const Revisions seen = app_.revisions();
  app_.SetUnitSystem(UnitMode::Metric);
  EXPECT_EQ(app_.reference()->controller().unitMode(), UnitMode::Metric);
  EXPECT_TRUE(ChangesBetween(seen, app_.revisions()).outputs);
  const std::size_t warnings = prompter_.warnings.size();
  EXPECT_FALSE(app_.SetReference((dir_ / "missing.OV").string()));
  ASSERT_GT(prompter_.warnings.size(), warnings);
  EXPECT_NE(prompter_.warnings.back().find(kReadErrorText), std::string::npos);
  ASSERT_NE(app_.reference(), nullptr);
  EXPECT_EQ(app_.reference()->path(), path);
  app_.ClearReference();
  EXPECT_EQ(app_.reference(), nullptr);
}

// The history itself, over plain numbers.
TEST(UndoStack, KeepsAtMostItsLimitAndLosesASavedPointDroppedWithTheOldest) {
  UndoStack<int> stack(0, 3);
  for (int i = 1; i <= 5; ++i) stack.Push("step " + std::to_string(i), i);
  EXPECT_EQ(stack.undoCount(), 3u);
  EXPECT_EQ(stack.UndoName(), "step 5");
  EXPECT_FALSE(stack.AtSavedPoint());  // state 0 was the saved one; it is gone
  EXPECT_EQ(*stack.Undo(), 4);
  EXPECT_EQ(*stack.Undo(), 3);
  EXPECT_EQ(*stack.Undo(), 2);
  EXPECT_EQ(stack.Undo(), nullptr);
  EXPECT_FALSE(stack.AtSavedPoint());
  EXPECT_EQ(*stack.Redo(), 3);
  stack.MarkSaved();
  EXPECT_TRUE(stack.AtSavedPoint());
  stack.Push("step 6", 6);  // drops 4 and 5
  EXPECT_EQ(stack.redoCount(), 0u);
  EXPECT_EQ(stack.RedoName(), "");
  EXPECT_EQ(*stack.Undo(), 3);
  EXPECT_TRUE(stack.AtSavedPoint());
}

TEST(UndoStack, ReplacingTheCurrentStateKeepsTheSteps) {
  UndoStack<int> stack(0);
  stack.Push("a", 1);
  stack.ReplaceCurrent(10);
  EXPECT_EQ(*stack.Undo(), 0);
  EXPECT_EQ(*stack.Redo(), 10);
}

TEST(UndoStack, TheDocumentKeepsAHundredSteps) {
  test::FakePrompter prompter(Prompter::Answer::No);
  Application app(prompter);
  EngineDocument& doc = app.document();
  for (int i = 0; i < 101; ++i) doc.TypeIntoBox(kInCylinders, std::to_string(i % 2 ? 8 : 6));
  int undone = 0;
  while (doc.CanUndo()) {
    doc.Undo();
    ++undone;
  }
  EXPECT_EQ(undone, 100);
  // The oldest step (8 to 6) is gone: the oldest state left holds the 6 of the first step.
  EXPECT_EQ(doc.engine().inputs().Cylinders, 6);
  EXPECT_TRUE(doc.changed());
}

}  // namespace
}  // namespace orv
