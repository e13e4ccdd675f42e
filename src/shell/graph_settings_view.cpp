#include "shell/graph_settings_view.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/application.h"
#include "base/error_trace.h"
#include "files/interface_text_ids.h"
#include "shell/command_runner.h"
#include "shell/focus_help.h"
#include "shell/qt_convert.h"

namespace orv {

namespace {

constexpr const char* kGraphSettingsModule = "frmMain";
constexpr const char* kColourDialogTitle = "Graph Background Color";
// Help texts of the instruction panel: the check boxes 38..41, the background buttons 43 and
// 44, the scale choices 65 and 66; a box shows the help text of its own number.
constexpr int kHelpFirstCheck = 38;
constexpr int kHelpBackground = 43;
constexpr int kHelpReset = 44;
constexpr int kHelpLeftScale = 65;
constexpr int kHelpRightScale = 66;
// The graph check boxes and colour buttons are items 1..6 of their choice group.
constexpr int kItemBackground = 5;
constexpr int kItemReset = 6;

}  // namespace

GraphSettingsView::GraphSettingsView(Application& app, QWidget* parent)
    : View(app, parent), model_(app.graph().model()) {
  auto* layout = new QHBoxLayout(this);

  // The eight scales: maximum and minimum boxes.
  auto* scales = new QGroupBox(this);
  auto* grid = new QGridLayout(scales);
  maximumLabel_ = new QLabel(scales);
  minimumLabel_ = new QLabel(scales);
  grid->addWidget(maximumLabel_, 0, 1);
  grid->addWidget(minimumLabel_, 0, 2);
  for (int scale = 1; scale <= kGraphScaleCount; ++scale) {
    auto* label = new QLabel(scales);
    scaleLabels_[static_cast<std::size_t>(scale - 1)] = label;
    grid->addWidget(label, scale, 0);
    for (int first : {kInScaleMaximum1, kInScaleMinimum1}) {
      const int n = first + scale - 1;
      auto* edit = new QLineEdit(scales);
      edit->setAlignment(Qt::AlignRight);
      edit->setMaximumWidth(120);
      boxes_[n] = edit;
      helpOf_[edit] = n;
      grid->addWidget(edit, scale, first == kInScaleMaximum1 ? 1 : 2);
      connect(edit, &QLineEdit::editingFinished, this, [this, n] { EnterBox(n); });
    }
  }
  grid->setRowStretch(kGraphScaleCount + 1, 1);
  layout->addWidget(scales);

  // The axes, the graph setting number, the check boxes and the background.
  auto* side = new QVBoxLayout;
  auto* axes = new QGridLayout;
  left_ = new QComboBox(this);
  right_ = new QComboBox(this);
  left_->setObjectName(QStringLiteral("cmbLeftScale"));
  right_->setObjectName(QStringLiteral("cmbRightScale"));
  leftLabel_ = new QLabel(this);
  rightLabel_ = new QLabel(this);
  settingLabel_ = new QLabel(this);
  axes->addWidget(leftLabel_, 0, 0);
  axes->addWidget(left_, 0, 1);
  axes->addWidget(rightLabel_, 1, 0);
  axes->addWidget(right_, 1, 1);
  auto* panelNumber = new QLineEdit(this);
  panelNumber->setMaximumWidth(60);
  // The number is kept in the configuration for the settings of earlier versions, but this
  // graph has nothing it selects: shown, not typed.
  panelNumber->setEnabled(false);
  panelNumber->setToolTip(tr(kGraphSettingTip));
  boxes_[kInGraphPanelNumber] = panelNumber;
  helpOf_[panelNumber] = kInGraphPanelNumber;
  axes->addWidget(settingLabel_, 2, 0);
  axes->addWidget(panelNumber, 2, 1, Qt::AlignLeft);
  connect(panelNumber, &QLineEdit::editingFinished, this,
          [this] { EnterBox(kInGraphPanelNumber); });
  helpOf_[left_] = kHelpLeftScale;
  helpOf_[right_] = kHelpRightScale;
  side->addLayout(axes);

  for (int i = 0; i < 4; ++i) {
    auto* box = new QCheckBox(this);
    box->setObjectName(QStringLiteral("chkGraph%1").arg(i));
    checks_[static_cast<std::size_t>(i)] = box;
    helpOf_[box] = kHelpFirstCheck + i;
    side->addWidget(box);
    connect(box, &QCheckBox::toggled, this, [this, i](bool on) {
      if (filling_) return;
      Settings& s = this->app().EditSettings();
      bool* flags[] = {&s.gridLines, &s.cursorLinesShown, &s.thickLines, &s.twoScales};
      *flags[i] = on;
      Done();
    });
  }

  auto* colour = new QGroupBox(this);
  colourBox_ = colour;
  auto* colourRow = new QHBoxLayout(colour);
  swatch_ = new QFrame(colour);
  swatch_->setFrameShape(QFrame::Box);
  swatch_->setFixedSize(36, 22);
  swatch_->setAutoFillBackground(true);
  background_ = new QPushButton(colour);
  reset_ = new QPushButton(colour);
  background_->setObjectName(QStringLiteral("cmdBackground"));
  reset_->setObjectName(QStringLiteral("cmdReset"));
  helpOf_[background_] = kHelpBackground;
  helpOf_[reset_] = kHelpReset;
  colourRow->addWidget(swatch_);
  colourRow->addWidget(background_);
  colourRow->addWidget(reset_);
  side->addWidget(colour);
  side->addStretch(1);
  layout->addLayout(side);
  layout->addStretch(1);
  connect(background_, &QPushButton::clicked, this, &GraphSettingsView::ChooseBackground);
  connect(reset_, &QPushButton::clicked, this, &GraphSettingsView::ResetBackground);

  connect(left_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_ || index < 0) return;
    this->app().EditSettings().leftScale = static_cast<std::int16_t>(index + 1);
    Done();
  });
  connect(right_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_ || index < 0) return;
    this->app().EditSettings().rightScale = static_cast<std::int16_t>(index + 1);
    Done();
  });

  auto* focusHelp = new FocusHelp(this);
  for (const auto& [control, help] : helpOf_) focusHelp->Watch(control, help);
  connect(focusHelp, &FocusHelp::helpWanted, this, [this](int help) {
    Q_EMIT helpTextChanged(ToQString(this->app().strings().Help(help)));
  });
  FillFromSettings();
}

