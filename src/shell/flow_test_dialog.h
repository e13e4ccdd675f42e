#pragma once

#include <QDialog>

class QPushButton;
class QTabWidget;

namespace orv {

class Application;
class FlowCsvTab;
class FlowDatabaseTab;
class FlowDosTab;
class FlowKeyboardTab;
class TestListModel;

// The flow test selection dialog for one side: the test files of a folder ("DOS Sylfaro
// Tests"), the flow bench's test database with its filters, sort keys and columns ("Windows
// Sylfaro Tests"), 10 typed points ("Keyboard Entered") and a CSV file of a bench or spreadsheet
// ("CSV File"), each tab a widget of its own. "Open" loads the chosen test of the current tab
// through the engine document and emits `sourceLoaded`; "Cancel" leaves the engine's airflow
// as it was. The dialog's choices are restored from the configuration when it opens and saved
// on every close.
//
// The folder of the DOS tab and the database are read away from the window's thread; the
// window keeps handling its events meanwhile. Open it with open() or show().
//
// Widgets are named after the controls of the form they stand for: a prefix for their kind
// (cmd button, cmb list, chk check box, dtp date picker, grd table, lbl label, lst list, prg
// progress bar, tvw tree, txt text field, dir folder picker, fra group box, pg tab page, tab
// tab strip) and the control's name; a control of a row of like controls ends in its 0-based
// row ("txtLift0" is the lift of the first keyboard row, "cmbJoin3" the connector of the
// fourth filter row). Tests find widgets by these names.
class FlowTestDialog final : public QDialog {
  Q_OBJECT

 public:
  enum Tab { kDosTab = 0, kDatabaseTab = 1, kKeyboardTab = 2, kCsvTab = 3 };

  FlowTestDialog(Application& app, bool intake, QWidget* parent = nullptr);
  ~FlowTestDialog() override;

  bool intake() const noexcept { return intake_; }
  FlowDosTab* dosTab() const noexcept { return dos_; }
  FlowDatabaseTab* databaseTab() const noexcept { return database_; }
  FlowKeyboardTab* keyboardTab() const noexcept { return keyboard_; }
  FlowCsvTab* csvTab() const noexcept { return csv_; }

  // A read of the database tab runs.
  bool databaseBusy() const noexcept;
  TestListModel* testListModel() const noexcept;

  void done(int result) override;

 Q_SIGNALS:
  // "Open" loaded a test (or took the typed points) through the core: the window refreshes the
  // source captions and the outputs.
  void sourceLoaded();
  // A read of the database tab ended: done, failed or cancelled.
  void databaseReadFinished();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void TabShown(int index);
  void OpenChosen();
  void SaveSettings();

  Application& app_;
  bool intake_;

  QTabWidget* tabs_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* cancel_ = nullptr;
  FlowDosTab* dos_ = nullptr;
  FlowDatabaseTab* database_ = nullptr;
  FlowKeyboardTab* keyboard_ = nullptr;
  FlowCsvTab* csv_ = nullptr;
};

}  // namespace orv
