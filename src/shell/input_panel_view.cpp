#include "shell/input_panel_view.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "engine/input_panel.h"
#include "files/interface_text_ids.h"
#include "files/output_captions.h"
#include "shell/focus_help.h"
#include "shell/input_widgets.h"
#include "shell/qt_convert.h"

namespace orv {

namespace {

// Grid columns of an input row.
enum Column { kColLabel = 0, kColBox, kColUnit, kColStatus, kColSuggestion };

// Help text shown while nothing in particular has the focus (tab strips, buttons).
constexpr int kGeneralHelp = -1;
constexpr int kHelpAirOrRpm = 67;
constexpr int kInputsWithStatus = 28;  // inputs 0..27; input 28 is kept, not typed

const QColor kDisabledLabelColour(128, 128, 128);

}  // namespace

InputPanelView::InputPanelView(Application& app, QWidget* parent) : QWidget(parent), app_(app) {
  connect(focusHelp_, &FocusHelp::helpWanted, this, &InputPanelView::AskHelp);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  stageTabs_ = new QTabWidget(this);
  stageTabs_->setObjectName(QStringLiteral("stageTabs"));
  stageTabs_->addTab(BuildStage(0, 12), QString());
  stageTabs_->addTab(BuildStage(13, 28), QString());
  layout->addWidget(stageTabs_);
  WatchFocus(stageTabs_->tabBar(), kGeneralHelp);
  connect(stageTabs_, &QTabWidget::currentChanged, this, &InputPanelView::stageChosen);

  // Approve All sits beside the stage tabs, where it takes no row of its own; the warning takes
  // a row only while it is shown.
  auto* bottom = new QHBoxLayout;
  approveAll_ = new QPushButton(this);
  approveAll_->setObjectName(QStringLiteral("approveAll"));
  WatchFocus(approveAll_, kGeneralHelp);
  connect(approveAll_, &QPushButton::clicked, this, [this] { Q_EMIT approveAllClicked(stage()); });
  noCalcWarning_ = new QLabel(QString::fromLatin1(kNoCalcWarning), this);
  noCalcWarning_->setObjectName(QStringLiteral("noCalcWarning"));
  noCalcWarning_->setStyleSheet(TextColourStyle(QColor(200, 0, 0), this) +
                                QStringLiteral(" font-weight: bold;"));
  noCalcWarning_->setVisible(false);
  stageTabs_->setCornerWidget(approveAll_, Qt::TopRightCorner);
  // In the Tab order Approve All follows the last input of the stage shown (the other stage's
  // inputs are hidden and skipped), as the step after typing them.
  setTabOrder(boxes_[kInBowlA], approveAll_);
  noCalcWarning_->setWordWrap(true);
  bottom->addWidget(noCalcWarning_, 1);
  layout->addLayout(bottom);
}

int InputPanelView::stage() const { return stageTabs_->currentIndex(); }

QWidget* InputPanelView::BuildStage(int first, int last) {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(6, 4, 4, 2);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(0);
  grid->setColumnStretch(kColSuggestion, 1);
  int row = 0;
  for (int n = first; n <= last; ++n) {
    if (n == 21) {
      // The option pair deciding which of inputs 21 and 22 is typed, above the two.
      airOrRpm_ = new QButtonGroup(this);
      auto* pair = new QHBoxLayout;
      for (int i = 0; i < 2; ++i) {
        auto* button = new QRadioButton(page);
        button->setObjectName(QStringLiteral("airOrRpm_%1").arg(i));
        airOrRpm_->addButton(button, i);
        airOrRpmButtons_[static_cast<std::size_t>(i)] = button;
        WatchFocus(button, kHelpAirOrRpm);
        pair->addWidget(button);
      }
      pair->addStretch(1);
      grid->addLayout(pair, row++, kColLabel, 1, kColSuggestion + 1);
      connect(airOrRpm_, &QButtonGroup::idClicked, this, &InputPanelView::airOrRpmChosen);
    }
    AddRow(grid, row++, n);
  }
  grid->setRowStretch(row, 1);
  return page;
}

void InputPanelView::AddRow(QGridLayout* grid, int row, int n) {
  const auto i = static_cast<std::size_t>(n);
  QWidget* page = grid->parentWidget();
  labels_[i] = new QLabel(page);
  labels_[i]->setObjectName(QStringLiteral("label_%1").arg(n));
  grid->addWidget(labels_[i], row, kColLabel);

  if (n == kInVTType || n == kInFuel) {
    auto* list = new QComboBox(page);
    list->setObjectName(n == kInVTType ? QStringLiteral("valveTrainList")
                                       : QStringLiteral("fuelList"));
    WatchFocus(list, n);
    grid->addWidget(list, row, kColBox, 1, 2);
    if (n == kInVTType) {
      valveTrain_ = list;
      connect(list, &QComboBox::activated, this, &InputPanelView::valveTrainChosen);
    } else {
      fuel_ = list;
      connect(list, &QComboBox::activated, this, &InputPanelView::fuelChosen);
    }
    labels_[i]->setBuddy(list);
  } else {
    auto* box = new InputBox(n, page);
    box->setFixedWidth(66);
    boxes_[i] = box;
    labels_[i]->setBuddy(box);
    grid->addWidget(box, row, kColBox);
    if (n == kInPcntDrop) {
      // Kept and saved, never typed: shown as a read-only value, out of the Tab order.
      box->setReadOnly(true);
      box->setFocusPolicy(Qt::NoFocus);
      QPalette palette = box->palette();
      palette.setColor(QPalette::Base, palette.color(QPalette::Window));
      box->setPalette(palette);
    } else {
      WatchFocus(box, n);
      connect(box, &InputBox::left, this,
              [this, box](int input) { Q_EMIT boxLeft(input, box->text()); });
      connect(box, &InputBox::enterPressed, this,
              [this, box](int input) { Q_EMIT boxEnter(input, box->text()); });
    }
    units_[i] = new QLabel(page);
    units_[i]->setObjectName(QStringLiteral("unit_%1").arg(n));
    grid->addWidget(units_[i], row, kColUnit);
  }
  if (n < kInputsWithStatus) {
    statuses_[i] = new StatusButton(n, page);
    grid->addWidget(statuses_[i], row, kColStatus);
    connect(statuses_[i], &QToolButton::clicked, this, [this, n] { Q_EMIT statusClicked(n); });
  }
  if (InputPanel::HasSuggestionLabel(n)) {
    suggestions_[i] = new QLabel(page);
    suggestions_[i]->setObjectName(QStringLiteral("suggestion_%1").arg(n));
    suggestions_[i]->setStyleSheet(TextColourStyle(QColor(0, 0, 160), page));
    grid->addWidget(suggestions_[i], row, kColSuggestion);
  }
}

void InputPanelView::WatchFocus(QWidget* widget, int helpText) {
  focusHelp_->Watch(widget, helpText);
}

void InputPanelView::AskHelp(int help) {
  // Box 24 takes the injection lead time in diesel and then has the lead time's help.
  if (help == kInAdvance && app_.document().engine().inputs().Fuel == kFuelDiesel)
    help = kLabelLeadTime;
  Q_EMIT helpWanted(help);
}

void InputPanelView::ShowCaptions() {
  const InterfaceStrings& s = app_.strings();
  stageTabs_->setTabText(0, ToQString(s.Tab(kTabsStage, 1)));
  stageTabs_->setTabText(1, ToQString(s.Tab(kTabsStage, 2)));
  approveAll_->setText(ToQString(s.Label(kLabelApproveAll)));
  for (int k = 0; k < 3; ++k) {
    const QSignalBlocker b1(valveTrain_), b2(fuel_);
    if (valveTrain_->count() <= k) valveTrain_->addItem(QString());
    if (fuel_->count() <= k) fuel_->addItem(QString());
    valveTrain_->setItemText(k, ToQString(s.Item(kItemsValveTrain, k + 1)));
    fuel_->setItemText(k, ToQString(s.Item(kItemsFuel, k + 1)));
  }
  for (std::size_t k = 0; k < airOrRpmButtons_.size(); ++k)
    airOrRpmButtons_[k]->setText(ToQString(s.Item(kItemsAirOrRpm, static_cast<int>(k) + 1)));
  ShowInputs();
}

void InputPanelView::ShowInputs() {
  const InputController& controller = app_.document().controller();
  const InputPanel& panel = controller.panel();
  const InterfaceStrings& s = app_.strings();
  const bool diesel = controller.engine().inputs().Fuel == kFuelDiesel;
  for (int n = 0; n < kInputs; ++n) {
    const auto i = static_cast<std::size_t>(n);
    labels_[i]->setText(n == kInAdvance ? ToQString(panel.label24) : ToQString(s.Label(n)));
    QPalette palette = labels_[i]->palette();
    palette.setColor(QPalette::WindowText, panel.disabledColour[i]
                                               ? kDisabledLabelColour
                                               : this->palette().color(QPalette::WindowText));
    labels_[i]->setPalette(palette);
    if (InputBox* b = boxes_[i]) {
      // A box the user is typing in keeps the typed text until it is left; a box whose text
      // stays keeps its selection (a value selected for typing over stays selected).
      const QString shown = ToQString(panel.text[i]);
      if (!b->isModified() && b->text() != shown) b->setText(shown);
      if (n == kInIntCFM) b->setEnabled(panel.boxEnabled21);
      if (n == kInPkPwrRPM) b->setEnabled(panel.boxEnabled22);
    }
    if (units_[i])
      units_[i]->setText(
          ToQString(UnitCaption(s, InputUnitText(n, diesel), controller.unitMode())));
    if (statuses_[i]) statuses_[i]->ShowStatus(panel.status[i]);
    if (suggestions_[i]) suggestions_[i]->setText(ToQString(panel.suggestion[i]));
  }
  {
    const QSignalBlocker b1(valveTrain_), b2(fuel_);
    valveTrain_->setCurrentIndex(panel.valveTrainIndex);
    fuel_->setCurrentIndex(panel.fuelIndex);
  }
  airOrRpmButtons_[panel.boxEnabled21 ? 0 : 1]->setChecked(true);
  noCalcWarning_->setVisible(panel.warningVisible);
  {
    // The second stage opens only when the core says so; a closed stage is left for the first.
    // The stage shown follows the output page of the core, which goes back to the first when
    // another engine is opened.
    const QSignalBlocker block(stageTabs_);
    stageTabs_->setTabEnabled(1, panel.stage2Enabled);
    if (!panel.stage2Enabled || controller.outputPage() == 0) stageTabs_->setCurrentIndex(0);
  }
}

}  // namespace orv
