#pragma once

#include <array>

#include "base/units.h"
#include "reports/report_builder.h"

namespace orv {

class Engine;

// Title line of the cam card section.
inline constexpr const char* kCamCardSectionTitle = "CAM CARD";

// The cam card section of the general and details reports (Report Setup, "RepSec7"): a rule,
// the title, and the figures of both lobes side by side in the unit system, "–" where a figure
// does not exist; then the lobe separation and the overlap at each check height (inches).
void CamCardSection(ReportBuilder& b, const Engine& engine, UnitMode mode,
                    const std::array<double, 3>& checkHeights);

}  // namespace orv
