#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace orv {

// Enter as Tab: while the option is on, Enter (either key) in a one-line text box, a spin box,
// a check box, an option button or a command button of one window moves the focus to the next
// control in the tab order instead of acting; the key itself is dropped. A mouse click or the
// Space key still presses a button. Multi-line text boxes keep Enter for their line ends, and a
// control with the property "ownEnterRule" (the engine view's input boxes) applies it itself.
//
// One filter watches one window (the main window or a dialog), including controls added to it
// later; it goes with the window.
class EnterAsTab final : public QObject {
  Q_OBJECT

 public:
  // Watches `window`; `enabled` is asked on every Enter (the "EnAsTb" setting).
  static EnterAsTab* Install(QWidget* window, std::function<bool()> enabled);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  EnterAsTab(QWidget* window, std::function<bool()> enabled);

  QPointer<QWidget> window_;
  std::function<bool()> enabled_;
};

// Moves the focus from `from` to the next control of its window that takes the focus by Tab.
void FocusNextControl(QWidget* from);

}  // namespace orv
