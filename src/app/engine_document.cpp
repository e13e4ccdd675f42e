#include "app/engine_document.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <utility>

#include "airflow/load_test.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "base/text.h"
#include "base/text_number.h"
#include "files/engine_file.h"

namespace orv {

namespace {
constexpr const char* kEngineDocumentModule = "frmMain";
constexpr const char* kFlowDialogModule = "FlowDialog";
// Between the texts before and after in the name of an undo step.
constexpr const char* kStepArrow = " \u2192 ";

// The item of a list (or option pair) for a held index, pulled into the list like the window's
// list does.
template <std::size_t N>
const std::string& ItemOf(const std::array<std::string, N>& items, long index) {
  const long last = static_cast<long>(N) - 1;
  return items[static_cast<std::size_t>(index < 0 ? 0 : index > last ? last : index)];
}

std::string FileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}
}  // namespace

EngineDocument::EngineDocument(Prompter& prompter, TestDatabaseCache& databases)
    : prompter_(prompter), databases_(databases) {}

std::string EngineDocument::WindowTitle() const {
  return std::string(kAppTitle) + "  [ " + path_ + " ]";
}

void EngineDocument::SetPath(std::string path) {
  if (path == path_) return;
  path_ = std::move(path);
  ++revisions_.title;
}

void EngineDocument::SetChanged(bool changed) { Changed(changed); }

void EngineDocument::Changed(bool changed) {
  if (changed == changed_) return;
  changed_ = changed;
  ++revisions_.title;
}

void EngineDocument::Touch(bool inputs, bool outputs) noexcept {
  if (inputs) ++revisions_.inputs;
  if (outputs) ++revisions_.outputs;
}

template <class Entry, class Name>
EntryResult EngineDocument::RunEntry(Entry entry, Name name) {
  ++revisions_.inputs;
  try {
    entry();
  } catch (...) {
    // An error of the recalculation: the value stays stored, results may be half new.
    ++revisions_.outputs;
    if (controller_.lastEntry().changed) {
      Changed(true);
      RecordStep(name());
    }
    throw;
  }
  const EntryResult& result = controller_.lastEntry();
  if (result.changed || result.recalculated) ++revisions_.outputs;
  for (int i = 0; i < result.beeps; ++i) prompter_.Beep();
  if (result.changed) {
    Changed(true);
    RecordStep(name());
  }
  return result;
}

std::string EngineDocument::ShownText(int n) const {
  if (n < 0 || n >= InputPanel::kBoxes) return {};
  return std::string(Trim(controller_.panel().text[static_cast<std::size_t>(n)]));
}

std::string EngineDocument::StepName(int n, const std::string& before,
                                     const std::string& after) const {
  const EngineTexts& texts = controller_.texts();
  std::string label = n == kInAdvance ? controller_.panel().label24
                      : n >= 0 && n < static_cast<int>(texts.labels.size())
                          ? texts.labels[static_cast<std::size_t>(n)]
                          : std::string();
  return std::string(Trim(label)) + " " + before + kStepArrow + after;
}

// ---------------------------------------------------------------------------------------------
// The input panel

EntryResult EngineDocument::TypeIntoBox(int n, std::string_view text) {
  const std::string before = ShownText(n);
  const EntryResult result = RunEntry([&] { controller_.EnterText(n, text, !recalculationHeld()); },
                                      [&] { return StepName(n, before, ShownText(n)); });
  // A cam setting changed by typing: the side's settings are no longer all the lobe's.
  if (result.changed && n >= kInIntakeCL && n <= kInIntakeLash) lobeSettings_[0] = false;
  if (result.changed && n >= kInExhaustCL && n <= kInExhaustLash) lobeSettings_[1] = false;
  return result;
}

