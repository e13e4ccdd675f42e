#include "app/engine_sweep.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

#include "app/engine_comparison.h"
#include "base/number_format.h"
#include "base/units.h"
#include "engine/engine_inputs.h"

namespace orv {

namespace {

// A view of the main window that shows no output page.
constexpr int kNoOutputPage = 2;

// The most decimals a typed value is written with (a value of more would be mostly zeros).
constexpr int kMostDecimals = 400;

// What a number's text says of its decimals: as written (the digits after the point, less
// the exponent: "4.000" 3, "5e-1" 1, "4e0" 0), and as needed to give its value exactly
// (trailing zeros dropped: "4.500" 1, "1.50e1" 0).
struct Decimals {
  int written = 0;
  int needed = 0;
};

// Reads a whole text as a finite number ("." decimal separator, an exponent allowed) and the
// decimals it was written with.
bool ReadNumber(const std::string& text, double& value, Decimals& decimals) {
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = first + text.size();
  if (*first == '+') ++first;
  const auto res = std::from_chars(first, last, value, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != last || !std::isfinite(value)) return false;
  // The text is a well-formed decimal number: sign, digits, point, digits, exponent.
  const std::string_view number(first, static_cast<std::size_t>(last - first));
  const std::size_t exp = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, exp);
  long long exponent = 0;
  if (exp != std::string_view::npos) {
    std::string_view digits = number.substr(exp + 1);
    const bool negative = !digits.empty() && digits[0] == '-';
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
    for (const char c : digits) {
      exponent = std::min<long long>(exponent * 10 + (c - '0'), 100000);
    }
    if (negative) exponent = -exponent;
  }
  const std::size_t dot = mantissa.find('.');
  const long long fraction =
      dot == std::string_view::npos ? 0 : static_cast<long long>(mantissa.size() - dot - 1);
  // Trailing zeros of the mantissa's digits (the point left out) do not change the value.
  long long zeros = 0;
  bool nonZero = false;
  for (std::size_t i = mantissa.size(); i-- > 0;) {
    const char c = mantissa[i];
    if (c == '.' || c == '-') continue;
    if (c != '0') {
      nonZero = true;
      break;
    }
    ++zeros;
  }
  auto clamped = [](long long d) {
    return static_cast<int>(std::clamp<long long>(d, 0, kMostDecimals));
  };
  decimals.written = clamped(fraction - exponent);
  decimals.needed = nonZero ? clamped(fraction - exponent - zeros) : 0;
  return true;
}

}  // namespace

