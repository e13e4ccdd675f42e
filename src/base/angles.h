#pragma once

namespace orv {

// The program's value of pi, to ten digits. Every formula that uses pi (areas of bores, ports
// and valves, crank and cam angles, the valve-train geometry, ideal flows) uses this one, so that
// results keep the digits the program has always given; it is not the full double-precision pi.
inline constexpr double kPi = 3.141592654;
// Radians per degree and degrees per radian with that pi.
inline constexpr double kRadPerDegree = 0.017453292522222223;
inline constexpr double kDegreesPerRadian = 57.29577950560105;

}  // namespace orv
