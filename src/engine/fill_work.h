#pragma once

#include "engine/engine_inputs.h"
#include "engine/engine_results.h"

namespace orv {

// The fixed reference values of the filling and work models, set once at start-up: the speed
// of sound in 1600 F exhaust gas, the starting filling factor 1.035, the reference dynamic
// compression ratio (9.75 - 1.03) x 1.035 + 1 and its power 1.4, torque per cubic inch.
EmpiricalConstants ComputeEmpiricalConstants();

// Crank degrees that pass while a pressure wave travels `distanceIn` inches at `soundSpeed`
// ft/s with the engine at `rpm` (rpm x 6 degrees per second). The caller tests the
// floating-point flags.
double WaveDegrees(double distanceIn, double rpm, double soundSpeed);

// Filling ratio: how far the intake pressure wave lags the piston, as the ratio of the
// wave-delayed volume sweep to the plain one over crank degrees 1..lastDegree. Called with the
// peak-torque rpm and 180. Above 1; grows with rpm and with colder intake air.
double FillModel(const EngineInputs& in, const EngineResults& r, const EngineTables& t, double rpm,
                 int lastDegree);

// Cylinder pressure from a compression and combustion model, times the crank leverage, degree
// by degree from TDC to BDC (`TorqueFactor`), its running sum as a percentage of the whole
// (`WorkSumPct`) and net of the compression work (`NetWorkSum`). Sets `DynamicCR`.
void WorkModel(const EngineInputs& in, EngineResults& r, EngineTables& t);

// Rebuilds `FlowDemand` as -360..360: the demand of each degree of the down stroke (1..360
// as step 17 of the recalculation left it) moved to the crank angle at which its pressure wave
// reaches the valve, the intake side after TDC and the exhaust side mirrored before it, then
// read at whole degrees by straight lines between the moved points (negative values become 0).
void MapFlowDemand(const EngineInputs& in, const EngineResults& r, const EmpiricalConstants& k,
                   EngineTables& t);

}  // namespace orv
