#include "shell/flow_database_tab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <utility>

#include "airflow/jet_errors.h"
#include "airflow/load_test.h"
#include "app/application.h"
#include "app/test_list_settings.h"
#include "base/date_text.h"
#include "base/error_trace.h"
#include "shell/flow_tab_text.h"
#include "shell/test_list_model.h"

namespace orv {

namespace {

constexpr const char* kConnectors[] = {"Not Used", "AND", "OR"};
constexpr const char* kRelations[] = {" = ", " < ", " > ", "includes"};
constexpr const char* kSideCaptions[] = {"Intake or Exhaust", "Intake", "Exhaust"};
constexpr const char* kNotUsedSort = "[Not Used]";
// Pause after a change of the choices before the list is read again, so that typing a value
// or stepping through a list reads once.
constexpr int kRequeryDelayMs = 300;
constexpr int kProgressPollMs = 40;
constexpr int kTestNameColumn = 3;

QDate QDateOfDay(double dayNumber) {
  const CivilDate d = DateOfDayNumber(dayNumber);
  return QDate(d.year, d.month, d.day);
}

double DayOfQDate(const QDate& date) { return DayNumber(date.year(), date.month(), date.day()); }

double TodayNumber() { return DayNumberOfDate(Today()); }

}  // namespace

// One read of the database tab, shared by the window's thread and the thread that runs it.
// The window's thread writes the request before the run and reads the results after it; while
// it runs, only the atomics are shared.
struct FlowDatabaseTab::Job {
  // Request.
  JobKind kind = JobKind::List;
  std::filesystem::path file;
  bool check = false;
  Settings saved;  // the configuration's choices, restored after the lists are read
  TestListSettings choices;
  CustomNames customNames;
  std::int32_t notesId = 0;
  bool chosen = false;  // the user chose the file (rather than the configuration naming it)

  // Progress.
  std::atomic<bool> cancel{false};
  std::atomic<int> step{0};
  std::atomic<std::int64_t> done{0};
  std::atomic<std::int64_t> total{-1};

  // Results.
  bool cancelled = false;
  bool checkFailed = false;
  std::string checkReason;
  std::string error;  // the message with its trace
  std::optional<DatabaseLists> lists;
  std::optional<TestListSettings> restored;
  std::optional<DatabaseTestList> list;
  std::optional<std::string> notes;

  void Run(TestDatabaseCache& cache) {
    ETracker guard(kFlowTestsForm, "ReadDatabase");
    const DatabaseProgressFn progress = [this](const DatabaseProgress& p) {
      step.store(static_cast<int>(p.step));
      done.store(p.done);
      total.store(p.total);
      return !cancel.load();
    };
    try {
      if (check && !CheckDatabaseTabFile(cache, file, &checkReason)) {
        checkFailed = true;
        return;
      }
      if (cancel.load()) throw DatabaseReadCancelled();
      TestDatabase& db = cache.Open(file);
      switch (kind) {
        case JobKind::Open: {
          lists = ReadDatabaseLists(db, progress);
          restored =
              RestoreTestListSettings(saved, lists->operators, lists->customers, TodayNumber());
          list = ListDatabaseTests(db, *restored, lists->customNames, progress);
          break;
        }
        case JobKind::List:
          list = ListDatabaseTests(db, choices, customNames, progress);
          break;
        case JobKind::Notes:
          notes = ReadDatabaseTestNotes(db, notesId, progress);
          break;
      }
    } catch (const DatabaseReadCancelled&) {
      cancelled = true;
    } catch (...) {
      error = EStackTrace::Instance().ReportCurrentException(guard);
    }
  }
};

FlowDatabaseTab::FlowDatabaseTab(Application& app, bool intake, QWidget* parent)
    : QWidget(parent), app_(app), intake_(intake) {
  setObjectName("pgDatabase");
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kProgressPollMs);
  connect(progressTimer_, &QTimer::timeout, this, &FlowDatabaseTab::ShowProgress);
  requery_ = new QTimer(this);
  requery_->setSingleShot(true);
  requery_->setInterval(kRequeryDelayMs);
  connect(requery_, &QTimer::timeout, this, &FlowDatabaseTab::RefreshList);

