#pragma once

#include <cstddef>
#include <vector>

#include "base/runtime_error.h"

namespace orv {

// A table with the lower and upper index bounds the model gives it (degrees 0..360,
// -360..360, a flow table 0..n). Indexing outside the bounds raises run-time error 9
// "Subscript out of range" instead of reading or writing past the storage.
template <class T>
class BoundedArray final {
 public:
  BoundedArray() : BoundedArray(0, 0) {}
  BoundedArray(int lo, int hi) { Redim(lo, hi); }

  // Re-creates the table with new bounds, every entry value-initialised (0).
  void Redim(int lo, int hi) {
    if (hi < lo) Raise(kErrSubscript);
    lo_ = lo;
    hi_ = hi;
    values_.assign(static_cast<std::size_t>(hi - lo + 1), T{});
  }

  // Keeps the entries that stay inside the new bounds (the lower bound does not change).
  void RedimPreserve(int hi) {
    if (hi < lo_) Raise(kErrSubscript);
    hi_ = hi;
    values_.resize(static_cast<std::size_t>(hi - lo_ + 1), T{});
  }

  T& operator[](int i) {
    if (i < lo_ || i > hi_) Raise(kErrSubscript);
    return values_[static_cast<std::size_t>(i - lo_)];
  }
  const T& operator[](int i) const {
    if (i < lo_ || i > hi_) Raise(kErrSubscript);
    return values_[static_cast<std::size_t>(i - lo_)];
  }

  int lo() const noexcept { return lo_; }
  int hi() const noexcept { return hi_; }
  int count() const noexcept { return hi_ - lo_ + 1; }
  const std::vector<T>& values() const noexcept { return values_; }
  std::vector<T>& values() noexcept { return values_; }

  bool operator==(const BoundedArray&) const = default;

 private:
  int lo_ = 0;
  int hi_ = 0;
  std::vector<T> values_;
};

}  // namespace orv
