#include "app/workspace.h"

#include <cmath>
#include <limits>
#include <system_error>

#include "airflow/load_test.h"
#include "app/flow_tests_db_command.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "base/text_number.h"
#include "files/engine_file.h"
#include "files/interface_text_ids.h"
#include "files/user_store.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kModule = "frmMain";
constexpr const char* kDefaultEngineBase = "MyEngine000";
constexpr int kDefaultEngineNames = 200;  // MyEngine000 .. MyEngine199

}  // namespace

Workspace::Workspace(Prompter& prompter)
    : prompter_(prompter),
      testDatabases_(DefaultJetReaderOptions(), {}, DiskCacheOptions{DefaultDiskCacheFolder()}),
      folders_{ProgramFolder(), ResolveDataRoot({})},
      userStorePath_(UserStore::DefaultPath()) {
  SetFileDefaults(settings_, folders_);
  SetGraphDefaults(settings_, nullptr, windowBackground_);
}

bool Workspace::TypeInput(const std::string& key, const std::string& value) {
  Engine& e = engine_;
  const int n = InputNumberOfKey(key);
  const int beepsBefore = e.panel().beeps;
  if (key == "Fuel") {
    e.ChooseFuel(ToInt32(TextToDouble(value)));
  } else if (key == "VTType") {
    e.ChooseValveTrain(ToInt32(TextToDouble(value)));
  } else if (key == "EnterAirPP") {
    e.ChooseEnterAirPP(TextToDouble(value) != 0 ? 1 : 0);
  } else if (key == "TorqLoss" || key == "PcntDrop") {
    const double typed = TextToDouble(value);
    // Held as the engine file holds it: a 32-bit float.
    if (std::fabs(typed) > std::numeric_limits<float>::max()) {
      ETracker guard(kModule, "TypeInput");
      Raise(kErrOverflow);
    }
    (key == "TorqLoss" ? e.inputs().TorqLoss : e.inputs().PcntDrop) = typed;
    e.SetChanged(true);
  } else if (n >= 0) {
    e.EnterText(n, value);
  } else {
    return false;
  }
  for (int i = beepsBefore; i < e.panel().beeps; ++i) prompter_.Beep();
  return true;
}

int Workspace::LoadFlowTest(bool intake, const std::string& path, const std::string& testName,
                            std::int32_t& kind) {
  ETracker guard("FlowDialog", "cmdOpen_Click");
  FlowTest& current = intake ? intakeFlowTest_ : exhaustFlowTest_;
  const int err = LoadSYTest(path, testName, intake, kind, false, 0, engine_.inputs(), current);
  if (err != kFlowOk) return err;
  engine_.SetChanged(true);
  engine_.ReCalc(-1);
  return err;
}

CamOpenResult Workspace::OpenCam(bool intake, const LobeChoice& choice) {
  CamOpenResult result = OpenCamLobe(engine_, intake, choice);
  for (const std::string& report : result.reports) prompter_.Warn(report, kAppTitle);
  engine_.ReCalc(-1);
  return result;
}

fs::path Workspace::CamDialogFolder() const {
  return settings_.camFolder.empty() ? folders_.programFolder : fs::path(settings_.camFolder);
}

std::optional<CamOpenResult> Workspace::OpenCamDialogChoice(bool intake, const CamFolder& folder) {
  std::optional<CamOpenResult> result;
  if (const std::optional<LobeChoice> choice = folder.ChosenLobe(intake)) {
    result = OpenCam(intake, *choice);
  }
  std::string directory = folder.directory().string();
  if (directory.empty() || directory.back() != fs::path::preferred_separator) {
    directory += fs::path::preferred_separator;
  }
  settings_.camFolder = directory;
  return result;
}

int Workspace::LoadDatabaseFlowTest(bool intake, const std::string& path, std::int32_t testId,
                                    std::int32_t& kind, const std::string& testName) {
  ETracker guard("FlowDialog", "cmdOpen_Click");
  FlowTest& current = intake ? intakeFlowTest_ : exhaustFlowTest_;
  DatabaseAccess database{
      &testDatabases_, [this](const std::string& message) { prompter_.Warn(message, kAppTitle); }};
  const int err = LoadSYTest(path, testName, intake, kind, true, testId, engine_.inputs(), current,
                             {}, database);
  if (err != kFlowOk) return err;
  engine_.SetChanged(true);
  engine_.ReCalc(-1);
  return err;
}

