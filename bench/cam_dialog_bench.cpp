// The cam dialog on a folder of 1,000 lobes: from showing it until its table holds the card of
// every lobe, with the longest pause of the window's event loop meanwhile (the tree's listing,
// which runs on the window's thread, and each piece of the table taken in), unsorted and sorted
// by a column.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app/application.h"
#include "base/prompter.h"
#include "cam/cam_folder.h"
#include "shell/background_job.h"
#include "shell/cam_dialog.h"
#include "shell/lobe_table_model.h"
#include "support/lbk_writer.h"
#include "support/temp_dir.h"

namespace {

constexpr int kFiles = 4;
constexpr int kLobesPerFile = 250;

// Four lobe data files of 250 lobes each, raised cosines of 30 widths, intake and exhaust.
const orv::test::TempDir& Folder() {
  static orv::test::TempDir dir;
  static const bool written = [] {
    orv::test::LbkFile f;
    f.version = 6;
    f.shaftCount = 4;
    for (int i = 0; i < kLobesPerFile; ++i) {
      orv::test::LbkLobe lobe;
      lobe.shaftNo = static_cast<std::int16_t>(i % 4 + 1);
      const auto number = static_cast<std::int16_t>(i / 4 + 1);
      lobe.lobeNo = i % 2 == 0 ? number : static_cast<std::int16_t>(-number);
      lobe.rockerRatio = 1.7f;
      lobe.camCenterLine = i % 2 == 0 ? 108.0f : -112.0f;
      const int w = 50 + i % 30;
      for (int k = -w + 1; k < w; ++k) {
        lobe.lift[static_cast<std::size_t>(k + 180)] =
            static_cast<float>(0.2 * (1 + std::cos(3.141592653589793 * k / w)));
      }
      f.lobes.push_back(lobe);
    }
    for (int n = 0; n < kFiles; ++n) {
      orv::test::WriteLbkFile(dir / ("SET" + std::to_string(n) + ".LBK"), f);
    }
    return true;
  }();
  (void)written;
  return dir;
}

// Arguments: 1 to sort the table by the duration at 0.050 in while it fills.
void BM_CamDialogTableOf1000Lobes(benchmark::State& state) {
  const bool sorted = state.range(0) != 0;
  double worstGap = 0, worstFillGap = 0, fillTime = 0;
  for (auto _ : state) {
    orv::SilentPrompter prompter;
    orv::Application app(prompter);
    app.EditSettings().camFolder = Folder().path().string();
    orv::CamDialog dialog(app, true);
    auto* const table = dialog.findChild<QTableView*>("lobeTable");
    auto* const progress = dialog.findChild<QProgressBar*>("cardProgress");
    if (sorted) table->sortByColumn(orv::LobeTableModel::kDuration0 + 1, Qt::AscendingOrder);
    QElapsedTimer turn, clock;
    double gap = 0, fillGap = 0;
    bool filling = false;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const double ms = static_cast<double>(turn.nsecsElapsed()) / 1e6;
      gap = std::max(gap, ms);
      if (filling) fillGap = std::max(fillGap, ms);
      turn.restart();
    });
    dialog.show();
    QApplication::processEvents();  // the first layout and paint, timed apart from the fill
    clock.start();
    turn.start();
    ticker.start();
    // The tree's listing runs in the first turns; the table's pieces follow.
    while (!dialog.cardJob()->busy() && dialog.tableModel()->rowCount() == 0 &&
           clock.elapsed() < 10000) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    filling = true;
    while ((dialog.cardJob()->busy() || progress->value() < progress->maximum()) &&
           clock.elapsed() < 30000) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    QApplication::processEvents();
    ticker.stop();
    fillTime = std::max(fillTime, static_cast<double>(clock.nsecsElapsed()) / 1e6);
    if (dialog.tableModel()->rowCount() != kFiles * kLobesPerFile) {
      state.SkipWithError("the table is short");
    }
    worstGap = std::max(worstGap, gap);
    worstFillGap = std::max(worstFillGap, fillGap);
    dialog.reject();
  }
  state.counters["max_event_gap_ms"] = worstGap;           // listing included
  state.counters["max_fill_event_gap_ms"] = worstFillGap;  // while the table fills
  state.counters["until_filled_ms"] = fillTime;
}
BENCHMARK(BM_CamDialogTableOf1000Lobes)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The tree's listing alone, on the window's thread: `RefillLobeList` over the 1,000 lobes.
void BM_ListAFolderOf1000Lobes(benchmark::State& state) {
  for (auto _ : state) {
    orv::CamFolder folder;
    folder.RefillLobeList(Folder().path());
    benchmark::DoNotOptimize(folder.nodes().size());
  }
}
BENCHMARK(BM_ListAFolderOf1000Lobes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
