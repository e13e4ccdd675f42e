#pragma once

#include <QFont>
#include <string>

#include "reports/report_builder.h"

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;
class QPrinter;

namespace orv {

class Application;

// The font reports are printed in: "Courier New" 10 point, else "Courier" 10 point, else the
// platform's fixed-pitch font at 10 point, so that the report's fixed columns stay aligned.
QFont ReportPrinterFont();

// What the printer tells the report builder about its page, in the printer's device units:
// the printable width and height, the height of "Ag" and the width of 80 "M" in `font`.
PrinterMetrics PrinterMetricsOf(QPaintDevice& printer, const QFont& font);

// The printer side of a printed report: each page the report builder finishes is drawn on the
// printer (or the PDF writer) line by line from the top left of the printable area, one text height
// apart, in the report font; the page's left margin is the blanks each line begins with. The
// painter is opened on the first page, so a report that hands over no page leaves the printer
// untouched.
class PainterPageSink final : public ReportPageSink {
 public:
  PainterPageSink(QPagedPaintDevice& printer, const QFont& font, double lineHeight);
  ~PainterPageSink() override;
  PainterPageSink(const PainterPageSink&) = delete;
  PainterPageSink& operator=(const PainterPageSink&) = delete;

  void PrintPage(std::string_view pageText) override;
  void EndDocument() override;

  int pagesDrawn() const noexcept { return pages_; }
  // Empty while the printer takes the pages; otherwise why it did not.
  const std::string& failure() const noexcept { return failure_; }

 private:
  QPagedPaintDevice& printer_;
  QFont font_;
  double lineHeight_;
  QPainter* painter_ = nullptr;
  int pages_ = 0;
  std::string failure_;
};

// Draws a report of the application's engine on the pages of `device` (a printer or a PDF
// writer, set up with its page size): the device's metrics go to the report builder, which lays
// the report out in pages, and each page is drawn as it is finished. The general report
// includes its second-stage sections when `secondStage` is true. Errors of the engine or of the
// device's metrics travel to the caller as run-time errors. Returns an empty string when the
// device took every page, otherwise why it did not.
std::string DrawReportPages(Application& app, ReportKind kind, bool secondStage,
                            const std::string& enginePath, QPagedPaintDevice& device);

// Prints a report on `printer`, already chosen and set up (its page size, its output file for
// PDF), as `DrawReportPages` draws it; a printer that writes a file has it written whole, or
// not at all (see `PrintThrough`).
std::string PrintReportOn(Application& app, ReportKind kind, bool secondStage,
                          const std::string& enginePath, QPrinter& printer);

}  // namespace orv
