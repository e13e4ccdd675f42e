#include "app/engine_document.h"

#include <cmath>
#include <limits>
#include <utility>

#include "airflow/load_test.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "base/text_number.h"
#include "files/engine_file.h"

namespace orv {

namespace {
constexpr const char* kModule = "frmMain";
constexpr const char* kFlowDialogModule = "FlowDialog";
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

template <class Entry>
EntryResult EngineDocument::RunEntry(Entry entry) {
  ++revisions_.inputs;
  try {
    entry();
  } catch (...) {
    // An error of the recalculation: the value stays stored, results may be half new.
    ++revisions_.outputs;
    if (controller_.lastEntry().changed) Changed(true);
    throw;
  }
  const EntryResult& result = controller_.lastEntry();
  if (result.changed || result.recalculated) ++revisions_.outputs;
  for (int i = 0; i < result.beeps; ++i) prompter_.Beep();
  if (result.changed) Changed(true);
  return result;
}

// ---------------------------------------------------------------------------------------------
// The input panel

EntryResult EngineDocument::TypeIntoBox(int n, std::string_view text) {
  return RunEntry([&] { controller_.EnterText(n, text, !recalculationHeld()); });
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
      ETracker guard(kModule, "TypeInput");
      Raise(kErrOverflow);
    }
    ++revisions_.inputs;
    (key == "TorqLoss" ? engine_.inputs().TorqLoss : engine_.inputs().PcntDrop) = typed;
    Changed(true);
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
  return RunEntry([&] { controller_.EnterRecipBalanceFactor(text); });
}

EntryResult EngineDocument::ChooseValveTrain(int index) {
  return RunEntry([&] { controller_.ChooseValveTrain(index, !recalculationHeld()); });
}

EntryResult EngineDocument::ChooseFuel(int index) {
  return RunEntry([&] { controller_.ChooseFuel(index, !recalculationHeld()); });
}

EntryResult EngineDocument::ChooseEnterAirPP(int value) {
  return RunEntry([&] { controller_.ChooseEnterAirPP(value); });
}

void EngineDocument::ApproveAll(int stage) {
  Touch(true, true);
  controller_.ApproveAll(stage);
}

void EngineDocument::ClickStatus(int n) {
  Touch(true, false);
  controller_.ClickStatus(n);
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
  ETracker guard(kModule, "RefreshEngine");
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
  Touch(false, true);
  if (pageOne) {
    controller_.FillBothOutputPages();
  } else {
    controller_.DisplayOutputs(0);
    controller_.BalanceAnalysis();
  }
}

void EngineDocument::SetUnitMode(UnitMode mode) {
  Touch(true, true);
  controller_.SetUnitMode(mode);
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
  if (result.changed) Changed(true);
  for (const std::string& report : result.reports) prompter_.Warn(report, kAppTitle);
  RefreshEngine();
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
  RefreshEngine();
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
  RefreshEngine();
  return err;
}

void EngineDocument::UseKeyboardFlowTest(bool intake, FlowTest test) {
  ++revisions_.sources;
  EngineInputs& in = engine_.inputs();
  (intake ? in.intakeFlow : in.exhaustFlow).keyboard = true;
  (intake ? intakeFlowTest_ : exhaustFlowTest_) = std::move(test);
  Changed(true);
  RefreshEngine();
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
  } else {
    prompter_.Warn(std::string(kReadErrorText) + "\r" + path + (why.empty() ? "" : "\r" + why),
                   kWarningTitle);
    if (reason != nullptr) *reason = why;
  }
  RefreshEngineReportingErrors();
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
  return true;
}

void EngineDocument::InstallDefaultEngine() {
  ++revisions_.sources;
  Touch(true, true);
  engine_.InstallDefaultEngine();
}

void EngineDocument::RebuildLobesAndFlowTestsFromEngine() {
  ++revisions_.sources;
  const EngineInputs& in = engine_.inputs();
  {
    ETracker guard(kModule, "RebuildLobesAndFlowTestsFromEngine");
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

}  // namespace orv
