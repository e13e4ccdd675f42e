#include "shell/printing_notice.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace orv {

namespace {

constexpr const char* kPrintingText = "PRINTING";

}  // namespace

PrintingNotice::PrintingNotice(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      label_(new QLabel(QString::fromLatin1(kPrintingText), this)) {
  setObjectName(QStringLiteral("frmPrinting"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  label_->setAlignment(Qt::AlignCenter);
  layout->addWidget(label_);
  resize(240, 80);
}

QString PrintingNotice::text() const { return label_->text(); }

void PrintingNotice::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The word fills the window: the largest font whose text still fits.
  QFont font = label_->font();
  font.setBold(true);
  const QRect room = label_->contentsRect();
  int size = 8;
  for (int trial = 8; trial <= 200; trial += 2) {
    font.setPixelSize(trial);
    const QFontMetrics metrics(font);
    if (metrics.horizontalAdvance(label_->text()) > room.width() ||
        metrics.height() > room.height()) {
      break;
    }
    size = trial;
  }
  font.setPixelSize(size);
  label_->setFont(font);
}

void PrintingNotice::ShowNow() {
  if (parentWidget() != nullptr) {
    const QRect outer = parentWidget()->window()->geometry();
    move(outer.center() - rect().center());
  }
  show();
  raise();
  // Paint before the print job holds the event loop.
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void PrintingNotice::KillMe() { close(); }

PrintingNoticeScope::PrintingNoticeScope(QWidget* parent) : notice_(new PrintingNotice(parent)) {
  notice_->ShowNow();
}

PrintingNoticeScope::~PrintingNoticeScope() {
  notice_->KillMe();
  delete notice_;
}

}  // namespace orv
