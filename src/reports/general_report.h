#pragma once

#include <string>

#include "engine/engine.h"
#include "reports/report_builder.h"

namespace orv {

// The general report: the engine's inputs and the outputs of the main window, section by
// section as the settings' section flags choose, with the same slot texts, labels and unit
// captions as the output panel. The airflow, piston-motion and power sections (3 to 5) are
// reported only when `secondStage` is true (the window: its second input stage is open), after
// output page 1 has been refilled; page 0 and its balance analysis are read as they stand.
//
// On the screen the report text is returned; printed, the pages go to the request's sink and
// the result is empty. Errors of the output page travel to the caller.
std::string OVReport(Engine& engine, const ReportRequest& request, bool secondStage);

}  // namespace orv
