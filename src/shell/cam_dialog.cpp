#include "shell/cam_dialog.h"

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <memory>
#include <stdexcept>

#include "app/application.h"
#include "app/cam_card_command.h"
#include "base/error_trace.h"
#include "base/text.h"
#include "engine/cam_card.h"
#include "engine/lobe_cards.h"
#include "shell/background_job.h"
#include "shell/command_runner.h"
#include "shell/folder_picker.h"
#include "shell/lobe_preview.h"
#include "shell/lobe_table_model.h"
#include "shell/qt_convert.h"

namespace orv {

namespace {

constexpr const char* kCamDialogModule = "frmCamSelect";
constexpr const char* kFirstInstruction = "Hit the Spacebar or Double Click to Select Lobes";
constexpr int kFillingText = 81;
constexpr int kFilledText = 82;

// The dialog's width on a wide screen (room for the table of cards beside its preview) and its
// margins on a narrow one, in pixels of a 96-dot screen (200 and 400 twips).
constexpr int kWideWidth = 960;
constexpr int kNarrowLeft = 13;
constexpr int kNarrowShrink = 27;

constexpr int kTopRole = Qt::UserRole;
constexpr int kChildRole = Qt::UserRole + 1;

// The table's rows reach the window in pieces of at most this many lobes, or of what was worked
// out in this many milliseconds, so that taking one in is a short step of the event loop.
constexpr std::size_t kPieceRows = 40;
constexpr qint64 kPieceMs = 40;
// The height of the table and its preview; the tree above takes what the dialog grows by.
constexpr int kTableHeight = 210;

std::pair<std::string, std::string> LobeKey(std::string_view file, std::string_view lobe) {
  return {std::string(Trim(file)), std::string(Trim(lobe))};
}

}  // namespace

CamDialog::CamDialog(Application& app, bool intake, QWidget* parent)
    : QDialog(parent), app_(app), intake_(intake), start_(app.CamDialogFolder()) {
  ETracker guard(kCamDialogModule, "LoadLBKFiles");
  setWindowTitle(intake ? "Intake Cam" : "Exhaust Cam");
  setObjectName("frmCamSelect");

  picker_ = new FolderPicker(this);

  tree_ = new QTreeWidget(this);
  tree_->setObjectName("tvwLobes");
  tree_->setHeaderHidden(true);
  tree_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  tree_->installEventFilter(this);

  instruction_ = new QLabel(kFirstInstruction, this);
  instruction_->setObjectName("lblInstruct");
  instruction_->setWordWrap(true);
  notes_ = new QLabel(this);
  notes_->setObjectName("lblLobeInfo");
  notes_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  notes_->setWordWrap(true);
  notes_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  notes_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The notes sit in a box of a fixed height (longer notes scroll), so that the lists above keep
  // their height when a lobe's notes appear, and take every pixel the dialog grows by.
  auto* notesBox = new QScrollArea(this);
  notesBox->setObjectName("notesBox");
  notesBox->setWidget(notes_);
  notesBox->setWidgetResizable(true);
  notesBox->setFrameShape(QFrame::NoFrame);
  notesBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  notesBox->setFixedHeight(notes_->fontMetrics().lineSpacing() * 5 + 8);

  open_ = new QPushButton("Open", this);
  open_->setObjectName("cmdOpen");
  open_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName("cmdCancel");
  hideAll_ = new QPushButton("Hide All", this);
  hideAll_->setObjectName("cmdHideAll");
  showAll_ = new QPushButton("Show All", this);
  showAll_->setObjectName("cmdShowAll");

  // The folder's lobes with their cards, and the preview of the ticked ones.
  const UnitMode mode = app.document().controller().unitMode();
  std::string why;
  const std::optional<CardHeights> heights = CardHeightsOf("", mode, why);
  model_ = new LobeTableModel(mode, heights ? heights->texts : std::vector<std::string>{}, this);
  sort_ = new LobeTableSort(this);
  sort_->setObjectName("lobeTableSort");
  sort_->setSourceModel(model_);
  table_ = new QTableView(this);
  table_->setObjectName("lobeTable");
  table_->setModel(sort_);
  table_->setSortingEnabled(true);
  table_->sortByColumn(-1, Qt::AscendingOrder);  // the folder's order until a column is clicked
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setTabKeyNavigation(false);
  table_->verticalHeader()->setVisible(false);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setMinimumSectionSize(20);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table_->installEventFilter(this);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("cardProgress");
  progress_->setRange(0, 1);
  progress_->setValue(0);
  status_ = new QLabel(this);
  status_->setObjectName("lblTableStatus");
  preview_ = new LobePreview(this);
  job_ = new BackgroundJob(this);

  auto* right = new QVBoxLayout;
  right->addWidget(instruction_);
  right->addWidget(tree_, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(picker_, 2);
  top->addLayout(right, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(hideAll_);
  buttons->addWidget(showAll_);
  buttons->addStretch(1);
  buttons->addWidget(open_);
  buttons->addWidget(cancel_);
  auto* tableColumn = new QVBoxLayout;
  tableColumn->addWidget(table_, 1);
  auto* progressRow = new QHBoxLayout;
  progressRow->addWidget(progress_, 1);
  progressRow->addWidget(status_, 2);
  tableColumn->addLayout(progressRow);
  auto* middle = new QHBoxLayout;
  middle->addLayout(tableColumn, 5);
  middle->addWidget(preview_, 3);
  auto* middleBox = new QWidget(this);
  middleBox->setLayout(middle);
  middle->setContentsMargins(0, 0, 0, 0);
  middleBox->setFixedHeight(kTableHeight);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(middleBox);
  layout->addWidget(notesBox);
  layout->addLayout(buttons);
  resize(kWideWidth, 600);
  setTabOrder(tree_, table_);
  ShowPreview();

  connect(picker_, &FolderPicker::folderChosen, this, &CamDialog::ChangeFolder);
  connect(tree_, &QTreeWidget::currentItemChanged, this, &CamDialog::SelectionChanged);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, &CamDialog::ConfirmNode);
  connect(open_, &QPushButton::clicked, this, &CamDialog::OpenChosen);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(hideAll_, &QPushButton::clicked, this, [this] {
    folder_.HideAll();
    SyncExpanded();
  });
  connect(showAll_, &QPushButton::clicked, this, [this] {
    folder_.ShowAll();
    SyncExpanded();
  });
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &CamDialog::TableRowChanged);
  connect(table_, &QTableView::doubleClicked, this, [this] {
    TableRowChanged();
    OpenChosen();
  });
  connect(model_, &LobeTableModel::ticksChanged, this, &CamDialog::ShowPreview);
  connect(model_, &LobeTableModel::tickRefused, this, [this] {
    status_->setText(tr("The preview shows six lobes at most: untick one first."));
    app_.prompter().Beep();
  });
  connect(job_, &BackgroundJob::progressed, this, [this](int done, int total) {
    progress_->setRange(0, std::max(total, 1));
    progress_->setValue(done);
  });
  connect(job_, &BackgroundJob::finished, this, [this](const QString& failure) {
    progress_->setValue(progress_->maximum());
    status_->setText(failure.isEmpty() ? QString() : failure);
  });
}

CamDialog::~CamDialog() { job_->CancelAndWait(); }

void CamDialog::done(int result) {
  // The cards are worked out no further once the dialog closes.
  job_->CancelAndWait();
  QDialog::done(result);
}

void CamDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Place();
  if (!filled_) {
    filled_ = true;
    QTimer::singleShot(0, this, &CamDialog::FirstFill);
  }
}

void CamDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Place();
}

// On a wide screen the dialog is 600 pixels wide and centred; on a narrower one it keeps a
// small margin at the left and is narrower than the screen. Vertically it is centred.
void CamDialog::Place() {
  if (placing_ || !isVisible()) return;
  const QScreen* screen = this->screen();
  if (screen == nullptr) return;
  placing_ = true;
  const QRect area = screen->availableGeometry();
  const int width = area.width() >= kWideWidth ? kWideWidth : area.width() - kNarrowShrink;
  const int left = area.width() >= kWideWidth ? area.left() + (area.width() - width) / 2
                                              : area.left() + kNarrowLeft;
  const int height = std::min(this->height(), area.height());
  setGeometry(left, area.top() + (area.height() - height) / 2, width, height);
  placing_ = false;
}

void CamDialog::FirstFill() {
  ETracker guard(kCamDialogModule, "Timer1_Timer");
  focusOnListing_ = true;
  ChangeFolder(start_);
}

void CamDialog::ChangeFolder(const std::filesystem::path& directory) {
  RunCommand(app_, kCamDialogModule, "dirList_Change", [&] {
    picker_->SetFolder(directory);
    instruction_->setText(ToQString(app_.strings().Misc(kFillingText)));
    StartListing(directory);
  });
}

