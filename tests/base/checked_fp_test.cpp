#include "base/checked_fp.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/bounded_array.h"
#include "base/rounding.h"
#include "base/runtime_error.h"

namespace orv {
namespace {

int ErrorNumberOf(double (*f)(double), double arg) {
  FpRegion region;
  try {
    Chk(f(arg));
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

TEST(CheckedFp, TurnsIeeeFaultsIntoNumberedErrors) {
  volatile double zero = 0;
  EXPECT_EQ(ErrorNumberOf([](double x) { return 1.0 / x; }, zero), kErrDivByZero);
  EXPECT_EQ(ErrorNumberOf([](double x) { return std::sqrt(x); }, -1), kErrInvalidCall);
  EXPECT_EQ(ErrorNumberOf([](double x) { return x * 1e300; }, 1e300), kErrOverflow);
  EXPECT_EQ(ErrorNumberOf([](double x) { return std::pow(x, 1.4); }, -2), kErrInvalidCall);
  EXPECT_EQ(ErrorNumberOf([](double x) { return std::sqrt(x); }, 4), 0);
}

TEST(CheckedFp, ErrorCarriesTheStandardDescription) {
  try {
    Raise(kErrDivByZero);
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.description(), "Division by zero");
  }
  EXPECT_EQ(RuntimeError(kErrOverflow).description(), "Overflow");
  EXPECT_EQ(RuntimeError(kErrInvalidCall).description(), "Invalid procedure call or argument");
  EXPECT_EQ(RuntimeError(kErrSubscript).description(), "Subscript out of range");
}

TEST(BoundedArray, IndexOutsideTheBoundsIsSubscriptOutOfRange) {
  BoundedArray<double> t(-360, 360);
  t[-360] = 1;
  t[360] = 2;
  EXPECT_EQ(t.count(), 721);
  try {
    t[361] = 0;
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrSubscript);
  }
  EXPECT_THROW(t[-361], RuntimeError);
}

TEST(Rounding, HalvesGoToEvenAndOutOfRangeOverflows) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(23.37), 23);
  EXPECT_EQ(ToInt16(32767.4), 32767);
  EXPECT_THROW(ToInt16(32767.5), RuntimeError);
  EXPECT_THROW(ToInt32(NAN), RuntimeError);
}

}  // namespace
}  // namespace orv
