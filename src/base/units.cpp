#include "base/units.h"

#include <algorithm>

namespace orv {

namespace {
bool MetricConverts(UnitKind kind, UnitMode mode) {
  if (mode == UnitMode::English || kind == UnitKind::None) return false;
  if (kind == UnitKind::Airflow) return mode == UnitMode::MetricM3;
  return true;
}
}  // namespace

double ToDisplay(UnitKind kind, double value, UnitMode mode) {
  if (!MetricConverts(kind, mode)) return value;
  switch (kind) {
    case UnitKind::Length:
      return value * kMmPerInch;
    case UnitKind::AreaMm2:
      return value * kMm2PerIn2;
    case UnitKind::AreaCm2:
      return value * kCm2PerIn2;
    case UnitKind::Volume:
      return value * kCcPerIn3;
    case UnitKind::Velocity:
      return value / kFeetPerMetre;
    case UnitKind::Temperature:
      return (value - 32.0) * 5.0 / 9.0;
    case UnitKind::Pressure:
      return value * kBarPerPsi;
    case UnitKind::Torque:
      return value * kNmPerFtLb;
    case UnitKind::Airflow:
      return value / kCfmPerM3Min;
    case UnitKind::None:
      break;
  }
  return value;
}

double FromDisplay(UnitKind kind, double value, UnitMode mode) {
  if (!MetricConverts(kind, mode)) return value;
  switch (kind) {
    case UnitKind::Length:
      return value / kMmPerInch;
    case UnitKind::AreaMm2:
      return value / kMm2PerIn2;
    case UnitKind::AreaCm2:
      return value / kCm2PerIn2;
    case UnitKind::Volume:
      return value / kCcPerIn3;
    case UnitKind::Velocity:
      return value * kFeetPerMetre;
    case UnitKind::Temperature:
      return value * 9.0 / 5.0 + 32.0;
    case UnitKind::Pressure:
      return value / kBarPerPsi;
    case UnitKind::Torque:
      return value / kNmPerFtLb;
    case UnitKind::Airflow:
      return value * kCfmPerM3Min;
    case UnitKind::None:
      break;
  }
  return value;
}

NumberFormat DisplayFormat(UnitKind kind, NumberFormat f, UnitMode mode) {
  if (!MetricConverts(kind, mode)) return f;
  switch (kind) {
    case UnitKind::Length:
    case UnitKind::AreaMm2:
      return {f.width + 2, f.decimals - 2};
    case UnitKind::AreaCm2:
    case UnitKind::Volume:
    case UnitKind::Velocity:
      return {f.width + 1, f.decimals - 1};
    case UnitKind::Pressure:
      return {f.width - 2, f.decimals + 2};
    case UnitKind::Airflow:
      return {std::max(0, f.width - 2), f.decimals + 2};
    default:
      return f;
  }
}

}  // namespace orv
