#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace orv {

class Application;

// Edit, Options: the unit system (three option buttons), Enter as Tab, name increment and the
// customer's heading lines of printed reports. OK stores them (the unit system through the
// application's one unit-system call, so that the panels, reports and graph follow) and closes;
// Cancel closes without a change. Open it with `open()` (window-modal) or `exec()`; `applied` is
// emitted after OK stored the settings.
class OptionsDialog final : public QDialog {
  Q_OBJECT

 public:
  OptionsDialog(Application& app, QWidget* parent = nullptr);

  // Fills the controls from the settings (done on construction and on every showing).
  void Load();

  // Its controls carry object names: the unit systems "optUnits0" to "optUnits2", the check
  // boxes "chkEnterAsTab" and "chkNameInc", the heading "txtHeading", and "cmdOK", "cmdCancel".

 Q_SIGNALS:
  void applied();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Apply();

  Application& app_;
  QTabWidget* pages_;
  std::array<QRadioButton*, 3> units_{};
  QCheckBox* enterAsTab_;
  QCheckBox* nameIncrement_;
  QPlainTextEdit* heading_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace orv
