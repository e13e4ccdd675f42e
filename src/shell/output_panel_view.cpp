#include "shell/output_panel_view.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/output_comparison.h"
#include "base/number_format.h"
#include "files/interface_text_ids.h"
#include "files/output_captions.h"
#include "shell/balance_chart.h"
#include "shell/focus_help.h"
#include "shell/input_widgets.h"
#include "shell/qt_convert.h"

namespace orv {

namespace {

constexpr int kGeneralHelp = -1;
// Output labels of the group lines and frames that have no named constant.
constexpr int kOutLabelSharePeaks = 42;
constexpr int kOutLabelPortTorque = 64;
constexpr int kOutLabelPortCritical = 65;
constexpr int kOutLabelBowlThroat = 66;
constexpr int kOutLabelVeDiagram = 36;
// The end of the volumetric-efficiency scale.
constexpr double kVeScaleTop = 115;

// Columns of a value row.
enum Column { kColName = 0, kColValue, kColUnit, kColReference, kColDifference };

// The colours beside a value: the reference's value in grey, its difference green when the
// current value is larger, red when smaller, grey when the same, brown when its numbers moved
// both ways.
const QColor kValueColour(0, 0, 140);
const QColor kReferenceColour(96, 96, 96);
QColor DifferenceColour(DifferenceSign sign) {
  switch (sign) {
    case DifferenceSign::Up:
      return {0, 120, 0};
    case DifferenceSign::Down:
      return {190, 0, 0};
    case DifferenceSign::Mixed:
      return {140, 80, 0};
    case DifferenceSign::Zero:
    case DifferenceSign::None:
      break;
  }
  return kReferenceColour;
}

}  // namespace

OutputPanelView::OutputPanelView(Application& app, QWidget* parent) : QWidget(parent), app_(app) {
  connect(focusHelp_, &FocusHelp::helpWanted, this, &OutputPanelView::helpWanted);
  // The pages are dense: their texts are a little smaller than the inputs'.
  QFont small = font();
  small.setPointSizeF(small.pointSizeF() * 0.9);
  setFont(small);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  // One line, so that naming the reference costs the view no more height than that.
  referenceCaption_ = new ElidedLabel(Qt::ElideRight, 0, this);
  referenceCaption_->setObjectName(QStringLiteral("referenceCaption"));
  referenceCaption_->setContentsMargins(4, 0, 0, 2);
  referenceCaption_->hide();
  layout->addWidget(referenceCaption_);
  pages_ = new QStackedWidget(this);
  pages_->setObjectName(QStringLiteral("outputPages"));
  pages_->addWidget(BuildPage0());
  pages_->addWidget(BuildPage1());
  layout->addWidget(pages_);

  // Every slot explains itself: a right click offers "Explain...", and F1 on a slot clicked into
  // (or reached by the context-menu key) explains it instead of opening the help.
  const OutputPanel& panel = app_.document().controller().outputs();
  auto explainable = [&](int slot, QLabel* label) {
    const int page = panel.PageOfSlot(slot);
    if (label == nullptr || page < 0) return;
    label->setProperty("explainKey", QStringLiteral("page%1.%2").arg(page).arg(slot));
    label->setFocusPolicy(Qt::ClickFocus);
    label->installEventFilter(this);
  };
  for (auto& [slot, row] : rows_) explainable(slot, row.value);
  for (auto& [slot, piece] : pieces_) explainable(slot, piece);
}

int OutputPanelView::pageShown() const { return pages_->currentIndex(); }

QGroupBox* OutputPanelView::Frame(int labelText, QWidget* parent) {
  auto* frame = new QGroupBox(parent);
  frame->setObjectName(QStringLiteral("frame_%1").arg(labelText));
  frames_[frame] = labelText;
  return frame;
}

// The value grid of a frame: label, value and unit columns, tightly spaced.
static QGridLayout* FrameGrid(QGroupBox* frame) {
  auto* grid = new QGridLayout(frame);
  grid->setContentsMargins(4, 2, 4, 4);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(1);
  return grid;
}

void OutputPanelView::AddSlots(QGridLayout* grid, int& row, std::initializer_list<int> slots) {
  QWidget* parent = grid->parentWidget();
  for (int slot : slots) {
    Row r;
    r.name = new QLabel(parent);
    r.value = new QLabel(parent);
    r.value->setObjectName(QStringLiteral("out_%1").arg(slot));
    r.value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    r.value->setStyleSheet(TextColourStyle(kValueColour, parent));
    r.unit = new QLabel(parent);
    r.unit->setObjectName(QStringLiteral("outUnit_%1").arg(slot));
    grid->addWidget(r.name, row, kColName);
    grid->addWidget(r.value, row, kColValue);
    grid->addWidget(r.unit, row, kColUnit);
    AddComparison(r, slot, grid, row, kColReference);
    rows_[slot] = r;
    ++row;
  }
}

void OutputPanelView::AddComparison(Row& r, int slot, QGridLayout* grid, int row, int column) {
  QWidget* parent = grid->parentWidget();
  // A little smaller than the values: they are read second.
  QFont small = parent->font();
  small.setPointSizeF(small.pointSizeF() * 0.9);
  r.reference = new QLabel(parent);
  r.reference->setFont(small);
  r.reference->setObjectName(QStringLiteral("outRef_%1").arg(slot));
  r.reference->setStyleSheet(TextColourStyle(kReferenceColour, parent));
  r.reference->hide();
  r.difference = new QLabel(parent);
  r.difference->setFont(small);
  r.difference->setObjectName(QStringLiteral("outDiff_%1").arg(slot));
  r.difference->hide();
  grid->addWidget(r.reference, row, column);
  grid->addWidget(r.difference, row, column + 1);
}

void OutputPanelView::AddGroupLine(QGridLayout* grid, int& row, int outLabel) {
  auto* line = new QLabel(grid->parentWidget());
  QFont bold = line->font();
  bold.setBold(true);
  line->setFont(bold);
  groupLines_[line] = outLabel;
  grid->addWidget(line, row++, kColName, 1, 3);
}

QPushButton* OutputPanelView::CalculateButton(int page, QWidget* parent) {
  auto* button = new QPushButton(parent);
  button->setObjectName(QStringLiteral("calculate_%1").arg(page));
  focusHelp_->Watch(button, kGeneralHelp);
  connect(button, &QPushButton::clicked, this, [this, page] { Q_EMIT calculateClicked(page); });
  calculate_[page] = button;
  return button;
}

QWidget* OutputPanelView::BuildPage0() {
  auto* page = new QWidget;
  // Two columns, so that the page is no taller than the inputs beside it: the geometry over the
  // rotating assembly, and the balance analysis with its figures over its chart.
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(4, 0, 0, 0);
  auto* left = new QVBoxLayout;

  QGroupBox* geometry = Frame(kLabelGeometryFrame, page);
  auto* g = FrameGrid(geometry);
  int row = 0;
  AddSlots(g, row, {0, 1, 2, 3, 4, 5, 40, 6, 7, 8, 9});
  left->addWidget(geometry);

  QGroupBox* rotating = Frame(kLabelRotatingFrame, page);
  auto* r = FrameGrid(rotating);
  row = 0;
  AddSlots(r, row, {21, 22, 23, 24, 25});
  left->addWidget(rotating);
  left->addStretch(1);
  auto* calc = new QHBoxLayout;
  calc->addStretch(1);
  calc->addWidget(CalculateButton(0, page));
  left->addLayout(calc);
  layout->addLayout(left, 0);

  // The balance analysis: its figures and turning-point listings over the chart, which takes
  // the height left.
  QGroupBox* balance = Frame(kLabelBalanceTitle, page);
  auto* b = new QVBoxLayout(balance);
  b->setContentsMargins(4, 2, 4, 4);
  auto* figures = new QWidget(balance);
  auto* f = new QGridLayout(figures);
  f->setContentsMargins(0, 0, 0, 0);
  f->setVerticalSpacing(2);
  row = 0;
  auto* subtitle = new QLabel(figures);
  subtitle->setWordWrap(true);
  headings_[subtitle] = kLabelBalanceSubtitle;
  f->addWidget(subtitle, row++, 0, 1, 4);
  // Slots 46..48 carry their unit inside their text; their label spans two columns.
  for (int slot : {46, 47, 48}) {
    Row line;
    line.name = new QLabel(figures);
    line.value = new QLabel(figures);
    line.value->setObjectName(QStringLiteral("out_%1").arg(slot));
    line.value->setStyleSheet(TextColourStyle(kValueColour, figures));
    f->addWidget(line.name, row, 0, 1, 2);
    f->addWidget(line.value, row, 2, 1, 2);
    AddComparison(line, slot, f, row, 4);
    rows_[slot] = line;
    ++row;
  }
  auto* peaks = new QLabel(figures);
  QFont bold = peaks->font();
  bold.setBold(true);
  peaks->setFont(bold);
  groupLines_[peaks] = kOutLabelSharePeaks;
  f->addWidget(peaks, row++, 0, 1, 4);
  for (int slot : {50, 51}) {
    auto* piece = new QLabel(figures);
    piece->setObjectName(QStringLiteral("out_%1").arg(slot));
    piece->setStyleSheet(TextColourStyle(kValueColour, figures));
    pieces_[slot] = piece;
    f->addWidget(piece, row++, 0, 1, 4);
  }
  // Two listings of up to eight turning points in two columns of four: the values (slots 90 to
  // 105), then their distance from the typed balance factor (slots 70 to 85).
  for (auto [heading, first] :
       {std::pair{kLabelBalanceTurningPoints, 90}, std::pair{kLabelBalanceDifference, 70}}) {
    auto* title = new QLabel(figures);
    title->setFont(bold);
    headings_[title] = heading;
    f->addWidget(title, row++, 0, 1, 4);
    for (int k = 0; k < 4; ++k) {
      for (int column = 0; column < 2; ++column) {
        for (int part = 0; part < 2; ++part) {
          const int slot = first + column * 8 + k * 2 + part;
          auto* piece = new QLabel(figures);
          piece->setObjectName(QStringLiteral("out_%1").arg(slot));
          piece->setStyleSheet(TextColourStyle(kValueColour, figures));
          pieces_[slot] = piece;
          f->addWidget(piece, row, column * 2 + part);
        }
      }
      ++row;
    }
  }
  b->addWidget(figures);
  chart_ = new BalanceChartView(balance);
  chart_->setMinimumHeight(fontMetrics().height() * 7);
  b->addWidget(chart_, 1);
  layout->addWidget(balance, 1);
  return page;
}

QWidget* OutputPanelView::BuildPage1() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(4, 0, 0, 0);