std::string Workspace::ReportError(ETracker& guard) {
  std::string message = EStackTrace::Instance().ReportCurrentException(guard);
  prompter_.Warn(message, kAppTitle);
  return message;
}

void Workspace::SetFolders(Folders folders) {
  folders_ = std::move(folders);
  SetFileDefaults(settings_, folders_);
}

void Workspace::LoadStrings() {
  ETracker guard(kModule, "LoadStrings");
  LoadInterfaceStrings(folders_.programFolder / kInterfaceStringFile, strings_);
  engine_.SetTexts(EngineTextsOf(strings_));
  for (std::size_t i = 0; i < settings_.curveTags.size(); ++i) {
    const int name = i < 11 ? kMiscCurveName1 + static_cast<int>(i)
                            : kMiscCurveName12 + static_cast<int>(i) - 11;
    const int unit = i < 11 ? kMiscCurveUnit1 + static_cast<int>(i)
                            : kMiscCurveUnit12 + static_cast<int>(i) - 11;
    settings_.curveTags[i].name = strings_.Misc(name);
    settings_.curveTags[i].unit = strings_.Misc(unit);
  }
}

std::string Workspace::WindowTitle() const {
  return std::string(kAppTitle) + "  [ " + settings_.engineFile + " ]";
}

void Workspace::RebuildLobesAndFlowTestsFromEngine() {
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

void Workspace::RefreshEngine() {
  ETracker guard(kModule, "RefreshEngine");
  try {
    EngineInputs& in = engine_.inputs();
    if (in.EnterAirPP < 0 || in.EnterAirPP > 1) in.EnterAirPP = 0;
    engine_.ShowAllInputs();
    engine_.ReCalc(-1);
    engine_.DisplayOutputs(engine_.outputPage());
    if (engine_.outputPage() == 0) engine_.BalanceAnalysis();
    engine_.EvaluateStageTabs();
  } catch (...) {
    ReportError(guard);
  }
}

bool Workspace::OpenEngine(const std::string& path, std::string* reason) {
  PrompterNotifier notifier(prompter_);
  std::string why;
  const bool ok = EngineFileIO(path, engine_.inputs(), true, false, notifier, &why);
  if (ok) {
    RebuildLobesAndFlowTestsFromEngine();
    settings_.engineFile = path;
    AddRecentFile(path);
    engine_.SetChanged(false);
  } else {
    prompter_.Warn(std::string(kReadErrorText) + "\r" + path + (why.empty() ? "" : "\r" + why),
                   kWarningTitle);
    if (reason != nullptr) *reason = why;
  }
  RefreshEngine();
  return ok;
}

bool Workspace::SaveEngineTo(const std::string& path, std::string* reason) {
  PrompterNotifier notifier(prompter_);
  std::string why;
  if (!EngineFileIO(path, engine_.inputs(), false, false, notifier, &why)) {
    prompter_.Warn(std::string(kWriteErrorText) + "\r" + path + "\r" + kNotSavedText +
                       (why.empty() ? "" : "\r" + why),
                   kWarningTitle);
    if (reason != nullptr) *reason = why;
    return false;
  }
  engine_.SetChanged(false);
  settings_.engineFile = path;
  AddRecentFile(path);
  return true;
}

Workspace::SaveResult Workspace::SaveEngine(const std::string& proposed) {
  const auto chosen =
      proposed.empty() ? prompter_.AskFileName(Prompter::FileKind::SaveEngine, settings_.engineFile)
                       : prompter_.AskFileName(Prompter::FileKind::SaveEngineAs, proposed);
  if (!chosen) return SaveResult::Cancelled;
  return SaveEngineTo(*chosen) ? SaveResult::Saved : SaveResult::Failed;
}

std::string Workspace::SaveAsProposal() const {
  if (!settings_.incrementNames) return settings_.engineFile;
  const fs::path current(settings_.engineFile);
  const std::string advanced = AdvanceFileName(current.filename().string());
  if (advanced.empty()) return settings_.engineFile;
  return (current.parent_path() / advanced).string();
}

bool Workspace::AskSaveChanges() {
  if (!engine_.changed()) return true;
  switch (prompter_.AskYesNoCancel(strings_.Misc(kMiscSaveChanges), kAppTitle)) {
    case Prompter::Answer::Yes:
      // A save that was cancelled or failed keeps the engine: nothing goes ahead.
      if (SaveEngine("") != SaveResult::Saved) return false;
      prompter_.Inform(strings_.Misc(kMiscEngineSaved), kAppTitle);
      engine_.SetChanged(false);
      return true;
    case Prompter::Answer::No:
      return true;
    case Prompter::Answer::Cancel:
      return false;
  }
  return false;
}

void Workspace::AddRecentFile(const std::string& path) {
  orv::AddRecentFile(recent_, path);
  RebuildRecentMenu();
}

std::vector<std::string> Workspace::RebuildRecentMenu() {
  CleanRecentFiles(recent_);
  return RecentMenuCaptions(recent_);
}

ConfigDefaults Workspace::MakeConfigDefaults() const {
  return ConfigDefaults{folders_, windowBackground_};
}

void Workspace::CreateDefaultEngineFile() {
  std::string name = kDefaultEngineBase;
  for (int i = 0; i < kDefaultEngineNames; ++i, name = Sequence(name)) {
    const fs::path candidate = folders_.enginesFolder() / (name + kEngineExtension);
    std::error_code ec;
    if (fs::exists(candidate, ec)) continue;
    settings_.engineFile = candidate.string();
    PrompterNotifier notifier(prompter_);
    if (!EngineFileIO(candidate, engine_.inputs(), false, false, notifier)) {
      prompter_.Warn(
          std::string(kWriteErrorText) + "\r" + candidate.string() + "\r" + kNotSavedText,
          kWarningTitle);
    }
    return;
  }
}

bool Workspace::StartUp() {
  ETracker guard(kModule, "Form_Load");
  EnsureDataFolders(folders_);
  try {
    LoadStrings();
  } catch (...) {
    ReportError(guard);
    return false;
  }
  recent_ = UserStore(userStorePath_).ReadRecentFiles();
  RebuildRecentMenu();

  engine_.InstallDefaultEngine();
  SetGraphDefaults(settings_, &strings_, windowBackground_);
  PrompterNotifier notifier(prompter_);
  const ConfigResult config =
      ConfigFileIO(folders_.configFile(), settings_, true, true, MakeConfigDefaults(), notifier);
  EngineInputs& in = engine_.inputs();
  if (!config.headerValid) {
    SetGraphDefaults(settings_, &strings_, windowBackground_);
    CreateDefaultEngineFile();
    in.intakeFlow.keyboard = false;
    in.exhaustFlow.keyboard = false;
  } else if (EngineFileIO(settings_.engineFile, in, true, false, notifier)) {
    RebuildLobesAndFlowTestsFromEngine();
  } else {
    in.intakeFlow.keyboard = false;
    in.exhaustFlow.keyboard = false;
  }
  engine_.SetChanged(false);

  // The graph setting box shows 1 to 9 only.
  if (settings_.graphPanelNumber < 1) settings_.graphPanelNumber = 1;
  if (settings_.graphPanelNumber > 9) settings_.graphPanelNumber = 9;
  const std::string root = folders_.dataRootText();
  for (std::string* folder :
       {&settings_.camFolder, &settings_.flowDosFolder, &settings_.flowDatabase}) {
    if (folder->empty()) *folder = root;
  }
  const std::int32_t metric = settings_.unitSystem;
  engine_.SetUnitMode(metric == 1   ? UnitMode::Metric
                      : metric == 2 ? UnitMode::MetricM3
                                    : UnitMode::English);
  RefreshEngine();
  return true;
}

bool Workspace::QueryExit() {
  if (!engine_.changed()) return true;
  switch (prompter_.AskYesNoCancel(strings_.Misc(kMiscSaveChanges), kAppTitle)) {
    case Prompter::Answer::Yes:
      // The window stays open unless the engine was really saved.
      return SaveEngine("") == SaveResult::Saved;
    case Prompter::Answer::No:
      return true;
    case Prompter::Answer::Cancel:
      return false;
  }
  return false;
}

void Workspace::Exit() {
  UserStore(userStorePath_).WriteExitValues(recent_, folders_.configFile().string());
  PrompterNotifier notifier(prompter_);
  ConfigFileIO(folders_.configFile(), settings_, false, false, MakeConfigDefaults(), notifier);
}

}  // namespace orv
