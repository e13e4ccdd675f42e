#include "shell/graph_canvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "shell/qt_convert.h"

namespace orv {

namespace {

// The caption of the crank-angle axis.
constexpr const char* kAngleCaption = "Crank Angle (degrees)";
// How near (pixels) the mouse must be to a cursor line to take hold of it.
constexpr double kGrabDistance = 5;
// The smallest rubber band (pixels) that zooms; a smaller one is taken for a click.
constexpr int kSmallestBand = 4;
// One notch of the wheel shows this share of the range (in), or its inverse (out).
constexpr double kWheelFactor = 0.8;
constexpr double kWheelNotch = 120;
// Pen widths of the curves, thin and with "Thick Lines for Curves".
constexpr double kThinLine = 1.2;
constexpr double kThickLine = 2.6;
constexpr const char* kCursorLayer = "cursors";

// Cursor lines 1..4: 3 is the line the curve list reads, 4 the line difference mode subtracts.
const std::array<QColor, 4> kCursorColours = {QColor(0, 0, 170), QColor(0, 120, 0),
                                              QColor(200, 0, 0), QColor(150, 0, 150)};

// A tick step that puts about five to ten ticks on `width` crank degrees, on round angles.
double AngleTickStep(double width) {
  for (double step : {0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 45.0, 90.0}) {
    if (width / step <= 10) return step;
  }
  return 180;
}

std::size_t Index(int oneBased) { return static_cast<std::size_t>(oneBased - 1); }

}  // namespace

GraphCanvas::GraphCanvas(const GraphModel& model, QWidget* parent)
    : QCustomPlot(parent), model_(model) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setSelectionRectMode(QCP::srmZoom);
  setNoAntialiasingOnDrag(true);
  setAntialiasedElements(QCP::aePlottables);

  xAxis->setLabel(QString::fromUtf8(kAngleCaption));
  xAxis->setTicker(QSharedPointer<QCPAxisTickerFixed>(new QCPAxisTickerFixed));
  yAxis2->setTickLabels(true);
  const QPen gridPen(QColor(160, 160, 160), 0, Qt::DotLine);
  for (QCPAxis* axis : {xAxis, yAxis, yAxis2}) {
    axis->grid()->setPen(gridPen);
    axis->grid()->setZeroLinePen(QPen(QColor(110, 110, 110), 0, Qt::DotLine));
  }
  // Every scale has an axis of its own that is never shown; its curves are drawn against it,
  // so that the curves of the scales on neither side still fill the graph's height.
  for (std::size_t i = 0; i < scaleAxes_.size(); ++i) {
    scaleAxes_[i] = axisRect()->addAxis(QCPAxis::atLeft);
    scaleAxes_[i]->setVisible(false);
    scaleAxes_[i]->grid()->setVisible(false);
  }
  axisRect()->setRangeZoomAxes(xAxis, yAxis);

  // Said in the middle of a graph that shows no curve (every curve is off at first).
  emptyNote_ = new QCPItemText(this);
  emptyNote_->setClipToAxisRect(true);
  emptyNote_->position->setType(QCPItemPosition::ptAxisRectRatio);
  emptyNote_->position->setCoords(0.5, 0.5);
  emptyNote_->setPositionAlignment(Qt::AlignCenter);
  emptyNote_->setTextAlignment(Qt::AlignCenter);
  emptyNote_->setText(QString::fromUtf8(kNoCurveNote));
  emptyNote_->setColor(QColor(90, 90, 90));
  emptyNote_->setVisible(false);

