#include "shell/input_widgets.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

#include "engine/input_panel.h"

namespace orv {

InputBox::InputBox(int input, QWidget* parent) : QLineEdit(parent), input_(input) {
  setProperty("input", input);
  // The engine view applies Enter itself (the balance factor's rule, then Enter as Tab).
  setProperty("ownEnterRule", true);
  setObjectName(QStringLiteral("input_%1").arg(input));
}

bool IsUndoOrRedoKey(const QKeyEvent& event) {
  if (event.matches(QKeySequence::Undo) || event.matches(QKeySequence::Redo)) return true;
  const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
  return (event.key() == Qt::Key_Z &&
          (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier))) ||
         (event.key() == Qt::Key_Y && mods == Qt::ControlModifier);
}

bool InputBox::event(QEvent* event) {
  // With typed text the undo keys are the box's (whatever the platform's own keys are);
  // without it the window's shortcuts get them.
  if (event->type() == QEvent::ShortcutOverride &&
      IsUndoOrRedoKey(*static_cast<QKeyEvent*>(event))) {
    if (isModified()) {
      event->accept();
    } else {
      event->ignore();
    }
    return true;
  }
  return QLineEdit::event(event);
}

void InputBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Switching to another program or opening a menu or popup leaves the edit where it is; the
  // value is taken when the focus moves to another control.
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
    return;
  Q_EMIT left(input_);
}

void InputBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    Q_EMIT enterPressed(input_);
    event->accept();
    return;
  }
  if (IsUndoOrRedoKey(*event)) {
    if (event->key() == Qt::Key_Y || (event->modifiers() & Qt::ShiftModifier)) {
      redo();
    } else {
      undo();
    }
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

QColor ReadableColour(const QColor& colour, const QWidget* widget) {
  const QColor background = widget->palette().color(QPalette::Window);
  constexpr int kDarkBackground = 128, kLightText = 200;
  if (background.lightness() >= kDarkBackground) return colour;
  QColor light = colour.toHsl();
  light.setHsl(light.hslHue(), light.hslSaturation(), std::max(light.lightness(), kLightText));
  return light.toRgb();
}

QString TextColourStyle(const QColor& colour, const QWidget* widget) {
  const QColor c = ReadableColour(colour, widget);
  return QStringLiteral("color: rgb(%1, %2, %3);").arg(c.red()).arg(c.green()).arg(c.blue());
}

StatusButton::StatusButton(int input, QWidget* parent) : QToolButton(parent) {
  setObjectName(QStringLiteral("status_%1").arg(input));
  setProperty("input", input);
  setFocusPolicy(Qt::NoFocus);
  setAutoRaise(true);
  setIconSize(QSize(16, 16));
  setFixedSize(20, 20);
}

void StatusButton::ShowStatus(int status) {
  if (status == status_) return;
  status_ = status;
  setProperty("statusCode", status);
  setIcon(QIcon(StatusPicture(status)));
}

namespace {

enum class Mark { Cross, Question, Tick };

// Draws one status picture: a disc in the state's colour carrying a cross, a question mark or a
// tick. Inputs in the disabled colour get grey discs with the same marks.
QPixmap DrawStatus(Mark mark, QColor disc, int size) {
  QPixmap pixmap(size * 2, size * 2);  // drawn at twice the size for high-density screens
  pixmap.fill(Qt::transparent);
  pixmap.setDevicePixelRatio(2.0);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box(1, 1, size - 2, size - 2);
  p.setPen(QPen(disc.darker(140), 1));
  p.setBrush(disc);
  p.drawEllipse(box);
  p.setPen(QPen(Qt::white, size / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  const double s = size;
  switch (mark) {
    case Mark::Cross:
      p.drawLine(QPointF(s * 0.32, s * 0.32), QPointF(s * 0.68, s * 0.68));
      p.drawLine(QPointF(s * 0.68, s * 0.32), QPointF(s * 0.32, s * 0.68));
      break;
    case Mark::Tick: {
      QPainterPath path;
      path.moveTo(s * 0.27, s * 0.52);
      path.lineTo(s * 0.44, s * 0.70);
      path.lineTo(s * 0.74, s * 0.32);
      p.drawPath(path);
      break;
    }
    case Mark::Question: {
      QFont font;
      font.setBold(true);
      font.setPixelSize(static_cast<int>(s * 0.75));
      p.setFont(font);
      p.setPen(disc.lightness() > 160 ? QColor(60, 50, 0) : QColor(Qt::white));
      p.drawText(box, Qt::AlignCenter, QStringLiteral("?"));
      break;
    }
  }
  return pixmap;
}

}  // namespace

QPixmap StatusPicture(int status, int size) {
  const QColor red(200, 40, 40), yellow(245, 200, 30), green(40, 150, 60);
  const QColor greyOpen(150, 110, 110), greyReview(175, 165, 120), greyDone(110, 140, 115);
  switch (status) {
    case kStatusReview:
      return DrawStatus(Mark::Question, yellow, size);
    case kStatusApproved:
      return DrawStatus(Mark::Tick, green, size);
    case kStatusDisabledOpen:
      return DrawStatus(Mark::Cross, greyOpen, size);
    case kStatusDisabledReview:
      return DrawStatus(Mark::Question, greyReview, size);
    case kStatusDisabledApproved:
      return DrawStatus(Mark::Tick, greyDone, size);
    case kStatusNotApproved:
    default:
      return DrawStatus(Mark::Cross, red, size);
  }
}

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, int preferredWidth, QWidget* parent)
    : QLabel(parent), mode_(mode), preferredWidth_(preferredWidth) {}

QSize ElidedLabel::minimumSizeHint() const { return {60, QLabel::minimumSizeHint().height()}; }

QSize ElidedLabel::sizeHint() const {
  const QSize whole = QLabel::sizeHint();
  return {preferredWidth_ > 0 ? preferredWidth_ : whole.width(), whole.height()};
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);  // the frame only
  QPainter p(this);
  const QRect area = contentsRect();
  p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
             fontMetrics().elidedText(text(), mode_, area.width()));
}

}  // namespace orv
