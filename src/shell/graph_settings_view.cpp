#include "shell/graph_settings_view.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orv {

GraphSettingsView::GraphSettingsView(Application& app, QWidget* parent) : View(app, parent) {
  // Until the view is drawn, it says what it will hold.
  auto* layout = new QVBoxLayout(this);
  auto* note = new QLabel(
      tr("The graph's scales, line thickness, axes choices, check boxes and background colour."),
      this);
  note->setWordWrap(true);
  note->setAlignment(Qt::AlignCenter);
  layout->addWidget(note);
}

void GraphSettingsView::Refresh(const ChangedAreas&) {}

}  // namespace orv