bool EngineDocument::TypeInput(const std::string& key, const std::string& value) {
  const int n = InputNumberOfKey(key);
  if (key == "Fuel") {
    ChooseFuel(ToInt32(TextToDouble(value)));
  } else if (key == "VTType") {
    ChooseValveTrain(ToInt32(TextToDouble(value)));
  } else if (key == "EnterAirPP") {
    ChooseEnterAirPP(TextToDouble(value) != 0 ? 1 : 0);
  } else if (key == "TorqLoss" || key == "PcntDrop") {
    const double typed = TextToDouble(value);
    // Held as the engine file holds it: a 32-bit float.
    if (std::fabs(typed) > std::numeric_limits<float>::max()) {
      ETracker guard(kEngineDocumentModule, "TypeInput");
      Raise(kErrOverflow);
    }
    ++revisions_.inputs;
    double& held = key == "TorqLoss" ? engine_.inputs().TorqLoss : engine_.inputs().PcntDrop;
    const double before = held;
    held = typed;
    Changed(true);
    if (before != typed) {
      RecordStep(key + " " + ShortestText(before) + kStepArrow + ShortestText(typed));
    }
  } else if (n >= 0) {
    TypeIntoBox(n, value);
  } else {
    return false;
  }
  return true;
}

EntryResult EngineDocument::EnterRecipBalanceFactor(std::string_view text) {
  // The balance analysis of output page 0 follows the new value.
  ++revisions_.outputs;
  const std::string before = ShownText(kInRecipBF);
  return RunEntry([&] { controller_.EnterRecipBalanceFactor(text); },
                  [&] { return StepName(kInRecipBF, before, ShownText(kInRecipBF)); });
}

EntryResult EngineDocument::ChooseValveTrain(int index) {
  const std::string before = ItemOf(controller_.texts().valveTrainItems, engine_.inputs().VTType);
  return RunEntry([&] { controller_.ChooseValveTrain(index, !recalculationHeld()); },
                  [&] {
                    return StepName(
                        kInVTType, before,
                        ItemOf(controller_.texts().valveTrainItems, engine_.inputs().VTType));
                  });
}

EntryResult EngineDocument::ChooseFuel(int index) {
  const std::string before = ItemOf(controller_.texts().fuelItems, engine_.inputs().Fuel);
  return RunEntry([&] { controller_.ChooseFuel(index, !recalculationHeld()); },
                  [&] {
                    return StepName(kInFuel, before,
                                    ItemOf(controller_.texts().fuelItems, engine_.inputs().Fuel));
                  });
}

EntryResult EngineDocument::ChooseEnterAirPP(int value) {
  return RunEntry(
      [&] { controller_.ChooseEnterAirPP(value); },
      [&] { return ItemOf(controller_.texts().airOrRpmItems, engine_.inputs().EnterAirPP); });
}

void EngineDocument::ApproveAll(int stage) {
  Touch(true, true);
  // A step when it changed a review mark or a suggestion (the recalculation of Approve All sets
  // no input).
  auto record = [&] {
    const EngineState& before = undo_.current();
    const InputPanel& now = controller_.panel();
    if (before.status != now.status || before.suggestion != now.suggestion) {
      RecordStep(kApproveAllText);
    }
  };
  try {
    controller_.ApproveAll(stage);
  } catch (...) {
    record();
    throw;
  }
  record();
}

void EngineDocument::ClickStatus(int n) {
  // A mark taken off a first-stage input closes the second stage and its output page.
  Touch(true, controller_.outputPage() != 0);
  controller_.ClickStatus(n);
  FoldIntoCurrentStep();
}

void EngineDocument::ShowOutputPage(int page) {
  Touch(false, true);
  controller_.SetOutputPage(page);
  controller_.RefreshOutputs();
}

// ---------------------------------------------------------------------------------------------
// Refreshes

void EngineDocument::RefreshEngine() {
  Touch(true, true);
  EngineInputs& in = engine_.inputs();
  if (in.EnterAirPP < 0 || in.EnterAirPP > 1) in.EnterAirPP = 0;
  controller_.ShowAllInputs();
  controller_.Recalculate(-1);
  controller_.RefreshOutputs();
  controller_.EvaluateStageTabs();
}

