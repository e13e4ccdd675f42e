#pragma once

#include <string>

#include "shell/view.h"

namespace orv {

class ExplainDialog;
class InputBox;
class InputPanelView;
class OutputPanelView;
class SourcesBox;

// The input stages with their outputs: the two stage tabs of inputs with Approve All, the four
// sources with the cam-setting boxes, and the output page of the current stage with the
// Calculate buttons and the balance chart. Every text and value it shows is the core's; every
// user action becomes one command of the engine document.
class EngineView final : public View {
  Q_OBJECT

 public:
  explicit EngineView(Application& app, QWidget* parent = nullptr);

  void Refresh(const ChangedAreas& changed) override;

  InputPanelView* inputPanel() const noexcept { return inputs_; }
  SourcesBox* sources() const noexcept { return sources_; }
  OutputPanelView* outputPanel() const noexcept { return outputs_; }
  // The text box of input n (0..35), nullptr for the lists and numbers without a box.
  InputBox* box(int n) const;
  // Takes the user to input n's box, its text selected for typing a new value: a second-stage
  // input's tab is shown first when the stage is open.
  void FocusInput(int n);

 Q_SIGNALS:
  // An Edit button of the sources: 0 intake cam, 1 exhaust cam, 2 intake flow, 3 exhaust flow.
  void editSourceRequested(int source);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The commands of the view, each ending with `commandDone`.
  void TakeBox(int n, const QString& text);
  void EnterInBox(int n, const QString& text);
  template <class Command>
  void Run(const char* procedure, Command&& command);
  void ShowHelp(int helpText);
  // Opens the explanation of a result or slot ("page0.N").
  void Explain(const std::string& key);
  void EditSource(int source);
  // With a reference engine: its values get a column of their own where the width allows it,
  // else they move into the differences' tooltips, so that the view never needs to scroll.
  void FitComparison();

  InputPanelView* inputs_ = nullptr;
  SourcesBox* sources_ = nullptr;
  ExplainDialog* explain_ = nullptr;
  OutputPanelView* outputs_ = nullptr;
  bool busy_ = false;            // a command is running: focus changes it causes take no value
  QWidget* viewport_ = nullptr;  // the scroll area's viewport the view is shown in
  int comparedWidth_ = 0;        // the width the view needs with the reference's column
};

}  // namespace orv
