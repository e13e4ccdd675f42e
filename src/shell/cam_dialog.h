#pragma once

#include <QDialog>
#include <filesystem>

#include "cam/cam_folder.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace orv {

class Application;
class FolderPicker;

// The cam selection dialog ("Intake Cam" / "Exhaust Cam"): the drives and folders, the tree of
// cam files and lobes of the chosen folder with the notes of the selected lobe data file, and
// Open, Cancel, Hide All and Show All. The folder's tree, the notes and the choice are the
// core's `CamFolder`; Open loads the chosen lobe through `Application::OpenCamDialogChoice`
// and emits `sourceLoaded`.
//
// Open it with open() or show(); the tree is filled once right after it is shown, from the
// remembered cam folder.
class CamDialog final : public QDialog {
  Q_OBJECT

 public:
  CamDialog(Application& app, bool intake, QWidget* parent = nullptr);
  ~CamDialog() override;

  bool intake() const noexcept { return intake_; }
  const CamFolder& folder() const noexcept { return folder_; }
  // Moves the folder list to `directory` and fills the tree for it (a directory change).
  void ChangeFolder(const std::filesystem::path& directory);

  QTreeWidget* lobeTree() const noexcept { return tree_; }
  QLabel* instructionLabel() const noexcept { return instruction_; }
  QLabel* notesLabel() const noexcept { return notes_; }
  QPushButton* openButton() const noexcept { return open_; }
  QPushButton* hideAllButton() const noexcept { return hideAll_; }
  QPushButton* showAllButton() const noexcept { return showAll_; }
  FolderPicker* folderPicker() const noexcept { return picker_; }

 Q_SIGNALS:
  // Open read a lobe into the engine through the core (the window refreshes the source
  // captions, the cam-setting boxes and the outputs).
  void sourceLoaded();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FirstFill();
  void FillTree();
  void SyncExpanded();
  void ItemChosen(QTreeWidgetItem* item);
  void SelectionChanged();
  void ConfirmNode(QTreeWidgetItem* item);
  void OpenChosen();
  void Place();
  NodeRef RefOf(const QTreeWidgetItem* item) const;

  Application& app_;
  bool intake_;
  bool filled_ = false;
  bool placing_ = false;
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
};

}  // namespace orv