  databaseButton_ = new QPushButton("Database File", this);
  databaseButton_->setObjectName("cmdDatabaseFile");
  fileLabel_ = new QLabel(this);
  fileLabel_->setObjectName("lblDatabaseFile");
  fileLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  kind_ = new QComboBox(this);
  kind_->setObjectName("cmbTestKind");
  for (int kind : kTestListKinds) kind_->addItem(FlowText(TestKindName(kind)));
  side_ = new QComboBox(this);
  side_->setObjectName("cmbIntExh");
  for (const char* caption : kSideCaptions) side_->addItem(caption);
  operator_ = new QComboBox(this);
  operator_->setObjectName("cmbOperator");
  operator_->addItem(kAnyListEntry);
  customer_ = new QComboBox(this);
  customer_->setObjectName("cmbCustomer");
  customer_->addItem(kAnyListEntry);
  anyDate_ = new QCheckBox("Any Date", this);
  anyDate_->setObjectName("chkAnyDate");
  anyDate_->setChecked(true);
  today_ = new QCheckBox("Today", this);
  today_->setObjectName("chkToday");
  from_ = new QDateEdit(QDate::currentDate(), this);
  from_->setObjectName("dtpFrom");
  from_->setCalendarPopup(true);
  to_ = new QDateEdit(QDate::currentDate(), this);
  to_->setObjectName("dtpTo");
  to_->setCalendarPopup(true);

