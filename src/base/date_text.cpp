#include "base/date_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"

namespace orv {

namespace {

// Dates may come with blanks, tabs or NULs around them.
std::string_view TrimDateText(std::string_view s) { return Trim(s, {" \t\0", 3}); }

// Splits at any of `seps`; every piece must be 1..4 digits. Returns the pieces' values and
// digit counts, or nothing.
struct Piece {
  int value;
  int digits;
};
std::optional<std::vector<Piece>> DigitPieces(std::string_view s, std::string_view seps) {
  std::vector<Piece> pieces;
  Piece cur{0, 0};
  for (char c : s) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      if (cur.digits == 4) return std::nullopt;
      cur.value = cur.value * 10 + (c - '0');
      ++cur.digits;
    } else if (seps.find(c) != std::string_view::npos) {
      if (cur.digits == 0) return std::nullopt;
      pieces.push_back(cur);
      cur = {0, 0};
    } else {
      return std::nullopt;
    }
  }
  if (cur.digits == 0) return std::nullopt;
  pieces.push_back(cur);
  return pieces;
}

// 1 January 1970 is day 25569 of the database calendar.
constexpr long kUnixEpochDay = 25569;

long DaysFromCivil(int y, int m, int d) noexcept {
  y -= m <= 2 ? 1 : 0;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153L * ((m + 9) % 12) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(long z) noexcept {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  return {y, m, d};
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of digits at `i`; false when there is none or it is too long to be a date part.
bool ReadNumber(std::string_view s, std::size_t& i, int& value, int& digits) {
  value = 0;
  digits = 0;
  while (i < s.size() && IsDigit(s[i])) {
    if (++digits > 4) return false;
    value = value * 10 + (s[i] - '0');
    ++i;
  }
  return digits > 0;
}

// "h:mm", "h:mm:ss", optionally followed by AM or PM; the fraction of a day.
std::optional<double> ParseTime(std::string_view s) {
  s = TrimDateText(s);
  if (s.empty()) return 0.0;
  int ampm = 0;
  auto endsWith = [&](std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    for (std::size_t k = 0; k < suffix.size(); ++k) {
      const char c = s[s.size() - suffix.size() + k];
      if ((c | 0x20) != (suffix[k] | 0x20)) return false;
    }
    return true;
  };
  if (endsWith("AM")) ampm = 1;
  if (endsWith("PM")) ampm = 2;
  if (ampm != 0) s = TrimDateText(s.substr(0, s.size() - 2));
  std::vector<int> parts;
  std::size_t i = 0;
  while (true) {
    int v = 0, digits = 0;
    // Hours take one or two digits, minutes and seconds exactly two.
    if (!ReadNumber(s, i, v, digits) || digits > 2 || (!parts.empty() && digits != 2)) {
      return std::nullopt;
    }
    parts.push_back(v);
    if (i == s.size()) break;
    if (s[i] != ':' || parts.size() == 3) return std::nullopt;
    ++i;
  }
  if (parts.size() < 2) return std::nullopt;
  int h = parts[0];
  const int m = parts[1];
  const int sec = parts.size() > 2 ? parts[2] : 0;
  if (m > 59 || sec > 59) return std::nullopt;
  if (ampm != 0) {
    if (h < 1 || h > 12) return std::nullopt;
    h = h % 12 + (ampm == 2 ? 12 : 0);
  } else if (h > 23) {
    return std::nullopt;
  }
  return (h * 3600.0 + m * 60.0 + sec) / 86400.0;
}

}  // namespace

std::optional<CivilDate> ParseDateText(std::string_view text) {
  text = TrimDateText(text);
  std::string_view seps = "-/.";
  // One separator kind per date.
  char sep = 0;
  for (char c : text) {
    if (seps.find(c) == std::string_view::npos) continue;
    if (sep != 0 && c != sep) return std::nullopt;
    sep = c;
  }
  const auto pieces = DigitPieces(text, seps);
  if (!pieces || pieces->size() != 3) return std::nullopt;
  CivilDate d;
  const auto& p = *pieces;
  if (p[0].digits == 4) {
    d = {p[0].value, p[1].value, p[2].value};
    if (p[1].digits > 2 || p[2].digits > 2) return std::nullopt;
  } else {
    if (p[0].digits > 2 || p[1].digits > 2 || p[2].digits == 3 || p[2].digits == 1) {
      return std::nullopt;
    }
    int year = p[2].value;
    if (p[2].digits == 2) year += year < 30 ? 2000 : 1900;
    d = {year, p[0].value, p[1].value};
  }
  if (!IsValidDate(d.year, d.month, d.day)) return std::nullopt;
  return d;
}

std::string FormatIsoDate(const CivilDate& date) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", date.year, date.month, date.day);
  return buf;
}

bool IsTimeText(std::string_view text) {
  return !TrimDateText(text).empty() && ParseTime(text).has_value();
}

double DayNumber(int year, int month, int day) noexcept {
  return static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
}

CivilDate DateOfDayNumber(double dayNumber) noexcept {
  if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > 1e7) return {1899, 12, 30};
  return CivilFromDays(static_cast<long>(std::trunc(dayNumber)) - kUnixEpochDay);
}

