// Builds the user manual, OrvantisManual.pdf, from its Markdown chapters with Qt's own text
// layout, during the build and without a display:
//   orvantis_manual_pdf --output FILE.pdf [--images DIR] [--cover IMAGE] [--version TEXT]
//                       CHAPTER.md...
// The chapters are joined in the order given. The PDF has a title page, a table of contents
// with the page of every chapter and section, a running head with the chapter's title and a
// page number at the foot of every page after the title page. Each chapter starts on a new page.
// A line "<!-- screenshot: NAME -->" becomes the picture NAME.png of the images folder when that
// file exists, and is left out otherwise; a Markdown picture "![...](images/NAME.png)" is read
// from beside the chapters. The file is written whole or not at all.
#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* kTitle = "Orvantis User Manual";

struct Options {
  QString output;
  QString images;
  QString cover;
  QString version;
  QStringList chapters;
};

// A chapter or section title and the page (1-based, counting the title page) it starts on.
struct Heading {
  int level = 1;
  QString title;
  int contentPage = 0;  // 0-based page of the laid-out chapters
  int page = 0;
};

void Fail(const QString& message) {
  std::fprintf(stderr, "orvantis_manual_pdf: %s\n", qPrintable(message));
  std::exit(1);
}

Options ParseArguments(const QStringList& args) {
  Options o;
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    auto value = [&]() {
      if (i + 1 >= args.size()) Fail(a + " needs a value");
      return args[++i];
    };
    if (a == "--output") {
      o.output = value();
    } else if (a == "--images") {
      o.images = value();
    } else if (a == "--cover") {
      o.cover = value();
    } else if (a == "--version") {
      o.version = value();
    } else if (a.startsWith("--")) {
      Fail("unknown option " + a);
    } else {
      o.chapters << a;
    }
  }
  if (o.output.isEmpty() || o.chapters.isEmpty()) {
    Fail(
        "usage: orvantis_manual_pdf --output FILE.pdf [--images DIR] [--cover IMAGE] "
        "[--version TEXT] CHAPTER.md...");
  }
  return o;
}

// The chapters joined, with the screenshot marks replaced by their pictures where they exist.
QString ManualText(const Options& o) {
  QString text;
  for (const QString& path : o.chapters) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) Fail("cannot read " + path);
    text += QString::fromUtf8(f.readAll()) + "\n\n";
  }
  static const QRegularExpression mark(R"(<!--\s*screenshot:\s*([A-Za-z0-9_-]+)\s*-->)");
  QString out;
  qsizetype last = 0;
  for (auto it = mark.globalMatch(text); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    out += text.mid(last, m.capturedStart() - last);
    const QString picture = m.captured(1) + ".png";
    const QFileInfo file(o.images + "/" + picture);
    if (!o.images.isEmpty() && file.exists()) {
      out += "![" + m.captured(1) + "](" + QUrl::fromLocalFile(file.absoluteFilePath()).toString() +
             ")";
    }
    last = m.capturedEnd();
  }
  out += text.mid(last);
  return out;
}

// Fonts are drawn without ligatures, so that the PDF's text reads (and is found) letter by
// letter: "flow", not a ligature of "fl".
QFont BodyFont(double points) {
  QFont f;
  f.setFamilies({"DejaVu Sans", "Liberation Sans", "Sans Serif"});
  f.setPointSizeF(points);
  f.setStyleStrategy(QFont::PreferNoShaping);
  return f;
}

QFont MonoFont(double points) {
  QFont f;
  f.setFamilies({"DejaVu Sans Mono", "Liberation Mono", "Monospace"});
  f.setStyleHint(QFont::Monospace);
  f.setFixedPitch(true);
  f.setPointSizeF(points);
  f.setStyleStrategy(QFont::PreferNoShaping);
  return f;
}