  auto* filters = new QGridLayout;
  filters->addWidget(new QLabel("Test Kind", this), 0, 0);
  filters->addWidget(kind_, 0, 1);
  filters->addWidget(new QLabel("Intake/Exhaust", this), 0, 2);
  filters->addWidget(side_, 0, 3);
  filters->addWidget(new QLabel("Operator", this), 1, 0);
  filters->addWidget(operator_, 1, 1);
  filters->addWidget(new QLabel("Customer", this), 1, 2);
  filters->addWidget(customer_, 1, 3);
  auto* dates = new QHBoxLayout;
  dates->addWidget(anyDate_);
  dates->addWidget(today_);
  dates->addWidget(new QLabel("From", this));
  dates->addWidget(from_);
  dates->addWidget(new QLabel("To", this));
  dates->addWidget(to_);
  dates->addStretch(1);
  filters->addLayout(dates, 2, 0, 1, 4);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    FilterRowWidgets& row = rows_[i];
    row.connector = new QComboBox(this);
    row.connector->setObjectName(QString("cmbJoin%1").arg(i));
    for (const char* c : kConnectors) row.connector->addItem(c);
    row.field = new QComboBox(this);
    row.field->setObjectName(QString("cmbField%1").arg(i));
    row.relation = new QComboBox(this);
    row.relation->setObjectName(QString("cmbRelation%1").arg(i));
    row.value = new QLineEdit(this);
    row.value->setObjectName(QString("txtValue%1").arg(i));
    const int r = 3 + static_cast<int>(i);
    filters->addWidget(row.connector, r, 0);
    filters->addWidget(row.field, r, 1);
    filters->addWidget(row.relation, r, 2);
    filters->addWidget(row.value, r, 3);
  }
  auto* sortLine = new QHBoxLayout;
  sortLine->addWidget(new QLabel("Sort by", this));
  for (std::size_t i = 0; i < sorts_.size(); ++i) {
    sorts_[i] = new QComboBox(this);
    sorts_[i]->setObjectName(QString("cmbSort%1").arg(i));
    sortLine->addWidget(sorts_[i], 1);
  }
  filters->addLayout(sortLine, 7, 0, 1, 4);

  columns_ = new QListWidget(this);
  columns_->setObjectName("lstColumns");
  auto* showAll = new QPushButton("Show All", this);
  showAll->setObjectName("cmdShowAll");
  auto* hideAll = new QPushButton("Hide All", this);
  hideAll->setObjectName("cmdHideAll");
  auto* columnBox = new QVBoxLayout;
  columnBox->addWidget(new QLabel("Columns", this));
  columnBox->addWidget(columns_, 1);
  auto* columnButtons = new QHBoxLayout;
  columnButtons->addWidget(showAll);
  columnButtons->addWidget(hideAll);
  columnBox->addLayout(columnButtons);

  auto* choices = new QHBoxLayout;
  choices->addLayout(filters, 3);
  choices->addLayout(columnBox, 1);

  model_ = new TestListModel(this);
  table_ = new QTableView(this);
  table_->setObjectName("grdTests");
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table_->horizontalHeader()->setDefaultSectionSize(110);
  table_->horizontalHeader()->setResizeContentsPrecision(100);
  listMessage_ = new QLabel(this);
  listMessage_->setObjectName("lblListMessage");
  listMessage_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  listMessage_->hide();

  progress_ = new QProgressBar(this);
  progress_->setObjectName("prgRead");
  progressText_ = new QLabel(this);
  progressText_->setObjectName("lblProgress");
  cancelRead_ = new QPushButton("Cancel", this);
  cancelRead_->setObjectName("cmdCancelRead");
  auto* progressLine = new QHBoxLayout;
  progressLine->addWidget(progressText_);
  progressLine->addWidget(progress_, 1);
  progressLine->addWidget(cancelRead_);
  progress_->hide();
  progressText_->hide();
  cancelRead_->hide();

  dbNotes_ = new QPlainTextEdit(this);
  dbNotes_->setObjectName("txtNotes");
  dbNotes_->setReadOnly(true);
  dbNotes_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  dbNotes_->setLineWrapMode(QPlainTextEdit::NoWrap);
  dbNotes_->setMaximumHeight(9 * dbNotes_->fontMetrics().height() + 12);

  auto* fileLine = new QHBoxLayout;
  fileLine->addWidget(databaseButton_);
  fileLine->addWidget(fileLabel_, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fileLine);
  layout->addLayout(choices);
  layout->addLayout(progressLine);
  layout->addWidget(listMessage_);
  layout->addWidget(table_, 3);
  layout->addWidget(dbNotes_, 1);

  FillFieldLists();

  connect(databaseButton_, &QPushButton::clicked, this, &FlowDatabaseTab::ChooseDatabaseFile);
  connect(cancelRead_, &QPushButton::clicked, this, &FlowDatabaseTab::CancelRead);
  connect(showAll, &QPushButton::clicked, this, [this] { SetAllColumns(true); });
  connect(hideAll, &QPushButton::clicked, this, [this] { SetAllColumns(false); });
  for (QComboBox* box : {kind_, side_, operator_, customer_}) {
    connect(box, &QComboBox::currentIndexChanged, this, &FlowDatabaseTab::ChoicesChanged);
  }
  connect(anyDate_, &QCheckBox::toggled, this, &FlowDatabaseTab::ChoicesChanged);
  connect(today_, &QCheckBox::toggled, this, [this](bool on) {
    if (on && !restoring_) {
      const QSignalBlocker a(from_), b(to_);
      from_->setDate(QDate::currentDate());
      to_->setDate(QDate::currentDate());
    }
    ChoicesChanged();
  });
  connect(from_, &QDateEdit::dateChanged, this, &FlowDatabaseTab::DatesChanged);
  connect(to_, &QDateEdit::dateChanged, this, &FlowDatabaseTab::DatesChanged);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const FilterRowWidgets& row = rows_[i];
    connect(row.connector, &QComboBox::currentIndexChanged, this, &FlowDatabaseTab::ChoicesChanged);
    connect(row.field, &QComboBox::currentIndexChanged, this,
            [this, i] { FieldChosen(static_cast<int>(i)); });
    connect(row.relation, &QComboBox::currentIndexChanged, this, &FlowDatabaseTab::ChoicesChanged);
    connect(row.value, &QLineEdit::editingFinished, this, &FlowDatabaseTab::ChoicesChanged);
  }
  for (QComboBox* sort : sorts_) {
    connect(sort, &QComboBox::currentIndexChanged, this, &FlowDatabaseTab::ChoicesChanged);
  }
  connect(columns_, &QListWidget::itemChanged, this, &FlowDatabaseTab::ChoicesChanged);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &FlowDatabaseTab::TestSelected);
  connect(table_, &QTableView::doubleClicked, this, &FlowDatabaseTab::openRequested);
}

