#pragma once

#include <QEvent>
#include <QWidget>

#include "app/revisions.h"

namespace orv {

class Application;

// A view of the main window's tab strip. Every view draws from the application's state and
// forwards the user's commands to the core; after a command it emits `commandDone`, and the
// main window then hands every view the areas whose change counters moved (`Refresh`), so that
// each redraws only what changed.
class View : public QWidget {
  Q_OBJECT

 public:
  explicit View(Application& app, QWidget* parent = nullptr) : QWidget(parent), app_(app) {}

  // Redraws what depends on the changed areas. `all` areas are passed on first showing.
  virtual void Refresh(const ChangedAreas& changed) = 0;
  // Asked before the main window leaves the view; false keeps the view (after telling the user
  // why, on the warning line or through the prompter).
  virtual bool CanLeave() { return true; }
  // File, Print and File, Save Graph or Report To File: only the graph and report views print
  // and save; the menu entries are enabled when `CanPrint` is true.
  virtual bool CanPrint() const { return false; }
  virtual void Print() {}
  virtual void SaveToFile() {}

  Application& app() const noexcept { return app_; }

  // The widget taking the focus asks for the general help text in every instruction box (the
  // tab strips, Approve All, the Calculate buttons, the graph's own buttons).
  void WatchForGeneralHelp(QWidget* widget) { widget->installEventFilter(generalHelp_); }

 Q_SIGNALS:
  // The view ran a command of the core (the main window refreshes the views).
  void commandDone();
  // The help text of the focused control, for the instruction panel.
  void helpTextChanged(const QString& text);
  // The warning line's text (red, 14 point; an empty text hides it); `beep` asks for a beep.
  void warningLineChanged(const QString& text, bool beep);
  // A short note for the status bar.
  void statusMessage(const QString& text);
  // Every view's instruction box shows the general help text.
  void generalHelpWanted();

 private:
  // Emits `generalHelpWanted` when a watched widget takes the focus.
  class GeneralHelpFilter final : public QObject {
   public:
    explicit GeneralHelpFilter(View* view) : QObject(view), view_(view) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::FocusIn) Q_EMIT view_->generalHelpWanted();
      return QObject::eventFilter(watched, event);
    }

   private:
    View* view_;
  };

  Application& app_;
  GeneralHelpFilter* generalHelp_ = new GeneralHelpFilter(this);
};

// Every area, for a view's first drawing.
inline ChangedAreas AllAreas() { return {true, true, true, true, true, true}; }

}  // namespace orv