// Gives the Markdown's blocks the manual's look: chapter titles on a new page, section titles
// sized by level, code and program output in a small fixed-pitch font on a grey ground, tables
// ruled and as wide as the page, pictures no wider than the page.
void StyleDocument(QTextDocument& doc, QPaintDevice* device, double pageWidth, double pointPixels) {
  const double pt = pointPixels;  // device pixels per point
  // One edit block for every change below: the document is laid out again once at its end,
  // not after each format change (a change inside a table lays out the whole table again).
  QTextCursor edits(&doc);
  edits.beginEditBlock();
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    QTextCursor c(b);
    c.select(QTextCursor::BlockUnderCursor);
    QTextBlockFormat bf = b.blockFormat();
    const int level = bf.headingLevel();
    if (level > 0) {
      static const double sizes[] = {20, 14.5, 12, 11, 10, 10};
      QTextCharFormat cf;
      cf.setFontPointSize(sizes[std::min(level, 6) - 1]);
      cf.setFontWeight(QFont::Bold);
      if (level <= 2) cf.setForeground(QColor(0x1F, 0x3A, 0x5F));
      QTextCursor whole(b);
      whole.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
      whole.mergeCharFormat(cf);
      bf.setTopMargin(level == 1 ? 0 : 10 * pt);
      bf.setBottomMargin(level == 1 ? 12 * pt : 4 * pt);
      if (level == 1 && b != doc.begin()) {
        bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
      }
      QTextCursor(b).setBlockFormat(bf);
    } else if (bf.hasProperty(QTextFormat::BlockCodeFence) || bf.nonBreakableLines()) {
      QTextCharFormat cf;
      cf.setFont(MonoFont(8), QTextCharFormat::FontPropertiesAll);
      QTextCursor whole(b);
      whole.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
      whole.mergeCharFormat(cf);
      bf.setBackground(QColor(0xF2, 0xF2, 0xF2));
      bf.setLeftMargin(4 * pt);
      QTextCursor(b).setBlockFormat(bf);
    }
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment frag = it.fragment();
      if (!frag.charFormat().isImageFormat()) continue;
      QTextImageFormat img = frag.charFormat().toImageFormat();
      // A relative name is found beside the chapters, as the layout finds it when it draws;
      // a picture is drawn at 100 dots per inch on the 300 dpi page, at most the page wide.
      const QUrl url = doc.baseUrl().resolved(QUrl(img.name()));
      const QImage image(url.isLocalFile() ? url.toLocalFile() : QString());
      if (image.isNull() || image.width() <= 0) continue;
      doc.addResource(QTextDocument::ImageResource, QUrl(img.name()), image);
      const double width = std::min(pageWidth, double(image.width()) * 3);
      // The layout takes a picture's size in pixels of a 96 dpi screen and scales it to the
      // page's resolution.
      const double screenPixels = device != nullptr ? device->logicalDpiX() / 96.0 : 1.0;
      img.setWidth(width / screenPixels);
      img.setHeight(width * image.height() / image.width() / screenPixels);
      QTextCursor fc(&doc);
      fc.setPosition(frag.position());
      fc.setPosition(frag.position() + frag.length(), QTextCursor::KeepAnchor);
      fc.setCharFormat(img);
    }
  }
  for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
    auto* table = qobject_cast<QTextTable*>(frame);
    if (table == nullptr) continue;
    QTextTableFormat tf = table->format();
    tf.setBorder(0.5 * pt);
    tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    tf.setBorderBrush(QColor(0x88, 0x88, 0x88));
    tf.setBorderCollapse(true);
    tf.setCellSpacing(0);
    tf.setCellPadding(1.5 * pt);
    tf.setTopMargin(3 * pt);
    tf.setBottomMargin(6 * pt);
    tf.setHeaderRowCount(1);
    tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    // Each column gets at least the width of its longest word, and the rest of the page's
    // width by how much text it holds, so that a column of explanations gets room and a column
    // of numbers is not broken.
    QFont cellFont = BodyFont(9);
    cellFont.setBold(true);
    const QFontMetricsF fm(cellFont, device);
    const double slack = 2 * tf.cellPadding() + 2 * tf.border() + 4 * pt;
    QList<double> least(table->columns(), 0), wanted(table->columns(), 0);
    for (int row = 0; row < table->rows(); ++row) {
      for (int col = 0; col < table->columns(); ++col) {
        QTextTableCell cell = table->cellAt(row, col);
        QTextCursor cc = cell.firstCursorPosition();
        cc.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        const QString text = cc.selectedText();
        for (const QString& word : text.split(' ', Qt::SkipEmptyParts)) {
          least[col] = std::max(least[col], fm.horizontalAdvance(word) + slack);
        }
        wanted[col] =
            std::max(wanted[col], std::min(fm.horizontalAdvance(text) + slack, 0.45 * pageWidth));
      }
    }
    double leastSum = 0, wantedSum = 0;
    for (int col = 0; col < table->columns(); ++col) {
      wanted[col] = std::max(wanted[col], least[col]);
      leastSum += least[col];
      wantedSum += wanted[col];
    }
    QList<QTextLength> widths;
    for (int col = 0; col < table->columns(); ++col) {
      double w;
      if (wantedSum <= pageWidth || wantedSum <= leastSum) {
        w = wanted[col] / wantedSum;
      } else {
        const double spare = std::max(0.0, pageWidth - leastSum);
        w = (least[col] + spare * (wanted[col] - least[col]) / (wantedSum - leastSum)) /
            std::max(pageWidth, leastSum);
      }
      widths << QTextLength(QTextLength::PercentageLength, 100 * w);
    }
    tf.setColumnWidthConstraints(widths);
    table->setFormat(tf);
    for (int row = 0; row < table->rows(); ++row) {
      for (int col = 0; col < table->columns(); ++col) {
        QTextTableCell cell = table->cellAt(row, col);
        QTextCursor cc = cell.firstCursorPosition();
        cc.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        QTextCharFormat small;
        small.setFontPointSize(9);
        cc.mergeCharFormat(small);
        QTextBlockFormat tight = cc.blockFormat();
        tight.setTopMargin(0);
        tight.setBottomMargin(0);
        cc.mergeBlockFormat(tight);
        if (row == 0) {
          QTextCharFormat head = cell.format();
          head.setBackground(QColor(0xE4, 0xEA, 0xF2));
          cell.setFormat(head);
        }
      }
    }
  }
  edits.endEditBlock();
}

