#include "base/text_number.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(TextToDouble, ReadsWholeNumbersAndGivesZeroForAnythingElse) {
  struct Row {
    const char* text;
    double expected;
  };
  const Row rows[] = {
      {"4.03", 4.03},   {" 4.03 ", 4.03}, {"4,03", 4.03}, {"-2.5", -2.5}, {"+7", 7}, {"1e3", 1000},
      {"2.5E-1", 0.25}, {".5", 0.5},      {"5.", 5},      {"abc", 0},     {"", 0},   {"12abc", 0},
      {"1.2.3", 0},     {"-", 0},         {"1e999", 0},   {"1 2", 0},
  };
  for (const auto& r : rows) EXPECT_DOUBLE_EQ(TextToDouble(r.text), r.expected) << r.text;
}

TEST(IsNumberText, TellsNumbersFromTextThatReadsAsZero) {
  struct Row {
    const char* text;
    bool number;
  };
  const Row rows[] = {{"0", true},      {" -0.0 ", true}, {"4,03", true},      {"1e3", true},
                      {"abc", false},   {"", false},      {"1 OR 1=1", false}, {"1e999", false},
                      {"1.2.3", false}, {"'", false}};
  for (const auto& r : rows) EXPECT_EQ(IsNumberText(r.text), r.number) << r.text;
}

TEST(TextToSingle, NarrowsAndRejectsNumbersOutsideTheFloatRange) {
  EXPECT_EQ(TextToSingle("4.03"), 4.03f);
  EXPECT_EQ(TextToSingle("1e39"), 0.0f);
  EXPECT_EQ(TextToSingle("abc"), 0.0f);
}

TEST(LeadingNumber, StopsAtTheFirstCharacterThatIsNotPartOfANumber) {
  EXPECT_EQ(LeadingNumber("  70 LABEL"), 70);
  EXPECT_EQ(LeadingNumber("12abc"), 12);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber("-3.5x"), -3.5);
}

}  // namespace
}  // namespace orv