  // The cursor lines on a buffered layer of their own above the curves: moving them draws
  // that layer again, not the thirteen curves.
  addLayer(kCursorLayer, layer("main"), QCustomPlot::limAbove);
  layer(kCursorLayer)->setMode(QCPLayer::lmBuffered);
  for (int line = 1; line <= 4; ++line) {
    auto* item = new QCPItemStraightLine(this);
    item->setLayer(kCursorLayer);
    item->setSelectable(false);
    cursorLines_[Index(line)] = item;
    auto* label = new QCPItemText(this);
    label->setText(QString::number(line));
    label->position->setTypeX(QCPItemPosition::ptPlotCoords);
    label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    label->position->setAxes(xAxis, yAxis);
    label->position->setAxisRect(axisRect());
    label->setPositionAlignment(Qt::AlignTop | Qt::AlignHCenter);
    label->setColor(kCursorColours[Index(line)]);
    label->setSelectable(false);
    label->setLayer(kCursorLayer);
    cursorLabels_[Index(line)] = label;
    StyleCursorLine(line);
  }
}

void GraphCanvas::Redraw(const GraphModel* reference) {
  const GraphWindowSpecs specs = model_.WindowSpecs();
  const QColor background = ColourOf(specs.background);
  setBackground(background);
  axisRect()->setBackground(background);
  // The grid follows the crank angles and the left axis; the right axis's own ticks would
  // cross it with a second set of lines.
  for (QCPAxis* axis : {xAxis, yAxis}) axis->grid()->setVisible(specs.gridLines);
  yAxis2->grid()->setVisible(false);
  yAxis2->setVisible(specs.twoScales);

  clearGraphs();
  curves_.clear();
  referenceCurves_.clear();
  // The reference engine's curves first, so that the current engine's are drawn over them.
  if (reference != nullptr) AddCurves(*reference, Qt::DashLine, referenceCurves_);
  AddCurves(model_, Qt::SolidLine, curves_);
  emptyNote_->setVisible(curves_.empty() && referenceCurves_.empty());
  PlaceAxes();
  PlaceCursorLines();
}

void GraphCanvas::AddCurves(const GraphModel& model, Qt::PenStyle style,
                            std::map<int, QCPGraph*>& into) {
  const double width = model_.WindowSpecs().thickLines ? kThickLine : kThinLine;
  for (const CurvePoints& curve : model.ShownCurves(kPointStep)) {
    QVector<double> x;
    QVector<double> y;
    x.reserve(static_cast<qsizetype>(curve.x.size()));
    y.reserve(static_cast<qsizetype>(curve.y.size()));
    for (std::size_t i = 0; i < curve.x.size(); ++i) {
      // The curve stops where it is not drawn (the torque factor from top dead centre on).
      // No NaN marks the gap: comparing one raises a floating-point fault flag.
      if (!CurveDrawnAt(curve.tag, curve.x[i])) continue;
      x.push_back(curve.x[i]);
      y.push_back(curve.y[i]);
    }
    QCPGraph* graph = addGraph(xAxis, ScaleAxis(curve.scale));
    graph->setData(x, y, true);
    graph->setPen(QPen(ColourOf(curve.colour), width, style));
    QString name = QString::fromStdString(model.TagName(curve.tag));
    if (style != Qt::SolidLine) name += tr(" (reference)");
    graph->setName(name);
    graph->setSelectable(QCP::stNone);
    into[curve.tag] = graph;
  }
}

void GraphCanvas::PlaceAxes() {
  const AxisRange x = model_.XAxis();
  xAxis->setRange(x.from, x.to);
  SetTicks();
  const GraphAxis left = model_.LeftAxis();
  yAxis->setRange(left.shown.from, left.shown.to);
  yAxis->setLabel(QString::fromStdString(left.caption));
  const GraphAxis right = model_.RightAxis();
  yAxis2->setRange(right.shown.from, right.shown.to);
  yAxis2->setLabel(QString::fromStdString(right.caption));
  for (int scale = 1; scale <= kGraphScaleCount; ++scale) {
    const GraphAxis axis = model_.ScaleAxis(scale);
    ScaleAxis(scale)->setRange(axis.shown.from, axis.shown.to);
  }
  replot(QCustomPlot::rpQueuedReplot);
}

void GraphCanvas::SetTicks() {
  auto ticker = qSharedPointerDynamicCast<QCPAxisTickerFixed>(xAxis->ticker());
  if (ticker) ticker->setTickStep(AngleTickStep(xAxis->range().size()));
}

