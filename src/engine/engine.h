#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/units.h"
#include "cam/cam_lobe.h"
#include "engine/engine_inputs.h"
#include "engine/engine_results.h"
#include "engine/input_panel.h"
#include "engine/output_panel.h"
#include "engine/sound_speed.h"
#include "engine/valve_tables.h"

namespace orv {

// The engine model: one engine's inputs, the results and per-degree tables recomputed from
// them on every change, and the state of the input panel that shows them. Typed values enter
// through `EnterText` exactly as a user types them and leaves the box.
//
// Errors of the calculation (IEEE faults, table bounds) are raised as `RuntimeError` and
// travel to the caller; results computed before the fault stay.
class Engine final {
 public:
  // The built-in default engine, recalculated once.
  Engine();

  EngineInputs& inputs() noexcept { return in_; }
  const EngineInputs& inputs() const noexcept { return in_; }
  const EngineResults& results() const noexcept { return res_; }
  const EngineTables& tables() const noexcept { return tab_; }
  const EmpiricalConstants& constants() const noexcept { return k_; }
  const SoundSpeedTable& soundSpeedTable() const noexcept { return sound_; }
  const InputPanel& panel() const noexcept { return panel_; }

  UnitMode unitMode() const noexcept { return unitMode_; }
  // Changes the unit system of display and entry and redisplays every input.
  void SetUnitMode(UnitMode mode);
  const EngineTexts& texts() const noexcept { return texts_; }
  void SetTexts(EngineTexts texts);

  // The changed mark of the engine (for the save prompt).
  bool changed() const noexcept { return changed_; }
  void SetChanged(bool changed) noexcept { changed_ = changed; }

  // Current output page of the main window (0 or 1).
  int outputPage() const noexcept { return outputPage_; }
  void SetOutputPage(int page) noexcept { outputPage_ = page; }

  // Installs the built-in default engine (inputs, cam settings) without recalculating.
  void InstallDefaultEngine();

  // Recalculates every result from the inputs. `code` is the input number that changed (17
  // valve-train choice, 18 fuel choice, 1 or 19 from Approve All); any other number (-1)
  // runs only the steps every change runs.
  void ReCalc(int code);

  // How the last recalculation ended. Only after `Complete` do the results and tables belong
  // to the current inputs; otherwise those the run did not reach are left from an earlier
  // calculation (or from the built-in engine).
  enum class CalcOutcome {
    Complete,
    NotStarted,      // stroke or bore not above 0: nothing was recalculated
    CannotComplete,  // the crank geometry cannot be worked out: the warning is shown
    Failed,          // a run-time error ended it
  };
  CalcOutcome lastCalc() const noexcept { return lastCalc_; }

  // The entry rule: the text typed into box n (0..35) is read, converted from the display
  // unit, limited, stored and redisplayed; a change recalculates. Boxes that take no typing
  // are left alone.
  void EnterText(int n, std::string_view text);
  // The valve-train list (input 17) and the fuel list (input 18).
  void ChooseValveTrain(int index);
  void ChooseFuel(int index);
  // The option pair choosing whether inlet airflow (0) or rpm at peak power (1) is typed.
  void ChooseEnterAirPP(int value);
  // Approve All on stage 0 (inputs 0..12) or stage 1 (inputs 13..28).
  void ApproveAll(int stage);
  // A click on the status picture of input n.
  void ClickStatus(int n);

  // Display text of input n for a held value: converted, formatted with the input's format
  // and unit system; empty for numbers without a text box.
  std::string FormatedUI_String(int n, double value) const;
  // Writes the held value of input n into its box (list inputs set the list choice).
  void ShowInput(int n);
  // Refreshes every input box and the state that follows from the inputs (list choices,
  // label of input 24, enabled boxes of inputs 21 and 22, disabled colours).
  void ShowAllInputs();

