#include "shell/flow_test_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <string>

#include "app/application.h"
#include "shell/command_runner.h"
#include "shell/flow_csv_tab.h"
#include "shell/flow_database_tab.h"
#include "shell/flow_dos_tab.h"
#include "shell/flow_keyboard_tab.h"
#include "shell/flow_tab_text.h"

namespace orv {

namespace {

constexpr const char* kTabCaptions[] = {"DOS Sylfaro Tests", "Windows Sylfaro Tests",
                                        "Keyboard Entered", "CSV File"};
constexpr int kFlowDialogTabs = 4;  // the tab strip's row of the interface texts' tab table

}  // namespace

FlowTestDialog::FlowTestDialog(Application& app, bool intake, QWidget* parent)
    : QDialog(parent), app_(app), intake_(intake) {
  setObjectName("frmFlowTests");
  setWindowTitle(intake ? "Intake Flow Test" : "Exhaust Flow Test");

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("tabFlowTests");
  dos_ = new FlowDosTab(app_, intake_, this);
  database_ = new FlowDatabaseTab(app_, intake_, this);
  keyboard_ = new FlowKeyboardTab(app_, intake_, this);
  csv_ = new FlowCsvTab(app_, intake_, this);
  tabs_->addTab(dos_, kTabCaptions[kDosTab]);
  tabs_->addTab(database_, kTabCaptions[kDatabaseTab]);
  tabs_->addTab(keyboard_, kTabCaptions[kKeyboardTab]);
  tabs_->addTab(csv_, kTabCaptions[kCsvTab]);
  // The captions of the interface texts replace the built-in ones.
  for (int tab = kDosTab; tab <= kKeyboardTab; ++tab) {
    const std::string& caption = app_.strings().Tab(kFlowDialogTabs, tab + 1);
    if (!caption.empty()) tabs_->setTabText(tab, FlowText(caption));
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

  connect(open_, &QPushButton::clicked, this, &FlowTestDialog::OpenChosen);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(dos_, &FlowDosTab::openRequested, this, &FlowTestDialog::OpenChosen);
  connect(database_, &FlowDatabaseTab::openRequested, this, &FlowTestDialog::OpenChosen);
  connect(database_, &FlowDatabaseTab::closeRequested, this, &FlowTestDialog::done);
  connect(database_, &FlowDatabaseTab::readFinished, this, &FlowTestDialog::databaseReadFinished);

  // The tab of the last opening; any value but the four tabs counts as the database tab.
  const int tab = app_.settings().flowTab;
  tabs_->setCurrentIndex(tab >= kDosTab && tab <= kCsvTab ? tab : kDatabaseTab);
  connect(tabs_, &QTabWidget::currentChanged, this, &FlowTestDialog::TabShown);
}

// The tabs stop the reads that run as they go: the folder listing and the database read are
// waited for. The tab strip shows no tab to a dialog being destroyed.
FlowTestDialog::~FlowTestDialog() { disconnect(tabs_, nullptr, this, nullptr); }

bool FlowTestDialog::databaseBusy() const noexcept { return database_->busy(); }

TestListModel* FlowTestDialog::testListModel() const noexcept { return database_->testListModel(); }

void FlowTestDialog::showEvent(QShowEvent* event) {
  keyboard_->SetClosing(false);
  QDialog::showEvent(event);
  // The current tab is filled once, right after the dialog is shown.
  QTimer::singleShot(0, this, [this] { TabShown(tabs_->currentIndex()); });
}

void FlowTestDialog::TabShown(int index) {
  if (index == kDosTab) {
    dos_->Shown();
  } else if (index == kDatabaseTab) {
    database_->Shown();
  }
}

void FlowTestDialog::OpenChosen() {
  // A failed open may have replaced part of the tables: the window redraws the sources.
  const bool ran = RunCommand(app_, kFlowTestsForm, "cmdOpen_Click", [&] {
    // A test loaded from a file or the database replaces the points typed on the keyboard tab.
    const auto dropTypedPoints = [this] { keyboard_->PutTablesBack(); };
    bool loaded = false;
    switch (tabs_->currentIndex()) {
      case kDosTab:
        loaded = dos_->Open(dropTypedPoints);
        break;
      case kDatabaseTab:
        loaded = database_->Open(dropTypedPoints);
        break;
      case kKeyboardTab:
        keyboard_->Open();
        loaded = true;
        break;
      case kCsvTab:
        loaded = csv_->Open(dropTypedPoints);
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

void FlowTestDialog::done(int result) {
  // Closing waits for a database read to stop: it is cancelled and the dialog closes when it
  // ends.
  if (database_->AskClose(result)) {
    setEnabled(false);
    return;
  }
  keyboard_->SetClosing(true);
  // A folder still being listed is not shown any more.
  dos_->StopListing();
  RunCommand(app_, kFlowTestsForm, "Form_Unload", [&] {
    if (result != QDialog::Accepted) keyboard_->PutTablesBack();
    SaveSettings();
  });
  setEnabled(true);
  QDialog::done(result);
}

void FlowTestDialog::SaveSettings() {
  Settings& settings = app_.EditSettings();
  settings.flowTab = tabs_->currentIndex();
  dos_->SaveSettings(settings);
  database_->SaveSettings(settings);
}

}  // namespace orv