void GraphSettingsView::Refresh(const ChangedAreas& changed) {
  // The interface texts are read at start-up, after the view was made.
  ShowCaptions();
  if (changed.settings) FillFromSettings();
}

void GraphSettingsView::ShowCaptions() {
  const InterfaceStrings& texts = app().strings();
  maximumLabel_->setText(ToQString(texts.Label(kLabelScaleMaximum)));
  minimumLabel_->setText(ToQString(texts.Label(kLabelScaleMinimum)));
  leftLabel_->setText(ToQString(texts.Label(kLabelLeftScale)));
  rightLabel_->setText(ToQString(texts.Label(kLabelRightScale)));
  settingLabel_->setText(ToQString(texts.Label(kLabelGraphSetting)));
  for (int i = 0; i < 4; ++i) {
    checks_[static_cast<std::size_t>(i)]->setText(ToQString(texts.Item(kItemsGraphChecks, i + 1)));
  }
  colourBox_->setTitle(ToQString(texts.Label(kLabelBackground)));
  background_->setText(ToQString(texts.Item(kItemsGraphChecks, kItemBackground)));
  reset_->setText(ToQString(texts.Item(kItemsGraphChecks, kItemReset)));
}

void GraphSettingsView::FillFromSettings() {
  RunCommand(app(), kGraphSettingsModule, "G_FillGraphSettings", [&] {
    filling_ = true;
    for (auto& [n, edit] : boxes_) {
      // A box being typed in keeps the user's text until it is left.
      if (edit->hasFocus() && edit->isModified()) continue;
      edit->setText(ToQString(model_.BoxText(n)));
      edit->setModified(false);
    }
    for (int scale = 1; scale <= kGraphScaleCount; ++scale) {
      const std::string caption = model_.ScaleCaption(scale);
      scaleLabels_[static_cast<std::size_t>(scale - 1)]->setText(
          tr("Scale %1 (%2)").arg(scale).arg(ToQString(caption)));
    }
    const GraphWindowSpecs specs = model_.WindowSpecs();
    for (QComboBox* choice : {left_, right_}) {
      const QSignalBlocker block(choice);
      choice->clear();
      for (int scale = 1; scale <= kGraphScaleCount; ++scale) {
        choice->addItem(tr("%1: %2").arg(scale).arg(ToQString(model_.ScaleCaption(scale))));
      }
    }
    {
      const QSignalBlocker blockLeft(left_);
      const QSignalBlocker blockRight(right_);
      left_->setCurrentIndex(specs.left.scale - 1);
      right_->setCurrentIndex(specs.right.scale - 1);
    }
    const bool flags[] = {specs.gridLines, specs.cursorLinesShown, specs.thickLines,
                          specs.twoScales};
    for (std::size_t i = 0; i < checks_.size(); ++i) {
      const QSignalBlocker block(checks_[i]);
      checks_[i]->setChecked(flags[i]);
    }
    QPalette palette = swatch_->palette();
    palette.setColor(QPalette::Window, ColourOf(specs.background));
    swatch_->setPalette(palette);
  });
  filling_ = false;
}

