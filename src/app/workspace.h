#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airflow/flow_test.h"
#include "airflow/test_database_cache.h"
#include "app/prompter.h"
#include "base/error_trace.h"
#include "engine/cam_open.h"
#include "engine/engine.h"
#include "files/config_file.h"
#include "files/interface_strings.h"
#include "files/keyed_file.h"

namespace orv {

// The whole state of one running program: the engine with its cam lobes, the flow tests, the
// settings, the recent files and the current engine path. The window and the command line
// both drive it; tests make as many as they like.
class Workspace final {
 public:
  explicit Workspace(Prompter& prompter);

  Engine& engine() noexcept { return engine_; }
  const Engine& engine() const noexcept { return engine_; }
  Prompter& prompter() noexcept { return prompter_; }

  // The current intake and exhaust flow tests (the last ones loaded for each side).
  FlowTest& intakeFlowTest() noexcept { return intakeFlowTest_; }
  const FlowTest& intakeFlowTest() const noexcept { return intakeFlowTest_; }
  FlowTest& exhaustFlowTest() noexcept { return exhaustFlowTest_; }
  const FlowTest& exhaustFlowTest() const noexcept { return exhaustFlowTest_; }

  // Loads a flow test for one side from a DOS test file or an SY3 file (test `testName` of
  // full kind `kind`) through `LoadSYTest`, as the flow-test dialog's "Open" does; on success
  // the engine is marked changed and recalculated. Returns the loader's error flag; on failure
  // the current test and the flow tables stay. Errors of the recalculation travel to the
  // caller.
  int LoadFlowTest(bool intake, const std::string& path, const std::string& testName,
                   std::int32_t& kind);
  // Loads test `testId` of the flow bench's test database at `path` for one side, as the
  // dialog's database tab opens a test: it must be of kind `kind` unless that is
  // kAnyKindOfDatabaseTest (-4444), and `kind` returns its kind. Database errors are reported
  // through the prompter. Otherwise as `LoadFlowTest`.
  int LoadDatabaseFlowTest(bool intake, const std::string& path, std::int32_t testId,
                           std::int32_t& kind, const std::string& testName = {});
  // The test databases held open between reads (the reader process options live there).
  TestDatabaseCache& testDatabases() noexcept { return testDatabases_; }

  // Loads a cam lobe for one side as the cam selection dialog's Open does: the lobe is read
  // into the side's lobe, copied into the engine's cam-lift table (lobe centre at entry 179)
  // with its smoothing count, the valve tables are rebuilt and the engine is recalculated.
  // Errors met on the way are shown through the prompter and listed in the result. Errors of
  // the recalculation travel to the caller.
  CamOpenResult OpenCam(bool intake, const LobeChoice& choice);
  // The folder the cam selection dialog starts in: the remembered cam folder, or the program
  // folder when none is remembered.
  std::filesystem::path CamDialogFolder() const;
  // The cam selection dialog's Open for the node selected in `folder`: the lobe it names (if
  // any) is loaded as `OpenCam` does, and the folder becomes the remembered cam folder (with
  // its trailing separator). Returns what happened, or nothing when the node names no lobe.
  std::optional<CamOpenResult> OpenCamDialogChoice(bool intake, const CamFolder& folder);

  // Types `value` into the input whose engine-file key is `key`, as a user typing it and
  // leaving the box (list choices and the airflow/rpm option pair as a click). Keys that have
  // no box ("TorqLoss", "PcntDrop") are stored as read; the engine file holds them as 32-bit
  // floats, so a number beyond that range raises "Overflow" (6) and the value stays. Returns
  // false for an unknown key. Errors of the recalculation travel to the caller.
  bool TypeInput(const std::string& key, const std::string& value);

  // Reports the error being handled (call inside a catch block) through the error trace and
  // the prompter, `guard` being the handling procedure's guard. Returns the message shown.
  std::string ReportError(ETracker& guard);

  // --- Folders, settings, interface texts -------------------------------------------------

  const Folders& folders() const noexcept { return folders_; }
  // Sets the program folder and the data root (the file defaults follow the data root).
  void SetFolders(Folders folders);
  // Where the recent-file list and the configuration path are kept between runs.
  void SetUserStorePath(std::filesystem::path path) { userStorePath_ = std::move(path); }
  const std::filesystem::path& userStorePath() const noexcept { return userStorePath_; }
  // The window's background colour, the default of the graph background setting.
  void SetWindowBackground(std::int32_t colour) noexcept { windowBackground_ = colour; }