  // Sets a computed value into input n when it differs from the held one, shows it and marks
  // it for review.
  void SetDerivedInput(int n, double value);
  // Shows a suggestion beside input n (the held value stays) and marks it for review, unless
  // the suggestion equals the held value and no suggestion is shown yet. `held` is the value
  // the suggestion competes with in the same unit (for input 24 in diesel: the lead time in
  // milliseconds).
  void SuggestInput(int n, double held, double suggested);
  // Enables the second stage tab when inputs 0..12 are all approved.
  void EvaluateStageTabs();

  // Passes a cam setting (inputs 29..31, 33..35) to its lobe and rebuilds the valve tables.
  void ApplyCamSetting(int n, double value);
  // Refills output page 0 or 1 (any other page number does nothing). A floating-point fault
  // stops the page at the slot being computed with a run-time error; the slots written before
  // it keep their new texts.
  void DisplayOutputs(int page);
  // Refreshes the balance analysis of output page 0: its slots, turning points and chart.
  void BalanceAnalysis();
  const OutputPanel& outputs() const noexcept { return out_; }

  // The two cam lobes. An engine file read or a lobe data file load puts fresh lobes in place.
  CamLobe& intakeLobe() noexcept { return intakeLobe_; }
  const CamLobe& intakeLobe() const noexcept { return intakeLobe_; }
  CamLobe& exhaustLobe() noexcept { return exhaustLobe_; }
  const CamLobe& exhaustLobe() const noexcept { return exhaustLobe_; }
  void ReplaceCamLobes(CamLobe intake, CamLobe exhaust);

  // Writes the built-in default lobes into both cam-lift tables with their cam settings and
  // rebuilds the valve tables.
  void InstallDefaultLobes();
  // Rebuilds both sides' valve-lift and valve-velocity tables from the cam-lift tables, rocker
  // ratios, lashes and smoothing counts of the inputs.
  void RebuildValveTables();
  const ValveTables& valveTables() const noexcept { return valve_; }

  // Valve lift (in) and velocity (in per cam degree) at cam angle `a`; 0 for a side without
  // a lobe.
  float IntakeValveLift(float a) const;
  float IntakeValveVelocity(float a) const;
  float ExhaustValveLift(float a) const;
  float ExhaustValveVelocity(float a) const;
  // The flow tables read at a valve lift: airflow (CFM) and intake swirl.
  float IntakeFlowAt(float lift) const;
  float ExhaustFlowAt(float lift) const;
  float IntakeSwirlAt(float lift) const;

  // Value of curve 1..13 at a whole crank angle (-360..360) and at a fractional one; 0 for any
  // other curve code. A floating-point fault raises a run-time error.
  double DataAtPt(int curve, int n) const;
  double DataAt(int curve, float x) const;

 private:
  // Reads typed text for box n as the stored value (conversion and range rule). Returns true
  // when the range rule corrected the value.
  bool StoreTyped(int n, std::string_view text);
  double HeldEntryValue(int n) const;
  void MarkForReview(int n);
  void Approve(int n);
  void ApplyEnterAirPPState();
  // Runs the crank kinematics for the current inputs; true when they cannot complete. Every
  // run that ends without an error is remembered with the inputs it read (the kinematics read
  // nothing else, and nothing else writes what they write). With `mayReuse`, a run for the
  // same inputs as the remembered one, which would rewrite the same values, is skipped.
  bool RunCrankKinematics(bool mayReuse);

  struct KinematicsInputs {
    double Stroke, RodLen, PinOff, FiringAngle;
    bool operator==(const KinematicsInputs&) const = default;
  };
  struct KinematicsRun {
    KinematicsInputs inputs;
    bool cannotComplete;
  };

  EngineInputs in_;
  EngineResults res_;
  EngineTables tab_;
  EmpiricalConstants k_;
  SoundSpeedTable sound_;
  InputPanel panel_;
  EngineTexts texts_;
  CamLobe intakeLobe_;
  CamLobe exhaustLobe_;
  ValveTables valve_;
  OutputPanel out_;
  std::optional<KinematicsRun> lastKinematics_;
  UnitMode unitMode_ = UnitMode::English;
  CalcOutcome lastCalc_ = CalcOutcome::NotStarted;
  bool changed_ = false;
  int outputPage_ = 0;
};

}  // namespace orv
