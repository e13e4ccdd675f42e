#pragma once

namespace orv {

// Moist-air relations of the flow bench's weather correction (the saturation-pressure
// correlation over water and the wet-bulb humidity-ratio relation of the psychrometric
// tables). Temperatures in kelvin, pressures in pascals.

// Pascals per inch of mercury, as the bench converts its barometer.
inline constexpr double kPascalPerInHg = 3386.4;
// The pressure used when no barometer reading was taken.
inline constexpr double kStandardPressurePa = 101321.088;
// Ratio of the molar masses of water and dry air.
inline constexpr double kWaterAirMassRatio = 0.62198;

double FahrenheitToKelvin(double fahrenheit) noexcept;

// Saturation pressure of water vapour at T. A temperature at or below absolute zero (or not a
// number) has no saturation pressure and gives 0.
double SaturationPressure(double kelvin) noexcept;

// Humidity ratio (kg water per kg dry air) of air with dry bulb Td and wet bulb Tw at pressure
// P. It is 0 when the vapour pressure at the wet bulb reaches the total pressure (a barometer
// of 0 among others) and when the relation has no finite value.
double HumidityRatioFromBulbs(double dryKelvin, double wetKelvin, double pascals) noexcept;

}  // namespace orv
