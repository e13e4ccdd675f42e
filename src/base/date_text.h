#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orv {

// A calendar date without a time of day.
struct CivilDate {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  bool operator==(const CivilDate&) const = default;
};

// Reads a date the way the program's date conversion reads the short texts of the flow bench:
// month, day and year in that order, separated by "-", "/" or "." ("01-15-99", "1/5/2001"), or
// year first with four digits ("2001-01-15"). A two-digit year counts from 1930 to 2029.
// Blanks around the text are ignored. Nothing when the text is not a valid calendar date.
std::optional<CivilDate> ParseDateText(std::string_view text);

// "YYYY-MM-DD".
std::string FormatIsoDate(const CivilDate& date);

// True when the text is a time of day: hours and minutes, optional seconds, separated by ":"
// ("14:05", "9:05:30"), optionally followed by "AM" or "PM" (then hours 1..12). Blanks around
// the text are ignored.
bool IsTimeText(std::string_view text);

// Dates as the test database holds them: a day number, the days since 30 December 1899 as a
// double whose fraction is the time of day. Before that day the whole part counts back and the
// fraction still counts forward from midnight (-1.25 is 29 December 1899, 6:00).

// Day number of midnight of a date of the Gregorian calendar (no check of the date).
double DayNumber(int year, int month, int day) noexcept;
// The date part of a day number (years 100 to 9999 make sense).
CivilDate DateOfDayNumber(double dayNumber) noexcept;
bool IsValidDate(int year, int month, int day) noexcept;

// The system's short date form: the order of month, day and year and their separator, as the
// program writes dates into queries and shows them in lists. The default is the United States
// form "M/d/yyyy".
struct ShortDateFormat {
  enum class Order { MonthDayYear, DayMonthYear, YearMonthDay };
  Order order = Order::MonthDayYear;
  char separator = '/';
  bool leadingZeros = false;  // "03/04/2024" rather than "3/4/2024"
};

// The date part of `dayNumber` in the short form, four-digit year.
std::string FormatShortDate(double dayNumber, const ShortDateFormat& format);

// The short form a date pattern of the system's settings describes: the three fields "d" or
// "dd", "M" or "MM" and "yy" or "yyyy" (letters in either case) in one of the orders
// month-day-year, day-month-year or year-month-day, with one separator, "/", "-" or ".", between
// them
// ("M/d/yyyy", "dd.MM.yyyy", "yyyy-MM-dd"). Two-letter day or month fields give leading zeros;
// years are always written with four digits, so that a date written into a query reads back
// the same whatever century it is in. Nothing for any other pattern.
std::optional<ShortDateFormat> ShortDateFormatOfPattern(std::string_view pattern);

// Reads a date typed or written in the short form: three numbers in the form's order with any
// of "/", "-", "." between them (a four-digit first number is read as year-month-day whatever
// the form), two-digit years 00-29 as 2000-2029 and 30-99 as 1930-1999, and an optional time of
// day "h:mm", "h:mm:ss" with an optional "AM" or "PM". Nothing when the text is not a valid
// date.
std::optional<double> ParseShortDate(std::string_view text, const ShortDateFormat& format);

}  // namespace orv
