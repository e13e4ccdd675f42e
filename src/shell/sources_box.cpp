#include "shell/sources_box.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "app/cam_card_command.h"
#include "engine/cam_card.h"
#include "files/interface_text_ids.h"
#include "files/output_captions.h"
#include "files/source_captions.h"
#include "shell/focus_help.h"
#include "shell/input_widgets.h"
#include "shell/qt_convert.h"

namespace orv {

namespace {

// Help texts of the four Edit buttons.
constexpr std::array<int, 4> kEditHelp = {28, 32, 36, 37};

// One line of a lobe's card: its maximum lift, and its duration and centerline at 0.050 in
// (1.27 mm), "–" where a figure does not exist.
QString CompactCard(const std::optional<CamCard>& card, UnitMode mode) {
  const QString dash = QString::fromUtf8("\xe2\x80\x93");
  if (!card) return dash;
  const bool english = mode == UnitMode::English;
  auto number = [&dash](const std::optional<double>& v, int decimals) {
    return v ? QString::number(*v, 'f', decimals) : dash;
  };
  // The 0.050 in check of the default heights is the second.
  const CamCheck* mid = card->checks.size() > 1 ? &card->checks[1] : nullptr;
  return QStringLiteral("Lift %1 %2 at %3 deg, duration %4 deg at %5, centerline %6 deg")
      .arg(number(card->maxLift, english ? 4 : 3), english ? QStringLiteral("in") : "mm",
           number(card->maxLiftAngle, 1), number(mid ? mid->duration : std::nullopt, 1),
           english ? QStringLiteral("0.050 in") : QStringLiteral("1.27 mm"),
           number(card->centerline, 1));
}

}  // namespace

SourcesBox::SourcesBox(Application& app, QWidget* parent) : QGroupBox(parent), app_(app) {
  connect(focusHelp_, &FocusHelp::helpWanted, this, &SourcesBox::helpWanted);
  setObjectName(QStringLiteral("sourcesBox"));
  // One line per cam: name, file, Edit, then its three settings; the two flow tests share the
  // last line.
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(2);
  grid->setColumnStretch(1, 1);
  auto* flows = new QHBoxLayout;
  flows->setSpacing(6);
  auto* cardRow = new QHBoxLayout;
  cardRow->setSpacing(12);
  grid->addLayout(cardRow, 2, 0, 1, 12);
  for (int source = 0; source < 4; ++source) {
    const auto i = static_cast<std::size_t>(source);
    names_[i] = new QLabel(this);
    captions_[i] = new ElidedLabel(Qt::ElideMiddle, 160, this);
    captions_[i]->setObjectName(QStringLiteral("sourceCaption_%1").arg(source));
    captions_[i]->setFrameShape(QFrame::StyledPanel);
    edits_[i] = new QPushButton(this);
    edits_[i]->setObjectName(QStringLiteral("edit_%1").arg(source));
    focusHelp_->Watch(edits_[i], kEditHelp[i]);
    connect(edits_[i], &QPushButton::clicked, this,
            [this, source] { Q_EMIT editSourceRequested(source); });
    // A line for each cam, then a line with the card of each lobe, then the flow tests.
    const int row = source < 2 ? source : 3;
    if (source == 3) {
      flows->addWidget(names_[i]);
      flows->addWidget(captions_[i], 1);
      flows->addWidget(edits_[i]);
      grid->addLayout(flows, row, 3, 1, 9);
      continue;
    }
    grid->addWidget(names_[i], row, 0);
    grid->addWidget(captions_[i], row, 1);
    grid->addWidget(edits_[i], row, 2);
    if (source == 2) continue;
    // The lobe's card in one line, the two side by side under the cams; the whole card on hover.
    cards_[i] = new ElidedLabel(Qt::ElideRight, 160, this);
    cards_[i]->setObjectName(QStringLiteral("cardLine_%1").arg(source));
    cardRow->addWidget(cards_[i], 1);
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t s = i * 3 + k;
      const int n = kSettings[s];
      const int column = 3 + static_cast<int>(k) * 3;
      settingLabels_[s] = new QLabel(this);
      settingBoxes_[s] = new InputBox(n, this);
      settingBoxes_[s]->setFixedWidth(64);
      focusHelp_->Watch(settingBoxes_[s], n);
      settingLabels_[s]->setBuddy(settingBoxes_[s]);
      settingUnits_[s] = new QLabel(this);
      settingUnits_[s]->setObjectName(QStringLiteral("unit_%1").arg(n));
      InputBox* box = settingBoxes_[s];
      connect(box, &InputBox::left, this,
              [this, box](int input) { Q_EMIT boxLeft(input, box->text()); });
      connect(box, &InputBox::enterPressed, this,
              [this, box](int input) { Q_EMIT boxEnter(input, box->text()); });
      grid->addWidget(settingLabels_[s], row, column, Qt::AlignRight);
      grid->addWidget(settingBoxes_[s], row, column + 1);
      grid->addWidget(settingUnits_[s], row, column + 2);
    }
  }
}

