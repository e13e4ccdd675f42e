#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/engine_document.h"

namespace orv {

// One varied input of a sweep: the input's engine-file key and its values FROM, FROM + STEP,
// ... up to TO (included when the steps land on it), each typed as text with as many decimals
// as the most precise of the three numbers was written with, an exponent counted
// ("4.000:4.100:0.025" types "4.000", "4.025", ... "4.100"; "4e0:5e0:5e-1" types "4.0", "4.5",
// "5.0"), but no more than the input's box shows (see `FitSweepAxisToBox`).
struct SweepAxis {
  std::string key;
  double from = 0;
  double step = 0;
  std::uint64_t count = 0;  // values on the axis, at least 1
  int decimals = 0;         // as written: "4e0" 0, "5e-1" 1, "4.000" 3
  // The decimals the values need to be exactly the values asked for (those of FROM or STEP,
  // whichever needs more; "4.500" needs 1), and that number's text.
  int neededDecimals = 0;
  std::string finestText;

  // The text typed for value i (0 .. count - 1).
  std::string Text(std::uint64_t i) const;
};

// Reads "KEY=FROM:TO:STEP". Refuses (nothing, with `why`) a key that `TypeInput` does not take,
// numbers that do not read, a step of 0, a step that leads away from TO, and non-finite values.
// FROM equal to TO gives one value.
std::optional<SweepAxis> ParseSweepAxis(const std::string& text, std::string& why);

// The decimals the input box of `key` shows for the document's engine in its unit system, so
// the most a typed value keeps; 0 for a choice (Fuel, VTType, EnterAirPP) and -1 for an input
// held as typed (TorqLoss, PcntDrop).
int SweepBoxDecimals(const EngineDocument& document, const std::string& key);

// Fits the axis to its input box: refuses (false, with `why` naming the option) an axis whose
// values need more decimals than the box shows (`boxDecimals`, -1 for no limit), since the
// box would type another value; otherwise the values are typed with no more decimals than the
// box shows.
bool FitSweepAxisToBox(SweepAxis& axis, int boxDecimals, std::string& why);

// The engine-file keys a sweep can vary (those `EngineDocument::TypeInput` takes), in input
// number order.
std::vector<std::string> SweepKeys();

// Sweeps above this many points run only when asked for explicitly.
inline constexpr std::uint64_t kSweepPointsWithoutForce = 1000000;

// The number of points of a grid (the product of the axes' counts), saturated at UINT64_MAX.
std::uint64_t SweepPointCount(const std::vector<SweepAxis>& axes) noexcept;

struct SweepOutcome {
  std::uint64_t points = 0;
  std::uint64_t incomplete = 0;  // points whose calculation could not complete
};

// Recalculates the document's engine at every point of the grid (the last axis varying fastest)
// and writes one CSV line per point after a header: the varied inputs by key, as typed, then
// the results named in `outputs` (result names, see `ResultNames`). Each point starts from the
// engine as it is when the sweep begins and types its values in axis order through the entry
// rule, as `TypeInput` does. A point whose calculation cannot complete (or ends in an error)
// gets empty result values and is counted. The engine model is left as it was at the start (the
// input panel's texts are those of the last point until the next refresh); no undo step is
// recorded. A stream that fails ends the sweep at that point. Result values are written as the
// shortest text that reads back the same number; a non-finite value is written empty.
SweepOutcome RunSweep(EngineDocument& document, const std::vector<SweepAxis>& axes,
                      const std::vector<std::string>& outputs, std::ostream& csv);

}  // namespace orv
