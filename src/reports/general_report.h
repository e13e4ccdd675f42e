#pragma once

#include <string>

#include "engine/input_controller.h"
#include "reports/report_builder.h"

namespace orv {

// The general report: the engine's inputs and the outputs of the main window, section by
// section as the settings' section flags choose, with the same slot texts, labels and unit
// captions as the input and output panels of `panel`, which are read as they stand (the caller
// refills the output pages first: page 1 when `secondStage`, page 0 with its analysis). The
// airflow, piston-motion and power sections (3 to 5) are reported only when `secondStage` is
// true (the window: its second input stage is open).
//
// On the screen the report text is returned; printed, the pages go to the request's sink and
// the result is empty.
std::string OVReport(const InputController& panel, const ReportRequest& request, bool secondStage);

}  // namespace orv
