#include "shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <functional>

#include "app/application.h"
#include "base/error_trace.h"
#include "files/config_file.h"
#include "files/user_store.h"
#include "shell/command_runner.h"
#include "shell/engine_view.h"
#include "shell/enter_as_tab.h"
#include "shell/graph_settings_view.h"
#include "shell/graph_view.h"
#include "shell/input_widgets.h"
#include "shell/options_dialog.h"
#include "shell/qt_convert.h"
#include "shell/report_setup_dialog.h"
#include "shell/report_view.h"
#include "shell/source_dialogs.h"
#include "shell/view.h"

namespace orv {

namespace {

constexpr const char* kMainWindowModule = "frmMain";

// The layout was drawn for a 1024 by 768 pixel screen at 15 twips a pixel.
constexpr double kReferenceWidthTwips = 1024 * 15.0;
constexpr double kReferenceHeightTwips = 768 * 15.0;
constexpr double kWindowWidthTwips = 12200;
constexpr double kWindowHeightTwips = 9000;

// A window at least this tall keeps three lines of instruction text; a smaller one two.
constexpr int kTallWindow = 800;

// How long a note stays in the status bar (milliseconds).
constexpr int kStatusTimeout = 6000;

// A caption of the interface texts, or the built-in one when the slot is empty.
QString Caption(const std::string& text, const char* builtIn) {
  return text.empty() ? QString::fromUtf8(builtIn) : ToQString(text);
}

// A text of the core as a menu entry's caption: its ampersands shown as themselves.
QString MenuText(const std::string& text) {
  return ToQString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

ChangedAreas Merge(const ChangedAreas& a, const ChangedAreas& b) {
  return {a.inputs || b.inputs, a.outputs || b.outputs, a.sources || b.sources,
          a.title || b.title,   a.recent || b.recent,   a.settings || b.settings};
}

}  // namespace

QSize MainWindowSizeFor(const QSize& screen) {
  const int width =
      static_cast<int>(std::lround(screen.width() * kWindowWidthTwips / kReferenceWidthTwips));
  const int height =
      static_cast<int>(std::lround(screen.height() * kWindowHeightTwips / kReferenceHeightTwips));
  return {width, height};
}

WindowPlace StartPlace(const std::string& storedRect, const std::string& storedMaximised,
                       const QRect& available, const QSize& needs) {
  WindowPlace place;
  const QStringList parts = ToQString(storedRect).split(QLatin1Char(','));
  if (parts.size() == 4) {
    std::array<int, 4> v{};
    bool valid = true;
    for (std::size_t i = 0; i < v.size(); ++i) {
      bool ok = false;
      v[i] = parts[static_cast<qsizetype>(i)].trimmed().toInt(&ok);
      valid = valid && ok;
    }
    constexpr int kSmallest = 200, kLargest = 16384;
    const QRect stored(v[0], v[1], v[2], v[3]);
    if (valid && v[2] >= kSmallest && v[3] >= kSmallest && v[2] <= kLargest && v[3] <= kLargest &&
        stored.intersects(available)) {
      // A screen smaller than the last one: the window shrinks and moves into it.
      QRect rect(stored.topLeft(), stored.size().boundedTo(available.size()));
      rect.moveLeft(
          std::clamp(rect.left(), available.left(), available.right() - rect.width() + 1));
      rect.moveTop(std::clamp(rect.top(), available.top(), available.bottom() - rect.height() + 1));
      place.rect = rect;
      place.maximised = ToQString(storedMaximised).trimmed() == QStringLiteral("1");
      return place;
    }
  }
  const QSize size = MainWindowSizeFor(available.size()).expandedTo(needs);
  if (size.width() > available.width() || size.height() > available.height()) {
    place.rect = available;
    place.maximised = true;
    return place;
  }
  place.rect = QRect(QPoint(0, 0), size);
  place.rect.moveCenter(available.center());
  return place;
}

QString AboutText(const Application& app) {
  return QStringLiteral(
             "<h3>Orvantis %1</h3>"
             "<p>Engine, cam and airflow analysis for engine builders.</p>"
             "<p>Built with:</p><ul>"
             "<li>Qt %2 &mdash; GNU LGPL version 3</li>"
             "<li>QCustomPlot &mdash; GNU GPL version 3</li>"
             "<li>mdbtools &mdash; GNU LGPL version 2 or later</li>"
             "<li>SQLite &mdash; public domain</li>"
             "<li>CLI11 &mdash; 3-clause BSD licence</li>"
             "<li>JSON for Modern C++ (nlohmann-json) &mdash; MIT licence</li>"
             "</ul><p>Data root: %3</p>")
      .arg(QStringLiteral(ORVANTIS_VERSION), QString::fromLatin1(qVersion()),
           ToQString(app.folders().dataRoot.string()).toHtmlEscaped());
}

MainWindow::MainWindow(Application& app, QWidget* parent) : QMainWindow(parent), app_(app) {
  setObjectName(QStringLiteral("frmMain"));
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(6, 6, 6, 0);

  tabs_ = new QTabWidget(central);
  tabs_->setObjectName(QStringLiteral("tabMain"));
  views_[kEngineView] = new EngineView(app_, tabs_);
  views_[kGraphView] = new GraphView(app_, tabs_);
  views_[kGraphSettingsView] = new GraphSettingsView(app_, tabs_);
  views_[kReportView] = new ReportView(app_, tabs_);
  const char* captions[kViewCount] = {"Inputs and Outputs", "Graph", "Graph Settings", "Reports"};
  for (int i = 0; i < kViewCount; ++i) {
    // A view larger than the window (a small screen, a small picture) scrolls rather than
    // forcing the window to its size.
    auto* scroll = new QScrollArea(tabs_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(views_[i]);
    tabs_->addTab(scroll, QString::fromUtf8(captions[i]));
    ConnectView(i);
  }
  connect(static_cast<EngineView*>(views_[kEngineView]), &EngineView::editSourceRequested, this,
          &MainWindow::EditSource);
  // An input link of a report value's explanation goes to the input's box.
  connect(static_cast<ReportView*>(views_[kReportView]), &ReportView::inputWanted, this,
          [this](int n) {
            if (ShowView(kEngineView)) static_cast<EngineView*>(views_[kEngineView])->FocusInput(n);
          });
  EnterAsTab::Install(this, [this] { return app_.settings().enterAsTab; });
  tabs_->tabBar()->installEventFilter(this);
  connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::OnTabChanged);
  layout->addWidget(tabs_, 1);

  instruction_ = new QPlainTextEdit(central);
  instruction_->setObjectName(QStringLiteral("txtInstruct"));
  instruction_->setReadOnly(true);
  instruction_->setFocusPolicy(Qt::NoFocus);
  FitInstruction();
  layout->addWidget(instruction_);

  warning_ = new QLabel(central);
  warning_->setObjectName(QStringLiteral("lblWarning"));
  QFont warningFont = warning_->font();
  warningFont.setPointSize(14);
  warning_->setFont(warningFont);
  warning_->setAutoFillBackground(true);
  QPalette palette = warning_->palette();
  palette.setColor(QPalette::Window, Qt::red);
  palette.setColor(QPalette::WindowText, Qt::white);
  warning_->setPalette(palette);
  warning_->setWordWrap(true);
  warning_->setContentsMargins(6, 2, 6, 2);
  warning_->hide();
  layout->addWidget(warning_);

  setCentralWidget(central);
  referenceNote_ = new QLabel(this);
  referenceNote_->setObjectName(QStringLiteral("referenceNote"));
  referenceNote_->hide();
  statusBar()->addPermanentWidget(referenceNote_);
  BuildMenus();
  pending_.fill(AllAreas());
}

MainWindow::~MainWindow() = default;

void MainWindow::FitInstruction() {
  const int lines = height() >= kTallWindow ? 3 : 2;
  instruction_->setFixedHeight(instruction_->fontMetrics().lineSpacing() * lines + 12);
}

QSize MainWindow::neededSize() const {
  QSize views;
  for (const View* v : views_) views = views.expandedTo(v->minimumSizeHint());
  // Around the views: the tab strip's frame and bar, the central margins, the menu, the
  // instruction box and the status bar.
  constexpr int kFrames = 24;
  const int width = views.width() + kFrames;
  const int height = views.height() + kFrames + tabs_->tabBar()->sizeHint().height() +
                     menuBar()->sizeHint().height() + instruction_->height() +
                     statusBar()->sizeHint().height();
  return {width, height};
}

void MainWindow::SavePlace() {
  const QRect rect = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
  if (!rect.isValid()) return;
  UserStore store(app_.userStorePath());
  store.RegWriteText(kWindowPlaceValue, QStringLiteral("%1,%2,%3,%4")
                                            .arg(rect.x())
                                            .arg(rect.y())
                                            .arg(rect.width())
                                            .arg(rect.height())
                                            .toStdString());
  store.RegWriteText(kWindowMaximisedValue, isMaximized() ? "1" : "0");
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FitInstruction();
}

View* MainWindow::view(int index) const {
  return index >= 0 && index < kViewCount ? views_[static_cast<std::size_t>(index)] : nullptr;
}

void MainWindow::ConnectView(int index) {
  View* v = views_[static_cast<std::size_t>(index)];
  connect(v, &View::commandDone, this, &MainWindow::RefreshFromCore);
  connect(v, &View::helpTextChanged, this,
          [this, index](const QString& text) { SetInstruction(index, text); });
  connect(v, &View::generalHelpWanted, this, &MainWindow::ShowGeneralHelp);
  connect(v, &View::warningLineChanged, this, &MainWindow::ShowWarning);
  connect(v, &View::statusMessage, this,
          [this](const QString& text) { statusBar()->showMessage(text, kStatusTimeout); });
}

QAction* MainWindow::AddCommand(QMenu* menu, const QString& text, std::function<void()> command) {
  QAction* action = menu->addAction(text);
  connect(action, &QAction::triggered, this, [command = std::move(command)] { command(); });
  return action;
}

// The menus, each entry once: its caption in the interface string file (menu and item; 0, 0
// for an entry the file has no caption for), the built-in caption, the keys, the command, the
// member that keeps the action and the action's object name. A separator is an entry without a
// caption; the recent files take the place of the entry marked `recent`.
struct MainWindow::MenuEntry {
  enum class Kind { Command, Separator, Recent };
  Kind kind = Kind::Command;
  int textMenu = 0;
  int textItem = 0;
  const char* builtIn = "";
  std::vector<QKeySequence> keys;
  void (MainWindow::*command)() = nullptr;
  QAction* MainWindow::*action = nullptr;
  const char* name = "";  // the action's object name
};

struct MainWindow::MenuOfBar {
  int textMenu;
  const char* builtIn;
  QMenu* MainWindow::*menu;
  const char* name;  // the menu's object name
  std::vector<MenuEntry> entries;
};

const std::vector<MainWindow::MenuOfBar>& MainWindow::MenuTable() {
  using K = MenuEntry::Kind;
  using M = MainWindow;
  const MenuEntry separator{K::Separator, 0, 0, "", {}, nullptr, nullptr, ""};
  const MenuEntry recent{K::Recent, 0, 0, "", {}, nullptr, nullptr, ""};
  static const std::vector<MenuOfBar> table = {
      {1,
       "&File",
       &M::fileMenu_,
       "fileMenu",
       {
           {K::Command,
            1,
            1,
            "&Open Engine File...",
            {Qt::CTRL | Qt::Key_O},
            &M::OpenEngineFile,
            &M::open_,
            "fileOpenAction"},
           {K::Command,
            1,
            2,
            "&Save Engine",
            {Qt::CTRL | Qt::Key_S},
            &M::SaveEngine,
            &M::save_,
            "fileSaveAction"},
           {K::Command,
            1,
            3,
            "Save Engine &As...",
            {Qt::CTRL | Qt::SHIFT | Qt::Key_S},
            &M::SaveEngineAs,
            &M::saveAs_,
            "fileSaveAsAction"},
           separator,
           {K::Command,
            0,
            0,
            "&Compare With...",
            {},
            &M::CompareWith,
            &M::compareWith_,
            "fileCompareWithAction"},
           {K::Command,
            0,
            0,
            "C&lear Reference",
            {},
            &M::ClearReference,
            &M::clearReference_,
            "fileClearReferenceAction"},
           separator,
           {K::Command,
            1,
            4,
            "Save &Graph or Report To File...",
            {},
            &M::SaveGraphOrReport,
            &M::saveToFile_,
            "fileSaveToFileAction"},
           {K::Command,
            4,
            1,
            "&Print...",
            {Qt::CTRL | Qt::Key_P},
            &M::PrintView,
            &M::print_,
            "filePrintAction"},
           recent,
           separator,
           {K::Command,
            4,
            2,
            "E&xit",
            {Qt::CTRL | Qt::Key_Q},
            &M::CloseWindow,
            &M::exit_,
            "fileExitAction"},
       }},
      {2,
       "&Edit",
       &M::editMenu_,
       "editMenu",
       {
           {K::Command,
            0,
            0,
            kUndoText,
            {Qt::CTRL | Qt::Key_Z},
            &M::UndoStep,
            &M::undo_,
            "editUndoAction"},
           {K::Command,
            0,
            0,
            kRedoText,
            {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, Qt::CTRL | Qt::Key_Y},
            &M::RedoStep,
            &M::redo_,
            "editRedoAction"},
           separator,
           {K::Command,
            2,
            1,
            "&Options...",
            {},
            &M::OpenOptions,
            &M::options_,
            "editOptionsAction"},
           {K::Command,
            2,
            2,
            "&Report Setup...",
            {},
            &M::OpenReportSetup,
            &M::reportSetup_,
            "editReportSetupAction"},
       }},
      {3,
       "&Help",
       &M::helpMenu_,
       "helpMenu",
       {
           {K::Command, 3, 1, "&Help", {Qt::Key_F1}, &M::ShowHelp, &M::help_, "helpHelpAction"},
           {K::Command, 3, 2, "&About Orvantis", {}, &M::ShowAbout, &M::about_, "helpAboutAction"},
       }},
  };
  return table;
}

void MainWindow::BuildMenus() {
  for (const MenuOfBar& bar : MenuTable()) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(bar.builtIn));
    menu->setObjectName(QString::fromUtf8(bar.name));
    this->*bar.menu = menu;
    for (const MenuEntry& entry : bar.entries) {
      switch (entry.kind) {
        case MenuEntry::Kind::Separator:
          menu->addSeparator();
          break;
        case MenuEntry::Kind::Recent:
          recentSeparator_ = menu->addSeparator();
          recentSeparator_->setObjectName(QStringLiteral("recentSeparator"));
          for (int k = 1; k <= 9; ++k) {
            QAction* recent = AddCommand(menu, QString(), [this, k] { OpenRecentFile(k); });
            recent->setObjectName(QStringLiteral("recentFile%1").arg(k));
            recent->setVisible(false);
            recent_.push_back(recent);
          }
          recentSeparator_->setVisible(false);
          break;
        case MenuEntry::Kind::Command: {
          const auto command = entry.command;
          QAction* action = AddCommand(menu, QString::fromUtf8(entry.builtIn),
                                       [this, command] { (this->*command)(); });
          action->setShortcuts(QList<QKeySequence>(entry.keys.begin(), entry.keys.end()));
          action->setObjectName(QString::fromUtf8(entry.name));
          this->*entry.action = action;
          break;
        }
      }
    }
  }
  UpdatePrintActions();
  UpdateEditActions();
}

