#include "app/comparison_report.h"

#include <vector>

#include "app/engine_comparison.h"
#include "base/error_trace.h"

namespace orv {

namespace {

constexpr const char* kComparisonReportModule = "Report";

std::string_view UnitSystemLine(UnitMode mode) noexcept {
  switch (mode) {
    case UnitMode::English:
      return "Values in English units.";
    case UnitMode::MetricM3:
      return "Values in metric units, airflow in cubic metres per minute.";
    default:
      return "Values in metric units.";
  }
}

}  // namespace

std::string ComparisonReport(const EngineDocument* reference, const EngineDocument& current,
                             const ReportRequest& request) {
  ETracker guard(kComparisonReportModule, "ComparisonReport");
  ReportBuilder b(ReportKind::Comparison, request.layout, HeadingOf(request), request.sink);
  b.Begin();
  b.RuleLine();
  b.BlankLine();
  auto line = [&b](std::string_view text) {
    b.Put(text);
    b.AddStrCRLF();
  };
  if (reference == nullptr) {
    line(kNoReferenceLine);
    return b.Finish();
  }
  const UnitMode mode = ReportUnitMode(request.settings.unitSystem);
  const EngineComparison comparison = CompareEngines(*reference, current, mode);
  line("Reference engine:  " + reference->path());
  line(UnitSystemLine(mode));
  b.BlankLine();
  if (!comparison.referenceComplete) {
    line("The reference engine's calculation did not complete: its results are those");
    line("of the last calculation that completed.");
  }
  if (!comparison.currentComplete) {
    line("The current engine's calculation did not complete: its results are those");
    line("of the last calculation that completed.");
  }
  if (!comparison.referenceComplete || !comparison.currentComplete) b.BlankLine();
  const std::vector<std::string> table =
      ComparisonTableLines(comparison, {"Name", "Reference", "Current", "Current - Ref."});
  if (table.empty()) line(kNothingDiffersLine);
  for (const std::string& row : table) line(row);
  return b.Finish();
}

}  // namespace orv
