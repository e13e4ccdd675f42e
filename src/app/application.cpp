#include "app/application.h"

#include <cctype>
#include <system_error>

#include "app/flow_tests_db_command.h"
#include "base/folder_files.h"
#include "files/engine_file.h"
#include "files/interface_text_ids.h"
#include "files/user_store.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kApplicationModule = "frmMain";
constexpr const char* kDefaultEngineBase = "MyEngine000";
constexpr int kDefaultEngineNames = 200;  // MyEngine000 .. MyEngine199

// Whether `folder` holds an engine file (any case of the extension).
bool HoldsEngineFile(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string ext = it->path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == kEngineExtension) return true;
  }
  return false;
}

UnitMode UnitModeOfSetting(std::int32_t metric) noexcept {
  return metric == 1 ? UnitMode::Metric : metric == 2 ? UnitMode::MetricM3 : UnitMode::English;
}

}  // namespace

Application::Application(Prompter& prompter)
    : prompter_(prompter),
      testDatabases_(DefaultJetReaderOptions(), {}, DiskCacheOptions{DefaultDiskCacheFolder()}),
      document_(prompter, testDatabases_),
      folders_{ProgramFolder(), ResolveDataRoot({})},
      userStorePath_(UserStore::DefaultPath()) {
  SetFileDefaults(settings_, folders_);
  SetGraphDefaults(settings_, nullptr, windowBackground_);
}

Revisions Application::revisions() const {
  if (!(settings_ == settingsSeen_)) {
    settingsSeen_ = settings_;
    ++settingsRevision_;
  }
  Revisions r = document_.revisions();
  r.recent = recentRevision_;
  r.settings = settingsRevision_;
  // The reference engine shows beside the outputs and the sources.
  r.outputs += referenceRevision_;
  r.sources += referenceRevision_;
  return r;
}

UnitMode Application::unitSystem() const noexcept {
  return UnitModeOfSetting(settings_.unitSystem);
}

void Application::SetUnitSystem(UnitMode mode) {
  settings_.unitSystem = static_cast<std::int32_t>(mode);
  document_.SetUnitMode(mode);
  document_.RefreshOutputs();
  if (reference_) {
    ++referenceRevision_;
    reference_->SetUnitMode(mode);
    // Both output pages: the panels show the reference beside either page.
    reference_->FillOutputPagesForReports(true);
  }
}

void Application::SetFolders(Folders folders) {
  ++settingsRevision_;
  folders_ = std::move(folders);
  SetFileDefaults(settings_, folders_);
}

void Application::LoadStrings() {
  ETracker guard(kApplicationModule, "LoadStrings");
  LoadInterfaceStrings(folders_.programFolder / kInterfaceStringFile, strings_);
  document_.SetTexts(EngineTextsOf(strings_));
  if (reference_) reference_->SetTexts(EngineTextsOf(strings_));
  ++settingsRevision_;
  for (std::size_t i = 0; i < settings_.curveTags.size(); ++i) {
    const int name = i < 11 ? kMiscCurveName1 + static_cast<int>(i)
                            : kMiscCurveName12 + static_cast<int>(i) - 11;
    const int unit = i < 11 ? kMiscCurveUnit1 + static_cast<int>(i)
                            : kMiscCurveUnit12 + static_cast<int>(i) - 11;
    settings_.curveTags[i].name = strings_.Misc(name);
    settings_.curveTags[i].unit = strings_.Misc(unit);
  }
}