void CamDialog::StartListing(const std::filesystem::path& directory) {
  // The work of the folder before (its listing or its cards) stops first.
  job_->CancelAndWait();
  listing_ = true;
  // Nothing of the folder before can be chosen while this one is listed.
  folder_ = CamFolder{};
  {
    const QSignalBlocker block(tree_);
    tree_->clear();
  }
  notes_->clear();
  model_->Clear();
  nodeOf_.clear();
  status_->clear();
  progress_->setFormat(tr("Listing the folder"));
  progress_->setRange(0, 1);
  progress_->setValue(0);
  job_->Start([this, directory](BackgroundJob::Control& job) {
    auto listed = std::make_shared<CamFolder>();
    std::exception_ptr failure;
    try {
      // A listing no longer wanted stops after the file it reads; what it raises is dropped
      // with the job's other results.
      listed->RefillLobeList(directory, [&job] { job.ThrowIfCancelled(); });
    } catch (...) {
      failure = std::current_exception();
    }
    job.Post([this, listed, failure] {
      listing_ = false;
      RunCommand(app_, kCamDialogModule, "dirList_Change", [&] {
        if (failure) {
          progress_->setFormat(tr("No lobes"));
          std::rethrow_exception(failure);
        }
        TakeListing(std::move(*listed));
      });
    });
  });
}

void CamDialog::TakeListing(CamFolder listed) {
  folder_ = std::move(listed);
  FillTree();
  if (!focusOnListing_) return;
  focusOnListing_ = false;
  // The keyboard starts in the lobes, or in the folders where this one lists none (and the folder
  // list shows where it is: a folder list without a current folder would take its first one on
  // the focus): the arrow keys then move through lobes or folders, never to another drive.
  if (tree_->topLevelItemCount() == 0 && picker_->folderList()->currentIndex().isValid()) {
    picker_->folderList()->setFocus();
  } else {
    tree_->setFocus();
  }
}

void CamDialog::FillTree() {
  tree_->setUpdatesEnabled(false);
  {
    const QSignalBlocker block(tree_);
    tree_->clear();
    const std::vector<LobeTreeNode>& nodes = folder_.nodes();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(nodes.size()));
    for (std::size_t t = 0; t < nodes.size(); ++t) {
      auto* item = new QTreeWidgetItem(QStringList{ToQString(nodes[t].text)});
      item->setData(0, kTopRole, static_cast<int>(t));
      item->setData(0, kChildRole, -1);
      for (std::size_t c = 0; c < nodes[t].children.size(); ++c) {
        auto* child = new QTreeWidgetItem(item, QStringList{ToQString(nodes[t].children[c].text)});
        child->setData(0, kTopRole, static_cast<int>(t));
        child->setData(0, kChildRole, static_cast<int>(c));
      }
      items.push_back(item);
    }
    tree_->addTopLevelItems(items);
    for (std::size_t t = 0; t < nodes.size(); ++t)
      items[static_cast<qsizetype>(t)]->setExpanded(nodes[t].expanded);
    if (!items.isEmpty()) tree_->setCurrentItem(items.front());
  }
  tree_->setUpdatesEnabled(true);
  SelectionChanged();
  instruction_->setText(ToQString(app_.strings().Misc(kFilledText)));
  // A folder that cannot be read lists nothing; the notes say why.
  if (!folder_.folderFailure().empty()) notes_->setText(ToQString(folder_.folderFailure()));
  StartCards();
}

