#include "shell/report_printer.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/application.h"
#include "app/report_command.h"
#include "shell/pdf_file.h"

namespace orv {

namespace {

constexpr int kReportPointSize = 10;

}  // namespace

QFont ReportPrinterFont() {
  // The second family wins where it exists.
  for (const char* family : {"Courier New", "Courier"}) {
    if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
      QFont font(QString::fromLatin1(family), kReportPointSize);
      font.setStyleHint(QFont::TypeWriter);
      font.setFixedPitch(true);
      return font;
    }
  }
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(kReportPointSize);
  return font;
}

PrinterMetrics PrinterMetricsOf(QPaintDevice& printer, const QFont& font) {
  const QFontMetricsF metrics(font, &printer);
  PrinterMetrics m;
  // The paint device of a printer is its printable area.
  m.printableWidth = printer.width();
  m.printableHeight = printer.height();
  m.textHeightAg = metrics.boundingRect(QStringLiteral("Ag")).height();
  m.width80M = metrics.horizontalAdvance(QString(80, QLatin1Char('M')));
  return m;
}

PainterPageSink::PainterPageSink(QPagedPaintDevice& printer, const QFont& font, double lineHeight)
    : printer_(printer), font_(font), lineHeight_(lineHeight) {}

PainterPageSink::~PainterPageSink() {
  if (painter_ == nullptr) return;
  // A report abandoned half-way (an error of the engine) prints nothing.
  if (painter_->isActive()) {
    if (auto* printer = dynamic_cast<QPrinter*>(&printer_)) printer->abort();
    painter_->end();
  }
  delete painter_;
}

void PainterPageSink::PrintPage(std::string_view pageText) {
  if (!failure_.empty()) return;
  if (painter_ == nullptr) {
    painter_ = new QPainter();
    if (!painter_->begin(&printer_)) {
      const auto* printer = dynamic_cast<const QPrinter*>(&printer_);
      failure_ = printer == nullptr || printer->outputFileName().isEmpty()
                     ? std::string("the printer cannot be opened")
                     : "cannot write " + printer->outputFileName().toStdString();
      return;
    }
    painter_->setFont(font_);
  } else if (!printer_.newPage()) {
    failure_ = "the printer refused page " + std::to_string(pages_ + 1) + " of the report";
    return;
  }
  const QFontMetricsF metrics(font_, &printer_);
  const double ascent = metrics.ascent();
  double top = 0;
  for (const std::string& line : SplitReportLines(pageText)) {
    painter_->drawText(QPointF(0, top + ascent),
                       QString::fromUtf8(line.data(), qsizetype(line.size())));
    top += lineHeight_;
  }
  ++pages_;
}

void PainterPageSink::EndDocument() {
  if (painter_ == nullptr || !painter_->isActive()) return;
  if (!painter_->end() && failure_.empty()) failure_ = "the printer did not finish the document";
}

std::string DrawReportPages(Application& app, ReportKind kind, bool secondStage,
                            const std::string& enginePath, QPagedPaintDevice& device) {
  const QFont font = ReportPrinterFont();
  const PrinterMetrics metrics = PrinterMetricsOf(device, font);
  PainterPageSink sink(device, font, metrics.textHeightAg);
  PrintReport(app, kind, secondStage, enginePath, CurrentReportStamp(), metrics, sink);
  if (sink.failure().empty() && sink.pagesDrawn() == 0) return "the report gave no page to print";
  return sink.failure();
}

std::string PrintReportOn(Application& app, ReportKind kind, bool secondStage,
                          const std::string& enginePath, QPrinter& printer) {
  return PrintThrough(printer, [&](QPagedPaintDevice& device) {
    return DrawReportPages(app, kind, secondStage, enginePath, device);
  });
}

}  // namespace orv
