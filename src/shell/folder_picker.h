#pragma once

#include <QWidget>
#include <filesystem>

class QComboBox;
class QFileSystemModel;
class QTimer;
class QTreeView;

namespace orv {

// The drive list and the folder list of the selection dialogs: the mounted volumes in a list,
// the folders of the chosen volume in a tree. Choosing a volume or a folder emits
// `folderChosen`; `SetFolder` moves both lists without emitting it.
class FolderPicker final : public QWidget {
  Q_OBJECT

 public:
  explicit FolderPicker(QWidget* parent = nullptr);

  void SetFolder(const std::filesystem::path& folder);
  const std::filesystem::path& folder() const noexcept { return folder_; }

  QComboBox* driveList() const noexcept { return drives_; }
  QTreeView* folderList() const noexcept { return folders_; }

 Q_SIGNALS:
  void folderChosen(const std::filesystem::path& folder);

 private:
  void Choose(const std::filesystem::path& folder);
  // Opens the folder list down to the folder, selects it and scrolls to it.
  void Reveal();

  std::filesystem::path folder_;
  QComboBox* drives_ = nullptr;
  QFileSystemModel* model_ = nullptr;
  QTreeView* folders_ = nullptr;
  QTimer* reveal_ = nullptr;
};

}  // namespace orv
