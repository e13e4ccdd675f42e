#pragma once

namespace orv {

// Unit system of display and entry (configuration key "Metric"). Values are always held in
// English units; only the text boxes, output labels and reports convert.
enum class UnitMode : int { English = 0, Metric = 1, MetricM3 = 2 };

// What a displayed number measures, which picks its metric converter and format shift.
enum class UnitKind {
  None,         // shown as held
  Length,       // in -> mm
  AreaMm2,      // in2 -> mm2 (bowl and port areas)
  AreaCm2,      // in2 -> cm2 (other areas)
  Volume,       // in3 -> cc
  Velocity,     // ft/s -> m/s (also ft/min -> m/min)
  Temperature,  // F -> C
  Pressure,     // psi -> bar
  Torque,       // ft-lb -> N-m
  Airflow,      // CFM -> m3/min, only in UnitMode::MetricM3
};

inline constexpr double kMmPerInch = 25.4;
inline constexpr double kMm2PerIn2 = 25.4 * 25.4;
inline constexpr double kCm2PerIn2 = 6.4516;
inline constexpr double kCcPerIn3 = 16.387064;
inline constexpr double kFeetPerMetre = 3.2808333333333333;
inline constexpr double kBarPerPsi = 0.06894757;
inline constexpr double kNmPerFtLb = 1.3558200609847864;
inline constexpr double kCfmPerM3Min = 35.31445483391204;

// Held (English) value to the value shown in `mode`.
double ToDisplay(UnitKind kind, double value, UnitMode mode);
// Typed value in `mode` to the held (English) value.
double FromDisplay(UnitKind kind, double value, UnitMode mode);

// The (width, decimals) a number of this kind is shown with in `mode`, from its English format:
// metric lengths and square millimetres get 2 more width and 2 fewer decimals; square
// centimetres, cubic centimetres and velocities 1 more width and 1 fewer decimal; bar 2 less
// width and 2 more decimals; cubic metres per minute 2 less width (not below 0) and 2 more
// decimals. Temperatures and torque keep their format.
struct NumberFormat {
  int width;
  int decimals;
};
NumberFormat DisplayFormat(UnitKind kind, NumberFormat english, UnitMode mode);

}  // namespace orv
