#include "shell/flow_test_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <atomic>
#include <utility>

#include "airflow/jet_errors.h"
#include "airflow/load_test.h"
#include "app/application.h"
#include "app/csv_flow_tab.h"
#include "app/test_list_settings.h"
#include "base/atomic_file.h"
#include "base/date_text.h"
#include "base/error_trace.h"
#include "base/folder_files.h"
#include "base/text_number.h"
#include "shell/command_runner.h"
#include "shell/folder_picker.h"
#include "shell/test_list_model.h"

namespace orv {

namespace {

constexpr const char* kModule = "frmFlowTests";
constexpr const char* kTabCaptions[] = {"DOS Sylfaro Tests", "Windows Sylfaro Tests",
                                        "Keyboard Entered", "CSV File"};
// Rows of a CSV file shown in the preview.
constexpr int kCsvPreviewRows = 12;
// The depression the CSV tab suggests correcting to: the engine's airflow is quoted at 25
// inches of water.
constexpr const char* kSuggestedCorrectTo = "25";
constexpr int kFlowDialogTabs = 4;  // the tab strip's row of the interface texts' tab table
constexpr const char* kConnectors[] = {"Not Used", "AND", "OR"};
constexpr const char* kRelations[] = {" = ", " < ", " > ", "includes"};
constexpr const char* kSideCaptions[] = {"Intake or Exhaust", "Intake", "Exhaust"};
constexpr const char* kNotUsedSort = "[Not Used]";
// Pause after a change of the choices before the list is read again, so that typing a value
// or stepping through a list reads once.
constexpr int kRequeryDelayMs = 300;
constexpr int kProgressPollMs = 40;
constexpr int kTestNameColumn = 3;

// A text of the core as the dialog shows it: the core ends its lines with CR LF, the boxes
// with LF.
QString ToQ(const std::string& text) {
  return QString::fromStdString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QDate QDateOfDay(double dayNumber) {
  const CivilDate d = DateOfDayNumber(dayNumber);
  return QDate(d.year, d.month, d.day);
}

double DayOfQDate(const QDate& date) { return DayNumber(date.year(), date.month(), date.day()); }

double TodayNumber() { return DayNumberOfDate(Today()); }

QTreeWidgetItem* NodeItem(const FlowTestNode& node, int top, int child) {
  auto* item = new QTreeWidgetItem(QStringList{ToQ(node.text)});
  item->setData(0, Qt::UserRole, top);
  item->setData(0, Qt::UserRole + 1, child);
  return item;
}

NodeRef RefOf(const QTreeWidgetItem* item) {
  if (item == nullptr) return {};
  return NodeRef{item->data(0, Qt::UserRole).toInt(), item->data(0, Qt::UserRole + 1).toInt()};
}

}  // namespace

// One read of the database tab, shared by the window's thread and the thread that runs it.
// The window's thread writes the request before the run and reads the results after it; while
// it runs, only the atomics are shared.
struct FlowTestDialog::Job {
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
    ETracker guard(kModule, "ReadDatabase");
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

FlowTestDialog::FlowTestDialog(Application& app, bool intake, QWidget* parent)
    : QDialog(parent), app_(app), intake_(intake), keyboard_(app.document(), intake) {
  setObjectName("frmFlowTests");
  setWindowTitle(intake ? "Intake Flow Test" : "Exhaust Flow Test");

  tabs_ = new QTabWidget(this);
  tabs_->addTab(BuildDosTab(), kTabCaptions[kDosTab]);
  tabs_->addTab(BuildDatabaseTab(), kTabCaptions[kDatabaseTab]);
  tabs_->addTab(BuildKeyboardTab(), kTabCaptions[kKeyboardTab]);
  tabs_->addTab(BuildCsvTab(), kTabCaptions[kCsvTab]);
  // The captions of the interface texts replace the built-in ones.
  for (int tab = kDosTab; tab <= kKeyboardTab; ++tab) {
    const std::string& caption = app_.strings().Tab(kFlowDialogTabs, tab + 1);
    if (!caption.empty()) tabs_->setTabText(tab, ToQ(caption));
  }

  open_ = new QPushButton("Open", this);
  open_->setObjectName("cmdOpen");
  open_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName("cmdCancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(open_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(buttons);
  resize(900, 640);

  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kProgressPollMs);
  connect(progressTimer_, &QTimer::timeout, this, &FlowTestDialog::ShowProgress);
  requery_ = new QTimer(this);
  requery_->setSingleShot(true);
  requery_->setInterval(kRequeryDelayMs);
  connect(requery_, &QTimer::timeout, this, &FlowTestDialog::RefreshList);

  connect(open_, &QPushButton::clicked, this, &FlowTestDialog::OpenChosen);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  // The tab of the last opening; any value but the four tabs counts as the database tab.
  const int tab = app_.settings().flowTab;
  tabs_->setCurrentIndex(tab >= kDosTab && tab <= kCsvTab ? tab : kDatabaseTab);
  connect(tabs_, &QTabWidget::currentChanged, this, &FlowTestDialog::TabShown);
}

FlowTestDialog::~FlowTestDialog() {
  // A read still running is stopped at its next progress report; the database must not be
  // used by two threads, so the dialog waits for it.
  if (thread_ != nullptr) {
    job_->cancel.store(true);
    thread_->wait();
  }
}

// ---------------------------------------------------------------------------------------------
// DOS tab

QWidget* FlowTestDialog::BuildDosTab() {
  auto* page = new QWidget(this);
  dosPicker_ = new FolderPicker(page);
  dosTree_ = new QTreeWidget(page);
  dosTree_->setObjectName("tvwTests");
  dosTree_->setHeaderHidden(true);
  dosNotes_ = new QPlainTextEdit(page);
  dosNotes_->setObjectName("txtDosNotes");
  dosNotes_->setReadOnly(true);
  dosNotes_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  dosNotes_->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* top = new QHBoxLayout;
  top->addWidget(dosPicker_, 2);
  top->addWidget(dosTree_, 3);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(top, 3);
  layout->addWidget(dosNotes_, 2);

  connect(dosPicker_, &FolderPicker::folderChosen, this, &FlowTestDialog::ChangeDosFolder);
  connect(dosTree_, &QTreeWidget::currentItemChanged, this, &FlowTestDialog::DosSelectionChanged);
  connect(dosTree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    dosTree_->setCurrentItem(item);
    if (dos_.ChosenTest(RefOf(item))) OpenChosen();
  });
  return page;
}

void FlowTestDialog::ChangeDosFolder(const std::filesystem::path& folder) {
  RunCommand(app_, kModule, "dirDos_Change", [&] {
    dosPicker_->SetFolder(folder);
    dosTree_->clear();
    dosNotes_->setPlainText(ToQ(kReadingTestFilesNotice));
    dosNotes_->repaint();
    dos_.Refill(folder);
    FillDosTree();
  });
}

void FlowTestDialog::FillDosTree() {
  dosTree_->setUpdatesEnabled(false);
  {
    const QSignalBlocker block(dosTree_);
    dosTree_->clear();
    QList<QTreeWidgetItem*> items;
    const std::vector<FlowTestNode>& nodes = dos_.nodes();
    for (std::size_t t = 0; t < nodes.size(); ++t) {
      QTreeWidgetItem* item = NodeItem(nodes[t], static_cast<int>(t), -1);
      for (std::size_t c = 0; c < nodes[t].children.size(); ++c) {
        item->addChild(NodeItem(nodes[t].children[c], static_cast<int>(t), static_cast<int>(c)));
      }
      items.push_back(item);
    }
    dosTree_->addTopLevelItems(items);
    dosTree_->expandAll();
    const NodeRef selected = dos_.selected();
    if (selected.top >= 0 && selected.top < dosTree_->topLevelItemCount()) {
      QTreeWidgetItem* item = dosTree_->topLevelItem(selected.top);
      if (selected.child >= 0 && selected.child < item->childCount())
        item = item->child(selected.child);
      dosTree_->setCurrentItem(item);
    }
  }
  dosTree_->setUpdatesEnabled(true);
  // A folder that cannot be read lists nothing; the notes say why.
  dosNotes_->setPlainText(ToQ(dos_.folderFailure().empty() ? dos_.notes() : dos_.folderFailure()));
}

void FlowTestDialog::DosSelectionChanged() {
  RunCommand(app_, kModule, "tvwTests_NodeClick", [&] {
    dos_.Select(RefOf(dosTree_->currentItem()));
    dosNotes_->setPlainText(ToQ(dos_.notes()));
  });
}

// ---------------------------------------------------------------------------------------------
// Database tab

QWidget* FlowTestDialog::BuildDatabaseTab() {
  auto* page = new QWidget(this);

  databaseButton_ = new QPushButton("Database File", page);
  databaseButton_->setObjectName("cmdDatabaseFile");
  fileLabel_ = new QLabel(page);
  fileLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  kind_ = new QComboBox(page);
  kind_->setObjectName("cmbTestKind");
  for (int kind : kTestListKinds) kind_->addItem(ToQ(TestKindName(kind)));
  side_ = new QComboBox(page);
  side_->setObjectName("cmbIntExh");
  for (const char* caption : kSideCaptions) side_->addItem(caption);
  operator_ = new QComboBox(page);
  operator_->setObjectName("cmbOperator");
  operator_->addItem(kAnyListEntry);
  customer_ = new QComboBox(page);
  customer_->setObjectName("cmbCustomer");
  customer_->addItem(kAnyListEntry);
  anyDate_ = new QCheckBox("Any Date", page);
  anyDate_->setChecked(true);
  today_ = new QCheckBox("Today", page);
  from_ = new QDateEdit(QDate::currentDate(), page);
  from_->setCalendarPopup(true);
  to_ = new QDateEdit(QDate::currentDate(), page);
  to_->setCalendarPopup(true);

  auto* filters = new QGridLayout;
  filters->addWidget(new QLabel("Test Kind", page), 0, 0);
  filters->addWidget(kind_, 0, 1);
  filters->addWidget(new QLabel("Intake/Exhaust", page), 0, 2);
  filters->addWidget(side_, 0, 3);
  filters->addWidget(new QLabel("Operator", page), 1, 0);
  filters->addWidget(operator_, 1, 1);
  filters->addWidget(new QLabel("Customer", page), 1, 2);
  filters->addWidget(customer_, 1, 3);
  auto* dates = new QHBoxLayout;
  dates->addWidget(anyDate_);
  dates->addWidget(today_);
  dates->addWidget(new QLabel("From", page));
  dates->addWidget(from_);
  dates->addWidget(new QLabel("To", page));
  dates->addWidget(to_);
  dates->addStretch(1);
  filters->addLayout(dates, 2, 0, 1, 4);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    FilterRowWidgets& row = rows_[i];
    row.connector = new QComboBox(page);
    for (const char* c : kConnectors) row.connector->addItem(c);
    row.field = new QComboBox(page);
    row.relation = new QComboBox(page);
    row.value = new QLineEdit(page);
    const int r = 3 + static_cast<int>(i);
    filters->addWidget(row.connector, r, 0);
    filters->addWidget(row.field, r, 1);
    filters->addWidget(row.relation, r, 2);
    filters->addWidget(row.value, r, 3);
  }
  auto* sortLine = new QHBoxLayout;
  sortLine->addWidget(new QLabel("Sort by", page));
  for (QComboBox*& sort : sorts_) {
    sort = new QComboBox(page);
    sortLine->addWidget(sort, 1);
  }
  filters->addLayout(sortLine, 7, 0, 1, 4);

