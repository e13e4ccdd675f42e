#include "shell/folder_picker.h"

#include <QComboBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace orv {

namespace {
constexpr int kRevealDelayMs = 200;
}  // namespace

FolderPicker::FolderPicker(QWidget* parent) : QWidget(parent) {
  drives_ = new QComboBox(this);
  drives_->setObjectName("drvBox");
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && volume.isReady()) drives_->addItem(volume.rootPath());
  }
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QString());
  folders_ = new QTreeView(this);
  folders_->setObjectName("dirList");
  folders_->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) folders_->hideColumn(c);
  folders_->header()->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(drives_);
  layout->addWidget(folders_, 1);

  connect(drives_, &QComboBox::activated, this, [this](int index) {
    if (index >= 0) Choose(drives_->itemText(index).toStdString());
  });
  connect(folders_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) {
            const QString path = model_->filePath(index);
            if (!path.isEmpty()) Choose(path.toStdString());
          });
  // The model lists a folder's subfolders as they are read, away from the window's thread:
  // once a folder on the way down has been read, the folder is shown again, so that it is
  // neither scrolled away nor left closed.
  // The read rows arrive in batches and are sorted after the read ends, hence the short wait.
  reveal_ = new QTimer(this);
  reveal_->setSingleShot(true);
  reveal_->setInterval(kRevealDelayMs);
  connect(reveal_, &QTimer::timeout, this, &FolderPicker::Reveal);
  connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
    const QString path = QString::fromStdString(folder_.string());
    if (!folder_.empty() && path.startsWith(loaded)) reveal_->start();
  });
}

void FolderPicker::Choose(const std::filesystem::path& folder) {
  if (folder == folder_) return;
  SetFolder(folder);
  Q_EMIT folderChosen(folder_);
}

void FolderPicker::SetFolder(const std::filesystem::path& folder) {
  folder_ = folder;
  const QString path = QString::fromStdString(folder.string());
  const int drive = drives_->findText(QStorageInfo(path).rootPath());
  if (drive >= 0) drives_->setCurrentIndex(drive);
  Reveal();
}

void FolderPicker::Reveal() {
  const QModelIndex index = model_->index(QString::fromStdString(folder_.string()));
  if (index.isValid()) {
    const QSignalBlocker block(folders_->selectionModel());
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
      folders_->expand(parent);
    }
    folders_->setCurrentIndex(index);
    folders_->scrollTo(index);
  }
}

}  // namespace orv
