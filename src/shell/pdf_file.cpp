#include "shell/pdf_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QPdfWriter>
#include <QPrinter>

#include "base/atomic_file.h"

namespace orv {

namespace {

// "PATH: REASON", the path said once.
std::string NamingThePath(const std::filesystem::path& path, const std::string& reason) {
  if (reason.find(path.string()) != std::string::npos) return reason;
  return path.string() + ": " + reason;
}

}  // namespace

std::string WritePdfFile(const QPrinter& printer, const std::filesystem::path& path,
                         const PageDrawing& draw) {
  if (path.empty()) return "no file name for the PDF";
  if (const std::string why = WhyNotReplaceable(path); !why.empty()) {
    return NamingThePath(path, why);
  }
  QByteArray bytes;
  std::string failure;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setPdfVersion(printer.pdfVersion());
    pdf.setTitle(printer.docName());
    if (!printer.creator().isEmpty()) pdf.setCreator(printer.creator());
    pdf.setResolution(printer.resolution());
    pdf.setPageLayout(printer.pageLayout());
    failure = draw(pdf);
  }
  if (!failure.empty()) return failure;
  if (bytes.isEmpty()) return NamingThePath(path, "the PDF could not be drawn");
  const std::string why =
      WriteFileAtomically(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
  return why.empty() ? why : NamingThePath(path, why);
}

std::string PrintThrough(QPrinter& printer, const PageDrawing& draw) {
  const QString file = printer.outputFileName();
  if (!file.isEmpty())
    return WritePdfFile(printer, std::filesystem::path(file.toStdString()), draw);
  return draw(printer);
}

void SetPageResolution(QPagedPaintDevice& device, int dotsPerInch) {
  if (auto* printer = dynamic_cast<QPrinter*>(&device)) {
    printer->setResolution(dotsPerInch);
  } else if (auto* pdf = dynamic_cast<QPdfWriter*>(&device)) {
    pdf->setResolution(dotsPerInch);
  }
}

}  // namespace orv