bool EngineDocument::RefreshEngineReportingErrors() {
  ETracker guard(kEngineDocumentModule, "RefreshEngine");
  try {
    RefreshEngine();
  } catch (...) {
    ReportError(guard);
    return false;
  }
  return true;
}

void EngineDocument::RefreshOutputs() {
  Touch(false, true);
  controller_.RefreshOutputs();
}

void EngineDocument::FillOutputPagesForReports(bool pageOne) {
  // Pages already up to date are filled with the same texts: that changes nothing shown.
  const OutputPanel before = controller_.outputs();
  try {
    if (pageOne) {
      controller_.FillBothOutputPages();
    } else {
      controller_.DisplayOutputs(0);
      controller_.BalanceAnalysis();
    }
  } catch (...) {
    Touch(false, true);
    throw;
  }
  if (!(controller_.outputs() == before)) Touch(false, true);
}

void EngineDocument::SetUnitMode(UnitMode mode) {
  Touch(true, true);
  controller_.SetUnitMode(mode);
  FoldIntoCurrentStep();
}

void EngineDocument::SetTexts(EngineTexts texts) {
  Touch(true, true);
  controller_.SetTexts(std::move(texts));
}

// ---------------------------------------------------------------------------------------------
// Cam and flow sources

CamOpenResult EngineDocument::OpenCam(bool intake, const LobeChoice& choice) {
  ++revisions_.sources;
  CamOpenResult result = OpenCamLobe(engine_, intake, choice);
  if (result.read) lobeSettings_[intake ? 0 : 1] = true;
  if (result.changed) Changed(true);
  for (const std::string& report : result.reports) prompter_.Warn(report, kAppTitle);
  std::string name =
      std::string(intake ? kIntakeCamStep : kExhaustCamStep) + " " + FileNameOf(choice.path);
  if (choice.kind == CamFileKind::LobeData) {
    // Appended piece by piece: GCC 12 at -O3 warns (falsely) about "literal" + temporary string.
    name += ' ';
    name += std::to_string(choice.shaftNo);
    name += '/';
    name += std::to_string(choice.lobeNo);
  }
  RefreshEngineRecording(result.changed, std::move(name));
  return result;
}

FlowError EngineDocument::LoadFlowTest(bool intake, const std::string& path,
                                       const std::string& testName, std::int32_t& kind) {
  ETracker guard(kFlowDialogModule, "cmdOpen_Click");
  FlowTest& current = intake ? intakeFlowTest_ : exhaustFlowTest_;
  const FlowError err =
      LoadSYTest(path, testName, intake, kind, false, 0, engine_.inputs(), current);
  if (err != FlowError::Ok) return err;
  ++revisions_.sources;
  Changed(true);
  RefreshEngineRecording(true, std::string(intake ? kIntakeFlowStep : kExhaustFlowStep) + " " +
                                   (testName.empty() ? FileNameOf(path) : testName));
  return err;
}

FlowError EngineDocument::LoadDatabaseFlowTest(bool intake, const std::string& path,
                                               std::int32_t testId, std::int32_t& kind,
                                               const std::string& testName) {
  ETracker guard(kFlowDialogModule, "cmdOpen_Click");
  FlowTest& current = intake ? intakeFlowTest_ : exhaustFlowTest_;
  DatabaseAccess database{&databases_, &prompter_};
  const FlowError err = LoadSYTest(path, testName, intake, kind, true, testId, engine_.inputs(),
                                   current, {}, database);
  if (err != FlowError::Ok) return err;
  ++revisions_.sources;
  Changed(true);
  RefreshEngineRecording(true, std::string(intake ? kIntakeFlowStep : kExhaustFlowStep) + " " +
                                   (testName.empty() ? std::to_string(testId) : testName));
  return err;
}

