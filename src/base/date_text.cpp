#include "base/date_text.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace orv {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\0')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

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

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

}  // namespace

std::optional<CivilDate> ParseDateText(std::string_view text) {
  text = TrimBlanks(text);
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
  if (d.year < 100 || d.month < 1 || d.month > 12 || d.day < 1 ||
      d.day > DaysInMonth(d.year, d.month)) {
    return std::nullopt;
  }
  return d;
}

std::string FormatIsoDate(const CivilDate& date) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", date.year, date.month, date.day);
  return buf;
}

bool IsTimeText(std::string_view text) {
  text = TrimBlanks(text);
  bool twelveHour = false;
  if (text.size() >= 2) {
    const std::string_view tail = text.substr(text.size() - 2);
    const auto upper = [](char c) { return static_cast<char>(std::toupper(c)); };
    const char a = upper(tail[0]);
    if ((a == 'A' || a == 'P') && upper(tail[1]) == 'M') {
      twelveHour = true;
      text = TrimBlanks(text.substr(0, text.size() - 2));
    }
  }
  const auto pieces = DigitPieces(text, ":");
  if (!pieces || pieces->size() < 2 || pieces->size() > 3) return false;
  const auto& p = *pieces;
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (p[i].digits > 2 || (i > 0 && p[i].digits != 2)) return false;
  }
  if (twelveHour ? (p[0].value < 1 || p[0].value > 12) : p[0].value > 23) return false;
  if (p[1].value > 59) return false;
  return p.size() == 2 || p[2].value <= 59;
}

}  // namespace orv
