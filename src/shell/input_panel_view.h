#pragma once

#include <QWidget>
#include <array>

#include "app/application.h"
#include "shell/focus_help.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QGridLayout;

namespace orv {

class InputBox;
class StatusButton;

// The input panel: the two stage tabs with inputs 0 to 12 and 13 to 28, each with its label,
// text box, unit caption, status picture and (inputs 8 and 20 to 24) suggestion label; the
// valve-train and fuel lists; the option pair choosing whether the inlet airflow or the rpm at
// peak power is typed; Approve All and the cannot-complete warning. It draws the core's input
// panel and reports what the user does; the engine view runs the commands.
class InputPanelView final : public QWidget {
  Q_OBJECT

 public:
  explicit InputPanelView(Application& app, QWidget* parent = nullptr);

  // Redraws the captions (interface texts, unit system) and the state of every input.
  void ShowCaptions();
  void ShowInputs();

  InputBox* box(int n) const { return boxes_.at(static_cast<std::size_t>(n)); }
  QTabWidget* stageTabs() const { return stageTabs_; }
  int stage() const;

 Q_SIGNALS:
  void boxLeft(int input, const QString& text);
  void boxEnter(int input, const QString& text);
  void statusClicked(int input);
  void valveTrainChosen(int index);
  void fuelChosen(int index);
  void airOrRpmChosen(int value);
  void approveAllClicked(int stage);
  void stageChosen(int stage);
  // A control received the focus: the index of its help text.
  void helpWanted(int helpText);

 private:
  static constexpr int kInputs = 29;
  // A watched control took the focus: its help text, the lead time's for box 24 in diesel.
  void AskHelp(int help);
  FocusHelp* focusHelp_ = new FocusHelp(this);
  void AddRow(QGridLayout* grid, int row, int n);
  QWidget* BuildStage(int first, int last);
  void WatchFocus(QWidget* widget, int helpText);

  Application& app_;
  QTabWidget* stageTabs_ = nullptr;
  std::array<QLabel*, kInputs> labels_{};
  std::array<InputBox*, kInputs> boxes_{};
  std::array<QLabel*, kInputs> units_{};
  std::array<StatusButton*, kInputs> statuses_{};
  std::array<QLabel*, kInputs> suggestions_{};
  QComboBox* valveTrain_ = nullptr;
  QComboBox* fuel_ = nullptr;
  QButtonGroup* airOrRpm_ = nullptr;
  std::array<QRadioButton*, 2> airOrRpmButtons_{};
  QPushButton* approveAll_ = nullptr;
  QLabel* noCalcWarning_ = nullptr;
};

}  // namespace orv
