#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/engine_document.h"
#include "base/units.h"

namespace orv {

// One input (a key of the engine file) whose held value differs between the reference engine
// and the current one: both values as shown in the unit system, and the difference (current
// minus reference) for numbers. `difference` is NaN and `differenceText` empty for texts, list
// choices and tables.
struct InputDifference {
  std::string key;    // engine-file key ("Bore", "ICam", "IntakeCam.Int")
  std::string label;  // the input's label, or the key for inputs without one
  std::string reference;
  std::string current;
  double difference;
  std::string differenceText;
};

// One named result whose value differs: both values and the difference (current minus
// reference), converted to the unit system's display unit.
struct ResultDifference {
  std::string name;  // the result's name ("PeakTorque")
  UnitKind unit;
  double reference;
  double current;
  double difference;
};

// Everything that differs between a reference engine and the current one, in the engine file's
// key order for the inputs and the results' order for the results. Both engines are taken as
// they were last calculated; `referenceComplete` and `currentComplete` say whether that
// calculation completed (otherwise some results are those of an earlier calculation).
struct EngineComparison {
  std::vector<InputDifference> inputs;
  std::vector<ResultDifference> results;
  bool referenceComplete = true;
  bool currentComplete = true;

  bool empty() const noexcept { return inputs.empty() && results.empty(); }
};

// Compares the current engine with the reference engine (each recalculated from its own inputs,
// cam-lift tables and flow tables), showing values in `mode`. List choices are named with the
// current document's texts.
EngineComparison CompareEngines(const EngineDocument& reference, const EngineDocument& current,
                                UnitMode mode);

// The heads of the four columns of a comparison table.
struct ComparisonHeads {
  std::string name;
  std::string reference;
  std::string current;
  std::string difference;
};

// A comparison as a table of fixed columns, one line (without its line end) per difference,
// the heads first: the name (an input's engine-file key, a result's name), the reference value,
// the current value, each in 20 characters and a blank (a longer text pushes the rest of its
// line on), then the difference; trailing blanks cut. Inputs as shown in the unit system;
// results with up to 10 significant digits and the difference with its sign. An empty
// comparison gives no lines. What `orvantis compare` prints and the comparison report lists.
std::vector<std::string> ComparisonTableLines(const EngineComparison& comparison,
                                              const ComparisonHeads& heads);

// The display unit of a named result (a length, an area, a velocity...); `None` for ratios,
// angles, counts and the results without a metric form.
UnitKind ResultUnit(std::string_view name) noexcept;

// The names of all scalar results, in their order.
std::vector<std::string> ResultNames();

}  // namespace orv
