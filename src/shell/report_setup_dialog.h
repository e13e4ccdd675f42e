#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace orv {

class Application;

// Edit, Report Setup: the three heading check boxes (date, time, engine file name), the seven
// section check boxes of the general report, the cam card section (general and details reports) and
// the two degree ranges of the details reports (from, to, increment). OK stores the check boxes,
// then checks both ranges: a range that fails is told in a warning box (texts 130, 131, 132), the
// focus goes to the box at fault and the dialog stays open; when both pass they are stored, the
// dialog closes and `applied` is emitted (the report view then rebuilds its selected report).
// Cancel leaves the ranges.
class ReportSetupDialog final : public QDialog {
  Q_OBJECT

 public:
  ReportSetupDialog(Application& app, QWidget* parent = nullptr);

  // Fills the boxes from the settings (done on construction and on every showing).
  void Load();

  // Its controls carry object names: the headings "chkHeading0" to "chkHeading2", the sections
  // "chkSection0" to "chkSection6" and the cam card "chkSection7", the degree boxes
  // "txtDegrees0" to "txtDegrees5" (From, To, Increment of each range), and "cmdOK",
  // "cmdCancel".

 Q_SIGNALS:
  void applied();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Apply();

  Application& app_;
  std::array<QCheckBox*, 3> headings_{};
  std::array<QCheckBox*, 7> sections_{};
  QCheckBox* camCard_;
  std::array<QLineEdit*, 6> degrees_{};
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace orv