  columns_ = new QListWidget(page);
  columns_->setObjectName("lstColumns");
  auto* showAll = new QPushButton("Show All", page);
  auto* hideAll = new QPushButton("Hide All", page);
  auto* columnBox = new QVBoxLayout;
  columnBox->addWidget(new QLabel("Columns", page));
  columnBox->addWidget(columns_, 1);
  auto* columnButtons = new QHBoxLayout;
  columnButtons->addWidget(showAll);
  columnButtons->addWidget(hideAll);
  columnBox->addLayout(columnButtons);

  auto* choices = new QHBoxLayout;
  choices->addLayout(filters, 3);
  choices->addLayout(columnBox, 1);

  model_ = new TestListModel(this);
  table_ = new QTableView(page);
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
  listMessage_ = new QLabel(page);
  listMessage_->setObjectName("lblListMessage");
  listMessage_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  listMessage_->hide();

  progress_ = new QProgressBar(page);
  progress_->setObjectName("prgRead");
  progressText_ = new QLabel(page);
  cancelRead_ = new QPushButton("Cancel", page);
  cancelRead_->setObjectName("cmdCancelRead");
  auto* progressLine = new QHBoxLayout;
  progressLine->addWidget(progressText_);
  progressLine->addWidget(progress_, 1);
  progressLine->addWidget(cancelRead_);
  progress_->hide();
  progressText_->hide();
  cancelRead_->hide();

