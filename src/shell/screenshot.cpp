#include "shell/screenshot.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <string_view>

#include "app/application.h"
#include "app/graph_model.h"
#include "base/atomic_file.h"
#include "shell/background_job.h"
#include "shell/balance_chart.h"
#include "shell/cam_dialog.h"
#include "shell/engine_view.h"
#include "shell/explain_dialog.h"
#include "shell/flow_database_tab.h"
#include "shell/flow_dos_tab.h"
#include "shell/flow_test_dialog.h"
#include "shell/input_panel_view.h"
#include "shell/lobe_table_model.h"
#include "shell/main_window.h"
#include "shell/options_dialog.h"
#include "shell/output_panel_view.h"
#include "shell/qt_prompter.h"
#include "shell/report_setup_dialog.h"
#include "shell/sources_box.h"
#include "shell/window_options.h"
#include "shell/window_start.h"

namespace orv {

namespace {

// How long a dialog may take to fill its lists: a folder is listed on a thread of its own right
// after the dialog shows; a test database is read by a reader process.
constexpr int kFolderTimeLimitMs = 5000;
constexpr int kDatabaseTimeLimitMs = 60000;
constexpr int kNotesTimeLimitMs = 2000;
// How long a dialog is left to settle before it is pictured: the folder lists are read away
// from the window's thread and opened down to their folder as they arrive.
constexpr int kSettleMs = 1000;

// The prompter of a picture rendered without a screen: messages go to the error stream and
// every question is answered Cancel.
class StreamPrompter final : public Prompter {
 public:
  void Warn(const std::string& text, const std::string&) override {
    std::cerr << "orvantis: " << MessageText(text).toStdString() << '\n';
  }
  Answer AskYesNoCancel(const std::string&, const std::string&) override { return Answer::Cancel; }
  void Beep() override {}
};

// Lets the event loop run until `done` holds or the time limit passes; returns `done()`.
bool WaitFor(const std::function<bool()>& done, int limitMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < limitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  QCoreApplication::processEvents();
  return done();
}

// Lets the event loop run for a while.
void Settle() {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < kSettleMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
}

// The first item of the tree that has children, and its first child (a file and its first
// lobe or test); the first item when none has children.
QTreeWidgetItem* FirstLeaf(QTreeWidget* tree) {
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tree->topLevelItem(i);
    if (item->childCount() > 0) {
      item->setExpanded(true);
      return item->child(0);
    }
  }
  return tree->topLevelItemCount() > 0 ? tree->topLevelItem(0) : nullptr;
}

// Makes the dialog `name` over the window with its content, shown; nullptr (with the reason on
// the error stream) when its content cannot be shown.
std::unique_ptr<QDialog> OpenDialog(Application& app, const WindowOptions& options,
                                    QWidget* window) {
  const std::string& name = options.dialog;
  const std::string source = options.source.string();
  Settings& settings = app.EditSettings();
  if (name == "options") {
    auto dialog = std::make_unique<OptionsDialog>(app, window);
    dialog->show();
    return dialog;
  }
  if (name == "report-setup") {
    auto dialog = std::make_unique<ReportSetupDialog>(app, window);
    dialog->show();
    return dialog;
  }
  if (name == "explain") {
    auto dialog = std::make_unique<ExplainDialog>(app, window);
    if (!dialog->Explain("page1.14")) {
      std::cerr << "orvantis: the engine has no calculated port area to explain\n";
      return nullptr;
    }
    dialog->show();
    return dialog;
  }
  if (name == "cam") {
    if (!source.empty()) settings.camFolder = source;
    auto dialog = std::make_unique<CamDialog>(app, true, window);
    dialog->show();
    QTreeWidget* tree = dialog->lobeTree();
    if (!WaitFor([&] { return tree->topLevelItemCount() > 0; }, kFolderTimeLimitMs)) {
      std::cerr << "orvantis: the cam folder " << settings.camFolder << " lists no cam file\n";
      return nullptr;
    }
    if (QTreeWidgetItem* item = FirstLeaf(tree)) tree->setCurrentItem(item);
    // The table of cards filled, and its first three lobes drawn in the preview.
    WaitFor([&] { return !dialog->cardJob()->busy(); }, kFolderTimeLimitMs);
    LobeTableModel* model = dialog->tableModel();
    for (int r = 0, ticked = 0; r < model->rowCount() && ticked < 3; ++r) {
      if (model->row(r).card.card && model->SetTicked(r, true)) ++ticked;
    }
    return dialog;
  }
  // The flow test dialog on one of its tabs.
  if (name == "flow-dos") {
    if (!source.empty()) settings.flowDosFolder = source;
    settings.flowTab = FlowTestDialog::kDosTab;
  } else if (name == "flow-database") {
    if (!source.empty()) settings.flowDatabase = source;
    settings.flowTab = FlowTestDialog::kDatabaseTab;
  } else {
    settings.flowTab = FlowTestDialog::kKeyboardTab;
    if (!source.empty()) {
      // The rows start with the engine's intake table: that of the DOS test file given.
      std::int32_t kind = kKindFromDosFile;
      if (app.document().LoadFlowTest(true, source, "", kind) != FlowError::Ok) {
        std::cerr << "orvantis: cannot read the flow test " << source << '\n';
        return nullptr;
      }
    }
  }
  auto dialog = std::make_unique<FlowTestDialog>(app, true, window);
  dialog->show();
  FlowTestDialog* flow = dialog.get();
  if (name == "flow-dos") {
    // The folder is listed away from the window's thread once the dialog shows.
    FlowDosTab* dos = flow->dosTab();
    QTreeWidget* tree = dos->tree();
    if (!WaitFor([&] { return !dos->listing() && tree->topLevelItemCount() > 0; },
                 kFolderTimeLimitMs)) {
      std::cerr << "orvantis: the folder " << settings.flowDosFolder << " lists no flow test\n";
      return nullptr;
    }
    if (tree->topLevelItemCount() > 0) tree->setCurrentItem(tree->topLevelItem(0));
    for (int i = 0; i < tree->topLevelItemCount(); ++i) tree->topLevelItem(i)->setExpanded(true);
  } else if (name == "flow-database") {
    FlowDatabaseTab* database = flow->databaseTab();
    QTableView* table = database->testTable();
    if (!WaitFor([&] { return !flow->databaseBusy() && table->model()->rowCount() > 0; },
                 kDatabaseTimeLimitMs)) {
      std::cerr << "orvantis: the test database " << settings.flowDatabase
                << " lists no flow test\n";
      return nullptr;
    }
    // A choice restored from the configuration lists the tests again a moment later.
    Settle();
    WaitFor([&] { return !flow->databaseBusy(); }, kDatabaseTimeLimitMs);
    // The first test with notes, so that the notes box shows what it is for.
    for (int row = 0; row < table->model()->rowCount(); ++row) {
      table->setCurrentIndex(table->model()->index(row, 0));
      table->selectRow(row);
      if (WaitFor(
              [&] {
                return !flow->databaseBusy() &&
                       !database->testNotes()->toPlainText().trimmed().isEmpty();
              },
              kNotesTimeLimitMs)) {
        break;
      }
    }
  }
  return dialog;
}

// The widget of the inputs view that `part` names.
QWidget* PartOf(MainWindow& window, const std::string& part) {
  auto* engine = qobject_cast<EngineView*>(window.view(MainWindow::kEngineView));
  if (engine == nullptr) return nullptr;
  if (part == "inputs") return engine->inputPanel();
  if (part == "outputs") return engine->outputPanel();
  if (part == "sources") return engine->sources();
  return engine->outputPanel()->chart();
}

}  // namespace

