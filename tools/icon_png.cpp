// Renders the program's icon, drawn as SVG, to PNG pictures of the sizes desktops ask for,
// during the build and without a display:
//   orvantis_icon_png ICON.svg OUTPUT_FOLDER SIZE...
// writes OUTPUT_FOLDER/orvantis-SIZE.png for each size (square, transparent ground).
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  // Built during the build, where no display may exist.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 4) {
    std::fprintf(stderr, "usage: orvantis_icon_png ICON.svg OUTPUT_FOLDER SIZE...\n");
    return 2;
  }
  QSvgRenderer svg(args[1]);
  if (!svg.isValid()) {
    std::fprintf(stderr, "orvantis_icon_png: %s is not a valid SVG picture\n", qPrintable(args[1]));
    return 1;
  }
  if (!QDir().mkpath(args[2])) {
    std::fprintf(stderr, "orvantis_icon_png: cannot make the folder %s\n", qPrintable(args[2]));
    return 1;
  }
  for (int i = 3; i < args.size(); ++i) {
    bool ok = false;
    const int size = args[i].toInt(&ok);
    if (!ok || size < 1 || size > 4096) {
      std::fprintf(stderr, "orvantis_icon_png: bad size %s\n", qPrintable(args[i]));
      return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    const QString path = QDir(args[2]).filePath(QString("orvantis-%1.png").arg(size));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
      std::fprintf(stderr, "orvantis_icon_png: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
