#include "shell/flow_csv_tab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "airflow/csv_flow_test.h"
#include "app/application.h"
#include "app/csv_flow_tab.h"
#include "base/atomic_file.h"
#include "base/text_number.h"
#include "shell/command_runner.h"
#include "shell/flow_tab_text.h"

namespace orv {

namespace {

// Rows of a CSV file shown in the preview.
constexpr int kCsvPreviewRows = 12;
// The depression the tab suggests correcting to: the engine's airflow is quoted at 25 inches
// of water.
constexpr const char* kSuggestedCorrectTo = "25";

template <class Unit>
QString UnitText(Unit unit) {
  return QString::fromUtf8(UnitName(unit).data(), qsizetype(UnitName(unit).size()));
}

}  // namespace

FlowCsvTab::FlowCsvTab(Application& app, bool intake, QWidget* parent)
    : QWidget(parent), app_(app), intake_(intake) {
  setObjectName("pgCsv");
  fileEdit_ = new QLineEdit(this);
  fileEdit_->setObjectName("txtCsvFile");
  fileEdit_->setReadOnly(true);
  auto* choose = new QPushButton("File...", this);
  choose->setObjectName("cmdCsvFile");
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(new QLabel("CSV file:", this));
  fileRow->addWidget(fileEdit_, 1);
  fileRow->addWidget(choose);

  preview_ = new QTableWidget(this);
  preview_->setObjectName("grdCsvPreview");
  preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  message_ = new QLabel(this);
  message_->setObjectName("lblCsvMessage");
  message_->setWordWrap(true);

  auto* mapping = new QGroupBox("Columns", this);
  mapping->setObjectName("fraCsvColumns");
  auto* form = new QGridLayout(mapping);
  const char* names[] = {"Lift", "Flow", "Depression", "Swirl"};
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    columns_[i] = new QComboBox(mapping);
    columns_[i]->setObjectName(QString("cmbCsv%1").arg(names[i]));
    form->addWidget(new QLabel(names[i], mapping), static_cast<int>(i), 0);
    form->addWidget(columns_[i], static_cast<int>(i), 1);
  }
  liftUnit_ = new QComboBox(mapping);
  liftUnit_->setObjectName("cmbCsvLiftUnit");
  for (LiftUnit u : {LiftUnit::Inches, LiftUnit::Millimetres}) liftUnit_->addItem(UnitText(u));
  flowUnit_ = new QComboBox(mapping);
  flowUnit_->setObjectName("cmbCsvFlowUnit");
  for (FlowUnit u : {FlowUnit::Cfm, FlowUnit::CubicMetresPerMinute, FlowUnit::LitresPerSecond}) {
    flowUnit_->addItem(UnitText(u));
  }
  depressionUnit_ = new QComboBox(mapping);
  depressionUnit_->setObjectName("cmbCsvDepressionUnit");
  for (DepressionUnit u : {DepressionUnit::InchesOfWater, DepressionUnit::Kilopascals,
                           DepressionUnit::MillimetresOfWater}) {
    depressionUnit_->addItem(UnitText(u));
  }
  form->addWidget(liftUnit_, 0, 2);
  form->addWidget(flowUnit_, 1, 2);
  form->addWidget(depressionUnit_, 2, 2);

  auto* test = new QGroupBox("Test", this);
  test->setObjectName("fraCsvTest");
  auto* testForm = new QFormLayout(test);
  depression_ = new QLineEdit(test);
  depression_->setObjectName("txtCsvDepression");
  depression_->setPlaceholderText("from the file");
  testForm->addRow("Test depression (inH2O):", depression_);
  correct_ = new QCheckBox("Correct the flows to (inH2O)", test);
  correct_->setObjectName("chkCsvCorrect");
  correctTo_ = new QLineEdit(kSuggestedCorrectTo, test);
  correctTo_->setObjectName("txtCsvCorrectTo");
  testForm->addRow(correct_, correctTo_);
  valve_ = new QLineEdit(test);
  valve_->setObjectName("txtCsvValve");
  valve_->setPlaceholderText("inches (optional)");
  testForm->addRow("Valve diameter:", valve_);

  auto* settingsRow = new QHBoxLayout;
  settingsRow->addWidget(mapping, 1);
  settingsRow->addWidget(test, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fileRow);
  layout->addWidget(preview_, 1);
  layout->addWidget(message_);
  layout->addLayout(settingsRow);

  connect(choose, &QPushButton::clicked, this, &FlowCsvTab::ChooseFile);
}

