#include "base/rounding.h"

#include <cmath>

#include "base/runtime_error.h"

namespace orv {

double RoundHalfEven(double x) noexcept {
  // nearbyint rounds in the current rounding mode, which the program never changes from
  // round-to-nearest-even; it raises no inexact flag.
  return std::nearbyint(x);
}

std::int16_t ToInt16(double x) {
  const double r = RoundHalfEven(x);
  if (!(r >= -32768.0 && r <= 32767.0)) Raise(kErrOverflow);
  return static_cast<std::int16_t>(r);
}

std::int32_t ToInt32(double x) {
  const double r = RoundHalfEven(x);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) Raise(kErrOverflow);
  return static_cast<std::int32_t>(r);
}

}  // namespace orv
