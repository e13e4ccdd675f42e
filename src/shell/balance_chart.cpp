#include "shell/balance_chart.h"

#include <algorithm>
#include <cmath>

#include "shell/qt_convert.h"

namespace orv {

namespace {

// Room above and below the curve and the balance-factor line, as a share of their span.
constexpr double kMargin = 0.12;
// Marks this close to either end carry their label inside the plot.
constexpr double kEndZone = 25;

}  // namespace

BalanceChartView::BalanceChartView(QWidget* parent) : QCustomPlot(parent) {
  setObjectName(QStringLiteral("balanceChart"));
  setMinimumSize(300, 200);
  addGraph();
  graph(0)->setPen(QPen(QColor(0, 60, 170), 2));
  xAxis->setRange(0, 360);
  auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
  ticker->setTickStep(45);
  xAxis->setTicker(ticker);
  xAxis->grid()->setPen(QPen(QColor(225, 225, 225)));
  yAxis->grid()->setPen(QPen(QColor(225, 225, 225)));
  QFont tickFont = font();
  tickFont.setPointSizeF(tickFont.pointSizeF() * 0.9);
  xAxis->setTickLabelFont(tickFont);
  yAxis->setTickLabelFont(tickFont);
}

int BalanceChartView::curvePoints() const { return graph(0)->data()->size(); }

void BalanceChartView::Show(const BalanceChart& chart) {
  clearItems();
  caption_ = nullptr;
  marks_.clear();

  QVector<double> x, y;
  x.reserve(static_cast<int>(chart.curve.size()));
  y.reserve(static_cast<int>(chart.curve.size()));
  double lo = chart.recipBF, hi = chart.recipBF;
  for (std::size_t d = 0; d < chart.curve.size(); ++d) {
    const double v = chart.curve[d];
    x.push_back(static_cast<double>(d));
    y.push_back(v);
    if (std::isfinite(v)) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  graph(0)->setData(x, y, true);
  low_ = lo;
  high_ = hi;

  const QPen markPen(QColor(110, 110, 110), 1, Qt::DashLine);
  for (const ChartMark& mark : chart.marks) {
    auto* line = new QCPItemStraightLine(this);
    line->setPen(markPen);
    line->point1->setCoords(mark.angle, 0);
    line->point2->setCoords(mark.angle, 1);
    auto* label = new QCPItemText(this);
    label->position->setTypeX(QCPItemPosition::ptPlotCoords);
    label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    label->position->setCoords(mark.angle, 0.01);
    Qt::Alignment side = Qt::AlignHCenter;
    if (mark.angle < kEndZone) side = Qt::AlignLeft;
    if (mark.angle > 360 - kEndZone) side = Qt::AlignRight;
    label->setPositionAlignment(Qt::AlignTop | side);
    label->setText(ToQString(mark.label));
    label->setColor(QColor(60, 60, 60));
    marks_.emplace_back(mark.angle, ToQString(mark.label));
  }

  // The balance factor typed by the user: a line with its words at the right end, an arrow
  // pointing down onto it and one pointing at it from the left edge.
  recipLine_ = chart.recipBF;
  const QColor red(200, 30, 30);
  auto* recip = new QCPItemStraightLine(this);
  recip->setPen(QPen(red, 1.5));
  recip->point1->setCoords(0, chart.recipBF);
  recip->point2->setCoords(360, chart.recipBF);
  QString words;
  for (const std::string& piece : chart.recipLabels) words += ToQString(piece);
  auto* caption = new QCPItemText(this);
  caption->position->setCoords(350, chart.recipBF);
  caption->setPositionAlignment(Qt::AlignRight | Qt::AlignBottom);
  caption->setText(words.trimmed() + QStringLiteral("\n") + ToQString(chart.recipMarkDown));
  caption->setTextAlignment(Qt::AlignRight);
  caption->setColor(red);
  auto* arrow = new QCPItemText(this);
  arrow->position->setCoords(0, chart.recipBF);
  arrow->setPositionAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  arrow->setText(ToQString(chart.recipMarkRight));
  arrow->setColor(red);
  caption_ = caption;
  FitRange();
  replot();
}

void BalanceChartView::FitRange() {
  const double span = std::max(high_ - low_, 1.0);
  const double lower = low_ - span * kMargin;
  double upper = high_ + span * kMargin * 3;
  // The dead-centre labels take a line at the top of the plot and the balance factor's words
  // two lines above its line: at a small chart the scale leaves that many pixels free above
  // the curve and above the line, whatever the numbers' span.
  const double plot = std::max(1, axisRect()->height());
  const double line = QFontMetricsF(font()).lineSpacing();
  auto roomFor = [&](double top, double pixels) {
    if (pixels >= plot * 0.8) pixels = plot * 0.8;
    return (top - pixels * lower / plot) / (1 - pixels / plot);
  };
  upper = std::max(upper, roomFor(high_, line + 4));
  if (caption_ != nullptr) upper = std::max(upper, roomFor(recipLine_, 3 * line + 6));
  yAxis->setRange(lower, upper);
}

void BalanceChartView::resizeEvent(QResizeEvent* event) {
  QCustomPlot::resizeEvent(event);  // lays the axis rectangle out for the new size
  FitRange();
  replot();
}

}  // namespace orv