// The cards of the folder's lobes, worked out off the window's thread from the files the tree
// lists, in the tree's order.
void CamDialog::StartCards() {
  job_->CancelAndWait();
  model_->Clear();
  status_->clear();
  nodeOf_.clear();
  const std::vector<LobeTreeNode>& nodes = folder_.nodes();
  int total = 0;
  for (std::size_t t = 0; t < nodes.size(); ++t) {
    const int top = static_cast<int>(t);
    if (nodes[t].children.empty()) {
      if (nodes[t].tag != 0) {
        nodeOf_[LobeKey(nodes[t].text, "")].push_back(NodeRef{top, -1});
        ++total;
      }
      continue;
    }
    for (std::size_t c = 0; c < nodes[t].children.size(); ++c) {
      nodeOf_[LobeKey(nodes[t].text, nodes[t].children[c].text)].push_back(
          NodeRef{top, static_cast<int>(c)});
      ++total;
    }
  }
  if (total == 0) {
    progress_->setFormat(tr("No lobes"));
    progress_->setRange(0, 1);
    progress_->setValue(1);
    return;
  }
  progress_->setFormat(tr("%v of %m lobes"));
  progress_->setRange(0, total);
  progress_->setValue(0);

  std::vector<std::filesystem::path> files;
  for (const auto* list : {&folder_.lobeDataFiles(), &folder_.s96Files(), &folder_.camDocFiles()})
    for (const std::string& name : *list) files.push_back(folder_.directory() / name);
  const UnitMode mode = app_.document().controller().unitMode();
  std::string why;
  const std::optional<CardHeights> heights = CardHeightsOf("", mode, why);
  if (!heights) return;
  LobePlacement placement;
  placement.side = intake_;
  placement.lobeSettings = true;
  job_->Start([this, files, total, mode, placement, inputs = app_.document().engine().inputs(),
               inches = CheckHeightsToInches(heights->values, mode)](BackgroundJob::Control& job) {
    std::vector<LobeCardRow> piece;
    int done = 0;
    QElapsedTimer clock;
    clock.start();
    auto hand = [&] {
      if (piece.empty()) return;
      job.Post([this, rows = std::move(piece)]() mutable { TakeCards(std::move(rows)); });
      piece.clear();
      job.Progress(done, total);
      clock.restart();
    };
    for (const std::filesystem::path& file : files) {
      if (job.cancelled()) return;
      LobeCardsOfFile(file, inputs, placement, inches, true, [&](LobeCardRow&& row) {
        if (row.card) row.card = CamCardInUnits(*row.card, mode);
        piece.push_back(std::move(row));
        ++done;
        if (piece.size() >= kPieceRows || clock.elapsed() >= kPieceMs) hand();
        return !job.cancelled();
      });
    }
    hand();
  });
}

// A piece of the table arrives on the window's thread.
void CamDialog::TakeCards(std::vector<LobeCardRow> rows) {
  std::vector<LobeTableRow> table;
  table.reserve(rows.size());
  for (LobeCardRow& row : rows) {
    const auto node = nodeOf_.find(LobeKey(row.file, row.lobe));
    // A file changed since the tree was filled may give lobes the tree does not hold.
    if (node == nodeOf_.end() || node->second.empty()) continue;
    const NodeRef ref = node->second.front();
    node->second.pop_front();
    table.push_back(LobeTableRow{std::move(row), ref});
  }
  const bool first = model_->rowCount() == 0;
  model_->Append(std::move(table));
  // The columns fit the first lobes; later pieces leave them as the user set them.
  if (first && model_->rowCount() > 0) table_->resizeColumnsToContents();
}

