#include "app/engine_sweep.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "app/engine_comparison.h"

namespace orv {

namespace {

// A view of the main window that shows no output page.
constexpr int kNoOutputPage = 2;

// Reads a whole text as a finite number ("." decimal separator, an exponent allowed) and the
// number of decimals it was written with.
bool ReadNumber(const std::string& text, double& value, int& decimals) {
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = first + text.size();
  if (*first == '+') ++first;
  const auto res = std::from_chars(first, last, value);
  if (res.ec != std::errc() || res.ptr != last || !std::isfinite(value)) return false;
  const auto dot = text.find('.');
  const auto exp = text.find_first_of("eE");
  decimals = 0;
  if (dot != std::string::npos) {
    decimals = static_cast<int>((exp == std::string::npos ? text.size() : exp) - dot - 1);
  }
  return true;
}

std::string Shortest(double value) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

}  // namespace

std::string SweepAxis::Text(std::uint64_t i) const {
  const double value = from + static_cast<double>(i) * step;
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string text = buf;
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
  int d1 = 0, d2 = 0, d3 = 0;
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
  axis.decimals = std::max({d1, d2, d3});
  if (axis.decimals > 15) axis.decimals = 15;
  return axis;
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
  for (std::uint64_t point = 0; point < outcome.points; ++point) {
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
      if (complete && std::isfinite(values[columns[i]])) csv << Shortest(values[columns[i]]);
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
