#include "shell/engine_view.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orv {

EngineView::EngineView(Application& app, QWidget* parent) : View(app, parent) {
  // Until the view is drawn, it says what it will hold.
  auto* layout = new QVBoxLayout(this);
  auto* note =
      new QLabel(tr("The input stages with their outputs: the two stage tabs of inputs, the "
                    "cam-setting boxes and the four sources (captions and Edit buttons), both "
                    "output pages with the Calculate buttons and the balance chart."),
                 this);
  note->setWordWrap(true);
  note->setAlignment(Qt::AlignCenter);
  layout->addWidget(note);
}

void EngineView::Refresh(const ChangedAreas&) {}

}  // namespace orv