// The field, sort and column lists from the database's custom data names (none before the
// database is read).
void FlowDatabaseTab::FillFieldLists() {
  const std::vector<FilterField> fields = TestFilterFields(lists_.customNames);
  const std::vector<DisplayColumn> columns = TestDisplayColumns(lists_.customNames);
  const bool wasRestoring = std::exchange(restoring_, true);
  for (FilterRowWidgets& row : rows_) {
    const int chosen = std::max(0, row.field->currentIndex());
    row.field->clear();
    for (const FilterField& f : fields) row.field->addItem(FlowText(f.caption));
    row.field->setCurrentIndex(std::min(chosen, row.field->count() - 1));
  }
  for (QComboBox* sort : sorts_) {
    const int chosen = std::max(0, sort->currentIndex());
    sort->clear();
    sort->addItem(kNotUsedSort);
    for (const DisplayColumn& c : columns) sort->addItem(FlowText(c.caption));
    sort->setCurrentIndex(std::min(chosen, sort->count() - 1));
  }
  std::vector<bool> shown;
  for (int i = 0; i < columns_->count(); ++i)
    shown.push_back(columns_->item(i)->checkState() == Qt::Checked);
  if (shown.empty()) {
    shown.assign(columns.size(), false);
    for (int c : TestListSettings{}.shownColumns) shown[static_cast<std::size_t>(c)] = true;
  }
  {
    const QSignalBlocker block(columns_);
    columns_->clear();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      auto* item = new QListWidgetItem(FlowText(columns[i].caption), columns_);
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
      item->setCheckState(i < shown.size() && shown[i] ? Qt::Checked : Qt::Unchecked);
    }
  }
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) FieldChosen(i);
  restoring_ = wasRestoring;
}

// "includes" is offered for text fields only.
void FlowDatabaseTab::FieldChosen(int i) {
  const FilterRowWidgets& row = rows_.at(static_cast<std::size_t>(i));
  const std::vector<FilterField> fields = TestFilterFields(lists_.customNames);
  const int f = row.field->currentIndex();
  const bool text = f >= 0 && static_cast<std::size_t>(f) < fields.size() &&
                    fields[static_cast<std::size_t>(f)].text;
  const int relation = std::max(0, row.relation->currentIndex());
  {
    const QSignalBlocker block(row.relation);
    row.relation->clear();
    for (int r = 0; r < (text ? 4 : 3); ++r) row.relation->addItem(kRelations[r]);
    row.relation->setCurrentIndex(relation < row.relation->count() ? relation : 0);
  }
  ChoicesChanged();
}

