#include <gtest/gtest.h>

#include "base/date_text.h"

namespace orv {
namespace {

// Day numbers worked out by counting: 30 Dec 1899 is day 0, 1 Jan 1900 day 2; 1 Jan 1980 is
// 80 years of 365 days plus 19 leap days (1904..1976) after 1 Jan 1900: 29200 + 19 + 2; 14 Mar
// 2024 is 1 Jan 2024 (day 45292, 44 years of 365 days plus 11 leap days after 1980) plus
// 31 + 29 + 13 days.
TEST(JetDate, DayNumbersCountFromThe30thOfDecember1899) {
  struct Row {
    int y, m, d;
    double day;
  };
  const Row rows[] = {{1899, 12, 30, 0},   {1900, 1, 1, 2},     {1899, 12, 29, -1},
                      {1980, 1, 1, 29221}, {2024, 1, 1, 45292}, {2024, 3, 14, 45365},
                      {2000, 2, 29, 36585}};
  for (const Row& r : rows) {
    EXPECT_EQ(DayNumber(r.y, r.m, r.d), r.day) << r.y << "-" << r.m << "-" << r.d;
    EXPECT_EQ(DateOfDayNumber(r.day), (CivilDate{r.y, r.m, r.d}));
  }
  // The time of day does not move the date, before day 0 either.
  EXPECT_EQ(DateOfDayNumber(45365.99), (CivilDate{2024, 3, 14}));
  EXPECT_EQ(DateOfDayNumber(-1.25), (CivilDate{1899, 12, 29}));
}

TEST(JetDate, ShortDatesReadInTheOrderOfTheForm) {
  const ShortDateFormat us;
  const ShortDateFormat uk{ShortDateFormat::Order::DayMonthYear, '/', true};
  const ShortDateFormat de{ShortDateFormat::Order::DayMonthYear, '.', true};
  const ShortDateFormat iso{ShortDateFormat::Order::YearMonthDay, '-', true};
  struct Row {
    const char* text;
    const ShortDateFormat* format;
    std::optional<double> day;
  };
  const Row rows[] = {
      {"3/14/2024", &us, 45365},
      {" 03/14/2024 ", &us, 45365},
      {"14/03/2024", &uk, 45365},
      {"14.03.2024", &de, 45365},
      {"2024-03-14", &iso, 45365},
      {"2024-03-14", &us, 45365},  // a four-digit first number is always the year
      {"2024-03-14", &uk, 45365},
      {"3/14/24", &us, 45365},
      {"1/1/30", &us, DayNumber(1930, 1, 1)},
      {"12/31/29", &us, DayNumber(2029, 12, 31)},
      {"3/14/2024 18:00", &us, 45365.75},
      {"3/14/2024 6:00 PM", &us, 45365.75},
      {"3/14/2024 12:00 AM", &us, 45365},
      {"3/4/2024", &uk, DayNumber(2024, 4, 3)},
      {"14/3/2024", &us, std::nullopt},  // no month 14
      {"2/30/2024", &us, std::nullopt},
      {"2/29/2023", &us, std::nullopt},
      {"2/29/2024", &us, DayNumber(2024, 2, 29)},
      {"3/14", &us, std::nullopt},
      {"3/14/202", &us, std::nullopt},
      {"3/14/2024 25:00", &us, std::nullopt},
      {"3/14/2024x", &us, std::nullopt},
      {"", &us, std::nullopt},
      {"abc", &us, std::nullopt},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ParseShortDate(r.text, *r.format), r.day) << r.text;
  }
}

TEST(JetDate, ShortDatesWriteInTheOrderOfTheForm) {
  EXPECT_EQ(FormatShortDate(45365, {}), "3/14/2024");
  EXPECT_EQ(FormatShortDate(45365.6, {}), "3/14/2024");
  EXPECT_EQ(
      FormatShortDate(DayNumber(2024, 4, 3), {ShortDateFormat::Order::DayMonthYear, '/', true}),
      "03/04/2024");
  EXPECT_EQ(
      FormatShortDate(DayNumber(987, 6, 5), {ShortDateFormat::Order::YearMonthDay, '-', true}),
      "0987-06-05");
  // Years are padded to four digits after any sign, as a C "%04d" writes them.
  EXPECT_EQ(
      FormatShortDate(DayNumber(-12, 3, 4), {ShortDateFormat::Order::YearMonthDay, '-', true}),
      "-012-03-04");
  EXPECT_EQ(FormatShortDate(DayNumber(12345, 11, 30), {}), "11/30/12345");
}

TEST(JetDate, ShortDateFormsComeFromTheSystemsPatterns) {
  using O = ShortDateFormat::Order;
  struct Row {
    const char* pattern;
    std::optional<ShortDateFormat> format;
  };
  auto form = [](O order, char separator, bool zeros) {
    return std::optional<ShortDateFormat>(ShortDateFormat{order, separator, zeros});
  };
  const Row rows[] = {
      {"M/d/yyyy", form(O::MonthDayYear, '/', false)},
      {"MM/dd/yyyy", form(O::MonthDayYear, '/', true)},
      {"M/d/yy", form(O::MonthDayYear, '/', false)},
      {"dd.MM.yyyy", form(O::DayMonthYear, '.', true)},
      {"d.M.yyyy", form(O::DayMonthYear, '.', false)},
      {"dd/MM/yyyy", form(O::DayMonthYear, '/', true)},
      {"yyyy-MM-dd", form(O::YearMonthDay, '-', true)},
      {" YYYY-M-D ", form(O::YearMonthDay, '-', false)},
      {"d/MM/yyyy", form(O::DayMonthYear, '/', true)},
      {"dd MM yyyy", std::nullopt},  // dates are read only with "/", "-" or "."
      {"dd.MM/yyyy", std::nullopt},
      {"dd..MM.yyyy", std::nullopt},
      {"MM/yyyy", std::nullopt},
      {"yyyy/dd/MM", std::nullopt},  // no such order
      {"ddd/MM/yyyy", std::nullopt},
      {"d/d/yyyy", std::nullopt},
      {"dd.MM.yyyy.", std::nullopt},
      {"", std::nullopt},
  };
  for (const Row& r : rows) {
    const std::optional<ShortDateFormat> f = ShortDateFormatOfPattern(r.pattern);
    ASSERT_EQ(f.has_value(), r.format.has_value()) << r.pattern;
    if (!f) continue;
    EXPECT_EQ(f->order, r.format->order) << r.pattern;
    EXPECT_EQ(f->separator, r.format->separator) << r.pattern;
    EXPECT_EQ(f->leadingZeros, r.format->leadingZeros) << r.pattern;
    // A date written in the form reads back as the same day.
    const double day = DayNumber(2024, 3, 4);
    EXPECT_EQ(ParseShortDate(FormatShortDate(day, *f), *f), day) << r.pattern;
  }
}

}  // namespace
}  // namespace orv