void GraphSettingsView::EnterBox(int n) {
  const auto found = boxes_.find(n);
  if (found == boxes_.end() || filling_) return;
  QLineEdit* edit = found->second;
  RunCommand(app(), kGraphSettingsModule, "txtInput_LostFocus", [&] {
    const bool changed = model_.EnterBox(n, edit->text().toStdString());
    edit->setText(ToQString(model_.BoxText(n)));
    edit->setModified(false);
    if (changed) Done();
  });
}

bool GraphSettingsView::CanLeave() {
  // The box being typed in is taken over first.
  for (auto& [n, edit] : boxes_) {
    if (edit->isModified()) EnterBox(n);
  }
  const std::optional<ScaleProblem> problem = model_.CheckScales();
  if (problem) {
    warningShown_ = true;
    Q_EMIT warningLineChanged(ToQString(app().strings().Misc(problem->message)), true);
    box(problem->box).setFocus();
    box(problem->box).selectAll();
    return false;
  }
  if (warningShown_) {
    warningShown_ = false;
    Q_EMIT warningLineChanged(QString(), false);
  }
  return true;
}

void GraphSettingsView::ChooseBackground() {
  if (colourDialog_ == nullptr) {
    colourDialog_ = new QColorDialog(this);
    colourDialog_->setObjectName(QStringLiteral("dlgColour"));
    colourDialog_->setWindowTitle(QString::fromUtf8(kColourDialogTitle));
    connect(colourDialog_, &QColorDialog::colorSelected, this, &GraphSettingsView::SetBackground);
  }
  colourDialog_->setCurrentColor(ColourOf(app().settings().graphBackground));
  colourDialog_->open();
}

void GraphSettingsView::SetBackground(const QColor& colour) {
  if (!colour.isValid()) return;
  app().EditSettings().graphBackground = RgbOf(colour);
  FillFromSettings();
  Done();
}

void GraphSettingsView::ResetBackground() {
  app().EditSettings().graphBackground = app().windowBackground();
  FillFromSettings();
  Done();
}

void GraphSettingsView::Done() { Q_EMIT commandDone(); }

}  // namespace orv
