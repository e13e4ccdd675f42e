#include "shell/options_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStringList>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/application.h"
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

OptionsDialog::OptionsDialog(Application& app, QWidget* parent)
    : QDialog(parent),
      app_(app),
      pages_(new QTabWidget(this)),
      enterAsTab_(new QCheckBox(this)),
      nameIncrement_(new QCheckBox(this)),
      heading_(new QPlainTextEdit(this)),
      ok_(new QPushButton(this)),
      cancel_(new QPushButton(this)) {
  setObjectName(QStringLiteral("frmOptions"));
  setModal(true);
  setWindowTitle(Text(app, kMiscOptionsTitle));

  // Page 1: the unit system.
  auto* unitsPage = new QWidget(pages_);
  auto* unitsFrame = new QGroupBox(Text(app, kMiscUnitsFrame), unitsPage);
  auto* unitsLayout = new QVBoxLayout(unitsFrame);
  for (int i = 0; i < 3; ++i) {
    auto* option = new QRadioButton(Text(app, kMiscUnitsEnglish + i), unitsFrame);
    option->setObjectName(QStringLiteral("optUnits%1").arg(i));
    units_[std::size_t(i)] = option;
    unitsLayout->addWidget(option);
  }
  auto* unitsPageLayout = new QVBoxLayout(unitsPage);
  unitsPageLayout->addWidget(unitsFrame);
  unitsPageLayout->addStretch();

  // Page 2: Enter as Tab and name increment.
  auto* optionsPage = new QWidget(pages_);
  enterAsTab_->setObjectName(QStringLiteral("chkEnterAsTab"));
  enterAsTab_->setText(Text(app, kMiscEnterAsTab));
  nameIncrement_->setObjectName(QStringLiteral("chkNameInc"));
  nameIncrement_->setText(Text(app, kMiscNameIncrement));
  auto* optionsLayout = new QVBoxLayout(optionsPage);
  optionsLayout->addWidget(enterAsTab_);
  optionsLayout->addWidget(nameIncrement_);
  optionsLayout->addStretch();

  // Page 3: the customer's heading lines.
  auto* headingPage = new QWidget(pages_);
  auto* headingLabel = new QLabel(Text(app, kMiscHeadingLabel), headingPage);
  headingLabel->setWordWrap(true);
  heading_->setObjectName(QStringLiteral("txtHeading"));
  heading_->setLineWrapMode(QPlainTextEdit::NoWrap);
  heading_->setTabChangesFocus(true);
  auto* headingLayout = new QVBoxLayout(headingPage);
  headingLayout->addWidget(headingLabel);
  headingLayout->addWidget(heading_);

  const QString fallback[3] = {tr("Units"), tr("Options"), tr("Printout Heading")};
  QWidget* pages[3] = {unitsPage, optionsPage, headingPage};
  for (int i = 0; i < 3; ++i) {
    const std::string& caption = app.strings().Tab(kTabsOptions, i + 1);
    pages_->addTab(pages[i], caption.empty() ? fallback[i] : QString::fromStdString(caption));
  }

  QHBoxLayout* buttons = OkCancelRow(app, this, ok_, cancel_);
  connect(ok_, &QPushButton::clicked, this, &OptionsDialog::Apply);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addLayout(buttons);

  EnterAsTab::Install(this, [&app] { return app.settings().enterAsTab; });
  Load();
}

void OptionsDialog::Load() {
  const Settings& s = app_.settings();
  const int unit = s.unitSystem == 1 || s.unitSystem == 2 ? s.unitSystem : 0;
  units_[std::size_t(unit)]->setChecked(true);
  enterAsTab_->setChecked(s.enterAsTab);
  nameIncrement_->setChecked(s.incrementNames);
  QStringList lines;
  for (const std::string& line : s.customerHeading) lines << QString::fromStdString(line);
  heading_->setPlainText(lines.join(QLatin1Char('\n')));
}

void OptionsDialog::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) Load();
  QDialog::showEvent(event);
}

void OptionsDialog::Apply() {
  RunCommand(app_, "frmOptions", "cmdOK_Click", [&] {
    const UnitMode mode = units_[2]->isChecked()   ? UnitMode::MetricM3
                          : units_[1]->isChecked() ? UnitMode::Metric
                                                   : UnitMode::English;
    if (static_cast<int>(mode) != app_.settings().unitSystem) app_.SetUnitSystem(mode);
    Settings& s = app_.EditSettings();
    s.enterAsTab = enterAsTab_->isChecked();
    s.incrementNames = nameIncrement_->isChecked();
    // The box's lines, split at the line ends (the box keeps them as LF).
    s.customerHeading.clear();
    QString text = heading_->toPlainText();
    text.remove(QLatin1Char('\r'));
    if (!text.isEmpty()) {
      for (const QString& line : text.split(QLatin1Char('\n'))) {
        s.customerHeading.push_back(line.toStdString());
      }
    }
  });
  accept();
  Q_EMIT applied();
}

}  // namespace orv
