// Start-up of the main window without the splash window's pause: the folders fixed, the
// interface texts, recent list, configuration and last engine read, every view drawn, the
// window shown and the engine refreshed. Run on Qt's offscreen platform with a data root of its
// own that already holds a configuration and an engine (the usual start, not the first one).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QStyleFactory>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "app/application.h"
#include "shell/main_window.h"
#include "shell/window_options.h"
#include "shell/window_start.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

fs::path MakeFolder() {
  std::random_device random;
  const fs::path folder =
      fs::temp_directory_path() / ("orvantis-window-bench-" + std::to_string(random()));
  fs::create_directories(folder);
  return folder;
}

StartOptions Options(const fs::path& folder) {
  StartOptions options;
  options.dataRoot = folder / "data";
  options.programFolder = fs::path(ORVANTIS_SOURCE_DIR) / "resources";
  options.pause = false;
  return options;
}

void BM_StartUpToShownWindow(benchmark::State& state) {
  const fs::path folder = MakeFolder();
  const fs::path store = folder / "Orvantis.ini";
  {
    // The first start writes the configuration and the default engine file; closing writes the
    // per-user store.
    SilentPrompter prompter;
    Application app(prompter);
    app.SetUserStorePath(store);
    auto window = StartMainWindow(app, Options(folder));
    window->close();
  }
  for (auto _ : state) {
    SilentPrompter prompter;
    Application app(prompter);
    app.SetUserStorePath(store);
    std::unique_ptr<MainWindow> window = StartMainWindow(app, Options(folder));
    benchmark::DoNotOptimize(window.get());
    state.PauseTiming();
    window.reset();
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
}
BENCHMARK(BM_StartUpToShownWindow)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
}  // namespace orv

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication qt(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
