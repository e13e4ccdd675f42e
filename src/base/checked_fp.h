#pragma once

#include <cfenv>

namespace orv {

// The engine model tests every floating-point operation: an overflow, a division by zero or an
// invalid operation (square root of a negative number, 0/0, a power of a negative base with a
// fractional exponent) ends the calculation with a run-time error instead of leaving an infinity
// or NaN in a result. The IEEE exception flags are sticky, so a region clears them on entry and
// `Chk` tests them after each computed value, before the value is stored: the calculation stops
// at the value that failed and everything stored before it stays.
//
// The program must not be built with -ffast-math, which would drop the flags.
class FpRegion final {
 public:
  // Clearing the flags rewrites the floating-point status registers, which costs about a
  // hundred times as much as reading them; the flags the checks test are read first and
  // cleared only when one of them is pending.
  FpRegion() noexcept {
    if (std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID)) {
      std::feclearexcept(FE_ALL_EXCEPT);
    }
  }
  FpRegion(const FpRegion&) = delete;
  FpRegion& operator=(const FpRegion&) = delete;
};

// Raises the run-time error of the first pending IEEE fault (11 division by zero, 6 overflow,
// 5 invalid operation) and clears the flags. Does nothing when no fault is pending.
void CheckFp();

// Tests the flags after `value` was computed and returns it unchanged. It is a call the
// compiler cannot see through, so the value is computed before the flags are tested (the
// compiler neither drops nor moves floating-point work it does not know to have effects).
[[gnu::noinline]] double Chk(double value);

}  // namespace orv