CsvFlowResult EngineDocument::LoadCsvFlowTest(bool intake, const std::string& path,
                                              const CsvFlowOptions& options) {
  ETracker guard(kFlowDialogModule, "cmdOpen_Click");
  FlowTest& current = intake ? intakeFlowTest_ : exhaustFlowTest_;
  CsvFlowResult result = LoadCsvTest(path, options, intake, engine_.inputs(), current);
  if (!result.ok()) return result;
  ++revisions_.sources;
  Changed(true);
  RefreshEngineRecording(
      true, std::string(intake ? kIntakeFlowStep : kExhaustFlowStep) + " " + FileNameOf(path));
  return result;
}

void EngineDocument::UseKeyboardFlowTest(bool intake, FlowTest test) {
  ++revisions_.sources;
  EngineInputs& in = engine_.inputs();
  (intake ? in.intakeFlow : in.exhaustFlow).keyboard = true;
  (intake ? intakeFlowTest_ : exhaustFlowTest_) = std::move(test);
  Changed(true);
  RefreshEngineRecording(true, intake ? kIntakeKeyboardStep : kExhaustKeyboardStep);
}

void EngineDocument::RefreshEngineRecording(bool record, std::string name) {
  try {
    RefreshEngine();
  } catch (...) {
    if (record) RecordStep(std::move(name));
    throw;
  }
  if (record) RecordStep(std::move(name));
}

// ---------------------------------------------------------------------------------------------
// Engine files

bool EngineDocument::ReadEngineFile(const std::string& path, std::string* reason) {
  ++revisions_.sources;
  std::string why;
  const bool ok = EngineFileIO(path, engine_.inputs(), true, false, prompter_, &why);
  if (ok) {
    RebuildLobesAndFlowTestsFromEngine();
    SetPath(path);
    Changed(false);
    // Another engine: the suggestions are those its own inputs give; the review marks stay.
    controller_.ClearSuggestions();
    lobeSettings_ = {};
  } else {
    prompter_.Warn(std::string(kReadErrorText) + "\r" + path + (why.empty() ? "" : "\r" + why),
                   kWarningTitle);
    if (reason != nullptr) *reason = why;
  }
  // Read or not, the engine is shown from the first stage.
  controller_.SetOutputPage(0);
  RefreshEngineReportingErrors();
  // Another engine: a new history, starting at what its file holds.
  if (ok) undo_.Reset(CaptureState());
  return ok;
}

bool EngineDocument::WriteEngineFile(const std::string& path, std::string* reason) {
  std::string why;
  if (!EngineFileIO(path, engine_.inputs(), false, false, prompter_, &why)) {
    prompter_.Warn(std::string(kWriteErrorText) + "\r" + path + "\r" + kNotSavedText +
                       (why.empty() ? "" : "\r" + why),
                   kWarningTitle);
    if (reason != nullptr) *reason = why;
    return false;
  }
  Changed(false);
  SetPath(path);
  undo_.MarkSaved();
  return true;
}

void EngineDocument::InstallDefaultEngine() {
  ++revisions_.sources;
  lobeSettings_ = {};
  Touch(true, true);
  engine_.InstallDefaultEngine();
  undo_.Reset(CaptureState());
}

void EngineDocument::RebuildLobesAndFlowTestsFromEngine() {
  ++revisions_.sources;
  const EngineInputs& in = engine_.inputs();
  {
    ETracker guard(kEngineDocumentModule, "RebuildLobesAndFlowTestsFromEngine");
    try {
      engine_.RebuildValveTables();
    } catch (...) {
      ReportError(guard);
    }
  }

  // New lobes carry the file's references and settings; no cam file is read here.
  auto lobeFrom = [](const CamFileRef& ref, double centerline, float rockerRatio, float lash) {
    CamLobe lobe;
    lobe.SetCenterline(ToSingle(centerline));
    lobe.SetPathFile(ref.path);
    lobe.SetLobeNo(ref.lobeNo);
    lobe.SetShaftNo(ref.shaftNo);
    lobe.SetRockerRatio(rockerRatio);
    lobe.SetLash(lash);
    return lobe;
  };
  engine_.ReplaceCamLobes(lobeFrom(in.intakeCam, in.I_CL, in.I_RR, in.I_Lash),
                          lobeFrom(in.exhaustCam, in.E_CL, in.E_RR, in.E_Lash));

  // New flow tests carry the file's references; no flow file is read here.
  auto testFrom = [](const FlowTestRef& ref) {
    FlowTest test;
    test.SetPathFile(ref.path);
    test.SetName(ref.name);
    test.TestID = ref.testId;
    test.Condition.SetKind(ref.kind);
    return test;
  };
  intakeFlowTest_ = testFrom(in.intakeFlow);
  exhaustFlowTest_ = testFrom(in.exhaustFlow);
}

