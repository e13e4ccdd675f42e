#include "shell/report_setup_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "app/application.h"
#include "app/report_setup.h"
#include "base/error_trace.h"
#include "files/interface_text_ids.h"
#include "shell/command_runner.h"
#include "shell/dialog_buttons.h"
#include "shell/enter_as_tab.h"

namespace orv {

namespace {

QString Text(const Application& app, int misc) {
  return QString::fromStdString(app.strings().Misc(misc));
}

}  // namespace

ReportSetupDialog::ReportSetupDialog(Application& app, QWidget* parent)
    : QDialog(parent),
      app_(app),
      camCard_(new QCheckBox(this)),
      ok_(new QPushButton(this)),
      cancel_(new QPushButton(this)) {
  setObjectName(QStringLiteral("frmReportSetup"));
  setModal(true);
  setWindowTitle(Text(app, kMiscReportSetupTitle));

  auto* headingFrame = new QGroupBox(Text(app, kMiscHeadingsFrame), this);
  auto* headingLayout = new QVBoxLayout(headingFrame);
  for (int i = 0; i < 3; ++i) {
    auto* box = new QCheckBox(Text(app, kMiscHeadingDate + i), headingFrame);
    box->setObjectName(QStringLiteral("chkHeading%1").arg(i));
    headings_[std::size_t(i)] = box;
    headingLayout->addWidget(box);
  }
  headingLayout->addStretch();

  auto* sectionFrame = new QGroupBox(Text(app, kMiscSectionsFrame), this);
  auto* sectionLayout = new QVBoxLayout(sectionFrame);
  for (int i = 0; i < 7; ++i) {
    auto* box = new QCheckBox(Text(app, kMiscReportSection0 + i), sectionFrame);
    box->setObjectName(QStringLiteral("chkSection%1").arg(i));
    sections_[std::size_t(i)] = box;
    sectionLayout->addWidget(box);
  }
  // The cam card: a section of the general report and of the details reports alike.
  camCard_->setParent(sectionFrame);
  camCard_->setText(tr("Cam card (general and details reports)"));
  camCard_->setObjectName(QStringLiteral("chkSection7"));
  sectionLayout->addWidget(camCard_);

  // The two degree ranges: "From", "To", "Increment", each box followed by "Deg.".
  auto* rangesLayout = new QVBoxLayout;
  for (int range = 0; range < 2; ++range) {
    auto* frame = new QGroupBox(Text(app, range == 0 ? kMiscRange1Frame : kMiscRange2Frame), this);
    auto* grid = new QGridLayout(frame);
    for (int k = 0; k < 3; ++k) {
      const int n = range * 3 + k;
      auto* box = new QLineEdit(frame);
      box->setObjectName(QStringLiteral("txtDegrees%1").arg(n));
      box->setMaxLength(8);
      box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("-00000")) + 16);
      box->installEventFilter(this);
      degrees_[std::size_t(n)] = box;
      grid->addWidget(new QLabel(Text(app, kMiscFrom + k), frame), k, 0);
      grid->addWidget(box, k, 1);
      grid->addWidget(new QLabel(Text(app, kMiscDegrees), frame), k, 2);
    }
    grid->setColumnStretch(3, 1);
    rangesLayout->addWidget(frame);
  }
  rangesLayout->addStretch();

  auto* frames = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(headingFrame);
  left->addWidget(sectionFrame);
  frames->addLayout(left);
  frames->addLayout(rangesLayout);

  QHBoxLayout* buttons = OkCancelRow(app, this, ok_, cancel_);
  connect(ok_, &QPushButton::clicked, this, &ReportSetupDialog::Apply);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(frames);
  layout->addLayout(buttons);

  EnterAsTab::Install(this, [&app] { return app.settings().enterAsTab; });
  Load();
}

void ReportSetupDialog::Load() {
  const ReportSetupBoxes boxes = ReportSetupOf(app_.settings());
  for (std::size_t i = 0; i < headings_.size(); ++i) headings_[i]->setChecked(boxes.headings[i]);
  for (std::size_t i = 0; i < sections_.size(); ++i) sections_[i]->setChecked(boxes.sections[i]);
  camCard_->setChecked(boxes.camCard);
  for (std::size_t i = 0; i < degrees_.size(); ++i) {
    degrees_[i]->setText(QString::fromStdString(boxes.degrees[i]));
  }
}

void ReportSetupDialog::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) Load();
  QDialog::showEvent(event);
}

bool ReportSetupDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    // A degree box selects its whole text when it gets the focus; after the click that gave it
    // the focus has placed the cursor.
    if (auto* box = qobject_cast<QLineEdit*>(watched)) {
      box->selectAll();
      QTimer::singleShot(0, box, [box] {
        if (box->hasFocus()) box->selectAll();
      });
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ReportSetupDialog::Apply() {
  bool stored = false;
  RunCommand(app_, "frmReportSetup", "cmdOK_Click", [&] {
    ReportSetupBoxes boxes;
    for (std::size_t i = 0; i < headings_.size(); ++i)
      boxes.headings[i] = headings_[i]->isChecked();
    for (std::size_t i = 0; i < sections_.size(); ++i)
      boxes.sections[i] = sections_[i]->isChecked();
    boxes.camCard = camCard_->isChecked();
    for (std::size_t i = 0; i < degrees_.size(); ++i) {
      boxes.degrees[i] = degrees_[i]->text().toStdString();
    }
    const ReportSetupCheck check = ApplyReportSetup(boxes, app_.EditSettings());
    if (!check.passed()) {
      app_.prompter().Warn(app_.strings().Misc(check.message), kAppTitle);
      if (check.box >= 0 && check.box < int(degrees_.size())) {
        degrees_[std::size_t(check.box)]->setFocus(Qt::OtherFocusReason);
      }
      return;
    }
    stored = true;
  });
  if (!stored) return;
  accept();
  Q_EMIT applied();
}

}  // namespace orv
