#include "shell/lobe_preview.h"

#include <array>

#include "shell/lobe_table_model.h"

namespace orv {

namespace {

// One colour for each of the six lobes, told apart also by a reader of faded colours.
const std::array<QColor, kMaxPreviewLobes> kLobeColours = {
    QColor(0, 90, 200),  QColor(210, 60, 20), QColor(0, 140, 60),
    QColor(150, 0, 150), QColor(190, 140, 0), QColor(0, 150, 160)};

// Table entry 179 holds the lobe centre; an entry is one cam degree, two crank degrees.
constexpr int kCentreEntry = 179;
constexpr double kCrankPerEntry = 2;

}  // namespace

LobePreview::LobePreview(QWidget* parent) : QCustomPlot(parent) {
  setObjectName(QStringLiteral("lobePreview"));
  xAxis->setLabel(tr("Crank degrees from the lobe centre"));
  xAxis->setRange(-180, 180);
  yAxis2->setVisible(true);
  legend->setVisible(false);
  QFont small = font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  legend->setFont(small);
  legend->setRowSpacing(0);
  // The legend in a row of its own under the graph, three names a row, clear of the curves.
  auto* legendRow = new QCPLayoutGrid;
  plotLayout()->addElement(1, 0, legendRow);
  legendRow->setMargins(QMargins(4, 0, 4, 2));
  axisRect()->insetLayout()->take(legend);
  legendRow->addElement(0, 0, legend);
  // A legend is no wider than its names (an empty one a few pixels), and the graph's column
  // would follow it: an empty element beside it takes the rest of the width.
  legendRow->addElement(0, 1, new QCPLayoutElement(this));
  legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  legend->setWrap(3);
  legend->setBorderPen(Qt::NoPen);
  plotLayout()->setRowStretchFactor(1, 0.001);
  for (QCPAxis* axis : {xAxis, yAxis, yAxis2}) {
    axis->setLabelFont(small);
    axis->setTickLabelFont(small);
  }
  setMinimumHeight(140);
}

void LobePreview::Show(const std::vector<const LobeTableRow*>& lobes, UnitMode mode) {
  clearGraphs();
  const bool english = mode == UnitMode::English;
  const double scale = english ? 1.0 : kMmPerInch;
  const QString unit = english ? QStringLiteral("in") : QStringLiteral("mm");
  yAxis->setLabel(tr("Valve lift %1").arg(unit));
  yAxis2->setLabel(tr("Velocity %1/deg").arg(unit));
  lobes_ = 0;
  for (const LobeTableRow* lobe : lobes) {
    if (lobe == nullptr || lobes_ >= kMaxPreviewLobes) continue;
    const std::vector<float>& lift = lobe->card.valveLift;
    const std::vector<float>& velocity = lobe->card.valveVelocity;
    if (lift.empty() || lift.size() != velocity.size()) continue;
    QVector<double> x, y, v;
    x.reserve(static_cast<qsizetype>(lift.size()));
    for (std::size_t i = 0; i < lift.size(); ++i) {
      x.push_back(kCrankPerEntry * (static_cast<double>(i) - kCentreEntry));
      y.push_back(lift[i] * scale);
      v.push_back(velocity[i] * scale);
    }
    const QColor colour = kLobeColours[static_cast<std::size_t>(lobes_)];
    QCPGraph* liftGraph = addGraph(xAxis, yAxis);
    liftGraph->setData(x, y, true);
    liftGraph->setPen(QPen(colour, 1.5));
    QString name = QString::fromStdString(lobe->card.file);
    if (!lobe->card.lobe.empty())
      name += QStringLiteral(" ") + QString::fromStdString(lobe->card.lobe);
    liftGraph->setName(name);
    QCPGraph* velocityGraph = addGraph(xAxis, yAxis2);
    velocityGraph->setData(x, v, true);
    velocityGraph->setPen(QPen(colour, 1, Qt::DashLine));
    velocityGraph->removeFromLegend();
    ++lobes_;
  }
  legend->setVisible(lobes_ > 0);
  if (lobes_ > 0) {
    bool found = false;
    QCPRange lift, speed;
    for (int g = 0; g < graphCount(); g += 2) {
      const QCPRange l = graph(g)->getValueRange(found);
      const QCPRange s = graph(g + 1)->getValueRange(found);
      lift = g == 0 ? l : QCPRange(std::min(lift.lower, l.lower), std::max(lift.upper, l.upper));
      speed = g == 0 ? s : QCPRange(std::min(speed.lower, s.lower), std::max(speed.upper, s.upper));
    }
    yAxis->setRange(0, lift.upper > 0 ? lift.upper * 1.05 : 1);
    const double reach = std::max(std::abs(speed.lower), std::abs(speed.upper));
    yAxis2->setRange(-reach * 1.05 - 1e-9, reach * 1.05 + 1e-9);
  }
  replot(QCustomPlot::rpQueuedReplot);
}

}  // namespace orv
