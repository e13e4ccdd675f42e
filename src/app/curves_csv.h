#pragma once

#include <array>
#include <string>

#include "engine/engine.h"

namespace orv {

// The 13 per-degree curves as CSV text: a header row ("Crank Angle" and `names`), then
// one row per crank angle from `from` to `to` (both included, when `to` is reached by whole
// steps) in steps of `step`. Whole angles are read with `DataAtPt`, fractional ones with
// `DataAt`. Values are the engine's internal (English) ones, each number in the shortest text
// that reads back to the same value, with "." as the decimal separator. Errors of the curve
// functions travel to the caller.
std::string CurvesCsv(const Engine& engine, const std::array<std::string, 13>& names, double from,
                      double to, double step);

// Why the angle range cannot be written (empty when it can): the angles must lie in
// -360..360, `from` must not be above `to` and `step` must be above 0 and small enough to
// keep the table under a million rows.
std::string CheckCurveRange(double from, double to, double step);

// Whether curve `code` is held in single precision (the valve lift and airflow curves).
bool CurveIsSingle(int code) noexcept;

}  // namespace orv
