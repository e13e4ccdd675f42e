#include "shell/graph_picture.h"

#include <QBuffer>
#include <QImage>
#include <QPdfWriter>
#include <QPrinter>
#include <QSvgGenerator>

#include "base/atomic_file.h"
#include "shell/graph_canvas.h"
#include "shell/pdf_file.h"

namespace orv {

namespace {

// The width the printed graph is laid out at (in the canvas's pixels), scaled to the page.
constexpr int kPrintLayoutWidth = 1100;

std::string BytesOf(const QByteArray& bytes) {
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The canvas of a picture or a page: the graph, its legend and title at the given size.
void PrepareCanvas(GraphCanvas& canvas, int width, int height, const QString& title,
                   const GraphModel* reference) {
  canvas.resize(width, height);
  canvas.Redraw(reference);
  canvas.AddLegendAndTitle(title);
}

// Vector output (SVG, PDF, printers) keeps thin lines thin and draws every line as it is.
void DrawVectorised(GraphCanvas& canvas, QPaintDevice& device, int width, int height,
                    double scale = 1) {
  QCPPainter painter;
  if (!painter.begin(&device)) return;
  painter.setMode(QCPPainter::pmVectorized);
  painter.setMode(QCPPainter::pmNoCaching);
  if (scale != 1) painter.scale(scale, scale);
  canvas.toPainter(&painter, width, height);
  painter.end();
}

}  // namespace

std::string RenderGraphPicture(const GraphModel& model, PictureFormat format, int width, int height,
                               const QString& title, const GraphModel* reference) {
  GraphCanvas canvas(model);
  PrepareCanvas(canvas, width, height, title, reference);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  switch (format) {
    case PictureFormat::Png:
    case PictureFormat::Bmp: {
      const QImage image = canvas.toPixmap(width, height).toImage();
      image.save(&buffer, format == PictureFormat::Png ? "PNG" : "BMP");
      break;
    }
    case PictureFormat::Svg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(QSize(width, height));
      svg.setViewBox(QRect(0, 0, width, height));
      svg.setTitle(QString::fromUtf8(kGraphPrintTitle));
      // Text is laid out at the screen's resolution; the picture is drawn at the same.
      svg.setResolution(canvas.logicalDpiX());
      DrawVectorised(canvas, svg, width, height);
      break;
    }
    case PictureFormat::Pdf: {
      QPdfWriter pdf(&buffer);
      pdf.setCreator(QStringLiteral("Orvantis"));
      pdf.setTitle(QString::fromUtf8(kGraphPrintTitle));
      pdf.setResolution(72);  // one pixel of the picture to one point of the page
      pdf.setPageSize(
          QPageSize(QSizeF(width, height), QPageSize::Point, QString(), QPageSize::ExactMatch));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      DrawVectorised(canvas, pdf, width, height);
      break;
    }
  }
  buffer.close();
  return BytesOf(bytes);
}

std::string WriteGraphPicture(const GraphModel& model, const std::filesystem::path& path,
                              PictureFormat format, int width, int height,
                              const GraphModel* reference) {
  const std::string bytes = RenderGraphPicture(model, format, width, height, {}, reference);
  if (bytes.empty()) return "the picture " + path.string() + " could not be drawn";
  const std::string why = WriteFileAtomically(path, bytes);
  if (why.empty()) return {};
  // The reason names the path where the writer gives it; otherwise it is added.
  if (why.find(path.string()) != std::string::npos) return why;
  return path.string() + ": " + why;
}

bool PrintGraph(const GraphModel& model, QPagedPaintDevice& printer, const GraphModel* reference) {
  GraphCanvas canvas(model);
  // Text is laid out at the screen's resolution; the page is drawn at the same, so that the
  // fonts measure on paper as they did in the layout.
  const int resolution = canvas.logicalDpiX();
  SetPageResolution(printer, resolution);
  const QRectF page = printer.pageLayout().paintRectPixels(resolution);
  if (page.width() <= 0 || page.height() <= 0) return false;
  const double scale = page.width() / kPrintLayoutWidth;
  const int height = static_cast<int>(page.height() / scale);
  PrepareCanvas(canvas, kPrintLayoutWidth, height, QString::fromUtf8(kGraphPrintTitle), reference);
  QCPPainter painter;
  if (!painter.begin(&printer)) return false;
  painter.setMode(QCPPainter::pmVectorized);
  painter.setMode(QCPPainter::pmNoCaching);
  painter.scale(scale, scale);
  canvas.toPainter(&painter, kPrintLayoutWidth, height);
  painter.end();
  return true;
}

}  // namespace orv
