#pragma once

#include <QDialog>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "cam/cam_folder.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace orv {

class Application;
class BackgroundJob;
class FolderPicker;
class LobePreview;
class LobeTableModel;
class LobeTableSort;
struct LobeCardRow;

// The cam selection dialog ("Intake Cam" / "Exhaust Cam"): the drives and folders, the tree of
// cam files and lobes of the chosen folder with the notes of the selected lobe data file, and
// Open, Cancel, Hide All and Show All. The folder's tree, the notes and the choice are the
// core's `CamFolder`; Open loads the chosen lobe through `Application::OpenCamDialogChoice`
// and emits `sourceLoaded`.
//
// Below the tree a table lists every lobe of the folder with the figures of its card (each lobe
// on the dialog's side with the centerline, rocker ratio and lash Open gives the engine), worked
// out on a thread of its own after the tree is shown, with a progress bar; the table sorts by
// any column, its current row is the tree's selected node, and up to six ticked lobes are drawn
// in the preview beside it. Keys in the table: arrows move, Space ticks, Enter opens.
//
// Open it with open() or show(); the tree is filled once right after it is shown, from the
// remembered cam folder. A folder is listed off the window's thread, by the job that works out
// the cards, so that a folder on a slow drive does not hold the window up: the tree and the
// table empty at once, the tree is built from the listing when it arrives and the cards are
// worked out after it. A folder chosen while another is listed replaces that listing. Closing
// the dialog while the folder is listed or the cards are worked out stops that work and waits
// for it.
class CamDialog final : public QDialog {
  Q_OBJECT

 public:
  CamDialog(Application& app, bool intake, QWidget* parent = nullptr);
  ~CamDialog() override;

  bool intake() const noexcept { return intake_; }
  const CamFolder& folder() const noexcept { return folder_; }
  // Moves the folder list to `directory` and fills the tree for it (a directory change).
  void ChangeFolder(const std::filesystem::path& directory);

  // The tree does not show the folder's listing yet: from construction until the first listing
  // arrives, and from a folder change until its listing arrives.
  bool listing() const noexcept { return listing_; }

  QTreeWidget* lobeTree() const noexcept { return tree_; }
  LobeTableModel* tableModel() const noexcept { return model_; }
  // The work off the window's thread: the folder's listing, then the cards.
  BackgroundJob* cardJob() const noexcept { return job_; }
  // The other parts carry object names: the tree "tvwLobes", the instruction "lblInstruct", the
  // notes "lblLobeInfo" in their box "notesBox", the buttons "cmdOpen", "cmdCancel",
  // "cmdHideAll" and "cmdShowAll", the table "lobeTable" over its sorting model
  // "lobeTableSort", the progress bar "cardProgress", the table's status line "lblTableStatus"
  // and the preview "lobePreview".

 Q_SIGNALS:
  // Open read a lobe into the engine through the core (the window refreshes the source
  // captions, the cam-setting boxes and the outputs).
  void sourceLoaded();

 protected:
  void done(int result) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FirstFill();
  // Empties the tree and the table and lists `directory` on the job's thread.
  void StartListing(const std::filesystem::path& directory);
  // The listing of the folder arrived: the tree from it, then the cards.
  void TakeListing(CamFolder listed);
  void FillTree();
  void SyncExpanded();
  void ItemChosen(QTreeWidgetItem* item);
  void SelectionChanged();
  void ConfirmNode(QTreeWidgetItem* item);
  void OpenChosen();
  void Place();
  NodeRef RefOf(const QTreeWidgetItem* item) const;
  void StartCards();
  void TakeCards(std::vector<LobeCardRow> rows);
  void TableRowChanged();
  void ToggleTick();
  void ShowPreview();

  Application& app_;
  bool intake_;
  bool filled_ = false;
  bool placing_ = false;
  bool listing_ = true;
  // The first listing puts the keyboard in the lobes or the folders.
  bool focusOnListing_ = false;
  CamFolder folder_;
  std::filesystem::path start_;
  FolderPicker* picker_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QLabel* instruction_ = nullptr;
  QLabel* notes_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* hideAll_ = nullptr;
  QPushButton* showAll_ = nullptr;
  QTableView* table_ = nullptr;
  LobeTableModel* model_ = nullptr;
  LobeTableSort* sort_ = nullptr;
  LobePreview* preview_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
  BackgroundJob* job_ = nullptr;
  // The selectable nodes of the table's lobes, by file name and lobe text, in the tree's order
  // (a lobe data file may list two lobes alike; its rows take their nodes in turn).
  std::map<std::pair<std::string, std::string>, std::deque<NodeRef>> nodeOf_;
};

}  // namespace orv
