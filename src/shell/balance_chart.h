#pragma once

// QCustomPlot's header uses Qt's lower-case keywords, which the shell switches off.
#ifdef QT_NO_KEYWORDS
#define signals Q_SIGNALS
#define slots Q_SLOTS
#define emit Q_EMIT
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef emit
#undef foreach
#else
#include <qcustomplot.h>
#endif

#include <QString>
#include <utility>
#include <vector>

#include "engine/output_panel.h"

namespace orv {

// The balance chart of output page 0: the engine's balance curve over 0..360 crank degrees, the
// dead-centre marks of one or two banks with their labels, and a horizontal line at the balance
// factor the user typed with its captions. It draws the chart the core built; it computes
// nothing but the scale that shows it all.
class BalanceChartView final : public QCustomPlot {
  Q_OBJECT

 public:
  explicit BalanceChartView(QWidget* parent = nullptr);

  void Show(const BalanceChart& chart);

  // What is drawn, for the window's tests: the marks (angle and label), the height of the
  // balance-factor line and the number of curve points.
  const std::vector<std::pair<double, QString>>& marks() const noexcept { return marks_; }
  double recipLine() const noexcept { return recipLine_; }
  int curvePoints() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The vertical scale: the curve and the balance-factor line with room for their labels at
  // the chart's present size.
  void FitRange();

  std::vector<std::pair<double, QString>> marks_;
  double recipLine_ = 0;
  double low_ = 0, high_ = 0;       // the curve's and the line's extent
  QCPItemText* caption_ = nullptr;  // the balance factor's words
};

}  // namespace orv
