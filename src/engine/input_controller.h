#pragma once

#include <string>
#include <string_view>

#include "base/units.h"
#include "engine/engine.h"
#include "engine/input_panel.h"
#include "engine/output_panel.h"

namespace orv {

// What an entry into the input panel did, for the one who keeps the changed mark and speaks to
// the user.
struct EntryResult {
  bool changed = false;       // the held value differs from the one before: the engine changed
  bool recalculated = false;  // the engine was recalculated and the outputs refilled
  int beeps = 0;              // range corrections, one beep each
};

// The input and output panels of the main window over one engine model: the text of every
// input box, the review marks, suggestions and disabled colours, the two list choices, the
// stage tabs, the cannot-complete warning, the beep count, and the texts of the two output
// pages with the balance analysis, all in the unit system of display and entry.
//
// Everything the user does to the panel comes through here: typed text is taken by the entry
// rule, converted from the display unit into the engine's inputs, and a change recalculates the
// engine and refills the current output page. The recalculation tells which inputs it set or
// suggested, and the controller shows them and marks them for review. The controller keeps no
// changed mark of its own: each entry returns whether it changed the engine.
//
// The controller refers to its engine; both must live together (the engine document holds
// them).
class InputController final : private RecalcListener {
 public:
  // Shows every input of `engine`, recalculates it and fills output page 0, so that the panels
  // start with the review marks, suggestions and outputs of its inputs.
  explicit InputController(Engine& engine);
  InputController(const InputController&) = delete;
  InputController& operator=(const InputController&) = delete;

  const Engine& engine() const noexcept { return engine_; }
  Engine& engine() noexcept { return engine_; }

  // What the input panel shows.
  const InputPanel& panel() const noexcept { return panel_; }
  // What the output panel shows (both pages, the balance analysis and its chart).
  const OutputPanel& outputs() const noexcept { return out_; }

  // The unit system of display and entry.
  UnitMode unitMode() const noexcept { return unitMode_; }
  // Changes the unit system and shows every input and suggestion in it (the outputs are
  // refilled by `RefreshOutputs`).
  void SetUnitMode(UnitMode mode);

  // Texts of the interface string file the panels show (suggestion suffix, the label of input
  // 24, the balance analysis' labels, the curve names).
  const EngineTexts& texts() const noexcept { return texts_; }
  void SetTexts(EngineTexts texts);

  // The output page shown in the main window (0 or 1): an entry refills it.
  int outputPage() const noexcept { return outputPage_; }
  void SetOutputPage(int page) noexcept { outputPage_ = page; }

  // --- Entries -------------------------------------------------------------------------------

  // The entry rule for box n (0..35): the text is read, converted from the display unit,
  // limited, stored and shown again (twice read back, so that the held value is the one
  // shown). A cam setting (29..31, 33..35) goes to its lobe. When the value changed, the engine
  // is recalculated with code n and the current output page refilled (page 0 with its balance
  // analysis), unless `recalculate` is false. Boxes that take no typing are left alone.
  // Errors of the recalculation travel to the caller; the input stays stored.
  EntryResult EnterText(int n, std::string_view text, bool recalculate = true);

  // The Enter key in box 10 (the reciprocating balance factor): the typed number is stored as
  // a 32-bit float, shown, and read back; the result tells whether the shown value differs
  // from the held one before. The balance analysis is refreshed; nothing is recalculated.
  EntryResult EnterRecipBalanceFactor(std::string_view text);

  // The valve-train list (input 17): stores the index and recalculates (unless `recalculate` is
  // false); changed when the index differs.
  EntryResult ChooseValveTrain(int index, bool recalculate = true);
  // The fuel list (input 18): acts only when the index differs, swapping the label of input 24
  // and its review state, then recalculates (unless `recalculate` is false).
  EntryResult ChooseFuel(int index, bool recalculate = true);
  // The option pair choosing whether the inlet airflow (0) or the rpm at peak power (1) is
  // typed; the boxes and colours of inputs 21 and 22 follow.
  EntryResult ChooseEnterAirPP(int value);
  // Approve All on stage 0 (inputs 0..12) or stage 1 (inputs 13..28), after a recalculation.
  void ApproveAll(int stage);
  // A click on the status picture of input n (0..28).
  void ClickStatus(int n);