void FlowCsvTab::ChooseFile() {
  const QString start = file_.empty() ? FlowText(app_.folders().dataRoot.string())
                                      : FlowText(file_.parent_path().string());
  const QString file = QFileDialog::getOpenFileName(this, "CSV Flow Test", start,
                                                    "CSV files (*.csv *.tsv);;All files (*)");
  if (!file.isEmpty()) UseFile(file.toStdString());
}

void FlowCsvTab::UseFile(const std::filesystem::path& file) {
  RunCommand(app_, kFlowTestsForm, "cmdCsvFile_Click", [&] {
    file_ = file;
    fileEdit_->setText(FlowText(file.string()));
    preview_->clear();
    preview_->setRowCount(0);
    preview_->setColumnCount(0);
    std::string why;
    const std::optional<std::string> bytes = ReadWholeFile(file, &why, kMaxCsvFileBytes);
    const CsvPreview preview =
        bytes ? PreviewCsv(*bytes, kCsvPreviewRows) : CsvPreview{',', false, {}, {}, why};
    message_->setText(FlowText(preview.error));
    std::size_t columns = preview.header.size();
    for (const auto& row : preview.rows) columns = std::max(columns, row.size());
    preview_->setColumnCount(static_cast<int>(columns));
    preview_->setRowCount(static_cast<int>(preview.rows.size()));
    QStringList heads;
    for (std::size_t c = 0; c < columns; ++c) {
      heads << QString("%1: %2").arg(c + 1).arg(
          c < preview.header.size() ? FlowText(preview.header[c]) : QString());
    }
    preview_->setHorizontalHeaderLabels(heads);
    for (std::size_t r = 0; r < preview.rows.size(); ++r) {
      for (std::size_t c = 0; c < preview.rows[r].size(); ++c) {
        preview_->setItem(static_cast<int>(r), static_cast<int>(c),
                          new QTableWidgetItem(FlowText(preview.rows[r][c])));
      }
    }
    for (QComboBox* list : columns_) {
      list->clear();
      list->addItem("(none)");
      list->addItems(heads);
    }
    layout_ = CsvLayoutKey(preview);
    const CsvTabMapping m = InitialCsvMapping(app_.settings(), preview);
    const std::array<int, 4> chosen{m.columns.lift, m.columns.flow, m.columns.depression,
                                    m.columns.swirl};
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      columns_[i]->setCurrentIndex(chosen[i] <= static_cast<int>(columns) ? chosen[i] : 0);
    }
    liftUnit_->setCurrentIndex(static_cast<int>(m.units.lift));
    flowUnit_->setCurrentIndex(static_cast<int>(m.units.flow));
    depressionUnit_->setCurrentIndex(static_cast<int>(m.units.depression));
  });
}

bool FlowCsvTab::Open(const std::function<void()>& dropTypedPoints) {
  if (file_.empty()) return false;
  CsvFlowOptions options;
  CsvColumns columns;
  columns.lift = columns_[0]->currentIndex();
  columns.flow = columns_[1]->currentIndex();
  columns.depression = std::max(0, columns_[2]->currentIndex());
  columns.swirl = std::max(0, columns_[3]->currentIndex());
  if (columns.lift <= 0 || columns.flow <= 0) {
    app_.prompter().Warn("Choose the columns of the lift and the flow.", kAppTitle);
    return false;
  }
  options.columns = columns;
  options.liftUnit = static_cast<LiftUnit>(liftUnit_->currentIndex());
  options.flowUnit = static_cast<FlowUnit>(flowUnit_->currentIndex());
  options.depressionUnit = static_cast<DepressionUnit>(depressionUnit_->currentIndex());
  // The depressions typed on the tab are in inches of water, whatever the file's unit.
  options.typedDepressionUnit = DepressionUnit::InchesOfWater;
  const std::string depression = depression_->text().trimmed().toStdString();
  if (!depression.empty()) options.testDepression = TextToDouble(depression);
  if (correct_->isChecked()) options.correctTo = TextToDouble(correctTo_->text().toStdString());
  const std::string valve = valve_->text().trimmed().toStdString();
  if (!valve.empty()) options.valveDiameterInches = TextToSingle(valve);
  dropTypedPoints();
  const CsvFlowResult result = app_.document().LoadCsvFlowTest(intake_, file_.string(), options);
  if (!result.ok()) {
    app_.prompter().Warn("Cannot read the flow test " + file_.string() + ":\n" + result.message,
                         kAppTitle);
    return false;
  }
  RememberCsvMapping(app_.EditSettings(), layout_,
                     {columns, {*options.liftUnit, *options.flowUnit, *options.depressionUnit}});
  return true;
}

}  // namespace orv
