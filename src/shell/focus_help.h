#pragma once

#include <QObject>

class QEvent;
class QWidget;

namespace orv {

// The instruction box shows the help text of the control the user is on: a control watched
// here asks for its help text (a number of the interface string file) when it takes the focus.
class FocusHelp final : public QObject {
  Q_OBJECT

 public:
  explicit FocusHelp(QObject* parent) : QObject(parent) {}
  // `control` taking the focus asks for help text `help`.
  void Watch(QWidget* control, int help);

 Q_SIGNALS:
  void helpWanted(int help);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace orv