  auto* left = new QVBoxLayout;
  QGroupBox* filling = Frame(kLabelFillingFrame, page);
  auto* g = FrameGrid(filling);
  int row = 0;
  AddSlots(g, row, {10, 11, 45, 12});
  AddGroupLine(g, row, kOutLabelPortTorque);
  AddSlots(g, row, {13, 14, 15, 16});
  AddGroupLine(g, row, kOutLabelPortCritical);
  AddSlots(g, row, {17, 18, 19, 20});
  AddGroupLine(g, row, kOutLabelBowlThroat);
  AddSlots(g, row, {52, 53, 54, 55, 41, 49, 42});
  left->addWidget(filling);
  veDiagram_ = new VeDiagram(page);
  left->addWidget(veDiagram_);
  left->addStretch(1);
  layout->addLayout(left, 1);

  auto* right = new QVBoxLayout;
  QGroupBox* piston = Frame(kLabelPistonFrame, page);
  auto* p = FrameGrid(piston);
  row = 0;
  AddSlots(p, row, {26, 27, 28, 56, 57});
  right->addWidget(piston);
  QGroupBox* power = Frame(kLabelPowerFrame, page);
  auto* w = FrameGrid(power);
  row = 0;
  AddSlots(w, row, {29, 32, 34, 30, 33, 35, 31, 43});
  right->addWidget(power);
  QGroupBox* exhaust = Frame(kLabelExhaustFrame, page);
  auto* e = FrameGrid(exhaust);
  row = 0;
  AddSlots(e, row, {36, 37, 38, 39, 44});
  right->addWidget(exhaust);
  right->addStretch(1);
  auto* calc = new QHBoxLayout;
  calc->addStretch(1);
  calc->addWidget(CalculateButton(1, page));
  right->addLayout(calc);
  layout->addLayout(right, 1);
  return page;
}

