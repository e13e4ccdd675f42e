#pragma once

#include "base/angles.h"
#include "engine/engine_inputs.h"
#include "engine/engine_results.h"

namespace orv {

// Whole-number crank angle brought into 1..360 (0 gives 360, -1 gives 359, 361 gives 1).
int WrapDegree(int n) noexcept;

// Piston motion of a crank with an offset wrist pin, degree by degree: position, velocity, rod
// angle, leverage, stroke fraction, the balance-factor curve and the recommended balance
// factor. Reads Stroke, RodLen, PinOff and FiringAngle. Velocity, its extremes and the true
// stroke come from a sweep in tenths of a degree; the tables keep the whole degrees.
//
// Returns true (cannot complete) when the rod or stroke is not above 0, the rod is not longer
// than the stroke, or the pin offset is too large for rod and crank; the tables then keep the
// last good run. An offset that makes the rod unable to reach the pin during the sweep raises
// run-time error 5.
bool CrankKinematics(const EngineInputs& in, EngineResults& r, EngineTables& t);

}  // namespace orv