bool IsValidDate(int year, int month, int day) noexcept {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

namespace {

// Appends `value` in decimal, padded with zeros after any sign to at least `width` characters
// (as the C format "%0*d" writes it). Dates of a list are written this way many thousand
// times, so no formatting library is involved.
void AppendPadded(std::string& out, int value, int width) {
  char digits[12];
  int n = 0;
  const bool negative = value < 0;
  unsigned magnitude = negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) out.push_back('-');
  for (int pad = width - n - (negative ? 1 : 0); pad > 0; --pad) out.push_back('0');
  while (n > 0) out.push_back(digits[--n]);
}

}  // namespace

std::string FormatShortDate(double dayNumber, const ShortDateFormat& format) {
  const CivilDate d = DateOfDayNumber(dayNumber);
  const int two = format.leadingZeros ? 2 : 1;
  std::string out;
  out.reserve(12);
  switch (format.order) {
    case ShortDateFormat::Order::DayMonthYear:
      AppendPadded(out, d.day, two);
      out.push_back(format.separator);
      AppendPadded(out, d.month, two);
      out.push_back(format.separator);
      AppendPadded(out, d.year, 4);
      break;
    case ShortDateFormat::Order::YearMonthDay:
      AppendPadded(out, d.year, 4);
      out.push_back(format.separator);
      AppendPadded(out, d.month, two);
      out.push_back(format.separator);
      AppendPadded(out, d.day, two);
      break;
    case ShortDateFormat::Order::MonthDayYear:
      AppendPadded(out, d.month, two);
      out.push_back(format.separator);
      AppendPadded(out, d.day, two);
      out.push_back(format.separator);
      AppendPadded(out, d.year, 4);
      break;
  }
  return out;
}

std::optional<ShortDateFormat> ShortDateFormatOfPattern(std::string_view pattern) {
  pattern = Trim(pattern);
  ShortDateFormat format;
  char order[3] = {};
  int fields = 0;
  char separator = 0;
  bool leadingZeros = false;
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (letter == 'd' || letter == 'm' || letter == 'y') {
      std::size_t run = 0;
      while (i < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[i])) == letter) {
        ++i;
        ++run;
      }
      if (fields == 3 || (letter != 'y' && run > 2) || run > 4) return std::nullopt;
      for (int k = 0; k < fields; ++k) {
        if (order[k] == letter) return std::nullopt;
      }
      if (letter != 'y' && run == 2) leadingZeros = true;
      order[fields++] = letter;
      continue;
    }
    // One separator, the same between every pair of fields, and one that dates are read with.
    if (fields == 0 || fields == 3 || (separator != 0 && separator != c) ||
        (c != '/' && c != '-' && c != '.')) {
      return std::nullopt;
    }
    separator = c;
    ++i;
    if (i < pattern.size() && !std::isalpha(static_cast<unsigned char>(pattern[i]))) {
      return std::nullopt;
    }
  }
  if (fields != 3 || separator == 0) return std::nullopt;
  const std::string_view o(order, 3);
  if (o == "mdy") {
    format.order = ShortDateFormat::Order::MonthDayYear;
  } else if (o == "dmy") {
    format.order = ShortDateFormat::Order::DayMonthYear;
  } else if (o == "ymd") {
    format.order = ShortDateFormat::Order::YearMonthDay;
  } else {
    return std::nullopt;
  }
  format.separator = separator;
  format.leadingZeros = leadingZeros;
  return format;
}

std::optional<double> ParseShortDate(std::string_view text, const ShortDateFormat& format) {
  text = TrimDateText(text);
  int n[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  std::size_t i = 0;
  for (int k = 0; k < 3; ++k) {
    if (!ReadNumber(text, i, n[k], digits[k])) return std::nullopt;
    if (k < 2) {
      if (i >= text.size() || (text[i] != '/' && text[i] != '-' && text[i] != '.')) {
        return std::nullopt;
      }
      ++i;
    }
  }
  const std::optional<double> time = ParseTime(text.substr(i));
  if (!time) return std::nullopt;
  if (i < text.size() && text[i] != ' ' && text[i] != '\t') return std::nullopt;

  int year = 0, month = 0, day = 0, yearDigits = 0;
  if (digits[0] > 2 || format.order == ShortDateFormat::Order::YearMonthDay) {
    year = n[0], month = n[1], day = n[2], yearDigits = digits[0];
  } else if (format.order == ShortDateFormat::Order::DayMonthYear) {
    day = n[0], month = n[1], year = n[2], yearDigits = digits[2];
  } else {
    month = n[0], day = n[1], year = n[2], yearDigits = digits[2];
  }
  if (digits[1] > 2 || (yearDigits != 2 && yearDigits != 4)) return std::nullopt;
  if (yearDigits == 2) year += year < 30 ? 2000 : 1900;
  if (!IsValidDate(year, month, day)) return std::nullopt;
  const double whole = DayNumber(year, month, day);
  return whole < 0 ? whole - *time : whole + *time;
}

}  // namespace orv
