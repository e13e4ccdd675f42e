#pragma once

#include <array>
#include <string>
#include <string_view>

#include "engine/engine.h"
#include "reports/report_builder.h"

namespace orv {

// A crank-angle range of the details reports, in whole degrees.
struct DegreeRange {
  int from = -360;
  int to = 360;
  int step = 1;
  bool operator==(const DegreeRange&) const = default;
};

// The range a details report runs over, from the three settings values from, to, increment.
// They are accepted when from lies in -360..359, to in -359..360, the increment in 1..90 and
// to above from; otherwise they are reset to -360, 360, 1 (in `values` too, so the reset is
// kept). The accepted values are then rounded to whole degrees (halves to even).
DegreeRange AcceptedDegreeRange(float* values);

// The four column-head lines of a details report kind (intake air, exhaust air, details).
const std::array<std::string_view, 4>& DetailsColumnHeads(ReportKind kind);

// The first column of a details line: "TDC" at 0 and +-360, "BDC" at +-180, else the angle.
std::string CrankAngleText(int angle);

// A details report, one line per crank angle of its range (range 1 of the settings for the
// intake and exhaust air reports, range 2 for the details report): piston position, velocity,
// flow demand, airflow, reversion and swirl, or torque factor, leverage, balance factor and
// valve velocities, in the unit system of the setting "Metric".
//
// On the screen the report text is returned; printed, the pages go to the request's sink and
// the result is empty. Errors of the curve functions travel to the caller.
std::string DetailsReport(ReportKind kind, const Engine& engine, const ReportRequest& request);

}  // namespace orv
