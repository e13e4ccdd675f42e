#pragma once

#include <string>
#include <string_view>

#include "app/engine_document.h"
#include "reports/report_builder.h"

namespace orv {

// The line the comparison report shows when no reference engine is set.
inline constexpr std::string_view kNoReferenceLine =
    "No reference engine: use File, Compare With...";
// The line of a comparison in which nothing differs.
inline constexpr std::string_view kNothingDiffersLine =
    "Nothing differs from the reference engine.";

// The comparison report (the report view's fifth tab): the title block, then the reference
// engine's file and the unit system, then every input and result of the current engine that
// differs from the reference engine, as the table of `ComparisonTableLines` with the heads
// "Name", "Reference", "Current" and "Current - Ref." (values in the unit system of the
// setting "Metric"). When a calculation did not complete it says so before the table. Without
// a reference (`reference` null) the report says only that none is set. For the screen or, with
// a printer layout, for printed pages.
std::string ComparisonReport(const EngineDocument* reference, const EngineDocument& current,
                             const ReportRequest& request);

}  // namespace orv
