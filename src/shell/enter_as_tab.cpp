#include "shell/enter_as_tab.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace orv {

EnterAsTab::EnterAsTab(QWidget* window, std::function<bool()> enabled)
    : QObject(window), window_(window), enabled_(std::move(enabled)) {}

EnterAsTab* EnterAsTab::Install(QWidget* window, std::function<bool()> enabled) {
  auto* filter = new EnterAsTab(window, std::move(enabled));
  // Key presses go to the focused control first; the application-wide filter sees them before
  // the control and before a dialog's default button.
  qApp->installEventFilter(filter);
  return filter;
}

void FocusNextControl(QWidget* from) {
  for (QWidget* next = from->nextInFocusChain(); next != nullptr && next != from;
       next = next->nextInFocusChain()) {
    if (next->window() == from->window() && next->isEnabled() && next->isVisible() &&
        (next->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
      next->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

bool EnterAsTab::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
  auto* control = qobject_cast<QWidget*>(watched);
  if (control == nullptr || window_ == nullptr) return false;
  if (control != window_ && !window_->isAncestorOf(control)) return false;
  const bool takesEnter = qobject_cast<QLineEdit*>(control) != nullptr ||
                          qobject_cast<QAbstractSpinBox*>(control) != nullptr ||
                          qobject_cast<QAbstractButton*>(control) != nullptr;
  if (!takesEnter || !enabled_ || !enabled_()) return false;
  // A box with an Enter rule of its own moves on by itself.
  if (control->property("ownEnterRule").toBool()) return false;
  if (event->type() == QEvent::KeyPress) FocusNextControl(control);
  return true;  // the key is dropped
}

}  // namespace orv
