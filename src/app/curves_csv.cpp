#include "app/curves_csv.h"

#include <cmath>

#include "base/number_format.h"

namespace orv {

namespace {

constexpr int kCurves = 13;
constexpr double kMaxAngle = 360;
constexpr double kMaxRows = 1000000;

// A number of a CSV file: the shortest text, with infinities and NaN spelled out.
template <class T>
std::string CsvNumber(T value) {
  if (!std::isfinite(value))
    return std::isnan(value) ? "NaN" : value < 0 ? "-Infinity" : "Infinity";
  return ShortestText(value);
}

// A CSV field, quoted when it holds a separator, a quote or a line end.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char ch : text) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + '"';
}

}  // namespace

bool CurveIsSingle(int code) noexcept { return code == 7 || code == 8 || code >= 11; }

std::string CheckCurveRange(double from, double to, double step) {
  if (!(from >= -kMaxAngle && from <= kMaxAngle && to >= -kMaxAngle && to <= kMaxAngle)) {
    return "the crank angles must lie in -360..360";
  }
  if (from > to) return "--from must not be above --to";
  if (!(step > 0)) return "--step must be above 0";
  // An infinite step would give the angle 0 x infinity for the first row.
  if (!std::isfinite(step)) return "--step must be a finite number of degrees";
  if ((to - from) / step >= kMaxRows) return "--step is too small (a million rows at most)";
  return {};
}

std::string CurvesCsv(const Engine& engine, const std::array<std::string, 13>& names, double from,
                      double to, double step) {
  std::string csv = "Crank Angle";
  for (const std::string& name : names) csv += ',' + CsvField(name);
  csv += '\n';
  // Angles are worked out from the start and the row number, so that no error accumulates;
  // the last row is `to` itself when a whole number of steps (to a part in a billion) reach it.
  const auto rows = static_cast<long>(std::floor((to - from) / step + 1e-9)) + 1;
  for (long k = 0; k < rows; ++k) {
    double x = from + static_cast<double>(k) * step;
    if (x > to) x = to;
    csv += CsvNumber(x);
    const bool whole = x == std::floor(x);
    for (int code = 1; code <= kCurves; ++code) {
      const double v = whole ? engine.DataAtPt(code, static_cast<int>(x))
                             : engine.DataAt(code, static_cast<float>(x));
      csv += ',';
      csv += CurveIsSingle(code) ? CsvNumber(static_cast<float>(v)) : CsvNumber(v);
    }
    csv += '\n';
  }
  return csv;
}

}  // namespace orv
