#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "airflow/csv_flow_test.h"
#include "airflow/dos_folder.h"
#include "app/database_read_scheduler.h"
#include "app/database_tab.h"
#include "app/keyboard_flow.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;
class QThread;
class QTimer;
class QTreeWidget;

namespace orv {

class Application;
class FolderPicker;
class TestListModel;

// The flow test selection dialog for one side: the test files of a folder ("DOS Sylfaro
// Tests"), the flow bench's test database with its filters, sort keys and columns ("Windows
// Sylfaro Tests"), 10 typed points ("Keyboard Entered") and a CSV file of a bench or spreadsheet
// ("CSV File"). "Open" loads the chosen test
// through the engine document and emits `sourceLoaded`; "Cancel" leaves the engine's airflow
// as it was. The dialog's choices are restored from the configuration when it opens and saved
// on every close.
//
// The database is read away from the window's thread, with a progress bar and a Cancel; the
// window keeps handling its events meanwhile. Open it with open() or show().
class FlowTestDialog final : public QDialog {
  Q_OBJECT

 public:
  enum Tab { kDosTab = 0, kDatabaseTab = 1, kKeyboardTab = 2, kCsvTab = 3 };

  FlowTestDialog(Application& app, bool intake, QWidget* parent = nullptr);
  ~FlowTestDialog() override;

  bool intake() const noexcept { return intake_; }
  QTabWidget* tabs() const noexcept { return tabs_; }
  QPushButton* openButton() const noexcept { return open_; }
  QPushButton* cancelButton() const noexcept { return cancel_; }

  // --- DOS tab ---
  // Fills the tree for a folder (a drive or folder change).
  void ChangeDosFolder(const std::filesystem::path& folder);
  const DosFolder& dosFolder() const noexcept { return dos_; }
  QTreeWidget* dosTree() const noexcept { return dosTree_; }
  QPlainTextEdit* dosNotes() const noexcept { return dosNotes_; }

  // --- Database tab ---
  // The database file as the "Database File" button takes it: checked, kept as the
  // configuration's database and read (away from the window's thread).
  void UseDatabaseFile(const std::filesystem::path& file);
  // Lists the tests for the current choices again.
  void RefreshList();
  // The choices of the tab as the core's list query takes them.
  TestListSettings Choices() const;
  bool databaseBusy() const noexcept { return thread_ != nullptr; }
  // Cancels the read that runs (the tab's own Cancel).
  void CancelDatabaseRead();
  const std::filesystem::path& databaseFile() const noexcept { return databaseFile_; }
  const DatabaseLists& databaseLists() const noexcept { return lists_; }
  TestListModel* testListModel() const noexcept { return model_; }
  QTableView* testTable() const noexcept { return table_; }
  QLabel* listMessage() const noexcept { return listMessage_; }
  QPlainTextEdit* testNotes() const noexcept { return dbNotes_; }
  QProgressBar* progressBar() const noexcept { return progress_; }
  QPushButton* cancelReadButton() const noexcept { return cancelRead_; }
  QPushButton* databaseFileButton() const noexcept { return databaseButton_; }
  QComboBox* kindList() const noexcept { return kind_; }
  QComboBox* sideList() const noexcept { return side_; }
  QComboBox* operatorList() const noexcept { return operator_; }
  QComboBox* customerList() const noexcept { return customer_; }
  QCheckBox* anyDateBox() const noexcept { return anyDate_; }
  QCheckBox* todayBox() const noexcept { return today_; }
  QDateEdit* fromDate() const noexcept { return from_; }
  QDateEdit* toDate() const noexcept { return to_; }
  struct FilterRowWidgets {
    QComboBox* connector = nullptr;
    QComboBox* field = nullptr;
    QComboBox* relation = nullptr;
    QLineEdit* value = nullptr;
  };
  const FilterRowWidgets& filterRow(int i) const { return rows_.at(static_cast<std::size_t>(i)); }
  QComboBox* sortList(int i) const { return sorts_.at(static_cast<std::size_t>(i)); }
  QListWidget* columnList() const noexcept { return columns_; }

  // --- Keyboard tab ---
  QLineEdit* keyboardField(int row, KeyboardFlowEntry::Field field) const;
  const KeyboardFlowEntry& keyboard() const noexcept { return keyboard_; }