TestListSettings FlowDatabaseTab::Choices() const {
  TestListSettings s;
  s.kind = kTestListKinds[std::max(0, kind_->currentIndex())];
  s.anyDate = anyDate_->isChecked();
  s.today = today_->isChecked();
  s.todayDate = TodayNumber();
  s.fromDate = DayOfQDate(from_->date());
  s.toDate = DayOfQDate(to_->date());
  if (operator_->currentIndex() > 0) s.operatorName = operator_->currentText().toStdString();
  const int customer = customer_->currentIndex();
  if (customer > 0 && static_cast<std::size_t>(customer) <= lists_.customers.size()) {
    s.customerId = lists_.customers[static_cast<std::size_t>(customer - 1)].id;
  }
  s.side = static_cast<SideFilter>(std::max(0, side_->currentIndex()));
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    s.rows[i].connector =
        static_cast<FilterConnector>(std::max(0, rows_[i].connector->currentIndex()));
    s.rows[i].field = std::max(0, rows_[i].field->currentIndex());
    s.rows[i].relation =
        static_cast<FilterRelation>(std::max(0, rows_[i].relation->currentIndex()));
    s.rows[i].value = rows_[i].value->text().toStdString();
  }
  s.shownColumns.clear();
  for (int i = 0; i < columns_->count(); ++i) {
    if (columns_->item(i)->checkState() == Qt::Checked) s.shownColumns.push_back(i);
  }
  for (std::size_t i = 0; i < sorts_.size(); ++i) s.sortColumns[i] = sorts_[i]->currentIndex() - 1;
  return s;
}

void FlowDatabaseTab::ShowChoices(const TestListSettings& s) {
  const bool wasRestoring = std::exchange(restoring_, true);
  const QSignalBlocker b1(kind_), b2(side_), b3(operator_), b4(customer_), b5(anyDate_), b6(today_),
      b7(from_), b8(to_), b9(columns_);
  for (std::size_t k = 0; k < std::size(kTestListKinds); ++k) {
    if (kTestListKinds[k] == s.kind) kind_->setCurrentIndex(static_cast<int>(k));
  }
  side_->setCurrentIndex(static_cast<int>(s.side));
  const int op = s.operatorName.empty() ? 0 : operator_->findText(FlowText(s.operatorName));
  operator_->setCurrentIndex(std::max(0, op));
  customer_->setCurrentIndex(0);
  for (std::size_t c = 0; c < lists_.customers.size(); ++c) {
    if (s.customerId && lists_.customers[c].id == *s.customerId)
      customer_->setCurrentIndex(static_cast<int>(c) + 1);
  }
  anyDate_->setChecked(s.anyDate);
  today_->setChecked(s.today);
  from_->setDate(QDateOfDay(s.today ? s.todayDate : s.fromDate));
  to_->setDate(QDateOfDay(s.today ? s.todayDate : s.toDate));
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const QSignalBlocker r1(rows_[i].connector), r2(rows_[i].field), r3(rows_[i].value);
    rows_[i].connector->setCurrentIndex(static_cast<int>(s.rows[i].connector));
    rows_[i].field->setCurrentIndex(s.rows[i].field);
    FieldChosen(static_cast<int>(i));
    const QSignalBlocker r4(rows_[i].relation);
    rows_[i].relation->setCurrentIndex(static_cast<int>(s.rows[i].relation));
    rows_[i].value->setText(FlowText(s.rows[i].value));
  }
  for (std::size_t i = 0; i < sorts_.size(); ++i) {
    const QSignalBlocker b(sorts_[i]);
    sorts_[i]->setCurrentIndex(s.sortColumns[i] + 1);
  }
  for (int i = 0; i < columns_->count(); ++i) columns_->item(i)->setCheckState(Qt::Unchecked);
  for (int c : s.shownColumns) {
    if (c >= 0 && c < columns_->count()) columns_->item(c)->setCheckState(Qt::Checked);
  }
  restoring_ = wasRestoring;
}

void FlowDatabaseTab::SetAllColumns(bool shown) {
  {
    const QSignalBlocker block(columns_);
    for (int i = 0; i < columns_->count(); ++i)
      columns_->item(i)->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
  }
  ChoicesChanged();
}

// A date picker set to a day other than today clears "Today".
void FlowDatabaseTab::DatesChanged() {
  if (!restoring_ && today_->isChecked() &&
      (from_->date() != QDate::currentDate() || to_->date() != QDate::currentDate())) {
    const QSignalBlocker block(today_);
    today_->setChecked(false);
  }
  ChoicesChanged();
}

void FlowDatabaseTab::ChoicesChanged() {
  if (restoring_ || !listsRead_) return;
  requery_->start();
}

