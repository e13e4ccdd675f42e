#pragma once

#include <array>
#include <functional>
#include <string>

#include "app/revisions.h"
#include "reports/report_builder.h"
#include "shell/view.h"

class QPlainTextEdit;
class QTextCursor;
class QPrinter;
class QTabWidget;

namespace orv {

// The text reports (general, intake air details, exhaust air details, details, and the
// comparison with the reference engine) on a tab strip over read-only monospaced boxes, one
// per report. Each report is built by the core for the screen: all of them when the view is
// entered, the selected one when its tab is chosen and
// when a setting or the engine changed while the view is shown. File, Print prints the
// selected report on the printer the user chooses; File, Save Graph or Report To File writes
// the selected report's text as last shown.
class ReportView final : public View {
  Q_OBJECT

 public:
  // Lets the user choose and set up a printer; false when cancelled. The window shows the
  // platform's printer dialog; tests choose a PDF file without a dialog.
  using PrinterChooser = std::function<bool(QPrinter& printer, QWidget* parent)>;

  explicit ReportView(Application& app, QWidget* parent = nullptr);

  void Refresh(const ChangedAreas& changed) override;
  bool CanPrint() const override { return true; }
  void Print() override;
  void SaveToFile() override;

  // The number of report tabs.
  static constexpr int kReportCount = 5;

  // Builds every report afresh (entering the view).
  void RebuildAll();
  // Builds the selected tab's report afresh (after Options or Report Setup).
  void RebuildCurrent();

  // The report of a tab.
  ReportKind currentKind() const;
  void SelectKind(ReportKind kind);
  // The text last built for a report, as the core gave it (lines ending in CR LF).
  const std::string& reportText(ReportKind kind) const;
  // The box of a report ("txtReport0" to "txtReport4", in the order of the tab strip
  // "tabReports").
  QPlainTextEdit* box(ReportKind kind) const;

  void SetPrinterChooser(PrinterChooser chooser) { chooser_ = std::move(chooser); }

  // The output slot ("page0.N" / "page1.N") a line of the general report shows: the slot whose
  // output label starts the line and whose text stands in it, or for a line without a label the
  // slot whose text starts it. Empty for any other line.
  std::string ExplainKeyOfLine(const QString& line) const;
  // Opens the explanation of the value on the general report's line at the text cursor (F1, or
  // "Explain..." in its context menu). False when that line shows no value.
  bool ExplainLineAt(const QTextCursor& cursor);

 Q_SIGNALS:
  // An input link of an explanation was activated: the focus is to go to input n's box.
  void inputWanted(int n);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build(int tab);
  void SetCaptions();

  QTabWidget* tabs_;
  std::array<QPlainTextEdit*, kReportCount> boxes_{};
  std::array<std::string, kReportCount> texts_;
  // The counters the reports shown were built from (building the general report refills the
  // output pages, which moves them again).
  Revisions builtFrom_;
  PrinterChooser chooser_;
  class ExplainDialog* explain_ = nullptr;
};

}  // namespace orv
