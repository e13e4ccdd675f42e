#include "shell/explain_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "app/explain_command.h"
#include "engine/engine.h"
#include "engine/input_controller.h"
#include "shell/qt_convert.h"

namespace orv {

namespace {

QString Number(double x) {
  return std::isfinite(x) ? QString::number(x, 'g', 8) : QStringLiteral("(none)");
}

QLabel* TextLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  return label;
}

}  // namespace

ExplainDialog::ExplainDialog(Application& app, QWidget* parent) : QDialog(parent), app_(app) {
  setObjectName(QStringLiteral("explainDialog"));
  auto* layout = new QVBoxLayout(this);
  value_ = TextLabel(this);
  value_->setObjectName(QStringLiteral("explainValue"));
  QFont bold = value_->font();
  bold.setBold(true);
  value_->setFont(bold);
  formula_ = TextLabel(this);
  formula_->setObjectName(QStringLiteral("explainFormula"));
  operands_ = TextLabel(this);
  operands_->setObjectName(QStringLiteral("explainOperands"));
  inputs_ = new QLabel(this);
  inputs_->setObjectName(QStringLiteral("explainInputs"));
  inputs_->setWordWrap(true);
  inputs_->setTextFormat(Qt::RichText);
  inputs_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  inputs_->setFocusPolicy(Qt::StrongFocus);
  connect(inputs_, &QLabel::linkActivated, this, [this](const QString& link) {
    accept();
    Q_EMIT inputWanted(link.toInt());
  });
  sensitivity_ = new QTableWidget(0, 4, this);
  sensitivity_->setObjectName(QStringLiteral("explainSensitivity"));
  sensitivity_->setHorizontalHeaderLabels(
      {tr("Input"), tr("Step"), tr("Change for a step up"), tr("Change for a step down")});
  sensitivity_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  sensitivity_->verticalHeader()->hide();
  sensitivity_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  layout->addWidget(value_);
  layout->addWidget(formula_);
  layout->addWidget(operands_);
  layout->addWidget(new QLabel(tr("Rests on these inputs (a link goes to the input):"), this));
  layout->addWidget(inputs_);
  layout->addWidget(new QLabel(tr("How far one step of each input moves it:"), this));
  layout->addWidget(sensitivity_, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(620, 520);  // fits a 1366 x 768 screen with the window's frame
}

bool ExplainDialog::Explain(const std::string& key) {
  const InputController& controller = app_.document().controller();
  if (controller.engine().lastCalc() != Engine::CalcOutcome::Complete) return false;
  const CalcRecord record = RecordEngine(controller);
  const Formula* f = record.Find(key);
  if (f == nullptr) return false;
  const UnitMode mode = controller.unitMode();
  setWindowTitle(tr("Explain %1").arg(ToQString(key)));
  const std::string unit = ShownUnitOf(*f, mode);
  QString value = ToQString(key) + QStringLiteral(" = ") + Number(ShownValue(*f, mode));
  if (!unit.empty()) value += QStringLiteral(" ") + ToQString(unit);
  if (!f->text.empty())
    value += QStringLiteral("   (shown: \"%1\")").arg(ToQString(f->text).trimmed());
  value_->setText(value);
  formula_->setText(ToQString(FormulaText(*f->expr, false)) + QStringLiteral("\n= ") +
                    ToQString(FormulaText(*f->expr, true)) + tr("   (held in English units)"));
  QStringList operands;
  for (const auto& o : OperandsOf(*f->expr)) {
    const bool shown = o->from == OperandFrom::Input || o->from == OperandFrom::Result;
    const double v = shown ? ToDisplay(o->kind, o->value, mode) : o->value;
    const std::string u = ShownUnit(o->kind, o->unit, mode);
    operands << ToQString(o->name) + QStringLiteral(" = ") + Number(v) +
                    (u.empty() ? QString() : QStringLiteral(" ") + ToQString(u));
  }
  // The results it uses, one level down, so that a slot shows the formula behind its result.
  for (const auto& o : OperandsOf(*f->expr)) {
    const Formula* used = o->from == OperandFrom::Result ? record.Find(o->key) : nullptr;
    if (used == nullptr) continue;
    operands << QString()
             << ToQString(o->key) + QStringLiteral(" = ") +
                    ToQString(FormulaText(*used->expr, false))
             << QStringLiteral("    = ") + ToQString(FormulaText(*used->expr, true));
  }
  operands_->setText(operands.join(QStringLiteral("\n")));

  QStringList links;
  for (int n : InputsOf(record, key)) {
    links << QStringLiteral("<a href=\"%1\">%2</a>")
                 .arg(n)
                 .arg(ToQString(controller.texts().labels[static_cast<std::size_t>(n)])
                          .toHtmlEscaped());
  }
  inputs_->setText(links.isEmpty() ? tr("(none)") : links.join(QStringLiteral(", ")));

  const std::vector<SensitivityRow> rows = Sensitivity(controller, record, key);
  sensitivity_->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const SensitivityRow& r = rows[static_cast<std::size_t>(i)];
    const QString cells[] = {
        ToQString(controller.texts().labels[static_cast<std::size_t>(r.number)]), Number(r.step),
        r.up ? Number(*r.up) : tr("cannot be calculated"),
        r.down ? Number(*r.down) : tr("cannot be calculated")};
    for (int c = 0; c < 4; ++c) sensitivity_->setItem(i, c, new QTableWidgetItem(cells[c]));
  }
  return true;
}

}  // namespace orv