void MainWindow::ApplyTexts() {
  const InterfaceStrings& s = app_.strings();
  for (const MenuOfBar& bar : MenuTable()) {
    (this->*bar.menu)->setTitle(Caption(s.Menu(bar.textMenu, 0), bar.builtIn));
    for (const MenuEntry& entry : bar.entries) {
      if (entry.kind == MenuEntry::Kind::Command && entry.textMenu != 0) {
        (this->*entry.action)
            ->setText(Caption(s.Menu(entry.textMenu, entry.textItem), entry.builtIn));
      }
    }
  }
  for (int i = 0; i < kViewCount; ++i) {
    const std::string& caption = s.Tab(1, i + 1);
    if (!caption.empty()) tabs_->setTabText(i, ToQString(caption));
  }
}

void MainWindow::Load() {
  ApplyTexts();
  {
    const QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(kEngineView);
  }
  current_ = kEngineView;
  instructions_.fill(ToQString(app_.strings().Help(-1)));
  if (app_.firstStart()) {
    welcome_ = tr("Welcome to Orvantis. Your first engine is kept as %1: type its inputs, approve "
                  "them with Approve All and go on to the second stage.")
                   .arg(ToQString(std::filesystem::path(app_.enginePath()).filename().string()));
    instructions_[kEngineView] = welcome_;
  }
  seen_ = app_.revisions();
  pending_.fill(AllAreas());
  RefreshView(current_, {});
  instruction_->setPlainText(instructions_[static_cast<std::size_t>(current_)]);
  UpdateTitle();
  UpdateRecentActions();
  UpdatePrintActions();
  UpdateEditActions();
}

