#include "shell/flow_keyboard_tab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QVBoxLayout>

#include "app/application.h"
#include "shell/command_runner.h"
#include "shell/flow_tab_text.h"

namespace orv {

namespace {

constexpr KeyboardFlowEntry::Field kFields[] = {
    KeyboardFlowEntry::Field::Lift, KeyboardFlowEntry::Field::Cfm, KeyboardFlowEntry::Field::Swirl};

}  // namespace

FlowKeyboardTab::FlowKeyboardTab(Application& app, bool intake, QWidget* parent)
    : QWidget(parent), app_(app), keyboard_(app.document(), intake) {
  setObjectName("pgKeyboard");
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Lift", this), 0, 1);
  grid->addWidget(new QLabel("Flow", this), 0, 2);
  if (intake) grid->addWidget(new QLabel("Swirl", this), 0, 3);
  for (int row = 1; row <= KeyboardFlowEntry::kRows; ++row) {
    grid->addWidget(new QLabel(QString::number(row), this), row, 0);
    for (int f = 0; f < (intake ? 3 : 2); ++f) {
      const KeyboardFlowEntry::Field field = kFields[f];
      auto* edit = new QLineEdit(FlowText(keyboard_.Text(row, field)), this);
      edit->setObjectName(QString("%1%2")
                              .arg(f == 0   ? "txtLift"
                                   : f == 1 ? "txtCFM"
                                            : "txtSwirl")
                              .arg(row - 1));
      fields_[static_cast<std::size_t>(row)][static_cast<std::size_t>(f)] = edit;
      grid->addWidget(edit, row, f + 1);
      connect(edit, &QLineEdit::editingFinished, this, [this, edit, row, field] {
        if (closing_) return;
        RunCommand(app_, kFlowTestsForm, "txtKeyboard_LostFocus", [&] {
          keyboard_.Leave(row, field, edit->text().toStdString());
          edit->setText(FlowText(keyboard_.Text(row, field)));
        });
      });
    }
  }
  auto* column = new QVBoxLayout;
  column->addLayout(grid);
  column->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(column);
  layout->addStretch(1);
}

// The field with the focus and typed text: its value is stored, as leaving it does.
void FlowKeyboardTab::TakeOverField() {
  for (int row = 1; row <= KeyboardFlowEntry::kRows; ++row) {
    for (std::size_t f = 0; f < 3; ++f) {
      QLineEdit* edit = fields_[static_cast<std::size_t>(row)][f];
      if (edit == nullptr || !edit->hasFocus() || !edit->isModified()) continue;
      keyboard_.Leave(row, kFields[f], edit->text().toStdString());
      edit->setText(FlowText(keyboard_.Text(row, kFields[f])));
    }
  }
}

void FlowKeyboardTab::Open() {
  TakeOverField();
  keyboard_.Open();
}

void FlowKeyboardTab::PutTablesBack() { keyboard_.Cancel(); }

}  // namespace orv
