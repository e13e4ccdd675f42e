#pragma once

// The plotting library's header uses Qt's lower-case keywords, which the shell turns off.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef foreach

#include <QString>
#include <array>
#include <map>

#include "app/graph_model.h"

namespace orv {

// The four cursor lines' crank angles, lines 1..4 at indexes 0..3.
using CursorPositions = std::array<float, 4>;

// The graph itself: the shown curves against crank angle, each against the axis of its own
// scale (the left and right axes show two of the eight scales with their captions), grid,
// background, the four cursor lines, and for printed pages and pictures a legend and a title.
//
// It draws what a `GraphModel` gives and never changes the model: the user's drags, keys,
// rubber band and wheel come out as signals, which the view owning the canvas carries out on
// the model before it asks the canvas to draw again.
// What the graph says while it shows no curve.
inline constexpr const char* kNoCurveNote =
    "No curve is shown.\nTick the curves to show in the lists beside the graph.";

class GraphCanvas final : public QCustomPlot {
  Q_OBJECT

 public:
  // Curves are drawn every half crank degree: the cam curves run at half the crank's speed,
  // so their whole cam degrees fall on half crank degrees.
  static constexpr double kPointStep = 0.5;

  explicit GraphCanvas(const GraphModel& model, QWidget* parent = nullptr);

  // Everything afresh: background, axes, captions, curves and cursor lines. With a `reference`
  // (the graph model over a reference engine, `GraphModel::ForEngine`) its shown curves are
  // drawn too, dashed, in the same colours and against the same scale axes as the current
  // engine's, so that the two read against each other; without one the graph shows the
  // current engine alone. Errors of the engine's curve values (a floating-point fault) travel
  // to the caller.
  void Redraw(const GraphModel* reference = nullptr);
  // The axes' ranges after a zoom (the curves stay as they are).
  void PlaceAxes();
  // The cursor lines at the model's positions, shown or hidden as the setting says.
  void PlaceCursorLines();
  // For printed pages and pictures: a legend under the graph naming each shown curve with its
  // unit and its curve-list text, and `title` above the graph when it is not empty. Call once,
  // after `Redraw`.
  void AddLegendAndTitle(const QString& title);

  // The cursor line the keyboard moves (1..4); 3 at first.
  int selectedLine() const noexcept { return selectedLine_; }
  void SelectLine(int line);

  // What is drawn, for the view and its tests: the plotted curve of a tag (null when the tag
  // is not shown), the axis a scale's curves are drawn against, a cursor line's item.
  QCPGraph* CurveGraph(int tag) const;
  // The plotted curve of a tag of the reference engine (null when none is drawn).
  QCPGraph* ReferenceCurveGraph(int tag) const;
  QCPAxis* ScaleAxis(int scale) const;
  QCPItemStraightLine* CursorLine(int line) const;
  // The note a graph without curves shows in its middle ("" while a curve is drawn).
  QString emptyNote() const { return emptyNote_->visible() ? emptyNote_->text() : QString(); }
  // The pixel column of a crank angle, and the crank angle under a pixel column.
  double PixelOfAngle(double angle) const;
  double AngleOfPixel(double pixel) const;

 Q_SIGNALS:
  // A cursor line was dragged: the four positions with the dragged one moved.
  void cursorLinesDragged(const CursorPositions& positions);
  // Left or Right was pressed: the selected line is to move by `steps` cursor steps.
  void cursorLineStepped(int line, int steps);
  // A rubber band or the wheel asks for these crank angles and left-axis values to be shown.
  void zoomAsked(const AxisRange& x, const AxisRange& left);
  // The mouse points at a crank angle inside the graph (NaN when it left the graph).
  void pointerMoved(double angle);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void processRectZoom(QRect rect, QMouseEvent* event) override;

 private:
  void StyleCursorLine(int line);
  // The cursor line within a few pixels of `x`, or 0.
  int LineNear(double x) const;
  void SetTicks();
  // Adds the shown curves of `model` with the pen style `style`, keeping them in `into`.
  void AddCurves(const GraphModel& model, Qt::PenStyle style, std::map<int, QCPGraph*>& into);

  const GraphModel& model_;
  std::array<QCPAxis*, kGraphScaleCount> scaleAxes_{};
  std::array<QCPItemStraightLine*, 4> cursorLines_{};
  std::array<QCPItemText*, 4> cursorLabels_{};
  QCPItemText* emptyNote_ = nullptr;
  std::map<int, QCPGraph*> curves_;
  std::map<int, QCPGraph*> referenceCurves_;
  int selectedLine_ = 3;
  int draggedLine_ = 0;
};

}  // namespace orv
