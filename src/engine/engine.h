#pragma once

#include <optional>

#include "cam/cam_lobe.h"
#include "engine/engine_inputs.h"
#include "engine/engine_results.h"
#include "engine/sound_speed.h"
#include "engine/valve_tables.h"

namespace orv {

class CalcRecord;

// What a recalculation does to the inputs, told as it happens so that the input panel can show
// it: derived inputs it sets (shown and marked for review), computed values it takes over
// without review, suggestions (shown beside an input, the held value staying), and whether the
// calculation can complete with the current inputs.
class RecalcListener {
 public:
  virtual ~RecalcListener() = default;
  // A derived value, different from the one held, was stored into input n.
  virtual void DerivedInputSet(int n) = 0;
  // A computed value was stored into input n without a review mark.
  virtual void InputReplaced(int n) = 0;
  // A value is suggested for input n. `held` is the value it competes with, in the same unit
  // (for input 24 in diesel: the lead time in milliseconds).
  virtual void InputSuggested(int n, double held, double suggested) = 0;
  // The crank kinematics could (false) or could not (true) complete with the current inputs.
  virtual void CalculationState(bool cannotComplete) = 0;
};

// CFM of intake airflow per unit of the power-airflow relation, shared by the suggestions of the
// inputs and the recalculation.
inline constexpr double kAirflowPerPower = 1.058300524;

// The engine model: one engine's inputs in English units, the two cam lobes and the valve
// tables built from them, and the results and per-degree tables recomputed from the inputs by
// `ReCalc`. Everything that only reads the model (outputs, reports, graphs, curve values) takes
// it by const reference. The input panel that types into it is `InputController`.
//
// Errors of the calculation (IEEE faults, table bounds) are raised as `RuntimeError` and
// travel to the caller; results computed before the fault stay.
class Engine final {
 public:
  // The built-in default engine with the default lobes, recalculated once.
  Engine();

  EngineInputs& inputs() noexcept { return in_; }
  const EngineInputs& inputs() const noexcept { return in_; }
  const EngineResults& results() const noexcept { return res_; }
  const EngineTables& tables() const noexcept { return tab_; }
  const EmpiricalConstants& constants() const noexcept { return k_; }
  const SoundSpeedTable& soundSpeedTable() const noexcept { return sound_; }

  // Installs the built-in default engine (inputs, cam settings, default lobes) without
  // recalculating.
  void InstallDefaultEngine();

  // How a recalculation ended.
  enum class CalcOutcome {
    Complete,
    NotStarted,      // stroke or bore not above 0: nothing was recalculated
    CannotComplete,  // the crank geometry cannot be worked out: the warning is shown
    Failed,          // a run-time error ended it
  };
  // Recalculates every result from the inputs. `code` is the input number that changed (17
  // valve-train choice, 18 fuel choice, 1 or 19 from Approve All); any other number (-1)
  // runs only the steps every change runs. What it sets and suggests on the way is told to
  // `listener` (when given) at the moment it happens. With a `record`, the formula of every
  // named result is recorded into it once the run completes (it is emptied when the run ends
  // otherwise); without one nothing is recorded. Returns how it ended (a run-time error
  // travels to the caller and leaves `Failed`).
  CalcOutcome ReCalc(int code, RecalcListener* listener = nullptr, CalcRecord* record = nullptr);

  // Stores a derived value into input n when it differs from the held one; true when stored.
  bool SetDerivedInput(int n, double value);

  // How the last recalculation ended. Only after `Complete` do the results and tables belong
  // to the current inputs; otherwise those the run did not reach are left from an earlier
  // calculation (or from the built-in engine).
  CalcOutcome lastCalc() const noexcept { return lastCalc_; }

  // Runs the crank kinematics again when the inputs they read (stroke, rod, pin offset, bank
  // angle) differ from those of the last completed run, so that the kinematic results and
  // tables belong to the current inputs.
  void BringKinematicsUpToDate();

  // Passes a cam setting (inputs 29..31, 33..35) to its lobe and rebuilds the valve tables.
  void ApplyCamSetting(int n, double value);

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
  CamLobe intakeLobe_;
  CamLobe exhaustLobe_;
  ValveTables valve_;
  std::optional<KinematicsRun> lastKinematics_;
  CalcOutcome lastCalc_ = CalcOutcome::NotStarted;
};

}  // namespace orv