void FlowDatabaseTab::RefreshList() {
  requery_->stop();
  if (!listsRead_) return;
  Apply(reads_.Ask(DatabaseRead{JobKind::List}));
}

void FlowDatabaseTab::ChooseDatabaseFile() {
  const std::optional<std::string> file =
      app_.prompter().AskFileName(Prompter::FileKind::OpenDatabase, databaseFile_.string());
  if (file) UseDatabaseFile(*file);
}

void FlowDatabaseTab::UseDatabaseFile(const std::filesystem::path& file) {
  databaseStarted_ = true;
  databaseFile_ = file;
  fileLabel_->setText(FlowText(file.string()));
  // A read still running is cancelled; the new file is read when it has ended.
  Apply(reads_.Ask(DatabaseRead{JobKind::Open, true, true}));
}

void FlowDatabaseTab::CancelRead() {
  if (job_ != nullptr && thread_ != nullptr) {
    job_->cancel.store(true);
    progressText_->setText("Cancelling");
  }
}

void FlowDatabaseTab::Apply(const DatabaseReadStep& step) {
  if (step.cancelRunning) CancelRead();
  if (step.start) StartJob(*step.start);
  if (step.close) Q_EMIT closeRequested(*step.close);
}

void FlowDatabaseTab::StartJob(const DatabaseRead& read) {
  const JobKind kind = read.kind;
  auto job = std::make_shared<Job>();
  job->kind = kind;
  job->file = databaseFile_;
  job->check = read.check;
  job->saved = app_.settings();
  job->choices = Choices();
  job->customNames = lists_.customNames;
  job->notesId = read.notesId;
  job->chosen = read.chosen;
  job_ = job;
  TestDatabaseCache& cache = app_.testDatabases();
  thread_ = QThread::create([job, &cache] { job->Run(cache); });
  connect(thread_, &QThread::finished, this, [this, job] { JobFinished(job); });
  connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
  if (kind != JobKind::Notes) {
    progress_->setRange(0, 0);
    progressText_->setText(kind == JobKind::Open ? "Reading the database" : "Listing the tests");
    progress_->show();
    progressText_->show();
    cancelRead_->show();
    progressTimer_->start();
  }
  thread_->start();
}

void FlowDatabaseTab::ShowProgress() {
  if (job_ == nullptr || thread_ == nullptr || job_->cancel.load()) return;
  const std::int64_t done = job_->done.load();
  const std::int64_t total = job_->total.load();
  const bool filling = job_->step.load() == static_cast<int>(DatabaseProgress::Step::FillingList);
  if (total > 0) {
    progress_->setRange(0, 1000);
    progress_->setValue(static_cast<int>(std::min<std::int64_t>(1000, done * 1000 / total)));
  } else {
    progress_->setRange(0, 0);
  }
  progressText_->setText(filling ? QString("Listing the tests: %1").arg(done)
                                 : QString("Reading the database: %1 rows").arg(done));
}

void FlowDatabaseTab::JobFinished(const std::shared_ptr<Job>& job) {
  thread_ = nullptr;
  progressTimer_->stop();
  progress_->hide();
  progressText_->hide();
  cancelRead_->hide();
  if (job->checkFailed) {
    // The file the user chose is told why it is refused; the configuration's file is not.
    ShowDatabaseNeeded();
    if (job->chosen) app_.prompter().Warn(job->checkReason, kAppTitle);
  } else if (!job->error.empty()) {
    if (job->kind == JobKind::Open) ShowDatabaseNeeded();
    app_.prompter().Warn(job->error, kAppTitle);
  } else if (!job->cancelled) {
    if (job->check) {
      app_.EditSettings().flowDatabase = databaseFile_.string();
    }
    if (job->lists) {
      lists_ = std::move(*job->lists);
      listsRead_ = true;
      ShowLists();
      ShowChoices(*job->restored);
    }
    if (job->list) {
      const std::vector<DisplayColumn> columns = TestDisplayColumns(lists_.customNames);
      listMessage_->setVisible(!job->list->list.message.empty());
      listMessage_->setText(FlowText(job->list->list.message));
      table_->show();
      const bool truncated = job->list->list.truncated;
      model_->SetList(std::move(job->list->list), columns);
      // Widths from the first rows only, so that a long list is shown at once.
      table_->resizeColumnsToContents();
      dbNotes_->clear();
      if (truncated) TellTruncatedList(model_->list(), app_.prompter());
    }
    if (job->notes) dbNotes_->setPlainText(FlowText(*job->notes));
  } else if (job->kind == JobKind::Open && !listsRead_) {
    ShowDatabaseNeeded();
  }
  Q_EMIT readFinished();
  Apply(reads_.Finished());
}

