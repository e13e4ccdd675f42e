// Speed of the engine view: a value typed into the bore box and left, up to the repainted view
// (the entry rule, the recalculation, both panels redrawn, the balance chart replotted and the
// view painted). The target is a frame: 16 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStyleFactory>
#include <cstdlib>
#include <filesystem>

#include "app/application.h"
#include "shell/engine_view.h"
#include "shell/input_widgets.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

class QuietPrompter final : public Prompter {
 public:
  void Beep() override {}
  void Warn(const std::string&, const std::string&) override {}
  Answer AskYesNoCancel(const std::string&, const std::string&) override { return Answer::No; }
};

// A started application over a fresh data root, with the view shown offscreen and refreshed
// after each command as the main window does.
struct Window {
  fs::path root;
  QuietPrompter prompter;
  Application app{prompter};
  EngineView view{app};
  Revisions seen;

  Window() {
    char pattern[] = "/tmp/orvantis-view-bench-XXXXXX";
    root = ::mkdtemp(pattern);
    fs::create_directories(root / "prog");
    fs::copy_file(fs::path(ORVANTIS_SOURCE_DIR) / "resources" / "OV-STR.TXT",
                  root / "prog" / "OV-STR.TXT");
    app.SetFolders(Folders{root / "prog", root / "data"});
    app.SetUserStorePath(root / "user" / "Orvantis.ini");
    app.StartUp();
    QObject::connect(&view, &View::commandDone, [this] {
      const Revisions now = app.revisions();
      view.Refresh(ChangesBetween(seen, now));
      seen = now;
    });
    view.resize(1200, 780);
    view.Refresh(AllAreas());
    seen = app.revisions();
    view.show();
    QApplication::processEvents();
  }
  ~Window() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

void BM_TypedBoreToRepaintedView(benchmark::State& state) {
  Window w;
  InputBox* bore = w.view.box(kInBore);
  InputBox* stroke = w.view.box(kInStroke);
  const QString values[2] = {QStringLiteral("4.100"), QStringLiteral("4.125")};
  int i = 0;
  for (auto _ : state) {
    bore->setFocus(Qt::OtherFocusReason);
    bore->setText(values[i++ & 1]);
    bore->setModified(true);
    stroke->setFocus(Qt::TabFocusReason);  // leaving the box takes the value
    w.view.repaint();
  }
  if (w.app.document().engine().inputs().Bore != 4.125 &&
      w.app.document().engine().inputs().Bore != 4.1f)
    state.SkipWithError("the typed bore was not taken");
}
BENCHMARK(BM_TypedBoreToRepaintedView)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orv

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
