#pragma once

#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/database_read_scheduler.h"
#include "app/database_tab.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QThread;
class QTimer;

namespace orv {

class Application;
class TestListModel;
struct Settings;

// The "Windows Sylfaro Tests" tab of the flow test dialog: the flow bench's test database with
// its filters, sort keys and columns, the tests it lists and the notes of the selected one.
//
// The database is read away from the window's thread, one read at a time in the order the read
// scheduler decides, with a progress bar and a Cancel; the window keeps handling its events
// meanwhile.
class FlowDatabaseTab final : public QWidget {
  Q_OBJECT

 public:
  FlowDatabaseTab(Application& app, bool intake, QWidget* parent = nullptr);
  ~FlowDatabaseTab() override;

  // The tab is shown: the first time, the database of the configuration is read.
  void Shown();
  // The database file as the "Database File" button takes it: checked, kept as the
  // configuration's database and read (away from the window's thread).
  void UseDatabaseFile(const std::filesystem::path& file);
  // Lists the tests for the current choices again.
  void RefreshList();
  // The choices of the tab as the core's list query takes them.
  TestListSettings Choices() const;
  bool busy() const noexcept { return thread_ != nullptr; }
  // Cancels the read that runs (the tab's own Cancel).
  void CancelRead();
  const std::filesystem::path& databaseFile() const noexcept { return databaseFile_; }
  const DatabaseLists& databaseLists() const noexcept { return lists_; }
  TestListModel* testListModel() const noexcept { return model_; }
  QTableView* testTable() const noexcept { return table_; }
  QPlainTextEdit* testNotes() const noexcept { return dbNotes_; }

  // Open: loads the selected test into the dialog's side, after `dropTypedPoints`. False when
  // nothing was loaded (a read runs, no test is selected, the test cannot be read).
  bool Open(const std::function<void()>& dropTypedPoints);
  // The dialog asks to close with `result`: while a read runs it is cancelled and true is
  // returned; `closeRequested` follows once the read has ended.
  bool AskClose(int result);
  void SaveSettings(Settings& settings) const;

 Q_SIGNALS:
  // A read ended: done, failed or cancelled.
  void readFinished();
  // A test was double-clicked: the dialog opens it.
  void openRequested();
  // A close that waited for a read may go ahead now.
  void closeRequested(int result);

 private:
  struct Job;
  using JobKind = DatabaseRead::Kind;
  struct FilterRowWidgets {
    QComboBox* connector = nullptr;
    QComboBox* field = nullptr;
    QComboBox* relation = nullptr;
    QLineEdit* value = nullptr;
  };

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

  Application& app_;
  bool intake_;
  bool databaseStarted_ = false;
  bool listsRead_ = false;
  bool restoring_ = false;
  DatabaseReadScheduler reads_;

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
};

}  // namespace orv