std::string EngineDocument::ReportError(ETracker& guard) {
  std::string message = EStackTrace::Instance().ReportCurrentException(guard);
  prompter_.Warn(message, kAppTitle);
  return message;
}

// ---------------------------------------------------------------------------------------------
// Undo and redo

EngineState EngineDocument::CaptureState() const {
  EngineState state;
  state.inputs = engine_.inputs();
  state.intakeLobe = engine_.intakeLobe();
  state.exhaustLobe = engine_.exhaustLobe();
  state.intakeFlowTest = intakeFlowTest_;
  state.exhaustFlowTest = exhaustFlowTest_;
  state.status = controller_.panel().status;
  state.suggestion = controller_.panel().suggestion;
  state.suggestedValue = controller_.panel().suggestedValue;
  state.unitMode = controller_.unitMode();
  return state;
}

void EngineDocument::RecordStep(std::string name) {
  if (undoPauses_ > 0) return;
  undo_.Push(std::move(name), CaptureState());
}

std::vector<int> EngineDocument::CheckInputsByEntryRule() {
  std::vector<int> replaced;
  for (int n = 0; n < InputPanel::kStatuses; ++n) {
    if (!controller_.CheckHeldInput(n)) continue;
    prompter_.Beep();
    replaced.push_back(n);
  }
  if (!replaced.empty()) {
    Touch(true, true);
    FoldIntoCurrentStep();
    Changed(true);
  }
  return replaced;
}

void EngineDocument::FoldIntoCurrentStep() {
  if (undoPauses_ > 0) return;
  undo_.ReplaceCurrent(CaptureState());
}

std::string EngineDocument::UndoText() const {
  return CanUndo() ? std::string(kUndoText) + " " + UndoStepName() : std::string(kUndoText);
}

std::string EngineDocument::RedoText() const {
  return CanRedo() ? std::string(kRedoText) + " " + RedoStepName() : std::string(kRedoText);
}

void EngineDocument::Undo() {
  if (const EngineState* state = undo_.Undo()) RestoreState(*state);
}

void EngineDocument::Redo() {
  if (const EngineState* state = undo_.Redo()) RestoreState(*state);
}

void EngineDocument::RestoreState(const EngineState& state) {
  ++revisions_.sources;
  Touch(true, true);
  engine_.inputs() = state.inputs;
  engine_.ReplaceCamLobes(state.intakeLobe, state.exhaustLobe);
  intakeFlowTest_ = state.intakeFlowTest;
  exhaustFlowTest_ = state.exhaustFlowTest;
  Changed(!undo_.AtSavedPoint());
  {
    ETracker guard(kEngineDocumentModule, "RestoreState");
    try {
      engine_.RebuildValveTables();
    } catch (...) {
      ReportError(guard);
    }
  }
  // The recalculation marks what it suggests for review; the marks and suggestions of the state
  // are put back afterwards, the suggestions written in the unit system shown now.
  auto review = [&] {
    controller_.RestoreReviewState(state.status, state.suggestion, state.suggestedValue);
  };
  try {
    RefreshEngine();
  } catch (...) {
    review();
    throw;
  }
  review();
}

}  // namespace orv
