#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "base/units.h"
#include "engine/calc_record.h"

namespace orv {

class Engine;
class InputController;

// What `orvantis explain` and the window's explanation panel show: why a result or an output
// slot has its value, the inputs it rests on and how far a step of each moves it.

// The record of the engine's results and of both output pages as the controller shows them in
// its unit system. The engine is recalculated on a copy, so the document is left as it is.
CalcRecord RecordEngine(const InputController& controller);

// Whether `key` names a recorded result or slot.
bool IsExplainable(const CalcRecord& record, const std::string& key);

// The value of a recorded key in the unit system (results converted; slots as shown).
double ShownValue(const Formula& f, UnitMode mode);
std::string ShownUnitOf(const Formula& f, UnitMode mode);

// The engine-file keys of the inputs `key` rests on, in input-number order.
std::vector<std::string> InputKeysOf(const CalcRecord& record, const std::string& key);

// How far the value of `key` moves for one step of an input it rests on.
struct SensitivityRow {
  std::string input;  // engine-file key
  int number = -1;    // input number
  double step = 0;    // in the unit system shown
  std::optional<double> up;
  std::optional<double> down;
};
// For every input `key` rests on: the input one step of its box's precision up and down (a list
// choice or a count: the next one), recalculated; the change of the value shown (a slot's number
// before its rounding to the decimals shown). Sorted by the larger change, largest first. A step
// the engine cannot be calculated with has no change.
std::vector<SensitivityRow> Sensitivity(const InputController& controller, const CalcRecord& record,
                                        const std::string& key);

// The explanation as JSON: {"key", "value", "unit", ["text",] "formula", "numbers", "operands",
// "inputs", "explains"}, the results it uses explained in turn down to `depth` levels.
nlohmann::ordered_json ExplainJson(const CalcRecord& record, const std::string& key, UnitMode mode,
                                   int depth);
// The same as text: the value, the formula in words and with its numbers, the inputs, and the
// results it uses as an indented tree.
std::string ExplainText(const CalcRecord& record, const std::string& key, UnitMode mode, int depth);

nlohmann::ordered_json SensitivityJson(const std::vector<SensitivityRow>& rows);
std::string SensitivityText(const std::vector<SensitivityRow>& rows);

}  // namespace orv
