#include "reports/report_builder.h"

#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

#include "base/checked_fp.h"
#include "base/error_trace.h"
#include "base/number_format.h"
#include "base/platform.h"
#include "base/rounding.h"
#include "base/runtime_error.h"
#include "files/interface_text_ids.h"

namespace orv {

namespace {

constexpr const char* kReportBuilderModule = "Report";

constexpr std::array<std::string_view, 5> kTitles = {
    " Orvantis Report", " Orvantis Intake Air Details Report",
    " Orvantis Exhaust Air Details Report", " Orvantis Details Report",
    " Orvantis Comparison Report"};

constexpr std::string_view kPathSeparator = ":  ";
constexpr std::string_view kEllipsis = "...";
constexpr std::string_view kCrLf = "\r\n";

// Printer layout constants: the lines per page used when the font height gives no sensible
// count, the character count above which the paper counts as wide, and the lines kept free.
constexpr int kFallbackLinesPerPage = 58;
constexpr int kFewestLinesPerPage = 25;
constexpr int kWidePaperColumns = 103;
constexpr int kWideWidthLoss = 4;
constexpr int kNarrowWidthLoss = 12;
constexpr int kMinLinesForFreeLines = 16;
constexpr int kFreeLines = 2;
constexpr int kNarrowFreeLines = 4;

bool IsContinuationByte(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte offset where character `n` (0 = first) of `text` starts, or the text's size.
std::size_t OffsetOfColumn(std::string_view text, std::size_t n) noexcept {
  std::size_t i = 0;
  for (; i < text.size(); ++i) {
    if (IsContinuationByte(text[i])) continue;
    if (n == 0) return i;
    --n;
  }
  return text.size();
}

bool IsBlank(std::string_view text) noexcept {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

std::string_view ReportTitle(ReportKind kind) noexcept {
  const int i = static_cast<int>(kind) - 1;
  return i >= 0 && i < static_cast<int>(kTitles.size()) ? kTitles[static_cast<std::size_t>(i)]
                                                        : kTitles[0];
}

PageLayout ScreenLayout() noexcept { return PageLayout{}; }

PageLayout GetPrinterConfig(const PrinterMetrics& m) {
  ETracker guard(kReportBuilderModule, "GetPrinterConfig");
  if (m.width80M == 0) Raise(kErrDivByZero);
  FpRegion fp;
  PageLayout layout;
  layout.printing = true;
  int lines = kFallbackLinesPerPage;
  if (m.textHeightAg != 0) {
    lines = ToInt16(Chk(m.printableHeight / m.textHeightAg));
    if (lines < kFewestLinesPerPage) lines = kFallbackLinesPerPage;
  }
  const int columns = ToInt16(Chk(m.printableWidth / m.width80M * 80));
  int width;
  if (columns > kWidePaperColumns) {
    width = columns - kWideWidthLoss;
    layout.narrow = false;
  } else {
    width = columns - kNarrowWidthLoss;
    layout.narrow = true;
  }
  if (width < 1) Raise(kErrInvalidCall);
  if (lines > kMinLinesForFreeLines) {
    lines -= kFreeLines;
    if (layout.narrow) lines -= kNarrowFreeLines;
  }
  layout.width = static_cast<std::int16_t>(width);
  layout.linesPerPage = static_cast<std::int16_t>(lines);
  return layout;
}

ReportStamp CurrentReportStamp() {
  const std::tm local = LocalTimeNow();
  std::locale userLocale = std::locale::classic();
  try {
    userLocale = std::locale("");
  } catch (const std::runtime_error&) {
    // An unknown locale in the environment: the classic forms serve.
  }
  auto format = [&](const char* pattern) {
    std::ostringstream out;
    out.imbue(userLocale);
    out << std::put_time(&local, pattern);
    return out.str();
  };
  return {format("%x"), format("%X")};
}

ReportHeading HeadingOf(const ReportRequest& request) {
  ReportHeading h;
  h.flags = request.settings.reportHeadings;
  h.date = request.stamp.date;
  h.time = request.stamp.time;
  h.enginePath = request.enginePath;
  h.customerLines = request.settings.customerHeading;
  h.pageLabel = request.strings.Misc(kMiscPage);
  return h;
}

UnitMode ReportUnitMode(std::int32_t metric) noexcept {
  if (metric == 0) return UnitMode::English;
  if (metric == 2) return UnitMode::MetricM3;
  return UnitMode::Metric;
}

std::size_t TextColumns(std::string_view text) noexcept {
  std::size_t n = 0;
  for (char c : text) n += !IsContinuationByte(c);
  return n;
}

std::string LeftAligned(std::string_view text, int width) {
  if (width <= 0) return {};
  const auto w = static_cast<std::size_t>(width);
  const std::size_t cols = TextColumns(text);
  if (cols >= w) return std::string(text.substr(0, OffsetOfColumn(text, w)));
  std::string out(text);
  out.append(w - cols, ' ');
  return out;
}

std::string RightAligned(std::string_view text, int width) {
  if (width <= 0) return {};
  const auto w = static_cast<std::size_t>(width);
  const std::size_t cols = TextColumns(text);
  if (cols >= w) return std::string(text.substr(0, OffsetOfColumn(text, w)));
  std::string out;
  out.reserve(w - cols + text.size());
  out.append(w - cols, ' ');
  out += text;
  return out;
}

std::string WrittenOver(std::string_view field, int column, std::string_view text) {
  const std::size_t fieldCols = TextColumns(field);
  if (column < 1 || static_cast<std::size_t>(column) > fieldCols) return std::string(field);
  const std::size_t start = static_cast<std::size_t>(column) - 1;
  const std::size_t room = fieldCols - start;
  const std::size_t textCols = std::min(TextColumns(text), room);
  const std::size_t startByte = OffsetOfColumn(field, start);
  const std::size_t endByte = OffsetOfColumn(field, start + textCols);
  std::string out(field.substr(0, startByte));
  out += text.substr(0, OffsetOfColumn(text, textCols));
  out += field.substr(endByte);
  return out;
}

std::string Center(std::string_view text, int width) {
  const int length = static_cast<int>(TextColumns(text));
  const int pad = (width - length) / 2 + 1;
  if (width <= 0 || pad <= 1) return std::string(text);
  return WrittenOver(std::string(static_cast<std::size_t>(width), ' '), pad, text);
}

std::string CenterLP(std::string_view text, int width) {
  const int length = static_cast<int>(TextColumns(text));
  const int pad = (width - length) / 2 + 1;
  if (width <= 0 || pad <= 1) return std::string(text);
  std::string out(static_cast<std::size_t>(pad), ' ');
  out += text;
  return out;
}

std::string ReportNumber(double value, int decimals) {
  char pattern[40] = "#0";
  if (decimals > 0) {
    const int n = std::min(decimals, 30);
    pattern[2] = '.';
    for (int i = 0; i < n; ++i) pattern[3 + i] = '0';
    pattern[3 + n] = '\0';
  }
  return FormatPattern(value, pattern);
}

// ---------------------------------------------------------------------------------------------

ReportBuilder::ReportBuilder(ReportKind kind, const PageLayout& layout, ReportHeading heading,
                             ReportPageSink* sink)
    : kind_(kind),
      layout_(layout),
      heading_(std::move(heading)),
      sink_(sink),
      margin_(static_cast<std::size_t>(layout.leftMargin()), ' ') {
  if (layout_.printing && sink_ == nullptr) Raise(kErrInvalidCall, "No printer for the report");
}

void ReportBuilder::Begin() {
  text_.clear();
  line_.clear();
  lineCount_ = 0;
  page_ = 0;
  PrintTopMargin();
  CustomerHeading();
  MakeReportTitle();
}

// Finishes the line. When a printed page is full, the page goes to the sink and the next one
// opens with the top margin, the title block, a rule and a blank line before the pending line,
// which is counted on its new page (so no page holds more than the lines per page). The new
// page's own opening lines never start another page, whatever the page length.
void ReportBuilder::AddStrCRLF() {
  line_ += kCrLf;
  ++lineCount_;
  if (layout_.printing && !startingPage_ && lineCount_ > layout_.linesPerPage) {
    std::string pending = std::move(line_);
    line_.clear();
    sink_->PrintPage(text_);
    text_.clear();
    lineCount_ = 0;
    startingPage_ = true;
    PrintTopMargin();
    MakeReportTitle();
    RuleLine();
    BlankLine();
    startingPage_ = false;
    line_ = std::move(pending);
    ++lineCount_;
  }
  text_ += margin_;
  text_ += line_;
  line_.clear();
}

void ReportBuilder::PutRight(std::string_view text, int width) {
  if (width <= 0) return;
  const auto w = static_cast<std::size_t>(width);
  const std::size_t cols = TextColumns(text);
  if (cols >= w) {
    line_ += text.substr(0, OffsetOfColumn(text, w));
  } else {
    line_.append(w - cols, ' ');
    line_ += text;
  }
}

void ReportBuilder::BlankLine() { AddStrCRLF(); }

void ReportBuilder::RuleLine() {
  if (layout_.width > 0) line_.append(static_cast<std::size_t>(layout_.width), '_');
  AddStrCRLF();
}

void ReportBuilder::ValueLine(std::string_view label, std::string_view value,
                              std::string_view suffix) {
  line_ += WrittenOver(RightAligned(value, layout_.width - 1), 3, label);
  line_ += suffix;
  AddStrCRLF();
}

void ReportBuilder::PrintTopMargin() {
  if (!layout_.printing) return;
  for (int i = 0; i < 3; ++i) BlankLine();
  if (!layout_.narrow) {
    for (int i = 0; i < 3; ++i) BlankLine();
  }
}

void ReportBuilder::CustomerHeading() {
  bool any = false;
  for (const std::string& l : heading_.customerLines) any |= !IsBlank(l);
  if (!any) return;
  for (const std::string& l : heading_.customerLines) {
    if (l.empty()) continue;
    line_ += Center(l, layout_.width);
    AddStrCRLF();
  }
}

void ReportBuilder::MakeReportTitle() {
  const int field = layout_.width - 1;
  RuleLine();
  BlankLine();

  // The engine path follows the title when asked for; a title too long for its field ends in
  // "..." at the field's last columns.
  std::string title(ReportTitle(kind_));
  if (heading_.flags[2]) {
    title += kPathSeparator;
    title += heading_.enginePath;
    const int dots = static_cast<int>(kEllipsis.size());
    if (static_cast<int>(TextColumns(title)) > field && field >= dots) {
      title = LeftAligned(title, field - dots) + std::string(kEllipsis);
    }
  }
  line_ += LeftAligned(title, field);
  AddStrCRLF();

  std::string second;
  if (heading_.flags[0] || heading_.flags[1]) {
    second = " ";
    if (heading_.flags[0]) second += heading_.date + "  ";
    if (heading_.flags[1]) second += heading_.time;
  }
  second = LeftAligned(second, field);
  if (layout_.printing) {
    ++page_;
    const std::string label = heading_.pageLabel + " " + std::to_string(page_);
    const int start = std::max(1, field - static_cast<int>(TextColumns(label)) + 1);
    second = WrittenOver(second, start, label);
  }
  if (!IsBlank(second)) {
    line_ += second;
    AddStrCRLF();
  }
}

std::string ReportBuilder::Finish() {
  if (!layout_.printing) return text_;
  sink_->PrintPage(text_);
  sink_->EndDocument();
  text_.clear();
  return {};
}

}  // namespace orv