  dbNotes_ = new QPlainTextEdit(page);
  dbNotes_->setObjectName("txtNotes");
  dbNotes_->setReadOnly(true);
  dbNotes_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  dbNotes_->setLineWrapMode(QPlainTextEdit::NoWrap);
  dbNotes_->setMaximumHeight(9 * dbNotes_->fontMetrics().height() + 12);

  auto* fileLine = new QHBoxLayout;
  fileLine->addWidget(databaseButton_);
  fileLine->addWidget(fileLabel_, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(fileLine);
  layout->addLayout(choices);
  layout->addLayout(progressLine);
  layout->addWidget(listMessage_);
  layout->addWidget(table_, 3);
  layout->addWidget(dbNotes_, 1);

  FillFieldLists();

  connect(databaseButton_, &QPushButton::clicked, this, &FlowTestDialog::ChooseDatabaseFile);
  connect(cancelRead_, &QPushButton::clicked, this, &FlowTestDialog::CancelDatabaseRead);
  connect(showAll, &QPushButton::clicked, this, [this] { SetAllColumns(true); });
  connect(hideAll, &QPushButton::clicked, this, [this] { SetAllColumns(false); });
  for (QComboBox* box : {kind_, side_, operator_, customer_}) {
    connect(box, &QComboBox::currentIndexChanged, this, &FlowTestDialog::ChoicesChanged);
  }
  connect(anyDate_, &QCheckBox::toggled, this, &FlowTestDialog::ChoicesChanged);
  connect(today_, &QCheckBox::toggled, this, [this](bool on) {
    if (on && !restoring_) {
      const QSignalBlocker a(from_), b(to_);
      from_->setDate(QDate::currentDate());
      to_->setDate(QDate::currentDate());
    }
    ChoicesChanged();
  });
  connect(from_, &QDateEdit::dateChanged, this, &FlowTestDialog::DatesChanged);
  connect(to_, &QDateEdit::dateChanged, this, &FlowTestDialog::DatesChanged);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const FilterRowWidgets& row = rows_[i];
    connect(row.connector, &QComboBox::currentIndexChanged, this, &FlowTestDialog::ChoicesChanged);
    connect(row.field, &QComboBox::currentIndexChanged, this,
            [this, i] { FieldChosen(static_cast<int>(i)); });
    connect(row.relation, &QComboBox::currentIndexChanged, this, &FlowTestDialog::ChoicesChanged);
    connect(row.value, &QLineEdit::editingFinished, this, &FlowTestDialog::ChoicesChanged);
  }
  for (QComboBox* sort : sorts_) {
    connect(sort, &QComboBox::currentIndexChanged, this, &FlowTestDialog::ChoicesChanged);
  }
  connect(columns_, &QListWidget::itemChanged, this, &FlowTestDialog::ChoicesChanged);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &FlowTestDialog::TestSelected);
  connect(table_, &QTableView::doubleClicked, this, [this] { OpenChosen(); });
  return page;
}

