#include "shell/graph_view.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orv {

GraphView::GraphView(Application& app, QWidget* parent) : View(app, parent) {
  // Until the view is drawn, it says what it will hold.
  auto* layout = new QVBoxLayout(this);
  auto* note = new QLabel(tr("The graph of the thirteen per-degree curves with its cursor lines "
                             "and zoom, and the curve list beside it."),
                          this);
  note->setWordWrap(true);
  note->setAlignment(Qt::AlignCenter);
  layout->addWidget(note);
}

void GraphView::Refresh(const ChangedAreas&) {}

}  // namespace orv