template <class Command>
void MainWindow::Run(const char* procedure, Edit edit, Command&& command) {
  RunCommand(app_, kMainWindowModule, procedure, [&] {
    if (edit == Edit::TakeOver) TakeOverEdit();
    std::forward<Command>(command)();
  });
  RefreshFromCore();
}

void MainWindow::FinalRefresh() {
  Run("Form_Activate", Edit::Keep, [&] { app_.document().RefreshEngine(); });
}

void MainWindow::RefreshFromCore() {
  const Revisions now = app_.revisions();
  const ChangedAreas changed = ChangesBetween(seen_, now);
  seen_ = now;
  if (changed.any()) {
    for (ChangedAreas& areas : pending_) areas = Merge(areas, changed);
    RefreshView(current_, {});
    if (changed.title) UpdateTitle();
    if (changed.recent) UpdateRecentActions();
  }
  UpdatePrintActions();
  UpdateEditActions();
}

void MainWindow::RefreshView(int index, const ChangedAreas& extra) {
  ChangedAreas& pending = pending_[static_cast<std::size_t>(index)];
  const ChangedAreas areas = Merge(pending, extra);
  pending = {};
  if (!areas.any()) return;
  RunCommand(app_, kMainWindowModule, "RefreshView",
             [&] { views_[static_cast<std::size_t>(index)]->Refresh(areas); });
}

