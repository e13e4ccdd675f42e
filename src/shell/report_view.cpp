#include "shell/report_view.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orv {

ReportView::ReportView(Application& app, QWidget* parent) : View(app, parent) {
  // Until the view is drawn, it says what it will hold.
  auto* layout = new QVBoxLayout(this);
  auto* note = new QLabel(
      tr("The four text reports on four tabs, printed and saved from the File menu."), this);
  note->setWordWrap(true);
  note->setAlignment(Qt::AlignCenter);
  layout->addWidget(note);
}

void ReportView::Refresh(const ChangedAreas&) {}

}  // namespace orv