// The field, sort and column lists from the database's custom data names (none before the
// database is read).
void FlowTestDialog::FillFieldLists() {
  const std::vector<FilterField> fields = TestFilterFields(lists_.customNames);
  const std::vector<DisplayColumn> columns = TestDisplayColumns(lists_.customNames);
  const bool wasRestoring = std::exchange(restoring_, true);
  for (FilterRowWidgets& row : rows_) {
    const int chosen = std::max(0, row.field->currentIndex());
    row.field->clear();
    for (const FilterField& f : fields) row.field->addItem(ToQ(f.caption));
    row.field->setCurrentIndex(std::min(chosen, row.field->count() - 1));
  }
  for (QComboBox* sort : sorts_) {
    const int chosen = std::max(0, sort->currentIndex());
    sort->clear();
    sort->addItem(kNotUsedSort);
    for (const DisplayColumn& c : columns) sort->addItem(ToQ(c.caption));
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
      auto* item = new QListWidgetItem(ToQ(columns[i].caption), columns_);
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
      item->setCheckState(i < shown.size() && shown[i] ? Qt::Checked : Qt::Unchecked);
    }
  }
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) FieldChosen(i);
  restoring_ = wasRestoring;
}

// "includes" is offered for text fields only.
void FlowTestDialog::FieldChosen(int i) {
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

TestListSettings FlowTestDialog::Choices() const {
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

void FlowTestDialog::ShowChoices(const TestListSettings& s) {
  const bool wasRestoring = std::exchange(restoring_, true);
  const QSignalBlocker b1(kind_), b2(side_), b3(operator_), b4(customer_), b5(anyDate_), b6(today_),
      b7(from_), b8(to_), b9(columns_);
  for (std::size_t k = 0; k < std::size(kTestListKinds); ++k) {
    if (kTestListKinds[k] == s.kind) kind_->setCurrentIndex(static_cast<int>(k));
  }
  side_->setCurrentIndex(static_cast<int>(s.side));
  const int op = s.operatorName.empty() ? 0 : operator_->findText(ToQ(s.operatorName));
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
    rows_[i].value->setText(ToQ(s.rows[i].value));
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

void FlowTestDialog::SetAllColumns(bool shown) {
  {
    const QSignalBlocker block(columns_);
    for (int i = 0; i < columns_->count(); ++i)
      columns_->item(i)->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
  }
  ChoicesChanged();
}

// A date picker set to a day other than today clears "Today".
void FlowTestDialog::DatesChanged() {
  if (!restoring_ && today_->isChecked() &&
      (from_->date() != QDate::currentDate() || to_->date() != QDate::currentDate())) {
    const QSignalBlocker block(today_);
    today_->setChecked(false);
  }
  ChoicesChanged();
}

void FlowTestDialog::ChoicesChanged() {
  if (restoring_ || !listsRead_) return;
  requery_->start();
}

void FlowTestDialog::RefreshList() {
  requery_->stop();
  if (!listsRead_) return;
  Apply(reads_.Ask(DatabaseRead{JobKind::List}));
}

void FlowTestDialog::ChooseDatabaseFile() {
  const std::optional<std::string> file =
      app_.prompter().AskFileName(Prompter::FileKind::OpenDatabase, databaseFile_.string());
  if (file) UseDatabaseFile(*file);
}

void FlowTestDialog::UseDatabaseFile(const std::filesystem::path& file) {
  databaseStarted_ = true;
  databaseFile_ = file;
  fileLabel_->setText(ToQ(file.string()));
  // A read still running is cancelled; the new file is read when it has ended.
  Apply(reads_.Ask(DatabaseRead{JobKind::Open, true, true}));
}

void FlowTestDialog::CancelDatabaseRead() {
  if (job_ != nullptr && thread_ != nullptr) {
    job_->cancel.store(true);
    progressText_->setText("Cancelling");
  }
}

void FlowTestDialog::Apply(const DatabaseReadStep& step) {
  if (step.cancelRunning) CancelDatabaseRead();
  if (step.start) StartJob(*step.start);
  if (step.close) done(*step.close);
}

void FlowTestDialog::StartJob(const DatabaseRead& read) {
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

void FlowTestDialog::ShowProgress() {
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

void FlowTestDialog::JobFinished(const std::shared_ptr<Job>& job) {
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
      listMessage_->setText(ToQ(job->list->list.message));
      table_->show();
      const bool truncated = job->list->list.truncated;
      model_->SetList(std::move(job->list->list), columns);
      // Widths from the first rows only, so that a long list is shown at once.
      table_->resizeColumnsToContents();
      dbNotes_->clear();
      if (truncated) TellTruncatedList(model_->list(), app_.prompter());
    }
    if (job->notes) dbNotes_->setPlainText(ToQ(*job->notes));
  } else if (job->kind == JobKind::Open && !listsRead_) {
    ShowDatabaseNeeded();
  }
  Q_EMIT databaseReadFinished();
  Apply(reads_.Finished());
}

void FlowTestDialog::ShowDatabaseNeeded() {
  listsRead_ = false;
  model_->Clear();
  table_->hide();
  dbNotes_->clear();
  listMessage_->setText(ToQ(kDatabaseNeededText));
  listMessage_->show();
}

// The operator and customer lists and the field lists of the database just read.
void FlowTestDialog::ShowLists() {
  const bool wasRestoring = std::exchange(restoring_, true);
  {
    const QSignalBlocker b1(operator_), b2(customer_);
    operator_->clear();
    operator_->addItem(kAnyListEntry);
    for (const std::string& name : lists_.operators) operator_->addItem(ToQ(name));
    customer_->clear();
    customer_->addItem(kAnyListEntry);
    for (const Customer& c : lists_.customers) customer_->addItem(ToQ(c.name));
  }
  FillFieldLists();
  restoring_ = wasRestoring;
}

void FlowTestDialog::TestSelected() {
  const std::int32_t id = model_->TestIdAt(table_->currentIndex().row());
  if (id < 0) return;
  DatabaseRead notes{JobKind::Notes};
  notes.notesId = id;
  Apply(reads_.Ask(notes));
}

// ---------------------------------------------------------------------------------------------
// Keyboard tab

QWidget* FlowTestDialog::BuildKeyboardTab() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Lift", page), 0, 1);
  grid->addWidget(new QLabel("Flow", page), 0, 2);
  if (intake_) grid->addWidget(new QLabel("Swirl", page), 0, 3);
  const KeyboardFlowEntry::Field fields[] = {KeyboardFlowEntry::Field::Lift,
                                             KeyboardFlowEntry::Field::Cfm,
                                             KeyboardFlowEntry::Field::Swirl};
  for (int row = 1; row <= KeyboardFlowEntry::kRows; ++row) {
    grid->addWidget(new QLabel(QString::number(row), page), row, 0);
    for (int f = 0; f < (intake_ ? 3 : 2); ++f) {
      const KeyboardFlowEntry::Field field = fields[f];
      auto* edit = new QLineEdit(ToQ(keyboard_.Text(row, field)), page);
      edit->setObjectName(QString("%1%2")
                              .arg(f == 0   ? "txtLift"
                                   : f == 1 ? "txtCFM"
                                            : "txtSwirl")
                              .arg(row - 1));
      keyFields_[static_cast<std::size_t>(row)][static_cast<std::size_t>(f)] = edit;
      grid->addWidget(edit, row, f + 1);
      connect(edit, &QLineEdit::editingFinished, this, [this, edit, row, field] {
        // Open has taken the rows, or Cancel has put the tables back: the field that loses
        // the focus as the dialog closes changes nothing.
        if (closing_) return;
        RunCommand(app_, kModule, "txtKeyboard_LostFocus", [&] {
          keyboard_.Leave(row, field, edit->text().toStdString());
          edit->setText(ToQ(keyboard_.Text(row, field)));
        });
      });
    }
  }
  auto* column = new QVBoxLayout;
  column->addLayout(grid);
  column->addStretch(1);
  auto* layout = new QHBoxLayout(page);
  layout->addLayout(column);
  layout->addStretch(1);
  return page;
}

void FlowTestDialog::TakeOverKeyboardField() {
  const KeyboardFlowEntry::Field fields[] = {KeyboardFlowEntry::Field::Lift,
                                             KeyboardFlowEntry::Field::Cfm,
                                             KeyboardFlowEntry::Field::Swirl};
  for (int row = 1; row <= KeyboardFlowEntry::kRows; ++row) {
    for (std::size_t f = 0; f < 3; ++f) {
      QLineEdit* edit = keyFields_[static_cast<std::size_t>(row)][f];
      if (edit == nullptr || !edit->hasFocus() || !edit->isModified()) continue;
      keyboard_.Leave(row, fields[f], edit->text().toStdString());
      edit->setText(ToQ(keyboard_.Text(row, fields[f])));
    }
  }
}

QLineEdit* FlowTestDialog::keyboardField(int row, KeyboardFlowEntry::Field field) const {
  if (row < 1 || row > KeyboardFlowEntry::kRows) return nullptr;
  return keyFields_[static_cast<std::size_t>(row)][static_cast<std::size_t>(field)];
}

// ---------------------------------------------------------------------------------------------
// CSV tab

QWidget* FlowTestDialog::BuildCsvTab() {
  auto* page = new QWidget(this);
  csvFileEdit_ = new QLineEdit(page);
  csvFileEdit_->setObjectName("txtCsvFile");
  csvFileEdit_->setReadOnly(true);
  auto* choose = new QPushButton("File...", page);
  choose->setObjectName("cmdCsvFile");
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(new QLabel("CSV file:", page));
  fileRow->addWidget(csvFileEdit_, 1);
  fileRow->addWidget(choose);

  csvPreview_ = new QTableWidget(page);
  csvPreview_->setObjectName("grdCsvPreview");
  csvPreview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  csvMessage_ = new QLabel(page);
  csvMessage_->setObjectName("lblCsvMessage");
  csvMessage_->setWordWrap(true);

  auto* mapping = new QGroupBox("Columns", page);
  auto* form = new QGridLayout(mapping);
  const char* names[] = {"Lift", "Flow", "Depression", "Swirl"};
  for (std::size_t i = 0; i < csvColumns_.size(); ++i) {
    csvColumns_[i] = new QComboBox(mapping);
    csvColumns_[i]->setObjectName(QString("cmbCsv%1").arg(names[i]));
    form->addWidget(new QLabel(names[i], mapping), static_cast<int>(i), 0);
    form->addWidget(csvColumns_[i], static_cast<int>(i), 1);
  }
  csvLiftUnit_ = new QComboBox(mapping);
  csvLiftUnit_->setObjectName("cmbCsvLiftUnit");
  for (LiftUnit u : {LiftUnit::Inches, LiftUnit::Millimetres}) {
    csvLiftUnit_->addItem(QString::fromUtf8(UnitName(u).data(), qsizetype(UnitName(u).size())));
  }
  csvFlowUnit_ = new QComboBox(mapping);
  csvFlowUnit_->setObjectName("cmbCsvFlowUnit");
  for (FlowUnit u : {FlowUnit::Cfm, FlowUnit::CubicMetresPerMinute, FlowUnit::LitresPerSecond}) {
    csvFlowUnit_->addItem(QString::fromUtf8(UnitName(u).data(), qsizetype(UnitName(u).size())));
  }
  csvDepressionUnit_ = new QComboBox(mapping);
  csvDepressionUnit_->setObjectName("cmbCsvDepressionUnit");
  for (DepressionUnit u : {DepressionUnit::InchesOfWater, DepressionUnit::Kilopascals,
                           DepressionUnit::MillimetresOfWater}) {
    csvDepressionUnit_->addItem(
        QString::fromUtf8(UnitName(u).data(), qsizetype(UnitName(u).size())));
  }
  form->addWidget(csvLiftUnit_, 0, 2);
  form->addWidget(csvFlowUnit_, 1, 2);
  form->addWidget(csvDepressionUnit_, 2, 2);

  auto* test = new QGroupBox("Test", page);
  auto* testForm = new QFormLayout(test);
  csvDepression_ = new QLineEdit(test);
  csvDepression_->setObjectName("txtCsvDepression");
  csvDepression_->setPlaceholderText("from the file");
  testForm->addRow("Test depression (inH2O):", csvDepression_);
  csvCorrect_ = new QCheckBox("Correct the flows to (inH2O)", test);
  csvCorrect_->setObjectName("chkCsvCorrect");
  csvCorrectTo_ = new QLineEdit(kSuggestedCorrectTo, test);
  csvCorrectTo_->setObjectName("txtCsvCorrectTo");
  testForm->addRow(csvCorrect_, csvCorrectTo_);
  csvValve_ = new QLineEdit(test);
  csvValve_->setObjectName("txtCsvValve");
  csvValve_->setPlaceholderText("inches (optional)");
  testForm->addRow("Valve diameter:", csvValve_);

  auto* settingsRow = new QHBoxLayout;
  settingsRow->addWidget(mapping, 1);
  settingsRow->addWidget(test, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(fileRow);
  layout->addWidget(csvPreview_, 1);
  layout->addWidget(csvMessage_);
  layout->addLayout(settingsRow);

  connect(choose, &QPushButton::clicked, this, &FlowTestDialog::ChooseCsvFile);
  return page;
}

QComboBox* FlowTestDialog::csvColumnList(CsvQuantity quantity) const {
  switch (quantity) {
    case CsvQuantity::Lift:
      return csvColumns_[0];
    case CsvQuantity::Flow:
      return csvColumns_[1];
    case CsvQuantity::Depression:
      return csvColumns_[2];
    case CsvQuantity::Swirl:
      return csvColumns_[3];
    case CsvQuantity::None:
      break;
  }
  return nullptr;
}

void FlowTestDialog::ChooseCsvFile() {
  const QString start = csvFile_.empty() ? ToQ(app_.folders().dataRoot.string())
                                         : ToQ(csvFile_.parent_path().string());
  const QString file = QFileDialog::getOpenFileName(this, "CSV Flow Test", start,
                                                    "CSV files (*.csv *.tsv);;All files (*)");
  if (!file.isEmpty()) UseCsvFile(file.toStdString());
}

void FlowTestDialog::UseCsvFile(const std::filesystem::path& file) {
  RunCommand(app_, kModule, "cmdCsvFile_Click", [&] {
    csvFile_ = file;
    csvFileEdit_->setText(ToQ(file.string()));
    csvPreview_->clear();
    csvPreview_->setRowCount(0);
    csvPreview_->setColumnCount(0);
    std::string why;
    const std::optional<std::string> bytes = ReadWholeFile(file, &why, kMaxCsvFileBytes);
    const CsvPreview preview =
        bytes ? PreviewCsv(*bytes, kCsvPreviewRows) : CsvPreview{',', false, {}, {}, why};
    csvMessage_->setText(ToQ(preview.error));
    std::size_t columns = preview.header.size();
    for (const auto& row : preview.rows) columns = std::max(columns, row.size());
    csvPreview_->setColumnCount(static_cast<int>(columns));
    csvPreview_->setRowCount(static_cast<int>(preview.rows.size()));
    QStringList heads;
    for (std::size_t c = 0; c < columns; ++c) {
      heads << QString("%1: %2").arg(c + 1).arg(c < preview.header.size() ? ToQ(preview.header[c])
                                                                          : QString());
    }
    csvPreview_->setHorizontalHeaderLabels(heads);
    for (std::size_t r = 0; r < preview.rows.size(); ++r) {
      for (std::size_t c = 0; c < preview.rows[r].size(); ++c) {
        csvPreview_->setItem(static_cast<int>(r), static_cast<int>(c),
                             new QTableWidgetItem(ToQ(preview.rows[r][c])));
      }
    }
    for (QComboBox* list : csvColumns_) {
      list->clear();
      list->addItem("(none)");
      list->addItems(heads);
    }
    csvLayout_ = CsvLayoutKey(preview);
    const CsvTabMapping m = InitialCsvMapping(app_.settings(), preview);
    const std::array<int, 4> chosen{m.columns.lift, m.columns.flow, m.columns.depression,
                                    m.columns.swirl};
    for (std::size_t i = 0; i < csvColumns_.size(); ++i) {
      csvColumns_[i]->setCurrentIndex(chosen[i] <= static_cast<int>(columns) ? chosen[i] : 0);
    }
    csvLiftUnit_->setCurrentIndex(static_cast<int>(m.units.lift));
    csvFlowUnit_->setCurrentIndex(static_cast<int>(m.units.flow));
    csvDepressionUnit_->setCurrentIndex(static_cast<int>(m.units.depression));
  });
}

bool FlowTestDialog::OpenCsv() {
  if (csvFile_.empty()) return false;
  CsvFlowOptions options;
  CsvColumns columns;
  columns.lift = csvColumns_[0]->currentIndex();
  columns.flow = csvColumns_[1]->currentIndex();
  columns.depression = std::max(0, csvColumns_[2]->currentIndex());
  columns.swirl = std::max(0, csvColumns_[3]->currentIndex());
  if (columns.lift <= 0 || columns.flow <= 0) {
    app_.prompter().Warn("Choose the columns of the lift and the flow.", kAppTitle);
    return false;
  }
  options.columns = columns;
  options.liftUnit = static_cast<LiftUnit>(csvLiftUnit_->currentIndex());
  options.flowUnit = static_cast<FlowUnit>(csvFlowUnit_->currentIndex());
  options.depressionUnit = static_cast<DepressionUnit>(csvDepressionUnit_->currentIndex());
  // The depressions typed on the tab are in inches of water, whatever the file's unit.
  options.typedDepressionUnit = DepressionUnit::InchesOfWater;
  const std::string depression = csvDepression_->text().trimmed().toStdString();
  if (!depression.empty()) options.testDepression = TextToDouble(depression);
  if (csvCorrect_->isChecked())
    options.correctTo = TextToDouble(csvCorrectTo_->text().toStdString());
  const std::string valve = csvValve_->text().trimmed().toStdString();
  if (!valve.empty()) options.valveDiameterInches = TextToSingle(valve);
  keyboard_.Cancel();
  const CsvFlowResult result = app_.document().LoadCsvFlowTest(intake_, csvFile_.string(), options);
  if (!result.ok()) {
    app_.prompter().Warn("Cannot read the flow test " + csvFile_.string() + ":\n" + result.message,
                         kAppTitle);
    return false;
  }
  RememberCsvMapping(app_.EditSettings(), csvLayout_,
                     {columns, {*options.liftUnit, *options.flowUnit, *options.depressionUnit}});
  return true;
}

// ---------------------------------------------------------------------------------------------
// Showing, opening and closing

void FlowTestDialog::showEvent(QShowEvent* event) {
  closing_ = false;
  QDialog::showEvent(event);
  // The current tab is filled once, right after the dialog is shown.
  QTimer::singleShot(0, this, [this] { TabShown(tabs_->currentIndex()); });
}

void FlowTestDialog::TabShown(int index) {
  if (index == kDosTab && !dosFilled_) {
    dosFilled_ = true;
    const std::string saved = app_.settings().flowDosFolder;
    ChangeDosFolder(saved.empty() ? app_.folders().programFolder : std::filesystem::path(saved));
  } else if (index == kDatabaseTab && !databaseStarted_) {
    databaseStarted_ = true;
    databaseFile_ = app_.settings().flowDatabase;
    fileLabel_->setText(ToQ(databaseFile_.string()));
    if (databaseFile_.empty()) {
      ShowDatabaseNeeded();
    } else {
      Apply(reads_.Ask(DatabaseRead{JobKind::Open, true}));
    }
  }
}

void FlowTestDialog::OpenChosen() {
  // A failed open may have replaced part of the tables: the window redraws the sources.
  const bool ran = RunCommand(app_, kModule, "cmdOpen_Click", [&] {
    bool loaded = false;
    switch (tabs_->currentIndex()) {
      case kDosTab:
        loaded = OpenDos();
        break;
      case kDatabaseTab:
        loaded = OpenDatabaseTest();
        break;
      case kKeyboardTab:
        TakeOverKeyboardField();
        keyboard_.Open();
        loaded = true;
        break;
      case kCsvTab:
        loaded = OpenCsv();
        break;
      default:
        break;
    }
    if (loaded) {
      Q_EMIT sourceLoaded();
      done(QDialog::Accepted);
    }
  });
  if (!ran) Q_EMIT sourceLoaded();
}

bool FlowTestDialog::OpenDos() {
  const std::optional<FlowTestChoice> choice = dos_.ChosenTest(RefOf(dosTree_->currentItem()));
  if (!choice) return false;
  // Points typed on the keyboard tab are dropped: the loaded test replaces the tables.
  keyboard_.Cancel();
  std::int32_t kind = choice->kind;
  const FlowError err = app_.document().LoadFlowTest(intake_, choice->path, choice->testName, kind);
  if (err != FlowError::Ok) {
    app_.prompter().Warn(FlowLoadFailureText(choice->path, err), kAppTitle);
    return false;
  }
  return true;
}

bool FlowTestDialog::OpenDatabaseTest() {
  if (thread_ != nullptr) return false;  // the database is being read
  const int row = table_->currentIndex().row();
  const std::int32_t id = model_->TestIdAt(row);
  if (id < 0) return false;
  std::string name;
  const TestList& list = model_->list();
  for (std::size_t c = 0; c < list.columns.size(); ++c) {
    if (list.columns[c] == kTestNameColumn) name = list.rows[static_cast<std::size_t>(row)][c];
  }
  keyboard_.Cancel();
  std::int32_t kind = kAnyKindOfDatabaseTest;
  const FlowError err =
      app_.document().LoadDatabaseFlowTest(intake_, databaseFile_.string(), id, kind, name);
  if (err != FlowError::Ok) {
    app_.prompter().Warn(FlowLoadFailureText(databaseFile_.string(), err), kAppTitle);
    return false;
  }
  return true;
}

void FlowTestDialog::done(int result) {
  if (reads_.running()) {
    // Closing waits for the read to stop: it is cancelled and the dialog closes when it ends.
    Apply(reads_.AskClose(result));
    setEnabled(false);
    return;
  }
  closing_ = true;
  RunCommand(app_, kModule, "Form_Unload", [&] {
    if (result != QDialog::Accepted) keyboard_.Cancel();
    SaveSettings();
  });
  setEnabled(true);
  QDialog::done(result);
}

void FlowTestDialog::SaveSettings() {
  Settings& settings = app_.EditSettings();
  settings.flowTab = tabs_->currentIndex();
  if (!dos_.folder().empty()) settings.flowDosFolder = FolderWithSeparator(dos_.folder());
  // The database tab's choices are kept only when they were shown from a database: without
  // its operator and customer lists they would be saved as "any".
  if (listsRead_) SaveTestListSettings(Choices(), lists_.customers, settings);
}

}  // namespace orv