bool OutputPanelView::eventFilter(QObject* watched, QEvent* event) {
  const QString key = watched->property("explainKey").toString();
  if (!key.isEmpty()) {
    const bool f1 =
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1;
    if (f1) {
      event->accept();  // F1 on a slot is not the window's help
      if (event->type() == QEvent::KeyPress) Q_EMIT explainWanted(key.toStdString());
      return true;
    }
    if (event->type() == QEvent::ContextMenu) {
      QMenu menu(this);
      QAction* explain = menu.addAction(tr("Explain..."));
      connect(explain, &QAction::triggered, this,
              [this, key] { Q_EMIT explainWanted(key.toStdString()); });
      menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos());
      return true;
    }
    return QWidget::eventFilter(watched, event);
  }
  return QWidget::eventFilter(watched, event);
}

QLabel* OutputPanelView::referenceLabel(int slot) const {
  const auto it = rows_.find(slot);
  return it != rows_.end() ? it->second.reference : nullptr;
}

QLabel* OutputPanelView::differenceLabel(int slot) const {
  const auto it = rows_.find(slot);
  return it != rows_.end() ? it->second.difference : nullptr;
}

QLabel* OutputPanelView::slotLabel(int slot) const {
  if (auto it = rows_.find(slot); it != rows_.end()) return it->second.value;
  if (auto it = pieces_.find(slot); it != pieces_.end()) return it->second;
  return nullptr;
}