void FlowDatabaseTab::ShowDatabaseNeeded() {
  listsRead_ = false;
  model_->Clear();
  table_->hide();
  dbNotes_->clear();
  listMessage_->setText(FlowText(kDatabaseNeededText));
  listMessage_->show();
}

// The operator and customer lists and the field lists of the database just read.
void FlowDatabaseTab::ShowLists() {
  const bool wasRestoring = std::exchange(restoring_, true);
  {
    const QSignalBlocker b1(operator_), b2(customer_);
    operator_->clear();
    operator_->addItem(kAnyListEntry);
    for (const std::string& name : lists_.operators) operator_->addItem(FlowText(name));
    customer_->clear();
    customer_->addItem(kAnyListEntry);
    for (const Customer& c : lists_.customers) customer_->addItem(FlowText(c.name));
  }
  FillFieldLists();
  restoring_ = wasRestoring;
}

void FlowDatabaseTab::TestSelected() {
  const std::int32_t id = model_->TestIdAt(table_->currentIndex().row());
  if (id < 0) return;
  DatabaseRead notes{JobKind::Notes};
  notes.notesId = id;
  Apply(reads_.Ask(notes));
}

FlowDatabaseTab::~FlowDatabaseTab() {
  // A read still running is stopped at its next progress report; the database must not be
  // used by two threads, so the tab waits for it.
  if (thread_ != nullptr) {
    job_->cancel.store(true);
    thread_->wait();
  }
}

void FlowDatabaseTab::Shown() {
  if (databaseStarted_) return;
  databaseStarted_ = true;
  databaseFile_ = app_.settings().flowDatabase;
  fileLabel_->setText(FlowText(databaseFile_.string()));
  if (databaseFile_.empty()) {
    ShowDatabaseNeeded();
  } else {
    Apply(reads_.Ask(DatabaseRead{JobKind::Open, true}));
  }
}

bool FlowDatabaseTab::Open(const std::function<void()>& dropTypedPoints) {
  if (thread_ != nullptr) return false;  // the database is being read
  const int row = table_->currentIndex().row();
  const std::int32_t id = model_->TestIdAt(row);
  if (id < 0) return false;
  std::string name;
  const TestList& list = model_->list();
  for (std::size_t c = 0; c < list.columns.size(); ++c) {
    if (list.columns[c] == kTestNameColumn) name = list.rows[static_cast<std::size_t>(row)][c];
  }
  dropTypedPoints();
  std::int32_t kind = kAnyKindOfDatabaseTest;
  const FlowError err =
      app_.document().LoadDatabaseFlowTest(intake_, databaseFile_.string(), id, kind, name);
  if (err != FlowError::Ok) {
    app_.prompter().Warn(FlowLoadFailureText(databaseFile_.string(), err), kAppTitle);
    return false;
  }
  return true;
}

bool FlowDatabaseTab::AskClose(int result) {
  if (!reads_.running()) return false;
  Apply(reads_.AskClose(result));
  return true;
}

void FlowDatabaseTab::SaveSettings(Settings& settings) const {
  // The choices are kept only when they were shown from a database: without its operator and
  // customer lists they would be saved as "any".
  if (listsRead_) SaveTestListSettings(Choices(), lists_.customers, settings);
}

}  // namespace orv
