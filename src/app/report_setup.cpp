#include "app/report_setup.h"

#include <cmath>

#include "base/number_format.h"
#include "base/rounding.h"
#include "base/text_number.h"
#include "files/interface_text_ids.h"

namespace orv {

namespace {

// The widest angle a range may reach either side of top dead centre, and the largest step.
constexpr double kRangeLimit = 360;
constexpr double kLargestIncrement = 90;

}  // namespace

ReportSetupCheck CheckDegreeRange(const std::array<double, 3>& range, int firstBox) {
  const double from = range[0], to = range[1], increment = range[2];
  // Quiet comparisons, written as "not within": a value that is not a number fails, without
  // raising the invalid operation flag that the engine's next calculation would take for its
  // own fault.
  auto within = [](double v, double low, double high) {
    return std::isgreaterequal(v, low) && std::islessequal(v, high);
  };
  if (!within(from, -kRangeLimit, kRangeLimit)) return {kMiscRangeOutside, firstBox};
  if (!within(to, -kRangeLimit, kRangeLimit)) return {kMiscRangeOutside, firstBox + 1};
  if (!std::isless(from, to)) return {kMiscRangeOrder, firstBox};
  if (!std::isgreater(increment, 0.0) || !std::islessequal(increment, kLargestIncrement)) {
    return {kMiscRangeIncrement, firstBox + 2};
  }
  return {};
}

ReportSetupCheck CheckDegreeBoxes(const std::array<std::string, 6>& texts) {
  for (int first = 0; first < 6; first += 3) {
    std::array<double, 3> range{};
    for (int k = 0; k < 3; ++k) range[k] = TextToDouble(texts[first + k]);
    if (const ReportSetupCheck c = CheckDegreeRange(range, first); !c.passed()) return c;
  }
  return {};
}

ReportSetupBoxes ReportSetupOf(const Settings& settings) {
  ReportSetupBoxes boxes;
  boxes.headings = settings.reportHeadings;
  boxes.sections = settings.reportSections;
  boxes.camCard = settings.reportCamCard;
  for (std::size_t i = 0; i < boxes.degrees.size(); ++i) {
    boxes.degrees[i] = FormatPattern(settings.reportRanges[i], "0");
  }
  return boxes;
}

ReportSetupCheck ApplyReportSetup(const ReportSetupBoxes& boxes, Settings& settings) {
  settings.reportHeadings = boxes.headings;
  settings.reportSections = boxes.sections;
  settings.reportCamCard = boxes.camCard;
  const ReportSetupCheck check = CheckDegreeBoxes(boxes.degrees);
  if (!check.passed()) return check;
  for (std::size_t i = 0; i < boxes.degrees.size(); ++i) {
    settings.reportRanges[i] = ToSingle(TextToDouble(boxes.degrees[i]));
  }
  return check;
}

}  // namespace orv