void MainWindow::UpdateTitle() { setWindowTitle(ToQString(app_.WindowTitle())); }

void MainWindow::UpdateRecentActions() {
  const std::vector<std::string> captions = RecentMenuCaptions(app_.recentFiles());
  for (std::size_t k = 0; k < recent_.size(); ++k) {
    QAction* entry = recent_[k];
    if (k < captions.size()) {
      // The "&k " mnemonic stays; an ampersand in the path is shown as itself.
      const QString caption = ToQString(captions[k]);
      const qsizetype blank = caption.indexOf(QLatin1Char(' '));
      QString path = caption.mid(blank + 1);
      path.replace(QLatin1Char('&'), QStringLiteral("&&"));
      entry->setText(caption.left(blank + 1) + path);
      entry->setVisible(true);
    } else {
      entry->setText(QString());
      entry->setVisible(false);
    }
  }
  recentSeparator_->setVisible(!app_.recentFiles()[0].empty());
}

void MainWindow::UpdatePrintActions() {
  const bool printable = views_[static_cast<std::size_t>(current_)]->CanPrint();
  print_->setEnabled(printable);
  saveToFile_->setEnabled(printable);
}

void MainWindow::UpdateEditActions() {
  const EngineDocument& doc = app_.document();
  undo_->setText(MenuText(doc.UndoText()));
  undo_->setEnabled(doc.CanUndo());
  redo_->setText(MenuText(doc.RedoText()));
  redo_->setEnabled(doc.CanRedo());
  const EngineDocument* reference = app_.reference();
  clearReference_->setEnabled(reference != nullptr);
  if (reference != nullptr) {
    const QString name = ToQString(std::filesystem::path(reference->path()).filename().string());
    referenceNote_->setText(tr("Reference: %1").arg(name));
    referenceNote_->setToolTip(ToQString(reference->path()));
    referenceNote_->show();
  } else {
    referenceNote_->clear();
    referenceNote_->setToolTip(QString());
    referenceNote_->hide();
  }
}