std::string SweepAxis::Text(std::uint64_t i) const {
  const double value = from + static_cast<double>(i) * step;
  const int length = std::snprintf(nullptr, 0, "%.*f", decimals, value);
  std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  text.pop_back();
  // A value that rounds to zero is typed without a sign.
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

std::vector<std::string> SweepKeys() {
  std::vector<std::string> keys;
  for (int n = 0; n <= kInExhaustLash; ++n) {
    const InputInfo& info = InputInfoOf(n);
    if (info.key[0] != '\0') keys.emplace_back(info.key);
    if (n == kInPcntDrop) {
      // The keys without a box come after the engine inputs.
      keys.emplace_back("EnterAirPP");
      keys.emplace_back("TorqLoss");
    }
  }
  return keys;
}

std::optional<SweepAxis> ParseSweepAxis(const std::string& text, std::string& why) {
  const auto eq = text.find('=');
  if (eq == std::string::npos || eq == 0) {
    why = "--vary needs KEY=FROM:TO:STEP, got \"" + text + "\"";
    return std::nullopt;
  }
  SweepAxis axis;
  axis.key = text.substr(0, eq);
  bool known = false;
  for (const std::string& key : SweepKeys()) known = known || key == axis.key;
  if (!known) {
    why = "no input has the engine-file key \"" + axis.key + "\"";
    return std::nullopt;
  }
  const std::string range = text.substr(eq + 1);
  const auto c1 = range.find(':');
  const auto c2 = c1 == std::string::npos ? c1 : range.find(':', c1 + 1);
  if (c2 == std::string::npos || range.find(':', c2 + 1) != std::string::npos) {
    why = "--vary " + axis.key + " needs FROM:TO:STEP, got \"" + range + "\"";
    return std::nullopt;
  }
  double from = 0, to = 0, step = 0;
  Decimals d1, d2, d3;
  if (!ReadNumber(range.substr(0, c1), from, d1) ||
      !ReadNumber(range.substr(c1 + 1, c2 - c1 - 1), to, d2) ||
      !ReadNumber(range.substr(c2 + 1), step, d3)) {
    why = "--vary " + axis.key + ": FROM, TO and STEP must be numbers, got \"" + range + "\"";
    return std::nullopt;
  }
  const double span = (to - from) / step;
  if (step == 0 || !(span >= 0) || !std::isfinite(span)) {
    why = "--vary " + axis.key + ": the range " + range + " holds no value (STEP must lead " +
          "from FROM to TO and not be 0)";
    return std::nullopt;
  }
  // Steps that land on TO up to rounding count it in: 4.000:4.100:0.025 holds five values.
  const double steps = std::floor(span + 1e-9);
  if (steps >= 1e18) {
    why = "--vary " + axis.key + ": the range " + range + " holds too many values";
    return std::nullopt;
  }
  axis.from = from;
  axis.step = step;
  axis.count = static_cast<std::uint64_t>(steps) + 1;
  axis.decimals = std::max({d1.written, d2.written, d3.written});
  // Every value is FROM plus a whole number of steps: those two say what the values need.
  if (d1.needed >= d3.needed) {
    axis.neededDecimals = d1.needed;
    axis.finestText = range.substr(0, c1);
  } else {
    axis.neededDecimals = d3.needed;
    axis.finestText = range.substr(c2 + 1);
  }
  return axis;
}

int SweepBoxDecimals(const EngineDocument& document, const std::string& key) {
  // Choices: a whole number picks the item.
  if (key == "Fuel" || key == "VTType" || key == "EnterAirPP") return 0;
  const int n = InputNumberOfKey(key);
  if (n < 0 || key == "PcntDrop") return -1;  // held as typed, in no box
  const InputInfo& info = InputInfoOf(n);
  // A diesel's advance box holds the lead time in milliseconds.
  if (n == kInAdvance && document.engine().inputs().Fuel == kFuelDiesel) return 3;
  return DisplayFormat(info.unit, info.format, document.controller().unitMode()).decimals;
}

bool FitSweepAxisToBox(SweepAxis& axis, int boxDecimals, std::string& why) {
  if (boxDecimals < 0) return true;
  if (axis.neededDecimals > boxDecimals) {
    why = "--vary " + axis.key + ": " + axis.finestText + " cannot be typed into the " + axis.key +
          " box, which shows " + std::to_string(boxDecimals) +
          (boxDecimals == 1 ? " decimal" : " decimals");
    return false;
  }
  // Zeros beyond what the box shows add nothing.
  axis.decimals = std::min(axis.decimals, boxDecimals);
  return true;
}

std::uint64_t SweepPointCount(const std::vector<SweepAxis>& axes) noexcept {
  std::uint64_t points = 1;
  for (const SweepAxis& axis : axes) {
    if (axis.count != 0 && points > std::numeric_limits<std::uint64_t>::max() / axis.count) {
      return std::numeric_limits<std::uint64_t>::max();
    }
    points *= axis.count;
  }
  return points;
}

SweepOutcome RunSweep(EngineDocument& document, const std::vector<SweepAxis>& axes,
                      const std::vector<std::string>& outputs, std::ostream& csv) {
  // Where each chosen result stands among all results.
  const std::vector<std::string> names = ResultNames();
  std::vector<std::size_t> columns;
  for (const std::string& output : outputs) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i] == output) columns.push_back(i);
    }
  }

  for (std::size_t a = 0; a < axes.size(); ++a) csv << (a ? "," : "") << axes[a].key;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    csv << (axes.empty() && i == 0 ? "" : ",") << names[columns[i]];
  }
  csv << '\n';

  SweepOutcome outcome;
  outcome.points = SweepPointCount(axes);
  EngineDocument::UndoPause pause(document);
  const Engine start = document.engine();
  const bool wasChanged = document.changed();
  // No output page is refilled at each point (the sweep reads the results, not the page texts).
  const int page = document.controller().outputPage();
  document.ShowOutputPage(kNoOutputPage);
  std::vector<double> values;
  values.reserve(names.size());
  std::vector<std::uint64_t> index(axes.size(), 0);
  std::vector<std::string> typed(axes.size());
  // An output that no longer takes the lines (a full disk) ends the sweep.
  for (std::uint64_t point = 0; point < outcome.points && csv; ++point) {
    document.engine() = start;
    bool complete = true;
    try {
      for (std::size_t a = 0; a < axes.size(); ++a) {
        typed[a] = axes[a].Text(index[a]);
        document.TypeInput(axes[a].key, typed[a]);
      }
      complete = document.engine().lastCalc() == Engine::CalcOutcome::Complete;
    } catch (...) {
      // An error of the calculation at this point: its results are not written.
      complete = false;
    }
    for (std::size_t a = 0; a < axes.size(); ++a) csv << (a ? "," : "") << typed[a];
    values.clear();
    if (complete) {
      ForEachResult(document.engine().results(),
                    [&](const char*, double v) { values.push_back(v); });
    } else {
      ++outcome.incomplete;
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (!axes.empty() || i > 0) csv << ',';
      if (complete && std::isfinite(values[columns[i]])) csv << ShortestText(values[columns[i]]);
    }
    csv << '\n';
    // The last axis varies fastest.
    for (std::size_t a = axes.size(); a-- > 0;) {
      if (++index[a] < axes[a].count) break;
      index[a] = 0;
    }
  }
  document.engine() = start;
  document.SetChanged(wasChanged);
  document.ShowOutputPage(page);
  return outcome;
}

}  // namespace orv
