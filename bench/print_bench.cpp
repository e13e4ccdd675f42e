// Printing the 721-line details report of the default engine to a PDF file, as File, Print
// and `orvantis print` do: the printer's metrics, the report laid out in pages by the report
// builder, each page drawn with QPainter and the PDF written. Target: 300 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPrinter>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/application.h"
#include "shell/report_printer.h"

namespace {

void BM_PrintDetailsReportToPdf(benchmark::State& state) {
  orv::SilentPrompter prompter;
  orv::Application app(prompter);
  const std::filesystem::path pdf = std::filesystem::temp_directory_path() /
                                    ("orvantis_print_bench_" + std::to_string(::getpid()) + ".pdf");
  for (auto _ : state) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    const std::string failure =
        orv::PrintReportOn(app, orv::ReportKind::Details, true, "", printer);
    if (!failure.empty()) state.SkipWithError(failure.c_str());
  }
  std::filesystem::remove(pdf);
}
BENCHMARK(BM_PrintDetailsReportToPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
