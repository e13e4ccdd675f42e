#include "shell/splash_window.h"

#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

#include "app/application.h"
#include "files/config_file.h"

namespace orv {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmSplash"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(48, 36, 48, 36);
  auto* name = new QLabel(QStringLiteral("Orvantis"), this);
  QFont big = name->font();
  big.setPointSize(28);
  big.setBold(true);
  name->setFont(big);
  name->setAlignment(Qt::AlignCenter);
  auto* version = new QLabel(tr("Version %1").arg(QStringLiteral(ORVANTIS_VERSION)), this);
  version->setAlignment(Qt::AlignCenter);
  auto* purpose = new QLabel(tr("Engine, cam and airflow analysis for engine builders"), this);
  purpose->setAlignment(Qt::AlignCenter);
  layout->addWidget(name);
  layout->addWidget(version);
  layout->addWidget(purpose);
  setFixedSize(sizeHint().expandedTo(QSize(420, 200)));
}

void SplashWindow::FixFolders(Application& app, const std::filesystem::path& dataRoot) {
  app.SetFolders(Folders{ProgramFolder(), ResolveDataRoot(dataRoot)});
}

}  // namespace orv
