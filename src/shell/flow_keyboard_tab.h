#pragma once

#include <QWidget>
#include <array>

#include "app/keyboard_flow.h"

class QLineEdit;

namespace orv {

class Application;

// The "Keyboard Entered" tab of the flow test dialog: 10 rows of a lift, a flow and (intake
// only) a swirl. Leaving a field stores its value in the engine's keyboard tables at once; Open
// takes the rows as the side's test, Cancel puts the tables back as they were.
class FlowKeyboardTab final : public QWidget {
  Q_OBJECT

 public:
  FlowKeyboardTab(Application& app, bool intake, QWidget* parent = nullptr);

  const KeyboardFlowEntry& keyboard() const noexcept { return keyboard_; }

  // Open: the field being typed in is stored, as leaving it does, and the rows become the side's
  // test.
  void Open();
  // The side's keyboard tables as they were when the dialog opened (Cancel, or another tab's
  // test replacing them).
  void PutTablesBack();
  // While the dialog closes, the field that loses the focus stores nothing: Open has taken the
  // rows, or Cancel has put the tables back.
  void SetClosing(bool closing) noexcept { closing_ = closing; }

 private:
  void TakeOverField();

  Application& app_;
  bool closing_ = false;
  KeyboardFlowEntry keyboard_;
  std::array<std::array<QLineEdit*, 3>, KeyboardFlowEntry::kRows + 1> fields_{};
};

}  // namespace orv