QString MainWindow::referenceNote() const { return referenceNote_->text(); }

void MainWindow::SetInstruction(int index, const QString& text) {
  if (index == kEngineView) welcome_.clear();
  instructions_[static_cast<std::size_t>(index)] = text;
  if (index == current_) instruction_->setPlainText(text);
}

void MainWindow::ShowGeneralHelp() {
  instructions_.fill(ToQString(app_.strings().Help(-1)));
  // The first start's welcome stays until a control shows its own help.
  if (!welcome_.isEmpty()) instructions_[kEngineView] = welcome_;
  instruction_->setPlainText(instructions_[static_cast<std::size_t>(current_)]);
}

QString MainWindow::instructionText() const { return instruction_->toPlainText(); }
QString MainWindow::warningText() const { return warning_->text(); }
bool MainWindow::warningShown() const { return !warning_->isHidden(); }

void MainWindow::ShowWarning(const QString& text, bool beep) {
  warning_->setText(text);
  warning_->setVisible(!text.isEmpty());
  if (beep && !text.isEmpty()) app_.prompter().Beep();
}

bool MainWindow::ShowView(int index) {
  if (index < 0 || index >= kViewCount) return false;
  tabs_->setCurrentIndex(index);
  return current_ == index;
}

void MainWindow::OnTabChanged(int index) {
  if (index == current_ || index < 0) return;
  bool leave = false;
  RunCommand(app_, kMainWindowModule, "tabMain_Click",
             [&] { leave = views_[static_cast<std::size_t>(current_)]->CanLeave(); });
  if (!leave) {
    const QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(current_);
    RefreshFromCore();
    return;
  }
  current_ = index;
  if (index == kGraphSettingsView) ShowWarning(QString(), false);
  // The reports are built afresh for the screen each time their view is entered; the other
  // views redraw what changed while they were hidden.
  RefreshView(index, index == kReportView ? AllAreas() : ChangedAreas{});
  instruction_->setPlainText(instructions_[static_cast<std::size_t>(index)]);
  RefreshFromCore();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // The tab strip with the focus: every instruction box shows the general help text.
  if (watched == tabs_->tabBar() && event->type() == QEvent::FocusIn) ShowGeneralHelp();
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::TakeOverEdit() {
  tabs_->tabBar()->setFocus(Qt::OtherFocusReason);
  QCoreApplication::processEvents();
  RefreshFromCore();
}

// --- File menu ---------------------------------------------------------------------------

void MainWindow::OpenEngineFile() {
  Run("mnuFileOpen_Click", Edit::TakeOver, [&] { app_.AskAndOpenEngine(); });
}

void MainWindow::OpenRecentFile(int entry) {
  if (entry < 1 || entry > 9) return;
  Run("mnuFileRecent_Click", Edit::TakeOver, [&] { app_.OpenRecentEngine(entry); });
}

void MainWindow::SaveEngine() {
  Run("mnuFileSave_Click", Edit::TakeOver, [&] { app_.SaveEngine(""); });
}

void MainWindow::SaveEngineAs() {
  Run("mnuFileSaveAs_Click", Edit::TakeOver, [&] { app_.SaveEngine(app_.SaveAsProposal()); });
}

void MainWindow::CompareWith() {
  Run("mnuFileCompare_Click", Edit::TakeOver, [&] { app_.AskAndSetReference(); });
}

void MainWindow::ClearReference() {
  Run("mnuFileClearReference_Click", Edit::Keep, [&] { app_.ClearReference(); });
}

void MainWindow::SaveGraphOrReport() {
  Run("mnuFileSaveGraph_Click", Edit::Keep, [&] {
    View* shown = views_[static_cast<std::size_t>(current_)];
    if (shown->CanPrint()) shown->SaveToFile();
  });
}

void MainWindow::PrintView() {
  Run("mnuFilePrint_Click", Edit::Keep, [&] {
    View* shown = views_[static_cast<std::size_t>(current_)];
    if (shown->CanPrint()) shown->Print();
  });
}

// --- Edit menu ---------------------------------------------------------------------------

void MainWindow::UndoStep() {
  // Typed text in a box is handed over first, so that it is the step taken back (and can be
  // redone); a box without typed text keeps the focus.
  const auto* box = qobject_cast<const InputBox*>(QApplication::focusWidget());
  const Edit edit = box != nullptr && box->isModified() ? Edit::TakeOver : Edit::Keep;
  Run("mnuEditUndo_Click", edit, [&] { app_.document().Undo(); });
}

void MainWindow::RedoStep() {
  Run("mnuEditRedo_Click", Edit::Keep, [&] {
    // Typed text taken over would be a new step and leave nothing to redo: the entry asked for
    // the step named, so the typing is dropped and the box shows the redone engine's text.
    auto* box = qobject_cast<InputBox*>(QApplication::focusWidget());
    if (box != nullptr && box->isModified()) box->setModified(false);
    app_.document().Redo();
  });
}

void MainWindow::OpenOptions() {
  // The value being typed is taken in the unit system it was typed in.
  TakeOverEdit();
  auto* dialog = new OptionsDialog(app_, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &OptionsDialog::applied, this, &MainWindow::RefreshFromCore);
  dialog->open();
}

void MainWindow::OpenReportSetup() {
  TakeOverEdit();
  auto* dialog = new ReportSetupDialog(app_, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &ReportSetupDialog::applied, this, [this] {
    static_cast<ReportView*>(views_[kReportView])->RebuildCurrent();
    RefreshFromCore();
  });
  dialog->open();
}

void MainWindow::EditSource(int source) {
  OpenSourceDialog(app_, source, this, this, [this] { RefreshFromCore(); });
}

// --- Help menu ---------------------------------------------------------------------------

void MainWindow::ShowHelp() {
  RunCommand(app_, kMainWindowModule, "mnuHelpHelp_Click", [&] {
    if (const auto manual = app_.ManualToOpen()) {
      if (!QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(manual->string())))) {
        // Nothing on this system shows PDF files: the user can still find the manual.
        std::string text(kNoPdfViewerText);
        text.append("\r\r").append(manual->string());
        app_.prompter().Inform(text, kAppTitle);
      }
    }
  });
}

void MainWindow::ShowAbout() {
  auto* box = new QMessageBox(QMessageBox::Information, tr("About Orvantis"), AboutText(app_),
                              QMessageBox::Ok, this);
  box->setTextFormat(Qt::RichText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

// --- Exit --------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
  if (exited_) {
    event->accept();
    return;
  }
  // An engine that could not be saved keeps the window open.
  bool close = false;
  Run("Form_QueryUnload", Edit::TakeOver, [&] { close = app_.QueryExit(); });
  if (!close) {
    event->ignore();
    return;
  }
  RunCommand(app_, kMainWindowModule, "Form_Unload", [&] { app_.Exit(); });
  SavePlace();
  exited_ = true;
  event->accept();
}

}  // namespace orv
