// The test list of the flow test dialog's database tab: taking over a list of 32000 tests,
// the cells a view asks for while it scrolls, and opening the tab on a 32000-test database
// until the list is shown, with the longest pause of the window's event loop meanwhile.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/application.h"
#include "base/prompter.h"
#include "shell/flow_test_dialog.h"
#include "shell/test_list_model.h"
#include "support/bench_database.h"
#include "support/temp_dir.h"

namespace {

constexpr int kTests = 32000;

orv::TestList SyntheticList() {
  orv::TestList list;
  list.columns = {0, 1, 2, 3, 4};
  list.rows.reserve(kTests);
  for (int i = 1; i <= kTests; ++i) {
    list.rows.push_back({std::to_string(1 + i % 12) + "/" + std::to_string(1 + i % 28) + "/2024",
                         "10:30", "By Lift (Manual)", "Test " + std::to_string(i),
                         std::to_string(i)});
    list.ids.push_back(i);
  }
  return list;
}

void BM_TakeOverAList(benchmark::State& state) {
  const orv::TestList list = SyntheticList();
  const std::vector<orv::DisplayColumn> columns = orv::TestDisplayColumns(orv::CustomNames{});
  orv::TestListModel model;
  for (auto _ : state) {
    state.PauseTiming();
    orv::TestList copy = list;
    state.ResumeTiming();
    model.SetList(std::move(copy), columns);
    benchmark::DoNotOptimize(model.rowCount());
  }
}
BENCHMARK(BM_TakeOverAList)->Unit(benchmark::kMicrosecond);

// One screen of 40 rows and 5 columns, moved by a page each time through the whole list.
void BM_ScrollAScreen(benchmark::State& state) {
  orv::TestListModel model;
  model.SetList(SyntheticList(), orv::TestDisplayColumns(orv::CustomNames{}));
  int top = 0;
  for (auto _ : state) {
    for (int r = top; r < top + 40; ++r) {
      for (int c = 0; c < 5; ++c) benchmark::DoNotOptimize(model.data(model.index(r, c)));
    }
    top = (top + 40) % (kTests - 40);
  }
  state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_ScrollAScreen)->Unit(benchmark::kMicrosecond);

orv::test::TempDir& Folder() {
  static orv::test::TempDir dir;
  return dir;
}

// Written by a child process, so that this process does not hold the writer's rows.
const std::filesystem::path& BigBench() {
  static const std::filesystem::path file = [] {
    const auto path = Folder() / "bench32000.mdb";
    const pid_t writer = fork();
    if (writer == 0) {
      orv::test::GeneratedBench(kTests, 2).Write(path);
      _exit(0);
    }
    int status = 0;
    waitpid(writer, &status, 0);
    return path;
  }();
  return file;
}

// Opening the database tab of a fresh program (no tables held, none kept on disk) until the
// 32000 tests are listed. `max_event_gap_ms` is the longest time between two turns of the
// window's event loop meanwhile.
void BM_OpenTheDatabaseTab(benchmark::State& state) {
  const std::filesystem::path file = BigBench();
  double worstGap = 0;
  double showTime = 0;
  for (auto _ : state) {
    orv::SilentPrompter prompter;
    orv::Application app(prompter);
    app.testDatabases().SetReader(orv::JetReaderOptions{ORVANTIS_JET_READER});
    app.testDatabases().SetDiskCache(orv::DiskCacheOptions{});
    app.EditSettings().flowDatabase = file.string();
    app.EditSettings().flowTab = orv::FlowTestDialog::kDatabaseTab;
    orv::FlowTestDialog dialog(app, true);
    // The gaps are counted from the start of the read: showing the dialog the first time
    // (laying out and painting its widgets) comes before it and is timed apart.
    QElapsedTimer showing;
    showing.start();
    QElapsedTimer turn;
    bool reading = false;
    double gap = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      if (reading) gap = std::max(gap, static_cast<double>(turn.nsecsElapsed()) / 1e6);
      turn.restart();
    });
    dialog.show();
    while (!dialog.databaseBusy()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    showTime = std::max(showTime, static_cast<double>(showing.nsecsElapsed()) / 1e6);
    turn.start();
    reading = true;
    ticker.start();
    while (dialog.databaseBusy()) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    // The list shown: one more turn paints it.
    QApplication::processEvents();
    ticker.stop();
    if (dialog.testListModel()->rowCount() != kTests) state.SkipWithError("the list is short");
    worstGap = std::max(worstGap, gap);
  }
  state.counters["max_event_gap_ms"] = worstGap;
  state.counters["first_show_ms"] = showTime;
}
BENCHMARK(BM_OpenTheDatabaseTab)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The floor of the figure above: the longest time between two turns of an idle event loop
// over one second, which on a shared machine is the scheduler's, not the program's.
void BM_IdleEventLoopGap(benchmark::State& state) {
  double worstGap = 0;
  for (auto _ : state) {
    QElapsedTimer turn;
    QElapsedTimer run;
    double gap = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      gap = std::max(gap, static_cast<double>(turn.nsecsElapsed()) / 1e6);
      turn.restart();
    });
    turn.start();
    run.start();
    ticker.start();
    while (run.elapsed() < 1000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    ticker.stop();
    worstGap = std::max(worstGap, gap);
  }
  state.counters["max_event_gap_ms"] = worstGap;
}
BENCHMARK(BM_IdleEventLoopGap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
