#pragma once

#include "engine/engine_results.h"
#include "engine/input_panel.h"
#include "engine/output_panel.h"

namespace orv {

// The balance analysis of output page 0 from the kinematic tables: slots 50 and 51 (where the
// single-bank balance share peaks on each half turn), 46 (mean of the balance curve), 47 and
// 48 (mean and middle of its turning values; empty when the curve has none), the listing of
// the first eight turning points (values from slot 90, their distance from `recipBF` from slot
// 70), the turning-point list and the chart data. Reads `BalanceShare` and `BalanceCurve`
// (degrees 0..360) and `BDCAngle`.
void AnalyseBalance(const EngineTables& t, const EngineResults& r, float recipBF,
                    double firingAngle, const EngineTexts& texts, OutputPanel& out);

}  // namespace orv
