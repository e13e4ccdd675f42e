#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/units.h"
#include "files/config_file.h"
#include "files/interface_strings.h"
#include "reports/report_pages.h"

namespace orv {

// The reports, numbered as the report tabs of the window: the four reports of the engine and
// the comparison with a reference engine.
enum class ReportKind : int {
  General = 1,
  IntakeAir = 2,
  ExhaustAir = 3,
  Details = 4,
  Comparison = 5
};

// Title of a report kind, with its leading blank (" Orvantis Report", ...).
std::string_view ReportTitle(ReportKind kind) noexcept;

// What the printer tells about its page, all in one device unit: the printable width and
// height, the height of the text "Ag" and the width of 80 letters "M" in the report font
// (Courier New, else Courier, 10 point).
struct PrinterMetrics {
  double printableWidth = 0;
  double printableHeight = 0;
  double textHeightAg = 0;
  double width80M = 0;
};

// How report lines are laid out: the usable line width in characters and, for the printer,
// the lines per page and whether the paper is narrow (the wide left margin).
struct PageLayout {
  bool printing = false;
  std::int16_t width = 80;
  std::int16_t linesPerPage = 0;
  bool narrow = false;

  // Blanks before every line: 10 when printing on narrow paper, 2 otherwise.
  int leftMargin() const noexcept { return printing && narrow ? 10 : 2; }
};

// The screen: 80 characters a line, no pages.
PageLayout ScreenLayout() noexcept;

// The printer layout from the printer's metrics. Lines per page are the printable height over
// the text height, rounded (58 when the text height is 0 or the result is below 25); characters
// per line are the printable width over the width of 80 "M", times 80, rounded. Above 103
// characters the width is 4 less and the paper counts as wide, otherwise 12 less on narrow
// paper. Above 16 lines a page keeps 2 lines free, and 4 more on narrow paper.
// A printer whose "M" has no width raises run-time error 11; one that leaves no usable line
// width, error 5; counts beyond 16-bit integers, error 6.
PageLayout GetPrinterConfig(const PrinterMetrics& metrics);

// The heading block of a report: which heading items are shown (date, time, engine file
// name), the date and time the report was started, the engine file path, the customer's
// heading lines and the page label of printed pages (miscellaneous text 24).
struct ReportHeading {
  std::array<bool, 3> flags{true, true, true};
  std::string date;
  std::string time;
  std::string enginePath;
  std::vector<std::string> customerLines;
  std::string pageLabel = "Page";
};

// The current date and time in the short forms of the user's locale.
struct ReportStamp {
  std::string date;
  std::string time;
};
ReportStamp CurrentReportStamp();

// What a report is built from besides the engine, and where it goes. The settings give the
// section and heading flags, the degree ranges (a range the details reports cannot use is
// reset in them), the customer heading lines and the unit system ("Metric").
struct ReportRequest {
  Settings& settings;
  const InterfaceStrings& strings;
  std::string enginePath;
  ReportStamp stamp;
  PageLayout layout = ScreenLayout();
  ReportPageSink* sink = nullptr;  // the printer pages when `layout.printing`
};

// The heading block of a request: flags and customer lines from the settings, the page label
// from the interface texts.
ReportHeading HeadingOf(const ReportRequest& request);

// The unit system of the setting "Metric": 0 English, 2 metric with airflow in m3/min, any
// other value metric.
UnitMode ReportUnitMode(std::int32_t metric) noexcept;

// Text layout in character columns (UTF-8 text counts characters, not bytes).
std::size_t TextColumns(std::string_view text) noexcept;
// `text` in a field of `width` blanks, written from its left (cut on the right when longer).
std::string LeftAligned(std::string_view text, int width);
// `text` in a field of `width` blanks, ending at its right (cut on the right when longer).
std::string RightAligned(std::string_view text, int width);
// `field` with `text` written over it from column `column` (1 = first), as far as the field
// reaches; the field keeps its length.
std::string WrittenOver(std::string_view field, int column, std::string_view text);

// A text centred in a line of `width` characters: pad = (width - length) / 2 (toward zero) + 1
// and the text written from column pad over `width` blanks. A text that does not fit with at
// least one blank before it is given back whole, left-aligned, so that no heading line is lost.
std::string Center(std::string_view text, int width);
// As `Center`, but only the pad blanks are put before the text (no blanks after it).
std::string CenterLP(std::string_view text, int width);

// A number as the reports show it: the pattern "#0" with `decimals` zeros after the point
// (halves rounded away from zero).
std::string ReportNumber(double value, int decimals);

// Builds the text of one report line by line, for the screen or for printer pages. It holds
// the report state: the finished text, the line being built, the layout, the line count and
// page number of printed pages. Printed reports hand every full page to the page sink and
// start the next page with the top margin and the title block.
class ReportBuilder final {
 public:
  // `sink` receives the printed pages; it is needed only when `layout.printing`.
  ReportBuilder(ReportKind kind, const PageLayout& layout, ReportHeading heading,
                ReportPageSink* sink);

  // The opening of every report: top margin, customer heading, title block.
  void Begin();

  // Appends text to the line being built.
  void Put(std::string_view text) { line_ += text; }
  // Appends `text` right-aligned in a field of `width` characters (cut on the right when
  // longer).
  void PutRight(std::string_view text, int width);
  // Makes room for a report text of about `bytes` (a long report grows without copying).
  void Reserve(std::size_t bytes) { text_.reserve(bytes); }
  // Finishes the current line (see the class comment for the paging).
  void AddStrCRLF();
  void BlankLine();
  // A line of `width` underscores.
  void RuleLine();
  // A field of `width` - 1 blanks with `value` right-aligned in it and `label` written from
  // column 3 over it, then `suffix`.
  void ValueLine(std::string_view label, std::string_view value, std::string_view suffix = {});

  // Printing only: three blank lines, three more on wide paper.
  void PrintTopMargin();
  // The customer's heading lines, centred, when at least one is not blank.
  void CustomerHeading();
  // Rule, blank, the title line (with the engine path when asked for) and the line of date,
  // time and page number when it is not blank.
  void MakeReportTitle();

  // Ends the report. Printing: the last page goes to the sink, the document is ended and the
  // result is empty. On the screen: the report text.
  std::string Finish();

  const PageLayout& layout() const noexcept { return layout_; }
  int width() const noexcept { return layout_.width; }
  const std::string& text() const noexcept { return text_; }
  int lineCount() const noexcept { return lineCount_; }
  int pageNumber() const noexcept { return page_; }

 private:
  ReportKind kind_;
  PageLayout layout_;
  ReportHeading heading_;
  ReportPageSink* sink_;
  std::string text_;
  std::string line_;
  std::string margin_;
  int lineCount_ = 0;
  int page_ = 0;
  bool startingPage_ = false;
};

}  // namespace orv