void OutputPanelView::ShowCaptions() {
  const InterfaceStrings& s = app_.strings();
  const UnitMode mode = app_.document().controller().unitMode();
  for (auto& [slot, row] : rows_) {
    const OutputCaption* caption = FindOutputCaption(slot);
    if (!caption) continue;
    row.name->setText(ToQString(s.OutLabel(caption->label)));
    if (row.unit) row.unit->setText(ToQString(OutputUnitCaption(s, *caption, mode)));
  }
  for (auto& [frame, label] : frames_) frame->setTitle(ToQString(s.Label(label)));
  for (auto& [line, label] : groupLines_) line->setText(ToQString(s.OutLabel(label)));
  for (auto& [heading, label] : headings_) heading->setText(ToQString(s.Label(label)));
  for (QPushButton* button : calculate_) button->setText(ToQString(s.Label(kLabelCalculate)));
  ShowOutputs();
}

void OutputPanelView::ShowOutputs() {
  const InputController& controller = app_.document().controller();
  const OutputPanel& out = controller.outputs();
  auto fill = [this](const std::map<int, std::string>& page) {
    for (const auto& [slot, text] : page) {
      if (QLabel* label = slotLabel(slot)) label->setText(ToQString(text));
    }
  };
  fill(out.page0);
  fill(out.page1);
  chart_->Show(out.chart);
  veDiagram_->Show(out.veDiagramPercent, ToQString(FormatPattern(out.veDiagramPercent, "0.0")),
                   ToQString(app_.strings().OutLabel(kOutLabelVeDiagram)));
  ShowComparison();
  const int page = std::clamp(controller.outputPage(), 0, 1);
  if (pages_->currentIndex() != page) pages_->setCurrentIndex(page);
  // Only the page shown asks for room: the other does not widen or heighten the panel.
  for (int i = 0; i < pages_->count(); ++i) {
    const QSizePolicy::Policy policy = i == page ? QSizePolicy::Preferred : QSizePolicy::Ignored;
    pages_->widget(i)->setSizePolicy(policy, policy);
  }
}

