#include "shell/source_dialogs.h"

namespace orv {

QDialog* MakeSourceDialog(Application& app, int source, QWidget* parent) {
  switch (static_cast<EditSource>(source)) {
    case EditSource::IntakeCam:
      return new CamDialog(app, true, parent);
    case EditSource::ExhaustCam:
      return new CamDialog(app, false, parent);
    case EditSource::IntakeFlow:
      return new FlowTestDialog(app, true, parent);
    case EditSource::ExhaustFlow:
      return new FlowTestDialog(app, false, parent);
  }
  return nullptr;
}

}  // namespace orv
