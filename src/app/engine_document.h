#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "airflow/csv_flow_test.h"
#include "airflow/flow_test.h"
#include "airflow/test_database_cache.h"
#include "app/revisions.h"
#include "app/undo_stack.h"
#include "base/error_trace.h"
#include "base/prompter.h"
#include "engine/cam_open.h"
#include "engine/engine.h"
#include "engine/input_controller.h"

namespace orv {

// Everything an undo step puts back: the inputs (with the cam-lift and keyboard flow tables and
// the source references), the two cam lobes, the two current flow tests, and the review marks
// and suggestions of the input panel (with the unit system their texts are shown in).
struct EngineState {
  EngineInputs inputs;
  CamLobe intakeLobe;
  CamLobe exhaustLobe;
  FlowTest intakeFlowTest;
  FlowTest exhaustFlowTest;
  std::array<int, InputPanel::kStatuses> status{};
  std::array<std::string, InputPanel::kStatuses> suggestion;
  std::array<double, InputPanel::kStatuses> suggestedValue{};
  UnitMode unitMode = UnitMode::English;
};

// The engine the main window shows: the engine model with its two cam lobes, the input
// panel's controller over it, the two current flow tests, the engine file it was read from or
// saved to, the changed mark that protects unsaved work, and the recalculation hold.
//
// Every command of the main window on the engine comes through here: typing into a box, the
// lists, Approve All, the cam and flow sources, reading and writing the engine file. Each
// command counts up the `Revisions` of the areas it may have changed (inputs, outputs, sources,
// title), so the window redraws only those. The document speaks to the user only through its
// prompter (beeps of the entry rule, warnings).
//
// Errors of the calculation raised by a command travel to its caller, except where a command
// says it reports them itself.
class EngineDocument final {
 public:
  // The built-in default engine with its default lobes, recalculated, unchanged, no path.
  // `databases` holds the test databases the flow loads read (owned by the application).
  EngineDocument(Prompter& prompter, TestDatabaseCache& databases);
  EngineDocument(const EngineDocument&) = delete;
  EngineDocument& operator=(const EngineDocument&) = delete;

  // The engine model, read by the output pages, reports, graph and curve list.
  const Engine& engine() const noexcept { return engine_; }
  // Write access to the model for the dialogs that fill it directly (the keyboard flow tab);
  // they end with a document command that counts the revisions up.
  Engine& engine() noexcept { return engine_; }
  // The input and output panels as the window draws them.
  const InputController& controller() const noexcept { return controller_; }
  Prompter& prompter() noexcept { return prompter_; }

  // The current intake and exhaust flow tests (the last ones loaded for each side).
  const FlowTest& intakeFlowTest() const noexcept { return intakeFlowTest_; }
  const FlowTest& exhaustFlowTest() const noexcept { return exhaustFlowTest_; }

  // The engine file last read or written ("" for none): the window title names it.
  const std::string& path() const noexcept { return path_; }
  // "Orvantis  [ path ]".
  std::string WindowTitle() const;
  // Sets the engine file the title names, without reading or writing it.
  void SetPath(std::string path);

  // The changed mark: set by every change of an input or a source, cleared by a successful
  // read or write of the engine file.
  bool changed() const noexcept { return changed_; }
  void SetChanged(bool changed);

  // Counters of the areas the commands changed (`recent` and `settings` are the
  // application's and stay 0 here).
  const Revisions& revisions() const noexcept { return revisions_; }

  // The recalculation hold: while one is alive, typed values and list choices are stored and
  // shown but start no recalculation (set while many inputs are refreshed at once). Releasing
  // it recalculates nothing; the holder calls `RefreshEngine` when done.
  class RecalculationHold final {
   public:
    explicit RecalculationHold(EngineDocument& document) noexcept : document_(document) {
      ++document_.holds_;
    }
    ~RecalculationHold() { --document_.holds_; }
    RecalculationHold(const RecalculationHold&) = delete;
    RecalculationHold& operator=(const RecalculationHold&) = delete;

   private:
    EngineDocument& document_;
  };
  bool recalculationHeld() const noexcept { return holds_ > 0; }

  // --- The input panel -------------------------------------------------------------------

  // The user leaves box n (0..35) after typing `text`: the entry rule of the controller; a
  // range correction beeps through the prompter, a change marks the engine changed and (unless
  // held) recalculates and refills the current output page.
  EntryResult TypeIntoBox(int n, std::string_view text);
  // Types `value` into the input whose engine-file key is `key`, as `TypeIntoBox` does (list
  // choices and the airflow/rpm option pair as a click). Keys that have no box ("TorqLoss",
  // "PcntDrop") are stored as read; the engine file holds them as 32-bit floats, so a number
  // beyond that range raises "Overflow" (6) and the value stays. Returns false for an unknown
  // key.
  bool TypeInput(const std::string& key, const std::string& value);
  // The Enter key in box 10: the reciprocating balance factor is stored as a 32-bit float and
  // shown, the balance analysis refreshed, the engine marked changed when the value changed;
  // nothing is recalculated.
  EntryResult EnterRecipBalanceFactor(std::string_view text);
  // The valve-train list (input 17), the fuel list (input 18), the airflow-or-rpm option pair.
  EntryResult ChooseValveTrain(int index);
  EntryResult ChooseFuel(int index);
  EntryResult ChooseEnterAirPP(int value);
  // Approve All of stage 0 or 1, and a click on the status picture of input n.
  void ApproveAll(int stage);
  void ClickStatus(int n);

