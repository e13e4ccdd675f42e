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

  QCheckBox* headingBox(int i) const { return headings_[std::size_t(i)]; }
  QCheckBox* sectionBox(int i) const { return sections_[std::size_t(i)]; }
  QCheckBox* camCardBox() const noexcept { return camCard_; }
  QLineEdit* degreeBox(int i) const { return degrees_[std::size_t(i)]; }
  QPushButton* okButton() const noexcept { return ok_; }
  QPushButton* cancelButton() const noexcept { return cancel_; }

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
