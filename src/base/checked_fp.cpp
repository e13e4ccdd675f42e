#include "base/checked_fp.h"

#include "base/runtime_error.h"

namespace orv {

void CheckFp() {
  const int raised = std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
  if (raised == 0) return;
  std::feclearexcept(FE_ALL_EXCEPT);
  if (raised & FE_DIVBYZERO) Raise(kErrDivByZero);
  if (raised & FE_OVERFLOW) Raise(kErrOverflow);
  Raise(kErrInvalidCall);
}

double Chk(double value) {
  if (std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID)) CheckFp();
  return value;
}

}  // namespace orv