void OutputPanelView::ShowComparison() {
  const EngineDocument* reference = app_.reference();
  if (reference == nullptr) {
    referenceCaption_->hide();
    for (auto& [slot, row] : rows_) {
      row.reference->hide();
      row.difference->hide();
    }
    return;
  }
  const QString name = ToQString(std::filesystem::path(reference->path()).filename().string());
  // Where the width does not allow the reference's column, the line naming the reference gives
  // its height to the values too: the status bar names the reference, and each difference's
  // tooltip gives the reference's value.
  referenceCaption_->setText(
      tr("Beside each value: the reference engine %1, then the difference (current \u2212 "
         "reference).")
          .arg(name));
  referenceCaption_->setToolTip(ToQString(reference->path()));
  referenceCaption_->setVisible(referenceColumn_);
  const std::map<int, SlotDifference> differences =
      CompareOutputSlots(reference->controller().outputs(), app_.document().controller().outputs());
  for (auto& [slot, row] : rows_) {
    const auto it = differences.find(slot);
    const SlotDifference none;
    const SlotDifference& d = it != differences.end() ? it->second : none;
    row.reference->setText(ToQString(d.reference));
    row.difference->setText(ToQString(d.difference));
    row.difference->setStyleSheet(TextColourStyle(DifferenceColour(d.sign), row.difference));
    row.reference->setVisible(referenceColumn_);
    row.difference->setToolTip(referenceColumn_ || d.reference.empty()
                                   ? QString()
                                   : tr("%1: %2 (the difference is current \u2212 reference)")
                                         .arg(name, ToQString(d.reference)));
    row.difference->show();
  }
}

void OutputPanelView::SetReferenceColumnShown(bool shown) {
  if (shown == referenceColumn_) return;
  referenceColumn_ = shown;
  ShowComparison();
}

VeDiagram::VeDiagram(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("veDiagram"));
}

QSize VeDiagram::sizeHint() const { return {300, fontMetrics().height() * 3 + 14}; }
QSize VeDiagram::minimumSizeHint() const { return {200, fontMetrics().height() * 3 + 14}; }

void VeDiagram::Show(double percent, const QString& text, const QString& caption) {
  if (percent == percent_ && text == text_ && caption == caption_) return;
  percent_ = percent;
  text_ = text;
  caption_ = caption;
  update();
}

void VeDiagram::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QFontMetrics fm = fontMetrics();
  const int line = fm.height();
  // Caption and value on the first line, the bar below, the scale under the bar.
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(QRect(4, 2, width() - 8, line), Qt::AlignLeft | Qt::AlignVCenter, caption_);
  p.drawText(QRect(4, 2, width() - 8, line), Qt::AlignRight | Qt::AlignVCenter,
             text_ + QStringLiteral(" %"));
  const int left = 8, right = width() - 14;
  const QRect bar(left, line + 6, right - left, line);
  p.setPen(QColor(120, 120, 120));
  p.setBrush(QColor(245, 245, 245));
  p.drawRect(bar);
  const double share = std::clamp(percent_ / kVeScaleTop, 0.0, 1.0);
  p.setBrush(QColor(60, 140, 200));
  p.drawRect(QRectF(bar.left(), bar.top(), bar.width() * share, bar.height()));
  // The scale: 0, 25, 50, 75, 100 and its end, 115.
  const int tickTop = bar.bottom() + 1;
  for (double mark : {0.0, 25.0, 50.0, 75.0, 100.0, kVeScaleTop}) {
    const double x = bar.left() + bar.width() * mark / kVeScaleTop;
    p.drawLine(QPointF(x, tickTop), QPointF(x, tickTop + 4));
    const QString label = QString::number(static_cast<int>(mark));
    const int w = fm.horizontalAdvance(label);
    p.drawText(QPointF(std::clamp(x - w / 2.0, 0.0, width() - w - 1.0), tickTop + 4 + fm.ascent()),
               label);
  }
}

}  // namespace orv