std::optional<fs::path> Application::ManualToOpen() {
  const fs::path manual = folders_.programFolder / kManualFileName;
  std::error_code ec;
  if (fs::is_regular_file(manual, ec)) return manual;
  prompter_.Inform(strings_.Misc(kMiscManualMissing) + "\r\r" + manual.string(), kAppTitle);
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Engine files

bool Application::OpenEngine(const std::string& path, std::string* reason) {
  const bool ok = document_.ReadEngineFile(path, reason);
  if (ok) AddRecentFile(path);
  return ok;
}

bool Application::SaveEngineTo(const std::string& path, std::string* reason) {
  if (!document_.WriteEngineFile(path, reason)) return false;
  AddRecentFile(path);
  return true;
}

Application::SaveResult Application::SaveEngine(const std::string& proposed) {
  const auto chosen = proposed.empty()
                          ? prompter_.AskFileName(Prompter::FileKind::SaveEngine, enginePath())
                          : prompter_.AskFileName(Prompter::FileKind::SaveEngineAs, proposed);
  if (!chosen) return SaveResult::Cancelled;
  return SaveEngineTo(*chosen) ? SaveResult::Saved : SaveResult::Failed;
}

std::string Application::SaveAsProposal() const {
  if (!settings_.incrementNames) return enginePath();
  const fs::path current(enginePath());
  const std::string advanced = AdvanceFileName(current.filename().string());
  if (advanced.empty()) return enginePath();
  return (current.parent_path() / advanced).string();
}

bool Application::AskSaveChanges() {
  if (!document_.changed()) return true;
  switch (prompter_.AskYesNoCancel(strings_.Misc(kMiscSaveChanges), kAppTitle)) {
    case Prompter::Answer::Yes:
      // A save that was cancelled or failed keeps the engine: nothing goes ahead.
      if (SaveEngine("") != SaveResult::Saved) return false;
      prompter_.Inform(strings_.Misc(kMiscEngineSaved), kAppTitle);
      document_.SetChanged(false);
      return true;
    case Prompter::Answer::No:
      return true;
    case Prompter::Answer::Cancel:
      return false;
  }
  return false;
}

std::string Application::EngineFolderPreset(const std::string& enginePath) const {
  fs::path folder = fs::path(enginePath).parent_path();
  if (folder.empty()) folder = folders_.enginesFolder();
  // No folder at all: the dialog starts where the system starts it.
  return folder.empty() ? std::string() : FolderWithSeparator(folder);
}

bool Application::AskAndOpenEngine() {
  if (!AskSaveChanges()) return false;
  const auto chosen =
      prompter_.AskFileName(Prompter::FileKind::OpenEngine, EngineFolderPreset(enginePath()));
  return chosen && OpenEngine(*chosen);
}

bool Application::OpenRecentEngine(int entry) {
  if (entry < 1 || entry > static_cast<int>(recent_.size())) return false;
  const std::string path = recent_[static_cast<std::size_t>(entry - 1)];
  return !path.empty() && AskSaveChanges() && OpenEngine(path);
}

// ---------------------------------------------------------------------------------------------
// Reference engine

bool Application::AskAndSetReference() {
  const std::string preset = EngineFolderPreset(reference_ ? reference_->path() : enginePath());
  // A file that cannot be read is reported by the document and changes nothing.
  const auto chosen = prompter_.AskFileName(Prompter::FileKind::CompareEngine, preset);
  return chosen && SetReference(*chosen);
}

bool Application::SetReference(const std::string& path, std::string* reason) {
  auto reference = std::make_unique<EngineDocument>(prompter_, testDatabases_);
  reference->SetTexts(document_.controller().texts());
  reference->SetUnitMode(unitSystem());
  if (!reference->ReadEngineFile(path, reason)) return false;
  reference->FillOutputPagesForReports(true);
  reference_ = std::move(reference);
  ++referenceRevision_;
  return true;
}

void Application::ClearReference() {
  if (!reference_) return;
  reference_.reset();
  ++referenceRevision_;
}

// ---------------------------------------------------------------------------------------------
// Cam selection dialog

fs::path Application::CamDialogFolder() const {
  return settings_.camFolder.empty() ? folders_.programFolder : fs::path(settings_.camFolder);
}

std::optional<CamOpenResult> Application::OpenCamDialogChoice(bool intake,
                                                              const CamFolder& folder) {
  std::optional<CamOpenResult> result;
  if (const std::optional<LobeChoice> choice = folder.ChosenLobe(intake)) {
    result = document_.OpenCam(intake, *choice);
  }
  settings_.camFolder = FolderWithSeparator(folder.directory());
  return result;
}

// ---------------------------------------------------------------------------------------------
// Recent files

void Application::SetRecentFiles(const RecentFiles& list) {
  ++recentRevision_;
  recent_ = list;
}

void Application::AddRecentFile(const std::string& path) {
  ++recentRevision_;
  orv::AddRecentFile(recent_, path);
  RebuildRecentMenu();
}

std::vector<std::string> Application::RebuildRecentMenu() {
  const RecentFiles before = recent_;
  CleanRecentFiles(recent_);
  if (recent_ != before) ++recentRevision_;
  return RecentMenuCaptions(recent_);
}

// ---------------------------------------------------------------------------------------------
// Start-up and exit

ConfigDefaults Application::MakeConfigDefaults() const {
  return ConfigDefaults{folders_, windowBackground_};
}

void Application::CreateDefaultEngineFile() {
  std::string name = kDefaultEngineBase;
  for (int i = 0; i < kDefaultEngineNames; ++i, name = Sequence(name)) {
    const fs::path candidate = folders_.enginesFolder() / (name + kEngineExtension);
    std::error_code ec;
    if (fs::exists(candidate, ec)) continue;
    settings_.engineFile = candidate.string();
    if (!EngineFileIO(candidate, document_.engine().inputs(), false, false, prompter_)) {
      prompter_.Warn(
          std::string(kWriteErrorText) + "\r" + candidate.string() + "\r" + kNotSavedText,
          kWarningTitle);
    }
    return;
  }
}

bool Application::StartUp() {
  ETracker guard(kApplicationModule, "Form_Load");
  ++settingsRevision_;
  EnsureDataFolders(folders_);
  try {
    LoadStrings();
  } catch (...) {
    ReportError(guard);
    return false;
  }
  SetRecentFiles(UserStore(userStorePath_).ReadRecentFiles());
  RebuildRecentMenu();

  document_.InstallDefaultEngine();
  SetGraphDefaults(settings_, &strings_, windowBackground_);
  // No configuration file on a data root without engines: the program's first start there,
  // with nothing to warn about. A file that is there but no configuration file is warned of.
  std::error_code ec;
  firstStart_ =
      !fs::exists(folders_.configFile(), ec) && !HoldsEngineFile(folders_.enginesFolder());
  SilentPrompter silent;
  const ConfigResult config =
      ConfigFileIO(folders_.configFile(), settings_, true, true, MakeConfigDefaults(),
                   firstStart_ ? static_cast<Prompter&>(silent) : prompter_);
  EngineInputs& in = document_.engine().inputs();
  if (!config.headerValid) {
    SetGraphDefaults(settings_, &strings_, windowBackground_);
    CreateDefaultEngineFile();
    in.intakeFlow.keyboard = false;
    in.exhaustFlow.keyboard = false;
  } else if (EngineFileIO(settings_.engineFile, in, true, false, prompter_)) {
    document_.RebuildLobesAndFlowTestsFromEngine();
  } else {
    in.intakeFlow.keyboard = false;
    in.exhaustFlow.keyboard = false;
  }
  document_.SetPath(settings_.engineFile);
  document_.SetChanged(false);

  // The graph setting box shows 1 to 9 only.
  if (settings_.graphPanelNumber < 1) settings_.graphPanelNumber = 1;
  if (settings_.graphPanelNumber > 9) settings_.graphPanelNumber = 9;
  const std::string root = folders_.dataRootText();
  for (std::string* folder :
       {&settings_.camFolder, &settings_.flowDosFolder, &settings_.flowDatabase}) {
    if (folder->empty()) *folder = root;
  }
  document_.SetUnitMode(unitSystem());
  // The engine read is held to the rules of typing before it is shown and computed.
  document_.CheckInputsByEntryRule();
  document_.RefreshEngineReportingErrors();
  return true;
}

bool Application::QueryExit() {
  if (!document_.changed()) return true;
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

void Application::Exit() {
  settings_.engineFile = enginePath();
  UserStore(userStorePath_).WriteExitValues(recent_, folders_.configFile().string());
  ConfigFileIO(folders_.configFile(), settings_, false, false, MakeConfigDefaults(), prompter_);
}

}  // namespace orv
