// Speed of the graph view offscreen: a full redraw of the 13 curves (1441 points each, the
// axes, grid and cursor lines) painted into the widget's buffer, and a cursor-line move (the
// cursor layer drawn again, the curve list refilled, the widget painted from its layers).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStyleFactory>
#include <cstdlib>

#include "app/application.h"
#include "shell/curve_list_model.h"
#include "shell/graph_view.h"

namespace orv {
namespace {

struct ViewOnScreen {
  SilentPrompter prompter;
  Application app{prompter};
  GraphView* view = nullptr;

  ViewOnScreen() {
    Settings& s = app.EditSettings();
    SetGraphDefaults(s, nullptr, kDefaultWindowBackground);
    for (CurveTag& tag : s.curveTags) tag.shown = true;
    s.thickLines = true;
    app.document().RefreshEngine();
    view = new GraphView(app);
    view->resize(1280, 800);
    view->show();
    view->Refresh(AllAreas());
  }
  ~ViewOnScreen() { delete view; }
};

// The target: at most 16 ms, one frame.
void BM_GraphFullRedraw(benchmark::State& state) {
  ViewOnScreen screen;
  GraphCanvas& canvas = *screen.view->findChild<GraphCanvas*>("graphCanvas");
  for (auto _ : state) {
    canvas.Redraw();
    canvas.replot(QCustomPlot::rpImmediateRefresh);
  }
}
BENCHMARK(BM_GraphFullRedraw)->Unit(benchmark::kMillisecond);

void BM_GraphCursorMove(benchmark::State& state) {
  ViewOnScreen screen;
  GraphCanvas& canvas = *screen.view->findChild<GraphCanvas*>("graphCanvas");
  float at = -360;
  for (auto _ : state) {
    at = at >= 360 ? -360 : at + 1;
    screen.view->MoveCursorLines({54, 108, at, 216});
    canvas.repaint();  // the buffered layers put together on the widget
  }
}
BENCHMARK(BM_GraphCursorMove)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orv

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
