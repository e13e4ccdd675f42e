#pragma once

#include <string>
#include <utility>

#include "base/runtime_error.h"

namespace orv::test {

// The error number `f` raises as a RuntimeError, or 0 when it raises none.
template <class F>
int ErrorOf(F&& f) {
  try {
    std::forward<F>(f)();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

// The number and description of a RuntimeError; number 0 for none.
struct Failure {
  int number = 0;
  std::string description;
};

}  // namespace orv::test
