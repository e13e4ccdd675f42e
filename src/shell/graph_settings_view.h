#pragma once

#include <array>
#include <map>

#include "app/graph_model.h"
#include "shell/view.h"

class QCheckBox;
class QColorDialog;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orv {

// The tooltip of the disabled "Graph Setting" box.
inline constexpr const char* kGraphSettingTip =
    "Kept in the configuration file for earlier versions; it changes nothing in this graph.";

// The graph's settings: the maximum and minimum of the eight scales in the display units, the
// graph setting number ("GThd"), the scales of the left and right axes, the four check boxes
// (grid lines, cursor lines, thick lines, two Y-axis scales) and the background colour. A box
// is taken over when it is left; leaving the view checks the scales first.
class GraphSettingsView final : public View {
  Q_OBJECT

 public:
  explicit GraphSettingsView(Application& app, QWidget* parent = nullptr);

  void Refresh(const ChangedAreas& changed) override;
  // The scales checked in order: the first whose maximum is not above its minimum puts its
  // message on the warning line, takes the focus to its maximum box and keeps the view.
  bool CanLeave() override;

  // The box of input n (a scale's maximum or minimum, or the graph setting number).
  QLineEdit& box(int n) const { return *boxes_.at(n); }
  // The other parts carry object names: the scale choices "cmbLeftScale" and "cmbRightScale";
  // the check boxes "chkGraph0" (grid lines), "chkGraph1" (cursor lines), "chkGraph2" (thick
  // lines) and "chkGraph3" (two Y-axis scales); the buttons "cmdBackground" and "cmdReset"; the
  // colour dialog "dlgColour" once the background button opened it.

  // Leaving box n with its text.
  void EnterBox(int n);
  // The colour dialog's choice, and the reset button.
  void SetBackground(const QColor& colour);
  void ResetBackground();

 private:
  // Puts the interface texts on the labels, check boxes and buttons.
  void ShowCaptions();
  void FillFromSettings();
  void ChooseBackground();
  void Done();

  GraphModel& model_;  // the application's, shared with the graph view
  std::map<int, QLineEdit*> boxes_;
  std::array<QLabel*, kGraphScaleCount> scaleLabels_{};
  QComboBox* left_ = nullptr;
  QLabel* maximumLabel_ = nullptr;
  QLabel* minimumLabel_ = nullptr;
  QLabel* leftLabel_ = nullptr;
  QLabel* rightLabel_ = nullptr;
  QLabel* settingLabel_ = nullptr;
  QGroupBox* colourBox_ = nullptr;
  QComboBox* right_ = nullptr;
  std::array<QCheckBox*, 4> checks_{};
  QPushButton* background_ = nullptr;
  QPushButton* reset_ = nullptr;
  QFrame* swatch_ = nullptr;
  QColorDialog* colourDialog_ = nullptr;
  // The help text of each control, shown in the instruction panel when it takes the focus.
  std::map<QWidget*, int> helpOf_;
  bool warningShown_ = false;
  bool filling_ = false;
};

}  // namespace orv
