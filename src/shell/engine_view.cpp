#include "shell/engine_view.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include "files/source_captions.h"
#include "shell/command_runner.h"
#include "shell/explain_dialog.h"
#include "shell/input_panel_view.h"
#include "shell/input_widgets.h"
#include "shell/output_panel_view.h"
#include "shell/sources_box.h"

namespace orv {

EngineView::EngineView(Application& app, QWidget* parent) : View(app, parent) {
  setObjectName(QStringLiteral("engineView"));
  // The inputs beside their outputs, the sources below both.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  auto* top = new QHBoxLayout;
  top->setSpacing(6);
  inputs_ = new InputPanelView(app, this);
  top->addWidget(inputs_, 0);
  outputs_ = new OutputPanelView(app, this);
  top->addWidget(outputs_, 1);
  layout->addLayout(top, 1);
  sources_ = new SourcesBox(app, this);
  layout->addWidget(sources_);

  connect(inputs_, &InputPanelView::boxLeft, this, &EngineView::TakeBox);
  connect(inputs_, &InputPanelView::boxEnter, this, &EngineView::EnterInBox);
  connect(sources_, &SourcesBox::boxLeft, this, &EngineView::TakeBox);
  connect(sources_, &SourcesBox::boxEnter, this, &EngineView::EnterInBox);
  connect(inputs_, &InputPanelView::helpWanted, this, &EngineView::ShowHelp);
  connect(sources_, &SourcesBox::helpWanted, this, &EngineView::ShowHelp);
  connect(outputs_, &OutputPanelView::helpWanted, this, &EngineView::ShowHelp);
  connect(outputs_, &OutputPanelView::explainWanted, this, &EngineView::Explain);
  connect(sources_, &SourcesBox::editSourceRequested, this, &EngineView::EditSource);

  EngineDocument& doc = app.document();
  connect(inputs_, &InputPanelView::statusClicked, this,
          [this, &doc](int n) { Run("imgStatus_Click", [&] { doc.ClickStatus(n); }); });
  connect(inputs_, &InputPanelView::valveTrainChosen, this, [this, &doc](int i) {
    Run("cmbValveTrainType_Click", [&] { doc.ChooseValveTrain(i); });
  });
  connect(inputs_, &InputPanelView::fuelChosen, this,
          [this, &doc](int i) { Run("cmbFuelCycle_Click", [&] { doc.ChooseFuel(i); }); });
  connect(inputs_, &InputPanelView::airOrRpmChosen, this,
          [this, &doc](int v) { Run("optAirOrRpm_Click", [&] { doc.ChooseEnterAirPP(v); }); });
  connect(inputs_, &InputPanelView::approveAllClicked, this,
          [this, &doc](int stage) { Run("cmdApproveAll_Click", [&] { doc.ApproveAll(stage); }); });
  connect(inputs_, &InputPanelView::stageChosen, this,
          [this, &doc](int stage) { Run("tabStage_Click", [&] { doc.ShowOutputPage(stage); }); });
  connect(outputs_, &OutputPanelView::calculateClicked, this,
          [this, &doc](int page) { Run("cmdCalculate_Click", [&] { doc.ShowOutputPage(page); }); });
}

InputBox* EngineView::box(int n) const {
  if (n >= 0 && n < 29) return inputs_->box(n);
  return sources_->box(n);
}

template <class Command>
void EngineView::Run(const char* procedure, Command&& command) {
  if (busy_) return;
  busy_ = true;
  RunCommand(app(), "frmMain", procedure, std::forward<Command>(command));
  busy_ = false;
  Q_EMIT commandDone();
}

void EngineView::TakeBox(int n, const QString& text) {
  if (busy_) return;
  // The typed text is handed over: the box shows the core's text from the next refresh on.
  if (InputBox* b = box(n)) b->setModified(false);
  const std::string typed = text.toStdString();
  Run("txtInput_LostFocus", [&] { app().document().TypeIntoBox(n, typed); });
}

void EngineView::EnterInBox(int n, const QString& text) {
  if (busy_) return;
  InputBox* b = box(n);
  if (n == kInRecipBF) {
    // Enter in the balance factor compares it with the balance curve without recalculating.
    if (b) b->setModified(false);
    const std::string typed = text.toStdString();
    Run("txtInput_KeyPress", [&] { app().document().EnterRecipBalanceFactor(typed); });
  }
  if (app().settings().enterAsTab) {
    // Enter moves on as Tab does; leaving the box takes its value.
    if (b) {
      QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
      QCoreApplication::sendEvent(b, &tab);
    }
    return;
  }
  if (n != kInRecipBF) TakeBox(n, text);
}

void EngineView::ShowHelp(int helpText) {
  // The stage tabs, Approve All and the Calculate buttons: every view's general help text.
  if (helpText == -1) {
    Q_EMIT generalHelpWanted();
    return;
  }
  Q_EMIT helpTextChanged(QString::fromStdString(app().strings().Help(helpText)));
}

void EngineView::EditSource(int source) { Q_EMIT editSourceRequested(source); }

void EngineView::Refresh(const ChangedAreas& changed) {
  if (changed.settings) {
    // Texts and unit captions, then every value.
    inputs_->ShowCaptions();
    sources_->ShowCaptions();
    outputs_->ShowCaptions();
    return;
  }
  if (changed.inputs) {
    inputs_->ShowInputs();
    sources_->ShowCamSettings();
  }
  if (changed.sources) sources_->ShowSources();
  if (changed.outputs) {
    outputs_->ShowOutputs();
    FitComparison();
  }
}

void EngineView::showEvent(QShowEvent* event) {
  View::showEvent(event);
  if (viewport_ == nullptr) {
    for (QWidget* p = parentWidget(); p != nullptr; p = p->parentWidget()) {
      if (auto* area = qobject_cast<QScrollArea*>(p)) {
        viewport_ = area->viewport();
        viewport_->installEventFilter(this);
        break;
      }
    }
  }
  FitComparison();
}

bool EngineView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport_ && event->type() == QEvent::Resize) FitComparison();
  return View::eventFilter(watched, event);
}

void EngineView::FitComparison() {
  if (app().reference() == nullptr) {
    outputs_->SetReferenceColumnShown(true);
    return;
  }
  const int available = viewport_ != nullptr ? viewport_->width() : width();
  if (!outputs_->referenceColumnShown()) {
    if (available < comparedWidth_) return;
    outputs_->SetReferenceColumnShown(true);
  }
  layout()->activate();
  comparedWidth_ = minimumSizeHint().width();
  if (comparedWidth_ > available) outputs_->SetReferenceColumnShown(false);
}

void EngineView::FocusInput(int n) {
  InputBox* b = box(n);
  if (b == nullptr) return;
  QTabWidget* stages = inputs_->stageTabs();
  const int stage = n >= 13 && n < 29 ? 1 : 0;
  if (n < 29 && stages->currentIndex() != stage && stages->isTabEnabled(stage)) {
    stages->setCurrentIndex(stage);
  }
  b->setFocus(Qt::OtherFocusReason);
  b->selectAll();
}

void EngineView::Explain(const std::string& key) {
  if (explain_ == nullptr) {
    explain_ = new ExplainDialog(app(), this);
    connect(explain_, &ExplainDialog::inputWanted, this, &EngineView::FocusInput);
  }
  if (!explain_->Explain(key)) return;
  explain_->show();
  explain_->raise();
  explain_->activateWindow();
}

}  // namespace orv