InputBox* SourcesBox::box(int n) const {
  for (std::size_t s = 0; s < kSettings.size(); ++s) {
    if (kSettings[s] == n) return settingBoxes_[s];
  }
  return nullptr;
}

void SourcesBox::ShowCaptions() {
  const InterfaceStrings& s = app_.strings();
  setTitle(ToQString(s.Label(kLabelSourcesFrame)));
  for (std::size_t i = 0; i < 4; ++i) {
    names_[i]->setText(ToQString(SourceLabel(s, static_cast<SourceNo>(i))));
    edits_[i]->setText(ToQString(s.Label(kLabelEdit)));
  }
  const UnitMode mode = app_.document().controller().unitMode();
  for (std::size_t k = 0; k < kSettings.size(); ++k) {
    settingLabels_[k]->setText(ToQString(s.Label(kSettings[k])));
    settingUnits_[k]->setText(ToQString(UnitCaption(s, InputUnitText(kSettings[k], false), mode)));
  }
  ShowSources();
  ShowCamSettings();
}

void SourcesBox::ShowSources() {
  const EngineInputs& inputs = app_.document().engine().inputs();
  for (std::size_t i = 0; i < 4; ++i) {
    QString text = ToQString(SourceCaption(inputs, app_.strings(), static_cast<SourceNo>(i)));
    // A cam opened here brought its own centerline, rocker ratio and lash: the caption says so.
    if (i < 2 && app_.document().camSettingsFromLobe(i == 0)) text += tr(kLobeSettingsNote);
    captions_[i]->setText(text);
    captions_[i]->setToolTip(text);
  }
  ShowCamCards();
}

void SourcesBox::ShowCamCards() {
  const UnitMode mode = app_.document().controller().unitMode();
  std::string why;
  const std::optional<CardHeights> heights = CardHeightsOf("", mode, why);
  if (!heights) return;
  const Engine& engine = app_.document().engine();
  EngineCamCard card;
  if (engine.valveTables().current) {
    card =
        CamCardInUnits(EngineCamCards(engine, CheckHeightsToInches(heights->values, mode)), mode);
  }
  const QString table = ToQString(CamCardTable(card, mode, *heights)).toHtmlEscaped();
  for (std::size_t i = 0; i < 2; ++i) {
    // The caption, the lobe's card in one line, and the card of both lobes.
    cardLines_[i] = CompactCard(i == 0 ? card.intake : card.exhaust, mode);
    const QString tip =
        QStringLiteral("<p>%1</p><p><b>%2</b></p><pre>%3</pre>")
            .arg(captions_[i]->text().toHtmlEscaped(), cardLines_[i].toHtmlEscaped(), table);
    captions_[i]->setToolTip(tip);
    cards_[i]->setText((i == 0 ? tr("Intake: ") : tr("Exhaust: ")) + cardLines_[i]);
    cards_[i]->setToolTip(tip);
  }
}

void SourcesBox::ShowCamSettings() {
  const InputPanel& panel = app_.document().controller().panel();
  for (std::size_t k = 0; k < kSettings.size(); ++k) {
    const QString shown = ToQString(panel.text[static_cast<std::size_t>(kSettings[k])]);
    if (!settingBoxes_[k]->isModified() && settingBoxes_[k]->text() != shown)
      settingBoxes_[k]->setText(shown);
  }
  // A changed centerline, rocker ratio or lash changes the cards.
  ShowCamCards();
}

}  // namespace orv
