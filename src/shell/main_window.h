#pragma once

#include <QMainWindow>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/revisions.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTabWidget;

namespace orv {

class Application;
class View;

// Help, Help when the system has no program to open the manual with (the path follows).
inline constexpr const char* kNoPdfViewerText =
    "The manual could not be opened: no program to show PDF files is set up. The manual is:";

// The main window's size: 12200 by 9000 twips on the 1024 by 768 pixel screen the layout was
// drawn for (15 twips a pixel), taken as the same share of the screen it opens on.
QSize MainWindowSizeFor(const QSize& screen);

// Where the main window opens: its client rectangle and whether it is maximised.
struct WindowPlace {
  QRect rect;
  bool maximised = false;
};
// The user store's values of the window's place: "x,y,width,height" of its normal (not
// maximised) rectangle, and "1" when it was left maximised.
inline constexpr const char* kWindowPlaceValue = "WindowPlace";
inline constexpr const char* kWindowMaximisedValue = "WindowMaximized";
// The place the window opens at on a screen whose free area is `available`: the place it was
// left at (`storedRect`, `storedMaximised` as the user store keeps them), moved and shrunk into
// the free area; without one, the first start's size (`MainWindowSizeFor`, at least what the
// layout `needs`) centred, or maximised when that does not fit.
WindowPlace StartPlace(const std::string& storedRect, const std::string& storedMaximised,
                       const QRect& available, const QSize& needs);

// The text of the about box: program, version, the libraries used with their licences, and the
// data root.
QString AboutText(const Application& app);

// The main window: the tab strip of the four views, the instruction panel, the warning line,
// the status bar and the File, Edit and Help menus. It holds no state of the engine: after every
// command it compares the application's change counters with those it last drew from and has
// the views redraw what moved.
class MainWindow final : public QMainWindow {
  Q_OBJECT

 public:
  // The views in the order of the tab strip.
  enum ViewIndex { kEngineView = 0, kGraphView = 1, kGraphSettingsView = 2, kReportView = 3 };
  static constexpr int kViewCount = 4;

  explicit MainWindow(Application& app, QWidget* parent = nullptr);
  ~MainWindow() override;

  // After the application's start-up: the captions of the interface texts, the first view
  // selected and everything drawn.
  void Load();
  // The last step of start-up, once the window is shown: the engine recalculated and its
  // outputs shown afresh.
  void FinalRefresh();

  // Redraws what the last command changed (see `Revisions`).
  void RefreshFromCore();

  // The size at which every view is shown whole, without scrolling.
  QSize neededSize() const;

  int currentView() const noexcept { return current_; }
  View* view(int index) const;
  // Changes the view as a click on its tab does. Returns false when the view shown cannot be
  // left (it stays).
  bool ShowView(int index);

  // --- Commands of the menus ---------------------------------------------------------------
  void OpenEngineFile();
  void OpenRecentFile(int entry);  // 1..9
  void SaveEngine();
  void SaveEngineAs();
  // File, Compare With...: an engine file chosen in the file-name dialog becomes the reference
  // the outputs are shown beside; Clear Reference drops it.
  void CompareWith();
  void ClearReference();
  void SaveGraphOrReport();
  void PrintView();
  // Edit, Undo and Redo: the engine's last step taken back or taken again. Undo with typed text
  // in a box not yet taken hands it over first (it becomes the step undone, and can be redone);
  // Redo drops such typing (taken, it would be a new step leaving nothing to redo). The keys
  // reach these only when the box with the focus holds no typed text (see `InputBox`).
  void UndoStep();
  void RedoStep();
  void OpenOptions();
  void OpenReportSetup();
  // An Edit button of the sources: the cam or flow test selection dialog of that source.
  void EditSource(int source);
  void ShowHelp();
  void ShowAbout();
  // The warning line: red, 14 point; an empty text hides it. `beep` beeps with it.
  void ShowWarning(const QString& text, bool beep);

