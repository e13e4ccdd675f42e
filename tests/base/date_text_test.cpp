#include "base/date_text.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(DateText, ParsesBenchDates) {
  struct Row {
    const char* text;
    bool valid;
    CivilDate date;
  };
  const Row rows[] = {
      {"01-15-99", true, {1999, 1, 15}},
      {"1/5/2001", true, {2001, 1, 5}},
      {" 12.31.29 ", true, {2029, 12, 31}},
      {"06-01-30", true, {1930, 6, 1}},
      {"2001-01-15", true, {2001, 1, 15}},
      {"02-29-00", true, {2000, 2, 29}},
      {"02-29-01", false, {}},
      {"13-01-99", false, {}},
      {"00-10-99", false, {}},
      {"04-31-99", false, {}},
      {"01-15/99", false, {}},
      {"01-15", false, {}},
      {"", false, {}},
      {"ab-cd-ef", false, {}},
      {"1-1-199", false, {}},
      {"01-15-99x", false, {}},
  };
  for (const Row& r : rows) {
    const auto d = ParseDateText(r.text);
    EXPECT_EQ(d.has_value(), r.valid) << r.text;
    if (d && r.valid) {
      EXPECT_EQ(*d, r.date) << r.text;
    }
  }
  EXPECT_EQ(FormatIsoDate({1999, 1, 5}), "1999-01-05");
}

TEST(DateText, RecognisesTimes) {
  struct Row {
    const char* text;
    bool valid;
  };
  const Row rows[] = {{"14:05:30", true}, {"9:05", true},      {" 9:05 PM", true},
                      {"12:00 am", true}, {"13:00 PM", false}, {"24:00", false},
                      {"10:60", false},   {"10:5", false},     {"10", false},
                      {"", false},        {"ab:cd", false},    {"1:02:03:04", false}};
  for (const Row& r : rows) EXPECT_EQ(IsTimeText(r.text), r.valid) << r.text;
}

}  // namespace
}  // namespace orv