void GraphCanvas::PlaceCursorLines() {
  const bool shown = model_.WindowSpecs().cursorLinesShown;
  const CursorPositions& at = model_.cursorLines();
  for (int line = 1; line <= 4; ++line) {
    QCPItemStraightLine* item = cursorLines_[Index(line)];
    const double angle = at[Index(line)];
    item->point1->setCoords(angle, 0);
    item->point2->setCoords(angle, 1);
    item->setVisible(shown);
    cursorLabels_[Index(line)]->position->setCoords(angle, 0);
    cursorLabels_[Index(line)]->setVisible(shown);
  }
  layer(kCursorLayer)->replot();
}

void GraphCanvas::AddLegendAndTitle(const QString& title) {
  emptyNote_->setVisible(false);  // a note for the screen, not for pages and pictures
  const std::array<std::string, kCurveTagCount> texts = model_.CurveListTexts();
  for (const auto& [tag, graph] : curves_) {
    graph->setName(QStringLiteral("%1 (%2): %3")
                       .arg(QString::fromStdString(model_.TagName(tag)),
                            QString::fromStdString(model_.TagUnit(tag)),
                            QString::fromStdString(texts[Index(tag)])));
  }
  // The legend goes under the graph, so that it hides no curve: inside a margin of the picture,
  // with as many curves to a row (up to three) as the picture's width holds whole.
  axisRect()->insetLayout()->take(legend);
  auto* legendRow = new QCPLayoutGrid;
  plotLayout()->addElement(plotLayout()->rowCount(), 0, legendRow);
  plotLayout()->setRowStretchFactor(plotLayout()->rowCount() - 1, 0.001);
  constexpr int kLegendMargin = 8;
  legendRow->setMargins(QMargins(kLegendMargin, 2, kLegendMargin, kLegendMargin));
  legendRow->addElement(0, 0, legend);
  int widest = 1;
  for (int i = 0; i < legend->itemCount(); ++i)
    widest = std::max(widest, legend->item(i)->minimumOuterSizeHint().width());
  const int room =
      width() - 2 * kLegendMargin - legend->margins().left() - legend->margins().right();
  legend->setWrap(std::clamp(room / (widest + legend->columnSpacing()), 1, 3));
  legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true);
  legend->setBrush(QBrush(Qt::white));
  legend->setVisible(!curves_.empty());
  if (!title.isEmpty()) {
    plotLayout()->insertRow(0);
    QFont font = this->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    plotLayout()->addElement(0, 0, new QCPTextElement(this, title, font));
  }
  replot(QCustomPlot::rpImmediateRefresh);
}

void GraphCanvas::SelectLine(int line) {
  if (line < 1 || line > 4) return;
  const int before = selectedLine_;
  selectedLine_ = line;
  StyleCursorLine(before);
  StyleCursorLine(line);
  layer(kCursorLayer)->replot();
}

void GraphCanvas::StyleCursorLine(int line) {
  const bool selected = line == selectedLine_;
  cursorLines_[Index(line)]->setPen(QPen(kCursorColours[Index(line)], selected ? 2.0 : 1.0,
                                         selected ? Qt::SolidLine : Qt::DashLine));
}

QCPGraph* GraphCanvas::CurveGraph(int tag) const {
  const auto found = curves_.find(tag);
  return found == curves_.end() ? nullptr : found->second;
}

QCPGraph* GraphCanvas::ReferenceCurveGraph(int tag) const {
  const auto found = referenceCurves_.find(tag);
  return found == referenceCurves_.end() ? nullptr : found->second;
}

QCPAxis* GraphCanvas::ScaleAxis(int scale) const {
  return scaleAxes_[Index(std::clamp(scale, 1, kGraphScaleCount))];
}

QCPItemStraightLine* GraphCanvas::CursorLine(int line) const {
  return cursorLines_[Index(std::clamp(line, 1, 4))];
}

double GraphCanvas::PixelOfAngle(double angle) const { return xAxis->coordToPixel(angle); }

double GraphCanvas::AngleOfPixel(double pixel) const { return xAxis->pixelToCoord(pixel); }