  Settings& settings() noexcept { return settings_; }
  const Settings& settings() const noexcept { return settings_; }
  const InterfaceStrings& strings() const noexcept { return strings_; }
  // Reads the interface string file of the program folder and hands the engine its texts.
  // Errors (a missing file) travel to the caller.
  void LoadStrings();

  // --- Engine files -----------------------------------------------------------------------

  // The engine file last opened or saved (configuration key "Engine").
  const std::string& enginePath() const noexcept { return settings_.engineFile; }
  // "Orvantis  [ path ]".
  std::string WindowTitle() const;

  // Reads an engine file, refusing a missing or foreign one ("Error while reading file", with
  // the reason when the file could not be read). On success the path becomes the current
  // engine path and goes to the top of the recent list, and the engine is unchanged; on
  // failure the engine stays as it was. Either way the engine is shown and recalculated
  // afresh; an error of that is reported and the open goes on. Returns whether the file was
  // read; when not, `reason` (when given) says why (empty for a file that is not an engine
  // file, which the header check has said).
  bool OpenEngine(const std::string& path, std::string* reason = nullptr);

  enum class SaveResult { Saved, Cancelled, Failed };
  // Asks for the file name (the current engine path when `proposed` is empty, otherwise
  // `proposed` in save-as mode) and writes the engine there.
  SaveResult SaveEngine(const std::string& proposed);
  // Writes the engine to `path`. On success the engine is unchanged, the path is the current
  // engine path and tops the recent list; on failure "Error while writing file" is shown with
  // the reason, the engine stays marked as changed and the file on disk is left as it was;
  // `reason` (when given) receives it.
  bool SaveEngineTo(const std::string& path, std::string* reason = nullptr);
  // The name Save Engine As proposes: the current path with its name counted up when name
  // increment is on, otherwise the current path.
  std::string SaveAsProposal() const;
  // Before the engine is replaced: when it has changed, asks whether to save it first.
  // Returns true to go ahead.
  bool AskSaveChanges();

  // The steps that follow every successful read of an engine file: the valve tables are
  // rebuilt from the cam-lift tables, and the two cam lobes and two flow tests are replaced
  // by new objects holding the file's references. A rebuild that fails (a cam lift too large
  // to work with) is reported through the error trace and the prompter, and the steps go on.
  void RebuildLobesAndFlowTestsFromEngine();

  // --- Recent files -----------------------------------------------------------------------

  const RecentFiles& recentFiles() const noexcept { return recent_; }
  void SetRecentFiles(const RecentFiles& list) { recent_ = list; }
  // Puts a path at the top of the recent list and rebuilds the menu list.
  void AddRecentFile(const std::string& path);
  // Cleans the recent list and gives the menu captions of its entries.
  std::vector<std::string> RebuildRecentMenu();

  // --- Start-up and exit ------------------------------------------------------------------

  // The start-up of the main window: data folders made, interface texts read, recent list
  // read, settings read from the configuration file (a missing or foreign one: defaults and a
  // new default engine file MyEngine000..199), the last engine read, and the engine shown and
  // recalculated. Errors of a step are reported and the next step follows, except that
  // without the interface texts nothing more is loaded. Returns false in that case.
  bool StartUp();
  // The question before the window closes; returns true when it may close.
  bool QueryExit();
  // Writes the recent list and the configuration path to the per-user store and the settings
  // to the configuration file.
  void Exit();

 private:
  // Shows every input afresh and recalculates, reporting an error of the calculation.
  void RefreshEngine();
  void CreateDefaultEngineFile();
  ConfigDefaults MakeConfigDefaults() const;

  Prompter& prompter_;
  Engine engine_;
  FlowTest intakeFlowTest_;
  FlowTest exhaustFlowTest_;
  TestDatabaseCache testDatabases_;
  Folders folders_;
  std::filesystem::path userStorePath_;
  std::int32_t windowBackground_ = 0xF0F0F0;
  Settings settings_;
  InterfaceStrings strings_;
  RecentFiles recent_;
};

// Passes the beeps and warnings of the file procedures to a prompter.
class PrompterNotifier final : public FileNotifier {
 public:
  explicit PrompterNotifier(Prompter& prompter) : prompter_(prompter) {}
  void Beep() override { prompter_.Beep(); }
  void Warn(const std::string& text) override { prompter_.Warn(text, kAppTitle); }

 private:
  Prompter& prompter_;
};

inline constexpr const char* kReadErrorText = "Error while reading file";
inline constexpr const char* kWriteErrorText = "Error while writing file";
inline constexpr const char* kNotSavedText = "File Not Saved";
inline constexpr const char* kWarningTitle = "Warning !!!";

}  // namespace orv