  // The output page shown (the main view 0 or 1; other views show no page): the page is
  // refilled, page 0 with its balance analysis.
  void ShowOutputPage(int page);

  // --- Refreshes -------------------------------------------------------------------------

  // After any change of the engine from outside the input panel (a cam or flow source, an
  // engine file, the unit system): every input shown afresh, the engine recalculated, the
  // current output page refilled. Errors of the calculation travel to the caller.
  void RefreshEngine();
  // Refills the current output page (page 0 with its balance analysis) from the results.
  void RefreshOutputs();
  // Refills the output pages the general report reads: page 0 with its balance analysis, and
  // page 1 when `pageOne`. The outputs revision moves only when a page's text changed.
  void FillOutputPagesForReports(bool pageOne = true);
  // The unit system of display and entry: every input shown in it (the outputs follow with
  // `RefreshOutputs`). The application's `SetUnitSystem` changes it together with the setting
  // the reports and the graph read.
  void SetUnitMode(UnitMode mode);
  // The texts of the interface string file the panels show.
  void SetTexts(EngineTexts texts);

  // --- Cam and flow sources --------------------------------------------------------------

  // The cam selection dialog's Open for one side: the lobe is read into the side's lobe,
  // copied into the engine's cam-lift table, its centerline, rocker ratio and lash become the
  // side's cam settings (inputs 29..31 or 33..35) and the engine is refreshed. Errors met on
  // the way are shown through the prompter and listed in the result. Errors of the
  // recalculation travel to the caller.
  CamOpenResult OpenCam(bool intake, const LobeChoice& choice);
  // Whether the side's cam settings (centerline, rocker ratio, lash) are those of the lobe
  // opened last in this session, taken with it (until one of them is typed or another engine
  // is read).
  bool camSettingsFromLobe(bool intake) const noexcept { return lobeSettings_[intake ? 0 : 1]; }
  // Loads a flow test for one side from a DOS test file or an SY3 file (test `testName` of
  // full kind `kind`) through `LoadSYTest`, as the flow-test dialog's "Open" does; on success
  // the engine is marked changed and refreshed. Returns the loader's error flag; on failure
  // the current test and the flow tables stay.
  FlowError LoadFlowTest(bool intake, const std::string& path, const std::string& testName,
                         std::int32_t& kind);
  // Loads test `testId` of the flow bench's test database at `path` for one side: it must be
  // of kind `kind` unless that is kAnyKindOfDatabaseTest (-4444), and `kind` returns its kind.
  // Database errors are reported through the prompter. Otherwise as `LoadFlowTest`.
  FlowError LoadDatabaseFlowTest(bool intake, const std::string& path, std::int32_t testId,
                                 std::int32_t& kind, const std::string& testName = {});
  // Loads a CSV flow test for one side through `LoadCsvTest`, read with `options`; on success
  // the engine is marked changed and refreshed. The result says why a file was not taken (and
  // on which line); then the current test and the flow tables stay.
  CsvFlowResult LoadCsvFlowTest(bool intake, const std::string& path,
                                const CsvFlowOptions& options);
  // The keyboard tab's Open: `test` (built from the typed rows, already copied into the side's
  // keyboard tables) becomes the side's current test, the side uses keyboard flow, the engine
  // is marked changed and refreshed.
  void UseKeyboardFlowTest(bool intake, FlowTest test);

  // --- Engine files ----------------------------------------------------------------------

  // Reads an engine file, refusing a missing or foreign one ("Error while reading file", with
  // the reason when the file could not be read). On success the path becomes the document's
  // path, the lobes and flow tests are rebuilt from the file's references, the engine is
  // unchanged, the first output page is shown and the suggestions are those of the engine
  // read (the review marks stay); on failure the engine stays as it was. Either way the engine is
  // refreshed (an error of the calculation is reported through the prompter). Returns whether the
  // file was read; when not, `reason` (when given) says why (empty for a file that is not an engine
  // file, which the header check has said).
  bool ReadEngineFile(const std::string& path, std::string* reason = nullptr);
  // Writes the engine to `path`. On success the engine is unchanged and the path is the
  // document's path; on failure "Error while writing file" is shown with the reason, the
  // engine stays marked as changed and the file on disk is left as it was; `reason` (when
  // given) receives it.
  bool WriteEngineFile(const std::string& path, std::string* reason = nullptr);
  // The start-up's engine: the built-in default engine and default lobes, not recalculated.
  void InstallDefaultEngine();
  // The steps that follow every successful read of an engine file: the valve tables are
  // rebuilt from the cam-lift tables, and the two cam lobes and two flow tests are replaced
  // by new objects holding the file's references. A rebuild that fails (a cam lift too large
  // to work with) is reported through the error trace and the prompter, and the steps go on.
  void RebuildLobesAndFlowTestsFromEngine();
  // The start-up check: every held input 0..27 checked by its entry rule, as if it had been
  // typed. A value the rule does not accept (a bore below 0.1 in, 5 intake valves) is replaced
  // as typing it would be, with a beep, and the engine is marked changed (it no longer is what
  // its file holds). Nothing is recalculated. Returns the inputs replaced.
  std::vector<int> CheckInputsByEntryRule();
  // `RefreshEngine`, reporting an error of the calculation through the prompter. Returns
  // false when there was one.
  bool RefreshEngineReportingErrors();

