#pragma once

#include <cstdint>

namespace orv {

// Rounds to the nearest whole number, an exact half going to the even neighbour (the program's
// rule for every conversion to a whole number unless truncation or floor is named).
double RoundHalfEven(double x) noexcept;

// Rounds half to even into a 16-bit or 32-bit integer; a value outside the type's range (or not
// a number) raises run-time error 6 "Overflow".
std::int16_t ToInt16(double x);
std::int32_t ToInt32(double x);

// Narrows to a 32-bit float (IEEE round to nearest). Values the program keeps in single
// precision go through here so that the narrowing is visible at the call.
inline float ToSingle(double x) noexcept { return static_cast<float>(x); }

}  // namespace orv
