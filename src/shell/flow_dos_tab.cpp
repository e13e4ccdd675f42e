#include "shell/flow_dos_tab.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QString>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "airflow/load_test.h"
#include "app/application.h"
#include "app/database_tab.h"
#include "base/folder_files.h"
#include "shell/background_job.h"
#include "shell/command_runner.h"
#include "shell/flow_tab_text.h"
#include "shell/folder_picker.h"

namespace orv {

namespace {

QTreeWidgetItem* NodeItem(const FlowTestNode& node, int top, int child) {
  auto* item = new QTreeWidgetItem(QStringList{FlowText(node.text)});
  item->setData(0, Qt::UserRole, top);
  item->setData(0, Qt::UserRole + 1, child);
  return item;
}

NodeRef RefOf(const QTreeWidgetItem* item) {
  if (item == nullptr) return {};
  return NodeRef{item->data(0, Qt::UserRole).toInt(), item->data(0, Qt::UserRole + 1).toInt()};
}

}  // namespace

FlowDosTab::FlowDosTab(Application& app, bool intake, QWidget* parent)
    : QWidget(parent), app_(app), intake_(intake) {
  setObjectName("pgDos");
  picker_ = new FolderPicker(this);
  picker_->setObjectName("dirDos");
  tree_ = new QTreeWidget(this);
  tree_->setObjectName("tvwTests");
  tree_->setHeaderHidden(true);
  notes_ = new QPlainTextEdit(this);
  notes_->setObjectName("txtDosNotes");
  notes_->setReadOnly(true);
  notes_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  notes_->setLineWrapMode(QPlainTextEdit::NoWrap);
  job_ = new BackgroundJob(this);
  auto* top = new QHBoxLayout;
  top->addWidget(picker_, 2);
  top->addWidget(tree_, 3);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 3);
  layout->addWidget(notes_, 2);

  connect(picker_, &FolderPicker::folderChosen, this, &FlowDosTab::ChangeFolder);
  connect(tree_, &QTreeWidget::currentItemChanged, this, &FlowDosTab::SelectionChanged);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    tree_->setCurrentItem(item);
    if (dos_.ChosenTest(RefOf(item))) Q_EMIT openRequested();
  });
  connect(job_, &BackgroundJob::finished, this, [this](const QString& failure) {
    // The listing raised an error: the tree stays empty and the notes say why.
    if (failure.isEmpty()) return;
    notes_->setPlainText(failure);
    app_.prompter().Warn(failure.toStdString(), kAppTitle);
  });
}

// A listing still running is stopped at its next file and waited for: nothing it found
// arrives once the tab is gone.
FlowDosTab::~FlowDosTab() { job_->CancelAndWait(); }

void FlowDosTab::Shown() {
  if (filled_) return;
  filled_ = true;
  const std::string saved = app_.settings().flowDosFolder;
  ChangeFolder(saved.empty() ? app_.folders().programFolder : std::filesystem::path(saved));
}

void FlowDosTab::ChangeFolder(const std::filesystem::path& folder) {
  RunCommand(app_, kFlowTestsForm, "dirDos_Change", [&] {
    filled_ = true;
    chosen_ = folder;
    picker_->SetFolder(folder);
    dos_ = DosFolder{};
    tree_->clear();
    notes_->setPlainText(FlowText(kReadingTestFilesNotice));
    job_->Start([this, folder](BackgroundJob::Control& control) {
      DosFolder listing;
      listing.Refill(folder, [&control] { control.ThrowIfCancelled(); });
      control.Post(
          [this, listing = std::move(listing)]() mutable { TakeListing(std::move(listing)); });
    });
  });
}

void FlowDosTab::StopListing() {
  if (!job_->busy()) return;
  job_->CancelAndWait();
  // The tree was never filled: showing the tab again lists the folder chosen last.
  filled_ = false;
}

bool FlowDosTab::listing() const noexcept { return job_->busy(); }

// The listing of the folder chosen last arrives on the window's thread.
void FlowDosTab::TakeListing(DosFolder listing) {
  RunCommand(app_, kFlowTestsForm, "dirDos_Change", [&] {
    dos_ = std::move(listing);
    FillTree();
  });
  Q_EMIT listed();
}

void FlowDosTab::FillTree() {
  tree_->setUpdatesEnabled(false);
  {
    const QSignalBlocker block(tree_);
    tree_->clear();
    QList<QTreeWidgetItem*> items;
    const std::vector<FlowTestNode>& nodes = dos_.nodes();
    for (std::size_t t = 0; t < nodes.size(); ++t) {
      QTreeWidgetItem* item = NodeItem(nodes[t], static_cast<int>(t), -1);
      for (std::size_t c = 0; c < nodes[t].children.size(); ++c) {
        item->addChild(NodeItem(nodes[t].children[c], static_cast<int>(t), static_cast<int>(c)));
      }
      items.push_back(item);
    }
    tree_->addTopLevelItems(items);
    tree_->expandAll();
    const NodeRef selected = dos_.selected();
    if (selected.top >= 0 && selected.top < tree_->topLevelItemCount()) {
      QTreeWidgetItem* item = tree_->topLevelItem(selected.top);
      if (selected.child >= 0 && selected.child < item->childCount())
        item = item->child(selected.child);
      tree_->setCurrentItem(item);
    }
  }
  tree_->setUpdatesEnabled(true);
  // A folder that cannot be read lists nothing; the notes say why.
  notes_->setPlainText(
      FlowText(dos_.folderFailure().empty() ? dos_.notes() : dos_.folderFailure()));
}

void FlowDosTab::SelectionChanged() {
  RunCommand(app_, kFlowTestsForm, "tvwTests_NodeClick", [&] {
    dos_.Select(RefOf(tree_->currentItem()));
    notes_->setPlainText(FlowText(dos_.notes()));
  });
}

bool FlowDosTab::Open(const std::function<void()>& dropTypedPoints) {
  const std::optional<FlowTestChoice> choice = dos_.ChosenTest(RefOf(tree_->currentItem()));
  if (!choice) return false;
  dropTypedPoints();
  std::int32_t kind = choice->kind;
  const FlowError err = app_.document().LoadFlowTest(intake_, choice->path, choice->testName, kind);
  if (err != FlowError::Ok) {
    app_.prompter().Warn(FlowLoadFailureText(choice->path, err), kAppTitle);
    return false;
  }
  return true;
}

void FlowDosTab::SaveSettings(Settings& settings) const {
  if (!chosen_.empty()) settings.flowDosFolder = FolderWithSeparator(chosen_);
}

}  // namespace orv