  // Reports the error being handled (call inside a catch block) through the error trace and
  // the prompter, `guard` being the handling procedure's guard. Returns the message shown.
  std::string ReportError(ETracker& guard);

  // --- Undo and redo ---------------------------------------------------------------------

  // Every typed input, list choice, option, Approve All, cam or flow test loaded and keyboard
  // flow entered that changes the engine is one step, named after the input's label with the
  // texts before and after ("Bore 4.030 → 4.125"). Reading an engine file starts a new
  // history; writing one makes the current state the saved point, and the changed mark is
  // clear exactly when undo or redo comes back to it. At most `kUndoSteps` steps are kept.
  static constexpr std::size_t kUndoSteps = 100;
  bool CanUndo() const noexcept { return undo_.CanUndo(); }
  bool CanRedo() const noexcept { return undo_.CanRedo(); }
  // The names of the steps undo and redo would take ("" for none).
  std::string UndoStepName() const { return undo_.UndoName(); }
  std::string RedoStepName() const { return undo_.RedoName(); }
  // The Edit menu's captions: "Undo " + the step's name ("Undo" alone when there is none), and
  // "Redo " + the name.
  std::string UndoText() const;
  std::string RedoText() const;
  // Puts back the inputs and sources as they were before (after) the step and recalculates;
  // does nothing when there is no step. The changed mark follows the saved point. Errors of
  // the recalculation travel to the caller; the state is restored all the same.
  void Undo();
  void Redo();

  // While one is alive, commands record no undo steps (a sweep typing thousands of values).
  class UndoPause final {
   public:
    explicit UndoPause(EngineDocument& document) noexcept : document_(document) {
      ++document_.undoPauses_;
    }
    ~UndoPause() { --document_.undoPauses_; }
    UndoPause(const UndoPause&) = delete;
    UndoPause& operator=(const UndoPause&) = delete;

   private:
    EngineDocument& document_;
  };

  // The state undo and redo work with, as it is now.
  EngineState CaptureState() const;

 private:
  // `RefreshEngine`, then (also when it ends in an error) a step named `name` when `record`.
  void RefreshEngineRecording(bool record, std::string name);
  // Adds a step from the current state of the history to the state now.
  void RecordStep(std::string name);
  // The current state of the history follows a change that is no step of its own.
  void FoldIntoCurrentStep();
  void RestoreState(const EngineState& state);
  // The text of box n as shown, without its padding blanks.
  std::string ShownText(int n) const;
  // "label before → after" for input n.
  std::string StepName(int n, const std::string& before, const std::string& after) const;

  void Changed(bool changed);
  void Touch(bool inputs, bool outputs) noexcept;
  // Runs an entry of the controller: its beeps through the prompter, the changed mark and the
  // revisions (also when it ends in an error, which travels on).
  // A changed value is recorded as an undo step named by `name()`.
  template <class Entry, class Name>
  EntryResult RunEntry(Entry entry, Name name);

  Prompter& prompter_;
  TestDatabaseCache& databases_;
  Engine engine_;
  InputController controller_{engine_};
  FlowTest intakeFlowTest_;
  FlowTest exhaustFlowTest_;
  std::string path_;
  std::array<bool, 2> lobeSettings_{};  // intake, exhaust: see `camSettingsFromLobe`
  bool changed_ = false;
  int holds_ = 0;
  int undoPauses_ = 0;
  Revisions revisions_;
  UndoStack<EngineState> undo_{CaptureState(), kUndoSteps};
};

inline constexpr const char* kReadErrorText = "Error while reading file";
inline constexpr const char* kWriteErrorText = "Error while writing file";
inline constexpr const char* kNotSavedText = "File Not Saved";
inline constexpr const char* kWarningTitle = "Warning !!!";
// The Edit menu's captions and the names of the steps that are no typed input.
inline constexpr const char* kUndoText = "Undo";
inline constexpr const char* kRedoText = "Redo";
inline constexpr const char* kApproveAllText = "Approve All";
inline constexpr const char* kIntakeCamStep = "Intake Cam";
inline constexpr const char* kExhaustCamStep = "Exhaust Cam";
inline constexpr const char* kIntakeFlowStep = "Intake Flow Test";
inline constexpr const char* kExhaustFlowStep = "Exhaust Flow Test";
inline constexpr const char* kIntakeKeyboardStep = "Intake Keyboard Flow";
inline constexpr const char* kExhaustKeyboardStep = "Exhaust Keyboard Flow";

}  // namespace orv
