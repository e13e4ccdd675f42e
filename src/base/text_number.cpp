#include "base/text_number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace orv {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

// Length of the number at the start of `s` (sign, digits, one separator, exponent); 0 when
// there is none. `normalized` receives the number in the form from_chars reads.
std::size_t ScanNumber(std::string_view s, std::string& normalized) {
  std::size_t i = 0;
  normalized.clear();
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') normalized.push_back('-');
    ++i;
  }
  bool digits = false;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    normalized.push_back(s[i++]);
    digits = true;
  }
  if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
    normalized.push_back('.');
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      normalized.push_back(s[i++]);
      digits = true;
    }
  }
  if (!digits) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
    bool expDigits = false;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') {
      exponent.push_back(s[j++]);
      expDigits = true;
    }
    if (expDigits) {
      normalized += exponent;
      i = j;
    }
  }
  return i;
}

double Convert(const std::string& normalized) {
  double value = 0.0;
  const auto result =
      std::from_chars(normalized.data(), normalized.data() + normalized.size(), value);
  if (result.ec != std::errc() || !std::isfinite(value)) return 0.0;
  return value;
}

}  // namespace

double TextToDouble(std::string_view text) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  std::string normalized;
  const std::size_t length = ScanNumber(text, normalized);
  if (length == 0 || length != text.size()) return 0.0;
  return Convert(normalized);
}

bool IsNumberText(std::string_view text) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  std::string normalized;
  const std::size_t length = ScanNumber(text, normalized);
  if (length == 0 || length != text.size()) return false;
  double value = 0.0;
  const auto result =
      std::from_chars(normalized.data(), normalized.data() + normalized.size(), value);
  return result.ec == std::errc() && std::isfinite(value);
}

float TextToSingle(std::string_view text) noexcept {
  const double value = TextToDouble(text);
  if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) return 0.0f;
  return static_cast<float>(value);
}

double LeadingNumber(std::string_view text) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  std::string normalized;
  if (ScanNumber(text, normalized) == 0) return 0.0;
  return Convert(normalized);
}

}  // namespace orv
