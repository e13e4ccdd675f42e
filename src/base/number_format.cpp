#include "base/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace orv {

namespace {

constexpr int kSignificantDigits = 15;

// The decimal digits of |value| rounded to 15 significant digits: digits[0..] with the decimal
// point after `pointPos` digits. A leading 0 digit is kept in front so that rounding can carry.
struct DecimalDigits {
  std::vector<int> digits;
  int pointPos = 0;
};

DecimalDigits ToDecimalDigits(double magnitude) {
  DecimalDigits d;
  d.digits.reserve(kSignificantDigits + 2);
  d.digits.push_back(0);
  if (magnitude == 0.0) {
    d.pointPos = 1;
    return d;
  }
  // "d.dddddddddddddde+XX", correctly rounded (the same text as printf's "%.14e", several
  // times faster).
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf - 1, magnitude,
                                 std::chars_format::scientific, kSignificantDigits - 1);
  *res.ptr = '\0';
  const char* p = buf;
  for (; *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') d.digits.push_back(*p - '0');
  }
  const int exponent = std::atoi(p + 1);
  d.pointPos = exponent + 2;  // one digit before the point, plus the leading 0
  return d;
}

}  // namespace

std::string FormatPattern(double value, std::string_view pattern) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";

  const std::size_t dot = pattern.find('.');
  const std::string_view wholePart = pattern.substr(0, dot);
  const std::string_view fracPart =
      dot == std::string_view::npos ? std::string_view() : pattern.substr(dot + 1);
  int minWholeDigits = 0;
  for (char c : wholePart) minWholeDigits += (c == '0');
  int requiredDecimals = 0;
  while (requiredDecimals < static_cast<int>(fracPart.size()) &&
         fracPart[requiredDecimals] == '0') {
    ++requiredDecimals;
  }
  const int decimals = static_cast<int>(fracPart.size());

  DecimalDigits d = ToDecimalDigits(std::fabs(value));
  const int keep = d.pointPos + decimals;  // digits kept from the start
  const int total = static_cast<int>(d.digits.size());
  if (keep < 1) {
    d.digits.assign(1, 0);
  } else if (keep < total) {
    const bool roundUp = d.digits[keep] >= 5;
    d.digits.resize(keep);
    if (roundUp) {
      for (int i = keep - 1; i >= 0; --i) {
        if (++d.digits[i] < 10) break;
        d.digits[i] = 0;
      }
    }
  }
  auto digitAt = [&](int i) {
    return (i >= 0 && i < static_cast<int>(d.digits.size())) ? d.digits[i] : 0;
  };

  std::string whole;
  for (int i = 0; i < d.pointPos; ++i) {
    const int digit = digitAt(i);
    if (whole.empty() && digit == 0) continue;
    whole.push_back(static_cast<char>('0' + digit));
  }
  while (static_cast<int>(whole.size()) < minWholeDigits) whole.insert(whole.begin(), '0');

  std::string frac;
  for (int i = 0; i < decimals; ++i)
    frac.push_back(static_cast<char>('0' + digitAt(d.pointPos + i)));
  while (static_cast<int>(frac.size()) > requiredDecimals && frac.back() == '0') frac.pop_back();

  bool anyNonZero = false;
  for (char c : whole + frac) anyNonZero |= (c != '0');

  std::string out;
  if (value < 0 && anyNonZero) out.push_back('-');
  out += whole;
  if (!frac.empty() || (decimals > 0 && requiredDecimals > 0)) {
    out.push_back('.');
    out += frac;
  }
  return out;
}

std::string FormatNumber(double value, int width, int decimals) {
  std::string pattern;
  if (decimals <= 0) {
    pattern = "############0";
  } else {
    pattern = width > 0 ? "############0" : "#############";
    pattern += '.';
    pattern.append(static_cast<std::size_t>(decimals), '0');
  }
  std::string text = FormatPattern(value, pattern);
  if (width > 0) {
    const int fieldWidth = decimals > 0 ? width + decimals + 1 : width;
    if (static_cast<int>(text.size()) < fieldWidth) text.append(fieldWidth - text.size(), ' ');
  }
  return text;
}

namespace {

template <class T>
std::string Shortest(T value) {
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

}  // namespace

std::string ShortestText(double value) { return Shortest(value); }
std::string ShortestText(float value) { return Shortest(value); }

}  // namespace orv
