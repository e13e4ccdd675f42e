#include "files/output_captions.h"

#include <array>

#include "files/interface_strings.h"

namespace orv {

namespace {

// Page 0, page 1 and the balance analysis, in the order the pages are filled. Value slots
// name their label and unit field; the text pieces of the balance lines (slots 50, 51 and the
// turning-point columns 70..105) carry their words inside the text.
constexpr OutputCaption kCaptions[] = {
    // Page 0: geometry
    {0, 0, 0, 0, kUnitVolume},
    {1, 0, 1, 1, kUnitVolume, UnitMode::Metric},
    {2, 0, 2, 2, kUnitLength},
    {3, 0, 3, 3, kUnitRatio},
    {4, 0, 4, 4, kUnitAreaCm2},
    {5, 0, 5, 5, kUnitAreaCm2},
    {40, 0, 34, 40, kUnitRatio},
    {6, 0, 6, 6, kUnitVolumePerStroke},
    {7, 0, 7, 7, kUnitStrokePerVolume},
    {8, 0, 8, 8, kUnitVolume, UnitMode::Metric},
    {9, 0, 9, 9, kUnitLength},
    // Page 0: rotating assembly
    {21, 0, 21, 21, kUnitGrams},
    {22, 0, 22, 22, kUnitGrams},
    {23, 0, 23, 23, kUnitGrams},
    {24, 0, 24, 24, kUnitDegrees},
    {25, 0, 25, 25, kUnitRpm},
    // Page 1: flow and ports
    {10, 1, 10, 10, kUnitAirflow},
    {11, 1, 11, 11, kUnitAirflow},
    {45, 1, 45, 17, kUnitPercent},
    {12, 1, 12, 12, kUnitPercent},
    {13, 1, 13, 13, kUnitVelocity},
    {14, 1, 14, 14, kUnitAreaMm2},
    {15, 1, 15, 15, kUnitLength},
    {16, 1, 16, 16, kUnitLength},
    {17, 1, 17, 13, kUnitVelocity},
    {18, 1, 18, 14, kUnitAreaMm2},
    {19, 1, 19, 15, kUnitLength},
    {20, 1, 20, 16, kUnitLength},
    {52, 1, 58, 13, kUnitVelocity},
    {53, 1, 59, 14, kUnitAreaMm2},
    {54, 1, 62, 15, kUnitLength},
    {55, 1, 63, 16, kUnitLength},
    {41, 1, 60, 41, kUnitVolume, UnitMode::English},
    {49, 1, 60, 18, kUnitVolume, UnitMode::Metric},
    {42, 1, 61, 42, kUnitLength},
    // Page 1: piston motion
    {26, 1, 26, 26, kUnitPercent},
    {27, 1, 27, 27, kUnitPounds},  // the text carries the g's; the unit is the force's
    {28, 1, 28, 28, kUnitPounds},
    {56, 1, 68, 56, kUnitPistonSpeed},
    {57, 1, 69, 57, kUnitPistonSpeed},
    // Page 1: torque, power and exhaust
    {29, 1, 29, 29, kUnitRpm},
    {32, 1, 32, 30, kUnitPower},
    {34, 1, 40, 31, kUnitTorque},
    {30, 1, 30, 29, kUnitRpm},
    {33, 1, 33, 30, kUnitPower},
    {35, 1, 41, 31, kUnitTorque},
    {36, 1, 51, 36, kUnitLength},
    {37, 1, 52, 37, kUnitLength},
    {38, 1, 53, 38, kUnitLength},
    {39, 1, 57, 39, kUnitLength},
    {31, 1, 35, 34, kUnitPressure},
    {43, 1, 43, 43, kUnitTorque},
    {44, 1, 44, 44, kUnitDegrees},
    // Balance analysis (page 0)
    {50, 2, -1, -1, kUnitNone},
    {51, 2, -1, -1, kUnitNone},
    {46, 2, 37, -1, kUnitNone},
    {47, 2, 38, -1, kUnitNone},
    {48, 2, 39, -1, kUnitNone},
    {70, 2, -1, -1, kUnitNone},
    {71, 2, -1, -1, kUnitNone},
    {72, 2, -1, -1, kUnitNone},
    {73, 2, -1, -1, kUnitNone},
    {74, 2, -1, -1, kUnitNone},
    {75, 2, -1, -1, kUnitNone},
    {76, 2, -1, -1, kUnitNone},
    {77, 2, -1, -1, kUnitNone},
    {78, 2, -1, -1, kUnitNone},
    {79, 2, -1, -1, kUnitNone},
    {80, 2, -1, -1, kUnitNone},
    {81, 2, -1, -1, kUnitNone},
    {82, 2, -1, -1, kUnitNone},
    {83, 2, -1, -1, kUnitNone},
    {84, 2, -1, -1, kUnitNone},
    {85, 2, -1, -1, kUnitNone},
    {90, 2, -1, -1, kUnitNone},
    {91, 2, -1, -1, kUnitNone},
    {92, 2, -1, -1, kUnitNone},
    {93, 2, -1, -1, kUnitNone},
    {94, 2, -1, -1, kUnitNone},
    {95, 2, -1, -1, kUnitNone},
    {96, 2, -1, -1, kUnitNone},
    {97, 2, -1, -1, kUnitNone},
    {98, 2, -1, -1, kUnitNone},
    {99, 2, -1, -1, kUnitNone},
    {100, 2, -1, -1, kUnitNone},
    {101, 2, -1, -1, kUnitNone},
    {102, 2, -1, -1, kUnitNone},
    {103, 2, -1, -1, kUnitNone},
    {104, 2, -1, -1, kUnitNone},
    {105, 2, -1, -1, kUnitNone},
};

// The frames of the output panel (label table) and the group lines of the general report
// (output label table).
constexpr std::array<OutputHeading, 10> kHeadings = {{
    {true, 36},   // turning points of the balance curve
    {true, 46},   // balance analysis title
    {true, 47},   // balance analysis subtitle
    {true, 58},   // turning points against the typed balance factor
    {false, 42},  // single-bank balance share peaks
    {false, 64},  // port sized for peak torque
    {false, 65},  // port sized for the critical velocity
    {false, 66},  // valve bowl and throat
    {false, 67},  // torque and power
    {false, 36},  // volumetric efficiency diagram
}};

// Unit text of inputs 0..35.
constexpr std::array<int, 36> kInputUnits = {{
    kUnitLength,  kUnitLength,   kUnitLength,      kUnitNone,     kUnitLength,  kUnitDegrees,
    kUnitLength,  kUnitGLoad,    kUnitGrams,       kUnitGrams,    kUnitPercent, kUnitNone,
    kUnitNone,    kUnitVelocity, kUnitTemperature, kUnitVelocity, kUnitRatio,   kUnitNone,
    kUnitNone,    kUnitPercent,  kUnitLength,      kUnitAirflow,  kUnitRpm,     kUnitRpm,
    kUnitAdvance, kUnitLength,   kUnitLength,      kUnitAreaMm2,  kUnitPercent, kUnitDegrees,
    kUnitRatio,   kUnitLength,   kUnitNone,        kUnitDegrees,  kUnitRatio,   kUnitLength,
}};

}  // namespace

std::span<const OutputCaption> OutputCaptions() noexcept { return kCaptions; }

const OutputCaption* FindOutputCaption(int slot) noexcept {
  for (const OutputCaption& c : OutputCaptions()) {
    if (c.slot == slot) return &c;
  }
  return nullptr;
}

int UnitOfUnitField(int unitField) noexcept {
  if (unitField < 0) return kUnitNone;
  for (const OutputCaption& c : OutputCaptions()) {
    if (c.unitField == unitField) return c.unit;
  }
  return kUnitNone;
}

std::span<const OutputHeading> OutputHeadings() noexcept { return kHeadings; }

int InputUnitText(int n, bool diesel) noexcept {
  if (n == 24 && diesel) return kUnitMilliseconds;
  if (n < 0 || n >= static_cast<int>(kInputUnits.size())) return kUnitNone;
  return kInputUnits[static_cast<std::size_t>(n)];
}

std::string UnitSystemPart(std::string_view text, UnitMode mode) {
  int wanted = static_cast<int>(mode);
  std::size_t begin = 0;
  std::size_t end = text.find('|');
  while (wanted > 0 && end != std::string_view::npos) {
    begin = end + 1;
    end = text.find('|', begin);
    --wanted;
  }
  return std::string(
      text.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin));
}

std::string OutputUnitCaption(const InterfaceStrings& strings, const OutputCaption& caption,
                              UnitMode mode) {
  return UnitCaption(strings, caption.unit, caption.fixedSystem.value_or(mode));
}

std::string UnitCaption(const InterfaceStrings& strings, int unit, UnitMode mode) {
  if (unit < 0) return {};
  return UnitSystemPart(strings.Unit(unit), mode);
}

}  // namespace orv