int RenderScreenshot(int argc, char** argv, const WindowOptions& options) {
  // The offscreen platform, with the screen a configuration of it names when one is given
  // ("offscreen:configfile=laptop.json": a dialog that places itself by the screen's size).
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform == nullptr || std::string_view(platform).rfind("offscreen", 0) != 0) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication qt(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  StreamPrompter prompter;
  Application app(prompter);
  // A test database read for a picture leaves no tables behind.
  app.testDatabases().SetDiskCache(DiskCacheOptions{});
  StartOptions start;
  start.dataRoot = options.dataRoot;
  start.pause = false;
  const std::unique_ptr<MainWindow> window = StartMainWindow(app, start);
  if (!options.engine.empty()) {
    std::string reason;
    if (!app.OpenEngine(options.engine, &reason)) {
      std::cerr << "orvantis: cannot read the engine file " << options.engine << ": "
                << (reason.empty() ? "it is not an Orvantis engine file" : reason) << '\n';
      return 1;
    }
  }
  if (!options.units.empty()) {
    app.SetUnitSystem(options.units == "metric"      ? UnitMode::Metric
                      : options.units == "metric-m3" ? UnitMode::MetricM3
                                                     : UnitMode::English);
  }
  if (!options.tags.empty()) {
    GraphModel graph(app.document().engine(), app.EditSettings(), app.strings());
    for (int tag = 1; tag <= kCurveTagCount; ++tag) {
      graph.SetTagShown(
          tag, std::find(options.tags.begin(), options.tags.end(), tag) != options.tags.end());
    }
  }
  window->RefreshFromCore();
  window->resize(options.width, options.height);
  if (!window->ShowView(options.view)) {
    std::cerr << "orvantis: the view " << options.view << " could not be shown\n";
    return 1;
  }
  if (options.stage == 2) {
    // The second stage opens once the first is approved, as Approve All on stage 1 does.
    app.document().ApproveAll(0);
    window->RefreshFromCore();
  }
  if (options.stage != 0) {
    // A click on the stage tab: the output page of the stage follows.
    auto* engine = qobject_cast<EngineView*>(window->view(MainWindow::kEngineView));
    if (engine != nullptr) engine->inputPanel()->stageTabs()->setCurrentIndex(options.stage - 1);
    QCoreApplication::processEvents();
    window->RefreshFromCore();
  }
  QCoreApplication::processEvents();

  QPixmap picture;
  std::unique_ptr<QDialog> dialog;
  if (!options.dialog.empty()) {
    dialog = OpenDialog(app, options, window.get());
    if (!dialog) return 1;
    if (options.sizeGiven) dialog->resize(options.width, options.height);
    Settle();
    picture = dialog->grab();
  } else if (!options.part.empty()) {
    QWidget* part = PartOf(*window, options.part);
    if (part == nullptr) {
      std::cerr << "orvantis: the window has no " << options.part << '\n';
      return 1;
    }
    picture = part->grab();
  } else {
    picture = window->grab();
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!picture.save(&buffer, "PNG") || png.isEmpty()) {
    std::cerr << "orvantis: the picture " << options.screenshot << " could not be drawn\n";
    return 1;
  }
  const std::string why = WriteFileAtomically(
      options.screenshot, std::string_view(png.constData(), std::size_t(png.size())));
  if (!why.empty()) {
    std::cerr << "orvantis: cannot write the picture " << options.screenshot << ": " << why << '\n';
    return 1;
  }
  return 0;
}

}  // namespace orv