  // --- What the window shows ---------------------------------------------------------------
  // Its parts carry object names: the tab strip "tabMain", the instruction box "txtInstruct",
  // the warning line "lblWarning", the status bar's reference note "referenceNote"; the menus
  // "fileMenu", "editMenu", "helpMenu" and their actions named after menu and entry:
  // "fileOpenAction", "fileSaveAction", "fileSaveAsAction", "fileCompareWithAction",
  // "fileClearReferenceAction", "fileSaveToFileAction", "filePrintAction", "fileExitAction",
  // "editUndoAction", "editRedoAction", "editOptionsAction", "editReportSetupAction",
  // "helpHelpAction", "helpAboutAction"; the recent-file entries "recentFile1" to "recentFile9"
  // (hidden when empty) and "recentSeparator" before them.
  // The status bar's note of the reference engine ("Reference: B.OV"), empty when none is set.
  QString referenceNote() const;
  QString instructionText() const;
  QString warningText() const;
  bool warningShown() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Whether a command first hands over the value being typed (`TakeOverEdit`).
  enum class Edit { Keep, TakeOver };
  // Runs the command of a menu or window event through `RunCommand` (the guard named
  // "frmMain"/`procedure`), after handing over the edit in progress when `edit` asks for it,
  // and redraws what the command changed.
  template <class Command>
  void Run(const char* procedure, Edit edit, Command&& command);
  struct MenuEntry;
  struct MenuOfBar;
  static const std::vector<MenuOfBar>& MenuTable();
  QAction* AddCommand(QMenu* menu, const QString& text, std::function<void()> command);
  void CloseWindow() { close(); }
  void BuildMenus();
  void ApplyTexts();
  void ConnectView(int index);
  void OnTabChanged(int index);
  void RefreshView(int index, const ChangedAreas& extra);
  void UpdateTitle();
  void UpdateRecentActions();
  void UpdatePrintActions();
  // The Undo and Redo entries' texts and states, Clear Reference and the reference note.
  void UpdateEditActions();
  void SetInstruction(int index, const QString& text);
  // Every view's instruction box shows the general help text (help text -1).
  void ShowGeneralHelp();
  // Moves the focus to the tab strip and lets pending events run, so that the value being
  // typed is taken over before a command looks at the engine.
  void TakeOverEdit();
  // The instruction box: three lines on a tall window, two on a laptop's.
  void FitInstruction();
  // Keeps the window's place for the next start (see `StartPlace`).
  void SavePlace();

  Application& app_;
  QTabWidget* tabs_ = nullptr;
  std::array<View*, kViewCount> views_{};
  QPlainTextEdit* instruction_ = nullptr;
  QLabel* warning_ = nullptr;
  std::array<QString, kViewCount> instructions_;
  QString welcome_;  // the first start's welcome, until a control shows its own help
  // The change counters last drawn from, and what each view has still to redraw.
  Revisions seen_;
  std::array<ChangedAreas, kViewCount> pending_{};
  int current_ = 0;
  bool exited_ = false;

  QMenu* fileMenu_ = nullptr;
  QMenu* editMenu_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QAction* open_ = nullptr;
  QAction* save_ = nullptr;
  QAction* saveAs_ = nullptr;
  QAction* saveToFile_ = nullptr;
  QAction* print_ = nullptr;
  QAction* exit_ = nullptr;
  QAction* compareWith_ = nullptr;
  QAction* clearReference_ = nullptr;
  QAction* undo_ = nullptr;
  QAction* redo_ = nullptr;
  QLabel* referenceNote_ = nullptr;
  QAction* options_ = nullptr;
  QAction* reportSetup_ = nullptr;
  QAction* help_ = nullptr;
  QAction* about_ = nullptr;
  QAction* recentSeparator_ = nullptr;
  std::vector<QAction*> recent_;
};

}  // namespace orv
