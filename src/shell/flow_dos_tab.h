#pragma once

#include <QWidget>
#include <filesystem>
#include <functional>

#include "airflow/dos_folder.h"

class QPlainTextEdit;
class QTreeWidget;

namespace orv {

class Application;
class BackgroundJob;
class FolderPicker;
struct Settings;

// The "DOS Sylfaro Tests" tab of the flow test dialog: a folder's test files in a tree and the
// notes of the selected test. The folder is read on a thread of its own (a folder on a slow
// drive can take long); the tree is filled on the window's thread when the listing arrives. A
// new folder choice drops the listing still running: the latest choice wins.
class FlowDosTab final : public QWidget {
  Q_OBJECT

 public:
  FlowDosTab(Application& app, bool intake, QWidget* parent = nullptr);
  ~FlowDosTab() override;

  // Lists the tests of a folder (a drive or folder change): the tree is emptied at once and
  // filled when the folder has been read.
  void ChangeFolder(const std::filesystem::path& folder);
  // The tab is shown: the first time, the folder of the configuration is listed.
  void Shown();
  // Stops a listing that runs (the dialog closes); the next showing lists the folder again.
  void StopListing();
  // A folder is being read, or its tree is on its way to the window's thread.
  bool listing() const noexcept;

  // The folder the tree shows (empty while a listing runs).
  const DosFolder& dosFolder() const noexcept { return dos_; }
  QTreeWidget* tree() const noexcept { return tree_; }

  // Open: loads the selected test into the dialog's side, after `dropTypedPoints` (the tables
  // loaded replace the points typed on the keyboard tab). False when nothing was loaded.
  bool Open(const std::function<void()>& dropTypedPoints);
  void SaveSettings(Settings& settings) const;

 Q_SIGNALS:
  // A test was double-clicked: the dialog opens it.
  void openRequested();
  // The tree was filled from a folder's listing.
  void listed();

 private:
  void TakeListing(DosFolder listing);
  void FillTree();
  void SelectionChanged();

  Application& app_;
  bool intake_;
  bool filled_ = false;           // the first folder has been asked for
  std::filesystem::path chosen_;  // the folder chosen last, listed or being listed
  DosFolder dos_;
  BackgroundJob* job_ = nullptr;
  FolderPicker* picker_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QPlainTextEdit* notes_ = nullptr;
};

}  // namespace orv
