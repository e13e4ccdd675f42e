#include "shell/focus_help.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>

namespace orv {

namespace {
constexpr const char* kHelpProperty = "helpText";
}  // namespace

void FocusHelp::Watch(QWidget* control, int help) {
  control->setProperty(kHelpProperty, help);
  control->installEventFilter(this);
}

bool FocusHelp::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) Q_EMIT helpWanted(watched->property(kHelpProperty).toInt());
  return QObject::eventFilter(watched, event);
}

}  // namespace orv
