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

}  // namespace orv