  // --- CSV tab ---
  // The file as the file chooser takes it: its first rows shown, the mapping of its columns
  // (remembered for its header layout, else guessed from the header) set in the lists.
  void UseCsvFile(const std::filesystem::path& file);
  const std::filesystem::path& csvFile() const noexcept { return csvFile_; }
  QTableWidget* csvPreview() const noexcept { return csvPreview_; }
  QLabel* csvMessage() const noexcept { return csvMessage_; }
  // The column lists of lift, flow, depression and swirl (entry 0 "(none)", then the columns).
  QComboBox* csvColumnList(CsvQuantity quantity) const;
  QComboBox* csvLiftUnitList() const noexcept { return csvLiftUnit_; }
  QComboBox* csvFlowUnitList() const noexcept { return csvFlowUnit_; }
  QComboBox* csvDepressionUnitList() const noexcept { return csvDepressionUnit_; }
  QLineEdit* csvDepressionField() const noexcept { return csvDepression_; }
  QCheckBox* csvCorrectBox() const noexcept { return csvCorrect_; }
  QLineEdit* csvCorrectToField() const noexcept { return csvCorrectTo_; }
  QLineEdit* csvValveField() const noexcept { return csvValve_; }

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
  struct Job;
  using JobKind = DatabaseRead::Kind;

  QWidget* BuildDosTab();
  QWidget* BuildDatabaseTab();
  QWidget* BuildKeyboardTab();
  QWidget* BuildCsvTab();
  void ChooseCsvFile();
  bool OpenCsv();
  // The keyboard field with the focus and typed text: its value is stored, as leaving it does.
  void TakeOverKeyboardField();
  void TabShown(int index);

  void FillDosTree();
  void DosSelectionChanged();

  // Carries out what the read scheduler decided: cancels, starts a read, closes.
  void Apply(const DatabaseReadStep& step);
  void StartJob(const DatabaseRead& read);
  void JobFinished(const std::shared_ptr<Job>& job);
  void ShowProgress();
  void ShowDatabaseNeeded();
  void ShowLists();
  void ShowChoices(const TestListSettings& choices);
  void FillFieldLists();
  void FieldChosen(int row);
  void ChoicesChanged();
  void DatesChanged();
  void TestSelected();
  void ChooseDatabaseFile();
  void SetAllColumns(bool shown);

  void OpenChosen();
  bool OpenDos();
  bool OpenDatabaseTest();
  void SaveSettings();

  Application& app_;
  bool intake_;
  bool dosFilled_ = false;
  bool databaseStarted_ = false;
  bool listsRead_ = false;
  bool restoring_ = false;
  // Set while the dialog closes: the keyboard fields losing the focus then store nothing.
  bool closing_ = false;
  DatabaseReadScheduler reads_;

  QTabWidget* tabs_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* cancel_ = nullptr;

  DosFolder dos_;
  FolderPicker* dosPicker_ = nullptr;
  QTreeWidget* dosTree_ = nullptr;
  QPlainTextEdit* dosNotes_ = nullptr;

  std::filesystem::path databaseFile_;
  DatabaseLists lists_;
  std::shared_ptr<Job> job_;
  QThread* thread_ = nullptr;
  QTimer* progressTimer_ = nullptr;
  QTimer* requery_ = nullptr;
  TestListModel* model_ = nullptr;
  QTableView* table_ = nullptr;
  QLabel* listMessage_ = nullptr;
  QLabel* fileLabel_ = nullptr;
  QPlainTextEdit* dbNotes_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* progressText_ = nullptr;
  QPushButton* cancelRead_ = nullptr;
  QPushButton* databaseButton_ = nullptr;
  QComboBox* kind_ = nullptr;
  QComboBox* side_ = nullptr;
  QComboBox* operator_ = nullptr;
  QComboBox* customer_ = nullptr;
  QCheckBox* anyDate_ = nullptr;
  QCheckBox* today_ = nullptr;
  QDateEdit* from_ = nullptr;
  QDateEdit* to_ = nullptr;
  std::array<FilterRowWidgets, 4> rows_;
  std::array<QComboBox*, 3> sorts_{};
  QListWidget* columns_ = nullptr;

  std::filesystem::path csvFile_;
  std::string csvLayout_;
  QLineEdit* csvFileEdit_ = nullptr;
  QTableWidget* csvPreview_ = nullptr;
  QLabel* csvMessage_ = nullptr;
  std::array<QComboBox*, 4> csvColumns_{};
  QComboBox* csvLiftUnit_ = nullptr;
  QComboBox* csvFlowUnit_ = nullptr;
  QComboBox* csvDepressionUnit_ = nullptr;
  QLineEdit* csvDepression_ = nullptr;
  QCheckBox* csvCorrect_ = nullptr;
  QLineEdit* csvCorrectTo_ = nullptr;
  QLineEdit* csvValve_ = nullptr;

  KeyboardFlowEntry keyboard_;
  std::array<std::array<QLineEdit*, 3>, KeyboardFlowEntry::kRows + 1> keyFields_{};
};

}  // namespace orv
