#include "shell/dialog_buttons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

#include "app/application.h"
#include "files/interface_text_ids.h"

namespace orv {

QHBoxLayout* OkCancelRow(const Application& app, QDialog* dialog, QPushButton* ok,
                         QPushButton* cancel) {
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setText(QString::fromStdString(app.strings().Misc(kMiscOk)));
  ok->setDefault(true);
  cancel->setObjectName(QStringLiteral("cmdCancel"));
  cancel->setText(QString::fromStdString(app.strings().Misc(kMiscCancel)));
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

}  // namespace orv
