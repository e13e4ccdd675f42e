#include "shell/cam_dialog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/application.h"
#include "base/error_trace.h"
#include "shell/folder_picker.h"

namespace orv {

namespace {

constexpr const char* kModule = "frmCamSelect";
constexpr const char* kFirstInstruction = "Hit the Spacebar or Double Click to Select Lobes";
constexpr int kFillingText = 81;
constexpr int kFilledText = 82;

// The dialog's width on a wide screen and its margins on a narrow one, in pixels of a
// 96-dot screen (9000, 200 and 400 twips).
constexpr int kWideWidth = 600;
constexpr int kNarrowLeft = 13;
constexpr int kNarrowShrink = 27;

constexpr int kTopRole = Qt::UserRole;
constexpr int kChildRole = Qt::UserRole + 1;

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CamDialog::CamDialog(Application& app, bool intake, QWidget* parent)
    : QDialog(parent), app_(app), intake_(intake), start_(app.CamDialogFolder()) {
  ETracker guard(kModule, "LoadLBKFiles");
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
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(notesBox);
  layout->addLayout(buttons);
  resize(kWideWidth, 460);

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
}

CamDialog::~CamDialog() = default;

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
  ETracker guard(kModule, "Timer1_Timer");
  ChangeFolder(start_);
  // The keyboard starts in the lobes, or in the folders where this one lists none (and the folder
  // list shows where it is: a folder list without a current folder would take its first one on
  // the focus): the arrow keys then move through lobes or folders, never to another drive.
  if (tree_->topLevelItemCount() == 0 && picker_->folderList()->currentIndex().isValid()) {
    picker_->folderList()->setFocus();
  } else {
    tree_->setFocus();
  }
}

void CamDialog::ChangeFolder(const std::filesystem::path& directory) {
  ETracker guard(kModule, "dirList_Change");
  try {
    picker_->SetFolder(directory);
    instruction_->setText(ToQ(app_.strings().Misc(kFillingText)));
    folder_.RefillLobeList(directory);
    FillTree();
  } catch (...) {
    app_.ReportError(guard);
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
      auto* item = new QTreeWidgetItem(QStringList{ToQ(nodes[t].text)});
      item->setData(0, kTopRole, static_cast<int>(t));
      item->setData(0, kChildRole, -1);
      for (std::size_t c = 0; c < nodes[t].children.size(); ++c) {
        auto* child = new QTreeWidgetItem(item, QStringList{ToQ(nodes[t].children[c].text)});
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
  instruction_->setText(ToQ(app_.strings().Misc(kFilledText)));
  // A folder that cannot be read lists nothing; the notes say why.
  if (!folder_.folderFailure().empty()) notes_->setText(ToQ(folder_.folderFailure()));
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
  ETracker guard(kModule, "tvwLobes_NodeClick");
  try {
    folder_.Select(RefOf(tree_->currentItem()));
    folder_.ShowNotes();
    // A lobe file's notes are twelve fixed lines, mostly blank: the box shows the written ones.
    QString notes = ToQ(folder_.notes());
    while (!notes.isEmpty() && notes.back().isSpace()) notes.chop(1);
    notes_->setText(notes);
  } catch (...) {
    app_.ReportError(guard);
  }
}

void CamDialog::ConfirmNode(QTreeWidgetItem* item) {
  ETracker guard(kModule, "TagLobe");
  if (item == nullptr) return;
  try {
    tree_->setCurrentItem(item);
    const NodeRef ref = RefOf(item);
    if (folder_.TagLobe(ref)) {
      OpenChosen();
    } else {
      // A file node that groups lobes opens nothing; the core marked it expanded.
      if (const LobeTreeNode* node = folder_.Node(ref)) item->setExpanded(node->expanded);
    }
  } catch (...) {
    app_.ReportError(guard);
  }
}

bool CamDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space) {
      ConfirmNode(tree_->currentItem());
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
  ETracker guard(kModule, "cmdOpen_Click");
  try {
    folder_.Select(RefOf(tree_->currentItem()));
    const std::optional<CamOpenResult> result = app_.OpenCamDialogChoice(intake_, folder_);
    accept();
    if (result) Q_EMIT sourceLoaded();
  } catch (...) {
    app_.ReportError(guard);
    accept();
    Q_EMIT sourceLoaded();
  }
}

}  // namespace orv
