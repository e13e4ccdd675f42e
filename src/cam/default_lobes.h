#pragma once

#include <string_view>

#include "base/bounded_array.h"

namespace orv {

// The built-in intake and exhaust lobes that the default engine gets, so that every output and
// curve exists before any cam file has been read. Each is a list of lift values in inches, one
// per cam degree, written with six decimals and each followed by a comma (so the list ends in
// an empty element, which reads as 0).
std::string_view DefaultIntakeLobeList() noexcept;
std::string_view DefaultExhaustLobeList() noexcept;

// Engine cam-lift table entry that receives the first value of each list (lobe centre at 179).
inline constexpr int kDefaultIntakeFirstEntry = 80;
inline constexpr int kDefaultExhaustFirstEntry = 86;

// Re-creates `table` as a 360-entry cam-lift table (0..359, all 0) and writes the elements of
// the comma-separated `list` into entries `firstEntry`, `firstEntry` + 1, ...; an element that
// does not read as a number (the empty last one) gives 0. An element that would land beyond
// entry 359 raises "Subscript out of range".
void FillCamLiftTable(BoundedArray<float>& table, std::string_view list, int firstEntry);

}  // namespace orv
