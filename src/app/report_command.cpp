#include "app/report_command.h"

#include <charconv>

#include "app/comparison_report.h"
#include "app/report_setup.h"
#include "base/error_trace.h"
#include "base/rounding.h"
#include "base/text.h"
#include "files/interface_text_ids.h"
#include "reports/details_report.h"
#include "reports/general_report.h"

namespace orv {

namespace {

constexpr const char* kReportCommandModule = "Report";
// The warning of a failed report file carries a title of one blank.
constexpr const char* kBlankTitle = " ";

std::string BuildReport(Application& app, ReportKind kind, bool secondStage,
                        const std::string& enginePath, const ReportStamp& stamp,
                        const PageLayout& layout, ReportPageSink* sink) {
  EngineDocument& document = app.document();
  // A details report resets a degree range it cannot use in the settings.
  ReportRequest request{app.EditSettings(), app.strings(), enginePath, stamp, layout, sink};
  if (kind == ReportKind::Comparison) return ComparisonReport(app.reference(), document, request);
  if (kind != ReportKind::General) return DetailsReport(kind, document.engine(), request);
  // The report reads the output pages: brought up to date first (page 1 for the second stage).
  document.FillOutputPagesForReports(secondStage);
  return OVReport(document.controller(), request, secondStage);
}

// A number typed on the command line: the whole text must be one.
std::optional<double> StrictNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<ReportKind> ReportKindOfName(std::string_view name) noexcept {
  if (name == "general") return ReportKind::General;
  if (name == "intake") return ReportKind::IntakeAir;
  if (name == "exhaust") return ReportKind::ExhaustAir;
  if (name == "details") return ReportKind::Details;
  return std::nullopt;
}

std::string BuildScreenReport(Application& app, ReportKind kind, bool secondStage,
                              const std::string& enginePath, const ReportStamp& stamp) {
  return BuildReport(app, kind, secondStage, enginePath, stamp, ScreenLayout(), nullptr);
}

void PrintReport(Application& app, ReportKind kind, bool secondStage, const std::string& enginePath,
                 const ReportStamp& stamp, const PrinterMetrics& printer, ReportPageSink& sink) {
  ETracker guard(kReportCommandModule, "PrintReport");
  BuildReport(app, kind, secondStage, enginePath, stamp, GetPrinterConfig(printer), &sink);
}

bool WriteReportTo(Application& app, const std::filesystem::path& path, std::string_view text) {
  const std::string failure = WriteReportFile(path, text);
  if (failure.empty()) return true;
  app.prompter().Beep();
  app.prompter().Warn(
      app.strings().Misc(kMiscReportNotWritten) + "\r" + path.string() + "\r" + failure,
      kBlankTitle);
  return false;
}

bool SaveToFile(Application& app, std::string_view text) {
  const std::optional<std::string> name =
      app.prompter().AskFileName(Prompter::FileKind::SaveReport, app.settings().reportFile);
  if (!name) return false;
  app.EditSettings().reportFile = *name;
  return WriteReportTo(app, *name, text);
}

std::optional<std::array<float, 3>> ParseDegreeRange(std::string_view text,
                                                     const InterfaceStrings& strings,
                                                     std::string& error) {
  std::array<double, 3> v{};
  std::size_t begin = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t comma = text.find(',', begin);
    if ((k < 2) != (comma != std::string_view::npos)) {
      error = "--range needs FROM,TO,STEP";
      return std::nullopt;
    }
    const auto number = StrictNumber(text.substr(begin, k < 2 ? comma - begin : text.npos));
    if (!number) {
      error = "--range needs three numbers FROM,TO,STEP";
      return std::nullopt;
    }
    v[k] = *number;
    begin = comma + 1;
  }
  const ReportSetupCheck check = CheckDegreeRange(v);
  if (check.passed()) return std::array<float, 3>{ToSingle(v[0]), ToSingle(v[1]), ToSingle(v[2])};
  error = strings.Misc(check.message);
  return std::nullopt;
}

bool ReadReportSettings(Application& app, const std::filesystem::path& dataRoot) {
  const Folders folders{app.folders().programFolder, dataRoot};
  std::error_code ec;
  if (!std::filesystem::is_regular_file(folders.configFile(), ec)) return true;
  Settings read = app.settings();
  const ConfigResult r =
      ConfigFileIO(folders.configFile(), read, true, false,
                   ConfigDefaults{folders, kDefaultWindowBackground}, app.prompter());
  if (!r.headerValid || !r.ok) {
    if (!r.reason.empty()) {
      app.prompter().Warn(folders.configFile().string() + ": " + r.reason, kAppTitle);
    }
    return false;
  }
  Settings& s = app.EditSettings();
  s.reportSections = read.reportSections;
  s.reportHeadings = read.reportHeadings;
  s.reportRanges = read.reportRanges;
  s.reportCamCard = read.reportCamCard;
  s.camCardChecks = read.camCardChecks;
  s.customerHeading = read.customerHeading;
  s.unitSystem = read.unitSystem;
  return true;
}

}  // namespace orv