std::vector<Heading> Headings(QTextDocument& doc, double contentHeight) {
  std::vector<Heading> list;
  auto* layout = doc.documentLayout();
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    const int level = b.blockFormat().headingLevel();
    if (level < 1 || level > 2) continue;
    Heading h;
    h.level = level;
    h.title = b.text().trimmed();
    h.contentPage = int((layout->blockBoundingRect(b).top() + 1) / contentHeight);
    list.push_back(h);
  }
  return list;
}

class ManualPainter final {
 public:
  ManualPainter(QPdfWriter& writer, QPainter& painter)
      : writer_(writer), painter_(painter), width_(writer.width()), height_(writer.height()) {}

  double width() const { return width_; }
  double headHeight() const { return Points(26); }
  double footHeight() const { return Points(26); }
  double contentHeight() const { return height_ - headHeight() - footHeight(); }

  double Points(double pt) const { return pt * writer_.resolution() / 72.0; }

  void NewPage() {
    if (pages_ > 0) writer_.newPage();
    ++pages_;
  }
  int pages() const { return pages_; }

  void TitlePage(const Options& o) {
    NewPage();
    double y = height_ * 0.22;
    if (!o.cover.isEmpty()) {
      const QImage cover(o.cover);
      if (!cover.isNull()) {
        const double side = Points(110);
        painter_.drawImage(QRectF((width_ - side) / 2, y, side, side), cover);
        y += side + Points(30);
      }
    }
    auto line = [&](const QString& text, const QFont& font, const QColor& colour) {
      painter_.setFont(font);
      painter_.setPen(colour);
      const QFontMetricsF fm(font, &writer_);
      painter_.drawText(QRectF(0, y, width_, fm.height()), Qt::AlignHCenter, text);
      y += fm.height() * 1.4;
    };
    QFont big = BodyFont(36);
    big.setBold(true);
    line("Orvantis", big, QColor(0x1F, 0x3A, 0x5F));
    line("User Manual", BodyFont(20), QColor(0x1F, 0x3A, 0x5F));
    y += Points(20);
    line("Engine geometry, cam lobes, flow-bench airflow, torque and power", BodyFont(11),
         Qt::black);
    line("for piston-engine builders", BodyFont(11), Qt::black);
    if (!o.version.isEmpty()) {
      y += Points(30);
      line("Version " + o.version, BodyFont(10), Qt::darkGray);
    }
  }

  // How many pages the contents list needs.
  int ContentsPages(std::size_t entries) const {
    const int perFirst = int((height_ - headHeight() - footHeight() - Points(50)) / LineHeight());
    const int perNext = int((height_ - headHeight() - footHeight()) / LineHeight());
    if (int(entries) <= perFirst) return 1;
    return 1 + int((int(entries) - perFirst + perNext - 1) / perNext);
  }

  void Contents(const std::vector<Heading>& headings) {
    NewPage();
    Foot();
    double y = headHeight();
    QFont title = BodyFont(20);
    title.setBold(true);
    painter_.setFont(title);
    painter_.setPen(QColor(0x1F, 0x3A, 0x5F));
    painter_.drawText(QRectF(0, y, width_, Points(40)), Qt::AlignLeft | Qt::AlignTop, "Contents");
    y += Points(50);
    const double bottom = height_ - footHeight();
    for (const Heading& h : headings) {
      if (y + LineHeight() > bottom) {
        NewPage();
        Foot();
        y = headHeight();
      }
      QFont font = BodyFont(h.level == 1 ? 10.5 : 9.5);
      font.setBold(h.level == 1);
      painter_.setFont(font);
      painter_.setPen(Qt::black);
      const QFontMetricsF fm(font, &writer_);
      const double indent = h.level == 1 ? 0 : Points(18);
      const QString number = QString::number(h.page);
      const double numberWidth = fm.horizontalAdvance(number);
      const double top = y + (h.level == 1 ? Points(4) : 0);
      const QString text =
          fm.elidedText(h.title, Qt::ElideRight, width_ - indent - numberWidth - Points(30));
      painter_.drawText(QPointF(indent, top + fm.ascent()), text);
      painter_.drawText(QPointF(width_ - numberWidth, top + fm.ascent()), number);
      // Dotted leader between the title and its page number.
      const double from = indent + fm.horizontalAdvance(text) + Points(6);
      const double to = width_ - numberWidth - Points(6);
      painter_.setPen(QPen(Qt::gray, Points(0.8), Qt::DotLine));
      if (to > from)
        painter_.drawLine(QPointF(from, top + fm.ascent()), QPointF(to, top + fm.ascent()));
      y += LineHeight() + (h.level == 1 ? Points(4) : 0);
    }
  }

