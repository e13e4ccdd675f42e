#pragma once

#include <QDialog>
#include <string>

#include "app/application.h"

class QLabel;
class QTableWidget;

namespace orv {

// Why an output slot or a result has its value: the value in the unit system shown, the formula
// in words and with its numbers, its operands, the inputs it rests on as links (a link takes the
// focus to that input's box) and how far one step of each input moves it, largest first. Escape
// or Close closes it.
class ExplainDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit ExplainDialog(Application& app, QWidget* parent = nullptr);

  // Shows the explanation of `key` (a result name or "page0.N" / "page1.N") for the engine as it
  // is now. False when the engine has no calculated value for it.
  bool Explain(const std::string& key);

  // Its parts carry object names: "explainValue", "explainFormula", "explainInputs" (the links
  // to the inputs) and the table of steps "explainSensitivity".

 Q_SIGNALS:
  // An input link was activated: the focus is to go to input n's box.
  void inputWanted(int n);

 private:
  Application& app_;
  QLabel* value_ = nullptr;
  QLabel* formula_ = nullptr;
  QLabel* operands_ = nullptr;
  QLabel* inputs_ = nullptr;
  QTableWidget* sensitivity_ = nullptr;
};

}  // namespace orv
