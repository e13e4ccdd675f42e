#pragma once

#include <QDialog>

class QWidget;

namespace orv {

class Application;

// The four sources of the engine's cam and airflow, as the Edit buttons number them.
enum class EditSource { IntakeCam = 0, ExhaustCam = 1, IntakeFlow = 2, ExhaustFlow = 3 };

// Opens the selection dialog of an Edit button (0 intake cam, 1 exhaust cam, 2 intake flow
// test, 3 exhaust flow test) window-modal over `parent`, deleted when it closes. Its
// `sourceLoaded` signal is connected to `receiver`'s `onLoaded` slot, after which the window
// refreshes the source captions, the cam-setting boxes and the outputs. Returns the dialog, or
// nullptr for a number that names no source.
template <class Receiver, class Slot>
QDialog* OpenSourceDialog(Application& app, int source, QWidget* parent, Receiver* receiver,
                          Slot onLoaded);

// The dialog of a source, not yet shown (nullptr for a number that names no source).
QDialog* MakeSourceDialog(Application& app, int source, QWidget* parent);

}  // namespace orv

#include "shell/cam_dialog.h"
#include "shell/flow_test_dialog.h"

namespace orv {

template <class Receiver, class Slot>
QDialog* OpenSourceDialog(Application& app, int source, QWidget* parent, Receiver* receiver,
                          Slot onLoaded) {
  QDialog* dialog = MakeSourceDialog(app, source, parent);
  if (dialog == nullptr) return nullptr;
  if (auto* cam = qobject_cast<CamDialog*>(dialog)) {
    QObject::connect(cam, &CamDialog::sourceLoaded, receiver, onLoaded);
  } else if (auto* flow = qobject_cast<FlowTestDialog*>(dialog)) {
    QObject::connect(flow, &FlowTestDialog::sourceLoaded, receiver, onLoaded);
  }
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
  return dialog;
}

}  // namespace orv