  // Draws the laid-out chapters page by page below a running head with the chapter's title.
  void Chapters(QTextDocument& doc, const std::vector<Heading>& headings) {
    auto* layout = doc.documentLayout();
    const double h = contentHeight();
    for (int p = 0; p < doc.pageCount(); ++p) {
      NewPage();
      QString chapter;
      for (const Heading& hd : headings) {
        if (hd.level == 1 && hd.contentPage <= p) chapter = hd.title;
      }
      Head(chapter);
      Foot();
      painter_.save();
      painter_.translate(0, headHeight() - p * h);
      QAbstractTextDocumentLayout::PaintContext ctx;
      ctx.clip = QRectF(0, p * h, width_, h);
      painter_.setClipRect(ctx.clip);
      layout->draw(&painter_, ctx);
      painter_.restore();
    }
  }

 private:
  double LineHeight() const { return QFontMetricsF(BodyFont(10.5), &writer_).height() * 1.35; }

  void Head(const QString& chapter) {
    const QFont font = BodyFont(8);
    const QFontMetricsF fm(font, &writer_);
    painter_.setFont(font);
    painter_.setPen(Qt::darkGray);
    const double base = fm.ascent();
    painter_.drawText(QPointF(0, base), chapter);
    painter_.drawText(QPointF(width_ - fm.horizontalAdvance(kTitle), base), kTitle);
    painter_.setPen(QPen(Qt::gray, Points(0.5)));
    const double rule = fm.height() + Points(3);
    painter_.drawLine(QPointF(0, rule), QPointF(width_, rule));
  }

  void Foot() {
    const QFont font = BodyFont(9);
    const QFontMetricsF fm(font, &writer_);
    painter_.setFont(font);
    painter_.setPen(Qt::black);
    painter_.drawText(QRectF(0, height_ - fm.height(), width_, fm.height()), Qt::AlignHCenter,
                      QString::number(pages_));
  }

  QPdfWriter& writer_;
  QPainter& painter_;
  double width_;
  double height_;
  int pages_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  // Built during the build, where no display may exist.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const Options o = ParseArguments(app.arguments());

  QSaveFile file(o.output);
  if (!file.open(QIODevice::WriteOnly)) Fail("cannot write " + o.output);
  QPdfWriter writer(&file);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(20, 16, 20, 14), QPageLayout::Millimeter);
  writer.setResolution(300);
  writer.setTitle(kTitle);
  writer.setCreator("Orvantis");

  QPainter painter;
  if (!painter.begin(&writer)) Fail("cannot start the PDF " + o.output);
  ManualPainter pages(writer, painter);

  QTextDocument doc;
  doc.documentLayout()->setPaintDevice(&writer);
  doc.setDefaultFont(BodyFont(10));
  doc.setDocumentMargin(0);
  // Pictures named in the chapters ("images/NAME.png") are found beside the chapters, as a
  // Markdown viewer finds them.
  if (!o.chapters.isEmpty()) {
    doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(o.chapters.front()).absolutePath() + "/"));
  }
  doc.setMarkdown(ManualText(o), QTextDocument::MarkdownDialectGitHub);
  doc.setPageSize(QSizeF(pages.width(), pages.contentHeight()));
  StyleDocument(doc, &writer, pages.width(), pages.Points(1));
  doc.setPageSize(QSizeF(pages.width(), pages.contentHeight()));

  std::vector<Heading> headings = Headings(doc, pages.contentHeight());
  const int first = 1 + pages.ContentsPages(headings.size()) + 1;
  for (Heading& h : headings) h.page = first + h.contentPage;

  pages.TitlePage(o);
  pages.Contents(headings);
  pages.Chapters(doc, headings);
  painter.end();
  if (!file.commit()) Fail("cannot write " + o.output);
  return 0;
}
