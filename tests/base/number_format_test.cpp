#include "base/number_format.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

struct PatternRow {
  double value;
  const char* pattern;
  const char* expected;
};

TEST(FormatPattern, RoundsHalfAwayFromZeroAtTheLastDecimal) {
  const PatternRow rows[] = {
      {865.75, "0.0", "865.8"},
      {-865.75, "0.0", "-865.8"},
      {0.125, "0.00", "0.13"},
      {2.675, "0.00", "2.68"},
      {1.005, "0.00", "1.01"},
      {2.5, "0", "3"},
      {-2.5, "0", "-3"},
      {1700, "0", "1700"},
      {50.92689, "0.00", "50.93"},
      {9.999, "0.00", "10.00"},
      {0.04, "0.0", "0.0"},
      {-0.04, "0.0", "0.0"},
      {123456789.5, "0", "123456790"},
      {0, "0.0", "0.0"},
  };
  for (const auto& r : rows) EXPECT_EQ(FormatPattern(r.value, r.pattern), r.expected) << r.value;
}

TEST(FormatPattern, HashDigitsAreShownOnlyWhenNeeded) {
  EXPECT_EQ(FormatPattern(0.5, "#############.000"), ".500");
  EXPECT_EQ(FormatPattern(12, "##"), "12");
  EXPECT_EQ(FormatPattern(0, "##"), "");
  EXPECT_EQ(FormatPattern(5, "##"), "5");
  EXPECT_EQ(FormatPattern(1.5, "0.##"), "1.5");
}

TEST(FormatNumber, PadsToWidthPlusDecimalsPlusOne) {
  EXPECT_EQ(FormatNumber(4.03, 1, 3), "4.030");
  EXPECT_EQ(FormatNumber(106.5, 3, 1), "106.5");
  EXPECT_EQ(FormatNumber(2, 1, 0), "2");
  EXPECT_EQ(FormatNumber(7, 4, 0), "7   ");
  EXPECT_EQ(FormatNumber(1.5, 4, 1), "1.5   ");
  EXPECT_EQ(FormatNumber(12345.678, 1, 2), "12345.68");  // longer texts are not cut
  EXPECT_EQ(FormatNumber(0.25, 0, 2), ".25");            // no leading zero with width 0
  EXPECT_EQ(FormatNumber(0.25, 1, 2), "0.25");
  EXPECT_EQ(FormatNumber(101.6, 3, 1), "101.6");
  EXPECT_EQ(FormatNumber(37.46, 1, -1), "37");  // metric shift below 0 decimals: whole number
}

}  // namespace
}  // namespace orv