int GraphCanvas::LineNear(double x) const {
  if (!model_.WindowSpecs().cursorLinesShown) return 0;
  int nearest = 0;
  double best = 0;
  for (int line = 1; line <= 4; ++line) {
    const double distance = std::abs(PixelOfAngle(model_.cursorLines()[Index(line)]) - x);
    if (distance > kGrabDistance) continue;
    // Of lines on one spot the selected one is taken.
    if (nearest == 0 || distance < best || (distance == best && line == selectedLine_)) {
      nearest = line;
      best = distance;
    }
  }
  return nearest;
}

void GraphCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    const int line = LineNear(event->position().x());
    if (line != 0 && axisRect()->rect().contains(event->position().toPoint())) {
      draggedLine_ = line;
      SelectLine(line);
      event->accept();
      return;
    }
  }
  QCustomPlot::mousePressEvent(event);
}

void GraphCanvas::mouseMoveEvent(QMouseEvent* event) {
  const double x = event->position().x();
  if (draggedLine_ != 0) {
    // Angles to a tenth of a degree, within the axis.
    const double angle =
        std::clamp(std::round(AngleOfPixel(x) * 10) / 10, kGraphFirstAngle, kGraphLastAngle);
    CursorPositions positions = model_.cursorLines();
    positions[Index(draggedLine_)] = static_cast<float>(angle);
    Q_EMIT cursorLinesDragged(positions);
    event->accept();
    return;
  }
  if (axisRect()->rect().contains(event->position().toPoint())) {
    Q_EMIT pointerMoved(AngleOfPixel(x));
  } else {
    Q_EMIT pointerMoved(std::numeric_limits<double>::quiet_NaN());
  }
  QCustomPlot::mouseMoveEvent(event);
}

void GraphCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (draggedLine_ != 0) {
    draggedLine_ = 0;
    event->accept();
    return;
  }
  QCustomPlot::mouseReleaseEvent(event);
}

void GraphCanvas::leaveEvent(QEvent* event) {
  Q_EMIT pointerMoved(std::numeric_limits<double>::quiet_NaN());
  QCustomPlot::leaveEvent(event);
}

void GraphCanvas::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
      Q_EMIT cursorLineStepped(selectedLine_, -1);
      return;
    case Qt::Key_Right:
      Q_EMIT cursorLineStepped(selectedLine_, 1);
      return;
    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_3:
    case Qt::Key_4:
      SelectLine(event->key() - Qt::Key_0);
      return;
    default:
      QCustomPlot::keyPressEvent(event);
  }
}

void GraphCanvas::processRectZoom(QRect rect, QMouseEvent*) {
  const QRect band = rect.normalized().intersected(axisRect()->rect());
  if (band.width() < kSmallestBand || band.height() < kSmallestBand) return;
  const double x1 = AngleOfPixel(band.left());
  const double x2 = AngleOfPixel(band.right());
  const double y1 = yAxis->pixelToCoord(band.bottom());
  const double y2 = yAxis->pixelToCoord(band.top());
  Q_EMIT zoomAsked({std::min(x1, x2), std::max(x1, x2)}, {std::min(y1, y2), std::max(y1, y2)});
}

void GraphCanvas::wheelEvent(QWheelEvent* event) {
  const QPointF at = event->position();
  if (!axisRect()->rect().contains(at.toPoint())) return;
  const double notches = event->angleDelta().y() / kWheelNotch;
  if (notches == 0) return;
  // Wheel forward zooms in about the pointer, backward out, never past the whole graph.
  const double factor = std::pow(kWheelFactor, notches);
  const GraphAxis left = model_.LeftAxis();
  const AxisRange x =
      ZoomedAbout({xAxis->range().lower, xAxis->range().upper}, {kGraphFirstAngle, kGraphLastAngle},
                  AngleOfPixel(at.x()), factor);
  const AxisRange y = ZoomedAbout(left.shown, left.full, yAxis->pixelToCoord(at.y()), factor);
  event->accept();
  Q_EMIT zoomAsked(x, y);
}

}  // namespace orv