  // Puts back the review marks and suggestion texts of inputs 0..28 as an earlier state of the
  // panel held them (undo and redo restore the inputs, recalculate, then this), and evaluates
  // the stage tabs again.
  void RestoreReviewState(const std::array<int, InputPanel::kStatuses>& status,
                          const std::array<std::string, InputPanel::kStatuses>& suggestion,
                          const std::array<double, InputPanel::kStatuses>& suggestedValue);
  // Every shown suggestion written again from its value in the current unit system.
  void ShowSuggestions();
  // Empties every suggestion (another engine is shown: its own are computed afresh).
  void ClearSuggestions();

  // What the last entry above did, as far as it came: also after an entry that ended in an
  // error of the recalculation (the value then stays stored and counts as changed).
  const EntryResult& lastEntry() const noexcept { return entry_; }

  // --- Display -------------------------------------------------------------------------------

  // Display text of input n for a held value: converted, formatted with the input's format in
  // the unit system; empty for numbers without a text box.
  std::string FormatedUI_String(int n, double value) const;
  // The start-up check of a held input 0..27 by its entry rule: a value the rule does not
  // accept is replaced as typing it would be (with a beep) and shown. Returns whether it was
  // replaced.
  bool CheckHeldInput(int n);
  // Writes the held value of input n into its box (list inputs set the list choice).
  void ShowInput(int n);
  // Refreshes every input box and the state that follows from the inputs (list choices, label
  // of input 24, enabled boxes of inputs 21 and 22, disabled colours).
  void ShowAllInputs();
  // Sets a computed value into input n when it differs from the held one, shows it and marks
  // it for review.
  void SetDerivedInput(int n, double value);
  // Shows a suggestion beside input n (the held value stays) and marks it for review, unless
  // the suggestion equals `held` and no suggestion is shown yet. `held` is the value the
  // suggestion competes with in the same unit (for input 24 in diesel: the lead time in ms).
  void SuggestInput(int n, double held, double suggested);
  // Enables the second stage tab when inputs 0..12 are all approved; a closed second stage
  // turns the outputs to page 0 (refilled).
  void EvaluateStageTabs();

  // Recalculates the engine with `code` (the input that changed, -1 for none), showing what it
  // sets and suggests, then evaluates the stage tabs. Errors travel to the caller.
  void Recalculate(int code);
  // Refills output page 0 or 1 (any other page does nothing). A floating-point fault stops the
  // page at the slot being computed with a run-time error; the slots written before it keep
  // their new texts. Page 1 first brings the crank kinematics up to the inputs.
  void DisplayOutputs(int page);
  // Refreshes the balance analysis of output page 0: its slots, turning points and chart.
  void BalanceAnalysis();
  // Refills the current output page, page 0 with its balance analysis.
  void RefreshOutputs();
  // Refills both pages as the reports read them: page 0 with its balance analysis, then page 1.
  void FillBothOutputPages();

 private:
  // RecalcListener: what the recalculation did to the inputs.
  void DerivedInputSet(int n) override;
  void InputReplaced(int n) override;
  void InputSuggested(int n, double held, double suggested) override;
  void CalculationState(bool cannotComplete) override;

  // Reads typed text for box n as the stored value (conversion and range rule). Returns true
  // when the range rule corrected the value.
  bool StoreTyped(int n, std::string_view text);
  // The range rule of input n's entry applied to a value in the held unit (for input 19 the
  // fraction); `corrected` is set when it replaced an out-of-range value.
  double LimitByEntryRule(int n, double v, bool& corrected) const;
  double HeldEntryValue(int n) const;
  void MarkForReview(int n);
  void Approve(int n);
  void ApplyEnterAirPPState();

  Engine& engine_;
  InputPanel panel_;
  OutputPanel out_;
  EngineTexts texts_;
  UnitMode unitMode_ = UnitMode::English;
  int outputPage_ = 0;
  EntryResult entry_;
};

}  // namespace orv
