#pragma once

#include <string>
#include <string_view>

namespace orv {

// Formats a number with a picture pattern of the kind the program's displays use: "0", "0.0",
// "0.00", "############0.000", "#############.00", "##". A "0" in the whole-number part is a
// digit always shown, a "#" one shown only when needed; the count of characters after "." is
// the number of decimals ("#" there are decimals dropped when they are trailing zeros).
//
// Rounding is half away from zero at the last shown decimal, applied to the value's 15
// significant decimal digits (so 2.675 shows as 2.68 with two decimals, as the user reads it).
// There are no thousands separators; a result that shows only zeros carries no minus sign.
std::string FormatPattern(double value, std::string_view pattern);

// The program's number display: the pattern "############0" followed by "." and `decimals`
// zeros ("#############" for the whole part when `width` is 0 or less, so that a value below 1
// shows no leading zero), then padded on the right with blanks to `width` + `decimals` + 1
// characters (`width` when there are no decimals). Longer texts are not cut.
std::string FormatNumber(double value, int width, int decimals);

// The shortest text that reads back as the same number, of its own width: a 32-bit value shows
// as 0.3, not as its 64-bit widening. Infinities and NaN show as the C library writes them.
std::string ShortestText(double value);
std::string ShortestText(float value);

}  // namespace orv
