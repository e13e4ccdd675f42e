#pragma once

#include <QWidget>
#include <map>
#include <string>

#include "app/application.h"
#include "shell/focus_help.h"

class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace orv {

class BalanceChartView;
class VeDiagram;

// The output panel: page 0 (engine geometry, rotating assembly and the balance analysis with its
// chart) and page 1 (cylinder filling and ports, piston motion, torque and power, exhaust and the
// volumetric-efficiency diagram), each slot with its label and unit caption from the interface
// texts, grouped in frames, each page with its Calculate button. The page shown is the core's
// current output page.
class OutputPanelView final : public QWidget {
  Q_OBJECT

 public:
  explicit OutputPanelView(Application& app, QWidget* parent = nullptr);

  // Captions and unit captions (interface texts, unit system), then the values.
  void ShowCaptions();
  // The values of both pages, the chart and the diagram.
  void ShowOutputs();

  // The value label of a slot, nullptr for a slot no page has.
  QLabel* slotLabel(int slot) const;
  // Beside a slot's value while a reference engine is set: the reference's value and the
  // difference (current minus reference), hidden otherwise; nullptr for the slots without them
  // (the turning-point listings).
  QLabel* referenceLabel(int slot) const;
  QLabel* differenceLabel(int slot) const;
  // Whether the reference's values stand in a column of their own beside the values (where the
  // width allows) or only in the differences' tooltips.
  void SetReferenceColumnShown(bool shown);
  bool referenceColumnShown() const noexcept { return referenceColumn_; }
  // The line above the pages naming the reference engine (hidden while none is set) carries the
  // object name "referenceCaption".
  BalanceChartView* chart() const noexcept { return chart_; }
  VeDiagram* veDiagram() const noexcept { return veDiagram_; }
  int pageShown() const;

 Q_SIGNALS:
  // The Calculate button of `page` was pressed.
  void calculateClicked(int page);
  void helpWanted(int helpText);
  // A slot's explanation was asked for (F1 or "Explain..."): "page0.N" or "page1.N".
  void explainWanted(const std::string& key);

 protected:
  // F1 and the context menu of a slot ask for its explanation.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  FocusHelp* focusHelp_ = new FocusHelp(this);
  struct Row {
    QLabel* name = nullptr;
    QLabel* value = nullptr;
    QLabel* unit = nullptr;
    QLabel* reference = nullptr;
    QLabel* difference = nullptr;
  };
  // The reference and difference labels of a row, in `grid` at `row` from `column` on.
  void AddComparison(Row& r, int slot, QGridLayout* grid, int row, int column);
  void ShowComparison();
  QWidget* BuildPage0();
  QWidget* BuildPage1();
  QGroupBox* Frame(int labelText, QWidget* parent);
  void AddSlots(QGridLayout* grid, int& row, std::initializer_list<int> slots);
  void AddGroupLine(QGridLayout* grid, int& row, int outLabel);
  QPushButton* CalculateButton(int page, QWidget* parent);

  Application& app_;
  QStackedWidget* pages_ = nullptr;
  QLabel* referenceCaption_ = nullptr;
  bool referenceColumn_ = true;
  std::map<int, Row> rows_;             // value slots with label and unit
  std::map<int, QLabel*> frameTitles_;  // label text -> frame (its title is set)
  std::map<QGroupBox*, int> frames_;    // frame -> label text
  std::map<QLabel*, int> groupLines_;   // group line -> output label text
  std::map<QLabel*, int> headings_;     // heading -> label text
  std::map<int, QLabel*> pieces_;       // balance listing slots (no label, no unit)
  QPushButton* calculate_[2] = {nullptr, nullptr};
  BalanceChartView* chart_ = nullptr;
  VeDiagram* veDiagram_ = nullptr;
};

// The volumetric-efficiency diagram of page 1: a bar of VE x 100 against a scale marked up to
// 115, with the value written beside it.
class VeDiagram final : public QWidget {
  Q_OBJECT

 public:
  explicit VeDiagram(QWidget* parent = nullptr);
  void Show(double percent, const QString& text, const QString& caption);
  double percent() const noexcept { return percent_; }
  const QString& text() const noexcept { return text_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double percent_ = 0;
  QString text_, caption_;
};

}  // namespace orv