// The table's current row selects its lobe in the tree: the notes follow and Open takes it.
void CamDialog::TableRowChanged() {
  const QModelIndex current = sort_->mapToSource(table_->currentIndex());
  if (!current.isValid()) return;
  const NodeRef ref = model_->row(current.row()).node;
  QTreeWidgetItem* item =
      ref.top >= 0 && ref.top < tree_->topLevelItemCount() ? tree_->topLevelItem(ref.top) : nullptr;
  if (item != nullptr && ref.child >= 0) item = item->child(ref.child);
  if (item == nullptr) return;
  tree_->setCurrentItem(item);
  tree_->scrollToItem(item);
}

void CamDialog::ToggleTick() {
  const QModelIndex current = sort_->mapToSource(table_->currentIndex());
  if (!current.isValid()) return;
  model_->SetTicked(current.row(), !model_->ticked(current.row()));
}

void CamDialog::ShowPreview() {
  std::vector<const LobeTableRow*> lobes;
  for (const int r : model_->tickedRows()) lobes.push_back(&model_->row(r));
  preview_->Show(lobes, app_.document().controller().unitMode());
  if (static_cast<int>(lobes.size()) < kMaxPreviewLobes) status_->clear();
}

// Follows the folder's expanded marks after Hide All or Show All, keeping the selected node in
// view.
void CamDialog::SyncExpanded() {
  const std::vector<LobeTreeNode>& nodes = folder_.nodes();
  tree_->setUpdatesEnabled(false);
  for (int t = 0; t < tree_->topLevelItemCount() && t < static_cast<int>(nodes.size()); ++t) {
    tree_->topLevelItem(t)->setExpanded(nodes[static_cast<std::size_t>(t)].expanded);
  }
  tree_->setUpdatesEnabled(true);
  if (QTreeWidgetItem* current = tree_->currentItem()) tree_->scrollToItem(current);
}

NodeRef CamDialog::RefOf(const QTreeWidgetItem* item) const {
  if (item == nullptr) return {};
  return NodeRef{item->data(0, kTopRole).toInt(), item->data(0, kChildRole).toInt()};
}

void CamDialog::SelectionChanged() {
  RunCommand(app_, kCamDialogModule, "tvwLobes_NodeClick", [&] {
    folder_.Select(RefOf(tree_->currentItem()));
    folder_.ShowNotes();
    // A lobe file's notes are twelve fixed lines, mostly blank: the box shows the written ones.
    QString notes = ToQString(folder_.notes());
    while (!notes.isEmpty() && notes.back().isSpace()) notes.chop(1);
    notes_->setText(notes);
  });
}

void CamDialog::ConfirmNode(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  RunCommand(app_, kCamDialogModule, "TagLobe", [&] {
    tree_->setCurrentItem(item);
    const NodeRef ref = RefOf(item);
    if (folder_.TagLobe(ref)) {
      OpenChosen();
    } else {
      // A file node that groups lobes opens nothing; the core marked it expanded.
      if (const LobeTreeNode* node = folder_.Node(ref)) item->setExpanded(node->expanded);
    }
  });
}

bool CamDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space) {
      ConfirmNode(tree_->currentItem());
      return true;
    }
  }
  if (watched == table_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space) {
      ToggleTick();
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      TableRowChanged();
      OpenChosen();
      return true;
    }
  }
  if (watched == tree_ && event->type() == QEvent::KeyRelease) {
    // Every key in the tree refreshes the notes (the selection may have moved).
    SelectionChanged();
  }
  return QDialog::eventFilter(watched, event);
}

void CamDialog::OpenChosen() {
  const bool ran = RunCommand(app_, kCamDialogModule, "cmdOpen_Click", [&] {
    folder_.Select(RefOf(tree_->currentItem()));
    const std::optional<CamOpenResult> result = app_.OpenCamDialogChoice(intake_, folder_);
    accept();
    if (result) Q_EMIT sourceLoaded();
  });
  // A failed open may have replaced part of the lobe: the window redraws the sources.
  if (!ran) {
    accept();
    Q_EMIT sourceLoaded();
  }
}

}  // namespace orv
