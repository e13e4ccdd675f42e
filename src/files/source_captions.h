#pragma once

#include <string>

#include "engine/engine_inputs.h"

namespace orv {

class InterfaceStrings;

// The four cam and airflow sources of the main window, numbered as their Edit buttons.
enum class SourceNo : int { IntakeCam = 0, ExhaustCam = 1, IntakeFlow = 2, ExhaustFlow = 3 };

// The label naming a source (label texts 37 to 40: "Intake Cam", ..., "Exhaust Flow Test").
const std::string& SourceLabel(const InterfaceStrings& strings, SourceNo source) noexcept;

// The caption beside a source: the path of the file its lobe or flow test was read from;
// label text 41 ("Keyboard Entered") for flow data typed in; miscellaneous text 10 ("No file
// chosen") when the source names no file (the default lobes, no flow test).
std::string SourceCaption(const EngineInputs& inputs, const InterfaceStrings& strings,
                          SourceNo source);

}  // namespace orv
