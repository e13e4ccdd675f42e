#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "airflow/test_database_cache.h"
#include "app/engine_document.h"
#include "app/graph_state.h"
#include "app/revisions.h"
#include "base/error_trace.h"
#include "base/prompter.h"
#include "base/units.h"
#include "cam/cam_folder.h"
#include "files/config_file.h"
#include "files/interface_strings.h"

namespace orv {

// The manual, opened by Help, in the program folder.
inline constexpr const char* kManualFileName = "OrvantisManual.pdf";
// The main window's background colour (RGB, red in the low byte): the default of the graph
// background and what its reset button restores.
inline constexpr std::int32_t kDefaultWindowBackground = 0xF0F0F0;

// The running program: its folders, settings, interface texts, recent-file list, the test
// databases held open, the per-user store, and the engine document it shows. It runs the
// start-up and exit sequences and the File menu's commands that involve more than the engine
// (opening and saving with the recent list, the question before dropping changes).
//
// The window and the command line both drive it; tests make as many as they like. It speaks to
// the user only through its prompter. After every command the window compares `revisions()`
// with the counters it last drew from and redraws the areas that moved.
class Application final {
 public:
  explicit Application(Prompter& prompter);
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  EngineDocument& document() noexcept { return document_; }
  const EngineDocument& document() const noexcept { return document_; }
  Prompter& prompter() noexcept { return prompter_; }

  // The change counters of every area: the document's (inputs, outputs, sources, title) with
  // the application's (recent list, settings). The settings counter moves once for every look
  // that finds the settings different from the last look, so that a dialog that stores the
  // values it was shown with moves nothing.
  Revisions revisions() const;

  // --- Folders, settings, interface texts ------------------------------------------------

  const Folders& folders() const noexcept { return folders_; }
  // Sets the program folder and the data root (the file defaults follow the data root).
  void SetFolders(Folders folders);
  // Where the recent-file list and the configuration path are kept between runs.
  void SetUserStorePath(std::filesystem::path path) { userStorePath_ = std::move(path); }
  const std::filesystem::path& userStorePath() const noexcept { return userStorePath_; }
  // The window's background colour, the default of the graph background setting.
  std::int32_t windowBackground() const noexcept { return windowBackground_; }
  void SetWindowBackground(std::int32_t colour) noexcept { windowBackground_ = colour; }

  const Settings& settings() const noexcept { return settings_; }
  // The settings for a dialog or model that changes them (options, report setup, graph
  // settings, the flow dialog's choices). Taking them counts nothing: `revisions()` finds what
  // really changed. The unit system is changed with `SetUnitSystem` instead.
  Settings& EditSettings() noexcept { return settings_; }

  // The unit system of display and entry, of the reports and of the graph ("Metric": 0
  // English, 1 metric, 2 metric with airflow in cubic metres per minute).
  UnitMode unitSystem() const noexcept;
  // Changes the unit system everywhere at once: the setting the reports and the graph read,
  // and the input and output panels, shown afresh in it.
  void SetUnitSystem(UnitMode mode);

  const InterfaceStrings& strings() const noexcept { return strings_; }
  // The graph model and curve list partition the graph and graph settings views share.
  GraphState& graph() noexcept { return graph_; }
  // Reads the interface string file of the program folder and hands the panels and the curve
  // tags their texts. Errors (a missing file) travel to the caller.
  void LoadStrings();

  // The manual Help opens: the program folder's "OrvantisManual.pdf". When it is missing the
  // user is told so (miscellaneous text 134, two line breaks and the path) and the result is
  // empty.
  std::optional<std::filesystem::path> ManualToOpen();

  // The test databases held open between reads (the reader process options live there).
  TestDatabaseCache& testDatabases() noexcept { return testDatabases_; }

  // --- Engine files ----------------------------------------------------------------------

  // The engine file last opened or saved (configuration key "Engine").
  const std::string& enginePath() const noexcept { return document_.path(); }
  // "Orvantis  [ path ]".
  std::string WindowTitle() const { return document_.WindowTitle(); }

  // Reads an engine file into the document (see `EngineDocument::ReadEngineFile`); on success
  // the path goes to the top of the recent list. Returns whether the file was read; when not,
  // `reason` (when given) says why.
  bool OpenEngine(const std::string& path, std::string* reason = nullptr);

  enum class SaveResult { Saved, Cancelled, Failed };
  // Asks for the file name (the current engine path when `proposed` is empty, otherwise
  // `proposed` in save-as mode) and writes the engine there.
  SaveResult SaveEngine(const std::string& proposed);
  // Writes the engine to `path`; on success the path tops the recent list (see
  // `EngineDocument::WriteEngineFile`, which gives the reason of a failure in `reason`).
  bool SaveEngineTo(const std::string& path, std::string* reason = nullptr);
  // The name Save Engine As proposes: the current path with its name counted up when name
  // increment is on, otherwise the current path.
  std::string SaveAsProposal() const;
  // Before the engine is replaced: when it has changed, asks whether to save it first.
  // Returns true to go ahead.
  bool AskSaveChanges();

