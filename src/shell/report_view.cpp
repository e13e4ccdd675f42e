#include "shell/report_view.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QVBoxLayout>

#include "app/application.h"
#include "app/report_command.h"
#include "base/error_trace.h"
#include "files/interface_text_ids.h"
#include "files/output_captions.h"
#include "shell/command_runner.h"
#include "shell/explain_dialog.h"
#include "shell/printing_notice.h"
#include "shell/report_printer.h"

namespace orv {

namespace {

constexpr const char* kReportModule = "frmMain";
constexpr int kReports = ReportView::kReportCount;
// Captions used until the interface texts are read (the interface texts caption the first four
// tabs only).
constexpr std::array<const char*, kReports> kFallbackCaptions{
    "General", "Intake Air Details", "Exhaust Air Details", "Details", "Comparison"};
constexpr int kCaptionedReports = 4;

ReportKind KindOfTab(int tab) { return static_cast<ReportKind>(tab + 1); }
int TabOfKind(ReportKind kind) { return static_cast<int>(kind) - 1; }

// The text box shows the report with plain line ends.
QString ShownText(const std::string& text) {
  QString shown = QString::fromUtf8(text.data(), qsizetype(text.size()));
  shown.remove(QLatin1Char('\r'));
  if (shown.endsWith(QLatin1Char('\n'))) shown.chop(1);
  return shown;
}

bool ChoosePrinterInDialog(QPrinter& printer, QWidget* parent) {
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace

ReportView::ReportView(Application& app, QWidget* parent)
    : View(app, parent), tabs_(new QTabWidget(this)), chooser_(ChoosePrinterInDialog) {
  setObjectName(QStringLiteral("ReportView"));
  tabs_->setObjectName(QStringLiteral("tabReports"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs_);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  for (int tab = 0; tab < kReports; ++tab) {
    auto* box = new QPlainTextEdit(tabs_);
    box->setObjectName(QStringLiteral("txtReport%1").arg(tab));
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setFont(fixed);
    boxes_[std::size_t(tab)] = box;
    if (KindOfTab(tab) == ReportKind::General) {
      // The values of the general report explain themselves (F1, or a right click).
      box->installEventFilter(this);
      box->viewport()->installEventFilter(this);
      box->setContextMenuPolicy(Qt::DefaultContextMenu);
    }
    tabs_->addTab(box, QString::fromLatin1(kFallbackCaptions[std::size_t(tab)]));
  }
  SetCaptions();
  WatchForGeneralHelp(tabs_->tabBar());
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int tab) {
    if (tab < 0 || !isVisible()) return;
    Build(tab);
    Q_EMIT commandDone();
  });
}

void ReportView::SetCaptions() {
  for (int tab = 0; tab < kCaptionedReports; ++tab) {
    const std::string& caption = app().strings().Tab(kTabsReports, tab + 1);
    if (!caption.empty()) tabs_->setTabText(tab, QString::fromStdString(caption));
  }
}

ReportKind ReportView::currentKind() const { return KindOfTab(tabs_->currentIndex()); }

void ReportView::SelectKind(ReportKind kind) { tabs_->setCurrentIndex(TabOfKind(kind)); }

const std::string& ReportView::reportText(ReportKind kind) const {
  return texts_[std::size_t(TabOfKind(kind))];
}

QPlainTextEdit* ReportView::box(ReportKind kind) const {
  return boxes_[std::size_t(TabOfKind(kind))];
}

void ReportView::Build(int tab) {
  RunCommand(app(), kReportModule, "tabReports_Click", [&] {
    Application& a = app();
    const bool secondStage = a.document().controller().panel().stage2Enabled;
    texts_[std::size_t(tab)] =
        BuildScreenReport(a, KindOfTab(tab), secondStage, a.enginePath(), CurrentReportStamp());
    boxes_[std::size_t(tab)]->setPlainText(ShownText(texts_[std::size_t(tab)]));
  });
  builtFrom_ = app().revisions();
}

void ReportView::RebuildAll() {
  SetCaptions();
  for (int tab = 0; tab < kReports; ++tab) Build(tab);
}

void ReportView::RebuildCurrent() { Build(tabs_->currentIndex()); }

void ReportView::Refresh(const ChangedAreas& changed) {
  if (changed.settings) SetCaptions();
  if (!isVisible()) return;  // entering the view builds every report
  // Only a change since the reports were built (building them may refill the output pages).
  const ChangedAreas since = ChangesBetween(builtFrom_, app().revisions());
  if (since.inputs || since.outputs || since.sources || since.title || since.settings) {
    RebuildCurrent();
  }
}

void ReportView::showEvent(QShowEvent* event) {
  View::showEvent(event);
  if (!event->spontaneous()) RebuildAll();
}

void ReportView::Print() {
  bool cancelled = false;
  RunCommand(app(), kReportModule, "mnuFilePrint_Click", [&] {
    QPrinter printer(QPrinter::HighResolution);
    // Cancelled: nothing is printed and nothing changed.
    cancelled = !chooser_ || !chooser_(printer, this);
    if (cancelled) return;
    std::string failure;
    {
      PrintingNoticeScope notice(this);
      Application& a = app();
      failure = PrintReportOn(a, currentKind(), a.document().controller().panel().stage2Enabled,
                              a.enginePath(), printer);
    }
    if (!failure.empty()) app().prompter().Warn(failure, kAppTitle);
  });
  if (!cancelled) Q_EMIT commandDone();
}

void ReportView::SaveToFile() {
  RunCommand(app(), kReportModule, "mnuFileSave_Click",
             [&] { orv::SaveToFile(app(), reportText(currentKind())); });
  Q_EMIT commandDone();
}

std::string ReportView::ExplainKeyOfLine(const QString& line) const {
  const QString trimmed = line.trimmed();
  if (trimmed.isEmpty()) return {};
  const OutputPanel& out = app().document().controller().outputs();
  std::string best;
  qsizetype bestLabel = -1;
  for (int page : {0, 1}) {
    for (const auto& [slot, text] : page == 0 ? out.page0 : out.page1) {
      const QString value = QString::fromStdString(text).trimmed();
      if (value.isEmpty()) continue;
      const OutputCaption* c = FindOutputCaption(slot);
      const QString label =
          c != nullptr && c->label >= 0
              ? QString::fromStdString(app().strings().OutLabel(c->label)).trimmed()
              : QString();
      const bool matches =
          label.isEmpty() ? trimmed.startsWith(value)
                          : trimmed.startsWith(label) && trimmed.mid(label.size()).contains(value);
      // The longest label wins ("Displacement in cc" over "Displacement").
      if (matches && label.size() > bestLabel) {
        bestLabel = label.size();
        best = "page" + std::to_string(page) + "." + std::to_string(slot);
      }
    }
  }
  return best;
}

bool ReportView::ExplainLineAt(const QTextCursor& cursor) {
  const std::string key = ExplainKeyOfLine(cursor.block().text());
  if (key.empty()) return false;
  if (explain_ == nullptr) {
    explain_ = new ExplainDialog(app(), this);
    connect(explain_, &ExplainDialog::inputWanted, this, &ReportView::inputWanted);
  }
  if (!explain_->Explain(key)) return false;
  explain_->show();
  explain_->raise();
  explain_->activateWindow();
  return true;
}

bool ReportView::eventFilter(QObject* watched, QEvent* event) {
  QPlainTextEdit* general = box(ReportKind::General);
  if (watched == general &&
      (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
      !ExplainKeyOfLine(general->textCursor().block().text()).empty()) {
    event->accept();  // F1 on a value line explains it instead of opening the help
    if (event->type() == QEvent::KeyPress) ExplainLineAt(general->textCursor());
    return true;
  }
  if (watched == general->viewport() && event->type() == QEvent::ContextMenu) {
    auto* e = static_cast<QContextMenuEvent*>(event);
    const QTextCursor at = general->cursorForPosition(e->pos());
    QMenu* menu = general->createStandardContextMenu(e->pos());
    QAction* explain = new QAction(tr("Explain..."), menu);
    explain->setEnabled(!ExplainKeyOfLine(at.block().text()).empty());
    connect(explain, &QAction::triggered, this, [this, at] { ExplainLineAt(at); });
    menu->insertAction(menu->actions().isEmpty() ? nullptr : menu->actions().first(), explain);
    menu->exec(e->globalPos());
    delete menu;
    return true;
  }
  return View::eventFilter(watched, event);
}

}  // namespace orv