  // The folder an engine file dialog starts in, ending in the path separator: the folder of
  // `enginePath`, or the engines folder when the path names none.
  std::string EngineFolderPreset(const std::string& enginePath) const;

  // File, Open: asks whether to save a changed engine, then for the file (starting in the
  // current engine's folder), and opens it (`OpenEngine`). Returns whether an engine was read.
  bool AskAndOpenEngine();
  // A recent-file entry of the File menu (1 to 9): asks whether to save a changed engine and
  // opens the entry's file. An empty or missing entry does nothing. Returns whether an engine
  // was read.
  bool OpenRecentEngine(int entry);

  // --- Reference engine ------------------------------------------------------------------

  // File, Compare With...: reads an engine file, read-only, as the reference the current engine
  // is compared with (`CompareEngines`). It is recalculated from its own file (its own cam-lift
  // and flow tables), in the unit system and with the interface texts of the program. A file
  // that cannot be read leaves the current engine and any previous reference as they were; the
  // user is told why ("Error while reading file"). Returns whether the reference was set.
  // Both its output pages are filled, for the panels' comparison (`CompareOutputSlots`).
  // Counts the outputs and sources revisions up.
  bool SetReference(const std::string& path, std::string* reason = nullptr);
  // File, Compare With...: asks for the file (starting in the reference's folder, or the
  // current engine's) and sets it as the reference (`SetReference`). Returns whether it was set.
  bool AskAndSetReference();
  // Clear Reference.
  void ClearReference();
  // The reference engine, or nothing when none is set.
  const EngineDocument* reference() const noexcept { return reference_.get(); }

  // --- Cam selection dialog --------------------------------------------------------------

  // The folder the cam selection dialog starts in: the remembered cam folder, or the program
  // folder when none is remembered.
  std::filesystem::path CamDialogFolder() const;
  // The cam selection dialog's Open for the node selected in `folder`: the lobe it names (if
  // any) is loaded as `EngineDocument::OpenCam` does, and the folder becomes the remembered
  // cam folder (with its trailing separator). Returns what happened, or nothing when the node
  // names no lobe. Errors of the recalculation travel to the caller.
  std::optional<CamOpenResult> OpenCamDialogChoice(bool intake, const CamFolder& folder);

  // --- Recent files ----------------------------------------------------------------------

  const RecentFiles& recentFiles() const noexcept { return recent_; }
  void SetRecentFiles(const RecentFiles& list);
  // Puts a path at the top of the recent list and rebuilds the menu list.
  void AddRecentFile(const std::string& path);
  // Cleans the recent list and gives the menu captions of its entries.
  std::vector<std::string> RebuildRecentMenu();

  // --- Start-up and exit -----------------------------------------------------------------

  // The start-up of the main window: data folders made, interface texts read, recent list
  // read, settings read from the configuration file (a missing or foreign one: defaults and a
  // new default engine file MyEngine000..199), the last engine read, and the engine shown and
  // recalculated. Errors of a step are reported and the next step follows, except that
  // without the interface texts nothing more is loaded. Returns false in that case.
  bool StartUp();
  // The start-up found neither a configuration file nor an engine file on the data root: the
  // program's first start there (no warning about the missing file; the window welcomes).
  bool firstStart() const noexcept { return firstStart_; }
  // The question before the window closes; returns true when it may close.
  bool QueryExit();
  // Writes the recent list and the configuration path to the per-user store and the settings
  // (with the current engine path) to the configuration file.
  void Exit();

  // Reports the error being handled (call inside a catch block) through the error trace and
  // the prompter, `guard` being the handling procedure's guard. Returns the message shown.
  std::string ReportError(ETracker& guard) { return document_.ReportError(guard); }

 private:
  void CreateDefaultEngineFile();
  ConfigDefaults MakeConfigDefaults() const;

  Prompter& prompter_;
  TestDatabaseCache testDatabases_;
  EngineDocument document_;
  std::unique_ptr<EngineDocument> reference_;
  std::uint64_t referenceRevision_ = 0;
  Folders folders_;
  std::filesystem::path userStorePath_;
  std::int32_t windowBackground_ = kDefaultWindowBackground;
  Settings settings_;
  InterfaceStrings strings_;
  GraphState graph_{document_.engine(), settings_, strings_};
  RecentFiles recent_;
  std::uint64_t recentRevision_ = 0;
  // Counted up by the events that change what the settings show (folders, interface texts,
  // start-up) and by `revisions()` when the settings differ from `settingsSeen_`.
  mutable std::uint64_t settingsRevision_ = 0;
  mutable Settings settingsSeen_;
  bool firstStart_ = false;
};

}  // namespace orv
